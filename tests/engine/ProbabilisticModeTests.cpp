#include <gtest/gtest.h>

#include "EngineHarness.h"

#include <cmath>
#include <memory>
#include <string>

// Every engine here draws its coin flips from a generator with a fixed seed, so a failure
// reproduces. The statistical checks compare the share of n independent decisions that went one
// way, each with probability q, with q itself. That share has the standard deviation
// sqrt(q (1 - q) / n), and the checks allow 4.5 of them: a correct engine stays inside for all
// but about 7 seeds in a million. Over the 100000 decisions of the bias cases the bound is 0.0069
// at q = 0.375, so a coin off by 0.015 is caught even by a draw that happens to lean 5 standard
// deviations the other way. Everything else is checked exactly.

using namespace harness;

namespace
{
constexpr double kRate = 48000.0;

ProbabilisticParams probParams (float bias, float hold, float stereo, float crossfade)
{
    ProbabilisticParams p;
    p.bias = bias;
    p.hold = hold;
    p.stereo = stereo;
    p.crossfade = crossfade;
    return p;
}

// A buffer whose channel c holds the signal channels[c].
juce::AudioBuffer<float> bufferOf (const std::vector<std::vector<float>>& channels)
{
    juce::AudioBuffer<float> b ((int) channels.size(), (int) channels[0].size());
    for (int c = 0; c < b.getNumChannels(); ++c)
        for (int j = 0; j < b.getNumSamples(); ++j)
            b.setSample (c, j, channels[(size_t) c][(size_t) j]);
    return b;
}

juce::AudioBuffer<float> sliceOf (juce::AudioBuffer<float>& b, int start, int length)
{
    return juce::AudioBuffer<float> (b.getArrayOfWritePointers(), b.getNumChannels(), start, length);
}

// Runs the whole buffers through the mode in consecutive blocks of `block` samples.
void runInBlocksOf (BlendProcessor& engine, juce::AudioBuffer<float>& role1, juce::AudioBuffer<float>& role2,
                    juce::AudioBuffer<float>& out, const ProbabilisticParams& p, int block)
{
    const int n = out.getNumSamples();
    for (int start = 0; start < n; start += block)
    {
        const int len = std::min (block, n - start);
        auto r1 = sliceOf (role1, start, len);
        auto r2 = sliceOf (role2, start, len);
        auto o = sliceOf (out, start, len);
        engine.runProbabilistic (r1, r2, o, len, kRate, p);
    }
}

// An engine prepared like the processor's, with its coin flips drawn from a fixed sequence.
std::unique_ptr<BlendProcessor> seededEngine (int channels, juce::int64 seed)
{
    auto engine = preparedEngine (kRate, channels, 4096);
    engine->setRandomSeed (seed);
    return engine;
}

// The widest distance a share of n independent decisions, each taken with probability q,
// keeps from q for a correct engine: 4.5 standard deviations of the binomial proportion.
double shareBound (double q, int n)
{
    return 4.5 * std::sqrt (q * (1.0 - q) / n);
}

// The probability of role1 from the two role samples and the bias in percent: the loudness
// share |r1| / (|r1| + |r2|), scaled down by a positive bias b, moved up toward 1 by a negative one.
double role1Probability (double r1, double r2, double biasPercent)
{
    const double share = std::abs (r1) / (std::abs (r1) + std::abs (r2));
    const double b = biasPercent / 100.0;
    return b >= 0.0 ? share * (1.0 - b) : share + (1.0 - share) * -b;
}

// Fraction of samples of `channel` equal to `value`.
double shareOf (const juce::AudioBuffer<float>& b, int channel, float value)
{
    int count = 0;
    for (int j = 0; j < b.getNumSamples(); ++j)
        count += b.getSample (channel, j) == value ? 1 : 0;
    return (double) count / b.getNumSamples();
}

// The mode as the plain loop: every channel, every sample, with the same coin flips. The engine
// is held to it exactly.
struct ProbabilisticPlainLoop
{
    juce::Random random;
    uint8_t choice[8] = {}, independent[8] = {}, previous[8] = {};
    int hold[8] = {}, fade[8] = {}, fadeLength[8] = {};

