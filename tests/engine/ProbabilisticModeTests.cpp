#include <gtest/gtest.h>

#include "EngineHarness.h"

#include <cmath>
#include <string>

// The coin flips come from a randomly seeded generator, so statistical checks use bounds many
// standard deviations wide; everything else is checked exactly.

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

// Fraction of samples of `channel` equal to `value`.
double shareOf (const juce::AudioBuffer<float>& b, int channel, float value)
{
    int count = 0;
    for (int j = 0; j < b.getNumSamples(); ++j)
        count += b.getSample (channel, j) == value ? 1 : 0;
    return (double) count / b.getNumSamples();
}
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
            auto engine = preparedEngine (48000.0, 2, 4096);
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
    auto engine = preparedEngine (48000.0, 1, 4096);
    runInBlocksOf (*engine, role1, role2, out, probParams (0.0f, 0.0f, 0.0f, 50.0f), 1000);

    int switches = 0;
    for (int j = 0; j < n; ++j)
    {
        const float y = out.getSample (0, j);
        ASSERT_TRUE (y == 1.0f || y == -1.0f) << j;
        if (j > 0 && y != out.getSample (0, j - 1))
            ++switches;
    }
    EXPECT_NEAR (switches / (double) n, 0.5, 0.05);
}

TEST (ProbabilisticMode, HoldKeepsEachDecisionAcrossBlocksAndStereoZeroCopiesChannel0)
{
    // 1 ms at 48 kHz: channel 0 decides at samples 0, 48, 96, ... even though the blocks are 37
    // samples long. With stereo 0 % channel 1 always makes the same choice.
    const int n = 48 * 200;
    auto role1 = bufferOf ({ constant (n, 1.0f), constant (n, 2.0f) });
    auto role2 = bufferOf ({ constant (n, -1.0f), constant (n, -2.0f) });
    juce::AudioBuffer<float> out (2, n);
    auto engine = preparedEngine (48000.0, 2, 4096);
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
    EXPECT_GT (switches, 50); // about 100 of the 199 later decisions switch
}

TEST (ProbabilisticMode, LoudnessShareAndBiasSetTheOdds)
{
    // |role1| = 0.75, |role2| = 0.25: p = 0.75; a positive bias b scales p by (1 - b), a negative
    // one moves p toward 1 by -b.
    struct Case
    {
        float bias;
        double p;
    };
    const Case cases[] = { { 0.0f, 0.75 }, { 50.0f, 0.375 }, { -50.0f, 0.875 }, { 80.0f, 0.15 } };
    const int n = 40000;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.bias);
        auto role1 = bufferOf ({ constant (n, 0.75f) });
        auto role2 = bufferOf ({ constant (n, -0.25f) });
        juce::AudioBuffer<float> out (1, n);
        auto engine = preparedEngine (48000.0, 1, 4096);
        runInBlocksOf (*engine, role1, role2, out, probParams (c.bias, 0.0f, 0.0f, 0.0f), 4096);
        EXPECT_NEAR (shareOf (out, 0, 0.75f), c.p, 0.02);
        EXPECT_NEAR (shareOf (out, 0, -0.25f), 1.0 - c.p, 0.02);
    }
}

TEST (ProbabilisticMode, StereoAmountSetsHowOftenChannelsDecideAlone)
{
    // Mono roles feed both channels the same samples; a channel that decides on its own (with
    // probability stereo) disagrees with channel 0 half of the time.
    struct Case
    {
        float stereo;
        double disagreement;
    };
    const Case cases[] = { { 0.0f, 0.0 }, { 50.0f, 0.25 }, { 100.0f, 0.5 } };
    const int n = 40000;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.stereo);
        auto role1 = bufferOf ({ constant (n, 1.0f) });
        auto role2 = bufferOf ({ constant (n, -1.0f) });
        juce::AudioBuffer<float> out (2, n);
        auto engine = preparedEngine (48000.0, 2, 4096);
        runInBlocksOf (*engine, role1, role2, out, probParams (0.0f, 0.0f, c.stereo, 0.0f), 4096);
        int differ = 0;
        for (int j = 0; j < n; ++j)
            differ += out.getSample (0, j) != out.getSample (1, j) ? 1 : 0;
        EXPECT_NEAR (differ / (double) n, c.disagreement, 0.03);
        if (c.stereo == 0.0f)
        {
            EXPECT_EQ (differ, 0);
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
        auto engine = preparedEngine (48000.0, 2, 4096);
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
    auto engine = preparedEngine (48000.0, 10, 4096);
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

    auto engine = preparedEngine (48000.0, 2, 4096);
    engine->runProbabilistic (role1, role2, out, n, kRate, probParams (0.0f, 0.0f, 100.0f, 0.0f));
    for (int j = 0; j < n; ++j)
        ASSERT_TRUE (second.getSample (0, j) == 1.0f || second.getSample (0, j) == -1.0f) << j;
    EXPECT_NEAR (shareOf (second, 0, 1.0f), 0.5, 0.05);
}
