#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

using namespace quillmor::test;

namespace
{
    /** The rate-dependent values a rate change must recompute. */
    std::vector<double> rateDependentValues (const Engine& e)
    {
        return { e.delayLengthSamples, e.highCutCoefficient, e.highCutCoefficient2x, e.spatialXoverCoefficient,
                 e.controlSmoothingCoefficient, e.mixSmoothingCoefficient, e.detuneDepthSamples,
                 e.allpassZeroFilters[1].b0, e.lowCutFilters[0].a1, e.driveHighpassFilters[1].a1,
                 e.detuneLfos[0].increment, e.diffusers[1].sampleRate, static_cast<double> (e.vibratoLfos[0][1].tableStep) };
    }

    /** Puts a non-zero value into every piece of state, listed by reset or not. */
    void dirty (Engine& e)
    {
        for (int c = 0; c < 2; ++c)
        {
            e.delayLines[c].ring[5] = 1.0f;
            e.diffusers[c].stages[0].ring[3] = 1.0f;
            for (auto* buffers : { e.fifoBuffers, e.feedbackBuffers, e.crossoverLowBuffers, e.crossoverHighBuffers })
                buffers[c][15] = 1.0f;
        }
        for (auto* buffer : e.blockBuffers)
            buffer[0] = 1.0f;
        for (auto* buffer : e.oversampledBuffers)
            buffer[31] = 1.0f;
        for (auto& f : e.lowCutFilters) f.s = 1.0f;
        for (auto& f : e.driveHighpassFilters) f.s = 1.0f;
        for (auto& f : e.allpassZeroFilters) f.s = 1.0f;
        for (auto& f : e.allpassPoleFilters) f.s = 1.0f;
        for (auto& f : e.highCutFilters) f.value = 1.0f;
        for (auto& f : e.spatialXoverFilters) f.value = 1.0f;
        for (auto& f : e.driveHighCutFilters) f.value = 1.0f;
        e.tapDelaySmoothers[1][3].value = 1.0f;
        e.wetGainSmoother.value = 1.0f;
        e.detuneDepthSmoother.value = 1.0f;
        e.blockPosition = 7;
    }
} // namespace

TEST (EngineConstruction, ReadyFor48kWithEverythingAllocated)
{
    Engine engine;
    EXPECT_EQ (engine.sampleRate, 48000.0f);
    EXPECT_EQ (engine.controlDivisor, 16.0f);
    EXPECT_EQ (engine.blockPosition, 0);
    EXPECT_EQ (engine.tempoBpm, 120.0f);
    EXPECT_NEAR (engine.controlSmoothingCoefficient, 0.00066644448, 1e-9);
    EXPECT_NEAR (engine.mixSmoothingCoefficient, timeConstant (50, 48000), 1e-9);
    EXPECT_NEAR (engine.allpassZeroFilters[0].b0, bilinearPole (2128, 48000), 1e-6);
    EXPECT_EQ (engine.allpassZeroFilters[0].b1, 1.0f);
    EXPECT_EQ (engine.allpassZeroFilters[0].a1, 0.0f);
    EXPECT_EQ (engine.allpassPoleFilters[3].a1, engine.allpassZeroFilters[0].b0);
    EXPECT_EQ (engine.allpassPoleFilters[3].b0, 1.0f);
    EXPECT_NEAR (engine.driveHighpassFilters[1].a1, bilinearPole (100, 48000), 1e-6);
    EXPECT_EQ (engine.noises[0].seed, 1235);
    EXPECT_EQ (engine.noises[1].seed, 3737);

    // 1000 ms at 192 kHz, a tap a little beyond the full length and deep
    // modulation must all fit in the ring without wrapping.
    EXPECT_EQ (engine.delayLines[0].size, 1L << 20);
    EXPECT_EQ (engine.delayLines[1].size, 1L << 20);

    for (int i = 0; i < Engine::maxTaps; ++i)
        EXPECT_EQ (engine.tapPositionsLeft[i] + engine.tapPositionsRight[i], 2.0f);

    for (auto* buffer : engine.blockBuffers)
    {
        ASSERT_NE (buffer, nullptr);
        EXPECT_EQ (reinterpret_cast<std::uintptr_t> (buffer) % 16, 0u);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ (buffer[i], 0.0f);
    }
    for (auto* buffer : engine.oversampledBuffers)
        for (int i = 0; i < 32; ++i)
            EXPECT_EQ (buffer[i], 0.0f);
}

TEST (EngineSampleRate, SameRateChangesNothing)
{
    auto engine = makeDefaultEngine();
    dirty (*engine);
    const auto before = rateDependentValues (*engine);

    engine->setSampleRate (48000);
    engine->setSampleRate (0);
    engine->setSampleRate (-44100);

    EXPECT_EQ (rateDependentValues (*engine), before);
    EXPECT_EQ (engine->sampleRate, 48000.0f);
    EXPECT_EQ (engine->delayLines[0].ring[5], 1.0f);
    EXPECT_EQ (engine->lowCutFilters[1].s, 1.0f);
    EXPECT_EQ (engine->fifoBuffers[0][15], 1.0f);
}

