#include "QuillmorHalfbandFilter.h"
#include "QuillmorVector.h"

#include <cstdlib>

namespace
{
    // One halfband design split over the two chains: the coefficients only
    // give the response as a set, never chain by chain.
    constexpr float chainACoefficients[QuillmorHalfbandFilter::maxSections] = { 0.03583279f, 0.27204013f, 0.5720572f, 0.8271248f };
    constexpr float chainBCoefficients[QuillmorHalfbandFilter::maxSections] = { 0.13409014f, 0.42432487f, 0.70629215f, 0.9415031f };
}

QuillmorHalfbandFilter::QuillmorHalfbandFilter()
{
    for (int k = 0; k < maxSections; ++k)
    {
        chainA[k].coefficient = chainACoefficients[k];
        chainB[k].coefficient = chainBCoefficients[k];
    }

    for (auto*& buffer : buffers)
    {
        buffer = static_cast<float*> (std::malloc (bufferSize * sizeof (float)));
        quillmor::vec::clear (buffer, bufferSize);
    }
}

QuillmorHalfbandFilter::~QuillmorHalfbandFilter()
{
    for (auto* buffer : buffers)
        std::free (buffer);
}

namespace
{
    using Filter = QuillmorHalfbandFilter;
    using Floats = quillmor::vec::detail::Floats;
    constexpr int sections = Filter::maxSections;

    /** Runs chain A of filters[c] over inA[c] into outA[c] and its chain B over inB[c] into
        outB[c], n samples, for `channels` (1 or 2) filters at once.

        The chains run side by side in the lanes of one vector (A of filter c in lane 2c,
        B in lane 2c + 1), sample by sample through all four sections: one vector operation
        does the work of up to four, and every section's recursion stays in registers. */
    template <int channels>
    void runChains (Filter* const* filters, const float* const* inA, const float* const* inB,
                    float* const* outA, float* const* outB, int n) noexcept
    {
        Floats c[sections] = {}, d[sections] = {}, s[sections] = {};

        for (int ch = 0; ch < channels; ++ch)
        {
            for (int k = 0; k < sections; ++k)
            {
                const Filter::Section& a = filters[ch]->chainA[k];
                const Filter::Section& b = filters[ch]->chainB[k];
                c[k][2 * ch] = a.coefficient;
                c[k][2 * ch + 1] = b.coefficient;
                d[k][2 * ch] = a.antiDenormal;
                d[k][2 * ch + 1] = b.antiDenormal;
                s[k][2 * ch] = a.state;
                s[k][2 * ch + 1] = b.state;
            }
        }

        for (int i = 0; i < n; ++i)
        {
            Floats x = {};
            for (int ch = 0; ch < channels; ++ch)
            {
                x[2 * ch] = inA[ch][i];
                x[2 * ch + 1] = inB[ch][i];
            }

            for (int k = 0; k < sections; ++k)
            {
                const Floats t = x + d[k] - c[k] * s[k];
                x = c[k] * t + s[k];
                s[k] = t;
            }

            for (int ch = 0; ch < channels; ++ch)
            {
                outA[ch][i] = x[2 * ch];
                outB[ch][i] = x[2 * ch + 1];
            }
        }

        for (int ch = 0; ch < channels; ++ch)
        {
            for (int k = 0; k < sections; ++k)
            {
                Filter::Section& a = filters[ch]->chainA[k];
                Filter::Section& b = filters[ch]->chainB[k];
                a.state = s[k][2 * ch];
                b.state = s[k][2 * ch + 1];
                a.antiDenormal = -a.antiDenormal;
                b.antiDenormal = -b.antiDenormal;
            }
        }
    }

    template <int channels>
    void upsampleChannels (Filter* const* filters, const float* const* in, float* const* out, int nOut, int nIn) noexcept
    {
        float* w0[channels];
        float* w1[channels];

        for (int ch = 0; ch < channels; ++ch)
        {
            w0[ch] = filters[ch]->buffers[0];
            w1[ch] = filters[ch]->buffers[1];
        }

        runChains<channels> (filters, in, in, w0, w1, nIn);

        for (int ch = 0; ch < channels; ++ch)
        {
            Filter& filter = *filters[ch];
            float* const w2 = filter.buffers[2];
            float* const w3 = filter.buffers[3];

            for (int i = 0; i < nIn; ++i)
            {
                w2[2 * i] = w0[ch][i];
                w2[2 * i + 1] = 0.0f;
                w3[2 * i] = w1[ch][i];
                w3[2 * i + 1] = 0.0f;
            }

            // Chain B's samples, one high-rate sample late, fill the gaps between chain A's.
            for (int j = 0; j < nOut; ++j)
            {
                w0[ch][j] = filter.carry;
                filter.carry = w3[j];
            }

            quillmor::vec::add (w0[ch], w2, out[ch], nOut);
        }
    }

    template <int channels>
    void downsampleChannels (Filter* const* filters, const float* const* in, float* const* out, int nIn, int nOut) noexcept
    {
        float* w0[channels];
        float* w1[channels];

        for (int ch = 0; ch < channels; ++ch)
        {
            Filter& filter = *filters[ch];
            w0[ch] = filter.buffers[0];
            w1[ch] = filter.buffers[1];
            float* const w2 = filter.buffers[2];

            for (int i = 0; i < nOut; ++i)
                w0[ch][i] = in[ch][2 * i];

            for (int j = 0; j < nIn; ++j)
            {
                w2[j] = filter.carry;
                filter.carry = in[ch][j];
            }

            for (int i = 0; i < nOut; ++i)
                w1[ch][i] = w2[2 * i];
        }

        runChains<channels> (filters, w0, w1, w0, w1, nOut);

        for (int ch = 0; ch < channels; ++ch)
        {
            float* const w2 = filters[ch]->buffers[2];
            quillmor::vec::add (w0[ch], w1[ch], w2, nOut);
            quillmor::vec::scalarMultiply (w2, 0.5f, out[ch], nOut);
        }
    }
} // namespace

void QuillmorHalfbandFilter::upsample (const float* in, float* out, int nOut, int nIn) noexcept
{
    Filter* const self = this;
    upsampleChannels<1> (&self, &in, &out, nOut, nIn);
}

void QuillmorHalfbandFilter::downsample (const float* in, float* out, int nIn, int nOut) noexcept
{
    Filter* const self = this;
    downsampleChannels<1> (&self, &in, &out, nIn, nOut);
}

void QuillmorHalfbandFilter::upsamplePair (QuillmorHalfbandFilter* pair, const float* const* in, float* const* out,
                                           int nOut, int nIn) noexcept
{
    Filter* const filters[2] = { pair, pair + 1 };
    upsampleChannels<2> (filters, in, out, nOut, nIn);
}

void QuillmorHalfbandFilter::downsamplePair (QuillmorHalfbandFilter* pair, const float* const* in, float* const* out,
                                             int nIn, int nOut) noexcept
{
    Filter* const filters[2] = { pair, pair + 1 };
    downsampleChannels<2> (filters, in, out, nIn, nOut);
}
