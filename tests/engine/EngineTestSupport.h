#pragma once

#include "QuillmorChorusEngine.h"

#include <memory>

namespace quillmor::test
{
    using Engine = QuillmorChorusEngine;

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
