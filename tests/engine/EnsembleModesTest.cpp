#include "FrameTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

using namespace frametest;

// The four ensemble modes (4TapEnsemble, SuperSix, 6TapRandom, DualEnsemble) on rendered
// audio: their taps, their channel symmetry and their stability at the range limits.

namespace
{
    using Engine = QuillmorChorusEngine;

    std::vector<Routine> ensembleRoutines()
    {
        std::vector<Routine> result;

        for (const auto& r : allRoutines())
            if (r.mode >= 1 && r.mode <= 4)
                result.push_back (r);

        return result;
    }

    class EnsembleRoutine : public ::testing::TestWithParam<Routine> {};

    std::string routineName (const ::testing::TestParamInfo<Routine>& info) { return info.param.name; }

    int tapsPerChannel (int mode) { return mode == 1 ? 2 : 3; }

    /** The index of the largest magnitude in [from, to). */
    int peakIndex (const std::vector<float>& x, int from, int to)
    {
        int best = from;

        for (int i = from; i < to; ++i)
            if (std::fabs (x[static_cast<size_t> (i)]) > std::fabs (x[static_cast<size_t> (best)]))
                best = i;

        return best;
    }
} // namespace

TEST_P (EnsembleRoutine, AnImpulseEchoesOncePerTapAtItsDelayWithItsGain)
{
    // No modulation, no feedback, wet only. Delay 100 ms is 4800 samples; Slope -100 makes
    // the untouched gain series 1, sqrt 0.1, 0.1 (4TapEnsemble keeps equal gains); Skew +100
    // moves only the right taps, by a sixth (two taps: a quarter) of the spread.
    const auto& r = GetParam();
    const int taps = tapsPerChannel (r.mode);
    const double spread = taps == 2 ? 1.0 : 0.75;
    const double skewShare = taps == 2 ? 0.25 : 1.0 / 6.0;
    const double ratios[3] = { 1.0, r.mode == 1 ? 1.0 : std::sqrt (0.1), 0.1 };

    auto engine = makeDefaultEngine();
    setMode (*engine, r.mode);
    engine->setParameter (Engine::mixParameter, 1.0f);
    engine->setParameter (Engine::depthParameter, 0.0f);
    engine->setParameter (Engine::smoothingTimeParameter, 0.0f);
    engine->setParameter (Engine::delayParameter, 0.1f);
    engine->setParameter (Engine::spreadParameter, static_cast<float> (spread));
    engine->setParameter (Engine::slopeParameter, 0.0f);
    engine->setParameter (Engine::skewParameter, 1.0f);

    const int at = 48000 + 3;   // after a second in which every smoother settles
    const int speed = r.half ? 2 : 1;
    const int length = at + 16 + speed * 4800 + 1000;
    std::vector<float> impulse (static_cast<size_t> (length), 0.0f);
    impulse[static_cast<size_t> (at)] = 1.0f;
    const auto out = render (*engine, r.routine, impulse, impulse, { 256 }, false);

    for (int ch = 0; ch < 2; ++ch)
    {
        const std::vector<float> y (out.begin() + ch * length, out.begin() + (ch + 1) * length);
        int expectedAt[3] = {};

        for (int k = 0; k < taps; ++k)
        {
            const double position = 1.0 - (k / static_cast<double> (taps) + (ch == 1 ? skewShare : 0.0)) * spread;
            expectedAt[k] = at + 16 + speed * static_cast<int> (std::lround (4800.0 * position));
        }

        // Every echo has the same shape (the network's filters), so the peaks sit at the
        // same distance from their taps' delays and scale with the tap gains.
        const int lag = peakIndex (y, expectedAt[0], expectedAt[0] + 40) - expectedAt[0];
        EXPECT_LE (lag, r.half ? 12 : 2) << "channel " << ch;
        const float reference = y[static_cast<size_t> (expectedAt[0] + lag)];

        std::vector<bool> nearEcho (y.size(), false);

        for (int k = 0; k < taps; ++k)
        {
            EXPECT_EQ (peakIndex (y, expectedAt[k] - 40, expectedAt[k] + 40), expectedAt[k] + lag) << "channel " << ch << ", tap " << k;
            EXPECT_NEAR (y[static_cast<size_t> (expectedAt[k] + lag)] / reference, ratios[k], 2e-3 * ratios[k])
                << "channel " << ch << ", tap " << k;

            for (int i = expectedAt[k] - 2; i < expectedAt[k] + 300; ++i)
                nearEcho[static_cast<size_t> (i)] = true;
        }

        // And nothing else: no further echo anywhere in the response.
        for (int i = at + 1; i < length; ++i)
        {
            const float level = nearEcho[static_cast<size_t> (i)] ? 0.0f : std::fabs (y[static_cast<size_t> (i)]);
            ASSERT_LT (level, 0.01f * std::fabs (reference)) << "channel " << ch << ", sample " << i - at;
        }
    }
}

