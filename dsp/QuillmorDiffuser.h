#pragma once

#include "QuillmorMultiTapDelay.h"
#include "QuillmorSlowLfo.h"
#include "QuillmorSmoother.h"

/** Smears a signal in time with up to 16 modulated Schroeder allpass stages in series.

    Each stage is a delay line read through tap 0. The stages' delays split one
    overall size in a geometric progression, each is swept by its own
    random-direction triangle LFO whose rate grows from stage to stage, and the
    size and the sweep depth glide once per block. Bright reads the stages with
    allpass interpolation, Dark with linear interpolation. Members are public
    because the engine configures and inspects them directly.
*/
class QuillmorDiffuser
{
public:
    static constexpr int maxStages = 16;
    /** Longest block processBright and processDark take, in samples. */
    static constexpr int maxBlockSize = QuillmorMultiTapDelay::maxBlockSize;
    /** Smallest ring an active stage gets, in samples: room for the longest stage of
        a 500 ms size at 192 kHz plus its sweep, so no stage ever reads its own newest samples. */
    static constexpr long shortestActiveRing = 65536;

    /** Six stages at 48000 Hz, 20 ms, gain 0.618; allocates the work buffer and the rings. */
    QuillmorDiffuser();
    /** Releases the work buffer. */
    ~QuillmorDiffuser();

    QuillmorDiffuser (const QuillmorDiffuser&) = delete;
    QuillmorDiffuser& operator= (const QuillmorDiffuser&) = delete;

    /** Sets the overall size in ms; it glides there over the following blocks. */
    void setSize (float ms) noexcept;
    /** Sets the overall size in ms at once. */
    void setSizeImmediate (float ms) noexcept;
    /** Sets the stages' allpass gains to +-0.999 g + 0.001, the sign alternating from stage 0's plus. */
    void setAllpassGain (float g) noexcept;
    /** Sets the ratio between successive stage delays and renormalises the shares to sum to 1. */
    void setStageRatio (float ratio) noexcept;
    /** Sets the sweep depth in ms; the depth glides there. */
    void setModDepth (float ms) noexcept;
    /** Sets the glide time of size and depth in ms. */
    void setSmoothingTime (float ms) noexcept;
    /** Sets the ratio between the sweep rates of successive stages. */
    void setRateRatio (float ratio) noexcept;
    /** Sets stage 0's sweep rate in Hz. */
    void setModRate (float hz) noexcept;
    /** Sets the number of samples per control step (the engine's 16). */
    void setControlDivisor (int n) noexcept;
    /** Sets the ring length asked for each active stage, in samples (at least shortestActiveRing
        is given). Allocates when a ring's power-of-two length changes. */
    void setStageCapacity (int samples);
    /** Sets the number of active stages (held to 1..16), silences them and puts the size on its target.
        Allocates when a ring's length changes. */
    void setNumStages (int n);
    /** Sets the sample rate in Hz, recomputes what depends on it and silences the stages. */
    void setSampleRate (float rate) noexcept;
    /** Silences the active stages and puts the size on its target; sweeps and gains run on. */
    void clear() noexcept;

    /** Diffuses n samples (at most 128, a multiple of 4) with allpass-interpolated stage reads;
        rampStep is 1/n. in and out may be the same buffer. */
    void processBright (const float* in, float* out, int n, float rampStep) noexcept;
    /** As processBright, with linearly interpolated stage reads. */
    void processDark (const float* in, float* out, int n, float rampStep) noexcept;

    float sampleRate = 48000.0f;
    float controlDivisor = 16.0f;
    int numStages = 6;
    float stageRatio = 1.213f;
    float modRate = 0.5f;
    float modDepthMs = 1.0f;
    float modDepthSamples = 48.0f;
    float rateRatio = 1.007f;
    float stageGains[maxStages] = {};
    float stageFactors[maxStages] = {};
    float sizeMs = 20.0f;
    float sizeTarget = 960.0f;
    int stageCapacity = 4096;
    float smoothingCoefficient = 0.0f;
    float smoothingMs = 200.0f;
    QuillmorMultiTapDelay stages[maxStages];
    QuillmorSlowLfo modulators[maxStages];
    QuillmorSmoother sizeSmoother;
    QuillmorSmoother depthSmoother;
    float* buffer = nullptr;

private:
    void updateModulators() noexcept;
    void updateCapacities();
    void updateSmoothing() noexcept;
    void clearStagesAndJumpToSize() noexcept;

    template <bool bright>
    void process (const float* in, float* out, int n, float rampStep) noexcept;
};
