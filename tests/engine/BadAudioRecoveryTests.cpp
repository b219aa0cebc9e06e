#include <gtest/gtest.h>

#include "EngineTestSignals.h"

#include <cmath>
#include <cstring>
#include <limits>

// Recovery from bad audio: NaN, infinite and +-1e30 samples on either input must not poison any
// mode for the rest of the session, and audio without them must come out exactly as it would
// without the guard.

using namespace enginetest;

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A run of bad samples: `pattern` repeated over [start, start + length).
struct Burst
{
    const char* name;
    std::vector<float> pattern;
    int start;
    int length;

    // First sample of the first whole block after the burst (blocks of kBlock).
    int firstBlockAfter() const { return (start + length + kBlock - 1) / kBlock * kBlock; }
};

const std::vector<Burst>& bursts()
{
    static const std::vector<Burst> list = {
        { "NaN", { kNaN }, kBlock + 100, 40 },
        { "+Inf", { kInf }, kBlock + 7, 1 },
        { "-Inf", { -kInf }, kBlock + 300, 40 },
        { "+1e30", { 1.0e30f }, kBlock + 100, 40 },
        { "-1e30", { -1.0e30f }, kBlock + 511, 2 }, // straddles a block boundary
        { "mixed, over three blocks", { kNaN, 0.3f, kInf, -1.0e30f, -kInf, 1.0e30f }, kBlock + 400, 700 },
    };
    return list;
}

enum class Where { Audio1, Audio2, Both };

const char* nameOf (Where w) { return w == Where::Audio1 ? "Audio 1" : w == Where::Audio2 ? "Audio 2" : "both"; }

void inject (Stereo& s, const Burst& b, bool bothChannels)
{
    for (size_t c = 0; c < (bothChannels ? 2u : 1u); ++c)
        for (int j = 0; j < b.length; ++j)
            s[c][static_cast<size_t> (b.start + j)] = b.pattern[static_cast<size_t> (j) % b.pattern.size()];
}

// The output stage left out of the way (every filter bypassed), dry signals mixed in.
OutputMixParams bypassedOutputStage()
{
    OutputMixParams m;
    m.fxLevel = 100.0f;
    m.sig1Level = 40.0f;
    m.sig2Level = 40.0f;
    m.fxLowCut = 20.0f;
    m.heat = 0.0f;
    m.fxHiCut = 20000.0f;
    m.clipCeilingDb = -0.3f;
    m.outputVolDb = 0.0f;
    return m;
}

// Every stage of the output chain working.
OutputMixParams activeOutputStage()
{
    OutputMixParams m;
    m.fxLevel = 90.0f;
    m.sig1Level = 25.0f;
    m.sig2Level = 15.0f;
    m.fxLowCut = 80.0f;
    m.heat = 150.0f;
    m.fxHiCut = 9000.0f;
    m.clipCeilingDb = -3.0f;
    m.outputVolDb = 6.0f;
    return m;
}

// A harness with moderate frame sizes (the recovery does not depend on them), the math modes'
// tilt on (so their low-pass states are heard) and the given mix.
void configure (EngineHarness& h, const OutputMixParams& mix, int resolution = 7)
{
    h.math.tilt = 40.0f;
    h.vocoder.resolution = resolution;
    h.spectralGate.resolution = resolution;
    h.phaseSwap.resolution = resolution;
    h.binInterleave.resolution = resolution;
    h.mix = mix;
    h.prepare();
    h.engine.setRandomSeed (1234);
}

// Probabilistic keeps no state a sample value can spoil, so it may have nothing to clear.
void expectRecovered (const EngineHarness& h, const Entry& entry)
{
    if (entry.mode != Probabilistic)
    {
        EXPECT_GT (h.engine.getRecoveryCount(), 0u);
    }
}

// Index of the first sample where two runs differ from `from` on, or -1.
int firstDifference (const std::vector<float>& a, const std::vector<float>& b, int from)
{
    for (size_t j = static_cast<size_t> (from); j < a.size(); ++j)
        if (std::memcmp (&a[j], &b[j], sizeof (float)) != 0)
            return static_cast<int> (j);
    return -1;
}

