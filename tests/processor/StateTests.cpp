#include <gtest/gtest.h>

#include "params/ParamIDs.h"
#include "params/ParameterTable.h"
#include "ProcessorTestSupport.h"
#include "ui/ThemePalette.h"

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

namespace
{
// The theme is process-wide: every test starts from the light theme and leaves it behind.
class StatePersistence : public ::testing::Test
{
protected:
    void SetUp() override { QV::gActive = &QV::kLight; }
    void TearDown() override { QV::gActive = &QV::kLight; }

    static juce::MemoryBlock blockOf (const juce::String& xmlText)
    {
        juce::MemoryBlock block;
        auto xml = juce::parseXML (xmlText);
        jassert (xml != nullptr);
        juce::AudioProcessor::copyXmlToBinary (*xml, block);
        return block;
    }

    static void restore (QuorvaneAudioProcessor& p, const juce::MemoryBlock& block)
    {
        p.setStateInformation (block.getData(), static_cast<int> (block.getSize()));
    }

    static void setAllSteps (QuorvaneAudioProcessor& p, float value)
    {
        for (int m = 0; m < 2; ++m)
            for (int s = 0; s < 16; ++s)
                p.setStepValue (m, s, value);
    }
};

// A value other than the default for every parameter.
float nonDefaultValue (const ParamSpec& row)
{
    switch (row.kind)
    {
        case ParamSpec::Kind::Bool: return row.defaultValue > 0.5f ? 0.0f : 1.0f;
        case ParamSpec::Kind::Choice: return row.defaultValue == row.max ? row.min : row.max;
        case ParamSpec::Kind::Float: break;
    }
    const float v = row.min + 0.37f * (row.max - row.min);
    return v == row.defaultValue ? row.min : v;
}

float stepPattern (int m, int s)
{
    return (m == 0 ? 1.0f : -1.0f) * (0.1f * static_cast<float> (s) - 0.77f);
}
} // namespace

TEST_F (StatePersistence, RoundTripRestoresEveryParameterAllStepsAndTheTheme)
{
    QuorvaneAudioProcessor source;
    for (const auto& row : kParamTable)
        setRawParam (source, row.id, nonDefaultValue (row));
    for (int m = 0; m < 2; ++m)
        for (int s = 0; s < 16; ++s)
            source.setStepValue (m, s, stepPattern (m, s));
    QV::gActive = &QV::kDark;

    juce::MemoryBlock block;
    source.getStateInformation (block);

    QV::gActive = &QV::kLight;
    QuorvaneAudioProcessor restored;
    int restoredCalls = 0;
    restored.onStateRestored = [&] { ++restoredCalls; };
    restore (restored, block);

    EXPECT_EQ (restoredCalls, 1);
    EXPECT_EQ (QV::gActive, &QV::kDark);
    for (const auto& row : kParamTable)
    {
        EXPECT_NE (rawParam (source, row.id), row.defaultValue) << row.id;
        EXPECT_FLOAT_EQ (rawParam (restored, row.id), rawParam (source, row.id)) << row.id;
    }
    for (int m = 0; m < 2; ++m)
        for (int s = 0; s < 16; ++s)
            EXPECT_FLOAT_EQ (restored.getStepValue (m, s), stepPattern (m, s)) << m << "/" << s;
}

TEST_F (StatePersistence, DocumentHoldsParametersThenStepsThenTheme)
{
    QuorvaneAudioProcessor p;
    p.setStepValue (0, 7, 0.5f);
    p.setStepValue (1, 12, -0.25f);

    for (bool dark : { false, true })
    {
        QV::gActive = dark ? &QV::kDark : &QV::kLight;
        juce::MemoryBlock block;
        p.getStateInformation (block);
        auto xml = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());
        ASSERT_NE (xml, nullptr);

        EXPECT_TRUE (xml->hasTagName ("Quorvane"));
        ASSERT_EQ (xml->getNumChildElements(), kNumParameters + 2);
        for (int i = 0; i < kNumParameters; ++i)
        {
            const auto* param = xml->getChildElement (i);
            EXPECT_TRUE (param->hasTagName ("PARAM"));
            EXPECT_TRUE (param->hasAttribute ("id"));
            EXPECT_TRUE (param->hasAttribute ("value"));
        }

        const auto* steps = xml->getChildElement (kNumParameters);
        ASSERT_TRUE (steps->hasTagName ("StepSequencer"));
        ASSERT_EQ (steps->getNumAttributes(), 32);
        for (int i = 0; i < 32; ++i)
        {
            const juce::String expected = i < 16 ? "s" + juce::String (i) : "m1s" + juce::String (i - 16);
            EXPECT_EQ (steps->getAttributeName (i), expected);
        }
        EXPECT_DOUBLE_EQ (steps->getDoubleAttribute ("s7"), 0.5);
        EXPECT_DOUBLE_EQ (steps->getDoubleAttribute ("m1s12"), -0.25);

        const auto* prefs = xml->getChildElement (kNumParameters + 1);
        ASSERT_TRUE (prefs->hasTagName ("UIPrefs"));
        EXPECT_EQ (prefs->getStringAttribute ("theme"), dark ? "1" : "0");
    }
}

