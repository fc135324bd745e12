#include <QuillmorPelowin.h>
#include <gtest/gtest.h>

TEST (ProcessorLifecycle, IdentifiesItself)
{
    QuillmorPelowin processor;
    EXPECT_EQ (processor.getName(), "QuillmorPelowin");
    EXPECT_EQ (processor.getPresetName(), "Default");
}
