#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quillmor::test;

TEST (EngineMapping, MixLawAndTapGain)
{
    auto engine = makeDefaultEngine();
    setReal (*engine, Engine::mixParameter, 0.0f);
    EXPECT_EQ (engine->dryGain, 1.0f);
    EXPECT_EQ (engine->wetGain, 0.0f);

    setReal (*engine, Engine::mixParameter, 100.0f);
    EXPECT_EQ (engine->wetGain, 1.0f);
    EXPECT_NEAR (engine->dryGain, 0.0, 1e-7);

    engine->setParameter (Engine::mixParameter, 0.3f);
    EXPECT_NEAR (engine->dryGain, std::cos (0.3 * pi / 2), 1e-6);
    EXPECT_NEAR (engine->wetGain, std::sin (0.3 * pi / 2), 1e-6);

    // TapGain rescales the wet gain at once and leaves the dry gain alone.
    engine->dryGain = 5.0f;
    engine->setParameter (Engine::tapGainParameter, 0.75f); // +6 dB
    EXPECT_NEAR (engine->tapGainLinear, std::pow (10.0, 6.0 / 20.0), 1e-6);
    EXPECT_NEAR (engine->wetGain, std::pow (10.0, 6.0 / 20.0) * std::sin (0.3 * pi / 2), 1e-6);
    EXPECT_EQ (engine->dryGain, 5.0f);
}

TEST (EngineMapping, WidthGains)
{
    auto engine = makeDefaultEngine();
    const struct { float width; double narrowAngle, fullAngle; } cases[] = {
        { 0.0f, pi / 4, pi / 4 },
        { 50.0f, 0.75 * pi / 2, 0.75 * pi / 2 },
        { 100.0f, pi / 2, pi / 2 },
        { 150.0f, pi / 2, 1.25 * pi / 2 },
        { 200.0f, pi / 2, 1.5 * pi / 2 },
    };
    for (const auto& c : cases)
    {
        setReal (*engine, Engine::stereoWidthParameter, c.width);
        EXPECT_NEAR (engine->widthSinNarrow, std::sin (c.narrowAngle), 1e-6) << c.width;
        EXPECT_NEAR (engine->widthCosNarrow, std::cos (c.narrowAngle), 1e-6) << c.width;
        EXPECT_NEAR (engine->widthSin, std::sin (c.fullAngle), 1e-6) << c.width;
        EXPECT_NEAR (engine->widthCos, std::cos (c.fullAngle), 1e-6) << c.width;
    }
}

TEST (EngineMapping, DepthTargets)
{
    auto engine = makeDefaultEngine();
    EXPECT_FLOAT_EQ (engine->detuneDepthSamples, 128.0f);
    EXPECT_EQ (engine->vibratoDepthSamples, 0.0f);

    setReal (*engine, Engine::depthParameter, 80.0f);
    setReal (*engine, Engine::vibratoDepthParameter, 25.0f);
    setReal (*engine, Engine::overModParameter, 10.0f);
    setReal (*engine, Engine::detuneDepthParameter, 100.0f);
    EXPECT_NEAR (engine->detuneDepthSamples, 0.01 * 100 * 80 * 10 * 5.12, 1e-3);
    EXPECT_NEAR (engine->vibratoDepthSamples, 0.01 * 25 * 80 * 1.28, 1e-4);
}

TEST (EngineMapping, InputRoutingMatrices)
{
    auto engine = makeDefaultEngine();
    const float expected[5][4] = {
        { 1, 0, 1, 0 }, { 0, 1, 0, 1 }, { 0.5f, 0.5f, 0.5f, 0.5f }, { 0.5f, 0.5f, 0, 0 }, { 0, 0, 0.5f, 0.5f }
    };
    const auto check = [&engine] (const float* gains, const char* what)
    {
        EXPECT_EQ (engine->inputGainLeftFromLeft, gains[0]) << what;
        EXPECT_EQ (engine->inputGainLeftFromRight, gains[1]) << what;
        EXPECT_EQ (engine->inputGainRightFromRight, gains[2]) << what;
        EXPECT_EQ (engine->inputGainRightFromLeft, gains[3]) << what;
    };

    for (int item = 5; item >= 1; --item)
    {
        engine->setParameter (Engine::inputPanParameter, static_cast<float> (item) / 8.0f);
        check (expected[item - 1], "item");
    }
    engine->setParameter (Engine::inputPanParameter, 0.5f); // step 4: Left
    engine->setParameter (Engine::inputPanParameter, 1.0f); // step 8: beyond the items
    check (expected[0], "step 8");
    engine->setParameter (Engine::inputPanParameter, 0.5f);
    engine->setParameter (Engine::inputPanParameter, 0.0f); // step 0
    check (expected[0], "step 0");
}

