#include "QuillmorBlockFrame.h"

/** Eight taps per channel, all moved by the same two sines, each tap at its own phase:
    the left taps at the even multiples of pi/8, the right taps at the odd ones, so no two
    of the sixteen taps move together. */
struct Mode16Phase
{
    static constexpr int tapsPerChannel = QuillmorChorusEngine::numPhases;
    static constexpr auto arrangement = QuillmorChorusEngine::TapArrangement::separateFeedback;
};

namespace
{
    /** (1 + sin (theta + phi)) x depth for each of eight taps, from the LFO's sine and cosine
        at theta and each tap's fixed sin phi and cos phi; one table read serves every tap.
        Written into `offsets`, or added to them with `accumulate`. */
    template <bool accumulate>
    void phasedSine (float sine, float cosine, const float* phaseSin, const float* phaseCos, float depth, float* offsets) noexcept
    {
        for (int k = 0; k < Mode16Phase::tapsPerChannel; ++k)
        {
            const float term = (cosine * phaseSin[k] + sine * phaseCos[k] + 1.0f) * depth;
            offsets[k] = accumulate ? offsets[k] + term : term;
        }
    }
} // namespace

template <>
void QuillmorChorusEngine::modulateTaps<Mode16Phase> (float detuneDepth, float vibratoDepth, float* offsetsLeft, float* offsetsRight) noexcept
{
    // The sum of products can round a hair below -1 + 1 (about -1.2e-7 at worst), so a tap
    // with no delay and a very large depth asks for a slightly negative delay; the delay
    // line's reads hold every delay at 0 or more.
    float sine, cosine;

    vibratoLfos[0][0].stepTable (sine, cosine);
    phasedSine<false> (sine, cosine, phaseSinLeft, phaseCosLeft, detuneDepth, offsetsLeft);
    phasedSine<false> (sine, cosine, phaseSinRight, phaseCosRight, detuneDepth, offsetsRight);

    vibratoLfos[0][1].stepTable (sine, cosine);
    phasedSine<true> (sine, cosine, phaseSinLeft, phaseCosLeft, vibratoDepth, offsetsLeft);
    phasedSine<true> (sine, cosine, phaseSinRight, phaseCosRight, vibratoDepth, offsetsRight);
}

void QuillmorChorusEngine::process16PhaseBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode16Phase, false, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process16PhaseDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode16Phase, true, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process16PhaseBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode16Phase, false, true> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process16PhaseDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode16Phase, true, true> (inputs, outputs, numSamples);
}
