#pragma once

#include "params/CompileTime.h"
#include "params/ParamIDs.h"
#include "params/ParameterTable.h"

#include <juce_core/juce_core.h>

#include <cstddef>
#include <iterator>
#include <utility>

// The dials of the Blend page, in construction order: first the mode dials, then the tone, mix
// and level dials and Morph. The order is also the randomiser's order.
//
// A dial's row names its parameter and says only what the parameter table cannot: its caption
// and how its number is printed. Its unit comes from the parameter's row by one rule (percent
// follows the number directly, "50%"; every other unit after a space, "5.0 ms"), and the message
// bar names the dial by its caption; a row overrides either only where the page words it
// differently.

enum class DialValueFormat
{
    Integer,      // truncated toward zero
    OneDecimal,   // one decimal place
    PowerOfTwo    // 2 raised to the truncated value
};

struct BlendDialRow
{
    const char* caption;                // label under the dial
    const char* paramId;
    DialValueFormat format;
    const char* messageName = nullptr;  // how the message bar names the dial; null: the caption
    const char* unit = nullptr;         // the dial's suffix where it is not the parameter's unit
    const char* messageUnit = nullptr;  // the message bar's unit where it is not the dial's suffix
};

// Room for a unit text and its terminating zero (" dBFS").
inline constexpr std::size_t kDialUnitCapacity = 8;

// A dial with every text resolved, as the page and the message bar use it.
struct BlendDialSpec
{
    const char* caption;                 // label under the dial
    const char* paramId;
    DialValueFormat format;
    const char* messageName;             // how the message bar names the dial
    char suffix[kDialUnitCapacity];      // the dial's value-text suffix ("" for none)
    char messageUnit[kDialUnitCapacity]; // unit after the value in the message bar
};

namespace dialtable
{
using F = DialValueFormat;

// clang-format off
inline constexpr BlendDialRow kRows[] = {
    { "Resolution",  ParamIDs::resolution,     F::PowerOfTwo },
    { "Attack",      ParamIDs::vocAttack,      F::OneDecimal },
    { "Release",     ParamIDs::vocRelease,     F::OneDecimal },
    { "HF Emphasis", ParamIDs::hfEmphasis,     F::OneDecimal },
    { "Drive",       ParamIDs::vocDrive,       F::Integer },
    { "Balance",     ParamIDs::mathBalance,    F::Integer },
    { "Rectify",     ParamIDs::mathRectify,    F::Integer },
    { "Tame",        ParamIDs::mathTame,       F::Integer },
    { "Drive",       ParamIDs::mathDrive,      F::Integer },
    { "DC Offset",   ParamIDs::mathDCOffset,   F::Integer },
    { "Tilt",        ParamIDs::mathTilt,       F::Integer },
    { "Attack",      ParamIDs::scAttack,       F::OneDecimal },
    { "Release",     ParamIDs::scRelease,      F::OneDecimal },
    { "Threshold",   ParamIDs::scThreshold,    F::Integer },
    { "Depth",       ParamIDs::scDepth,        F::Integer },
    { "Crossover",   ParamIDs::fsCrossover,    F::Integer },
    { "Width",       ParamIDs::fsWidth,        F::Integer },
    { "Tilt",        ParamIDs::fsTilt,         F::Integer },
    { "LFO Rate",    ParamIDs::fsLFORate,      F::OneDecimal },
    { "Threshold",   ParamIDs::sgThreshold,    F::Integer },
    { "Tilt",        ParamIDs::sgTilt,         F::Integer },
    { "Amount",      ParamIDs::psAmount,       F::Integer },
    { "Tilt",        ParamIDs::psTilt,         F::Integer },
    { "Chunk",       ParamIDs::biChunk,        F::PowerOfTwo, nullptr, nullptr, " bins" }, // 1, 2, 4 or 8 bins
    { "Tilt",        ParamIDs::biTilt,         F::Integer },
    { "Bias",        ParamIDs::probBias,       F::Integer },
    { "Hold",        ParamIDs::probHold,       F::OneDecimal },
    { "Crossfade",   ParamIDs::probCrossfade,  F::OneDecimal },
    { "Stereo",      ParamIDs::probStereo,     F::Integer },
    { "Window",      ParamIDs::wsWindow,       F::OneDecimal },
    { "Drive",       ParamIDs::wsDrive,        F::Integer },
    { "Smoothing",   ParamIDs::wsSmoothing,    F::Integer },
    { "Scale",       ParamIDs::scrubScale,     F::Integer,    nullptr, "" },   // read as a plain factor
    { "Bias",        ParamIDs::scrubBias,      F::Integer },
    { "Smoothing",   ParamIDs::scrubSmoothing, F::Integer },
    { "Depth",       ParamIDs::amDepth,        F::Integer },
    { "DC Offset",   ParamIDs::amDCOffset,     F::Integer },
    { "LFO Rate",    ParamIDs::amLFORate,      F::OneDecimal },
    { "Depth",       ParamIDs::fmDepth,        F::Integer },
    { "Feedback",    ParamIDs::fmFeedback,     F::Integer },
    { "LowCut",      ParamIDs::fxLowCut,       F::Integer },
    { "Heat",        ParamIDs::heat,           F::Integer },
    { "HiCut",       ParamIDs::fxHiCut,        F::Integer },
    { "FX Level",    ParamIDs::fxLevel,        F::Integer },
    { "Signal 1",    ParamIDs::sig1Level,      F::Integer },
    { "Signal 2",    ParamIDs::sig2Level,      F::Integer },
    { "Vol",         ParamIDs::outputVolDb,    F::OneDecimal, "Output Volume" },
    { "Clip",        ParamIDs::clipCeilingDb,  F::OneDecimal, "Clip Ceiling", " dBFS" }, // a ceiling on full scale
    { "Morph",       ParamIDs::morph,          F::Integer },
};
// clang-format on

using UnitText = char[kDialUnitCapacity];

// Appends text at out + length and ends it with a zero. A text that does not fit is an
// out-of-bounds write, which is no constant expression: the build stops.
constexpr void append (UnitText& out, std::size_t& length, const char* text)
{
    for (; *text != 0; ++text)
        out[length++] = *text;
    out[length] = 0;
}

// The one rule from a parameter's unit to a dial's: percent follows the number directly, every
// other unit after a space; no unit, no suffix.
constexpr void writeDialUnit (UnitText& out, const char* parameterUnit)
{
    std::size_t length = 0;
    if (parameterUnit != nullptr && ! sameText (parameterUnit, ParamUnit::percent))
        append (out, length, " ");
    append (out, length, parameterUnit != nullptr ? parameterUnit : "");
}

constexpr void writeText (UnitText& out, const char* text)
{
    std::size_t length = 0;
    append (out, length, text);
}

constexpr BlendDialSpec resolve (const BlendDialRow& row)
{
    BlendDialSpec dial { row.caption, row.paramId, row.format,
                         row.messageName != nullptr ? row.messageName : row.caption, {}, {} };
    // A dial without a parameter stops the build here: there is no unit to read.
    const char* parameterUnit = findParamSpec (row.paramId)->unit;
    if (row.unit != nullptr)
        writeText (dial.suffix, row.unit);
    else
        writeDialUnit (dial.suffix, parameterUnit);
    writeText (dial.messageUnit, row.messageUnit != nullptr ? row.messageUnit : dial.suffix);
    return dial;
}

constexpr BlendDialSpec resolveRow (std::size_t row)
{
    return resolve (kRows[row]);
}
} // namespace dialtable

