#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace quillmor::test;

namespace
{
    struct Row
    {
        double minimum, maximum, defaultValue;
    };

    // Written out again here so a typo in the engine's table shows up.
    const Row expectedRows[Engine::numParameters] = {
        { 0, 100, 50 }, { 0, 100, 50 }, { 0, 200, 100 }, { 0, 1000, 10 }, { 0, 100, 0 },
        { 0, 100, 50 }, { -100, 100, 0 }, { -100, 100, 0 }, { 0, 100, 0 }, { -12, 12, 0 },
        { 0, 100, 50 }, { 10, 500, 20 }, { 0.01, 10, 0.5 }, { 0, 100, 50 }, { 10, 2000, 10 },
        { 100, 20000, 20000 }, { 10, 2000, 300 }, { 0.01, 10, 0.5 }, { 0, 100, 50 }, { 0.05, 20, 6 },
        { 0, 100, 0 }, { 1, 100, 1 }, { 0, 24, 9 }, { -24, 0, -6 }, { -120, -30, -90 },
        { 0, 100, 50 }, { 1, 1000, 100 }, { 0, 1, 0 }, { 1, 18, 1 }, { 0, 24, 1 },
        { 0, 1, 0 }, { 0, 1, 0 }, { 0, 1, 1 }, { 0, 1, 0 }, { 0, 8, 1 },
    };

    bool isStepped (int index)
    {
        return index == Engine::delaySyncParameter || index == Engine::typeParameter || index == Engine::inputPanParameter;
    }
} // namespace

TEST (EngineParameterTable, RecordsAreUnsetUntilFirstSet)
{
    Engine engine;
    for (int i = 0; i < Engine::numParameters; ++i)
    {
        engine.initParameter (i);
        EXPECT_EQ (engine.getParameterValue (i), -10000.0f) << i;
        EXPECT_EQ (engine.getParameterNormalized (i), -1.0f) << i;
        EXPECT_EQ (engine.parameters[i].skew, 1.0f) << i;
        EXPECT_EQ (engine.parameters[i].curve, isStepped (i) ? 3 : 0) << i;
    }
    engine.initParameter (35);
    engine.initParameter (-1);
}

TEST (EngineParameterTable, DefaultNormalisedValuesFollowTheRanges)
{
    Engine engine;
    for (int i = 0; i < Engine::numParameters; ++i)
    {
        engine.initParameter (i);
        const auto& row = expectedRows[i];
        EXPECT_NEAR (engine.getDefaultNormalized (i), (row.defaultValue - row.minimum) / (row.maximum - row.minimum), 1e-7) << i;
    }
    EXPECT_FLOAT_EQ (engine.getDefaultNormalized (Engine::diffSizeParameter), 0.020408163f);
    EXPECT_FLOAT_EQ (engine.getDefaultNormalized (Engine::vibratoRateParameter), 0.29824558f);
    EXPECT_FLOAT_EQ (engine.getDefaultNormalized (Engine::typeParameter), 0.041666668f);
}

TEST (EngineParameterTable, DefaultsMapBackToDefaultRealValues)
{
    auto engine = makeDefaultEngine();
    for (int i = 0; i < Engine::numParameters; ++i)
    {
        const auto& row = expectedRows[i];
        // The stepped curves do not add the minimum: DelaySync's default is step 0.
        const double expected = i == Engine::delaySyncParameter ? 0.0 : row.defaultValue;
        EXPECT_NEAR (engine->getParameterValue (i), expected, 1e-6 * std::max (1.0, std::fabs (expected))) << i;
        EXPECT_EQ (engine->getParameterNormalized (i), engine->getDefaultNormalized (i)) << i;
    }
    EXPECT_EQ (engine->getParameterValue (Engine::vibratoRateParameter), 5.9999995f);
    EXPECT_EQ (engine->getParameterValue (Engine::detuneRateParameter), 0.49999997f);
    EXPECT_EQ (engine->getParameterValue (Engine::diffModRateParameter), 0.49999997f);
}

