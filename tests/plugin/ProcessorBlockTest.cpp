#include "ProcessorTestSupport.h"

#include <gtest/gtest.h>

using namespace quillmor_test;

namespace
{
    constexpr int mix = 0, feedback = 4, colorMode = 27, delaySync = 28, type = 29, speed = 33;

    /** A play head whose answer the test sets: no position at all, or a position
        with or without a tempo. */
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

    juce::AudioBuffer<float> copyOf (const juce::AudioBuffer<float>& source)
    {
        juce::AudioBuffer<float> result;
        result.makeCopyOf (source);
        return result;
    }
}

TEST (ProcessorBlocks, ProcessAudioInPlace)
{
    PreparedProcessor p;
    const auto input = makeTestSignal (4096);
    auto audio = copyOf (input);

    render (p.processor, audio);

    EXPECT_FALSE (bitIdentical (audio, input));
    EXPECT_GT (peak (audio), 0.1f);
    EXPECT_LT (peak (audio), 4.0f);
}

TEST (ProcessorBlocks, EmptyBlockChangesNothing)
{
    PreparedProcessor withEmptyBlocks, without;
    auto a = makeTestSignal (3000);
    auto b = makeTestSignal (3000);

    // Same stream, once with 0-sample blocks cut in between.
    render (withEmptyBlocks.processor, a, { 100, 0, 0, 37, 0 });
    render (without.processor, b, { 137 });

    EXPECT_TRUE (bitIdentical (a, b));
}

TEST (ProcessorBlocks, MonoInputFeedsBothEngineInputs)
{
    PreparedProcessor mono, stereo;
    ASSERT_TRUE (mono.processor.setBusesLayout ({ { juce::AudioChannelSet::mono() }, { juce::AudioChannelSet::stereo() } }));
    ASSERT_EQ (mono.processor.getTotalNumInputChannels(), 1);

    const auto left = makeTestSignal (4096, 1);

    // The host leaves whatever it likes in the second channel of a mono-input block.
    juce::AudioBuffer<float> monoAudio (2, 4096);
    monoAudio.copyFrom (0, 0, left, 0, 0, 4096);
    monoAudio.copyFrom (1, 0, makeTestSignal (4096, 1, 99), 0, 0, 4096);

    juce::AudioBuffer<float> stereoAudio (2, 4096);
    stereoAudio.copyFrom (0, 0, left, 0, 0, 4096);
    stereoAudio.copyFrom (1, 0, left, 0, 0, 4096);

    render (mono.processor, monoAudio);
    render (stereo.processor, stereoAudio);

    EXPECT_TRUE (bitIdentical (monoAudio, stereoAudio));
}

TEST (ProcessorBypass, LeavesAStereoBufferBitIdentical)
{
    PreparedProcessor p;
    auto audio = makeTestSignal (1000);
    audio.setSample (0, 10, std::numeric_limits<float>::denorm_min());
    audio.setSample (1, 11, -0.0f);
    const auto input = copyOf (audio);

    juce::MidiBuffer midi;
    p.processor.processBlockBypassed (audio, midi);

    EXPECT_TRUE (bitIdentical (audio, input));
}

TEST (ProcessorBypass, CopiesAMonoInputToBothOutputs)
{
    PreparedProcessor p;
    ASSERT_TRUE (p.processor.setBusesLayout ({ { juce::AudioChannelSet::mono() }, { juce::AudioChannelSet::stereo() } }));

    auto audio = makeTestSignal (1000);
    const auto input = copyOf (audio);

    juce::MidiBuffer midi;
    p.processor.processBlockBypassed (audio, midi);

    for (int channel = 0; channel < 2; ++channel)
        EXPECT_EQ (std::memcmp (audio.getReadPointer (channel), input.getReadPointer (0), 1000 * sizeof (float)), 0);
}

