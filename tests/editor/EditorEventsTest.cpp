// What the controls send to the host, how the editor follows the processor, pages,
// colour schemes, the mix lock, the preset arrows and the preset menu.

#include "EditorTestSupport.h"

#include <sys/stat.h>

#include <fstream>
#include <string>

using namespace editortest;

namespace
{
/** Presses the mouse on a knob, drags it up in three steps and lets go. */
void dragUp (juce::Slider& knob)
{
    const auto start = knob.getLocalBounds().toFloat().getCentre();
    const auto now = juce::Time::getCurrentTime();
    const auto at = [&] (float dy, bool dragged)
    {
        return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), start.translated (0, -dy),
                                 juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier), 1.0f, 0, 0, 0, 0,
                                 &knob, &knob, now, start, now, 1, dragged);
    };
    juce::Component& target = knob;
    target.mouseDown (at (0, false));

    for (const float dy : { 10.0f, 25.0f, 40.0f })
        target.mouseDrag (at (dy, true));

    target.mouseUp (at (40.0f, true));
}

/** One line per menu item: "id text", "[header]", "---", "<sub-menu>" with its items indented. */
juce::String describe (const juce::PopupMenu& menu, const juce::String& indent = {})
{
    juce::String text;

    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        const auto& item = it.getItem();
        text << indent << (item.isSeparator ? juce::String ("---")
                           : item.isSectionHeader ? "[" + item.text + "]"
                           : item.subMenu != nullptr ? "<" + item.text + ">"
                                                     : juce::String (item.itemID) + " " + item.text) << "\n";

        if (item.subMenu != nullptr)
            text << describe (*item.subMenu, indent + "  ");
    }

    return text;
}
} // namespace

using EditorEvents = EditorTest;

TEST_F (EditorEvents, KnobDragIsOneGestureSendingEveryStep)
{
    auto& e = openEditor();

    for (const int k : { 1, 18 })   // a fader and a rotary knob
    {
        host.events.clear();
        dragUp (*e.knobs[k]);

        ASSERT_GE (host.events.size(), 4u) << k;
        EXPECT_EQ (host.events.front(), (HostEvent { 'b', k, 0 }));
        EXPECT_EQ (host.events.back(), (HostEvent { 'e', k, 0 }));

        for (size_t i = 1; i + 1 < host.events.size(); ++i)
            EXPECT_EQ (host.events[i], (HostEvent { 'v', k, host.events[i].value })) << i;

        EXPECT_FLOAT_EQ (processor.getParameter (k), (float) e.knobs[k]->getProportionalValue());
    }

    // A skewed knob still sends the linear value: 125 ms of 0..1000 is 0.125.
    host.events.clear();
    e.knobs[3]->setValue (125.0, juce::sendNotificationSync);
    EXPECT_EQ (host.events, (std::vector<HostEvent> { { 'v', 3, 0.125f } })) << "a typed value comes without a gesture";
}

TEST_F (EditorEvents, SwitchesSendOneGesturePerClick)
{
    auto& e = openEditor();

    struct Case { juce::Button* page; juce::TextButton* button; int parameter; const char* on; const char* off; };
    for (const auto& c : { Case { &e.driveEditorSelect, &e.driveModeButton, 31, "ON", "OFF" },
                           Case { &e.driveEditorSelect, &e.drivePrePostButton, 32, "POST", "PRE" },
                           Case { &e.diffEditorSelect, &e.diffEnableButton, 30, "ON", "OFF" },
                           Case { &e.warpEditorSelect, &e.speedButton, 33, "1/2X", "1X" } })
    {
        click (*c.page);

        for (int round = 0; round < 2; ++round)
        {
            host.events.clear();
            const bool on = ! c.button->getToggleState();
            click (*c.button);
            EXPECT_EQ (c.button->getButtonText(), on ? c.on : c.off);
            EXPECT_EQ (host.events, gesture (c.parameter, on ? 1.0f : 0.0f)) << c.parameter;
        }
    }
}

