#include "QuillmorPelowin.h"

#include "QuillmorPelowinEditor.h"

#include <cmath>
#include <limits>

QuillmorPelowin::QuillmorPelowin()
    : AudioProcessor (BusesProperties()
                          .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                          .withOutput ("Output", juce::AudioChannelSet::stereo(), true))
{
    for (int index = 0; index < QuillmorChorusEngine::numParameters; ++index)
        engine.initParameter (index);

    engine.setSampleRate (48000);

    // Every record is still unset here, so each default is applied and mapped in index order.
    for (int index = 0; index < QuillmorChorusEngine::numParameters; ++index)
        parameterValues[(size_t) index].store (engine.getDefaultNormalized (index));

    changedParameters.store (allParameters);
    applyParameterChanges();

    presetName = "Default";
}

QuillmorPelowin::~QuillmorPelowin() = default;

const juce::String QuillmorPelowin::getName() const { return "QuillmorPelowin"; }

void QuillmorPelowin::prepareToPlay (double, int)
{
    // An LV2 host knows our values only from the messages the wrapper sends with its
    // blocks, and nobody listens while we are constructed. The LV2 wrapper prepares us
    // once, after it starts listening and before its first block, which then carries
    // what we announce here: the audio thread never has to announce anything.
    if (wrapperType == wrapperType_LV2)
        announceParameterValues();
}
void QuillmorPelowin::releaseResources() {}

void QuillmorPelowin::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    const juce::ScopedNoDenormals noDenormals;

    // Every layout we accept has two output channels, so only a faulty caller gets here.
    // The engine's stereo result has nowhere to go; passing the input on would sound as
    // if the effect ran, and processing mono would write past the buffer or rely on how
    // a routine orders its reads and writes. Silence changes no engine state.
    if (buffer.getNumChannels() < 2)
    {
        buffer.clear();
        return;
    }

    applyParameterChanges();

    // A rate that truncates to nothing (or does not fit an int) is no rate at all:
    // the engine keeps the one it has.
    const double hostRate = getSampleRate();
    if (hostRate >= 1.0 && hostRate < static_cast<double> (std::numeric_limits<int>::max()))
        engine.setSampleRate (static_cast<int> (hostRate));

    if (auto* playHead = getPlayHead())
    {
        if (const auto position = playHead->getPosition())
        {
            // Hosts without a transport report no tempo, some report 0: keep the last good one.
            if (const auto bpm = position->getBpm();
                bpm.hasValue() && *bpm > 0.0 && *bpm <= static_cast<double> (std::numeric_limits<float>::max()))
                engine.setTempo (static_cast<float> (*bpm));

            engine.updateDelayTime();
        }
    }

    auto* const* channels = buffer.getArrayOfWritePointers();
    const float* inputs[2] = { channels[0], getTotalNumInputChannels() == 1 ? channels[0] : channels[1] };
    float* outputs[2] = { channels[0], channels[1] };

    const int colorMode = engine.colorMode;
    const int chorusMode = engine.chorusMode;
    const bool halfSpeed = engine.halfSpeed;

    // Only Bright (0) and Dark (1) have routines; any other colour value runs
    // the plainest routine rather than nothing.
    const auto routine = (colorMode == 0 || colorMode == 1)
                             ? QuillmorChorusEngine::getProcessRoutine (chorusMode, colorMode, halfSpeed)
                             : &QuillmorChorusEngine::process2TapChorusBrightFull;

    if (routine != nullptr)
        (engine.*routine) (inputs, outputs, buffer.getNumSamples(), 2);
}

void QuillmorPelowin::applyParameterChanges() noexcept
{
    // A value stored after the exchange marks its bit again and is applied next block;
    // applying one twice changes nothing, as the engine ignores an unchanged value.
    auto changed = changedParameters.exchange (0);

    for (int index = 0; changed != 0; ++index, changed >>= 1)
        if ((changed & 1u) != 0)
            engine.setParameter (index, parameterValues[(size_t) index].load());
}

