// Preset files, preset folders and the clipboard text.
#include "StateTestHelpers.h"

#include <gtest/gtest.h>

#include <QuillmorPelowinText.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <tuple>

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillmor::test;

// Stands in for the C library's rename in this program, as an LD_PRELOAD shim would:
// while failRenames is set, it fails as on a file system that cannot rename over a file.
static bool failRenames = false;

extern "C" int rename (const char* from, const char* to) noexcept
{
    static const auto next = reinterpret_cast<int (*) (const char*, const char*)> (dlsym (RTLD_NEXT, "rename"));
    return failRenames ? (errno = EXDEV, -1) : next (from, to);
}

namespace
{
const char* const presetPath = "Audio/Presets/Quillmor DSP, LLC/QuillmorPelowin";

/** Runs each test with HOME pointing at a fresh temporary folder that has a .config. */
struct PresetTest : ::testing::Test
{
    void SetUp() override
    {
        if (const char* home = std::getenv ("HOME"))
            savedHome = home;

        // Test processes run side by side: each needs a folder no other can pick.
        home = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("quillmor-home-" + juce::Uuid().toString());
        ASSERT_TRUE (home.getChildFile (".config").createDirectory());
        setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
        unsetenv ("XDG_CONFIG_HOME");   // else the user folder would lie outside HOME
        folder = home.getChildFile ("presets");
        ASSERT_TRUE (folder.createDirectory());
    }

    void TearDown() override
    {
        unsetenv ("XDG_CONFIG_HOME");

        if (savedHome.isNotEmpty())
            setenv ("HOME", savedHome.toRawUTF8(), 1);

        home.deleteRecursively();
    }

    juce::File writeText (const char* name, const juce::String& text)
    {
        const auto file = folder.getChildFile (name);
        file.replaceWithText (text, false, false, nullptr);
        return file;
    }

    juce::String savedHome;
    juce::File home, folder;
};

const juce::String awkwardName = juce::CharPointer_UTF8 ("Ens & <Amb> \"caf\xc3\xa9\" 'na\xc3\xafve' \xe2\x99\xaa");
} // namespace

TEST_F (PresetTest, FoldersLieUnderTheApplicationDataFolders)
{
    const auto user = home.getFullPathName() + "/.config/" + presetPath;
    EXPECT_EQ (QuillmorPelowin::getPresetFolder (1), user);
    EXPECT_EQ (QuillmorPelowin::getPresetFolder (0),
               juce::File ("/opt").exists() ? "/opt/" + juce::String (presetPath) : juce::String());
    // Only named, never created.
    EXPECT_FALSE (home.getChildFile (".config/Audio").exists());

    // A fresh account without ~/.config still has a user folder to create, never "".
    ASSERT_TRUE (home.getChildFile (".config").deleteRecursively());
    EXPECT_EQ (QuillmorPelowin::getPresetFolder (1), user);

    // An absolute $XDG_CONFIG_HOME is followed unless presets already lie under ~/.config.
    const auto xdg = home.getChildFile ("xdg").getFullPathName();
    for (const auto& [variable, presetsUnderConfig, expected] : { std::tuple<juce::String, bool, juce::String> { xdg, false, xdg + "/" + presetPath },
                                                                  { "relative/xdg", false, user }, { xdg, true, user } })
    {
        setenv ("XDG_CONFIG_HOME", variable.toRawUTF8(), 1);
        ASSERT_TRUE (! presetsUnderConfig || juce::File (user).createDirectory());
        EXPECT_EQ (QuillmorPelowin::getPresetFolder (1), expected) << variable;
    }

    // Names JUCE would take as UTF-8 unchecked and garble: a variable that is not UTF-8
    // is ignored, and a home folder that is not names no folder under it. Nor does a HOME
    // that is no absolute path: "~" sends JUCE's path expansion round until the stack runs
    // out, and a relative one would put the presets in the host's working folder.
    ASSERT_TRUE (juce::File (user).deleteRecursively());
    const auto homeBytes = home.getFullPathName().toStdString();
    const auto xdgFolder = xdg + "/" + presetPath;
    for (const auto& [homeVariable, xdgVariable, expected] : { std::tuple<std::string, std::string, juce::String> { homeBytes, xdg.toStdString() + "/\xe0x", user },
                                                               { homeBytes + "/Ol\x80 home", xdg.toStdString(), xdgFolder },
                                                               { homeBytes + "/\xc0 home of an old machine", "/tmp/\x80 config of an old machine", {} },
                                                               { "~", xdg.toStdString(), xdgFolder }, { "~/", "", {} },
                                                               { "relhome", "", {} }, { "~nosuchuser", "relative", {} } })
    {
        setenv ("HOME", homeVariable.c_str(), 1);
        setenv ("XDG_CONFIG_HOME", xdgVariable.c_str(), 1);
        EXPECT_EQ (QuillmorPelowin::getPresetFolder (1), expected) << xdgVariable;
    }
}

