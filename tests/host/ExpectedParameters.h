#pragma once

#include <vector>

// What a host must find: the 60 parameters in host order with their display names, kinds,
// ranges, defaults and units, and the 22 blend entries with the algorithm behind each. Written
// out here from the product's documentation rather than taken from the plug-in's sources, so
// the host tests compare the binary against the documented behaviour.

struct ExpectedParameter
{
    enum class Kind { Float, Choice, Switch };

    const char* name;
    Kind kind;
    float min, max, defaultValue; // Choice: index range and default index; Switch: 0, 1, default
    const char* unit;             // value-text unit where one is documented, else null
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
