#pragma once

#include "engine/FrameStream.h"

#include <algorithm>
#include <array>
#include <cstdint>

// One frame bank per frame size, all built in preparation, so that a change of Resolution (by
// hand, by automation or by modulator 2) never allocates on the audio thread. For stereo the
// banks of all ten sizes take about twice the memory of the largest one.
//
// The bank a mode runs on is the one `select` last chose; selecting never clears anything, so
// that while one size crosses over to another both run on unbroken. A change of setting
// `enter`s a size first: a size other than the one the mode last entered starts from silence
// at the start of its frame grid, as a freshly built bank would, and the same size resumes
// with whatever it held.
template <typename Bank>
struct FrameBankSet
{
    static constexpr int kSizes = kMaxFrameOrder - kMinFrameOrder + 1;

    std::array<Bank, kSizes> banks;
    int current = -1; // the order last selected, -1 for none
    int entered = -1; // the order last entered (or first selected), -1 for none
    uint32_t used = 0; // bit per size selected since the last reset: the only ones not silent

    static uint32_t bitOf (int order) noexcept { return 1u << (order - kMinFrameOrder); }

    // Builds every size for `numChannels` at `sampleRate` (allocates) and forgets which sizes
    // were in use.
    void prepare (int numChannels, double sampleRate)
    {
        for (int i = 0; i < kSizes; ++i)
            if (! banks[static_cast<size_t> (i)].isBuiltFor (kMinFrameOrder + i, numChannels, sampleRate))
                banks[static_cast<size_t> (i)].rebuildWithChannels (kMinFrameOrder + i, numChannels, sampleRate);
        current = entered = -1;
        used = ~0u; // banks kept from an earlier preparation hold what they heard
    }

    // The bank of `order`, now the one that runs. A bank not built for this channel count or
    // sample rate (only when the caller skipped preparation) is built here.
    Bank& select (int order, int numChannels, double sampleRate)
    {
        order = std::clamp (order, kMinFrameOrder, kMaxFrameOrder);
        Bank& bank = banks[static_cast<size_t> (order - kMinFrameOrder)];
        if (! bank.isBuiltFor (order, numChannels, sampleRate))
            bank.rebuildWithChannels (order, numChannels, sampleRate);
        current = order;
        used |= bitOf (order);
        if (entered < 0)
            entered = order;
        return bank;
    }

    void enter (int order) noexcept
    {
        order = std::clamp (order, kMinFrameOrder, kMaxFrameOrder);
        if (order != entered)
            banks[static_cast<size_t> (order - kMinFrameOrder)].resetChannels();
        entered = order;
    }

    Bank& active() noexcept { return banks[static_cast<size_t> (std::max (current, kMinFrameOrder) - kMinFrameOrder)]; }

    // Every size back to silence; nothing is allocated. Only sizes selected since the last reset
    // can hold anything.
    void resetChannels()
    {
        for (int order = kMinFrameOrder; order <= kMaxFrameOrder; ++order)
            if ((used & bitOf (order)) != 0)
                banks[static_cast<size_t> (order - kMinFrameOrder)].resetChannels();
        used = 0;
        entered = current;
    }
};
