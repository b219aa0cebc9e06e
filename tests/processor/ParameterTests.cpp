#include <gtest/gtest.h>

#include "../params/ExpectedParameters.h"
#include "params/ParamIDs.h"
#include "processor/PluginProcessor.h"

namespace
{
using K = ExpectedParameter::Kind;

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
    const auto& expected = expectedParameters();
    ASSERT_EQ (all.size(), 60);
    ASSERT_EQ (expected.size(), 60u);
    for (int i = 0; i < 60; ++i)
    {
        const auto& x = expected[static_cast<size_t> (i)];
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
        const float tolerance = 1e-6f * std::max (1.0f, std::abs (x.defaultValue));
        EXPECT_NEAR (prm->convertFrom0to1 (prm->getDefaultValue()), x.defaultValue, tolerance);
        EXPECT_NEAR (p.parameters.getRawParameterValue (x.id)->load(), x.defaultValue, tolerance);
        EXPECT_EQ (dynamic_cast<juce::AudioParameterChoice*> (prm) != nullptr, x.kind == K::Choice);
        EXPECT_EQ (dynamic_cast<juce::AudioParameterBool*> (prm) != nullptr, x.kind == K::Switch);
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
    EXPECT_FLOAT_EQ (p.readRawParam<ParamIDs::fsCrossover>(), p.readFreqSpliceParams().crossover);
}
