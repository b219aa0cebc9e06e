#include "params/BlendModeRegistry.h"
#include "params/ParamIDs.h"

const BlendModeEntry kBlendModeRegistry[kNumBlendModeEntries] = {
    { 1, "Classic Vocoder", ClassicVocoder, Multiply, "Spectral", 4,
      "Analogue-style vocoder. Imprints Audio 1's spectral shape onto Audio 2 with an organic character." },
    { 2, "FFT Vocoder", FFTVocoder, Multiply, nullptr, 4,
      "Imprints Audio 1's spectral shape onto Audio 2. The classic vocal-on-pad effect with fine detail." },
    { 3, "Distorted Vocoder", DistortedVocoder, Multiply, nullptr, 4,
      "Vocoder driven into saturation. Grittier and more aggressive than Classic, with bit-crushed robot vocals." },
    { 4, "Frequency Splice", FrequencySplice, Multiply, nullptr, 2,
      "Stitches Audio 1's lows with Audio 2's highs. Borrow the bass of one sound and the air of another." },
    { 5, "Spectral Gate", SpectralGate, Multiply, nullptr, 2,
      "Audio 2 gates Audio 1: you only hear Audio 1 at the frequencies where Audio 2 is loud enough." },
    { 6, "Phase Swap", PhaseSwap, Multiply, nullptr, 2,
      "Keeps Audio 1's tonal balance but adopts Audio 2's timing and stereo positioning." },
    { 7, "Bin Interleave", BinInterleave, Multiply, nullptr, 2,
      "Alternates between Audio 1 and Audio 2 across groups of frequencies for a comb-like blend." },
    { 22, "Frequency Modulation (FM)", FM, Multiply, "Modulation", 4,
      "Audio 1 modulates Audio 2's pitch. From subtle vibrato to dramatic, FM-synth-style frequency warping." },
    { 9, "Amplitude Modulation (AM)", AM, Multiply, nullptr, 2,
      "Audio 1 controls Audio 2's loudness. Tremolo and pumping shapes without the metallic ring-mod tone." },
    { 8, "Ring Modulation (RM)", Math, Multiply, nullptr, 2,
      "Multiplies the two signals. The classic metallic, clangorous ring-mod effect." },
    { 23, "Scrub", Scrub, Multiply, nullptr, 2,
      "Audio 2's level scrubs through Audio 1's recent history for a granular time-warping effect." },
    { 12, "Probabilistic", Probabilistic, Multiply, "Stochastic", 2,
      "Each sample is either Audio 1 or Audio 2, never a mix, picked by a coin flip weighted by loudness." },
    { 13, "Sidechain Duck", SidechainDuck, Multiply, "Dynamics", 2,
      "Audio 1 ducks Audio 2: the louder Audio 1 gets, the more Audio 2 is pushed down. Classic kick-on-bass." },
    { 14, "Amplitude Follow", AmplitudeFollow, Multiply, nullptr, 2,
      "Imprints Audio 1's loudness shape onto Audio 2. Audio 2 plays in the rhythm of Audio 1." },
    { 17, "Min", Math, Min, "Math", 1,
      "Picks the smaller of the two samples. Tends to feel quieter and smoother than either source alone." },
    { 18, "Max", Math, Max, nullptr, 1,
      "Picks the larger of the two samples. Loud content from either input dominates, so the result feels denser." },
    { 24, "Add", Math, Add, nullptr, 1,
      "A simple sum of Audio 1 and Audio 2, just like a regular mix. Drive and Tilt pre-shape each input first." },
    { 15, "Subtract", Math, Subtract, nullptr, 1,
      "Audio 1 minus Audio 2. Cancels what they share and emphasises what is unique to each." },
    { 19, "Absolute Difference", Math, AbsDiff, nullptr, 1,
      "Absolute difference between the two signals. Like Subtract, but with a buzzy, octave-up character." },
    { 16, "Divide", Math, Divide, nullptr, 1,
      "Audio 1 divided by Audio 2. Volatile and crest-heavy with sharp peaks where Audio 2 dips toward zero." },
    { 20, "Sign Multiply", Math, SignMultiply, nullptr, 1,
      "Audio 1's level with Audio 2's polarity. Audio 2 acts as a polarity flipper for Audio 1." },
    { 21, "XOR", Math, Xor, nullptr, 1,
      "Bitwise XOR of the two signals. Crunchy, glitchy and unpredictable: the most aggressive math operator." },
};

const BlendModeEntry* blendModeEntryForIndex (int index) noexcept
{
    if (index < 0 || index >= kNumBlendModeEntries)
        return nullptr;
    return &kBlendModeRegistry[index];
}

BlendMode blendModeForIndex (int index) noexcept
{
    const auto* entry = blendModeEntryForIndex (index);
    return entry != nullptr ? entry->blendMode : FFTVocoder;
}

MathOp mathOpForIndex (int index) noexcept
{
    const auto* entry = blendModeEntryForIndex (index);
    return entry != nullptr ? entry->mathOp : Multiply;
}

