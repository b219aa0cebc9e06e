#include <gtest/gtest.h>

#include "ExpectedDials.h"
#include "params/BlendDialTable.h"
#include "params/ParamHelp.h"

#include <cstring>
#include <iterator>
#include <string>

TEST (DialTable, EveryDialsCaptionSuffixValueTextAndMessage)
{
    const auto& expected = expectedDials();
    ASSERT_EQ (expected.size(), static_cast<size_t> (kNumBlendDials));
    for (int i = 0; i < kNumBlendDials; ++i)
    {
        const auto& x = expected[static_cast<size_t> (i)];
        const auto& dial = kBlendDials[i];
        SCOPED_TRACE (std::string ("dial ") + std::to_string (i) + " " + x.paramId);
        EXPECT_STREQ (dial.caption, x.caption);
        EXPECT_STREQ (dial.paramId, x.paramId);
        EXPECT_STREQ (dial.suffix, x.suffix);
        EXPECT_EQ (dialValueNumber (dial, x.value) + dial.suffix, juce::String (x.valueText));
        EXPECT_EQ (dialValueMessage (dial, x.value), juce::String (x.message));
        EXPECT_EQ (blendDialIndexFor (x.paramId), i);
    }
    EXPECT_EQ (blendDialIndexFor ("mode"), -1);
    EXPECT_EQ (blendDialIndexFor (nullptr), -1);
}

TEST (DialTable, NamedDialsAndTheModeDials)
{
    // The page places these dials by name; the first forty are the mode dials.
    struct Named
    {
        int index;
        const char* paramId;
    };
    const Named named[] = {
        { BlendDial::resolution, "resolution" }, { BlendDial::mathDrive, "mathDrive" },
        { BlendDial::lowCut, "fxLowCut" },       { BlendDial::heat, "heat" },
        { BlendDial::hiCut, "fxHiCut" },         { BlendDial::fxLevel, "fxLevel" },
        { BlendDial::signal1, "sig1Level" },     { BlendDial::signal2, "sig2Level" },
        { BlendDial::volume, "outputVolDb" },    { BlendDial::clip, "clipCeilingDb" },
        { BlendDial::morph, "morph" },
    };
    for (const auto& n : named)
    {
        ASSERT_GE (n.index, 0) << n.paramId;
        ASSERT_LT (n.index, kNumBlendDials) << n.paramId;
        EXPECT_STREQ (kBlendDials[n.index].paramId, n.paramId);
    }
    EXPECT_EQ (kNumModeDials, expectedNumModeDials());
    EXPECT_STREQ (kBlendDials[kNumModeDials - 1].paramId, "fmFeedback");
    EXPECT_STREQ (kBlendDials[kNumModeDials].paramId, "fxLowCut");
}

TEST (DialValueMessages, FollowEachDialsFormat)
{
    struct Case
    {
        const char* paramId;
        double value;
        const char* expected;
    };
    const Case cases[] = {
        { "resolution", 7.0, "Resolution: 128" },  { "resolution", 0.0, "Resolution: 1" },
        { "vocRelease", 49.96, "Release: 50.0 ms" }, { "hfEmphasis", -3.5, "HF Emphasis: -3.5 dB" },
        { "mathTilt", -12.9, "Tilt: -12%" },       { "fsCrossover", 1234.9, "Crossover: 1234 Hz" },
        { "fsLFORate", 0.0, "LFO Rate: 0.0 Hz" },   { "probHold", 5.0, "Hold: 5.0 ms" },
        { "scrubScale", 200.0, "Scale: 200" },       { "biChunk", 2.0, "Chunk: 4 bins" },
        { "clipCeilingDb", -12.0, "Clip Ceiling: -12.0 dBFS" },
        { "fxHiCut", 7999.9995, "HiCut: 8000 Hz" }, // a skewed default read back through its range
        { "fxLowCut", 20.6, "LowCut: 20 Hz" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (dialValueMessage (kBlendDials[blendDialIndexFor (c.paramId)], c.value), c.expected) << c.paramId;
}

TEST (ParamHelpTable, ListsEveryDialButTheTwoOutputLevelsOnce)
{
    juce::StringArray ids;
    for (const auto& entry : kParamHelp)
    {
        EXPECT_FALSE (ids.contains (entry.paramId)) << entry.paramId;
        ids.add (entry.paramId);
        EXPECT_GT (std::strlen (entry.help), 0u);
    }
    for (const auto& dial : expectedDials())
    {
        const bool expectHelp = juce::String (dial.paramId) != "outputVolDb" && juce::String (dial.paramId) != "clipCeilingDb";
        EXPECT_EQ (findParamHelp (dial.paramId) != nullptr, expectHelp) << dial.paramId;
    }
    EXPECT_NE (findParamHelp ("smoothing"), nullptr);

    EXPECT_EQ (withHelp ("Vol: 1", nullptr), "Vol: 1");
    EXPECT_EQ (withHelp ("X: 1", "noSuchParameter"), "X: 1");
    EXPECT_EQ (withHelp ("Heat: 5%", "heat"), "Heat: 5%. Adds warmth and saturation to the blended signal.");
}
