#include "engine/VocoderBankKernel.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#if ! (defined(__GNUC__) || defined(__clang__))
 #error "The vocoder kernel is written with GCC/Clang vector extensions"
#endif

// The vector helpers below take and return vectors by value; they are always inlined into the
// build they belong to, so no call passes a vector across an ABI boundary.
#if defined(__GNUC__) && ! defined(__clang__)
 #pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace vocoderkernel
{
namespace
{
// The bank runs across bands, W bands per vector (a band group), over a chunk of W samples at a
// time: each group's coefficients and states stay in registers for the whole chunk, and the
// chunk's products (W samples x W bands) are transposed in registers so that every sample's sum
// takes the bands one after another, in band order, as additions of whole vectors (one lane per
// sample) instead of one float at a time.
using Float4 = float __attribute__ ((vector_size (16)));
using Float8 = float __attribute__ ((vector_size (32)));
using Int4 = std::int32_t __attribute__ ((vector_size (16)));
using Int8 = std::int32_t __attribute__ ((vector_size (32)));

template <int W>
struct Lanes;
template <>
struct Lanes<4>
{
    using F = Float4;
    using I = Int4;
};
template <>
struct Lanes<8>
{
    using F = Float8;
    using I = Int8;
};

template <int W>
using Vec = typename Lanes<W>::F;
template <int W>
using Mask = typename Lanes<W>::I;

template <int W>
QV_ALWAYS_INLINE Vec<W> load (const float* p) noexcept
{
    Vec<W> v;
    __builtin_memcpy (&v, p, sizeof (v));
    return v;
}

template <int W>
QV_ALWAYS_INLINE void store (float* p, Vec<W> v) noexcept
{
    __builtin_memcpy (p, &v, sizeof (v));
}

template <int W>
QV_ALWAYS_INLINE Vec<W> splat (float x) noexcept
{
    return x - Vec<W> {}; // subtracting +0 changes no value (and -0 - 0 is -0)
}

// |v|: clears the sign bits, exactly like std::abs.
template <int W>
QV_ALWAYS_INLINE Vec<W> absolute (Vec<W> v) noexcept
{
    return reinterpret_cast<Vec<W>> (reinterpret_cast<Mask<W>> (v) & 0x7fffffff);
}

// a where the mask is set, b elsewhere.
template <int W>
QV_ALWAYS_INLINE Vec<W> select (Mask<W> mask, Vec<W> a, Vec<W> b) noexcept
{
    return reinterpret_cast<Vec<W>> ((reinterpret_cast<Mask<W>> (a) & mask) | (reinterpret_cast<Mask<W>> (b) & ~mask));
}

// In-place transpose of a 4 x 4 block: afterwards r[i][j] is the former r[j][i].
QV_ALWAYS_INLINE void transpose (Vec<4> (&r)[4]) noexcept
{
    const Vec<4> t0 = __builtin_shufflevector (r[0], r[1], 0, 4, 1, 5);
    const Vec<4> t1 = __builtin_shufflevector (r[0], r[1], 2, 6, 3, 7);
    const Vec<4> t2 = __builtin_shufflevector (r[2], r[3], 0, 4, 1, 5);
    const Vec<4> t3 = __builtin_shufflevector (r[2], r[3], 2, 6, 3, 7);
    r[0] = __builtin_shufflevector (t0, t2, 0, 1, 4, 5);
    r[1] = __builtin_shufflevector (t0, t2, 2, 3, 6, 7);
    r[2] = __builtin_shufflevector (t1, t3, 0, 1, 4, 5);
    r[3] = __builtin_shufflevector (t1, t3, 2, 3, 6, 7);
}

// The same for 8 x 8: interleaves within each 128-bit half, then exchanges the halves.
QV_ALWAYS_INLINE void transpose (Vec<8> (&r)[8]) noexcept
{
    Vec<8> t[8], s[8];
    for (int i = 0; i < 4; ++i)
    {
        t[2 * i] = __builtin_shufflevector (r[2 * i], r[2 * i + 1], 0, 8, 1, 9, 4, 12, 5, 13);
        t[2 * i + 1] = __builtin_shufflevector (r[2 * i], r[2 * i + 1], 2, 10, 3, 11, 6, 14, 7, 15);
    }
    for (int i = 0; i < 2; ++i)
        for (int h = 0; h < 2; ++h)
        {
            const Vec<8> a = t[4 * i + h], b = t[4 * i + h + 2];
            s[4 * i + 2 * h] = __builtin_shufflevector (a, b, 0, 1, 8, 9, 4, 5, 12, 13);
            s[4 * i + 2 * h + 1] = __builtin_shufflevector (a, b, 2, 3, 10, 11, 6, 7, 14, 15);
        }
    for (int i = 0; i < 4; ++i)
    {
        r[i] = __builtin_shufflevector (s[i], s[i + 4], 0, 1, 2, 3, 8, 9, 10, 11);
        r[i + 4] = __builtin_shufflevector (s[i], s[i + 4], 4, 5, 6, 7, 12, 13, 14, 15);
    }
}

// One chunk's inputs: two samples of history (the only input history the band filters need, b1
// being zero) followed by the chunk's samples.
template <int W>
struct ChunkInputs
{
    static constexpr auto kSlots = static_cast<std::size_t> (W + 2);
    float carrier[kSlots], modulator[kSlots];
};

// One group of W bands: its coefficients and states, held in registers over a chunk.
template <int W>
struct BandGroup
{
    int k0;
    Vec<W> b0, a1, a2, cy1, cy2, my1, my2, env;
    // b0 times the last two carrier and modulator samples. b1 is zero and b2 is exactly -b0, so
    // b0 x + b1 x1 + b2 x2 rounds as b0 x - b0 x2, and b0 x2 is the product made two samples ago.
    Vec<W> bc1, bc2, bm1, bm2;

    QV_ALWAYS_INLINE void load (const VCBandTable& table, const VCChannelState& state, const ChunkInputs<W>& in,
                                int firstBand) noexcept
    {
        k0 = firstBand;
        b0 = vocoderkernel::load<W> (table.b0 + k0);
        a1 = vocoderkernel::load<W> (table.a1 + k0);
        a2 = vocoderkernel::load<W> (table.a2 + k0);
        cy1 = vocoderkernel::load<W> (state.carrierY1 + k0);
        cy2 = vocoderkernel::load<W> (state.carrierY2 + k0);
        my1 = vocoderkernel::load<W> (state.modulatorY1 + k0);
        my2 = vocoderkernel::load<W> (state.modulatorY2 + k0);
        env = vocoderkernel::load<W> (state.envelope + k0);
        bc2 = b0 * in.carrier[0];
        bc1 = b0 * in.carrier[1];
        bm2 = b0 * in.modulator[0];
        bm1 = b0 * in.modulator[1];
    }

    QV_ALWAYS_INLINE void store (VCChannelState& state) const noexcept
    {
        vocoderkernel::store<W> (state.carrierY1 + k0, cy1);
        vocoderkernel::store<W> (state.carrierY2 + k0, cy2);
        vocoderkernel::store<W> (state.modulatorY1 + k0, my1);
        vocoderkernel::store<W> (state.modulatorY2 + k0, my2);
        vocoderkernel::store<W> (state.envelope + k0, env);
    }

    // One sample x through the group's band-passes (direct form I in the plain per-band
    // formula's order of operations), given that signal's products bx1, bx2 and outputs y1, y2.
    QV_ALWAYS_INLINE Vec<W> bandPass (float x, Vec<W>& bx1, Vec<W>& bx2, Vec<W>& y1, Vec<W>& y2) const noexcept
    {
        const Vec<W> bx = b0 * x;
        const Vec<W> y = bx - bx2 - a1 * y1 - a2 * y2;
        y2 = y1;
        y1 = y;
        bx2 = bx1;
        bx1 = bx;
        return y;
    }

    // One sample through the group's bands; returns the weighted products envelope x carrier
    // band x emphasis (x 1/Q when carrierNormalised). unityEmphasis: every emphasis gain is
    // exactly 1, and multiplying by it would not change a bit.
    template <bool carrierNormalised, bool unityEmphasis>
    QV_ALWAYS_INLINE Vec<W> step (const VCBandTable& table, float carrier, float modulator, Vec<W> attack,
                                  Vec<W> release) noexcept
    {
        const Vec<W> yc = bandPass (carrier, bc1, bc2, cy1, cy2);
        const Vec<W> ym = bandPass (modulator, bm1, bm2, my1, my2);

        const Vec<W> level = absolute<W> (ym);
        env = env + (level - env) * select<W> (env < level, attack, release);

        Vec<W> product = env * yc;
        if constexpr (! unityEmphasis)
            product = product * vocoderkernel::load<W> (table.emphasisGain + k0);
        if constexpr (carrierNormalised)
            product = product * vocoderkernel::load<W> (table.invQ + k0);
        return product;
    }
};

// Runs `count` samples (all W when `full`) of the chunk through the G band groups from band k0
// on and adds their bands, in band order, to each sample's running sum in acc. Each band's
// recursion is a long chain of dependent operations; G groups side by side give the processor
// independent chains to overlap.
template <int W, int G, bool carrierNormalised, bool unityEmphasis, bool full>
QV_ALWAYS_INLINE void bandGroups (const VCBandTable& table, VCChannelState& state, const ChunkInputs<W>& in,
                                  int count, int k0, int numBands, Vec<W>& acc, Vec<W> attack,
                                  Vec<W> release) noexcept
{
    const int n = full ? W : count;
    BandGroup<W> groups[static_cast<std::size_t> (G)];
    for (int g = 0; g < G; ++g)
        groups[g].load (table, state, in, k0 + g * W);

    Vec<W> products[static_cast<std::size_t> (G)][static_cast<std::size_t> (W)];
#pragma GCC unroll 8
    for (int j = 0; j < n; ++j)
#pragma GCC unroll 2
        for (int g = 0; g < G; ++g)
            products[g][j] = groups[g].template step<carrierNormalised, unityEmphasis> (
                table, in.carrier[j + 2], in.modulator[j + 2], attack, release);

    for (int g = 0; g < G; ++g)
    {
        groups[g].store (state);
        for (int j = n; j < W; ++j)
            products[g][j] = Vec<W> {};

        // products[g][k] now holds band k0 + g W + k of every sample, one sample per lane.
        transpose (products[g]);
        const int bandsInGroup = std::min (W, numBands - groups[g].k0);
        if (bandsInGroup == W)
        {
            for (int k = 0; k < W; ++k)
                acc = acc + products[g][k];
        }
        else
        {
            // The silent bands that pad the count to whole vectors are not part of the sum.
            for (int k = 0; k < bandsInGroup; ++k)
                acc = acc + products[g][k];
        }
    }
}

template <int W, bool carrierNormalised, bool unityEmphasis, bool full>
QV_ALWAYS_INLINE void runChunk (const VCBandTable& table, VCChannelState& state, int numBands,
                                const ChunkInputs<W>& in, int count, float* sums, Vec<W> attack,
                                Vec<W> release) noexcept
{
    constexpr int kPair = 2 * W;
    Vec<W> acc {};
    const int padded = paddedVocoderBands (numBands);
    int k0 = 0;
    for (; k0 + kPair <= padded; k0 += kPair)
        bandGroups<W, 2, carrierNormalised, unityEmphasis, full> (table, state, in, count, k0, numBands, acc, attack,
                                                                  release);
    for (; k0 < padded; k0 += W)
        bandGroups<W, 1, carrierNormalised, unityEmphasis, full> (table, state, in, count, k0, numBands, acc, attack,
                                                                  release);
    if constexpr (full)
        store<W> (sums, acc);
    else
        for (int j = 0; j < count; ++j)
            sums[j] = acc[j];
}

template <int W, bool carrierNormalised, bool unityEmphasis>
QV_ALWAYS_INLINE void runBlock (const VCBandTable& table, VCChannelState& state, int numBands, const float* carrier,
                                const float* modulator, float* sums, int numSamples, float attackCoef,
                                float releaseCoef) noexcept
{
    static_assert (kVocoderLanes % W == 0, "band groups must tile the padded band count");
    const Vec<W> attack = splat<W> (attackCoef), release = splat<W> (releaseCoef);
    for (int start = 0; start < numSamples; start += W)
    {
        const int count = std::min (W, numSamples - start);
        // Every input of the chunk is read here, before any of its sums is written.
        ChunkInputs<W> in {};
        in.carrier[0] = state.carrierX2;
        in.carrier[1] = state.carrierX1;
        in.modulator[0] = state.modulatorX2;
        in.modulator[1] = state.modulatorX1;
        for (int j = 0; j < count; ++j)
        {
            in.carrier[j + 2] = carrier[start + j];
            in.modulator[j + 2] = modulator[start + j];
        }

        if (count == W)
            runChunk<W, carrierNormalised, unityEmphasis, true> (table, state, numBands, in, count, sums + start,
                                                                 attack, release);
        else
            runChunk<W, carrierNormalised, unityEmphasis, false> (table, state, numBands, in, count, sums + start,
                                                                  attack, release);

        state.carrierX2 = in.carrier[count];
        state.carrierX1 = in.carrier[count + 1];
        state.modulatorX2 = in.modulator[count];
        state.modulatorX1 = in.modulator[count + 1];
    }
}

template <int W>
QV_ALWAYS_INLINE void runWeighted (const VCBandTable& table, VCChannelState& state, int numBands,
                                   bool carrierNormalised, const float* carrier, const float* modulator, float* sums,
                                   int numSamples, float attackCoef, float releaseCoef) noexcept
{
    const bool unityEmphasis =
        std::all_of (table.emphasisGain, table.emphasisGain + numBands, [] (float g) { return g == 1.0f; });
#define QV_RUN_WEIGHTED(normalised, unity)                                                                  \
    if (carrierNormalised == (normalised) && unityEmphasis == (unity))                                      \
        return runBlock<W, normalised, unity> (table, state, numBands, carrier, modulator, sums, numSamples, \
                                               attackCoef, releaseCoef);
    QV_RUN_WEIGHTED (true, true)
    QV_RUN_WEIGHTED (true, false)
    QV_RUN_WEIGHTED (false, true)
    QV_RUN_WEIGHTED (false, false)
#undef QV_RUN_WEIGHTED
}

// The baseline build works on SSE-sized vectors, the others on AVX-sized ones (the AVX-512 build
// gains its extra registers). Nothing is fused: the tree is compiled without contraction.
#if QV_HAS_ISA_BUILDS
constexpr int kBaselineLanes = 4;
#else
constexpr int kBaselineLanes = kVocoderLanes;
#endif

#define QV_KERNEL_PARAMS                                                                                           \
    (const VCBandTable& table, VCChannelState& state, int numBands, bool carrierNormalised, const float* carrier,  \
     const float* modulator, float* sums, int numSamples, float attackCoef, float releaseCoef) noexcept
#define QV_KERNEL_ARGS                                                                                             \
    (table, state, numBands, carrierNormalised, carrier, modulator, sums, numSamples, attackCoef, releaseCoef)

void runBuildBaseline QV_KERNEL_PARAMS { runWeighted<kBaselineLanes> QV_KERNEL_ARGS; }
#if QV_HAS_ISA_BUILDS
QV_TARGET_AVX2 void runBuildAvx2 QV_KERNEL_PARAMS { runWeighted<kVocoderLanes> QV_KERNEL_ARGS; }
QV_TARGET_AVX512 void runBuildAvx512 QV_KERNEL_PARAMS { runWeighted<kVocoderLanes> QV_KERNEL_ARGS; }
#endif
} // namespace

void run (const VCBandTable& table, VCChannelState& state, int numBands, bool carrierNormalised,
          const float* carrier, const float* modulator, float* sums, int numSamples, float attackCoef,
          float releaseCoef) noexcept
{
    numBands = std::clamp (numBands, 0, kMaxVocoderBands);
    QV_ISA_DISPATCH (runBuild, QV_KERNEL_ARGS)
}
} // namespace vocoderkernel
