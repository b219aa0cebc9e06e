#pragma once

#include <juce_core/juce_core.h>

// One help sentence per dial parameter, shown after the dial's value in the message bar.
struct ParamHelpEntry
{
    const char* paramId;
    const char* help;
};

inline constexpr int kNumParamHelpEntries = 48;
extern const ParamHelpEntry kParamHelp[kNumParamHelpEntries];

// The help sentence for a parameter identifier, or null when it has none (or the id is null).
const char* findParamHelp (const char* paramId) noexcept;

// text + ". " + the parameter's help sentence; the text alone when there is none.
juce::String withHelp (const juce::String& text, const char* paramId);
