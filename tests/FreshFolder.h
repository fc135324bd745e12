#pragma once

// Home folders for test processes, which ctest runs in parallel.

#include <juce_core/juce_core.h>

#include <stdlib.h>
#include <string>

namespace quillmor::test
{
/** A new empty folder in the temporary folder, made by the system under a name no other
    process holds (a name drawn from JUCE's clock-seeded Random is unique only by
    likelihood, and is made only after it was found free); an empty File if none could be. */
inline juce::File makeFreshFolder (const juce::String& prefix)
{
    auto pattern = juce::File::getSpecialLocation (juce::File::tempDirectory)
                       .getChildFile (prefix + "XXXXXX").getFullPathName().toStdString();

    return ::mkdtemp (pattern.data()) != nullptr ? juce::File (pattern) : juce::File();
}
} // namespace quillmor::test
