#include "engine/VocoderBankKernel.h"

#include <algorithm>
#include <cmath>

namespace vocoderkernel
{
namespace
{
// Samples handled together: their band sums are independent chains of additions that overlap.
constexpr int kChunk = 8;
// Bands handled together: one tile's coefficients, states and products of a chunk fit the L1
// cache together (about 18 KiB), where the whole bank's would not.
constexpr int kTile = 256;
// Product rows are padded so that they do not start 1 KiB apart on the same cache sets.
constexpr int kRowStride = kTile + 16;

// One chunk's inputs: each sample and the one two samples before it (the only input history the
// band filters need, b1 being zero).
struct ChunkInputs
{
    float carrier[kChunk], carrierOld[kChunk], modulator[kChunk], modulatorOld[kChunk];
};

// Filters and envelopes of bands k0..k1-1 for the chunk's samples (direct form I, in the plain
// per-band formula's order of operations), writing each band's weighted product
// envelope x carrier band x emphasis (x 1/Q for the classic vocoder) to products[j][k - k0].
template <bool carrierNormalised>
QV_ALWAYS_INLINE void tileProducts (const VCBandTable& table, VCChannelState& state, const ChunkInputs& in,
                                    int count, int k0, int k1, float (*products)[kRowStride], float attackCoef,
                                    float releaseCoef) noexcept
{
    const float* __restrict b0 = table.b0 + k0;
    const float* __restrict a1 = table.a1 + k0;
    const float* __restrict a2 = table.a2 + k0;
    const float* __restrict emphasis = table.emphasisGain + k0;
    const float* __restrict invQ = table.invQ + k0;
    float* __restrict cy1 = state.carrierY1 + k0;
    float* __restrict cy2 = state.carrierY2 + k0;
    float* __restrict my1 = state.modulatorY1 + k0;
    float* __restrict my2 = state.modulatorY2 + k0;
    float* __restrict env = state.envelope + k0;
    const int width = k1 - k0;

    for (int j = 0; j < count; ++j)
    {
        const float c = in.carrier[j], cx2 = in.carrierOld[j];
        const float m = in.modulator[j], mx2 = in.modulatorOld[j];
        float* __restrict product = products[j];
        for (int k = 0; k < width; ++k)
        {
            // b1 is zero and b2 is exactly -b0, so b0 c + b1 x1 + b2 x2 rounds as b0 c - b0 x2.
            const float yc = b0[k] * c - b0[k] * cx2 - a1[k] * cy1[k] - a2[k] * cy2[k];
            cy2[k] = cy1[k];
            cy1[k] = yc;

            const float ym = b0[k] * m - b0[k] * mx2 - a1[k] * my1[k] - a2[k] * my2[k];
            my2[k] = my1[k];
            my1[k] = ym;

            const float level = std::abs (ym);
            const float e = env[k];
            const float next = e + (level - e) * (e < level ? attackCoef : releaseCoef);
            env[k] = next;

            if constexpr (carrierNormalised)
                product[k] = next * yc * emphasis[k] * invQ[k];
            else
                product[k] = next * yc * emphasis[k];
        }
    }
}

// Adds bands 0..count-1 of a tile's products to each sample's running sum, band after band.
// A full chunk's samples are independent chains, so their additions overlap.
QV_ALWAYS_INLINE void addInBandOrder (const float (*products)[kRowStride], int bands, float* acc, int count) noexcept
{
    if (count == kChunk)
    {
        for (int k = 0; k < bands; ++k)
            for (int j = 0; j < kChunk; ++j)
                acc[j] += products[j][k];
        return;
    }
    for (int j = 0; j < count; ++j)
        for (int k = 0; k < bands; ++k)
            acc[j] += products[j][k];
}

template <bool carrierNormalised>
QV_ALWAYS_INLINE void runBlock (const VCBandTable& table, VCChannelState& state, int numBands, const float* carrier,
                                const float* modulator, float* sums, int numSamples, float attackCoef,
                                float releaseCoef) noexcept
{
    alignas (64) float products[kChunk][kRowStride];
    const int padded = paddedVocoderBands (numBands);
    for (int start = 0; start < numSamples; start += kChunk)
    {
        const int count = std::min (kChunk, numSamples - start);
        // Every input of the chunk is read here, before any of its sums is written.
        ChunkInputs in;
        for (int j = 0; j < count; ++j)
        {
            in.carrier[j] = carrier[start + j];
            in.modulator[j] = modulator[start + j];
            in.carrierOld[j] = j >= 2 ? in.carrier[j - 2] : j == 1 ? state.carrierX1 : state.carrierX2;
            in.modulatorOld[j] = j >= 2 ? in.modulator[j - 2] : j == 1 ? state.modulatorX1 : state.modulatorX2;
        }

        float acc[kChunk] = {};
        for (int k0 = 0; k0 < padded; k0 += kTile)
        {
            const int k1 = std::min (k0 + kTile, padded);
            tileProducts<carrierNormalised> (table, state, in, count, k0, k1, products, attackCoef, releaseCoef);
            // The silent bands that pad the count to whole vectors are not part of the sum.
            addInBandOrder (products, std::min (k1, numBands) - k0, acc, count);
        }
        for (int j = 0; j < count; ++j)
            sums[start + j] = acc[j];

        state.carrierX2 = count >= 2 ? in.carrier[count - 2] : state.carrierX1;
        state.modulatorX2 = count >= 2 ? in.modulator[count - 2] : state.modulatorX1;
        state.carrierX1 = in.carrier[count - 1];
        state.modulatorX1 = in.modulator[count - 1];
    }
}

// The same code for every instruction set; the file is compiled without contraction, so nothing
// is fused even where the compiler could.
QV_ISA_BUILDS (void, runBuild,
               (const VCBandTable& table, VCChannelState& state, int numBands, bool carrierNormalised,
                const float* carrier, const float* modulator, float* sums, int numSamples, float attackCoef,
                float releaseCoef) noexcept,
               {
                   if (carrierNormalised)
                       runBlock<true> (table, state, numBands, carrier, modulator, sums, numSamples, attackCoef,
                                       releaseCoef);
                   else
                       runBlock<false> (table, state, numBands, carrier, modulator, sums, numSamples, attackCoef,
                                        releaseCoef);
               })
} // namespace

void run (const VCBandTable& table, VCChannelState& state, int numBands, bool carrierNormalised,
          const float* carrier, const float* modulator, float* sums, int numSamples, float attackCoef,
          float releaseCoef) noexcept
{
    numBands = std::clamp (numBands, 0, kMaxVocoderBands);
    QV_ISA_DISPATCH (runBuild, (table, state, numBands, carrierNormalised, carrier, modulator, sums, numSamples,
                                attackCoef, releaseCoef))
}
} // namespace vocoderkernel
