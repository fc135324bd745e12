// Host state: the packed state element, its round trip and tolerant reading.
#include "StateTestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace quillmor::test;

namespace
{
void restore (QuillmorPelowin& p, const juce::MemoryBlock& block)
{
    p.setStateInformation (block.getData(), (int) block.getSize());
}

void restoreText (QuillmorPelowin& p, const juce::String& text)
{
    restore (p, packState (text.toStdString()));
}

/** A processor moved away from every default, so a fallback to "current" is visible. */
struct HostStateTest : ::testing::Test
{
    HostStateTest()
    {
        setRandomParameters (processor, 7);
        processor.setPresetName ("Mine");
        processor.mixLock = true;
        processor.uiWidth = 800;
        processor.uiHeight = 437;
    }

    QuillmorPelowin processor;
};
} // namespace

TEST (HostState, DefaultBlockHoldsTheElementAttributeByAttribute)
{
    const std::pair<const char*, const char*> expected[] = {
        { "pluginVersion", "1.0.2" }, { "presetName", "Default" },
        { "Mix", "0.5" }, { "Depth", "0.5" }, { "StereoWidth", "0.5" },
        { "Delay", "0.0099999997764825820923" }, { "Feedback", "0" }, { "Spread", "0.5" },
        { "Slope", "0.5" }, { "Skew", "0.5" }, { "Random", "0" }, { "TapGain", "0.5" },
        { "Diffusion", "0.5" }, { "DiffSize", "0.02040816284716129303" },
        { "DiffModRate", "0.049049049615859985352" }, { "DiffModDepth", "0.5" }, { "LowCut", "0" },
        { "HighCut", "1" }, { "SpatialXover", "0.14572864770889282227" },
        { "DetuneRate", "0.049049049615859985352" }, { "DetuneDepth", "0.5" },
        { "VibratoRate", "0.29824557900428771973" }, { "VibratoDepth", "0" }, { "OverMod", "0" },
        { "DriveInGain", "0.375" }, { "DriveOutGain", "0.75" },
        { "DriveNoiseGain", "0.3333333432674407959" }, { "FeedbackRotate", "0.5" },
        { "SmoothingTime", "0.099099099636077880859" }, { "ColorMode", "0" }, { "DelaySync", "0" },
        { "type", "0.041666667908430099487" }, { "DiffEnable", "0" }, { "Drive", "0" },
        { "DrivePrePost", "1" }, { "Speed", "0" }, { "InputPan", "0.125" },
        { "mixLock", "0" }, { "uiWidth", "670" }, { "uiHeight", "365" }
    };

    QuillmorPelowin processor;
    juce::MemoryBlock block;
    processor.getStateInformation (block);

    const auto* bytes = static_cast<const unsigned char*> (block.getData());
    ASSERT_GT (block.getSize(), 9u);
    EXPECT_EQ (std::memcmp (bytes, "VC2!", 4), 0);
    const auto length = (size_t) bytes[4] | ((size_t) bytes[5] << 8) | ((size_t) bytes[6] << 16) | ((size_t) bytes[7] << 24);
    EXPECT_EQ (length, block.getSize() - 9);
    EXPECT_EQ (bytes[block.getSize() - 1], 0);

    const auto text = juce::String::fromUTF8 ((const char*) bytes + 8, (int) length);
    EXPECT_TRUE (text.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?> <QuillmorPelowin pluginVersion=\"1.0.2\" presetName=\"Default\" Mix=\"0.5\" "));
    EXPECT_FALSE (text.containsChar ('\n'));

    const auto element = juce::parseXML (text);
    ASSERT_NE (element, nullptr);
    EXPECT_EQ (element->getTagName(), "QuillmorPelowin");
    EXPECT_EQ (element->getNumChildElements(), 0);
    ASSERT_EQ (element->getNumAttributes(), 40);

    for (int i = 0; i < 40; ++i)
    {
        EXPECT_EQ (element->getAttributeName (i), expected[i].first) << i;
        EXPECT_EQ (element->getAttributeValue (i), expected[i].second) << expected[i].first;
    }
}

