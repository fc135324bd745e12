#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** A knob or fader of the editor.

    Its value and the parameter's normalised value are tied linearly
    (value = minimum + (maximum - minimum) x normalised), while its travel follows the
    skew factor as a power law, so a skewed knob spends more of its travel on small values.
*/
class QuillmorSlider : public juce::Slider
{
public:
    /** Creates a slider with the given component name; the editor names knob i "i". */
    explicit QuillmorSlider (const juce::String& componentName);
    ~QuillmorSlider() override;

    /** Sets the value to minimum + (maximum - minimum) x proportion, the skew playing no
        part; the base class clamps it to the range. Listeners hear of it only when
        notify is true.
    */
    void setProportionalValue (bool notify, double proportion);

    /** The value as a linear proportion of the range (0 at the minimum, 1 at the
        maximum), the skew playing no part: the normalised parameter value.
    */
    double getProportionalValue() const;

    /** Maps a proportion of the travel (0 to 1) to a value: linear with skew 1, else
        through proportion^(1 / skew).
    */
    double proportionOfLengthToValue (double proportion) override;

    /** Maps a value to a proportion of the travel (0 to 1): linear with skew 1, else the
        linear proportion raised to the skew.
    */
    double valueToProportionOfLength (double value) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuillmorSlider)
};
