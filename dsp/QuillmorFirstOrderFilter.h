#pragma once

#include "QuillmorVector.h"

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
        processChannels<1> (this, &x, n);
    }

    /** Filters n samples of x[c] through pair[c] in place for both c, with exactly the
        results of two process calls: the two recursions run side by side. */
    static void processPair (QuillmorFirstOrderFilter* pair, float* const* x, int n) noexcept
    {
        processChannels<2> (pair, x, n);
    }

    float a1 = 0.0f;
    float b0 = 1.0f;
    float b1 = 0.0f;
    float s = 0.0f;

private:
    /** The recursion of `channels` filters, filter c in lane c of one vector. The words are
        copied into registers first: x may alias the members, so the compiler would otherwise
        reload them and store the state on every sample. */
    template <int channels>
    static void processChannels (QuillmorFirstOrderFilter* filters, float* const* x, int n) noexcept
    {
        using Floats = quillmor::vec::detail::Floats;
        Floats c0 = {}, c1 = {}, d1 = {}, state = {};

        for (int ch = 0; ch < channels; ++ch)
        {
            c0[ch] = filters[ch].b0;
            c1[ch] = filters[ch].b1;
            d1[ch] = filters[ch].a1;
            state[ch] = filters[ch].s;
        }

        // Unrolled: the recursion itself is short, the loop's own count and branch are not.
        #pragma GCC unroll 16
        for (int i = 0; i < n; ++i)
        {
            Floats in = {};
            for (int ch = 0; ch < channels; ++ch)
                in[ch] = x[ch][i];

            const Floats y = c0 * in + state;
            state = c1 * in - d1 * y;

            for (int ch = 0; ch < channels; ++ch)
                x[ch][i] = y[ch];
        }

        for (int ch = 0; ch < channels; ++ch)
            filters[ch].s = state[ch];
    }
};
