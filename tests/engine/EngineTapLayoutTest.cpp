#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace quillmor::test;

namespace
{

    void selectSync (Engine& engine, int syncIndex)
    {
        engine.setParameter (Engine::delaySyncParameter, static_cast<float> (syncIndex + 1) / 17.0f);
    }
} // namespace

TEST (EngineDelayTime, FreeAndSyncedLengths)
{
    auto engine = makeDefaultEngine();
    EXPECT_FLOAT_EQ (engine->delayLengthSamples, 480.0f); // 10 ms

    engine->setTempo (120.0f);
    const struct { int index; double beats; } notes[] = {
        { 1, 0.25 }, { 3, 1.0 }, { 5, 4.0 }, { 7, 0.375 }, { 8, 0.75 }, { 11, 6.0 }, { 12, 1.0 / 6 }, { 14, 2.0 / 3 }, { 16, 8.0 / 3 }
    };
    for (const auto& note : notes)
    {
        selectSync (*engine, note.index);
        EXPECT_NEAR (engine->delayLengthSamples, std::min (note.beats * 0.5 * 48000, 132000.0), 0.01) << note.index;
    }

    // 8/4 at 60 BPM is eight seconds: longer than the synced delays may get.
    selectSync (*engine, 6);
    engine->setTempo (60.0f);
    EXPECT_EQ (engine->delayLengthSamples, 132000.0f);

    selectSync (*engine, 0);
    setReal (*engine, Engine::delayParameter, 1000.0f);
    engine->setSampleRate (192000);
    EXPECT_FLOAT_EQ (engine->delayLengthSamples, 192000.0f); // the free time has no cap
}

TEST (EngineDelayTime, UnusableTemposFallBackToTheCap)
{
    auto engine = makeDefaultEngine();
    selectSync (*engine, 3);
    for (float bpm : { 0.0f, -0.0f, -120.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity() })
    {
        engine->setTempo (100.0f);
        EXPECT_FLOAT_EQ (engine->delayLengthSamples, 28800.0f);
        engine->setTempo (bpm);
        EXPECT_EQ (engine->delayLengthSamples, bpm == std::numeric_limits<float>::infinity() ? 0.0f : 132000.0f) << bpm;
    }
}

TEST (EngineDelayTime, SameTempoDoesNotRecompute)
{
    auto engine = makeDefaultEngine();
    EXPECT_EQ (engine->tempoBpm, 120.0f);
    selectSync (*engine, 5);
    engine->delayLengthSamples = 1.0f;
    engine->setTempo (120.0f);
    EXPECT_EQ (engine->delayLengthSamples, 1.0f);
    engine->updateDelayTime();
    EXPECT_FLOAT_EQ (engine->delayLengthSamples, 96000.0f);
}

TEST (EngineTapLayout, PositionsPerMode)
{
    auto engine = makeDefaultEngine();
    setMode (*engine, 8);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_FLOAT_EQ (engine->tapPositionsLeft[i], 1.0f - i * 0.5f / 16.0f) << i;
        EXPECT_FLOAT_EQ (engine->tapPositionsRight[i], 1.0f - i * 0.5f / 16.0f) << i;
    }

    // 8Tap with full spread and random, skew pulling in the left channel.
    const double offsets[4][2] = { { -0.8768, 0.5604 }, { -0.3248, 0.2157 }, { 0.4825, -0.7904 }, { -0.7442, 0.0991 } };
    setMode (*engine, 5);
    setReal (*engine, Engine::spreadParameter, 100.0f);
    setReal (*engine, Engine::randomParameter, 100.0f);
    setReal (*engine, Engine::skewParameter, -50.0f);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_NEAR (engine->tapPositionsLeft[i], 1.0 - (offsets[i][0] * 0.0625 + i / 4.0 + 0.5 * 0.125), 1e-6) << i;
        EXPECT_NEAR (engine->tapPositionsRight[i], 1.0 - (offsets[i][1] * 0.0625 + i / 4.0), 1e-6) << i;
    }
    // Taps the mode does not use keep what 32Tap left there.
    EXPECT_FLOAT_EQ (engine->tapPositionsLeft[9], 1.0f - 9 * 0.5f / 16.0f);

    // SuperSix: thirds of the spread, skew on the right only.
    setMode (*engine, 2);
    setReal (*engine, Engine::randomParameter, 0.0f);
    setReal (*engine, Engine::spreadParameter, 60.0f);
    setReal (*engine, Engine::skewParameter, 100.0f);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_NEAR (engine->tapPositionsLeft[i], 1.0 - (i / 3.0) * 0.6, 1e-6) << i;
        EXPECT_NEAR (engine->tapPositionsRight[i], 1.0 - (i / 3.0 + 1.0 / 6.0) * 0.6, 1e-6) << i;
    }

    // 2TapChorus: one tap, moved by skew only.
    setMode (*engine, 0);
    EXPECT_FLOAT_EQ (engine->tapPositionsLeft[0], 1.0f);
    EXPECT_FLOAT_EQ (engine->tapPositionsRight[0], 0.5f);
    setReal (*engine, Engine::skewParameter, -60.0f);
    EXPECT_FLOAT_EQ (engine->tapPositionsLeft[0], 0.7f);
    EXPECT_FLOAT_EQ (engine->tapPositionsRight[0], 1.0f);

    // Modes without a routine leave the layout alone.
    setMode (*engine, 9);
    setReal (*engine, Engine::skewParameter, 0.0f);
    EXPECT_FLOAT_EQ (engine->tapPositionsLeft[0], 0.7f);
}

