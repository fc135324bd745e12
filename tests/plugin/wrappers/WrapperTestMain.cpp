// Test main for the program that loads the built plug-in bundles through JUCE's
// hosting classes. HOME points at an empty folder first, so that the LV2 host does
// not also pick up an installed (possibly older) copy from ~/.lv2.
#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>

int main (int argc, char** argv)
{
    const auto home = juce::File::createTempFile ("home");
    home.createDirectory();
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
