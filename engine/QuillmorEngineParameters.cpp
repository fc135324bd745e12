// The parameter table and the mapping of real parameter values onto the engine.

#include "QuillmorChorusEngine.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace
{
    struct ParameterRow
    {
        float minimum, maximum, defaultValue;
        int curve;
    };

    constexpr int linear = QuillmorEngineParameter::linearCurve;
    constexpr int stepped = QuillmorEngineParameter::steppedCurve;

    // Ranges, defaults and curves, in parameter index order.
    constexpr ParameterRow parameterTable[QuillmorChorusEngine::numParameters] = {
        { 0.0f, 100.0f, 50.0f, linear },         // Mix, %
        { 0.0f, 100.0f, 50.0f, linear },         // Depth, %
        { 0.0f, 200.0f, 100.0f, linear },        // StereoWidth, %
        { 0.0f, 1000.0f, 10.0f, linear },        // Delay, ms
        { 0.0f, 100.0f, 0.0f, linear },          // Feedback, %
        { 0.0f, 100.0f, 50.0f, linear },         // Spread, %
        { -100.0f, 100.0f, 0.0f, linear },       // Slope, %
        { -100.0f, 100.0f, 0.0f, linear },       // Skew, %
        { 0.0f, 100.0f, 0.0f, linear },          // Random, %
        { -12.0f, 12.0f, 0.0f, linear },         // TapGain, dB
        { 0.0f, 100.0f, 50.0f, linear },         // Diffusion, %
        { 10.0f, 500.0f, 20.0f, linear },        // DiffSize, ms
        { 0.01f, 10.0f, 0.5f, linear },          // DiffModRate, Hz
        { 0.0f, 100.0f, 50.0f, linear },         // DiffModDepth, %
        { 10.0f, 2000.0f, 10.0f, linear },       // LowCut, Hz
        { 100.0f, 20000.0f, 20000.0f, linear },  // HighCut, Hz
        { 10.0f, 2000.0f, 300.0f, linear },      // SpatialXover, Hz
        { 0.01f, 10.0f, 0.5f, linear },          // DetuneRate, Hz
        { 0.0f, 100.0f, 50.0f, linear },         // DetuneDepth
        { 0.05f, 20.0f, 6.0f, linear },          // VibratoRate, Hz
        { 0.0f, 100.0f, 0.0f, linear },          // VibratoDepth
        { 1.0f, 100.0f, 1.0f, linear },          // OverMod, factor
        { 0.0f, 24.0f, 9.0f, linear },           // DriveInGain, dB
        { -24.0f, 0.0f, -6.0f, linear },         // DriveOutGain, dB
        { -120.0f, -30.0f, -90.0f, linear },     // DriveNoiseGain, dB
        { 0.0f, 100.0f, 50.0f, linear },         // FeedbackRotate, %
        { 1.0f, 1000.0f, 100.0f, linear },       // SmoothingTime, ms
        { 0.0f, 1.0f, 0.0f, linear },            // ColorMode: 0 Bright, 1 Dark
        { 1.0f, 18.0f, 1.0f, stepped },          // DelaySync, step number
        { 0.0f, 24.0f, 1.0f, stepped },          // type, chorus mode + 1
        { 0.0f, 1.0f, 0.0f, linear },            // DiffEnable
        { 0.0f, 1.0f, 0.0f, linear },            // Drive
        { 0.0f, 1.0f, 1.0f, linear },            // DrivePrePost: 0 Pre, 1 Post
        { 0.0f, 1.0f, 0.0f, linear },            // Speed: 0 1X, 1 1/2X
        { 0.0f, 8.0f, 1.0f, stepped },           // InputPan, step number
    };

    // Input routing gains per InputPan index: left from left, left from right,
    // right from right, right from left.
    constexpr float routingTable[5][4] = {
        { 1.0f, 0.0f, 1.0f, 0.0f },   // Stereo
        { 0.0f, 1.0f, 0.0f, 1.0f },   // Swap
        { 0.5f, 0.5f, 0.5f, 0.5f },   // Mono
        { 0.5f, 0.5f, 0.0f, 0.0f },   // Left: the mono sum into the left path only
        { 0.0f, 0.0f, 0.5f, 0.5f },   // Right
    };

    constexpr float pi = 3.1415927f;

    bool isValidIndex (int index) noexcept
    {
        return index >= 0 && index < QuillmorChorusEngine::numParameters;
    }

    /** x truncated toward zero to an int, saturating instead of overflowing for
        out-of-range host values. */
    int saturatingInt (double x) noexcept
    {
        if (x >= static_cast<double> (INT_MAX))
            return INT_MAX;
        if (x <= static_cast<double> (INT_MIN))
            return INT_MIN;
        return static_cast<int> (x);
    }

    /** The index of a step number: its integer part minus 1. */
    int stepIndex (float stepNumber) noexcept
    {
        return saturatingInt (std::floor (static_cast<double> (stepNumber)) - 1.0);
    }

    /** The quarter-circle angle of the equal-power dry/wet law, from Mix in percent. */
    float mixAngle (float mixPercent) noexcept
    {
        return mixPercent * 0.01f * pi * 0.5f;
    }

    /** A million times: far above every gain range of the table, yet finite, so that a
        value far outside its range cannot make every later sample infinite. */
    constexpr float highestGainDecibels = 120.0f;

    float decibelsToGain (float decibels) noexcept
    {
        return std::pow (10.0f, std::min (decibels, highestGainDecibels) / 20.0f);
    }
} // namespace

