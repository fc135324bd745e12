#include "QuillmorBlockFrame.h"

/** One tap per channel, moved by one sine LFO (sine left, cosine right, so the two
    channels move in quadrature) and one triangle (in phase left, inverted right). */
struct Mode2TapChorus
{
    static constexpr int tapsPerChannel = 1;
    static constexpr auto arrangement = QuillmorChorusEngine::TapArrangement::shared;
};

template <>
void QuillmorChorusEngine::modulateTaps<Mode2TapChorus> (float detuneDepth, float vibratoDepth, float* offsetsLeft, float* offsetsRight) noexcept
{
    auto& triangleLfo = detuneLfos[0];
    triangleLfo.stepPlain();
    const float triangle = triangleLfo.triangle() - 1.0f;

    float sine, cosine;
    vibratoLfos[0][1].stepTable (sine, cosine);

    // Never negative: both parts swing from 0 to twice their depth.
    offsetsLeft[0] = (sine + 1.0f) * vibratoDepth + (triangle + 1.0f) * detuneDepth;
    offsetsRight[0] = (cosine + 1.0f) * vibratoDepth + (1.0f - triangle) * detuneDepth;
}

void QuillmorChorusEngine::process2TapChorusBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode2TapChorus, false, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process2TapChorusDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode2TapChorus, true, false> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process2TapChorusBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode2TapChorus, false, true> (inputs, outputs, numSamples);
}

void QuillmorChorusEngine::process2TapChorusDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int) noexcept
{
    processWithFrame<Mode2TapChorus, true, true> (inputs, outputs, numSamples);
}