    explicit ProbabilisticPlainLoop (juce::int64 seed) : random (seed) {}

    void process (const juce::AudioBuffer<float>& r1, const juce::AudioBuffer<float>& r2, juce::AudioBuffer<float>& out,
                  const ProbabilisticParams& p)
    {
        const float fs = (float) kRate;
        auto samples = [fs] (float ms) {
            const float x = ms * fs * 0.001f;
            return x > 0.0f ? (int) std::lround (x) : 0;
        };
        const float bias = p.bias / 100.0f, stereo = p.stereo / 100.0f;
        const int holdSamples = samples (p.hold);
        const int fadeSamples = std::min (holdSamples / 2, samples (p.crossfade));
        const int nc = out.getNumChannels();
        std::vector<float> x1 ((size_t) nc), x2 ((size_t) nc);

        auto decide = [&] (int i) -> uint8_t {
            const float a1 = std::abs (x1[(size_t) i]), a2 = std::abs (x2[(size_t) i]);
            float q = a1 / (a2 + a1 + 1.0e-12f);
            if (bias > 0.0f)
                q = q * (1.0f - bias);
            else if (bias < 0.0f)
                q = q + (1.0f - q) * (-bias);
            return random.nextFloat() >= q ? 1 : 0;
        };
        auto switchTo = [&] (int i, uint8_t next) {
            if (next != choice[i] && fadeSamples > 0)
            {
                previous[i] = choice[i];
                fade[i] = fadeLength[i] = fadeSamples;
            }
            choice[i] = next;
        };

        for (int j = 0; j < out.getNumSamples(); ++j)
        {
            for (int i = 0; i < nc; ++i)
            {
                x1[(size_t) i] = r1.getSample (i, j);
                x2[(size_t) i] = r2.getSample (i, j);
            }
            if (hold[0] < 1)
            {
                switchTo (0, decide (0));
                hold[0] = holdSamples;
                for (int i = 1; i < nc; ++i)
                {
                    independent[i] = random.nextFloat() < stereo ? 1 : 0;
                    switchTo (i, independent[i] != 0 ? decide (i) : choice[0]);
                    hold[i] = independent[i] != 0 ? holdSamples : hold[0];
                }
            }
            else
            {
                for (int i = 1; i < nc; ++i)
                    if (independent[i] != 0 && hold[i] < 1)
                    {
                        switchTo (i, decide (i));
                        hold[i] = holdSamples;
                    }
            }
            for (int i = 0; i < nc; ++i)
            {
                const float s = choice[i] == 0 ? x1[(size_t) i] : x2[(size_t) i];
                if (fade[i] < 1 || fadeLength[i] < 1)
                {
                    out.setSample (i, j, s);
                }
                else
                {
                    const float t = (1.0f - (float) fade[i] / (float) fadeLength[i]) * 1.5707964f;
                    const float old = previous[i] == 0 ? x1[(size_t) i] : x2[(size_t) i];
                    out.setSample (i, j, std::cos (t) * old + std::sin (t) * s);
                    --fade[i];
                }
            }
            for (int i = 0; i < nc; ++i)
                if (hold[i] > 0)
                    --hold[i];
        }
    }
};
} // namespace

TEST (ProbabilisticMode, FullBiasPicksOneRoleOnly)
{
    // Bias +100 % makes the role1 probability 0; -100 % makes it 1 (the draw is always below 1).
    const int n = 3000;
    for (const float bias : { 100.0f, -100.0f })
        for (const float hold : { 0.0f, 5.0f })
        {
            SCOPED_TRACE ("bias " + std::to_string (bias) + " hold " + std::to_string (hold));
            auto role1 = bufferOf ({ noise (n, 91), noise (n, 92) });
            auto role2 = bufferOf ({ noise (n, 93), noise (n, 94) });
            juce::AudioBuffer<float> out (2, n);
            auto engine = seededEngine (2, 6);
            runInBlocksOf (*engine, role1, role2, out, probParams (bias, hold, 100.0f, 0.0f), 512);
            const auto& expected = bias > 0.0f ? role2 : role1;
            for (int c = 0; c < 2; ++c)
                for (int j = 0; j < n; ++j)
                    ASSERT_EQ (out.getSample (c, j), expected.getSample (c, j)) << c << ", " << j;
        }
}

