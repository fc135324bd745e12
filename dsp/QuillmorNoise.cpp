#include "QuillmorNoise.h"

void QuillmorNoise::setSeed (int newSeed) noexcept
{
    seed = newSeed;
}

void QuillmorNoise::generate (float* out, int n) noexcept
{
    int32_t s = seed;

    for (int i = 0; i < n; ++i)
    {
        s = nextSeed (s);
        out[i] = static_cast<float> (s) * 9.3132257e-10f - 1.0f;
    }

    seed = s;
}
