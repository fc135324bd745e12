#include "QuillmorBlockFrame.h"

/** Two taps per channel. Tap 0 carries the channel's sine vibrato and its triangle detune;
    tap 1 carries only the inverted triangle, so the two taps of a channel drift apart and
    together. Each channel has its own triangle and sine, the right ones slower. */
struct Mode4TapEnsemble
{
    static constexpr int tapsPerChannel = 2;
    static constexpr auto arrangement = QuillmorChorusEngine::TapArrangement::separateFeedback;
};

template <>
void QuillmorChorusEngine::modulateTaps<Mode4TapEnsemble> (float detuneDepth, float vibratoDepth, float* offsetsLeft, float* offsetsRight) noexcept
{
    detuneLfos[0].stepPlain();
    const float triangleLeft = detuneLfos[0].triangle() - 1.0f;
    detuneLfos[1].stepPlain();
    const float triangleRight = detuneLfos[1].triangle() - 1.0f;

    // Read after the step: the first block already sees the start phase plus one step.
    const float sineLeft = vibratoLfos[0][1].stepRadian();
    const float sineRight = vibratoLfos[1][1].stepRadian();

    offsetsLeft[0] = (triangleLeft + 1.0f) * detuneDepth + (sineLeft + 1.0f) * vibratoDepth;
    offsetsRight[0] = (triangleRight + 1.0f) * detuneDepth + (sineRight + 1.0f) * vibratoDepth;
    offsetsLeft[1] = (1.0f - triangleLeft) * detuneDepth;
    offsetsRight[1] = (1.0f - triangleRight) * detuneDepth;
}

void QuillmorChorusEngine::process4TapEnsembleBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode4TapEnsemble, false, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process4TapEnsembleDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode4TapEnsemble, true, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process4TapEnsembleBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode4TapEnsemble, false, true> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process4TapEnsembleDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode4TapEnsemble, true, true> (inputs, outputs, numSamples);
}
