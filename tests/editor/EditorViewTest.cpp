// The editor as it opens, its layout at every size, the hint line and its painting.

#include "EditorTestSupport.h"

#include "QuillmorPelowinLookAndFeel.h"

#include <cmath>
#include <fstream>

using namespace editortest;

namespace
{
juce::String items (const juce::ComboBox& box)
{
    juce::StringArray texts;

    for (int i = 0; i < box.getNumItems(); ++i)
        texts.add (juce::String (box.getItemId (i)) + " " + box.getItemText (i));

    return texts.joinIntoString (",");
}

/** A design rectangle at a width, by the rule written out again: float factor, truncated products. */
juce::Rectangle<int> atWidth (int width, int x, int y, int w, int h)
{
    const float s = (float) width / 670.0f;
    const auto t = [s] (int v) { return (int) std::trunc ((float) v * s); };
    return { t (x), t (y), t (w), t (h) };
}

struct Place { juce::Component* control; int x, y, w, h; };

std::vector<Place> designPlaces (QuillmorPelowinEditor& e)
{
    std::vector<Place> places = {
        { &e.mixLockButton, 10, 65, 60, 20 }, { e.knobs[0], 10, 90, 60, 180 }, { e.knobLabels[3], 245, 65, 70, 20 },
        { e.knobs[4], 250, 90, 60, 180 }, { &e.modEditorSelect, 325, 65, 49, 20 }, { &e.shapeEditorSelect, 379, 65, 49, 20 },
        { &e.diffEditorSelect, 433, 65, 49, 20 }, { &e.eqEditorSelect, 487, 65, 49, 20 }, { &e.driveEditorSelect, 541, 65, 49, 20 },
        { &e.warpEditorSelect, 595, 65, 49, 20 }, { &e.drivePrePostLabel, 580, 120, 50, 20 }, { &e.drivePrePostButton, 580, 155, 50, 20 },
        { &e.inputPanLabel, 520, 120, 70, 20 }, { &e.panningModeComboBox, 520, 155, 120, 24 }, { &e.modeLabel, 15, 275, 60, 20 },
        { &e.modeComboBox, 75, 273, 120, 24 }, { &e.syncLabel, 195, 275, 55, 20 }, { &e.delaySyncComboBox, 250, 273, 60, 24 },
        { &e.presetLabel, 325, 275, 70, 20 }, { &e.presetsSelect, 395, 275, 200, 20 }, { &e.previousPreset, 610, 278, 14, 14 },
        { &e.nextPreset, 630, 278, 14, 14 },
    };

    for (auto* s : { &e.colorModeButton, &e.driveModeButton, &e.diffEnableButton, &e.speedButton })
        places.push_back ({ s, 340, 155, 50, 20 });

    for (auto* l : { &e.colorModeLabel, &e.driveModeLabel, &e.diffEnableLabel, &e.speedLabel })
        places.push_back ({ l, 340, 120, 50, 20 });

    for (int k = 1; k <= 3; ++k)
    {
        places.push_back ({ e.knobs[k], 60 * k + 10, 90, 60, 180 });
        places.push_back ({ e.knobLabels[k - 1], 60 * k + 10, 65, 60, 20 });
    }

    // First knob, last knob and slot of the first knob of each page.
    for (const auto& page : { std::array<int, 3> { 5, 9, 5 }, { 10, 13, 6 }, { 14, 16, 6 }, { 17, 21, 5 }, { 22, 24, 6 }, { 25, 26, 6 } })
    {
        for (int k = page[0]; k <= page[1]; ++k)
        {
            const int slot = page[2] + k - page[0];
            places.push_back ({ e.knobs[k], 60 * slot + 40, 145, 50, 85 });
            places.push_back ({ e.knobLabels[k - 1], 60 * slot + 35, 120, 60, 20 });
        }
    }

    return places;
}

void expectDesignLayout (QuillmorPelowinEditor& e)
{
    const int width = e.getWidth();

    for (const auto& p : designPlaces (e))
        EXPECT_EQ (p.control->getBounds(), atWidth (width, p.x, p.y, p.w, p.h)) << p.control->getName() << " at width " << width;

    for (int k = 0; k < 27; ++k)
        EXPECT_EQ (e.knobs[k]->getTextBoxWidth(), atWidth (width, 0, 0, k < 5 ? 60 : 50, 0).getWidth()) << k;

    EXPECT_EQ (e.knobs[9]->getTextBoxHeight(), atWidth (width, 0, 0, 0, 20).getHeight());
    EXPECT_FLOAT_EQ (e.knobLabels[2]->getFont().getHeight(), 17.0f * (float) width / 670.0f);
    EXPECT_FLOAT_EQ (e.speedLabel.getFont().getHeight(), 16.0f * (float) width / 670.0f);
    EXPECT_EQ (e.resizer->getBounds(), juce::Rectangle<int> (width - 16, e.getHeight() - 16, 16, 16));
}

juce::Image paintEditorOnly (QuillmorPelowinEditor& e)
{
    juce::Image image (juce::Image::ARGB, e.getWidth(), e.getHeight(), true);
    juce::Graphics g (image);
    e.paint (g);
    return image;
}

bool isNearWhite (juce::Colour c) { return c.getRed() > 200 && c.getGreen() > 200 && c.getBlue() > 200; }
} // namespace

