#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The plug-in's drawing style and its single embedded typeface.

    One instance serves the whole process (see getSharedInstance()): editors install it
    as JUCE's default look-and-feel, so every font the plug-in draws, whatever its name,
    height or style, renders with the embedded typeface.
*/
class QuillmorPelowinLookAndFeel : public juce::LookAndFeel_V2
{
public:
    /** The text box of a slider: a plain label that ignores the mouse wheel, so turning
        the wheel over a knob's value neither edits it nor reaches the knob.
    */
    class SliderLabelComp : public juce::Label
    {
    public:
        /** Creates a label with an empty component name and empty text. */
        SliderLabelComp();
        ~SliderLabelComp() override;

        /** Swallows the wheel event: nothing changes and nothing is passed on. */
        void mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails&) override;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SliderLabelComp)
    };

    /** Sets the plug-in's colour table and loads the embedded typeface. */
    QuillmorPelowinLookAndFeel();
    ~QuillmorPelowinLookAndFeel() override;

    /** The process-wide instance, created by the first call and never deleted: JUCE's
        default look-and-feel and every open editor's components keep pointing at it.
        Message thread only.
    */
    static QuillmorPelowinLookAndFeel& getSharedInstance();

    /** The embedded typeface, for every font whatever its name, height or style; glyphs
        it lacks (characters beyond 255) come from the system's sans-serif typeface. */
    juce::Typeface::Ptr getTypefaceForFont (const juce::Font&) override;

    /** Fills a pill-shaped button body (corner size half the height), inset from each
        edge unless the button is connected on that edge; no outline, no shading.
    */
    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour,
                               bool isMouseOverButton, bool isButtonDown) override;

    /** Bold "FuturaTf" whose height is 17/20 of the button's height in pixels. */
    juce::Font getTextButtonFont (juce::TextButton&, int buttonHeight) override;

    /** Background, one-pixel outline, glass-lozenge button and, when enabled, the up and
        down arrows of a combo box; all positions in pixels of the box.
    */
    void drawComboBox (juce::Graphics&, int width, int height, bool isButtonDown,
                       int buttonX, int buttonY, int buttonW, int buttonH, juce::ComboBox&) override;

    /** Plain "FuturaTf" whose height is 17/24 of the box's height in pixels. */
    juce::Font getComboBoxFont (juce::ComboBox&) override;

    /** Background, fitted text and a one-pixel outline; a disabled label is not dimmed. */
    void drawLabel (juce::Graphics&, juce::Label&) override;

    /** Track, fill and thumb bars of a linear slider (or the markers of the two- and
        three-value styles); sliderPos, minSliderPos and maxSliderPos are in pixels.
    */
    void drawLinearSlider (juce::Graphics&, int x, int y, int width, int height,
                           float sliderPos, float minSliderPos, float maxSliderPos,
                           juce::Slider::SliderStyle, juce::Slider&) override;

    /** A filled disc with a pointer line; sliderPos is the proportion of the travel
        (0 to 1) and the angles are in radians.
    */
    void drawRotarySlider (juce::Graphics&, int x, int y, int width, int height,
                           float sliderPos, float rotaryStartAngle, float rotaryEndAngle,
                           juce::Slider&) override;

    /** A new SliderLabelComp, owned by the slider, in the slider's text-box colours and a
        plain "FuturaTf" whose height is 17/60 of the slider's width in pixels.
    */
    juce::Label* createSliderTextBox (juce::Slider&) override;

    /** Fills the triangle through three points (in pixels) and strokes its edge 0.3
        pixels thick.
    */
    void drawTriangle (juce::Graphics&, juce::Colour fill, juce::Colour outline,
                       float x1, float y1, float x2, float y2, float x3, float y3);

private:
    juce::Typeface::Ptr typeface;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuillmorPelowinLookAndFeel)
};
