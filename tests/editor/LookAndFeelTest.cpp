#include "QuillmorPelowinLookAndFeel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <memory>

namespace
{
// Opaque colours, so painted pixels read back exactly.
const juce::Colour sentinel (0xff000000);
const juce::Colour red (0xffd02010), green (0xff30c040), blue (0xff2040e0), yellow (0xffe0d020),
                   white (0xffffffff), grey (0xff606060);

juce::Image paintInto (int width, int height, const std::function<void (juce::Graphics&)>& paint)
{
    juce::Image image (juce::Image::ARGB, width, height, false);
    image.clear (image.getBounds(), sentinel);
    juce::Graphics g (image);
    paint (g);
    return image;
}

juce::uint32 argbAt (const juce::Image& image, int x, int y)
{
    return image.getPixelAt (x, y).getARGB();
}

// Expected colour of an opaque pixel painted with colour c over an opaque one.
juce::Colour over (juce::Colour c, juce::Colour below)
{
    const float a = c.getFloatAlpha();
    auto mix = [a] (int top, int bottom) { return (juce::uint8) std::lround (top * a + bottom * (1.0f - a)); };
    return juce::Colour (mix (c.getRed(), below.getRed()), mix (c.getGreen(), below.getGreen()),
                         mix (c.getBlue(), below.getBlue()));
}

struct Pixel
{
    int x, y;
    juce::Colour colour;
};

void expectPixels (const juce::Image& image, std::initializer_list<Pixel> pixels)
{
    for (const auto& p : pixels)
        EXPECT_EQ (argbAt (image, p.x, p.y), p.colour.getARGB()) << "at " << p.x << ", " << p.y;
}

int countPixels (const juce::Image& image, juce::Colour c)
{
    int n = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            n += argbAt (image, x, y) == c.getARGB() ? 1 : 0;
    return n;
}

void expectNear (juce::Colour actual, juce::Colour expected, int tolerance, const char* what)
{
    EXPECT_NEAR (actual.getRed(), expected.getRed(), tolerance) << what;
    EXPECT_NEAR (actual.getGreen(), expected.getGreen(), tolerance) << what;
    EXPECT_NEAR (actual.getBlue(), expected.getBlue(), tolerance) << what;
}

// Installs the process-wide instance as JUCE's default, as every editor does, so fonts
// resolve through it; afterwards JUCE's own default comes back.
class QuillmorLookAndFeelAsDefault : public ::testing::Test
{
protected:
    void SetUp() override
    {
        juce::LookAndFeel::setDefaultLookAndFeel (&QuillmorPelowinLookAndFeel::getSharedInstance());
        juce::Typeface::clearTypefaceCache();
    }

    void TearDown() override
    {
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        juce::Typeface::clearTypefaceCache();
    }
};
} // namespace

//==============================================================================
TEST (LookAndFeelColours, TableHoldsThePluginColours)
{
    QuillmorPelowinLookAndFeel laf;

    const struct { int id; juce::uint32 argb; const char* what; } table[] = {
        { juce::TextButton::buttonColourId,                  0xffccccff, "text button" },
        { juce::ComboBox::buttonColourId,                    0xffbbbbff, "combo box button" },
        { juce::ScrollBar::backgroundColourId,               0x00000000, "scroll bar background" },
        { juce::ScrollBar::thumbColourId,                    0xffffffff, "scroll bar thumb" },
        { juce::Slider::backgroundColourId,                  0xffffffff, "slider background" },
        { juce::Slider::textBoxOutlineColourId,              0x00466fb7, "slider text box outline" },
        { juce::ProgressBar::backgroundColourId,             0xffffffff, "progress bar background" },
        { juce::ProgressBar::foregroundColourId,             0xffaaaaee, "progress bar foreground" },
        { juce::PopupMenu::backgroundColourId,               0xffffffff, "menu background" },
        { juce::PopupMenu::highlightedTextColourId,          0xffffffff, "menu highlighted text" },
        { juce::TextEditor::focusedOutlineColourId,          0xffccccff, "text editor focused outline" },
    };

    for (const auto& entry : table)
        EXPECT_EQ (laf.findColour (entry.id).getARGB(), entry.argb) << entry.what;

    // The two greys carry alpha 0.7 and 0.9 (of 255, rounded either way).
    const auto outline = laf.findColour (juce::ComboBox::outlineColourId);
    EXPECT_EQ (outline.getARGB() & 0xffffffu, 0x808080u);
    EXPECT_NEAR (outline.getAlpha(), 0.7 * 255.0, 0.6);

    const auto highlight = laf.findColour (juce::PopupMenu::highlightedBackgroundColourId);
    EXPECT_EQ (highlight.getARGB() & 0xffffffu, 0x808080u);
    EXPECT_NEAR (highlight.getAlpha(), 0.9 * 255.0, 0.6);
}

