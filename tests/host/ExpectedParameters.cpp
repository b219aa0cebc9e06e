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
            { "Morph", K::Float, 0, 100, 50, "%", {} },
            { "Blend Mode", K::Choice, 0, 21, 0, nullptr, modeNames },
            { "Direction", K::Choice, 0, 2, 0, nullptr, { "1 > 2", "2 > 1", "1 > 1" } },
            { "FX LowCut", K::Float, 20, 2000, 20, "Hz", {} },
            { "Heat", K::Float, 0, 200, 0, "%", {} },
            { "FX HiCut", K::Float, 200, 20000, 8000, "Hz", {} },
            { "FX Level", K::Float, 0, 100, 100, "%", {} },
            { "Signal 1", K::Float, 0, 100, 0, "%", {} },
            { "Signal 2", K::Float, 0, 100, 0, "%", {} },
            { "Output Volume", K::Float, -60, 6, 0, "dB", {} },
            { "Clip Ceiling", K::Float, -12, 0, -0.3f, "dB", {} },
            { "Resolution", K::Float, 0, 12, 7, nullptr, {} },
            { "Voc Attack", K::Float, 0.5f, 50, 5, nullptr, {} },
            { "Voc Release", K::Float, 5, 500, 50, nullptr, {} },
            { "HF Emphasis", K::Float, -12, 12, 0, nullptr, {} },
            { "Voc Drive", K::Float, 0, 100, 50, nullptr, {} },
            { "Math Balance", K::Float, 0, 100, 50, nullptr, {} },
            { "Math Rectify", K::Float, 0, 100, 0, nullptr, {} },
            { "Math Tame", K::Float, 0, 100, 100, nullptr, {} },
            { "Math Drive", K::Float, 0, 100, 0, nullptr, {} },
            { "Math DC Offset", K::Float, 0, 100, 0, nullptr, {} },
            { "Math Tilt", K::Float, -100, 100, 0, nullptr, {} },
            { "SC Attack", K::Float, 0.5f, 50, 0.5f, nullptr, {} },
            { "SC Release", K::Float, 5, 500, 5, nullptr, {} },
            { "SC Threshold", K::Float, 0, 100, 0, nullptr, {} },
            { "SC Depth", K::Float, 0, 100, 100, nullptr, {} },
            { "SG Threshold", K::Float, 0, 100, 25, nullptr, {} },
            { "SG Tilt", K::Float, -100, 100, 0, nullptr, {} },
            { "PS Amount", K::Float, 0, 100, 100, nullptr, {} },
            { "PS Tilt", K::Float, -100, 100, 0, nullptr, {} },
            { "BI Chunk", K::Float, 0, 3, 0, nullptr, {} },
            { "BI Tilt", K::Float, -100, 100, 0, nullptr, {} },
            { "Prob Bias", K::Float, -100, 100, 0, nullptr, {} },
            { "Prob Hold", K::Float, 0, 100, 5, nullptr, {} },
            { "Prob Stereo", K::Float, 0, 100, 100, nullptr, {} },
            { "Prob Crossfade", K::Float, 0, 50, 0, nullptr, {} },
            { "WS Window", K::Float, 1, 50, 10, nullptr, {} },
            { "WS Drive", K::Float, 0, 200, 100, nullptr, {} },
            { "WS Smoothing", K::Float, 0, 100, 0, nullptr, {} },
            { "Scrub Scale", K::Float, 0, 200, 50, nullptr, {} },
            { "Scrub Bias", K::Float, -100, 100, 0, nullptr, {} },
            { "Scrub Smoothing", K::Float, 0, 100, 0, nullptr, {} },
            { "FS Crossover", K::Float, 100, 10000, 1000, "Hz", {} },
            { "FS Width", K::Float, 0, 100, 0, nullptr, {} },
            { "FS Tilt", K::Float, -100, 100, 0, nullptr, {} },
            { "FS LFO Rate", K::Float, 0, 20, 0, nullptr, {} },
            { "AM Depth", K::Float, 0, 100, 100, nullptr, {} },
            { "AM DC Offset", K::Float, 0, 100, 50, nullptr, {} },
            { "AM LFO Rate", K::Float, 0, 20, 0, nullptr, {} },
            { "FM Depth", K::Float, 0, 100, 50, nullptr, {} },
            { "FM Feedback", K::Float, 0, 100, 0, nullptr, {} },
            { "Smoothing", K::Float, 0, 100, 100, nullptr, {} },
            { "Sequencer On", K::Switch, 0, 1, 0, nullptr, {} },
            { "Bars", K::Choice, 0, 8, 0, nullptr, kBars },
            { "Divider", K::Choice, 0, 7, 0, nullptr, kDividers },
            { "Smoothing 2", K::Float, 0, 100, 100, nullptr, {} },
            { "Sequencer 2 On", K::Switch, 0, 1, 0, nullptr, {} },
            { "Bars 2", K::Choice, 0, 8, 0, nullptr, kBars },
            { "Divider 2", K::Choice, 0, 7, 0, nullptr, kDividers },
            { "Mod 2 Target", K::Choice, 0, 4, 0, nullptr, { "Dial 1", "Dial 2", "Dial 3", "Dial 4", "Dial 5" } },
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
