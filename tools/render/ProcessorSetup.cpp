#include "ProcessorSetup.h"

#include "HostAutomation.h"

#include "params/BlendModeRegistry.h"
#include "params/ParamIDs.h"
#include "params/ParameterTable.h"
#include "processor/FactoryPresets.h"
#include "processor/StateDocument.h"
#include "processor/UserPresets.h"
#include "TextFormat.h"


namespace
{
void warn (std::ostream& warnings, const juce::String& text)
{
    warnings << "quorvane-render: warning: " << text << "\n";
}

void applySteps (QuorvaneAudioProcessor& processor, int modulator, const StepPattern& steps, std::ostream& warnings)
{
    for (int s = 0; s < 16; ++s)
    {
        const double requested = steps[(size_t) s];
        const double value = juce::jlimit (-1.0, 1.0, requested);
        if (value != requested)
            warn (warnings, "--steps" + juce::String (modulator + 1) + ": step " + juce::String (s + 1) + " value "
                                + formatDouble (requested) + " is outside -1..1, clamped to " + formatDouble (value));
        processor.setStepValue (modulator, s, (float) value);
    }
}

// A raw value as the parameter can hold it: --set and --automate both clamp to the range.
double limitedToRange (const juce::RangedAudioParameter& parameter, double value)
{
    const auto& range = parameter.getNormalisableRange();
    return juce::jlimit ((double) range.start, (double) range.end, value);
}

// Once per --automate option, however many of its points lie outside the range and however
// often the render then meets them.
void warnPointsOutsideRange (QuorvaneAudioProcessor& processor, const ParamAutomation& automation,
                             std::ostream& warnings)
{
    const auto* parameter = processor.parameters.getParameter (automation.paramId);
    if (parameter == nullptr)
        return;
    for (const auto& point : automation.points)
        if (limitedToRange (*parameter, point.value) != point.value)
        {
            const auto& range = parameter->getNormalisableRange();
            warn (warnings, "--automate " + automation.paramId + ": values outside " + formatFloat (range.start) + ".."
                                + formatFloat (range.end) + " are clamped to the range (the first: "
                                + formatDouble (point.value) + " at " + formatDouble (point.seconds) + " s)");
            return;
        }
}
} // namespace

juce::Result loadStateFile (QuorvaneAudioProcessor& processor, const juce::File& file)
{
    const auto name = "state file '" + file.getFullPathName() + "'";
    juce::MemoryBlock data;
    const auto read = StateDocument::readBoundedRegularFile (file, QuorvaneAudioProcessor::kMaxStateBlockBytes, name,
                                                             "a state block", data);
    if (read.failed())
        return read;

    // The processor silently ignores a block it cannot use; the tool says so instead, because a
    // render with the wrong settings would look like a successful one. The block passes the
    // processor's own check before anything parses it.
    if (! QuorvaneAudioProcessor::isRestorableStateBlock (data.getData(), (juce::int64) data.getSize()))
        return juce::Result::fail (name + " does not hold a Quorvane state block");
    const auto xml = juce::AudioProcessor::getXmlFromBinary (data.getData(), (int) data.getSize());
    if (xml == nullptr || ! xml->hasTagName (processor.parameters.state.getType()))
        return juce::Result::fail (name + " does not hold a Quorvane state block");

    processor.setStateInformation (data.getData(), (int) data.getSize());
    return juce::Result::ok();
}

float setRawParameter (QuorvaneAudioProcessor& processor, const juce::String& paramId, double value, bool& clamped)
{
    auto* parameter = processor.parameters.getParameter (paramId);
    jassert (parameter != nullptr);
    if (parameter == nullptr)
        return 0.0f;

    const double limited = limitedToRange (*parameter, value);
    clamped = limited != value;

    parameter->setValueNotifyingHost (parameter->convertTo0to1 ((float) limited));
    return processor.parameters.getRawParameterValue (paramId)->load();
}

bool automateRawParameter (juce::RangedAudioParameter& parameter, double value)
{
    // Compared as the values the parameter would hold, snapped to its steps: a curve that moves
    // within one step of a stepped dial, or holds still, changes nothing and sends nothing.
    const float normalised = parameter.convertTo0to1 ((float) limitedToRange (parameter, value));
    if (parameter.convertFrom0to1 (normalised) == parameter.convertFrom0to1 (parameter.getValue()))
        return false;

    parameter.beginChangeGesture();
    parameter.setValueNotifyingHost (normalised);
    parameter.endChangeGesture();
    return true;
}

