#include "FrameTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace frametest;

// The four multi-tap modes: 8Tap, 16Phase, 16Tap and 32Tap, each in both colours at both speeds.

namespace
{
    struct ModeCase
    {
        int mode;
        int taps;   // per channel
    };

    const ModeCase multiTapModes[] = { { 5, 4 }, { 6, 8 }, { 7, 8 }, { 8, 16 } };

    struct Variant
    {
        int colour;
        bool half;
    };

    const Variant variants[] = { { 0, false }, { 1, false }, { 0, true }, { 1, true } };

    std::string describe (int mode, const Variant& v)
    {
        return "mode " + std::to_string (mode) + (v.colour == 0 ? " Bright" : " Dark") + (v.half ? " half" : " full");
    }

    constexpr float delayMs = 200.0f;           // 9600 samples at 48 kHz
    constexpr int delaySamples = 9600;
    constexpr int settleSamples = 48000;        // one second: mix gains and tap positions at their targets

    /** An engine in `mode` whose taps stand still at 200 ms x (1 - i/n x Spread 50 %):
        no modulation, no feedback, only the wet signal, fast tap smoothing. */
    std::unique_ptr<Engine> makeStillEngine (int mode, float slopePercent)
    {
        auto engine = makeDefaultEngine();
        setMode (*engine, mode);
        setReal (*engine, Engine::mixParameter, 100.0f);
        setReal (*engine, Engine::detuneDepthParameter, 0.0f);
        setReal (*engine, Engine::delayParameter, delayMs);
        setReal (*engine, Engine::slopeParameter, slopePercent);
        setReal (*engine, Engine::smoothingTimeParameter, 1.0f);
        return engine;
    }

    /** Delay of tap i of n in samples with Spread 50 %, Random 0, Skew 0. */
    int tapDelay (int i, int taps)
    {
        return delaySamples - i * delaySamples / (2 * taps);
    }

    /** After a second of silence, one unit impulse in both channels at a control-block
        boundary; returns what follows it in each channel. */
    std::vector<float> impulseResponse (Engine& engine, const Variant& v, int length, int channel)
    {
        std::vector<float> in (static_cast<size_t> (settleSamples + length), 0.0f);
        in[settleSamples] = 1.0f;
        const auto out = render (engine, Engine::getProcessRoutine (engine.chorusMode, v.colour, v.half), in, in, { 512 }, false);
        const auto begin = out.begin() + static_cast<long> (channel) * static_cast<long> (in.size()) + settleSamples;
        return std::vector<float> (begin, begin + length);
    }

    struct Echo
    {
        int onset;      // first sample above the threshold
        int peak;       // loudest sample
        float height;   // the loudest sample less the slow low-cut tail of earlier echoes
    };

    /** Splits a response into echoes: runs of samples louder than 2 % of the loudest,
        a run ending after 64 quieter samples. */
    std::vector<Echo> findEchoes (const std::vector<float>& y)
    {
        float loudest = 0.0f;
        for (float v : y)
            loudest = std::max (loudest, std::fabs (v));

        const float threshold = 0.02f * loudest;
        const int n = static_cast<int> (y.size());
        std::vector<Echo> echoes;

        for (int i = 0; i < n; ++i)
        {
            if (std::fabs (y[static_cast<size_t> (i)]) <= threshold)
                continue;

            Echo e { i, i, 0.0f };
            int quiet = 0;

            for (; i < n && quiet < 64; ++i)
            {
                if (std::fabs (y[static_cast<size_t> (i)]) > threshold)
                {
                    quiet = 0;
                    if (std::fabs (y[static_cast<size_t> (i)]) > std::fabs (y[static_cast<size_t> (e.peak)]))
                        e.peak = i;
                }
                else
                {
                    ++quiet;
                }
            }

            // Every echo leaves a slow tail a thousandth as loud through the 10 Hz low cut;
            // the tail under the peak is extrapolated in a straight line from before the echo.
            const float tailNear = y[static_cast<size_t> (std::max (0, e.peak - 48))];
            const float tailFar = y[static_cast<size_t> (std::max (0, e.peak - 96))];
            e.height = y[static_cast<size_t> (e.peak)] - (2.0f * tailNear - tailFar);
            echoes.push_back (e);
        }

        return echoes;
    }

