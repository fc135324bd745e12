#include "QuillmorAntiDenormal.h"
#include "QuillmorFeedbackRotator.h"
#include "QuillmorVector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace vec = quillmor::vec;

TEST (VectorLayer, ArithmeticMatchesElementwiseDefinitionsAtOddLengths)
{
    // 19 elements: longer than one vector and not a multiple of it, so the tail loop runs too.
    constexpr int n = 19;
    std::vector<float> a (n), b (n), c (n), out (n);
    for (int i = 0; i < n; ++i)
    {
        a[(size_t) i] = 0.5f * (float) i - 3.0f;
        b[(size_t) i] = 1.0f / (float) (i + 1);
        c[(size_t) i] = (float) (i % 3);
    }

    vec::add (a.data(), b.data(), out.data(), n);
    for (int i = 0; i < n; ++i) EXPECT_EQ (out[(size_t) i], a[(size_t) i] + b[(size_t) i]);

    vec::subtract (a.data(), b.data(), out.data(), n);
    for (int i = 0; i < n; ++i) EXPECT_EQ (out[(size_t) i], a[(size_t) i] - b[(size_t) i]);

    vec::scalarMultiply (a.data(), 0.25f, out.data(), n);
    for (int i = 0; i < n; ++i) EXPECT_EQ (out[(size_t) i], a[(size_t) i] * 0.25f);

    vec::scalarMultiplyAdd (a.data(), 3.0f, c.data(), out.data(), n);
    for (int i = 0; i < n; ++i) EXPECT_EQ (out[(size_t) i], a[(size_t) i] * 3.0f + c[(size_t) i]);

    vec::multiplyAdd (a.data(), b.data(), c.data(), out.data(), n);
    for (int i = 0; i < n; ++i)
    {
        const float product = a[(size_t) i] * b[(size_t) i]; // rounded on its own: no fused multiply-add
        EXPECT_EQ (out[(size_t) i], product + c[(size_t) i]);
    }

    vec::copy (b.data(), out.data(), n);
    EXPECT_EQ (out, b);

    vec::clear (out.data(), n);
    for (float x : out) EXPECT_EQ (x, 0.0f);
}

TEST (VectorLayer, LimitHoldsOnlyWhatLiesBeyondTheCeiling)
{
    // A group of four and a tail of three: both paths hold, both pass the rest bit for bit.
    float x[7] = { 31.999998f, -32.0f, 32.000004f, -1e30f, -0.0f, std::nanf (""), 1e30f };
    vec::limit (x, 32.0f, 7);

    EXPECT_EQ (x[0], 31.999998f);
    EXPECT_EQ (x[1], -32.0f);
    EXPECT_EQ (x[2], 32.0f);
    EXPECT_EQ (x[3], -32.0f);
    EXPECT_TRUE (x[4] == 0.0f && std::signbit (x[4]));
    EXPECT_TRUE (std::isnan (x[5]));
    EXPECT_EQ (x[6], 32.0f);
}

TEST (VectorLayer, InPlaceAccumulationReadsEachElementBeforeWritingIt)
{
    float sum[5] = { 1, 2, 3, 4, 5 };
    const float add[5] = { 10, 20, 30, 40, 50 };
    vec::add (add, sum, sum, 5);
    EXPECT_FLOAT_EQ (sum[0], 11.0f);
    EXPECT_FLOAT_EQ (sum[4], 55.0f);

    vec::scalarMultiplyAdd (sum, 2.0f, sum, sum, 5); // 3 x sum
    EXPECT_FLOAT_EQ (sum[0], 33.0f);
    EXPECT_FLOAT_EQ (sum[4], 165.0f);
}

TEST (VectorLayer, TruncationAndFractionGoTowardZero)
{
    const float in[6] = { 0.0f, 2.75f, 131999.5f, -0.25f, -3.5f, 0.99999994f };
    int32_t whole[6];
    float frac[6];
    vec::truncateToInt (in, whole, 6);
    vec::fractionalPart (in, frac, 6);

    const int32_t expectedWhole[6] = { 0, 2, 131999, 0, -3, 0 };
    const float expectedFrac[6] = { 0.0f, 0.75f, 0.5f, -0.25f, -0.5f, 0.99999994f };
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_EQ (whole[i], expectedWhole[i]) << i;
        EXPECT_EQ (frac[i], expectedFrac[i]) << i;
    }
}

TEST (AntiDenormal, OffsetAlternatesSignEveryBlock)
{
    QuillmorAntiDenormal guard;
    float block[16] = {};
    guard.apply (block, 16);
    for (float x : block) EXPECT_EQ (x, 1e-15f);

    float next[16] = {};
    guard.apply (next, 16);
    for (float x : next) EXPECT_EQ (x, -1e-15f);

    EXPECT_EQ (guard.offset, 1e-15f);
}

TEST (FeedbackRotator, AnglesAtTheEndsAndMiddle)
{
    QuillmorFeedbackRotator rotator;

    rotator.setRotation (0.0f);
    EXPECT_EQ (rotator.sinAngle, 0.0f);
    EXPECT_EQ (rotator.cosAngle, 1.0f);
    EXPECT_EQ (rotator.negSinAngle, 0.0f);
    EXPECT_TRUE (std::signbit (rotator.negSinAngle));

    rotator.setRotation (1.0f);
    EXPECT_EQ (rotator.sinAngle, 1.0f);
    EXPECT_FLOAT_EQ (rotator.cosAngle, -4.371139e-08f); // cos of the float nearest pi/2, not 0
}

TEST (FeedbackRotator, RotationMatrixAppliedPerSample)
{
    QuillmorFeedbackRotator rotator;
    float a[16], b[16], outA[16], outB[16];
    for (int i = 0; i < 16; ++i) { a[i] = 1.0f; b[i] = 1.0f; }

    rotator.setRotation (0.5f);
    rotator.rotate (a, b, outA, outB, 16);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR (outA[i], 0.0f, 1e-7f);
        EXPECT_FLOAT_EQ (outB[i], 1.4142135f);
    }

    for (int i = 0; i < 16; ++i) { a[i] = (float) i; b[i] = -2.0f * (float) i; }
    rotator.setRotation (0.0f);
    rotator.rotate (a, b, outA, outB, 16);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ (outA[i], a[i]);
        EXPECT_EQ (outB[i], b[i]);
    }

    rotator.setRotation (1.0f);
    rotator.rotate (a, b, outA, outB, 16);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR (outA[i], -b[i], 1e-5f);
        EXPECT_NEAR (outB[i], a[i], 1e-5f);
    }
}

TEST (FeedbackRotator, InPlaceRotationUsesTheUnrotatedInputsForBothChannels)
{
    QuillmorFeedbackRotator rotator;
    rotator.setRotation (0.3f);

    float left[16], right[16], expectA[16], expectB[16];
    for (int i = 0; i < 16; ++i) { left[i] = 0.1f * (float) (i + 1); right[i] = -0.05f * (float) i + 0.3f; }
    rotator.rotate (left, right, expectA, expectB, 16);

    rotator.rotate (left, right, left, right, 16);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ (left[i], expectA[i]);
        EXPECT_EQ (right[i], expectB[i]);
    }
}
