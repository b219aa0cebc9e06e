#include "../params/ExpectedParameters.h"
#include "HostTestSupport.h"

#include <map>

// What a host shows of the plug-in before any audio runs: its name, its MIDI capabilities and
// its 60 parameters.

namespace
{
using K = ExpectedParameter::Kind;

// The number at the start of a value text ("20 Hz" -> 20).
float leadingNumber (const juce::String& text)
{
    return text.trimStart().getFloatValue();
}

// A float parameter's text for a normalised value: the value in its own units, followed by the
// documented unit where there is one. A format that carries no value texts of the plug-in's
// own (LV2) shows the bare number.
void expectFloatText (const juce::String& text, float expectedValue, const char* unit, bool formatCarriesUnits,
                      const char* what)
{
    SCOPED_TRACE (what);
    EXPECT_NEAR (leadingNumber (text), expectedValue, 1.0e-3f * std::max (1.0f, std::fabs (expectedValue))) << text;
    if (unit != nullptr && formatCarriesUnits)
        EXPECT_TRUE (text.endsWith (juce::String (" ") + unit)) << text << " should end with " << unit;
    if (! formatCarriesUnits)
        EXPECT_TRUE (text.containsOnly ("-+.0123456789e")) << text;
}
} // namespace

using HostIdentity = HostedPluginTest;

TEST_P (HostIdentity, LoadsAsQuorvaneWithoutMidi)
{
    EXPECT_EQ (plugin->getName(), "Quorvane");
    EXPECT_FALSE (plugin->acceptsMidi());
    EXPECT_FALSE (plugin->producesMidi());
    EXPECT_FALSE (plugin->isMidiEffect());
}

TEST_P (HostIdentity, ShowsTheSixtyParametersWithTheirNames)
{
    const auto params = pluginParameters (*plugin);
    const auto& expected = expectedParameters();
    ASSERT_EQ (params.size(), (int) expected.size());

    if (isVst3())
    {
        // VST3 keeps the plug-in's order, which is the order of the host's parameter list.
        for (int i = 0; i < params.size(); ++i)
            EXPECT_EQ (params[i]->getName (256), expected[(size_t) i].name) << "parameter " << i;
    }
    else
    {
        // An LV2 host lists parameters in its own order; every name must still be there once.
        std::map<juce::String, int> seen;
        for (auto* p : params)
            ++seen[p->getName (256)];
        for (const auto& e : expected)
            EXPECT_EQ (seen[e.name], 1) << e.name;
    }
}

TEST_P (HostIdentity, ParameterRangesDefaultsAndValueTexts)
{
    // JUCE's VST3 wrapper hands the host the plug-in's own value texts, units included. Its LV2
    // wrapper publishes the plain range and default only, and its scale points for choices do
    // not line up with the declared range, so only the two ends of a choice are checked there.
    const bool vst3 = isVst3();
    for (const auto& e : expectedParameters())
    {
        SCOPED_TRACE (e.name);
        auto* p = findParameter (*plugin, e.name);
        ASSERT_NE (p, nullptr);

        switch (e.kind)
        {
            case K::Float:
                // A float that counts whole steps is offered step by step, in both formats.
                EXPECT_EQ (p->isDiscrete(), e.wholeSteps);
                if (e.wholeSteps)
                    EXPECT_EQ (p->getNumSteps(), (int) (e.max - e.min) + 1);
                expectFloatText (p->getText (0.0f, 64), e.min, e.unit, vst3, "minimum");
                expectFloatText (p->getText (1.0f, 64), e.max, e.unit, vst3, "maximum");
                expectFloatText (p->getText (p->getDefaultValue(), 64), e.defaultValue, e.unit, vst3, "default");
                break;

            case K::Choice:
            {
                const int n = (int) e.choices.size();
                ASSERT_EQ (p->getNumSteps(), n);
                EXPECT_TRUE (p->isDiscrete());
                EXPECT_NEAR (p->getDefaultValue() * (float) (n - 1), e.defaultValue, 1.0e-3f);
                EXPECT_EQ (p->getText (0.0f, 64), e.choices.front());
                EXPECT_EQ (p->getText (1.0f, 64), e.choices.back());
                if (vst3)
                    for (int i = 0; i < n; ++i)
                        EXPECT_EQ (p->getText ((float) i / (float) (n - 1), 64), e.choices[(size_t) i]) << i;
                break;
            }

            case K::Switch:
                EXPECT_EQ (p->getNumSteps(), 2);
                EXPECT_TRUE (p->isDiscrete()); // VST3 has no notion of a switch beyond two steps
                EXPECT_EQ (p->getDefaultValue(), e.defaultValue);
                EXPECT_EQ (p->getText (0.0f, 64), "Off");
                EXPECT_EQ (p->getText (1.0f, 64), "On");
                break;
        }
    }
}

QV_INSTANTIATE_FOR_BOTH_FORMATS (HostIdentity);