TEST_F (PresetTest, FileHasDeclarationUtf8AndWrappedAttributes)
{
    QuillmorPelowin processor;
    processor.setPresetName (awkwardName);
    processor.mixLock = true;
    const auto file = folder.getChildFile ("bytes.qpreset");
    ASSERT_TRUE (processor.savePresetFile (file));

    juce::MemoryBlock bytes;
    ASSERT_TRUE (file.loadFileAsData (bytes));
    const auto text = bytes.toString();

    EXPECT_TRUE (text.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<QuillmorPelowin pluginVersion=\"1.0.2\""));
    // Markup characters are escaped and letters beyond ASCII written as
    // character references, so the file is plain ASCII and therefore UTF-8.
    EXPECT_TRUE (text.contains ("presetName=\"Ens &amp; &lt;Amb&gt; &quot;caf&#233;&quot; 'na&#239;ve' &#9834;\"")) << text;
    for (size_t i = 0; i < bytes.getSize(); ++i)
        ASSERT_LT ((unsigned char) bytes[i], 0x80) << i;
    EXPECT_FALSE (text.contains ("mixLock"));
    EXPECT_FALSE (text.contains ("uiWidth"));
    EXPECT_FALSE (text.contains ("DOCTYPE"));

    // The attribute list continues on lines indented under the first attribute,
    // each started once the line before has passed 60 characters.
    auto lines = juce::StringArray::fromLines (text.fromFirstOccurrenceOf ("\r\n\r\n", false, false).trimEnd());
    ASSERT_GT (lines.size(), 5) << text;

    for (int i = 0; i < lines.size(); ++i)
    {
        if (i > 0)
        {
            EXPECT_TRUE (lines[i].startsWith (juce::String::repeatedString (" ", 17)) && lines[i][17] != ' ') << lines[i];
        }

        if (i + 1 < lines.size())
        {
            EXPECT_GT (lines[i].length(), 60) << lines[i];
        }
    }

    EXPECT_TRUE (lines[lines.size() - 1].endsWith ("InputPan=\"0.125\"/>"));

    const auto element = juce::parseXML (text);
    ASSERT_NE (element, nullptr);
    EXPECT_EQ (element->getNumAttributes(), 37);
    EXPECT_EQ (element->getStringAttribute ("presetName"), awkwardName);
}

TEST_F (PresetTest, SavedFileLoadsBackBitExactly)
{
    QuillmorPelowin source;
    setRandomParameters (source, 11);
    source.setParameter (3, std::numeric_limits<float>::denorm_min());
    source.setPresetName (awkwardName);
    const auto file = folder.getChildFile ("roundtrip.qpreset");
    ASSERT_TRUE (source.savePresetFile (file));
    EXPECT_EQ (source.getPresetName(), awkwardName);

    QuillmorPelowin destination;
    destination.uiWidth = 900;
    destination.loadPresetFile (file);

    for (int i = 0; i < numParameters; ++i)
        EXPECT_EQ (destination.getParameter (i), source.getParameter (i)) << i;

    EXPECT_EQ (destination.getPresetName(), awkwardName);
    EXPECT_EQ (destination.uiWidth, 900);
    EXPECT_FALSE (destination.mixLock);
}