TEST (ProbabilisticMode, HoldZeroDecidesEverySampleWithoutCrossfade)
{
    // Equal loudness: each sample is a fair coin. The 50 ms crossfade is cut to half of a zero
    // hold, so every sample is exactly one source.
    const int n = 20000;
    auto role1 = bufferOf ({ constant (n, 1.0f) });
    auto role2 = bufferOf ({ constant (n, -1.0f) });
    juce::AudioBuffer<float> out (1, n);
    auto engine = seededEngine (1, 1);
    runInBlocksOf (*engine, role1, role2, out, probParams (0.0f, 0.0f, 0.0f, 50.0f), 1000);

    int switches = 0;
    for (int j = 0; j < n; ++j)
    {
        const float y = out.getSample (0, j);
        ASSERT_TRUE (y == 1.0f || y == -1.0f) << j;
        if (j > 0 && y != out.getSample (0, j - 1))
            ++switches;
    }
    // Two neighbours of n independent fair flips differ with probability 1/2, and the n - 1
    // differences are themselves independent fair flips (a fair flip XOR anything independent
    // of it is fair). A decision only every other sample would switch a quarter of the time.
    EXPECT_NEAR (switches / (double) (n - 1), 0.5, shareBound (0.5, n - 1));
}

TEST (ProbabilisticMode, HoldKeepsEachDecisionAcrossBlocksAndStereoZeroCopiesChannel0)
{
    // 1 ms at 48 kHz: channel 0 decides at samples 0, 48, 96, ... even though the blocks are 37
    // samples long. With stereo 0 % channel 1 always makes the same choice.
    const int n = 48 * 200;
    auto role1 = bufferOf ({ constant (n, 1.0f), constant (n, 2.0f) });
    auto role2 = bufferOf ({ constant (n, -1.0f), constant (n, -2.0f) });
    juce::AudioBuffer<float> out (2, n);
    auto engine = seededEngine (2, 2);
    runInBlocksOf (*engine, role1, role2, out, probParams (0.0f, 1.0f, 0.0f, 0.0f), 37);

    int switches = 0;
    for (int j = 0; j < n; ++j)
    {
        ASSERT_EQ (out.getSample (1, j), 2.0f * out.getSample (0, j)) << j;
        if (j > 0 && out.getSample (0, j) != out.getSample (0, j - 1))
        {
            ++switches;
            ASSERT_EQ (j % 48, 0) << j;
        }
    }
    // Each of the 199 decisions after the first is a fair flip, which switches half of the time.
    const int decisions = n / 48 - 1;
    EXPECT_NEAR (switches / (double) decisions, 0.5, shareBound (0.5, decisions));
}

TEST (ProbabilisticMode, LoudnessShareAndBiasSetTheOdds)
{
    // |role1| = 0.75, |role2| = 0.25: p = 0.75 without bias; +50 % gives 0.375, -50 % 0.875,
    // +80 % 0.15. With no hold every sample is one decision.
    const int n = 100000;
    for (const float bias : { 0.0f, 50.0f, -50.0f, 80.0f })
    {
        const double p = role1Probability (0.75, -0.25, bias);
        SCOPED_TRACE ("bias " + std::to_string (bias) + ", p " + std::to_string (p));
        auto role1 = bufferOf ({ constant (n, 0.75f) });
        auto role2 = bufferOf ({ constant (n, -0.25f) });
        juce::AudioBuffer<float> out (1, n);
        auto engine = seededEngine (1, 3);
        runInBlocksOf (*engine, role1, role2, out, probParams (bias, 0.0f, 0.0f, 0.0f), 4096);
        const double role1Share = shareOf (out, 0, 0.75f);
        EXPECT_NEAR (role1Share, p, shareBound (p, n));
        EXPECT_NEAR (shareOf (out, 0, -0.25f), 1.0 - role1Share, 1.0e-12) << "samples from neither role";
    }
}

