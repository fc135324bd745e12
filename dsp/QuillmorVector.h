#pragma once

#include <cstdint>

/** Element-wise operations on raw float arrays with explicit counts.

    These are the only vector primitives the DSP code uses. They are plain loops,
    written so that GCC vectorises them at -O2/-O3, and they are defined inline so
    the compiler can fuse them into the callers' per-block loops. Every function
    tolerates its output aliasing one of its inputs element-for-element
    (out == in), which the engine relies on for in-place block work.
*/
namespace quillmor::vec
{
    /** Sets n floats to zero. */
    inline void clear (float* out, int n) noexcept
    {
        for (int i = 0; i < n; ++i)
            out[i] = 0.0f;
    }

    /** Copies n floats from src to dst. */
    inline void copy (const float* src, float* dst, int n) noexcept
    {
        for (int i = 0; i < n; ++i)
            dst[i] = src[i];
    }

    /** out[i] = a[i] + b[i]. */
    inline void add (const float* a, const float* b, float* out, int n) noexcept
    {
        for (int i = 0; i < n; ++i)
            out[i] = a[i] + b[i];
    }

    /** out[i] = a[i] - b[i]. */
    inline void subtract (const float* a, const float* b, float* out, int n) noexcept
    {
        for (int i = 0; i < n; ++i)
            out[i] = a[i] - b[i];
    }

    /** out[i] = a[i] * scalar. */
    inline void scalarMultiply (const float* a, float scalar, float* out, int n) noexcept
    {
        for (int i = 0; i < n; ++i)
            out[i] = a[i] * scalar;
    }

    /** out[i] = a[i] * scalar + c[i]: one rounding for the product, one for the sum. */
    inline void scalarMultiplyAdd (const float* a, float scalar, const float* c, float* out, int n) noexcept
    {
        for (int i = 0; i < n; ++i)
            out[i] = a[i] * scalar + c[i];
    }

    /** out[i] = a[i] * b[i] + c[i]. */
    inline void multiplyAdd (const float* a, const float* b, const float* c, float* out, int n) noexcept
    {
        for (int i = 0; i < n; ++i)
            out[i] = a[i] * b[i] + c[i];
    }

    /** out[i] = a[i] truncated toward zero, as a 32-bit integer. */
    inline void truncateToInt (const float* a, int32_t* out, int n) noexcept
    {
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<int32_t> (a[i]);
    }

    /** out[i] = a[i] minus a[i] truncated toward zero (so negative inputs give negative fractions). */
    inline void fractionalPart (const float* a, float* out, int n) noexcept
    {
        for (int i = 0; i < n; ++i)
            out[i] = a[i] - static_cast<float> (static_cast<int32_t> (a[i]));
    }
} // namespace quillmor::vec
