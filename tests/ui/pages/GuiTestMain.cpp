#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

// Components need the message manager and the rest of the GUI runtime for the whole run.
int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    const juce::ScopedJuceInitialiser_GUI juceRuntime;
    return RUN_ALL_TESTS();
}
