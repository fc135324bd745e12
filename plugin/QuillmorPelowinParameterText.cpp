#include "QuillmorPelowin.h"
#include "QuillmorPelowinText.h"

namespace
{
/** How one parameter is named and shown. A number is written with two decimals
    followed by `unit`; a switch shows `aboveHalf` when its real value is above
    0.5 and `otherwise` else (NaN included). */
struct ParameterTextRule
{
    const char* identifier;
    const char* unit;       // nullptr for a switch
    const char* aboveHalf;
    const char* otherwise;
};

constexpr ParameterTextRule parameterTextRules[QuillmorChorusEngine::numParameters] = {
    { "Mix",            " % ",  nullptr, nullptr },
    { "Depth",          " % ",  nullptr, nullptr },
    { "StereoWidth",    " % ",  nullptr, nullptr },
    { "Delay",          " ms ", nullptr, nullptr },
    { "Feedback",       " % ",  nullptr, nullptr },
    { "Spread",         " % ",  nullptr, nullptr },
    { "Slope",          " % ",  nullptr, nullptr },
    { "Skew",           " % ",  nullptr, nullptr },
    { "Random",         " % ",  nullptr, nullptr },
    { "TapGain",        " dB ", nullptr, nullptr },
    { "Diffusion",      " % ",  nullptr, nullptr },
    { "DiffSize",       " ms ", nullptr, nullptr },
    { "DiffModRate",    " Hz ", nullptr, nullptr },
    { "DiffModDepth",   " % ",  nullptr, nullptr },
    { "LowCut",         " Hz ", nullptr, nullptr },
    { "HighCut",        " Hz ", nullptr, nullptr },
    { "SpatialXover",   " Hz ", nullptr, nullptr },
    { "DetuneRate",     " Hz ", nullptr, nullptr },
    { "DetuneDepth",    " ",    nullptr, nullptr },
    { "VibratoRate",    " Hz ", nullptr, nullptr },
    { "VibratoDepth",   " ",    nullptr, nullptr },
    { "OverMod",        " X ",  nullptr, nullptr },
    { "DriveInGain",    " dB ", nullptr, nullptr },
    { "DriveOutGain",   " dB ", nullptr, nullptr },
    { "DriveNoiseGain", " dB ", nullptr, nullptr },
    { "FeedbackRotate", " % ",  nullptr, nullptr },
    { "SmoothingTime",  " ms ", nullptr, nullptr },
    { "ColorMode",      nullptr, "Dark", "Bright" },
    { "DelaySync",      "",     nullptr, nullptr },
    { "type",           "",     nullptr, nullptr },
    { "DiffEnable",     nullptr, "On",   "Off" },
    { "Drive",          nullptr, "On",   "Off" },
    { "DrivePrePost",   nullptr, "Post", "Pre" },
    { "Speed",          nullptr, "1/2X", "1X" },
    { "InputPan",       "",     nullptr, nullptr },
};
} // namespace

const juce::String QuillmorPelowin::getParameterName (int index)
{
    return isParameterIndex (index) ? juce::String (parameterTextRules[index].identifier) : juce::String();
}

const juce::String QuillmorPelowin::getParameterText (int index)
{
    if (! isParameterIndex (index))
        return {};

    const auto& rule = parameterTextRules[index];
    // The engine may not have applied the newest value yet: map the stored one by the
    // parameter's own curve. Range and curve are written once, by the constructor.
    const auto& record = engine.parameters[index];
    QuillmorEngineParameter mapping;
    mapping.minimum = record.minimum;
    mapping.maximum = record.maximum;
    mapping.curve = record.curve;
    mapping.skew = record.skew;
    mapping.normalised = getParameter (index);
    mapping.updateValue (mapping.curve);
    const float realValue = mapping.value;

    if (rule.unit == nullptr)
        return realValue > 0.5f ? rule.aboveHalf : rule.otherwise;

    return juce::String (quillmor::text::formatTwoDecimals (realValue)) + rule.unit;
}
