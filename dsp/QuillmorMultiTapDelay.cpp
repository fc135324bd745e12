#include "QuillmorMultiTapDelay.h"
#include "QuillmorVector.h"

#include <cstdlib>
#include <cstring>

namespace vec = quillmor::vec;

namespace
{
    template <typename T>
    T* allocateScratch()
    {
        return static_cast<T*> (std::malloc (QuillmorMultiTapDelay::maxBlockSize * sizeof (T)));
    }
} // namespace

QuillmorMultiTapDelay::QuillmorMultiTapDelay()
    : ring (new float[32768]())
{
    for (auto& d : tapDelay)
        d = 100.0f;

    for (auto*& buffer : scratch)
    {
        buffer = allocateScratch<float>();
        vec::clear (buffer, maxBlockSize);
    }
    delays = allocateScratch<float>();
    fractions = allocateScratch<float>();
    wholeDelays = allocateScratch<int32_t>();
    vec::clear (delays, maxBlockSize);
    vec::clear (fractions, maxBlockSize);

    // (1 - d) / (1 + d) is the coefficient whose low-frequency delay is d. Near
    // d = 0 it tends to 1, where the interpolator would stop forgetting its
    // state, so it is held at 0.99.
    for (int i = 0; i < allpassTableSize; ++i)
    {
        const float k = static_cast<float> (i);
        const float c = (1.0f + k * -0.00390625f) / (1.0f + k * 0.00390625f);
        allpassTable[i] = c >= 0.99f ? 0.99f : c;
    }
}

QuillmorMultiTapDelay::~QuillmorMultiTapDelay()
{
    delete[] ring;
    for (auto* buffer : scratch)
        std::free (buffer);
    std::free (delays);
    std::free (fractions);
    std::free (wholeDelays);
}

void QuillmorMultiTapDelay::setCapacity (long samples)
{
    const long wanted = samples < minimumCapacity ? minimumCapacity
                      : samples > maximumCapacity ? maximumCapacity
                                                  : samples;
    // Whole-number doubling: a single-precision log2 rounds just above 2^21 down
    // to a ring shorter than was asked for.
    int64_t newSize = 1;
    while (newSize < wanted)
        newSize <<= 1;

    if (newSize == size)
        return;

    delete[] ring;
    ring = new float[static_cast<size_t> (newSize)]();
    size = newSize;
    writePosition = 0;
    mask = newSize - 1;
    for (auto& state : tapState)
        state = 0.0f;
}

void QuillmorMultiTapDelay::clear() noexcept
{
    vec::clear (ring, static_cast<int> (size));
    for (auto& state : tapState)
        state = 0.0f;
    for (auto* buffer : scratch)
        vec::clear (buffer, maxBlockSize);
}

void QuillmorMultiTapDelay::writeBlock (const float* in, int n) noexcept
{
    // Only a block that runs past index 0 needs the wrap on every sample.
    if (writePosition >= n - 1)
    {
        float* const newest = ring + writePosition;
        for (int s = 0; s < n; ++s)
            newest[-s] = in[s];
        return;
    }

    for (int s = 0; s < n; ++s)
        ring[(writePosition - s) & mask] = in[s];
}

void QuillmorMultiTapDelay::advance (int n) noexcept
{
    writePosition = (writePosition - n) & mask;
}

namespace
{
    /** The float just below a positive whole number: its bit pattern less one. Every glide
        needs it, and the library's nextafter costs a call each time. */
    inline float justBelow (int64_t whole) noexcept
    {
        const float x = static_cast<float> (whole);
        uint32_t bits;
        std::memcpy (&bits, &x, sizeof (bits));
        --bits;
        float below;
        std::memcpy (&below, &bits, sizeof (below));
        return below;
    }

    /** The longest delay a read may use: the older neighbour must still lie inside the ring. */
    inline float longestDelay (const QuillmorMultiTapDelay& line) noexcept
    {
        return justBelow (line.size - 1);
    }

