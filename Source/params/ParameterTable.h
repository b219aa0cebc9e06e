#pragma once

#include "params/BlendModeRegistry.h"
#include "params/CompileTime.h"
#include "params/ParamIDs.h"

#include <cstddef>
#include <iterator>
#include <utility>

// The host parameters as one constant table, in the order the host sees them. A row holds what
// the host, the processor and the tools know of a parameter; the dial, help and mode-dial tables
// refer to a row by its identifier. Everything here is usable in constant expressions, so counts
// and row indices are worked out while the program is compiled.

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
    bool wholeSteps = false;                  // Float only: only whole values mean anything, so
                                              // hosts offer it step by step
};

// The units a row may carry. The host prints them after a space ("150 %"); a dial derives its
// own suffix from them (see BlendDialTable.h).
namespace ParamUnit
{
inline constexpr const char* hertz = "Hz";
inline constexpr const char* percent = "%";
inline constexpr const char* decibels = "dB";
inline constexpr const char* milliseconds = "ms";
} // namespace ParamUnit

// Values of the choice parameters, each list null-terminated.
inline constexpr const char* kDirectionChoices[] = { "1 > 2", "2 > 1", "1 > 1", nullptr };
inline constexpr const char* kTargetChoices[] = { "Dial 1", "Dial 2", "Dial 3", "Dial 4", "Dial 5", nullptr };
inline constexpr const char* kBarsChoices[] = { "1", "2", "3", "4", "5", "6", "8", "12", "16", nullptr };
inline constexpr const char* kDividerChoices[] = { "1", "2", "3", "4", "5", "6", "7", "8", nullptr };

constexpr int choiceCount (const char* const* choices) noexcept
{
    int count = 0;
    while (choices[count] != nullptr)
        ++count;
    return count;
}

namespace paramtable
{
// The number a Bars choice names ("12" -> 12).
constexpr int wholeNumber (const char* text) noexcept
{
    int value = 0;
    for (; *text != 0; ++text)
        value = value * 10 + (*text - '0');
    return value;
}

constexpr int barCount (std::size_t choice) noexcept
{
    return wholeNumber (kBarsChoices[choice]);
}

// A choice parameter over a list of texts: its range is the list's indices.
constexpr ParamSpec choiceParam (const char* id, const char* name, const char* const* choices) noexcept
{
    return { id, name, ParamSpec::Kind::Choice, 0.0f, static_cast<float> (choiceCount (choices) - 1), 1.0f, 1.0f,
             0.0f, nullptr, choices };
}
} // namespace paramtable

// Bar count of each Bars choice index: the list skips 7, 9 to 11 and 13 to 15.
inline constexpr auto& kBarsTable =
    BuiltArray<int, paramtable::barCount, std::make_index_sequence<std::size (kBarsChoices) - 1>>::values;

