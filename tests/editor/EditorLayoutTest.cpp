// Layout at every size, the stored editor size, painting and the hint line.

#include "EditorTestSupport.h"

#include <cmath>

using namespace editortest;

namespace
{
/** A design rectangle at the given width, by the scaling rule written out again:
    the factor in single precision, every product truncated toward zero. */
juce::Rectangle<int> atWidth (int width, int x, int y, int w, int h)
{
    const float s = (float) width / 670.0f;
    const auto t = [s] (int v) { return (int) std::trunc ((float) v * s); };
    return { t (x), t (y), t (w), t (h) };
}

struct Placement
{
    const char* what;
    std::function<juce::Component& (QuillmorPelowinEditor&)> control;
    int x, y, w, h;
};

std::vector<Placement> designTable()
{
    using E = QuillmorPelowinEditor;
    std::vector<Placement> table = {
        { "mix lock", [] (E& e) -> juce::Component& { return e.mixLockButton; }, 10, 65, 60, 20 },
        { "knob 0", [] (E& e) -> juce::Component& { return *e.knobs[0]; }, 10, 90, 60, 180 },
        { "label 4", [] (E& e) -> juce::Component& { return *e.knobLabels[3]; }, 245, 65, 70, 20 },
        { "knob 4", [] (E& e) -> juce::Component& { return *e.knobs[4]; }, 250, 90, 60, 180 },
        { "TAPS", [] (E& e) -> juce::Component& { return e.shapeEditorSelect; }, 379, 65, 49, 20 },
        { "DIFF", [] (E& e) -> juce::Component& { return e.diffEditorSelect; }, 433, 65, 49, 20 },
        { "EQ", [] (E& e) -> juce::Component& { return e.eqEditorSelect; }, 487, 65, 49, 20 },
        { "MOD", [] (E& e) -> juce::Component& { return e.modEditorSelect; }, 325, 65, 49, 20 },
        { "DRIVE", [] (E& e) -> juce::Component& { return e.driveEditorSelect; }, 541, 65, 49, 20 },
        { "WARP", [] (E& e) -> juce::Component& { return e.warpEditorSelect; }, 595, 65, 49, 20 },
        { "colour label", [] (E& e) -> juce::Component& { return e.colorModeLabel; }, 340, 120, 50, 20 },
        { "drive label", [] (E& e) -> juce::Component& { return e.driveModeLabel; }, 340, 120, 50, 20 },
        { "diff label", [] (E& e) -> juce::Component& { return e.diffEnableLabel; }, 340, 120, 50, 20 },
        { "speed label", [] (E& e) -> juce::Component& { return e.speedLabel; }, 340, 120, 50, 20 },
        { "colour", [] (E& e) -> juce::Component& { return e.colorModeButton; }, 340, 155, 50, 20 },
        { "drive", [] (E& e) -> juce::Component& { return e.driveModeButton; }, 340, 155, 50, 20 },
        { "diff", [] (E& e) -> juce::Component& { return e.diffEnableButton; }, 340, 155, 50, 20 },
        { "speed", [] (E& e) -> juce::Component& { return e.speedButton; }, 340, 155, 50, 20 },
        { "pre/post label", [] (E& e) -> juce::Component& { return e.drivePrePostLabel; }, 580, 120, 50, 20 },
        { "pre/post", [] (E& e) -> juce::Component& { return e.drivePrePostButton; }, 580, 155, 50, 20 },
        { "input pan label", [] (E& e) -> juce::Component& { return e.inputPanLabel; }, 520, 120, 70, 20 },
        { "input pan box", [] (E& e) -> juce::Component& { return e.panningModeComboBox; }, 520, 155, 120, 24 },
        { "mode label", [] (E& e) -> juce::Component& { return e.modeLabel; }, 15, 275, 60, 20 },
        { "mode box", [] (E& e) -> juce::Component& { return e.modeComboBox; }, 75, 273, 120, 24 },
        { "sync label", [] (E& e) -> juce::Component& { return e.syncLabel; }, 195, 275, 55, 20 },
        { "sync box", [] (E& e) -> juce::Component& { return e.delaySyncComboBox; }, 250, 273, 60, 24 },
        { "preset label", [] (E& e) -> juce::Component& { return e.presetLabel; }, 325, 275, 70, 20 },
        { "preset button", [] (E& e) -> juce::Component& { return e.presetsSelect; }, 395, 275, 200, 20 },
        { "previous", [] (E& e) -> juce::Component& { return e.previousPreset; }, 610, 278, 14, 14 },
        { "next", [] (E& e) -> juce::Component& { return e.nextPreset; }, 630, 278, 14, 14 },
    };

    for (int k = 1; k <= 3; ++k)
    {
        table.push_back ({ "main knob", [k] (E& e) -> juce::Component& { return *e.knobs[k]; }, 60 * k + 10, 90, 60, 180 });
        table.push_back ({ "main label", [k] (E& e) -> juce::Component& { return *e.knobLabels[k - 1]; }, 60 * k + 10, 65, 60, 20 });
    }

    // Page knobs by page: first knob, last knob, slot of the first knob.
    const int pages[][3] = { { 5, 9, 5 }, { 10, 13, 6 }, { 14, 16, 6 }, { 17, 21, 5 }, { 22, 24, 6 }, { 25, 26, 6 } };

    for (const auto& page : pages)
    {
        for (int k = page[0]; k <= page[1]; ++k)
        {
            const int slot = page[2] + k - page[0];
            table.push_back ({ "page knob", [k] (E& e) -> juce::Component& { return *e.knobs[k]; }, 60 * slot + 40, 145, 50, 85 });
            table.push_back ({ "page label", [k] (E& e) -> juce::Component& { return *e.knobLabels[k - 1]; }, 60 * slot + 35, 120, 60, 20 });
        }
    }

    return table;
}

void expectDesignLayout (QuillmorPelowinEditor& e)
{
    const int width = e.getWidth();

    for (const auto& p : designTable())
        EXPECT_EQ (p.control (e).getBounds(), atWidth (width, p.x, p.y, p.w, p.h)) << p.what << " at width " << width;

    for (int k = 0; k < 27; ++k)
    {
        const auto box = atWidth (width, 0, 0, k < 5 ? 60 : 50, 20);
        EXPECT_EQ (e.knobs[k]->getTextBoxWidth(), box.getWidth()) << k;
        EXPECT_EQ (e.knobs[k]->getTextBoxHeight(), box.getHeight()) << k;
        EXPECT_EQ (e.knobs[k]->getTextBoxPosition(), juce::Slider::TextBoxBelow);
    }

    const float s = (float) width / 670.0f;
    EXPECT_FLOAT_EQ (e.scale, s);
    EXPECT_FLOAT_EQ (e.knobLabels[0]->getFont().getHeight(), 17.0f * s);
    EXPECT_FLOAT_EQ (e.knobLabels[10]->getFont().getHeight(), 16.0f * s);
    EXPECT_FLOAT_EQ (e.modeLabel.getFont().getHeight(), 17.0f * s);
    EXPECT_FLOAT_EQ (e.speedLabel.getFont().getHeight(), 16.0f * s);
    EXPECT_EQ (e.resizer->getBounds(), juce::Rectangle<int> (e.getWidth() - 16, e.getHeight() - 16, 16, 16));
}

/** Pixels of the editor's own painting, without its controls. */
juce::Image paintEditorOnly (QuillmorPelowinEditor& e)
{
    juce::Image image (juce::Image::ARGB, e.getWidth(), e.getHeight(), true);
    juce::Graphics g (image);
    e.paint (g);
    return image;
}

bool isNearWhite (juce::Colour c)
{
    return c.getRed() > 200 && c.getGreen() > 200 && c.getBlue() > 200;
}
} // namespace

