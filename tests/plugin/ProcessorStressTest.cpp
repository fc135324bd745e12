// One thread runs audio blocks while another changes every parameter at random, loads
// preset files, restores host states and pastes preset text, as a host's audio thread and
// its message thread do. Nothing may crash or trip a sanitizer, and the audio stays finite.

#include "StateTestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

using namespace quillmor::test;
using namespace quillmor_test;

namespace
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr auto stressTime = std::chrono::milliseconds (1500);
#else
    constexpr auto stressTime = std::chrono::milliseconds (3000);
#endif

    /** Far above anything full-scale input reaches, even with full feedback. */
    constexpr float outputBound = 1000.0f;

    /** Preset files, host states and preset texts of processors with random settings. */
    struct StressMaterial
    {
        explicit StressMaterial (int count)
        {
            folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                         .getChildFile ("quillmor-stress-" + juce::Uuid().toString());
            folder.createDirectory();

            for (int k = 0; k < count; ++k)
            {
                QuillmorPelowin source;
                setRandomParameters (source, static_cast<unsigned> (k + 1));
                source.setPresetName ("Stress " + juce::String (k));

                files.push_back (folder.getChildFile ("stress" + juce::String (k) + ".xml"));
                source.savePresetFile (files.back());

                states.emplace_back();
                source.getStateInformation (states.back());

                texts.emplace_back();
                source.getStateAsXmlText (texts.back());
            }
        }

        ~StressMaterial() { folder.deleteRecursively(); }

        juce::File folder;
        std::vector<juce::File> files;
        std::vector<juce::MemoryBlock> states;
        std::vector<juce::String> texts;
    };
} // namespace

TEST (ProcessorStress, AudioKeepsRunningWhileAnotherThreadChangesEverything)
{
    const StressMaterial material (4);
    ASSERT_EQ (material.files.size(), 4u);

    PreparedProcessor p;
    std::atomic<bool> stop { false };
    std::atomic<int> blocksRun { 0 };
    std::atomic<int> badBlocks { 0 };

    std::thread audioThread ([&]
    {
        juce::AudioBuffer<float> storage (2, 512);
        juce::MidiBuffer midi;

        for (int block = 0; ! stop.load(); ++block)
        {
            // Host blocks of several sizes, none a multiple of the control block but the first.
            const int length = 64 + (block % 5) * 111;
            const auto input = makeTestSignal (length, 2, static_cast<juce::uint32> (block));
            juce::AudioBuffer<float> audio (storage.getArrayOfWritePointers(), 2, 0, length);

            for (int channel = 0; channel < 2; ++channel)
                audio.copyFrom (channel, 0, input.getReadPointer (channel), length, 1.6f);

            p.processor.processBlock (audio, midi);

            for (int channel = 0; channel < 2; ++channel)
                for (int i = 0; i < length; ++i)
                    if (const float v = audio.getSample (channel, i); ! (std::isfinite (v) && std::fabs (v) <= outputBound))
                        badBlocks.fetch_add (1);

            blocksRun.fetch_add (1);
        }
    });

    std::mt19937 random (77);
    std::uniform_real_distribution<float> unit (0.0f, 1.0f);
    std::uniform_int_distribution<int> parameter (0, numParameters - 1), item (0, 3);
    const auto end = std::chrono::steady_clock::now() + stressTime;
    int changes = 0;

    while (std::chrono::steady_clock::now() < end)
    {
        const float action = unit (random);

        if (action < 0.85f)
        {
            // Mostly values inside the range, sometimes beyond it as a careless host sends them.
            const float value = unit (random) < 0.9f ? unit (random) : 3.0f * unit (random) - 1.0f;
            p.processor.setParameter (parameter (random), value);
        }
        else if (action < 0.89f)
        {
            p.processor.loadPresetFile (material.files[static_cast<size_t> (item (random))]);
        }
        else if (action < 0.93f)
        {
            const auto& state = material.states[static_cast<size_t> (item (random))];
            p.processor.setStateInformation (state.getData(), static_cast<int> (state.getSize()));
        }
        else if (action < 0.97f)
        {
            p.processor.setStateFromXmlText (material.texts[static_cast<size_t> (item (random))]);
        }
        else
        {
            // A host saving the session while audio runs.
            juce::MemoryBlock saved;
            p.processor.getStateInformation (saved);
            EXPECT_GT (saved.getSize(), 0u);
        }

        ++changes;
    }

    stop.store (true);
    audioThread.join();

    EXPECT_EQ (badBlocks.load(), 0) << "samples not finite or beyond the bound";
    EXPECT_GT (blocksRun.load(), 100) << "the audio thread hardly ran";
    EXPECT_GT (changes, 1000);
}

TEST (ProcessorStress, HostStateSavesStayWholeWhilePresetsLoadAndPaste)
{
    // A host saving in the background while the editor loads presets and pastes: every
    // save is exactly one of the states loaded, never parts of two.
    const StressMaterial material (4);
    QuillmorPelowin processor;
    processor.setStateInformation (material.states[0].getData(), static_cast<int> (material.states[0].getSize()));
    std::atomic<bool> stop { false };
    std::atomic<int> saves { 0 }, mixedSaves { 0 };

    std::thread hostStateThread ([&]
    {
        for (; ! stop.load(); saves.fetch_add (1))
        {
            juce::MemoryBlock saved;
            processor.getStateInformation (saved);
            mixedSaves.fetch_add (std::count (material.states.begin(), material.states.end(), saved) == 0 ? 1 : 0);
        }
    });

    std::mt19937 random (5);
    std::uniform_int_distribution<size_t> item (0, 3);

    for (const auto end = std::chrono::steady_clock::now() + stressTime; std::chrono::steady_clock::now() < end;)
    {
        processor.loadPresetFile (material.files[item (random)]);
        processor.setStateFromXmlText (material.texts[item (random)]);
    }

    stop.store (true);
    hostStateThread.join();
    EXPECT_EQ (mixedSaves.load(), 0) << "of " << saves.load();
    EXPECT_GT (saves.load(), 100);
}
