#include <gtest/gtest.h>

#include "params/ParamIDs.h"
#include "params/ParameterTable.h"
#include "ProcessorTestSupport.h"

#include <cmath>
#include <set>
#include <string>
#include <vector>

// The processor at the edges of its settings, driven like a plug-in host drives it: every
// parameter at its minimum and maximum (one at a time and all at once), extreme sample rates,
// the resolution changing during playback and the mode changing every block. Whatever happens,
// every output sample is finite and within the clip ceiling times the output gain.

namespace
{
// A hosted processor with the transport running and both modulators' steps at full swing.
struct Rig
{
    QuorvaneAudioProcessor processor;
    HostedProcessor host { processor };
    TestPlayHead head;
    double rate;
    int block;
    double ppq = 0.0;
    int seed = 1;

    Rig (double sampleRate = 48000.0, int blockSize = 512) : rate (sampleRate), block (blockSize)
    {
        processor.setPlayHead (&head);
        for (int m = 0; m < 2; ++m)
            for (int s = 0; s < 16; ++s)
                processor.setStepValue (m, s, (s % 3 == 0) ? 1.0f : (s % 3 == 1 ? -1.0f : 0.25f));
    }

    void prepare() { host.prepare (rate, block); }

    double bound() const
    {
        return std::pow (10.0, rawParam (processor, ParamIDs::clipCeilingDb) / 20.0)
               * std::pow (10.0, rawParam (processor, ParamIDs::outputVolDb) / 20.0) * (1.0 + 1.0e-6);
    }

    // One block of noise on both inputs (numSamples <= the prepared block); fails the test on
    // any output sample that is not finite or exceeds the bound, and on any state the engine had
    // to clear (with clean input that would be a blow-up the recovery only hides).
    void processBlock (int numSamples = -1)
    {
        const int len = numSamples > 0 ? numSamples : block;
        head.setPlaying (140.0, ppq);
        ppq += len / rate * (140.0 / 60.0);
        juce::AudioBuffer<float> buffer (host.bufferChannels(), len);
        fillNoise (buffer, seed++, 0.9f);
        host.process (buffer);

        const double limit = bound();
        for (int c = 0; c < 2; ++c)
            for (int j = 0; j < len; ++j)
            {
                const float y = buffer.getSample (c, j);
                ASSERT_TRUE (std::isfinite (y)) << "channel " << c << " sample " << j;
                ASSERT_LE (std::abs (y), limit) << "channel " << c << " sample " << j;
            }
        ASSERT_EQ (processor.engine.getRecoveryCount(), 0u);
    }

    void processBlocks (int count)
    {
        for (int b = 0; b < count && ! ::testing::Test::HasFatalFailure(); ++b)
            processBlock();
    }
};

std::string entryName (int index) { return kBlendModeRegistry[index].name; }

bool usesResolution (BlendMode m)
{
    return m == ClassicVocoder || m == FFTVocoder || m == DistortedVocoder || m == SpectralGate || m == PhaseSwap
           || m == BinInterleave;
}

// The latency the host must be told: the frame length of the streaming spectral modes, the
// fixed delay of FM, Scrub and Frequency Splice, none for the rest.
int expectedLatency (BlendMode m, int resolution)
{
    if (m == FFTVocoder || m == SpectralGate || m == PhaseSwap || m == BinInterleave)
        return resolution < 3 ? 8 : 1 << std::min (resolution, 12);
    if (m == FM || m == Scrub)
        return 1024;
    return m == FrequencySplice ? 2048 : 0;
}
} // namespace

TEST (ExtremeSettings, EachParameterAtItsMinimumAndMaximumInEveryMode)
{
    // One parameter at an end, the rest at their defaults, every entry in turn. Each entry's state
    // resumes where it stopped, so over the two rounds every mode runs past its latency (up to
    // 2048 samples; the longest frames come in the all-at-once test).
    for (const auto& row : kParamTable)
        for (const float value : { row.min, row.max })
        {
            SCOPED_TRACE (std::string (row.id) + " = " + std::to_string (value));
            Rig rig;
            rig.host.setRaw (row.id, value);
            rig.prepare();
            const bool modeFixed = std::string (row.id) == ParamIDs::mode;
            for (int round = 0; round < 2; ++round)
                for (int entry = 0; entry < kNumBlendModeEntries; ++entry)
                {
                    SCOPED_TRACE (modeFixed ? entryName (static_cast<int> (value)) : entryName (entry));
                    if (! modeFixed)
                        rig.host.setRaw (ParamIDs::mode, static_cast<float> (entry));
                    rig.processBlocks (3);
                    if (HasFatalFailure())
                        return;
                }
        }
}

