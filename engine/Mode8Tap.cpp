#include "QuillmorBlockFrame.h"
#include "QuillmorTapModulation.h"

/** Four taps per channel. Each tap pair shares a triangle, the four triangles at the detune
    rate and at a half, a quarter and an eighth of it; every tap also has a sine of its own,
    the slower sines swinging further. */
struct Mode8Tap
{
    static constexpr int tapsPerChannel = 4;
    static constexpr auto arrangement = QuillmorChorusEngine::TapArrangement::separateFeedback;
};

template <>
void QuillmorChorusEngine::modulateTaps<Mode8Tap> (float detuneDepth, float vibratoDepth, float* offsetsLeft, float* offsetsRight) noexcept
{
    namespace mod = quillmor::tapmodulation;
    mod::setTriangleDetune<Mode8Tap::tapsPerChannel, false> (detuneLfos, detuneDepth, offsetsLeft, offsetsRight);
    mod::addSineVibrato<Mode8Tap::tapsPerChannel, mod::VibratoProduct::sineTimesDepthTimesFactor> (
        vibratoLfos[0], vibratoLfos[1], vibratoDepthScalesLeft, vibratoDepthScalesRight, vibratoDepth, offsetsLeft, offsetsRight);
}

void QuillmorChorusEngine::process8TapBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode8Tap, false, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process8TapDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode8Tap, true, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process8TapBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode8Tap, false, true> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process8TapDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode8Tap, true, true> (inputs, outputs, numSamples);
}
