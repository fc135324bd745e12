#pragma once

#include "QuillmorEngineParameter.h"

#include "QuillmorAntiDenormal.h"
#include "QuillmorDiffuser.h"
#include "QuillmorFeedbackRotator.h"
#include "QuillmorFirstOrderFilter.h"
#include "QuillmorHalfbandFilter.h"
#include "QuillmorMultiTapDelay.h"
#include "QuillmorNoise.h"
#include "QuillmorSineLfo.h"
#include "QuillmorSlowLfo.h"
#include "QuillmorSmoother.h"

/** The plug-in's whole signal processor: the parameter table, the mapping of
    parameter values onto the building blocks, tap layouts and modulation rates,
    and the block-processing routines of the nine chorus modes.

    Built for 48000 Hz and 16-sample control blocks. Everything is allocated by
    the constructor; nothing allocates, locks or throws afterwards. A parameter
    change rewrites several plain members at once (a tap layout, filter
    coefficients), so the owner calls the engine from one thread only, the audio
    thread, and hands it parameter values there; the engine has no lock of its own.

    The members are public: the processing routines, spread over several
    source files, drive the building blocks' arithmetic directly on them, and
    the processor picks a routine from `chorusMode`, `colorMode` and `halfSpeed`.
*/
class QuillmorChorusEngine
{
public:
    /** Parameter indices, shared by the host interface, the state and the editor. */
    enum ParameterIndex : int
    {
        mixParameter = 0,
        depthParameter,
        stereoWidthParameter,
        delayParameter,
        feedbackParameter,
        spreadParameter,
        slopeParameter,
        skewParameter,
        randomParameter,
        tapGainParameter,
        diffusionParameter,
        diffSizeParameter,
        diffModRateParameter,
        diffModDepthParameter,
        lowCutParameter,
        highCutParameter,
        spatialXoverParameter,
        detuneRateParameter,
        detuneDepthParameter,
        vibratoRateParameter,
        vibratoDepthParameter,
        overModParameter,
        driveInGainParameter,
        driveOutGainParameter,
        driveNoiseGainParameter,
        feedbackRotateParameter,
        smoothingTimeParameter,
        colorModeParameter,
        delaySyncParameter,
        typeParameter,
        diffEnableParameter,
        driveParameter,
        drivePrePostParameter,
        speedParameter,
        inputPanParameter,
        numParameters
    };

    static constexpr int numChorusModes = 9;      ///< modes 0 to 8; higher modes process nothing
    static constexpr int maxTaps = 16;            ///< taps per channel in the densest mode
    static constexpr int numPhases = 8;           ///< 16Phase taps per channel
    static constexpr int controlBlockSize = 16;   ///< samples per run of the effect network
    static constexpr long mainDelayCapacity = 1L << 20; ///< ring samples per main line: room at 192 kHz
    static constexpr float syncedDelayCap = 132000.0f;  ///< longest tempo-synced delay, samples
    /** Largest magnitude of a fed-back sample: 32 times full scale (+30 dB). For input
        within -1 .. 1 a stable loop stays below it up to 96 % Feedback, even at a
        resonance (1 / (1 - Feedback) times the input); a loop gain of one or more stops there. */
    static constexpr float feedbackCeiling = 32.0f;

    /** Builds every building block and buffer, ready for 48000 Hz. Applies no
        parameter defaults: the owner does that through `initParameter` and `setParameter`. */
    QuillmorChorusEngine();
    /** Frees the control-block buffers; the members free their own. */
    ~QuillmorChorusEngine();

    QuillmorChorusEngine (const QuillmorChorusEngine&) = delete;
    QuillmorChorusEngine& operator= (const QuillmorChorusEngine&) = delete;

    //==============================================================================
    // Parameter table

    /** Writes the table row of `index` (range, default, curve) into its record and
        marks it unset (real value -10000, normalised -1). Indices outside 0..34 are ignored. */
    void initParameter (int index) noexcept;

    /** The default of parameter `index` as a normalised value (0 to 1). */
    float getDefaultNormalized (int index) const noexcept;

    /** The last normalised value set for parameter `index` (-1 before the first set). */
    float getParameterNormalized (int index) const noexcept;

    /** The current real value of parameter `index`, in the parameter's unit. */
    float getParameterValue (int index) const noexcept;

    /** Stores a normalised value, maps it to the real value by the parameter's curve and
        applies it. A value equal to the stored one, a non-finite value, one whose real
        value would overflow or an index outside 0..34 changes nothing. Values outside
        0 to 1 are mapped unclamped; gains taken from decibels stop at +120 dB. */
    void setParameter (int index, float normalisedValue) noexcept;