using EditorLayout = EditorTest;

TEST_F (EditorLayout, DesignSizePlacesEveryControlAtItsDesignValue)
{
    auto& e = openEditor();
    ASSERT_EQ (e.getWidth(), 670);
    expectDesignLayout (e);
}

TEST_F (EditorLayout, LargestAndSmallestSizesScaleByTruncation)
{
    auto& e = openEditor();

    e.setSize (1005, 547);
    expectDesignLayout (e);
    EXPECT_EQ (e.knobs[0]->getBounds(), juce::Rectangle<int> (15, 135, 90, 270));
    EXPECT_EQ (e.modEditorSelect.getBounds(), juce::Rectangle<int> (487, 97, 73, 30));

    e.setSize (446, 243);
    expectDesignLayout (e);
    // 379 x 0.6656716 = 252.29: truncated, and a rounding layout would give the same
    // here, so check one that rounds up too: 433 x 0.6656716 = 288.23, 49 x 0.66567 = 32.6.
    EXPECT_EQ (e.shapeEditorSelect.getX(), 252);
    EXPECT_EQ (e.diffEditorSelect.getWidth(), 32);
}

TEST_F (EditorLayout, NewWidthIsStoredInTheProcessor)
{
    auto& e = openEditor();

    e.setSize (804, 438);
    EXPECT_EQ (processor.uiWidth, 804);
    EXPECT_EQ (processor.uiHeight, 438);

    // A change of height alone moves only the resizer.
    e.setSize (804, 500);
    EXPECT_EQ (processor.uiHeight, 438);
    EXPECT_EQ (e.resizer->getBounds(), juce::Rectangle<int> (788, 484, 16, 16));
    EXPECT_EQ (e.knobs[0]->getBounds(), atWidth (804, 10, 90, 60, 180));
}

