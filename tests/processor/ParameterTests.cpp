#include <gtest/gtest.h>

#include "params/ParamIDs.h"
#include "processor/PluginProcessor.h"

namespace
{
enum Kind { F, C, B };
struct Expected
{
    const char* id;
    const char* name;
    Kind kind;
    float min, max, step, skew, def;
};

// The parameter set as hosts see it, in layout order.
const Expected kExpected[60] = {
    { "morph", "Morph", F, 0, 100, 1, 1, 50 },
    { "mode", "Blend Mode", C, 0, 21, 1, 1, 0 },
    { "direction", "Direction", C, 0, 2, 1, 1, 0 },
    { "fxLowCut", "FX LowCut", F, 20, 2000, 0, 0.3f, 20 },
    { "heat", "Heat", F, 0, 200, 1, 1, 0 },
    { "fxHiCut", "FX HiCut", F, 200, 20000, 0, 0.3f, 8000 },
    { "fxLevel", "FX Level", F, 0, 100, 1, 1, 100 },
    { "sig1Level", "Signal 1", F, 0, 100, 1, 1, 0 },
    { "sig2Level", "Signal 2", F, 0, 100, 1, 1, 0 },
    { "outputVolDb", "Output Volume", F, -60, 6, 0.1f, 1, 0 },
    { "clipCeilingDb", "Clip Ceiling", F, -12, 0, 0.1f, 1, -0.3f },
    { "resolution", "Resolution", F, 0, 12, 1, 1, 7 },
    { "vocAttack", "Voc Attack", F, 0.5f, 50, 0, 0.5f, 5 },
    { "vocRelease", "Voc Release", F, 5, 500, 0, 0.5f, 50 },
    { "hfEmphasis", "HF Emphasis", F, -12, 12, 0.5f, 1, 0 },
    { "vocDrive", "Voc Drive", F, 0, 100, 1, 1, 50 },
    { "mathBalance", "Math Balance", F, 0, 100, 1, 1, 50 },
    { "mathRectify", "Math Rectify", F, 0, 100, 1, 1, 0 },
    { "mathTame", "Math Tame", F, 0, 100, 1, 1, 100 },
    { "mathDrive", "Math Drive", F, 0, 100, 1, 1, 0 },
    { "mathDCOffset", "Math DC Offset", F, 0, 100, 1, 1, 0 },
    { "mathTilt", "Math Tilt", F, -100, 100, 1, 1, 0 },
    { "scAttack", "SC Attack", F, 0.5f, 50, 0, 0.5f, 0.5f },
    { "scRelease", "SC Release", F, 5, 500, 0, 0.5f, 5 },
    { "scThreshold", "SC Threshold", F, 0, 100, 1, 1, 0 },
    { "scDepth", "SC Depth", F, 0, 100, 1, 1, 100 },
    { "sgThreshold", "SG Threshold", F, 0, 100, 1, 1, 25 },
    { "sgTilt", "SG Tilt", F, -100, 100, 1, 1, 0 },
    { "psAmount", "PS Amount", F, 0, 100, 1, 1, 100 },
    { "psTilt", "PS Tilt", F, -100, 100, 1, 1, 0 },
    { "biChunk", "BI Chunk", F, 0, 3, 1, 1, 0 },
    { "biTilt", "BI Tilt", F, -100, 100, 1, 1, 0 },
    { "probBias", "Prob Bias", F, -100, 100, 1, 1, 0 },
    { "probHold", "Prob Hold", F, 0, 100, 0.1f, 1, 5 },
    { "probStereo", "Prob Stereo", F, 0, 100, 1, 1, 100 },
    { "probCrossfade", "Prob Crossfade", F, 0, 50, 0.1f, 1, 0 },
    { "wsWindow", "WS Window", F, 1, 50, 0.1f, 1, 10 },
    { "wsDrive", "WS Drive", F, 0, 200, 1, 1, 100 },
    { "wsSmoothing", "WS Smoothing", F, 0, 100, 1, 1, 0 },
    { "scrubScale", "Scrub Scale", F, 0, 200, 1, 1, 50 },
    { "scrubBias", "Scrub Bias", F, -100, 100, 1, 1, 0 },
    { "scrubSmoothing", "Scrub Smoothing", F, 0, 100, 1, 1, 0 },
    { "fsCrossover", "FS Crossover", F, 100, 10000, 0, 0.3f, 1000 },
    { "fsWidth", "FS Width", F, 0, 100, 1, 1, 0 },
    { "fsTilt", "FS Tilt", F, -100, 100, 1, 1, 0 },
    { "fsLFORate", "FS LFO Rate", F, 0, 20, 0.1f, 1, 0 },
    { "amDepth", "AM Depth", F, 0, 100, 1, 1, 100 },
    { "amDCOffset", "AM DC Offset", F, 0, 100, 1, 1, 50 },
    { "amLFORate", "AM LFO Rate", F, 0, 20, 0.1f, 1, 0 },
    { "fmDepth", "FM Depth", F, 0, 100, 1, 1, 50 },
    { "fmFeedback", "FM Feedback", F, 0, 100, 1, 1, 0 },
    { "smoothing", "Smoothing", F, 0, 100, 1, 1, 100 },
    { "seqEnabled", "Sequencer On", B, 0, 1, 1, 1, 0 },
    { "seqBars", "Bars", C, 0, 8, 1, 1, 0 },
    { "seqDiv", "Divider", C, 0, 7, 1, 1, 0 },
    { "smoothing2", "Smoothing 2", F, 0, 100, 1, 1, 100 },
    { "seqEnabled2", "Sequencer 2 On", B, 0, 1, 1, 1, 0 },
    { "seqBars2", "Bars 2", C, 0, 8, 1, 1, 0 },
    { "seqDiv2", "Divider 2", C, 0, 7, 1, 1, 0 },
    { "mod2Target", "Mod 2 Target", C, 0, 4, 1, 1, 0 },
};

juce::RangedAudioParameter* param (QuorvaneAudioProcessor& p, const char* id)
{
    return p.parameters.getParameter (id);
}

void setRaw (QuorvaneAudioProcessor& p, const char* id, float raw)
{
    auto* prm = param (p, id);
    prm->setValueNotifyingHost (prm->convertTo0to1 (raw));
}
} // namespace