TEST (HostState, RoundTripIsBitExact)
{
    QuillmorPelowin source;
    setRandomParameters (source, 99);

    // Values at the edges of what text must carry.
    source.setParameter (1, -0.0f);   // written as "-0" it would read back as +0
    source.setParameter (2, 1.0f);
    source.setParameter (3, std::numeric_limits<float>::denorm_min());
    source.setParameter (4, 0.99999994f);
    source.setParameter (5, 1.0f / 3.0f);
    source.setParameter (6, 1.0e-7f);
    source.setParameter (7, std::numeric_limits<float>::min());

    // The last character as JUCE decodes it from a file name: one beyond U+10FFFF, held as U+FFFD.
    const char* name = "Tom & Jerry <\"sm\xc3\xb6rg\xc3\xa5sbord\"> 'caf\xc3\xa9' \xe6\x97\xa5\xf4\x90\x80\x80";
    source.setPresetName (juce::String::fromUTF8 (name, (int) std::strlen (name)));
    ASSERT_TRUE (source.getPresetName().endsWith (juce::CharPointer_UTF8 ("\xe6\x97\xa5\xef\xbf\xbd")));
    source.mixLock = true;
    source.uiWidth = 1001;
    source.uiHeight = 246;

    juce::MemoryBlock block;
    source.getStateInformation (block);

    // The mix lock holds Mix only for presets: host state always sets it.
    QuillmorPelowin destination;
    destination.mixLock = true;
    destination.setParameter (0, 0.2f);
    restore (destination, block);

    for (int i = 0; i < numParameters; ++i)
        EXPECT_EQ (destination.getParameter (i), source.getParameter (i)) << i;

    EXPECT_EQ (destination.getPresetName(), source.getPresetName());
    EXPECT_TRUE (ProcessorSnapshot (destination) == ProcessorSnapshot (source));
}

TEST (HostState, SameStateTwiceStillSendsOneChangeMessage)
{
    QuillmorPelowin source;
    setRandomParameters (source, 3);
    juce::MemoryBlock block;
    source.getStateInformation (block);

    QuillmorPelowin destination;
    quillmor_test::ChangeCounter changes (destination);
    restore (destination, block);
    EXPECT_EQ (changes.flush(), 1);
    restore (destination, block);
    EXPECT_EQ (changes.flush(), 1);
    EXPECT_TRUE (ProcessorSnapshot (destination) == ProcessorSnapshot (source));
}

TEST (HostState, RestoreTellsTheHostEveryValue)
{
    QuillmorPelowin source;
    setRandomParameters (source, 31);
    juce::MemoryBlock block;
    source.getStateInformation (block);

    QuillmorPelowin destination;
    HostView host (destination);
    restore (destination, packState ("<Foreign Mix=\"0.1\"/>"));
    EXPECT_EQ (host.calls, 0);

    restore (destination, block);
    EXPECT_EQ (host.calls, numParameters);
    for (int i = 0; i < numParameters; ++i)
        EXPECT_EQ (host.values[i], source.getParameter (i)) << i;
}

TEST_F (HostStateTest, MissingAttributesKeepValuesButInputPanAndNameFallBack)
{
    ProcessorSnapshot before (processor);
    restoreText (processor, "<QuillmorPelowin Mix=\"0.25\"/>");

    EXPECT_EQ (processor.getParameter (0), 0.25f);
    EXPECT_EQ (processor.getParameter (34), 0.0f);
    EXPECT_EQ (processor.getPresetName(), "");

    for (int i = 1; i < 34; ++i)
        EXPECT_EQ (processor.getParameter (i), before.values[i]) << i;

    // The lock reads off when missing; the size stays.
    EXPECT_FALSE (processor.mixLock);
    EXPECT_EQ (processor.uiWidth, 800);
    EXPECT_EQ (processor.uiHeight, 437);
}

TEST_F (HostStateTest, ForeignTagOnlySetsMixLockAndEditorSize)
{
    ProcessorSnapshot before (processor);
    quillmor_test::ChangeCounter changes (processor);

    restoreText (processor, "<SomethingElse presetName=\"X\" Mix=\"0.1\" InputPan=\"1\" mixLock=\"0\" uiWidth=\"900\" uiHeight=\"500\"/>");
    EXPECT_EQ (changes.flush(), 0);
    EXPECT_EQ (processor.getPresetName(), "Mine");
    EXPECT_EQ (std::memcmp (before.values, ProcessorSnapshot (processor).values, sizeof (before.values)), 0);
    EXPECT_FALSE (processor.mixLock);
    EXPECT_EQ (processor.uiWidth, 900);
    EXPECT_EQ (processor.uiHeight, 500);

    restoreText (processor, "<Other mixLock=\"1\"/>");
    EXPECT_TRUE (processor.mixLock);
    EXPECT_EQ (processor.uiWidth, 900);
    EXPECT_EQ (processor.uiHeight, 500);
}