void expectFiniteAndBounded (const std::vector<float>& x, int from, double bound)
{
    for (size_t j = static_cast<size_t> (from); j < x.size(); ++j)
    {
        ASSERT_TRUE (std::isfinite (x[j])) << "sample " << j;
        ASSERT_LE (std::abs (x[j]), bound) << "sample " << j;
    }
}
} // namespace

TEST (BadAudioRecovery, AudioWithoutBadSamplesComesOutExactlyAsWithoutTheGuard)
{
    // Long noise with a hot stretch at +60 dBFS, every stage of the output chain, modulator 1
    // moving the levels and ragged block sizes: the guard must never fire, and the guarded engine
    // must match the unguarded one bit for bit.
    const int n = 48000;
    auto audio1 = stereoNoise (n, 11, 0.7f);
    auto audio2 = stereoNoise (n, 12, 0.5f);
    for (size_t c = 0; c < 2; ++c)
        for (int j = 30000; j < 36000; ++j)
            audio1[c][static_cast<size_t> (j)] *= 1000.0f;

    auto entries = allEntries();
    entries.push_back ({ "no mode (pass)", kPassMode, Multiply });
    for (const auto& entry : entries)
    {
        SCOPED_TRACE (entry.name);
        EngineHarness guarded, plain;
        for (auto* h : { &guarded, &plain })
        {
            h->steps.enabled = true;
            for (int k = 0; k < 16; ++k)
                h->steps.steps[k] = static_cast<float> ((k * 7) % 16) / 7.5f - 1.0f;
            h->steps.smoothing = 0.5f;
            h->steps.phaseIncrement = 1.0 / 24000.0;
            configure (*h, activeOutputStage(), 9);
        }
        plain.engine.setRecoveryEnabled (false);

        const std::vector<int> blocks { 512, 37, 300, 1, 128 };
        const auto a = render (guarded, entry, audio1, audio2, blocks);
        const auto b = render (plain, entry, audio1, audio2, blocks);
        EXPECT_EQ (guarded.engine.getRecoveryCount(), 0u);
        for (size_t c = 0; c < 2; ++c)
            EXPECT_EQ (firstDifference (a[c], b[c], 0), -1) << "channel " << c;
    }
}

TEST (BadAudioRecovery, AfterABurstEveryModeContinuesExactlyLikeAnUnharmedEngine)
{
    // Silence, a burst of bad samples, silence, then noise. The reference engine hears the same
    // audio without the burst. From the first block after the burst both must produce the same
    // samples: the damaged state was cleared back to what silence leaves, and nothing else moved.
    const int noiseStart = 8 * kBlock;
    const int n = noiseStart + 12 * kBlock;
    Stereo clean1 = stereoSilence (n), clean2 = stereoSilence (n);
    const auto noise1 = stereoNoise (n, 21, 0.6f), noise2 = stereoNoise (n, 22, 0.6f);
    for (size_t c = 0; c < 2; ++c)
        for (int j = noiseStart; j < n; ++j)
        {
            clean1[c][static_cast<size_t> (j)] = noise1[c][static_cast<size_t> (j)];
            clean2[c][static_cast<size_t> (j)] = noise2[c][static_cast<size_t> (j)];
        }

    for (const auto& entry : allEntries())
        for (const auto& burst : bursts())
            for (const Where where : { Where::Audio1, Where::Audio2, Where::Both })
            {
                SCOPED_TRACE (entry.name + ", " + burst.name + " on " + nameOf (where));
                Stereo bad1 = clean1, bad2 = clean2;
                if (where != Where::Audio2)
                    inject (bad1, burst, true);
                if (where != Where::Audio1)
                    inject (bad2, burst, true);

                EngineHarness damaged, reference;
                configure (damaged, bypassedOutputStage());
                configure (reference, bypassedOutputStage());
                const auto a = render (damaged, entry, bad1, bad2, { kBlock });
                const auto b = render (reference, entry, clean1, clean2, { kBlock });

                expectRecovered (damaged, entry);
                for (size_t c = 0; c < 2; ++c)
                {
                    SCOPED_TRACE ("channel " + std::to_string (c));
                    expectFiniteAndBounded (a[c], burst.firstBlockAfter(), outputBound (damaged.mix));
                    ASSERT_EQ (firstDifference (a[c], b[c], burst.firstBlockAfter()), -1);
                }
            }
}

