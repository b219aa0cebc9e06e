#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <optional>

class QuorvaneAudioProcessor;

// The pieces of the document the processor saves, shared by the host's state block and the
// preset files: a preset is the state document without the colour theme, so both are written
// by one function and read with the same checks.
namespace StateDocument
{
// The root element: the type of the processor's parameter tree.
inline const juce::Identifier kRootType { "Quorvane" };
inline const juce::Identifier kStepSequencerType { "StepSequencer" };
inline const juce::Identifier kParamType { "PARAM" };
inline const juce::Identifier kIdAttribute { "id" };
inline const juce::Identifier kValueAttribute { "value" };

// Attribute names of the steps: "s0".."s15" for modulator 1, "m1s0".."m1s15" for modulator 2.
juce::Identifier stepAttribute (int modulator, int step);

// The parameter tree with one "StepSequencer" child holding the 32 step values.
juce::ValueTree buildWithoutTheme (QuorvaneAudioProcessor& processor);

// Checks XML text before the framework parses it: nesting and element counts a parser takes
// in a moment, no unterminated entity, and text that ends where its root element closes.
bool isSafeXmlText (const char* text, const char* end);

// Older versions called the Heat parameter "warmth": the first such element is renamed.
void renameLegacyParameters (juce::ValueTree& tree);

// A document's number as a float, or nothing when it is NaN, infinite or beyond float range:
// such a value would pass unclamped through the range conversion and reach the audio thread.
std::optional<float> finiteFloat (const juce::var& value);

// Reads a file only when it is a regular file no larger than maxBytes (a device such as
// /dev/zero or a pipe never ends). Failure texts start with `name` ("state file 'x'") and say
// what is wrong; a file that is too large is "too large to be <what>".
juce::Result readBoundedRegularFile (const juce::File& file, juce::int64 maxBytes, const juce::String& name,
                                     const juce::String& what, juce::MemoryBlock& data);
} // namespace StateDocument
