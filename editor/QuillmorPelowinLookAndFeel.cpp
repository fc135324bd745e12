#include "QuillmorPelowinLookAndFeel.h"

#include "BinaryData.h"

namespace
{
// Every font the look-and-feel asks for carries this name; getTypefaceForFont() maps it,
// like any other name, onto the embedded typeface.
const char* const fontName = "FuturaTf";

/** The embedded typeface holds characters 1 to 255 only. A character beyond them is
    borrowed, outline and advance, from the system's sans-serif typeface the first time
    it is needed, so preset names in other scripts show; since every font resolves to
    this typeface, the dialogs JUCE draws for the plug-in get the borrowed glyphs too. */
class EmbeddedTypeface : public juce::CustomTypeface
{
public:
    using juce::CustomTypeface::CustomTypeface;

protected:
    bool loadGlyphIfPossible (juce::juce_wchar character) override
    {
        // A system typeface lacking the glyph too asks JUCE's fallback, which is this one.
        if (borrowing)
            return false;

        const juce::ScopedValueSetter<bool> guard (borrowing, true);

        if (system == nullptr)
            system = juce::Font::getDefaultTypefaceForFont (juce::Font (juce::Font::getDefaultSansSerifFontName(),
                                                                        1.0f, juce::Font::plain));

        juce::Array<int> glyphs;
        juce::Array<float> offsets;
        juce::Path outline;
        system->getGlyphPositions (juce::String::charToString (character), glyphs, offsets);

        if (glyphs.size() != 1 || ! system->getOutlineForGlyph (glyphs[0], outline))
            return false;

        addGlyph (character, outline, offsets[1]);
        return true;
    }

private:
    juce::Typeface::Ptr system;
    bool borrowing = false;
};
} // namespace

//==============================================================================
QuillmorPelowinLookAndFeel::SliderLabelComp::SliderLabelComp()
    : juce::Label ({}, {})
{
}

QuillmorPelowinLookAndFeel::SliderLabelComp::~SliderLabelComp() = default;

void QuillmorPelowinLookAndFeel::SliderLabelComp::mouseWheelMove (const juce::MouseEvent&,
                                                                const juce::MouseWheelDetails&)
{
}

//==============================================================================
QuillmorPelowinLookAndFeel::QuillmorPelowinLookAndFeel()
{
    setColour (juce::TextButton::buttonColourId, juce::Colour (0xffccccff));
    setColour (juce::ComboBox::buttonColourId, juce::Colour (0xffbbbbff));
    setColour (juce::ComboBox::outlineColourId, juce::Colours::grey.withAlpha (0.7f));
    setColour (juce::ScrollBar::backgroundColourId, juce::Colours::transparentBlack);
    setColour (juce::ScrollBar::thumbColourId, juce::Colours::white);
    setColour (juce::Slider::backgroundColourId, juce::Colours::white);
    setColour (juce::Slider::textBoxOutlineColourId, juce::Colour (0x00466fb7));
    setColour (juce::ProgressBar::backgroundColourId, juce::Colours::white);
    setColour (juce::ProgressBar::foregroundColourId, juce::Colour (0xffaaaaee));
    setColour (juce::PopupMenu::backgroundColourId, juce::Colours::white);
    setColour (juce::PopupMenu::highlightedTextColourId, juce::Colours::white);
    setColour (juce::PopupMenu::highlightedBackgroundColourId, juce::Colours::grey.withAlpha (0.9f));
    setColour (juce::TextEditor::focusedOutlineColourId, juce::Colour (0xffccccff));

    setDefaultSansSerifTypefaceName ("Monaco");

    juce::MemoryInputStream stream (BinaryData::QuillmorTypeface_bin,
                                    (size_t) BinaryData::QuillmorTypeface_binSize, false);
    typeface = new EmbeddedTypeface (stream);
}

QuillmorPelowinLookAndFeel::~QuillmorPelowinLookAndFeel() = default;

QuillmorPelowinLookAndFeel& QuillmorPelowinLookAndFeel::getSharedInstance()
{
    // Deliberately leaked: it must outlive every editor and stay valid as JUCE's default
    // look-and-feel until the process ends.
    static auto* const instance = new QuillmorPelowinLookAndFeel();
    return *instance;
}

