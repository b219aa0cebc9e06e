#pragma once

// The public vocabulary of blend modes: the engine's algorithm selector, the math
// sub-operation, the table behind the "Blend Mode" choice and the per-mode dial slots.
// Plain data with no framework dependency, so the engine, the processor and the editor
// all read the same table.

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

inline constexpr int kNumBlendModeEntries = 22;
extern const BlendModeEntry kBlendModeRegistry[kNumBlendModeEntries];

// Entry for a "mode" choice index; null outside 0..21.
const BlendModeEntry* blendModeEntryForIndex (int index) noexcept;
// BlendMode / MathOp for a raw "mode" value (truncated toward zero). An index outside the
// table gives FFTVocoder / Multiply, the values every consumer falls back to.
BlendMode blendModeForIndex (int index) noexcept;
MathOp mathOpForIndex (int index) noexcept;

inline constexpr bool isValidBlendMode (int mode) noexcept { return mode >= 1 && mode <= 14; }

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
    const char* label = nullptr;
};

inline constexpr int kNumDialSlots = 5;
DialSlotInfo dialSlotInfoForMode (BlendMode mode, MathOp op, int slot) noexcept;