//==============================================================================
using EditorView = EditorTest;

TEST_F (EditorView, MakesEveryControlWithItsNameRangeAndItems)
{
    auto& e = openEditor();

    ASSERT_EQ (e.knobs.size(), 27);
    ASSERT_EQ (e.knobLabels.size(), 26);
    EXPECT_EQ (e.getNumChildComponents(), 27 + 26 + 6 + 5 * 2 + 3 * 2 + 2 + 1 + 2 + 1);

    for (int i = 0; i < 27; ++i)
    {
        EXPECT_EQ (e.knobs[i]->getName(), juce::String (i));
        EXPECT_EQ (e.knobs[i]->getSkewFactor(), (i == 3 || i == 26) ? 0.3 : 1.0) << i;
        EXPECT_TRUE (e.knobs[i]->getTooltip().isNotEmpty()) << i;
    }

    const auto& delay = *e.knobs[3];
    EXPECT_EQ (juce::String (delay.getMinimum()) + " " + juce::String (delay.getMaximum()) + delay.getTextValueSuffix(), "0 1000 ms ");
    EXPECT_EQ (e.knobs[12]->getInterval(), 0.01);
    EXPECT_EQ (e.knobs[24]->getMinimum(), -120.0);
    EXPECT_EQ (e.knobs[21]->getTextValueSuffix(), " X ");
    EXPECT_EQ (e.knobLabels[24]->getText(), "fbMix");
    EXPECT_TRUE (e.knobs[24]->getTooltip().endsWith ("controls the level of the noise in the overdrive section, in decibels"));

    EXPECT_EQ (items (e.modeComboBox), "1 2TapChorus,2 4TapEnsemble,3 SuperSix,4 6TapRandom,5 DualEnsemble,6 8Tap,7 16Phase,8 16Tap,9 32Tap");
    EXPECT_EQ (items (e.delaySyncComboBox), "1 Free,2 1/16,3 1/8,4 1/4,5 2/4,6 4/4,7 8/4,8 1/16.,9 1/8.,10 1/4.,11 2/4.,"
                                            "12 4/4.,13 1/16T,14 1/8T,15 1/4T,16 2/4T,17 4/4T");
    EXPECT_EQ (items (e.panningModeComboBox), "1 Stereo,2 Swap,3 Mono,4 Left,5 Right");
    EXPECT_EQ (e.delaySyncComboBox.getTextWhenNothingSelected(), "Free");
    EXPECT_TRUE (e.versionText.startsWith ("Version 1.0.2 \n"));
}

TEST_F (EditorView, OpensFilledFromTheProcessorOnTheModPage)
{
    processor.setParameter (9, 0.75f);
    processor.setParameter (31, 0.5f);
    processor.setParameter (33, 1.0f);
    processor.setPresetName ("Wide Room");
    processor.mixLock = true;
    auto& e = openEditor();

    EXPECT_DOUBLE_EQ (e.knobs[9]->getValue(), 6.0);
    EXPECT_FALSE (e.driveModeButton.getToggleState()) << "only a value whose floor is 1 switches on";
    EXPECT_EQ (e.driveModeButton.getButtonText(), "OFF");
    EXPECT_TRUE (e.speedButton.getToggleState());
    EXPECT_EQ (e.speedButton.getButtonText(), "1/2X");
    EXPECT_EQ (e.presetsSelect.getButtonText(), "Wide Room");
    EXPECT_TRUE (e.mixLockButton.getToggleState());
    EXPECT_TRUE (e.modEditorSelect.getToggleState());
    EXPECT_EQ (e.getBounds(), juce::Rectangle<int> (0, 0, 670, 365));

    for (int k = 0; k < 27; ++k)
        EXPECT_EQ (e.knobs[k]->isVisible(), k < 5 || (k >= 17 && k <= 21)) << k;

    for (juce::Component* c : { (juce::Component*) &e.colorModeButton, (juce::Component*) &e.driveModeLabel,
                                (juce::Component*) &e.speedButton, (juce::Component*) &e.panningModeComboBox })
        EXPECT_FALSE (c->isVisible()) << c->getName();
}