TEST (EngineParameterTable, CurveEndsAndUnclampedValues)
{
    auto engine = makeDefaultEngine();
    for (int i = 0; i < Engine::numParameters; ++i)
    {
        const auto& row = expectedRows[i];
        const double low = isStepped (i) ? 0.0 : row.minimum;
        const double high = isStepped (i) ? row.maximum - row.minimum : row.maximum;
        engine->setParameter (i, 0.0f);
        EXPECT_NEAR (engine->getParameterValue (i), low, 1e-6) << i;
        engine->setParameter (i, 1.0f);
        EXPECT_NEAR (engine->getParameterValue (i), high, 1e-6) << i;
    }

    engine->setParameter (Engine::mixParameter, 2.0f);
    EXPECT_EQ (engine->getParameterValue (Engine::mixParameter), 200.0f);
    engine->setParameter (Engine::tapGainParameter, -1.0f);
    EXPECT_EQ (engine->getParameterValue (Engine::tapGainParameter), -36.0f);
    engine->setParameter (Engine::typeParameter, 0.5f);
    EXPECT_EQ (engine->getParameterValue (Engine::typeParameter), 12.0f);
}

TEST (EngineParameterTable, EditorItemsGiveWholeStepNumbers)
{
    auto engine = makeDefaultEngine();
    const struct { int index, divisor, items; } boxes[] = {
        { Engine::delaySyncParameter, 17, 17 }, { Engine::typeParameter, 24, 24 }, { Engine::inputPanParameter, 8, 8 }
    };
    for (const auto& box : boxes)
    {
        for (int item = 1; item <= box.items; ++item)
        {
            engine->setParameter (box.index, static_cast<float> (item) / static_cast<float> (box.divisor));
            EXPECT_EQ (engine->getParameterValue (box.index), static_cast<float> (item)) << box.index << " item " << item;
        }
    }
}

TEST (EngineParameterTable, PowerAndBipolarCurves)
{
    QuillmorEngineParameter p;
    p.minimum = 2.0f;
    p.maximum = 10.0f;
    p.skew = 2.0f;
    p.normalised = 0.25f;
    p.updateValue (QuillmorEngineParameter::powerCurve);
    EXPECT_FLOAT_EQ (p.value, 2.0f + 8.0f * 0.5f);

    p.normalised = 0.875f; // distance 0.75 from the centre, doubled
    p.updateValue (QuillmorEngineParameter::bipolarCurve);
    EXPECT_FLOAT_EQ (p.value, static_cast<float> (10.0 * std::sqrt (0.75)));
    p.normalised = 0.125f;
    p.updateValue (QuillmorEngineParameter::bipolarCurve);
    EXPECT_FLOAT_EQ (p.value, static_cast<float> (-10.0 * std::sqrt (0.75)));
    p.normalised = 0.5f;
    p.updateValue (QuillmorEngineParameter::bipolarCurve);
    EXPECT_EQ (p.value, 0.0f);

    p.value = 123.0f;
    p.updateValue (7);
    EXPECT_EQ (p.value, 123.0f);
}

TEST (EngineParameterTable, SettingTheStoredValueOrANonFiniteValueDoesNothing)
{
    auto engine = makeDefaultEngine();
    engine->setParameter (Engine::feedbackParameter, 0.5f);
    EXPECT_FLOAT_EQ (engine->feedbackGain, 0.5f);

    // An unchanged value must not re-run the mapping.
    engine->feedbackGain = 7.0f;
    engine->setParameter (Engine::feedbackParameter, 0.5f);
    EXPECT_EQ (engine->feedbackGain, 7.0f);

    // 1e37 is finite, but 100 x 1e37 % is not.
    for (float bad : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity(), 1e37f })
    {
        engine->setParameter (Engine::feedbackParameter, bad);
        EXPECT_EQ (engine->getParameterNormalized (Engine::feedbackParameter), 0.5f);
        EXPECT_EQ (engine->feedbackGain, 7.0f);
    }

    engine->setParameter (35, 0.3f);
    engine->setParameter (-1, 0.3f);
    engine->parameterChanged (35);
    engine->parameterChanged (-1);
    EXPECT_EQ (engine->feedbackGain, 7.0f);
}
