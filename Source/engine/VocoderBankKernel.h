#pragma once

#include "engine/VocoderBanks.h"

// The inner loop of the classic and distorted vocoders: every sample through every band of one
// channel (carrier and modulator band-passes, the modulator band's envelope) and the weighted
// sum of the bands.
//
// Two builds of the same code: a baseline one for any x86-64 CPU and one for AVX2 machines
// (eight bands per vector), picked at run time from what the CPU supports. Neither fuses
// multiply-adds: in the bank's low bands the recursive filters amplify a change of rounding far
// beyond the 2e-6 the results may differ from the plain formula, so both builds compute exactly
// the plain formula's values.
namespace vocoderkernel
{
enum class Isa
{
    baseline,
    avx2
};

bool isSupported (Isa) noexcept;

// The build in use: the fastest this CPU supports, unless a test or the benchmark chose another.
Isa activeIsa() noexcept;
// Selects a build for comparisons; an unsupported choice is ignored.
void setActiveIsa (Isa) noexcept;
const char* isaName (Isa) noexcept;

// Runs numSamples samples of one channel through bands 0..numBands-1 and writes each sample's
// band sum to sums[j]: the sum over k, in band order, of envelope_k x carrier band_k x
// emphasisGain_k, times invQ_k when carrierNormalised (the classic vocoder). Every build computes
// exactly the plain per-band formula's values. sums may be the same memory as either input: a
// sample's inputs are read before its sum is written.
void run (const VCBandTable& table, VCChannelState& state, int numBands, bool carrierNormalised,
          const float* carrier, const float* modulator, float* sums, int numSamples, float attackCoef,
          float releaseCoef) noexcept;
} // namespace vocoderkernel