TEST (ProbabilisticMode, StereoAmountSetsHowOftenChannelsDecideAlone)
{
    // Mono roles feed both channels the same samples. With no hold, at every sample channel 1
    // decides on its own with probability s (the stereo amount) and then, from a fair coin of
    // its own, disagrees with channel 0 half of the time: disagreement s / 2 per sample.
    const int n = 40000;
    for (const float stereo : { 0.0f, 50.0f, 100.0f })
    {
        SCOPED_TRACE (stereo);
        auto role1 = bufferOf ({ constant (n, 1.0f) });
        auto role2 = bufferOf ({ constant (n, -1.0f) });
        juce::AudioBuffer<float> out (2, n);
        auto engine = seededEngine (2, 4);
        runInBlocksOf (*engine, role1, role2, out, probParams (0.0f, 0.0f, stereo, 0.0f), 4096);
        int differ = 0;
        for (int j = 0; j < n; ++j)
            differ += out.getSample (0, j) != out.getSample (1, j) ? 1 : 0;
        const double disagreement = stereo / 100.0 / 2.0;
        if (stereo == 0.0f)
        {
            EXPECT_EQ (differ, 0);
        }
        else
        {
            EXPECT_NEAR (differ / (double) n, disagreement, shareBound (disagreement, n));
        }
    }
}

TEST (ProbabilisticMode, CrossfadeIsEqualPowerAndAtMostHalfTheHold)
{
    // The engine starts on role1; with bias +100 % the first decision switches to role2 and the
    // fade runs over L samples: out = cos(t) x role1 + sin(t) x role2, t = (j / L) x pi / 2.
    struct Case
    {
        float holdMs, crossfadeMs;
        int fadeLength; // at 48 kHz
    };
    const Case cases[] = {
        { 2.0f, 50.0f, 48 },  // 50 ms cut to half of 96 samples
        { 10.0f, 1.0f, 48 },  // shorter than half the hold: kept
        { 1.0f, 0.5f, 24 },   // exactly half the hold
        { 0.0f, 50.0f, 0 },   // no hold, no fade
        { 5.0f, 0.0f, 0 },
    };
    const int n = 2000;
    for (const auto& c : cases)
    {
        SCOPED_TRACE ("hold " + std::to_string (c.holdMs) + " crossfade " + std::to_string (c.crossfadeMs));
        auto role1 = bufferOf ({ constant (n, 1.0f), constant (n, 1.0f) });
        auto role2 = bufferOf ({ constant (n, 0.5f), constant (n, 0.5f) });
        juce::AudioBuffer<float> out (2, n);
        auto engine = seededEngine (2, 7);
        runInBlocksOf (*engine, role1, role2, out, probParams (100.0f, c.holdMs, 100.0f, c.crossfadeMs), 29);
        for (int ch = 0; ch < 2; ++ch)
            for (int j = 0; j < n; ++j)
            {
                double expected = 0.5;
                if (j < c.fadeLength)
                {
                    const double t = (double) j / c.fadeLength * kPi / 2.0;
                    expected = std::cos (t) * 1.0 + std::sin (t) * 0.5;
                }
                ASSERT_NEAR (out.getSample (ch, j), expected, 1e-6) << ch << ", " << j;
            }
    }
}

TEST (ProbabilisticMode, WritesAtMostEightChannelsAndNothingWithoutBuffers)
{
    const int n = 256;
    auto role1 = bufferOf ({ noise (n, 95), noise (n, 96) });
    auto role2 = bufferOf ({ noise (n, 97), noise (n, 98) });
    const auto p = probParams (-100.0f, 2.0f, 50.0f, 0.0f);

    juce::AudioBuffer<float> wide (10, n);
    for (int c = 0; c < 10; ++c)
        juce::FloatVectorOperations::fill (wide.getWritePointer (c), 7.0f, n);
    auto engine = seededEngine (10, 8);
    engine->runProbabilistic (role1, role2, wide, n, kRate, p);
    for (int c = 0; c < 10; ++c)
        for (int j = 0; j < n; ++j)
            ASSERT_EQ (wide.getSample (c, j), c < 8 ? role1.getSample (std::min (c, 1), j) : 7.0f) << c << ", " << j;

    juce::AudioBuffer<float> none;
    juce::AudioBuffer<float> out (2, n);
    for (int c = 0; c < 2; ++c)
        juce::FloatVectorOperations::fill (out.getWritePointer (c), 7.0f, n);
    engine->runProbabilistic (none, role2, out, n, kRate, p);
    engine->runProbabilistic (role1, none, out, n, kRate, p);
    engine->runProbabilistic (role1, role2, out, 0, kRate, p);
    engine->runProbabilistic (role1, role2, none, n, kRate, p);
    for (int c = 0; c < 2; ++c)
        for (int j = 0; j < n; ++j)
            ASSERT_EQ (out.getSample (c, j), 7.0f);
}