namespace
{
using Row = DialSlotInfo[kNumDialSlots];

constexpr Row kVocoderRow { { ParamIDs::resolution, "Resolution" }, { ParamIDs::vocAttack, "Attack" },
                            { ParamIDs::vocRelease, "Release" }, { ParamIDs::hfEmphasis, "HF Emphasis" }, {} };
constexpr Row kDistortedRow { { ParamIDs::resolution, "Resolution" }, { ParamIDs::vocAttack, "Attack" },
                              { ParamIDs::vocRelease, "Release" }, { ParamIDs::vocDrive, "Drive" },
                              { ParamIDs::hfEmphasis, "HF Emphasis" } };
constexpr Row kMultiplyRow { { ParamIDs::mathTilt, "Tilt" }, { ParamIDs::mathDrive, "Drive" },
                             { ParamIDs::mathDCOffset, "DC Offset" }, { ParamIDs::mathRectify, "Rectify" }, {} };
constexpr Row kTamedMathRow { { ParamIDs::mathBalance, "Balance" }, { ParamIDs::mathTilt, "Tilt" },
                              { ParamIDs::mathDrive, "Drive" }, { ParamIDs::mathRectify, "Rectify" },
                              { ParamIDs::mathTame, "Tame" } };
constexpr Row kGenericMathRow { { ParamIDs::mathBalance, "Balance" }, { ParamIDs::mathTilt, "Tilt" },
                                { ParamIDs::mathDrive, "Drive" }, { ParamIDs::mathRectify, "Rectify" }, {} };
constexpr Row kEnvelopeRow { { ParamIDs::scAttack, "Attack" }, { ParamIDs::scRelease, "Release" },
                             { ParamIDs::scThreshold, "Threshold" }, { ParamIDs::scDepth, "Depth" }, {} };
constexpr Row kFreqSpliceRow { { ParamIDs::fsCrossover, "Crossover" }, { ParamIDs::fsWidth, "Width" },
                               { ParamIDs::fsTilt, "Tilt" }, { ParamIDs::fsLFORate, "LFO Rate" }, {} };
constexpr Row kAMRow { { ParamIDs::amDepth, "Depth" }, { ParamIDs::amDCOffset, "DC Offset" },
                       { ParamIDs::amLFORate, "LFO Rate" }, {}, {} };
constexpr Row kFMRow { { ParamIDs::fmDepth, "Depth" }, { ParamIDs::fmFeedback, "Feedback" },
                       { ParamIDs::wsWindow, "Window" }, { ParamIDs::wsDrive, "Drive" },
                       { ParamIDs::wsSmoothing, "Smoothing" } };
constexpr Row kSpectralGateRow { { ParamIDs::resolution, "Resolution" }, { ParamIDs::sgThreshold, "Threshold" },
                                 { ParamIDs::sgTilt, "Tilt" }, {}, {} };
constexpr Row kPhaseSwapRow { { ParamIDs::resolution, "Resolution" }, { ParamIDs::psAmount, "Amount" },
                              { ParamIDs::psTilt, "Tilt" }, {}, {} };
constexpr Row kBinInterleaveRow { { ParamIDs::resolution, "Resolution" }, { ParamIDs::biChunk, "Chunk" },
                                  { ParamIDs::biTilt, "Tilt" }, {}, {} };
constexpr Row kProbabilisticRow { { ParamIDs::probBias, "Bias" }, { ParamIDs::probHold, "Hold" },
                                  { ParamIDs::probCrossfade, "Crossfade" }, { ParamIDs::probStereo, "Stereo" }, {} };
constexpr Row kScrubRow { { ParamIDs::scrubScale, "Scale" }, { ParamIDs::scrubBias, "Bias" },
                          { ParamIDs::scrubSmoothing, "Smoothing" }, {}, {} };

const DialSlotInfo* rowForMode (BlendMode mode, MathOp op) noexcept
{
    switch (mode)
    {
        case FFTVocoder:
        case ClassicVocoder: return kVocoderRow;
        case DistortedVocoder: return kDistortedRow;
        case Math:
            if (op == Multiply) return kMultiplyRow;
            if (op == Divide || op == Xor || op == SignMultiply) return kTamedMathRow;
            return kGenericMathRow;
        case SidechainDuck:
        case AmplitudeFollow: return kEnvelopeRow;
        case FrequencySplice: return kFreqSpliceRow;
        case AM: return kAMRow;
        case FM: return kFMRow;
        case SpectralGate: return kSpectralGateRow;
        case PhaseSwap: return kPhaseSwapRow;
        case BinInterleave: return kBinInterleaveRow;
        case Probabilistic: return kProbabilisticRow;
        case Scrub: return kScrubRow;
    }
    return nullptr;
}
} // namespace

DialSlotInfo dialSlotInfoForMode (BlendMode mode, MathOp op, int slot) noexcept
{
    if (slot < 0 || slot >= kNumDialSlots)
        return {};
    const auto* row = rowForMode (mode, op);
    return row != nullptr ? row[slot] : DialSlotInfo {};
}
