#include "QuillmorChorusEngine.h"
#include "QuillmorVector.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#if defined(__SSE__)
 #include <xmmintrin.h>
#endif

namespace
{
    /** v / sqrt(1 + v^2) over n samples (a multiple of 4) in place.

        The reciprocal square root starts from the CPU's estimate and takes one
        Newton-Raphson step, which is all the accuracy a soft clipper needs and
        far cheaper than a division and a square root per sample.
    */
    void softClip (float* x, int n) noexcept
    {
#if defined(__SSE__)
        const __m128 one = _mm_set1_ps (1.0f);
        const __m128 three = _mm_set1_ps (3.0f);
        const __m128 half = _mm_set1_ps (0.5f);

        for (int i = 0; i < n; i += 4)
        {
            const __m128 v = _mm_loadu_ps (x + i);
            const __m128 a = _mm_add_ps (one, _mm_mul_ps (v, v));
            const __m128 r0 = _mm_rsqrt_ps (a);
            const __m128 r = _mm_mul_ps (_mm_mul_ps (r0, _mm_sub_ps (three, _mm_mul_ps (_mm_mul_ps (a, r0), r0))), half);
            _mm_storeu_ps (x + i, _mm_mul_ps (v, r));
        }
#else
        for (int i = 0; i < n; ++i)
        {
            const float v = x[i];
            const float a = 1.0f + v * v;
            const float r0 = 1.0f / std::sqrt (a);
            x[i] = v * (r0 * (3.0f - a * r0 * r0) * 0.5f);
        }
#endif
    }

    /** Silences a resampler's sections and carried sample; offsets and coefficients stay. */
    void clearResampler (QuillmorHalfbandFilter& resampler) noexcept
    {
        for (auto* chain : { resampler.chainA, resampler.chainB })
            for (int i = 0; i < QuillmorHalfbandFilter::maxSections; ++i)
                chain[i].state = 0.0f;

        resampler.carry = 0.0f;
    }
} // namespace

bool QuillmorChorusEngine::allFinite (const float* x, int n) noexcept
{
    // An all-ones exponent (Inf or NaN) carries into the sign bit when one exponent
    // step is added; OR-ing the integer words vectorises, unlike a float test.
    uint32_t flags = 0;

    for (int i = 0; i < n; ++i)
    {
        uint32_t bits;
        std::memcpy (&bits, x + i, sizeof (bits));
        flags |= (bits & 0x7f800000u) + 0x00800000u;
    }

    return (flags & 0x80000000u) == 0;
}

void QuillmorChorusEngine::runDriveChains (float* const* signal, float* const* result) noexcept
{
    namespace vec = quillmor::vec;
    constexpr int n = controlBlockSize;
    constexpr int n2 = 2 * controlBlockSize;

    float* const oversampled[2] = { oversampledBuffers[0], oversampledBuffers[1] };

    QuillmorFirstOrderFilter::processPair (driveHighpassFilters, signal, n);
    vec::scalarMultiply (signal[0], driveInputGain, result[0], n);
    vec::scalarMultiply (signal[1], driveInputGain, result[1], n);

    QuillmorHalfbandFilter::upsamplePair (driveUpsamplers, result, oversampled, n2, n);

    for (int ch = 0; ch < 2; ++ch)
    {
        float* noise = oversampledBuffers[2 + ch];
        softClip (oversampled[ch], n2);
        noises[ch].generate (noise, n2);
        vec::scalarMultiplyAdd (noise, driveNoiseGain, oversampled[ch], oversampled[ch], n2);
        driveHighCutFilters[ch].lowpass (oversampled[ch], n2, highCutCoefficient2x);
    }

    QuillmorHalfbandFilter::downsamplePair (driveDownsamplers, oversampled, result, n2, n);

    for (int ch = 0; ch < 2; ++ch)
        vec::scalarMultiply (result[ch], driveOutputGain, result[ch], n);
}

void QuillmorChorusEngine::applyCrossoverAndWidth() noexcept
{
    namespace vec = quillmor::vec;
    constexpr int n = controlBlockSize;

    for (int ch = 0; ch < 2; ++ch)
    {
        vec::copy (blockBuffers[ch], crossoverLowBuffers[ch], n);
        spatialXoverFilters[ch].lowpass (crossoverLowBuffers[ch], n, spatialXoverCoefficient);
        vec::subtract (blockBuffers[ch], crossoverLowBuffers[ch], crossoverHighBuffers[ch], n);
    }

    // Below the crossover the width stops at 100 %; above it the full 0 to 200 % applies.
    for (int ch = 0; ch < 2; ++ch)
    {
        const int other = 1 - ch;
        float* out = fifoBuffers[ch];
        vec::scalarMultiply (crossoverLowBuffers[ch], widthSinNarrow, out, n);
        vec::scalarMultiplyAdd (crossoverLowBuffers[other], widthCosNarrow, out, out, n);
        vec::scalarMultiplyAdd (crossoverHighBuffers[ch], widthSin, out, out, n);
        vec::scalarMultiplyAdd (crossoverHighBuffers[other], widthCos, out, out, n);
    }
}

void QuillmorChorusEngine::clearSignalStateAfterFault() noexcept
{
    // An Inf or NaN would otherwise circulate for ever: several of these states are
    // cleared by nothing else. Clearing all of them brings the output back at once.
    reset();

    for (int ch = 2; ch < 4; ++ch)
    {
        highCutFilters[ch].reset();
        allpassPoleFilters[ch].reset();
    }

    for (auto& filter : driveHighCutFilters)
        filter.reset();

    for (auto* resamplers : { driveUpsamplers, driveDownsamplers, halfSpeedDownsamplers })
    {
        clearResampler (resamplers[0]);
        clearResampler (resamplers[1]);
    }

    for (auto& resampler : halfSpeedUpsamplers)
        clearResampler (resampler);
}
