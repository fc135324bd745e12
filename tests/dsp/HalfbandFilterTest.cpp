#include "QuillmorHalfbandFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace
{
    const double pi = 3.14159265358979323846;

    // Amplitude of the component at `cycles` cycles per sample, over a window
    // holding a whole number of its cycles.
    double amplitudeAt (const std::vector<float>& x, double cycles)
    {
        double re = 0.0, im = 0.0;
        for (size_t n = 0; n < x.size(); ++n)
        {
            re += x[n] * std::cos (2.0 * pi * cycles * (double) n);
            im += x[n] * std::sin (2.0 * pi * cycles * (double) n);
        }
        return 2.0 * std::hypot (re, im) / (double) x.size();
    }

    // Downsamples a unit sine at `cycles` per input sample in 32-sample blocks;
    // returns the 4000 low-rate samples after the filter has settled.
    std::vector<float> downsampledSine (double cycles)
    {
        QuillmorHalfbandFilter filter;
        std::vector<float> kept;
        float in[32], out[16];
        long n = 0;

        for (int block = 0; block < 100 + 250; ++block)
        {
            for (float& x : in)
                x = (float) std::sin (2.0 * pi * cycles * (double) n++);
            filter.downsample (in, out, 32, 16);
            if (block >= 100)
                kept.insert (kept.end(), out, out + 16);
        }
        return kept;
    }

    // Upsamples a unit sine at `cycles` per high-rate sample in 16-sample blocks.
    std::vector<float> upsampledSine (double cycles)
    {
        QuillmorHalfbandFilter filter;
        std::vector<float> kept;
        float in[16], out[32];
        long n = 0;

        for (int block = 0; block < 100 + 100; ++block)
        {
            for (float& x : in)
                x = (float) std::sin (2.0 * pi * 2.0 * cycles * (double) n++);
            filter.upsample (in, out, 32, 16);
            if (block >= 100)
                kept.insert (kept.end(), out, out + 32);
        }
        return kept;
    }

    double decibels (double gain) { return 20.0 * std::log10 (gain); }

    // 0.5 (A(z^2) + z^-1 B(z^2)) at `cycles` of the high rate, in double precision.
    double pairResponse (const QuillmorHalfbandFilter& filter, double cycles)
    {
        const std::complex<double> zInv = std::polar (1.0, -2.0 * pi * cycles);
        const std::complex<double> zInv2 = zInv * zInv;
        std::complex<double> a = 1.0, b = 1.0;
        for (int k = 0; k < 4; ++k)
        {
            const double ca = filter.chainA[k].coefficient, cb = filter.chainB[k].coefficient;
            a *= (ca + zInv2) / (1.0 + ca * zInv2);
            b *= (cb + zInv2) / (1.0 + cb * zInv2);
        }
        return std::abs (0.5 * (a + zInv * b));
    }
}

//==============================================================================
TEST (HalfbandFilter, StartsWithTheCoefficientTableAndSmallOffsets)
{
    QuillmorHalfbandFilter filter;
    const float a[4] = { 0.03583279f, 0.27204013f, 0.5720572f, 0.8271248f };
    const float b[4] = { 0.13409014f, 0.42432487f, 0.70629215f, 0.9415031f };
    for (int k = 0; k < 4; ++k)
    {
        EXPECT_EQ (filter.chainA[k].coefficient, a[k]);
        EXPECT_EQ (filter.chainB[k].coefficient, b[k]);
        EXPECT_EQ (filter.chainA[k].state, 0.0f);
        EXPECT_EQ (filter.chainB[k].antiDenormal, 1e-15f);
    }
    EXPECT_EQ (filter.carry, 0.0f);
}

TEST (HalfbandFilter, CoefficientsGiveTheHalfbandResponse)
{
    QuillmorHalfbandFilter filter;
    for (double f = 0.0; f <= 0.23; f += 0.0005)
        ASSERT_NEAR (decibels (pairResponse (filter, f)), 0.0, 1e-5) << f;

    EXPECT_NEAR (decibels (pairResponse (filter, 0.25)), -3.0103, 0.01);
    EXPECT_NEAR (decibels (pairResponse (filter, 0.26)), -29.5, 0.5);

    for (double f = 0.28; f <= 0.5; f += 0.0005)
        ASSERT_LT (decibels (pairResponse (filter, f)), -106.0) << f;
}

TEST (HalfbandFilter, ConstantInputSettlesToOneInBothDirections)
{
    QuillmorHalfbandFilter up, down;
    float ones[32], out[32];
    std::fill (ones, ones + 32, 1.0f);

    for (int block = 0; block < 50; ++block)
    {
        up.upsample (ones, out, 32, 16);
        for (int j = 0; j < 32 && block > 20; ++j)
            ASSERT_NEAR (out[j], 1.0f, 1e-6) << j;

        down.downsample (ones, out, 32, 16);
        for (int i = 0; i < 16 && block > 20; ++i)
            ASSERT_NEAR (out[i], 1.0f, 1e-6) << i;
    }
}

