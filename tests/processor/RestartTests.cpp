#include <gtest/gtest.h>

#include "params/ParamIDs.h"
#include "ProcessorTestSupport.h"

#include <functional>
#include <memory>
#include <string>

// A host restarts audio with prepareToPlay and jumps the transport with reset(). Nothing heard
// before either may play again: afterwards the instance sounds exactly like a fresh one, in
// every entry, with the frame banks kept at their size and the dry delays in use.

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kBlocks = 20; // longer than the largest frame (4096) and the dry delays
constexpr juce::int64 kSeed = 1234;

// Settings that keep every kind of state busy: the largest frames, dry levels beside the blend,
// and the whole output stage.
void configure (HostedProcessor& host, int entry)
{
    host.setRaw (ParamIDs::mode, static_cast<float> (entry));
    host.setRaw (ParamIDs::resolution, 10.0f);
    host.setRaw (ParamIDs::sig1Level, 30.0f);
    host.setRaw (ParamIDs::sig2Level, 30.0f);
    host.setRaw (ParamIDs::fxLowCut, 80.0f);
    host.setRaw (ParamIDs::heat, 60.0f);
}

// An LV2 instance with a host transport of its own, configured for `entry`; its play head is
// detached again when it goes.
struct Lv2Instance
{
    explicit Lv2Instance (int entry)
        : processor (makeProcessorAs (juce::AudioProcessor::wrapperType_LV2)), host (*processor)
    {
        processor->setPlayHead (&head);
        configure (host, entry);
    }
    ~Lv2Instance() { processor->setPlayHead (nullptr); }

    std::unique_ptr<QuorvaneAudioProcessor> processor;
    HostedProcessor host;
    TestPlayHead head;
};

// Output of kBlocks blocks of noise (the same for the same seed), main and sidechain.
juce::AudioBuffer<float> run (HostedProcessor& host, int noiseSeed)
{
    const int channels = host.bufferChannels();
    juce::AudioBuffer<float> all (channels, kBlock * kBlocks);
    fillNoise (all, noiseSeed);
    for (int b = 0; b < kBlocks; ++b)
    {
        juce::AudioBuffer<float> block (all.getArrayOfWritePointers(), channels, b * kBlock, kBlock);
        host.process (block);
    }
    return all;
}
} // namespace

TEST (Restart, PrepareAndResetLeaveNothingOfWhatWasHeard)
{
    struct Restart
    {
        const char* name;
        std::function<void (HostedProcessor&)> apply;
    };
    const Restart restarts[] = {
        { "prepareToPlay again", [] (HostedProcessor& host) { host.prepare (kRate, kBlock); } },
        { "reset", [] (HostedProcessor& host) { host.processor.reset(); } },
    };

    for (int entry = 0; entry < kNumBlendModeEntries; ++entry)
        for (const auto& restart : restarts)
        {
            SCOPED_TRACE (std::string (kBlendModeRegistry[entry].name) + ", " + restart.name);
            QuorvaneAudioProcessor used, fresh;
            HostedProcessor usedHost (used), freshHost (fresh);
            configure (usedHost, entry);
            configure (freshHost, entry);

            usedHost.prepare (kRate, kBlock);
            run (usedHost, 7);
            restart.apply (usedHost);
            used.engine.setRandomSeed (kSeed);

            freshHost.prepare (kRate, kBlock);
            fresh.engine.setRandomSeed (kSeed);

            const auto afterRestart = run (usedHost, 99);
            const auto fromFresh = run (freshHost, 99);
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < kBlock * kBlocks; ++i)
                    ASSERT_EQ (afterRestart.getSample (c, i), fromFresh.getSample (c, i))
                        << "channel " << c << " sample " << i;
        }
}