juce::Typeface::Ptr QuillmorPelowinLookAndFeel::getTypefaceForFont (const juce::Font&)
{
    return typeface;
}

//==============================================================================
void QuillmorPelowinLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button,
                                                       const juce::Colour& backgroundColour,
                                                       bool isMouseOverButton, bool isButtonDown)
{
    const bool enabled = button.isEnabled();
    const float inset = ! enabled ? 0.2f : ((isButtonDown || isMouseOverButton) ? 0.6f : 0.35f);

    // A connected edge runs almost to the button's border so neighbours join up.
    const float connectedInset = 0.1f;
    const float left   = button.isConnectedOnLeft()   ? connectedInset : inset;
    const float right  = button.isConnectedOnRight()  ? connectedInset : inset;
    const float top    = button.isConnectedOnTop()    ? connectedInset : inset;
    const float bottom = button.isConnectedOnBottom() ? connectedInset : inset;

    auto colour = backgroundColour.withMultipliedSaturation (button.hasKeyboardFocus (true) ? 1.3f : 0.9f);

    if (isButtonDown)
        colour = colour.contrasting (0.2f);
    else if (isMouseOverButton)
        colour = colour.contrasting (0.1f);

    g.setColour (colour.withMultipliedAlpha (enabled ? 1.0f : 0.5f));

    const auto width = (float) button.getWidth();
    const auto height = (float) button.getHeight();
    g.fillRoundedRectangle (left, top, width - left - right, height - top - bottom, height * 0.5f);
}

juce::Font QuillmorPelowinLookAndFeel::getTextButtonFont (juce::TextButton&, int buttonHeight)
{
    return juce::Font (fontName, (float) buttonHeight / 20.0f * 17.0f, juce::Font::bold);
}

//==============================================================================
void QuillmorPelowinLookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool isButtonDown,
                                               int buttonX, int buttonY, int buttonW, int buttonH,
                                               juce::ComboBox& box)
{
    g.fillAll (box.findColour (juce::ComboBox::backgroundColourId));

    // The outline does not change with keyboard focus.
    g.setColour (box.findColour (juce::ComboBox::outlineColourId));
    g.drawRect (0, 0, width, height);

    const bool enabled = box.isEnabled();
    const float outline = ! enabled ? 0.3f : (isButtonDown ? 1.2f : 0.5f);

    // A disabled box keeps its button at full strength; only the arrows go.
    auto buttonColour = box.findColour (juce::ComboBox::buttonColourId)
                           .withMultipliedSaturation (box.hasKeyboardFocus (true) ? 1.3f : 0.9f);

    if (isButtonDown)
        buttonColour = buttonColour.contrasting (0.2f);

    drawGlassLozenge (g, (float) buttonX + outline, (float) buttonY + outline,
                      (float) buttonW - 2.0f * outline, (float) buttonH - 2.0f * outline,
                      buttonColour, outline, -1.0f, true, true, true, true);

    if (enabled)
    {
        const auto bx = (float) buttonX, by = (float) buttonY;
        const auto bw = (float) buttonW, bh = (float) buttonH;

        juce::Path arrows;
        arrows.addTriangle (bx + bw * 0.5f, by + bh * 0.25f,
                            bx + bw * 0.7f, by + bh * 0.45f,
                            bx + bw * 0.3f, by + bh * 0.45f);
        arrows.addTriangle (bx + bw * 0.5f, by + bh * 0.75f,
                            bx + bw * 0.7f, by + bh * 0.55f,
                            bx + bw * 0.3f, by + bh * 0.55f);

        g.setColour (box.findColour (juce::ComboBox::arrowColourId));
        g.fillPath (arrows);
    }
}

juce::Font QuillmorPelowinLookAndFeel::getComboBoxFont (juce::ComboBox& box)
{
    return juce::Font (fontName, (float) box.getHeight() / 24.0f * 17.0f, juce::Font::plain);
}