TEST_F (StatePersistence, OlderWarmthElementRestoresHeat)
{
    struct Case { const char* params; float expectedHeat; bool warmthKept; };
    const Case cases[] = {
        { R"(<PARAM id="warmth" value="120"/>)", 120.0f, false },
        // With both names the later element wins.
        { R"(<PARAM id="heat" value="50"/><PARAM id="warmth" value="120"/>)", 120.0f, false },
        { R"(<PARAM id="warmth" value="120"/><PARAM id="heat" value="50"/>)", 50.0f, false },
        // Only the first "warmth" is renamed; a second one stays as an unknown element.
        { R"(<PARAM id="warmth" value="80"/><PARAM id="warmth" value="30"/>)", 80.0f, true },
    };
    for (const auto& c : cases)
    {
        QuorvaneAudioProcessor p;
        restore (p, blockOf (juce::String ("<Quorvane>") + c.params + "</Quorvane>"));
        EXPECT_FLOAT_EQ (rawParam (p, ParamIDs::heat), c.expectedHeat) << c.params;

        juce::MemoryBlock saved;
        p.getStateInformation (saved);
        auto xml = juce::AudioProcessor::getXmlFromBinary (saved.getData(), (int) saved.getSize());
        ASSERT_NE (xml, nullptr);
        bool hasWarmth = false;
        for (auto* child : xml->getChildIterator())
            hasWarmth = hasWarmth || child->getStringAttribute ("id") == "warmth";
        EXPECT_EQ (hasWarmth, c.warmthKept) << c.params;
    }
}

TEST_F (StatePersistence, MissingElementsLeaveStepsAndThemeAlone)
{
    QuorvaneAudioProcessor p;
    setAllSteps (p, 0.3f);
    QV::gActive = &QV::kDark;

    restore (p, blockOf (R"(<Quorvane><PARAM id="fsCrossover" value="2500"/><PARAM id="seqEnabled" value="1"/></Quorvane>)"));

    EXPECT_FLOAT_EQ (rawParam (p, ParamIDs::fsCrossover), 2500.0f);
    EXPECT_EQ (rawParam (p, ParamIDs::seqEnabled), 1.0f);
    EXPECT_EQ (QV::gActive, &QV::kDark);
    for (int m = 0; m < 2; ++m)
        for (int s = 0; s < 16; ++s)
            EXPECT_EQ (p.getStepValue (m, s), 0.3f);
}

TEST_F (StatePersistence, StepAttributesAreReadOneByOne)
{
    QuorvaneAudioProcessor p;

    // Only s0: every other step of both modulators becomes 0.
    setAllSteps (p, 0.3f);
    restore (p, blockOf (R"(<Quorvane><StepSequencer s0="0.5"/></Quorvane>)"));
    for (int m = 0; m < 2; ++m)
        for (int s = 0; s < 16; ++s)
            EXPECT_EQ (p.getStepValue (m, s), (m == 0 && s == 0) ? 0.5f : 0.0f) << m << "/" << s;

    // Attribute order does not matter; non-numeric text reads 0; out-of-range values are kept as
    // they are; a value that is not a finite float is ignored.
    setAllSteps (p, 0.3f);
    restore (p, blockOf (R"(<Quorvane><StepSequencer m1s15="-0.75" s3="abc" s2="1.5" s1="1e40" s4="-1e999" m1s0="0.25"/></Quorvane>)"));
    EXPECT_EQ (p.getStepValue (1, 15), -0.75f);
    EXPECT_EQ (p.getStepValue (1, 0), 0.25f);
    EXPECT_EQ (p.getStepValue (0, 3), 0.0f);
    EXPECT_EQ (p.getStepValue (0, 2), 1.5f);
    EXPECT_EQ (p.getStepValue (0, 1), 0.3f);
    EXPECT_EQ (p.getStepValue (0, 4), 0.3f);
    EXPECT_EQ (p.getStepValue (0, 0), 0.0f);
}

TEST_F (StatePersistence, ThemeIsDarkOnlyForOne)
{
    struct Case { const char* prefs; bool dark; };
    const Case cases[] = {
        { R"(<UIPrefs theme="1"/>)", true },
        { R"(<UIPrefs theme="0"/>)", false },
        { R"(<UIPrefs theme="2"/>)", false },
        { R"(<UIPrefs theme="true"/>)", false },
        { R"(<UIPrefs/>)", false },
    };
    for (const auto& c : cases)
    {
        for (const auto* before : { &QV::kLight, &QV::kDark })
        {
            QV::gActive = before;
            QuorvaneAudioProcessor p;
            restore (p, blockOf (juce::String ("<Quorvane>") + c.prefs + "</Quorvane>"));
            EXPECT_EQ (QV::gActive, c.dark ? &QV::kDark : &QV::kLight) << c.prefs;
        }
    }
}

