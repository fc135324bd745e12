// What the controls send to the host, how the editor follows the processor, pages,
// colour schemes, the mix lock and the preset arrows.

#include "EditorTestSupport.h"

using namespace editortest;

namespace
{
juce::MouseEvent mouseAt (juce::Component& c, juce::Point<float> position, juce::Point<float> downPosition, bool dragged)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position,
                             juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier), 1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                             &c, &c, now, downPosition, now, 1, dragged);
}

/** Presses the mouse on a knob, moves it up in steps and lets go. */
void dragUp (juce::Slider& knob, std::initializer_list<float> offsets)
{
    const auto start = knob.getLocalBounds().toFloat().getCentre().withY (20.0f + (float) knob.getHeight() / 2.0f);
    knob.mouseDown (mouseAt (knob, start, start, false));
    auto last = start;

    for (const float dy : offsets)
    {
        last = start.translated (0.0f, -dy);
        knob.mouseDrag (mouseAt (knob, last, start, true));
    }

    knob.mouseUp (mouseAt (knob, last, start, true));
}

std::vector<HostEvent> only (const std::vector<HostEvent>& events, HostEvent::Kind kind)
{
    std::vector<HostEvent> result;

    for (const auto& e : events)
        if (e.kind == kind)
            result.push_back (e);

    return result;
}
} // namespace

//==============================================================================
using EditorToHost = EditorTest;

TEST_F (EditorToHost, KnobDragIsOneGestureWithEveryValueInside)
{
    auto& e = openEditor();

    for (const int k : { 1, 18 })
    {
        host.events.clear();
        dragUp (*e.knobs[k], { 10.0f, 25.0f, 40.0f });

        ASSERT_GE (host.events.size(), 3u) << k;
        EXPECT_EQ (host.events.front(), (HostEvent { HostEvent::begin, k, 0.0f }));
        EXPECT_EQ (host.events.back(), (HostEvent { HostEvent::end, k, 0.0f }));
        EXPECT_EQ (only (host.events, HostEvent::begin).size(), 1u);
        EXPECT_EQ (only (host.events, HostEvent::end).size(), 1u);

        const auto values = only (host.events, HostEvent::value);
        ASSERT_GE (values.size(), 2u) << "each step of the drag is sent as it happens";

        for (const auto& v : values)
            EXPECT_EQ (v.index, k);

        EXPECT_FLOAT_EQ (values.back().normalised, (float) e.knobs[k]->getProportionalValue());
        EXPECT_FLOAT_EQ (processor.getParameter (k), values.back().normalised);
    }
}

TEST_F (EditorToHost, SkewedKnobSendsTheLinearNormalisedValue)
{
    auto& e = openEditor();

    // Delay: 125 ms of 0..1000 sits at 0.125^0.3 of the travel and is sent as 0.125.
    e.knobs[3]->setValue (125.0, juce::sendNotificationSync);
    EXPECT_NEAR (e.knobs[3]->valueToProportionOfLength (125.0), std::pow (0.125, 0.3), 1e-12);
    ASSERT_EQ (host.events.size(), 1u) << "a value typed into the text box comes without a gesture";
    EXPECT_EQ (host.events[0], (HostEvent { HostEvent::value, 3, 0.125f }));
}

TEST_F (EditorToHost, EverySwitchClickIsOneGesture)
{
    auto& e = openEditor();

    struct Case { juce::TextButton* page; juce::TextButton* button; int parameter; const char* onText; const char* offText; };
    const Case cases[] = { { &e.driveEditorSelect, &e.driveModeButton, 31, "ON", "OFF" },
                           { &e.driveEditorSelect, &e.drivePrePostButton, 32, "POST", "PRE" },
                           { &e.diffEditorSelect, &e.diffEnableButton, 30, "ON", "OFF" },
                           { &e.warpEditorSelect, &e.speedButton, 33, "1/2X", "1X" } };

    for (const auto& c : cases)
    {
        click (*c.page);

        for (int round = 0; round < 2; ++round)
        {
            host.events.clear();
            const bool wasOn = c.button->getToggleState();
            click (*c.button);
            const bool on = ! wasOn;

            EXPECT_EQ (c.button->getToggleState(), on);
            EXPECT_EQ (c.button->getButtonText(), on ? c.onText : c.offText);
            EXPECT_EQ (host.events, oneGesture (c.parameter, on ? 1.0f : 0.0f)) << c.parameter;
            EXPECT_EQ (processor.getParameter (c.parameter), on ? 1.0f : 0.0f);
        }
    }
}

