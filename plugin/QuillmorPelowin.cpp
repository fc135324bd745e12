#include "QuillmorPelowin.h"

QuillmorPelowin::QuillmorPelowin()
    : AudioProcessor (BusesProperties()
                          .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                          .withOutput ("Output", juce::AudioChannelSet::stereo(), true))
{
    presetName = "Default";
}

QuillmorPelowin::~QuillmorPelowin() = default;

const juce::String QuillmorPelowin::getName() const { return "QuillmorPelowin"; }

void QuillmorPelowin::prepareToPlay (double, int) {}
void QuillmorPelowin::releaseResources() {}

void QuillmorPelowin::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    processBlockBypassed (buffer, midi);
}

void QuillmorPelowin::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    // A mono input reaches both outputs; a stereo buffer is already its own output.
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

void QuillmorPelowin::reset() {}

juce::AudioProcessorEditor* QuillmorPelowin::createEditor() { return new juce::GenericAudioProcessorEditor (*this); }
bool QuillmorPelowin::hasEditor() const { return true; }

int QuillmorPelowin::getNumParameters() { return 0; }
juce::String QuillmorPelowin::getParameterID (int index) { return getParameterName (index); }
float QuillmorPelowin::getParameter (int) { return 0.0f; }
float QuillmorPelowin::getParameterDefaultValue (int) { return 0.0f; }
void QuillmorPelowin::setParameter (int, float) {}

int QuillmorPelowin::getNumPrograms() { return 0; }
int QuillmorPelowin::getCurrentProgram() { return 0; }
void QuillmorPelowin::setCurrentProgram (int) {}
const juce::String QuillmorPelowin::getProgramName (int) { return {}; }
void QuillmorPelowin::changeProgramName (int, const juce::String&) {}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new QuillmorPelowin();
}