TEST (ExtremeSettings, AllParametersAtOnceAtTheirMinimumOrMaximumAtEveryRate)
{
    struct Rate
    {
        double rate;
        int block;
    };
    const Rate rates[] = {
        { 8000.0, 256 }, { 22050.0, 512 }, { 48000.0, 512 }, { 192000.0, 1024 }, { 384000.0, 2048 },
    };
    for (const auto& r : rates)
        for (const bool atMax : { false, true })
            for (int entry = 0; entry < kNumBlendModeEntries; ++entry)
            {
                SCOPED_TRACE (entryName (entry) + (atMax ? ", all at maximum, " : ", all at minimum, ")
                              + std::to_string (static_cast<int> (r.rate)) + " Hz");
                Rig rig (r.rate, r.block);
                for (const auto& row : kParamTable)
                    rig.host.setRaw (row.id, atMax ? row.max : row.min);
                rig.host.setRaw (ParamIDs::mode, static_cast<float> (entry));
                rig.prepare();
                // Past the longest latency (4096-sample frames at resolution 12).
                rig.processBlocks (std::max (4, 3 * 4096 / r.block + 1));
                if (HasFatalFailure())
                    return;
            }
}

TEST (ExtremeSettings, EveryModeRunsAtExtremeSampleRatesWithDefaultSettings)
{
    for (const double rate : { 8000.0, 22050.0, 192000.0, 384000.0 })
        for (int entry = 0; entry < kNumBlendModeEntries; ++entry)
        {
            SCOPED_TRACE (entryName (entry) + " at " + std::to_string (static_cast<int> (rate)) + " Hz");
            Rig rig (rate, 1024);
            rig.host.setRaw (ParamIDs::mode, static_cast<float> (entry));
            rig.prepare();
            rig.processBlocks (4);
            if (HasFatalFailure())
                return;
        }
}

TEST (ExtremeSettings, ResolutionChangesDuringPlayback)
{
    // A new resolution every block, jumping across the whole range, in every mode it shapes:
    // the banks switch on the fly, the output stays sane, and the reported latency is always
    // one that was asked for; once the resolution holds, it is that resolution's.
    juce::Random random (99);
    for (int entry = 0; entry < kNumBlendModeEntries; ++entry)
    {
        const BlendMode mode = kBlendModeRegistry[entry].blendMode;
        if (! usesResolution (mode))
            continue;
        SCOPED_TRACE (entryName (entry));
        Rig rig;
        rig.host.setRaw (ParamIDs::mode, static_cast<float> (entry));
        rig.prepare();
        const int sweep[] = { 0, 12, 3, 11, 7, 1, 10, 2, 12, 0, 9 };
        std::set<int> asked { expectedLatency (mode, static_cast<int> (rawParam (rig.processor, ParamIDs::resolution))) };
        int resolution = 0;
        for (int b = 0; b < 60; ++b)
        {
            // The last 20 blocks (10240 samples) hold the resolution: past any change under way.
            if (b < 40)
                resolution = b < 11 ? sweep[b] : random.nextInt (13);
            asked.insert (expectedLatency (mode, resolution));
            rig.host.setRaw (ParamIDs::resolution, static_cast<float> (resolution));
            rig.processBlock (b % 3 == 2 ? 1 + random.nextInt (rig.block) : rig.block);
            if (HasFatalFailure())
                return;
            EXPECT_EQ (asked.count (rig.processor.getLatencySamples()), 1u) << "block " << b;
        }
        EXPECT_EQ (rig.processor.getLatencySamples(), expectedLatency (mode, resolution));
    }
}

TEST (ExtremeSettings, ModeAndDirectionChangingEveryBlock)
{
    // Every entry follows every other, in order and at random, with block sizes anywhere up to
    // the prepared maximum; the reported latency always belongs to a mode that was asked for,
    // and to the last one once it holds.
    Rig rig;
    rig.host.setRaw (ParamIDs::heat, 120.0f);
    rig.host.setRaw (ParamIDs::fxLowCut, 300.0f);
    rig.prepare();
    juce::Random random (7);
    const int resolution = static_cast<int> (rawParam (rig.processor, ParamIDs::resolution));
    int entry = static_cast<int> (rawParam (rig.processor, ParamIDs::mode));
    std::set<int> asked { expectedLatency (kBlendModeRegistry[entry].blendMode, resolution) };
    for (int b = 0; b < 4 * kNumBlendModeEntries + 20; ++b)
    {
        if (b < 4 * kNumBlendModeEntries)
            entry = b < 2 * kNumBlendModeEntries ? b % kNumBlendModeEntries : random.nextInt (kNumBlendModeEntries);
        asked.insert (expectedLatency (kBlendModeRegistry[entry].blendMode, resolution));
        SCOPED_TRACE ("block " + std::to_string (b) + ", " + entryName (entry));
        rig.host.setRaw (ParamIDs::mode, static_cast<float> (entry));
        if (b % 3 == 0)
            rig.host.setRaw (ParamIDs::direction, static_cast<float> ((b / 3) % 3));
        rig.processBlock (b % 2 == 0 ? rig.block : 1 + random.nextInt (rig.block));
        if (HasFatalFailure())
            return;
        EXPECT_EQ (asked.count (rig.processor.getLatencySamples()), 1u);
    }
    EXPECT_EQ (rig.processor.getLatencySamples(), expectedLatency (kBlendModeRegistry[entry].blendMode, resolution));
}