TEST_F (EditorLayout, OpensAtTheStoredSize)
{
    processor.uiWidth = 1005;
    processor.uiHeight = 547;
    auto& e = openEditor();

    EXPECT_EQ (e.getWidth(), 1005);
    EXPECT_EQ (e.getHeight(), 547);
    expectDesignLayout (e);
}

TEST_F (EditorLayout, UnusableStoredSizesOpenWithinTheLimits)
{
    const int sizes[][4] = { { 0, 0, 446, 243 }, { -20, -5, 446, 243 }, { 100000, 80000, 1005, 547 }, { 700, 100, 700, 243 } };

    for (const auto& s : sizes)
    {
        processor.uiWidth = s[0];
        processor.uiHeight = s[1];
        auto& e = openEditor();
        EXPECT_EQ (e.getWidth(), s[2]);
        EXPECT_EQ (e.getHeight(), s[3]);
        EXPECT_EQ (processor.uiWidth, s[2]);
        EXPECT_EQ (processor.uiHeight, s[3]);
        expectDesignLayout (e);
        closeEditor();
    }
}

TEST_F (EditorLayout, SizeRestoredFromTheHostWhileOpenIsLaidOut)
{
    auto& e = openEditor();

    // The host restores a state whose size is already the stored one by the time the
    // editor hears of it: the layout must still follow the new width.
    processor.uiWidth = 1005;
    processor.uiHeight = 547;
    processor.sendChangeMessage();
    processor.dispatchPendingMessages();

    EXPECT_EQ (e.getWidth(), 1005);
    expectDesignLayout (e);
}

TEST_F (EditorLayout, KnobsOfOtherPagesArePlacedWhileHidden)
{
    auto& e = openEditor();
    e.setSize (1005, 547);

    ASSERT_FALSE (e.knobs[5]->isVisible());
    EXPECT_EQ (e.knobs[5]->getBounds(), atWidth (1005, 340, 145, 50, 85));
    EXPECT_EQ (e.knobs[26]->getBounds(), atWidth (1005, 460, 145, 50, 85));
}

//==============================================================================
namespace
{
/** Answers the hint line's question as if the mouse were over one control. */
struct PretendMouse
{
    const juce::Component* over = nullptr;
    bool overAChild = false;   // the mouse is over one of its children, not itself

    bool operator() (const juce::Component& c, bool includeChildren) const
    {
        return &c == over && (includeChildren || ! overAChild);
    }
};
} // namespace

using HintLine = EditorTest;

