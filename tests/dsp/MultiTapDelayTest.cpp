#include "QuillmorMultiTapDelay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{
    constexpr double pi = 3.14159265358979323846;

    // Drives a line the way the engine does: write the block, read one tap, advance.
    // Returns the whole output stream.
    template <typename Signal>
    std::vector<float> runEngineOrder (QuillmorMultiTapDelay& line, Signal signal, int blocks, int n,
                                       float delay, bool allpass, int tap = 0, float gain = 1.0f)
    {
        std::vector<float> out;
        float in[128], read[128];
        for (int b = 0; b < blocks; ++b)
        {
            for (int i = 0; i < n; ++i) in[i] = signal (b * n + i);
            line.writeBlock (in, n);
            if (allpass)
                line.readTapsAllpass (read, n, tap, delay, gain, 1.0f / (float) n);
            else
                line.readTapsLinear (read, n, tap, delay, gain, 1.0f / (float) n);
            line.advance (n);
            out.insert (out.end(), read, read + n);
        }
        return out;
    }

    float ramp (int t) { return (float) t + 1.0f; }
} // namespace

TEST (MultiTapDelay, AllpassTableFollowsItsFormulaWithTheTopClamped)
{
    QuillmorMultiTapDelay line;
    EXPECT_EQ (line.allpassTable[0], 0.99f);
    EXPECT_EQ (line.allpassTable[1], 0.99f);
    EXPECT_FLOAT_EQ (line.allpassTable[2], 0.9844961f);
    EXPECT_FLOAT_EQ (line.allpassTable[64], 0.6f);
    EXPECT_FLOAT_EQ (line.allpassTable[128], 0.33333334f);
    EXPECT_FLOAT_EQ (line.allpassTable[192], 0.14285715f);
    EXPECT_FLOAT_EQ (line.allpassTable[255], 0.0019569471f);

    for (int i = 2; i < 256; ++i)
    {
        const double d = i / 256.0;
        EXPECT_NEAR (line.allpassTable[i], (1.0 - d) / (1.0 + d), 2e-7) << i;
    }
}

TEST (MultiTapDelay, CapacityRoundsUpToAPowerOfTwo)
{
    QuillmorMultiTapDelay line;
    const long asked[] = { 132000, 16300, 2, 1024, 4096, 16384, 65536, 65537, 3, 2097153 };
    const int64_t expected[] = { 262144, 16384, 2, 1024, 4096, 16384, 65536, 131072, 4, 4194304 };
    for (size_t k = 0; k < sizeof (asked) / sizeof (asked[0]); ++k)
    {
        line.setCapacity (asked[k]);
        EXPECT_EQ (line.size, expected[k]) << asked[k];
        EXPECT_EQ (line.mask, expected[k] - 1);
    }

    // Nonsense sizes still leave a working ring.
    for (long bad : { 0L, -1L, -100000L, 1L })
    {
        line.setCapacity (bad);
        EXPECT_EQ (line.size, 2) << bad;
        EXPECT_EQ (line.mask, 1);
    }
    line.setCapacity (std::numeric_limits<long>::max());
    EXPECT_EQ (line.size, 1L << 24);
}

TEST (MultiTapDelay, UnchangedCapacityKeepsTheRingAChangedOneStartsSilent)
{
    QuillmorMultiTapDelay line;
    line.setCapacity (132000);
    float in[16];
    for (int i = 0; i < 16; ++i) in[i] = (float) (i + 1);
    line.writeBlock (in, 16);
    line.advance (16);
    float out[16];
    line.readTapsAllpass (out, 16, 5, 40.0f, 1.0f, 0.0625f);
    const float state = line.tapState[5];
    const int64_t position = line.writePosition;
    EXPECT_EQ (position, 262144 - 16);

    line.setCapacity (200000); // still 262144
    EXPECT_EQ (line.writePosition, position);
    EXPECT_EQ (line.ring[0], 1.0f);
    EXPECT_EQ (line.ring[262144 - 15], 16.0f);
    EXPECT_EQ (line.tapState[5], state);

    line.setCapacity (1000);
    EXPECT_EQ (line.size, 1024);
    EXPECT_EQ (line.writePosition, 0);
    EXPECT_EQ (line.tapState[5], 0.0f);
    EXPECT_EQ (line.tapDelay[5], 40.0f); // a capacity change does not forget where the taps were
    for (int64_t i = 0; i < line.size; ++i) ASSERT_EQ (line.ring[i], 0.0f);
}

TEST (MultiTapDelay, WriteStoresAtDecreasingIndicesAndAdvanceMovesBack)
{
    QuillmorMultiTapDelay line;
    line.setCapacity (64);
    float in[8] = { 1, 2, 3, 4, 5, 6, 7, 8 };
    line.writeBlock (in, 8);
    EXPECT_EQ (line.writePosition, 0);
    EXPECT_EQ (line.ring[0], 1.0f);
    EXPECT_EQ (line.ring[63], 2.0f);
    EXPECT_EQ (line.ring[57], 8.0f);
    line.advance (8);
    EXPECT_EQ (line.writePosition, 56);
}

