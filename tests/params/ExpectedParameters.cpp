#include "ExpectedParameters.h"

#include <algorithm>

namespace
{
using K = ExpectedParameter::Kind;

const std::vector<const char*> kBars { "1", "2", "3", "4", "5", "6", "8", "12", "16" };
const std::vector<const char*> kDividers { "1", "2", "3", "4", "5", "6", "7", "8" };
} // namespace

const std::vector<ExpectedBlendEntry>& expectedBlendEntries()
{
    static const std::vector<ExpectedBlendEntry> entries {
        { "Classic Vocoder", 3 },          { "FFT Vocoder", 1 },           { "Distorted Vocoder", 2 },
        { "Frequency Splice", 7 },         { "Spectral Gate", 10 },        { "Phase Swap", 11 },
        { "Bin Interleave", 12 },          { "Frequency Modulation (FM)", 9 },
        { "Amplitude Modulation (AM)", 8 }, { "Ring Modulation (RM)", 4 }, { "Scrub", 14 },
        { "Probabilistic", 13 },           { "Sidechain Duck", 5 },        { "Amplitude Follow", 6 },
        { "Min", 4 },                      { "Max", 4 },                   { "Add", 4 },
        { "Subtract", 4 },                 { "Absolute Difference", 4 },   { "Divide", 4 },
        { "Sign Multiply", 4 },            { "XOR", 4 },
    };
    return entries;
}

