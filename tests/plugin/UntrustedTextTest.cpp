// Text from outside on each way in (host state, preset file, clipboard).
#include "StateTestHelpers.h"

#include <gtest/gtest.h>

#include <string>

using namespace quillmor::test;

namespace
{
enum Path { hostState, presetFile, clipboard };
const char* const pathNames[] = { "host state", "preset file", "clipboard" };

/** Hands the processor these bytes as the text of a state block, a preset file or the clipboard. */
void deliver (QuillmorPelowin& p, Path path, const std::string& bytes)
{
    if (path == hostState)
    {
        const auto block = packState (bytes);
        p.setStateInformation (block.getData(), (int) block.getSize());
    }
    else if (path == presetFile)
    {
        juce::TemporaryFile file (".qpreset");
        ASSERT_TRUE (file.getFile().replaceWithData (bytes.data(), bytes.size()));
        p.loadPresetFile (file.getFile());
    }
    else
    {
        p.setStateFromXmlText (juce::String::fromUTF8 (bytes.data(), (int) bytes.size()));
    }
}

std::string repeated (const char* part, int count)
{
    return juce::String::repeatedString (part, count).toStdString();
}

/** A processor away from its defaults, with the block that puts it back. */
struct Previous
{
    Previous()
    {
        setRandomParameters (processor, 7);
        processor.setPresetName ("Previous");
        processor.mixLock = true;
        processor.uiWidth = 800;
        processor.getStateInformation (block);
    }

    void restore() { processor.setStateInformation (block.getData(), (int) block.getSize()); }

    QuillmorPelowin processor;
    juce::MemoryBlock block;
};
} // namespace

TEST (UntrustedText, ThousandsOfAttributesAreReadOnce)
{
    // 10,000 fit under the 64 KiB cap of preset files; of two names in different case the first counts.
    const auto attributes = [] (int count) {
        return "<QuillmorPelowin" + repeated (" x=\"1\"", count) + " MIX=\"0.25\" presetName=\"Many\" Mix=\"0.75\"/>";
    };

    Previous previous;
    previous.processor.mixLock = false;

    for (const auto path : { hostState, presetFile, clipboard })
    {
        previous.processor.setPresetName ("Previous");
        deliver (previous.processor, path, attributes (10000));
        EXPECT_EQ (previous.processor.getPresetName(), "Many") << pathNames[path];
        EXPECT_EQ (previous.processor.getParameter (0), 0.25f) << pathNames[path];
    }
}
