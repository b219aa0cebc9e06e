#pragma once

#include "processor/Presets.h"

// The presets compiled into the plug-in: at least one per blend entry, in the order of the
// entries, so that they group by the entries' sections.
namespace FactoryPresets
{
struct Setting
{
    const char* paramId; // null ends a row's settings
    float value;         // raw value: own units, choice index, 0 or 1 for a switch
};

inline constexpr int kMaxSettings = 12;

struct StepRow
{
    float values[kNumSteps];
};

struct Preset
{
    const char* name;
    const char* modeName;             // the blend entry's exact name
    Setting settings[kMaxSettings];   // on top of every parameter's default
    const StepRow* steps1;            // null: every step 0
    const StepRow* steps2;
};

int count();
const Preset& at (int index);

// The preset of this exact name, or null.
const Preset* find (const juce::String& name);

// The registry index of the preset's blend entry (-1 for an unknown name) and the heading of
// the section that entry belongs to.
int entryIndex (const Preset& preset);
juce::String section (const Preset& preset);

// The preset's values: the defaults, then its mode, its settings and its steps.
Presets::PresetValues values (const Preset& preset);
} // namespace FactoryPresets
