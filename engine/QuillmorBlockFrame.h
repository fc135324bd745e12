#pragma once

#include "QuillmorChorusEngine.h"
#include "QuillmorVector.h"

/*  The block-processing frame shared by all 36 routines, written once.

    A routine is processWithFrame<Mode, dark, half>: a per-sample loop that mixes the
    dry input with the 16-sample wet FIFO and, every 16 gathered samples, runs the
    effect network once. Colour and speed are template flags, so each routine is a
    straight-line network with no per-block branching on them.

    A chorus mode is a tag type that gives the frame two constants,

        static constexpr int tapsPerChannel;            // 1 to 16
        static constexpr QuillmorChorusEngine::TapArrangement arrangement;

    and specialises QuillmorChorusEngine::modulateTaps<Mode>, which steps the mode's
    LFOs once and writes each tap's modulation offset in delay-line samples. The
    frame does everything else: depth and tap-delay smoothing (the target delay of
    a tap is its smoothed position plus its offset), the tap reads, the feedback
    path and the output sum.

    A mode lives in its own source file (Mode2TapChorus.cpp shows the pattern): the
    tag type, its modulateTaps specialisation and its four routines, each a one-line
    call of processWithFrame. It declares the routines in the engine header's block
    processing section and fills its row of getProcessRoutine. Include this header
    only from such a file: the templates are instantiated there, once per routine.
*/

namespace quillmor::frame
{
    /** Reads one tap with the colour's interpolation: allpass for Bright, linear for Dark. */
    template <bool dark>
    inline void readTap (QuillmorMultiTapDelay& line, float* out, int n, int tap, float delay, float gain, float rampStep) noexcept
    {
        if constexpr (dark)
            line.readTapsLinear (out, n, tap, delay, gain, rampStep);
        else
            line.readTapsAllpass (out, n, tap, delay, gain, rampStep);
    }

    /** Reads `count` consecutive taps from firstTap at once with the colour's interpolation. */
    template <bool dark>
    inline void readTapGroup (QuillmorMultiTapDelay& line, float* const* out, int count, int n, int firstTap,
                              const float* delays, const float* gains, float rampStep) noexcept
    {
        if constexpr (dark)
            line.readTapGroupLinear (out, count, n, firstTap, delays, gains, rampStep);
        else
            line.readTapGroupAllpass (out, count, n, firstTap, delays, gains, rampStep);
    }

    /** Diffuses n samples in place with the colour's stage interpolation. */
    template <bool dark>
    inline void diffuse (QuillmorDiffuser& diffuser, float* x, int n, float rampStep) noexcept
    {
        if constexpr (dark)
            diffuser.processDark (x, x, n, rampStep);
        else
            diffuser.processBright (x, x, n, rampStep);
    }
} // namespace quillmor::frame

template <typename Mode, bool dark, bool half>
void QuillmorChorusEngine::processWithFrame (const float* const* inputs, float* const* outputs, int numSamples) noexcept
{
    const float* inLeft = inputs[0];
    const float* inRight = inputs[1];
    float* outLeft = outputs[0];
    float* outRight = outputs[1];
    float* fifoLeft = fifoBuffers[0];
    float* fifoRight = fifoBuffers[1];

    for (int i = 0; i < numSamples;)
    {
        // Up to the end of the control block the targets and the position live in
        // registers: a store through an output pointer could alias the members.
        const int end = numSamples - i < controlBlockSize - blockPosition ? numSamples : i + controlBlockSize - blockPosition;
        const float wetTarget = wetGain;
        const float dryTarget = dryGain;
        const float coefficient = mixSmoothingCoefficient;
        int position = blockPosition;

        for (; i < end; ++i, ++position)
        {
            // Both inputs are read before either output is written: the host processes in place.
            const float left = inLeft[i];
            const float right = inRight[i];

            const float wet = wetGainSmoother.glide (wetTarget, coefficient);
            const float dry = dryGainSmoother.glide (dryTarget, coefficient);

            outLeft[i] = wet * fifoLeft[position] + dry * left;
            outRight[i] = wet * fifoRight[position] + dry * right;
            fifoLeft[position] = left;
            fifoRight[position] = right;
        }

        if (position == controlBlockSize)
        {
            blockPosition = 0;
            runNetwork<Mode, dark, half>();
        }
        else
        {
            blockPosition = position;
        }
    }
}