TEST (Parameters, SixtyInLayoutOrderWithRangesAndDefaults)
{
    QuorvaneAudioProcessor p;
    const auto& all = p.getParameters();
    ASSERT_EQ (all.size(), 60);
    for (int i = 0; i < 60; ++i)
    {
        const auto& x = kExpected[i];
        SCOPED_TRACE (x.id);
        auto* prm = dynamic_cast<juce::RangedAudioParameter*> (all[i]);
        ASSERT_NE (prm, nullptr);
        EXPECT_EQ (prm->getParameterID(), x.id);
        EXPECT_EQ (prm->getName (100), x.name);
        EXPECT_EQ (prm->getVersionHint(), 0);
        const auto& range = prm->getNormalisableRange();
        EXPECT_FLOAT_EQ (range.start, x.min);
        EXPECT_FLOAT_EQ (range.end, x.max);
        EXPECT_FLOAT_EQ (range.interval, x.step);
        EXPECT_FLOAT_EQ (range.skew, x.skew);
        EXPECT_FALSE (range.symmetricSkew);
        // The framework stores defaults normalised and snapped to the step grid, so they come back
        // within float rounding (-0.3 dB and the skewed ranges land a hair off).
        const float tolerance = 1e-6f * std::max (1.0f, std::abs (x.def));
        EXPECT_NEAR (prm->convertFrom0to1 (prm->getDefaultValue()), x.def, tolerance);
        EXPECT_NEAR (p.parameters.getRawParameterValue (x.id)->load(), x.def, tolerance);
        EXPECT_EQ (dynamic_cast<juce::AudioParameterChoice*> (prm) != nullptr, x.kind == C);
        EXPECT_EQ (dynamic_cast<juce::AudioParameterBool*> (prm) != nullptr, x.kind == B);
    }
}

