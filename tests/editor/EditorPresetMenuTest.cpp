// The preset menu: its items and ids, loading, saving, copy and paste.

#include "EditorTestSupport.h"

using namespace editortest;

namespace
{
/** One line per item: "id text", "[header]", "---", or "<sub-menu>" followed by its items indented. */
juce::StringArray describeItems (const juce::PopupMenu& menu, const juce::String& indent = {})
{
    juce::StringArray lines;

    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        const auto& item = it.getItem();

        if (item.isSeparator)
            lines.add (indent + "---");
        else if (item.isSectionHeader)
            lines.add (indent + "[" + item.text + "]");
        else if (item.subMenu != nullptr)
        {
            lines.add (indent + "<" + item.text + ">");
            lines.addArray (describeItems (*item.subMenu, indent + "  "));
        }
        else
            lines.add (indent + juce::String (item.itemID) + " " + item.text + (item.isEnabled ? "" : " (inactive)"));
    }

    return lines;
}

std::string describe (const juce::PopupMenu& menu)
{
    return describeItems (menu).joinIntoString ("\n").toStdString();
}

std::string lines (const juce::StringArray& items)
{
    return items.joinIntoString ("\n").toStdString();
}

const juce::StringArray commands { "1 Copy to clipboard", "2 Paste from clipboard", "3 Save as...", "---", "[USER PRESETS:]" };
} // namespace

class PresetMenu : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        openEditor();
        factoryFolder = home.folder.getChildFile ("factory");
        factoryFolder.createDirectory();
        editor->factoryPresetFolder = factoryFolder;
    }

    juce::File user (const juce::String& relativePath) const { return editor->userPresetFolder.getChildFile (relativePath); }

    juce::File factoryFolder;
};

TEST_F (PresetMenu, EmptyFoldersLeaveTheCommandsAndBothHeaders)
{
    editor->rebuildPresetMenu();

    auto expected = commands;
    expected.addArray ({ "---", "[QUILLMOR PRESETS:]" });
    EXPECT_EQ (describe (editor->presetMenu), lines (expected));
    EXPECT_TRUE (editor->presetFilePaths.isEmpty());
}

TEST_F (PresetMenu, ListsUserThenFactoryPresetsSortedWithIdsFromFour)
{
    // Written out of order: the menu sorts by name, whatever order the folder lists.
    writePreset (processor, user ("b.qpreset"), "b");
    writePreset (processor, user ("a.qpreset"), "a");
    writePreset (processor, user ("Group.v2/inner.qpreset"), "inner");
    writePreset (processor, user ("Group.v2/deeper/not-listed.qpreset"), "x");
    user ("Empty").createDirectory();
    user ("notes.txt").replaceWithText ("not a preset");
    writePreset (processor, user (".hidden.qpreset"), "hidden");
    writePreset (processor, factoryFolder.getChildFile ("Factory One.qpreset"), "Factory One");

    editor->rebuildPresetMenu();

    auto expected = commands;
    expected.addArray ({ "<Empty>", "<Group.v2>", "  4 inner", "5 a", "6 b", "---", "[QUILLMOR PRESETS:]", "7 Factory One" });
    // Folders sort among the files by name ("Empty" and "Group.v2" before "a": capitals first).
    EXPECT_EQ (describe (editor->presetMenu), lines (expected));

    ASSERT_EQ (editor->presetFilePaths.size(), 4);
    EXPECT_EQ (editor->presetFilePaths[0], user ("Group.v2/inner.qpreset"));
    EXPECT_EQ (editor->presetFilePaths[1], user ("a.qpreset"));
    EXPECT_EQ (editor->presetFilePaths[2], user ("b.qpreset"));
    EXPECT_EQ (editor->presetFilePaths[3], factoryFolder.getChildFile ("Factory One.qpreset"));
}

TEST_F (PresetMenu, ChoosingAnItemLoadsItsFileAndSetsThePosition)
{
    writePreset (processor, user ("a.qpreset"), "a");
    processor.setParameter (4, 0.25f);
    writePreset (processor, user ("b.qpreset"), "b");
    processor.setParameter (4, 0.75f);
    writePreset (processor, factoryFolder.getChildFile ("f.qpreset"), "f");
    editor->rebuildPresetMenu();

    editor->presetMenuItemChosen (5);
    EXPECT_EQ (editor->currentPresetIndex, 1);
    EXPECT_EQ (processor.getPresetName(), "b");
    EXPECT_EQ (editor->presetsSelect.getButtonText(), "b");
    EXPECT_EQ (processor.getParameter (4), 0.25f);

    editor->presetMenuItemChosen (6);
    EXPECT_EQ (editor->currentPresetIndex, 2);
    EXPECT_EQ (processor.getPresetName(), "f");

    // The arrows continue from the chosen item.
    click (editor->nextPreset);
    EXPECT_EQ (processor.getPresetName(), "a");
}

