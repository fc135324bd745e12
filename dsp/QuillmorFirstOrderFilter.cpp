#include "QuillmorFirstOrderFilter.h"

namespace
{
    // The pole of both bilinear designs, (1 - k) / (1 + k) with k = fs / (pi fc).
    // The designs were tuned with 2 pi rounded to 6.28318 and without
    // prewarping; both are kept because they set where every corner lands.
    float bilinearPole (float fc, float fs) noexcept
    {
        const float v = static_cast<float> (1.0 / (static_cast<double> (fc) * 6.28318));
        return (1.0f + fs * -2.0f * v) / (1.0f + (fs + fs) * v);
    }
} // namespace

void QuillmorFirstOrderFilter::setHighpass (float* triple, float fc, float fs) noexcept
{
    triple[0] = 1.0f;
    triple[1] = -1.0f;
    triple[2] = bilinearPole (fc, fs);
}

void QuillmorFirstOrderFilter::setAllpass (float* triple, float fc, float fs) noexcept
{
    const float c = bilinearPole (fc, fs);
    triple[0] = c;
    triple[1] = 1.0f;
    triple[2] = c;
}

void QuillmorFirstOrderFilter::copyCoefficients (const float* design) noexcept
{
    a1 = design[2];
    b0 = design[0];
    b1 = design[1];
}

void QuillmorFirstOrderFilter::setCoefficients (float newA1, float newB0, float newB1) noexcept
{
    a1 = newA1;
    b0 = newB0;
    b1 = newB1;
}

void QuillmorFirstOrderFilter::reset() noexcept
{
    s = 0.0f;
}
