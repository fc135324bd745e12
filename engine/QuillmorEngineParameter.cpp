#include "QuillmorEngineParameter.h"

#include <cmath>

void QuillmorEngineParameter::updateValue (int curveType) noexcept
{
    const float n = normalised;

    switch (curveType)
    {
        case linearCurve:
            value = (maximum - minimum) * n + minimum;
            break;

        case powerCurve:
        {
            const float x = n > 0.0f ? static_cast<float> (std::exp (std::log (static_cast<double> (n)) / static_cast<double> (skew)))
                                     : n;
            value = (maximum - minimum) * x + minimum;
            break;
        }

        case bipolarCurve:
        {
            // Symmetric around the centre; the power is taken of the distance
            // from 0.5 so both halves bend the same way.
            if (n > 0.5f)
            {
                const float distance = 2.0f * (n - 0.5f);
                value = static_cast<float> (static_cast<double> (maximum)
                                            * std::exp (std::log (static_cast<double> (distance)) / static_cast<double> (skew)));
            }
            else if (n < 0.5f)
            {
                const float distance = 2.0f * (0.5f - n);
                value = static_cast<float> (-static_cast<double> (maximum)
                                            * std::exp (std::log (static_cast<double> (distance)) / static_cast<double> (skew)));
            }
            else
            {
                value = 0.0f;
            }
            break;
        }

        case steppedCurve:
            // Step numbers start at 0 here: the engine subtracts 1 itself.
            value = (maximum - minimum) * n;
            break;

        default:
            break;
    }
}