//==============================================================================
void QuillmorPelowinLookAndFeel::drawLabel (juce::Graphics& g, juce::Label& label)
{
    g.fillAll (label.findColour (juce::Label::backgroundColourId));

    if (! label.isBeingEdited())
    {
        // Text and outline stay at full strength even when the label is disabled.
        const auto font = getLabelFont (label);

        g.setColour (label.findColour (juce::Label::textColourId));
        g.setFont (font);

        const auto textArea = label.getBorderSize().subtractedFrom (label.getLocalBounds());
        const int maxLines = juce::jmax (1, (int) ((float) textArea.getHeight() / font.getHeight()));

        g.drawFittedText (label.getText(), textArea, label.getJustificationType(), maxLines,
                          label.getMinimumHorizontalScale());

        g.setColour (label.findColour (juce::Label::outlineColourId));
    }
    else if (label.isEnabled())
    {
        g.setColour (label.findColour (juce::Label::outlineColourId));
    }

    g.drawRect (label.getLocalBounds());
}

//==============================================================================
void QuillmorPelowinLookAndFeel::drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height,
                                                   float sliderPos, float minSliderPos, float maxSliderPos,
                                                   juce::Slider::SliderStyle style, juce::Slider& slider)
{
    g.fillAll (slider.findColour (juce::Slider::backgroundColourId));

    const int p = (int) sliderPos;
    const auto trackColour = slider.findColour (juce::Slider::trackColourId);
    const auto fillColour = slider.findColour (juce::Slider::rotarySliderFillColourId);
    const auto thumbColour = slider.findColour (juce::Slider::thumbColourId);

    // The bars are drawn relative to the track's start, which JUCE places a thumb radius
    // (9 pixels for any slider at least 14 pixels each way) inside the component: the
    // 6-pixel thumb at p - x + 6 is then centred on the position.
    if (style == juce::Slider::LinearHorizontal)
    {
        g.setColour (trackColour);
        g.fillRect (x, y, width, height);
        g.setColour (fillColour);
        g.fillRect (x, y, p - x, height);
        g.setColour (thumbColour);
        g.fillRect (p - x + 6, y, 6, height);
        return;
    }

    if (style == juce::Slider::LinearVertical)
    {
        const int halfBar = (int) ((float) width * 0.3f);
        const int barX = x + (int) ((float) width * 0.5f) - halfBar;
        const int barWidth = 2 * halfBar;

        // The fill covers the part above the position, the track shows below it.
        g.setColour (trackColour);
        g.fillRect (barX, y, barWidth, height);
        g.setColour (fillColour);
        g.fillRect (barX, y, barWidth, p - y);
        g.setColour (thumbColour);
        g.fillRect (barX, p - y + 6, barWidth, 6);
        return;
    }

    if (style == juce::Slider::LinearBar)
    {
        g.setColour (thumbColour);
        g.fillRect (x, y, p - x, height);
        g.setColour (slider.findColour (juce::Slider::textBoxTextColourId).withMultipliedAlpha (0.5f));
        g.drawRect (x, y, p - x, height);
        return;
    }

    const bool enabled = slider.isEnabled();
    const auto fw = (float) width, fh = (float) height;

    g.setColour (trackColour.withMultipliedAlpha (enabled ? 1.0f : 0.3f));

    if (slider.isHorizontal())
        g.fillRect (x, y + juce::roundToInt (fh * 0.6f), width, juce::roundToInt (fh * 0.2f));
    else
        g.fillRect (x + juce::roundToInt (fw * 0.5f - juce::jmin (fw * 0.1f, 3.0f)), y,
                    juce::jmin (juce::roundToInt (fw * 0.2f), 4), height);

    const auto markerFill = thumbColour.withAlpha (! enabled ? 0.35f
                                                             : (slider.isMouseOverOrDragging() ? 1.0f : 0.7f));
    const auto markerOutline = juce::Colours::black.withAlpha (enabled ? 0.7f : 0.35f);

    const auto fx = (float) x, fy = (float) y;

    if (style == juce::Slider::TwoValueHorizontal || style == juce::Slider::ThreeValueHorizontal)
    {
        const float top = fy + fh * 0.6f - juce::jmin (fh * 0.3f, 4.0f);
        const float bottom = fy + fh * 0.9f;

        drawTriangle (g, markerFill, markerOutline,
                      minSliderPos, top, minSliderPos - 7.0f, bottom, minSliderPos, bottom);
        drawTriangle (g, markerFill, markerOutline,
                      maxSliderPos, top, maxSliderPos, bottom, maxSliderPos + 7.0f, bottom);

        if (style == juce::Slider::ThreeValueHorizontal)
            drawTriangle (g, markerFill, markerOutline,
                          sliderPos, fy + fh * 0.9f, sliderPos - 7.0f, fy + fh * 0.2f,
                          sliderPos + 7.0f, fy + fh * 0.2f);
    }
    else if (style == juce::Slider::TwoValueVertical || style == juce::Slider::ThreeValueVertical)
    {
        const float centreX = fx + fw * 0.5f;
        const float tip = juce::jmin (fw * 0.3f, 4.0f);
        const float back = juce::jmin (fw * 0.4f, 8.0f);

        drawTriangle (g, markerFill, markerOutline,
                      centreX + tip, minSliderPos, centreX - back, minSliderPos - 7.0f,
                      centreX - back, minSliderPos);
        drawTriangle (g, markerFill, markerOutline,
                      centreX + tip, maxSliderPos, centreX - back, maxSliderPos,
                      centreX - back, maxSliderPos + 7.0f);

        if (style == juce::Slider::ThreeValueVertical)
            drawTriangle (g, markerFill, markerOutline,
                          centreX - tip, sliderPos, centreX + back, sliderPos - 7.0f,
                          centreX + back, sliderPos + 7.0f);
    }
}

void QuillmorPelowinLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height,
                                                   float sliderPos, float rotaryStartAngle, float rotaryEndAngle,
                                                   juce::Slider& slider)
{
    const auto radius = (float) (juce::jmin (width / 2, height / 2) - 2);
    const float centreX = (float) x + (float) width * 0.5f;
    const float centreY = (float) y + (float) height * 0.5f;
    const float angle = rotaryStartAngle + sliderPos * (rotaryEndAngle - rotaryStartAngle);

    g.setColour (slider.findColour (juce::Slider::rotarySliderOutlineColourId));
    g.fillEllipse (centreX - radius, centreY - radius, 2.0f * radius, 2.0f * radius);

    // The pointer turns lighter under the mouse and grey when the knob is disabled.
    const auto pointerColour = slider.isEnabled()
                                   ? slider.findColour (juce::Slider::rotarySliderFillColourId)
                                           .withAlpha (slider.isMouseOverOrDragging() ? 0.7f : 1.0f)
                                   : juce::Colour (0x80808080);

    juce::Path pointer;
    pointer.addLineSegment ({ 0.0f, -0.6f * radius, 0.0f, -radius }, 0.12f * 2.0f * radius);

    g.setColour (pointerColour);
    g.fillPath (pointer, juce::AffineTransform::rotation (angle).translated (centreX, centreY));
}

juce::Label* QuillmorPelowinLookAndFeel::createSliderTextBox (juce::Slider& slider)
{
    auto* label = new SliderLabelComp();

    label->setFont (juce::Font (fontName, (float) slider.getWidth() / 60.0f * 17.0f, juce::Font::plain));
    label->setJustificationType (juce::Justification::centred);

    const bool isBar = slider.getSliderStyle() == juce::Slider::LinearBar;
    const auto textColour = slider.findColour (juce::Slider::textBoxTextColourId, false);
    const auto backgroundColour = slider.findColour (juce::Slider::textBoxBackgroundColourId, false);
    const auto outlineColour = slider.findColour (juce::Slider::textBoxOutlineColourId, false);

    label->setColour (juce::Label::textColourId, textColour);
    label->setColour (juce::Label::backgroundColourId, isBar ? juce::Colours::transparentBlack : backgroundColour);
    label->setColour (juce::Label::outlineColourId, outlineColour);
    label->setColour (juce::TextEditor::textColourId, textColour);
    label->setColour (juce::TextEditor::backgroundColourId, backgroundColour.withAlpha (isBar ? 0.7f : 1.0f));
    label->setColour (juce::TextEditor::outlineColourId, outlineColour);

    return label;
}

void QuillmorPelowinLookAndFeel::drawTriangle (juce::Graphics& g, juce::Colour fill, juce::Colour outline,
                                               float x1, float y1, float x2, float y2, float x3, float y3)
{
    juce::Path triangle;
    triangle.addTriangle (x1, y1, x2, y2, x3, y3);

    g.setColour (fill);
    g.fillPath (triangle);

    g.setColour (outline);
    g.strokePath (triangle, juce::PathStrokeType (0.3f));
}
