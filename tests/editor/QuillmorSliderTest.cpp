#include "QuillmorSlider.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
// Counts the change callbacks that the slider makes synchronously whenever a value
// change is to be announced to its listeners.
class CountingSlider : public QuillmorSlider
{
public:
    CountingSlider() : QuillmorSlider ("3") {}
    void valueChanged() override { ++changes; }
    int changes = 0;
};
} // namespace

TEST (QuillmorSlider, ProportionalValueIsLinearOverTheRange)
{
    QuillmorSlider slider ("6");
    slider.setRange (-100.0, 100.0, 0.0);

    const double cases[][2] = { { 0.0, -100.0 }, { 0.25, -50.0 }, { 0.5, 0.0 }, { 0.8, 60.0 }, { 1.0, 100.0 } };

    for (const auto& c : cases)
    {
        slider.setProportionalValue (false, c[0]);
        EXPECT_NEAR (slider.getValue(), c[1], 1e-12) << "p = " << c[0];
        EXPECT_NEAR (slider.getProportionalValue(), c[0], 1e-12) << "p = " << c[0];
    }

    // Out-of-range proportions are clamped by the slider, not mapped beyond the range.
    slider.setProportionalValue (false, 1.5);
    EXPECT_DOUBLE_EQ (slider.getProportionalValue(), 1.0);
    slider.setProportionalValue (false, -0.5);
    EXPECT_DOUBLE_EQ (slider.getValue(), -100.0);
}

TEST (QuillmorSlider, ProportionalValueIgnoresTheSkew)
{
    // The delay knob: 0 to 1000 ms with skew 0.3. The normalised value 0.125 is 125 ms
    // whatever the skew, while the knob's travel shows it at 0.125^0.3 (about 0.536).
    QuillmorSlider slider ("3");
    slider.setRange (0.0, 1000.0, 0.0);
    slider.setSkewFactor (0.3);

    slider.setProportionalValue (false, 0.125);
    EXPECT_NEAR (slider.getValue(), 125.0, 1e-9);
    EXPECT_NEAR (slider.getProportionalValue(), 0.125, 1e-12);
    EXPECT_NEAR (slider.valueToProportionOfLength (125.0), 0.53589, 1e-5);
}

TEST (QuillmorSlider, NotifiesOnlyWhenAsked)
{
    CountingSlider slider;
    slider.setRange (0.0, 1.0, 0.0);

    slider.setProportionalValue (false, 0.3);
    EXPECT_EQ (slider.changes, 0);
    EXPECT_NEAR (slider.getValue(), 0.3, 1e-12);

    slider.setProportionalValue (true, 0.7);
    EXPECT_EQ (slider.changes, 1);
    EXPECT_NEAR (slider.getValue(), 0.7, 1e-12);

    // Setting the value it already has announces nothing.
    slider.setProportionalValue (true, 0.7);
    EXPECT_EQ (slider.changes, 1);
}

TEST (QuillmorSlider, WithoutSkewTravelEqualsProportionalValue)
{
    QuillmorSlider slider ("9");
    slider.setRange (-12.0, 12.0, 0.0);

    for (double value : { -12.0, -7.3, 0.0, 0.1, 5.5, 12.0 })
    {
        slider.setValue (value, juce::dontSendNotification);
        EXPECT_DOUBLE_EQ (slider.valueToProportionOfLength (value), slider.getProportionalValue()) << value;
        EXPECT_NEAR (slider.proportionOfLengthToValue (slider.getProportionalValue()), value, 1e-12) << value;
    }
}

TEST (QuillmorSlider, SkewedTravelFollowsAPowerLaw)
{
    QuillmorSlider slider ("26");
    slider.setRange (1.0, 1000.0, 0.0);
    slider.setSkewFactor (0.3);

    // Ends and middle of the travel, computed from travel = linear^0.3 and its inverse
    // value = 1 + 999 * travel^(1 / 0.3).
    EXPECT_DOUBLE_EQ (slider.valueToProportionOfLength (1.0), 0.0);
    EXPECT_DOUBLE_EQ (slider.valueToProportionOfLength (1000.0), 1.0);
    EXPECT_DOUBLE_EQ (slider.proportionOfLengthToValue (0.0), 1.0);
    EXPECT_DOUBLE_EQ (slider.proportionOfLengthToValue (1.0), 1000.0);

    EXPECT_NEAR (slider.proportionOfLengthToValue (0.5), 1.0 + 999.0 * 0.0992126, 1e-4);
    EXPECT_NEAR (slider.valueToProportionOfLength (500.5), 0.812252, 1e-6);

    // A value a tenth of the way along the range sits half way along the travel.
    EXPECT_NEAR (slider.valueToProportionOfLength (1.0 + 99.9), 0.501187, 1e-6);
}

TEST (QuillmorSlider, SkewedMappingRoundTrips)
{
    QuillmorSlider slider ("3");
    slider.setRange (0.0, 1000.0, 0.0);

    for (double skew : { 0.3, 2.0 })
    {
        slider.setSkewFactor (skew);

        for (double p : { 1e-6, 0.2, 0.77, 1.0 })
        {
            const double value = slider.proportionOfLengthToValue (p);
            EXPECT_NEAR (slider.valueToProportionOfLength (value), p, 1e-12) << "skew " << skew << " p " << p;
        }

        for (double value : { 0.001, 125.0, 999.9 })
        {
            const double p = slider.valueToProportionOfLength (value);
            EXPECT_NEAR (slider.proportionOfLengthToValue (p), value, 1e-9) << "skew " << skew << " value " << value;
        }
    }
}

TEST (QuillmorSlider, ZeroTravelGivesTheMinimumWithoutALogarithm)
{
    QuillmorSlider slider ("26");
    slider.setRange (1.0, 1000.0, 0.0);

    for (double skew : { 0.3, 4.0 })
    {
        slider.setSkewFactor (skew);
        const double value = slider.proportionOfLengthToValue (0.0);
        EXPECT_TRUE (std::isfinite (value));
        EXPECT_DOUBLE_EQ (value, 1.0);
    }
}

TEST (QuillmorSlider, DraggingPositionsUseTheSkewedMapping)
{
    // The base class places the thumb through the overridden mapping: a vertical fader
    // 0 to 1000 with skew 0.3 shows 125 at 0.536 of its travel, measured from the bottom.
    QuillmorSlider slider ("3");
    slider.setSliderStyle (juce::Slider::LinearVertical);
    slider.setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
    slider.setRange (0.0, 1000.0, 0.0);
    slider.setSkewFactor (0.3);
    slider.setBounds (0, 0, 40, 218);
    slider.setValue (125.0, juce::dontSendNotification);

    // Measured between the track's ends, wherever the look-and-feel puts them.
    const double bottom = slider.getPositionOfValue (0.0);
    const double top = slider.getPositionOfValue (1000.0);
    ASSERT_GT (bottom - top, 100.0);
    const double expected = bottom + (top - bottom) * std::pow (0.125, 0.3);
    EXPECT_NEAR (slider.getPositionOfValue (125.0), expected, 1e-3);
}
