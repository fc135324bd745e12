#include "QuillmorSineLfo.h"

QuillmorSineLfo::QuillmorSineLfo()
{
    // 2 pi / 256 in single precision; the last entry repeats the first so that
    // index 255 can interpolate towards entry 256.
    for (int i = 0; i <= tableSize; ++i)
        sineTable[i] = std::sin (static_cast<float> (i) * 0.024543693f);
}

int QuillmorSineLfo::setFrequency (float hz, float rate) noexcept
{
    radianStep = hz * twoPi / rate;

    const float f = hz * 256.0f / rate * 16777216.0f;

    // The cast is only defined inside the 32-bit range; out-of-range rates saturate, NaN stops the LFO.
    if (f >= 2147483648.0f)
        tableStep = INT32_MAX;
    else if (f <= -2147483648.0f)
        tableStep = INT32_MIN;
    else if (f == f)
        tableStep = static_cast<int32_t> (f);
    else
        tableStep = 0;

    return tableStep;
}