TEST_F (EditorView, ComboBoxesSelectTheItemOfTheStoredValue)
{
    struct Case { int parameter; float value; int id; };
    for (const auto& c : { Case { 29, 3.0f / 24, 3 }, Case { 29, 0.0f, 0 }, Case { 29, 0.5f, 0 }, Case { 28, 1.0f, 17 },
                           Case { 28, 5.0f / 17, 5 }, Case { 34, 0.125f, 1 }, Case { 34, 0.625f, 5 }, Case { 34, 0.75f, 0 } })
    {
        processor.setParameter (c.parameter, c.value);
        auto& e = openEditor();
        auto& box = c.parameter == 29 ? e.modeComboBox : c.parameter == 28 ? e.delaySyncComboBox : e.panningModeComboBox;
        EXPECT_EQ (box.getSelectedId(), c.id) << c.parameter << " at " << c.value;
        closeEditor();
    }
}

TEST_F (EditorView, MakesTheUserPresetFolderAndSharesOneLookAndFeel)
{
    const auto folder = home.getChildFile (".config/Audio/Presets/Quillmor DSP, LLC/QuillmorPelowin");
    auto& first = openEditor();
    EXPECT_TRUE (folder.isDirectory());
    auto* shared = &juce::LookAndFeel::getDefaultLookAndFeel();
    EXPECT_NE (dynamic_cast<QuillmorPelowinLookAndFeel*> (shared), nullptr);
    EXPECT_EQ (&first.speedButton.getLookAndFeel(), shared);
    closeEditor();

    // A fresh account has no ~/.config yet: it is made along with the folder.
    ASSERT_TRUE (home.getChildFile (".config").deleteRecursively());
    EXPECT_EQ (openEditor().userPresetFolder, folder);
    EXPECT_TRUE (folder.isDirectory());
    EXPECT_EQ (&juce::LookAndFeel::getDefaultLookAndFeel(), shared);
}

//==============================================================================
TEST_F (EditorView, LaysOutEveryControlByTruncationAtEverySize)
{
    auto& e = openEditor();
    expectDesignLayout (e);

    e.setSize (1005, 547);
    expectDesignLayout (e);
    EXPECT_EQ (e.knobs[0]->getBounds(), juce::Rectangle<int> (15, 135, 90, 270));
    EXPECT_EQ (e.modEditorSelect.getBounds(), juce::Rectangle<int> (487, 97, 73, 30));

    e.setSize (446, 243);
    expectDesignLayout (e);
    EXPECT_EQ (e.shapeEditorSelect.getX(), 252);
    EXPECT_EQ (e.diffEditorSelect.getWidth(), 32) << "49 x 0.66567 = 32.6, truncated";

    EXPECT_EQ (e.constrainer.getFixedAspectRatio(), 1.8356164693832397);
    EXPECT_EQ (e.constrainer.getMaximumWidth(), 1005);
}

TEST_F (EditorView, KeepsTheStoredSizeInStepWithTheWindow)
{
    auto& e = openEditor();

    e.setSize (804, 438);
    EXPECT_EQ (juce::Point<int> (processor.uiWidth, processor.uiHeight), juce::Point<int> (804, 438));

    e.setSize (804, 500);   // a new height alone moves only the resizer
    EXPECT_EQ (processor.uiHeight, 438);
    expectDesignLayout (e);

    // A host restore while open arrives with the stored size already changed.
    processor.uiWidth = 1005;
    processor.uiHeight = 547;
    processor.sendChangeMessage();
    processor.dispatchPendingMessages();
    EXPECT_EQ (e.getWidth(), 1005);
    expectDesignLayout (e);
}

TEST_F (EditorView, OpensAtTheStoredSizeKeptWithinTheLimits)
{
    for (const auto& s : { std::array<int, 4> { 1005, 547, 1005, 547 }, { 0, 0, 446, 243 }, { -20, 100000, 446, 547 } })
    {
        processor.uiWidth = s[0];
        processor.uiHeight = s[1];
        auto& e = openEditor();
        EXPECT_EQ (e.getBounds(), juce::Rectangle<int> (0, 0, s[2], s[3]));
        EXPECT_EQ (juce::Point<int> (processor.uiWidth, processor.uiHeight), juce::Point<int> (s[2], s[3]));
        expectDesignLayout (e);
        closeEditor();
    }
}

