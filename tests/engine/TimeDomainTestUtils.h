#pragma once

// Shared fixtures for the tests of the time-domain blend modes: a prepared engine and a few
// deterministic test signals.

#include "engine/BlendProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace tdtest
{
constexpr double kPi = 3.14159265358979323846;

inline std::unique_ptr<BlendProcessor> makeEngine (int channels = 2, double sampleRate = 48000.0,
                                                   int maxBlockSize = 4096)
{
    auto engine = std::make_unique<BlendProcessor>();
    engine->prepare (channels, maxBlockSize, sampleRate, VocoderParams {}, FreqSpliceParams {},
                     SpectralGateParams {}, PhaseSwapParams {}, BinInterleaveParams {});
    return engine;
}

// Uniform noise in -amplitude..amplitude from a small LCG, so every run sees the same signal.
inline std::vector<float> noise (int n, uint32_t seed, float amplitude = 1.0f)
{
    std::vector<float> v (static_cast<size_t> (n));
    uint32_t state = seed * 2654435761u + 12345u;
    for (auto& x : v)
    {
        state = state * 1664525u + 1013904223u;
        const double unit = static_cast<double> (state >> 8) / static_cast<double> (1u << 24); // 0..1
        x = static_cast<float> ((2.0 * unit - 1.0) * amplitude);
    }
    return v;
}

inline std::vector<float> sine (int n, double frequency, double sampleRate, float amplitude, double phase = 0.0)
{
    std::vector<float> v (static_cast<size_t> (n));
    for (int j = 0; j < n; ++j)
        v[static_cast<size_t> (j)] =
            static_cast<float> (amplitude * std::sin (2.0 * kPi * frequency * j / sampleRate + phase));
    return v;
}

inline std::vector<float> constant (int n, float value) { return std::vector<float> (static_cast<size_t> (n), value); }

// Sample j holds the value j: what a playhead reads back tells where it was.
inline std::vector<float> indexRamp (int n)
{
    std::vector<float> v (static_cast<size_t> (n));
    for (int j = 0; j < n; ++j)
        v[static_cast<size_t> (j)] = static_cast<float> (j);
    return v;
}

// Sum of two signals, sample by sample.
inline std::vector<float> plus (std::vector<float> a, const std::vector<float>& b)
{
    for (size_t j = 0; j < a.size() && j < b.size(); ++j)
        a[j] += b[j];
    return a;
}

// Runs a per-channel operation over a signal in consecutive blocks of the given sizes (the last
// size repeats until the signal ends).
template <typename Run>
std::vector<float> runInBlocks (Run&& run, const std::vector<float>& role1, const std::vector<float>& role2,
                                const std::vector<int>& blockSizes)
{
    std::vector<float> out (role1.size(), 0.0f);
    const int total = static_cast<int> (role1.size());
    size_t b = 0;
    for (int start = 0; start < total;)
    {
        const int len = std::min (blockSizes[std::min (b, blockSizes.size() - 1)], total - start);
        run (role1.data() + start, role2.data() + start, out.data() + start, len);
        start += len;
        ++b;
    }
    return out;
}
} // namespace tdtest