TEST (MultiTapDelay, NewLineReadsSilenceAndFirstReadGlidesFrom100)
{
    QuillmorMultiTapDelay line;
    EXPECT_EQ (line.size, 32768);
    EXPECT_EQ (line.mask, 32767);
    EXPECT_EQ (line.writePosition, 0);
    float out[16];
    line.readTapsLinear (out, 16, 0, 36.0f, 1.0f, 0.0625f);
    for (float v : out) EXPECT_EQ (v, 0.0f);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR (line.delays[i], 100.0 - 4.0 * (i + 1), 1e-4) << i;
    EXPECT_EQ (line.tapDelay[0], 36.0f);

    line.readTapsAllpass (out, 16, 1, 10.0f, 1.0f, 0.0625f);
    for (float v : out) EXPECT_EQ (v, 0.0f);
}

TEST (MultiTapDelay, LinearReadAtWholeAndHalfDelaysAcrossBlocks)
{
    for (int n : { 16, 8 })
    {
        QuillmorMultiTapDelay line;
        line.tapDelay[0] = 5.0f;
        const auto out = runEngineOrder (line, ramp, 12, n, 5.0f, false);
        for (size_t t = 5; t < out.size(); ++t)
            ASSERT_EQ (out[t], ramp ((int) t - 5)) << "n " << n << " t " << t;

        QuillmorMultiTapDelay half;
        half.tapDelay[2] = 20.5f;
        const auto mean = runEngineOrder (half, [] (int t) { return (float) (t * t % 37); }, 12, n, 20.5f, false, 2);
        for (int t = 21; t < (int) mean.size(); ++t)
        {
            const float a = (float) ((t - 20) * (t - 20) % 37), b = (float) ((t - 21) * (t - 21) % 37);
            ASSERT_FLOAT_EQ (mean[(size_t) t], 0.5f * (a + b)) << t;
        }
    }
}

TEST (MultiTapDelay, GlidingTapReadsARampAtEveryIntermediateDelay)
{
    // Linear interpolation of a ramp is exact, so the output shows the glided delay
    // itself: output = input time - delay.
    for (int n : { 16, 8 })
    {
        QuillmorMultiTapDelay line;
        float in[16], out[16];
        int t = 0;
        for (int b = 0; b < 8; ++b, t += n)
        {
            for (int i = 0; i < n; ++i) in[i] = (float) (t + i);
            line.writeBlock (in, n);
            line.readTapsLinear (out, n, 3, 30.0f, 1.0f, 1.0f / (float) n);
            line.advance (n);
        }
        line.tapDelay[3] = 10.0f;
        for (int i = 0; i < n; ++i) in[i] = (float) (t + i);
        line.writeBlock (in, n);
        line.readTapsLinear (out, n, 3, 22.0f, 1.0f, 1.0f / (float) n);
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR (out[i], (float) (t + i) - (10.0f + 12.0f * (float) (i + 1) / (float) n), 1e-3) << i;
        EXPECT_EQ (line.tapDelay[3], 22.0f);
        line.advance (n);
        t += n;

        // The next read at the same delay holds it for the whole block.
        for (int i = 0; i < n; ++i) in[i] = (float) (t + i);
        line.writeBlock (in, n);
        line.readTapsLinear (out, n, 3, 22.0f, 0.5f, 1.0f / (float) n);
        for (int i = 0; i < n; ++i)
            EXPECT_FLOAT_EQ (out[i], 0.5f * ((float) (t + i) - 22.0f)) << i;
    }
}

TEST (MultiTapDelay, AllpassReadAtWholeDelayUsesTheClampedCoefficient)
{
    // At a fraction of 0 the coefficient is 0.99: y[t] = 0.99 (x[t-D] - y[t-1]) + x[t-D-1].
    QuillmorMultiTapDelay line;
    line.tapDelay[0] = 3.0f;
    auto signal = [] (int t) { return t == 0 ? 1.0f : 0.0f; };
    const auto out = runEngineOrder (line, signal, 4, 16, 3.0f, true);

    double y = 0.0;
    for (int t = 0; t < (int) out.size(); ++t)
    {
        const double x0 = t - 3 >= 0 ? signal (t - 3) : 0.0;
        const double x1 = t - 4 >= 0 ? signal (t - 4) : 0.0;
        y = 0.99 * (x0 - y) + x1;
        ASSERT_NEAR (out[(size_t) t], y, 1e-6) << t;
    }
    EXPECT_EQ (line.tapState[0], out.back());

    QuillmorMultiTapDelay steady;
    steady.tapDelay[0] = 7.0f;
    const auto constant = runEngineOrder (steady, [] (int) { return 0.8f; }, 200, 16, 7.0f, true);
    EXPECT_NEAR (constant.back(), 0.8f, 1e-5f);
}

