#include "QuillmorDiffuser.h"
#include "QuillmorVector.h"

#include <cmath>
#include <cstdlib>

namespace vec = quillmor::vec;

namespace
{
    /** One Schroeder allpass stage over n samples: y = d - g x, and x + g y goes into the ring,
        where d is the stage's delayed read. x and y may be the same buffer: y is kept in the
        line's scratch until the stage's write has used x, otherwise the loop gain would be 1 + g. */
    template <bool bright>
    void runStage (QuillmorMultiTapDelay& line, const float* x, float* y, int n, float delay, float g, float rampStep) noexcept
    {
        // The whole block is read before any of it is written, so a delay shorter than the
        // block would read slots still holding samples one ring length old.
        line.glide (0, delay, rampStep, n, static_cast<float> (n));

        const float* delayed;
        if constexpr (bright)
        {
            line.interpolateAllpass (0, n);
            delayed = line.scratch[0];
        }
        else
        {
            line.interpolateLinear (n);
            delayed = line.scratch[4];
        }

        float* const stageOut = line.scratch[1];
        float* const feedback = line.scratch[2];
        vec::scalarMultiplyAdd (x, -g, delayed, stageOut, n);
        vec::scalarMultiplyAdd (stageOut, g, x, feedback, n);
        line.writeBlock (feedback, n);
        line.advance (n);
        vec::copy (stageOut, y, n);
    }
} // namespace

QuillmorDiffuser::QuillmorDiffuser()
    : buffer (static_cast<float*> (std::malloc (maxBlockSize * sizeof (float))))
{
    vec::clear (buffer, maxBlockSize);
    updateCapacities();
    updateModulators();
    updateSmoothing();
    setAllpassGain (0.618f);
    setStageRatio (stageRatio);
    sizeSmoother.setValue (sizeTarget);
}

QuillmorDiffuser::~QuillmorDiffuser()
{
    std::free (buffer);
}

void QuillmorDiffuser::setSize (float ms) noexcept
{
    sizeMs = ms;
    sizeTarget = ms * sampleRate * 0.001f;
}

void QuillmorDiffuser::setSizeImmediate (float ms) noexcept
{
    setSize (ms);
    sizeSmoother.setValue (sizeTarget);
}

void QuillmorDiffuser::setAllpassGain (float g) noexcept
{
    // The offset comes after the sign, so odd stages are 0.002 weaker than even ones
    // and a gain of 0 still leaves every stage a trace of diffusion.
    for (int i = 0; i < numStages; ++i)
    {
        const float sign = (i % 2 == 0) ? 1.0f : -1.0f;
        stageGains[i] = sign * g * 0.999f + 0.001f;
    }
}

void QuillmorDiffuser::setStageRatio (float ratio) noexcept
{
    stageRatio = ratio;
    stageFactors[0] = 1.0f;
    for (int i = 1; i < numStages; ++i)
        stageFactors[i] = stageFactors[i - 1] * ratio;

    float sum = 0.0f;
    for (int i = 0; i < numStages; ++i)
        sum += stageFactors[i];
    for (int i = 0; i < numStages; ++i)
        stageFactors[i] = stageFactors[i] / sum;
}

void QuillmorDiffuser::setModDepth (float ms) noexcept
{
    modDepthMs = ms;
    modDepthSamples = ms * sampleRate * 0.001f;
}

void QuillmorDiffuser::setSmoothingTime (float ms) noexcept
{
    smoothingMs = ms;
    updateSmoothing();
}

void QuillmorDiffuser::setRateRatio (float ratio) noexcept
{
    rateRatio = ratio;
    updateModulators();
}

void QuillmorDiffuser::setModRate (float hz) noexcept
{
    modRate = hz;
    updateModulators();
}

void QuillmorDiffuser::setControlDivisor (int n) noexcept
{
    controlDivisor = static_cast<float> (n);
    updateModulators();
    updateSmoothing();
}

void QuillmorDiffuser::setStageCapacity (int samples)
{
    stageCapacity = samples;
    updateCapacities();
}

void QuillmorDiffuser::setNumStages (int n)
{
    numStages = n < 1 ? 1 : (n > maxStages ? maxStages : n);
    clearStagesAndJumpToSize();
    updateCapacities();
    updateModulators();
    setStageRatio (stageRatio);
}

void QuillmorDiffuser::setSampleRate (float rate) noexcept
{
    sampleRate = rate;
    updateModulators();
    modDepthSamples = rate * modDepthMs * 0.001f;
    updateSmoothing();
    clearStagesAndJumpToSize();
}

void QuillmorDiffuser::clear() noexcept
{
    clearStagesAndJumpToSize();
}

void QuillmorDiffuser::processBright (const float* in, float* out, int n, float rampStep) noexcept
{
    process<true> (in, out, n, rampStep);
}

void QuillmorDiffuser::processDark (const float* in, float* out, int n, float rampStep) noexcept
{
    process<false> (in, out, n, rampStep);
}

template <bool bright>
void QuillmorDiffuser::process (const float* in, float* out, int n, float rampStep) noexcept
{
    const float size = sizeSmoother.glide (sizeTarget, smoothingCoefficient);
    const float depth = depthSmoother.glide (modDepthSamples, smoothingCoefficient);

    const float* stageIn = in;
    for (int i = 0; i < numStages; ++i)
    {
        modulators[i].stepRandom();
        const float sweep = modulators[i].triangle() * depth * 0.5f;
        runStage<bright> (stages[i], stageIn, buffer, n, size * stageFactors[i] + sweep, stageGains[i], rampStep);
        stageIn = buffer;
    }

    vec::copy (buffer, out, n);
}

void QuillmorDiffuser::updateModulators() noexcept
{
    const float controlRate = sampleRate / controlDivisor;
    for (int i = 0; i < numStages; ++i)
    {
        const float rate = std::pow (rateRatio, static_cast<float> (i)) * modRate;
        modulators[i].setRate (rate, controlRate);
        modulators[i].setPeriod (rate * 3.14159f, controlRate);
    }
}

void QuillmorDiffuser::updateCapacities()
{
    const long active = stageCapacity > shortestActiveRing ? stageCapacity : shortestActiveRing;
    for (int i = 0; i < maxStages; ++i)
        stages[i].setCapacity (i < numStages ? active : 2);
}

void QuillmorDiffuser::updateSmoothing() noexcept
{
    smoothingCoefficient = QuillmorSmoother::timeToCoefficient (smoothingMs, sampleRate / controlDivisor);
}

void QuillmorDiffuser::clearStagesAndJumpToSize() noexcept
{
    for (int i = 0; i < numStages; ++i)
        stages[i].clear();
    sizeTarget = sampleRate * sizeMs * 0.001f;
    sizeSmoother.setValue (sizeTarget);
}
