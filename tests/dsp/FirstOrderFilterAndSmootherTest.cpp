#include "QuillmorFirstOrderFilter.h"
#include "QuillmorSmoother.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
    constexpr double pi = 3.14159265358979323846;

    // The bilinear pole written out from its definition, in double: k = 2 fs / (2 pi fc)
    // with 2 pi taken as 6.28318, c = (1 - k) / (1 + k).
    double expectedPole (double fc, double fs)
    {
        const double k = 2.0 * fs / (fc * 6.28318);
        return (1.0 - k) / (1.0 + k);
    }

    // Runs a unit sine of the given frequency through the filter long enough to settle and
    // returns the steady-state amplitude and the phase relative to the input, in radians.
    void measureSine (QuillmorFirstOrderFilter& filter, double hz, double fs, double& gain, double& phase)
    {
        const int settle = 48000, length = 48000;
        std::vector<float> x ((size_t) (settle + length));
        for (size_t t = 0; t < x.size(); ++t)
            x[t] = (float) std::sin (2.0 * pi * hz * (double) t / fs);
        filter.process (x.data(), (int) x.size());

        double inPhase = 0.0, quadrature = 0.0;
        for (int t = settle; t < settle + length; ++t)
        {
            const double w = 2.0 * pi * hz * (double) t / fs;
            inPhase += x[(size_t) t] * std::sin (w);
            quadrature += x[(size_t) t] * std::cos (w);
        }
        gain = 2.0 * std::hypot (inPhase, quadrature) / length;
        phase = std::atan2 (quadrature, inPhase);
    }
} // namespace

