#include <gtest/gtest.h>
#include "PluginProcessor.h"

TEST (Processor, Constructs) { QuorvaneAudioProcessor p; EXPECT_EQ (p.getName(), "Quorvane"); }
