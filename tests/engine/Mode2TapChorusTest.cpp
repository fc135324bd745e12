#include "FrameTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace frametest;

namespace
{
    /** One control block's tap offsets, read back from the engine: the delay each tap
        was last read at minus its smoothed position, with the depths of that block. */
    struct Offsets
    {
        float left, right, detune, vibrato;
    };

    /** Runs `blocks` control blocks of silence and records the offsets after each. */
    std::vector<Offsets> traceOffsets (Engine& engine, bool dark, bool half, int blocks)
    {
        const auto routine = Engine::getProcessRoutine (0, dark ? 1 : 0, half);
        const float scale = half ? 0.5f : 1.0f;
        float silence[16] = {};
        float out[2][16];
        const float* inputs[2] = { silence, silence };
        float* outputs[2] = { out[0], out[1] };
        std::vector<Offsets> trace;

        for (int b = 0; b < blocks; ++b)
        {
            (engine.*routine) (inputs, outputs, 16, 2);
            trace.push_back ({ engine.delayLines[0].tapDelay[0] - engine.tapDelaySmoothers[0][0].value,
                               engine.delayLines[1].tapDelay[0] - engine.tapDelaySmoothers[1][0].value,
                               engine.detuneDepthSmoother.value * scale,
                               engine.vibratoDepthSmoother.value * scale });
        }

        return trace;
    }

    std::unique_ptr<Engine> makeModulatedEngine (float detuneNormalised, float vibratoNormalised)
    {
        auto engine = makeDefaultEngine();
        engine->setParameter (smoothingTime, 0.0f);
        engine->setParameter (detuneDepth, detuneNormalised);
        engine->setParameter (vibratoDepth, vibratoNormalised);
        return engine;
    }

    struct Variant
    {
        bool dark, half;
    };

    const Variant variants[] = { { false, false }, { true, false }, { false, true }, { true, true } };
} // namespace

TEST (Mode2TapChorus, WithoutDepthEachTapSitsAtItsShareOfTheDelay)
{
    for (const auto& v : variants)
    {
        auto engine = makeModulatedEngine (0.0f, 0.0f);
        engine->setParameter (skew, 0.0f);   // Skew -100 %: the left tap at half the length

        const auto trace = traceOffsets (*engine, v.dark, v.half, 300);

        for (const auto& o : trace)
        {
            EXPECT_EQ (o.left, 0.0f);
            EXPECT_EQ (o.right, 0.0f);
        }

        // 10 ms at 48 kHz is 480 samples; positions 1 - 0.5 x 1 (left) and 1 (right).
        EXPECT_NEAR (engine->delayLines[0].tapDelay[0], 240.0f, 1e-3f);
        EXPECT_NEAR (engine->delayLines[1].tapDelay[0], 480.0f, 1e-3f);
    }
}

TEST (Mode2TapChorus, DetuneOffsetsMirrorEachOtherAndSumToTwiceTheDepth)
{
    for (const auto& v : variants)
    {
        auto engine = makeModulatedEngine (0.5f, 0.0f);
        const auto trace = traceOffsets (*engine, v.dark, v.half, 3000);

        // Default Depth 50 and DetuneDepth 50: 0.01 x 50 x 50 x 5.12 = 128 samples at full speed.
        EXPECT_NEAR (trace.back().detune, v.half ? 64.0f : 128.0f, 1e-3f);

        for (const auto& o : trace)
        {
            EXPECT_NEAR (o.left + o.right, 2.0f * o.detune, 1e-4f * o.detune + 1e-5f);
            EXPECT_GE (o.left, 0.0f);
            EXPECT_LE (o.left, 2.0f * o.detune * 1.0001f);
        }
    }
}

TEST (Mode2TapChorus, TheTriangleRepeatsEveryTwoOverDetuneRateSeconds)
{
    // DetuneRate 0.5 Hz: a period of 4 s, 12000 control blocks; half a period later the
    // left offset is mirrored. The float phase drifts by less than one block's step over
    // a period, and one step moves the offset by 2 dd x 2 x 0.5 / 3000, 0.085 samples.
    auto engine = makeModulatedEngine (0.5f, 0.0f);
    const auto trace = traceOffsets (*engine, false, false, 30000);
    const float depth = trace.back().detune;
    const float oneStep = 2.0f * depth * (2.0f * 0.5f / 3000.0f);

    for (int b = 3000; b < 3100; ++b)
    {
        EXPECT_NEAR (trace[static_cast<size_t> (b + 12000)].left, trace[static_cast<size_t> (b)].left, oneStep);
        EXPECT_NEAR (trace[static_cast<size_t> (b + 6000)].left, 2.0f * depth - trace[static_cast<size_t> (b)].left, oneStep);
    }
}

TEST (Mode2TapChorus, VibratoMovesTheChannelsInQuadrature)
{
    for (const auto& v : variants)
    {
        auto engine = makeModulatedEngine (0.0f, 0.5f);
        const auto trace = traceOffsets (*engine, v.dark, v.half, 3000);

        // VibratoDepth 50 and Depth 50: 0.01 x 50 x 50 x 1.28 = 32 samples at full speed.
        EXPECT_NEAR (trace.back().vibrato, v.half ? 16.0f : 32.0f, 1e-3f);

        // (sine, cosine) lies on the unit circle, up to the table's interpolation error.
        for (size_t b = 2000; b < trace.size(); ++b)
        {
            const auto& o = trace[b];
            const float s = o.left / o.vibrato - 1.0f;
            const float c = o.right / o.vibrato - 1.0f;
            EXPECT_NEAR (s * s + c * c, 1.0f, 1e-3f) << b;
        }
    }
}

TEST (Mode2TapChorus, TheVibratoRepeatsAtItsRate)
{
    // VibratoRate 6 Hz (its default, 5.9999995 in float) at 3000 control blocks a second:
    // one cycle every 500 blocks; a quarter cycle turns the left sine into the right cosine.
    auto engine = makeModulatedEngine (0.0f, 0.5f);
    const auto trace = traceOffsets (*engine, false, false, 3000);

    for (size_t b = 2000; b < 2100; ++b)
    {
        EXPECT_NEAR (trace[b + 500].left, trace[b].left, 2e-2f);
        EXPECT_NEAR (trace[b + 125].left, trace[b].right, 2e-2f);
    }
}