    using Floats = vec::detail::Floats;
    using Ints = vec::detail::Ints;

    /** Holds a delay (or four, one per lane) between shortest and longest. */
    template <typename T>
    inline T limitDelay (T d, T shortest, T longest) noexcept
    {
        d = d > shortest ? d : shortest; // also catches NaN
        return d < longest ? d : longest;
    }

    /** Truncation toward zero of one float or of four lanes. */
    inline int32_t truncate (float x) noexcept { return static_cast<int32_t> (x); }
    inline Ints truncate (Floats x) noexcept { return __builtin_convertvector (x, Ints); }
    inline float toFloat (int32_t x) noexcept { return static_cast<float> (x); }
    inline Floats toFloat (Ints x) noexcept { return __builtin_convertvector (x, Floats); }

    /** The allpass table index of a fractional delay (or of four). */
    template <typename T>
    inline auto tableIndex (T fraction) noexcept
    {
        return truncate (fraction * static_cast<float> (QuillmorMultiTapDelay::allpassTableSize));
    }

    /** Starts a tap's glide: returns the per-sample increment from the tap's last delay (left
        in `d`) towards the held target, which becomes the tap's last delay. */
    inline float startGlide (QuillmorMultiTapDelay& line, int tap, float target, float rampStep, float shortest,
                             float longest, float& d) noexcept
    {
        const float held = limitDelay (target, shortest, longest);
        d = line.tapDelay[tap];
        line.tapDelay[tap] = held;
        return (held - d) * rampStep;
    }

    /** The allpass coefficient of a fractional delay, from the table. */
    inline float allpassCoefficient (const QuillmorMultiTapDelay& line, float fraction) noexcept
    {
        return line.allpassTable[tableIndex (fraction)];
    }

    /** One step of the allpass interpolator between the newer and the older neighbour. */
    inline float allpassStep (float y, float newer, float older, float coefficient) noexcept
    {
        return (newer - y) * coefficient + older;
    }

    /** Linear interpolation between the newer and the older neighbour. */
    inline float linearStep (float newer, float older, float fraction) noexcept
    {
        return (older - newer) * fraction + newer;
    }

    /** Glides and reads `count` consecutive taps side by side, each with its gain. The taps'
        glides and interpolators are independent recursions, so in one loop their latencies
        overlap, and no per-sample value goes through memory. The glide, the split of the
        delay and the table index run for all taps at once in the lanes of one vector. A
        single tap also leaves its per-sample delays in the line's buffer, as glide does. */
    template <int count, bool allpass>
    void readTapGroup (QuillmorMultiTapDelay& line, float* const* out, int n, int firstTap, const float* targets,
                       const float* gains, float rampStep) noexcept
    {
        const float longest = longestDelay (line);
        float d[count], increment[count], y[count];

        for (int j = 0; j < count; ++j)
        {
            increment[j] = startGlide (line, firstTap + j, targets[j], rampStep, 0.0f, longest, d[j]);
            y[j] = line.tapState[firstTap + j];
        }

        static_assert (count <= 4, "one lane per tap");
        Floats glided = {}, step = {};
        for (int j = 0; j < count; ++j)
        {
            glided[j] = d[j];
            step[j] = increment[j];
        }

        const Floats shortestDelays = {};
        const Floats longestDelays = { longest, longest, longest, longest };
        const float* const ring = line.ring;
        const int64_t mask = line.mask;
        int64_t p = line.writePosition;

        for (int i = 0; i < n; ++i)
        {
            glided = glided + step;
            const Floats delay = limitDelay (glided, shortestDelays, longestDelays);
            const Ints whole = truncate (delay);
            const Floats fraction = delay - toFloat (whole);
            const Ints index = tableIndex (fraction);

            if constexpr (count == 1)
                line.delays[i] = delay[0];

            for (int j = 0; j < count; ++j)
            {
                const int64_t k = (p + whole[j]) & mask;

                if constexpr (allpass)
                {
                    y[j] = allpassStep (y[j], ring[k], ring[(k + 1) & mask], line.allpassTable[index[j]]);
                    out[j][i] = y[j] * gains[j];
                }
                else
                {
                    out[j][i] = linearStep (ring[k], ring[(k + 1) & mask], fraction[j]) * gains[j];
                }
            }
            p = (p - 1) & mask;
        }

        if constexpr (allpass)
            for (int j = 0; j < count; ++j)
                line.tapState[firstTap + j] = y[j];
    }