TEST_F (EditorEvents, EveryComboItemIsWrittenAndReadBackAsItself)
{
    auto& e = openEditor();

    struct Box { juce::ComboBox* box; int parameter; float steps; };
    for (const auto& b : { Box { &e.modeComboBox, 29, 24 }, Box { &e.delaySyncComboBox, 28, 17 }, Box { &e.panningModeComboBox, 34, 8 } })
    {
        for (int id = 1; id <= b.box->getNumItems(); ++id)
        {
            b.box->setSelectedId (0, juce::dontSendNotification);
            host.events.clear();
            b.box->setSelectedId (id, juce::sendNotificationSync);
            EXPECT_EQ (host.events, gesture (b.parameter, (float) id / b.steps)) << b.parameter << " item " << id;

            // From the stored float the refresh finds the same item and writes nothing else.
            b.box->setSelectedId (0, juce::dontSendNotification);
            host.events.clear();
            processor.sendChangeMessage();
            processor.dispatchPendingMessages();
            pumpMessages();
            EXPECT_EQ (b.box->getSelectedId(), id) << b.parameter;
            EXPECT_EQ (host.events, gesture (b.parameter, (float) id / b.steps)) << "the same value, once";
        }
    }
}

TEST_F (EditorEvents, HostChangesReachTheControls)
{
    auto& e = openEditor();

    host.events.clear();
    hostSets (2, 0.75f);
    EXPECT_DOUBLE_EQ (e.knobs[2]->getValue(), 150.0);
    EXPECT_TRUE (host.events.empty()) << "a knob is set without writing back";

    hostSets (29, 6.0f / 24);
    EXPECT_EQ (e.modeComboBox.getText(), "8Tap");
    EXPECT_EQ (host.events, gesture (29, 6.0f / 24)) << "a changed item is written back once";

    hostSets (31, 0.7f);
    EXPECT_EQ (e.driveModeButton.getButtonText(), "ON");
    EXPECT_FALSE (e.driveModeButton.getToggleState());

    // A host restore brings its preset name to the button along with the values.
    juce::MemoryBlock state;
    processor.setPresetName ("From the song");
    processor.getStateInformation (state);
    processor.setPresetName ("Default");
    processor.setStateInformation (state.getData(), (int) state.getSize());
    processor.dispatchPendingMessages();
    EXPECT_EQ (e.presetsSelect.getButtonText(), "From the song");

    // A value without an item empties the box, which writes 0 back in whole gestures and settles.
    for (const auto& [parameter, value] : { std::pair<int, float> { 29, 0.5f }, { 34, 0.75f } })
    {
        host.events.clear();
        hostSets (parameter, value);
        ASSERT_FALSE (host.events.empty());

        for (size_t i = 0; i < host.events.size(); i += 3)
            EXPECT_EQ (std::vector<HostEvent> (host.events.begin() + (long) i, host.events.begin() + (long) std::min (i + 3, host.events.size())),
                       gesture (parameter, 0.0f));

        host.events.clear();
        hostSets (parameter, 0.0f);
        EXPECT_TRUE (host.events.empty());
    }
}

TEST_F (EditorEvents, EachPageShowsOnlyItsOwnControls)
{
    auto& e = openEditor();

    struct Page { juce::Button* button; int first, last; std::vector<juce::Component*> others; };
    const std::vector<Page> pages = {
        { &e.shapeEditorSelect, 5, 9, {} },
        { &e.diffEditorSelect, 10, 13, { &e.diffEnableButton, &e.diffEnableLabel } },
        { &e.eqEditorSelect, 14, 16, { &e.colorModeButton, &e.colorModeLabel } },
        { &e.modEditorSelect, 17, 21, {} },
        { &e.driveEditorSelect, 22, 24, { &e.driveModeButton, &e.driveModeLabel, &e.drivePrePostButton, &e.drivePrePostLabel } },
        { &e.warpEditorSelect, 25, 26, { &e.speedButton, &e.speedLabel, &e.inputPanLabel, &e.panningModeComboBox } },
    };

    for (const size_t shown : { 4u, 1u, 0u, 5u, 2u, 3u })   // DRIVE before DIFF among them
    {
        click (*pages[shown].button);

        for (size_t p = 0; p < pages.size(); ++p)
        {
            EXPECT_EQ (pages[p].button->getToggleState(), p == shown);

            for (int k = pages[p].first; k <= pages[p].last; ++k)
                EXPECT_EQ (e.knobs[k]->isVisible() && e.knobLabels[k - 1]->isVisible(), p == shown) << k;

            for (auto* c : pages[p].others)
                EXPECT_EQ (c->isVisible(), p == shown) << c->getName() << " with page " << shown;
        }
    }

    // The routing box shows the stored value when its page opens, without writing it.
    click (e.modEditorSelect);
    hostSets (34, 0.375f);
    e.panningModeComboBox.setSelectedId (1, juce::dontSendNotification);
    host.events.clear();
    click (e.warpEditorSelect);
    pumpMessages();
    EXPECT_EQ (e.panningModeComboBox.getText(), "Mono");
    EXPECT_TRUE (host.events.empty());
}

