#include "FrameTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>

using namespace frametest;

namespace
{
    /** Every path of the network at once: feedback, modulation, diffusion and drive. */
    void setBusyParameters (Engine& engine, bool drivePost)
    {
        engine.setParameter (feedback, 0.6f);
        engine.setParameter (vibratoDepth, 0.4f);
        engine.setParameter (smoothingTime, 0.0f);
        engine.setParameter (diffEnable, 1.0f);
        engine.setParameter (drive, 1.0f);
        engine.setParameter (drivePrePost, drivePost ? 1.0f : 0.0f);
    }

    bool bitIdentical (const std::vector<float>& a, const std::vector<float>& b)
    {
        return a.size() == b.size() && std::memcmp (a.data(), b.data(), a.size() * sizeof (float)) == 0;
    }

    /** A plain delay: no modulation, no feedback, wet only, the smoothers settled quickly. */
    void setPlainDelay (Engine& engine, float delayNormalised)
    {
        engine.setParameter (mix, 1.0f);
        engine.setParameter (detuneDepth, 0.0f);
        engine.setParameter (vibratoDepth, 0.0f);
        engine.setParameter (smoothingTime, 0.0f);
        engine.setParameter (delay, delayNormalised);
    }

    class EveryRoutine : public ::testing::TestWithParam<Routine> {};

    std::string routineName (const ::testing::TestParamInfo<Routine>& info) { return info.param.name; }
} // namespace

//==============================================================================
TEST_P (EveryRoutine, OutputDoesNotDependOnHostBlockSizes)
{
    const auto& r = GetParam();
    const int length = 12000;
    const auto left = noise (length, 1);
    const auto right = noise (length, 2);

    // Random sizes from 1 to 700, drawn once so every run cuts the stream the same way.
    std::vector<int> randomSizes;
    for (uint32_t s = 99, i = 0; i < 64; ++i)
    {
        s = s * 1664525u + 1013904223u;
        randomSizes.push_back (1 + static_cast<int> ((s >> 8) % 700));
    }

    const std::vector<std::vector<int>> cuts = { { 1 }, { 15 }, { 16 }, { 17 }, { 4096 }, randomSizes };

    for (bool drivePost : { false, true })
    {
        auto reference = makeDefaultEngine();
        setMode (*reference, r.mode);
        setBusyParameters (*reference, drivePost);
        const auto expected = render (*reference, r.routine, left, right, { length }, false);

        for (const auto& sizes : cuts)
        {
            for (bool inPlace : { false, true })
            {
                auto engine = makeDefaultEngine();
                setMode (*engine, r.mode);
                setBusyParameters (*engine, drivePost);
                EXPECT_TRUE (bitIdentical (expected, render (*engine, r.routine, left, right, sizes, inPlace)))
                    << "first block size " << sizes.front() << (inPlace ? " in place" : " out of place")
                    << (drivePost ? ", drive post" : ", drive pre");
            }
        }
    }
}

TEST_P (EveryRoutine, MonoInputEqualsIdenticalStereoInput)
{
    const auto& r = GetParam();
    const auto signal = noise (6000, 7);
    const auto copy = signal;
    std::vector<float> outMono (2 * signal.size()), outStereo (2 * signal.size());
    const int n = static_cast<int> (signal.size());

    auto a = makeDefaultEngine();
    auto b = makeDefaultEngine();

    for (auto* engine : { a.get(), b.get() })
    {
        setMode (*engine, r.mode);
        setBusyParameters (*engine, true);
    }

    const float* mono[2] = { signal.data(), signal.data() };
    const float* stereo[2] = { signal.data(), copy.data() };
    float* monoOut[2] = { outMono.data(), outMono.data() + n };
    float* stereoOut[2] = { outStereo.data(), outStereo.data() + n };
    ((*a).*r.routine) (mono, monoOut, n, 2);
    ((*b).*r.routine) (stereo, stereoOut, n, 2);

    EXPECT_TRUE (bitIdentical (outMono, outStereo));
}