    /** Applies the current real value of parameter `index` to the engine's members and
        building blocks. Indices outside 0..34 do nothing. */
    void parameterChanged (int index) noexcept;

    //==============================================================================
    // Sample rate and reset

    /** Sets the host rate in whole hertz. Acts only when it differs from the current
        rate and is positive: then resets the signal state and recomputes every
        rate-dependent value. */
    void setSampleRate (int rate) noexcept;

    /** Clears the signal state: main delay lines, diffusers, the input-side filter
        states and the control-block buffers. LFOs, smoothers, resamplers, the FIFO
        position and all settings run on. */
    void reset() noexcept;

    //==============================================================================
    // Delay time, tap layout and modulation rates

    /** Stores the host tempo (beats per minute) and recomputes the delay length when it changed. */
    void setTempo (float bpm) noexcept;

    /** Recomputes `delayLengthSamples` (samples) from the free delay time or the
        tempo-synced note value. */
    void updateDelayTime() noexcept;

    /** Places the taps of `mode` as fractions of the delay length from Spread, Skew and Random. */
    void updateTapDelays (int mode) noexcept;

    /** Sets the linear tap gains of `mode` from Slope, normalised to unit energy. */
    void updateTapGains (int mode) noexcept;

    /** Sets the rates (Hz at the control rate) of the detune LFOs that `mode` uses. */
    void updateDetuneRates (int mode) noexcept;

    /** Sets the rates of the vibrato LFOs that `mode` uses and their per-tap depth factors. */
    void updateVibratoRates (int mode) noexcept;

    /** Fills the 16Phase tables: left taps at even, right taps at odd multiples of pi/8. */
    void initPhaseTables() noexcept;

    //==============================================================================
    // Settings taken from parameters
    int chorusMode = 0;
    int delaySyncIndex = -1;
    int colorMode = 0;
    bool driveEnabled = false;
    bool drivePost = false;
    bool halfSpeed = false;
    QuillmorEngineParameter parameters[numParameters];
    float sampleRate = 48000.0f;
    float controlDivisor = 16.0f;

    // Copies of real parameter values that later recomputations read
    float mixPercent = 0.0f;
    float depthPercent = 0.5f;
    float delayMs = 0.0f;
    float spreadPercent = 0.0f;
    float slopePercent = 0.0f;
    float skewPercent = 0.0f;
    float randomPercent = 0.0f;
    float detuneRateHz = 0.0f;
    float detuneDepthPercent = 0.0f;
    float vibratoRateHz = 0.0f;
    float vibratoDepthPercent = 0.0f;
    float overMod = 1.0f;

    // Derived values
    float wetGain = 0.0f;
    float dryGain = 1.0f;
    float feedbackGain = 0.0f;
    float delayLengthSamples = 0.0f;
    float highCutCoefficient = 1.0f;
    float highCutCoefficient2x = 1.0f;
    float spatialXoverCoefficient = 0.0f;
    float detuneDepthSamples = 0.0f;
    float vibratoDepthSamples = 0.0f;
    float smoothingTimeMs = 500.0f;
    float tapGainsLeft[maxTaps] = {};
    float tapGainsRight[maxTaps] = {};
    float tapPositionsLeft[maxTaps] = {};
    float tapPositionsRight[maxTaps] = {};
    float phaseSinLeft[numPhases] = {};
    float phaseSinRight[numPhases] = {};
    float phaseCosLeft[numPhases] = {};
    float phaseCosRight[numPhases] = {};
    float vibratoDepthScalesLeft[maxTaps] = {};
    float vibratoDepthScalesRight[maxTaps] = {};
    float tempoBpm = 120.0f;
    float widthSinNarrow = 1.0f;
    float widthCosNarrow = 0.0f;
    float widthSin = 1.0f;
    float widthCos = 0.0f;
    float driveInputGain = 3.0f;
    float driveOutputGain = -0.5f;
    float driveNoiseGain = 0.000333f;
    float driveHighpassHz = 100.0f;
    float tapGainLinear = 1.0f;
    bool diffusionEnabled = false;
    float inputGainLeftFromLeft = 1.0f;
    float inputGainLeftFromRight = 0.0f;
    float inputGainRightFromRight = 1.0f;
    float inputGainRightFromLeft = 0.0f;
    float filterDesign[3] = {};   ///< design scratch (b0, b1, a1), never run as a filter
    float controlSmoothingCoefficient = 0.0f;
    float mixSmoothingCoefficient = 0.0f;
    int blockPosition = 0;