TEST_F (EditorEvents, ColourSwitchSwapsTheSchemeAndSendsOneGesture)
{
    auto& e = openEditor();
    EXPECT_EQ (e.colorModeButton.getButtonText(), "Bright");
    const auto brightArrow = e.nextPreset.getNormalImage();
    click (e.eqEditorSelect);
    host.events.clear();

    click (e.colorModeButton);

    EXPECT_EQ (host.events, gesture (27, 1.0f));
    EXPECT_EQ (e.colorModeButton.getButtonText(), "Dark");
    EXPECT_EQ (e.backgroundColour, juce::Colour (0xff494949));
    EXPECT_EQ (e.accentColour, juce::Colour (0xff5086b6));
    const auto middle = [] (const juce::Image& i) { return i.getPixelAt (i.getWidth() / 3, i.getHeight() / 2); };
    EXPECT_GT (middle (e.nextPreset.getNormalImage()).getBlue(), 150) << "blue arrows";
    EXPECT_LT (middle (brightArrow).getBlue(), 40) << "near-black arrows";

    for (auto* c : { &e.modeComboBox, &e.delaySyncComboBox })
        EXPECT_EQ (c->findColour (juce::ComboBox::textColourId), e.accentColour);

    EXPECT_EQ (e.presetsSelect.findColour (juce::TextButton::textColourOffId), e.accentColour);
    EXPECT_EQ (e.warpEditorSelect.findColour (juce::TextButton::buttonOnColourId), e.accentColour);
    EXPECT_EQ (e.knobs[2]->findColour (juce::Slider::textBoxBackgroundColourId), e.backgroundColour);

    host.events.clear();
    click (e.colorModeButton);
    EXPECT_EQ (host.events, gesture (27, 0.0f));
    EXPECT_EQ (e.accentColour, juce::Colour (0xff1c1c1c));
}

TEST_F (EditorEvents, MixLockFadesTheFaderAndKeepsMixThroughAPresetLoad)
{
    auto& e = openEditor();
    writePreset (e.userPresetFolder.getChildFile ("Half.qpreset"), "Half");
    e.rebuildPresetMenu();
    processor.setParameter (0, 0.9f);
    processor.setParameter (1, 0.1f);

    click (e.mixLockButton);
    EXPECT_TRUE (processor.mixLock);
    EXPECT_EQ (e.knobs[0]->findColour (juce::Slider::thumbColourId), juce::Colours::white.withAlpha (0.5f));
    EXPECT_TRUE (e.knobs[0]->getTooltip().endsWith ("mix slider currently locked"));

    click (e.nextPreset);
    EXPECT_EQ (processor.getParameter (0), 0.9f);
    EXPECT_EQ (processor.getParameter (1), 0.5f);

    closeEditor();   // a new editor shows the lock, but not faded
    auto& reopened = openEditor();
    EXPECT_TRUE (reopened.mixLockButton.getToggleState());
    EXPECT_EQ (reopened.knobs[0]->findColour (juce::Slider::thumbColourId), juce::Colours::white);

    click (reopened.mixLockButton);
    EXPECT_FALSE (processor.mixLock);
    EXPECT_TRUE (reopened.knobs[0]->getTooltip().endsWith ("mix slider currently unlocked"));
}