const std::vector<ExpectedParameter>& expectedParameters()
{
    static const std::vector<ExpectedParameter> params = [] {
        std::vector<const char*> modeNames;
        for (const auto& e : expectedBlendEntries())
            modeNames.push_back (e.name);

        return std::vector<ExpectedParameter> {
            { "morph",          "Morph",           K::Float, 0, 100, 1, 1, 50, "%", {} },
            { "mode",           "Blend Mode",      K::Choice, 0, 21, 1, 1, 0, nullptr, modeNames },
            { "direction",      "Direction",       K::Choice, 0, 2, 1, 1, 0, nullptr, { "1 > 2", "2 > 1", "1 > 1" } },
            { "fxLowCut",       "FX LowCut",       K::Float, 20, 2000, 0, 0.3f, 20, "Hz", {} },
            { "heat",           "Heat",            K::Float, 0, 200, 1, 1, 0, "%", {} },
            { "fxHiCut",        "FX HiCut",        K::Float, 200, 20000, 0, 0.3f, 8000, "Hz", {} },
            { "fxLevel",        "FX Level",        K::Float, 0, 100, 1, 1, 100, "%", {} },
            { "sig1Level",      "Signal 1",        K::Float, 0, 100, 1, 1, 0, "%", {} },
            { "sig2Level",      "Signal 2",        K::Float, 0, 100, 1, 1, 0, "%", {} },
            { "outputVolDb",    "Output Volume",   K::Float, -60, 6, 0.1f, 1, 0, "dB", {} },
            { "clipCeilingDb",  "Clip Ceiling",    K::Float, -12, 0, 0.1f, 1, -0.3f, "dB", {} },
            { "resolution",     "Resolution",      K::Float, 0, 12, 1, 1, 7, nullptr, {} },
            { "vocAttack",      "Voc Attack",      K::Float, 0.5f, 50, 0, 0.5f, 5, "ms", {} },
            { "vocRelease",     "Voc Release",     K::Float, 5, 500, 0, 0.5f, 50, "ms", {} },
            { "hfEmphasis",     "HF Emphasis",     K::Float, -12, 12, 0.5f, 1, 0, "dB", {} },
            { "vocDrive",       "Voc Drive",       K::Float, 0, 100, 1, 1, 50, "%", {} },
            { "mathBalance",    "Math Balance",    K::Float, 0, 100, 1, 1, 50, "%", {} },
            { "mathRectify",    "Math Rectify",    K::Float, 0, 100, 1, 1, 0, "%", {} },
            { "mathTame",       "Math Tame",       K::Float, 0, 100, 1, 1, 100, "%", {} },
            { "mathDrive",      "Math Drive",      K::Float, 0, 100, 1, 1, 0, "%", {} },
            { "mathDCOffset",   "Math DC Offset",  K::Float, 0, 100, 1, 1, 0, "%", {} },
            { "mathTilt",       "Math Tilt",       K::Float, -100, 100, 1, 1, 0, "%", {} },
            { "scAttack",       "SC Attack",       K::Float, 0.5f, 50, 0, 0.5f, 0.5f, "ms", {} },
            { "scRelease",      "SC Release",      K::Float, 5, 500, 0, 0.5f, 5, "ms", {} },
            { "scThreshold",    "SC Threshold",    K::Float, 0, 100, 1, 1, 0, "%", {} },
            { "scDepth",        "SC Depth",        K::Float, 0, 100, 1, 1, 100, "%", {} },
            { "sgThreshold",    "SG Threshold",    K::Float, 0, 100, 1, 1, 25, "%", {} },
            { "sgTilt",         "SG Tilt",         K::Float, -100, 100, 1, 1, 0, "%", {} },
            { "psAmount",       "PS Amount",       K::Float, 0, 100, 1, 1, 100, "%", {} },
            { "psTilt",         "PS Tilt",         K::Float, -100, 100, 1, 1, 0, "%", {} },
            { "biChunk",        "BI Chunk",        K::Float, 0, 3, 1, 1, 0, nullptr, {} },
            { "biTilt",         "BI Tilt",         K::Float, -100, 100, 1, 1, 0, "%", {} },
            { "probBias",       "Prob Bias",       K::Float, -100, 100, 1, 1, 0, "%", {} },
            { "probHold",       "Prob Hold",       K::Float, 0, 100, 0.1f, 1, 5, "ms", {} },
            { "probStereo",     "Prob Stereo",     K::Float, 0, 100, 1, 1, 100, "%", {} },
            { "probCrossfade",  "Prob Crossfade",  K::Float, 0, 50, 0.1f, 1, 0, "ms", {} },
            { "wsWindow",       "WS Window",       K::Float, 1, 50, 0.1f, 1, 10, "ms", {} },
            { "wsDrive",        "WS Drive",        K::Float, 0, 200, 1, 1, 100, "%", {} },
            { "wsSmoothing",    "WS Smoothing",    K::Float, 0, 100, 1, 1, 0, "%", {} },
            { "scrubScale",     "Scrub Scale",     K::Float, 0, 200, 1, 1, 50, "%", {} },
            { "scrubBias",      "Scrub Bias",      K::Float, -100, 100, 1, 1, 0, "%", {} },
            { "scrubSmoothing", "Scrub Smoothing", K::Float, 0, 100, 1, 1, 0, "%", {} },
            { "fsCrossover",    "FS Crossover",    K::Float, 100, 10000, 0, 0.3f, 1000, "Hz", {} },
            { "fsWidth",        "FS Width",        K::Float, 0, 100, 1, 1, 0, "%", {} },
            { "fsTilt",         "FS Tilt",         K::Float, -100, 100, 1, 1, 0, "%", {} },
            { "fsLFORate",      "FS LFO Rate",     K::Float, 0, 20, 0.1f, 1, 0, "Hz", {} },
            { "amDepth",        "AM Depth",        K::Float, 0, 100, 1, 1, 100, "%", {} },
            { "amDCOffset",     "AM DC Offset",    K::Float, 0, 100, 1, 1, 50, "%", {} },
            { "amLFORate",      "AM LFO Rate",     K::Float, 0, 20, 0.1f, 1, 0, "Hz", {} },
            { "fmDepth",        "FM Depth",        K::Float, 0, 100, 1, 1, 50, "%", {} },
            { "fmFeedback",     "FM Feedback",     K::Float, 0, 100, 1, 1, 0, "%", {} },
            { "smoothing",      "Smoothing",       K::Float, 0, 100, 1, 1, 100, "%", {} },
            { "seqEnabled",     "Sequencer On",    K::Switch, 0, 1, 1, 1, 0, nullptr, {} },
            { "seqBars",        "Bars",            K::Choice, 0, 8, 1, 1, 0, nullptr, kBars },
            { "seqDiv",         "Divider",         K::Choice, 0, 7, 1, 1, 0, nullptr, kDividers },
            { "smoothing2",     "Smoothing 2",     K::Float, 0, 100, 1, 1, 100, "%", {} },
            { "seqEnabled2",    "Sequencer 2 On",  K::Switch, 0, 1, 1, 1, 0, nullptr, {} },
            { "seqBars2",       "Bars 2",          K::Choice, 0, 8, 1, 1, 0, nullptr, kBars },
            { "seqDiv2",        "Divider 2",       K::Choice, 0, 7, 1, 1, 0, nullptr, kDividers },
            { "mod2Target",     "Mod 2 Target",    K::Choice, 0, 4, 1, 1, 0, nullptr, { "Dial 1", "Dial 2", "Dial 3", "Dial 4", "Dial 5" } },
        };
    }();
    return params;
}

int expectedLatency (int blendMode, int resolution)
{
    switch (blendMode)
    {
        case 1: case 10: case 11: case 12: // the frame modes: one frame of the resolution's size
            return resolution < 3 ? 8 : 1 << std::min (resolution, 12);
        case 9: case 14: return 1024;       // FM and Scrub: the centre of their delay lines
        case 7: return 2048;                // Frequency Splice
        default: return 0;
    }
}
