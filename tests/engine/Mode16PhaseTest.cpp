#include "FrameTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace frametest;

namespace
{
    constexpr int phaseMode = 6;

    struct Variant
    {
        int colour;
        bool half;
    };

    const Variant variants[] = { { 0, false }, { 1, false }, { 0, true }, { 1, true } };

    /** The angle in radians of a sine LFO's 32-bit table phase. */
    double tableAngle (const QuillmorSineLfo& lfo)
    {
        return static_cast<double> (lfo.tablePhase) * (2.0 * pi / 4294967296.0);
    }

    void runOneControlBlock (Engine& engine, const Variant& v, const float* left, const float* right)
    {
        float out[2][16];
        const float* inputs[2] = { left, right };
        float* outputs[2] = { out[0], out[1] };
        (engine.*Engine::getProcessRoutine (phaseMode, v.colour, v.half)) (inputs, outputs, 16, 2);
    }
} // namespace

TEST (Mode16Phase, EachTapFollowsBothSinesAtItsOwnMultipleOfAnEighthPi)
{
    // Left tap k sits 2k pi/8 and right tap k (2k + 1) pi/8 ahead of the LFOs, for the
    // detune sine and the vibrato sine alike: offset = (1 + sin (a + phi)) dd + (1 + sin (b + phi)) vd.
    for (const auto& v : variants)
    {
        SCOPED_TRACE (std::string (v.colour == 0 ? "Bright" : "Dark") + (v.half ? " half" : " full"));
        auto engine = makeDefaultEngine();
        setMode (*engine, phaseMode);
        setReal (*engine, Engine::detuneRateParameter, 3.0f);
        setReal (*engine, Engine::detuneDepthParameter, 60.0f);
        setReal (*engine, Engine::vibratoRateParameter, 11.0f);
        setReal (*engine, Engine::vibratoDepthParameter, 80.0f);
        engine->detuneDepthSmoother.value = engine->detuneDepthSamples;
        engine->vibratoDepthSmoother.value = engine->vibratoDepthSamples;

        // Distinct starting phases, so that a sine taken from the wrong LFO shows.
        for (int c = 0; c < 2; ++c)
            for (int j = 0; j < 2; ++j)
                engine->vibratoLfos[c][j].tablePhase = 0x1234567u * static_cast<uint32_t> (5 * c + 2 * j + 1);

        const double scale = v.half ? 0.5 : 1.0;
        const double dd = 153.6 * scale;   // 0.01 x 60 x 50 x 5.12
        const double vd = 51.2 * scale;    // 0.01 x 80 x 50 x 1.28
        ASSERT_NEAR (engine->detuneDepthSamples * scale, dd, 1e-4);
        ASSERT_NEAR (engine->vibratoDepthSamples * scale, vd, 1e-4);

        const float silence[16] = {};
        double worst = 0.0;

        for (int block = 0; block < 1500; ++block)
        {
            const double a = tableAngle (engine->vibratoLfos[0][0]);
            const double b = tableAngle (engine->vibratoLfos[0][1]);
            runOneControlBlock (*engine, v, silence, silence);

            for (int ch = 0; ch < 2; ++ch)
            {
                for (int k = 0; k < 8; ++k)
                {
                    const double phi = static_cast<double> (2 * k + ch) * pi / 8.0;
                    const double expected = (1.0 + std::sin (a + phi)) * dd + (1.0 + std::sin (b + phi)) * vd;
                    const double offset = static_cast<double> (engine->delayLines[ch].tapDelay[k])
                                        - static_cast<double> (engine->tapDelaySmoothers[ch][k].value);
                    worst = std::max (worst, std::fabs (offset - expected));
                }
            }
        }

        // The 256-point table's chords fall short of the sine by at most 7.6e-5 of the depth.
        EXPECT_LT (worst, 0.03 * scale);
    }
}

TEST (Mode16Phase, NoDelayWithAHugeDepthIsHeldAtZeroDelayWhereTheSineRoundsBelowMinusOne)
{
    // At this LFO phase right tap 2's (1 + sin) term, formed from the tables as a sum of
    // products, rounds to a hair below zero. Times the largest detune depth (51200 samples)
    // and with no delay, the tap asks for a small negative delay, which must be held at 0.
    constexpr uint32_t phase = 0x70001000u;

    for (const auto& v : variants)
    {
        SCOPED_TRACE (std::string (v.colour == 0 ? "Bright" : "Dark") + (v.half ? " half" : " full"));
        auto engine = makeDefaultEngine();
        setMode (*engine, phaseMode);
        setReal (*engine, Engine::delayParameter, 0.0f);
        setReal (*engine, Engine::depthParameter, 100.0f);
        setReal (*engine, Engine::detuneDepthParameter, 100.0f);
        setReal (*engine, Engine::overModParameter, 100.0f);
        engine->detuneDepthSmoother.value = engine->detuneDepthSamples;
        ASSERT_FLOAT_EQ (engine->detuneDepthSamples, 51200.0f);

        auto& lfo = engine->vibratoLfos[0][0];
        lfo.tablePhase = phase;
        const uint32_t i = phase >> 24;
        const float f = static_cast<float> (phase & 0xffffffu) * 5.9604645e-08f;
        const float sine = lfo.sineTable[i] * (1.0f - f) + lfo.sineTable[i + 1] * f;
        const uint32_t c = (i + 64) & 255;
        const float cosine = lfo.sineTable[c] * (1.0f - f) + lfo.sineTable[c + 1] * f;
        const float term = cosine * engine->phaseSinRight[2] + sine * engine->phaseCosRight[2] + 1.0f;
        ASSERT_LT (term, 0.0f);
        ASSERT_LT (term * engine->detuneDepthSamples * (v.half ? 0.5f : 1.0f), 0.0f);

        const auto signal = noise (16, 3);
        runOneControlBlock (*engine, v, signal.data(), signal.data());
        EXPECT_EQ (engine->delayLines[1].tapDelay[2], 0.0f);

        for (int ch = 0; ch < 2; ++ch)
            for (int k = 0; k < 8; ++k)
                EXPECT_GE (engine->delayLines[ch].tapDelay[k], 0.0f);

        // Rendering on at these settings stays finite.
        const auto longer = noise (48000, 4);
        const auto out = render (*engine, Engine::getProcessRoutine (phaseMode, v.colour, v.half), longer, longer, { 333 }, false);
        EXPECT_TRUE (std::all_of (out.begin(), out.end(), [] (float x) { return std::isfinite (x); }));
    }
}
