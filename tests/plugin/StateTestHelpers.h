#pragma once

// Shared by the host-state and preset tests: a snapshot of everything the state
// carries and random parameter values.
#include "ProcessorTestSupport.h"

#include <cstring>
#include <map>
#include <random>
#include <string>

namespace quillmor::test
{
constexpr int numParameters = 35;

/** Everything state restores can touch. */
struct ProcessorSnapshot
{
    float values[numParameters];
    juce::String presetName;
    bool mixLock;
    int uiWidth, uiHeight;

    explicit ProcessorSnapshot (QuillmorPelowin& p)
        : presetName (p.getPresetName()), mixLock (p.mixLock), uiWidth (p.uiWidth), uiHeight (p.uiHeight)
    {
        for (int i = 0; i < numParameters; ++i)
            values[i] = p.getParameter (i);
    }

    bool operator== (const ProcessorSnapshot& other) const
    {
        return std::memcmp (values, other.values, sizeof (values)) == 0 && presetName == other.presetName
            && mixLock == other.mixLock && uiWidth == other.uiWidth && uiHeight == other.uiHeight;
    }
};

/** Sets every parameter to a random value in [0, 1) that differs from its current one. */
inline void setRandomParameters (QuillmorPelowin& p, unsigned seed)
{
    std::mt19937 random (seed);
    std::uniform_real_distribution<float> unit (0.0f, 1.0f);

    for (int i = 0; i < numParameters; ++i)
        p.setParameter (i, unit (random));
}

/** What a host's wrapper is told of parameter values: the last value per index and the
    number of calls. */
struct HostView : juce::AudioProcessorListener
{
    explicit HostView (juce::AudioProcessor& p) : processor (p) { processor.addListener (this); }
    ~HostView() override { processor.removeListener (this); }

    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override { values[index] = value; ++calls; }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

    juce::AudioProcessor& processor;
    std::map<int, float> values;
    int calls = 0;
};

/** Packs text the way hosts hand it back: "VC2!", the text's byte count (little
    endian), the text and a terminating zero. */
inline juce::MemoryBlock packState (const std::string& text)
{
    juce::MemoryBlock block;
    block.append ("VC2!", 4);
    const auto length = (juce::uint32) text.size();
    const unsigned char lengthBytes[] = { (unsigned char) length, (unsigned char) (length >> 8),
                                          (unsigned char) (length >> 16), (unsigned char) (length >> 24) };
    block.append (lengthBytes, 4);
    block.append (text.c_str(), text.size() + 1);
    return block;
}
} // namespace quillmor::test
