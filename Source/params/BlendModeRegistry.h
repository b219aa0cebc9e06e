#pragma once

// The public vocabulary of blend modes: the engine's algorithm selector, the math
// sub-operation, the table behind the "Blend Mode" choice and the per-mode dial slots.
// Plain data with no framework dependency, so the engine, the processor and the editor
// all read the same table.

#include <iterator>

enum BlendMode : int
{
    FFTVocoder = 1,
    DistortedVocoder = 2,
    ClassicVocoder = 3,
    Math = 4,
    SidechainDuck = 5,
    AmplitudeFollow = 6,
    FrequencySplice = 7,
    AM = 8,
    FM = 9,
    SpectralGate = 10,
    PhaseSwap = 11,
    BinInterleave = 12,
    Probabilistic = 13,
    Scrub = 14
};

enum MathOp : int
{
    Multiply = 1,
    Subtract = 2,
    Divide = 3,
    Min = 4,
    Max = 5,
    Xor = 6,
    AbsDiff = 7,
    SignMultiply = 8,
    Add = 9
};

// The math operations whose peaks can run away: the engine limits only them with the Tame
// amount, and only they show its dial.
constexpr bool mathOpHasTame (MathOp op) noexcept { return op == Divide || op == Xor || op == SignMultiply; }

struct BlendModeEntry
{
    int comboId;
    const char* name;
    BlendMode blendMode;
    MathOp mathOp;
    const char* sectionHeading; // null when the entry opens no section
    int randomWeight;
    const char* description;
};

// The "Blend Mode" choice, one entry per choice index, in choice order.
// clang-format off
inline constexpr BlendModeEntry kBlendModeRegistry[] = {
    { 1, "Classic Vocoder", ClassicVocoder, Multiply, "Spectral", 4,
      "Analogue-style vocoder. Imprints Audio 1's spectral shape onto Audio 2 with an organic character." },
    { 2, "FFT Vocoder", FFTVocoder, Multiply, nullptr, 4,
      "Imprints Audio 1's spectral shape onto Audio 2. The classic vocal-on-pad effect with fine detail." },
    { 3, "Distorted Vocoder", DistortedVocoder, Multiply, nullptr, 4,
      "Vocoder driven into saturation. Grittier and more aggressive than Classic, with crushed, robotic vocals." },
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
      "Multiplies Audio 2 by Audio 1 plus a steady offset: ring-mod tones with Audio 2 kept audible." },
    { 8, "Ring Modulation (RM)", Math, Multiply, nullptr, 2,
      "Multiplies the two signals. The classic metallic, clangorous ring-mod effect." },
    { 23, "Scrub", Scrub, Multiply, nullptr, 2,
      "Audio 2's waveform drives a playhead through Audio 1's recent history for a granular time-warping effect." },
    { 12, "Probabilistic", Probabilistic, Multiply, "Stochastic", 2,
      "Cuts between Audio 1 and Audio 2 instead of mixing them, by coin flips weighted toward whichever is louder." },
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
// clang-format on
inline constexpr int kNumBlendModeEntries = static_cast<int> (std::size (kBlendModeRegistry));

// Entry for a "mode" choice index; null outside the table.
const BlendModeEntry* blendModeEntryForIndex (int index) noexcept;
// BlendMode / MathOp for a raw "mode" value (truncated toward zero). An index outside the
// table gives FFTVocoder / Multiply, the values every consumer falls back to.
BlendMode blendModeForIndex (int index) noexcept;
MathOp mathOpForIndex (int index) noexcept;

// Whether an entry runs the sample-wise math family (Ring Modulation and the math operations):
// such entries share one set of parameters and choose their dials and their direction switch by
// their MathOp.
constexpr bool isMathEntry (const BlendModeEntry& entry) noexcept
{
    return entry.blendMode == Math;
}

// Index of the entry a tool's "--mode" argument names: the entry's exact name, or its index
// written in decimal digits only. -1 for anything else (a wrong case, a sign, an index past the
// table, null).
int blendModeIndexForName (const char* text) noexcept;

// The enumerators run without gaps from the first to the last algorithm.
inline constexpr BlendMode kFirstBlendMode = FFTVocoder;
inline constexpr BlendMode kLastBlendMode = Scrub;
constexpr bool isValidBlendMode (int mode) noexcept { return mode >= kFirstBlendMode && mode <= kLastBlendMode; }

// Direction choice: which signal plays which role.
enum Direction : int
{
    OneToTwo = 0, // role1 = Audio 1, role2 = Audio 2
    TwoToOne = 1, // role1 = Audio 2, role2 = Audio 1
    OneToOne = 2  // both roles Audio 1
};

struct DialSlotInfo
{
    const char* paramId = nullptr; // null when the slot is empty in that mode
    const char* label = nullptr;   // the caption of the parameter's dial on the Blend page
    int paramIndex = -1;           // the parameter's row in the parameter table, -1 when empty
};

// The up to five dials a mode shows, from its row of the mode-dial table: a Math mode by its
// MathOp (Multiply; Divide, Xor and SignMultiply with Tame; every other operation the generic
// math dials), every other mode by its BlendMode alone. Empty for a slot outside 0 .. 4 or a mode
// with no row. A table lookup without text comparisons, so the audio thread may call it.
inline constexpr int kNumDialSlots = 5;
DialSlotInfo dialSlotInfoForMode (BlendMode mode, MathOp op, int slot) noexcept;