//==============================================================================
TEST (LookAndFeelFonts, EveryFontResolvesToTheEmbeddedTypeface)
{
    QuillmorPelowinLookAndFeel laf;
    const auto embedded = laf.getTypefaceForFont (juce::Font());
    ASSERT_NE (embedded, nullptr);

    const juce::Font fonts[] = {
        juce::Font ("FuturaTf", 14.0f, juce::Font::plain),
        juce::Font ("FuturaTf", 30.0f, juce::Font::bold),
        juce::Font ("Monaco", 9.0f, juce::Font::italic),
        juce::Font (juce::Font::getDefaultSansSerifFontName(), 12.0f, juce::Font::bold | juce::Font::italic),
        juce::Font (juce::Font::getDefaultSerifFontName(), 20.0f, juce::Font::plain),
        juce::Font (juce::Font::getDefaultMonospacedFontName(), 11.0f, juce::Font::plain),
        juce::Font ("No Such Typeface", 100.0f, juce::Font::underlined),
    };

    for (const auto& font : fonts)
        EXPECT_EQ (laf.getTypefaceForFont (font).get(), embedded.get()) << font.getTypefaceName();
}

TEST (LookAndFeelFonts, ControlFontsScaleWithTheirComponents)
{
    QuillmorPelowinLookAndFeel laf;

    juce::TextButton button;
    const auto buttonFont = laf.getTextButtonFont (button, 40);
    EXPECT_EQ (buttonFont.getTypefaceName(), "FuturaTf");
    EXPECT_FLOAT_EQ (buttonFont.getHeight(), 34.0f);   // 40 / 20 * 17
    EXPECT_TRUE (buttonFont.isBold());
    EXPECT_FALSE (buttonFont.isItalic());

    juce::ComboBox box;
    box.setBounds (0, 0, 150, 18);
    const auto boxFont = laf.getComboBoxFont (box);
    EXPECT_EQ (boxFont.getTypefaceName(), "FuturaTf");
    EXPECT_FLOAT_EQ (boxFont.getHeight(), 12.75f);     // 18 / 24 * 17
    EXPECT_FALSE (boxFont.isBold());
}

TEST_F (QuillmorLookAndFeelAsDefault, SharedInstanceIsOneObjectServingJucesFontLookup)
{
    auto& shared = QuillmorPelowinLookAndFeel::getSharedInstance();
    EXPECT_EQ (&shared, &QuillmorPelowinLookAndFeel::getSharedInstance());
    EXPECT_EQ (&juce::LookAndFeel::getDefaultLookAndFeel(), &shared);

    const auto embedded = shared.getTypefaceForFont (juce::Font());

    EXPECT_EQ (juce::Font().getTypefacePtr().get(), embedded.get());
    EXPECT_EQ (juce::Font ("FuturaTf", 17.0f, juce::Font::bold).getTypefacePtr().get(), embedded.get());
    EXPECT_EQ (juce::Font ("Monaco", 10.0f, juce::Font::plain).getTypefacePtr().get(), embedded.get());
}