TEST (HalfbandFilter, DownsamplingKeepsThePassbandAndRejectsTheStopband)
{
    // Output windows of 4000 low-rate samples hold whole cycles of every frequency below.
    for (const double f : { 0.02, 0.1, 0.2, 0.23 })
        EXPECT_NEAR (amplitudeAt (downsampledSine (f), 2.0 * f), 1.0, 2e-5) << f;

    // Across the transition band the measured gain follows the pair's transfer function;
    // above a quarter of the input rate a sine folds to 0.5 - f of the input rate.
    const QuillmorHalfbandFilter reference;
    EXPECT_NEAR (amplitudeAt (downsampledSine (0.24), 0.48), pairResponse (reference, 0.24), 1e-4);
    EXPECT_NEAR (amplitudeAt (downsampledSine (0.245), 0.49), pairResponse (reference, 0.245), 1e-4);
    EXPECT_NEAR (amplitudeAt (downsampledSine (0.255), 0.49), pairResponse (reference, 0.255), 1e-4);
    EXPECT_NEAR (decibels (amplitudeAt (downsampledSine (0.26), 0.48)), -29.5, 0.5);
    for (const double f : { 0.28, 0.3, 0.4, 0.45 })
        EXPECT_LT (decibels (amplitudeAt (downsampledSine (f), 2.0 * (0.5 - f))), -106.0) << f;
}

TEST (HalfbandFilter, UpsamplingKeepsTheSignalAndRejectsItsImage)
{
    // 3200 high-rate samples hold whole cycles of f and of its image 0.5 - f.
    for (const double f : { 0.05, 0.15, 0.22 })
    {
        const auto out = upsampledSine (f);
        EXPECT_NEAR (amplitudeAt (out, f), 1.0, 2e-5) << f;
        EXPECT_LT (decibels (amplitudeAt (out, 0.5 - f)), -106.0) << f;
    }
}

TEST (HalfbandFilter, UpsamplingTakesEvenSamplesFromChainAAndOddFromChainB)
{
    // First output samples of each chain for a unit impulse: the product of its coefficients.
    QuillmorHalfbandFilter filter;
    float in[16] = { 1.0f }, out[32];
    filter.upsample (in, out, 32, 16);

    const double a0 = 0.03583279 * 0.27204013 * 0.5720572 * 0.8271248;
    const double b0 = 0.13409014 * 0.42432487 * 0.70629215 * 0.9415031;
    EXPECT_NEAR (out[0], a0, 1e-7);
    EXPECT_NEAR (out[1], b0, 1e-7);
    EXPECT_EQ (filter.carry, 0.0f);
}

TEST (HalfbandFilter, DownsamplingPairsTheFirstEvenSampleWithThePreviousBlocksLast)
{
    QuillmorHalfbandFilter filter;
    float in[32] = {}, out[16];
    in[31] = 1.0f; // the odd partner of the next block's first even sample
    filter.downsample (in, out, 32, 16);
    EXPECT_EQ (filter.carry, 1.0f);
    for (float y : out)
        EXPECT_LT (std::fabs (y), 1e-13f);

    in[31] = 0.0f;
    filter.downsample (in, out, 32, 16);
    const double b0 = 0.13409014 * 0.42432487 * 0.70629215 * 0.9415031;
    EXPECT_NEAR (out[0], 0.5 * b0, 1e-7);
    EXPECT_EQ (filter.carry, 0.0f);
}

TEST (HalfbandFilter, BlockLengthDoesNotChangeTheResult)
{
    // The engine runs 32 -> 16 for the drive and 16 -> 8 at half speed; only the
    // tiny offsets' sign pattern depends on the block length.
    QuillmorHalfbandFilter whole, halves, upWhole, upHalves;
    std::vector<float> in (320);
    for (size_t n = 0; n < in.size(); ++n)
        in[n] = (float) std::sin (0.37 * (double) n) + 0.25f * (float) std::cos (2.9 * (double) n);

    for (size_t start = 0; start < in.size(); start += 32)
    {
        float a[16], b[16];
        whole.downsample (in.data() + start, a, 32, 16);
        halves.downsample (in.data() + start, b, 16, 8);
        halves.downsample (in.data() + start + 16, b + 8, 16, 8);
        for (int i = 0; i < 16; ++i)
            ASSERT_NEAR (a[i], b[i], 1e-12) << start + (size_t) i;

        float c[32], d[32];
        upWhole.upsample (in.data() + start, c, 32, 16);
        upHalves.upsample (in.data() + start, d, 16, 8);
        upHalves.upsample (in.data() + start + 8, d + 16, 16, 8);
        for (int j = 0; j < 32; ++j)
            ASSERT_NEAR (c[j], d[j], 1e-12) << start + (size_t) j;
    }
}

TEST (HalfbandFilter, SilenceGivesAlternatingOffsetsThatNeverGoDenormal)
{
    QuillmorHalfbandFilter filter;
    const float silence[32] = {};
    float out[16];

    // First block, first sample: each chain section sees only its +1e-15 offset
    // plus the previous section's output; its state starts at 0, so y = c (x + d).
    filter.downsample (silence, out, 32, 16);
    double a = 0.0, b = 0.0;
    for (int k = 0; k < 4; ++k)
    {
        a = filter.chainA[k].coefficient * (a + 1e-15);
        b = filter.chainB[k].coefficient * (b + 1e-15);
    }
    EXPECT_NEAR (out[0], 0.5 * (a + b), 1e-22);

    for (int k = 0; k < 4; ++k)
    {
        EXPECT_EQ (filter.chainA[k].antiDenormal, -1e-15f);
        EXPECT_EQ (filter.chainB[k].antiDenormal, -1e-15f);
    }

    for (int block = 0; block < 2000; ++block)
    {
        filter.downsample (silence, out, 32, 16);
        for (float y : out)
        {
            ASSERT_EQ (std::fpclassify (y), FP_NORMAL) << block;
            ASSERT_LT (std::fabs (y), 1e-13f) << block;
        }
    }
    EXPECT_EQ (filter.chainA[0].antiDenormal, -1e-15f); // 2001 blocks: an odd number of flips
}
