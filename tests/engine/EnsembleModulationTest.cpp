#include "FrameTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>

using namespace frametest;

// The ensemble modes' tap offsets, read back from the engine after each control block
// and compared with the LFO formulas evaluated here in double precision from the
// LFOs' start phases (all zero after construction) and their rates.

namespace
{
    using Engine = QuillmorChorusEngine;

    constexpr double twoPi = 6.283185307179586;
    constexpr double controlRate = 3000.0;   // 48000 Hz in 16-sample blocks
    constexpr int maxTaps = 3;

    struct Offsets
    {
        double left[maxTaps], right[maxTaps];
    };

    /** A triangle from -1 to 1 after `blocks` forward steps of a phase that starts at 0. */
    double triangle (double hz, int blocks)
    {
        const double phase = std::fmod (blocks * 2.0 * hz / controlRate, 4.0);
        return std::fabs (phase - 2.0) - 1.0;
    }

    /** The sine of a radian-phase LFO in block b (counted from 1): read after its step. */
    double radianSine (double hz, int b)
    {
        return std::sin (b * twoPi * hz / controlRate);
    }

    /** The angle of a table-phase LFO in block b (counted from 1): read before its step,
        with the step truncated to whole 2^-32 cycles. */
    double tableAngle (double hz, int b)
    {
        const double step = std::floor (hz * 256.0 / controlRate * 16777216.0);
        return twoPi * std::fmod ((b - 1) * step, 4294967296.0) / 4294967296.0;
    }

    double degrees (int d) { return d * twoPi / 360.0; }

    struct Rates
    {
        double detune, vibrato;
    };

    using Expectation = std::function<Offsets (const Rates&, int block, double detuneDepth, double vibratoDepth)>;

    /** Runs `blocks` control blocks of silence from a fresh engine and checks every tap's
        offset (its last read delay minus its smoothed position) against `expected`. */
    void checkOffsets (int mode, int taps, const Expectation& expected, int blocks)
    {
        for (int colour = 0; colour < 2; ++colour)
        {
            for (bool half : { false, true })
            {
                auto engine = makeDefaultEngine();
                setMode (*engine, mode);
                engine->setParameter (Engine::smoothingTimeParameter, 0.0f);
                engine->setParameter (Engine::detuneRateParameter, 0.3f);
                engine->setParameter (Engine::vibratoRateParameter, 0.5f);
                engine->setParameter (Engine::vibratoDepthParameter, 0.5f);
                const Rates rates { engine->getParameterValue (Engine::detuneRateParameter),
                                    engine->getParameterValue (Engine::vibratoRateParameter) };

                const auto routine = Engine::getProcessRoutine (mode, colour, half);
                const double scale = half ? 0.5 : 1.0;
                float silence[16] = {};
                float out[2][16];
                const float* inputs[2] = { silence, silence };
                float* outputs[2] = { out[0], out[1] };

                for (int b = 1; b <= blocks; ++b)
                {
                    ((*engine).*routine) (inputs, outputs, 16, 2);

                    const auto e = expected (rates, b, engine->detuneDepthSmoother.value * scale,
                                             engine->vibratoDepthSmoother.value * scale);

                    for (int k = 0; k < taps; ++k)
                    {
                        const double left = engine->delayLines[0].tapDelay[k] - engine->tapDelaySmoothers[0][k].value;
                        const double right = engine->delayLines[1].tapDelay[k] - engine->tapDelaySmoothers[1][k].value;
                        ASSERT_NEAR (left, e.left[k], 0.1) << "colour " << colour << ", half " << half << ", block " << b << ", tap " << k;
                        ASSERT_NEAR (right, e.right[k], 0.1) << "colour " << colour << ", half " << half << ", block " << b << ", tap " << k;
                    }
                }
            }
        }
    }

    // Rate factors of the three detune triangles of SuperSix and 6TapRandom.
    constexpr double triangleRates[3] = { 1.0, 0.58181816, 0.18181819 };
} // namespace

TEST (Mode4TapEnsemble, TapZeroCarriesVibratoAndDetuneTapOneTheInvertedDetune)
{
    checkOffsets (1, 2, [] (const Rates& rate, int b, double dd, double vd)
    {
        const double triLeft = triangle (rate.detune, b);
        const double triRight = triangle (rate.detune * 0.8478, b);
        Offsets o {};
        o.left[0] = (triLeft + 1.0) * dd + (radianSine (rate.vibrato, b) + 1.0) * vd;
        o.right[0] = (triRight + 1.0) * dd + (radianSine (rate.vibrato * 0.857, b) + 1.0) * vd;
        o.left[1] = (1.0 - triLeft) * dd;
        o.right[1] = (1.0 - triRight) * dd;
        return o;
    }, 2500);
}

TEST (ModeSuperSix, EachChannelReadsItsSineAtZeroSixtyAndOneHundredTwentyDegrees)
{
    checkOffsets (2, 3, [] (const Rates& rate, int b, double dd, double vd)
    {
        Offsets o {};

        for (int i = 0; i < 3; ++i)
        {
            const double tri = triangle (rate.detune * triangleRates[i], b);
            const double sineLeft = std::sin (tableAngle (rate.vibrato, b) + degrees (60 * i));
            const double sineRight = std::sin (tableAngle (rate.vibrato * 0.857, b) + degrees (60 * i));
            o.left[i] = (tri + 1.0) * dd + (sineLeft + 1.0) * vd * 0.857;
            o.right[i] = (1.0 - tri) * dd + (sineRight + 1.0) * vd;
        }

        return o;
    }, 2500);
}