TEST (Parameters, ChoiceListsAreTheSystemsOwnTexts)
{
    QuorvaneAudioProcessor p;
    auto choices = [&] (const char* id) {
        return dynamic_cast<juce::AudioParameterChoice*> (param (p, id))->choices.joinIntoString ("|");
    };
    EXPECT_EQ (choices ("direction"), "1 > 2|2 > 1|1 > 1");
    EXPECT_EQ (choices ("seqBars"), "1|2|3|4|5|6|8|12|16");
    EXPECT_EQ (choices ("seqBars2"), "1|2|3|4|5|6|8|12|16");
    EXPECT_EQ (choices ("seqDiv"), "1|2|3|4|5|6|7|8");
    EXPECT_EQ (choices ("mod2Target"), "Dial 1|Dial 2|Dial 3|Dial 4|Dial 5");
    const auto modes = dynamic_cast<juce::AudioParameterChoice*> (param (p, "mode"))->choices;
    ASSERT_EQ (modes.size(), 22);
    for (int i = 0; i < 22; ++i)
        EXPECT_EQ (modes[i], kBlendModeRegistry[i].name);
}

TEST (Parameters, HostValueTextCarriesUnits)
{
    QuorvaneAudioProcessor p;
    struct Case { const char* id; float raw; const char* text; };
    const Case cases[] = {
        { "fxLowCut", 120.0f, "120 Hz" }, { "fsCrossover", 1000.0f, "1000 Hz" }, { "heat", 150.0f, "150 %" },
        { "outputVolDb", -6.0f, "-6.0 dB" }, { "hfEmphasis", 3.5f, "3.5 dB" }, { "vocAttack", 5.0f, "5.00 ms" },
        { "probHold", 12.5f, "12.5 ms" }, { "amLFORate", 2.5f, "2.5 Hz" }, { "resolution", 7.0f, "7" },
    };
    for (const auto& c : cases)
    {
        auto* prm = param (p, c.id);
        EXPECT_EQ (prm->getText (prm->convertTo0to1 (c.raw), 100), c.text) << c.id;
        // Text typed by a user in the host (with or without the unit) gives the value back.
        EXPECT_NEAR (prm->convertFrom0to1 (prm->getValueForText (c.text)), c.raw, 1e-3f) << c.id;
    }
}

TEST (Parameters, FreshInstanceSelectsTheDefaults)
{
    QuorvaneAudioProcessor p;
    EXPECT_EQ (p.currentBlendMode(), ClassicVocoder);
    EXPECT_EQ (p.currentMathOp(), Multiply);
    EXPECT_EQ (p.currentDirection(), 0);
    const auto mix = p.readOutputMixParams();
    EXPECT_FLOAT_EQ (mix.fxLevel, 100.0f);
    EXPECT_FLOAT_EQ (mix.sig1Level, 0.0f);
    EXPECT_FLOAT_EQ (mix.sig2Level, 0.0f);
    EXPECT_FLOAT_EQ (mix.outputVolDb, 0.0f);
    EXPECT_NEAR (mix.clipCeilingDb, -0.3f, 1e-6f);
}

TEST (Parameters, ModeAndDirectionLookups)
{
    QuorvaneAudioProcessor p;
    setRaw (p, "mode", 9.0f);
    EXPECT_EQ (p.currentBlendMode(), Math);
    EXPECT_EQ (p.currentMathOp(), Multiply);
    setRaw (p, "mode", 16.0f);
    EXPECT_EQ (p.currentMathOp(), Add);
    EXPECT_EQ (p.readMathParams().op, Add);
    setRaw (p, "direction", 2.0f);
    EXPECT_EQ (p.currentDirection(), 2);
}

TEST (Parameters, RecordsCarryRawValuesAndDerivedFields)
{
    QuorvaneAudioProcessor p;
    setRaw (p, "vocDrive", 80.0f);
    setRaw (p, "resolution", 10.0f);
    setRaw (p, "biChunk", 3.0f);
    setRaw (p, "fsCrossover", 2500.0f);
    EXPECT_FLOAT_EQ (p.readVocoderParams().drive, 0.8f);
    EXPECT_EQ (p.readVocoderParams().resolution, 10);
    EXPECT_EQ (p.readSpectralGateParams().resolution, 10);
    EXPECT_EQ (p.readBinInterleaveParams().chunk, 8);
    EXPECT_NEAR (p.readFreqSpliceParams().crossover, 2500.0f, 1e-2f);
    EXPECT_FLOAT_EQ (p.readRawParam (ParamIDs::fsCrossover), p.readFreqSpliceParams().crossover);
}
