#pragma once

// Small helpers for driving BlendProcessor's mode operations directly in tests.

#include "engine/BlendProcessor.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace harness
{
struct Records
{
    VocoderParams vocoder;
    FreqSpliceParams freqSplice;
    SpectralGateParams spectralGate;
    PhaseSwapParams phaseSwap;
    BinInterleaveParams binInterleave;
};

// An engine prepared like the processor's prepareToPlay does (channels, block size, rate, records).
inline std::unique_ptr<BlendProcessor> preparedEngine (double sampleRate = 48000.0, int channels = 1,
                                                       int blockSize = 512, const Records& r = {})
{
    auto engine = std::make_unique<BlendProcessor>();
    engine->prepare (channels, blockSize, sampleRate, r.vocoder, r.freqSplice, r.spectralGate, r.phaseSwap,
                     r.binInterleave);
    return engine;
}

// One call of a mode operation on one block: (role1, role2, out, numSamples).
using BlockFn = std::function<void (const float*, const float*, float*, int)>;

// Streams two whole signals through `run` in blocks whose sizes cycle through `blockSizes`.
inline std::vector<float> stream (const std::vector<float>& in1, const std::vector<float>& in2, const BlockFn& run,
                                  const std::vector<int>& blockSizes = { 512 })
{
    const int length = static_cast<int> (in1.size());
    std::vector<float> out (in1.size(), 0.0f);
    int start = 0;
    for (size_t b = 0; start < length; ++b)
    {
        const int len = std::min (blockSizes[b % blockSizes.size()], length - start);
        run (in1.data() + start, in2.data() + start, out.data() + start, len);
        start += len;
    }
    return out;
}

inline std::vector<float> impulse (int length, int at = 0, float value = 1.0f)
{
    std::vector<float> v (static_cast<size_t> (length), 0.0f);
    v[static_cast<size_t> (at)] = value;
    return v;
}
} // namespace harness