TEST_P (EveryRoutine, MixAtZeroGivesTheDrySignal)
{
    const auto& r = GetParam();
    auto engine = makeDefaultEngine();
    setMode (*engine, r.mode);
    setBusyParameters (*engine, false);
    engine->setParameter (mix, 0.0f);

    // The dry gain glides from 0 to 1 with a 50 ms time constant; after two seconds it
    // has settled as far as a float glide gets: its step c (1 - g) falls below half an
    // ulp of 1 once 1 - g < 2^-25 / c, about 7.2e-5 for c = 1 - exp(-1 / 2400).
    const int length = 2 * 48000;
    const auto left = noise (length, 3);
    const auto right = noise (length, 4);
    const auto out = render (*engine, r.routine, left, right, { 512 }, false);

    for (int i = length - 4800; i < length; ++i)
    {
        ASSERT_NEAR (out[static_cast<size_t> (i)], left[static_cast<size_t> (i)], 7.5e-5f) << i;
        ASSERT_NEAR (out[static_cast<size_t> (length + i)], right[static_cast<size_t> (i)], 7.5e-5f) << i;
    }
}

TEST_P (EveryRoutine, ZeroOrNegativeSampleCountsChangeNothing)
{
    const auto& r = GetParam();
    const auto left = noise (2000, 5);
    const auto right = noise (2000, 6);

    auto plain = makeDefaultEngine();
    auto interrupted = makeDefaultEngine();

    for (auto* engine : { plain.get(), interrupted.get() })
    {
        setMode (*engine, r.mode);
        setBusyParameters (*engine, false);
    }

    const auto expected = render (*plain, r.routine, left, right, { 1000 }, false);

    std::vector<float> outLeft (2000), outRight (2000);
    const float* inputs[2] = { left.data(), right.data() };
    float* outputs[2] = { outLeft.data(), outRight.data() };
    ((*interrupted).*r.routine) (inputs, outputs, 1000, 2);

    // Poison the next output samples: an empty call must not touch them.
    float sentinel[2][4] = { { 7.0f, 7.0f, 7.0f, 7.0f }, { 7.0f, 7.0f, 7.0f, 7.0f } };
    float* sentinelOut[2] = { sentinel[0], sentinel[1] };
    ((*interrupted).*r.routine) (inputs, sentinelOut, 0, 2);
    ((*interrupted).*r.routine) (inputs, sentinelOut, -3, 2);

    for (auto& channel : sentinel)
        for (float v : channel)
            EXPECT_EQ (v, 7.0f);

    const float* rest[2] = { left.data() + 1000, right.data() + 1000 };
    float* restOut[2] = { outLeft.data() + 1000, outRight.data() + 1000 };
    ((*interrupted).*r.routine) (rest, restOut, 1000, 2);

    outLeft.insert (outLeft.end(), outRight.begin(), outRight.end());
    EXPECT_TRUE (bitIdentical (expected, outLeft));
}

TEST_P (EveryRoutine, SilenceInStaysAboveTheDenormalRange)
{
    // The alternating 1e-15 offset keeps the wet signal just off zero without ever
    // letting a decaying state sink into denormals. (The drive is off: its noise is not silent.)
    const auto& r = GetParam();
    auto engine = makeDefaultEngine();
    setMode (*engine, r.mode);
    setBusyParameters (*engine, false);
    engine->setParameter (drive, 0.0f);
    engine->setParameter (mix, 1.0f);

    const std::vector<float> silence (48000, 0.0f);
    const auto out = render (*engine, r.routine, silence, silence, { 512 }, false);

    bool anyNonZero = false;

    for (float v : out)
    {
        ASSERT_TRUE (v == 0.0f || std::fabs (v) >= FLT_MIN) << v;
        ASSERT_LT (std::fabs (v), 1e-9f);
        anyNonZero = anyNonZero || v != 0.0f;
    }

    EXPECT_TRUE (anyNonZero);
}

//==============================================================================
// Recovery from values that are not finite