TEST (ProbabilisticMode, OutputSharingTheMonoRoleStillReadsItsOriginalSamples)
{
    // Output channel 0 is the memory of the mono role1, which channel 1 reads too. Channel 1 must
    // see role1 as it was (+1), not channel 0's result, so it picks +1 half of the time.
    const int n = 20000;
    auto role1 = bufferOf ({ constant (n, 1.0f) });
    auto role2 = bufferOf ({ constant (n, -1.0f) });
    juce::AudioBuffer<float> second (1, n);
    float* channels[] = { role1.getWritePointer (0), second.getWritePointer (0) };
    juce::AudioBuffer<float> out (channels, 2, n);

    auto engine = seededEngine (2, 5);
    engine->runProbabilistic (role1, role2, out, n, kRate, probParams (0.0f, 0.0f, 100.0f, 0.0f));
    for (int j = 0; j < n; ++j)
        ASSERT_TRUE (second.getSample (0, j) == 1.0f || second.getSample (0, j) == -1.0f) << j;
    // Read after channel 0 wrote -1 into it, role1 would give channel 1 +1 only a quarter of the time.
    EXPECT_NEAR (shareOf (second, 0, 1.0f), 0.5, shareBound (0.5, n));
}

TEST (ProbabilisticMode, MatchesThePlainLoopExactly)
{
    // Between decisions the engine writes runs; the decisions, holds and crossfades must fall on
    // exactly the samples where the plain loop has them, over blocks that split holds and fades.
    const ProbabilisticParams settings[] = {
        probParams (0.0f, 5.0f, 100.0f, 0.0f),
        probParams (30.0f, 2.0f, 50.0f, 1.0f),
        probParams (-60.0f, 0.0f, 50.0f, 3.0f),
        probParams (0.0f, 1.0f, 0.0f, 0.5f),
        probParams (0.0f, 0.1f, 70.0f, 0.05f),
    };
    const int n = 6000, channels = 3;
    const auto role1 = bufferOf ({ noise (n, 130, 0.8f), noise (n, 131, 0.3f), noise (n, 132, 0.6f) });
    const auto role2 = bufferOf ({ noise (n, 133, 0.5f), noise (n, 134, 0.9f), noise (n, 135, 0.2f) });
    for (const auto& p : settings)
    {
        SCOPED_TRACE ("bias " + std::to_string (p.bias) + " hold " + std::to_string (p.hold) + " stereo "
                      + std::to_string (p.stereo) + " crossfade " + std::to_string (p.crossfade));
        auto engine = seededEngine (channels, 17);
        auto r1 = role1, r2 = role2;
        juce::AudioBuffer<float> out (channels, n);
        int start = 0;
        for (size_t b = 0; start < n; ++b)
        {
            const int blocks[] = { 37, 1, 600, 250 };
            const int len = std::min (blocks[b % std::size (blocks)], n - start);
            auto a = sliceOf (r1, start, len), c = sliceOf (r2, start, len), o = sliceOf (out, start, len);
            engine->runProbabilistic (a, c, o, len, kRate, p);
            start += len;
        }

        juce::AudioBuffer<float> expected (channels, n);
        ProbabilisticPlainLoop plain (17);
        plain.process (role1, role2, expected, p);
        for (int c = 0; c < channels; ++c)
            for (int j = 0; j < n; ++j)
                ASSERT_EQ (out.getSample (c, j), expected.getSample (c, j)) << "channel " << c << ", " << j;
    }
}