    /** Slope's gain of tap i of n before normalising: the Slope factor spread geometrically
        over the taps, so the last tap gets all of it. */
    double slopeGain (float slopePercent, int i, int taps)
    {
        double r = 1.0 - 0.009 * std::fabs (static_cast<double> (slopePercent));
        if (slopePercent > 0.0f)
            r = 1.0 / r;
        return std::pow (r, static_cast<double> (i) / static_cast<double> (taps - 1));
    }
} // namespace

TEST (MultiTapModes, WithoutModulationEachTapIsOneEchoAtItsShareOfTheDelay)
{
    for (const auto& m : multiTapModes)
    {
        for (const auto& v : variants)
        {
            SCOPED_TRACE (describe (m.mode, v));
            auto engine = makeStillEngine (m.mode, 0.0f);
            const int length = 16 + 2 * delaySamples + 1000;

            for (int channel = 0; channel < 2; ++channel)
            {
                const auto echoes = findEchoes (impulseResponse (*engine, v, length, channel));
                ASSERT_EQ (static_cast<int> (echoes.size()), m.taps);

                // Earliest echo first: the last tap is the shortest.
                const int first = tapDelay (m.taps - 1, m.taps);
                const int speedFactor = v.half ? 2 : 1;

                for (int k = 0; k < m.taps; ++k)
                {
                    const int expected = tapDelay (m.taps - 1 - k, m.taps);
                    EXPECT_EQ (echoes[static_cast<size_t> (k)].peak - echoes[0].peak, speedFactor * (expected - first));

                    if (v.half)
                    {
                        // The half-rate line doubles the delay; the resamplers add a few samples.
                        EXPECT_GE (echoes[static_cast<size_t> (k)].onset, 16 + 2 * expected);
                        EXPECT_LE (echoes[static_cast<size_t> (k)].peak, 16 + 2 * expected + 40);
                    }
                    else
                    {
                        // One control block in the FIFO, then the tap's delay, to the sample.
                        EXPECT_EQ (echoes[static_cast<size_t> (k)].onset, 16 + expected);
                    }
                }
            }
        }
    }
}

TEST (MultiTapModes, EchoHeightsFollowSlopeWithUnitEnergyPerChannel)
{
    for (const auto& v : variants)
    {
        for (float slope : { -100.0f, 0.0f, 55.0f, 100.0f })
        {
            // Height of a unit-gain echo, which every mode must agree on.
            double unitHeight = 0.0;

            for (const auto& m : multiTapModes)
            {
                SCOPED_TRACE (describe (m.mode, v) + " slope " + std::to_string (slope));
                auto engine = makeStillEngine (m.mode, slope);
                const auto echoes = findEchoes (impulseResponse (*engine, v, 16 + 2 * delaySamples + 1000, 0));
                ASSERT_EQ (static_cast<int> (echoes.size()), m.taps);

                double energy = 0.0;
                for (int i = 0; i < m.taps; ++i)
                    energy += slopeGain (slope, i, m.taps) * slopeGain (slope, i, m.taps);

                // Tap 0 has the longest delay, so its echo comes last.
                const auto& tap0 = echoes.back();
                const double gain0 = 1.0 / std::sqrt (energy);

                if (unitHeight == 0.0)
                    unitHeight = tap0.height / gain0;
                else
                    EXPECT_NEAR (tap0.height / gain0, unitHeight, 1e-3 * std::fabs (unitHeight));

                for (int i = 1; i < m.taps; ++i)
                {
                    const auto& echo = echoes[static_cast<size_t> (m.taps - 1 - i)];
                    EXPECT_NEAR (echo.height / tap0.height, slopeGain (slope, i, m.taps), 1e-3 * slopeGain (slope, i, m.taps))
                        << "tap " << i;
                }
            }
        }
    }
}

