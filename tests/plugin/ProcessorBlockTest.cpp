#include "ProcessorTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace quillmor_test;

namespace
{
    constexpr int mix = 0, feedback = 4, colorMode = 27, delaySync = 28, type = 29, speed = 33;

    juce::AudioBuffer<float> copyOf (const juce::AudioBuffer<float>& source)
    {
        juce::AudioBuffer<float> result;
        result.makeCopyOf (source);
        return result;
    }

    juce::AudioBuffer<float> silence (int numSamples)
    {
        juce::AudioBuffer<float> result (2, numSamples);
        result.clear();
        return result;
    }

    void setMono (QuillmorPelowin& processor)
    {
        ASSERT_TRUE (processor.setBusesLayout ({ { juce::AudioChannelSet::mono() }, { juce::AudioChannelSet::stereo() } }));
    }
}

TEST (ProcessorBlocks, EmptyBlocksChangeNothing)
{
    PreparedProcessor withEmptyBlocks, without;
    auto a = makeTestSignal (3000);
    auto b = makeTestSignal (3000);

    render (withEmptyBlocks.processor, a, { 100, 0, 0, 37, 0 });
    render (without.processor, b, { 137 });

    EXPECT_TRUE (bitIdentical (a, b));
    EXPECT_FALSE (bitIdentical (a, makeTestSignal (3000)));
}

TEST (ProcessorBlocks, MonoInputFeedsBothEngineInputs)
{
    PreparedProcessor mono, stereo;
    setMono (mono.processor);

    // The second channel of a mono-input block holds whatever the host left there.
    auto monoAudio = makeTestSignal (4096, 2, 5);
    auto stereoAudio = copyOf (monoAudio);
    stereoAudio.copyFrom (1, 0, stereoAudio, 0, 0, 4096);

    render (mono.processor, monoAudio);
    render (stereo.processor, stereoAudio);

    EXPECT_TRUE (bitIdentical (monoAudio, stereoAudio));
}

TEST (ProcessorBlocks, BuffersWithoutTwoChannelsComeOutSilent)
{
    PreparedProcessor p;
    juce::MidiBuffer midi;
    auto oneChannel = makeTestSignal (512, 1);
    juce::AudioBuffer<float> noChannels (0, 512);

    p.processor.processBlock (oneChannel, midi);
    p.processor.processBlock (noChannels, midi);
    EXPECT_EQ (oneChannel.getMagnitude (0, 512), 0.0f);
}

TEST (ProcessorBypass, PassesTheInputThrough)
{
    PreparedProcessor stereo, mono;
    setMono (mono.processor);
    juce::MidiBuffer midi;

    auto audio = makeTestSignal (1000);
    audio.setSample (0, 10, std::numeric_limits<float>::denorm_min());
    audio.setSample (1, 11, -0.0f);
    const auto input = copyOf (audio);

    stereo.processor.processBlockBypassed (audio, midi);
    EXPECT_TRUE (bitIdentical (audio, input));

    mono.processor.processBlockBypassed (audio, midi);
    EXPECT_EQ (std::memcmp (audio.getReadPointer (1), input.getReadPointer (0), 1000 * sizeof (float)), 0);
}

TEST (ProcessorBypass, PausesTheEngineWhereItStopped)
{
    PreparedProcessor bypassedInBetween, straight;
    juce::MidiBuffer midi;
    auto first = makeTestSignal (1000, 2, 3), second = makeTestSignal (1000, 2, 4);
    auto firstAgain = copyOf (first), secondAgain = copyOf (second);

    render (bypassedInBetween.processor, first, { 123 });
    auto bypassed = makeTestSignal (777, 2, 5);
    bypassedInBetween.processor.processBlockBypassed (bypassed, midi);
    render (bypassedInBetween.processor, second, { 123 });

    render (straight.processor, firstAgain, { 123 });
    render (straight.processor, secondAgain, { 123 });

    EXPECT_TRUE (bitIdentical (second, secondAgain));
}

TEST (ProcessorDispatch, ModeAboveTheLastPassesAudioThroughUntouched)
{
    PreparedProcessor p;
    p.processor.setParameter (type, 1.0f);

    for (const auto& [dark, half] : { std::pair { 0.0f, 0.0f }, { 1.0f, 0.0f }, { 0.0f, 1.0f }, { 1.0f, 1.0f } })
    {
        p.processor.setParameter (colorMode, dark);
        p.processor.setParameter (speed, half);

        auto audio = makeTestSignal (2000);
        render (p.processor, audio, { 100, 33 });
        EXPECT_TRUE (bitIdentical (audio, makeTestSignal (2000))) << "dark " << dark << " half " << half;
    }

    p.processor.setParameter (type, 1.0f / 24.0f);
    auto audio = makeTestSignal (2000);
    render (p.processor, audio);
    EXPECT_FALSE (bitIdentical (audio, makeTestSignal (2000))) << "back in the first mode";
}