    // Building blocks ([0] left, [1] right unless noted)
    QuillmorMultiTapDelay delayLines[2];
    QuillmorDiffuser diffusers[2];
    QuillmorFirstOrderFilter lowCutFilters[2];
    QuillmorFirstOrderFilter driveHighpassFilters[2];
    QuillmorFirstOrderFilter allpassZeroFilters[2];
    QuillmorFirstOrderFilter allpassPoleFilters[4];   ///< [0], [1] output path; [2], [3] feedback taps
    QuillmorSmoother highCutFilters[4];               ///< [2], [3] the Dark second stage
    QuillmorSmoother driveHighCutFilters[2];
    QuillmorSmoother spatialXoverFilters[2];
    QuillmorSlowLfo detuneLfos[maxTaps];
    QuillmorSineLfo vibratoLfos[2][maxTaps];          ///< [channel][tap]
    QuillmorFeedbackRotator feedbackRotator;
    QuillmorSmoother tapDelaySmoothers[2][maxTaps];   ///< [channel][tap], values in samples
    QuillmorAntiDenormal antiDenormals[2];
    QuillmorHalfbandFilter driveUpsamplers[2];
    QuillmorHalfbandFilter halfSpeedUpsamplers[4];    ///< [0], [1] tap signal; [2], [3] output sum
    QuillmorHalfbandFilter driveDownsamplers[2];
    QuillmorHalfbandFilter halfSpeedDownsamplers[2];
    QuillmorNoise noises[2];
    QuillmorSmoother detuneDepthSmoother;
    QuillmorSmoother vibratoDepthSmoother;
    QuillmorSmoother wetGainSmoother;
    QuillmorSmoother dryGainSmoother;

    // Control-block buffers, 16-byte aligned, allocated once by the constructor
    float* blockBuffers[6] = {};          ///< 16 floats: working pair, auxiliary pair, half-speed pair
    float* oversampledBuffers[4] = {};    ///< 32 floats: oversampled pair, noise pair
    float* fifoBuffers[2] = {};           ///< 16 floats
    float* feedbackBuffers[2] = {};       ///< 16 floats
    float* crossoverLowBuffers[2] = {};   ///< 16 floats
    float* crossoverHighBuffers[2] = {};  ///< 16 floats

    //==============================================================================
    // Block processing: the 36 routines, their dispatch table and the shared frame
    // (engine/QuillmorBlockFrame.h). Each mode adds its four routines here and its
    // row in getProcessRoutine.

    /** Renders numSamples of stereo audio in 2TapChorus, Bright colour, full speed.
        inputs and outputs hold two channel pointers each and may be the same arrays;
        any numSamples is accepted (0 or less does nothing); numChannels is not read. */
    void process2TapChorusBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, Dark colour. */
    void process2TapChorusDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, half speed. */
    void process2TapChorusBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, Dark colour and half speed. */
    void process2TapChorusDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;

    /** As process2TapChorusBrightFull, in 4TapEnsemble (two taps per channel). */
    void process4TapEnsembleBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process4TapEnsembleBrightFull, Dark colour. */
    void process4TapEnsembleDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process4TapEnsembleBrightFull, half speed. */
    void process4TapEnsembleBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process4TapEnsembleBrightFull, Dark colour and half speed. */
    void process4TapEnsembleDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;

    /** As process2TapChorusBrightFull, in SuperSix (three taps per channel, sines read at 0, 60 and 120 degrees). */
    void processSuperSixBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As processSuperSixBrightFull, Dark colour. */
    void processSuperSixDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As processSuperSixBrightFull, half speed. */
    void processSuperSixBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As processSuperSixBrightFull, Dark colour and half speed. */
    void processSuperSixDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;

    /** As process2TapChorusBrightFull, in 6TapRandom (three taps per channel, triangles reversing at random). */
    void process6TapRandomBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process6TapRandomBrightFull, Dark colour. */
    void process6TapRandomDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process6TapRandomBrightFull, half speed. */
    void process6TapRandomBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process6TapRandomBrightFull, Dark colour and half speed. */
    void process6TapRandomDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;

    /** As process2TapChorusBrightFull, in DualEnsemble (two three-voice ensembles, one per channel). */
    void processDualEnsembleBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As processDualEnsembleBrightFull, Dark colour. */
    void processDualEnsembleDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As processDualEnsembleBrightFull, half speed. */
    void processDualEnsembleBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As processDualEnsembleBrightFull, Dark colour and half speed. */
    void processDualEnsembleDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;