TEST (MultiTapModes, UnmodulatedMonoInputGivesIdenticalChannels)
{
    // Left and right taps sit at the same places with the same gains, and with no rotation
    // each channel's feedback returns to itself, so a mono input stays mono to the bit.
    // (The drive stays off: its noise differs between the channels.)
    const auto signal = noise (9000, 21);

    for (const auto& m : multiTapModes)
    {
        for (const auto& v : variants)
        {
            SCOPED_TRACE (describe (m.mode, v));
            auto engine = makeStillEngine (m.mode, -60.0f);
            setReal (*engine, Engine::mixParameter, 70.0f);
            setReal (*engine, Engine::delayParameter, 23.0f);
            setReal (*engine, Engine::feedbackParameter, 80.0f);
            setReal (*engine, Engine::feedbackRotateParameter, 0.0f);

            const auto out = render (*engine, Engine::getProcessRoutine (m.mode, v.colour, v.half), signal, signal, { 100 }, false);
            const std::vector<float> left (out.begin(), out.begin() + static_cast<long> (signal.size()));
            const std::vector<float> right (out.begin() + static_cast<long> (signal.size()), out.end());

            EXPECT_TRUE (left == right);
            EXPECT_NE (left, signal);
        }
    }
}

TEST (MultiTapModes, ExtremeSettingsKeepTheOutputFinite)
{
    // Every parameter at an end of its range, in three patterns; the mode is chosen last.
    const std::vector<float> loud = [] {
        auto x = noise (48000, 5);
        for (auto& v : x)
            v *= 8.0f;
        return x;
    }();
    const auto other = noise (48000, 6);

    for (int pattern = 0; pattern < 3; ++pattern)
    {
        for (const auto& m : multiTapModes)
        {
            for (const auto& v : variants)
            {
                SCOPED_TRACE (describe (m.mode, v) + " pattern " + std::to_string (pattern));
                auto engine = makeDefaultEngine();

                for (int i = 0; i < Engine::numParameters; ++i)
                    engine->setParameter (i, pattern == 2 ? static_cast<float> (i % 2) : static_cast<float> (pattern));

                setMode (*engine, m.mode);

                const auto out = render (*engine, Engine::getProcessRoutine (m.mode, v.colour, v.half), loud, other, { 1, 37, 512 }, false);

                EXPECT_TRUE (std::all_of (out.begin(), out.end(), [] (float x) { return std::isfinite (x); }));
            }
        }
    }
}

namespace
{
    /** The modulation of one control block, recomputed from the LFOs as they stood before it. */
    struct ExpectedOffsets
    {
        float left[Engine::maxTaps];
        float right[Engine::maxTaps];
    };

    ExpectedOffsets nextTriangleAndSineOffsets (const Engine& engine, int taps, bool scaledDepth, float scale)
    {
        const float dd = engine.detuneDepthSamples * scale;
        const float vd = engine.vibratoDepthSamples * scale;
        ExpectedOffsets e {};

        auto nextSine = [] (const QuillmorSineLfo& lfo) {
            float phase = lfo.radianPhase + lfo.radianStep;
            if (phase >= 6.2831855f)
                phase = phase - 6.2831855f;
            if (phase < 0.0f)
                phase = phase + 6.2831855f;
            return std::sin (phase);
        };

        for (int i = 0; i < taps; ++i)
        {
            float value = engine.detuneLfos[i].value + engine.detuneLfos[i].increment;
            if (value >= 4.0f)
                value = value - 4.0f;
            if (value <= 0.0f)
                value = value + 4.0f;
            const float t = std::fabs (value - 2.0f) - 1.0f;

            const float sL = nextSine (engine.vibratoLfos[0][i]);
            const float sR = nextSine (engine.vibratoLfos[1][i]);
            const float fL = engine.vibratoDepthScalesLeft[i];
            const float fR = engine.vibratoDepthScalesRight[i];

            e.left[i] = (1.0f + t) * dd + (scaledDepth ? (1.0f + sL) * (vd * fL) : (sL + 1.0f) * vd * fL);
            e.right[i] = (1.0f - t) * dd + (scaledDepth ? (1.0f + sR) * (vd * fR) : (sR + 1.0f) * vd * fR);
        }

        return e;
    }
} // namespace