TEST_F (PresetTest, NamesWrittenAsUtf8BytesOrReferencesReadTheSame)
{
    QuillmorPelowin processor;
    processor.loadPresetFile (writeText ("bytes.qpreset", juce::CharPointer_UTF8 ("<QuillmorPelowin presetName=\"caf\xc3\xa9 \xe2\x99\xaa\"/>")));
    EXPECT_EQ (processor.getPresetName(), juce::String (juce::CharPointer_UTF8 ("caf\xc3\xa9 \xe2\x99\xaa")));

    processor.loadPresetFile (writeText ("references.qpreset", "<QuillmorPelowin presetName=\"caf&#233; &#x266A;\"/>"));
    EXPECT_EQ (processor.getPresetName(), juce::String (juce::CharPointer_UTF8 ("caf\xc3\xa9 \xe2\x99\xaa")));
}

TEST_F (PresetTest, MixLockHoldsMixOnLoadAndPaste)
{
    QuillmorPelowin source;
    setRandomParameters (source, 21);
    source.setParameter (0, 0.9f);
    const auto file = folder.getChildFile ("locked.qpreset");
    ASSERT_TRUE (source.savePresetFile (file));
    juce::String clipboard;
    source.getStateAsXmlText (clipboard);

    for (int viaClipboard = 0; viaClipboard < 2; ++viaClipboard)
    {
        QuillmorPelowin destination;
        destination.mixLock = true;
        destination.setParameter (0, 0.2f);

        if (viaClipboard)
            destination.setStateFromXmlText (clipboard);
        else
            destination.loadPresetFile (file);

        EXPECT_EQ (destination.getParameter (0), 0.2f);
        for (int i = 1; i < numParameters; ++i)
            EXPECT_EQ (destination.getParameter (i), source.getParameter (i)) << i;
        EXPECT_TRUE (destination.mixLock);

        destination.mixLock = false;
        destination.setStateFromXmlText (clipboard);
        EXPECT_EQ (destination.getParameter (0), 0.9f);
    }
}

TEST_F (PresetTest, LoadingTheSameFileTwiceChangesNothingTheSecondTime)
{
    QuillmorPelowin source;
    setRandomParameters (source, 4);
    const auto file = folder.getChildFile ("twice.qpreset");
    ASSERT_TRUE (source.savePresetFile (file));

    QuillmorPelowin destination;
    quillmor_test::ChangeCounter changes (destination);
    destination.loadPresetFile (file);
    EXPECT_GT (changes.flush(), 0);
    destination.loadPresetFile (file);
    EXPECT_EQ (changes.flush(), 0);
}

TEST_F (PresetTest, MissingAttributesKeepValuesButInputPanAndNameFallBack)
{
    QuillmorPelowin processor;
    setRandomParameters (processor, 8);
    const ProcessorSnapshot before (processor);

    processor.loadPresetFile (writeText ("sparse.qpreset", "<QuillmorPelowin Depth=\"0.25\" pluginVersion=\"9\" Unknown=\"1\"/>"));
    EXPECT_EQ (processor.getPresetName(), "");
    EXPECT_EQ (processor.getParameter (1), 0.25f);
    EXPECT_EQ (processor.getParameter (34), 0.0f);

    for (int i = 0; i < 34; ++i)
    {
        if (i != 1)
        {
            EXPECT_EQ (processor.getParameter (i), before.values[i]) << i;
        }
    }
}

