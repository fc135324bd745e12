#pragma once

#include <cstdint>

/** A 32-bit linear congruential noise source for the overdrive.

    The same generator also makes the slow LFOs' random direction decisions,
    so it is exposed as `nextSeed`. The output is deliberately offset: values
    run from -3 up to 1 with a mean of -1, which the overdrive's gain and
    highpass absorb; changing the range would change the drive's colour.
*/
class QuillmorNoise
{
public:
    /** Starts from seed 1235. */
    QuillmorNoise() = default;

    /** Sets the generator state. */
    void setSeed (int newSeed) noexcept;

    /** Writes the next n noise values (in -3 .. 1) to out and keeps the advanced seed. */
    void generate (float* out, int n) noexcept;

    /** One generator step: seed x 214013 + 2531011, wrapping at 32 bits. */
    static int32_t nextSeed (int32_t current) noexcept
    {
        // Unsigned arithmetic: the wrap-around is the point, and signed overflow would be undefined.
        return static_cast<int32_t> (static_cast<uint32_t> (current) * 214013u + 2531011u);
    }

    int32_t seed = 1235;
};
