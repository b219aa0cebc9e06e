#include "params/ParameterTable.h"
#include "params/BlendModeRegistry.h"
#include "params/ParamIDs.h"

#include <cstring>

namespace
{
using K = ParamSpec::Kind;

const char* const kDirectionChoices[] = { "1 > 2", "2 > 1", "1 > 1", nullptr };
const char* const kTargetChoices[] = { "Dial 1", "Dial 2", "Dial 3", "Dial 4", "Dial 5", nullptr };

constexpr const char* kHz = "Hz";
constexpr const char* kPct = "%";
constexpr const char* kDb = "dB";
constexpr const char* kMs = "ms";
} // namespace

const char* const kBarsChoices[] = { "1", "2", "3", "4", "5", "6", "8", "12", "16", nullptr };
const char* const kDividerChoices[] = { "1", "2", "3", "4", "5", "6", "7", "8", nullptr };
const int kBarsTable[9] = { 1, 2, 3, 4, 5, 6, 8, 12, 16 };

// clang-format off
const ParamSpec kParamTable[kNumParameters] = {
    { ParamIDs::morph,          "Morph",           K::Float,  0, 100, 1, 1, 50, kPct, nullptr },
    { ParamIDs::mode,           "Blend Mode",      K::Choice, 0, 21, 1, 1, 0, nullptr, nullptr },
    { ParamIDs::direction,      "Direction",       K::Choice, 0, 2, 1, 1, 0, nullptr, kDirectionChoices },
    { ParamIDs::fxLowCut,       "FX LowCut",       K::Float,  20, 2000, 0, 0.3f, 20, kHz, nullptr },
    { ParamIDs::heat,           "Heat",            K::Float,  0, 200, 1, 1, 0, kPct, nullptr },
    { ParamIDs::fxHiCut,        "FX HiCut",        K::Float,  200, 20000, 0, 0.3f, 8000, kHz, nullptr },
    { ParamIDs::fxLevel,        "FX Level",        K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::sig1Level,      "Signal 1",        K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::sig2Level,      "Signal 2",        K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::outputVolDb,    "Output Volume",   K::Float,  -60, 6, 0.1f, 1, 0, kDb, nullptr },
    { ParamIDs::clipCeilingDb,  "Clip Ceiling",    K::Float,  -12, 0, 0.1f, 1, -0.3f, kDb, nullptr },
    { ParamIDs::resolution,     "Resolution",      K::Float,  0, 12, 1, 1, 7, nullptr, nullptr },
    { ParamIDs::vocAttack,      "Voc Attack",      K::Float,  0.5f, 50, 0, 0.5f, 5, kMs, nullptr },
    { ParamIDs::vocRelease,     "Voc Release",     K::Float,  5, 500, 0, 0.5f, 50, kMs, nullptr },
    { ParamIDs::hfEmphasis,     "HF Emphasis",     K::Float,  -12, 12, 0.5f, 1, 0, kDb, nullptr },
    { ParamIDs::vocDrive,       "Voc Drive",       K::Float,  0, 100, 1, 1, 50, kPct, nullptr },
    { ParamIDs::mathBalance,    "Math Balance",    K::Float,  0, 100, 1, 1, 50, kPct, nullptr },
    { ParamIDs::mathRectify,    "Math Rectify",    K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::mathTame,       "Math Tame",       K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::mathDrive,      "Math Drive",      K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::mathDCOffset,   "Math DC Offset",  K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::mathTilt,       "Math Tilt",       K::Float,  -100, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::scAttack,       "SC Attack",       K::Float,  0.5f, 50, 0, 0.5f, 0.5f, kMs, nullptr },
    { ParamIDs::scRelease,      "SC Release",      K::Float,  5, 500, 0, 0.5f, 5, kMs, nullptr },
    { ParamIDs::scThreshold,    "SC Threshold",    K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::scDepth,        "SC Depth",        K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::sgThreshold,    "SG Threshold",    K::Float,  0, 100, 1, 1, 25, kPct, nullptr },
    { ParamIDs::sgTilt,         "SG Tilt",         K::Float,  -100, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::psAmount,       "PS Amount",       K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::psTilt,         "PS Tilt",         K::Float,  -100, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::biChunk,        "BI Chunk",        K::Float,  0, 3, 1, 1, 0, nullptr, nullptr },
    { ParamIDs::biTilt,         "BI Tilt",         K::Float,  -100, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::probBias,       "Prob Bias",       K::Float,  -100, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::probHold,       "Prob Hold",       K::Float,  0, 100, 0.1f, 1, 5, kMs, nullptr },
    { ParamIDs::probStereo,     "Prob Stereo",     K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::probCrossfade,  "Prob Crossfade",  K::Float,  0, 50, 0.1f, 1, 0, kMs, nullptr },
    { ParamIDs::wsWindow,       "WS Window",       K::Float,  1, 50, 0.1f, 1, 10, kMs, nullptr },
    { ParamIDs::wsDrive,        "WS Drive",        K::Float,  0, 200, 1, 1, 100, kPct, nullptr },
    { ParamIDs::wsSmoothing,    "WS Smoothing",    K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::scrubScale,     "Scrub Scale",     K::Float,  0, 200, 1, 1, 50, kPct, nullptr },
    { ParamIDs::scrubBias,      "Scrub Bias",      K::Float,  -100, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::scrubSmoothing, "Scrub Smoothing", K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::fsCrossover,    "FS Crossover",    K::Float,  100, 10000, 0, 0.3f, 1000, kHz, nullptr },
    { ParamIDs::fsWidth,        "FS Width",        K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::fsTilt,         "FS Tilt",         K::Float,  -100, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::fsLFORate,      "FS LFO Rate",     K::Float,  0, 20, 0.1f, 1, 0, kHz, nullptr },
    { ParamIDs::amDepth,        "AM Depth",        K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::amDCOffset,     "AM DC Offset",    K::Float,  0, 100, 1, 1, 50, kPct, nullptr },
    { ParamIDs::amLFORate,      "AM LFO Rate",     K::Float,  0, 20, 0.1f, 1, 0, kHz, nullptr },
    { ParamIDs::fmDepth,        "FM Depth",        K::Float,  0, 100, 1, 1, 50, kPct, nullptr },
    { ParamIDs::fmFeedback,     "FM Feedback",     K::Float,  0, 100, 1, 1, 0, kPct, nullptr },
    { ParamIDs::smoothing,      "Smoothing",       K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::seqEnabled,     "Sequencer On",    K::Bool,   0, 1, 1, 1, 0, nullptr, nullptr },
    { ParamIDs::seqBars,        "Bars",            K::Choice, 0, 8, 1, 1, 0, nullptr, kBarsChoices },
    { ParamIDs::seqDiv,         "Divider",         K::Choice, 0, 7, 1, 1, 0, nullptr, kDividerChoices },
    { ParamIDs::smoothing2,     "Smoothing 2",     K::Float,  0, 100, 1, 1, 100, kPct, nullptr },
    { ParamIDs::seqEnabled2,    "Sequencer 2 On",  K::Bool,   0, 1, 1, 1, 0, nullptr, nullptr },
    { ParamIDs::seqBars2,       "Bars 2",          K::Choice, 0, 8, 1, 1, 0, nullptr, kBarsChoices },
    { ParamIDs::seqDiv2,        "Divider 2",       K::Choice, 0, 7, 1, 1, 0, nullptr, kDividerChoices },
    { ParamIDs::mod2Target,     "Mod 2 Target",    K::Choice, 0, 4, 1, 1, 0, nullptr, kTargetChoices },
};
// clang-format on

const ParamSpec* findParamSpec (const char* id) noexcept
{
    for (const auto& row : kParamTable)
        if (std::strcmp (row.id, id) == 0)
            return &row;
    return nullptr;
}