TEST (EngineMapping, SwitchesModesAndSyncIndex)
{
    auto engine = makeDefaultEngine();
    engine->setParameter (Engine::diffEnableParameter, 0.5f);
    EXPECT_FALSE (engine->diffusionEnabled);
    engine->setParameter (Engine::diffEnableParameter, 0.50001f);
    EXPECT_TRUE (engine->diffusionEnabled);
    engine->setParameter (Engine::driveParameter, 1.0f);
    engine->setParameter (Engine::drivePrePostParameter, 0.0f);
    engine->setParameter (Engine::speedParameter, 1.0f);
    EXPECT_TRUE (engine->driveEnabled);
    EXPECT_FALSE (engine->drivePost);
    EXPECT_TRUE (engine->halfSpeed);

    engine->setParameter (Engine::colorModeParameter, 0.99f);
    EXPECT_EQ (engine->colorMode, 0);
    engine->setParameter (Engine::colorModeParameter, 1.0f);
    EXPECT_EQ (engine->colorMode, 1);
    engine->setParameter (Engine::colorModeParameter, 2.5f);
    EXPECT_EQ (engine->colorMode, 2);
    engine->setParameter (Engine::colorModeParameter, 1.0e20f);
    EXPECT_GT (engine->colorMode, 1);

    const struct { float step; int mode; } modes[] = { { 1.0f, 0 }, { 9.0f, 8 }, { 0.5f, 0 }, { 10.0f, 9 }, { 0.0f, 0 }, { 24.0f, 23 } };
    for (const auto& m : modes)
    {
        engine->setParameter (Engine::typeParameter, m.step / 24.0f);
        EXPECT_EQ (engine->chorusMode, m.mode) << m.step;
    }

    for (int item = 1; item <= 17; ++item)
    {
        engine->setParameter (Engine::delaySyncParameter, static_cast<float> (item) / 17.0f);
        EXPECT_EQ (engine->delaySyncIndex, item - 1);
    }
    engine->setParameter (Engine::delaySyncParameter, 0.0f);
    EXPECT_EQ (engine->delaySyncIndex, -1);
}

TEST (EngineMapping, ModeChangeClearsTheInputSideFilters)
{
    auto engine = makeDefaultEngine();
    for (int c = 0; c < 2; ++c)
    {
        engine->lowCutFilters[c].s = 1.0f;
        engine->highCutFilters[c].value = 1.0f;
        engine->allpassZeroFilters[c].s = 1.0f;
        engine->allpassPoleFilters[c].s = 1.0f;
        engine->driveHighpassFilters[c].s = 1.0f;
        engine->spatialXoverFilters[c].value = 1.0f;
    }
    engine->highCutFilters[2].value = 2.0f;
    engine->allpassPoleFilters[3].s = 2.0f;

    engine->setParameter (Engine::typeParameter, 1.5f / 24.0f); // still 2TapChorus
    EXPECT_EQ (engine->chorusMode, 0);
    for (int c = 0; c < 2; ++c)
    {
        EXPECT_EQ (engine->lowCutFilters[c].s, 0.0f);
        EXPECT_EQ (engine->highCutFilters[c].value, 0.0f);
        EXPECT_EQ (engine->allpassZeroFilters[c].s, 0.0f);
        EXPECT_EQ (engine->allpassPoleFilters[c].s, 0.0f);
        EXPECT_EQ (engine->driveHighpassFilters[c].s, 0.0f);
        EXPECT_EQ (engine->spatialXoverFilters[c].value, 0.0f);
    }
    EXPECT_EQ (engine->highCutFilters[2].value, 2.0f);
    EXPECT_EQ (engine->allpassPoleFilters[3].s, 2.0f);
}

TEST (EngineMapping, FilterAndSmoothingCoefficients)
{
    auto engine = makeDefaultEngine();
    EXPECT_NEAR (engine->highCutCoefficient, 0.92705095, 1e-6);
    EXPECT_NEAR (engine->highCutCoefficient2x, onePole (20000, 96000), 1e-6);
    EXPECT_NEAR (engine->spatialXoverCoefficient, onePole (300, 48000), 1e-6);
    EXPECT_NEAR (engine->controlSmoothingCoefficient, timeConstant (100, 3000), 1e-7);

    EXPECT_NEAR (engine->lowCutFilters[1].a1, bilinearPole (10, 48000), 1e-6);
    EXPECT_EQ (engine->lowCutFilters[1].b0, 1.0f);
    EXPECT_EQ (engine->lowCutFilters[1].b1, -1.0f);
    setReal (*engine, Engine::lowCutParameter, 1.0f); // below the 5 Hz floor
    EXPECT_NEAR (engine->lowCutFilters[0].a1, bilinearPole (5, 48000), 1e-6);

    EXPECT_NEAR (engine->driveInputGain, std::pow (10.0, 9.0 / 20), 1e-5);
    EXPECT_NEAR (engine->driveOutputGain, std::pow (10.0, -6.0 / 20), 1e-6);
    EXPECT_NEAR (engine->driveNoiseGain, std::pow (10.0, -90.0 / 20), 1e-9);
    EXPECT_NEAR (engine->feedbackRotator.sinAngle, std::sin (pi / 4), 1e-6);
    EXPECT_EQ (engine->feedbackGain, 0.0f);
}

TEST (EngineMapping, DiffuserSettings)
{
    auto engine = makeDefaultEngine();
    setReal (*engine, Engine::diffusionParameter, 100.0f);
    EXPECT_NEAR (engine->diffusers[0].stageGains[0], 0.751 * 0.999 + 0.001, 1e-6);
    EXPECT_NEAR (engine->diffusers[0].stageGains[1], -0.751 * 0.999 + 0.001, 1e-6);
    EXPECT_NEAR (engine->diffusers[1].stageGains[0], -0.749 * 0.999 + 0.001, 1e-6);
    setReal (*engine, Engine::diffusionParameter, 0.0f);
    EXPECT_NEAR (engine->diffusers[1].stageGains[0], 0.001 * 0.999 + 0.001, 1e-7);

    EXPECT_NEAR (engine->diffusers[0].modRate, 0.5, 1e-6);
    EXPECT_NEAR (engine->diffusers[1].modRate, 0.5355, 1e-6);
    EXPECT_NEAR (engine->diffusers[1].modDepthMs, 0.5, 1e-6);
    EXPECT_NEAR (engine->diffusers[0].sizeMs, 20.0, 1e-5);
    EXPECT_NEAR (engine->diffusers[0].smoothingMs, 100.0, 1e-4);
}