TEST (Mode6TapRandom, EveryTapHasItsOwnSineAtItsOwnRateAndDepth)
{
    // Rate and depth factors of the six vibrato sines, left and right per tap; the triangles
    // run plain until their first random decision, thousands of blocks later.
    constexpr double rateLeft[3] = { 1.0, 0.870305, 0.7574308 };
    constexpr double rateRight[3] = { 0.9329014, 0.8119087, 0.7066082 };
    constexpr double depthLeft[3] = { 1.0, 1.149023, 1.320253 };
    constexpr double depthRight[3] = { 1.071925, 1.231666, 1.415212 };

    checkOffsets (3, 3, [&] (const Rates& rate, int b, double dd, double vd)
    {
        Offsets o {};

        for (int i = 0; i < 3; ++i)
        {
            const double tri = triangle (rate.detune * triangleRates[i], b);
            o.left[i] = (1.0 + tri) * dd + (radianSine (rate.vibrato * rateLeft[i], b) + 1.0) * vd * depthLeft[i];
            o.right[i] = (1.0 - tri) * dd + (radianSine (rate.vibrato * rateRight[i], b) + 1.0) * vd * depthRight[i];
        }

        return o;
    }, 2500);
}

TEST (ModeDualEnsemble, DetuneAndVibratoSinesEachDriveAChannelsTapsSixtyDegreesApart)
{
    checkOffsets (4, 3, [] (const Rates& rate, int b, double dd, double vd)
    {
        Offsets o {};

        for (int i = 0; i < 3; ++i)
        {
            const double shift = degrees (60 * i);
            o.left[i] = (std::sin (tableAngle (rate.detune, b) + shift) + 1.0) * dd
                      + (std::sin (tableAngle (rate.vibrato, b) + shift) + 1.0) * vd * 0.857;
            o.right[i] = (std::sin (tableAngle (rate.detune * 0.8478, b) + shift) + 1.0) * dd
                       + (std::sin (tableAngle (rate.vibrato * 0.857, b) + shift) + 1.0) * vd;
        }

        return o;
    }, 2500);
}

TEST (Mode6TapRandom, TrianglesReverseWhereTheHoldCountsAndTheRandomDrawsSaySo)
{
    // Each triangle decides when its counter has run down: the first time after the
    // 20869 blocks its constructor counts, then every hold count = floor(3000 / (R x p))
    // blocks, reversing when the next value of seed x 214013 + 2531011 (from 1235), read
    // as a signed fraction of 2^31, exceeds 0.5. Other modes neither count nor draw.
    constexpr float periodFactors[3] = { 6.67f, 5.81f, 4.319f };

    for (int colour = 0; colour < 2; ++colour)
    {
        for (bool half : { false, true })
        {
            auto engine = makeDefaultEngine();
            engine->setParameter (Engine::detuneRateParameter, 1.0f);
            const float rate = engine->getParameterValue (Engine::detuneRateParameter);

            float silence[16] = {};
            float out[2][16];
            const float* inputs[2] = { silence, silence };
            float* outputs[2] = { out[0], out[1] };

            // A while in SuperSix first: its triangles move, but nothing is counted or drawn.
            setMode (*engine, 2);
            for (int b = 0; b < 5000; ++b)
                engine->processSuperSixBrightFull (inputs, outputs, 16, 2);

            setMode (*engine, 3);
            const auto routine = Engine::getProcessRoutine (3, colour, half);

            int32_t counter[3], hold[3];
            uint32_t seed[3];
            double direction[3];
            int reversals[3] = {};

            for (int k = 0; k < 3; ++k)
            {
                counter[k] = 20869;
                hold[k] = static_cast<int32_t> (std::floor (3000.0f / (rate * periodFactors[k])));
                seed[k] = 1235u;
                direction[k] = 1.0;
            }

            EXPECT_EQ (hold[0], 44);
            EXPECT_EQ (hold[2], 69);

            for (int b = 1; b <= 20869 + 60 * 69; ++b)
            {
                ((*engine).*routine) (inputs, outputs, 16, 2);

                for (int k = 0; k < 3; ++k)
                {
                    if (counter[k] <= 0)
                    {
                        seed[k] = seed[k] * 214013u + 2531011u;

                        if (static_cast<int32_t> (seed[k]) / 2147483648.0 > 0.5)
                        {
                            direction[k] = -direction[k];
                            ++reversals[k];
                        }

                        counter[k] = hold[k];
                    }

                    --counter[k];
                    ASSERT_EQ (engine->detuneLfos[k].slope > 0.0f, direction[k] > 0.0)
                        << "colour " << colour << ", half " << half << ", block " << b << ", triangle " << k;
                }
            }

            for (int k = 0; k < 3; ++k)
                EXPECT_GE (reversals[k], 5) << "triangle " << k;
        }
    }
}
