// Delay length, tap positions and gains, LFO rates and the 16Phase tables.

#include "QuillmorChorusEngine.h"

#include <cmath>
#include <initializer_list>
#include <limits>

namespace
{
    constexpr int left = 0;
    constexpr int right = 1;

    /** A note value: beats x 4 = f x m / divisor. Triplets are 8/3, kept as 8 then / 3. */
    struct SyncRow
    {
        float f, m, divisor;
    };

    // Index 0 ("Free") is not tempo-synced and has no row of its own.
    constexpr SyncRow syncTable[17] = {
        { 0.0f, 0.0f, 1.0f },                                                          // Free
        { 0.0625f, 4.0f, 1.0f }, { 0.125f, 4.0f, 1.0f }, { 0.25f, 4.0f, 1.0f },         // 1/16 1/8 1/4
        { 0.5f, 4.0f, 1.0f }, { 1.0f, 4.0f, 1.0f }, { 2.0f, 4.0f, 1.0f },               // 2/4 4/4 8/4
        { 0.0625f, 6.0f, 1.0f }, { 0.125f, 6.0f, 1.0f }, { 0.25f, 6.0f, 1.0f },         // dotted
        { 0.5f, 6.0f, 1.0f }, { 1.0f, 6.0f, 1.0f },
        { 0.0625f, 8.0f, 3.0f }, { 0.125f, 8.0f, 3.0f }, { 0.25f, 8.0f, 3.0f },         // triplets
        { 0.5f, 8.0f, 3.0f }, { 1.0f, 8.0f, 3.0f },
    };

    // Per-tap offsets from the even grid, (left, right), scaled by Random.
    constexpr float tapOffsets[16][2] = {
        { -0.8768f, 0.5604f }, { -0.3248f, 0.2157f }, { 0.4825f, -0.7904f }, { -0.7442f, 0.0991f },
        { -0.0295f, 0.7810f }, { 0.5979f, 0.4687f }, { -0.8973f, -0.8542f }, { -0.8229f, 0.5967f },
        { 0.8860f, 0.3674f }, { -0.7358f, 0.4454f }, { -0.7793f, -0.7650f }, { 0.2814f, -0.3424f },
        { 0.3076f, 0.4983f }, { 0.1664f, 0.4801f }, { -0.5303f, 0.4699f }, { 0.9412f, 0.7339f },
    };

    /** Taps per channel and the scales of Random (rho) and Skew (sigma), per mode. */
    struct TapLayout
    {
        int taps;
        float randomScale, skewScale;
    };

    constexpr TapLayout tapLayouts[QuillmorChorusEngine::numChorusModes] = {
        { 1, 0.0f, 0.5f },             // 2TapChorus: its own rule, see updateTapDelays
        { 2, 0.125f, 0.25f },          // 4TapEnsemble
        { 3, 0.09375f, 0.16666667f },  // SuperSix
        { 3, 0.09375f, 0.16666667f },  // 6TapRandom
        { 3, 0.09375f, 0.16666667f },  // DualEnsemble
        { 4, 0.0625f, 0.125f },        // 8Tap
        { 8, 0.03125f, 0.0625f },      // 16Phase
        { 8, 0.03125f, 0.0625f },      // 16Tap
        { 16, 0.015625f, 0.03125f },   // 32Tap
    };

    /** Per-tap vibrato series: each LFO runs slower than the previous by rateStep
        and gets deeper by depthStep, so the taps never beat in step. */
    struct VibratoSeries
    {
        int taps;
        float rateStep, depthStep;
    };

    bool isProcessedMode (int mode) noexcept
    {
        return mode >= 0 && mode < QuillmorChorusEngine::numChorusModes;
    }
} // namespace

void QuillmorChorusEngine::setTempo (float bpm) noexcept
{
    if (bpm == tempoBpm)
        return;

    tempoBpm = bpm;
    updateDelayTime();
}

void QuillmorChorusEngine::updateDelayTime() noexcept
{
    if (delaySyncIndex >= 1 && delaySyncIndex <= 16)
    {
        const auto& row = syncTable[delaySyncIndex];
        const float beat = 60.0f / tempoBpm;
        const float length = beat * row.f * sampleRate * row.m / row.divisor;

        // A tempo of 0, NaN, a negative tempo or -0 gives no usable length;
        // they all fall back to the longest synced delay.
        delayLengthSamples = (length >= 0.0f && length <= syncedDelayCap) ? length : syncedDelayCap;
    }
    else
    {
        delayLengthSamples = delayMs * sampleRate / 1000.0f;
    }
}

void QuillmorChorusEngine::updateTapDelays (int mode) noexcept
{
    if (! isProcessedMode (mode))
        return;

    const float spread = 0.01f * spreadPercent;
    const float random = 0.01f * randomPercent;

    // Skew pulls one channel's taps in only, by its sign.
    const float skew[2] = { skewPercent < 0.0f ? -0.01f * skewPercent : 0.0f,
                            skewPercent < 0.0f ? 0.0f : 0.01f * skewPercent };
    const auto& layout = tapLayouts[mode];

    if (mode == 0)
    {
        tapPositionsLeft[0] = 1.0f - layout.skewScale * skew[left];
        tapPositionsRight[0] = 1.0f - layout.skewScale * skew[right];
        return;
    }

    float* const positions[2] = { tapPositionsLeft, tapPositionsRight };
    const float taps = static_cast<float> (layout.taps);

    for (int i = 0; i < layout.taps; ++i)
    {
        for (int c : { left, right })
        {
            float t = random * tapOffsets[i][c];
            t = t * layout.randomScale;
            t = t + static_cast<float> (i) / taps;
            t = t + skew[c] * layout.skewScale;
            t = t * spread;
            positions[c][i] = 1.0f - t;
        }
    }
}