TEST_F (PresetTest, FilesThatAreNotPresetsChangeNothing)
{
    QuillmorPelowin processor;
    setRandomParameters (processor, 13);
    processor.setPresetName ("Kept");
    const ProcessorSnapshot before (processor);
    const juce::String element ("<QuillmorPelowin presetName=\"New\" Mix=\"0.1\"/>");

    const juce::File files[] = {
        folder.getChildFile ("missing.qpreset"),
        folder,
        writeText ("empty.qpreset", ""),
        writeText ("garbage.qpreset", "\x01\x02 not xml"),
        writeText ("foreign.qpreset", "<OtherPlugin presetName=\"New\" Mix=\"0.1\"/>"),
        writeText ("truncated.qpreset", "<QuillmorPelowin presetName=\"New\" Mix=\"0.1\""),
        writeText ("laughs.qpreset", "<!DOCTYPE q [<!ENTITY a \"&a;&a;\">]><QuillmorPelowin presetName=\"&a;\" Mix=\"0.1\"/>"),
        writeText ("device.qpreset", "<!DOCTYPE q SYSTEM \"/dev/zero\"><QuillmorPelowin presetName=\"&z;\"/>"),
        writeText ("huge.qpreset", element + juce::String::repeatedString (" ", 64 * 1024)),
    };

    for (const auto& file : files)
    {
        processor.loadPresetFile (file);
        EXPECT_TRUE (ProcessorSnapshot (processor) == before) << file.getFileName();
    }

    // Exactly 64 KiB is still a preset.
    processor.loadPresetFile (writeText ("big.qpreset", element + juce::String::repeatedString (" ", 64 * 1024 - element.length())));
    EXPECT_EQ (processor.getPresetName(), "New");
    EXPECT_EQ (processor.getParameter (0), 0.1f);
}

TEST_F (PresetTest, SaveThatCannotBeWrittenReturnsFalseAndChangesNothing)
{
    QuillmorPelowin processor;
    processor.setPresetName ("Unsaved");
    const auto blocker = writeText ("plain-file", "I am a file, not a folder");
    const auto target = blocker.getChildFile ("preset.qpreset");

    EXPECT_FALSE (processor.savePresetFile (target));
    EXPECT_FALSE (target.exists());
    EXPECT_EQ (blocker.loadFileAsString(), "I am a file, not a folder");
    EXPECT_EQ (processor.getPresetName(), "Unsaved");

    // An existing preset is replaced whole.
    const auto existing = writeText ("existing.qpreset", juce::String::repeatedString ("x", 10000));
    ASSERT_TRUE (processor.savePresetFile (existing));
    EXPECT_TRUE (existing.loadFileAsString().startsWith ("<?xml"));
    EXPECT_FALSE (existing.loadFileAsString().contains ("xxx"));
}

TEST_F (PresetTest, SaveThatFailsKeepsTheOldFileAndSaysSo)
{
    const auto existing = folder.getChildFile ("kept.qpreset");
    ASSERT_TRUE (QuillmorPelowin().savePresetFile (existing));
    const auto good = existing.loadFileAsString();
    QuillmorPelowin processor;
    setRandomParameters (processor, 3);

    ASSERT_TRUE (existing.setReadOnly (true));
    EXPECT_FALSE (processor.savePresetFile (existing)) << "read-only";
    ASSERT_TRUE (existing.setReadOnly (false));

    // A nearly full disk: the kernel takes the first half of the file and refuses the rest.
    rlimit unlimited;
    getrlimit (RLIMIT_FSIZE, &unlimited);
    const auto previousHandler = std::signal (SIGXFSZ, SIG_IGN);
    const rlimit nearlyFull { static_cast<rlim_t> (good.length() / 2), unlimited.rlim_max };
    EXPECT_EQ (setrlimit (RLIMIT_FSIZE, &nearlyFull), 0);
    EXPECT_FALSE (processor.savePresetFile (existing)) << "disk full";
    EXPECT_FALSE (processor.savePresetFile (folder.getChildFile ("fresh.qpreset"))) << "disk full";
    setrlimit (RLIMIT_FSIZE, &unlimited);
    std::signal (SIGXFSZ, previousHandler);

    failRenames = true;
    EXPECT_FALSE (processor.savePresetFile (existing)) << "rename";
    failRenames = false;
    EXPECT_EQ (existing.loadFileAsString(), good);

    // A folder of the file's name, empty or not, is never replaced.
    const auto namedFolder = folder.getChildFile ("folder.qpreset");
    ASSERT_TRUE (namedFolder.createDirectory());
    EXPECT_FALSE (processor.savePresetFile (namedFolder)) << "folder";
    EXPECT_TRUE (namedFolder.isDirectory());

    // Nothing else is left behind, hidden temporary files included.
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 2);
}