TEST_P (EnsembleRoutine, AQuarterTurnOfFeedbackCarriesTheLeftFeedbackTapIntoTheRightChannel)
{
    // FeedbackRotate 100: the new right feedback is the old left one and the new left
    // feedback minus the old right one. The rotation works in place on the feedback
    // buffers, so it must still read both old values. A left impulse therefore comes
    // back once round the loop (tap 0's 4800 samples plus a control block) on the right
    // only, and only after two rounds, inverted, on the left.
    const auto& r = GetParam();
    auto engine = makeDefaultEngine();
    setMode (*engine, r.mode);
    engine->setParameter (Engine::mixParameter, 1.0f);
    engine->setParameter (Engine::depthParameter, 0.0f);
    engine->setParameter (Engine::smoothingTimeParameter, 0.0f);
    engine->setParameter (Engine::delayParameter, 0.1f);
    engine->setParameter (Engine::spreadParameter, 0.75f);
    engine->setParameter (Engine::feedbackParameter, 0.5f);
    engine->setParameter (Engine::feedbackRotateParameter, 1.0f);

    const int at = 48000 + 7;
    const int speed = r.half ? 2 : 1;
    const int loop = speed * 4800 + 16;                // once round: tap 0 and a control block
    const int shortestTap = tapsPerChannel (r.mode) == 2 ? 3000 : 2400;   // Spread 75 %
    const int firstRound = 16 + speed * shortestTap - 20;   // from just before its echo
    const int secondRound = firstRound + loop;
    const int thirdRound = secondRound + loop;
    const int length = at + thirdRound + 300;
    std::vector<float> left (static_cast<size_t> (length), 0.0f), right (left);
    left[static_cast<size_t> (at)] = 1.0f;
    const auto out = render (*engine, r.routine, left, right, { 128 }, false);

    auto peak = [&] (int ch, int from, int to)
    {
        float p = 0.0f;
        for (int i = at + from; i < at + to; ++i)
            p = std::fmax (p, std::fabs (out[static_cast<size_t> (ch * length + i)]));
        return p;
    };

    const float direct = peak (0, firstRound, secondRound);

    EXPECT_GT (direct, 0.1f);
    EXPECT_LT (peak (1, 1, secondRound), 1e-4f * direct);
    EXPECT_GT (peak (1, secondRound, thirdRound), 0.2f * direct);
    EXPECT_LT (peak (0, secondRound, thirdRound), 1e-3f * direct);
    EXPECT_GT (peak (0, thirdRound, thirdRound + 300), 0.05f * direct);
}

TEST_P (EnsembleRoutine, MonoInputGivesBitIdenticalChannels)
{
    // Without modulation and with a feedback that is not rotated the network is symmetric
    // in its channels, filters, taps, gains and width included; diffusers and drive noise
    // are not (their channels differ by design), so they stay off.
    const auto& r = GetParam();
    auto engine = makeDefaultEngine();
    setMode (*engine, r.mode);
    engine->setParameter (Engine::mixParameter, 1.0f);
    engine->setParameter (Engine::depthParameter, 0.0f);
    engine->setParameter (Engine::feedbackParameter, 0.7f);
    engine->setParameter (Engine::feedbackRotateParameter, 0.0f);
    engine->setParameter (Engine::stereoWidthParameter, 0.9f);
    engine->setParameter (Engine::slopeParameter, 0.3f);
    engine->setParameter (Engine::spreadParameter, 0.8f);
    engine->setParameter (Engine::lowCutParameter, 0.2f);
    engine->setParameter (Engine::highCutParameter, 0.3f);

    const int length = 20000;
    const auto signal = noise (length, 11);
    const auto out = render (*engine, r.routine, signal, signal, { 100 }, false);

    EXPECT_EQ (std::memcmp (out.data(), out.data() + length, static_cast<size_t> (length) * sizeof (float)), 0);

    // A wet signal came through: the channels are not merely both silent.
    double energy = 0.0;
    for (int i = length / 2; i < length; ++i)
        energy += static_cast<double> (out[static_cast<size_t> (i)]) * out[static_cast<size_t> (i)];
    EXPECT_GT (energy, 10.0);
}

TEST_P (EnsembleRoutine, StaysFiniteAtTheLimitsOfEveryRange)
{
    // Every parameter but the mode, colour and speed at 0 or 1 of its range, in several
    // combinations, with full-scale noise in.
    const auto& r = GetParam();
    const int length = 24000;
    const auto left = noise (length, 5);
    const auto right = noise (length, 6);

    for (uint64_t pattern : { 0x0ull, 0x7ffffffffull, 0x555555555ull, 0x2aaaaaaaaull, 0x70f0f0f0full, 0x43c3c3c3cull, 0x36b8a1d27ull })
    {
        auto engine = makeDefaultEngine();
        setMode (*engine, r.mode);

        for (int i = 0; i < Engine::numParameters; ++i)
            if (i != Engine::typeParameter && i != Engine::colorModeParameter && i != Engine::speedParameter)
                engine->setParameter (i, static_cast<float> ((pattern >> i) & 1u));

        engine->setTempo (240.0f);
        const auto out = render (*engine, r.routine, left, right, { 512 }, false);

        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_TRUE (std::isfinite (out[i])) << "pattern " << std::hex << pattern << std::dec << ", sample " << i;
    }
}

INSTANTIATE_TEST_SUITE_P (Ensemble, EnsembleRoutine, ::testing::ValuesIn (ensembleRoutines()), routineName);