TEST_F (HostStateTest, TagAndAttributeNamesMatchInAnyCase)
{
    restoreText (processor, "<quillmorpelowin PRESETNAME=\"Low\" MIX=\"0.75\" inputpan=\"0.5\" dEPTH=\"0.125\" "
                            "TYPE=\"0.25\" MIXLOCK=\"0\" UIWIDTH=\"700\" uiheight=\"400\"/>");
    EXPECT_EQ (processor.getPresetName(), "Low");
    EXPECT_EQ (processor.getParameter (0), 0.75f);
    EXPECT_EQ (processor.getParameter (1), 0.125f);
    EXPECT_EQ (processor.getParameter (29), 0.25f);
    EXPECT_EQ (processor.getParameter (34), 0.5f);
    EXPECT_FALSE (processor.mixLock);
    EXPECT_EQ (processor.uiWidth, 700);
    EXPECT_EQ (processor.uiHeight, 400);

    restoreText (processor, "<QUILLMORPELOWIN Mix=\"0.5\"/>");
    EXPECT_EQ (processor.getParameter (0), 0.5f);
}

TEST_F (HostStateTest, MixLockReadsLikeJucesBooleanAttributes)
{
    const std::pair<const char*, bool> cases[] = {
        { "1", true }, { "True", true }, { "  t", true }, { "Yes", true },
        { "0", false }, { "false", false }, { "", false }, { "on", false }
    };

    for (const auto& [text, expected] : cases)
    {
        processor.mixLock = ! expected;
        restoreText (processor, juce::String ("<QuillmorPelowin mixLock=\"") + text + "\"/>");
        EXPECT_EQ (processor.mixLock, expected) << '"' << text << '"';
    }
}

TEST_F (HostStateTest, ValuesThatAreNoNumbersOrOutOfRangeStayHarmless)
{
    const float spreadBefore = processor.getParameter (5);
    restoreText (processor, "<QuillmorPelowin Mix=\"abc\" Depth=\"\" StereoWidth=\"2.5\" Delay=\"-3\" "
                            "Spread=\"nan\" Feedback=\"1e400\" Slope=\"-1e400\" Skew=\"inf\" Random=\"1e39\" "
                            "TapGain=\"0.25abc\" InputPan=\"-inf\" Diffusion=\"1e99999999999\" "
                            "DiffSize=\"0.5e-99999999999\" DiffModRate=\"2.5E-00000000001\"/>");
    EXPECT_EQ (processor.getParameter (0), 0.0f);
    EXPECT_EQ (processor.getParameter (1), 0.0f);
    EXPECT_EQ (processor.getParameter (2), 1.0f);
    EXPECT_EQ (processor.getParameter (3), 0.0f);
    EXPECT_EQ (processor.getParameter (5), spreadBefore);
    EXPECT_EQ (processor.getParameter (4), 1.0f);
    EXPECT_EQ (processor.getParameter (6), 0.0f);
    EXPECT_EQ (processor.getParameter (7), 1.0f);
    EXPECT_EQ (processor.getParameter (8), 1.0f);
    EXPECT_EQ (processor.getParameter (9), 0.25f);
    EXPECT_EQ (processor.getParameter (34), 0.0f);

    // Exponents too long for an int read as the number they spell.
    EXPECT_EQ (processor.getParameter (10), 1.0f);
    EXPECT_EQ (processor.getParameter (11), 0.0f);
    EXPECT_EQ (processor.getParameter (12), 0.25f);

    for (int i = 0; i < numParameters; ++i)
        EXPECT_TRUE (std::isfinite (processor.getParameterText (i).getFloatValue())) << i;
}