namespace paramtable
{
using K = ParamSpec::Kind;
constexpr const char* kHz = ParamUnit::hertz;
constexpr const char* kPct = ParamUnit::percent;
constexpr const char* kDb = ParamUnit::decibels;
constexpr const char* kMs = ParamUnit::milliseconds;
constexpr bool kWholeSteps = true;

// Rows: id, name, kind, min, max, step, skew, default, unit, choices and, for the few floats that
// count whole steps, kWholeSteps; choiceParam fills a choice's range from its list.
// clang-format off
inline constexpr ParamSpec kParamTable[] = {
    { ParamIDs::morph,           "Morph",           K::Float,  0, 100, 1, 1, 50, kPct, nullptr },
    { ParamIDs::mode,            "Blend Mode",      K::Choice, 0, kNumBlendModeEntries - 1, 1, 1, 0, nullptr, nullptr }, // choices: the registry
    choiceParam (ParamIDs::direction, "Direction", kDirectionChoices),
    { ParamIDs::fxLowCut,        "FX LowCut",       K::Float,  20, 2000, 0, 0.3f, 20, kHz, nullptr },
    { ParamIDs::heat,            "Heat",            K::Float,  0, 200, 1, 1, 0, kPct, nullptr },
    { ParamIDs::fxHiCut,         "FX HiCut",        K::Float,  200, 20000, 0, 0.3f, 8000, kHz, nullptr },
    { ParamIDs::fxLevel,         "FX Level",        K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::sig1Level,       "Signal 1",        K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::sig2Level,       "Signal 2",        K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::outputVolDb,     "Output Volume",   K::Float,  -60, 6, 0.1f, 1, 0, kDb, nullptr },
    { ParamIDs::clipCeilingDb,   "Clip Ceiling",    K::Float,  -12, 0, 0.1f, 1, -0.3f, kDb, nullptr },
    { ParamIDs::resolution,      "Resolution",      K::Float,  0, 12, 1, 1, 7, nullptr, nullptr, kWholeSteps },
    { ParamIDs::vocAttack,       "Voc Attack",      K::Float,  0.5f, 50, 0, 0.5f, 5, kMs, nullptr },
    { ParamIDs::vocRelease,      "Voc Release",     K::Float,  5, 500, 0, 0.5f, 50, kMs, nullptr },
    { ParamIDs::hfEmphasis,      "HF Emphasis",     K::Float,  -12, 12, 0.5f, 1, 0, kDb, nullptr },
    { ParamIDs::vocDrive,        "Voc Drive",       K::Float,  0, 100, 1, 1, 50, kPct, nullptr },
    { ParamIDs::mathBalance,     "Math Balance",    K::Float,  0, 100, 1, 1, 50, kPct, nullptr },
    { ParamIDs::mathRectify,     "Math Rectify",    K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::mathTame,        "Math Tame",       K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::mathDrive,       "Math Drive",      K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::mathDCOffset,    "Math DC Offset",  K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::mathTilt,        "Math Tilt",       K::Float,  -100, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::scAttack,        "SC Attack",       K::Float,  0.5f, 50, 0, 0.5f, 0.5f, kMs, nullptr },
    { ParamIDs::scRelease,       "SC Release",      K::Float,  5, 500, 0, 0.5f, 5, kMs, nullptr },
    { ParamIDs::scThreshold,     "SC Threshold",    K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::scDepth,         "SC Depth",        K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::sgThreshold,     "SG Threshold",    K::Float,  0, 100, 1, 1, 25, kPct, nullptr },
    { ParamIDs::sgTilt,          "SG Tilt",         K::Float,  -100, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::psAmount,        "PS Amount",       K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::psTilt,          "PS Tilt",         K::Float,  -100, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::biChunk,         "BI Chunk",        K::Float,  0, 3, 1, 1, 0, nullptr, nullptr, kWholeSteps },
    { ParamIDs::biTilt,          "BI Tilt",         K::Float,  -100, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::probBias,        "Prob Bias",       K::Float,  -100, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::probHold,        "Prob Hold",       K::Float,  0, 100, 0.1f, 1, 5, kMs, nullptr },
    { ParamIDs::probStereo,      "Prob Stereo",     K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::probCrossfade,   "Prob Crossfade",  K::Float,  0, 50, 0.1f, 1, 0, kMs, nullptr },
    { ParamIDs::wsWindow,        "WS Window",       K::Float,  1, 50, 0.1f, 1, 10, kMs, nullptr },
    { ParamIDs::wsDrive,         "WS Drive",        K::Float,  0, 200, 1, 1, 100, kPct, nullptr },
    { ParamIDs::wsSmoothing,     "WS Smoothing",    K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::scrubScale,      "Scrub Scale",     K::Float,  0, 200, 1, 1, 50, kPct, nullptr },
    { ParamIDs::scrubBias,       "Scrub Bias",      K::Float,  -100, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::scrubSmoothing,  "Scrub Smoothing", K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::fsCrossover,     "FS Crossover",    K::Float,  100, 10000, 0, 0.3f, 1000, kHz, nullptr },
    { ParamIDs::fsWidth,         "FS Width",        K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::fsTilt,          "FS Tilt",         K::Float,  -100, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::fsLFORate,       "FS LFO Rate",     K::Float,  0, 20, 0.1f, 1, 0, kHz, nullptr },
    { ParamIDs::amDepth,         "AM Depth",        K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::amDCOffset,      "AM DC Offset",    K::Float,  0, 100, 1, 1, 50, kPct, nullptr },
    { ParamIDs::amLFORate,       "AM LFO Rate",     K::Float,  0, 20, 0.1f, 1, 0, kHz, nullptr },
    { ParamIDs::fmDepth,         "FM Depth",        K::Float,  0, 100, 1, 1, 50, kPct, nullptr },
    { ParamIDs::fmFeedback,      "FM Feedback",     K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::smoothing,       "Smoothing",       K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::seqEnabled,      "Sequencer On",    K::Bool,   0, 1, 1, 1, 0, nullptr, nullptr },
    choiceParam (ParamIDs::seqBars, "Bars", kBarsChoices),
    choiceParam (ParamIDs::seqDiv, "Divider", kDividerChoices),
    { ParamIDs::smoothing2,      "Smoothing 2",     K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::seqEnabled2,     "Sequencer 2 On",  K::Bool,   0, 1, 1, 1, 0, nullptr, nullptr },
    choiceParam (ParamIDs::seqBars2, "Bars 2", kBarsChoices),
    choiceParam (ParamIDs::seqDiv2, "Divider 2", kDividerChoices),
    choiceParam (ParamIDs::mod2Target, "Mod 2 Target", kTargetChoices),
};
// clang-format on
} // namespace paramtable

using paramtable::kParamTable;

inline constexpr int kNumParameters = static_cast<int> (std::size (kParamTable));

// Row of a parameter identifier in the table, or -1. Compares text, so it costs a search when
// called at run time; the processor resolves its identifiers at compile time (paramIndexOf).
constexpr int paramIndex (const char* id) noexcept
{
    for (int i = 0; i < kNumParameters; ++i)
        if (sameText (kParamTable[i].id, id))
            return i;
    return -1;
}

constexpr const ParamSpec* findParamSpec (const char* id) noexcept
{
    const int index = paramIndex (id);
    return index >= 0 ? &kParamTable[index] : nullptr;
}

// The row of a ParamIDs constant, worked out while compiling: paramIndexOf<ParamIDs::heat>().
template <const char* const& id>
constexpr int paramIndexOf() noexcept
{
    constexpr int index = paramIndex (id);
    static_assert (index >= 0, "not an identifier of the parameter table");
    return index;
}

