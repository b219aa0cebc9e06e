#pragma once

#include "processor/Presets.h"

// The user's own presets: one file per preset in a folder of the user's data directory,
// named after the preset.
namespace UserPresets
{
// The heading the user's presets are listed under, after the factory sections.
inline constexpr const char* kSectionHeading = "User";

// A name longer than this is shortened; file systems allow 255 bytes, and a list shows less.
inline constexpr int kMaxNameLength = 64;

// The folder under a data directory: $XDG_DATA_HOME when it is an absolute path, otherwise
// ~/.local/share (the XDG default), then quorvane/presets.
juce::File folderFor (const juce::String& xdgDataHome, const juce::File& home);
// The same for this process's environment.
juce::File folder();

// A preset name made safe as a file name: path separators, characters that some file systems
// refuse and control characters become '-', surrounding spaces and leading dots go, and the
// name is shortened to kMaxNameLength characters. Empty when nothing usable remains.
juce::String sanitiseName (const juce::String& name);

// The file a sanitised name is kept in.
juce::File fileFor (const juce::File& presetFolder, const juce::String& sanitisedName);

// The preset files in a folder, sorted by name regardless of case; none when there is no folder.
juce::Array<juce::File> list (const juce::File& presetFolder);

// The name shown for a preset file.
juce::String nameOf (const juce::File& presetFile);

// Saves the processor's settings as the user preset `name`, creating the folder on the first
// save. An existing preset of that name is replaced only with `overwrite`; otherwise the result
// fails and `exists` is set, so the caller can ask first.
juce::Result save (QuorvaneAudioProcessor& processor, const juce::File& presetFolder, const juce::String& name,
                   bool overwrite, bool& exists);
} // namespace UserPresets
