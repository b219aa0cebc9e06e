// The engine's passes are built once per instruction set and the fastest one the CPU has runs.
// Whatever the machine, the output must be the same: every build the CPU runs gives the baseline
// build's output bit for bit, for every blend entry, still and with everything moving: both
// modulators (modulator 2 steps each entry's first dial, so the frame modes also change
// resolution) and host automation of the output stage, whose dials then glide.

#include <gtest/gtest.h>

#include "engine/SimdIsa.h"
#include "params/ParamIDs.h"
#include "ProcessorTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kMaxBlock = 1024;
constexpr int kLength = 72000; // 1.5 s: twelve steps of modulator 1 at 120 BPM

// Block sizes that leave every vector length a tail to finish.
const int kBlocks[] = { 512, 333, 64, 1, 1024, 77 };

// Stereo material with quiet passages, louder than full scale in places, and different channels.
juce::AudioBuffer<float> material (int seed)
{
    juce::AudioBuffer<float> b (2, kLength);
    juce::Random r (seed);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kLength; ++i)
        {
            const double t = i / kRate;
            const float tone = static_cast<float> (0.6 * std::sin (2.0 * M_PI * (110.0 + 70.0 * seed + 3.0 * c) * t));
            const float level = (i / 6000) % 4 == 3 ? 0.001f : (i / 6000) % 4 == 1 ? 1.6f : 0.8f;
            b.setSample (c, i, level * (tone + 0.3f * (2.0f * r.nextFloat() - 1.0f)));
        }
    return b;
}

// Slow host automation of the output stage's dials, read at each block's first sample.
void automateOutputStage (HostedProcessor& host, int start)
{
    const float t = static_cast<float> (start / kRate);
    const float wave = std::sin (6.0f * t), slow = std::sin (2.3f * t + 1.0f);
    host.setRaw (ParamIDs::outputVolDb, -6.0f + 5.0f * wave);
    host.setRaw (ParamIDs::clipCeilingDb, -4.0f + 3.5f * slow);
    host.setRaw (ParamIDs::sig1Level, 30.0f + 25.0f * slow);
    host.setRaw (ParamIDs::sig2Level, 30.0f - 25.0f * wave);
    host.setRaw (ParamIDs::fxLowCut, 300.0f + 280.0f * wave);
    host.setRaw (ParamIDs::heat, 100.0f + 90.0f * slow);
    host.setRaw (ParamIDs::fxHiCut, 6000.0f + 5000.0f * wave);
}

std::vector<float> render (int entry, bool modulated, simd::Isa isa)
{
    simd::ScopedIsa build (isa);
    QuorvaneAudioProcessor p;
    HostedProcessor host (p);
    TestPlayHead head;
    head.setPlaying (120.0, 0.0);
    p.setPlayHead (&head);
    p.engine.setRandomSeed (7);
    host.setRaw (ParamIDs::mode, static_cast<float> (entry));
    if (modulated)
    {
        host.setRaw (ParamIDs::seqEnabled, 1.0f);
        host.setRaw (ParamIDs::seqEnabled2, 1.0f);
        host.setRaw (ParamIDs::seqBars2, 1.0f);
        const float steps1[16] = { -1, -0.5f, 0, 0.5f, 1, 0.5f, 0, -0.5f, -1, 1, -1, 1, 0, 0, 0.25f, -0.25f };
        const float steps2[16] = { 1, 0.75f, 0.5f, 0.25f, 0, -0.25f, -0.5f, -0.75f, -1, -0.5f, 0, 0.5f, 1, 0, -1, 0 };
        for (int s = 0; s < 16; ++s)
        {
            p.setStepValue (0, s, steps1[s]);
            p.setStepValue (1, s, steps2[s]);
        }
    }
    host.prepare (kRate, kMaxBlock);

    static const auto audio1 = material (1), audio2 = material (2);
    // Channel 0, then channel 1.
    std::vector<float> out (2 * kLength);
    for (int start = 0, b = 0; start < kLength; ++b)
    {
        const int n = std::min (kBlocks[b % std::size (kBlocks)], kLength - start);
        juce::AudioBuffer<float> buffer (4, n);
        for (int c = 0; c < 2; ++c)
        {
            buffer.copyFrom (c, 0, audio1, c, start, n);
            buffer.copyFrom (c + 2, 0, audio2, c, start, n);
        }
        head.setPlaying (120.0, 2.0 * start / kRate);
        if (modulated)
            automateOutputStage (host, start);
        host.process (buffer);
        for (int c = 0; c < 2; ++c)
            std::copy (buffer.getReadPointer (c), buffer.getReadPointer (c) + n, out.begin() + c * kLength + start);
        start += n;
    }
    return out;
}

// The first sample whose bits differ, or -1.
long firstDifference (const std::vector<float>& a, const std::vector<float>& b)
{
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp (&a[i], &b[i], sizeof (float)) != 0)
            return static_cast<long> (i);
    return a.size() == b.size() ? -1 : static_cast<long> (a.size());
}
} // namespace

TEST (InstructionSetBuilds, EveryEntrySoundsTheSameOnEveryBuild)
{
    std::vector<simd::Isa> others;
    for (const auto isa : simd::kAllIsas)
        if (isa != simd::Isa::baseline && simd::isSupported (isa))
            others.push_back (isa);
    if (others.empty())
        GTEST_SKIP() << "this CPU runs only the baseline build";

    for (int entry = 0; entry < kNumBlendModeEntries; ++entry)
        for (const bool modulated : { false, true })
        {
            SCOPED_TRACE (std::string (kBlendModeRegistry[entry].name) + (modulated ? ", moving" : ", still"));
            const auto baseline = render (entry, modulated, simd::Isa::baseline);
            float peak = 0.0f;
            for (const float x : baseline)
                peak = std::max (peak, std::abs (x));
            EXPECT_GT (peak, 1.0e-3f); // not a comparison of two silences
            for (const auto isa : others)
            {
                const long at = firstDifference (baseline, render (entry, modulated, isa));
                EXPECT_EQ (at, -1) << simd::isaName (isa) << " build differs from sample " << at % kLength
                                   << " of channel " << at / kLength;
            }
        }
}