TEST (EngineSampleRate, NewRateRecomputesAndReturnsExactly)
{
    auto engine = makeDefaultEngine();
    const auto at48k = rateDependentValues (*engine);
    const double rate = 44100.0, controlRate = rate / 16;
    dirty (*engine);

    engine->setSampleRate (44100);
    EXPECT_EQ (engine->sampleRate, 44100.0f);
    EXPECT_NEAR (engine->delayLengthSamples, 441.0, 1e-3);
    EXPECT_NEAR (engine->highCutCoefficient, onePole (20000, rate), 1e-6);
    EXPECT_NEAR (engine->highCutCoefficient2x, onePole (20000, 2 * rate), 1e-6);
    EXPECT_NEAR (engine->spatialXoverCoefficient, onePole (300, rate), 1e-6);
    EXPECT_NEAR (engine->controlSmoothingCoefficient, timeConstant (100, controlRate), 1e-8);
    EXPECT_NEAR (engine->mixSmoothingCoefficient, timeConstant (50, rate), 1e-9);
    EXPECT_NEAR (engine->detuneDepthSamples, 128.0 * rate / 48000, 1e-3);
    EXPECT_NEAR (engine->allpassPoleFilters[2].a1, bilinearPole (2128, rate), 1e-6);
    EXPECT_NEAR (engine->lowCutFilters[0].a1, bilinearPole (10, rate), 1e-6);
    EXPECT_NEAR (engine->driveHighpassFilters[0].a1, bilinearPole (100, rate), 1e-6);
    EXPECT_NEAR (engine->detuneLfos[0].increment, 2 * 0.5 / controlRate, 1e-8);
    EXPECT_NEAR (engine->vibratoLfos[0][1].tableStep, 6.0 / controlRate * 4294967296.0, 20.0);
    EXPECT_EQ (engine->diffusers[0].sampleRate, 44100.0f);
    EXPECT_NEAR (engine->diffusers[0].smoothingCoefficient, timeConstant (100, controlRate), 1e-8);

    // The rate change went through a reset.
    EXPECT_EQ (engine->delayLines[1].ring[5], 0.0f);
    EXPECT_EQ (engine->spatialXoverFilters[0].value, 0.0f);

    engine->setSampleRate (48000);
    EXPECT_EQ (rateDependentValues (*engine), at48k);
}

TEST (EngineReset, ClearsTheSignalStateOnly)
{
    auto engine = makeDefaultEngine();
    dirty (*engine);
    const auto settings = rateDependentValues (*engine);
    const int64_t writePosition = engine->delayLines[0].writePosition;

    engine->reset();

    for (int c = 0; c < 2; ++c)
    {
        EXPECT_EQ (engine->delayLines[c].ring[5], 0.0f);
        EXPECT_EQ (engine->diffusers[c].stages[0].ring[3], 0.0f);
        EXPECT_EQ (engine->lowCutFilters[c].s, 0.0f);
        EXPECT_EQ (engine->driveHighpassFilters[c].s, 0.0f);
        EXPECT_EQ (engine->allpassZeroFilters[c].s, 0.0f);
        EXPECT_EQ (engine->allpassPoleFilters[c].s, 0.0f);
        EXPECT_EQ (engine->highCutFilters[c].value, 0.0f);
        EXPECT_EQ (engine->spatialXoverFilters[c].value, 0.0f);
        for (auto* buffers : { engine->fifoBuffers, engine->feedbackBuffers, engine->crossoverLowBuffers, engine->crossoverHighBuffers })
            EXPECT_EQ (buffers[c][15], 0.0f);

        // The feedback-tap and Dark second-stage states and the oversampled
        // highcut are not part of the reset.
        EXPECT_EQ (engine->allpassPoleFilters[2 + c].s, 1.0f);
        EXPECT_EQ (engine->highCutFilters[2 + c].value, 1.0f);
        EXPECT_EQ (engine->driveHighCutFilters[c].value, 1.0f);
    }
    for (auto* buffer : engine->blockBuffers)
        EXPECT_EQ (buffer[0], 0.0f);
    for (auto* buffer : engine->oversampledBuffers)
        EXPECT_EQ (buffer[31], 0.0f);

    EXPECT_EQ (engine->blockPosition, 7);
    EXPECT_EQ (engine->delayLines[0].writePosition, writePosition);
    EXPECT_EQ (engine->tapDelaySmoothers[1][3].value, 1.0f);
    EXPECT_EQ (engine->wetGainSmoother.value, 1.0f);
    EXPECT_EQ (engine->detuneDepthSmoother.value, 1.0f);
    EXPECT_EQ (rateDependentValues (*engine), settings);
}