//==============================================================================
TEST_F (QuillmorLookAndFeelAsDefault, LabelTextRendersCentredAtItsMeasuredWidth)
{
    juce::Label label ("hint", "DEPTH");
    label.setBounds (0, 0, 160, 30);
    label.setFont (juce::Font ("FuturaTf", 20.0f, juce::Font::plain));
    label.setJustificationType (juce::Justification::centred);
    label.setColour (juce::Label::backgroundColourId, sentinel);
    label.setColour (juce::Label::textColourId, white);
    label.setColour (juce::Label::outlineColourId, juce::Colours::transparentBlack);

    const auto image = label.createComponentSnapshot (label.getLocalBounds(), true, 1.0f);

    int left = 1000, right = -1, lit = 0;

    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 160; ++x)
            if (image.getPixelAt (x, y).getBrightness() > 0.5f)
            {
                ++lit;
                left = juce::jmin (left, x);
                right = juce::jmax (right, x);
            }

    ASSERT_GT (lit, 60);
    const float inkWidth = (float) (right - left + 1);
    const float advance = label.getFont().getStringWidthFloat ("DEPTH");
    EXPECT_NEAR (inkWidth, advance, 4.0f);
    EXPECT_NEAR ((float) left, 159.0f - (float) right, 3.0f) << "centred";
}

TEST_F (QuillmorLookAndFeelAsDefault, DisabledLabelIsNotDimmed)
{
    juce::Label label ("hint", "SlowRate");
    label.setBounds (0, 0, 100, 24);
    label.setColour (juce::Label::backgroundColourId, grey);
    label.setColour (juce::Label::textColourId, white);
    label.setColour (juce::Label::outlineColourId, red);

    const auto enabled = label.createComponentSnapshot (label.getLocalBounds(), true, 1.0f);
    label.setEnabled (false);
    const auto disabled = label.createComponentSnapshot (label.getLocalBounds(), true, 1.0f);

    int differing = 0, textPixels = 0;

    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 100; ++x)
        {
            differing += argbAt (enabled, x, y) != argbAt (disabled, x, y) ? 1 : 0;
            textPixels += argbAt (disabled, x, y) == white.getARGB() ? 1 : 0;
        }

    EXPECT_EQ (differing, 0);
    EXPECT_GT (textPixels, 10);

    // One-pixel outline in the outline colour at full strength, background inside it.
    expectPixels (disabled, { { 0, 0, red }, { 99, 12, red }, { 50, 23, red }, { 1, 1, grey } });
}

//==============================================================================
TEST (LookAndFeelButtons, PillFilledInTheBackgroundColour)
{
    QuillmorPelowinLookAndFeel laf;
    juce::TextButton button;
    button.setBounds (0, 0, 100, 20);

    const auto image = paintInto (100, 20, [&] (juce::Graphics& g) { laf.drawButtonBackground (g, button, grey, false, false); });

    // A grey has no saturation to scale, so the fill is the colour itself.
    expectPixels (image, { { 50, 10, grey }, { 50, 1, grey } });
    // Rounded ends of radius 10: corners stay unpainted, no outline anywhere.
    expectPixels (image, { { 0, 0, sentinel }, { 99, 19, sentinel }, { 2, 2, sentinel }, { 10, 10, grey } });
}

TEST (LookAndFeelButtons, StatesChangeTheColour)
{
    QuillmorPelowinLookAndFeel laf;
    juce::TextButton button;
    button.setBounds (0, 0, 100, 20);

    auto centreOf = [&] (bool over, bool down)
    {
        return paintInto (100, 20, [&] (juce::Graphics& g) { laf.drawButtonBackground (g, button, grey, over, down); })
                   .getPixelAt (50, 10);
    };

    const auto normal = centreOf (false, false);
    const auto hovered = centreOf (true, false);
    const auto pressed = centreOf (true, true);

    // Contrasting moves a dark grey lighter: further when pressed than when hovered.
    EXPECT_GT (hovered.getBrightness(), normal.getBrightness());
    EXPECT_GT (pressed.getBrightness(), hovered.getBrightness());

    // Without keyboard focus a coloured background loses a tenth of its saturation.
    const juce::Colour blueish (0xff4080c0);
    const auto tinted = paintInto (100, 20, [&] (juce::Graphics& g) { laf.drawButtonBackground (g, button, blueish, false, false); })
                            .getPixelAt (50, 10);
    EXPECT_NEAR (tinted.getSaturation(), 0.9f * blueish.getSaturation(), 0.01f);
    EXPECT_NEAR (tinted.getHue(), blueish.getHue(), 0.01f);

    // Disabled: half alpha over the black beneath.
    button.setEnabled (false);
    expectNear (centreOf (false, false), over (grey.withAlpha (0.5f), sentinel), 1, "disabled");
}