inline constexpr auto& kBlendDials =
    BuiltArray<BlendDialSpec, dialtable::resolveRow, std::make_index_sequence<std::size (dialtable::kRows)>>::values;
inline constexpr int kNumBlendDials = static_cast<int> (std::size (kBlendDials));

// Index of the dial bound to a parameter, or -1 (also for null).
constexpr int blendDialIndexFor (const char* paramId) noexcept
{
    if (paramId == nullptr)
        return -1;
    for (int i = 0; i < kNumBlendDials; ++i)
        if (sameText (kBlendDials[i].paramId, paramId))
            return i;
    return -1;
}

// The dial of a ParamIDs constant, worked out while compiling.
template <const char* const& paramId>
constexpr int blendDialIndexOf() noexcept
{
    constexpr int index = blendDialIndexFor (paramId);
    static_assert (index >= 0, "no dial is bound to this parameter");
    return index;
}

// Indices of the dials the page treats specially.
namespace BlendDial
{
inline constexpr int resolution = blendDialIndexOf<ParamIDs::resolution>();
inline constexpr int mathDrive = blendDialIndexOf<ParamIDs::mathDrive>();
inline constexpr int lowCut = blendDialIndexOf<ParamIDs::fxLowCut>();
inline constexpr int heat = blendDialIndexOf<ParamIDs::heat>();
inline constexpr int hiCut = blendDialIndexOf<ParamIDs::fxHiCut>();
inline constexpr int fxLevel = blendDialIndexOf<ParamIDs::fxLevel>();
inline constexpr int signal1 = blendDialIndexOf<ParamIDs::sig1Level>();
inline constexpr int signal2 = blendDialIndexOf<ParamIDs::sig2Level>();
inline constexpr int volume = blendDialIndexOf<ParamIDs::outputVolDb>();
inline constexpr int clip = blendDialIndexOf<ParamIDs::clipCeilingDb>();
inline constexpr int morph = blendDialIndexOf<ParamIDs::morph>();
} // namespace BlendDial

// The mode dials are the rows before the output stage's first dial.
inline constexpr int kNumModeDials = BlendDial::lowCut;

// The number alone, as the message bar and the dial's own value text print it: "5.0".
juce::String dialValueNumber (const BlendDialSpec& row, double value);

// The value as the message bar words it, without the help sentence: "Attack: 5.0 ms".
juce::String dialValueMessage (const BlendDialSpec& row, double value);