void QuillmorChorusEngine::initParameter (int index) noexcept
{
    if (! isValidIndex (index))
        return;

    const auto& row = parameterTable[index];
    auto& parameter = parameters[index];
    parameter.minimum = row.minimum;
    parameter.maximum = row.maximum;
    parameter.defaultValue = row.defaultValue;
    parameter.curve = row.curve;
    parameter.value = QuillmorEngineParameter::unsetValue;
    parameter.normalised = QuillmorEngineParameter::unsetNormalised;
}

float QuillmorChorusEngine::getDefaultNormalized (int index) const noexcept
{
    if (! isValidIndex (index))
        return 0.0f;

    const auto& parameter = parameters[index];
    return (parameter.defaultValue - parameter.minimum) / (parameter.maximum - parameter.minimum);
}

float QuillmorChorusEngine::getParameterNormalized (int index) const noexcept
{
    return isValidIndex (index) ? parameters[index].normalised : QuillmorEngineParameter::unsetNormalised;
}

float QuillmorChorusEngine::getParameterValue (int index) const noexcept
{
    return isValidIndex (index) ? parameters[index].value : QuillmorEngineParameter::unsetValue;
}

void QuillmorChorusEngine::setParameter (int index, float normalisedValue) noexcept
{
    // A NaN or infinite value would poison every formula downstream; there is
    // no sensible real value for it, so it is dropped.
    if (! isValidIndex (index) || ! std::isfinite (normalisedValue))
        return;

    auto& parameter = parameters[index];
    if (normalisedValue == parameter.normalised)
        return;

    // Far outside 0 to 1 a value can map past the float range, which means no more
    // than a non-finite one: the record keeps its last usable value.
    auto mapped = parameter;
    mapped.normalised = normalisedValue;
    mapped.updateValue (mapped.curve);
    if (! std::isfinite (mapped.value))
        return;

    parameter = mapped;
    parameterChanged (index);
}

void QuillmorChorusEngine::parameterChanged (int index) noexcept
{
    if (! isValidIndex (index))
        return;

    const float v = parameters[index].value;

    switch (index)
    {
        case mixParameter:
            mixPercent = v;
            dryGain = std::cos (mixAngle (mixPercent));
            updateWetGain();
            break;

        case depthParameter:
            depthPercent = v;
            updateDetuneDepthTarget();
            updateVibratoDepthTarget();
            break;

        case stereoWidthParameter:
            updateWidthGains (v);
            break;

        case delayParameter:
            delayMs = v;
            updateDelayTime();
            break;

        case feedbackParameter:
            feedbackGain = v * 0.01f;
            break;

        case spreadParameter:
            spreadPercent = v;
            updateTapDelays (chorusMode);
            break;

        case slopeParameter:
            slopePercent = v;
            updateTapGains (chorusMode);
            break;

        case skewParameter:
            skewPercent = v;
            updateTapDelays (chorusMode);
            break;

        case randomParameter:
            randomPercent = v;
            updateTapDelays (chorusMode);
            break;

        case tapGainParameter:
            tapGainLinear = decibelsToGain (v);
            updateWetGain();
            break;

        case diffusionParameter:
            // Opposite signs keep the two channels' diffusion decorrelated.
            diffusers[0].setAllpassGain (v * 0.01f * 0.75f + 0.001f);
            diffusers[1].setAllpassGain (v * 0.01f * (-0.75f) + 0.001f);
            break;

        case diffSizeParameter:
            for (auto& diffuser : diffusers)
                diffuser.setSize (v);
            break;

        case diffModRateParameter:
            diffusers[0].setModRate (v);
            diffusers[1].setModRate (v * 1.071f);
            break;

        case diffModDepthParameter:
            for (auto& diffuser : diffusers)
                diffuser.setModDepth (v * 0.01f);
            break;

        case lowCutParameter:
            QuillmorFirstOrderFilter::setHighpass (filterDesign, std::max (v, 5.0f), sampleRate);
            for (auto& filter : lowCutFilters)
                filter.copyCoefficients (filterDesign);
            break;

        case highCutParameter:
            highCutCoefficient = QuillmorSmoother::frequencyToCoefficient (v, sampleRate);
            highCutCoefficient2x = QuillmorSmoother::frequencyToCoefficient (v, 2.0f * sampleRate);
            break;

        case spatialXoverParameter:
            spatialXoverCoefficient = QuillmorSmoother::frequencyToCoefficient (v, sampleRate);
            break;

        case detuneRateParameter:
            detuneRateHz = v;
            updateDetuneRates (chorusMode);
            break;

        case detuneDepthParameter:
            detuneDepthPercent = v;
            updateDetuneDepthTarget();
            break;

        case vibratoRateParameter:
            vibratoRateHz = v;
            updateVibratoRates (chorusMode);
            break;

        case vibratoDepthParameter:
            vibratoDepthPercent = v;
            updateVibratoDepthTarget();
            break;

        case overModParameter:
            overMod = v;
            updateDetuneDepthTarget();
            break;

        case driveInGainParameter:
            driveInputGain = decibelsToGain (v);
            break;

        case driveOutGainParameter:
            driveOutputGain = decibelsToGain (v);
            break;

        case driveNoiseGainParameter:
            driveNoiseGain = decibelsToGain (v);
            break;

        case feedbackRotateParameter:
            feedbackRotator.setRotation (v * 0.01f);
            break;

        case smoothingTimeParameter:
            smoothingTimeMs = v;
            controlSmoothingCoefficient = QuillmorSmoother::timeToCoefficient (v, sampleRate / controlDivisor);
            for (auto& diffuser : diffusers)
                diffuser.setSmoothingTime (v);
            break;

        case colorModeParameter:
            // Truncated, not rounded: only a full 1 selects Dark.
            colorMode = saturatingInt (static_cast<double> (v));
            break;

        case delaySyncParameter:
            delaySyncIndex = stepIndex (v);
            updateDelayTime();
            break;

        case typeParameter:
            changeChorusMode (v);
            break;

        case diffEnableParameter:
            diffusionEnabled = v > 0.5f;
            break;

        case driveParameter:
            driveEnabled = v > 0.5f;
            break;

        case drivePrePostParameter:
            drivePost = v > 0.5f;
            break;

        case speedParameter:
            halfSpeed = v > 0.5f;
            break;

        case inputPanParameter:
            updateInputRouting (v);
            break;

        default:
            break;
    }
}