TEST_F (EditorEvents, ArrowsWalkThePresetsWithWrapAround)
{
    auto& e = openEditor();

    for (auto* arrow : { &e.nextPreset, &e.previousPreset })   // no presets: nothing loads
    {
        click (*arrow);
        EXPECT_EQ (e.presetsSelect.getButtonText(), "Default");
    }

    for (const juce::String name : { "Gamma", "Alpha", "Beta" })
        writePreset (e.userPresetFolder.getChildFile (name + ".qpreset"), name);

    e.rebuildPresetMenu();
    juce::StringArray walked;

    for (auto* arrow : { &e.previousPreset, &e.nextPreset, &e.nextPreset, &e.nextPreset, &e.previousPreset, &e.previousPreset })
    {
        click (*arrow);
        EXPECT_EQ (e.presetsSelect.getButtonText(), processor.getPresetName());
        walked.add (processor.getPresetName());
    }

    EXPECT_EQ (walked.joinIntoString (" "), "Gamma Alpha Beta Gamma Beta Alpha");
}

//==============================================================================
TEST_F (EditorEvents, PresetMenuListsUserThenFactoryPresetsSorted)
{
    auto& e = openEditor();
    const auto factory = home.getChildFile ("factory");
    e.factoryPresetFolder = factory;
    e.rebuildPresetMenu();
    const juce::String commands = "1 Copy to clipboard\n2 Paste from clipboard\n3 Save as...\n---\n[USER PRESETS:]\n";
    EXPECT_EQ (describe (e.presetMenu), commands + "---\n[QUILLMOR PRESETS:]\n");

    const auto user = e.userPresetFolder;
    for (const auto* path : { "b.qpreset", "a.qpreset", "Group.v2/inner.qpreset", "Group.v2/deeper/x.qpreset", ".hidden.qpreset" })
        writePreset (user.getChildFile (path), "p");

    user.getChildFile ("Empty").createDirectory();
    user.getChildFile ("notes.txt").replaceWithText ("not a preset");
    // Only regular files: opening a FIFO would freeze the editor.
    for (const auto* path : { "pipe.qpreset", "Group.v2/pipe.qpreset" })
        ASSERT_EQ (mkfifo (user.getChildFile (path).getFullPathName().toRawUTF8(), 0600), 0);
    writePreset (factory.getChildFile ("Factory One.qpreset"), "f");
    e.rebuildPresetMenu();

    EXPECT_EQ (describe (e.presetMenu), commands + "<Empty>\n<Group.v2>\n  4 inner\n5 a\n6 b\n---\n[QUILLMOR PRESETS:]\n7 Factory One\n");
    ASSERT_EQ (e.presetFilePaths, (juce::Array<juce::File> { user.getChildFile ("Group.v2/inner.qpreset"), user.getChildFile ("a.qpreset"),
                                                             user.getChildFile ("b.qpreset"), factory.getChildFile ("Factory One.qpreset") }));

    // A choice loads its file and the arrows go on from it; a dismissed menu or a closed editor does nothing.
    writePreset (factory.getChildFile ("Factory One.qpreset"), "Factory One");
    QuillmorPelowinEditor::presetMenuCallback (0, &e);
    QuillmorPelowinEditor::presetMenuCallback (7, nullptr);
    EXPECT_EQ (processor.getPresetName(), "Default");
    QuillmorPelowinEditor::presetMenuCallback (7, &e);
    EXPECT_EQ (e.currentPresetIndex, 3);
    EXPECT_EQ (e.presetsSelect.getButtonText(), "Factory One");
    click (e.nextPreset);
    EXPECT_EQ (e.currentPresetIndex, 0);
}