TEST (BadAudioRecovery, DamagedOutputFiltersAreClearedToo)
{
    // Bad samples that reach the blend unbounded end up in the low cut, shelf and high cut states;
    // those are cleared as well, so the working output chain continues like an unharmed one.
    struct Case
    {
        Entry entry;
        Where where;
    };
    const Case cases[] = {
        { { "no mode (pass)", kPassMode, Multiply }, Where::Audio1 },
        { { "Sidechain Duck", SidechainDuck, Multiply }, Where::Audio2 },
        { { "Amplitude Modulation (AM)", AM, Multiply }, Where::Audio2 },
        { { "Probabilistic", Probabilistic, Multiply }, Where::Both },
    };
    const int n = 16 * kBlock;
    const auto quiet = stereoSilence (n);
    Stereo clean1 = quiet, clean2 = quiet;
    const auto noise1 = stereoNoise (n, 31), noise2 = stereoNoise (n, 32);
    for (size_t c = 0; c < 2; ++c)
        for (int j = 6 * kBlock; j < n; ++j)
        {
            clean1[c][static_cast<size_t> (j)] = noise1[c][static_cast<size_t> (j)];
            clean2[c][static_cast<size_t> (j)] = noise2[c][static_cast<size_t> (j)];
        }

    for (const auto& tc : cases)
        for (const auto& burst : bursts())
        {
            SCOPED_TRACE (tc.entry.name + ", " + burst.name);
            Stereo bad1 = clean1, bad2 = clean2;
            if (tc.where != Where::Audio2)
                inject (bad1, burst, true);
            if (tc.where != Where::Audio1)
                inject (bad2, burst, true);

            EngineHarness damaged, reference;
            configure (damaged, activeOutputStage());
            configure (reference, activeOutputStage());
            const auto a = render (damaged, tc.entry, bad1, bad2, { kBlock });
            const auto b = render (reference, tc.entry, clean1, clean2, { kBlock });
            for (size_t c = 0; c < 2; ++c)
            {
                SCOPED_TRACE ("channel " + std::to_string (c));
                ASSERT_EQ (firstDifference (a[c], b[c], burst.firstBlockAfter()), -1);
            }
        }
}

TEST (BadAudioRecovery, ABurstInOneChannelOfRunningAudioLeavesTheOtherUntouched)
{
    // Noise throughout and a long burst in the left channel of one input. The left output is
    // finite and bounded from the first block after the burst and sounds again at its usual
    // level; the right output never notices.
    const int n = 24 * kBlock;
    const auto clean1 = stereoNoise (n, 41, 0.6f), clean2 = stereoNoise (n, 42, 0.6f);
    const Burst burst = bursts().back();
    const int tail = n - 8 * kBlock; // well after every mode's latency and memory

    auto rms = [] (const std::vector<float>& x, int from) {
        double sum = 0.0;
        for (size_t j = static_cast<size_t> (from); j < x.size(); ++j)
            sum += static_cast<double> (x[j]) * x[j];
        return std::sqrt (sum / static_cast<double> (x.size() - static_cast<size_t> (from)));
    };

    for (const auto& entry : allEntries())
        for (const Where where : { Where::Audio1, Where::Audio2 })
        {
            SCOPED_TRACE (entry.name + ", burst on " + nameOf (where));
            Stereo bad1 = clean1, bad2 = clean2;
            inject (where == Where::Audio1 ? bad1 : bad2, burst, false);

            EngineHarness damaged, reference;
            configure (damaged, activeOutputStage());
            configure (reference, activeOutputStage());
            const auto a = render (damaged, entry, bad1, bad2, { kBlock });
            const auto b = render (reference, entry, clean1, clean2, { kBlock });

            expectRecovered (damaged, entry);
            EXPECT_EQ (firstDifference (a[1], b[1], 0), -1);
            expectFiniteAndBounded (a[0], burst.firstBlockAfter(), outputBound (damaged.mix));
            const double level = rms (a[0], tail), expected = rms (b[0], tail);
            EXPECT_GT (level, expected * 0.5);
            EXPECT_LT (level, expected * 2.0);
        }
}
