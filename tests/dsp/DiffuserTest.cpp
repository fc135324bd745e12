#include "QuillmorDiffuser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace
{
    // The engine's set-up of its left diffuser.
    std::unique_ptr<QuillmorDiffuser> makeEngineDiffuser (float rate)
    {
        auto d = std::make_unique<QuillmorDiffuser>();
        d->setStageCapacity (16300);
        d->setControlDivisor (16);
        d->setSampleRate (rate);
        d->setNumStages (6);
        d->setSize (20.0f);
        d->setSizeImmediate (20.0f);
        d->setAllpassGain (0.707f);
        d->setModRate (0.5f);
        d->setModDepth (0.5f);
        d->setRateRatio (1.119f);
        d->setSmoothingTime (500.0f);
        d->setStageRatio (1.4436028f);
        return d;
    }

    // Impulse response over `length` samples in blocks of n, in place as the engine runs it.
    std::vector<float> impulseResponse (QuillmorDiffuser& d, bool bright, int n, int length)
    {
        std::vector<float> out ((size_t) length, 0.0f);
        out[0] = 1.0f;
        for (int start = 0; start + n <= length; start += n)
        {
            float* block = out.data() + start;
            bright ? d.processBright (block, block, n, 1.0f / (float) n) : d.processDark (block, block, n, 1.0f / (float) n);
        }
        return out;
    }

    double energy (const std::vector<float>& x)
    {
        double e = 0.0;
        for (float v : x) e += (double) v * v;
        return e;
    }

    // First sample whose magnitude reaches half the response's peak.
    int arrival (const std::vector<float>& x)
    {
        float peak = 0.0f;
        for (float v : x) peak = std::max (peak, std::fabs (v));
        for (size_t t = 0; t < x.size(); ++t)
            if (std::fabs (x[t]) >= 0.5f * peak) return (int) t;
        return -1;
    }
} // namespace

TEST (Diffuser, ConstructedDefaults)
{
    QuillmorDiffuser d;
    const float gains[6] = { 0.6183820f, -0.6163820f, 0.6183820f, -0.6163820f, 0.6183820f, -0.6163820f };
    const float factors[6] = { 0.0974647f, 0.1182247f, 0.1434066f, 0.1739522f, 0.2110040f, 0.2559479f };
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_FLOAT_EQ (d.stageGains[i], gains[i]) << i;
        EXPECT_NEAR (d.stageFactors[i], factors[i], 2e-7) << i;
    }
    for (int i = 6; i < QuillmorDiffuser::maxStages; ++i)
    {
        EXPECT_EQ (d.stageGains[i], 0.0f);
        EXPECT_EQ (d.stageFactors[i], 0.0f);
        EXPECT_EQ (d.stages[i].size, 2);
    }
    EXPECT_FLOAT_EQ (d.sizeTarget, 960.0f);
    EXPECT_EQ (d.sizeSmoother.value, d.sizeTarget);
    EXPECT_EQ (d.depthSmoother.value, 0.0f);
    EXPECT_FLOAT_EQ (d.modDepthSamples, 48.0f);
    EXPECT_NEAR (d.smoothingCoefficient, 1.0 - std::exp (-1000.0 / (200.0 * 3000.0)), 1e-9);
    for (int i = 0; i < 6; ++i) EXPECT_GE (d.stages[i].size, 4096);
    ASSERT_NE (d.buffer, nullptr);
}

TEST (Diffuser, GainsAndStageShares)
{
    QuillmorDiffuser d;
    d.setAllpassGain (0.707f);
    for (int i = 0; i < 6; ++i)
        EXPECT_FLOAT_EQ (d.stageGains[i], i % 2 ? -0.7052930f : 0.7072930f) << i;
    d.setAllpassGain (0.0f);
    for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ (d.stageGains[i], 0.001f);

    d.setStageRatio (1.0f);
    for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ (d.stageFactors[i], 1.0f / 6.0f);

    // r^i / sum of r^j, written out in double.
    d.setStageRatio (1.3656428f);
    double sum = 0.0;
    for (int i = 0; i < 6; ++i) sum += std::pow (1.3656428, i);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR (d.stageFactors[i], std::pow (1.3656428, i) / sum, 2e-7) << i;

    d.setNumStages (1);
    d.setStageRatio (1.7f);
    EXPECT_EQ (d.stageFactors[0], 1.0f);
}

