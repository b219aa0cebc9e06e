#pragma once

#include <vector>

// What each of the Blend page's dials shows, in construction order (the randomiser's order too):
// its caption, the parameter it is bound to, its suffix, and for one typical value the dial's own
// value text (number and suffix, as the slider prints it) and the message bar's wording. Written
// out here from the product's documentation rather than taken from the plug-in's sources, so the
// parameter-layer and GUI tests compare the code against the documented texts. Like
// ExpectedParameters.h it needs nothing but the C++ library.
//
// The number is truncated toward zero for whole-number dials, printed with one decimal place for
// the times, rates and levels in dB, and is 2 to the truncated value for Resolution and Chunk.
struct ExpectedDial
{
    const char* caption;
    const char* paramId;
    const char* suffix;
    double value;
    const char* valueText;
    const char* message; // without the help sentence
};

const std::vector<ExpectedDial>& expectedDials();

// Index of the dial bound to a parameter, or -1 (also for null).
int expectedDialIndex (const char* paramId);

// The mode dials come first; the tone dials, starting with LowCut, follow them.
int expectedNumModeDials();
