#include "QuillmorBlockFrame.h"
#include "QuillmorTapModulation.h"

/** Two three-voice ensembles, one per channel. Each channel has a detune sine and a vibrato
    sine, each read at 0, 60 and 120 degrees for the channel's three taps; the right sines run
    slower, so the ensembles drift against each other. The left vibrato swings 0.857 as far,
    which keeps both channels' vibrato equally fast. */
struct ModeDualEnsemble
{
    static constexpr int tapsPerChannel = 3;
    static constexpr auto arrangement = QuillmorChorusEngine::TapArrangement::separateFeedback;
};

template <>
void QuillmorChorusEngine::modulateTaps<ModeDualEnsemble> (float detuneDepth, float vibratoDepth, float* offsetsLeft, float* offsetsRight) noexcept
{
    namespace mod = quillmor::tapmodulation;

    for (int i = 0; i < 3; ++i)
        offsetsLeft[i] = offsetsRight[i] = 0.0f;

    mod::addThreePhaseSines (vibratoLfos[0][0], vibratoLfos[1][0], detuneDepth, 1.0f, offsetsLeft, offsetsRight);
    mod::addThreePhaseSines (vibratoLfos[0][1], vibratoLfos[1][1], vibratoDepth, 0.857f, offsetsLeft, offsetsRight);
}

void QuillmorChorusEngine::processDualEnsembleBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<ModeDualEnsemble, false, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::processDualEnsembleDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<ModeDualEnsemble, true, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::processDualEnsembleBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<ModeDualEnsemble, false, true> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::processDualEnsembleDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<ModeDualEnsemble, true, true> (inputs, outputs, numSamples);
}