TEST_F (EditorToHost, ComboItemsWriteTheirValuesAndReadThemBack)
{
    auto& e = openEditor();

    struct Box { juce::ComboBox* box; int parameter; float steps; };
    for (const auto& b : { Box { &e.modeComboBox, 29, 24.0f }, Box { &e.delaySyncComboBox, 28, 17.0f },
                           Box { &e.panningModeComboBox, 34, 8.0f } })
    {
        for (int id = 1; id <= b.box->getNumItems(); ++id)
        {
            b.box->setSelectedId (0, juce::dontSendNotification);
            host.events.clear();
            b.box->setSelectedId (id, juce::sendNotificationSync);
            const float written = (float) id / b.steps;
            EXPECT_EQ (host.events, oneGesture (b.parameter, written)) << b.parameter << " item " << id;

            // Read back through the refresh: the same item, nothing written back.
            b.box->setSelectedId (0, juce::dontSendNotification);
            host.events.clear();
            processor.sendChangeMessage();
            processor.dispatchPendingMessages();
            pumpMessages();
            EXPECT_EQ (b.box->getSelectedId(), id) << b.parameter << " at " << written;
            EXPECT_EQ (only (host.events, HostEvent::value),
                       (std::vector<HostEvent> { { HostEvent::value, b.parameter, written } }))
                << "a box that lost its item selects it again and writes the same value";
        }
    }
}

TEST_F (EditorToHost, EveryModeValueTheBoxWritesShowsTheSameItem)
{
    // The item is found in float, as the value was stored: in double, five of the nine
    // modes would come back one item lower and be written back wrong.
    auto& e = openEditor();

    for (int id = 1; id <= 9; ++id)
    {
        hostSets (29, (float) id / 24.0f);
        pumpMessages();
        EXPECT_EQ (e.modeComboBox.getSelectedId(), id);
        EXPECT_EQ (processor.getParameter (29), (float) id / 24.0f);
    }
}

//==============================================================================
using HostToEditor = EditorTest;

TEST_F (HostToEditor, KnobFollowsTheHostWithoutWritingBack)
{
    auto& e = openEditor();
    host.events.clear();

    processor.setParameter (2, 0.75f);   // from the host: the editor hears of it later
    EXPECT_NE (e.knobs[2]->getValue(), 150.0);
    processor.dispatchPendingMessages();
    pumpMessages();

    EXPECT_DOUBLE_EQ (e.knobs[2]->getValue(), 150.0);
    EXPECT_TRUE (host.events.empty()) << "the editor sent " << host.events.size() << " events back";
}

TEST_F (HostToEditor, ChangedModeShowsItsItemAndIsWrittenBackInOneGesture)
{
    auto& e = openEditor();
    host.events.clear();

    processor.setParameter (29, 6.0f / 24.0f);
    processor.dispatchPendingMessages();
    pumpMessages();

    EXPECT_EQ (e.modeComboBox.getText(), "8Tap");
    EXPECT_EQ (host.events, oneGesture (29, 6.0f / 24.0f));
}

TEST_F (HostToEditor, ValueWithoutAnItemEmptiesTheBoxAndWritesZero)
{
    auto& e = openEditor();

    struct Case { int parameter; float value; juce::ComboBox* box; };
    for (const auto& c : { Case { 29, 0.5f, &e.modeComboBox }, Case { 34, 0.75f, &e.panningModeComboBox } })
    {
        host.events.clear();
        hostSets (c.parameter, c.value);
        pumpMessages();

        EXPECT_EQ (c.box->getSelectedId(), 0);
        EXPECT_EQ (processor.getParameter (c.parameter), 0.0f);

        // Whole gestures writing 0, and the exchange settles.
        ASSERT_FALSE (host.events.empty());
        ASSERT_EQ (host.events.size() % 3, 0u);

        for (size_t i = 0; i < host.events.size(); i += 3)
            EXPECT_EQ (std::vector<HostEvent> (host.events.begin() + (long) i, host.events.begin() + (long) i + 3),
                       oneGesture (c.parameter, 0.0f));

        host.events.clear();
        processor.dispatchPendingMessages();
        pumpMessages();
        EXPECT_TRUE (host.events.empty());
    }
}

TEST_F (HostToEditor, SwitchTextFollowsHalfwayWhileItsStateNeedsOne)
{
    auto& e = openEditor();

    hostSets (31, 0.7f);
    EXPECT_EQ (e.driveModeButton.getButtonText(), "ON");
    EXPECT_FALSE (e.driveModeButton.getToggleState());

    hostSets (33, 1.0f);
    EXPECT_EQ (e.speedButton.getButtonText(), "1/2X");
    EXPECT_TRUE (e.speedButton.getToggleState());

    hostSets (32, 0.2f);
    EXPECT_EQ (e.drivePrePostButton.getButtonText(), "PRE");
    EXPECT_FALSE (e.drivePrePostButton.getToggleState());
}

