// Applying the command line to the processor: step values and parameter settings.

#include "ProcessorSetup.h"

#include <gtest/gtest.h>

#include <sstream>

TEST (ProcessorSetup, StepListsReachBothModulatorsClampedToTheStepRange)
{
    RenderOptions options;
    StepPattern first {}, second {};
    for (size_t i = 0; i < 16; ++i)
    {
        first[i] = -1.0 + 2.0 * (double) i / 15.0;
        second[i] = 0.0625 * (double) i;
    }
    first[3] = 1.5;   // above the range
    second[9] = -2.0; // below it
    options.steps[0] = first;
    options.steps[1] = second;

    QuorvaneAudioProcessor processor;
    std::ostringstream warnings;
    ASSERT_TRUE (configureProcessor (processor, options, warnings).wasOk());

    for (int s = 0; s < 16; ++s)
    {
        const float expectedFirst = s == 3 ? 1.0f : (float) first[(size_t) s];
        const float expectedSecond = s == 9 ? -1.0f : (float) second[(size_t) s];
        EXPECT_EQ (processor.getStepValue (0, s), expectedFirst) << s;
        EXPECT_EQ (processor.getStepValue (1, s), expectedSecond) << s;
    }
    const auto text = warnings.str();
    EXPECT_NE (text.find ("--steps1: step 4 value 1.5"), std::string::npos) << text;
    EXPECT_NE (text.find ("--steps2: step 10 value -2"), std::string::npos) << text;
}

TEST (ProcessorSetup, LaterSettingsOfTheSameParameterWin)
{
    RenderOptions options;
    options.assignments = { { "mode", 4.0 }, { "heat", 30.0 }, { "mode", 12.0 } };

    QuorvaneAudioProcessor processor;
    std::ostringstream warnings;
    ASSERT_TRUE (configureProcessor (processor, options, warnings).wasOk());
    EXPECT_EQ (processor.parameters.getRawParameterValue ("mode")->load(), 12.0f);
    EXPECT_EQ (processor.parameters.getRawParameterValue ("heat")->load(), 30.0f);
    EXPECT_EQ (currentModeName (processor), "Sidechain Duck");
    EXPECT_EQ (warnings.str(), "");
}
