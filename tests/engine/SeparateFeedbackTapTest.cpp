#include "FrameTestSupport.h"
#include "QuillmorBlockFrame.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace frametest;

/** Two still taps per channel in the separate-feedback arrangement: the multi-tap
    modes' network with their modulation taken out. */
struct TwoStillTaps
{
    static constexpr int tapsPerChannel = 2;
    static constexpr auto arrangement = QuillmorChorusEngine::TapArrangement::separateFeedback;
};

template <>
void QuillmorChorusEngine::modulateTaps<TwoStillTaps> (float, float, float* offsetsLeft, float* offsetsRight) noexcept
{
    for (int k = 0; k < TwoStillTaps::tapsPerChannel; ++k)
        offsetsLeft[k] = offsetsRight[k] = 0.0f;
}

namespace
{
    constexpr float gain0 = 0.8f;
    constexpr float gain1 = 0.3f;

    /** Wet only, 10 ms (480 samples), tap 0 at the full length and tap 1 at a quarter of it. */
    std::unique_ptr<Engine> makeTwoTapEngine()
    {
        auto engine = makeDefaultEngine();
        engine->setParameter (mix, 1.0f);
        engine->setParameter (detuneDepth, 0.0f);
        engine->setParameter (smoothingTime, 0.0f);
        engine->setParameter (feedbackRotate, 0.0f);

        for (auto* positions : { engine->tapPositionsLeft, engine->tapPositionsRight })
        {
            positions[0] = 1.0f;
            positions[1] = 0.25f;
        }

        for (auto* gains : { engine->tapGainsLeft, engine->tapGainsRight })
        {
            gains[0] = gain0;
            gains[1] = gain1;
        }

        return engine;
    }

    template <bool dark, bool half>
    std::vector<float> renderTwoTaps (Engine& engine, const std::vector<float>& left, const std::vector<float>& right,
                                      const std::vector<int>& sizes)
    {
        return renderWith ([&] (const float* const* in, float* const* out, int n)
                           { engine.processWithFrame<TwoStillTaps, dark, half> (in, out, n); },
                           left, right, sizes, false);
    }

    std::vector<float> renderTwoTaps (Engine& engine, bool dark, bool half, const std::vector<float>& left,
                                      const std::vector<float>& right, const std::vector<int>& sizes)
    {
        if (dark)
            return half ? renderTwoTaps<true, true> (engine, left, right, sizes)
                        : renderTwoTaps<true, false> (engine, left, right, sizes);

        return half ? renderTwoTaps<false, true> (engine, left, right, sizes)
                    : renderTwoTaps<false, false> (engine, left, right, sizes);
    }

    struct Variant
    {
        bool dark, half;
    };

    const Variant variants[] = { { false, false }, { true, false }, { false, true }, { true, true } };
} // namespace

TEST (SeparateFeedbackTap, OutputSumsTheTapsByTheirGainsAndOnlyTapZeroFeedsBack)
{
    // Tap 1 (120 samples) and tap 0 (480) reach the output 16 samples later, weighted by
    // their gains; both pass the whole emphasis allpass, which keeps the energy. Only
    // tap 0 returns, at unit gain times Feedback, 16 samples after its read: its echo
    // shows up through tap 1 after 496 + 16 + 120 and through tap 0 after 496 + 16 + 480.
    // A returning tap 1 would put energy at 136 + 16 + 120.
    const int at = 24000 + 7;
    const double fb = 0.5;

    for (bool dark : { false, true })
    {
        auto engine = makeTwoTapEngine();
        engine->setParameter (feedback, static_cast<float> (fb));

        std::vector<float> impulse (static_cast<size_t> (at + 1600), 0.0f);
        impulse[static_cast<size_t> (at)] = 1.0f;
        const auto out = renderTwoTaps (*engine, dark, false, impulse, impulse, { 256 });

        const double tap1 = energy (out, at + 136 - 1, 41);
        const double tap0 = energy (out, at + 496 - 1, 41);
        const double tap1Again = energy (out, at + 496 + 16 + 120 - 1, 41);
        const double tap0Again = energy (out, at + 496 + 16 + 480 - 1, 41);
        const double wrongReturn = energy (out, at + 136 + 16 + 120 - 1, 41);

        // The input passes one HighCut one-pole per trip round the loop; Dark adds one on
        // the wet output, once.
        const int outputPoles = dark ? 1 : 0;
        const double loopFactor = onePoleEnergy (2 + outputPoles) / onePoleEnergy (1 + outputPoles);

        const char* colour = dark ? "dark" : "bright";
        EXPECT_NEAR (tap0, gain0 * gain0 * onePoleEnergy (1 + outputPoles), 0.01) << colour;
        EXPECT_NEAR (tap1 / tap0, (gain1 * gain1) / (gain0 * gain0), 0.01) << colour;
        EXPECT_NEAR (tap0Again / tap0, fb * fb * loopFactor, 0.01) << colour;
        EXPECT_NEAR (tap1Again / tap0, fb * fb * loopFactor * (gain1 * gain1) / (gain0 * gain0), 0.002) << colour;
        EXPECT_LT (wrongReturn, 1e-4 * tap0) << colour;
    }
}

TEST (SeparateFeedbackTap, TapGainsHoldAtHalfSpeed)
{
    // At half speed the taps lie twice as far in time; the output sum is formed at the
    // half rate and upsampled, which treats both taps alike.
    const int at = 24000 + 7;

    for (bool dark : { false, true })
    {
        auto engine = makeTwoTapEngine();
        std::vector<float> impulse (static_cast<size_t> (at + 1600), 0.0f);
        impulse[static_cast<size_t> (at)] = 1.0f;
        const auto out = renderTwoTaps (*engine, dark, true, impulse, impulse, { 256 });

        const double tap1 = energy (out, at + 16 + 240 - 4, 60);
        const double tap0 = energy (out, at + 16 + 960 - 4, 60);
        EXPECT_NEAR (tap1 / tap0, (gain1 * gain1) / (gain0 * gain0), 0.02) << (dark ? "dark" : "bright");
        EXPECT_LT (energy (out, at + 1, 250), 1e-4 * tap0);
    }
}

TEST (SeparateFeedbackTap, PostDriveNeverReachesTheOutputTaps)
{
    // With Feedback at 0 the driven feedback is added with gain 0: the output is the
    // same, bit for bit, as with the drive off. Before the delay the drive clips it.
    const auto left = noise (9600, 23);
    const auto right = noise (9600, 24);

    for (const auto& v : variants)
    {
        auto undriven = makeTwoTapEngine();
        const auto plain = renderTwoTaps (*undriven, v.dark, v.half, left, right, { 512 });

        for (bool post : { true, false })
        {
            auto driven = makeTwoTapEngine();
            driven->setParameter (drive, 1.0f);
            driven->setParameter (drivePrePost, post ? 1.0f : 0.0f);
            const auto out = renderTwoTaps (*driven, v.dark, v.half, left, right, { 512 });
            const bool same = std::memcmp (plain.data(), out.data(), plain.size() * sizeof (float)) == 0;
            EXPECT_EQ (same, post) << (v.dark ? "dark" : "bright") << (v.half ? " half" : " full") << (post ? " post" : " pre");
        }
    }
}
