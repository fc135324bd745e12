#pragma once

#include "QuillmorSineLfo.h"
#include "QuillmorSlowLfo.h"

/*  Modulation patterns that several chorus modes share, so that each is written once.

    Every function steps its LFOs once (the owner calls it once per control block)
    and writes or adds tap offsets in delay-line samples. Depths arrive already
    scaled for the routine's speed. Offsets never go negative: each term swings
    from 0 to twice its depth.
*/
namespace quillmor::tapmodulation
{
    /** Steps slow LFO i for each of `taps` tap pairs and sets the pair's detune offsets
        (samples): (1 + t) x depth on the left tap, (1 - t) x depth on the right, with t the
        LFO's triangle from -1 to 1. With `randomReversal` the LFOs run their random-direction
        step, otherwise the plain forward step. */
    template <int taps, bool randomReversal>
    inline void setTriangleDetune (QuillmorSlowLfo* lfos, float depth, float* left, float* right) noexcept
    {
        for (int i = 0; i < taps; ++i)
        {
            if constexpr (randomReversal)
                lfos[i].stepRandom();
            else
                lfos[i].stepPlain();

            const float t = lfos[i].triangle() - 1.0f;
            left[i] = (1.0f + t) * depth;
            right[i] = (1.0f - t) * depth;
        }
    }

    /** Where a tap's own depth factor enters the vibrato term. */
    enum class VibratoProduct
    {
        sineTimesDepthTimesFactor,   ///< ((1 + s) x depth) x factor
        sineTimesScaledDepth         ///< (1 + s) x (depth x factor)
    };

    /** Steps the radian phase of each tap's left and then right sine LFO (tap 0 first) and
        adds the vibrato term (samples) to the tap's offset: (1 + s) x depth x the tap's depth
        factor of that channel, s the sine of the new phase. */
    template <int taps, VibratoProduct product>
    inline void addSineVibrato (QuillmorSineLfo* leftLfos, QuillmorSineLfo* rightLfos,
                                const float* leftFactors, const float* rightFactors,
                                float depth, float* left, float* right) noexcept
    {
        for (int i = 0; i < taps; ++i)
        {
            const float sineLeft = leftLfos[i].stepRadian();
            const float sineRight = rightLfos[i].stepRadian();

            if constexpr (product == VibratoProduct::sineTimesDepthTimesFactor)
            {
                left[i] = left[i] + (1.0f + sineLeft) * depth * leftFactors[i];
                right[i] = right[i] + (1.0f + sineRight) * depth * rightFactors[i];
            }
            else
            {
                left[i] = left[i] + (1.0f + sineLeft) * (depth * leftFactors[i]);
                right[i] = right[i] + (1.0f + sineRight) * (depth * rightFactors[i]);
            }
        }
    }

    /** Reads a sine LFO's table phase at its current angle and at 60 and 120 degrees ahead
        (three values from -1 to 1 into `phases`), then advances it. The two later readings
        come from the sine and the quadrature cosine, so one table lookup pair serves all three. */
    inline void readThreePhases (QuillmorSineLfo& lfo, float* phases) noexcept
    {
        float sine, cosine;
        lfo.stepTable (sine, cosine);
        phases[0] = sine;
        phases[1] = 0.5f * sine + 0.8660254f * cosine;
        phases[2] = -0.5f * sine + 0.8660254f * cosine;
    }

    /** Reads the left and then the right LFO at three phases 60 degrees apart, one per tap,
        and adds ((p + 1) x depth) x leftFactor to left tap i and (p + 1) x depth to right
        tap i (samples). */
    inline void addThreePhaseSines (QuillmorSineLfo& leftLfo, QuillmorSineLfo& rightLfo, float depth,
                                    float leftFactor, float* left, float* right) noexcept
    {
        float phases[3];

        readThreePhases (leftLfo, phases);
        for (int i = 0; i < 3; ++i)
            left[i] = left[i] + (phases[i] + 1.0f) * depth * leftFactor;

        readThreePhases (rightLfo, phases);
        for (int i = 0; i < 3; ++i)
            right[i] = right[i] + (phases[i] + 1.0f) * depth;
    }
} // namespace quillmor::tapmodulation