TEST_F (HintLine, ShowsTheHelpOfTheControlUnderTheMouse)
{
    auto& e = openEditor();
    auto mouse = std::make_shared<PretendMouse>();
    e.isUnderMouse = [mouse] (const juce::Component& c, bool children) { return (*mouse) (c, children); };

    struct Case { juce::Component* over; int code; juce::String hint; };
    const Case cases[] = {
        { e.knobs[0], 0, e.knobs[0]->getTooltip() },
        { e.knobs[19], 19, e.knobs[19]->getTooltip() },
        { e.knobs[26], 26, e.knobs[26]->getTooltip() },
        { &e.delaySyncComboBox, 34, e.delaySyncComboBox.getTooltip() },
        { &e.modeComboBox, 35, e.modeComboBox.getTooltip() },
        { &e.modeLabel, 36, e.modeComboBox.getTooltip() },
        { &e.mixLockButton, 37, e.mixLockButton.getTooltip() },
        { &e.presetLabel, 38, e.presetsSelect.getTooltip() },
        { &e.presetsSelect, 39, "PRESETS: allows the user to save and recall plugin settings" },
        { &e.previousPreset, 40, e.previousPreset.getTooltip() },
        { &e.nextPreset, 41, e.nextPreset.getTooltip() },
        { &e.shapeEditorSelect, 42, e.shapeEditorSelect.getTooltip() },
        { &e.eqEditorSelect, 43, e.eqEditorSelect.getTooltip() },
        { &e.modEditorSelect, 44, e.modEditorSelect.getTooltip() },
        { &e.colorModeButton, 45, "Color Mode: use to toggle between bright and dark modes" },
        { &e.diffEditorSelect, 46, "DIFF: enables knobs for controlling the diffused delays" },
        { &e.driveEditorSelect, 47, e.driveEditorSelect.getTooltip() },
        { &e.warpEditorSelect, 48, e.warpEditorSelect.getTooltip() },
        { &e.diffEnableButton, 49, "Diff On/Off: use to switch diffusion off and on" },
        { &e.driveModeButton, 50, e.driveModeButton.getTooltip() },
        { &e.drivePrePostButton, 51, e.drivePrePostButton.getTooltip() },
        { &e.speedButton, 52, e.speedButton.getTooltip() },
        { &e.panningModeComboBox, 53, "InputPan: controls how left and right input channels are sent to the delay lines." },
    };

    for (const auto& c : cases)
    {
        mouse->over = c.over;
        e.updateHintText();
        EXPECT_EQ (e.hoveredControl, c.code);
        EXPECT_EQ (e.hintText, c.hint) << c.code;
        EXPECT_TRUE (c.hint.isNotEmpty()) << c.code;
    }
}

TEST_F (HintLine, LabelsTextBoxesAndBackgroundShowNothing)
{
    auto& e = openEditor();
    auto mouse = std::make_shared<PretendMouse>();
    e.isUnderMouse = [mouse] (const juce::Component& c, bool children) { return (*mouse) (c, children); };

    for (juce::Component* c : { (juce::Component*) e.knobLabels[0], (juce::Component*) e.knobLabels[20],
                                (juce::Component*) &e.syncLabel, (juce::Component*) &e.inputPanLabel,
                                (juce::Component*) &e.speedLabel, (juce::Component*) nullptr })
    {
        mouse->over = c;
        e.updateHintText();
        EXPECT_EQ (e.hoveredControl, QuillmorPelowinEditor::noHoveredControl);
        EXPECT_TRUE (e.hintText.isEmpty());
    }

    // Over a knob's text box (a child of the knob) the knob gives no hint.
    mouse->over = e.knobs[18];
    mouse->overAChild = true;
    e.updateHintText();
    EXPECT_EQ (e.hoveredControl, QuillmorPelowinEditor::noHoveredControl);
    EXPECT_TRUE (e.hintText.isEmpty());

    // Over a box's child the box still counts.
    mouse->over = &e.delaySyncComboBox;
    e.updateHintText();
    EXPECT_EQ (e.hoveredControl, 34);
}

TEST_F (HintLine, EveryMoveBetweenControlAndBackgroundIsAChange)
{
    auto& e = openEditor();
    auto mouse = std::make_shared<PretendMouse>();
    e.isUnderMouse = [mouse] (const juce::Component& c, bool children) { return (*mouse) (c, children); };

    e.updateHintText();
    EXPECT_FALSE (e.hintChanged) << "nothing under the mouse at first";

    for (auto* c : std::initializer_list<const juce::Component*> { e.knobs[0], e.knobs[0], nullptr, &e.nextPreset,
                                                                   &e.previousPreset, nullptr, nullptr, e.knobs[0] })
    {
        const int before = e.hoveredControl;
        mouse->over = c;
        e.updateHintText();
        EXPECT_EQ (e.hintChanged, e.hoveredControl != before);
        EXPECT_EQ (e.lastHoveredControl, e.hoveredControl);
    }
}

