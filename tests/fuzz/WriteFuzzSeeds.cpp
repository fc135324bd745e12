// Writes the fuzzers' seed corpus with the plug-in's own writers: for a few
// processors (defaults, random values, every value at 0 and at 1, mix lock and
// editor sizes at both limits) the host state block, the preset file and the
// clipboard text, into <folder>/state, <folder>/preset and <folder>/clipboard.
#include <QuillmorPelowin.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdio>
#include <functional>
#include <random>

namespace
{
void writeSeeds (const juce::File& folder, const juce::String& name, QuillmorPelowin& p)
{
    juce::MemoryBlock state;
    p.getStateInformation (state);
    folder.getChildFile ("state/" + name + ".bin").replaceWithData (state.getData(), state.getSize());

    p.savePresetFile (folder.getChildFile ("preset/" + name + ".qpreset"));

    juce::String text;
    p.getStateAsXmlText (text);
    folder.getChildFile ("clipboard/" + name + ".txt").replaceWithText (text);
}

void setAll (QuillmorPelowin& p, const std::function<float (int)>& value)
{
    for (int i = 0; i < QuillmorChorusEngine::numParameters; ++i)
        p.setParameter (i, value (i));
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    const juce::File folder = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);

    for (auto sub : { "state", "preset", "clipboard" })
        folder.getChildFile (sub).createDirectory();

    {
        QuillmorPelowin p;
        writeSeeds (folder, "default", p);
    }

    for (unsigned seed = 1; seed <= 2; ++seed)
    {
        QuillmorPelowin p;
        std::mt19937 random (seed);
        std::uniform_real_distribution<float> unit (0.0f, 1.0f);
        setAll (p, [&] (int) { return unit (random); });
        p.setPresetName ("Random " + juce::String (seed));
        p.mixLock = seed == 2;
        writeSeeds (folder, "random-" + juce::String (seed), p);
    }

    {
        QuillmorPelowin p;
        setAll (p, [] (int) { return 0.0f; });
        p.setPresetName ("All at 0");
        p.uiWidth = 446;
        p.uiHeight = 243;
        writeSeeds (folder, "minimum", p);
    }

    {
        QuillmorPelowin p;
        setAll (p, [] (int) { return 1.0f; });
        p.setPresetName ("All at 1 & <\"quoted\">");
        p.mixLock = true;
        p.uiWidth = 1005;
        p.uiHeight = 547;
        writeSeeds (folder, "maximum", p);
    }

    return 0;
}