TEST_P (EveryRoutine, RecoversAtOnceFromANonFiniteInput)
{
    const auto& r = GetParam();

    for (float poison : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity() })
    {
        auto engine = makeDefaultEngine();
        setMode (*engine, r.mode);
        setBusyParameters (*engine, false);
        engine->setParameter (feedback, 0.9f);
        engine->setParameter (mix, 1.0f);

        const int length = 24000;
        const int hit = 5003;
        auto left = noise (length, 8);
        auto right = noise (length, 9);
        left[hit] = poison;

        const auto out = render (*engine, r.routine, left, right, { 256 }, false);

        // Only the poisoned sample itself may come out non-finite, through the dry path.
        for (int i = 0; i < 2 * length; ++i)
        {
            if (i == hit)
                continue;

            ASSERT_TRUE (std::isfinite (out[static_cast<size_t> (i)])) << "sample " << i;
        }

        // The wet signal comes back: the last quarter second is not silent.
        EXPECT_GT (energy (out, length - 12000, 12000) / 12000.0, 1e-3);
    }
}

TEST (BlockFrame, GainsFromFarOutsideTheirRangesKeepTheOutputFinite)
{
    // Only direct engine calls get here (the processor keeps values within 0 .. 1):
    // TapGain at 1e6 asks for 24 million dB, Mix at 1e37 maps past the float range.
    const struct { int index; float normalised; } cases[] = { { Engine::tapGainParameter, 1e6f }, { mix, 1e37f } };
    const auto signal = noise (4800, 13);

    for (const auto& c : cases)
    {
        auto engine = makeDefaultEngine();
        engine->setParameter (c.index, c.normalised);
        const auto out = render (*engine, Engine::getProcessRoutine (0, 0, false), signal, signal, { 512 }, false);

        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_TRUE (std::isfinite (out[i])) << "parameter " << c.index << ", sample " << i;
    }
}

TEST (BlockFrame, HugeFiniteSignalsAreNotTakenForFaults)
{
    // 1e30 stays finite through the linear network (drive off). Were the state cleared,
    // the wet output would fall silent after every control block.
    auto engine = makeDefaultEngine();
    setPlainDelay (*engine, 0.001f);   // 1 ms, 48 samples

    const int length = 4800;
    auto signal = noise (length, 10);
    for (auto& v : signal)
        v *= 1e30f;

    const auto out = render (*engine, Engine::getProcessRoutine (0, 0, false), signal, signal, { 64 }, false);

    double lateEnergy = 0.0;
    for (int i = length / 2; i < length; ++i)
    {
        ASSERT_TRUE (std::isfinite (out[static_cast<size_t> (i)]));
        lateEnergy += std::fabs (static_cast<double> (out[static_cast<size_t> (i)]));
    }

    EXPECT_GT (lateEnergy / (length / 2), 1e29);
}

//==============================================================================
// Where the wet signal lands

namespace
{
    /** Index of the largest magnitude in out[from, to). */
    int peakIndex (const std::vector<float>& out, int from, int to)
    {
        int best = from;
        for (int i = from; i < to; ++i)
            if (std::fabs (out[static_cast<size_t> (i)]) > std::fabs (out[static_cast<size_t> (best)]))
                best = i;
        return best;
    }

    /** Renders a unit impulse at `at` after the smoothers have settled; returns the left output. */
    std::vector<float> impulseResponse (int colour, bool half, float delayNormalised, int at, int length)
    {
        auto engine = makeDefaultEngine();
        setPlainDelay (*engine, delayNormalised);
        std::vector<float> impulse (static_cast<size_t> (length), 0.0f);
        impulse[static_cast<size_t> (at)] = 1.0f;
        auto out = render (*engine, Engine::getProcessRoutine (0, colour, half), impulse, impulse, { 333 }, false);
        out.resize (static_cast<size_t> (length));
        return out;
    }
} // namespace

