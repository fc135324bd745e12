// The editor as it opens: which controls exist, what they are called, what they
// show, and how they are filled from the processor.

#include "EditorTestSupport.h"

#include "QuillmorPelowinLookAndFeel.h"

using namespace editortest;

namespace
{
juce::StringArray itemTexts (const juce::ComboBox& box)
{
    juce::StringArray texts;

    for (int i = 0; i < box.getNumItems(); ++i)
    {
        EXPECT_EQ (box.getItemId (i), i + 1) << box.getName();
        texts.add (box.getItemText (i));
    }

    return texts;
}

template <typename ComponentType>
int countChildren (const juce::Component& parent)
{
    int count = 0;

    for (auto* child : parent.getChildren())
        if (dynamic_cast<ComponentType*> (child) != nullptr)
            ++count;

    return count;
}
} // namespace

using EditorConstruction = EditorTest;

TEST_F (EditorConstruction, MakesEveryControlOnce)
{
    auto& e = openEditor();

    ASSERT_EQ (e.knobs.size(), 27);
    ASSERT_EQ (e.knobLabels.size(), 26);
    EXPECT_EQ (countChildren<QuillmorSlider> (e), 27);
    EXPECT_EQ (countChildren<juce::ComboBox> (e), 3);
    EXPECT_EQ (countChildren<juce::ImageButton> (e), 2);
    EXPECT_EQ (countChildren<juce::ResizableCornerComponent> (e), 1);
    // Six pages, five switches, the mix lock and the preset button.
    EXPECT_EQ (countChildren<juce::TextButton> (e), 13);
    // 26 knob labels, 5 switch labels, 3 box labels and "PRESET:", all named "hint".
    EXPECT_EQ (countChildren<juce::Label> (e), 35);

    for (auto* child : e.getChildren())
    {
        if (auto* label = dynamic_cast<juce::Label*> (child))
        {
            EXPECT_EQ (label->getName(), "hint") << label->getText();
        }
    }
}

TEST_F (EditorConstruction, KnobsAreNamedByTheirParameterAndTakeItsRange)
{
    auto& e = openEditor();

    struct Expected { int knob; double minimum, maximum, interval; const char* suffix; const char* label; };
    const Expected table[] = {
        { 0, 0, 100, 0.1, " % ", nullptr },       { 2, 0, 200, 0.1, " % ", "WIDTH" },
        { 3, 0, 1000, 0.1, " ms ", "DELAY" },     { 6, -100, 100, 0.1, " % ", "Slope" },
        { 9, -12, 12, 0.1, " dB ", "TapGain" },   { 11, 10, 500, 1, " ms ", "Size" },
        { 12, 0.01, 10, 0.01, " Hz ", "ModRate" }, { 15, 100, 20000, 10, " Hz ", "High Cut" },
        { 19, 0.05, 20, 0.01, " Hz ", "VibRate" }, { 21, 1, 100, 0.1, " X ", "OverMod" },
        { 24, -120, -30, 0.1, " dB ", "NoiseGain" }, { 25, 0, 100, 0.1, " % ", "fbMix" },
        { 26, 1, 1000, 0.1, " ms ", "Smoothing" },
    };

    for (int i = 0; i < 27; ++i)
        EXPECT_EQ (e.knobs[i]->getName(), juce::String (i));

    for (const auto& x : table)
    {
        const auto& knob = *e.knobs[x.knob];
        EXPECT_DOUBLE_EQ (knob.getMinimum(), x.minimum) << x.knob;
        EXPECT_DOUBLE_EQ (knob.getMaximum(), x.maximum) << x.knob;
        EXPECT_DOUBLE_EQ (knob.getInterval(), x.interval) << x.knob;
        EXPECT_EQ (knob.getTextValueSuffix(), x.suffix) << x.knob;

        if (x.label != nullptr)
        {
            EXPECT_EQ (e.knobLabels[x.knob - 1]->getText(), x.label);
        }
    }

    for (int i = 0; i < 27; ++i)
    {
        const double expectedSkew = (i == 3 || i == 26) ? 0.3 : 1.0;
        EXPECT_DOUBLE_EQ (e.knobs[i]->getSkewFactor(), expectedSkew) << i;
        EXPECT_EQ (e.knobs[i]->getSliderStyle(), i < 5 ? juce::Slider::LinearVertical : juce::Slider::RotaryVerticalDrag);
        EXPECT_TRUE (e.knobs[i]->getTooltip().isNotEmpty()) << i;
    }

    EXPECT_TRUE (e.knobs[24]->getTooltip().contains ("controls the level of the noise in the overdrive section, in decibels"));
    EXPECT_EQ (e.mixLockButton.getButtonText(), "MIX");
}