//==============================================================================
using EditorPages = EditorTest;

TEST_F (EditorPages, EachPageShowsOnlyItsOwnControls)
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

    // DRIVE then DIFF among the orders: no drive switch may stay behind.
    for (const int shown : { 4, 1, 0, 5, 2, 3, 4, 4 })
    {
        click (*pages[(size_t) shown].button);
        EXPECT_TRUE (pages[(size_t) shown].button->getToggleState());

        for (size_t p = 0; p < pages.size(); ++p)
        {
            const bool visible = (int) p == shown;
            EXPECT_EQ (pages[p].button->getToggleState(), visible);

            for (int k = pages[p].first; k <= pages[p].last; ++k)
            {
                EXPECT_EQ (e.knobs[k]->isVisible(), visible) << "knob " << k << " with page " << shown;
                EXPECT_EQ (e.knobLabels[k - 1]->isVisible(), visible);
            }

            for (auto* c : pages[p].others)
                EXPECT_EQ (c->isVisible(), visible) << c->getName() << " with page " << shown;
        }

        for (int k = 0; k < 5; ++k)
            EXPECT_TRUE (e.knobs[k]->isVisible());
    }

    EXPECT_TRUE (host.events.empty()) << "pages send nothing to the host";
}

TEST_F (EditorPages, WarpPageShowsTheCurrentInputRouting)
{
    auto& e = openEditor();
    hostSets (34, 0.375f);
    pumpMessages();
    e.panningModeComboBox.setSelectedId (1, juce::dontSendNotification);   // a stale box
    host.events.clear();

    click (e.warpEditorSelect);

    EXPECT_EQ (e.panningModeComboBox.getText(), "Mono");
    pumpMessages();
    EXPECT_TRUE (host.events.empty()) << "the selection is made without notification";
}

//==============================================================================
using ColourScheme = EditorTest;

TEST_F (ColourScheme, ColourSwitchSwapsSchemeAndArrowsAndSendsOneGesture)
{
    auto& e = openEditor();
    ASSERT_FALSE (e.colorModeButton.getToggleState());
    EXPECT_EQ (e.colorModeButton.getButtonText(), "Bright");
    EXPECT_EQ (e.backgroundColour, juce::Colour (0xff5086b6));
    EXPECT_EQ (e.accentColour, juce::Colour (0xff1c1c1c));

    const auto brightArrow = e.nextPreset.getNormalImage();
    click (e.eqEditorSelect);
    host.events.clear();
    click (e.colorModeButton);

    EXPECT_EQ (host.events, oneGesture (27, 1.0f));
    EXPECT_EQ (e.colorModeButton.getButtonText(), "Dark");
    EXPECT_EQ (e.backgroundColour, juce::Colour (0xff494949));
    EXPECT_EQ (e.accentColour, juce::Colour (0xff5086b6));

    const auto darkArrow = e.nextPreset.getNormalImage();
    ASSERT_TRUE (darkArrow.isValid() && brightArrow.isValid());
    const auto centre = [] (const juce::Image& i) { return i.getPixelAt (i.getWidth() / 3, i.getHeight() / 2); };
    EXPECT_GT (centre (darkArrow).getBlue(), 150) << "blue arrows with the dark scheme";
    EXPECT_LT (centre (brightArrow).getBlue(), 40) << "near-black arrows with the bright scheme";

    for (auto* c : { &e.modeComboBox, &e.delaySyncComboBox })
        EXPECT_EQ (c->findColour (juce::ComboBox::textColourId), e.accentColour);

    EXPECT_EQ (e.panningModeComboBox.findColour (juce::ComboBox::textColourId), juce::Colour (0xff5086b6))
        << "the routing box keeps its first colour";
    EXPECT_EQ (e.presetsSelect.findColour (juce::TextButton::textColourOffId), e.accentColour);
    EXPECT_EQ (e.mixLockButton.findColour (juce::TextButton::textColourOnId), e.accentColour);
    EXPECT_EQ (e.warpEditorSelect.findColour (juce::TextButton::buttonOnColourId), e.accentColour);
    EXPECT_EQ (e.knobs[2]->findColour (juce::Slider::textBoxBackgroundColourId), e.backgroundColour);

    host.events.clear();
    click (e.colorModeButton);
    EXPECT_EQ (host.events, oneGesture (27, 0.0f));
    EXPECT_EQ (e.backgroundColour, juce::Colour (0xff5086b6));
}

