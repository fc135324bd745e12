#include "QuillmorChorusEngine.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Time to render one second of 48 kHz stereo in 512-sample host blocks, for every
// routine of the dispatch table: once at the default settings and once with every
// optional stage switched on (diffusion, drive, feedback, vibrato), the costliest
// case. The "xRealTime" counter is the real-time factor: seconds of audio rendered
// per second of CPU time on one core.

namespace
{
    using Engine = QuillmorChorusEngine;

    constexpr int sampleRate = 48000;
    constexpr int hostBlock = 512;

    const char* const modeNames[Engine::numChorusModes] = { "2TapChorus", "4TapEnsemble", "SuperSix", "6TapRandom",
                                                            "DualEnsemble", "8Tap", "16Phase", "16Tap", "32Tap" };

    std::unique_ptr<Engine> makeEngine (int mode, bool everythingOn)
    {
        auto engine = std::make_unique<Engine>();

        for (int i = 0; i < Engine::numParameters; ++i)
            engine->initParameter (i);

        for (int i = 0; i < Engine::numParameters; ++i)
            engine->setParameter (i, engine->getDefaultNormalized (i));

        engine->setParameter (Engine::typeParameter, (static_cast<float> (mode) + 1.5f) / 24.0f);

        if (! everythingOn)
            return engine;

        engine->setParameter (Engine::feedbackParameter, 0.5f);
        engine->setParameter (Engine::vibratoDepthParameter, 0.5f);
        engine->setParameter (Engine::diffEnableParameter, 1.0f);
        engine->setParameter (Engine::driveParameter, 1.0f);
        return engine;
    }

    void renderOneSecond (benchmark::State& state, int mode, Engine::ProcessRoutine routine, bool everythingOn)
    {
        auto engine = makeEngine (mode, everythingOn);

        std::vector<float> left (hostBlock), right (hostBlock);
        uint32_t seed = 1;
        for (int i = 0; i < hostBlock; ++i)
        {
            seed = seed * 1664525u + 1013904223u;
            left[static_cast<size_t> (i)] = static_cast<float> (static_cast<int32_t> (seed)) * 2.3283064e-10f;
            right[static_cast<size_t> (i)] = -left[static_cast<size_t> (i)];
        }

        std::vector<float> outLeft (hostBlock), outRight (hostBlock);
        const float* inputs[2] = { left.data(), right.data() };
        float* outputs[2] = { outLeft.data(), outRight.data() };

        for (auto _ : state)
        {
            for (int done = 0; done < sampleRate; done += hostBlock)
            {
                const int n = sampleRate - done < hostBlock ? sampleRate - done : hostBlock;
                ((*engine).*routine) (inputs, outputs, n, 2);
            }

            benchmark::DoNotOptimize (outLeft.data());
            benchmark::DoNotOptimize (outRight.data());
            benchmark::ClobberMemory();
        }

        state.counters["xRealTime"] = benchmark::Counter (static_cast<double> (state.iterations()), benchmark::Counter::kIsRate);
    }

    const bool registered = []
    {
        for (int mode = 0; mode < Engine::numChorusModes; ++mode)
            for (int colour = 0; colour < 2; ++colour)
                for (bool half : { false, true })
                    if (auto routine = Engine::getProcessRoutine (mode, colour, half))
                        for (bool everythingOn : { false, true })
                        {
                            const std::string name = std::string ("process") + modeNames[mode] + (colour == 0 ? "Bright" : "Dark")
                                                     + (half ? "Half" : "Full") + (everythingOn ? "/everythingOn" : "/defaults");
                            benchmark::RegisterBenchmark (name.c_str(), renderOneSecond, mode, routine, everythingOn)
                                ->Unit (benchmark::kMillisecond);
                        }

        return true;
    }();
} // namespace
