#include "QuillmorPelowin.h"

void QuillmorPelowin::getStateInformation (juce::MemoryBlock&) {}
void QuillmorPelowin::setStateInformation (const void*, int) {}
juce::String QuillmorPelowin::getPresetName() const { return presetName; }
void QuillmorPelowin::setPresetName (const juce::String& newName) { presetName = newName; }
