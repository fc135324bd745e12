#include "QuillmorMultiTapDelay.h"
#include "QuillmorVector.h"

#include <cmath>
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
    tableIndices = allocateScratch<int32_t>();
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
    std::free (tableIndices);
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
    for (int s = 0; s < n; ++s)
        ring[(writePosition - s) & mask] = in[s];
}

void QuillmorMultiTapDelay::advance (int n) noexcept
{
    writePosition = (writePosition - n) & mask;
}

namespace
{
    constexpr int blockSize = QuillmorMultiTapDelay::maxBlockSize;

    /** Where the glide and interpolation of `count` taps keep their per-sample values, one
        row per tap. Rows of one array lie at fixed distances, so a loop over the taps needs
        one base address per array, not one per tap. */
    struct TapRows
    {
        float (*delays)[blockSize];
        float (*fractions)[blockSize];     // fractional delays, then the allpass coefficients
        int32_t (*wholeDelays)[blockSize];
        int32_t (*tableIndices)[blockSize];
    };

    /** The line's own buffers as the rows of a single tap. */
    TapRows ownRows (QuillmorMultiTapDelay& line) noexcept
    {
        return { reinterpret_cast<float (*)[blockSize]> (line.delays), reinterpret_cast<float (*)[blockSize]> (line.fractions),
                 reinterpret_cast<int32_t (*)[blockSize]> (line.wholeDelays),
                 reinterpret_cast<int32_t (*)[blockSize]> (line.tableIndices) };
    }

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

    /** Holds a delay between shortest and longest. */
    inline float limitDelay (float d, float shortest, float longest) noexcept
    {
        d = d > shortest ? d : shortest; // also catches NaN
        return d < longest ? d : longest;
    }

    /** The glide of `count` consecutive taps, side by side: each tap's per-sample delays go
        from its last delay towards its limited target, which becomes its last delay. */
    template <int count>
    void glideTaps (QuillmorMultiTapDelay& line, const TapRows& rows, int firstTap, const float* targets,
                    float rampStep, int n, float shortestDelay) noexcept
    {
        // The older neighbour of the longest delay must still lie inside the ring.
        const float longestDelay = justBelow (line.size - 1);
        float d[count], increment[count];

        for (int j = 0; j < count; ++j)
        {
            const float target = limitDelay (targets[j], shortestDelay, longestDelay);
            d[j] = line.tapDelay[firstTap + j];
            increment[j] = (target - d[j]) * rampStep;
            line.tapDelay[firstTap + j] = target;
        }

        for (int i = 0; i < n; ++i)
        {
            for (int j = 0; j < count; ++j)
            {
                d[j] = d[j] + increment[j];
                rows.delays[j][i] = limitDelay (d[j], shortestDelay, longestDelay);
            }
        }

        for (int j = 0; j < count; ++j)
        {
            vec::truncateToInt (rows.delays[j], rows.wholeDelays[j], n);
            vec::fractionalPart (rows.delays[j], rows.fractions[j], n);
        }
    }

    /** Allpass interpolation of `count` glided taps through their tap states, side by side,
        into rows of out: the recursions are independent, so one tap's latency hides behind
        the others'. */
    template <int count>
    void interpolateAllpassTaps (QuillmorMultiTapDelay& line, const TapRows& rows, int firstTap,
                                 float (*out)[blockSize], int n) noexcept
    {
        float y[count];

        for (int j = 0; j < count; ++j)
        {
            vec::scalarMultiply (rows.fractions[j], static_cast<float> (QuillmorMultiTapDelay::allpassTableSize),
                                 rows.fractions[j], n);
            vec::truncateToInt (rows.fractions[j], rows.tableIndices[j], n);
            for (int i = 0; i < n; ++i)
                rows.fractions[j][i] = line.allpassTable[rows.tableIndices[j][i]];

            y[j] = line.tapState[firstTap + j];
        }

        const float* const ring = line.ring;
        const int64_t mask = line.mask;
        int64_t p = line.writePosition;

        for (int i = 0; i < n; ++i)
        {
            for (int j = 0; j < count; ++j)
            {
                const int64_t k = (p + rows.wholeDelays[j][i]) & mask;
                y[j] = (ring[k] - y[j]) * rows.fractions[j][i] + ring[(k + 1) & mask];
                out[j][i] = y[j];
            }
            p = (p - 1) & mask;
        }

        for (int j = 0; j < count; ++j)
            line.tapState[firstTap + j] = y[j];
    }

    /** Linear interpolation of one glided tap between its two neighbours. */
    void interpolateLinearTap (const QuillmorMultiTapDelay& line, const float* fractions, const int32_t* wholeDelays,
                               float* out, int n) noexcept
    {
        int64_t p = line.writePosition;

        for (int i = 0; i < n; ++i)
        {
            const int64_t k = (p + wholeDelays[i]) & line.mask;
            const float newer = line.ring[k];
            const float older = line.ring[(k + 1) & line.mask];
            out[i] = (older - newer) * fractions[i] + newer;
            p = (p - 1) & line.mask;
        }
    }

    /** Glides and reads `count` consecutive taps with the chosen interpolation, then scales
        each by its gain. A single tap keeps its values in the line's own buffers; a group's
        live on the stack, so nothing is allocated while audio runs. */
    template <int count, bool allpass>
    void readTapGroup (QuillmorMultiTapDelay& line, float* const* out, int n, int firstTap, const float* targets,
                       const float* gains, float rampStep) noexcept
    {
        struct Rows
        {
            alignas (16) float delays[count][blockSize];
            alignas (16) float fractions[count][blockSize];
            alignas (16) int32_t wholeDelays[count][blockSize];
            alignas (16) int32_t tableIndices[count][blockSize];
            alignas (16) float read[count][blockSize];
        };
        Rows local;
        const TapRows rows = count == 1 ? ownRows (line)
                                        : TapRows { local.delays, local.fractions, local.wholeDelays, local.tableIndices };

        glideTaps<count> (line, rows, firstTap, targets, rampStep, n, 0.0f);

        if constexpr (allpass)
            interpolateAllpassTaps<count> (line, rows, firstTap, local.read, n);
        else
            for (int j = 0; j < count; ++j)
                interpolateLinearTap (line, rows.fractions[j], rows.wholeDelays[j], local.read[j], n);

        for (int j = 0; j < count; ++j)
            vec::scalarMultiply (local.read[j], gains[j], out[j], n);
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
    glideTaps<1> (*this, ownRows (*this), tap, &delay, rampStep, n, shortestDelay);
}

void QuillmorMultiTapDelay::interpolateAllpass (int tap, int n) noexcept
{
    interpolateAllpassTaps<1> (*this, ownRows (*this), tap, reinterpret_cast<float (*)[blockSize]> (scratch[0]), n);
}

void QuillmorMultiTapDelay::interpolateLinear (int n) noexcept
{
    interpolateLinearTap (*this, fractions, wholeDelays, scratch[4], n);
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