TEST_F (PresetMenu, DismissedMenuOrClosedEditorDoesNothing)
{
    writePreset (processor, user ("a.qpreset"), "a");
    editor->rebuildPresetMenu();
    processor.setPresetName ("Mine");

    QuillmorPelowinEditor::presetMenuCallback (0, editor.get());
    QuillmorPelowinEditor::presetMenuCallback (4, nullptr);
    EXPECT_EQ (processor.getPresetName(), "Mine");

    QuillmorPelowinEditor::presetMenuCallback (4, editor.get());
    EXPECT_EQ (processor.getPresetName(), "a");
}

TEST_F (PresetMenu, VanishedFileLoadsNothing)
{
    writePreset (processor, user ("gone.qpreset"), "gone");
    editor->rebuildPresetMenu();
    user ("gone.qpreset").deleteFile();
    processor.setPresetName ("Mine");

    editor->presetMenuItemChosen (4);
    EXPECT_EQ (processor.getPresetName(), "Mine");
    EXPECT_EQ (editor->presetsSelect.getButtonText(), "Mine");
}

//==============================================================================
TEST_F (PresetMenu, SaveWritesAFileThatLoadsBackAndJoinsTheMenu)
{
    processor.setParameter (7, 0.125f);
    processor.setParameter (29, 4.0f / 24.0f);

    editor->saveToChosenFile (user ("Bright Room.qpreset"));

    EXPECT_EQ (processor.getPresetName(), "Bright Room");
    EXPECT_EQ (editor->presetsSelect.getButtonText(), "Bright Room");
    ASSERT_TRUE (user ("Bright Room.qpreset").existsAsFile());
    ASSERT_EQ (editor->presetFilePaths.size(), 1);
    EXPECT_TRUE (describeItems (editor->presetMenu).contains ("4 Bright Room"));

    processor.setParameter (7, 0.9f);
    processor.setParameter (29, 1.0f / 24.0f);
    processor.setPresetName ("Other");
    editor->presetMenuItemChosen (4);

    EXPECT_EQ (processor.getParameter (7), 0.125f);
    EXPECT_EQ (processor.getParameter (29), 4.0f / 24.0f);
    EXPECT_EQ (processor.getPresetName(), "Bright Room");
}

TEST_F (PresetMenu, SavedNamesAreCutToWhatAFileNameAllows)
{
    const juce::String forty = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
    const juce::String thirtyTwo = forty.substring (0, 32);
    const auto folder = editor->userPresetFolder;

    EXPECT_EQ (QuillmorPelowinEditor::presetNameForFile (folder.getChildFile (forty + ".qpreset")), forty.substring (0, 31));
    EXPECT_EQ (QuillmorPelowinEditor::presetNameForFile (folder.getChildFile (thirtyTwo + ".qpreset")), thirtyTwo);
    EXPECT_EQ (QuillmorPelowinEditor::presetFileForChoice (folder.getChildFile (forty + ".qpreset")),
               folder.getChildFile (forty.substring (0, 31) + ".qpreset"));
    // Another extension gives way to ".qpreset"; a dot inside the name stays.
    EXPECT_EQ (QuillmorPelowinEditor::presetFileForChoice (folder.getChildFile ("warm.xml")), folder.getChildFile ("warm.qpreset"));
    EXPECT_EQ (QuillmorPelowinEditor::presetNameForFile (folder.getChildFile ("v1.5.xml")), "v1.5");
    EXPECT_EQ (QuillmorPelowinEditor::presetFileForChoice (folder.getChildFile ("v1.5.xml")), folder.getChildFile ("v1.5.qpreset"));
    EXPECT_EQ (QuillmorPelowinEditor::presetFileForChoice (folder.getChildFile ("plain")), folder.getChildFile ("plain.qpreset"));

    editor->saveToChosenFile (folder.getChildFile (forty + ".qpreset"));
    EXPECT_TRUE (folder.getChildFile (forty.substring (0, 31) + ".qpreset").existsAsFile());
    EXPECT_FALSE (folder.getChildFile (forty + ".qpreset").exists());
    EXPECT_EQ (processor.getPresetName(), forty.substring (0, 31));
}