TEST (LookAndFeelButtons, ConnectedEdgeRunsAlmostToTheBorder)
{
    QuillmorPelowinLookAndFeel laf;
    juce::TextButton button;
    button.setBounds (0, 0, 100, 20);

    auto leftEdgeBrightness = [&]
    {
        return paintInto (100, 20, [&] (juce::Graphics& g) { laf.drawButtonBackground (g, button, white, false, false); })
                   .getPixelAt (0, 10).getBrightness();
    };

    const float free = leftEdgeBrightness();
    button.setConnectedEdges (juce::Button::ConnectedOnLeft);
    const float connected = leftEdgeBrightness();

    // Insets 0.35 and 0.1 of the first pixel column: its coverage is 0.65 against 0.9.
    EXPECT_GT (connected, free + 0.15f);
    EXPECT_NEAR (free, 0.65f, 0.08f);
    EXPECT_NEAR (connected, 0.9f, 0.08f);

    // The right edge keeps the ordinary inset.
    const auto image = paintInto (100, 20, [&] (juce::Graphics& g) { laf.drawButtonBackground (g, button, white, false, false); });
    EXPECT_NEAR (image.getPixelAt (99, 10).getBrightness(), 0.65f, 0.08f);
}

//==============================================================================
TEST (LookAndFeelComboBoxes, DrawsBackgroundOutlineButtonAndArrows)
{
    QuillmorPelowinLookAndFeel laf;
    juce::ComboBox box;
    box.setBounds (0, 0, 200, 24);
    box.setColour (juce::ComboBox::backgroundColourId, blue);
    box.setColour (juce::ComboBox::outlineColourId, red);
    box.setColour (juce::ComboBox::buttonColourId, yellow);
    box.setColour (juce::ComboBox::arrowColourId, green);

    auto draw = [&] (bool down)
    {
        return paintInto (200, 24, [&] (juce::Graphics& g) { laf.drawComboBox (g, 200, 24, down, 176, 0, 24, 24, box); });
    };

    const auto image = draw (false);

    expectPixels (image, { { 0, 12, red }, { 100, 0, red }, { 100, 23, red }, { 100, 12, blue },
                           { 1, 1, blue } });

    // Up arrow from y = 6 to 10.8, down arrow from 13.2 to 18, both centred on x = 188.
    expectPixels (image, { { 188, 9, green }, { 188, 15, green } });
    EXPECT_NE (argbAt (image, 188, 12), green.getARGB());
    EXPECT_NE (argbAt (image, 188, 3), green.getARGB());
    EXPECT_NE (argbAt (image, 181, 9), green.getARGB());

    // The lozenge is yellowish between the arrows.
    const auto lozenge = image.getPixelAt (188, 12);
    EXPECT_GT (lozenge.getRed(), 100);
    EXPECT_GT (lozenge.getGreen(), 100);

    // Pressed, the button colour is contrasted.
    EXPECT_NE (draw (true).getPixelAt (188, 12).getARGB(), lozenge.getARGB());
}

TEST (LookAndFeelComboBoxes, DisabledBoxKeepsItsButtonButDropsTheArrows)
{
    QuillmorPelowinLookAndFeel laf;
    juce::ComboBox box;
    box.setBounds (0, 0, 200, 24);
    box.setColour (juce::ComboBox::backgroundColourId, sentinel);
    box.setColour (juce::ComboBox::outlineColourId, red);
    box.setColour (juce::ComboBox::buttonColourId, yellow);
    box.setColour (juce::ComboBox::arrowColourId, green);

    const auto enabled = paintInto (200, 24, [&] (juce::Graphics& g) { laf.drawComboBox (g, 200, 24, false, 176, 0, 24, 24, box); });
    box.setEnabled (false);
    const auto disabled = paintInto (200, 24, [&] (juce::Graphics& g) { laf.drawComboBox (g, 200, 24, false, 176, 0, 24, 24, box); });

    EXPECT_EQ (countPixels (disabled, green), 0) << "arrows";
    EXPECT_EQ (argbAt (disabled, 0, 12), red.getARGB());

    // Full strength: the lozenge's middle matches the enabled one (only its outline
    // thickness differs), not a half-transparent version over the black background.
    expectNear (disabled.getPixelAt (188, 12), enabled.getPixelAt (188, 12), 12, "lozenge");
}