TEST_F (HintLine, PaintDrawsTheHintIntoItsBox)
{
    auto& e = openEditor();
    auto mouse = std::make_shared<PretendMouse>();
    e.isUnderMouse = [mouse] (const juce::Component& c, bool children) { return (*mouse) (c, children); };

    const juce::Rectangle<int> hintBox (20, 230, 630, 120);
    const auto countWhiteIn = [] (const juce::Image& image, juce::Rectangle<int> area)
    {
        int n = 0;
        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                n += isNearWhite (image.getPixelAt (x, y)) ? 1 : 0;
        return n;
    };

    const int without = countWhiteIn (paintEditorOnly (e), hintBox);
    mouse->over = &e.warpEditorSelect;
    const auto withHint = paintEditorOnly (e);

    EXPECT_EQ (e.hoveredControl, 48);
    EXPECT_EQ (without, 0);
    EXPECT_GT (countWhiteIn (withHint, hintBox), 50);
    // The text rests on the bottom of the box: its top half stays empty for a one-line hint.
    EXPECT_EQ (countWhiteIn (withHint, hintBox.withHeight (60)), 0);
}

//==============================================================================
using EditorPainting = EditorTest;

TEST_F (EditorPainting, LogoAndVersionStayInsideTheirBoxes)
{
    for (const int width : { 670, 1005, 446 })
    {
        processor.uiWidth = width;
        processor.uiHeight = (int) std::round (width * 365.0 / 670.0);
        auto& e = openEditor();
        const auto image = paintEditorOnly (e);

        // Descenders and anti-aliasing may reach a few pixels past a box.
        const int margin = 2 + (int) std::ceil (3.0f * (float) width / 670.0f);
        const auto logoWhite = atWidth (width, 21, 10, 294, 55).expanded (margin);
        const auto accentRun = atWidth (width, 155, 10, 82, 55).expanded (margin);
        const auto version = atWidth (width, 440, 10, 200, 40).expanded (margin);
        int whiteInLogo = 0, whiteInVersion = 0, accentInRun = 0;

        for (int y = 0; y < image.getHeight(); ++y)
        {
            for (int x = 0; x < image.getWidth(); ++x)
            {
                const auto c = image.getPixelAt (x, y);

                if (isNearWhite (c))
                {
                    const bool inLogo = logoWhite.contains (x, y);
                    const bool inVersion = version.contains (x, y);
                    ASSERT_TRUE (inLogo || inVersion) << "white at " << x << ", " << y << " width " << width;
                    whiteInLogo += inLogo ? 1 : 0;
                    whiteInVersion += inVersion ? 1 : 0;
                }
                else if (c == e.accentColour)
                {
                    ASSERT_TRUE (accentRun.contains (x, y)) << "accent at " << x << ", " << y << " width " << width;
                    ++accentInRun;
                }
            }
        }

        EXPECT_GT (whiteInLogo, 100) << width;
        EXPECT_GT (whiteInVersion, 20) << width;
        EXPECT_GT (accentInRun, 20) << width;
        closeEditor();
    }
}

TEST_F (EditorPainting, BackgroundAndPanelFollowTheScheme)
{
    auto& e = openEditor();
    const auto bright = paintEditorOnly (e);
    EXPECT_EQ (bright.getPixelAt (5, 360), juce::Colour (0xff5086b6));
    EXPECT_EQ (bright.getPixelAt (480, 180), juce::Colour (0xff343434));

    hostSets (27, 1.0f);
    const auto dark = paintEditorOnly (e);
    EXPECT_EQ (dark.getPixelAt (5, 360), juce::Colour (0xff494949));
    EXPECT_EQ (dark.getPixelAt (480, 180), juce::Colour (0xff343434));
    // Outside the panel's rounded corner.
    EXPECT_EQ (dark.getPixelAt (326, 96), juce::Colour (0xff494949));
}

TEST_F (EditorPainting, SnapshotsInBothSchemes)
{
    auto& e = openEditor();

    for (const bool dark : { false, true })
    {
        hostSets (27, dark ? 1.0f : 0.0f);
        const auto image = e.createComponentSnapshot (e.getLocalBounds(), true);
        ASSERT_EQ (image.getWidth(), 670);
        ASSERT_EQ (image.getHeight(), 365);

        // Kept next to the test program for a look by eye.
        const auto file = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                              .getSiblingFile (dark ? "editor-dark.png" : "editor-bright.png");
        file.deleteFile();
        juce::FileOutputStream out (file);
        ASSERT_TRUE (out.openedOk());
        EXPECT_TRUE (juce::PNGImageFormat().writeImageToStream (image, out));
    }
}