TEST_F (EditorEvents, PresetMenuLeavesOutNamesThatAreNotUtf8)
{
    // As an old zip or a FAT stick leaves them: Windows-1252 letters, a lone lead byte,
    // an over-long form and a character beyond Unicode, in file and folder names of both
    // folders. JUCE's own listing would cut each short at its bad byte.
    auto& e = openEditor();
    const auto factory = home.getChildFile ("factory");
    e.factoryPresetFolder = factory;
    const auto user = e.userPresetFolder;
    const auto preset = writePreset (user.getChildFile ("Caf\xc3\xa9.qpreset"), "p").loadFileAsString().toStdString();
    const auto writeRaw = [&preset] (const juce::File& folder, const std::string& path)
    {
        const auto full = folder.getFullPathName().toStdString() + "/" + path;
        ::mkdir (full.substr (0, full.rfind ('/')).c_str(), 0700);
        std::ofstream (full) << preset;
    };

    writePreset (user.getChildFile ("Ensembles/Wide.qpreset"), "p");
    writePreset (factory.getChildFile ("Factory.qpreset"), "p");

    for (const auto* name : { "Chorus \xe0 la mode - a warm wide ensemble for pads.qpreset", "Ol\x80 chorus preset.qpreset",
                              "\xc0x.qpreset", "\xf0.qpreset", "over\xc0\xbclong.qpreset", "\xf4\x90\x80\x80.qpreset",
                              "Ensembles/W\xe9.qpreset", "Fold\xe9r/Inside.qpreset", "\xc0\xbc/Inside.qpreset" })
    {
        writeRaw (user, name);
        writeRaw (factory, name);
    }

    e.rebuildPresetMenu();
    EXPECT_EQ (describe (e.presetMenu), juce::String::fromUTF8 ("1 Copy to clipboard\n2 Paste from clipboard\n3 Save as...\n---\n[USER PRESETS:]\n"
                                                              "4 Caf\xc3\xa9\n<Ensembles>\n  5 Wide\n---\n[QUILLMOR PRESETS:]\n<Ensembles>\n6 Factory\n"));
    EXPECT_EQ (e.presetFilePaths, (juce::Array<juce::File> { user.getChildFile ("Caf\xc3\xa9.qpreset"), user.getChildFile ("Ensembles/Wide.qpreset"),
                                                             factory.getChildFile ("Factory.qpreset") }));
}

TEST_F (EditorEvents, SaveWritesAPresetThatLoadsBack)
{
    auto& e = openEditor();
    const auto folder = e.userPresetFolder;
    processor.setParameter (7, 0.125f);

    e.saveToChosenFile (folder.getChildFile ("Bright Room.qpreset"));
    EXPECT_EQ (e.presetsSelect.getButtonText(), "Bright Room");
    EXPECT_TRUE (describe (e.presetMenu).contains ("\n4 Bright Room\n"));

    processor.setParameter (7, 0.9f);
    e.presetMenuItemChosen (4);
    EXPECT_EQ (processor.getParameter (7), 0.125f);

    // Names are cut to 31 characters past 32; another extension gives way to ".qpreset".
    const juce::String forty = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
    EXPECT_EQ (QuillmorPelowinEditor::presetNameForFile (folder.getChildFile (forty.substring (0, 32) + ".x")), forty.substring (0, 32));
    EXPECT_EQ (QuillmorPelowinEditor::presetFileForChoice (folder.getChildFile ("v1.5.xml")), folder.getChildFile ("v1.5.qpreset"));
    e.saveToChosenFile (folder.getChildFile (forty + ".qpreset"));
    EXPECT_TRUE (folder.getChildFile (forty.substring (0, 31) + ".qpreset").existsAsFile());
    EXPECT_EQ (processor.getPresetName(), forty.substring (0, 31));

    e.saveToChosenFile (juce::File());   // cancelled
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFiles), 2);
}

TEST_F (EditorEvents, SaveThatFailsKeepsTheNameAndSaysSoForAWhile)
{
    auto& e = openEditor();
    auto& window = putInWindow();
    e.userPresetFolder.getChildFile ("blocker").replaceWithText ("a file where a folder is needed");
    const auto failToSave = [&e] { e.saveToChosenFile (e.userPresetFolder.getChildFile ("blocker/New.qpreset")); };
    const auto shown = [&e] { return e.hintText.contains ("New.qpreset"); };

    window.moveMouseTo (e.presetsSelect.getBounds().getCentre());
    e.timerCallback();
    failToSave();
    EXPECT_EQ (processor.getPresetName(), "Default");
    EXPECT_EQ (e.presetsSelect.getButtonText(), "Default");
    e.timerCallback();
    EXPECT_TRUE (shown()) << "over a control too: " << e.hintText;

    window.moveMouseTo ({ 5, 5 });   // the next control under the mouse ends it
    e.timerCallback();
    EXPECT_EQ (e.hintText, "");

    failToSave();   // so does time
    for (int tick = 1; tick < QuillmorPelowinEditor::messageTicks; ++tick)
        e.timerCallback();
    EXPECT_TRUE (shown());
    e.timerCallback();
    EXPECT_EQ (e.hintText, "");

    failToSave();   // and a save that works
    e.saveToChosenFile (e.userPresetFolder.getChildFile ("New.qpreset"));
    e.timerCallback();
    EXPECT_EQ (e.hintText, "");
}

