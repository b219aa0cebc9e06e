#include "processor/StateDocument.h"

#include "processor/PluginProcessor.h"

#include <cmath>
#include <sys/stat.h>

namespace
{
// Our documents are two levels deep. JUCE's XML parser and the value tree recurse once per
// level, so a damaged or hostile document nested millions deep would exhaust the stack of the
// host's thread; anything deeper than this is refused before it is parsed.
constexpr int kMaxXmlDepth = 32;
// Our documents hold about 220 elements and attributes. The parser and the value tree spend a
// few microseconds on each, and more on each new name, so a document is refused past this many:
// any document that passes restores in a small fraction of a second.
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
} // namespace

namespace StateDocument
{
juce::Identifier stepAttribute (int modulator, int step)
{
    return juce::String (modulator == 0 ? "s" : "m1s") + juce::String (step);
}

juce::ValueTree buildWithoutTheme (QuorvaneAudioProcessor& processor)
{
    auto tree = processor.parameters.copyState();

    juce::ValueTree steps (kStepSequencerType);
    for (int m = 0; m < 2; ++m)
        for (int s = 0; s < kNumSteps; ++s)
            steps.setProperty (stepAttribute (m, s), static_cast<double> (processor.getStepValue (m, s)), nullptr);
    tree.appendChild (steps, nullptr);
    return tree;
}

// The framework's parser takes a document cut off inside its root tag ("<Quorv") for a
// complete, empty element, which would turn a truncated document into a restore instead of
// leaving everything as it is; hence the check of the last significant character.
bool isSafeXmlText (const char* text, const char* end)
{
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

void renameLegacyParameters (juce::ValueTree& tree)
{
    for (auto child : tree)
    {
        if (child.hasType (kParamType) && child.getProperty (kIdAttribute).toString() == "warmth")
        {
            child.setProperty (kIdAttribute, "heat", nullptr);
            break;
        }
    }
}

std::optional<float> finiteFloat (const juce::var& value)
{
    const auto narrowed = static_cast<float> (static_cast<double> (value));
    if (! std::isfinite (narrowed))
        return std::nullopt;
    return narrowed;
}

juce::Result readBoundedRegularFile (const juce::File& file, juce::int64 maxBytes, const juce::String& name,
                                     const juce::String& what, juce::MemoryBlock& data)
{
    struct stat info {};
    if (::stat (file.getFullPathName().toRawUTF8(), &info) != 0)
        return juce::Result::fail (name + ": no such file");
    if (S_ISDIR (info.st_mode))
        return juce::Result::fail (name + " is a directory");
    if (! S_ISREG (info.st_mode))
        return juce::Result::fail (name + " is not a regular file");
    if (info.st_size > maxBytes)
        return juce::Result::fail (name + " is too large to be " + what);

    juce::FileInputStream stream (file);
    if (! stream.openedOk())
        return juce::Result::fail (name + " cannot be read: " + stream.getStatus().getErrorMessage());

    // Read up to the cap and one byte past it, in case the file grew since it was checked.
    juce::MemoryBlock contents;
    stream.readIntoMemoryBlock (contents, (ssize_t) maxBytes + 1);
    if ((juce::int64) contents.getSize() > maxBytes)
        return juce::Result::fail (name + " is too large to be " + what);
    data = std::move (contents);
    return juce::Result::ok();
}
} // namespace StateDocument