void QuillmorPelowin::announceParameterValues (std::uint64_t which)
{
    for (int index = 0; which != 0; ++index, which >>= 1)
        if ((which & 1u) != 0)
            sendParamChangeMessageToListeners (index, getParameter (index));
}

void QuillmorPelowin::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    // A mono input reaches both outputs; a stereo buffer is already its own output.
    // The engine does not run, so its control block resumes where it stopped.
    if (getTotalNumInputChannels() == 1 && buffer.getNumChannels() > 1)
        buffer.copyFrom (1, 0, buffer, 0, 0, buffer.getNumSamples());
}

bool QuillmorPelowin::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto input = layouts.getMainInputChannelSet();
    return layouts.getMainOutputChannelSet() == juce::AudioChannelSet::stereo()
        && (input == juce::AudioChannelSet::stereo() || input == juce::AudioChannelSet::mono());
}

const juce::String QuillmorPelowin::getInputChannelName (int channelIndex) const  { return juce::String (channelIndex + 1); }
const juce::String QuillmorPelowin::getOutputChannelName (int channelIndex) const { return juce::String (channelIndex + 1); }
bool QuillmorPelowin::isInputChannelStereoPair (int) const  { return true; }
bool QuillmorPelowin::isOutputChannelStereoPair (int) const { return true; }

double QuillmorPelowin::getTailLengthSeconds() const { return 0.0; }
bool QuillmorPelowin::acceptsMidi() const  { return false; }
bool QuillmorPelowin::producesMidi() const { return false; }

void QuillmorPelowin::reset()
{
    engine.reset();
}

juce::AudioProcessorEditor* QuillmorPelowin::createEditor() { return new QuillmorPelowinEditor (*this); }
bool QuillmorPelowin::hasEditor() const { return true; }

//==============================================================================
bool QuillmorPelowin::isParameterIndex (int index) noexcept
{
    return index >= 0 && index < QuillmorChorusEngine::numParameters;
}

int QuillmorPelowin::getNumParameters() { return QuillmorChorusEngine::numParameters; }

juce::String QuillmorPelowin::getParameterID (int index) { return getParameterName (index); }

float QuillmorPelowin::getParameter (int index)
{
    return isParameterIndex (index) ? parameterValues[(size_t) index].load() : 0.0f;
}

float QuillmorPelowin::getParameterDefaultValue (int index)
{
    return isParameterIndex (index) ? engine.getDefaultNormalized (index) : 0.0f;
}

void QuillmorPelowin::setParameter (int index, float newValue)
{
    storeParameter (index, newValue);
}

bool QuillmorPelowin::storeParameter (int index, float newValue)
{
    // Values reach us from hosts, state, presets and the clipboard: anything is possible,
    // while everything the plug-in itself writes lies in 0..1.
    if (! isParameterIndex (index) || ! std::isfinite (newValue))
        return false;

    // Adding zero turns -0 into +0: written as "-0", it would read back as +0, so what
    // the plug-in saved would not restore what it had.
    const float value = juce::jlimit (0.0f, 1.0f, newValue) + 0.0f;

    // Hosts resend unchanged automation values; only a real change reaches the editor.
    auto& stored = parameterValues[(size_t) index];
    if (value == stored.load())
        return false;

    stored.store (value);
    changedParameters.fetch_or (std::uint64_t { 1 } << index);
    sendChangeMessage();
    return true;
}

//==============================================================================
int QuillmorPelowin::getNumPrograms() { return 0; }
int QuillmorPelowin::getCurrentProgram() { return 0; }
void QuillmorPelowin::setCurrentProgram (int) {}
const juce::String QuillmorPelowin::getProgramName (int) { return {}; }
void QuillmorPelowin::changeProgramName (int, const juce::String&) {}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new QuillmorPelowin();
}
