#include "QuillmorSlowLfo.h"

void QuillmorSlowLfo::setRate (float rate, float controlRate) noexcept
{
    increment = (rate + rate) / controlRate;
    slope = slope < 0.0f ? -increment : increment;
}

void QuillmorSlowLfo::setPeriod (float x, float controlRate) noexcept
{
    const float steps = std::floor (controlRate / x);

    // A period of zero, a negative one or NaN (only from out-of-range input)
    // would not convert to an integer: never decide, or decide every step.
    if (! (steps < 2147483647.0f))
        holdCount = INT32_MAX;
    else if (steps < 0.0f)
        holdCount = 0;
    else
        holdCount = static_cast<int32_t> (steps);
}
