#pragma once

#include <QuillmorPelowin.h>

#include <cmath>
#include <vector>

namespace quillmor_test
{
    /** A processor that has been told its host rate, as a wrapper does before the first block. */
    struct PreparedProcessor
    {
        explicit PreparedProcessor (double rate = 48000.0, int blockSize = 512)
        {
            processor.setRateAndBufferSizeDetails (rate, blockSize);
        }

        QuillmorPelowin processor;
    };

    /** Two different tones plus a little deterministic noise, so that the channels,
        the dry path and the delayed path can all be told apart. */
    inline juce::AudioBuffer<float> makeTestSignal (int numSamples, int numChannels = 2, juce::uint32 seed = 1)
    {
        juce::AudioBuffer<float> signal (numChannels, numSamples);
        juce::uint32 state = seed;

        for (int channel = 0; channel < numChannels; ++channel)
        {
            const double frequency = 220.0 * (channel + 1) + 17.0;

            for (int i = 0; i < numSamples; ++i)
            {
                state = state * 1664525u + 1013904223u;
                const float noise = static_cast<float> (state >> 8) / 16777216.0f - 0.5f;
                signal.setSample (channel, i, 0.5f * static_cast<float> (std::sin (juce::MathConstants<double>::twoPi * frequency * i / 48000.0))
                                                 + 0.1f * noise);
            }
        }

        return signal;
    }

    /** A single impulse of height 1 at `position` on both channels, zeros elsewhere. */
    inline juce::AudioBuffer<float> makeImpulse (int numSamples, int position = 0)
    {
        juce::AudioBuffer<float> signal (2, numSamples);
        signal.clear();
        signal.setSample (0, position, 1.0f);
        signal.setSample (1, position, 1.0f);
        return signal;
    }

    /** Processes `audio` in place, cut into host blocks of the given sizes (cycled). */
    inline void render (QuillmorPelowin& processor, juce::AudioBuffer<float>& audio, std::vector<int> blockSizes = { 512 })
    {
        juce::MidiBuffer midi;
        int start = 0;

        for (size_t k = 0; start < audio.getNumSamples(); k = (k + 1) % blockSizes.size())
        {
            const int length = std::min (blockSizes[k], audio.getNumSamples() - start);
            juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), audio.getNumChannels(), start, length);
            processor.processBlock (block, midi);
            start += length;
        }
    }

    /** True when both buffers hold the same bits in every sample of every channel. */
    inline bool bitIdentical (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
    {
        if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
            return false;

        for (int channel = 0; channel < a.getNumChannels(); ++channel)
            if (std::memcmp (a.getReadPointer (channel), b.getReadPointer (channel),
                             sizeof (float) * static_cast<size_t> (a.getNumSamples())) != 0)
                return false;

        return true;
    }

    /** The largest magnitude over all channels and samples from `start` on. */
    inline float peak (const juce::AudioBuffer<float>& audio, int start = 0)
    {
        float result = 0.0f;

        for (int channel = 0; channel < audio.getNumChannels(); ++channel)
            for (int i = start; i < audio.getNumSamples(); ++i)
                result = std::max (result, std::abs (audio.getSample (channel, i)));

        return result;
    }

    /** Counts the change messages a broadcaster delivers when asked to flush them. */
    struct ChangeCounter : juce::ChangeListener
    {
        explicit ChangeCounter (juce::ChangeBroadcaster& source) : broadcaster (source)
        {
            broadcaster.dispatchPendingMessages();
            broadcaster.addChangeListener (this);
        }

        ~ChangeCounter() override { broadcaster.removeChangeListener (this); }

        /** Delivers what is pending and returns how many messages arrived since the last call. */
        int flush()
        {
            broadcaster.dispatchPendingMessages();
            return std::exchange (count, 0);
        }

        void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }

        juce::ChangeBroadcaster& broadcaster;
        int count = 0;
    };
}
