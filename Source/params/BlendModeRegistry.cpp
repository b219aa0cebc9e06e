#include "params/BlendModeRegistry.h"
#include "params/BlendDialTable.h"
#include "params/ParamIDs.h"

#include <array>
#include <cstring>
#include <initializer_list>

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

int blendModeIndexForName (const char* text) noexcept
{
    if (text == nullptr || *text == 0)
        return -1;

    // Digits only: an index. It stops counting once past the table, so no length overflows.
    int index = 0;
    const char* c = text;
    for (; *c >= '0' && *c <= '9' && index < kNumBlendModeEntries; ++c)
        index = index * 10 + (*c - '0');
    if (*c == 0)
        return index < kNumBlendModeEntries ? index : -1;

    for (int i = 0; i < kNumBlendModeEntries; ++i)
        if (std::strcmp (kBlendModeRegistry[i].name, text) == 0)
            return i;
    return -1;
}

namespace
{
using Slots = std::array<DialSlotInfo, kNumDialSlots>;

// A mode's dials by parameter, slot 0 first; each slot is labelled with its dial's caption. A
// parameter without a dial, or more parameters than slots, stops the build.
constexpr Slots slots (std::initializer_list<const char*> paramIds)
{
    Slots result {};
    std::size_t slot = 0;
    for (const char* id : paramIds)
        result[slot++] = { id, kBlendDials[blendDialIndexFor (id)].caption, paramIndex (id) };
    return result;
}

constexpr Slots kVocoder = slots ({ ParamIDs::resolution, ParamIDs::vocAttack, ParamIDs::vocRelease,
                                    ParamIDs::hfEmphasis });
constexpr Slots kDistortedVocoder = slots ({ ParamIDs::resolution, ParamIDs::vocAttack, ParamIDs::vocRelease,
                                             ParamIDs::vocDrive, ParamIDs::hfEmphasis });
constexpr Slots kMultiply = slots ({ ParamIDs::mathTilt, ParamIDs::mathDrive, ParamIDs::mathDCOffset,
                                     ParamIDs::mathRectify });
// The operations whose peaks can run away have a Tame dial.
constexpr Slots kTamedMath = slots ({ ParamIDs::mathBalance, ParamIDs::mathTilt, ParamIDs::mathDrive,
                                      ParamIDs::mathRectify, ParamIDs::mathTame });
constexpr Slots kGenericMath = slots ({ ParamIDs::mathBalance, ParamIDs::mathTilt, ParamIDs::mathDrive,
                                        ParamIDs::mathRectify });
constexpr Slots kEnvelope = slots ({ ParamIDs::scAttack, ParamIDs::scRelease, ParamIDs::scThreshold,
                                     ParamIDs::scDepth });
constexpr Slots kFreqSplice = slots ({ ParamIDs::fsCrossover, ParamIDs::fsWidth, ParamIDs::fsTilt,
                                       ParamIDs::fsLFORate });
constexpr Slots kAM = slots ({ ParamIDs::amDepth, ParamIDs::amDCOffset, ParamIDs::amLFORate });
constexpr Slots kFM = slots ({ ParamIDs::fmDepth, ParamIDs::fmFeedback, ParamIDs::wsWindow, ParamIDs::wsDrive,
                               ParamIDs::wsSmoothing });
constexpr Slots kSpectralGate = slots ({ ParamIDs::resolution, ParamIDs::sgThreshold, ParamIDs::sgTilt });
constexpr Slots kPhaseSwap = slots ({ ParamIDs::resolution, ParamIDs::psAmount, ParamIDs::psTilt });
constexpr Slots kBinInterleave = slots ({ ParamIDs::resolution, ParamIDs::biChunk, ParamIDs::biTilt });
constexpr Slots kProbabilistic = slots ({ ParamIDs::probBias, ParamIDs::probHold, ParamIDs::probCrossfade,
                                          ParamIDs::probStereo });
constexpr Slots kScrub = slots ({ ParamIDs::scrubScale, ParamIDs::scrubBias, ParamIDs::scrubSmoothing });

// A row's MathOp that matches every operation: the rows of the other modes, and the generic
// math row.
constexpr int kAnyMathOp = 0;

struct ModeDials
{
    BlendMode mode;
    int mathOp; // a MathOp, or kAnyMathOp
    const Slots* slots;
};

// Searched in order, so a Math operation without a row of its own falls through to the generic
// math row at the end of the Math rows.
constexpr ModeDials kModeDials[] = {
    { FFTVocoder, kAnyMathOp, &kVocoder },
    { ClassicVocoder, kAnyMathOp, &kVocoder },
    { DistortedVocoder, kAnyMathOp, &kDistortedVocoder },
    { Math, Multiply, &kMultiply },
    { Math, Divide, &kTamedMath },
    { Math, Xor, &kTamedMath },
    { Math, SignMultiply, &kTamedMath },
    { Math, kAnyMathOp, &kGenericMath },
    { SidechainDuck, kAnyMathOp, &kEnvelope },
    { AmplitudeFollow, kAnyMathOp, &kEnvelope },
    { FrequencySplice, kAnyMathOp, &kFreqSplice },
    { AM, kAnyMathOp, &kAM },
    { FM, kAnyMathOp, &kFM },
    { SpectralGate, kAnyMathOp, &kSpectralGate },
    { PhaseSwap, kAnyMathOp, &kPhaseSwap },
    { BinInterleave, kAnyMathOp, &kBinInterleave },
    { Probabilistic, kAnyMathOp, &kProbabilistic },
    { Scrub, kAnyMathOp, &kScrub },
};

constexpr const Slots* slotsFor (BlendMode mode, MathOp op) noexcept
{
    for (const auto& row : kModeDials)
        if (row.mode == mode && (row.mathOp == kAnyMathOp || row.mathOp == op))
            return row.slots;
    return nullptr;
}

// The page shows a mode's dials among the mode dials; the output-stage dials are always there.
constexpr bool everySlotIsAModeDial() noexcept
{
    for (const auto& row : kModeDials)
        for (const auto& slot : *row.slots)
            if (slot.paramId != nullptr && blendDialIndexFor (slot.paramId) >= kNumModeDials)
                return false;
    return true;
}
static_assert (everySlotIsAModeDial(), "a mode's dial slot names an output-stage dial");

constexpr bool everyEntryHasDials() noexcept
{
    for (const auto& entry : kBlendModeRegistry)
        if (slotsFor (entry.blendMode, entry.mathOp) == nullptr)
            return false;
    return true;
}
static_assert (everyEntryHasDials(), "a registry entry's mode has no row in the mode-dial table");

constexpr bool showsTame (const Slots& slots) noexcept
{
    for (const auto& slot : slots)
        if (sameText (slot.paramId, ParamIDs::mathTame))
            return true;
    return false;
}

// The Tame dial is shown exactly for the operations the engine tames.
constexpr bool tameDialFollowsTheOperation() noexcept
{
    for (const auto& entry : kBlendModeRegistry)
        if (entry.blendMode == Math && showsTame (*slotsFor (Math, entry.mathOp)) != mathOpHasTame (entry.mathOp))
            return false;
    return true;
}
static_assert (tameDialFollowsTheOperation(), "a math entry's Tame dial does not match mathOpHasTame");
} // namespace

DialSlotInfo dialSlotInfoForMode (BlendMode mode, MathOp op, int slot) noexcept
{
    if (slot < 0 || slot >= kNumDialSlots)
        return {};
    const auto* row = slotsFor (mode, op);
    return row != nullptr ? (*row)[static_cast<std::size_t> (slot)] : DialSlotInfo {};
}
