#include "QuillmorNoise.h"
#include "QuillmorSineLfo.h"
#include "QuillmorSlowLfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace
{
    const double pi = 3.14159265358979323846;

    // The generator written out in 64-bit arithmetic, reduced modulo 2^32 by hand.
    int64_t referenceNextSeed (int64_t seed)
    {
        const int64_t twoTo32 = int64_t (1) << 32;
        int64_t u = ((seed % twoTo32) + twoTo32) % twoTo32;
        u = (u * 214013 + 2531011) % twoTo32;
        return u >= (int64_t (1) << 31) ? u - twoTo32 : u;
    }

    // The sine at a 32-bit fixed-point phase, in double precision.
    double phaseSine (uint32_t phase)  { return std::sin (2.0 * pi * (double) phase / 4294967296.0); }
    double phaseCosine (uint32_t phase) { return std::cos (2.0 * pi * (double) phase / 4294967296.0); }
}

//==============================================================================
TEST (SineLfo, TableHoldsOneCycleWithTheFirstEntryRepeatedAtTheEnd)
{
    QuillmorSineLfo lfo;
    EXPECT_EQ (lfo.sineTable[0], 0.0f);
    EXPECT_EQ (lfo.sineTable[64], 1.0f);
    EXPECT_EQ (lfo.sineTable[192], -1.0f);

    for (int i = 0; i <= 256; ++i)
        EXPECT_NEAR (lfo.sineTable[i], std::sin (2.0 * pi * i / 256.0), 5e-7) << i;

    EXPECT_NEAR (lfo.sineTable[256], 0.0f, 5e-7);
    EXPECT_EQ (lfo.radianPhase, 0.0f);
    EXPECT_EQ (lfo.radianStep, 0.0f);
    EXPECT_EQ (lfo.tablePhase, 0u);
    EXPECT_EQ (lfo.tableStep, 0);
}

TEST (SineLfo, SetFrequencyTruncatesTheFixedPointStep)
{
    QuillmorSineLfo lfo;
    // 1 x 256 / 3000 x 2^24 = 1431655.765..., truncated.
    EXPECT_EQ (lfo.setFrequency (1.0f, 3000.0f), 1431655);
    EXPECT_EQ (lfo.tableStep, 1431655);
    EXPECT_NEAR (lfo.radianStep, 2.0 * pi / 3000.0, 1e-9);

    // 6 Hz at the 48 kHz control rate: 6 / 3000 of a cycle, 8589934.59 -> 8589934.
    EXPECT_NEAR ((double) lfo.setFrequency (6.0f, 3000.0f), 8589934.0, 1.0);

    // A negative frequency runs the phase backwards.
    EXPECT_EQ (lfo.setFrequency (-1.0f, 3000.0f), -1431655);
}

TEST (SineLfo, OutOfRangeFrequenciesGiveAUsableStep)
{
    QuillmorSineLfo lfo;
    EXPECT_EQ (lfo.setFrequency (3000.0f, 3000.0f), INT32_MAX);
    EXPECT_EQ (lfo.setFrequency (-3000.0f, 3000.0f), INT32_MIN);
    EXPECT_EQ (lfo.setFrequency (std::nanf (""), 3000.0f), 0);
}

TEST (SineLfo, TableReadAtPhaseZeroGivesSineZeroAndCosineOneThenSteps)
{
    QuillmorSineLfo lfo;
    lfo.setFrequency (1.0f, 3000.0f);

    float sine = -5.0f, cosine = -5.0f;
    lfo.stepTable (sine, cosine);
    EXPECT_EQ (sine, 0.0f);
    EXPECT_EQ (cosine, 1.0f);
    EXPECT_EQ (lfo.tablePhase, 1431655u); // the read came from the phase before the step
}