TEST (MultiTapModes, TrianglePairsAndPerTapSinesGiveEachTapItsOffset)
{
    // With no delay the smoothed tap positions stay at 0, so each tap's read delay is its
    // modulation offset itself. 8Tap scales the vibrato by the depth, then the tap's factor;
    // 16Tap and 32Tap scale the depth by the factor first.
    struct Case
    {
        int mode, taps;
        bool scaledDepth;
    };

    for (const Case c : { Case { 5, 4, false }, Case { 7, 8, true }, Case { 8, 16, true } })
    {
        for (const auto& v : variants)
        {
            SCOPED_TRACE (describe (c.mode, v));
            auto engine = makeDefaultEngine();
            setMode (*engine, c.mode);
            setReal (*engine, Engine::delayParameter, 0.0f);
            setReal (*engine, Engine::detuneRateParameter, 9.0f);
            setReal (*engine, Engine::detuneDepthParameter, 70.0f);
            setReal (*engine, Engine::vibratoRateParameter, 17.0f);
            setReal (*engine, Engine::vibratoDepthParameter, 45.0f);
            engine->detuneDepthSmoother.value = engine->detuneDepthSamples;
            engine->vibratoDepthSmoother.value = engine->vibratoDepthSamples;

            // Start the triangles apart so that the pairs are told apart.
            for (int i = 0; i < c.taps; ++i)
                engine->detuneLfos[i].value = 0.25f * static_cast<float> (i) + 0.1f;

            const auto routine = Engine::getProcessRoutine (c.mode, v.colour, v.half);
            float in[16] = {};
            float out[2][16];
            const float* inputs[2] = { in, in };
            float* outputs[2] = { out[0], out[1] };

            for (int block = 0; block < 400; ++block)
            {
                const auto expected = nextTriangleAndSineOffsets (*engine, c.taps, c.scaledDepth, v.half ? 0.5f : 1.0f);
                (engine.get()->*routine) (inputs, outputs, 16, 2);

                for (int i = 0; i < c.taps; ++i)
                {
                    ASSERT_EQ (engine->delayLines[0].tapDelay[i], expected.left[i]) << "block " << block << " tap " << i;
                    ASSERT_EQ (engine->delayLines[1].tapDelay[i], expected.right[i]) << "block " << block << " tap " << i;
                }
            }
        }
    }
}

TEST (MultiTapModes, TheirRoutinesFillTheTableRowsOfModesFiveToEight)
{
    using E = Engine;
    const E::ProcessRoutine expected[4][2][2] = {
        { { &E::process8TapBrightFull, &E::process8TapBrightHalf }, { &E::process8TapDarkFull, &E::process8TapDarkHalf } },
        { { &E::process16PhaseBrightFull, &E::process16PhaseBrightHalf }, { &E::process16PhaseDarkFull, &E::process16PhaseDarkHalf } },
        { { &E::process16TapBrightFull, &E::process16TapBrightHalf }, { &E::process16TapDarkFull, &E::process16TapDarkHalf } },
        { { &E::process32TapBrightFull, &E::process32TapBrightHalf }, { &E::process32TapDarkFull, &E::process32TapDarkHalf } },
    };

    for (int m = 0; m < 4; ++m)
        for (int colour = 0; colour < 2; ++colour)
            for (int speed = 0; speed < 2; ++speed)
                EXPECT_TRUE (E::getProcessRoutine (5 + m, colour, speed == 1) == expected[m][colour][speed]);
}