TEST_F (PresetTest, LoadAndPasteTellTheHostEachValueTheyChange)
{
    QuillmorPelowin source, destination;
    HostView host (destination);
    setRandomParameters (source, 41);
    const auto file = folder.getChildFile ("told.qpreset");
    ASSERT_TRUE (source.savePresetFile (file));
    setRandomParameters (source, 42);
    juce::String clipboard;
    source.getStateAsXmlText (clipboard);

    // Each loads values that all differ from the ones before; the second paste changes nothing.
    for (const int calls : { 1, 2, 2 })
    {
        calls == 1 ? destination.loadPresetFile (file) : destination.setStateFromXmlText (clipboard);
        EXPECT_EQ (host.calls, calls * numParameters);
        for (int i = 0; i < numParameters; ++i)
            EXPECT_EQ (host.values[i], destination.getParameter (i)) << calls << ", " << i;
    }
}

TEST_F (PresetTest, LongNamesAreCutSoWhatIsWrittenLoadsBack)
{
    // Written whole, either name puts the state, a preset and the clipboard text over the
    // size that is read back (each "é" a 6-byte reference).
    for (const auto& name : { juce::String::repeatedString (juce::CharPointer_UTF8 ("\xc3\xa9"), 20000),
                              juce::String::repeatedString ("a", 64000) })
    {
        QuillmorPelowin source, fromState, fromFile, fromClipboard;
        setRandomParameters (source, 5);
        source.loadPresetFile (writeText ("long.qpreset", "<QuillmorPelowin presetName=\"" + name + "\"/>"));

        juce::MemoryBlock state;
        source.getStateInformation (state);
        fromState.setStateInformation (state.getData(), (int) state.getSize());
        juce::String clipboard;
        source.getStateAsXmlText (clipboard);
        fromClipboard.setStateFromXmlText (clipboard);
        ASSERT_TRUE (source.savePresetFile (folder.getChildFile ("saved.qpreset")));
        fromFile.loadPresetFile (folder.getChildFile ("saved.qpreset"));

        EXPECT_EQ (source.getPresetName().length(), QuillmorPelowin::maxPresetNameLength);
        for (auto* destination : { &fromState, &fromFile, &fromClipboard })
            EXPECT_TRUE (ProcessorSnapshot (*destination) == ProcessorSnapshot (source)) << name.length();
    }
}

TEST_F (PresetTest, FifoIsNeverOpened)
{
    const auto fifo = folder.getChildFile ("pipe.qpreset");
    ASSERT_EQ (mkfifo (fifo.getFullPathName().toRawUTF8(), 0600), 0);

    // Opening a FIFO waits for a writer forever; the alarm ends a load that does.
    EXPECT_EXIT ({ alarm (2); QuillmorPelowin().loadPresetFile (fifo); std::_Exit (0); }, ::testing::ExitedWithCode (0), "");
}

TEST_F (PresetTest, CommaDecimalLocaleKeepsTheDecimalPoint)
{
    QuillmorPelowin source;
    setRandomParameters (source, 31);
    // As hosts built on Qt or GTK set it from the user's settings. Throws, and so fails,
    // where the system lacks the locale.
    const auto previous = std::locale::global (std::locale ("de_DE.UTF-8"));

    juce::MemoryBlock state;
    source.getStateInformation (state);
    juce::String clipboard;
    source.getStateAsXmlText (clipboard);
    const auto file = folder.getChildFile ("comma.qpreset");
    ASSERT_TRUE (source.savePresetFile (file));

    QuillmorPelowin fromState, fromFile, fromClipboard;
    fromState.setStateInformation (state.getData(), (int) state.getSize());
    fromFile.loadPresetFile (file);
    fromClipboard.setStateFromXmlText (clipboard);
    const auto hugeText = quillmor::text::formatTwoDecimals (1.0e30f);
    std::locale::global (previous);

    for (auto* destination : { &fromState, &fromFile, &fromClipboard })
        for (int i = 0; i < numParameters; ++i)
            EXPECT_EQ (destination->getParameter (i), source.getParameter (i)) << i;

    EXPECT_EQ (hugeText, "1000000015047466219876688855040.00");
}

