#include "QuillmorBlockFrame.h"
#include "QuillmorTapModulation.h"

/** Eight taps per channel. Each tap pair shares a triangle that moves its two taps in
    opposite directions; every tap also has a sine of its own whose rate and depth differ
    from tap to tap by reciprocal factors, so every tap's vibrato bends the pitch equally
    while the sines drift apart in phase. */
struct Mode16Tap
{
    static constexpr int tapsPerChannel = 8;
    static constexpr auto arrangement = QuillmorChorusEngine::TapArrangement::separateFeedback;
};

template <>
void QuillmorChorusEngine::modulateTaps<Mode16Tap> (float detuneDepth, float vibratoDepth, float* offsetsLeft, float* offsetsRight) noexcept
{
    namespace mod = quillmor::tapmodulation;
    mod::setTriangleDetune<Mode16Tap::tapsPerChannel, false> (detuneLfos, detuneDepth, offsetsLeft, offsetsRight);
    mod::addSineVibrato<Mode16Tap::tapsPerChannel, mod::VibratoProduct::sineTimesScaledDepth> (
        vibratoLfos[0], vibratoLfos[1], vibratoDepthScalesLeft, vibratoDepthScalesRight, vibratoDepth, offsetsLeft, offsetsRight);
}

void QuillmorChorusEngine::process16TapBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode16Tap, false, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process16TapDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode16Tap, true, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process16TapBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode16Tap, false, true> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process16TapDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode16Tap, true, true> (inputs, outputs, numSamples);
}