TEST (Diffuser, ModulatorRatesAndDecisionPeriodsAt48000And44100)
{
    for (float rate : { 48000.0f, 44100.0f })
    {
        auto d = makeEngineDiffuser (rate);
        const double controlRate = rate / 16.0;
        for (int i = 0; i < 6; ++i)
        {
            const double hz = std::pow (1.119, i) * 0.5;
            EXPECT_NEAR (d->modulators[i].increment, 2.0 * hz / controlRate, 1e-8) << i;
            EXPECT_NEAR (d->modulators[i].holdCount, std::floor (controlRate / (3.14159 * hz)), 1.0) << i;
        }
        EXPECT_NEAR (d->modDepthSamples, 0.5 * rate * 0.001, 1e-4);
        EXPECT_NEAR (d->smoothingCoefficient, 1.0 - std::exp (-1000.0 / (500.0 * controlRate)), 1e-8);
    }
    EXPECT_EQ (makeEngineDiffuser (48000.0f)->modulators[0].holdCount, 1909);
}

TEST (Diffuser, SizeGlidesOncePerBlockUnlessSetImmediately)
{
    auto d = makeEngineDiffuser (48000.0f);
    const double c = d->smoothingCoefficient;
    d->setSize (100.0f);
    EXPECT_FLOAT_EQ (d->sizeTarget, 4800.0f);
    float block[16] = {};
    d->processBright (block, block, 16, 0.0625f);
    EXPECT_NEAR (d->sizeSmoother.value, 960.0 + (4800.0 - 960.0) * c, 1e-3);
    d->processDark (block, block, 16, 0.0625f);
    EXPECT_NEAR (d->sizeSmoother.value, 960.0 + (4800.0 - 960.0) * (1.0 - (1.0 - c) * (1.0 - c)), 1e-3);

    d->setSizeImmediate (50.0f);
    EXPECT_FLOAT_EQ (d->sizeSmoother.value, 2400.0f);
}

TEST (Diffuser, StageDelaysFollowSizeShareAndSweep)
{
    auto d = makeEngineDiffuser (48000.0f);
    float block[16] = {};
    for (int k = 0; k < 50; ++k) d->processBright (block, block, 16, 0.0625f);

    // Each stage ends its block on size x share + |phase - 2| x depth / 2.
    const float size = d->sizeSmoother.value, depth = d->depthSmoother.value;
    EXPECT_GT (depth, 0.0f);
    for (int i = 0; i < 6; ++i)
    {
        const double sweep = std::fabs (d->modulators[i].value - 2.0) * depth * 0.5;
        EXPECT_NEAR (d->stages[i].tapDelay[0], size * d->stageFactors[i] + sweep, 1e-3) << i;
        EXPECT_LE (sweep, depth);
    }
}

TEST (Diffuser, StagesAreLosslessAllpassesInBothColoursAndBlockSizes)
{
    // With no sweep the chain is a product of unit-gain allpasses: an impulse keeps its energy.
    // Equal shares make every stage delay whole (160 samples), so the linear reads lose nothing.
    for (int n : { 16, 8 })
        for (bool bright : { true, false })
            for (float ratio : { 1.0f, 1.4436028f })
            {
                if (! bright && ratio != 1.0f) continue;
                auto d = makeEngineDiffuser (48000.0f);
                d->setModDepth (0.0f);
                d->setStageRatio (ratio);
                const auto h = impulseResponse (*d, bright, n, 96000);
                EXPECT_NEAR (energy (h), 1.0, 2e-3) << "n " << n << (bright ? " bright " : " dark ") << ratio;
                EXPECT_LT (std::fabs (h.back()), 1e-4f);
            }
}

TEST (Diffuser, FirstReflectionsCarryTheStageGainsWithTheirSigns)
{
    // Each stage is (-g + z^-D) / (1 - g z^-D): an impulse leaves at once as -g, and
    // its first pass through the delay as 1 - g^2, then g (1 - g^2). Two stages of 192
    // and 288 samples (10 ms split 2 : 3) keep the first arrivals apart. Energy and
    // arrival times alone would not notice a stage with the sign of g turned round.
    for (bool bright : { false, true })
    {
        QuillmorDiffuser d;
        d.setNumStages (2);
        d.setModDepth (0.0f);
        d.setStageRatio (1.5f);
        d.setSizeImmediate (10.0f);
        d.setAllpassGain (0.707f);

        // Let the stage delays glide from zero onto their lengths before the impulse.
        float silence[16] = {};
        for (int k = 0; k < 4; ++k)
            d.processDark (silence, silence, 16, 0.0625f);

        const double g0 = d.stageGains[0], g1 = d.stageGains[1];
        const struct { int at, passes; double value; } arrivals[] = {
            { 0, 0, g0 * g1 }, { 192, 1, -(1 - g0 * g0) * g1 }, { 288, 1, -g0 * (1 - g1 * g1) },
            { 384, 2, -g0 * (1 - g0 * g0) * g1 }, { 480, 2, (1 - g0 * g0) * (1 - g1 * g1) },
        };

        // The allpass read of a whole delay passes 0.99 at once and rings a little after.
        const auto h = impulseResponse (d, bright, 16, 512);
        for (const auto& a : arrivals)
            EXPECT_NEAR (h[(size_t) a.at], a.value * std::pow (bright ? 0.99 : 1.0, a.passes), bright ? 5e-3 : 1e-4)
                << (bright ? "bright, " : "dark, ") << a.at;
    }
}