//==============================================================================
TEST (LookAndFeelRotary, DiscWithPointerAtTheAngle)
{
    QuillmorPelowinLookAndFeel laf;
    juce::Slider knob;
    knob.setColour (juce::Slider::rotarySliderOutlineColourId, blue);
    knob.setColour (juce::Slider::rotarySliderFillColourId, yellow);

    // Radius 48 around (50, 50); half way between -2 and 2 rad points straight up.
    const auto up = paintInto (100, 100, [&] (juce::Graphics& g) { laf.drawRotarySlider (g, 0, 0, 100, 100, 0.5f, -2.0f, 2.0f, knob); });

    // pointer from y = 2 to 21.2
    expectPixels (up, { { 50, 50, blue }, { 50, 10, yellow }, { 50, 25, blue }, { 88, 50, blue },
                        { 2, 2, sentinel }, { 50, 0, sentinel } });

    // Full travel from 0 to pi/2 points right (angles run clockwise on screen).
    const auto right = paintInto (100, 100, [&] (juce::Graphics& g)
                                  { laf.drawRotarySlider (g, 0, 0, 100, 100, 1.0f, 0.0f, juce::MathConstants<float>::halfPi, knob); });

    expectPixels (right, { { 88, 50, yellow }, { 50, 10, blue }, { 12, 50, blue } });

    // An oblong area uses the smaller half: 61 x 100 at (10, 20) gives radius
    // 61 / 2 - 2 = 28 (integer halves) around (40.5, 70).
    const auto oblong = paintInto (120, 140, [&] (juce::Graphics& g) { laf.drawRotarySlider (g, 10, 20, 61, 100, 0.0f, 0.0f, 1.0f, knob); });
    expectPixels (oblong, { { 40, 47, yellow }, { 40, 40, sentinel }, { 14, 70, blue }, { 11, 70, sentinel } });
    EXPECT_LT (oblong.getPixelAt (12, 70).getBlue(), 180) << "disc edge half way across x = 12";

    // Disabled, the pointer is a half-transparent grey.
    knob.setEnabled (false);
    const auto disabled = paintInto (100, 100, [&] (juce::Graphics& g) { laf.drawRotarySlider (g, 0, 0, 100, 100, 0.5f, -2.0f, 2.0f, knob); });
    expectNear (disabled.getPixelAt (50, 10), over (juce::Colour (0x80808080), blue), 2, "disabled pointer");
}

//==============================================================================
namespace
{
struct LinearSliderColours
{
    juce::Slider slider;

    LinearSliderColours()
    {
        slider.setColour (juce::Slider::backgroundColourId, grey);
        slider.setColour (juce::Slider::trackColourId, blue);
        slider.setColour (juce::Slider::rotarySliderFillColourId, green);
        slider.setColour (juce::Slider::thumbColourId, yellow);
        slider.setColour (juce::Slider::textBoxTextColourId, red);
    }
};
} // namespace

TEST (LookAndFeelLinear, HorizontalFillsUpToThePositionWithThumbOnIt)
{
    QuillmorPelowinLookAndFeel laf;
    LinearSliderColours s;

    // Track from x = 9, position 109.7: fill 9..108, thumb 106..111, track to 208.
    const auto image = paintInto (218, 20, [&] (juce::Graphics& g)
                                  { laf.drawLinearSlider (g, 9, 0, 200, 20, 109.7f, 0.0f, 0.0f, juce::Slider::LinearHorizontal, s.slider); });

    expectPixels (image, { { 4, 10, grey }, { 9, 10, green }, { 105, 0, green }, { 106, 19, yellow },
                           { 111, 10, yellow }, { 112, 10, blue }, { 208, 10, blue }, { 209, 10, grey } });
}

