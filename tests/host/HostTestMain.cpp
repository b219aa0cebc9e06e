#include "HostedPlugin.h"

#include <gtest/gtest.h>

// The host test program's own entry point: the main thread is JUCE's message thread, as in a
// real host, and the plug-in modules are unloaded before JUCE shuts down.
int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juce;
    const int result = RUN_ALL_TESTS();
    releasePluginFormats();
    return result;
}
