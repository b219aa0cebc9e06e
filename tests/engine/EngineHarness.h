#pragma once

// The one way the engine tests build and drive a prepared engine, and the signals they feed it.
// - EngineHarness: the whole engine (processRealtime) with its block records, as the processor
//   runs it; change a record, call run.
// - harness::preparedEngine: an engine prepared like prepareToPlay does, for tests that call a
//   mode's operation directly; harness::stream feeds such an operation in blocks.

#include "engine/BlendProcessor.h"
#include "engine/SimdIsa.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace harness
{
constexpr double kPi = 3.14159265358979323846;

// Every instruction-set build this CPU can run: tests that compare builds run each of them.
inline std::vector<simd::Isa> supportedIsas()
{
    std::vector<simd::Isa> isas;
    for (const simd::Isa isa : simd::kAllIsas)
        if (simd::isSupported (isa))
            isas.push_back (isa);
    return isas;
}

// Runs the engine's passes with one build until the end of the scope.
using ScopedIsa = simd::ScopedIsa;

// An engine prepared like the processor's prepareToPlay does (rate, channels, block size and the
// records that choose the frame banks' resolutions).
inline std::unique_ptr<BlendProcessor> preparedEngine (double sampleRate = 48000.0, int channels = 1,
                                                       int blockSize = 512, const BlendRecords& records = {})
{
    auto engine = std::make_unique<BlendProcessor>();
    engine->prepare (channels, blockSize, sampleRate, records);
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
} // namespace harness

// A prepared engine with every block record at hand (the records are this object's own
// members: h.mix.fxLevel = 50; h.run (...)).
struct EngineHarness : BlendRecords
{
    BlendProcessor engine;
    double sampleRate = 48000.0;
    int channels = 2;
    int maxBlock = 512;

    EngineHarness (double rate = 48000.0, int numChannels = 2, int blockSize = 512)
        : sampleRate (rate), channels (numChannels), maxBlock (blockSize)
    {
        prepare();
    }

    const BlendRecords& records() const noexcept { return *this; }

    void prepare() { engine.prepare (channels, maxBlock, sampleRate, records()); }

    // Runs one block; role1/role2/dry1/dry2 are separate buffers unless the caller aliases them.
    void run (BlendMode mode, const juce::AudioBuffer<float>& role1, const juce::AudioBuffer<float>& role2,
              const juce::AudioBuffer<float>& dry1, const juce::AudioBuffer<float>& dry2,
              juce::AudioBuffer<float>& out)
    {
        engine.processRealtime (mode, role1, role2, dry1, dry2, out, sampleRate, records());
    }
};

inline juce::AudioBuffer<float> constantBuffer (int channels, int samples, float value)
{
    juce::AudioBuffer<float> b (channels, samples);
    for (int c = 0; c < channels; ++c)
        juce::FloatVectorOperations::fill (b.getWritePointer (c), value, samples);
    return b;
}

inline juce::AudioBuffer<float> sineBuffer (int channels, int samples, double freq, double rate, float amplitude)
{
    juce::AudioBuffer<float> b (channels, samples);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            b.setSample (c, i, amplitude * static_cast<float> (std::sin (2.0 * M_PI * freq * i / rate)));
    return b;
}

// Amplitude of the component at `freq` in samples [start, start + count), by correlation with a
// sine and cosine; count should span whole periods.
inline double toneAmplitude (const float* x, int start, int count, double freq, double rate)
{
    double s = 0.0, c = 0.0;
    for (int i = start; i < start + count; ++i)
    {
        const double ph = 2.0 * M_PI * freq * i / rate;
        s += x[i] * std::sin (ph);
        c += x[i] * std::cos (ph);
    }
    return 2.0 * std::sqrt (s * s + c * c) / count;
}

// A mode value the engine does not know: the blend is a plain copy of role 1 with gain 1, which
// isolates the output stage and the mix.
inline constexpr BlendMode kPassMode = static_cast<BlendMode> (0);
