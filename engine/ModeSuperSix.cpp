#include "QuillmorBlockFrame.h"
#include "QuillmorTapModulation.h"

/** Three taps per channel. Three triangles, one per tap index, move the left taps in phase
    and the right taps inverted; each channel's one sine is read at 0, 60 and 120 degrees for
    its three taps. The right sine runs at 0.857 of the left one's rate, and the left taps
    swing 0.857 as far, so both channels' taps move equally fast. */
struct ModeSuperSix
{
    static constexpr int tapsPerChannel = 3;
    static constexpr auto arrangement = QuillmorChorusEngine::TapArrangement::separateFeedback;
};

template <>
void QuillmorChorusEngine::modulateTaps<ModeSuperSix> (float detuneDepth, float vibratoDepth, float* offsetsLeft, float* offsetsRight) noexcept
{
    namespace mod = quillmor::tapmodulation;
    mod::setTriangleDetune<3, false> (detuneLfos, detuneDepth, offsetsLeft, offsetsRight);
    mod::addThreePhaseSines (vibratoLfos[0][1], vibratoLfos[1][1], vibratoDepth, 0.857f, offsetsLeft, offsetsRight);
}

void QuillmorChorusEngine::processSuperSixBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<ModeSuperSix, false, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::processSuperSixDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<ModeSuperSix, true, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::processSuperSixBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<ModeSuperSix, false, true> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::processSuperSixDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<ModeSuperSix, true, true> (inputs, outputs, numSamples);
}
