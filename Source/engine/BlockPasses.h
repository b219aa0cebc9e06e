#pragma once

// Stateless passes over a block that every entry runs: the mix with its soft clip, the gains and
// the block measures. Each is built for every instruction set (SimdIsa.h) and runs the active
// build; every build gives the same bits.
namespace blockpasses
{
// x[j] *= gain.
void scale (float* x, float gain, int n) noexcept;

// The sum of |x[j]|, added in eight interleaved partial sums (so that it vectorises without
// reordering a running sum). NaN or infinity anywhere makes the sum NaN or infinite.
float magnitudeSum (const float* x, int n) noexcept;

// The largest |x[j]| (0 for no samples); NaN when any sample is NaN.
float peak (const float* x, int n) noexcept;

// The soft clip and volume after the mix:
// out[j] = ceiling * tanh (invCeiling * (s1[j] dry1[j] + s2[j] dry2[j] + fx[j] out[j])) * volume,
// with `out` holding the processed blend on entry.
struct MixGains
{
    float ceiling, invCeiling, volume;
};
void mixAndClip (const MixGains&, const float* dry1, const float* dry2, const float* fx, const float* s1,
                 const float* s2, float* out, int n) noexcept;
} // namespace blockpasses