TEST (SineLfo, TableReadInterpolatesBetweenNeighbouringEntries)
{
    QuillmorSineLfo lfo;
    const double d = 2.0 * pi / 256.0;

    struct Case { uint32_t index; uint32_t low; double fraction; };
    const Case cases[] = { { 10, 0x400000u, 0.25 }, { 100, 0x800000u, 0.5 }, { 250, 0xc00000u, 0.75 }, { 63, 0x000001u, 1.0 / 16777216.0 } };

    for (const auto& c : cases)
    {
        lfo.tablePhase = (c.index << 24) | c.low;
        float sine, cosine;
        lfo.stepTable (sine, cosine);

        const uint32_t j = (c.index + 64) % 256;
        const double expectedSine = (1.0 - c.fraction) * std::sin (c.index * d) + c.fraction * std::sin ((c.index + 1) * d);
        const double expectedCosine = (1.0 - c.fraction) * std::sin (j * d) + c.fraction * std::sin ((j + 1) * d);
        EXPECT_NEAR (sine, expectedSine, 1e-6) << c.index;
        EXPECT_NEAR (cosine, expectedCosine, 1e-6) << c.index;
    }
}

TEST (SineLfo, LastPhaseReadsTheEndOfTheTableAndTheNextStepWraps)
{
    QuillmorSineLfo lfo;
    lfo.setFrequency (1.0f, 3000.0f);
    lfo.tablePhase = 0xffffffffu;

    float sine, cosine;
    lfo.stepTable (sine, cosine);
    // Index 255 reads entries 255 and 256: a hair below a full cycle.
    EXPECT_NEAR (sine, 0.0, 1e-6);
    EXPECT_NEAR (cosine, 1.0, 1e-6);
    EXPECT_EQ (lfo.tablePhase, 1431654u);

    // Backwards across zero lands just under 2^32.
    lfo.setFrequency (-1.0f, 3000.0f);
    lfo.tablePhase = 1000;
    EXPECT_NEAR (lfo.stepTable(), phaseSine (1000), 1e-6);
    EXPECT_EQ (lfo.tablePhase, 4294967296ull + 1000 - 1431655);
}

TEST (SineLfo, TableStepsFollowTheTrueSineAndCosineOverACycle)
{
    QuillmorSineLfo lfo;
    lfo.setFrequency (1.0f, 3000.0f);

    // Linear interpolation over 1/256 of a cycle is off by at most (2 pi / 256)^2 / 8.
    const double bound = std::pow (2.0 * pi / 256.0, 2.0) / 8.0 + 1e-6;
    uint32_t phase = 0;

    for (int k = 0; k < 3100; ++k)
    {
        float sine, cosine;
        lfo.stepTable (sine, cosine);
        ASSERT_NEAR (sine, phaseSine (phase), bound) << k;
        ASSERT_NEAR (cosine, phaseCosine (phase), bound) << k;
        phase += 1431655u;
    }
}

TEST (SineLfo, FixedPointPhaseIsExactOverLongRuns)
{
    QuillmorSineLfo lfo;
    lfo.setFrequency (375.0f, 3000.0f); // an eighth of a cycle per step: 2^29
    EXPECT_EQ (lfo.tableStep, 1 << 29);

    const float expected[8] = { 0.0f, 0.70710677f, 1.0f, 0.70710677f, 0.0f, -0.70710677f, -1.0f, -0.70710677f };
    for (int k = 0; k < 80000; ++k)
        ASSERT_NEAR (lfo.stepTable(), expected[k % 8], 5e-7) << k; // the table's own float rounding

    EXPECT_EQ (lfo.tablePhase, 0u);
}

TEST (SineLfo, RadianStepWrapsIntoOneCycleAndReadsTheNewPhase)
{
    QuillmorSineLfo lfo;
    lfo.setFrequency (1.0f, 8.0f); // pi / 4 per step

    for (int k = 1; k <= 20; ++k)
    {
        const float s = lfo.stepRadian();
        const double expectedPhase = std::fmod (k * pi / 4.0, 2.0 * pi);
        // A rounded full cycle may land just below 2 pi instead of on 0: compare around the circle.
        const double error = std::remainder ((double) lfo.radianPhase - expectedPhase, 2.0 * pi);
        ASSERT_NEAR (error, 0.0, 2e-5) << k;
        ASSERT_NEAR (s, std::sin (expectedPhase), 2e-5) << k;
        ASSERT_GE (lfo.radianPhase, 0.0f);
        ASSERT_LT (lfo.radianPhase, 6.2831855f);
    }

    lfo.radianPhase = 6.0f;
    lfo.radianStep = 0.5f;
    EXPECT_NEAR (lfo.stepRadian(), std::sin (6.5 - 6.2831855), 1e-6);
    EXPECT_NEAR (lfo.radianPhase, 6.5 - 6.2831855, 1e-6);

    lfo.radianPhase = 0.25f;
    lfo.radianStep = -0.5f;
    EXPECT_NEAR (lfo.stepRadian(), std::sin (-0.25), 1e-6);
    EXPECT_NEAR (lfo.radianPhase, 6.2831855 - 0.25, 1e-6);
}

