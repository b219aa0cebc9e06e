#include "ExpectedParameters.h"

#include <algorithm>
#include <cstring>

namespace
{
using K = ExpectedParameter::Kind;

const std::vector<const char*> kBars { "1", "2", "3", "4", "5", "6", "8", "12", "16" };
const std::vector<const char*> kDividers { "1", "2", "3", "4", "5", "6", "7", "8" };
} // namespace

const std::vector<ExpectedBlendEntry>& expectedBlendEntries()
{
    // clang-format off
    static const std::vector<ExpectedBlendEntry> entries {
        { "Classic Vocoder", 3, 1, 1, "Spectral", 4,
          "Analogue-style vocoder. Imprints Audio 1's spectral shape onto Audio 2 with an organic character." },
        { "FFT Vocoder", 1, 1, 2, nullptr, 4,
          "Imprints Audio 1's spectral shape onto Audio 2. The classic vocal-on-pad effect with fine detail." },
        { "Distorted Vocoder", 2, 1, 3, nullptr, 4,
          "Vocoder driven into saturation. Grittier and more aggressive than Classic, with crushed, robotic vocals." },
        { "Frequency Splice", 7, 1, 4, nullptr, 2,
          "Stitches Audio 1's lows with Audio 2's highs. Borrow the bass of one sound and the air of another." },
        { "Spectral Gate", 10, 1, 5, nullptr, 2,
          "Audio 2 gates Audio 1: you only hear Audio 1 at the frequencies where Audio 2 is loud enough." },
        { "Phase Swap", 11, 1, 6, nullptr, 2,
          "Keeps Audio 1's tonal balance but adopts Audio 2's timing and stereo positioning." },
        { "Bin Interleave", 12, 1, 7, nullptr, 2,
          "Alternates between Audio 1 and Audio 2 across groups of frequencies for a comb-like blend." },
        { "Frequency Modulation (FM)", 9, 1, 22, "Modulation", 4,
          "Audio 1 modulates Audio 2's pitch. From subtle vibrato to dramatic, FM-synth-style frequency warping." },
        { "Amplitude Modulation (AM)", 8, 1, 9, nullptr, 2,
          "Multiplies Audio 2 by Audio 1 plus a steady offset: ring-mod tones with Audio 2 kept audible." },
        { "Ring Modulation (RM)", 4, 1, 8, nullptr, 2,
          "Multiplies the two signals. The classic metallic, clangorous ring-mod effect." },
        { "Scrub", 14, 1, 23, nullptr, 2,
          "Audio 2's waveform drives a playhead through Audio 1's recent history for a granular time-warping effect." },
        { "Probabilistic", 13, 1, 12, "Stochastic", 2,
          "Cuts between Audio 1 and Audio 2 instead of mixing them, by coin flips weighted toward whichever is louder." },
        { "Sidechain Duck", 5, 1, 13, "Dynamics", 2,
          "Audio 1 ducks Audio 2: the louder Audio 1 gets, the more Audio 2 is pushed down. Classic kick-on-bass." },
        { "Amplitude Follow", 6, 1, 14, nullptr, 2,
          "Imprints Audio 1's loudness shape onto Audio 2. Audio 2 plays in the rhythm of Audio 1." },
        { "Min", 4, 4, 17, "Math", 1,
          "Picks the smaller of the two samples. Tends to feel quieter and smoother than either source alone." },
        { "Max", 4, 5, 18, nullptr, 1,
          "Picks the larger of the two samples. Loud content from either input dominates, so the result feels denser." },
        { "Add", 4, 9, 24, nullptr, 1,
          "A simple sum of Audio 1 and Audio 2, just like a regular mix. Drive and Tilt pre-shape each input first." },
        { "Subtract", 4, 2, 15, nullptr, 1,
          "Audio 1 minus Audio 2. Cancels what they share and emphasises what is unique to each." },
        { "Absolute Difference", 4, 7, 19, nullptr, 1,
          "Absolute difference between the two signals. Like Subtract, but with a buzzy, octave-up character." },
        { "Divide", 4, 3, 16, nullptr, 1,
          "Audio 1 divided by Audio 2. Volatile and crest-heavy with sharp peaks where Audio 2 dips toward zero." },
        { "Sign Multiply", 4, 8, 20, nullptr, 1,
          "Audio 1's level with Audio 2's polarity. Audio 2 acts as a polarity flipper for Audio 1." },
        { "XOR", 4, 6, 21, nullptr, 1,
          "Bitwise XOR of the two signals. Crunchy, glitchy and unpredictable: the most aggressive math operator." },
    };
    // clang-format on
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
            { "resolution",     "Resolution",      K::Float, 0, 12, 1, 1, 7, nullptr, {}, true },
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
            { "biChunk",        "BI Chunk",        K::Float, 0, 3, 1, 1, 0, nullptr, {}, true },
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

const ExpectedParameter* findExpectedParameter (const char* id)
{
    if (id == nullptr)
        return nullptr;
    for (const auto& p : expectedParameters())
        if (std::strcmp (p.id, id) == 0)
            return &p;
    return nullptr;
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
