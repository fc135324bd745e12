// Test main for the programs that link the plug-in: JUCE's message manager and
// GUI singletons must exist before a processor or an editor is created.
#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#if JUCE_LINUX || JUCE_BSD
 #include <X11/Xlib.h>
#endif

int main (int argc, char** argv)
{
    // As hosts do: JUCE installs an X error handler only in a standalone application, and
    // Xlib's own ends the process at the first error, such as a window-manager property
    // that a display without a window manager has no name for.
   #if JUCE_LINUX || JUCE_BSD
    XSetErrorHandler ([] (Display*, XErrorEvent*) { return 0; });
   #endif

    juce::ScopedJuceInitialiser_GUI juce;
    ::testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
