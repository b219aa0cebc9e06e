#include <gtest/gtest.h>

#include "EngineTestSignals.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

// A change of mode, math operation or resolution crosses over: the new setting runs unheard
// beside the old one for its latency, then a 10 ms linear crossfade hands over, starting with a
// block, together with the dry paths' latency. Settings that share state fork it at the change,
// and the new one carries on with it.

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 256;
constexpr int kFade = 480; // 10 ms

struct Setting
{
    BlendMode mode;
    MathOp op;
    int resolution;
};

// Runs `blocks` blocks of noise (Audio 1) and a sine (Audio 2), with the setting of each block
// from `settingAt`; the blend alone through a stage with every filter at its end stop, so that
// the output is a memoryless function of the blend. Returns the left channel.
std::vector<float> runBlend (int blocks, const std::function<Setting (int block)>& settingAt,
                             const std::function<void (EngineHarness&, int block)>& eachBlock = {})
{
    EngineHarness h (kRate, 2, kBlock);
    h.mix.fxLevel = 100.0f;
    h.mix.fxLowCut = 20.0f;
    h.mix.heat = 0.0f;
    h.mix.fxHiCut = 20000.0f;
    h.mix.clipCeilingDb = 0.0f;
    h.prepare();
    const auto a1 = harness::noise (blocks * kBlock, 7, 0.4f);
    const auto a2 = harness::sine (blocks * kBlock, 330.0, kRate, 0.3f);
    const auto setBlock = [&] (EngineHarness& engine, enginetest::Entry& entry, int b) {
        const Setting s = settingAt (b);
        entry.mode = s.mode;
        entry.op = s.op;
        engine.vocoder.resolution = engine.spectralGate.resolution = engine.phaseSwap.resolution
            = engine.binInterleave.resolution = s.resolution;
        if (eachBlock)
            eachBlock (engine, b);
    };
    return enginetest::render (h, { "", Math, Multiply }, { a1, a1 }, { a2, a2 }, { kBlock }, setBlock)[0];
}
} // namespace

TEST (SettingChange, SettingsThatShareStateCarryItOnAcrossTheCrossover)
{
    // Classic and Distorted Vocoder share one filter bank, the math operations one tilt filter:
    // both follow the inputs alone. Once the crossfade is over, the output is exactly that of an
    // engine that ran the new setting all along; during it, the old one still plays.
    struct Case
    {
        const char* name;
        Setting before, after;
    };
    const Case cases[] = {
        { "Classic to Distorted Vocoder", { ClassicVocoder, Multiply, 6 }, { DistortedVocoder, Multiply, 6 } },
        { "Distorted to Classic Vocoder", { DistortedVocoder, Multiply, 9 }, { ClassicVocoder, Multiply, 9 } },
        { "Multiply to Min", { Math, Multiply, 0 }, { Math, Min, 0 } },
        { "Add to XOR", { Math, Add, 0 }, { Math, Xor, 0 } },
    };
    const int blocks = 40, changeAt = 20;
    for (const auto& c : cases)
    {
        auto tilted = [] (EngineHarness& h, int) { h.math.tilt = 40.0f; };
        const auto switched = runBlend (blocks, [&] (int b) { return b < changeAt ? c.before : c.after; }, tilted);
        const auto before = runBlend (blocks, [&] (int) { return c.before; }, tilted);
        const auto after = runBlend (blocks, [&] (int) { return c.after; }, tilted);
        const int start = changeAt * kBlock; // no latency: the crossfade starts with the change
        for (int t = 0; t < blocks * kBlock; ++t)
        {
            const auto k = static_cast<size_t> (t);
            if (t < start)
                ASSERT_EQ (switched[k], before[k]) << c.name << ", sample " << t;
            else if (t >= start + kFade)
                ASSERT_EQ (switched[k], after[k]) << c.name << ", sample " << t;
        }
        // Halfway through, something of both.
        const auto mid = static_cast<size_t> (start + kFade / 2);
        EXPECT_NE (switched[mid], before[mid]) << c.name;
        EXPECT_NE (switched[mid], after[mid]) << c.name;
    }
}

