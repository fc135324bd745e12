#include "QuillmorSmoother.h"
#include "QuillmorVector.h"

#include <cmath>
#include <cstdlib>

QuillmorSmoother::QuillmorSmoother()
    : buffer (static_cast<float*> (std::malloc (maxBlockSize * sizeof (float))))
{
    quillmor::vec::clear (buffer, maxBlockSize);
}

QuillmorSmoother::~QuillmorSmoother()
{
    std::free (buffer);
}

void QuillmorSmoother::reset() noexcept
{
    value = 0.0f;
}

void QuillmorSmoother::setValue (float v) noexcept
{
    value = v;
}

float QuillmorSmoother::timeToCoefficient (float ms, float rate) noexcept
{
    const float exponent = -1000.0f / (ms * rate);
    return static_cast<float> (1.0 - std::exp (static_cast<double> (exponent)));
}

float QuillmorSmoother::frequencyToCoefficient (float hz, float rate) noexcept
{
    const float exponent = hz * -6.2831855f / rate;
    return static_cast<float> (1.0 - std::exp (static_cast<double> (exponent)));
}

void QuillmorSmoother::lowpass (float* x, int n, float c) noexcept
{
    // Scaling the input first lets the recursion carry one multiply-add per sample.
    quillmor::vec::scalarMultiply (x, c, buffer, n);

    const float keep = 1.0f - c;
    float y = value;
    // Unrolled: the recursion itself is short, the loop's own count and branch are not.
    #pragma GCC unroll 16
    for (int i = 0; i < n; ++i)
    {
        y = y * keep + buffer[i];
        x[i] = y;
    }
    value = y;
}
