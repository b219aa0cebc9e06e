#include "engine/FrameBinKernels.h"

#include "engine/FrameStream.h"
#include "engine/SimdIsa.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace framekernels
{
namespace
{
QV_ALWAYS_INLINE void windowRingBody (const float* __restrict ring, int start, const float* __restrict window,
                                      float* __restrict dest, int n) noexcept
{
    const int tail = n - start;
    for (int i = 0; i < tail; ++i)
        dest[i] = ring[start + i] * window[i];
    for (int i = tail; i < n; ++i)
        dest[i] = ring[i - tail] * window[i];
}

QV_ALWAYS_INLINE void overlapAddBody (const float* __restrict frame, const float* __restrict window,
                                      float* __restrict accum, int start, int n) noexcept
{
    const int tail = n - start;
    float* a = accum + start;
    for (int i = 0; i < tail; ++i)
        a[i] += frame[i] * window[i];
    const float* f = frame + tail;
    const float* w = window + tail;
    for (int i = 0; i < start; ++i)
        accum[i] += f[i] * w[i];
}

QV_ALWAYS_INLINE void vocoderBinsBody (const float* __restrict modulator, const float* __restrict carrier,
                                       const float* __restrict positions, float* __restrict envelope,
                                       float* __restrict out, int bins, float attack, float release,
                                       float tilt) noexcept
{
    for (int k = 0; k < bins; ++k)
    {
        const float mr = modulator[2 * k], mi = modulator[2 * k + 1];
        const float d = std::sqrt (mr * mr + mi * mi);
        float e = envelope[k];
        e = e + (d - e) * (e < d ? attack : release);
        envelope[k] = e;

        const float cr = carrier[2 * k], ci = carrier[2 * k + 1];
        const float a = std::sqrt (cr * cr + ci * ci);
        // Computed for every bin and discarded where the carrier is too quiet, rather than
        // branched around: a division by a zero magnitude only yields a value nobody keeps.
        const float scale = e * (tilt * positions[k] + 1.0f) / a;
        const bool live = a > 1.0e-10f;
        out[2 * k] = live ? cr * scale : 0.0f;
        out[2 * k + 1] = live ? ci * scale : 0.0f;
    }
}

// Bin choices are made on the bits: a select written as `open ? x : 0.0f` leaves GCC branching
// bin by bin, a mask it vectorises. Either way the chosen value is copied exactly.
using Bits = uint32_t __attribute__ ((may_alias));

inline uint32_t maskOf (bool condition) noexcept { return 0u - static_cast<uint32_t> (condition); }

inline const Bits* bitsOf (const float* p) noexcept { return reinterpret_cast<const Bits*> (p); }
inline Bits* bitsOf (float* p) noexcept { return reinterpret_cast<Bits*> (p); }

// Eight lanes of the peak, compared independently and combined at the end: the largest of a set
// of numbers does not depend on the order they are compared in.
using Lanes = float __attribute__ ((vector_size (32)));
constexpr int kLaneCount = static_cast<int> (sizeof (Lanes) / sizeof (float));

QV_ALWAYS_INLINE float magnitudesAndPeakBody (const float* __restrict spectrum, float* __restrict magnitudes,
                                              int bins, float floor) noexcept
{
    for (int k = 0; k < bins; ++k)
        magnitudes[k] = std::sqrt (spectrum[2 * k] * spectrum[2 * k] + spectrum[2 * k + 1] * spectrum[2 * k + 1]);

    Lanes lanes {};
    lanes += floor;
    int k = 0;
    for (; k + kLaneCount <= bins; k += kLaneCount)
    {
        Lanes m;
        std::memcpy (&m, magnitudes + k, sizeof m);
        lanes = lanes < m ? m : lanes; // std::max, lane by lane
    }
    float peak = floor;
    for (; k < bins; ++k)
        peak = std::max (peak, magnitudes[k]);
    for (int l = 0; l < kLaneCount; ++l)
        peak = std::max (peak, lanes[l]);
    return peak;
}

QV_ALWAYS_INLINE void gateBinsBody (const float* __restrict role1, const float* __restrict magnitudes2,
                                    const float* __restrict positions, float* __restrict out, int bins,
                                    float threshold, float tilt, float peak) noexcept
{
    const Bits* in = bitsOf (role1);
    Bits* o = bitsOf (out);
    for (int k = 0; k < bins; ++k)
    {
        const float gate = std::max (0.0f, (tilt * (2.0f * positions[k] - 1.0f) + 1.0f) * threshold) * peak;
        const uint32_t open = maskOf (magnitudes2[k] >= gate);
        o[2 * k] = in[2 * k] & open;
        o[2 * k + 1] = in[2 * k + 1] & open;
    }
}

QV_ALWAYS_INLINE void interleaveBinsBody (const float* __restrict role1, const float* __restrict role2,
                                          const float* __restrict positions, float* __restrict out, int bins,
                                          int groupShift, float tilt) noexcept
{
    const Bits* first = bitsOf (role1);
    const Bits* second = bitsOf (role2);
    Bits* o = bitsOf (out);
    for (int k = 0; k < bins; ++k)
    {
        const float s = static_cast<float> ((k >> groupShift) & 1) + (2.0f * positions[k] - 1.0f) * tilt;
        const uint32_t pick = maskOf (s > 0.5f);
        o[2 * k] = (first[2 * k] & ~pick) | (second[2 * k] & pick);
        o[2 * k + 1] = (first[2 * k + 1] & ~pick) | (second[2 * k + 1] & pick);
    }
}

QV_ALWAYS_INLINE void spliceBinsBody (const float* __restrict role1, const float* __restrict role2,
                                      float* __restrict out, int half, int c, int r, int start, float invR,
                                      float tiltAmount) noexcept
{
    const int end = start + r;
    const float halfF = static_cast<float> (half);
    for (int k = 0; k <= half; ++k)
    {
        const float ramp = static_cast<float> (k - start) * invR;
        const float cut = k < c ? 0.0f : 1.0f;
        const float fade = k <= start ? 0.0f : (k >= end ? 1.0f : ramp);
        const float mix = r < 1 ? cut : fade;
        const float tilt = std::max (0.0f, (2.0f * static_cast<float> (k) / halfF - 1.0f) * tiltAmount + 1.0f);
        out[2 * k] = (role1[2 * k] * (1.0f - mix) + role2[2 * k] * mix) * tilt;
        out[2 * k + 1] = (role1[2 * k + 1] * (1.0f - mix) + role2[2 * k + 1] * mix) * tilt;
    }
}

QV_ALWAYS_INLINE int phaseSwapPlainBinsBody (const float* __restrict role1, const float* __restrict role2,
                                             const float* __restrict positions, float* __restrict out,
                                             float* __restrict pending, int bins, float amount,
                                             float tilt) noexcept
{
    for (int k = 0; k < bins; ++k)
    {
        const float re1 = role1[2 * k], im1 = role1[2 * k + 1];
        const float re2 = role2[2 * k], im2 = role2[2 * k + 1];
        const float unclamped = (tilt * (2.0f * positions[k] - 1.0f) + 1.0f) * amount;
        const float a = unclamped < 0.0f ? 0.0f : (1.0f < unclamped ? 1.0f : unclamped); // std::clamp
        const float m1 = std::sqrt (re1 * re1 + im1 * im1);
        const float m2 = std::sqrt (re2 * re2 + im2 * im2);
        const float scale = m1 / m2;
        // Combined as masks, without short-circuits, which would leave the loop branching.
        const uint32_t keep = maskOf (a == 0.0f) | maskOf (m1 == 0.0f);
        const uint32_t take = maskOf (a == 1.0f) & maskOf (m2 > 0.0f) & maskOf (m2 <= FLT_MAX); // positive, finite
        const float swappedRe = re2 * scale, swappedIm = im2 * scale;
        out[2 * k] = keep ? re1 : swappedRe;
        out[2 * k + 1] = keep ? im1 : swappedIm;
        pending[k] = (keep | take) != 0u ? 0.0f : 1.0f;
    }
    // Counted in a pass of its own: a count kept in the loop above stops GCC vectorising it.
    int count = 0;
    for (int k = 0; k < bins; ++k)
        count += pending[k] != 0.0f ? 1 : 0;
    return count;
}

// ---- Small frames: a direct DFT and the whole frame inline, per block ----

// The DFTs work on whole groups of eight bins (forward) or eight samples (inverse) as vectors
// of the compiler's own vector type, which every build maps onto its registers; left to itself,
// the compiler unrolls these small fixed-size loops completely and shuffles lanes around.
// Filled through a reference: a function returning a 32-byte vector would have a different
// calling convention in the baseline build than in the others.
QV_ALWAYS_INLINE void loadLanes (Lanes& v, const float* p) noexcept { std::memcpy (&v, p, sizeof v); }

// Bins 0..N/2 of both rings' windowed frames (oldest sample at `start`) into spectrum1 and
// spectrum2, interleaved; each bin's sums run over the samples in order.
template <int N>
QV_ALWAYS_INLINE void smallForwardDft (const float* __restrict ring1, const float* __restrict ring2, int start,
                                       const float* __restrict table, float* __restrict spectrum1,
                                       float* __restrict spectrum2) noexcept
{
    constexpr int padded = smallFramePaddedBins (N);
    constexpr int groups = padded / kLaneCount;
    constexpr auto groupCount = static_cast<size_t> (groups);
    Lanes re1[groupCount] = {}, im1[groupCount] = {}, re2[groupCount] = {}, im2[groupCount] = {};
    for (int i = 0; i < N; ++i)
    {
        const int t = (start + i) & (N - 1);
        const float x1 = ring1[t], x2 = ring2[t];
        const float* c = table + 2 * i * padded;
        const float* s = c + padded;
        for (int g = 0; g < groups; ++g)
        {
            Lanes cosines, sines;
            loadLanes (cosines, c + g * kLaneCount);
            loadLanes (sines, s + g * kLaneCount);
            re1[g] += x1 * cosines;
            im1[g] += x1 * sines;
            re2[g] += x2 * cosines;
            im2[g] += x2 * sines;
        }
    }
    for (int k = 0; k <= N / 2; ++k)
    {
        spectrum1[2 * k] = re1[k / kLaneCount][k % kLaneCount];
        spectrum1[2 * k + 1] = im1[k / kLaneCount][k % kLaneCount];
        spectrum2[2 * k] = re2[k / kLaneCount][k % kLaneCount];
        spectrum2[2 * k + 1] = im2[k / kLaneCount][k % kLaneCount];
    }
}

// The windowed inverse of bins 0..N/2 (the bins added in order) added into the accumulator from
// `start` on, wrapping.
template <int N>
QV_ALWAYS_INLINE void smallInverseDft (const float* __restrict spectrum, const float* __restrict table,
                                       float* __restrict accum, int start) noexcept
{
    constexpr int groups = N / kLaneCount;
    Lanes acc[static_cast<size_t> (groups)] = {};
    for (int k = 0; k <= N / 2; ++k)
    {
        const float re = spectrum[2 * k], im = spectrum[2 * k + 1];
        const float* a = table + 2 * k * N;
        const float* b = a + N;
        for (int g = 0; g < groups; ++g)
        {
            Lanes realWeights, imaginaryWeights;
            loadLanes (realWeights, a + g * kLaneCount);
            loadLanes (imaginaryWeights, b + g * kLaneCount);
            acc[g] += re * realWeights + im * imaginaryWeights;
        }
    }
    float y[static_cast<size_t> (N)];
    std::memcpy (y, acc, sizeof y);
    for (int i = 0; i < N; ++i)
        accum[(start + i) & (N - 1)] += y[i];
}

// Streams one block of one channel of a small-frame bank: per frame both rings are windowed and
// transformed, `rule (role1, role2, out)` builds the output spectrum, and its inverse is
// windowed and added, all without leaving this pass.
template <int N, typename Rule>
QV_ALWAYS_INLINE void streamSmallFrames (FrameBank& bank, FrameChannel& ch, const float* in1, const float* in2,
                                         float* out, int numSamples, Rule&& rule) noexcept
{
    float* s1 = bank.spectrum1.data();
    float* s2 = bank.spectrum2.data();
    float* so = bank.spectrumOut.data();
    const float* forward = bank.smallForward.data();
    const float* inverse = bank.smallInverse.data();
    streamFrames (bank, ch, in1, in2, out, numSamples, [&]() __attribute__ ((always_inline)) {
        smallForwardDft<N> (ch.ring1.data(), ch.ring2.data(), ch.writePos, forward, s1, s2);
        rule (static_cast<const float*> (s1), static_cast<const float*> (s2), so);
        smallInverseDft<N> (so, inverse, ch.accum.data(), ch.writePos);
    });
}

// Picks the frame size's instantiation; a bank is only marked small for these three sizes.
template <typename Rule>
QV_ALWAYS_INLINE void streamSmallFramesOfSize (FrameBank& bank, FrameChannel& ch, const float* in1,
                                               const float* in2, float* out, int numSamples, Rule&& rule) noexcept
{
    static_assert (kMaxSmallFrameOrder == 5, "one instantiation per small frame size");
    switch (bank.fftSize)
    {
        case 8: return streamSmallFrames<8> (bank, ch, in1, in2, out, numSamples, rule);
        case 16: return streamSmallFrames<16> (bank, ch, in1, in2, out, numSamples, rule);
        case 32: return streamSmallFrames<32> (bank, ch, in1, in2, out, numSamples, rule);
        default: break;
    }
}

QV_ALWAYS_INLINE void gateSmallFramesBody (FrameBank& bank, FrameChannel& ch, const float* in1, const float* in2,
                                           float* out, int numSamples, float threshold, float tilt) noexcept
{
    const int bins = bank.numBins();
    const float* positions = bank.binPositions.data();
    float* mag2 = bank.magnitudes.data();
    streamSmallFramesOfSize (bank, ch, in1, in2, out, numSamples, [&] (const float* s1, const float* s2, float* so) {
        const float peak = magnitudesAndPeakBody (s2, mag2, bins, kGateFloor);
        gateBinsBody (s1, mag2, positions, so, bins, threshold, tilt, peak);
    });
}

QV_ALWAYS_INLINE void phaseSwapSmallFramesBody (FrameBank& bank, FrameChannel& ch, const float* in1,
                                                const float* in2, float* out, int numSamples, float amount,
                                                float tilt) noexcept
{
    const int bins = bank.numBins();
    const float* positions = bank.binPositions.data();
    float* pending = bank.magnitudes.data();
    streamSmallFramesOfSize (bank, ch, in1, in2, out, numSamples, [&] (const float* s1, const float* s2, float* so) {
        if (phaseSwapPlainBinsBody (s1, s2, positions, so, pending, bins, amount, tilt) > 0)
            phaseSwapPendingBins (s1, s2, positions, pending, so, bins, amount, tilt);
    });
}

QV_ALWAYS_INLINE void interleaveSmallFramesBody (FrameBank& bank, FrameChannel& ch, const float* in1,
                                                 const float* in2, float* out, int numSamples, int groupShift,
                                                 float tilt) noexcept
{
    const int bins = bank.numBins();
    const float* positions = bank.binPositions.data();
    streamSmallFramesOfSize (bank, ch, in1, in2, out, numSamples, [&] (const float* s1, const float* s2, float* so) {
        interleaveBinsBody (s1, s2, positions, so, bins, groupShift, tilt);
    });
}

QV_ALWAYS_INLINE void vocoderSmallFramesBody (FrameBank& bank, FrameChannel& ch, float* envelope, const float* in1,
                                              const float* in2, float* out, int numSamples, float attack,
                                              float release, float tilt) noexcept
{
    const int bins = bank.numBins();
    const float* positions = bank.binPositions.data();
    streamSmallFramesOfSize (bank, ch, in1, in2, out, numSamples, [&] (const float* s1, const float* s2, float* so) {
        vocoderBinsBody (s1, s2, positions, envelope, so, bins, attack, release, tilt);
    });
}

QV_ISA_BUILDS (void, gateSmallFramesBuild,
               (FrameBank& bank, FrameChannel& ch, const float* in1, const float* in2, float* out, int numSamples,
                float threshold, float tilt) noexcept,
               { gateSmallFramesBody (bank, ch, in1, in2, out, numSamples, threshold, tilt); })
QV_ISA_BUILDS (void, phaseSwapSmallFramesBuild,
               (FrameBank& bank, FrameChannel& ch, const float* in1, const float* in2, float* out, int numSamples,
                float amount, float tilt) noexcept,
               { phaseSwapSmallFramesBody (bank, ch, in1, in2, out, numSamples, amount, tilt); })
QV_ISA_BUILDS (void, interleaveSmallFramesBuild,
               (FrameBank& bank, FrameChannel& ch, const float* in1, const float* in2, float* out, int numSamples,
                int groupShift, float tilt) noexcept,
               { interleaveSmallFramesBody (bank, ch, in1, in2, out, numSamples, groupShift, tilt); })
QV_ISA_BUILDS (void, vocoderSmallFramesBuild,
               (FrameBank& bank, FrameChannel& ch, float* envelope, const float* in1, const float* in2, float* out,
                int numSamples, float attack, float release, float tilt) noexcept,
               { vocoderSmallFramesBody (bank, ch, envelope, in1, in2, out, numSamples, attack, release, tilt); })

QV_ISA_BUILDS (void, windowRingBuild, (const float* ring, int start, const float* window, float* dest, int n) noexcept,
               { windowRingBody (ring, start, window, dest, n); })
QV_ISA_BUILDS (void, overlapAddBuild, (const float* frame, const float* window, float* accum, int start, int n) noexcept,
               { overlapAddBody (frame, window, accum, start, n); })
QV_ISA_BUILDS (void, vocoderBinsBuild,
               (const float* modulator, const float* carrier, const float* positions, float* envelope, float* out,
                int bins, float attack, float release, float tilt) noexcept,
               { vocoderBinsBody (modulator, carrier, positions, envelope, out, bins, attack, release, tilt); })
QV_ISA_BUILDS (float, magnitudesAndPeakBuild, (const float* spectrum, float* magnitudes, int bins, float floor) noexcept,
               { return magnitudesAndPeakBody (spectrum, magnitudes, bins, floor); })
QV_ISA_BUILDS (void, gateBinsBuild,
               (const float* role1, const float* magnitudes2, const float* positions, float* out, int bins,
                float threshold, float tilt, float peak) noexcept,
               { gateBinsBody (role1, magnitudes2, positions, out, bins, threshold, tilt, peak); })
QV_ISA_BUILDS (void, interleaveBinsBuild,
               (const float* role1, const float* role2, const float* positions, float* out, int bins, int groupShift,
                float tilt) noexcept,
               { interleaveBinsBody (role1, role2, positions, out, bins, groupShift, tilt); })
QV_ISA_BUILDS (void, spliceBinsBuild,
               (const float* role1, const float* role2, float* out, int half, int c, int r, int start, float invR,
                float tiltAmount) noexcept,
               { spliceBinsBody (role1, role2, out, half, c, r, start, invR, tiltAmount); })
QV_ISA_BUILDS (int, phaseSwapPlainBinsBuild,
               (const float* role1, const float* role2, const float* positions, float* out, float* pending, int bins,
                float amount, float tilt) noexcept,
               { return phaseSwapPlainBinsBody (role1, role2, positions, out, pending, bins, amount, tilt); })
} // namespace

void windowRing (const float* ring, int start, const float* window, float* dest, int n) noexcept
{
    QV_ISA_DISPATCH (windowRingBuild, (ring, start, window, dest, n))
}

void overlapAdd (const float* frame, const float* window, float* accum, int start, int n) noexcept
{
    QV_ISA_DISPATCH (overlapAddBuild, (frame, window, accum, start, n))
}

void vocoderBins (const float* modulator, const float* carrier, const float* positions, float* envelope,
                  float* out, int bins, float attack, float release, float tilt) noexcept
{
    QV_ISA_DISPATCH (vocoderBinsBuild, (modulator, carrier, positions, envelope, out, bins, attack, release, tilt))
}

float magnitudesAndPeak (const float* spectrum, float* magnitudes, int bins, float floor) noexcept
{
    QV_ISA_DISPATCH (magnitudesAndPeakBuild, (spectrum, magnitudes, bins, floor))
}

void gateBins (const float* role1, const float* magnitudes2, const float* positions, float* out, int bins,
               float threshold, float tilt, float peak) noexcept
{
    QV_ISA_DISPATCH (gateBinsBuild, (role1, magnitudes2, positions, out, bins, threshold, tilt, peak))
}

void interleaveBins (const float* role1, const float* role2, const float* positions, float* out, int bins,
                     int groupShift, float tilt) noexcept
{
    QV_ISA_DISPATCH (interleaveBinsBuild, (role1, role2, positions, out, bins, groupShift, tilt))
}

void spliceBins (const float* role1, const float* role2, float* out, int half, int c, int r, int start, float invR,
                 float tiltAmount) noexcept
{
    QV_ISA_DISPATCH (spliceBinsBuild, (role1, role2, out, half, c, r, start, invR, tiltAmount))
}

int phaseSwapPlainBins (const float* role1, const float* role2, const float* positions, float* out, float* pending,
                        int bins, float amount, float tilt) noexcept
{
    QV_ISA_DISPATCH (phaseSwapPlainBinsBuild, (role1, role2, positions, out, pending, bins, amount, tilt))
}

void gateSmallFrames (FrameBank& bank, FrameChannel& ch, const float* in1, const float* in2, float* out,
                      int numSamples, float threshold, float tilt) noexcept
{
    QV_ISA_DISPATCH (gateSmallFramesBuild, (bank, ch, in1, in2, out, numSamples, threshold, tilt))
}

void phaseSwapSmallFrames (FrameBank& bank, FrameChannel& ch, const float* in1, const float* in2, float* out,
                           int numSamples, float amount, float tilt) noexcept
{
    QV_ISA_DISPATCH (phaseSwapSmallFramesBuild, (bank, ch, in1, in2, out, numSamples, amount, tilt))
}

void interleaveSmallFrames (FrameBank& bank, FrameChannel& ch, const float* in1, const float* in2, float* out,
                            int numSamples, int groupShift, float tilt) noexcept
{
    QV_ISA_DISPATCH (interleaveSmallFramesBuild, (bank, ch, in1, in2, out, numSamples, groupShift, tilt))
}

void vocoderSmallFrames (FrameBank& bank, FrameChannel& ch, float* envelope, const float* in1, const float* in2,
                         float* out, int numSamples, float attack, float release, float tilt) noexcept
{
    QV_ISA_DISPATCH (vocoderSmallFramesBuild, (bank, ch, envelope, in1, in2, out, numSamples, attack, release, tilt))
}

void phaseSwapPendingBins (const float* role1, const float* role2, const float* positions, const float* pending,
                           float* out, int bins, float amount, float tilt) noexcept
{
    constexpr float kTwoPi = 6.2831855f;
    constexpr float kPi = 3.1415927f;
    for (int k = 0; k < bins; ++k)
    {
        if (pending[k] == 0.0f)
            continue;
        const float re1 = role1[2 * k], im1 = role1[2 * k + 1];
        const float re2 = role2[2 * k], im2 = role2[2 * k + 1];
        const float a = std::clamp ((tilt * (2.0f * positions[k] - 1.0f) + 1.0f) * amount, 0.0f, 1.0f);
        const float m1 = std::sqrt (re1 * re1 + im1 * im1);
        const float ph1 = std::atan2 (im1, re1);
        const float ph2 = std::atan2 (im2, re2);
        float d = ph2 - ph1;
        d = d - kTwoPi * std::floor ((d + kPi) / kTwoPi);
        const float ph = ph1 + a * d;
        out[2 * k] = m1 * std::cos (ph);
        out[2 * k + 1] = m1 * std::sin (ph);
    }
}
} // namespace framekernels