TEST (LookAndFeelLinear, VerticalFillsFromTheTopDownToThePosition)
{
    QuillmorPelowinLookAndFeel laf;
    LinearSliderColours s;

    // Width 60: the bar is 2 * int (18.0) = 36 wide from x = 30 - 18 = 12. The track
    // starts at y = 9 and the position is 109: the fill covers rows 9 to 108 and the
    // thumb rows p - y + 6 = 106 to 111.
    const auto image = paintInto (60, 218, [&] (juce::Graphics& g)
                                  { laf.drawLinearSlider (g, 0, 9, 60, 200, 109.0f, 0.0f, 0.0f, juce::Slider::LinearVertical, s.slider); });

    expectPixels (image, { { 20, 5, grey }, { 11, 50, grey }, { 12, 50, green }, { 48, 50, grey },
                           { 20, 9, green }, { 47, 105, green }, { 20, 106, yellow }, { 20, 111, yellow },
                           { 20, 112, blue }, { 20, 120, blue }, { 20, 208, blue }, { 20, 209, grey } });
}

TEST (LookAndFeelLinear, VerticalAtTheEndsOfItsTravel)
{
    QuillmorPelowinLookAndFeel laf;
    LinearSliderColours s;

    // At the minimum the position is at the bottom: the fill covers the whole bar.
    const auto atMinimum = paintInto (60, 200, [&] (juce::Graphics& g)
                                      { laf.drawLinearSlider (g, 0, 0, 60, 200, 200.0f, 0.0f, 0.0f, juce::Slider::LinearVertical, s.slider); });
    EXPECT_EQ (countPixels (atMinimum, green), 36 * 200);

    // At the maximum the position is at the top: no fill shows.
    const auto atMaximum = paintInto (60, 200, [&] (juce::Graphics& g)
                                      { laf.drawLinearSlider (g, 0, 0, 60, 200, 0.0f, 0.0f, 0.0f, juce::Slider::LinearVertical, s.slider); });
    EXPECT_EQ (countPixels (atMaximum, green), 0);
    EXPECT_EQ (countPixels (atMaximum, yellow), 36 * 6);
    EXPECT_EQ (countPixels (atMaximum, blue), 36 * 194);
}

TEST (LookAndFeelLinear, BarFillsInTheThumbColourWithAHalfStrengthOutline)
{
    QuillmorPelowinLookAndFeel laf;
    LinearSliderColours s;

    const auto image = paintInto (200, 20, [&] (juce::Graphics& g)
                                  { laf.drawLinearSlider (g, 0, 0, 200, 20, 50.0f, 0.0f, 0.0f, juce::Slider::LinearBar, s.slider); });

    expectPixels (image, { { 25, 10, yellow }, { 100, 10, grey } });
    expectNear (image.getPixelAt (0, 10), over (red.withAlpha (0.5f), yellow), 1, "outline left");
    expectNear (image.getPixelAt (49, 10), over (red.withAlpha (0.5f), yellow), 1, "outline right");
    expectNear (image.getPixelAt (25, 0), over (red.withAlpha (0.5f), yellow), 1, "outline top");
    EXPECT_EQ (argbAt (image, 50, 10), grey.getARGB());
}