//==============================================================================
using MixLock = EditorTest;

TEST_F (MixLock, LockFadesTheMixFaderAndSurvivesAPresetLoad)
{
    auto& e = openEditor();
    writePreset (processor, e.userPresetFolder.getChildFile ("Half.qpreset"), "Half");
    e.rebuildPresetMenu();
    processor.setParameter (0, 0.9f);
    processor.setParameter (1, 0.1f);

    click (e.mixLockButton);

    EXPECT_TRUE (processor.mixLock);
    EXPECT_EQ (e.knobs[0]->findColour (juce::Slider::thumbColourId), juce::Colours::white.withAlpha (0.5f));
    EXPECT_TRUE (e.knobs[0]->getTooltip().endsWith ("mix slider currently locked"));

    click (e.nextPreset);
    EXPECT_EQ (processor.getParameter (0), 0.9f) << "mix stays while locked";
    EXPECT_EQ (processor.getParameter (1), 0.5f) << "the rest of the preset loads";

    click (e.mixLockButton);
    EXPECT_FALSE (processor.mixLock);
    EXPECT_EQ (e.knobs[0]->findColour (juce::Slider::trackColourId), juce::Colours::white);
    EXPECT_TRUE (e.knobs[0]->getTooltip().endsWith ("mix slider currently unlocked"));

    click (e.nextPreset);
    EXPECT_EQ (processor.getParameter (0), 0.5f);
}

TEST_F (MixLock, ReopenedEditorShowsTheLockButNotTheFadedLook)
{
    openEditor();
    click (editor->mixLockButton);
    closeEditor();

    auto& e = openEditor();
    EXPECT_TRUE (e.mixLockButton.getToggleState());
    EXPECT_EQ (e.knobs[0]->findColour (juce::Slider::thumbColourId), juce::Colours::white);
}

//==============================================================================
using PresetArrows = EditorTest;
using EditorLifetime = EditorTest;

TEST_F (PresetArrows, WalkTheListWithWrapAroundBothWays)
{
    auto& e = openEditor();
    const juce::String names[] = { "Alpha", "Beta", "Gamma" };

    for (const auto& name : names)
        writePreset (processor, e.userPresetFolder.getChildFile (name + ".qpreset"), name);

    e.rebuildPresetMenu();
    ASSERT_EQ (e.presetFilePaths.size(), 3);

    const char* expectedNext[] = { "Alpha", "Beta", "Gamma", "Alpha", "Beta" };
    for (const auto* name : expectedNext)
    {
        click (e.nextPreset);
        EXPECT_EQ (processor.getPresetName(), name);
        EXPECT_EQ (e.presetsSelect.getButtonText(), name);
    }

    const char* expectedPrevious[] = { "Alpha", "Gamma", "Beta", "Alpha", "Gamma" };
    for (const auto* name : expectedPrevious)
    {
        click (e.previousPreset);
        EXPECT_EQ (processor.getPresetName(), name);
    }
}

TEST_F (PresetArrows, PreviousFromAFreshEditorReachesTheLastPreset)
{
    auto& e = openEditor();

    for (const juce::String name : { "One", "Two" })
        writePreset (processor, e.userPresetFolder.getChildFile (name + ".qpreset"), name);

    e.rebuildPresetMenu();
    click (e.previousPreset);
    EXPECT_EQ (processor.getPresetName(), "Two");
}

TEST_F (PresetArrows, WithoutPresetsNothingLoadsAndTheNameStays)
{
    auto& e = openEditor();
    ASSERT_TRUE (e.presetFilePaths.isEmpty());
    processor.setParameter (5, 0.3f);

    for (auto* arrow : { &e.nextPreset, &e.previousPreset, &e.previousPreset })
    {
        click (*arrow);
        EXPECT_EQ (processor.getPresetName(), "Default");
        EXPECT_EQ (e.presetsSelect.getButtonText(), "Default");
        EXPECT_EQ (processor.getParameter (5), 0.3f);
    }
}

TEST_F (EditorLifetime, ClosingTheEditorStopsItsRefresh)
{
    openEditor();
    closeEditor();

    // A change message after the editor is gone reaches no one.
    processor.setParameter (3, 0.2f);
    processor.dispatchPendingMessages();
    pumpMessages();
    EXPECT_EQ (processor.getParameter (3), 0.2f);
}
