#include <gtest/gtest.h>

#include "params/BlendDialTable.h"
#include "params/ParamHelp.h"

#include <cstring>
#include <iterator>
#include <string>

namespace
{
// What each of the Blend page's dials shows, in construction order: its caption, the parameter
// it is bound to, its suffix, and for one typical value the dial's own value text (number and
// suffix, as the slider prints it) and the message bar's wording. Written out by hand: the
// number is truncated toward zero for whole-number dials, printed with one decimal place for the
// times, rates and levels in dB, and is 2 to the truncated value for Resolution and Chunk.
struct ExpectedDial
{
    const char* caption;
    const char* paramId;
    const char* suffix;
    double value;
    const char* valueText;
    const char* message;
};

const ExpectedDial kExpectedDials[] = {
    { "Resolution", "resolution", "", 7.0, "128", "Resolution: 128" },
    { "Attack", "vocAttack", " ms", 5.0, "5.0 ms", "Attack: 5.0 ms" },
    { "Release", "vocRelease", " ms", 49.96, "50.0 ms", "Release: 50.0 ms" },
    { "HF Emphasis", "hfEmphasis", " dB", -3.5, "-3.5 dB", "HF Emphasis: -3.5 dB" },
    { "Drive", "vocDrive", "%", 80.0, "80%", "Drive: 80%" },
    { "Balance", "mathBalance", "%", 50.0, "50%", "Balance: 50%" },
    { "Rectify", "mathRectify", "%", 12.7, "12%", "Rectify: 12%" },
    { "Tame", "mathTame", "%", 100.0, "100%", "Tame: 100%" },
    { "Drive", "mathDrive", "%", 33.0, "33%", "Drive: 33%" },
    { "DC Offset", "mathDCOffset", "%", 0.0, "0%", "DC Offset: 0%" },
    { "Tilt", "mathTilt", "%", -12.9, "-12%", "Tilt: -12%" },
    { "Attack", "scAttack", " ms", 0.5, "0.5 ms", "Attack: 0.5 ms" },
    { "Release", "scRelease", " ms", 250.0, "250.0 ms", "Release: 250.0 ms" },
    { "Threshold", "scThreshold", "%", 10.0, "10%", "Threshold: 10%" },
    { "Depth", "scDepth", "%", 100.0, "100%", "Depth: 100%" },
    { "Crossover", "fsCrossover", " Hz", 1234.9, "1234 Hz", "Crossover: 1234 Hz" },
    { "Width", "fsWidth", "%", 25.0, "25%", "Width: 25%" },
    { "Tilt", "fsTilt", "%", 40.0, "40%", "Tilt: 40%" },
    { "LFO Rate", "fsLFORate", " Hz", 0.0, "0.0 Hz", "LFO Rate: 0.0 Hz" },
    { "Threshold", "sgThreshold", "%", 25.0, "25%", "Threshold: 25%" },
    { "Tilt", "sgTilt", "%", -100.0, "-100%", "Tilt: -100%" },
    { "Amount", "psAmount", "%", 100.0, "100%", "Amount: 100%" },
    { "Tilt", "psTilt", "%", 5.0, "5%", "Tilt: 5%" },
    { "Chunk", "biChunk", "", 2.0, "4", "Chunk: 4 bins" },
    { "Tilt", "biTilt", "%", 0.0, "0%", "Tilt: 0%" },
    { "Bias", "probBias", "%", -50.0, "-50%", "Bias: -50%" },
    { "Hold", "probHold", " ms", 12.5, "12.5 ms", "Hold: 12.5 ms" },
    { "Crossfade", "probCrossfade", " ms", 0.0, "0.0 ms", "Crossfade: 0.0 ms" },
    { "Stereo", "probStereo", "%", 100.0, "100%", "Stereo: 100%" },
    { "Window", "wsWindow", " ms", 10.0, "10.0 ms", "Window: 10.0 ms" },
    { "Drive", "wsDrive", "%", 200.0, "200%", "Drive: 200%" },
    { "Smoothing", "wsSmoothing", "%", 0.0, "0%", "Smoothing: 0%" },
    { "Scale", "scrubScale", "", 50.0, "50", "Scale: 50" },
    { "Bias", "scrubBias", "%", -100.0, "-100%", "Bias: -100%" },
    { "Smoothing", "scrubSmoothing", "%", 75.0, "75%", "Smoothing: 75%" },
    { "Depth", "amDepth", "%", 100.0, "100%", "Depth: 100%" },
    { "DC Offset", "amDCOffset", "%", 50.0, "50%", "DC Offset: 50%" },
    { "LFO Rate", "amLFORate", " Hz", 2.5, "2.5 Hz", "LFO Rate: 2.5 Hz" },
    { "Depth", "fmDepth", "%", 50.0, "50%", "Depth: 50%" },
    { "Feedback", "fmFeedback", "%", 0.0, "0%", "Feedback: 0%" },
    { "LowCut", "fxLowCut", " Hz", 20.6, "20 Hz", "LowCut: 20 Hz" },
    { "Heat", "heat", "%", 150.0, "150%", "Heat: 150%" },
    { "HiCut", "fxHiCut", " Hz", 7999.9995, "8000 Hz", "HiCut: 8000 Hz" },
    { "FX Level", "fxLevel", "%", 100.0, "100%", "FX Level: 100%" },
    { "Signal 1", "sig1Level", "%", 0.0, "0%", "Signal 1: 0%" },
    { "Signal 2", "sig2Level", "%", 34.0, "34%", "Signal 2: 34%" },
    { "Vol", "outputVolDb", " dB", -6.0, "-6.0 dB", "Output Volume: -6.0 dB" },
    { "Clip", "clipCeilingDb", " dBFS", -0.3, "-0.3 dBFS", "Clip Ceiling: -0.3 dBFS" },
    { "Morph", "morph", "%", 50.0, "50%", "Morph: 50%" },
};
} // namespace

TEST (DialTable, EveryDialsCaptionSuffixValueTextAndMessage)
{
    ASSERT_EQ (std::size (kExpectedDials), static_cast<size_t> (kNumBlendDials));
    for (int i = 0; i < kNumBlendDials; ++i)
    {
        const auto& x = kExpectedDials[i];
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
    EXPECT_EQ (kNumModeDials, 40);
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
    for (const auto& dial : kBlendDials)
    {
        const bool expectHelp = juce::String (dial.paramId) != "outputVolDb" && juce::String (dial.paramId) != "clipCeilingDb";
        EXPECT_EQ (findParamHelp (dial.paramId) != nullptr, expectHelp) << dial.paramId;
    }
    EXPECT_NE (findParamHelp ("smoothing"), nullptr);

    EXPECT_EQ (withHelp ("Vol: 1", nullptr), "Vol: 1");
    EXPECT_EQ (withHelp ("X: 1", "noSuchParameter"), "X: 1");
    EXPECT_EQ (withHelp ("Heat: 5%", "heat"), "Heat: 5%. Adds warmth and saturation to the blended signal.");
}