TEST (ClipboardText, IsOneLineWithoutDeclaration)
{
    QuillmorPelowin processor;
    processor.mixLock = true;
    juce::String text ("left over");
    processor.getStateAsXmlText (text);

    EXPECT_TRUE (text.startsWith ("<QuillmorPelowin pluginVersion=\"1.0.2\" presetName=\"Default\" Mix=\"0.5\" Depth=\"0.5\" StereoWidth=\"0.5\" Delay=\"0.0099999997764825820923\" "));
    EXPECT_TRUE (text.endsWith (" Speed=\"0\" InputPan=\"0.125\"/>"));
    EXPECT_FALSE (text.containsAnyOf ("\r\n"));
    EXPECT_FALSE (text.contains ("  "));
    EXPECT_FALSE (text.contains ("<?xml"));
    EXPECT_FALSE (text.contains ("mixLock"));
    EXPECT_FALSE (text.contains ("uiHeight"));
}

TEST (ClipboardText, CopyThenPasteChangesOnlyTheName)
{
    QuillmorPelowin processor;
    setRandomParameters (processor, 17);
    processor.setPresetName (awkwardName);
    juce::String text;
    processor.getStateAsXmlText (text);

    processor.setPresetName ("Renamed");
    const ProcessorSnapshot before (processor);
    quillmor_test::ChangeCounter changes (processor);
    processor.setStateFromXmlText (text);

    EXPECT_EQ (changes.flush(), 0);
    EXPECT_EQ (processor.getPresetName(), awkwardName);
    EXPECT_EQ (std::memcmp (before.values, ProcessorSnapshot (processor).values, sizeof (before.values)), 0);
}

TEST (ClipboardText, PasteAcceptsADeclarationAndRefusesAnythingElse)
{
    QuillmorPelowin processor;
    processor.setPresetName ("Kept");
    const ProcessorSnapshot before (processor);

    const char* const refused[] = {
        "", "   ", "hello", "<Foreign presetName=\"X\" Mix=\"0.1\"/>", "<QuillmorPelowin Mix=\"0.1\"",
        "<!DOCTYPE q [<!ENTITY a \"&a;&a;\">]><QuillmorPelowin presetName=\"&a;\"/>",
        "<!DOCTYPE q SYSTEM \"/dev/urandom\"><QuillmorPelowin presetName=\"&u;\"/>",
    };

    for (const auto* text : refused)
    {
        processor.setStateFromXmlText (text);
        EXPECT_TRUE (ProcessorSnapshot (processor) == before) << text;
    }

    // The clipboard hands over its bytes unchecked: a lead byte without its
    // continuation bytes would walk the parser off its text.
    for (const char* text : { "<QuillmorPelowin Mix=\"0.1\" presetName=\"\xf0\"/>",
                              "<QuillmorPelowin Mix=\"0.1\" presetName=\"\x80\xe1\x84\"/>" })
    {
        processor.setStateFromXmlText (juce::String::fromUTF8 (text, (int) std::strlen (text)));
        EXPECT_TRUE (ProcessorSnapshot (processor) == before) << text;
    }

    processor.setStateFromXmlText ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quillmorpelowin PRESETNAME=\"Pasted\" mix=\"0.125\"/>");
    EXPECT_EQ (processor.getPresetName(), "Pasted");
    EXPECT_EQ (processor.getParameter (0), 0.125f);
    EXPECT_EQ (processor.getParameter (34), 0.0f);
}