TEST (Diffuser, NearZeroGainIsADelayByTheWholeSize)
{
    for (bool bright : { true, false })
    {
        auto d = makeEngineDiffuser (48000.0f);
        d->setModDepth (0.0f);
        d->setAllpassGain (0.0f);
        d->setSizeImmediate (10.0f); // 480 samples over six stages
        const auto h = impulseResponse (*d, bright, 16, 4800);
        EXPECT_NEAR (arrival (h), 480, 3) << bright;
        if (bright) // linear reads at fractional delays lose some of the highs
        {
            EXPECT_GT (energy (h), 0.99);
        }
    }
}

TEST (Diffuser, StageDelayShorterThanTheBlockIsHeldAtTheBlockLength)
{
    // One stage of 0.1 ms at 48000 Hz asks for 4.8 samples: less than a block of 8 or 16.
    for (int n : { 16, 8 })
        for (bool bright : { true, false })
        {
            QuillmorDiffuser d;
            d.setNumStages (1);
            d.setModDepth (0.0f);
            d.setAllpassGain (0.0f);
            d.setSizeImmediate (0.1f);
            float silence[16] = {};
            bright ? d.processBright (silence, silence, n, 1.0f / (float) n) : d.processDark (silence, silence, n, 1.0f / (float) n);
            const float settled = d.stages[0].tapDelay[0];
            EXPECT_EQ (settled, (float) n);

            const auto h = impulseResponse (d, bright, n, 4096);
            EXPECT_EQ (arrival (h), n) << n << bright;
            EXPECT_NEAR (energy (h), 1.0, 1e-3);
        }
}

TEST (Diffuser, LongestSizeAtHighRatesStaysInsideTheStageRings)
{
    // 500 ms at 192 kHz: the longest of six stages is about 33000 samples.
    auto d = makeEngineDiffuser (192000.0f);
    for (int i = 0; i < 6; ++i) EXPECT_GE (d->stages[i].size, 65536);
    d->setModDepth (0.0f);
    d->setAllpassGain (0.0f);
    d->setSizeImmediate (500.0f);
    EXPECT_GT (d->sizeTarget * d->stageFactors[5], 16384.0f);
    const auto h = impulseResponse (*d, true, 16, 110000);
    EXPECT_NEAR (arrival (h), 96000, 8);
    EXPECT_GT (energy (h), 0.99);
}

TEST (Diffuser, ClearSilencesAndJumpsToTheSize)
{
    auto d = makeEngineDiffuser (48000.0f);
    float block[16];
    for (int k = 0; k < 20; ++k)
    {
        for (int i = 0; i < 16; ++i) block[i] = std::sin (0.3f * (float) (16 * k + i));
        d->processBright (block, block, 16, 0.0625f);
    }
    d->setSize (40.0f);
    d->clear();
    EXPECT_FLOAT_EQ (d->sizeSmoother.value, 1920.0f);
    for (int k = 0; k < 100; ++k)
    {
        for (float& v : block) v = 0.0f;
        d->processDark (block, block, 16, 0.0625f);
        for (float v : block) ASSERT_EQ (v, 0.0f);
    }
}

TEST (Diffuser, StageCountShrinksAndRegrowsRings)
{
    auto d = makeEngineDiffuser (48000.0f);
    float block[16];
    for (float& v : block) v = 1.0f;
    for (int k = 0; k < 200; ++k) d->processBright (block, block, 16, 0.0625f);

    d->setNumStages (4);
    EXPECT_EQ (d->stages[4].size, 2);
    EXPECT_EQ (d->stages[5].size, 2);
    EXPECT_GE (d->stages[3].size, 65536);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR (d->stageFactors[i], std::pow (1.4436028, i) / (1 + 1.4436028 + std::pow (1.4436028, 2) + std::pow (1.4436028, 3)), 2e-7);

    d->setNumStages (6);
    for (int i = 4; i < 6; ++i)
    {
        ASSERT_GE (d->stages[i].size, 65536);
        for (int64_t k = 0; k < d->stages[i].size; ++k) ASSERT_EQ (d->stages[i].ring[k], 0.0f);
    }

    d->setNumStages (40);
    EXPECT_EQ (d->numStages, 16);
    d->setNumStages (-3);
    EXPECT_EQ (d->numStages, 1);
}