TEST_F (EditorConstruction, KnobsStartAtTheProcessorsValues)
{
    processor.setParameter (1, 0.25f);
    processor.setParameter (9, 0.75f);
    processor.setParameter (26, 0.5f);
    auto& e = openEditor();

    // Knob values are linear in the normalised value even where the travel is skewed.
    EXPECT_NEAR (e.knobs[1]->getValue(), 25.0, 1e-9);
    EXPECT_NEAR (e.knobs[9]->getValue(), 6.0, 1e-9);
    EXPECT_NEAR (e.knobs[26]->getValue(), 1.0 + 999.0 * 0.5, 0.05);

    // Within half a step of the knob's interval, to which the slider snaps.
    for (int i = 0; i < 27; ++i)
    {
        auto& knob = *e.knobs[i];
        const double halfStep = 0.5 * knob.getInterval() / (knob.getMaximum() - knob.getMinimum());
        EXPECT_NEAR (knob.getProportionalValue(), processor.getParameter (i), halfStep + 1e-9) << i;
    }
}

TEST_F (EditorConstruction, ComboBoxesCarryTheirItemsInIdOrder)
{
    auto& e = openEditor();

    EXPECT_EQ (itemTexts (e.modeComboBox),
               juce::StringArray ({ "2TapChorus", "4TapEnsemble", "SuperSix", "6TapRandom", "DualEnsemble",
                                    "8Tap", "16Phase", "16Tap", "32Tap" }));
    EXPECT_EQ (itemTexts (e.delaySyncComboBox),
               juce::StringArray ({ "Free", "1/16", "1/8", "1/4", "2/4", "4/4", "8/4", "1/16.", "1/8.", "1/4.",
                                    "2/4.", "4/4.", "1/16T", "1/8T", "1/4T", "2/4T", "4/4T" }));
    EXPECT_EQ (itemTexts (e.panningModeComboBox), juce::StringArray ({ "Stereo", "Swap", "Mono", "Left", "Right" }));

    EXPECT_EQ (e.modeComboBox.getTextWhenNothingSelected(), "2TapChorus");
    EXPECT_EQ (e.delaySyncComboBox.getTextWhenNothingSelected(), "Free");
    EXPECT_EQ (e.panningModeComboBox.getTextWhenNothingSelected(), "Stereo");
    EXPECT_EQ (e.modeLabel.getText(), "MODE:");
    EXPECT_EQ (e.syncLabel.getText(), "SYNC:");
    EXPECT_EQ (e.inputPanLabel.getText(), "InputPan");
}

TEST_F (EditorConstruction, ComboBoxesSelectTheItemOfTheStoredValue)
{
    struct Case { int parameter; float value; int expectedId; };
    const Case cases[] = {
        { 29, 3.0f / 24.0f, 3 }, { 29, 0.0f, 0 }, { 29, 9.0f / 24.0f, 9 }, { 29, 0.5f, 0 },
        { 28, 1.0f, 17 }, { 28, 0.0f, 0 }, { 28, 5.0f / 17.0f, 5 },
        { 34, 0.125f, 1 }, { 34, 0.625f, 5 }, { 34, 0.75f, 0 }, { 34, 1.0f, 0 },
    };

    for (const auto& c : cases)
    {
        processor.setParameter (c.parameter, c.value);
        auto& e = openEditor();
        auto& box = c.parameter == 29 ? e.modeComboBox : c.parameter == 28 ? e.delaySyncComboBox : e.panningModeComboBox;
        EXPECT_EQ (box.getSelectedId(), c.expectedId) << c.parameter << " at " << c.value;

        // With no item, the box's text is empty and it draws its nothing-selected text.
        const auto expectedText = c.expectedId == 0 ? juce::String() : box.getItemText (c.expectedId - 1);
        EXPECT_EQ (box.getText(), expectedText);

        closeEditor();
    }
}