TEST (EngineTapLayout, GainsPerModeAndSlope)
{
    auto engine = makeDefaultEngine();
    setMode (*engine, 8);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ (engine->tapGainsLeft[i], 0.25f) << i;

    for (float slope : { -100.0f, 100.0f, -37.0f })
    {
        setReal (*engine, Engine::slopeParameter, slope);
        const double ratio = slope > 0 ? 1.0 / (1.0 - 0.009 * slope) : 1.0 + 0.009 * slope;
        double energy = 0.0;
        for (int i = 0; i < 16; ++i)
            energy += std::pow (ratio, 2.0 * i / 15.0);
        for (int i = 0; i < 16; ++i)
        {
            const double expected = std::pow (ratio, i / 15.0) / std::sqrt (energy);
            EXPECT_NEAR (engine->tapGainsLeft[i], expected, 2e-6 * std::max (1.0, expected)) << slope << " tap " << i;
            EXPECT_EQ (engine->tapGainsRight[i], engine->tapGainsLeft[i]);
        }
    }

    // 6TapRandom at Slope -50: 1, g, g^2 with g^2 = 0.55, unit energy.
    setMode (*engine, 3);
    setReal (*engine, Engine::slopeParameter, -50.0f);
    const double norm = std::sqrt (1.0 + 0.55 + 0.55 * 0.55);
    EXPECT_NEAR (engine->tapGainsLeft[0], 1.0 / norm, 1e-6);
    EXPECT_NEAR (engine->tapGainsLeft[1], std::sqrt (0.55) / norm, 1e-6);
    EXPECT_NEAR (engine->tapGainsRight[2], 0.55 / norm, 1e-6);

    setMode (*engine, 1);
    EXPECT_EQ (engine->tapGainsLeft[0], 0.70710677f);
    EXPECT_EQ (engine->tapGainsRight[1], 0.70710677f);
    EXPECT_NEAR (engine->tapGainsLeft[2], 0.55 / norm, 1e-6); // untouched by 4TapEnsemble

    // A Slope far beyond its range has no real gain series: the gains stay finite.
    setMode (*engine, 2);
    engine->setParameter (Engine::slopeParameter, 1.2f);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE (std::isfinite (engine->tapGainsLeft[i]));
}

TEST (EngineTapLayout, DetuneRates)
{
    auto engine = makeDefaultEngine();
    const double rate = engine->getParameterValue (Engine::detuneRateParameter);
    const double controlRate = 3000.0;

    setMode (*engine, 7);
    for (int k = 0; k < 8; ++k)
        EXPECT_NEAR (engine->detuneLfos[k].increment, 2.0 * rate * std::pow (0.831, k) / controlRate, 1e-9) << k;

    setMode (*engine, 3);
    EXPECT_NEAR (engine->detuneLfos[1].increment, 2.0 * rate * 0.58181816 / controlRate, 1e-9);
    EXPECT_EQ (engine->detuneLfos[0].holdCount, static_cast<int> (std::floor (controlRate / (rate * 6.67))));
    EXPECT_EQ (engine->detuneLfos[2].holdCount, static_cast<int> (std::floor (controlRate / (rate * 4.319))));

    setMode (*engine, 4);
    const double fullCycle = 4294967296.0;
    EXPECT_NEAR (engine->vibratoLfos[0][0].tableStep, rate / controlRate * fullCycle, 2.0);
    EXPECT_NEAR (engine->vibratoLfos[1][0].tableStep, rate * 0.8478 / controlRate * fullCycle, 2.0);
}

TEST (EngineTapLayout, VibratoRatesAndDepthScales)
{
    auto engine = makeDefaultEngine();
    const double rate = engine->getParameterValue (Engine::vibratoRateParameter);
    const double toStep = 4294967296.0 / 3000.0;

    setMode (*engine, 3);
    for (int k = 0; k < 8; ++k)
    {
        const int tap = k / 2, channel = k % 2;
        EXPECT_NEAR (engine->vibratoLfos[channel][tap].tableStep, rate * std::pow (0.9329014, k) * toStep, 20.0) << k;
        const float scale = channel == 0 ? engine->vibratoDepthScalesLeft[tap] : engine->vibratoDepthScalesRight[tap];
        EXPECT_NEAR (scale, std::pow (1.0719247, k), 1e-5) << k;
    }
    EXPECT_NEAR (engine->vibratoLfos[0][1].tableStep, 0.8703050 * rate * toStep, 20.0);

    setMode (*engine, 8);
    EXPECT_NEAR (engine->vibratoDepthScalesRight[15], std::pow (1.0274253, 31), 1e-4);

    setMode (*engine, 1);
    EXPECT_NEAR (engine->vibratoLfos[1][1].tableStep, rate * 0.857 * toStep, 20.0);

    setMode (*engine, 12);
    setReal (*engine, Engine::vibratoRateParameter, 10.0f);
    EXPECT_NEAR (engine->vibratoLfos[0][1].tableStep, 10.0 * toStep, 20.0);
}

TEST (EngineTapLayout, SixteenPhaseTables)
{
    Engine engine;
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_NEAR (engine.phaseSinLeft[i], std::sin (2 * i * pi / 8), 1e-6) << i;
        EXPECT_NEAR (engine.phaseCosLeft[i], std::cos (2 * i * pi / 8), 1e-6) << i;
        EXPECT_NEAR (engine.phaseSinRight[i], std::sin ((2 * i + 1) * pi / 8), 1e-6) << i;
        EXPECT_NEAR (engine.phaseCosRight[i], std::cos ((2 * i + 1) * pi / 8), 1e-6) << i;
    }
}