TEST (MultiTapDelay, BothReadersDelaySlowSinesByTheFractionalDelay)
{
    // For low frequencies the allpass read delays by whole + fraction (quantised to 1/256).
    const double hz = 200.0, fs = 48000.0;
    auto sine = [=] (int t) { return (float) std::sin (2.0 * pi * hz * t / fs); };
    for (bool allpass : { true, false })
        for (float delay : { 10.25f, 57.75f, 300.5f })
        {
            QuillmorMultiTapDelay line;
            line.tapDelay[4] = delay;
            const auto out = runEngineOrder (line, sine, 100, 16, delay, allpass, 4, 0.5f);
            for (int t = 1000; t < (int) out.size(); t += 37)
                ASSERT_NEAR (out[(size_t) t], 0.5 * std::sin (2.0 * pi * hz * (t - delay) / fs), 2e-3)
                    << (allpass ? "allpass " : "linear ") << delay << " t " << t;
        }
}

TEST (MultiTapDelay, ReadsWrapAcrossTheStartOfTheRing)
{
    QuillmorMultiTapDelay line;
    line.setCapacity (64); // 16-sample blocks wrap every four blocks
    line.tapDelay[0] = 37.0f;
    const auto out = runEngineOrder (line, ramp, 20, 16, 37.0f, false);
    for (size_t t = 37; t < out.size(); ++t)
        ASSERT_EQ (out[t], ramp ((int) t - 37)) << t;
}

TEST (MultiTapDelay, ClearSilencesButKeepsPositionAndTapDelays)
{
    QuillmorMultiTapDelay line;
    const auto out = runEngineOrder (line, ramp, 5, 16, 12.5f, true, 7);
    ASSERT_NE (line.tapState[7], 0.0f);
    const int64_t position = line.writePosition;
    line.clear();
    EXPECT_EQ (line.writePosition, position);
    EXPECT_EQ (line.tapDelay[7], 12.5f);
    EXPECT_EQ (line.tapState[7], 0.0f);
    for (int k = 0; k < 5; ++k)
        for (int i = 0; i < QuillmorMultiTapDelay::maxBlockSize; ++i)
            ASSERT_EQ (line.scratch[k][i], 0.0f);
    for (int64_t i = 0; i < line.size; ++i) ASSERT_EQ (line.ring[i], 0.0f);

    float silence[16];
    line.readTapsAllpass (silence, 16, 7, 12.5f, 1.0f, 0.0625f);
    for (float v : silence) EXPECT_EQ (v, 0.0f);
}

TEST (MultiTapDelay, OutOfRangeDelaysAreHeldInsideTheRing)
{
    // Negative, NaN and oversized delays, asked for or left in tapDelay, read the
    // nearest delay the ring holds instead of leaving the table or the ring.
    for (bool allpass : { true, false })
    {
        QuillmorMultiTapDelay line, reference;
        line.setCapacity (64);
        reference.setCapacity (64);
        line.tapDelay[0] = reference.tapDelay[0] = 0.0f;
        const auto negative = runEngineOrder (line, ramp, 6, 16, -5.0f, allpass);
        const auto atZero = runEngineOrder (reference, ramp, 6, 16, 0.0f, allpass);
        EXPECT_EQ (line.tapDelay[0], 0.0f);
        EXPECT_EQ (negative, atZero);
        for (size_t t = 0; ! allpass && t < atZero.size(); ++t)
            ASSERT_EQ (atZero[t], ramp ((int) t)) << t;

        line.tapDelay[0] = -1.0e6f;
        float out[16];
        float in[16] = {};
        line.writeBlock (in, 16);
        allpass ? line.readTapsAllpass (out, 16, 0, 2.0f, 1.0f, 0.0625f) : line.readTapsLinear (out, 16, 0, 2.0f, 1.0f, 0.0625f);
        for (int i = 0; i < 16; ++i) ASSERT_GE (line.delays[i], 0.0f);

        allpass ? line.readTapsAllpass (out, 16, 0, std::numeric_limits<float>::quiet_NaN(), 1.0f, 0.0625f)
                : line.readTapsLinear (out, 16, 0, std::numeric_limits<float>::quiet_NaN(), 1.0f, 0.0625f);
        EXPECT_EQ (line.tapDelay[0], 0.0f);
        for (float v : out) ASSERT_TRUE (std::isfinite (v));

        allpass ? line.readTapsAllpass (out, 16, 0, 1.0e9f, 1.0f, 0.0625f) : line.readTapsLinear (out, 16, 0, 1.0e9f, 1.0f, 0.0625f);
        EXPECT_LT (line.tapDelay[0], 63.0f);
        EXPECT_GT (line.tapDelay[0], 62.99f);
        for (int i = 0; i < 16; ++i)
        {
            ASSERT_LT (line.delays[i], 63.0f);
            ASSERT_TRUE (std::isfinite (out[i]));
        }
    }
}