TEST_F (StatePersistence, UnreadableBlocksChangeNothing)
{
    QuorvaneAudioProcessor source;
    setRawParam (source, ParamIDs::heat, 150.0f);
    juce::MemoryBlock valid;
    source.getStateInformation (valid);

    juce::MemoryBlock garbage;
    juce::Random random (42);
    for (int i = 0; i < 300; ++i)
        garbage.append (&i, 1);
    random.fillBitsRandomly (garbage.getData(), garbage.getSize());

    const std::vector<std::pair<const char*, juce::MemoryBlock>> blocks = {
        { "garbage", garbage },
        { "truncated", juce::MemoryBlock (valid.getData(), valid.getSize() / 2) },
        { "header only", juce::MemoryBlock (valid.getData(), 8) },
        { "empty", juce::MemoryBlock() },
    };
    for (const auto& [name, block] : blocks)
    {
        QuorvaneAudioProcessor p;
        setRawParam (p, ParamIDs::heat, 40.0f);
        setAllSteps (p, 0.3f);
        QV::gActive = &QV::kDark;
        int restoredCalls = 0;
        p.onStateRestored = [&] { ++restoredCalls; };

        p.setStateInformation (block.getData(), (int) block.getSize());

        EXPECT_EQ (rawParam (p, ParamIDs::heat), 40.0f) << name;
        EXPECT_EQ (p.getStepValue (0, 5), 0.3f) << name;
        EXPECT_EQ (p.getStepValue (1, 9), 0.3f) << name;
        EXPECT_EQ (QV::gActive, &QV::kDark) << name;
        EXPECT_EQ (restoredCalls, 0) << name;
    }
}

TEST_F (StatePersistence, StandaloneApplicationNeitherSavesNorRestores)
{
    QuorvaneAudioProcessor plugin;
    setRawParam (plugin, ParamIDs::heat, 150.0f);
    setAllSteps (plugin, 0.9f);
    QV::gActive = &QV::kDark;
    juce::MemoryBlock valid;
    plugin.getStateInformation (valid);
    QV::gActive = &QV::kLight;

    auto standalone = makeStandaloneProcessor();
    juce::MemoryBlock saved ("untouched", 9);
    standalone->getStateInformation (saved);
    EXPECT_EQ (saved, juce::MemoryBlock ("untouched", 9));

    int restoredCalls = 0;
    standalone->onStateRestored = [&] { ++restoredCalls; };
    restore (*standalone, valid);
    EXPECT_EQ (rawParam (*standalone, ParamIDs::heat), 0.0f);
    EXPECT_EQ (standalone->getStepValue (0, 0), 0.0f);
    EXPECT_EQ (QV::gActive, &QV::kLight);
    EXPECT_EQ (restoredCalls, 0);
}

TEST (ThemePalette, StartsLightAndHoldsBothThemes)
{
    // Every test that changes the theme puts the light theme back, as a fresh process has it.
    EXPECT_EQ (QV::gActive, &QV::kLight);
    EXPECT_TRUE (QV::kDark.isDark);
    EXPECT_FALSE (QV::kLight.isDark);
    EXPECT_EQ (QV::kDark.background, juce::Colour (0xFF323E44u));
    EXPECT_EQ (QV::kDark.accent, juce::Colour (0xFF00D4FFu));
    EXPECT_EQ (QV::kDark.text, juce::Colour (0xFFC8C8D8u));
    EXPECT_EQ (QV::kLight.border, juce::Colour (0xFFA8B8D4u));
    EXPECT_EQ (QV::kLight.heading, juce::Colour (0xFF204878u));
    EXPECT_EQ (QV::kLight.text, juce::Colour (0xFF1F3A5Cu));
}

// A host that set a switch with a fraction (0.97 reads as "on") and then restores a state with the
// same switch positions must read back exactly 0 or 1, and be told so.
TEST_F (StatePersistence, SwitchesHoldExactlyZeroOrOneAfterARestore)
{
    struct Recorder : juce::AudioProcessorListener
    {
        void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override
        {
            told.push_back ({ index, value });
        }
        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
        std::vector<std::pair<int, float>> told;
    };

    QuorvaneAudioProcessor p;
    for (const auto& [id, fraction, exact] : { std::tuple { ParamIDs::seqEnabled, 0.97182f, 1.0f },
                                               std::tuple { ParamIDs::seqEnabled2, 0.03f, 0.0f } })
    {
        SCOPED_TRACE (id);
        auto* parameter = p.parameters.getParameter (id);
        parameter->setValueNotifyingHost (fraction);
        juce::MemoryBlock saved;
        p.getStateInformation (saved);

        Recorder recorder;
        p.addListener (&recorder);
        restore (p, saved);
        p.removeListener (&recorder);

        EXPECT_EQ (parameter->getValue(), exact);
        const auto toldExact = std::find (recorder.told.begin(), recorder.told.end(),
                                          std::pair<int, float> { parameter->getParameterIndex(), exact });
        EXPECT_NE (toldExact, recorder.told.end()) << "the host was not told";
    }
}
