#include "QuillmorBlockFrame.h"
#include "QuillmorTapModulation.h"

/** Three taps per channel. Each tap pair shares a triangle that reverses its direction at
    random moments, so the pairs drift apart and together without a fixed period; every tap
    also has a sine of its own, the slower sines swinging further. */
struct Mode6TapRandom
{
    static constexpr int tapsPerChannel = 3;
    static constexpr auto arrangement = QuillmorChorusEngine::TapArrangement::separateFeedback;
};

template <>
void QuillmorChorusEngine::modulateTaps<Mode6TapRandom> (float detuneDepth, float vibratoDepth, float* offsetsLeft, float* offsetsRight) noexcept
{
    namespace mod = quillmor::tapmodulation;
    mod::setTriangleDetune<3, true> (detuneLfos, detuneDepth, offsetsLeft, offsetsRight);
    mod::addSineVibrato<3, mod::VibratoProduct::sineTimesDepthTimesFactor> (vibratoLfos[0], vibratoLfos[1],
                                                                            vibratoDepthScalesLeft, vibratoDepthScalesRight,
                                                                            vibratoDepth, offsetsLeft, offsetsRight);
}

void QuillmorChorusEngine::process6TapRandomBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode6TapRandom, false, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process6TapRandomDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode6TapRandom, true, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process6TapRandomBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode6TapRandom, false, true> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process6TapRandomDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode6TapRandom, true, true> (inputs, outputs, numSamples);
}