TEST (ProcessorDispatch, ColourAndSpeedChooseDifferentRoutines)
{
    std::vector<juce::AudioBuffer<float>> outputs;

    for (const auto& [dark, half] : { std::pair { 0.0f, 0.0f }, { 1.0f, 0.0f }, { 0.0f, 1.0f }, { 1.0f, 1.0f } })
    {
        PreparedProcessor p;
        p.processor.setParameter (mix, 1.0f);
        p.processor.setParameter (colorMode, dark);
        p.processor.setParameter (speed, half);
        outputs.push_back (makeTestSignal (4096));
        render (p.processor, outputs.back());
    }

    for (size_t i = 0; i < outputs.size(); ++i)
        for (size_t j = i + 1; j < outputs.size(); ++j)
            EXPECT_FALSE (bitIdentical (outputs[i], outputs[j])) << i << " vs " << j;
}

//==============================================================================
// The engine's reset is seen from outside as an echo that disappears: an impulse
// written into the delay lines comes out about 10 ms later unless the signal
// state is cleared in between.

namespace
{
    /** Settles at `firstRate` (after blocks at each of `ratesBefore`), feeds an impulse,
        then runs silence at `secondRate` (calling reset first if asked) and returns
        the largest output sample of the silence. */
    float echo (double firstRate, double secondRate, std::vector<double> ratesBefore = {}, bool resetBetween = false)
    {
        PreparedProcessor p (firstRate);
        p.processor.setParameter (mix, 1.0f);

        for (double rate : ratesBefore)
        {
            p.processor.setRateAndBufferSizeDetails (rate, 512);
            auto block = silence (64);
            render (p.processor, block);
        }

        // Long enough for the tap delays to glide from their start-up values to the delay length.
        p.processor.setRateAndBufferSizeDetails (firstRate, 512);
        auto audio = silence (9600 + 64);
        audio.setSample (0, 9600, 1.0f);
        audio.setSample (1, 9600, 1.0f);
        render (p.processor, audio);

        if (resetBetween)
            p.processor.reset();

        p.processor.setRateAndBufferSizeDetails (secondRate, 512);
        auto after = silence (4096);
        render (p.processor, after);
        return after.getMagnitude (0, 4096);
    }
}

TEST (ProcessorSampleRate, ChangeBetweenBlocksResetsTheEngineOnce)
{
    EXPECT_GT (echo (48000.0, 48000.0), 0.05f);
    EXPECT_LT (echo (48000.0, 44100.0), 1.0e-6f);
    EXPECT_LT (echo (44100.0, 96000.0, { 48000.0 }), 1.0e-6f);
    EXPECT_GT (echo (44100.0, 44100.0, { 48000.0 }), 0.05f) << "only the first block at a new rate resets";
}

TEST (ProcessorSampleRate, WholeHertzAndUnusableRatesDoNotReset)
{
    for (double rate : { 48000.9, 0.5, 0.0, -44100.0, 1.0e300 })
        EXPECT_GT (echo (48000.0, rate), 0.05f) << rate;
}

TEST (ProcessorReset, ClearsTheSignalState)
{
    EXPECT_LT (echo (48000.0, 48000.0, {}, true), 1.0e-6f);
}

//==============================================================================
// With the delay synchronised to the tempo, the output depends on the tempo the
// play head reported last; a play head without a usable tempo leaves it as it was.

namespace
{
    struct TestPlayHead : juce::AudioPlayHead
    {
        juce::Optional<PositionInfo> getPosition() const override
        {
            if (! hasPosition)
                return {};

            PositionInfo info;
            if (bpm.has_value())
                info.setBpm (*bpm);
            return info;
        }

        bool hasPosition = true;
        std::optional<double> bpm;
    };

    /** Renders at 480 bpm with a 1/16 delay (1500 samples), then with what `later` reports. */
    juce::AudioBuffer<float> renderWithTempo (const std::function<void (TestPlayHead&)>& later)
    {
        PreparedProcessor p;
        TestPlayHead playHead;
        p.processor.setPlayHead (&playHead);
        p.processor.setParameter (mix, 1.0f);
        p.processor.setParameter (feedback, 0.5f);
        p.processor.setParameter (delaySync, 2.5f / 17.0f);

        playHead.bpm = 480.0;
        auto first = makeTestSignal (2048, 2, 7);
        render (p.processor, first);

        later (playHead);
        auto second = makeTestSignal (8192, 2, 8);
        render (p.processor, second);
        p.processor.setPlayHead (nullptr);
        return second;
    }
}

TEST (ProcessorTempo, FollowsThePlayHeadAndKeepsTheLastUsableTempo)
{
    const auto steady = renderWithTempo ([] (TestPlayHead&) {});

    EXPECT_FALSE (bitIdentical (steady, renderWithTempo ([] (TestPlayHead& head) { head.bpm = 960.0; })));

    EXPECT_TRUE (bitIdentical (steady, renderWithTempo ([] (TestPlayHead& head) { head.bpm.reset(); })));
    EXPECT_TRUE (bitIdentical (steady, renderWithTempo ([] (TestPlayHead& head) { head.hasPosition = false; })));
    for (double unusable : { 0.0, -120.0, std::numeric_limits<double>::quiet_NaN(), 1.0e300 })
        EXPECT_TRUE (bitIdentical (steady, renderWithTempo ([=] (TestPlayHead& head) { head.bpm = unusable; }))) << unusable;
}
