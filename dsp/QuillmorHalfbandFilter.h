#pragma once

/** A 2x resampler built from a polyphase IIR halfband lowpass.

    Two chains of four first-order allpass sections run at the low rate; their
    sum, one chain delayed by a high-rate sample, is a halfband lowpass that is
    flat to 0.23 of the high rate and at least 106 dB down from 0.28 of it.
    Upsampling takes chain A as the even and chain B as the odd high-rate
    samples; downsampling feeds the even samples to A, the odd ones (one sample
    late, carried across blocks) to B and averages. Each instance serves one
    direction only; its states run on for its whole life.
*/
class QuillmorHalfbandFilter
{
public:
    /** One first-order allpass (c + z^-1) / (1 + c z^-1) with its own alternating input offset. */
    struct Section
    {
        float coefficient = 0.0f;
        float state = 0.0f;
        /** Added to every input sample; flips sign after every block so decaying states never go denormal. */
        float antiDenormal = 1e-15f;
    };

    /** Sets the fixed coefficients and allocates and clears the four work buffers. */
    QuillmorHalfbandFilter();
    /** Releases the work buffers. */
    ~QuillmorHalfbandFilter();

    QuillmorHalfbandFilter (const QuillmorHalfbandFilter&) = delete;
    QuillmorHalfbandFilter& operator= (const QuillmorHalfbandFilter&) = delete;

    /** Turns nIn low-rate samples into nOut = 2 nIn high-rate samples (nOut at most 128). */
    void upsample (const float* in, float* out, int nOut, int nIn) noexcept;

    /** Turns nIn = 2 nOut high-rate samples into nOut low-rate samples (nIn at most 128). */
    void downsample (const float* in, float* out, int nIn, int nOut) noexcept;

    /** Upsamples two channels at once, in[c] through pair[c] into out[c], with exactly the
        results of two upsample calls; the chains of both run side by side. */
    static void upsamplePair (QuillmorHalfbandFilter* pair, const float* const* in, float* const* out,
                              int nOut, int nIn) noexcept;

    /** Downsamples two channels at once, in[c] through pair[c] into out[c], with exactly the
        results of two downsample calls. */
    static void downsamplePair (QuillmorHalfbandFilter* pair, const float* const* in, float* const* out,
                                int nIn, int nOut) noexcept;

    static constexpr int maxSections = 4;
    static constexpr int bufferSize = 128;

    Section chainA[maxSections];
    Section chainB[maxSections];
    /** The last high-rate sample of the previous block: the odd partner of the next block's first even sample. */
    float carry = 0.0f;
    float* buffers[4] = { nullptr, nullptr, nullptr, nullptr };
};
