#pragma once

#include <cmath>
#include <cstdint>

/** A sine oscillator with two independent phases.

    The radian phase is a float stepped and read through sinf; the table phase is
    a 32-bit fixed-point phase (top 8 bits index a 257-point sine table, low 24
    bits interpolate) that wraps by plain integer overflow, so it never drifts and
    also gives the quadrature cosine for free. Modes choose one or the other;
    the owner steps it once per control block.
*/
class QuillmorSineLfo
{
public:
    /** Zero phases and steps; fills the sine table. */
    QuillmorSineLfo();

    /** Sets both steps for hz cycles per second at rate steps per second; returns the fixed-point step.
        Expects hz below rate / 2; steps beyond the 32-bit range saturate. */
    int setFrequency (float hz, float rate) noexcept;

    /** Reads the sine at the table phase, then advances the table phase. */
    float stepTable() noexcept
    {
        const uint32_t p = advanceTable();
        return interpolate (p >> 24, tableFraction (p));
    }

    /** Reads sine and cosine at the table phase, then advances the table phase. */
    void stepTable (float& sine, float& cosine) noexcept
    {
        const uint32_t p = advanceTable();
        const uint32_t i = p >> 24;
        const float f = tableFraction (p);
        sine = interpolate (i, f);
        cosine = interpolate ((i + 64) & 255, f);
    }

    /** Advances the radian phase, keeping it in [0, 2 pi), and returns the sine of the new phase. */
    float stepRadian() noexcept
    {
        float phase = radianPhase + radianStep;

        if (phase >= twoPi)
            phase -= twoPi;

        if (phase < 0.0f)
            phase += twoPi;

        radianPhase = phase;
        return std::sin (phase);
    }

    static constexpr float twoPi = 6.2831855f;
    static constexpr int tableSize = 256;

    float radianPhase = 0.0f;
    float radianStep = 0.0f;
    uint32_t tablePhase = 0;
    int32_t tableStep = 0;
    float sineTable[tableSize + 1] = {};

private:
    uint32_t advanceTable() noexcept
    {
        const uint32_t p = tablePhase;
        tablePhase = p + static_cast<uint32_t> (tableStep);
        return p;
    }

    static float tableFraction (uint32_t phase) noexcept
    {
        return static_cast<float> (phase & 0xffffffu) * 5.9604645e-08f;
    }

    float interpolate (uint32_t index, float fraction) const noexcept
    {
        return sineTable[index] * (1.0f - fraction) + sineTable[index + 1] * fraction;
    }
};