TEST_F (HostStateTest, EditorSizeIsKeptWithinTheEditorsLimits)
{
    const struct { const char* width; const char* height; int expectedWidth, expectedHeight; } cases[] = {
        { "0", "-100", 446, 243 }, { "abc", "", 446, 243 }, { "100000", "9999", 1005, 547 },
        { "445", "548", 446, 547 }, { "1005", "243", 1005, 243 }, { "700", "300", 700, 300 },
        // Beyond the int range: held at its ends rather than wrapped (4294967496 would wrap to 200).
        { "-2147483648", "4294967496", 446, 547 }, { " -99999999999", "\t 300x", 446, 300 },
    };

    for (const auto& c : cases)
    {
        restoreText (processor, juce::String ("<QuillmorPelowin uiWidth=\"") + c.width + "\" uiHeight=\"" + c.height + "\"/>");
        EXPECT_EQ (processor.uiWidth, c.expectedWidth) << c.width;
        EXPECT_EQ (processor.uiHeight, c.expectedHeight) << c.height;
    }
}

TEST_F (HostStateTest, BlocksThatDoNotUnpackChangeNothing)
{
    const ProcessorSnapshot before (processor);
    quillmor_test::ChangeCounter changes (processor);

    std::vector<juce::MemoryBlock> blocks;
    blocks.emplace_back();
    blocks.emplace_back ("VC2!", 4);
    blocks.emplace_back ("VC2!\0\0\0\0", 8);
    blocks.push_back (packState ("not xml at all"));
    blocks.push_back (packState ("<QuillmorPelowin Mix=\"0.1\""));
    blocks.push_back (packState ("<QuillmorPelowin mixLock=\"0\" uiWidth=\"900\" Mix=\"0.1"));

    // Declarations the parser would follow: endless expansion, a device file.
    blocks.push_back (packState ("<!DOCTYPE QuillmorPelowin [<!ENTITY a \"&a;&a;\">]><QuillmorPelowin presetName=\"&a;\" mixLock=\"0\"/>"));
    blocks.push_back (packState ("<!DOCTYPE QuillmorPelowin SYSTEM \"/dev/zero\"><QuillmorPelowin presetName=\"&x;\" uiWidth=\"900\"/>"));

    // A length that reads as negative.
    auto negativeLength = packState ("<QuillmorPelowin Mix=\"0.1\"/>");
    static_cast<unsigned char*> (negativeLength.getData())[7] = 0x80;
    blocks.push_back (negativeLength);

    // Lengths that cut the text short of its closing bracket: between attributes,
    // and inside a value just after a UTF-8 lead byte, which walked the parser past
    // the end of the text.
    auto cutBetweenAttributes = packState ("<QuillmorPelowin Mix=\"0.1\" mixLock=\"0\" uiWidth=\"900\"/>");
    static_cast<unsigned char*> (cutBetweenAttributes.getData())[4] = 26;
    blocks.push_back (cutBetweenAttributes);

    auto cutAfterLeadByte = packState ("<QuillmorPelowin Mix=\"0.1\" uiHeight=\"5\xe1\x84\x87\"/>");
    static_cast<unsigned char*> (cutAfterLeadByte.getData())[4] = 39;
    blocks.push_back (cutAfterLeadByte);

    // A million nested elements: the parser would recurse off the end of its stack.
    juce::String nested ("<QuillmorPelowin Mix=\"0.1\">");
    nested += juce::String::repeatedString ("<a>", 1000000);
    blocks.push_back (packState (nested.toStdString()));

    // Wrong magic in front of a valid element.
    auto wrongMagic = packState ("<QuillmorPelowin Mix=\"0.1\" mixLock=\"0\"/>");
    static_cast<char*> (wrongMagic.getData())[0] = 'X';
    blocks.push_back (wrongMagic);

    std::mt19937 random (5);
    for (int n = 0; n < 20; ++n)
    {
        juce::MemoryBlock garbage ((size_t) (random() % 300));
        for (size_t i = 0; i < garbage.getSize(); ++i)
            garbage[i] = (char) random();
        if (n % 2 == 0 && garbage.getSize() >= 8)
            garbage.copyFrom ("VC2!", 0, 4);
        blocks.push_back (garbage);
    }

    for (const auto& block : blocks)
    {
        restore (processor, block);
        EXPECT_TRUE (ProcessorSnapshot (processor) == before) << block.toBase64Encoding();
    }

    processor.setStateInformation (nullptr, 100);
    processor.setStateInformation (blocks[3].getData(), -1);
    EXPECT_TRUE (ProcessorSnapshot (processor) == before);
    EXPECT_EQ (changes.flush(), 0);
}
