#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE__)
 #include <xmmintrin.h>
#endif

/** Element-wise operations on raw float arrays with explicit counts.

    These are the only vector primitives the DSP code uses. They are defined
    inline so they fold into the callers' per-block code, and they work four
    floats at a time in the compiler's generic vector types, with a plain tail
    for a count that is not a multiple of four. Every function tolerates its
    output aliasing one of its inputs element-for-element (out == in), which
    the engine relies on for in-place block work: each group of four is read
    whole before it is written.

    Written as plain loops the compiler cannot vectorise them: it must assume an
    output might overlap an input by a few elements, and at the engine's
    16-sample blocks it unrolls them into scalar code instead. Each lane does
    exactly the scalar arithmetic, so results are the same bits either way.
*/
namespace quillmor::vec
{
    namespace detail
    {
        using Floats = float __attribute__ ((vector_size (16)));
        using Ints = int32_t __attribute__ ((vector_size (16)));

        template <typename Vector, typename T>
        inline Vector load (const T* p) noexcept
        {
            Vector v;
            std::memcpy (&v, p, sizeof (v));
            return v;
        }

        template <typename Vector, typename T>
        inline void store (T* p, Vector v) noexcept
        {
            std::memcpy (p, &v, sizeof (v));
        }

        /** out[i] = op (a[i], b[i]) in groups of four, then one at a time. `op` takes
            either a Floats or a float per argument and returns the same kind. */
        template <typename Op>
        inline void map (const float* a, const float* b, float* out, int n, Op op) noexcept
        {
            int i = 0;
            for (; i + 4 <= n; i += 4)
                store (out + i, op (load<Floats> (a + i), load<Floats> (b + i)));
            for (; i < n; ++i)
                out[i] = op (a[i], b[i]);
        }
    } // namespace detail

    /** Sets n floats to zero. */
    inline void clear (float* out, int n) noexcept
    {
        for (int i = 0; i < n; ++i)
            out[i] = 0.0f;
    }

    /** Copies n floats from src to dst. */
    inline void copy (const float* src, float* dst, int n) noexcept
    {
        detail::map (src, src, dst, n, [] (auto a, auto) { return a; });
    }

    /** out[i] = a[i] + b[i]. */
    inline void add (const float* a, const float* b, float* out, int n) noexcept
    {
        detail::map (a, b, out, n, [] (auto x, auto y) { return x + y; });
    }

    /** out[i] = a[i] - b[i]. */
    inline void subtract (const float* a, const float* b, float* out, int n) noexcept
    {
        detail::map (a, b, out, n, [] (auto x, auto y) { return x - y; });
    }

    /** out[i] = a[i] * scalar. */
    inline void scalarMultiply (const float* a, float scalar, float* out, int n) noexcept
    {
        detail::map (a, a, out, n, [scalar] (auto x, auto) { return x * scalar; });
    }

    /** out[i] = a[i] * scalar + c[i]: one rounding for the product, one for the sum. */
    inline void scalarMultiplyAdd (const float* a, float scalar, const float* c, float* out, int n) noexcept
    {
        detail::map (a, c, out, n, [scalar] (auto x, auto y) { return x * scalar + y; });
    }

    /** Holds n floats of x within -ceiling .. ceiling in place; values inside pass
        unchanged, bit for bit, and a NaN stays a NaN. */
    inline void limit (float* x, float ceiling, int n) noexcept
    {
        int i = 0;
#if defined(__SSE__)
        // With a constant ceiling the compiler turns the selections below into compares
        // and masks; the minimum and maximum instructions do the same in one step each
        // (each returns its second operand when either is NaN).
        const __m128 high = _mm_set1_ps (ceiling);
        const __m128 low = _mm_set1_ps (-ceiling);
        for (; i + 4 <= n; i += 4)
            _mm_storeu_ps (x + i, _mm_max_ps (low, _mm_min_ps (high, _mm_loadu_ps (x + i))));
#endif
        for (; i < n; ++i)
        {
            const float v = ceiling < x[i] ? ceiling : x[i];
            x[i] = -ceiling > v ? -ceiling : v;
        }
    }

    /** out[i] = a[i] * b[i] + c[i]. */
    inline void multiplyAdd (const float* a, const float* b, const float* c, float* out, int n) noexcept
    {
        int i = 0;
        for (; i + 4 <= n; i += 4)
            detail::store (out + i, detail::load<detail::Floats> (a + i) * detail::load<detail::Floats> (b + i)
                                        + detail::load<detail::Floats> (c + i));
        for (; i < n; ++i)
            out[i] = a[i] * b[i] + c[i];
    }

    /** out[i] = a[i] truncated toward zero, as a 32-bit integer. */
    inline void truncateToInt (const float* a, int32_t* out, int n) noexcept
    {
        int i = 0;
        for (; i + 4 <= n; i += 4)
            detail::store (out + i, __builtin_convertvector (detail::load<detail::Floats> (a + i), detail::Ints));
        for (; i < n; ++i)
            out[i] = static_cast<int32_t> (a[i]);
    }

    /** out[i] = a[i] minus a[i] truncated toward zero (so negative inputs give negative fractions). */
    inline void fractionalPart (const float* a, float* out, int n) noexcept
    {
        int i = 0;
        for (; i + 4 <= n; i += 4)
        {
            const auto x = detail::load<detail::Floats> (a + i);
            detail::store (out + i, x - __builtin_convertvector (__builtin_convertvector (x, detail::Ints), detail::Floats));
        }
        for (; i < n; ++i)
            out[i] = a[i] - static_cast<float> (static_cast<int32_t> (a[i]));
    }
} // namespace quillmor::vec
