#pragma once

// Shared fixture for the editor tests: a processor, an editor opened on it, a
// temporary HOME for the user preset folder, and a recorder of what reaches the host.

#include <gtest/gtest.h>

#include "QuillmorPelowin.h"
#include "QuillmorPelowinEditor.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace juce
{
// JUCE's own dispatcher of the message queue; without modal loops it is the only
// way a test can deliver asynchronous messages (clicks, combo-box notifications).
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace editortest
{
/** Delivers every message already posted, and those they post in turn. */
inline void pumpMessages()
{
    while (juce::dispatchNextMessageOnSystemQueue (true))
    {
    }
}

/** Points HOME at a fresh folder with .config (the user application data folder)
    for the object's lifetime. */
class TemporaryHome
{
public:
    TemporaryHome()
    {
        if (const char* home = std::getenv ("HOME"))
            previousHome = home;

        folder.createDirectory();
        folder.getChildFile (".config").createDirectory();
        ::setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
    }

    ~TemporaryHome()
    {
        ::setenv ("HOME", previousHome.c_str(), 1);
        folder.deleteRecursively();
    }

    // Random in the name: ctest runs the tests as parallel processes, and a name
    // checked for existence alone could be taken by two of them at once.
    juce::File folder { juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getChildFile ("quillmor-editor-home-" + juce::String::toHexString (juce::Random().nextInt64())) };

private:
    std::string previousHome;
};

/** What the host would see: gestures and values, in order. */
struct HostEvent
{
    enum Kind { begin, value, end } kind;
    int index;
    float normalised;

    bool operator== (const HostEvent& other) const
    {
        return kind == other.kind && index == other.index && (kind != value || normalised == other.normalised);
    }
};

inline std::ostream& operator<< (std::ostream& os, const HostEvent& e)
{
    const char* names[] = { "begin", "value", "end" };
    return os << names[e.kind] << " " << e.index << (e.kind == HostEvent::value ? " " + std::to_string (e.normalised) : "");
}

struct HostRecorder : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float newValue) override
    {
        events.push_back ({ HostEvent::value, index, newValue });
    }

    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override
    {
        events.push_back ({ HostEvent::begin, index, 0.0f });
    }

    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override
    {
        events.push_back ({ HostEvent::end, index, 0.0f });
    }

    std::vector<HostEvent> events;
};

/** A begin, one value and an end on one parameter: what every switch and box sends. */
inline std::vector<HostEvent> oneGesture (int index, float normalised)
{
    return { { HostEvent::begin, index, 0.0f }, { HostEvent::value, index, normalised }, { HostEvent::end, index, 0.0f } };
}

class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override { processor.addListener (&host); }

    void TearDown() override
    {
        closeEditor();
        processor.removeListener (&host);
    }

    QuillmorPelowinEditor& openEditor()
    {
        editor = std::make_unique<QuillmorPelowinEditor> (processor);
        return *editor;
    }

    void closeEditor()
    {
        if (editor != nullptr)
        {
            processor.editorBeingDeleted (editor.get());
            editor.reset();
        }
    }

    /** Sets a parameter as the host does and lets the editor see the change. */
    void hostSets (int index, float normalised)
    {
        processor.setParameter (index, normalised);
        processor.dispatchPendingMessages();
    }

    /** A left-button press and release in the middle of a button, as the mouse gives it;
        a button that is hidden or blocked by a modal window ignores it. */
    static void click (juce::Button& button)
    {
        const auto centre = button.getLocalBounds().toFloat().getCentre();
        const auto now = juce::Time::getCurrentTime();
        const juce::MouseEvent press (juce::Desktop::getInstance().getMainMouseSource(), centre,
                                      juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier), 1.0f, 0.0f, 0.0f,
                                      0.0f, 0.0f, &button, &button, now, centre, now, 1, false);
        juce::Component& target = button;   // the mouse handlers are public on Component
        target.mouseDown (press);
        target.mouseUp (press);
    }

    TemporaryHome home;
    QuillmorPelowin processor;
    HostRecorder host;
    std::unique_ptr<QuillmorPelowinEditor> editor;
};

/** A preset file written by the processor itself under the given name. */
inline juce::File writePreset (QuillmorPelowin& processor, const juce::File& file, const juce::String& name)
{
    const auto previousName = processor.getPresetName();
    processor.setPresetName (name);
    file.getParentDirectory().createDirectory();
    EXPECT_TRUE (processor.savePresetFile (file));
    processor.setPresetName (previousName);
    return file;
}
} // namespace editortest
