// Every routine at every supported host rate, with every parameter driven to the ends
// of its range and to random values: for input within -1 .. 1 the output stays finite
// and bounded, and a NaN or infinite input sample costs only that one output sample.

#include "FrameTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

using namespace frametest;

namespace
{
    constexpr int hostRates[] = { 44100, 48000, 96000, 192000 };

    // Under a sanitizer every sample costs many times more: the same cases, shorter runs.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr int runScale = 4;
#else
    constexpr int runScale = 1;
#endif

    /** For full-scale input. Full feedback can set the loop gain at or above one, but
        the engine holds what it feeds back at its feedback ceiling: the output then
        peaks at about 300 with +12 dB tap gain, and at about 520 with Mix, StereoWidth
        and FeedbackRotate at their maximum as well. */
    constexpr float outputBound = 1000.0f;

    /** The parameters a routine does not fix: all but the mode, the colour and the speed. */
    bool isFree (int index)
    {
        return index != Engine::typeParameter && index != Engine::colorModeParameter && index != Engine::speedParameter;
    }

    /** An engine at `rate` in the routine's mode, colour and speed, other parameters at their defaults. */
    std::unique_ptr<Engine> makeEngine (const Routine& r, int rate)
    {
        auto engine = makeDefaultEngine();
        engine->setSampleRate (rate);
        setMode (*engine, r.mode);
        engine->setParameter (Engine::colorModeParameter, static_cast<float> (r.colour));
        engine->setParameter (Engine::speedParameter, r.half ? 1.0f : 0.0f);
        return engine;
    }

    /** Renders `length` samples of full-scale noise in blocks of 173 (not a multiple of
        the control block) and fails at the first output sample that is not finite or
        beyond the bound. */
    void renderAndCheck (Engine& engine, const Routine& r, int length, uint32_t seed, const std::string& what)
    {
        const auto out = render (engine, r.routine, noise (length, seed), noise (length, seed + 1), { 173 }, true);

        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_TRUE (std::isfinite (out[i]) && std::fabs (out[i]) <= outputBound)
                << what << ": sample " << i % static_cast<size_t> (length) << " of channel "
                << i / static_cast<size_t> (length) << " is " << out[i];
    }

    class EveryRoutineUnderTorture : public testing::TestWithParam<Routine> {};
} // namespace

TEST_P (EveryRoutineUnderTorture, EachParameterAtItsEndsStaysFiniteAndBounded)
{
    const auto& r = GetParam();

    for (int rate : hostRates)
    {
        auto engine = makeEngine (r, rate);

        for (int index = 0; index < Engine::numParameters; ++index)
        {
            if (! isFree (index))
                continue;

            for (float end : { 0.0f, 1.0f })
            {
                engine->setParameter (index, end);
                renderAndCheck (*engine, r, 1024 / runScale, static_cast<uint32_t> (index),
                                std::to_string (rate) + " Hz, parameter " + std::to_string (index) + " at " + std::to_string (end));
                if (HasFatalFailure())
                    return;
            }

            engine->setParameter (index, engine->getDefaultNormalized (index));
        }
    }
}

TEST_P (EveryRoutineUnderTorture, AllParametersAtOneEndOrRandomStayFiniteAndBounded)
{
    const auto& r = GetParam();
    std::mt19937 random (static_cast<uint32_t> (r.mode * 4 + r.colour * 2 + (r.half ? 1 : 0)));
    std::uniform_real_distribution<float> unit (0.0f, 1.0f);

    for (int rate : hostRates)
    {
        auto engine = makeEngine (r, rate);

        // All at the minimum, all at the maximum, then four random settings, each held
        // long enough for the feedback and the smoothers to settle on it.
        for (int setting = 0; setting < 6; ++setting)
        {
            for (int index = 0; index < Engine::numParameters; ++index)
                if (isFree (index))
                    engine->setParameter (index, setting == 0 ? 0.0f : (setting == 1 ? 1.0f : unit (random)));

            renderAndCheck (*engine, r, 16384 / runScale, static_cast<uint32_t> (100 + setting),
                            std::to_string (rate) + " Hz, setting " + std::to_string (setting));
            if (HasFatalFailure())
                return;
        }
    }
}

TEST_P (EveryRoutineUnderTorture, FullFeedbackOnTheShortestDelayStaysBounded)
{
    // The loop recirculates every few samples, so a loop gain above one would grow
    // by orders of magnitude within the run.
    const auto& r = GetParam();
    auto engine = makeEngine (r, 48000);
    engine->setParameter (Engine::mixParameter, 1.0f);
    engine->setParameter (Engine::feedbackParameter, 1.0f);
    engine->setParameter (Engine::delayParameter, 0.0f);
    engine->setParameter (Engine::tapGainParameter, 1.0f);
    engine->setParameter (Engine::lowCutParameter, 0.0f);

    for (float drive : { 0.0f, 1.0f })
    {
        engine->setParameter (Engine::driveParameter, drive);
        renderAndCheck (*engine, r, 48000 / runScale, 7, drive > 0.5f ? "with drive" : "without drive");
        if (HasFatalFailure())
            return;
    }
}