void QuillmorChorusEngine::updateWetGain() noexcept
{
    wetGain = static_cast<float> (static_cast<double> (tapGainLinear) * std::sin (static_cast<double> (mixAngle (mixPercent))));
}

void QuillmorChorusEngine::updateDetuneDepthTarget() noexcept
{
    const float rateScale = sampleRate / 48000.0f;
    detuneDepthSamples = 0.01f * detuneDepthPercent * depthPercent * overMod * 5.12f * rateScale;
}

void QuillmorChorusEngine::updateVibratoDepthTarget() noexcept
{
    const float rateScale = sampleRate / 48000.0f;
    vibratoDepthSamples = 0.01f * vibratoDepthPercent * depthPercent * 1.28f * rateScale;
}

void QuillmorChorusEngine::updateWidthGains (float widthPercent) noexcept
{
    // Below the crossover the width stops at 100 %, so the low band never
    // goes out of phase between the channels; above it the full range applies.
    const float a = widthPercent / 100.0f;
    const float narrow = a < 1.0f ? a * 0.5f : 0.5f;
    const float narrowAngle = (narrow + 0.5f) * pi * 0.5f;
    const float fullAngle = (a * 0.5f + 0.5f) * pi * 0.5f;

    widthSinNarrow = std::sin (narrowAngle);
    widthCosNarrow = std::cos (narrowAngle);
    widthSin = std::sin (fullAngle);
    widthCos = std::cos (fullAngle);
}

void QuillmorChorusEngine::updateInputRouting (float stepNumber) noexcept
{
    int row = std::max (stepIndex (stepNumber), 0);
    if (row >= 5)
        row = 0;

    inputGainLeftFromLeft = routingTable[row][0];
    inputGainLeftFromRight = routingTable[row][1];
    inputGainRightFromRight = routingTable[row][2];
    inputGainRightFromLeft = routingTable[row][3];
}

void QuillmorChorusEngine::changeChorusMode (float stepNumber) noexcept
{
    chorusMode = std::max (stepIndex (stepNumber), 0);

    updateDetuneRates (chorusMode);
    updateTapGains (chorusMode);
    updateVibratoRates (chorusMode);
    updateTapDelays (chorusMode);

    // The input-side filters start from silence in the new mode; the delay
    // lines and diffusers keep their contents so the change stays smooth.
    for (int c = 0; c < 2; ++c)
    {
        lowCutFilters[c].reset();
        highCutFilters[c].reset();
        allpassZeroFilters[c].reset();
        allpassPoleFilters[c].reset();
        driveHighpassFilters[c].reset();
        spatialXoverFilters[c].reset();
    }
}