TEST_F (EditorEvents, SaveAsksBeforeReplacingAFileTheDialogDidNotShow)
{
    auto& e = openEditor();
    const auto existing = writePreset (e.userPresetFolder.getChildFile ("keep.qpreset"), "precious");
    const auto before = existing.loadFileAsString();
    std::function<void (bool)> answer;
    e.confirmReplace = [&] (const juce::File& f, std::function<void (bool)> a) { EXPECT_EQ (f, existing); answer = std::move (a); };

    e.saveToChosenFile (e.userPresetFolder.getChildFile ("keep.xml"));
    ASSERT_TRUE (answer != nullptr);
    EXPECT_EQ (existing.loadFileAsString(), before);
    answer (false);
    EXPECT_EQ (existing.loadFileAsString(), before);

    e.saveToChosenFile (e.userPresetFolder.getChildFile ("keep.xml"));
    answer (true);
    EXPECT_EQ (processor.getPresetName(), "keep");

    e.saveToChosenFile (e.userPresetFolder.getChildFile ("keep.xml"));
    existing.deleteFile();
    closeEditor();
    answer (true);   // after the editor closed: nothing is written
    EXPECT_FALSE (existing.exists());
}

TEST_F (EditorEvents, SaveAsWithoutAFileDialogAsksForANameInTheUserFolder)
{
    auto& e = openEditor();
    e.useNativeFileChooser = false;
    std::function<void (const juce::String&)> answer;
    e.askPresetName = [&answer] (std::function<void (const juce::String&)> a) { answer = std::move (a); };
    const auto type = [&] (const juce::String& name)
    {
        answer = nullptr;
        e.presetMenuItemChosen (3);
        ASSERT_TRUE (answer != nullptr);
        answer (name);
    };
    const auto folder = e.userPresetFolder;

    type ("Warm Pad");
    EXPECT_EQ (processor.getPresetName(), "Warm Pad");
    EXPECT_TRUE (describe (e.presetMenu).contains ("\n4 Warm Pad\n"));

    // A leading '~' names no home folder: the file stays beside the others.
    type ("~ambient");
    EXPECT_TRUE (juce::File (folder.getFullPathName() + "/~ambient.qpreset").existsAsFile());

    // A typed name is a preset name: a dot inside stays, only the ".qpreset" ending goes.
    for (const auto& [typed, name] : { std::pair<juce::String, juce::String> { "Lead v1.5", "Lead v1.5" }, { "Pad.QPreset", "Pad" } })
    {
        type (typed);
        EXPECT_EQ (processor.getPresetName(), name);
        EXPECT_TRUE (folder.getChildFile (name + ".qpreset").existsAsFile()) << typed;
    }

    // Also refused: names the menu would hide (a leading '.') or could not show (blanks).
    for (const juce::String refused : { "", ".", "..", ".hidden", "   ", " .qpreset", "../escape", "sub/name", "/tmp/x" })
    {
        type (refused);
        EXPECT_TRUE (e.messageText.startsWith ("Not a preset name")) << refused;
        EXPECT_EQ (processor.getPresetName(), "Pad") << refused;
    }

    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 4);
    EXPECT_EQ (folder.getParentDirectory().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1);

    // No dialog has asked before replacing a file: the save asks, also for the very
    // file named.
    bool asked = false;
    e.confirmReplace = [&] (const juce::File& f, std::function<void (bool)>) { asked = f == folder.getChildFile ("Warm Pad.qpreset"); };
    type ("Warm Pad.qpreset");
    EXPECT_TRUE (asked);
}

TEST_F (EditorEvents, CopyAndPasteGoThroughTheClipboard)
{
    auto& e = openEditor();
    processor.setParameter (10, 0.2f);
    processor.setPresetName ("Copied");

    for (const juce::String garbage : { "", "not xml at all", "<other presetName=\"x\" Mix=\"1\"/>" })
    {
        juce::SystemClipboard::copyTextToClipboard (garbage);
        e.presetMenuItemChosen (2);
        EXPECT_EQ (processor.getPresetName(), "Copied");
        EXPECT_EQ (processor.getParameter (10), 0.2f);
    }

    e.presetMenuItemChosen (1);
    EXPECT_TRUE (e.clipboardText.startsWith ("<QuillmorPelowin") && ! e.clipboardText.containsChar ('\n'));

    if (juce::SystemClipboard::getTextFromClipboard() != e.clipboardText)
        GTEST_SKIP() << "no system clipboard without a display";

    processor.setParameter (10, 0.8f);
    processor.setPresetName ("Changed");
    e.presetMenuItemChosen (2);
    EXPECT_EQ (processor.getParameter (10), 0.2f);
    EXPECT_EQ (e.presetsSelect.getButtonText(), "Copied");
}

