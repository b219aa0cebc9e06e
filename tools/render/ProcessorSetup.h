#pragma once

#include "RenderOptions.h"

#include "processor/PluginProcessor.h"

#include <ostream>

// Puts the processor into the state the command line asks for, the way a host and its user
// would before playback: restore a state block, enter step values, set parameters.

// In this order: --state-in, --preset, --steps1/--steps2, --mode/--set in command-line order, then
// every --automate curve's value at time 0, so that the first block starts there.
// Out-of-range values are clamped and reported as warnings on `warnings`.
juce::Result configureProcessor (QuorvaneAudioProcessor& processor, const RenderOptions& options,
                                 std::ostream& warnings);

// Reads a state block from a file and restores it. A file that cannot be read or does not hold
// a Quorvane state block is an error, and the processor is left untouched.
juce::Result loadStateFile (QuorvaneAudioProcessor& processor, const juce::File& file);

// Loads a preset: a factory preset or a user preset by its exact name, otherwise a preset file
// (relative to the working folder). An unknown name or a file that is not a preset is an
// error, and the processor is left untouched.
juce::Result loadPreset (QuorvaneAudioProcessor& processor, const juce::String& nameOrFile);
juce::Result loadPresetFile (QuorvaneAudioProcessor& processor, const juce::File& file);

// Sets one parameter from its raw value through the host interface. Returns the value the
// parameter holds afterwards; `clamped` tells whether the value lay outside the range.
float setRawParameter (QuorvaneAudioProcessor& processor, const juce::String& paramId, double value, bool& clamped);

// Sets one parameter from its raw value the way a host's automation does: limited to the range
// as setRawParameter limits it, inside a change gesture, and only when the parameter would then
// hold a different value. Returns whether it was set.
bool automateRawParameter (juce::RangedAudioParameter& parameter, double value);

// One tab-separated line per parameter, in the order the host sees them:
// id, name, min, max, default, current raw value.
void listParameters (QuorvaneAudioProcessor& processor, std::ostream& out);

// One tab-separated line per preset: "factory" or "user", the section, the name; the factory
// presets first, grouped by section, then the user's presets by name.
void listPresets (std::ostream& out);

// Name of the current "Blend Mode" entry.
juce::String currentModeName (QuorvaneAudioProcessor& processor);