TEST (BlockFrame, ADelayedImpulseAppearsAfterTheFifoPlusTheDelayLength)
{
    // The wet path lags by the 16-sample FIFO plus the tap delay: Delay ms x 48 samples.
    const int at = 24000 + 5;
    for (int colour : { 0, 1 })
    {
        for (float delayMs : { 10.0f, 2.5f, 100.0f })
        {
            const int expected = at + 16 + static_cast<int> (delayMs * 48.0f);
            const auto out = impulseResponse (colour, false, delayMs / 1000.0f, at, expected + 2000);
            EXPECT_EQ (peakIndex (out, at + 1, expected + 2000), expected) << "colour " << colour << ", " << delayMs << " ms";
        }
    }
}

TEST (BlockFrame, FeedbackRepeatsTheEchoOneLoopLater)
{
    // The feedback of one network run enters the next one, 16 samples later: each
    // further echo starts D + 16 samples after the previous one (rotation 0, so each
    // channel feeds back into itself). Per pass the echo goes through the HighCut
    // one-pole (twice in Dark), the energy-keeping emphasis allpass and the 10 Hz
    // LowCut, whose long shallow tail is all that lies between the echoes.
    const int at = 24000 + 5;
    const int d = 480;
    const double g = 0.5;

    for (int colour : { 0, 1 })
    {
        auto engine = makeDefaultEngine();
        setPlainDelay (*engine, 0.01f);
        engine->setParameter (feedback, static_cast<float> (g));
        engine->setParameter (feedbackRotate, 0.0f);

        const int length = at + 3 * (d + 16) + 200;
        std::vector<float> impulse (static_cast<size_t> (length), 0.0f);
        impulse[static_cast<size_t> (at)] = 1.0f;
        auto out = render (*engine, Engine::getProcessRoutine (0, colour, false), impulse, impulse, { 100 }, false);

        const int first = at + 16 + d;
        const int second = first + d + 16;
        const double e1 = energy (out, first - 1, 41);
        const double e2 = energy (out, second - 1, 41);
        const int poles = colour == 0 ? 1 : 2;

        EXPECT_LT (energy (out, at + 1, first - at - 2), 1e-4 * e1) << "colour " << colour;
        EXPECT_LT (energy (out, first + 40, second - first - 41), 2e-3 * e1) << "colour " << colour;
        EXPECT_NEAR (e2 / e1, g * g * onePoleEnergy (2 * poles) / onePoleEnergy (poles), 0.01) << "colour " << colour;
    }
}

TEST (BlockFrame, AtHalfSpeedTheSameDelayLastsTwiceAsLong)
{
    // The delay line runs at 24 kHz: Delay ms x 48 host samples become twice that, plus
    // the group delay of the two halfband resamplers (a few samples).
    const int at = 24000 + 5;
    for (int colour : { 0, 1 })
    {
        const int expected = at + 16 + 2 * 480;
        const auto out = impulseResponse (colour, true, 0.01f, at, expected + 2000);
        const int peak = peakIndex (out, at + 1, expected + 2000);
        EXPECT_GE (peak, expected) << "colour " << colour;
        EXPECT_LE (peak, expected + 12) << "colour " << colour;
    }
}

//==============================================================================
// Drive position and stereo width (one-tap routines, whose output is the feedback tap)

namespace
{
    /** Wet output of the 2TapChorus routine for `signal` scaled by `gain` on both inputs. */
    std::vector<float> wetOutput (int colour, bool half, bool drivePost, float gain, const std::vector<float>& signal)
    {
        auto engine = makeDefaultEngine();
        setPlainDelay (*engine, 0.001f);
        engine->setParameter (drive, 1.0f);
        engine->setParameter (drivePrePost, drivePost ? 1.0f : 0.0f);

        auto scaled = signal;
        for (auto& v : scaled)
            v *= gain;

        return render (*engine, Engine::getProcessRoutine (0, colour, half), scaled, scaled, { 512 }, false);
    }
} // namespace

