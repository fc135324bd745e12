#include "ProcessorTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using quillmor_test::ChangeCounter;

namespace
{
    constexpr int mix = 0, delay = 3, driveOutGain = 23, colorMode = 27, delaySync = 28, type = 29, inputPan = 34;
}

TEST (ProcessorConstruction, StartsAtTheDefaults)
{
    QuillmorPelowin processor;

    ASSERT_EQ (processor.getNumParameters(), 35);
    for (int index = 0; index < 35; ++index)
        EXPECT_EQ (processor.getParameter (index), processor.getParameterDefaultValue (index)) << "index " << index;

    // (default - minimum) / (maximum - minimum) of a few rows, in float.
    EXPECT_EQ (processor.getParameter (mix), 0.5f);
    EXPECT_EQ (processor.getParameter (delay), 10.0f / 1000.0f);
    EXPECT_EQ (processor.getParameter (driveOutGain), 18.0f / 24.0f);
    EXPECT_EQ (processor.getParameter (delaySync), 0.0f);
    EXPECT_EQ (processor.getParameter (type), 1.0f / 24.0f);
    EXPECT_EQ (processor.getParameter (inputPan), 0.125f);

    EXPECT_EQ (processor.getName(), "QuillmorPelowin");
    EXPECT_EQ (processor.getPresetName(), "Default");
    EXPECT_EQ (processor.uiWidth, 670);
    EXPECT_EQ (processor.uiHeight, 365);
    EXPECT_FALSE (processor.mixLock);
}

TEST (ProcessorLayouts, AcceptStereoOrMonoInWithStereoOut)
{
    QuillmorPelowin processor;
    using Set = juce::AudioChannelSet;
    const auto supports = [&] (Set in, Set out) { return processor.checkBusesLayoutSupported ({ { in }, { out } }); };

    EXPECT_EQ (processor.getTotalNumInputChannels(), 2);
    EXPECT_EQ (processor.getTotalNumOutputChannels(), 2);
    EXPECT_TRUE (supports (Set::stereo(), Set::stereo()));
    EXPECT_TRUE (supports (Set::mono(), Set::stereo()));
    EXPECT_FALSE (supports (Set::stereo(), Set::mono()));
    EXPECT_FALSE (supports (Set::create5point1(), Set::stereo()));
}

TEST (ProcessorParameters, SendOneChangeMessagePerAcceptedChange)
{
    QuillmorPelowin processor;
    ChangeCounter changes (processor);

    processor.setParameter (mix, 0.25f);
    EXPECT_EQ (changes.flush(), 1);
    EXPECT_EQ (processor.getParameter (mix), 0.25f);

    processor.setParameter (mix, 0.25f);
    EXPECT_EQ (changes.flush(), 0) << "a repeated value is not a change";

    processor.setParameter (colorMode, 1.0f);
    processor.setParameter (colorMode, 1.0f);
    EXPECT_EQ (changes.flush(), 1);
}

TEST (ProcessorParameters, IgnoreValuesThatAreNoNumbers)
{
    QuillmorPelowin processor;
    processor.setParameter (mix, 0.3f);
    ChangeCounter changes (processor);

    for (float bad : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity() })
        processor.setParameter (mix, bad);

    EXPECT_EQ (processor.getParameter (mix), 0.3f);
    EXPECT_EQ (changes.flush(), 0);
}

TEST (ProcessorParameters, ClampOutOfRangeValuesToTheUnitRange)
{
    QuillmorPelowin processor;
    ChangeCounter changes (processor);

    processor.setParameter (mix, 2.0f);
    EXPECT_EQ (processor.getParameter (mix), 1.0f);
    EXPECT_EQ (changes.flush(), 1);

    processor.setParameter (mix, 7.5f);
    EXPECT_EQ (changes.flush(), 0) << "clamps to the value already stored";

    processor.setParameter (inputPan, -1.0f);
    EXPECT_EQ (processor.getParameter (inputPan), 0.0f);

    // The largest ColorMode a host can reach is Dark, never an unknown colour.
    processor.setParameter (colorMode, 1.0e6f);
    EXPECT_EQ (processor.getParameter (colorMode), 1.0f);
}

TEST (ProcessorParameters, IgnoreIndicesOutsideTheTable)
{
    QuillmorPelowin processor;
    ChangeCounter changes (processor);

    for (int index : { -1, 35, std::numeric_limits<int>::min() })
    {
        processor.setParameter (index, 0.7f);
        EXPECT_EQ (processor.getParameter (index), 0.0f);
        EXPECT_EQ (processor.getParameterDefaultValue (index), 0.0f);
    }

    EXPECT_EQ (changes.flush(), 0);
}
