#include "QuillmorPelowin.h"

const juce::String QuillmorPelowin::getParameterName (int) { return {}; }
const juce::String QuillmorPelowin::getParameterText (int) { return {}; }
