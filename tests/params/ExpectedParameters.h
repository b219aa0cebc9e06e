#pragma once

#include <vector>

// What a host must find: the parameters in host order with their identifiers, display names,
// kinds, ranges, defaults and units, and the blend entries with the algorithm behind each.
// Written out here from the product's documentation rather than taken from the plug-in's
// sources, so the tests compare the code against the documented behaviour. Shared by the
// parameter-table, processor and host tests; it needs nothing but the C++ library, because the
// host test program links no plug-in code.

struct ExpectedParameter
{
    enum class Kind { Float, Choice, Switch };

    const char* id;
    const char* name;
    Kind kind;
    float min, max;     // Choice: index range; Switch: 0, 1
    float step, skew;   // of the normalised range; 1, 1 for choices and switches
    float defaultValue; // Choice: default index; Switch: 0 or 1
    const char* unit;   // the host's value-text unit, null for none
    std::vector<const char*> choices;
    bool wholeSteps = false; // Float: only whole values mean anything; hosts offer the steps
};

const std::vector<ExpectedParameter>& expectedParameters();

// One entry of the "Blend Mode" list, in choice order, as the mode selector, the randomiser and
// the message bar present it.
struct ExpectedBlendEntry
{
    const char* name;
    int blendMode;           // the engine algorithm, 1..14
    int mathOp;              // the math operation, 1..9; 1 for the entries that are no math mode
    int comboId;             // the mode selector's item ID
    const char* heading;     // the section heading shown before the entry, null for none
    int randomWeight;        // the entry's share of the randomiser's mode draw
    const char* description; // the sentence after "Mode: <name>. " in the message bar
};

const std::vector<ExpectedBlendEntry>& expectedBlendEntries();

// The documented parameter with this identifier, or null.
const ExpectedParameter* findExpectedParameter (const char* id);

// Latency a host must see for an algorithm at a "Resolution" value.
int expectedLatency (int blendMode, int resolution);
