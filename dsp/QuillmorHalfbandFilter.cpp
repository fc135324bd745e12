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

void QuillmorHalfbandFilter::runChain (Section* chain, const float* in, float* out, int n) noexcept
{
    for (int k = 0; k < sectionCount; ++k)
    {
        Section& section = chain[k];
        const float* source = k == 0 ? in : out;
        const float c = section.coefficient;
        const float d = section.antiDenormal;
        float s = section.state;

        for (int i = 0; i < n; ++i)
        {
            const float t = source[i] + d - c * s;
            out[i] = c * t + s;
            s = t;
        }

        section.state = s;
        section.antiDenormal = -d;
    }
}

void QuillmorHalfbandFilter::upsample (const float* in, float* out, int nOut, int nIn) noexcept
{
    float* const w0 = buffers[0];
    float* const w1 = buffers[1];
    float* const w2 = buffers[2];
    float* const w3 = buffers[3];

    runChain (chainA, in, w0, nIn);
    runChain (chainB, in, w1, nIn);

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

    runChain (chainA, w0, w0, nOut);
    runChain (chainB, w1, w1, nOut);

    quillmor::vec::add (w0, w1, w2, nOut);
    quillmor::vec::scalarMultiply (w2, 0.5f, out, nOut);
}
