#pragma once

/** A one-pole, one-zero section in transposed direct form II:
    H(z) = (b0 + b1 z^-1) / (1 + a1 z^-1).

    The engine designs into a three-float scratch triple (b0, b1, a1) and loads
    it into the filters that run, so a running filter can change its response
    without losing its state. The words stay public because the engine's block
    routines run the recursion on them directly.
*/
class QuillmorFirstOrderFilter
{
public:
    /** A new filter passes its input unchanged (b0 = 1, everything else 0). */
    QuillmorFirstOrderFilter() = default;

    /** Writes the triple (1, -1, c) of a bilinear highpass with its corner at fc Hz
        for a rate of fs Hz. The numerator is left unnormalised: the gain at half the
        rate is (1 + k) / k with k = fs / (pi fc), a hair above 1. fc and fs must be positive. */
    static void setHighpass (float* triple, float fc, float fs) noexcept;

    /** Writes the triple (c, 1, c) of a bilinear first-order allpass whose phase is
        -90 degrees at fc Hz for a rate of fs Hz. fc and fs must be positive. */
    static void setAllpass (float* triple, float fc, float fs) noexcept;

    /** Loads a design triple (b0, b1, a1) into the stored order; the state is kept. */
    void copyCoefficients (const float* design) noexcept;

    /** Stores the three coefficients; the state is kept. */
    void setCoefficients (float newA1, float newB0, float newB1) noexcept;

    /** Clears the state; the coefficients stay. */
    void reset() noexcept;

    /** Filters n samples of x in place. */
    void process (float* x, int n) noexcept
    {
        // Local copies: x may alias the members, so the compiler would otherwise reload
        // them and store the state on every sample.
        const float c0 = b0, c1 = b1, d1 = a1;
        float state = s;
        // Unrolled: the recursion itself is short, the loop's own count and branch are not.
        #pragma GCC unroll 16
        for (int i = 0; i < n; ++i)
        {
            const float in = x[i];
            const float y = c0 * in + state;
            state = c1 * in - d1 * y;
            x[i] = y;
        }
        s = state;
    }

    float a1 = 0.0f;
    float b0 = 1.0f;
    float b1 = 0.0f;
    float s = 0.0f;
};