    /** As process2TapChorusBrightFull, in 8Tap (four taps per channel), Bright colour, full speed. */
    void process8TapBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 8Tap (four taps per channel), Bright colour, half speed. */
    void process8TapBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 8Tap (four taps per channel), Dark colour, full speed. */
    void process8TapDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 8Tap (four taps per channel), Dark colour, half speed. */
    void process8TapDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 16Phase (eight phased taps per channel), Bright colour, full speed. */
    void process16PhaseBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 16Phase (eight phased taps per channel), Bright colour, half speed. */
    void process16PhaseBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 16Phase (eight phased taps per channel), Dark colour, full speed. */
    void process16PhaseDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 16Phase (eight phased taps per channel), Dark colour, half speed. */
    void process16PhaseDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 16Tap (eight taps per channel), Bright colour, full speed. */
    void process16TapBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 16Tap (eight taps per channel), Bright colour, half speed. */
    void process16TapBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 16Tap (eight taps per channel), Dark colour, full speed. */
    void process16TapDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 16Tap (eight taps per channel), Dark colour, half speed. */
    void process16TapDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 32Tap (sixteen taps per channel), Bright colour, full speed. */
    void process32TapBrightFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 32Tap (sixteen taps per channel), Bright colour, half speed. */
    void process32TapBrightHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 32Tap (sixteen taps per channel), Dark colour, full speed. */
    void process32TapDarkFull (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;
    /** As process2TapChorusBrightFull, in 32Tap (sixteen taps per channel), Dark colour, half speed. */
    void process32TapDarkHalf (const float* const* inputs, float* const* outputs, int numSamples, int numChannels) noexcept;

    using ProcessRoutine = void (QuillmorChorusEngine::*) (const float* const*, float* const*, int, int);

    /** The routine for chorus mode 0 to 8, colour 0 (Bright) or 1 (Dark) and speed;
        nullptr for any other mode or colour. */
    static ProcessRoutine getProcessRoutine (int chorusMode, int colorMode, bool halfSpeed) noexcept;

    /** How a mode's taps serve the output and the feedback: shared, one tap per channel
        for both; separateFeedback, tap 0 at unit gain feeds back and the output sums
        all taps by their gains. */
    enum class TapArrangement { shared, separateFeedback };

    /** The frame: per-sample dry/wet mix into the FIFO, the network every 16 samples. */
    template <typename Mode, bool dark, bool half>
    void processWithFrame (const float* const* inputs, float* const* outputs, int numSamples) noexcept;
    /** One run of the control-block network on the 16 gathered samples. */
    template <typename Mode, bool dark, bool half>
    void runNetwork() noexcept;
    /** The mode's hook: steps its LFOs once and writes each tap's modulation offset in
        samples; depths are in samples, already halved at half speed. */
    template <typename Mode>
    void modulateTaps (float detuneDepth, float vibratoDepth, float* offsetsLeft, float* offsetsRight) noexcept;
    /** Overdrive of both channels' 16 samples: highpasses signal[c] in place, drives into result[c]. */
    void runDriveChains (float* const* signal, float* const* result) noexcept;
    /** Splits the block pair at the crossover and writes the width matrix into the FIFO. */
    void applyCrossoverAndWidth() noexcept;
    /** Clears every signal state, including those the engine reset keeps. */
    void clearSignalStateAfterFault() noexcept;
    /** True when none of n samples is infinite or NaN. */
    static bool allFinite (const float* x, int n) noexcept;
    //==============================================================================

private:
    /** Allocates and clears every control-block buffer; runs once, in the constructor. */
    void allocateBlockBuffers();
    /** Frees what `allocateBlockBuffers` allocated; runs once, in the destructor. */
    void freeBlockBuffers() noexcept;
    /** Zeroes every control-block buffer. */
    void clearBlockBuffers() noexcept;

    /** Loads the 2128 Hz emphasis allpass for the current rate into its zero and pole halves. */
    void designEmphasisAllpass() noexcept;
    /** Loads the overdrive's highpass at `driveHighpassHz` for the current rate. */
    void designDriveHighpass() noexcept;
    /** Recomputes `wetGain` from `mixPercent` and `tapGainLinear`. */
    void updateWetGain() noexcept;
    /** Recomputes `detuneDepthSamples` from DetuneDepth, Depth, OverMod and the rate. */
    void updateDetuneDepthTarget() noexcept;
    /** Recomputes `vibratoDepthSamples` from VibratoDepth, Depth and the rate. */
    void updateVibratoDepthTarget() noexcept;
    /** Sets the four width gains from StereoWidth (percent, 0 to 200). */
    void updateWidthGains (float widthPercent) noexcept;
    /** Sets the input routing matrix from the InputPan step number. */
    void updateInputRouting (float stepNumber) noexcept;
    /** Switches to the chorus mode of a "type" step number and re-runs its layout. */
    void changeChorusMode (float stepNumber) noexcept;
};
