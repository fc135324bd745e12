#pragma once

#include "EngineTestSupport.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

/** Helpers of the block-processing tests: signals, the routines of the dispatch
    table, and rendering a stream in chosen host block sizes. */
namespace frametest
{
    using namespace quillmor::test;

    // Parameter indices used by the tests.
    enum Parameter
    {
        mix = Engine::mixParameter, stereoWidth = Engine::stereoWidthParameter, delay = Engine::delayParameter,
        feedback = Engine::feedbackParameter, skew = Engine::skewParameter, detuneDepth = Engine::detuneDepthParameter,
        vibratoDepth = Engine::vibratoDepthParameter, feedbackRotate = Engine::feedbackRotateParameter,
        smoothingTime = Engine::smoothingTimeParameter, diffEnable = Engine::diffEnableParameter,
        drive = Engine::driveParameter, drivePrePost = Engine::drivePrePostParameter
    };

    /** Deterministic noise in -1 .. 1 from a 32-bit LCG (the same on every platform). */
    inline std::vector<float> noise (int n, uint32_t seed)
    {
        std::vector<float> x (static_cast<size_t> (n));

        for (auto& v : x)
        {
            seed = seed * 1664525u + 1013904223u;
            v = static_cast<float> (static_cast<int32_t> (seed)) * 4.656613e-10f;
        }

        return x;
    }

    /** One routine of the dispatch table with a readable name. */
    struct Routine
    {
        int mode;
        int colour;
        bool half;
        QuillmorChorusEngine::ProcessRoutine routine;
        std::string name;
    };

    /** Lets test reports name the routine instead of dumping its bytes. */
    inline void PrintTo (const Routine& r, std::ostream* os) { *os << r.name; }

    /** Every routine the table offers, in mode, colour, speed order. */
    inline std::vector<Routine> allRoutines()
    {
        static const char* const modeNames[9] = { "2TapChorus", "4TapEnsemble", "SuperSix", "6TapRandom",
                                                  "DualEnsemble", "8Tap", "16Phase", "16Tap", "32Tap" };
        std::vector<Routine> result;

        for (int mode = 0; mode < 9; ++mode)
            for (int colour = 0; colour < 2; ++colour)
                for (bool half : { false, true })
                    if (auto r = QuillmorChorusEngine::getProcessRoutine (mode, colour, half))
                        result.push_back ({ mode, colour, half, r,
                                            std::string (modeNames[mode]) + (colour == 0 ? "Bright" : "Dark")
                                                + (half ? "Half" : "Full") });

        return result;
    }

    /** Sum of squares of x[from, from + count). */
    inline double energy (const std::vector<float>& x, int from, int count)
    {
        double e = 0.0;
        for (int i = from; i < from + count; ++i)
            e += static_cast<double> (x[static_cast<size_t> (i)]) * x[static_cast<size_t> (i)];
        return e;
    }

    /** Energy of a unit impulse through `stages` 20 kHz one-poles y = (1 - c) y + c x at
        48 kHz (the default HighCut), computed in double. */
    inline double onePoleEnergy (int stages)
    {
        const double c = 1.0 - std::exp (-2.0 * 3.14159265358979 * 20000.0 / 48000.0);
        std::vector<double> y (200, 0.0);
        y[0] = 1.0;

        for (int s = 0; s < stages; ++s)
        {
            double state = 0.0;
            for (auto& v : y)
                v = state = (1.0 - c) * state + c * v;
        }

        double e = 0.0;
        for (double v : y)
            e += v * v;
        return e;
    }

    /** Runs a stereo stream through process (inputs, outputs, n) in host blocks of the
        given sizes (cycled), out of place or in place; returns left then right output,
        concatenated. */
    template <typename Process>
    std::vector<float> renderWith (Process&& process, const std::vector<float>& left, const std::vector<float>& right,
                                   const std::vector<int>& blockSizes, bool inPlace)
    {
        const int total = static_cast<int> (left.size());
        std::vector<float> outLeft (left.size()), outRight (right.size());

        if (inPlace)
        {
            outLeft = left;
            outRight = right;
        }

        size_t next = 0;

        for (int start = 0; start < total;)
        {
            int n = blockSizes[next++ % blockSizes.size()];
            n = n < total - start ? n : total - start;
            const float* inputs[2] = { inPlace ? outLeft.data() + start : left.data() + start,
                                       inPlace ? outRight.data() + start : right.data() + start };
            float* outputs[2] = { outLeft.data() + start, outRight.data() + start };
            process (inputs, outputs, n);
            start += n;
        }

        outLeft.insert (outLeft.end(), outRight.begin(), outRight.end());
        return outLeft;
    }

    /** renderWith for a routine of the dispatch table. */
    inline std::vector<float> render (Engine& engine, Engine::ProcessRoutine routine,
                                      const std::vector<float>& left, const std::vector<float>& right,
                                      const std::vector<int>& blockSizes, bool inPlace)
    {
        return renderWith ([&] (const float* const* in, float* const* out, int n) { (engine.*routine) (in, out, n, 2); },
                           left, right, blockSizes, inPlace);
    }
} // namespace frametest
