#pragma once

#include "engine/SimdIsa.h"
#include "engine/VocoderBanks.h"

// The inner loop of the classic and distorted vocoders: every sample through every band of one
// channel (carrier and modulator band-passes, the modulator band's envelope) and the weighted
// sum of the bands.
//
// One build per instruction set (see SimdIsa.h), picked at run time. None fuses multiply-adds:
// in the bank's low bands the recursive filters amplify a change of rounding far beyond the 2e-6
// the results may differ from the plain formula, so every build computes exactly the plain
// formula's values.
namespace vocoderkernel
{
// Runs numSamples samples of one channel through bands 0..numBands-1 and writes each sample's
// band sum to sums[j]: the sum over k, in band order, of envelope_k x carrier band_k x
// emphasisGain_k, times invQ_k when carrierNormalised (the classic vocoder). Every build computes
// exactly the plain per-band formula's values. sums may be the same memory as either input: a
// sample's inputs are read before its sum is written.
void run (const VCBandTable& table, VCChannelState& state, int numBands, bool carrierNormalised,
          const float* carrier, const float* modulator, float* sums, int numSamples, float attackCoef,
          float releaseCoef) noexcept;
} // namespace vocoderkernel
