#pragma once

#include "QuillmorChorusEngine.h"

#include <cmath>
#include <memory>

namespace quillmor::test
{
    using Engine = QuillmorChorusEngine;

    constexpr double pi = 3.14159265358979323846;

    /** One-pole lowpass coefficient for a corner in Hz, in double precision. */
    inline double onePole (double hz, double rate) { return 1.0 - std::exp (-2.0 * pi * hz / rate); }

    /** One-pole smoothing coefficient for a time constant in ms, in double precision. */
    inline double timeConstant (double ms, double rate) { return 1.0 - std::exp (-1000.0 / (ms * rate)); }

    /** Pole coefficient of the bilinear first-order designs, (1 - k) / (1 + k). */
    inline double bilinearPole (double fc, double fs)
    {
        const double k = 2.0 * fs / (6.28318 * fc);
        return (1.0 - k) / (1.0 + k);
    }

    /** An engine set up as the processor sets it up: table filled, rate 48000,
        every parameter at its default. Heap-held: the engine is several megabytes. */
    inline std::unique_ptr<Engine> makeDefaultEngine()
    {
        auto engine = std::make_unique<Engine>();
        for (int i = 0; i < Engine::numParameters; ++i)
            engine->initParameter (i);
        engine->setSampleRate (48000);
        for (int i = 0; i < Engine::numParameters; ++i)
            engine->setParameter (i, engine->getDefaultNormalized (i));
        return engine;
    }

    /** Sets a linear parameter to a real value through its normalised form. */
    inline void setReal (Engine& engine, int index, float real)
    {
        const auto& p = engine.parameters[index];
        engine.setParameter (index, (real - p.minimum) / (p.maximum - p.minimum));
    }

    /** Selects a chorus mode (0..8 and beyond) the way the editor's mode box does. */
    inline void setMode (Engine& engine, int mode)
    {
        engine.setParameter (Engine::typeParameter, static_cast<float> (mode + 1) / 24.0f);
    }
} // namespace quillmor::test