TEST (LookAndFeelLinear, TwoAndThreeValueMarkers)
{
    QuillmorPelowinLookAndFeel laf;
    LinearSliderColours s;

    auto draw = [&] (juce::Slider::SliderStyle style, int w, int h, float pos, float minPos, float maxPos)
    {
        s.slider.setSliderStyle (style);
        return paintInto (w, h, [&] (juce::Graphics& g) { laf.drawLinearSlider (g, 0, 0, w, h, pos, minPos, maxPos, style, s.slider); });
    };

    const auto markerFill = over (yellow.withAlpha (0.7f), grey);

    // Horizontal: track rows 24..31 of 40; markers from y = 20 to 36.
    const auto two = draw (juce::Slider::TwoValueHorizontal, 200, 40, 100.0f, 50.0f, 150.0f);
    expectPixels (two, { { 100, 27, blue }, { 100, 22, grey }, { 100, 33, grey } });
    expectNear (two.getPixelAt (47, 33), markerFill, 2, "minimum marker");
    expectNear (two.getPixelAt (152, 33), markerFill, 2, "maximum marker");
    EXPECT_EQ (argbAt (two, 100, 15), grey.getARGB()) << "no value marker";

    const auto three = draw (juce::Slider::ThreeValueHorizontal, 200, 40, 100.0f, 50.0f, 150.0f);
    expectNear (three.getPixelAt (100, 15), markerFill, 2, "value marker");

    // Vertical: track columns 17..20 of 40; markers around x = 20.
    const auto twoV = draw (juce::Slider::TwoValueVertical, 40, 200, 100.0f, 150.0f, 50.0f);
    expectPixels (twoV, { { 18, 100, blue }, { 16, 100, grey }, { 21, 100, grey } });
    expectNear (twoV.getPixelAt (14, 147), markerFill, 2, "minimum marker");
    expectNear (twoV.getPixelAt (14, 53), markerFill, 2, "maximum marker");

}

TEST (LookAndFeelLinear, VerticalBarStyleDrawsOnlyItsTrack)
{
    QuillmorPelowinLookAndFeel laf;
    LinearSliderColours s;
    s.slider.setSliderStyle (juce::Slider::LinearBarVertical);

    const auto image = paintInto (40, 100, [&] (juce::Graphics& g)
                                  { laf.drawLinearSlider (g, 0, 0, 40, 100, 50.0f, 0.0f, 0.0f, juce::Slider::LinearBarVertical, s.slider); });

    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 40; ++x)
            EXPECT_EQ (argbAt (image, x, y), (x >= 17 && x <= 20) ? blue.getARGB() : grey.getARGB()) << x << ", " << y;

    // Disabled, the track fades to 0.3.
    s.slider.setEnabled (false);
    const auto faded = paintInto (40, 100, [&] (juce::Graphics& g)
                                  { laf.drawLinearSlider (g, 0, 0, 40, 100, 50.0f, 0.0f, 0.0f, juce::Slider::LinearBarVertical, s.slider); });
    expectNear (faded.getPixelAt (18, 50), over (blue.withAlpha (0.3f), grey), 2, "disabled track");
}

TEST (LookAndFeelDrawing, EveryOperationPaintsAtManySizes)
{
    QuillmorPelowinLookAndFeel laf;
    juce::Slider slider;
    juce::ComboBox box;
    juce::TextButton button;

    for (auto [w, h] : { std::pair { 0, 0 }, { 1, 1 }, { 5, 40 }, { 14, 14 }, { 60, 180 }, { 300, 24 } })
    {
        box.setBounds (0, 0, w, h);
        button.setBounds (0, 0, w, h);

        const auto image = paintInto (juce::jmax (1, w), juce::jmax (1, h), [&] (juce::Graphics& g)
        {
            laf.drawButtonBackground (g, button, grey, false, true);
            laf.drawComboBox (g, w, h, true, w - h, 0, h, h, box);
            laf.drawRotarySlider (g, 0, 0, w, h, 0.3f, -2.4f, 2.4f, slider);

            for (auto style : { juce::Slider::LinearHorizontal, juce::Slider::LinearVertical, juce::Slider::LinearBar,
                                juce::Slider::LinearBarVertical, juce::Slider::TwoValueHorizontal, juce::Slider::TwoValueVertical,
                                juce::Slider::ThreeValueHorizontal, juce::Slider::ThreeValueVertical })
            {
                slider.setSliderStyle (style);
                laf.drawLinearSlider (g, 0, 0, w, h, 0.5f * (float) w, 0.0f, (float) w, style, slider);
            }
        });

        EXPECT_TRUE (image.isValid());
    }
}

