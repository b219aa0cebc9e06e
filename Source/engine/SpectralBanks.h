#pragma once

#include "engine/FrameStream.h"

// Banks of the frame-based modes that blend two spectra: Spectral Gate, Phase Swap and Bin
// Interleave (one independent bank each, frames of 8 to 4096 samples) and Frequency Splice
// (fixed 2048-sample frames with a swept crossover). Each bank is rebuilt only when its frame
// size, channel count or sample rate changes.

struct SXChannel : FrameChannel
{
};

using SXBank = FrameBankOf<SXChannel>;

struct FSChannel : FrameChannel
{
    float lfoPhase = 0.0f; // radians, kept within one period

    void reset (int fftSize)
    {
        FrameChannel::reset (fftSize);
        lfoPhase = 0.0f;
    }
};

using FSBank = FrameBankOf<FSChannel>;

// Frequency Splice always works on 2048-sample frames, whatever the resolution.
inline constexpr int kFreqSpliceOrder = 11;