TEST (Restart, AnLv2TransportRollingAgainLeavesNothingOfWhatWasHeard)
{
    // An LV2 host never says that processing stopped; it goes on calling the plug-in with its
    // transport stopped. When the transport rolls again (here from the song's start), nothing of
    // what played before may come back: the instance sounds exactly like a fresh one playing
    // from there, the sidechain's first samples included.
    for (int entry = 0; entry < kNumBlendModeEntries; ++entry)
    {
        SCOPED_TRACE (kBlendModeRegistry[entry].name);
        Lv2Instance used (entry), fresh (entry);
        used.host.prepare (kRate, kBlock);
        used.head.setPlaying (120.0, 0.0);
        run (used.host, 7);
        // Stopped for four blocks of silence (2048 samples, less than a frame), still called.
        used.head.setPlaying (120.0, 8.0);
        used.head.info.setIsPlaying (false);
        juce::AudioBuffer<float> silence (used.host.bufferChannels(), kBlock);
        for (int b = 0; b < 4; ++b)
        {
            silence.clear();
            used.host.process (silence);
        }
        used.head.setPlaying (120.0, 0.0);
        used.processor->engine.setRandomSeed (kSeed);

        fresh.host.prepare (kRate, kBlock);
        fresh.head.setPlaying (120.0, 0.0);
        fresh.processor->engine.setRandomSeed (kSeed);

        const auto afterRestart = run (used.host, 99);
        const auto fromFresh = run (fresh.host, 99);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kBlock * kBlocks; ++i)
                ASSERT_EQ (afterRestart.getSample (c, i), fromFresh.getSample (c, i))
                    << "channel " << c << " sample " << i;
    }
}

TEST (Restart, AnLv2PreRollBeforeTheStartIsKeptAndOnlyAStandstillClears)
{
    // A host that compensates for latency (Ardour) feeds the audio just before the start with its
    // transport stopped and its position moving towards the start; that audio belongs to what
    // plays next and must not be cleared when the transport rolls. A transport that stood still
    // (the same position block after block) does clear it, as above.
    struct Case
    {
        const char* what;
        bool standsStill; // the position stands still during the stopped blocks
    };
    for (const auto& c : { Case { "pre-roll, position moving", false }, Case { "standstill", true } })
        for (int entry : { 1, 4, 7, 9 }) // FFT Vocoder, Spectral Gate, FM, Ring Modulation
        {
            SCOPED_TRACE (std::string (c.what) + ", " + kBlendModeRegistry[entry].name);
            Lv2Instance stopped (entry), rolling (entry);
            for (auto* instance : { &stopped, &rolling })
            {
                instance->host.prepare (kRate, kBlock);
                instance->processor->engine.setRandomSeed (kSeed);
            }

            // The same noise into both; the reference's transport rolls throughout, the other's is
            // stopped for the first four blocks, its position in samples as the case says.
            const int channels = stopped.host.bufferChannels();
            juce::AudioBuffer<float> input (channels, kBlock * kBlocks);
            fillNoise (input, 31 + entry);
            juce::AudioBuffer<float> heard, reference;
            heard.makeCopyOf (input);
            reference.makeCopyOf (input);
            for (int b = 0; b < kBlocks; ++b)
            {
                const juce::int64 frame = c.standsStill && b < 4 ? 0 : (juce::int64) (b - 4) * kBlock;
                stopped.head.setPlaying (120.0, (double) frame / kRate * 2.0);
                stopped.head.info.setTimeInSamples (frame);
                stopped.head.info.setIsPlaying (b >= 4);
                rolling.head.setPlaying (120.0, (double) (b - 4) * kBlock / kRate * 2.0);
                rolling.head.info.setTimeInSamples ((juce::int64) (b - 4) * kBlock);
                juce::AudioBuffer<float> a (heard.getArrayOfWritePointers(), channels, b * kBlock, kBlock);
                juce::AudioBuffer<float> r (reference.getArrayOfWritePointers(), channels, b * kBlock, kBlock);
                stopped.host.process (a);
                rolling.host.process (r);
            }

            // From the start (block 4) on: the same as rolling throughout with the pre-roll, and
            // with the standstill the same as a fresh instance started there.
            bool same = true;
            for (int ch = 0; ch < 2 && same; ++ch)
                for (int i = 4 * kBlock; i < kBlock * kBlocks && same; ++i)
                    same = heard.getSample (ch, i) == reference.getSample (ch, i);
            EXPECT_EQ (same, ! c.standsStill);
        }
}
