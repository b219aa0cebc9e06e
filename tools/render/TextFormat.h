#pragma once

#include <juce_core/juce_core.h>

// Number and string formatting for the tool's machine-readable output (JSON report, parameter
// list). Independent of the process locale.

// The shortest decimal text that reads back as the same float ("0.5", "-0.3", "20000").
juce::String formatFloat (float value);

// The same for a double ("150", "1e+300", "0.1").
juce::String formatDouble (double value);

// A JSON string literal, quotes included.
juce::String jsonString (const juce::String& text);