TEST (FirstOrderFilter, NewFilterPassesEveryBlockUnchanged)
{
    QuillmorFirstOrderFilter filter;
    float block[16];
    for (int i = 0; i < 16; ++i) block[i] = (float) (i * i) - 7.5f;
    const std::vector<float> before (block, block + 16);
    filter.process (block, 16);
    filter.process (block, 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ (block[i], before[(size_t) i]);
    EXPECT_EQ (filter.s, 0.0f);
}

TEST (FirstOrderFilter, DesignTriplesAt48000And44100)
{
    const float rates[] = { 48000.0f, 44100.0f };
    const float corners[] = { 5.0f, 100.0f, 800.0f, 12000.0f };
    for (float fs : rates)
        for (float fc : corners)
        {
            float triple[4] = { 7.0f, 7.0f, 7.0f, 7.0f }; // the fourth word must stay untouched
            QuillmorFirstOrderFilter::setHighpass (triple, fc, fs);
            EXPECT_EQ (triple[0], 1.0f);
            EXPECT_EQ (triple[1], -1.0f);
            EXPECT_NEAR (triple[2], expectedPole (fc, fs), 2e-6) << fc << " Hz at " << fs;
            EXPECT_EQ (triple[3], 7.0f);

            QuillmorFirstOrderFilter::setAllpass (triple, fc, fs);
            EXPECT_NEAR (triple[0], expectedPole (fc, fs), 2e-6);
            EXPECT_EQ (triple[1], 1.0f);
            EXPECT_EQ (triple[2], triple[0]);
            EXPECT_EQ (triple[3], 7.0f);
        }

    float triple[3];
    QuillmorFirstOrderFilter::setAllpass (triple, 12000.0f, 48000.0f); // k = 8 / 6.28318
    EXPECT_FLOAT_EQ (triple[0], -0.1201987f);
}

TEST (FirstOrderFilter, CoefficientsLoadInStoredOrderAndKeepTheState)
{
    QuillmorFirstOrderFilter filter;
    filter.s = 0.25f;
    const float design[3] = { 0.5f, -0.75f, 0.125f }; // b0, b1, a1
    filter.copyCoefficients (design);
    EXPECT_EQ (filter.a1, 0.125f);
    EXPECT_EQ (filter.b0, 0.5f);
    EXPECT_EQ (filter.b1, -0.75f);
    EXPECT_EQ (filter.s, 0.25f);

    filter.setCoefficients (-0.5f, 2.0f, 3.0f);
    EXPECT_EQ (filter.a1, -0.5f);
    EXPECT_EQ (filter.b0, 2.0f);
    EXPECT_EQ (filter.b1, 3.0f);
    EXPECT_EQ (filter.s, 0.25f);

    filter.reset();
    EXPECT_EQ (filter.s, 0.0f);
    EXPECT_EQ (filter.b0, 2.0f);
}

TEST (FirstOrderFilter, RecursionFollowsTheDifferenceEquation)
{
    // y[t] = b0 x[t] + b1 x[t-1] - a1 y[t-1], by hand for an impulse then a step:
    // a1 = -0.5, b0 = 2, b1 = 1
    QuillmorFirstOrderFilter filter;
    filter.setCoefficients (-0.5f, 2.0f, 1.0f);
    float x[6] = { 1, 0, 0, 1, 1, 1 };
    filter.process (x, 6);
    const float expected[6] = { 2.0f, 2.0f, 1.0f, 2.5f, 4.25f, 5.125f };
    for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ (x[i], expected[i]) << i;
}

TEST (FirstOrderFilter, HighpassBlocksDcAndIsSlightlyAboveUnityAtNyquist)
{
    float triple[3];
    QuillmorFirstOrderFilter::setHighpass (triple, 100.0f, 48000.0f);
    QuillmorFirstOrderFilter filter;
    filter.copyCoefficients (triple);

    std::vector<float> dc (4800, 1.0f);
    filter.process (dc.data(), (int) dc.size());
    EXPECT_NEAR (dc.back(), 0.0f, 1e-5f);

    // The state survives reloading: the same design continues the decay where it was.
    const float stateBefore = filter.s;
    QuillmorFirstOrderFilter::setHighpass (triple, 5.0f, 48000.0f);
    filter.copyCoefficients (triple);
    EXPECT_EQ (filter.s, stateBefore);

    // Alternating samples sit at half the rate, where the gain is (1 + k) / k.
    filter.reset();
    std::vector<float> nyquist (48000);
    for (size_t t = 0; t < nyquist.size(); ++t) nyquist[t] = (t % 2) ? -1.0f : 1.0f;
    filter.process (nyquist.data(), (int) nyquist.size());
    const double k = 2.0 * 48000.0 / (5.0 * 6.28318);
    // Rounding in the pole's feedback leaves a small DC offset; half the peak-to-peak
    // swing is the gain.
    const double swing = 0.5 * (nyquist[nyquist.size() - 2] - nyquist.back());
    EXPECT_NEAR (swing, (1.0 + k) / k, 2e-6);
    EXPECT_GT (swing, 1.0003);
}

TEST (FirstOrderFilter, AllpassHasUnitGainAndQuarterTurnAtItsCorner)
{
    for (float fs : { 48000.0f, 44100.0f })
    {
        float triple[3];
        QuillmorFirstOrderFilter::setAllpass (triple, 1000.0f, fs);
        for (double hz : { 50.0, 1000.0, 6000.0, 15000.0 })
        {
            QuillmorFirstOrderFilter filter;
            filter.copyCoefficients (triple);
            double gain = 0.0, phase = 0.0;
            measureSine (filter, hz, fs, gain, phase);
            EXPECT_NEAR (gain, 1.0, 1e-3) << hz << " Hz at " << fs;
            if (hz == 1000.0)
            {
                // Without prewarping the quarter turn lands at fs atan (pi fc / fs) / pi,
                // 998.6 Hz at 48000 Hz: a hair below the corner.
                EXPECT_NEAR (phase, -pi / 2.0, 0.02);
            }
        }
    }
}

TEST (Smoother, CoefficientFormulasAt48000And44100)
{
    EXPECT_FLOAT_EQ (QuillmorSmoother::timeToCoefficient (500.0f, 3000.0f), 0.00066644448f);
    EXPECT_FLOAT_EQ (QuillmorSmoother::frequencyToCoefficient (20000.0f, 48000.0f), 0.92705095f);

    for (double rate : { 48000.0, 44100.0, 48000.0 / 16.0, 44100.0 / 16.0 })
    {
        for (double ms : { 1.0, 20.0, 200.0, 500.0 })
            EXPECT_NEAR (QuillmorSmoother::timeToCoefficient ((float) ms, (float) rate),
                         1.0 - std::exp (-1000.0 / (ms * rate)), 3e-7 * (1.0 - std::exp (-1000.0 / (ms * rate))) + 1e-9)
                << ms << " ms at " << rate;

        for (double hz : { 5.0, 100.0, 5000.0 })
            EXPECT_NEAR (QuillmorSmoother::frequencyToCoefficient ((float) hz, (float) rate),
                         1.0 - std::exp (-2.0 * pi * hz / rate), 1e-6)
                << hz << " Hz at " << rate;

        EXPECT_EQ (QuillmorSmoother::frequencyToCoefficient (0.0f, (float) rate), 0.0f);
        EXPECT_LT (QuillmorSmoother::timeToCoefficient (400.0f, (float) rate),
                   QuillmorSmoother::timeToCoefficient (40.0f, (float) rate));
    }
}

TEST (Smoother, GlideCoversTheTimeConstant)
{
    // After rate x ms / 1000 steps a glide has covered 1 - 1/e of the way.
    QuillmorSmoother smoother;
    EXPECT_EQ (smoother.value, 0.0f);
    const float c = QuillmorSmoother::timeToCoefficient (100.0f, 3000.0f);
    for (int i = 0; i < 300; ++i)
        smoother.glide (2.0f, c);
    EXPECT_NEAR (smoother.value, 2.0 * (1.0 - std::exp (-1.0)), 1e-4);

    smoother.setValue (-3.0f);
    EXPECT_EQ (smoother.value, -3.0f);
    EXPECT_EQ (smoother.glide (1.0f, 0.25f), -2.0f);
    smoother.reset();
    EXPECT_EQ (smoother.value, 0.0f);
}

TEST (Smoother, BlockLowpassStepResponseAndLimits)
{
    QuillmorSmoother smoother;
    float x[16];

    // Step from 0: y[i] = 1 - (1 - c)^(i + 1), carried over into the next block.
    for (float& v : x) v = 1.0f;
    smoother.lowpass (x, 16, 0.25f);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR (x[i], 1.0 - std::pow (0.75, i + 1), 1e-6) << i;
    EXPECT_EQ (smoother.value, x[15]);
    for (float& v : x) v = 1.0f;
    smoother.lowpass (x, 16, 0.25f);
    EXPECT_NEAR (x[0], 1.0 - std::pow (0.75, 17), 1e-6);

    for (int i = 0; i < 16; ++i) x[i] = (float) i - 4.0f;
    smoother.lowpass (x, 16, 1.0f);
    for (int i = 0; i < 16; ++i) EXPECT_EQ (x[i], (float) i - 4.0f);
    EXPECT_EQ (smoother.value, 11.0f);

    smoother.lowpass (x, 16, 0.0f);
    for (int i = 0; i < 16; ++i) EXPECT_EQ (x[i], 11.0f);

    // The largest block runs without reaching past the work buffer.
    std::vector<float> big (QuillmorSmoother::maxBlockSize, 0.0f);
    smoother.lowpass (big.data(), (int) big.size(), 0.5f);
    EXPECT_NEAR (big.back(), 11.0 * std::pow (0.5, (double) big.size()), 1e-9);
}