template <typename Mode, bool dark, bool half>
void QuillmorChorusEngine::runNetwork() noexcept
{
    namespace vec = quillmor::vec;
    using quillmor::frame::readTap;

    constexpr int taps = Mode::tapsPerChannel;
    constexpr bool sharedTap = Mode::arrangement == TapArrangement::shared;
    static_assert (taps >= 1 && taps <= maxTaps, "a mode reads 1 to 16 taps per channel");
    static_assert (! sharedTap || taps == 1, "a shared output/feedback tap is the only tap");

    // At half speed the diffuser, the delay-line write and the tap reads run at half the
    // host rate; everything else stays at 16 host-rate samples.
    constexpr int n = half ? controlBlockSize / 2 : controlBlockSize;
    constexpr float rampStep = half ? 0.125f : 0.0625f;
    constexpr int full = controlBlockSize;

    float* const fifo[2] = { fifoBuffers[0], fifoBuffers[1] };
    float* const block[2] = { blockBuffers[0], blockBuffers[1] };
    float* const aux[2] = { blockBuffers[2], blockBuffers[3] };
    float* const third[2] = { blockBuffers[4], blockBuffers[5] };
    float* const feedback[2] = { feedbackBuffers[0], feedbackBuffers[1] };
    const float* const tapPositions[2] = { tapPositionsLeft, tapPositionsRight };
    const float* const tapGains[2] = { tapGainsLeft, tapGainsRight };

    // Depths, then the mode's modulation. Halving the depths at half speed halves every
    // modulation term exactly (a power of two), whatever order the mode multiplies in.
    const float depthScale = half ? 0.5f : 1.0f;
    const float detuneDepth = detuneDepthSmoother.glide (detuneDepthSamples, controlSmoothingCoefficient) * depthScale;
    const float vibratoDepth = vibratoDepthSmoother.glide (vibratoDepthSamples, controlSmoothingCoefficient) * depthScale;

    float delays[2][maxTaps];
    modulateTaps<Mode> (detuneDepth, vibratoDepth, delays[0], delays[1]);

    for (int ch = 0; ch < 2; ++ch)
    {
        for (int k = 0; k < taps; ++k)
        {
            const float position = tapDelaySmoothers[ch][k].glide (delayLengthSamples * tapPositions[ch][k],
                                                                   controlSmoothingCoefficient);
            delays[ch][k] = position + delays[ch][k];
        }
    }

    // Read once: a switch flipped by another thread mid-block must not run the drive twice.
    const bool preDrive = driveEnabled && ! drivePost;
    const bool postDrive = driveEnabled && drivePost;

    // Input routing and feedback.
    vec::scalarMultiply (fifo[0], inputGainLeftFromLeft, block[0], full);
    vec::scalarMultiply (fifo[1], inputGainRightFromRight, block[1], full);
    vec::scalarMultiplyAdd (fifo[1], inputGainLeftFromRight, block[0], block[0], full);
    vec::scalarMultiplyAdd (fifo[0], inputGainRightFromLeft, block[1], block[1], full);

    // Full feedback can set a loop gain above one: the LowCut's numerator lifts the top
    // of the band a little, and in the Bright colour nothing in the loop takes it back.
    // What comes back is held at a ceiling that a stable loop never reaches, so below it
    // nothing changes.
    vec::limit (feedback[0], feedbackCeiling, full);
    vec::limit (feedback[1], feedbackCeiling, full);
    vec::scalarMultiplyAdd (feedback[0], feedbackGain, block[0], block[0], full);
    vec::scalarMultiplyAdd (feedback[1], feedbackGain, block[1], block[1], full);

    antiDenormals[0].apply (block[0], full);
    antiDenormals[1].apply (block[1], full);
    QuillmorFirstOrderFilter::processPair (lowCutFilters, block, full);

    for (int ch = 0; ch < 2; ++ch)
    {
        highCutFilters[ch].lowpass (block[ch], full, highCutCoefficient);

        // With a shared tap the Dark colour's second HighCut sits inside the feedback loop.
        if constexpr (dark && sharedTap)
            highCutFilters[2 + ch].lowpass (block[ch], full, highCutCoefficient);
    }

    if (preDrive)
        runDriveChains (block, block);

    // The zero half of the 2128 Hz allpass goes before the delay line, its pole half after the read.
    QuillmorFirstOrderFilter::processPair (allpassZeroFilters, block, full);

    float* const line[2] = { half ? aux[0] : block[0], half ? aux[1] : block[1] };

    if constexpr (half)
        QuillmorHalfbandFilter::downsamplePair (halfSpeedDownsamplers, block, line, full, n);

    if (diffusionEnabled)
    {
        quillmor::frame::diffuse<dark> (diffusers[0], line[0], n, rampStep);
        quillmor::frame::diffuse<dark> (diffusers[1], line[1], n, rampStep);
    }

    delayLines[0].writeBlock (line[0], n);
    delayLines[1].writeBlock (line[1], n);

    // Checked now: the diffused signal is overwritten by the tap reads below.
    bool finite = allFinite (line[0], n) && allFinite (line[1], n);

    if constexpr (sharedTap)
    {
        // One tap per channel is both the wet output and the feedback source.
        for (int ch = 0; ch < 2; ++ch)
            readTap<dark> (delayLines[ch], line[ch], n, 0, delays[ch][0], 1.0f, rampStep);

        if constexpr (half)
            QuillmorHalfbandFilter::upsamplePair (halfSpeedUpsamplers, line, block, full, n);

        QuillmorFirstOrderFilter::processPair (allpassPoleFilters, block, full);

        const float* source[2] = { block[0], block[1] };

        if (postDrive)
        {
            // The drive highpass also filters the output; only the feedback hears the drive itself.
            runDriveChains (block, aux);
            source[0] = aux[0];
            source[1] = aux[1];
        }

        feedbackRotator.rotate (source[0], source[1], feedback[0], feedback[1], full);
    }
    else
    {
        // Tap 0 at unit gain is the only feedback source; the output sums all taps by their gains.
        for (int ch = 0; ch < 2; ++ch)
        {
            readTap<dark> (delayLines[ch], line[ch], n, 0, delays[ch][0], 1.0f, rampStep);

            if constexpr (half)
                vec::scalarMultiply (line[ch], tapGains[ch][0], third[ch], n);
        }

        if constexpr (half)
            QuillmorHalfbandFilter::upsamplePair (halfSpeedUpsamplers, line, block, full, n);

        vec::copy (block[0], feedback[0], full);
        vec::copy (block[1], feedback[1], full);
        QuillmorFirstOrderFilter::processPair (allpassPoleFilters + 2, feedback, full);

        if (postDrive)
            runDriveChains (feedback, feedback);

        feedbackRotator.rotate (feedback[0], feedback[1], feedback[0], feedback[1], full);

        float* const sum[2] = { half ? third[0] : block[0], half ? third[1] : block[1] };
        constexpr int group = QuillmorMultiTapDelay::maxGroupSize;
        alignas (16) float groupBuffers[group][controlBlockSize];
        float* const groupOut[group] = { groupBuffers[0], groupBuffers[1], groupBuffers[2], groupBuffers[3] };

        for (int ch = 0; ch < 2; ++ch)
        {
            if constexpr (! half)
                vec::scalarMultiply (block[ch], tapGains[ch][0], block[ch], full);

            // Read in groups so that the taps' interpolators overlap; added in tap order.
            for (int k = 1; k < taps; k += group)
            {
                const int count = taps - k < group ? taps - k : group;
                quillmor::frame::readTapGroup<dark> (delayLines[ch], groupOut, count, n, k, delays[ch] + k,
                                                     tapGains[ch] + k, rampStep);

                for (int j = 0; j < count; ++j)
                    vec::add (groupOut[j], sum[ch], sum[ch], n);
            }
        }

        if constexpr (half)
            QuillmorHalfbandFilter::upsamplePair (halfSpeedUpsamplers + 2, sum, block, full, n);

        QuillmorFirstOrderFilter::processPair (allpassPoleFilters, block, full);
    }

    applyCrossoverAndWidth();

    if constexpr (dark && ! sharedTap)
    {
        highCutFilters[2].lowpass (fifo[0], full, highCutCoefficient);
        highCutFilters[3].lowpass (fifo[1], full, highCutCoefficient);
    }

    delayLines[0].advance (n);
    delayLines[1].advance (n);

    finite = finite && allFinite (feedback[0], full) && allFinite (feedback[1], full)
          && allFinite (fifo[0], full) && allFinite (fifo[1], full);

    if (! finite)
        clearSignalStateAfterFault();
}
