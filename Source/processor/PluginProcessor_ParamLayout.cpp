#include "processor/PluginProcessor.h"
#include "params/BlendModeRegistry.h"
#include "params/ParameterTable.h"

// The host's parameter tree, built from the parameter table.

namespace
{
int decimalsFor (const ParamSpec& row)
{
    if (row.step >= 1.0f) return 0;
    if (row.step > 0.0f) return 1;
    return row.max >= 1000.0f ? 0 : 2; // continuous: whole hertz for the wide frequency ranges
}

// Host-visible value text: the number with its unit. The stored values are not affected.
juce::AudioParameterFloatAttributes attributesFor (const ParamSpec& row)
{
    const juce::String unit = row.unit != nullptr ? juce::String (" ") + row.unit : juce::String();
    const int decimals = decimalsFor (row);
    return juce::AudioParameterFloatAttributes()
        .withStringFromValueFunction ([unit, decimals] (float value, int) {
            return juce::String (value, decimals) + unit;
        })
        .withValueFromStringFunction ([] (const juce::String& text) {
            return text.trimStart().getFloatValue();
        });
}

// A float parameter of which only whole values mean anything (Resolution, BI Chunk): the host
// is told it has steps, so it offers them one by one instead of a continuous range.
class WholeStepParameter final : public juce::AudioParameterFloat
{
public:
    using juce::AudioParameterFloat::AudioParameterFloat;
    bool isDiscrete() const override { return true; }
    // A float parameter counts no steps by default, whatever its interval; this one counts them.
    int getNumSteps() const override { return juce::RangedAudioParameter::getNumSteps(); }
};

std::unique_ptr<juce::AudioParameterFloat> makeFloatParameter (const ParamSpec& row)
{
    const juce::ParameterID id { row.id, 0 };
    const juce::NormalisableRange<float> range (row.min, row.max, row.step, row.skew, false);
    if (row.wholeSteps)
        return std::make_unique<WholeStepParameter> (id, row.name, range, row.defaultValue, attributesFor (row));
    return std::make_unique<juce::AudioParameterFloat> (id, row.name, range, row.defaultValue, attributesFor (row));
}

// A choice list from its table; the "Blend Mode" list comes from the mode registry.
juce::StringArray choiceList (const ParamSpec& row)
{
    juce::StringArray list;
    if (row.choices == nullptr)
    {
        for (const auto& entry : kBlendModeRegistry)
            list.add (entry.name);
        return list;
    }
    for (auto* c = row.choices; *c != nullptr; ++c)
        list.add (*c);
    return list;
}
} // namespace

juce::AudioProcessorValueTreeState::ParameterLayout makeLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    for (const auto& row : kParamTable)
    {
        const juce::ParameterID id { row.id, 0 };
        switch (row.kind)
        {
            case ParamSpec::Kind::Float:
                layout.add (makeFloatParameter (row));
                break;
            case ParamSpec::Kind::Choice:
                layout.add (std::make_unique<juce::AudioParameterChoice> (id, row.name, choiceList (row),
                                                                          static_cast<int> (row.defaultValue)));
                break;
            case ParamSpec::Kind::Bool:
                layout.add (std::make_unique<juce::AudioParameterBool> (id, row.name, row.defaultValue > 0.5f));
                break;
        }
    }
    return layout;
}
