#pragma once

// Stateless passes over a block that every entry runs: the gains and the block measures. Each is built for every instruction set (SimdIsa.h) and runs the active
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
} // namespace blockpasses
