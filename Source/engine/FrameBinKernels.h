#pragma once

// The per-frame loops of the frame modes: windowing a ring into a frame, overlap-adding a frame
// into an accumulator, and the per-bin rules that build a mode's output spectrum from the two
// role spectra. Spectra are bins 0..bins-1 as interleaved (re, im) pairs; `positions[k]` is bin
// k's place between DC (0) and Nyquist (1), as FrameBank precomputes it.
//
// One build per instruction set (see SimdIsa.h), picked at run time. Each loop is written as the
// plain per-bin formula with branch-free selects, so the compiler can run several bins at once;
// nothing is fused or reordered, so every build gives exactly the plain formula's values and
// the same decisions (gates, bin choices) as a bin-by-bin loop.
struct FrameBank;
struct FrameChannel;

namespace framekernels
{
// The gate's peak never falls below this, so a silent role2 still leaves a zero threshold open.
inline constexpr float kGateFloor = 1.0e-10f;

// dest[i] = ring[(start + i) mod n] * window[i] for i in 0..n-1: the ring oldest sample first.
void windowRing (const float* ring, int start, const float* window, float* dest, int n) noexcept;

// accum[(start + i) mod n] += frame[i] * window[i] for i in 0..n-1.
void overlapAdd (const float* frame, const float* window, float* accum, int start, int n) noexcept;

// FFT vocoder: each modulator bin's magnitude drives its envelope (attack while rising, release
// while falling); each carrier bin keeps its phase and takes envelope x (1 + tilt x position) as
// its magnitude. A carrier bin of magnitude 1e-10 or less has no usable phase and is dropped.
void vocoderBins (const float* modulator, const float* carrier, const float* positions, float* envelope,
                  float* out, int bins, float attack, float release, float tilt) noexcept;

// Magnitudes of every bin into `magnitudes`; returns the largest of them and `floor`.
float magnitudesAndPeak (const float* spectrum, float* magnitudes, int bins, float floor) noexcept;

// Spectral Gate: role1's bin passes where role2's magnitude reaches
// max(0, (tilt x (2 x position - 1) + 1) x threshold) x peak, and is silent elsewhere.
void gateBins (const float* role1, const float* magnitudes2, const float* positions, float* out, int bins,
               float threshold, float tilt, float peak) noexcept;

// Bin Interleave with groups of 2^groupShift bins: role2's bin where
// ((k >> groupShift) & 1) + (2 x position - 1) x tilt exceeds 0.5, role1's elsewhere.
void interleaveBins (const float* role1, const float* role2, const float* positions, float* out, int bins,
                     int groupShift, float tilt) noexcept;

// Frequency Splice over bins 0..half: role1 below the crossover bin c, role2 above, crossfaded
// linearly over `r` bins from `start` (none when r < 1), the sum weighted by the tilt ramp
// max(0, (2k / half - 1) x tiltAmount + 1).
void spliceBins (const float* role1, const float* role2, float* out, int half, int c, int r, int start,
                 float invR, float tiltAmount) noexcept;

// Phase Swap's bins that need no trigonometry, with a = clamp((tilt x (2 x position - 1) + 1) x
// amount, 0, 1): role1's bin where a = 0 or it is empty; role1's magnitude on role2's phase where
// a = 1 and role2's magnitude is positive and finite. Every other bin is marked in
// `pending` (1, else 0) and left for the caller; returns how many there are.
int phaseSwapPlainBins (const float* role1, const float* role2, const float* positions, float* out,
                        float* pending, int bins, float amount, float tilt) noexcept;

// Phase Swap's other bins, those marked in `pending`: role1's magnitude on its phase moved the
// fraction a of the way (the short way round) to role2's.
void phaseSwapPendingBins (const float* role1, const float* role2, const float* positions, const float* pending,
                           float* out, int bins, float amount, float tilt) noexcept;

// Whole blocks of one channel of a bank with smallFrames set (frames of 8 to 32 samples): the
// streaming of streamFrames, with each frame windowed, transformed by the bank's direct DFT,
// given the mode's rule above and transformed back inside one pass, instead of a transform
// library call and a kernel call per frame.
void gateSmallFrames (FrameBank&, FrameChannel&, const float* in1, const float* in2, float* out, int numSamples,
                      float threshold, float tilt) noexcept;
void phaseSwapSmallFrames (FrameBank&, FrameChannel&, const float* in1, const float* in2, float* out,
                           int numSamples, float amount, float tilt) noexcept;
void interleaveSmallFrames (FrameBank&, FrameChannel&, const float* in1, const float* in2, float* out,
                            int numSamples, int groupShift, float tilt) noexcept;
// in1 is the modulator, in2 the carrier; `envelope` holds the channel's per-bin envelopes.
void vocoderSmallFrames (FrameBank&, FrameChannel&, float* envelope, const float* in1, const float* in2, float* out,
                         int numSamples, float attack, float release, float tilt) noexcept;
} // namespace framekernels
