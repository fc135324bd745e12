#include "QuillmorMultiTapDelay.h"
#include "QuillmorVector.h"

#include <cmath>
#include <cstdlib>

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

void QuillmorMultiTapDelay::glide (int tap, float delay, float rampStep, int n, float shortestDelay) noexcept
{
    // The older neighbour of the longest delay must still lie inside the ring.
    const float longestDelay = std::nextafter (static_cast<float> (size - 1), 0.0f);
    const auto limit = [shortestDelay, longestDelay] (float d)
    {
        d = d > shortestDelay ? d : shortestDelay; // also catches NaN
        return d < longestDelay ? d : longestDelay;
    };

    const float target = limit (delay);
    float d = tapDelay[tap];
    const float increment = (target - d) * rampStep;
    for (int i = 0; i < n; ++i)
    {
        d = d + increment;
        delays[i] = limit (d);
    }
    tapDelay[tap] = target;

    vec::truncateToInt (delays, wholeDelays, n);
    vec::fractionalPart (delays, fractions, n);
}

void QuillmorMultiTapDelay::interpolateAllpass (int tap, int n) noexcept
{
    vec::scalarMultiply (fractions, static_cast<float> (allpassTableSize), fractions, n);
    vec::truncateToInt (fractions, tableIndices, n);
    for (int i = 0; i < n; ++i)
        fractions[i] = allpassTable[tableIndices[i]];

    float* const out = scratch[0];
    float y = tapState[tap];
    int64_t p = writePosition;
    for (int i = 0; i < n; ++i)
    {
        const int64_t j = (p + wholeDelays[i]) & mask;
        const float x0 = ring[j];
        const float x1 = ring[(j + 1) & mask];
        y = (x0 - y) * fractions[i] + x1;
        out[i] = y;
        p = (p - 1) & mask;
    }
    tapState[tap] = y;
}

void QuillmorMultiTapDelay::interpolateLinear (int n) noexcept
{
    float* const newer = scratch[1];
    float* const older = scratch[2];
    int64_t p = writePosition;
    for (int i = 0; i < n; ++i)
    {
        const int64_t j = (p + wholeDelays[i]) & mask;
        newer[i] = ring[j];
        older[i] = ring[(j + 1) & mask];
        p = (p - 1) & mask;
    }
    vec::subtract (older, newer, scratch[3], n);
    vec::multiplyAdd (scratch[3], fractions, newer, scratch[4], n);
}

void QuillmorMultiTapDelay::readTapsAllpass (float* out, int n, int tap, float delay, float gain, float rampStep) noexcept
{
    glide (tap, delay, rampStep, n, 0.0f);
    interpolateAllpass (tap, n);
    vec::scalarMultiply (scratch[0], gain, out, n);
}

void QuillmorMultiTapDelay::readTapsLinear (float* out, int n, int tap, float delay, float gain, float rampStep) noexcept
{
    glide (tap, delay, rampStep, n, 0.0f);
    interpolateLinear (n);
    vec::scalarMultiply (scratch[4], gain, out, n);
}
