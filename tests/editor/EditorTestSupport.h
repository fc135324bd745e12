#pragma once

// An editor opened on a processor, with HOME in a fresh folder (the user presets live
// under it) and a recorder of what the host would be told.

#include <gtest/gtest.h>

#include "../FreshFolder.h"
#include "QuillmorPelowin.h"
#include "QuillmorPelowinEditor.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace juce
{
// JUCE's own dispatcher: without modal loops, the only way to deliver queued messages.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace editortest
{
inline void pumpMessages()
{
    while (juce::dispatchNextMessageOnSystemQueue (true)) {}
}

/** Delivers messages, timers' too, until the condition holds (true) or a minute passes:
    a loaded machine can hold a timer back for seconds. */
template <typename Condition>
bool pumpUntil (Condition condition)
{
    for (const auto end = juce::Time::getMillisecondCounter() + 60000; ! condition(); juce::Thread::sleep (5))
        if (pumpMessages(); juce::Time::getMillisecondCounter() > end)
            return false;

    return true;
}

/** Runs `work`, and ends the test program with a message if it has not returned within a
    minute: what hangs would otherwise hang the whole run without saying where. */
template <typename Work>
void endWithinAMinute (const char* what, Work&& work)
{
    std::promise<void> done;
    std::thread watchdog ([what, finished = done.get_future()]
    {
        if (finished.wait_for (std::chrono::minutes (1)) == std::future_status::timeout)
        {
            std::fprintf (stderr, "%s did not end within a minute\n", what);
            std::abort();
        }
    });

    work();
    done.set_value();
    watchdog.join();
}

/** A desktop window without a native one behind it: mouse moves given to its peer go
    through JUCE's own mouse machinery into the components under the pointer, with or
    without a display. Its peer collects the area repainted. */
struct OffscreenWindow : juce::Component
{
    struct Peer : juce::ComponentPeer
    {
        using ComponentPeer::ComponentPeer;
        using ComponentPeer::globalToLocal;
        using ComponentPeer::localToGlobal;
        void* getNativeHandle() const override { return nullptr; }
        void setVisible (bool) override {}
        void setTitle (const juce::String&) override {}
        void setBounds (const juce::Rectangle<int>&, bool) override {}
        juce::Rectangle<int> getBounds() const override { return component.getBounds(); }
        juce::Point<float> localToGlobal (juce::Point<float> p) override { return p; }
        juce::Point<float> globalToLocal (juce::Point<float> p) override { return p; }
        void setMinimised (bool) override {}
        bool isMinimised() const override { return false; }
        void setFullScreen (bool) override {}
        bool isFullScreen() const override { return false; }
        void setIcon (const juce::Image&) override {}
        bool contains (juce::Point<int> p, bool) const override { return component.getLocalBounds().contains (p); }
        OptionalBorderSize getFrameSizeIfPresent() const override { return {}; }
        juce::BorderSize<int> getFrameSize() const override { return {}; }
        bool setAlwaysOnTop (bool) override { return false; }
        void toFront (bool) override {}
        void toBehind (ComponentPeer*) override {}
        bool isFocused() const override { return false; }
        void grabFocus() override {}
        void repaint (const juce::Rectangle<int>& area) override { repainted = repainted.getUnion (area); }
        void performAnyPendingRepaintsNow() override {}
        void setAlpha (float) override {}
        juce::StringArray getAvailableRenderingEngines() override { return {}; }
        void textInputRequired (juce::Point<int>, juce::TextInputTarget&) override {}

        juce::Rectangle<int> repainted;
    };

    explicit OffscreenWindow (juce::Component& content)
    {
        setBounds (content.getBounds());
        addAndMakeVisible (content);
        setVisible (true);
        addToDesktop (0);
    }

    juce::ComponentPeer* createNewPeer (int styleFlags, void*) override { return new Peer (*this, styleFlags); }
    Peer& peer() { return *static_cast<Peer*> (getPeer()); }

    /** The mouse, no button held, moves to a point of the window (off it when outside). */
    void moveMouseTo (juce::Point<int> p)
    {
        peer().handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, p.toFloat(), {}, 0.0f, 0.0f,
                                 juce::Time::currentTimeMillis());
    }
};

/** 'b' gesture begin, 'v' value, 'e' gesture end. */
struct HostEvent
{
    char kind;
    int index;
    float value;
    bool operator== (const HostEvent& o) const { return kind == o.kind && index == o.index && value == o.value; }
};

inline void PrintTo (const HostEvent& e, std::ostream* os) { *os << e.kind << e.index << "=" << e.value; }

inline std::vector<HostEvent> gesture (int index, float value) { return { { 'b', index, 0 }, { 'v', index, value }, { 'e', index, 0 } }; }

struct HostRecorder : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged (juce::AudioProcessor*, int i, float v) override { events.push_back ({ 'v', i, v }); }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int i) override { events.push_back ({ 'b', i, 0 }); }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int i) override { events.push_back ({ 'e', i, 0 }); }

    std::vector<HostEvent> events;
};

