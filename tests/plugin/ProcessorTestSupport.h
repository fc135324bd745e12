#pragma once

#include <QuillmorPelowin.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace quillmor_test
{
    /** A processor that has been told its host rate, as a wrapper does before the first block. */
    struct PreparedProcessor
    {
        explicit PreparedProcessor (double rate = 48000.0) { processor.setRateAndBufferSizeDetails (rate, 512); }
        QuillmorPelowin processor;
    };

    /** A different tone per channel plus deterministic noise; `seed` varies the noise. */
    inline juce::AudioBuffer<float> makeTestSignal (int numSamples, int numChannels = 2, juce::uint32 seed = 1)
    {
        juce::AudioBuffer<float> signal (numChannels, numSamples);

        for (int channel = 0; channel < numChannels; ++channel)
            for (int i = 0; i < numSamples; ++i)
            {
                seed = seed * 1664525u + 1013904223u;
                const float noise = static_cast<float> (seed >> 8) / 16777216.0f - 0.5f;
                signal.setSample (channel, i, 0.5f * std::sin (0.03f * static_cast<float> ((channel + 1) * i)) + 0.1f * noise);
            }

        return signal;
    }

    /** Processes `audio` in place, cut into host blocks of the given sizes (cycled). */
    inline void render (QuillmorPelowin& processor, juce::AudioBuffer<float>& audio, std::vector<int> blockSizes = { 512 })
    {
        juce::MidiBuffer midi;

        for (int start = 0, k = 0; start < audio.getNumSamples(); k = (k + 1) % static_cast<int> (blockSizes.size()))
        {
            const int length = std::min (blockSizes[static_cast<size_t> (k)], audio.getNumSamples() - start);
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
