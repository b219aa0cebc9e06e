#pragma once

// The 60 host parameters as one constant table, in the order the host sees them.

struct ParamSpec
{
    enum class Kind { Float, Choice, Bool };

    const char* id;
    const char* name;
    Kind kind;
    float min, max, step, skew, defaultValue; // Choice: default index; Bool: 0 or 1
    const char* unit;                         // host value text suffix, null for none
    const char* const* choices;               // Choice only, null-terminated; null for "Blend Mode",
                                              // whose list is the mode registry
};

inline constexpr int kNumParameters = 60;
extern const ParamSpec kParamTable[kNumParameters];

const ParamSpec* findParamSpec (const char* id) noexcept;

// Values of the choice parameters.
extern const char* const kBarsChoices[];
extern const char* const kDividerChoices[];
extern const int kBarsTable[9];
