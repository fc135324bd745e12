// Hostile and damaged text on each way in (host state, preset file, clipboard): a load
// is all or nothing, and preset files from other writers still load.
#include "StateTestHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

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

/** Latin-1 text (each byte one character) as a UTF-16 file holds it, little endian
    after a byte-order mark. */
std::string utf16 (const std::string& latin1)
{
    std::string result = "\xff\xfe";
    for (const char c : latin1)
        result += std::string { c, 0 };
    return result;
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

const std::string element = "<QuillmorPelowin presetName=\"New\" Mix=\"0.1\"";
} // namespace

TEST (UntrustedText, HostileTextChangesNothingOnAnyPath)
{
    std::vector<std::string> cases = {
        // Over-long '<' (C0 BC): a DOCTYPE whose entities expand without end.
        "\xc0\xbc!DOCTYPE q [\xc0\xbc!ENTITY a \"&xb;\"> \xc0\xbc!ENTITY c \"1\"> \xc0\xbc!ENTITY d \"1\"> "
            "\xc0\xbc!ENTITY b \"&xb;&xb;\">]>" + element + " presetName=\"&a;\"/>",
        // Nesting deep enough to run the parser out of stack (the others fit a preset file).
        element + ">" + repeated ("\xc0\xbc" "a>", 1000000),
        element + ">" + repeated ("\xc0\xbc" "a>", 16000),
        element + ">" + repeated ("<a>", 9000) + repeated ("</a>", 9000) + "</QuillmorPelowin>",
        // An over-long '"' would close a value early and bring in an attribute unseen; read
        // as Windows-1252 (a preset file), the value is left open.
        element + " Depth=\"0.2\xc0\xa2 Spread=\xc0\xa2" "0.9\xc0\xa2/>",
        // Attributes the parser stops at without a word, or reads as something else.
        element + " Depth=\"0.2\" Feedback=0.5 Spread=\"0.3\"/>",
        element + " Depth=\"0.2 &\" Spread=\"0.3\"/>",
        element + " Depth=\"&unknown;\"/>",
        element + " Depth Spread=\"0.3\"/>",
        element + " Depth=\"0.2\" Spread=\"0.3\"",
        // References beyond U+10FFFF in a name: 0x400041 would be kept as an over-long 'A',
        // 2^32 + 0x3C wrap to '<'.
        "<QuillmorPelowin presetName=\"a&#x400041;b&#x400000;cdef\" Mix=\"0.1\"/>",
        "<QuillmorPelowin presetName=\"&#4294967356;\" Mix=\"0.1\"/>",
    };

    // And in a number, however the digits wrap in the parser's 32 bits: JUCE would store
    // bytes that are no UTF-8 (0x400000 as an over-long zero) for a reader to trip over.
    // Last, the same in a UTF-16 preset file.
    for (const char* reference : { "&#4194304;", "&#x80000000;", "&#xFFFFFFFF;", "&#999999999999;", "&#4299161600;", "&#x400000;" })
        cases.push_back (element + " Depth=\"0" + reference + std::string (40, 'A') + "\"/>");

    cases.push_back (utf16 (cases.back()));

    Previous previous;
    const ProcessorSnapshot before (previous.processor);

    for (const auto& text : cases)
    {
        for (const auto path : { hostState, presetFile, clipboard })
        {
            deliver (previous.processor, path, text);
            EXPECT_TRUE (ProcessorSnapshot (previous.processor) == before) << pathNames[path] << ": " << text.substr (0, 120);
            previous.restore();
        }
    }
}

TEST (UntrustedText, AZeroByteAnywhereInAStateChangesNothing)
{
    QuillmorPelowin source;
    juce::MemoryBlock block;
    source.getStateInformation (block);
    const std::string text ((const char*) block.getData() + 8, block.getSize() - 9);

    Previous previous;
    const ProcessorSnapshot before (previous.processor);

    for (const auto path : { hostState, presetFile, clipboard })
    {
        for (size_t i = 0; i < text.size(); ++i)
        {
            auto damaged = text;
            damaged[i] = 0;
            deliver (previous.processor, path, damaged);
            EXPECT_TRUE (ProcessorSnapshot (previous.processor) == before) << pathNames[path] << ", byte " << i;
            previous.restore();
        }
    }
}

TEST (UntrustedText, ThousandsOfAttributesAreReadOnceAndTooManyNotAtAll)
{
    // 10,000 fit under the 64 KiB cap; of two names in different case the first counts.
    const auto attributes = [] (int count) {
        return "<QuillmorPelowin" + repeated (" x=\"1\"", count) + " MIX=\"0.25\" presetName=\"Many\" Mix=\"0.75\"/>";
    };

    Previous previous;
    previous.processor.mixLock = false;

    for (const auto path : { hostState, presetFile, clipboard })
    {
        previous.processor.setPresetName ("Previous");
        deliver (previous.processor, path, attributes (100000));
        EXPECT_EQ (previous.processor.getPresetName(), "Previous") << pathNames[path];

        deliver (previous.processor, path, attributes (10000));
        EXPECT_EQ (previous.processor.getPresetName(), "Many") << pathNames[path];
        EXPECT_EQ (previous.processor.getParameter (0), 0.25f) << pathNames[path];
    }
}

