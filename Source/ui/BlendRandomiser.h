#pragma once

#include <juce_core/juce_core.h>

#include "engine/ModulatorShape.h"

#include <array>

// The random draws behind the Blend page's "Randomize" and "All" buttons and the modulator's
// "Randomize": pure functions of a random source, so they can be checked with a seeded one.
namespace BlendRandomiser
{
// Mode index for a number 0..43: the first registry entry whose running sum of weights exceeds it.
int modeIndexForDraw (int r) noexcept;
int drawModeIndex (juce::Random&);

// A dial value uniform over lo..hi, snapped to the step from lo when step > 0.
double dialValueForDraw (double lo, double hi, double step, double u) noexcept;
// The math "Drive": squared so low drive is favoured, never above 50.
double mathDriveForDraw (double u) noexcept;

enum PatternKind
{
    Walk = 0,
    Pattern = 1,
    Accent = 2,
    Pulse = 3,
    Curve = 4
};
const char* patternKindName (int kind) noexcept;

using Steps = std::array<float, kNumSteps>;

// One of the five pattern kinds, drawn with nextInt(5), then generated. Values are clamped
// to -1..+1 but not yet on the 0.01 grid.
Steps drawPattern (juce::Random&, int& kindOut);
Steps generatePattern (juce::Random&, int kind);
// Each value rounded to whole hundredths (halves away from zero) and clamped to -1..+1.
Steps quantise (const Steps&) noexcept;

// Cycle length of a modulator as Bars and Divider item indices (see kBarsTable).
struct LengthChoice
{
    int barsIndex = 0;
    int divIndex = 0;
};
LengthChoice drawLength (juce::Random&, int numBarsItems = 9);
// Smoothing in percent: 100 three times in four, otherwise anywhere in 0..100.
double drawSmoothing (juce::Random&);
} // namespace BlendRandomiser
