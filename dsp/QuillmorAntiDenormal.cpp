#include "QuillmorAntiDenormal.h"

void QuillmorAntiDenormal::apply (float* x, int n) noexcept
{
    for (int i = 0; i < n; ++i)
        x[i] = offset + x[i];

    offset = -offset;
}