TEST (UntrustedText, PresetFilesInOtherEncodingsAndLayoutsStillLoad)
{
    // "x\xc0\xbby" is "xÀ»y" in Windows-1252, and in UTF-8 an over-long form of '>'.
    const std::string latin1 = "<QuillmorPelowin presetName=\"x\xc0\xbby &amp; co\" Mix=\"0.1\"/>";

    const std::string files[] = {
        latin1, utf16 (latin1), "\xef\xbb\xbf<QuillmorPelowin presetName=\"x\xc3\x80\xc2\xbby &amp; co\" Mix=\"0.1\"/>",
        "<?xml version=\"1.0\"?>\r\n<!-- shared --><quillmorpelowin\tpresetname='x&#192;&#187;y &AMP; co'\r\n"
        "  MIX = '0.1' ></QuillmorPelowin>\r\n",
    };

    QuillmorPelowin processor;

    for (const auto& file : files)
    {
        processor.setPresetName ("Previous");
        processor.setParameter (0, 0.5f);
        deliver (processor, presetFile, file);
        EXPECT_EQ (processor.getPresetName(), juce::String (juce::CharPointer_UTF8 ("x\xc3\x80\xc2\xbby & co"))) << file;
        EXPECT_EQ (processor.getParameter (0), 0.1f) << file;
    }
}

TEST (UntrustedText, JuceReadsEachMalformedUtf8SequenceInANameAsOneReplacementCharacter)
{
    // As JUCE builds a String from every name the system gives it. Each bad byte has a long
    // tail behind it: a raw copy would run past the String's buffer, and a byte read as
    // ASCII ('/', '.', a tab, the end) would make the name another one.
    const std::string tail = " - and a long tail behind it, as file names have";
    const std::string fffd = "\xef\xbf\xbd";
    const std::pair<std::string, std::string> rows[] = {
        { "a\xaf" "b", "a" + fffd + "b" },                                  // a lone 0xAF: '/'
        { "x\xaf\xae\xae", "x" + fffd + fffd + fffd },                     // "x/.."
        { "Caf\xe9 \xa9 2020.ttf", "Caf" + fffd + " " + fffd + " 2020.ttf" },   // E9 before ASCII: a tab
        { "Police \xe0 la mode", "Police " + fffd + " la mode" },            // E0 before ASCII: the end
        { "over\xc0\xbclong", "over" + fffd + fffd + "long" },              // over-long '<'
        { "\xc0\xaf", fffd + fffd },                                         // over-long '/'
        { "\xe0\x80" "a", fffd + fffd + "a" },                                // over-long, cut short
        { "\xe2\x82" "a", fffd + "a" },                                      // a euro sign cut short: one subpart
        { "\xf5\xf4\x90\x80\x80", fffd + fffd + fffd + fffd + fffd },    // beyond U+10FFFF
        { "end \xe2\x82", "end " + fffd },
        // Well formed, as stock JUCE keeps it: up to four bytes, and encoded surrogates,
        // which JUCE writes from UTF-16.
        { "Bob\xe2\x80\x99s \xc3\xa9t\xc3\xa9 \xf0\x9f\x8e\xb8 \xf4\x8f\xbf\xbf", "" },
        { "\xed\xa0\xbd\xed\xb8\x80 \xed\x9f\xbf", "" },
    };

    for (const auto& [bytes, expected] : rows)
    {
        const auto text = bytes + tail;
        EXPECT_EQ (juce::String (juce::CharPointer_UTF8 (text.c_str())).toStdString(),
                   (expected.empty() ? bytes : expected) + tail) << bytes;
    }
}

TEST (UntrustedText, JuceListsAFolderWithNamesThatAreNotUtf8AsItsOwnChildren)
{
    // Windows-1252 "a¯b" would be read as "a/b": a file that exists where a folder "a"
    // holds "b", and a click on it in JUCE's browser would act on that other file.
    const juce::TemporaryFile temporary;
    const auto folder = temporary.getFile();
    const std::filesystem::path path (folder.getFullPathName().toStdString());
    std::filesystem::create_directories (path / "a");
    std::ofstream (path / "a" / "b");
    std::ofstream (path / "a\xaf" "b - a long tail behind the byte");

    const auto children = folder.findChildFiles (juce::File::findFilesAndDirectories, false);
    EXPECT_EQ (children.size(), 2);

    for (const auto& child : children)
        EXPECT_EQ (child.getParentDirectory().getFullPathName(), folder.getFullPathName()) << child.getFullPathName();

    std::filesystem::remove_all (path);
}
