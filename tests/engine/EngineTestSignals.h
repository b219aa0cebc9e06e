#pragma once

// Stereo test signals and a block-by-block driver of the whole engine, processing in place on
// Audio 1 the way the plug-in does (the output bus shares memory with the main input).

#include "EngineHarness.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace enginetest
{
using Stereo = std::array<std::vector<float>, 2>;

// One blend entry as the engine sees it.
struct Entry
{
    std::string name;
    BlendMode mode;
    MathOp op;
};

inline std::vector<Entry> allEntries()
{
    std::vector<Entry> entries;
    for (const auto& e : kBlendModeRegistry)
        entries.push_back ({ e.name, e.blendMode, e.mathOp });
    return entries;
}

// Uniform noise in -amplitude..amplitude from a small LCG, different for every channel and seed.
inline Stereo stereoNoise (int n, uint32_t seed, float amplitude = 0.5f)
{
    Stereo s;
    uint32_t state = seed * 2654435761u + 977u;
    for (auto& channel : s)
    {
        channel.resize (static_cast<size_t> (n));
        for (auto& x : channel)
        {
            state = state * 1664525u + 1013904223u;
            x = amplitude * (static_cast<float> (state >> 8) / 8388608.0f - 1.0f);
        }
    }
    return s;
}

inline Stereo stereoSilence (int n)
{
    return { std::vector<float> (static_cast<size_t> (n), 0.0f), std::vector<float> (static_cast<size_t> (n), 0.0f) };
}

// Called before each block with its index: may change the entry and the records from there on.
using BeforeBlock = std::function<void (EngineHarness&, Entry&, int block)>;

// Runs the engine over two stereo signals in blocks whose sizes cycle through `blocks`; role1 and
// dry1 are Audio 1, role2 and dry2 Audio 2, and the output overwrites Audio 1's buffer. A mono
// engine (h.channels == 1) takes the left channels and leaves the right output silent.
inline Stereo render (EngineHarness& h, Entry entry, const Stereo& audio1, const Stereo& audio2,
                      const std::vector<int>& blocks, const BeforeBlock& beforeBlock = {})
{
    const int total = static_cast<int> (audio1[0].size());
    const int channels = std::clamp (h.channels, 1, 2);
    Stereo out { std::vector<float> (audio1[0].size()), std::vector<float> (audio1[0].size()) };
    size_t b = 0;
    for (int start = 0; start < total; ++b)
    {
        if (beforeBlock)
            beforeBlock (h, entry, static_cast<int> (b));
        h.math.op = entry.op;
        const int len = std::min (blocks[b % blocks.size()], total - start);
        juce::AudioBuffer<float> io (channels, len), sidechain (channels, len);
        for (int c = 0; c < channels; ++c)
        {
            io.copyFrom (c, 0, audio1[static_cast<size_t> (c)].data() + start, len);
            sidechain.copyFrom (c, 0, audio2[static_cast<size_t> (c)].data() + start, len);
        }
        h.run (entry.mode, io, sidechain, io, sidechain, io);
        for (int c = 0; c < channels; ++c)
        {
            const float* y = io.getReadPointer (c);
            std::copy (y, y + len, out[static_cast<size_t> (c)].begin() + start);
        }
        start += len;
    }
    return out;
}

// The clip ceiling times the output gain: no output sample may exceed it.
inline double outputBound (const OutputMixParams& mix)
{
    return std::pow (10.0, mix.clipCeilingDb / 20.0) * std::pow (10.0, mix.outputVolDb / 20.0) * (1.0 + 1.0e-6);
}
} // namespace enginetest
