#include <gtest/gtest.h>

#include "EngineHarness.h"

#include <algorithm>
#include <cmath>
#include <vector>

// The dry signals and the pass-through are held back by the mode's latency. When the latency
// changes, they cross over from the old read point to the new one in a 10 ms fade instead of
// jumping: a latency that grows would replay what was just heard, one that shrinks would skip
// audio.

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 256;
constexpr int kFade = 480; // 10 ms at 48 kHz

// Latencies of the entries used here: Math has none, FM and Scrub 1024, the frame modes one frame.
struct Change
{
    BlendMode before, after;
    int resolutionBefore, resolutionAfter;
    int latencyBefore, latencyAfter;
};
const Change kChanges[] = {
    { Math, FFTVocoder, 7, 12, 0, 4096 },
    { SpectralGate, SpectralGate, 12, 3, 4096, 8 },
    { FM, PhaseSwap, 7, 11, 1024, 2048 },
};

enum class DryPath
{
    engine,      // Signal 1 alone through the running engine
    passThrough  // no sidechain: Audio 1 passes through
};

// Runs `blocks` blocks of `input` (channel 0 and 1 alike) with the change at block `changeAt`;
// returns channel 0 of the output.
std::vector<float> run (const Change& c, DryPath path, const std::vector<float>& input, int changeAt)
{
    EngineHarness h (kRate, 2, kBlock);
    h.mix.fxLevel = 0.0f;
    h.mix.sig1Level = 100.0f;
    h.mix.clipCeilingDb = 0.0f;
    h.mix.fxHiCut = 20000.0f;
    std::vector<float> out;
    const int blocks = static_cast<int> (input.size()) / kBlock;
    for (int b = 0; b < blocks; ++b)
    {
        const bool after = b >= changeAt;
        h.vocoder.resolution = h.spectralGate.resolution = h.phaseSwap.resolution = h.binInterleave.resolution
            = after ? c.resolutionAfter : c.resolutionBefore;
        juce::AudioBuffer<float> in (2, kBlock), o (2, kBlock);
        for (int ch = 0; ch < 2; ++ch)
            std::copy (input.begin() + b * kBlock, input.begin() + (b + 1) * kBlock, in.getWritePointer (ch));
        const int latency = h.engine.getRealtimeLatencySamples (after ? c.after : c.before, h.vocoder.resolution);
        EXPECT_EQ (latency, after ? c.latencyAfter : c.latencyBefore);
        if (path == DryPath::passThrough)
            h.engine.passThrough (in, o, latency);
        else
            h.engine.processRealtime (after ? c.after : c.before, in, in, in, in, o, kRate, h.records());
        out.insert (out.end(), o.getReadPointer (0), o.getReadPointer (0) + kBlock);
    }
    return out;
}
} // namespace

TEST (DryLatencyFade, TheReadPointCrossesOverInAStraightLine)
{
    // Sample k of the input holds k / 2^16: each output sample tells where it was read. During
    // the fade the output is old + (new - old) * i / 480, read i samples into the fade at both
    // the old and the new delay; before it the old delay alone, after it the new one.
    // In the running engine the new mode is heard, and the dry paths move, only once its
    // latency has passed (rounded up to whole blocks): then its frames hold the signal.
    const int blocks = 60, changeAt = 30;
    std::vector<float> input (static_cast<size_t> (blocks * kBlock));
    for (size_t k = 0; k < input.size(); ++k)
        input[k] = static_cast<float> (k) / 65536.0f;
    for (const auto& c : kChanges)
        for (const auto path : { DryPath::engine, DryPath::passThrough })
        {
            const auto out = run (c, path, input, changeAt);
            const int fadeStart = changeAt * kBlock
                                  + (path == DryPath::engine ? (c.latencyAfter + kBlock - 1) / kBlock * kBlock : 0);
            for (int t = fadeStart - 100; t < fadeStart + kFade + 100; ++t)
            {
                auto at = [&] (int delay) { return t >= delay ? input[static_cast<size_t> (t - delay)] : 0.0f; };
                const int i = t - fadeStart;
                float expected = at (i < 0 ? c.latencyBefore : c.latencyAfter);
                if (i >= 0 && i < kFade)
                {
                    const float a = at (c.latencyBefore), b = at (c.latencyAfter);
                    expected = a + (b - a) * (static_cast<float> (i) / static_cast<float> (kFade));
                }
                // The engine's soft clip at 0 dB: tanh of the dry sample.
                if (path == DryPath::engine)
                    expected = std::tanh (expected);
                ASSERT_NEAR (out[static_cast<size_t> (t)], expected, 2e-6f)
                    << (path == DryPath::engine ? "engine" : "pass-through") << " from latency " << c.latencyBefore
                    << " to " << c.latencyAfter << ", sample " << t;
            }
        }
}

TEST (DryLatencyFade, ALatencyChangeAddsNoStepToASmoothSignal)
{
    // A 220 Hz sine: the largest step between two samples with the latency changing stays
    // within twice the sine's own (where a jump of read point would make a step up to its
    // peak-to-peak size).
    const int blocks = 60, changeAt = 30;
    std::vector<float> input (static_cast<size_t> (blocks * kBlock));
    for (size_t k = 0; k < input.size(); ++k)
        input[k] = 0.4f * static_cast<float> (std::sin (2.0 * harness::kPi * 220.0 * static_cast<double> (k) / kRate));
    float sineStep = 0.0f;
    for (size_t k = 1; k < input.size(); ++k)
        sineStep = std::max (sineStep, std::abs (input[k] - input[k - 1]));

    for (const auto& c : kChanges)
        for (const auto path : { DryPath::engine, DryPath::passThrough })
        {
            const auto out = run (c, path, input, changeAt);
            float largest = 0.0f;
            // From where the old delay already carries the sine.
            for (size_t k = static_cast<size_t> (c.latencyBefore + 1); k < out.size(); ++k)
                largest = std::max (largest, std::abs (out[k] - out[k - 1]));
            EXPECT_LE (largest, 2.0f * sineStep) << (path == DryPath::engine ? "engine" : "pass-through")
                                                 << " from latency " << c.latencyBefore << " to " << c.latencyAfter;
        }
}