TEST_F (PresetMenu, FailedSaveKeepsTheOldNameAndSaysSo)
{
    processor.setPresetName ("Kept");
    editor->presetsSelect.setButtonText ("Kept");
    user ("blocker").replaceWithText ("a file where a folder is needed");
    editor->rebuildPresetMenu();
    const auto menuBefore = describe (editor->presetMenu);

    editor->saveToChosenFile (user ("blocker/New.qpreset"));

    EXPECT_EQ (processor.getPresetName(), "Kept");
    EXPECT_EQ (editor->presetsSelect.getButtonText(), "Kept");
    EXPECT_EQ (describe (editor->presetMenu), menuBefore);

    // With no control under the mouse the hint line reports the failure...
    editor->isUnderMouse = [] (const juce::Component&, bool) { return false; };
    editor->updateHintText();
    EXPECT_TRUE (editor->hintText.contains ("New.qpreset")) << editor->hintText;

    // ...until a save succeeds.
    editor->saveToChosenFile (user ("New.qpreset"));
    editor->updateHintText();
    EXPECT_TRUE (editor->hintText.isEmpty());
    EXPECT_EQ (processor.getPresetName(), "New");
}

TEST_F (PresetMenu, CancelledSaveChangesNothing)
{
    processor.setPresetName ("Kept");
    editor->saveToChosenFile (juce::File());

    EXPECT_EQ (processor.getPresetName(), "Kept");
    EXPECT_EQ (editor->userPresetFolder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
}

TEST_F (PresetMenu, SaveAsksBeforeWritingOverAnotherFile)
{
    // The dialog confirmed "keep.xml"; the file that would be written is keep.qpreset,
    // which exists: it must stay as it is until the user agrees.
    const auto existing = writePreset (processor, user ("keep.qpreset"), "precious");
    const auto before = existing.loadFileAsString();
    processor.setParameter (8, 0.6f);

    juce::File asked;
    std::function<void (bool)> answer;
    editor->confirmReplace = [&] (const juce::File& f, std::function<void (bool)> a) { asked = f; answer = std::move (a); };

    editor->saveToChosenFile (user ("keep.xml"));
    EXPECT_EQ (asked, existing);
    ASSERT_TRUE (answer != nullptr);
    EXPECT_EQ (existing.loadFileAsString(), before) << "nothing written before the answer";
    answer (false);
    EXPECT_EQ (existing.loadFileAsString(), before);
    EXPECT_FALSE (user ("keep.xml").exists());

    editor->saveToChosenFile (user ("keep.xml"));
    answer (true);
    EXPECT_NE (existing.loadFileAsString(), before);
    EXPECT_EQ (processor.getPresetName(), "keep");

    // An answer that comes after the editor closed writes nothing.
    editor->saveToChosenFile (user ("keep.xml"));
    existing.deleteFile();
    closeEditor();
    answer (true);
    EXPECT_FALSE (existing.exists());

    // The file the dialog itself confirmed is not asked about again.
    openEditor();
    asked = juce::File();
    editor->confirmReplace = [&] (const juce::File& f, std::function<void (bool)>) { asked = f; };
    writePreset (processor, user ("again.qpreset"), "x");
    editor->saveToChosenFile (user ("again.qpreset"));
    EXPECT_EQ (asked, juce::File());
    EXPECT_EQ (processor.getPresetName(), "again");
}

//==============================================================================
TEST_F (PresetMenu, PastingTextThatIsNoPresetChangesNothing)
{
    processor.setPresetName ("Kept");
    processor.setParameter (12, 0.3f);

    for (const juce::String garbage : { "", "not xml at all", "<other presetName=\"x\" Mix=\"1\"/>", "{ \"Mix\": 1 }" })
    {
        juce::SystemClipboard::copyTextToClipboard (garbage);
        editor->presetMenuItemChosen (2);

        EXPECT_EQ (processor.getPresetName(), "Kept");
        EXPECT_EQ (processor.getParameter (12), 0.3f);
        EXPECT_EQ (editor->presetsSelect.getButtonText(), "Kept");
    }
}

TEST_F (PresetMenu, CopyThenPasteRestoresTheState)
{
    processor.setPresetName ("Copied");
    processor.setParameter (10, 0.2f);
    editor->presetMenuItemChosen (1);

    EXPECT_TRUE (editor->clipboardText.startsWith ("<QuillmorPelowin"));
    EXPECT_FALSE (editor->clipboardText.containsChar ('\n'));

    if (juce::SystemClipboard::getTextFromClipboard() != editor->clipboardText)
        GTEST_SKIP() << "no system clipboard here (no display)";

    processor.setPresetName ("Changed");
    processor.setParameter (10, 0.8f);
    editor->presetMenuItemChosen (2);

    EXPECT_EQ (processor.getPresetName(), "Copied");
    EXPECT_EQ (editor->presetsSelect.getButtonText(), "Copied");
    EXPECT_EQ (processor.getParameter (10), 0.2f);
}