TEST_F (EditorEvents, PromptsTakeTheKeysTypedAndGoWithTheEditor)
{
    if (! juce::Desktop::getInstance().getDisplays().getPrimaryDisplay())
        GTEST_SKIP() << "no window without a display";

    auto& e = openEditor();
    e.useNativeFileChooser = false;
    const auto typeIntoANewPrompt = [&e]
    {
        e.presetMenuItemChosen (3);
        // Typed as soon as the window has the keyboard, nothing clicked first.
        auto* peer = juce::Component::getCurrentlyModalComponent()->getPeer();
        ASSERT_TRUE (pumpUntil ([peer] { return peer->isFocused(); }));

        for (const auto key : { juce::KeyPress ('a', {}, 'a'), juce::KeyPress ('b', {}, 'b'), juce::KeyPress (juce::KeyPress::returnKey) })
            peer->handleKeyPress (key);

        pumpMessages();
    };
    typeIntoANewPrompt();
    const auto saved = e.userPresetFolder.getChildFile ("ab.qpreset");
    const auto before = saved.loadFileAsString();
    ASSERT_TRUE (saved.existsAsFile());

    // The question before replacing it goes with the editor, as a host closing the window
    // does, leaving nothing to block the next editor; nothing is written after.
    processor.setParameter (5, 0.3f);
    typeIntoANewPrompt();
    EXPECT_NE (dynamic_cast<juce::AlertWindow*> (juce::Component::getCurrentlyModalComponent()), nullptr);
    closeEditor();
    pumpMessages();
    EXPECT_EQ (juce::ModalComponentManager::getInstance()->getNumModalComponents(), 0);
    EXPECT_EQ (saved.loadFileAsString(), before);
}

TEST_F (EditorEvents, SaveDialogLeavesTheWorkingFolderWhereItWas)
{
    // A stand-in for zenity that answers with a file in the folder the dialog opens in.
    const auto zenity = home.getChildFile ("bin/zenity");
    ASSERT_TRUE (zenity.create() && zenity.replaceWithText ("#!/bin/sh\necho \"$PWD/Chosen.qpreset\"\n", false, false, "\n")
                 && zenity.setExecutePermission (true));
    const juce::String path (std::getenv ("PATH"));
    ::setenv ("PATH", (zenity.getParentDirectory().getFullPathName() + ":" + path).toRawUTF8(), 1);

    if (! juce::FileChooser::isPlatformDialogAvailable())
        GTEST_SKIP() << "this process looked for a file dialog before the stand-in was on PATH";

    const auto hostFolder = home.getChildFile ("host");
    ASSERT_TRUE (hostFolder.createDirectory() && hostFolder.setAsCurrentWorkingDirectory());
    auto& e = openEditor();
    const auto chosen = e.userPresetFolder.getChildFile ("Chosen.qpreset");

    // Then "Save as..." again while the first dialog is still open: the first goes, and the
    // folder comes back, before the second moves it.
    for (const int dialogs : { 1, 2 })
    {
        chosen.deleteFile();
        for (int i = 0; i < dialogs; ++i)
            e.presetMenuItemChosen (3);

        EXPECT_TRUE (pumpUntil ([&chosen] { return chosen.existsAsFile(); }));
        EXPECT_EQ (std::filesystem::current_path(), hostFolder.getFullPathName().toStdString()) << dialogs << " dialogs";
    }

    // A dialog still open when the editor goes is cancelled; the folder comes back too.
    e.presetMenuItemChosen (3);
    closeEditor();
    EXPECT_EQ (std::filesystem::current_path(), hostFolder.getFullPathName().toStdString());
    ::setenv ("PATH", path.toRawUTF8(), 1);
}
