#include "processor/Presets.h"

#include "processor/StateDocument.h"

#include <cmath>

namespace Presets
{
namespace
{
using namespace StateDocument;

float stepValueFrom (const juce::ValueTree& steps, int modulator, int step)
{
    const auto value = finiteFloat (steps.getProperty (stepAttribute (modulator, step), 0.0));
    return value ? juce::jlimit (-1.0f, 1.0f, *value) : 0.0f;
}
} // namespace

PresetValues defaultValues()
{
    PresetValues values;
    for (int i = 0; i < kNumParameters; ++i)
        values.parameters[(size_t) i] = kParamTable[i].defaultValue;
    return values;
}

float limitToRange (const ParamSpec& spec, float value)
{
    const float limited = juce::jlimit (spec.min, spec.max, value);
    switch (spec.kind)
    {
        case ParamSpec::Kind::Choice: return std::floor (limited);
        case ParamSpec::Kind::Bool: return limited >= 0.5f ? 1.0f : 0.0f;
        case ParamSpec::Kind::Float: break;
    }
    return limited;
}

PresetValues capture (const QuorvaneAudioProcessor& processor)
{
    PresetValues values;
    for (int i = 0; i < kNumParameters; ++i)
        values.parameters[(size_t) i] = processor.paramValue (kParamTable[i].id);
    for (int m = 0; m < 2; ++m)
        for (int s = 0; s < kNumSteps; ++s)
            values.steps[(size_t) m][(size_t) s] = processor.getStepValue (m, s);
    return values;
}

juce::String documentText (QuorvaneAudioProcessor& processor)
{
    const auto xml = buildWithoutTheme (processor).createXml();
    return xml != nullptr ? xml->toString() : juce::String();
}

std::optional<PresetValues> parse (const void* data, size_t sizeInBytes)
{
    if (data == nullptr || sizeInBytes == 0 || (juce::int64) sizeInBytes > kMaxFileBytes)
        return std::nullopt;
    const auto* text = static_cast<const char*> (data);
    if (! isSafeXmlText (text, text + sizeInBytes))
        return std::nullopt;

    const auto xml = juce::parseXML (juce::String::fromUTF8 (text, (int) sizeInBytes));
    if (xml == nullptr || ! xml->hasTagName (kRootType))
        return std::nullopt;
    auto tree = juce::ValueTree::fromXml (*xml);
    if (! tree.isValid())
        return std::nullopt;
    renameLegacyParameters (tree);

    auto values = defaultValues();
    // The first element of each parameter wins, as the first "warmth" is the one renamed.
    std::array<bool, kNumParameters> seen {};
    for (const auto& child : tree)
    {
        if (! child.hasType (kParamType))
            continue;
        const int index = paramIndex (child.getProperty (kIdAttribute).toString().toRawUTF8());
        if (index < 0 || seen[(size_t) index])
            continue;
        seen[(size_t) index] = true;
        if (const auto value = finiteFloat (child.getProperty (kValueAttribute, kParamTable[index].defaultValue)))
            values.parameters[(size_t) index] = limitToRange (kParamTable[index], *value);
    }

    const auto steps = tree.getChildWithName (kStepSequencerType);
    if (steps.isValid())
        for (int m = 0; m < 2; ++m)
            for (int s = 0; s < kNumSteps; ++s)
                values.steps[(size_t) m][(size_t) s] = stepValueFrom (steps, m, s);
    return values;
}

juce::Result readFile (const juce::File& file, PresetValues& values)
{
    const auto name = "preset '" + file.getFileNameWithoutExtension() + "'";
    juce::MemoryBlock data;
    const auto read = readBoundedRegularFile (file, kMaxFileBytes, name, "a preset", data);
    if (read.failed())
        return read;
    const auto parsed = parse (data.getData(), data.getSize());
    if (! parsed)
        return juce::Result::fail (name + " is not a Quorvane preset");
    values = *parsed;
    return juce::Result::ok();
}

juce::Result writeFile (const juce::File& file, QuorvaneAudioProcessor& processor)
{
    const auto text = documentText (processor);
    juce::TemporaryFile temporary (file);
    if (text.isEmpty() || ! temporary.getFile().replaceWithText (text)
        || ! temporary.overwriteTargetFileWithTemporary())
        return juce::Result::fail ("preset '" + file.getFileNameWithoutExtension() + "' could not be written");
    return juce::Result::ok();
}

void apply (QuorvaneAudioProcessor& processor, const PresetValues& values)
{
    // The audio thread hears the preset as one change, not parameter by parameter.
    const QuorvaneAudioProcessor::ScopedSettingsLoad load (processor);
    for (int i = 0; i < kNumParameters; ++i)
    {
        auto* parameter = processor.parameters.getParameter (kParamTable[i].id);
        const float normalised = parameter->convertTo0to1 (limitToRange (kParamTable[i], values.parameters[(size_t) i]));
        if (parameter->getValue() == normalised)
            continue;
        parameter->beginChangeGesture();
        parameter->setValueNotifyingHost (normalised);
        parameter->endChangeGesture();
    }
    for (int m = 0; m < 2; ++m)
        for (int s = 0; s < kNumSteps; ++s)
            processor.setStepValue (m, s, juce::jlimit (-1.0f, 1.0f, values.steps[(size_t) m][(size_t) s]));
}
} // namespace Presets