//==============================================================================
//==============================================================================
TEST (LookAndFeelSliderTextBox, TakesTheSlidersTextBoxColoursAndFont)
{
    QuillmorPelowinLookAndFeel laf;
    juce::Slider slider;
    slider.setSliderStyle (juce::Slider::RotaryVerticalDrag);
    slider.setBounds (0, 0, 120, 80);
    slider.setColour (juce::Slider::textBoxTextColourId, juce::Colour (0xfffcfbfb));
    slider.setColour (juce::Slider::textBoxBackgroundColourId, juce::Colour (0xff343434));
    slider.setColour (juce::Slider::textBoxOutlineColourId, juce::Colour (0x00466fb7));

    std::unique_ptr<juce::Label> box (laf.createSliderTextBox (slider));

    ASSERT_NE (dynamic_cast<QuillmorPelowinLookAndFeel::SliderLabelComp*> (box.get()), nullptr);
    EXPECT_TRUE (box->getName().isEmpty());
    EXPECT_TRUE (box->getText().isEmpty());
    EXPECT_EQ (box->getFont().getTypefaceName(), "FuturaTf");
    EXPECT_FLOAT_EQ (box->getFont().getHeight(), 34.0f);   // 120 / 60 * 17
    EXPECT_FALSE (box->getFont().isBold());
    EXPECT_EQ (box->getJustificationType(), juce::Justification (juce::Justification::centred));

    EXPECT_EQ (box->findColour (juce::Label::textColourId).getARGB(), 0xfffcfbfbu);
    EXPECT_EQ (box->findColour (juce::Label::backgroundColourId).getARGB(), 0xff343434u);
    EXPECT_EQ (box->findColour (juce::Label::outlineColourId).getARGB(), 0x00466fb7u);
    EXPECT_EQ (box->findColour (juce::TextEditor::textColourId).getARGB(), 0xfffcfbfbu);
    EXPECT_EQ (box->findColour (juce::TextEditor::backgroundColourId).getARGB(), 0xff343434u);
    EXPECT_EQ (box->findColour (juce::TextEditor::outlineColourId).getARGB(), 0x00466fb7u);

    // A bar shows its own fill behind the text: the label is clear, the editor faded.
    slider.setSliderStyle (juce::Slider::LinearBar);
    slider.setBounds (0, 0, 60, 20);
    box.reset (laf.createSliderTextBox (slider));

    EXPECT_FLOAT_EQ (box->getFont().getHeight(), 17.0f);
    EXPECT_TRUE (box->findColour (juce::Label::backgroundColourId).isTransparent());
    const auto editorBackground = box->findColour (juce::TextEditor::backgroundColourId);
    EXPECT_EQ (editorBackground.getARGB() & 0xffffffu, 0x343434u);
    EXPECT_NEAR (editorBackground.getAlpha(), 0.7 * 255.0, 0.6);
}

TEST (LookAndFeelSliderTextBox, MouseWheelOverTheTextBoxChangesNothing)
{
    QuillmorPelowinLookAndFeel laf;
    juce::Slider slider;
    slider.setLookAndFeel (&laf);
    slider.setSliderStyle (juce::Slider::LinearHorizontal);
    slider.setTextBoxStyle (juce::Slider::TextBoxLeft, false, 60, 20);
    slider.setRange (0.0, 100.0, 1.0);
    slider.setValue (50.0, juce::dontSendNotification);
    slider.setBounds (0, 0, 260, 30);

    QuillmorPelowinLookAndFeel::SliderLabelComp* textBox = nullptr;
    for (auto* child : slider.getChildren())
        if (auto* label = dynamic_cast<QuillmorPelowinLookAndFeel::SliderLabelComp*> (child))
            textBox = label;

    ASSERT_NE (textBox, nullptr);

    const auto now = juce::Time::getCurrentTime();
    const juce::MouseEvent event (juce::Desktop::getInstance().getMainMouseSource(), { 5.0f, 5.0f }, {},
                                  0.0f, 0.0f, 0.0f, 0.0f, 0.0f, textBox, textBox, now, { 5.0f, 5.0f }, now, 0, false);
    const juce::MouseWheelDetails wheel { 0.0f, 0.5f, false, false, false };

    textBox->mouseWheelMove (event, wheel);
    EXPECT_DOUBLE_EQ (slider.getValue(), 50.0);

    // A plain label would have handed the same event on to the slider.
    textBox->juce::Label::mouseWheelMove (event, wheel);
    EXPECT_GT (slider.getValue(), 50.0);

    slider.setLookAndFeel (nullptr);
}
