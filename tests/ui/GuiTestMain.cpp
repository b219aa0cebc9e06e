#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

// The page and its widgets need the framework's message manager; this thread is its message
// thread, so parameter changes reach the attachments synchronously.
int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI gui;
    return RUN_ALL_TESTS();
}
