// Test main for the program that loads the built plug-in bundles through JUCE's
// hosting classes. HOME points at an empty folder first, so that the LV2 host does
// not also pick up an installed (possibly older) copy from ~/.lv2.
#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "../../FreshFolder.h"

#include <cstdio>
#include <cstdlib>

// The LV2 host library bundled with JUCE keeps a copy of the search path that it
// never frees (39 bytes per LV2 format object), and never frees the plug-in classes
// it reads from the LV2 bundles installed on the system (the LV2 SDK's, whatever
// LV2_PATH says). Neither is ours to mend; the leak checker of sanitizer builds is
// told to let exactly these pass and still reports any other.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:lilv_world_set_option\n"
           "leak:lilv_plugin_class_new\n";
}

int main (int argc, char** argv)
{
    const auto home = quillmor::test::makeFreshFolder ("quillmor-wrapper-home-");
    if (home == juce::File())
    {
        std::fputs ("no home folder could be made in the temporary folder\n", stderr);
        return 1;
    }

    setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);

    int result = 0;
    {
        juce::ScopedJuceInitialiser_GUI juce;
        ::testing::InitGoogleTest (&argc, argv);
        result = RUN_ALL_TESTS();
    }

    home.deleteRecursively();
    return result;
}
