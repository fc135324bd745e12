#pragma once

#include "QuillmorNoise.h"

#include <cmath>
#include <cstdint>

/** A triangle oscillator whose phase can reverse direction at random moments.

    `value` is a phase in (0, 4]; the triangle itself is |value - 2|, from 0 to 2.
    The plain step always runs forward by `increment`; the random-direction step
    runs by the signed `slope` and, every `holdCount` steps, reverses it with
    probability 1/4. Every instance starts from the same seed, so LFOs with equal
    hold counts reverse together. The owner steps it once per control block.
*/
class QuillmorSlowLfo
{
public:
    /** Phase 0, increment and slope 0.001, hold count and counter 20869, seed 1235. */
    QuillmorSlowLfo() = default;

    /** Sets the speed to rate hz when stepped controlRate times per second; keeps the slope's direction. */
    void setRate (float rate, float controlRate) noexcept;

    /** Sets the steps between random decisions to floor(controlRate / x); applies from the next decision. */
    void setPeriod (float x, float controlRate) noexcept;

    /** Advances the phase by `increment`. */
    void stepPlain() noexcept
    {
        value = wrap (value + increment);
    }

    /** Advances the phase by `slope`, first deciding on a reversal when the counter has run out. */
    void stepRandom() noexcept
    {
        if (counter <= 0)
        {
            seed = QuillmorNoise::nextSeed (seed);

            if (static_cast<float> (seed) * 4.656613e-10f > 0.5f)
                slope = -slope;

            counter = holdCount;
        }

        value = wrap (value + slope);
        --counter;
    }

    /** The triangle |value - 2|, from 0 to 2. */
    float triangle() const noexcept
    {
        return std::fabs (value - 2.0f);
    }

    /** Brings a phase that has just moved by less than 4 back into (0, 4]. */
    static float wrap (float phase) noexcept
    {
        if (phase >= 4.0f)
            phase -= 4.0f;

        if (phase <= 0.0f)
            phase += 4.0f;

        return phase;
    }

    float value = 0.0f;
    float increment = 0.001f;
    float slope = 0.001f;
    int32_t holdCount = 20869;
    int32_t counter = 20869;
    int32_t seed = 1235;
};