void QuillmorChorusEngine::updateTapGains (int mode) noexcept
{
    if (! isProcessedMode (mode) || mode == 0)
        return;

    if (mode == 1)
    {
        for (int i = 0; i < 2; ++i)
            tapGainsLeft[i] = tapGainsRight[i] = 0.70710677f;
        return;
    }

    // Ratio of the last tap's gain to the first: 0.1 at Slope -100, 10 at +100.
    float ratio = static_cast<float> (1.0 + (-0.009) * std::fabs (static_cast<double> (slopePercent)));
    if (slopePercent > 0.0f)
        ratio = 1.0f / ratio;

    const int taps = tapLayouts[mode].taps;
    float step;
    if (taps == 3)
        step = std::sqrt (ratio);
    else if (taps == 4)
        step = std::pow (ratio, 0.33333334f);
    else if (taps == 8)
        step = std::pow (ratio, 0.14285715f);
    else
        step = std::pow (ratio, 0.06666667f);

    // Built in locals and stored only when final: the audio thread may read
    // the live gains at any moment.
    float gains[maxTaps];
    float energy = 0.0f;
    float gain = 1.0f;
    for (int i = 0; i < taps; ++i)
    {
        gains[i] = gain;
        energy = energy + gain * gain;
        gain = gain * step;
    }

    const float norm = std::sqrt (energy);
    // A Slope far outside its range has no real series (a negative ratio);
    // the previous gains then stay.
    if (! (norm > 0.0f && norm <= std::numeric_limits<float>::max()))
        return;

    const float scale = 1.0f / norm;
    for (int i = 0; i < taps; ++i)
        tapGainsLeft[i] = tapGainsRight[i] = gains[i] * scale;
}

void QuillmorChorusEngine::updateDetuneRates (int mode) noexcept
{
    const float controlRate = sampleRate / controlDivisor;
    const float rate = detuneRateHz;

    switch (mode)
    {
        case 0:
            detuneLfos[0].setRate (rate, controlRate);
            break;

        case 1:
            detuneLfos[0].setRate (rate, controlRate);
            detuneLfos[1].setRate (rate * 0.8478f, controlRate);
            break;

        case 2:
            detuneLfos[0].setRate (rate, controlRate);
            detuneLfos[1].setRate (rate * 0.58181816f, controlRate);
            detuneLfos[2].setRate (rate * 0.18181819f, controlRate);
            break;

        case 3:
            // The random direction changes are paced by the rate too.
            detuneLfos[0].setRate (rate, controlRate);
            detuneLfos[0].setPeriod (rate * 6.67f, controlRate);
            detuneLfos[1].setRate (rate * 0.58181816f, controlRate);
            detuneLfos[1].setPeriod (rate * 5.81f, controlRate);
            detuneLfos[2].setRate (rate * 0.18181819f, controlRate);
            detuneLfos[2].setPeriod (rate * 4.319f, controlRate);
            break;

        case 4:
            vibratoLfos[left][0].setFrequency (rate, controlRate);
            vibratoLfos[right][0].setFrequency (rate * 0.8478f, controlRate);
            break;

        case 6:
            vibratoLfos[left][0].setFrequency (rate, controlRate);
            break;

        case 5:
        case 7:
        case 8:
        {
            const int count = mode == 5 ? 4 : (mode == 7 ? 8 : 16);
            const float factorStep = mode == 5 ? 0.5f : (mode == 7 ? 0.831f : 0.891f);
            float factor = 1.0f;
            for (int k = 0; k < count; ++k)
            {
                detuneLfos[k].setRate (rate * factor, controlRate);
                factor = factor * factorStep;
            }
            break;
        }

        default:
            break;
    }
}

void QuillmorChorusEngine::updateVibratoRates (int mode) noexcept
{
    const float controlRate = sampleRate / controlDivisor;
    const float rate = vibratoRateHz;

    VibratoSeries series { 0, 1.0f, 1.0f };
    switch (mode)
    {
        case 1:
        case 2:
        case 4:
            vibratoLfos[left][1].setFrequency (rate, controlRate);
            vibratoLfos[right][1].setFrequency (rate * 0.857f, controlRate);
            return;

        case 3: series = { 4, 0.9329014f, 1.0719247f }; break;
        case 5: series = { 4, 0.9481523f, 1.0546828f }; break;
        case 7: series = { 8, 0.9733068f, 1.0274253f }; break;
        case 8: series = { 16, 0.9733068f, 1.0274253f }; break;

        default:
            // 2TapChorus, 16Phase and the modes without a routine.
            vibratoLfos[left][1].setFrequency (rate, controlRate);
            return;
    }

    float* const depthScales[2] = { vibratoDepthScalesLeft, vibratoDepthScalesRight };
    float rateFactor = 1.0f;
    float depthFactor = 1.0f;
    for (int t = 0; t < series.taps; ++t)
    {
        for (int c : { left, right })
        {
            vibratoLfos[c][t].setFrequency (rateFactor * rate, controlRate);
            depthScales[c][t] = depthFactor;
            rateFactor = rateFactor * series.rateStep;
            depthFactor = depthFactor * series.depthStep;
        }
    }
}

void QuillmorChorusEngine::initPhaseTables() noexcept
{
    constexpr float step = 0.3926991f; // pi / 8

    for (int i = 0; i < numPhases; ++i)
    {
        const float even = static_cast<float> (2 * i);
        phaseSinLeft[i] = std::sin (even * step);
        phaseCosLeft[i] = std::cos (even * step);
        phaseSinRight[i] = std::sin ((even + 1.0f) * step);
        phaseCosRight[i] = std::cos ((even + 1.0f) * step);
    }
}
