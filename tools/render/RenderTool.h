#pragma once

#include <juce_core/juce_core.h>

#include <ostream>

// The whole command: parse, configure, render, report. Exit status 0 on success and 2 on any
// error, after one line on `err` and without leaving an output file.
inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 2;

int runRenderTool (const juce::StringArray& args, std::ostream& out, std::ostream& err);