TEST (BlockFrame, PostDriveLeavesTheOutputLinearAndPreDriveClips)
{
    // Without feedback, a post drive only shapes a feedback signal that is added with
    // gain 0: doubling the input doubles the output (the 1e-15 offsets aside). Before
    // the delay line the same drive soft-clips what everything hears.
    const auto signal = noise (9600, 11);

    for (int colour : { 0, 1 })
    {
        for (bool half : { false, true })
        {
            for (bool post : { true, false })
            {
                const auto once = wetOutput (colour, half, post, 0.5f, signal);
                const auto twice = wetOutput (colour, half, post, 1.0f, signal);
                double worst = 0.0;

                for (size_t i = 4800; i < once.size(); ++i)
                    worst = std::max (worst, std::fabs (static_cast<double> (twice[i]) - 2.0 * once[i]));

                if (post)
                    EXPECT_LT (worst, 1e-5) << "colour " << colour << (half ? " half" : " full");
                else
                    EXPECT_GT (worst, 1e-2) << "colour " << colour << (half ? " half" : " full");
            }
        }
    }
}

TEST (BlockFrame, StereoWidthZeroMakesTheWetSignalMonoAndFullWidthKeepsTheChannelsApart)
{
    const auto left = noise (9600, 12);
    const std::vector<float> right (left.size(), 0.0f);

    for (float width : { 0.0f, 0.5f })
    {
        auto engine = makeDefaultEngine();
        setPlainDelay (*engine, 0.001f);
        engine->setParameter (stereoWidth, width);
        const auto out = render (*engine, Engine::getProcessRoutine (0, 0, false), left, right, { 512 }, false);
        const size_t n = left.size();
        double difference = 0.0, rightLevel = 0.0, leftLevel = 0.0;

        for (size_t i = n / 2; i < n; ++i)
        {
            difference = std::max (difference, std::fabs (static_cast<double> (out[i]) - out[n + i]));
            leftLevel = std::max (leftLevel, std::fabs (static_cast<double> (out[i])));
            rightLevel = std::max (rightLevel, std::fabs (static_cast<double> (out[n + i])));
        }

        if (width == 0.0f)
        {
            // Both bands at 0.7071068 x (L + R); the dry gain at Mix 100 is about -4.4e-8.
            EXPECT_LT (difference, 1e-6) << "mono";
            EXPECT_GT (leftLevel, 0.1);
        }
        else
        {
            // 100 %: each channel passes unchanged, so the silent right input stays silent
            // (up to the cosine residue of about 4.4e-8 times the left signal).
            EXPECT_LT (rightLevel, 1e-6);
            EXPECT_GT (leftLevel, 0.5);
        }
    }
}

//==============================================================================
// Frame stages whose effect shows only at settings the other tests leave alone. One
// engine runs every routine in turn: the routines keep no state of their own, and
// with no modulation or feedback each render settles well within its first half.

namespace
{
    /** The sum of sines of 0.5 amplitude at the given frequencies, at 48 kHz. */
    std::vector<float> sines (int n, std::initializer_list<double> hz)
    {
        std::vector<float> x (static_cast<size_t> (n), 0.0f);
        for (double f : hz)
            for (int i = 0; i < n; ++i)
                x[static_cast<size_t> (i)] += static_cast<float> (0.5 * std::sin (2.0 * pi * f * i / 48000.0));
        return x;
    }

    /** Sum of x[i] y[i] over the second half of two n-sample channels. */
    double correlation (const float* x, const float* y, int n)
    {
        double sum = 0.0;
        for (int i = n / 2; i < n; ++i)
            sum += static_cast<double> (x[i]) * y[i];
        return sum;
    }
} // namespace