//==============================================================================
TEST_F (EditorView, HintLineFollowsTheMouseFromTheBackgroundOntoEveryControlAndOff)
{
    auto& e = openEditor();
    auto& window = putInWindow();
    const juce::Point<int> background (5, 5);
    const auto hintBox = atWidth (670, 20, 230, 630, 120);

    // The middle of a combo box is its text, a child the mouse is delivered to; a page's
    // controls are hovered with their page shown.
    struct Case { juce::Component* over; int code; juce::SettableTooltipClient* helpFrom; juce::Button* page; };
    const std::vector<Case> cases = {
        { e.knobs[0], 0, e.knobs[0], nullptr }, { e.knobs[18], 18, e.knobs[18], nullptr }, { &e.delaySyncComboBox, 34, &e.delaySyncComboBox, nullptr },
        { &e.modeComboBox, 35, &e.modeComboBox, nullptr }, { &e.modeLabel, 36, &e.modeComboBox, nullptr }, { &e.mixLockButton, 37, &e.mixLockButton, nullptr },
        { &e.presetLabel, 38, &e.presetsSelect, nullptr }, { &e.presetsSelect, 39, &e.presetsSelect, nullptr }, { &e.previousPreset, 40, &e.previousPreset, nullptr },
        { &e.nextPreset, 41, &e.nextPreset, nullptr }, { &e.shapeEditorSelect, 42, &e.shapeEditorSelect, nullptr }, { &e.eqEditorSelect, 43, &e.eqEditorSelect, nullptr },
        { &e.modEditorSelect, 44, &e.modEditorSelect, nullptr }, { &e.diffEditorSelect, 46, &e.diffEditorSelect, nullptr }, { &e.driveEditorSelect, 47, &e.driveEditorSelect, nullptr },
        { &e.warpEditorSelect, 48, &e.warpEditorSelect, nullptr }, { &e.colorModeButton, 45, &e.colorModeButton, &e.eqEditorSelect },
        { &e.diffEnableButton, 49, &e.diffEnableButton, &e.diffEditorSelect }, { &e.driveModeButton, 50, &e.driveModeButton, &e.driveEditorSelect },
        { &e.drivePrePostButton, 51, &e.drivePrePostButton, nullptr }, { &e.speedButton, 52, &e.speedButton, &e.warpEditorSelect },
        { &e.panningModeComboBox, 53, &e.panningModeComboBox, nullptr }, { e.knobs[26], 26, e.knobs[26], nullptr },
        // No hint: background, knob and switch labels, the sync label.
        { &e, -1, nullptr, nullptr }, { e.knobLabels[24], -1, nullptr, nullptr }, { &e.speedLabel, -1, nullptr, nullptr }, { &e.syncLabel, -1, nullptr, nullptr },
    };

    for (const auto& c : cases)
    {
        window.moveMouseTo (background);
        e.timerCallback();
        ASSERT_EQ (e.hintText, "") << c.code;

        if (c.page != nullptr)
            click (*c.page);

        window.peer().repainted = {};
        window.moveMouseTo (c.over == &e ? background : e.getLocalArea (c.over, c.over->getLocalBounds()).getCentre());
        e.timerCallback();
        EXPECT_EQ (e.hoveredControl, c.code) << c.over->getName();
        EXPECT_EQ (e.hintText, c.helpFrom != nullptr ? c.helpFrom->getTooltip() : juce::String()) << c.code;
        EXPECT_EQ (window.peer().repainted.contains (hintBox), c.helpFrom != nullptr) << c.code;
    }

    // A knob's text box is a part that shows no hint; leaving the window clears the line.
    window.moveMouseTo (e.knobs[26]->getBounds().getBottomLeft().translated (25, -5));
    e.timerCallback();
    EXPECT_EQ (e.hoveredControl, QuillmorPelowinEditor::noHoveredControl);
    window.moveMouseTo (e.knobs[26]->getBounds().getCentre());
    e.timerCallback();
    window.moveMouseTo ({ -10, -10 });
    e.timerCallback();
    EXPECT_EQ (e.hintText, "");
}

