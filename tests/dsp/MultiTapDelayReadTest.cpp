#include "QuillmorMultiTapDelay.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cmath>
#include <cstring>
#include <vector>

namespace
{
    /** Deterministic values in -1 .. 1. */
    float nextValue (uint32_t& seed)
    {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float> (static_cast<int32_t> (seed)) * 4.656613e-10f;
    }

    bool sameBits (const float* a, const float* b, int n)
    {
        return std::memcmp (a, b, static_cast<size_t> (n) * sizeof (float)) == 0;
    }
} // namespace

TEST (MultiTapDelayRead, AGroupReadMatchesOneTapAtATimeToTheBit)
{
    // Two lines fed the same blocks: one reads its taps in groups of every size, the other one
    // tap at a time. Targets jump about (some below 0 and beyond the ring) so the taps glide.
    for (bool allpass : { true, false })
    {
        for (int n : { 8, 16 })
        {
            QuillmorMultiTapDelay grouped, single;
            grouped.setCapacity (4096);
            single.setCapacity (4096);
            uint32_t seed = 77;
            std::vector<float> in (static_cast<size_t> (n));

            for (int block = 0; block < 300; ++block)
            {
                for (auto& v : in)
                    v = nextValue (seed);

                grouped.writeBlock (in.data(), n);
                single.writeBlock (in.data(), n);

                const int count = 1 + block % QuillmorMultiTapDelay::maxGroupSize;
                const int firstTap = block % 7;
                float targets[4], gains[4];
                for (int j = 0; j < count; ++j)
                {
                    targets[j] = block % 50 == 3 ? -20.0f : block % 50 == 4 ? 1.0e7f : 3000.0f * (nextValue (seed) + 1.0f);
                    gains[j] = nextValue (seed);
                }

                float groupOut[4][16], singleOut[4][16];
                float* groupPointers[4] = { groupOut[0], groupOut[1], groupOut[2], groupOut[3] };
                const float rampStep = 1.0f / static_cast<float> (n);

                if (allpass)
                    grouped.readTapGroupAllpass (groupPointers, count, n, firstTap, targets, gains, rampStep);
                else
                    grouped.readTapGroupLinear (groupPointers, count, n, firstTap, targets, gains, rampStep);

                for (int j = 0; j < count; ++j)
                {
                    if (allpass)
                        single.readTapsAllpass (singleOut[j], n, firstTap + j, targets[j], gains[j], rampStep);
                    else
                        single.readTapsLinear (singleOut[j], n, firstTap + j, targets[j], gains[j], rampStep);
                }

                for (int j = 0; j < count; ++j)
                {
                    ASSERT_TRUE (sameBits (groupOut[j], singleOut[j], n)) << "block " << block << " tap " << firstTap + j;
                    ASSERT_EQ (grouped.tapDelay[firstTap + j], single.tapDelay[firstTap + j]);
                    ASSERT_EQ (grouped.tapState[firstTap + j], single.tapState[firstTap + j]);
                }

                grouped.advance (n);
                single.advance (n);
            }
        }
    }
}

TEST (MultiTapDelayRead, TheLongestDelayIsTheFloatJustBelowTheLastRingIndex)
{
    // The older neighbour of the longest delay is the last sample the ring holds.
    for (long capacity : { 2L, 64L, 1L << 20, 1L << 24 })
    {
        QuillmorMultiTapDelay line;
        line.setCapacity (capacity);
        float out[16];
        line.readTapsAllpass (out, 16, 3, 1.0e30f, 1.0f, 0.0625f);
        line.readTapsLinear (out, 16, 4, 1.0e30f, 1.0f, 0.0625f);

        const float expected = std::nextafter (static_cast<float> (capacity - 1), 0.0f);
        EXPECT_EQ (line.tapDelay[3], expected) << capacity;
        EXPECT_EQ (line.tapDelay[4], expected) << capacity;
    }
}
