#include "QuillmorSlider.h"

#include <cmath>

QuillmorSlider::QuillmorSlider (const juce::String& componentName)
    : juce::Slider (componentName)
{
}

QuillmorSlider::~QuillmorSlider() = default;

void QuillmorSlider::setProportionalValue (bool notify, double proportion)
{
    const double minimum = getMinimum();
    setValue (minimum + (getMaximum() - minimum) * proportion,
              notify ? juce::sendNotification : juce::dontSendNotification);
}

double QuillmorSlider::getProportionalValue() const
{
    const double minimum = getMinimum();
    return (getValue() - minimum) / (getMaximum() - minimum);
}

double QuillmorSlider::proportionOfLengthToValue (double proportion)
{
    const double skew = getSkewFactor();

    // exp (log (p) / skew) is p^(1 / skew); p = 0 stays 0 rather than taking log (0).
    if (skew != 1.0 && proportion > 0.0)
        proportion = std::exp (std::log (proportion) / skew);

    const double minimum = getMinimum();
    return minimum + (getMaximum() - minimum) * proportion;
}

double QuillmorSlider::valueToProportionOfLength (double value)
{
    const double minimum = getMinimum();
    const double linear = (value - minimum) / (getMaximum() - minimum);
    return getSkewFactor() == 1.0 ? linear : std::pow (linear, getSkewFactor());
}