TEST (SettingChange, ANewFrameSizeIsHeardOnlyOnceItsFramesHoldTheSignal)
{
    // Spectral Gate from 4096- to 256-sample frames and back. The old size plays on while the
    // new one fills for one frame (rounded up to whole blocks); then the 10 ms crossfade. In
    // the end the output is that of the new size, which started from silence at the change:
    // until the crossfade, exactly the old size's output.
    const int blocks = 120, changeAt = 40;
    struct Case
    {
        int from, to;
    };
    for (const Case c : { Case { 12, 8 }, Case { 8, 12 } })
    {
        const auto switched = runBlend (blocks, [&] (int b) {
            return Setting { SpectralGate, Multiply, b < changeAt ? c.from : c.to };
        });
        const auto old = runBlend (blocks, [&] (int) { return Setting { SpectralGate, Multiply, c.from }; });
        const auto settled = runBlend (blocks, [&] (int) { return Setting { SpectralGate, Multiply, c.to }; });
        const int fadeStart = changeAt * kBlock + ((1 << c.to) + kBlock - 1) / kBlock * kBlock;
        for (int t = 0; t < fadeStart; ++t)
            ASSERT_EQ (switched[static_cast<size_t> (t)], old[static_cast<size_t> (t)])
                << c.from << " to " << c.to << ", sample " << t;
        // Right after the crossfade the new size is heard near the level of one that ran all
        // along: its frames held the signal by then (a restart from silence would leave a gap
        // of a frame).
        double energy = 0.0, settledEnergy = 0.0;
        for (int t = fadeStart + kFade; t < fadeStart + kFade + (1 << c.to); ++t)
        {
            energy += static_cast<double> (switched[static_cast<size_t> (t)]) * switched[static_cast<size_t> (t)];
            settledEnergy += static_cast<double> (settled[static_cast<size_t> (t)]) * settled[static_cast<size_t> (t)];
        }
        EXPECT_GT (energy, 0.5 * settledEnergy) << c.from << " to " << c.to;
    }
}

TEST (SettingChange, AChangeDuringACrossoverWaitsForItsEnd)
{
    // Math (no latency) to FFT Vocoder at 2048 and, one block later, to Spectral Gate at 8:
    // the vocoder runs unheard for 2048 samples and crosses over; only then does the gate's
    // change start, so the latency told for each block follows that order.
    BlendProcessor engine;
    BlendRecords records;
    records.vocoder.resolution = records.spectralGate.resolution = 11;
    engine.prepare (2, kBlock, kRate, records);
    juce::AudioBuffer<float> io (2, kBlock);
    struct Block
    {
        BlendMode mode;
        int resolution;
        int latency;
    };
    const std::vector<Block> plan = {
        { Math, 11, 0 },         { FFTVocoder, 11, 0 },   { SpectralGate, 3, 0 }, { SpectralGate, 3, 0 },
        { SpectralGate, 3, 0 },  { SpectralGate, 3, 0 },  { SpectralGate, 3, 0 }, { SpectralGate, 3, 0 },
        { SpectralGate, 3, 0 },
        { SpectralGate, 3, 2048 }, { SpectralGate, 3, 2048 }, // the vocoder's crossfade: 480 samples
        { SpectralGate, 3, 2048 }, // the gate's change starts; its 8 samples fill in one block
        { SpectralGate, 3, 8 },    { SpectralGate, 3, 8 },
    };
    for (size_t b = 0; b < plan.size(); ++b)
    {
        const auto& block = plan[b];
        records.vocoder.resolution = records.spectralGate.resolution = block.resolution;
        EXPECT_EQ (engine.latencyOfNextBlock (block.mode, Multiply, block.resolution), block.latency) << "block " << b;
        io.clear();
        engine.processRealtime (block.mode, io, io, io, io, io, kRate, records);
    }
}