juce::Result loadPreset (QuorvaneAudioProcessor& processor, const juce::String& nameOrFile)
{
    // A text that looks like a path is a file; a name is looked for among the factory presets,
    // then the user's, then as a file in the working folder.
    const bool looksLikeFile = nameOrFile.containsAnyOf ("/\\") || nameOrFile.endsWith (Presets::kFileExtension);
    if (! looksLikeFile)
    {
        if (const auto* factory = FactoryPresets::find (nameOrFile))
        {
            Presets::apply (processor, FactoryPresets::values (*factory));
            return juce::Result::ok();
        }
        const auto safeName = UserPresets::sanitiseName (nameOrFile);
        const auto userFile = UserPresets::fileFor (UserPresets::folder(), safeName);
        if (safeName == nameOrFile && userFile.existsAsFile())
            return loadPresetFile (processor, userFile);
    }

    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (nameOrFile);
    if (! looksLikeFile && ! file.exists())
        return juce::Result::fail ("unknown preset '" + nameOrFile + "' (--list-presets shows them all)");
    return loadPresetFile (processor, file);
}

juce::Result loadPresetFile (QuorvaneAudioProcessor& processor, const juce::File& file)
{
    Presets::PresetValues values;
    const auto result = Presets::readFile (file, values);
    if (result.failed())
        return result;
    Presets::apply (processor, values);
    return juce::Result::ok();
}

juce::Result configureProcessor (QuorvaneAudioProcessor& processor, const RenderOptions& options,
                                 std::ostream& warnings)
{
    if (options.stateIn.isNotEmpty())
    {
        const auto result = loadStateFile (processor, juce::File::getCurrentWorkingDirectory().getChildFile (options.stateIn));
        if (result.failed())
            return result;
    }

    if (options.preset.isNotEmpty())
    {
        const auto result = loadPreset (processor, options.preset);
        if (result.failed())
            return result;
    }

    if (options.seed.has_value())
        processor.engine.setRandomSeed (*options.seed);

    for (int m = 0; m < 2; ++m)
        if (options.steps[m].has_value())
            applySteps (processor, m, *options.steps[m], warnings);

    for (const auto& assignment : options.assignments)
    {
        bool clamped = false;
        const float stored = setRawParameter (processor, assignment.paramId, assignment.value, clamped);
        if (clamped)
        {
            const auto* entry = findParamSpec (assignment.paramId.toRawUTF8());
            warn (warnings, assignment.paramId + " = " + formatDouble (assignment.value) + " is outside "
                                + formatFloat (entry != nullptr ? entry->min : 0.0f) + ".."
                                + formatFloat (entry != nullptr ? entry->max : 0.0f) + ", clamped to "
                                + formatFloat (stored));
        }
    }

    // After the fixed values, so that a curve wins over --set for its parameter.
    for (const auto& automation : options.automations)
    {
        warnPointsOutsideRange (processor, automation, warnings);
        bool clamped = false;
        setRawParameter (processor, automation.paramId,
                         automationValueAt (automation.points, automationSteps (automation.paramId), 0.0), clamped);
    }
    return juce::Result::ok();
}

void listParameters (QuorvaneAudioProcessor& processor, std::ostream& out)
{
    for (auto* base : processor.getParameters())
    {
        auto* parameter = dynamic_cast<juce::RangedAudioParameter*> (base);
        if (parameter == nullptr)
            continue;

        const auto& id = parameter->getParameterID();
        const auto& range = parameter->getNormalisableRange();
        // The table holds the exact default; converting the normalised default back through a
        // skewed range could show rounding noise.
        const auto* entry = findParamSpec (id.toRawUTF8());
        const float defaultValue = entry != nullptr ? entry->defaultValue
                                                   : parameter->convertFrom0to1 (parameter->getDefaultValue());
        const float current = processor.parameters.getRawParameterValue (id)->load();

        out << id << "\t" << parameter->getName (256) << "\t" << formatFloat (range.start) << "\t"
            << formatFloat (range.end) << "\t" << formatFloat (defaultValue) << "\t" << formatFloat (current) << "\n";
    }
}

void listPresets (std::ostream& out)
{
    for (int i = 0; i < FactoryPresets::count(); ++i)
    {
        const auto& preset = FactoryPresets::at (i);
        out << "factory\t" << FactoryPresets::section (preset) << "\t" << preset.name << "\n";
    }
    for (const auto& file : UserPresets::list (UserPresets::folder()))
        out << "user\t" << UserPresets::kSectionHeading << "\t" << UserPresets::nameOf (file) << "\n";
}

juce::String currentModeName (QuorvaneAudioProcessor& processor)
{
    const int index = (int) processor.parameters.getRawParameterValue (ParamIDs::mode)->load();
    const auto* entry = blendModeEntryForIndex (index);
    return entry != nullptr ? juce::String (entry->name) : juce::String ("index " + juce::String (index));
}
