// Feeds arbitrary bytes to one of the plug-in's three ways in from outside, chosen
// when built (QUILLMOR_FUZZ_INPUT): 0 the host's state block, 1 a preset file,
// 2 clipboard text. After every input the processor must hold only values a host
// can use, one block with those values must give finite output, the state it now
// writes must restore to exactly the same processor, and its clipboard text and a
// preset file it saves must bring back the same values and name. Then the same again
// with a preset name made of the input's first bytes, as JUCE decodes a file name.
#include <QuillmorPelowin.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
constexpr int numParameters = QuillmorChorusEngine::numParameters;

[[noreturn]] void fail (const std::string& what, int index = -1)
{
    std::fprintf (stderr, "quillmor fuzz: %s (parameter %d)\n", what.c_str(), index);
    std::abort();
}

/** Puts back everything state can touch as a new processor has it. The processors
    are reused across inputs: each new one would post a change message to a queue
    that nothing here dispatches. */
void restoreDefaults (QuillmorPelowin& p)
{
    for (int i = 0; i < numParameters; ++i)
        p.setParameter (i, p.getParameterDefaultValue (i));

    p.setPresetName ("Default");
    p.mixLock = false;
    p.uiWidth = 670;
    p.uiHeight = 365;
}

void checkUsable (QuillmorPelowin& p)
{
    for (int i = 0; i < numParameters; ++i)
    {
        const float value = p.getParameter (i);

        if (! (std::isfinite (value) && value >= 0.0f && value <= 1.0f))
            fail ("parameter outside 0..1 or not finite", i);
    }

    if (p.uiWidth < QuillmorPelowin::minEditorWidth || p.uiWidth > QuillmorPelowin::maxEditorWidth
         || p.uiHeight < QuillmorPelowin::minEditorHeight || p.uiHeight > QuillmorPelowin::maxEditorHeight)
        fail ("editor size outside its limits");
}

/** What every way back carries: the 35 values and the name, bit for bit. Strings that
    compare equal may hold different bytes: JUCE reads an over-long form as the
    character it spells. */
void checkSameValuesAndName (QuillmorPelowin& a, QuillmorPelowin& b, const std::string& way)
{
    for (int i = 0; i < numParameters; ++i)
    {
        const float x = a.getParameter (i), y = b.getParameter (i);

        if (std::memcmp (&x, &y, sizeof (float)) != 0)
            fail (way + " differs in a parameter", i);
    }

    if (std::strcmp (a.getPresetName().toRawUTF8(), b.getPresetName().toRawUTF8()) != 0)
        fail (way + " differs in the preset name");
}

/** Values reach the engine only with a block: run a short one on a quiet signal. */
void checkBlockIsFinite (QuillmorPelowin& p, juce::AudioBuffer<float>& audio)
{
    juce::MidiBuffer midi;
    audio.clear();
    audio.setSample (0, 0, 0.5f);
    audio.setSample (1, 0, -0.5f);
    p.processBlock (audio, midi);

    for (int channel = 0; channel < audio.getNumChannels(); ++channel)
        for (int i = 0; i < audio.getNumSamples(); ++i)
            if (! std::isfinite (audio.getSample (channel, i)))
                fail ("block output not finite");
}

struct Session
{
    juce::ScopedJuceInitialiser_GUI juce;
    QuillmorPelowin processor, restored;
    juce::AudioBuffer<float> audio { 2, 32 };
    // Unique per process: fuzzers started side by side must not share their files.
    juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getChildFile ("quillmor-fuzz-" + juce::Uuid().toString());
    juce::File presetFile = folder.getChildFile ("input.qpreset"), savedFile = folder.getChildFile ("saved.qpreset");

    Session() { folder.createDirectory(); }
    ~Session() { folder.deleteRecursively(); }
};

Session* session = nullptr;

/** Host state, clipboard text and a saved preset each bring back what the processor holds. */
void checkEveryWayBack (QuillmorPelowin& p)
{
    juce::MemoryBlock state;
    p.getStateInformation (state);

    auto& restored = session->restored;
    restoreDefaults (restored);
    restored.setStateInformation (state.getData(), static_cast<int> (state.getSize()));
    checkSameValuesAndName (p, restored, "restored state");

    if (p.mixLock != restored.mixLock || p.uiWidth != restored.uiWidth || p.uiHeight != restored.uiHeight)
        fail ("restored state differs in mix lock or editor size");

    juce::String text;
    p.getStateAsXmlText (text);
    restoreDefaults (restored);
    restored.setStateFromXmlText (text);
    checkSameValuesAndName (p, restored, "pasted clipboard text");

    if (! p.savePresetFile (session->savedFile))
        fail ("cannot save the preset file");

    restoreDefaults (restored);
    restored.loadPresetFile (session->savedFile);
    checkSameValuesAndName (p, restored, "loaded preset file");
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    session = new Session();
    std::atexit ([] { delete session; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    auto& p = session->processor;
    restoreDefaults (p);

#if QUILLMOR_FUZZ_INPUT == 0
    p.setStateInformation (data, static_cast<int> (size));
#elif QUILLMOR_FUZZ_INPUT == 1
    if (! session->presetFile.replaceWithData (data, size))
        fail ("cannot write the preset file");

    p.loadPresetFile (session->presetFile);
#else
    p.setStateFromXmlText (juce::String::fromUTF8 (reinterpret_cast<const char*> (data), static_cast<int> (size)));
#endif

    checkUsable (p);
    checkBlockIsFinite (p, session->audio);
    checkEveryWayBack (p);

    // Any bytes, read with their size as JUCE reads a chosen file's name: some decode
    // beyond U+10FFFF. A file name has at most 255 bytes; a state block's text starts
    // after its 8-byte header, whose length field holds zero bytes.
    const std::size_t skipped = QUILLMOR_FUZZ_INPUT == 0 ? std::min<std::size_t> (size, 8) : 0;
    p.setPresetName (juce::String::fromUTF8 (reinterpret_cast<const char*> (data + skipped),
                                             static_cast<int> (std::min<std::size_t> (size - skipped, 255))));
    checkEveryWayBack (p);
    return 0;
}