class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE (home, juce::File()) << "no home folder could be made in the temporary folder";
        home.getChildFile (".config").createDirectory();
        ::setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
        ::unsetenv ("XDG_CONFIG_HOME");   // else the user folder would lie outside HOME
        processor.addListener (&host);
    }

    ~EditorTest() override
    {
        closeEditor();
        processor.removeListener (&host);
        ::setenv ("HOME", previousHome.c_str(), 1);
        // Not JUCE's deleteRecursively: its listing cannot take names that are not UTF-8.
        std::error_code error;
        std::filesystem::remove_all (home.getFullPathName().toStdString(), error);
    }

    QuillmorPelowinEditor& openEditor()
    {
        editor = std::make_unique<QuillmorPelowinEditor> (processor);
        return *editor;
    }

    void closeEditor()
    {
        if (editor != nullptr)
            processor.editorBeingDeleted (editor.get());

        editor.reset();
        window.reset();
    }

    /** Puts the open editor into a window that takes mouse moves. */
    OffscreenWindow& putInWindow()
    {
        window = std::make_unique<OffscreenWindow> (*editor);
        return *window;
    }

    /** A host change, delivered to the editor with what it sends back in turn. */
    void hostSets (int index, float value)
    {
        processor.setParameter (index, value);
        processor.dispatchPendingMessages();
        pumpMessages();
    }

    /** A press and release in the middle of the button, delivered at once. */
    static void click (juce::Button& button)
    {
        const auto centre = button.getLocalBounds().toFloat().getCentre();
        const auto now = juce::Time::getCurrentTime();
        const juce::MouseEvent e (juce::Desktop::getInstance().getMainMouseSource(), centre,
                                  juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier), 1.0f, 0, 0, 0, 0,
                                  &button, &button, now, centre, now, 1, false);
        juce::Component& target = button;   // the handlers are public on Component
        target.mouseDown (e);
        target.mouseUp (e);
    }

    /** A preset written by the processor itself, under the given name. */
    juce::File writePreset (const juce::File& file, const juce::String& name)
    {
        const auto previousName = processor.getPresetName();
        processor.setPresetName (name);
        file.getParentDirectory().createDirectory();
        EXPECT_TRUE (processor.savePresetFile (file));
        processor.setPresetName (previousName);
        return file;
    }

    std::string previousHome { std::getenv ("HOME") != nullptr ? std::getenv ("HOME") : "" };
    juce::File home { quillmor::test::makeFreshFolder ("quillmor-editor-home-") };
    QuillmorPelowin processor;
    HostRecorder host;
    std::unique_ptr<QuillmorPelowinEditor> editor;
    std::unique_ptr<OffscreenWindow> window;
};
} // namespace editortest
