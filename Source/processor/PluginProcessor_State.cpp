#include "processor/PluginProcessor.h"
#include "processor/StateDocument.h"
#include "processor/ThemeSetting.h"

#include <algorithm>
#include <cmath>

// The state block the host stores with its project: the parameter tree as XML inside JUCE's
// binary wrapper, plus the 32 step values and the editor's colour theme. The standalone
// application keeps no state through these calls.

namespace
{
using namespace StateDocument;

const juce::Identifier kUiPrefsType { "UIPrefs" };
const juce::Identifier kThemeAttribute { "theme" };

// A parameter value that is not a finite float (NaN, infinity, or beyond float range) would
// pass unclamped through the framework's range conversion and reach the audio thread. It is
// ignored the way a non-finite step value is: the parameter keeps its current value.
void replaceNonFiniteParameterValues (juce::ValueTree& tree, juce::AudioProcessorValueTreeState& parameters)
{
    for (auto child : tree)
    {
        if (! child.hasType (kParamType) || ! child.hasProperty (kValueAttribute))
            continue;
        if (finiteFloat (child.getProperty (kValueAttribute)))
            continue;
        if (auto* current = parameters.getRawParameterValue (child.getProperty (kIdAttribute).toString()))
            child.setProperty (kValueAttribute, current->load(), nullptr);
    }
}

void removeAllChildrenOfType (juce::ValueTree& tree, const juce::Identifier& type)
{
    for (int i = tree.getNumChildren(); --i >= 0;)
        if (tree.getChild (i).hasType (type))
            tree.removeChild (i, nullptr);
}
} // namespace

bool QuorvaneAudioProcessor::isRestorableStateBlock (const void* data, juce::int64 sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 8 || sizeInBytes > kMaxStateBlockBytes)
        return false;
    const auto* bytes = static_cast<const char*> (data);
    // The header is JUCE's: a magic number, then the text length, both little-endian. The XML
    // text behind it is checked before JUCE parses it.
    const auto declared = juce::ByteOrder::littleEndianInt (bytes + 4);
    const auto available = static_cast<juce::uint32> (sizeInBytes - 8);
    const char* text = bytes + 8;
    return isSafeXmlText (text, text + std::min (declared, available));
}

void QuorvaneAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    if (isStandaloneWrapper())
        return;

    auto tree = StateDocument::buildWithoutTheme (*this);

    juce::ValueTree prefs (kUiPrefsType);
    prefs.setProperty (kThemeAttribute, QV::isDarkThemeActive() ? 1 : 0, nullptr);
    tree.appendChild (prefs, nullptr);

    if (auto xml = tree.createXml())
        copyXmlToBinary (*xml, destData);
}

void QuorvaneAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (isStandaloneWrapper())
        return;

    // Empty, truncated or foreign data gives no XML and leaves everything as it is.
    if (! isRestorableStateBlock (data, sizeInBytes))
        return;
    auto xml = getXmlFromBinary (data, sizeInBytes);
    if (xml == nullptr)
        return;
    auto tree = juce::ValueTree::fromXml (*xml);
    if (! tree.isValid())
        return;

    // The audio thread hears the restore as one change, not parameter by parameter.
    const ScopedSettingsLoad load (*this);
    auto steps = tree.getChildWithName (kStepSequencerType);
    if (steps.isValid())
    {
        for (int m = 0; m < 2; ++m)
        {
            for (int s = 0; s < kNumSteps; ++s)
            {
                // A missing or non-numeric attribute reads as 0. A value that does not fit a
                // finite float would poison every Morph and dial it touches, so it is ignored
                // and the step keeps its value.
                if (const auto value = finiteFloat (steps.getProperty (stepAttribute (m, s), 0.0)))
                    setStepValue (m, s, *value);
            }
        }
    }

    auto prefs = tree.getChildWithName (kUiPrefsType);
    const RestoredTheme theme = ! prefs.isValid() ? RestoredTheme::Unchanged
                                : static_cast<int> (prefs.getProperty (kThemeAttribute, 0)) == 1 ? RestoredTheme::Dark
                                                                                                : RestoredTheme::Light;

    // The first of each is read; duplicates go too, or a stale copy would stay in the tree, be
    // saved again and be read back ahead of the current steps and theme by the next restore.
    removeAllChildrenOfType (tree, kStepSequencerType);
    removeAllChildrenOfType (tree, kUiPrefsType);

    renameLegacyParameters (tree);

    replaceNonFiniteParameterValues (tree, parameters);
    parameters.replaceState (tree);
    settleSwitchValues();
    // The restored settings may have another latency; the host hears of it once the restore
    // has returned (a host that holds a lock while it restores must not be called back).
    latencyAnnouncer.post();

    finishRestoreOnMessageThread (theme);
}

void QuorvaneAudioProcessor::settleSwitchValues()
{
    // A switch keeps the fraction a host last sent it (0.97 reads as "on"), and a restore that
    // leaves it on changes nothing, so the host would read its own fraction back. After a
    // restore every switch is exactly 0 or 1, and the host is told.
    for (const auto& row : kParamTable)
    {
        if (row.kind != ParamSpec::Kind::Bool)
            continue;
        auto* parameter = parameters.getParameter (row.id);
        const float exact = parameter->getValue() >= 0.5f ? 1.0f : 0.0f;
        if (parameter->getValue() != exact)
            parameter->setValueNotifyingHost (exact);
    }
}

void QuorvaneAudioProcessor::finishRestoreOnMessageThread (RestoredTheme theme)
{
    // The theme and the editor belong to the message thread; hosts restore from worker threads.
    auto finish = [theme] (QuorvaneAudioProcessor& p) {
        if (theme != RestoredTheme::Unchanged)
            QV::setDarkThemeActive (theme == RestoredTheme::Dark);
        if (p.onStateRestored)
            p.onStateRestored();
    };

    auto* messageManager = juce::MessageManager::getInstanceWithoutCreating();
    if (messageManager == nullptr || messageManager->isThisTheMessageThread())
    {
        finish (*this);
        return;
    }
    juce::MessageManager::callAsync ([weak = juce::WeakReference<QuorvaneAudioProcessor> (this), finish] {
        if (auto* p = weak.get())
            finish (*p);
    });
}
