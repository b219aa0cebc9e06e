#include "PluginProcessor.h"
#include "ThemePalette.h"

#include <cmath>

// The state block the host stores with its project: the parameter tree as XML inside JUCE's
// binary wrapper, plus the 32 step values and the editor's colour theme. The standalone
// application keeps no state through these calls.

namespace
{
const juce::Identifier kStepSequencerType { "StepSequencer" };
const juce::Identifier kUiPrefsType { "UIPrefs" };
const juce::Identifier kThemeAttribute { "theme" };
const juce::Identifier kParamType { "PARAM" };
const juce::Identifier kIdAttribute { "id" };

// Attribute names of the steps: "s0".."s15" for modulator 1, "m1s0".."m1s15" for modulator 2.
juce::Identifier stepAttribute (int modulator, int step)
{
    return juce::String (modulator == 0 ? "s" : "m1s") + juce::String (step);
}
} // namespace

void QuorvaneAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    if (isStandaloneWrapper())
        return;

    auto tree = parameters.copyState();

    juce::ValueTree steps (kStepSequencerType);
    for (int m = 0; m < 2; ++m)
        for (int s = 0; s < 16; ++s)
            steps.setProperty (stepAttribute (m, s), static_cast<double> (getStepValue (m, s)), nullptr);
    tree.appendChild (steps, nullptr);

    juce::ValueTree prefs (kUiPrefsType);
    prefs.setProperty (kThemeAttribute, QV::gActive == &QV::kDark ? 1 : 0, nullptr);
    tree.appendChild (prefs, nullptr);

    if (auto xml = tree.createXml())
        copyXmlToBinary (*xml, destData);
}

void QuorvaneAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (isStandaloneWrapper())
        return;

    // Empty, truncated or foreign data gives no XML and leaves everything as it is.
    auto xml = getXmlFromBinary (data, sizeInBytes);
    if (xml == nullptr)
        return;
    auto tree = juce::ValueTree::fromXml (*xml);
    if (! tree.isValid())
        return;

    auto steps = tree.getChildWithName (kStepSequencerType);
    if (steps.isValid())
    {
        for (int m = 0; m < 2; ++m)
        {
            for (int s = 0; s < 16; ++s)
            {
                // A missing or non-numeric attribute reads as 0. A value that does not fit a
                // finite float would poison every Morph and dial it touches, so it is ignored
                // and the step keeps its value.
                const auto value = static_cast<float> (static_cast<double> (steps.getProperty (stepAttribute (m, s), 0.0)));
                if (std::isfinite (value))
                    setStepValue (m, s, value);
            }
        }
        tree.removeChild (steps, nullptr);
    }

    auto prefs = tree.getChildWithName (kUiPrefsType);
    if (prefs.isValid())
    {
        QV::gActive = static_cast<int> (prefs.getProperty (kThemeAttribute, 0)) == 1 ? &QV::kDark : &QV::kLight;
        tree.removeChild (prefs, nullptr);
    }

    // Older versions called the Heat parameter "warmth".
    for (auto child : tree)
    {
        if (child.hasType (kParamType) && child.getProperty (kIdAttribute).toString() == "warmth")
        {
            child.setProperty (kIdAttribute, "heat", nullptr);
            break;
        }
    }

    parameters.replaceState (tree);

    if (onStateRestored)
        onStateRestored();
}