    template <bool allpass>
    void readTapGroup (QuillmorMultiTapDelay& line, float* const* out, int count, int n, int firstTap,
                       const float* targets, const float* gains, float rampStep) noexcept
    {
        static_assert (QuillmorMultiTapDelay::maxGroupSize == 4, "one case per group size");

        switch (count)
        {
            case 1:  readTapGroup<1, allpass> (line, out, n, firstTap, targets, gains, rampStep); break;
            case 2:  readTapGroup<2, allpass> (line, out, n, firstTap, targets, gains, rampStep); break;
            case 3:  readTapGroup<3, allpass> (line, out, n, firstTap, targets, gains, rampStep); break;
            case 4:  readTapGroup<4, allpass> (line, out, n, firstTap, targets, gains, rampStep); break;
            default: break;
        }
    }
} // namespace

void QuillmorMultiTapDelay::glide (int tap, float delay, float rampStep, int n, float shortestDelay) noexcept
{
    const float longest = longestDelay (*this);
    float d;
    const float increment = startGlide (*this, tap, delay, rampStep, shortestDelay, longest, d);

    for (int i = 0; i < n; ++i)
    {
        d = d + increment;
        delays[i] = limitDelay (d, shortestDelay, longest);
    }

    vec::truncateToInt (delays, wholeDelays, n);
    vec::fractionalPart (delays, fractions, n);
}

void QuillmorMultiTapDelay::interpolateAllpass (int tap, int n) noexcept
{
    float* const out = scratch[0];
    float y = tapState[tap];
    int64_t p = writePosition;

    for (int i = 0; i < n; ++i)
    {
        const int64_t k = (p + wholeDelays[i]) & mask;
        y = allpassStep (y, ring[k], ring[(k + 1) & mask], allpassCoefficient (*this, fractions[i]));
        out[i] = y;
        p = (p - 1) & mask;
    }

    tapState[tap] = y;
}

void QuillmorMultiTapDelay::interpolateLinear (int n) noexcept
{
    float* const out = scratch[4];
    int64_t p = writePosition;

    for (int i = 0; i < n; ++i)
    {
        const int64_t k = (p + wholeDelays[i]) & mask;
        out[i] = linearStep (ring[k], ring[(k + 1) & mask], fractions[i]);
        p = (p - 1) & mask;
    }
}

void QuillmorMultiTapDelay::readTapsAllpass (float* out, int n, int tap, float delay, float gain, float rampStep) noexcept
{
    readTapGroup<true> (*this, &out, 1, n, tap, &delay, &gain, rampStep);
}

void QuillmorMultiTapDelay::readTapsLinear (float* out, int n, int tap, float delay, float gain, float rampStep) noexcept
{
    readTapGroup<false> (*this, &out, 1, n, tap, &delay, &gain, rampStep);
}

void QuillmorMultiTapDelay::readTapGroupAllpass (float* const* out, int count, int n, int firstTap, const float* targets,
                                                 const float* gains, float rampStep) noexcept
{
    readTapGroup<true> (*this, out, count, n, firstTap, targets, gains, rampStep);
}

void QuillmorMultiTapDelay::readTapGroupLinear (float* const* out, int count, int n, int firstTap, const float* targets,
                                                const float* gains, float rampStep) noexcept
{
    readTapGroup<false> (*this, out, count, n, firstTap, targets, gains, rampStep);
}