TEST_P (EveryRoutineUnderTorture, NonFiniteInputAfterExtremeSettingsCostsOnlyItsOwnSample)
{
    const auto& r = GetParam();
    std::mt19937 random (static_cast<uint32_t> (1000 + r.mode));
    std::uniform_real_distribution<float> unit (0.0f, 1.0f);
    const int length = 8192 / runScale;
    const int hit = length / 2 + 5;

    for (int rate : hostRates)
    {
        for (float poison : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity() })
        {
            auto engine = makeEngine (r, rate);

            for (int index = 0; index < Engine::numParameters; ++index)
                if (isFree (index))
                    engine->setParameter (index, unit (random) < 0.5f ? unit (random) : std::round (unit (random)));

            auto left = noise (length, 31);
            auto right = noise (length, 32);
            right[static_cast<size_t> (hit)] = poison;
            const auto out = render (*engine, r.routine, left, right, { 173 }, true);

            for (int i = 0; i < 2 * length; ++i)
            {
                if (i == length + hit)
                    continue;

                ASSERT_TRUE (std::isfinite (out[static_cast<size_t> (i)]))
                    << rate << " Hz, poison " << poison << ": sample " << i % length << " of channel " << i / length;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P (AllRoutines, EveryRoutineUnderTorture, testing::ValuesIn (allRoutines()),
                          [] (const testing::TestParamInfo<Routine>& info) { return info.param.name; });

//==============================================================================
// Full feedback with a loop gain above one

namespace
{
    /** Every routine; under a sanitizer those of 2TapChorus and 32Tap (one of each tap
        arrangement), since the loop needs seconds of audio to grow. */
    std::vector<Routine> feedbackCeilingRoutines()
    {
        auto routines = allRoutines();
        if (runScale > 1)
            routines.erase (std::remove_if (routines.begin(), routines.end(),
                                            [] (const Routine& r) { return r.mode != 0 && r.mode != 8; }),
                            routines.end());
        return routines;
    }

    class EveryRoutineAtFullFeedback : public testing::TestWithParam<Routine> {};
} // namespace

TEST_P (EveryRoutineAtFullFeedback, TheLoopStaysUnderTheBoundAndABurstLeavesItWithinASecond)
{
    // A 2000 Hz LowCut lifts the top octave above unity loop gain: without a ceiling the
    // loop would pass the bound within two seconds and overflow within twenty. At 10 Hz
    // the loop gain sits at one and would take a minute, so a 1e30 burst fills the loop
    // at once; its wake in the 10 Hz LowCut itself takes most of a second to fall under
    // the bound. One engine per routine runs the settings in turn, the loop still full
    // from the one before.
    const auto& r = GetParam();
    auto engine = makeEngine (r, 48000);

    for (int rate : { 48000, 44100 })
    {
        if (rate != 48000 && r.mode != 0 && r.mode != 8)
            continue;

        engine->setSampleRate (rate);
        setReal (*engine, Engine::feedbackParameter, 100.0f);
        setReal (*engine, Engine::highCutParameter, 20000.0f);
        setReal (*engine, Engine::tapGainParameter, 12.0f);

        for (float lowCutHz : { 2000.0f, 10.0f })
        {
            for (float delayMs : { 0.0f, 10.0f })
            {
                setReal (*engine, Engine::lowCutParameter, lowCutHz);
                setReal (*engine, Engine::delayParameter, delayMs);

                const bool withBurst = lowCutHz < 100.0f;
                const int burst = withBurst ? rate / 4 : rate;
                const int length = withBurst ? burst + rate + rate / 4 : rate;
                auto left = noise (length, 41);
                auto right = noise (length, 42);

                for (int i = burst; i < std::min (burst + 16, length); ++i)
                {
                    left[static_cast<size_t> (i)] *= 1e30f;
                    right[static_cast<size_t> (i)] *= 1e30f;
                }

                const auto out = render (*engine, r.routine, left, right, { 173 }, false);

                for (int i = 0; i < 2 * length; ++i)
                {
                    const int t = i % length;
                    if (t >= burst && t < burst + rate)
                        continue;

                    ASSERT_LE (std::fabs (out[static_cast<size_t> (i)]), outputBound)
                        << rate << " Hz, LowCut " << lowCutHz << " Hz, Delay " << delayMs << " ms: sample " << t
                        << (t < burst ? "" : " after the burst");
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P (AllRoutines, EveryRoutineAtFullFeedback, testing::ValuesIn (feedbackCeilingRoutines()),
                          [] (const testing::TestParamInfo<Routine>& info) { return info.param.name; });