TEST (ProcessorBypass, PausesTheEngineWhereItStopped)
{
    PreparedProcessor bypassedInBetween, straight;
    auto first = makeTestSignal (1000, 2, 3);
    auto second = makeTestSignal (1000, 2, 4);
    auto firstAgain = copyOf (first);
    auto secondAgain = copyOf (second);

    render (bypassedInBetween.processor, first, { 123 });
    juce::MidiBuffer midi;
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

    // Colour and speed do not bring a mode that has no routine back.
    for (const auto& [dark, half] : { std::pair { 0.0f, 0.0f }, { 1.0f, 0.0f }, { 0.0f, 1.0f }, { 1.0f, 1.0f } })
    {
        p.processor.setParameter (colorMode, dark);
        p.processor.setParameter (speed, half);

        const auto input = makeTestSignal (2000);
        auto audio = copyOf (input);
        render (p.processor, audio, { 100, 33 });
        EXPECT_TRUE (bitIdentical (audio, input)) << "dark " << dark << " half " << half;
    }

    // Back in the first mode the block is processed again.
    p.processor.setParameter (type, 1.0f / 24.0f);
    const auto input = makeTestSignal (2000);
    auto audio = copyOf (input);
    render (p.processor, audio);
    EXPECT_FALSE (bitIdentical (audio, input));
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
// Sample rate: an impulse written into the delay lines before a change of rate is
// gone after it (the engine resets), while at a steady rate it comes out later.

namespace
{
    /** Runs blocks at each of `ratesBefore`, settles at `firstRate` and feeds a short
        impulse block, then silence at `secondRate`; returns the peak of the silent
        part's output. */
    float echoAfterRateChange (double firstRate, double secondRate, std::vector<double> ratesBefore = {})
    {
        PreparedProcessor p (firstRate);
        p.processor.setParameter (mix, 1.0f);

        for (double rate : ratesBefore)
        {
            p.processor.setRateAndBufferSizeDetails (rate, 512);
            auto silence = juce::AudioBuffer<float> (2, 64);
            silence.clear();
            render (p.processor, silence);
        }

        // Long enough for the tap delays to glide from their start-up values to the delay length.
        p.processor.setRateAndBufferSizeDetails (firstRate, 512);
        juce::AudioBuffer<float> settle (2, 9600);
        settle.clear();
        render (p.processor, settle);

        auto impulse = makeImpulse (64);
        render (p.processor, impulse);

        p.processor.setRateAndBufferSizeDetails (secondRate, 512);
        juce::AudioBuffer<float> silence (2, 4096);
        silence.clear();
        render (p.processor, silence);
        return peak (silence);
    }
}

TEST (ProcessorSampleRate, SteadyRateKeepsTheSignalState)
{
    EXPECT_GT (echoAfterRateChange (48000.0, 48000.0), 0.05f);
    EXPECT_GT (echoAfterRateChange (44100.0, 44100.0, { 48000.0 }), 0.05f) << "the first 44100 block reset, later ones do not";
}

TEST (ProcessorSampleRate, RateChangeBetweenBlocksClearsTheSignalState)
{
    EXPECT_LT (echoAfterRateChange (48000.0, 44100.0), 1.0e-6f);
    EXPECT_LT (echoAfterRateChange (44100.0, 96000.0, { 48000.0 }), 1.0e-6f);
}

TEST (ProcessorSampleRate, FractionalHostRateIsTruncatedToWholeHertz)
{
    // 48000.9 Hz is 48000 Hz to the engine: no reset, the echo survives.
    EXPECT_GT (echoAfterRateChange (48000.0, 48000.9), 0.05f);
}

TEST (ProcessorSampleRate, RateBelowOneHertzIsIgnored)
{
    EXPECT_GT (echoAfterRateChange (48000.0, 0.5), 0.05f);
    EXPECT_GT (echoAfterRateChange (48000.0, 0.0), 0.05f);
    EXPECT_GT (echoAfterRateChange (48000.0, -44100.0), 0.05f);
}

//==============================================================================
// Tempo: with a synchronised delay the output depends on the tempo the play head
// reported last; a play head without a usable tempo leaves it as it was.

namespace
{
    /** Renders a test signal with the delay synchronised to 1/16 note: the first
        blocks at 480 bpm, the rest with whatever `later` reports. */
    juce::AudioBuffer<float> renderWithTempo (const std::function<void (TestPlayHead&)>& later)
    {
        PreparedProcessor p;
        TestPlayHead playHead;
        p.processor.setPlayHead (&playHead);
        p.processor.setParameter (mix, 1.0f);
        p.processor.setParameter (feedback, 0.5f);
        p.processor.setParameter (delaySync, 2.5f / 17.0f); // "1/16": 1500 samples at 480 bpm

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

TEST (ProcessorTempo, FollowsThePlayHead)
{
    const auto steady = renderWithTempo ([] (TestPlayHead&) {});
    const auto faster = renderWithTempo ([] (TestPlayHead& head) { head.bpm = 960.0; });

    EXPECT_FALSE (bitIdentical (steady, faster));
}

TEST (ProcessorTempo, KeepsTheLastTempoWhenThePlayHeadHasNone)
{
    const auto steady = renderWithTempo ([] (TestPlayHead&) {});

    EXPECT_TRUE (bitIdentical (steady, renderWithTempo ([] (TestPlayHead& head) { head.bpm.reset(); })));
    EXPECT_TRUE (bitIdentical (steady, renderWithTempo ([] (TestPlayHead& head) { head.hasPosition = false; })));
    EXPECT_TRUE (bitIdentical (steady, renderWithTempo ([] (TestPlayHead& head) { head.bpm = 0.0; })));
    EXPECT_TRUE (bitIdentical (steady, renderWithTempo ([] (TestPlayHead& head) { head.bpm = -120.0; })));
    EXPECT_TRUE (bitIdentical (steady, renderWithTempo ([] (TestPlayHead& head) { head.bpm = std::numeric_limits<double>::quiet_NaN(); })));
}

TEST (ProcessorReset, ClearsTheSignalState)
{
    PreparedProcessor p;
    p.processor.setParameter (mix, 1.0f);

    juce::AudioBuffer<float> settle (2, 9600);
    settle.clear();
    render (p.processor, settle);

    auto impulse = makeImpulse (64);
    render (p.processor, impulse);
    p.processor.reset();

    juce::AudioBuffer<float> silence (2, 4096);
    silence.clear();
    render (p.processor, silence);
    EXPECT_LT (peak (silence), 1.0e-6f);
}
