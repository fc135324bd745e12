#include "QuillmorBlockFrame.h"
#include "QuillmorTapModulation.h"

/** Sixteen taps per channel. Each tap pair shares a triangle that moves its two taps in
    opposite directions; every tap also has a sine of its own whose rate and depth differ
    from tap to tap by reciprocal factors, so every tap's vibrato bends the pitch equally
    while the sines drift apart in phase. */
struct Mode32Tap
{
    static constexpr int tapsPerChannel = 16;
    static constexpr auto arrangement = QuillmorChorusEngine::TapArrangement::separateFeedback;
};

template <>
void QuillmorChorusEngine::modulateTaps<Mode32Tap> (float detuneDepth, float vibratoDepth, float* offsetsLeft, float* offsetsRight) noexcept
{
    namespace mod = quillmor::tapmodulation;
    mod::setTriangleDetune<Mode32Tap::tapsPerChannel, false> (detuneLfos, detuneDepth, offsetsLeft, offsetsRight);
    mod::addSineVibrato<Mode32Tap::tapsPerChannel, mod::VibratoProduct::sineTimesScaledDepth> (
        vibratoLfos[0], vibratoLfos[1], vibratoDepthScalesLeft, vibratoDepthScalesRight, vibratoDepth, offsetsLeft, offsetsRight);
}

void QuillmorChorusEngine::process32TapBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode32Tap, false, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process32TapDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode32Tap, true, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process32TapBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode32Tap, false, true> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process32TapDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode32Tap, true, true> (inputs, outputs, numSamples);
}