TEST (BlockFrame, StereoWidthAboveFullWidensOnlyTheHighBand)
{
    // With only the left input, the right output is what the width matrix feeds across:
    // in each band it is cos / sin of that band's angle times the left output. Above the
    // SpatialXover frequency the angle is (StereoWidth / 200 + 0.5) pi / 2, so at 150 %
    // the right output is -0.414 times the left and at 200 % -1; below it the width
    // stops at 100 %, where nothing crosses. The tones lie two decades from the crossover,
    // three high ones so that no mode's taps can cancel them all.
    const int n = 24000;
    const std::vector<float> silence (static_cast<size_t> (n), 0.0f);
    auto engine = makeDefaultEngine();
    setPlainDelay (*engine, 0.001f);

    for (const auto& r : allRoutines())
    {
        setMode (*engine, r.mode);

        for (float width : { 150.0f, 200.0f })
        {
            setReal (*engine, stereoWidth, width);
            const double angle = (width / 200.0 + 0.5) * pi / 2.0;
            const struct { bool high; float xoverHz; double rightPerLeft; } bands[] = {
                { true, 10.0f, std::cos (angle) / std::sin (angle) }, { false, 2000.0f, 0.0 }
            };

            for (const auto& band : bands)
            {
                setReal (*engine, Engine::spatialXoverParameter, band.xoverHz);
                const auto tones = band.high ? sines (n, { 2500.0, 3100.0, 4300.0 }) : sines (n, { 20.0 });
                const auto out = render (*engine, r.routine, tones, silence, { 512 }, false);
                const float* left = out.data();
                const float* right = out.data() + n;
                EXPECT_NEAR (correlation (right, left, n) / correlation (left, left, n), band.rightPerLeft, 0.01)
                    << r.name << ", width " << width << (band.high ? ", high band" : ", low band");
            }
        }
    }
}

TEST (BlockFrame, PostDriveHighpassesTheOutputOnlyInTwoTapChorus)
{
    // Without feedback a post drive is heard only through its 100 Hz highpass, which
    // 2TapChorus runs on the one tap signal that also feeds the output; every other mode
    // drives a separate feedback tap and its output stays as it was. At 40 Hz the
    // highpass (1 - z^-1) / (1 + a z^-1) passes about 0.37.
    const int n = 24000;
    const double w = 2.0 * pi * 40.0 / 48000.0;
    const double a = bilinearPole (100.0, 48000.0);
    const double highpassGain = 2.0 * std::sin (w / 2.0) / std::hypot (1.0 + a * std::cos (w), a * std::sin (w));
    const auto tone = sines (n, { 40.0 });
    auto engine = makeDefaultEngine();
    setPlainDelay (*engine, 0.001f);
    engine->setParameter (drivePrePost, 1.0f);
    const auto routines = allRoutines();
    render (*engine, routines.front().routine, tone, tone, { 512 }, false); // the wet gain glides up from 0 first

    for (const auto& r : routines)
    {
        setMode (*engine, r.mode);
        double energies[2];

        for (bool driven : { false, true })
        {
            engine->setParameter (drive, driven ? 1.0f : 0.0f);
            const auto out = render (*engine, r.routine, tone, tone, { 512 }, false);
            energies[driven] = correlation (out.data(), out.data(), n);
        }

        EXPECT_NEAR (std::sqrt (energies[1] / energies[0]), r.mode == 0 ? highpassGain : 1.0, 1e-4) << r.name;
    }
}

//==============================================================================
// Dispatch table

TEST (RoutineTable, TwoTapChorusFillsAllFourEntries)
{
    EXPECT_EQ (Engine::getProcessRoutine (0, 0, false), &Engine::process2TapChorusBrightFull);
    EXPECT_EQ (Engine::getProcessRoutine (0, 1, false), &Engine::process2TapChorusDarkFull);
    EXPECT_EQ (Engine::getProcessRoutine (0, 0, true), &Engine::process2TapChorusBrightHalf);
    EXPECT_EQ (Engine::getProcessRoutine (0, 1, true), &Engine::process2TapChorusDarkHalf);
}

TEST (RoutineTable, OutOfRangeModesAndColoursSelectNothing)
{
    for (int mode : { -1, 9, 23, INT_MIN, INT_MAX })
        for (bool half : { false, true })
            EXPECT_EQ (Engine::getProcessRoutine (mode, 0, half), nullptr) << mode;

    for (int colour : { -1, 2, INT_MAX })
        for (bool half : { false, true })
            EXPECT_EQ (Engine::getProcessRoutine (0, colour, half), nullptr) << colour;
}

INSTANTIATE_TEST_SUITE_P (Routines, EveryRoutine, ::testing::ValuesIn (allRoutines()), routineName);