TEST_F (EditorConstruction, OpensOnTheModPageWithNoSwitchShown)
{
    auto& e = openEditor();

    EXPECT_EQ (e.getWidth(), 670);
    EXPECT_EQ (e.getHeight(), 365);
    EXPECT_TRUE (e.modEditorSelect.getToggleState());

    for (int k = 0; k < 27; ++k)
    {
        const bool shown = k < 5 || (k >= 17 && k <= 21);
        EXPECT_EQ (e.knobs[k]->isVisible(), shown) << k;

        if (k > 0)
        {
            EXPECT_EQ (e.knobLabels[k - 1]->isVisible(), shown) << k;
        }
    }

    for (auto* c : std::initializer_list<juce::Component*> { &e.colorModeButton, &e.driveModeButton, &e.drivePrePostButton,
                                                             &e.diffEnableButton, &e.speedButton, &e.colorModeLabel,
                                                             &e.driveModeLabel, &e.drivePrePostLabel, &e.diffEnableLabel,
                                                             &e.speedLabel, &e.inputPanLabel, &e.panningModeComboBox })
        EXPECT_FALSE (c->isVisible()) << c->getName();

    for (auto* page : { &e.shapeEditorSelect, &e.diffEditorSelect, &e.eqEditorSelect,
                        &e.modEditorSelect, &e.driveEditorSelect, &e.warpEditorSelect })
    {
        EXPECT_TRUE (page->isVisible());
        EXPECT_EQ (page->getRadioGroupId(), 12345);
        EXPECT_EQ (page->getToggleState(), page == &e.modEditorSelect);
    }
}

TEST_F (EditorConstruction, SwitchesAreOnOnlyWhenTheValueReachesOne)
{
    processor.setParameter (31, 0.5f);
    processor.setParameter (32, 0.0f);
    processor.setParameter (30, 1.0f);
    processor.setParameter (33, 1.0f);
    auto& e = openEditor();

    EXPECT_FALSE (e.driveModeButton.getToggleState());
    EXPECT_EQ (e.driveModeButton.getButtonText(), "OFF");
    EXPECT_FALSE (e.drivePrePostButton.getToggleState());
    EXPECT_EQ (e.drivePrePostButton.getButtonText(), "PRE");
    EXPECT_TRUE (e.diffEnableButton.getToggleState());
    EXPECT_EQ (e.diffEnableButton.getButtonText(), "ON");
    EXPECT_TRUE (e.speedButton.getToggleState());
    EXPECT_EQ (e.speedButton.getButtonText(), "1/2X");
}

TEST_F (EditorConstruction, ShowsTheStoredPresetNameAndMixLock)
{
    processor.setPresetName ("Wide Room");
    processor.mixLock = true;
    auto& e = openEditor();

    EXPECT_EQ (e.presetsSelect.getButtonText(), "Wide Room");
    EXPECT_TRUE (e.mixLockButton.getToggleState());
    EXPECT_EQ (e.presetLabel.getText(), "PRESET:");
    EXPECT_TRUE (e.versionText.startsWith ("Version 1.0.2 \n"));
    EXPECT_EQ (juce::StringArray::fromLines (e.versionText).size(), 2);
}

TEST_F (EditorConstruction, CreatesTheUserPresetFolder)
{
    const auto userFolder = home.folder.getChildFile (".config/Audio/Presets/Quillmor DSP, LLC/QuillmorPelowin");
    ASSERT_FALSE (userFolder.exists());

    auto& e = openEditor();

    EXPECT_TRUE (userFolder.isDirectory());
    EXPECT_EQ (e.userPresetFolder, userFolder);
}

TEST_F (EditorConstruction, EveryEditorSharesOneLookAndFeel)
{
    auto& first = openEditor();
    auto* shared = &juce::LookAndFeel::getDefaultLookAndFeel();
    EXPECT_NE (dynamic_cast<QuillmorPelowinLookAndFeel*> (shared), nullptr);
    EXPECT_EQ (&first.presetsSelect.getLookAndFeel(), shared);
    closeEditor();

    auto& second = openEditor();
    EXPECT_EQ (&juce::LookAndFeel::getDefaultLookAndFeel(), shared);
    EXPECT_EQ (&second.speedButton.getLookAndFeel(), shared);
}

TEST_F (EditorConstruction, ResizerKeepsTheAspectRatioWithinLimits)
{
    auto& e = openEditor();

    EXPECT_EQ (e.constrainer.getMinimumWidth(), 446);
    EXPECT_EQ (e.constrainer.getMinimumHeight(), 243);
    EXPECT_EQ (e.constrainer.getMaximumWidth(), 1005);
    EXPECT_EQ (e.constrainer.getMaximumHeight(), 547);
    EXPECT_DOUBLE_EQ (e.constrainer.getFixedAspectRatio(), 1.8356164693832397);
    ASSERT_NE (e.resizer, nullptr);
    EXPECT_EQ (e.resizer->getBounds(), juce::Rectangle<int> (654, 349, 16, 16));
}
