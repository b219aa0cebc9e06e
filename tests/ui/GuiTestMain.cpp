#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

// The main of both GUI test programs. Components need the framework's message manager and the
// rest of the GUI runtime for the whole run; this thread is the message thread, so parameter
// changes reach the attachments synchronously.
int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    const juce::ScopedJuceInitialiser_GUI juceRuntime;
    return RUN_ALL_TESTS();
}