TEST_F (EditorView, PaintsLogoVersionAndHintInsideTheirBoxes)
{
    for (const auto& [width, height] : { std::pair<int, int> { 670, 365 }, { 1005, 547 }, { 446, 243 } })
    {
        processor.uiWidth = width;
        processor.uiHeight = height;
        auto& e = openEditor();
        putInWindow().moveMouseTo (e.warpEditorSelect.getBounds().getCentre());
        e.timerCallback();
        const auto image = paintEditorOnly (e);

        // Descenders and anti-aliasing may reach a few pixels past a box.
        const int margin = 2 + (int) std::ceil (3.0f * (float) width / 670.0f);
        const juce::Rectangle<int> boxes[] = { atWidth (width, 21, 10, 294, 55), atWidth (width, 440, 10, 200, 40),
                                               atWidth (width, 20, 230, 630, 120) };
        int inBox[3] = {};

        for (int y = 0; y < image.getHeight(); ++y)
        {
            for (int x = 0; x < image.getWidth(); ++x)
            {
                const auto colour = image.getPixelAt (x, y);
                if (colour == e.accentColour)
                {
                    ASSERT_TRUE (atWidth (width, 155, 10, 82, 55).expanded (margin).contains (x, y)) << x << "," << y;
                }

                if (! isNearWhite (colour))
                    continue;

                int box = 0;
                while (box < 3 && ! boxes[box].expanded (margin).contains (x, y))
                    ++box;

                ASSERT_LT (box, 3) << "white at " << x << ", " << y << " at width " << width;
                ++inBox[box];
            }
        }

        // The runs meet: between inked columns of the logo no blank stretch is wider
        // than the space between two letters of one word.
        for (int x = 0, blank = -1; x < atWidth (width, 330, 0, 0, 0).getX(); ++x)
        {
            bool inked = false;

            for (int y = atWidth (width, 0, 10, 0, 0).getY(); y < atWidth (width, 0, 65, 0, 0).getY(); ++y)
                inked = inked || image.getPixelAt (x, y) != image.getPixelAt (5, 5);

            EXPECT_TRUE (! inked || (float) blank <= 8.0f * (float) width / 670.0f) << "a gap before " << x << " at width " << width;
            blank = inked ? 0 : (blank < 0 ? -1 : blank + 1);
        }

        EXPECT_GT (inBox[0], 100);
        EXPECT_GT (inBox[1], 20);
        EXPECT_GT (inBox[2], 50);
        EXPECT_EQ (image.getPixelAt (5, 5), juce::Colour (0xff5086b6)) << "bright scheme background";
        EXPECT_EQ (image.getPixelAt (atWidth (width, 480, 0, 0, 0).getX(), atWidth (width, 0, 180, 0, 0).getY()), juce::Colour (0xff343434));
        closeEditor();
    }
}

TEST_F (EditorView, SnapshotsInBothSchemes)
{
    auto& e = openEditor();

    for (const bool dark : { false, true })
    {
        hostSets (27, dark ? 1.0f : 0.0f);
        EXPECT_EQ (paintEditorOnly (e).getPixelAt (5, 360), juce::Colour (dark ? 0xff494949 : 0xff5086b6));

        // Kept beside the test program, to be looked at.
        const auto file = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                              .getSiblingFile (dark ? "editor-dark.png" : "editor-bright.png");
        file.deleteFile();
        juce::FileOutputStream out (file);
        EXPECT_TRUE (juce::PNGImageFormat().writeImageToStream (e.createComponentSnapshot (e.getLocalBounds()), out));
    }
}

TEST_F (EditorView, ShowsANameBeyondLatin1WhateverTheFontFoldersHold)
{
    // The first character the embedded typeface lacks makes JUCE list every font folder,
    // the home folder's too, and all below them: here a font file named in Windows-1252, as
    // old archives leave them, with a long tail behind the bad byte, and folders whose
    // Windows-1252 names "x¯®®" would read as "x/.." and send the listing round in circles.
    const auto fonts = home.getFullPathName().toStdString() + "/.local/share/fonts/";
    for (const char* folder : { "x", "y", "x\xaf\xae\xae", "y\xaf\xae\xae" })
        std::filesystem::create_directories (fonts + folder);

    std::ofstream (fonts + "Police \xe0 la mode - a long font file name.ttf");
    ::unsetenv ("XDG_DATA_HOME");
    ::unsetenv ("JUCE_FONT_PATH");
    const auto name = juce::String::fromUTF8 ("Bob\xe2\x80\x99s chorus");
    processor.setPresetName (name);
    auto& e = openEditor();
    endWithinAMinute ("the font scan", [&e] { e.createComponentSnapshot (e.getLocalBounds()); });

    // The apostrophe is still borrowed from a system font.
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText (QuillmorPelowinLookAndFeel::getSharedInstance().getTextButtonFont (e.presetsSelect, 20), name, 0, 0);
    EXPECT_GT (glyphs.getBoundingBox (3, 1, false).getHeight(), 2.0f);
}
