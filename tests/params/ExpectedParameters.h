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
};

const std::vector<ExpectedParameter>& expectedParameters();

struct ExpectedBlendEntry
{
    const char* name;
    int blendMode; // the engine algorithm, 1..14
};

const std::vector<ExpectedBlendEntry>& expectedBlendEntries();

// Latency a host must see for an algorithm at a "Resolution" value.
int expectedLatency (int blendMode, int resolution);
