// Writes the fuzzers' seed corpus with the plug-in's own writers: for a few
// processors (defaults, random values, every value at 0 and at 1, mix lock and
// editor sizes at both limits) the host state block, the preset file and the
// clipboard text, into <folder>/state, <folder>/preset and <folder>/clipboard;
// then a few hostile texts in all three forms.
#include <QuillmorPelowin.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdio>
#include <functional>
#include <random>
#include <string>

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

/** The same text as a packed state block, a preset file and clipboard text. */
void writeTextSeeds (const juce::File& folder, const juce::String& name, const std::string& text)
{
    juce::MemoryBlock state ("VC2!", 4);
    const auto length = juce::ByteOrder::swapIfBigEndian ((juce::uint32) text.size());
    state.append (&length, 4);
    state.append (text.c_str(), text.size() + 1);
    folder.getChildFile ("state/" + name + ".bin").replaceWithData (state.getData(), state.getSize());
    folder.getChildFile ("preset/" + name + ".qpreset").replaceWithData (text.data(), text.size());
    folder.getChildFile ("clipboard/" + name + ".txt").replaceWithData (text.data(), text.size());
}

std::string repeated (const char* part, int count)
{
    return juce::String::repeatedString (part, count).toStdString();
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

    // Over-long forms of markup characters, zero bytes, references and entities, nesting,
    // references beyond Unicode, negative zero, bytes JUCE decodes beyond Unicode or as ASCII.
    const std::string element = "<QuillmorPelowin presetName=\"Hostile\" Mix=\"0.1\"";
    const std::pair<const char*, std::string> hostile[] = {
        { "overlong-doctype", "\xc0\xbc!DOCTYPE q [\xc0\xbc!ENTITY a \"&a;&a;\">]>" + element + " Depth=\"&a;\"/>" },
        { "overlong-quote", element + " Depth=\"0.2\xc0\xa2 Spread=\xe0\x80\xa2" "0.9\xf0\x80\x80\xa2\"/>" },
        { "nested", element + ">" + repeated ("<a>", 100) + repeated ("</a>", 100) + "</QuillmorPelowin>" },
        { "nested-overlong", element + ">" + repeated ("\xc0\xbc" "a>", 100) },
        { "zero-byte", element + std::string (" Depth=\"0.2\"\0 Spread=\"0.3\"/>", 29) },
        { "unquoted", element + " Feedback=0.5 Spread=\"0.3\"/>" },
        { "references", element + " Depth='&#48;.&#x35;' presetName=\"&amp;&LT;&gt;&quot;&apos;&#233;&#x1F600;&u; &\"/>" },
        { "layout", "\xef\xbb\xbf<?xml version=\"1.0\"?>\r\n<!-- c --><quillmorpelowin\tPRESETNAME='caf\xc3\xa9'\r\n"
                    " MIX = '0.1'></quillmorpelowin>\r\n" },
        { "latin1", "<QuillmorPelowin presetName=\"caf\xe9\" Mix=\"0.1\"/>" },
        { "beyond-unicode", "<QuillmorPelowin presetName=\"a&#x400041;b&#4294967356;\" Mix=\"0.1\" Depth=\"0&#x400000;"
                            + std::string (40, 'A') + "\"/>" },
        { "negative-zero", element + " Depth=\"-0.0\" Spread=\"-1e-99999\"/>" },
        { "beyond-unicode-bytes", "<QuillmorPelowin presetName=\"A\xf4\x90\x80\x80 \xf7\xbf\xbf\xbf\" Mix=\"0.1\"/>" },
        // Bytes JUCE's decoder reads as ASCII: a lone AF as '/', AE as '.', B5 as '5', E9 before a blank as a tab.
        { "ascii-bytes", "<QuillmorPelowin presetName=\"x\xaf\xae\xae a\xaf" "b Caf\xe9 \" Mix=\"0\xae\xb5\"/>" },
    };

    for (const auto& [name, text] : hostile)
        writeTextSeeds (folder, name, text);

    return 0;
}