//==============================================================================
TEST (SlowLfo, StartsFromItsConstructionValues)
{
    QuillmorSlowLfo lfo;
    EXPECT_EQ (lfo.value, 0.0f);
    EXPECT_EQ (lfo.increment, 0.001f);
    EXPECT_EQ (lfo.slope, 0.001f);
    EXPECT_EQ (lfo.holdCount, 20869);
    EXPECT_EQ (lfo.counter, 20869);
    EXPECT_EQ (lfo.seed, 1235);
}

TEST (SlowLfo, SetRateKeepsTheDirectionAndSetPeriodOnlyTheHoldCount)
{
    QuillmorSlowLfo lfo;
    lfo.setRate (0.5f, 3000.0f);
    EXPECT_NEAR (lfo.increment, 1.0 / 3000.0, 1e-10);
    EXPECT_EQ (lfo.slope, lfo.increment);

    lfo.slope = -lfo.slope;
    lfo.setRate (1.5f, 3000.0f);
    EXPECT_NEAR (lfo.increment, 0.001, 1e-10);
    EXPECT_EQ (lfo.slope, -lfo.increment);

    lfo.slope = 0.0f;
    lfo.setRate (1.5f, 3000.0f);
    EXPECT_GT (lfo.slope, 0.0f);

    // 3000 / (0.5 x 6.67) = 899.55...
    lfo.setPeriod (0.5f * 6.67f, 3000.0f);
    EXPECT_EQ (lfo.holdCount, 899);
    EXPECT_EQ (lfo.counter, 20869);
    EXPECT_EQ (lfo.seed, 1235);

    lfo.setPeriod (1.0f, 2756.25f); // 44100 / 16
    EXPECT_EQ (lfo.holdCount, 2756);
}

TEST (SlowLfo, UnusablePeriodsStillGiveAWholeHoldCount)
{
    QuillmorSlowLfo lfo;
    lfo.setPeriod (0.0f, 3000.0f);
    EXPECT_EQ (lfo.holdCount, INT32_MAX);
    lfo.setPeriod (std::nanf (""), 3000.0f);
    EXPECT_EQ (lfo.holdCount, INT32_MAX);
    lfo.setPeriod (-2.0f, 3000.0f);
    EXPECT_EQ (lfo.holdCount, 0);
}

TEST (SlowLfo, WrapKeepsThePhaseInZeroExclusiveToFourInclusive)
{
    QuillmorSlowLfo lfo;
    lfo.value = 3.75f;
    lfo.increment = 0.5f;
    lfo.stepPlain();
    EXPECT_EQ (lfo.value, 0.25f);

    lfo.value = 0.5f;
    lfo.increment = -0.5f;
    lfo.stepPlain();
    EXPECT_EQ (lfo.value, 4.0f); // exactly 0 becomes 4

    lfo.value = 3.5f;
    lfo.increment = 0.5f;
    lfo.stepPlain();
    EXPECT_EQ (lfo.value, 4.0f); // exactly 4 first drops to 0, then comes back to 4

    lfo.value = 0.25f;
    lfo.increment = -0.5f;
    lfo.stepPlain();
    EXPECT_EQ (lfo.value, 3.75f);
}

TEST (SlowLfo, FirstDecisionComesAfterTheInitialHoldCount)
{
    QuillmorSlowLfo lfo;
    lfo.setPeriod (100.0f, 3000.0f); // 30, but only from the next decision on

    for (int k = 0; k < 20869; ++k)
        lfo.stepRandom();

    EXPECT_EQ (lfo.counter, 0);
    EXPECT_EQ (lfo.seed, 1235);
    EXPECT_EQ (lfo.slope, 0.001f);

    lfo.stepRandom();
    EXPECT_EQ (lfo.seed, 266837066); // 1235 x 214013 + 2531011
    EXPECT_EQ (lfo.slope, 0.001f);   // 266837066 / 2^31 = 0.124 does not reverse
    EXPECT_EQ (lfo.counter, 29);
}

