#pragma once

#include "processor/PluginProcessor.h"

#include <array>
#include <optional>

// Presets: the parameters and the 32 step values, kept in a file as the same XML document the
// state block holds, without the colour theme. The host keeps seeing a single program; loading
// a preset is a set of ordinary edits.
namespace Presets
{
inline constexpr const char* kFileExtension = ".qvpreset";
// A preset is as small as a state block (about 3 KB); the same cap applies.
inline constexpr juce::int64 kMaxFileBytes = QuorvaneAudioProcessor::kMaxStateBlockBytes;

// Everything a preset sets: every parameter's raw value in parameter-table order and the steps
// of both modulators.
struct PresetValues
{
    std::array<float, kNumParameters> parameters {};
    std::array<std::array<float, kNumSteps>, 2> steps {};

    bool operator== (const PresetValues& other) const
    {
        return parameters == other.parameters && steps == other.steps;
    }
    bool operator!= (const PresetValues& other) const { return ! (*this == other); }
};

// Every parameter at its default, every step at 0.
PresetValues defaultValues();

// A raw value brought into its parameter's range: clamped, a choice truncated to its index, a
// switch exactly 0 or 1.
float limitToRange (const ParamSpec& spec, float value);

// The processor's current parameters and steps.
PresetValues capture (const QuorvaneAudioProcessor& processor);

// The processor's current settings as a preset file's text.
juce::String documentText (QuorvaneAudioProcessor& processor);

// Reads a preset document. Nothing comes back unless the text passes the state block's checks,
// parses and has the root "Quorvane". A parameter or step the document lacks takes its default;
// a value that is not a finite number does too; other values are limited to their ranges;
// unknown elements are ignored and "warmth" is read as "heat".
std::optional<PresetValues> parse (const void* data, size_t sizeInBytes);

// Reads a preset file. On failure the text says what is wrong and `values` is untouched.
juce::Result readFile (const juce::File& file, PresetValues& values);

// Writes the processor's settings to a file, replacing it only once the new text is complete.
juce::Result writeFile (const juce::File& file, QuorvaneAudioProcessor& processor);

// Sets the processor to a preset the way a user's edits would: each parameter whose value
// changes inside its own change gesture (so host automation and undo see it), then the steps.
// Message thread.
void apply (QuorvaneAudioProcessor& processor, const PresetValues& values);
} // namespace Presets
