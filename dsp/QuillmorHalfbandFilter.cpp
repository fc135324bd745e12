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

void QuillmorHalfbandFilter::runChains (const float* inA, const float* inB, float* outA, float* outB, int n) noexcept
{
    // The two chains run side by side in the lanes of one vector (A in lane 0, B in
    // lane 1), sample by sample through all four sections: one vector operation does
    // the work of two, and every section's recursion stays in registers.
    using Floats = quillmor::vec::detail::Floats;
    Floats c[maxSections], d[maxSections], s[maxSections];

    for (int k = 0; k < maxSections; ++k)
    {
        c[k] = Floats { chainA[k].coefficient, chainB[k].coefficient, 0.0f, 0.0f };
        d[k] = Floats { chainA[k].antiDenormal, chainB[k].antiDenormal, 0.0f, 0.0f };
        s[k] = Floats { chainA[k].state, chainB[k].state, 0.0f, 0.0f };
    }

    for (int i = 0; i < n; ++i)
    {
        Floats x = { inA[i], inB[i], 0.0f, 0.0f };

        for (int k = 0; k < maxSections; ++k)
        {
            const Floats t = x + d[k] - c[k] * s[k];
            x = c[k] * t + s[k];
            s[k] = t;
        }

        outA[i] = x[0];
        outB[i] = x[1];
    }

    for (int k = 0; k < maxSections; ++k)
    {
        chainA[k].state = s[k][0];
        chainB[k].state = s[k][1];
        chainA[k].antiDenormal = -chainA[k].antiDenormal;
        chainB[k].antiDenormal = -chainB[k].antiDenormal;
    }
}

void QuillmorHalfbandFilter::upsample (const float* in, float* out, int nOut, int nIn) noexcept
{
    float* const w0 = buffers[0];
    float* const w1 = buffers[1];
    float* const w2 = buffers[2];
    float* const w3 = buffers[3];

    runChains (in, in, w0, w1, nIn);

    for (int i = 0; i < nIn; ++i)
    {
        w2[2 * i] = w0[i];
        w2[2 * i + 1] = 0.0f;
        w3[2 * i] = w1[i];
        w3[2 * i + 1] = 0.0f;
    }

    // Chain B's samples, one high-rate sample late, fill the gaps between chain A's.
    for (int j = 0; j < nOut; ++j)
    {
        w0[j] = carry;
        carry = w3[j];
    }

    quillmor::vec::add (w0, w2, out, nOut);
}

void QuillmorHalfbandFilter::downsample (const float* in, float* out, int nIn, int nOut) noexcept
{
    float* const w0 = buffers[0];
    float* const w1 = buffers[1];
    float* const w2 = buffers[2];

    for (int i = 0; i < nOut; ++i)
        w0[i] = in[2 * i];

    for (int j = 0; j < nIn; ++j)
    {
        w2[j] = carry;
        carry = in[j];
    }

    for (int i = 0; i < nOut; ++i)
        w1[i] = w2[2 * i];

    runChains (w0, w1, w0, w1, nOut);

    quillmor::vec::add (w0, w1, w2, nOut);
    quillmor::vec::scalarMultiply (w2, 0.5f, out, nOut);
}