TEST (SlowLfo, RandomReversalsStepByStepFromTheStartingSeed)
{
    // Draws from seed 1235, as fractions of 2^31: 0.124, 0.335, 0.935, 0.0016,
    // 0.018, 0.355, -0.439, 0.659: the third and the eighth reverse.
    QuillmorSlowLfo lfo;
    lfo.value = 2.0f;
    lfo.slope = 0.125f; // binary fractions keep the phase arithmetic exact
    lfo.holdCount = 3;
    lfo.counter = 0;

    int64_t seed = 1235;
    double slope = 0.125, value = 2.0;
    int counter = 0, reversals = 0;

    for (int k = 0; k < 24; ++k)
    {
        if (counter <= 0)
        {
            seed = referenceNextSeed (seed);
            if ((double) seed / 2147483648.0 > 0.5)
            {
                slope = -slope;
                ++reversals;
            }
            counter = 3;
        }
        value += slope;
        if (value >= 4.0) value -= 4.0;
        if (value <= 0.0) value += 4.0;
        --counter;

        lfo.stepRandom();
        ASSERT_EQ (lfo.seed, seed) << k;
        ASSERT_EQ (lfo.slope, slope) << k;
        ASSERT_EQ (lfo.value, value) << k;
        ASSERT_EQ (lfo.counter, counter) << k;
    }

    EXPECT_EQ (reversals, 2);
    EXPECT_EQ (lfo.slope, 0.125f);
    // Draws at steps 0, 3, ..., 21; the draws of steps 6 and 21 reverse, and the
    // drawing step itself already moves the new way: 6 steps up, 15 down, 3 up.
    EXPECT_EQ (lfo.value, 2.0f + (6 - 15 + 3) * 0.125f);
}

TEST (SlowLfo, ReversalsHappenAtAboutOneDrawInFour)
{
    QuillmorSlowLfo lfo;
    lfo.holdCount = 0; // a decision at every step
    lfo.counter = 0;

    int reversals = 0;
    float lastSlope = lfo.slope;
    for (int k = 0; k < 200000; ++k)
    {
        lfo.stepRandom();
        reversals += lfo.slope != lastSlope ? 1 : 0;
        lastSlope = lfo.slope;
    }
    EXPECT_NEAR (reversals / 200000.0, 0.25, 0.005);
}

//==============================================================================
TEST (Noise, FirstValueFromTheDefaultSeed)
{
    QuillmorNoise noise;
    EXPECT_EQ (noise.seed, 1235);

    float value;
    noise.generate (&value, 1);
    EXPECT_EQ (noise.seed, 266837066);
    EXPECT_FLOAT_EQ (value, -0.7514886f);
}

TEST (Noise, SequenceMatchesTheGeneratorWrittenOutIn64Bits)
{
    for (const int start : { 1235, 3737, 0, -1, INT32_MAX, INT32_MIN })
    {
        QuillmorNoise noise;
        noise.setSeed (start);

        float values[64];
        noise.generate (values, 32);
        noise.generate (values + 32, 32); // the seed carries from block to block

        int64_t seed = start;
        for (int i = 0; i < 64; ++i)
        {
            seed = referenceNextSeed (seed);
            ASSERT_NEAR (values[i], (double) seed / 1073741824.0 - 1.0, 2.5e-7) << start << " " << i;
        }
        EXPECT_EQ (noise.seed, seed);
    }

    EXPECT_EQ (QuillmorNoise::nextSeed (3737), 802297592);
    EXPECT_EQ (QuillmorNoise::nextSeed (INT32_MAX), -2145166650);
}

TEST (Noise, ValuesSpanMinusThreeToOneAroundMinusOne)
{
    QuillmorNoise noise;
    float block[32];
    double sum = 0.0;
    float lowest = 0.0f, highest = -2.0f;

    for (int b = 0; b < 10000; ++b)
    {
        noise.generate (block, 32);
        for (float v : block)
        {
            sum += v;
            lowest = std::min (lowest, v);
            highest = std::max (highest, v);
        }
    }

    EXPECT_GE (lowest, -3.0f);
    EXPECT_LT (lowest, -2.99f);
    EXPECT_LE (highest, 1.0f);
    EXPECT_GT (highest, 0.99f);
    EXPECT_NEAR (sum / 320000.0, -1.0, 0.01);
}
