#include "processor/PluginProcessor.h"
#include "processor/ThemeSetting.h"

#include <algorithm>
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
const juce::Identifier kValueAttribute { "value" };

// Attribute names of the steps: "s0".."s15" for modulator 1, "m1s0".."m1s15" for modulator 2.
juce::Identifier stepAttribute (int modulator, int step)
{
    return juce::String (modulator == 0 ? "s" : "m1s") + juce::String (step);
}

// Our documents are two levels deep. JUCE's XML parser and the value tree recurse once per
// level, so a damaged or hostile block nested millions deep would exhaust the stack of the
// host's thread; anything deeper than this is refused before it is parsed.
constexpr int kMaxXmlDepth = 32;
// Our documents hold about 220 elements and attributes. The parser and the value tree spend a
// few microseconds on each, and more on each new name, so a block is refused past this many:
// any block that passes restores in a small fraction of a second.
constexpr int kMaxXmlItems = 16384;
// The framework's parser loops for ever, growing a string until memory runs out, on an '&' that
// no ';' follows. The entities it writes (&amp;, &quot;, &#10;) are a few characters long.
constexpr int kMaxEntityLength = 16;

bool entityEndsSoon (const char* ampersand, const char* end)
{
    for (const char* c = ampersand + 1; c < end && c <= ampersand + kMaxEntityLength && *c != 0; ++c)
        if (*c == ';')
            return true;
    return false;
}

// Checks the XML text inside a state block before JUCE parses it. Besides the depth, the text
// must end with the '>' that closes its root: the parser takes a document cut off inside its
// root tag ("<Quorv") for a complete, empty element, which would turn a truncated block into a
// restore instead of leaving everything as it is.
bool isParseableStateText (const void* data, juce::int64 sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 8 || sizeInBytes > QuorvaneAudioProcessor::kMaxStateBlockBytes)
        return false;
    const auto* bytes = static_cast<const char*> (data);
    // The header is JUCE's: a magic number, then the text length, both little-endian.
    const auto declared = juce::ByteOrder::littleEndianInt (bytes + 4);
    const auto available = static_cast<juce::uint32> (sizeInBytes - 8);
    const char* text = bytes + 8;
    const char* const end = text + std::min (declared, available);

    int depth = 0, items = 0;
    char lastSignificant = 0;
    bool inTag = false, closingTag = false;
    char quote = 0;
    for (const char* c = text; c < end && *c != 0; ++c)
    {
        if (! juce::CharacterFunctions::isWhitespace (*c))
            lastSignificant = *c;
        if (*c == '&' && ! entityEndsSoon (c, end))
            return false;

        if (quote != 0)
        {
            if (*c == quote)
                quote = 0;
        }
        else if (inTag)
        {
            if (*c == '"' || *c == '\'')
                quote = *c;
            else if (*c == '=' && ! closingTag && ++items > kMaxXmlItems)
                return false;
            else if (*c == '>')
            {
                inTag = false;
                if (closingTag || c[-1] == '/')
                    --depth;
            }
        }
        else if (*c == '<' && c + 1 < end)
        {
            const char next = c[1];
            if (next == '/')
            {
                inTag = closingTag = true;
            }
            else if (next != '!' && next != '?')
            {
                inTag = true;
                closingTag = false;
                if (++depth > kMaxXmlDepth || ++items > kMaxXmlItems)
                    return false;
            }
        }
    }
    return lastSignificant == '>';
}

// A parameter value that is not a finite float (NaN, infinity, or beyond float range) would
// pass unclamped through the framework's range conversion and reach the audio thread. It is
// ignored the way a non-finite step value is: the parameter keeps its current value.
void replaceNonFiniteParameterValues (juce::ValueTree& tree, juce::AudioProcessorValueTreeState& parameters)
{
    for (auto child : tree)
    {
        if (! child.hasType (kParamType) || ! child.hasProperty (kValueAttribute))
            continue;
        const auto value = static_cast<float> (static_cast<double> (child.getProperty (kValueAttribute)));
        if (std::isfinite (value))
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
    return isParseableStateText (data, sizeInBytes);
}

void QuorvaneAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    if (isStandaloneWrapper())
        return;

    auto tree = parameters.copyState();

    juce::ValueTree steps (kStepSequencerType);
    for (int m = 0; m < 2; ++m)
        for (int s = 0; s < kNumSteps; ++s)
            steps.setProperty (stepAttribute (m, s), static_cast<double> (getStepValue (m, s)), nullptr);
    tree.appendChild (steps, nullptr);

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
                const auto value = static_cast<float> (static_cast<double> (steps.getProperty (stepAttribute (m, s), 0.0)));
                if (std::isfinite (value))
                    setStepValue (m, s, value);
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

    // Older versions called the Heat parameter "warmth".
    for (auto child : tree)
    {
        if (child.hasType (kParamType) && child.getProperty (kIdAttribute).toString() == "warmth")
        {
            child.setProperty (kIdAttribute, "heat", nullptr);
            break;
        }
    }

    replaceNonFiniteParameterValues (tree, parameters);
    parameters.replaceState (tree);
    settleSwitchValues();

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
