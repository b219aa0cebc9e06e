#include <gtest/gtest.h>

#include "../params/ExpectedParameters.h"
#include "params/ParamIDs.h"
#include "ProcessorTestSupport.h"

#include <memory>
#include <utility>
#include <vector>

namespace
{
juce::AudioProcessor::BusesLayout layoutOf (juce::AudioChannelSet main, juce::AudioChannelSet side,
                                            juce::AudioChannelSet out)
{
    juce::AudioProcessor::BusesLayout l;
    l.inputBuses.add (main);
    l.inputBuses.add (side);
    l.outputBuses.add (out);
    return l;
}

// The same processor, but willing to take any layout, for inputs a strict host would not offer.
struct AnyLayoutProcessor : QuorvaneAudioProcessor
{
    bool isBusesLayoutSupported (const BusesLayout&) const override { return true; }
};
} // namespace

TEST (Processor, NameProgramsAndMidi)
{
    QuorvaneAudioProcessor p;
    EXPECT_EQ (p.getName(), "Quorvane");
    EXPECT_FALSE (p.acceptsMidi());
    EXPECT_FALSE (p.producesMidi());
    EXPECT_FALSE (p.isMidiEffect());
    EXPECT_EQ (p.getTailLengthSeconds(), 0.0);
    EXPECT_EQ (p.getNumPrograms(), 1);
    EXPECT_EQ (p.getCurrentProgram(), 0);
    EXPECT_TRUE (p.getProgramName (0).isEmpty());
    EXPECT_TRUE (p.hasEditor());
}

TEST (Processor, BusLayoutsAcceptedAndRefused)
{
    QuorvaneAudioProcessor p;
    using S = juce::AudioChannelSet;
    struct Case { S main, side, out; bool ok; const char* what; };
    const Case cases[] = {
        { S::stereo(), S::stereo(), S::stereo(), true, "stereo everywhere" },
        { S::disabled(), S::stereo(), S::stereo(), true, "main input disabled" },
        { S::stereo(), S::disabled(), S::stereo(), true, "sidechain disabled" },
        { S::mono(), S::stereo(), S::stereo(), false, "mono main input" },
        { S::stereo(), S::mono(), S::stereo(), false, "mono sidechain" },
        { S::stereo(), S::stereo(), S::mono(), false, "mono output" },
        { S::stereo(), S::stereo(), S::create5point1(), false, "5.1 output" },
        { S::create5point1(), S::stereo(), S::stereo(), false, "5.1 input" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (p.isBusesLayoutSupported (layoutOf (c.main, c.side, c.out)), c.ok) << c.what;

    // A layout with only the main input bus is judged on that bus alone.
    juce::AudioProcessor::BusesLayout mainOnly;
    mainOnly.inputBuses.add (S::stereo());
    mainOnly.outputBuses.add (S::stereo());
    EXPECT_TRUE (p.isBusesLayoutSupported (mainOnly));
}

TEST (Processor, WithoutSidechainAudioOnePassesThroughBitForBitAtTheReportedLatency)
{
    // Every mode, with an output stage that would change any sample it touched. Audio 1 comes
    // out unchanged, exactly as late as the latency the host is told (silence before it).
    constexpr int kBlock = 512, kBlocks = 6;
    for (int mode = 0; mode < kNumBlendModeEntries; ++mode)
    {
        QuorvaneAudioProcessor p;
        HostedProcessor host (p, false);
        host.setRaw (ParamIDs::mode, static_cast<float> (mode));
        host.setRaw (ParamIDs::heat, 200.0f);
        host.setRaw (ParamIDs::outputVolDb, -60.0f);
        host.setRaw (ParamIDs::fxLowCut, 500.0f);
        host.prepare (48000.0, kBlock);
        const int latency = expectedLatency (expectedBlendEntries()[(size_t) mode].blendMode, 7);

        juce::AudioBuffer<float> input (host.bufferChannels(), kBlock * kBlocks), output;
        fillNoise (input, mode + 1);
        output.makeCopyOf (input);
        for (int b = 0; b < kBlocks; ++b)
        {
            juce::AudioBuffer<float> block (output.getArrayOfWritePointers(), output.getNumChannels(), b * kBlock, kBlock);
            host.process (block);
        }
        EXPECT_EQ (p.getLatencySamples(), latency) << "mode " << mode;
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kBlock * kBlocks; ++i)
                ASSERT_EQ (output.getSample (c, i), i < latency ? 0.0f : input.getSample (c, i - latency))
                    << "mode " << mode << " sample " << i;
        EXPECT_FALSE (p.sidechainConnected.load());
        EXPECT_EQ (p.inputLevel2.load(), 0.0f);
        const int lastBlock = (kBlocks - 1) * kBlock;
        EXPECT_FLOAT_EQ (p.inputLevel1.load(), input.getMagnitude (lastBlock, kBlock));
        EXPECT_FLOAT_EQ (p.outputLevel.load(), output.getMagnitude (lastBlock, kBlock));
    }
}

// An LV2 host connects the sidechain ports whether or not anything is routed to them. Until the
// sidechain carries a non-zero sample it counts as not connected and Audio 1 passes through;
// from then on it counts as connected, through silence too, until the next preparation (or,
// with a transport, until it rolls again after a stop). Other formats switch the bus itself, so
// a silent but enabled sidechain runs the engine there.
TEST (Processor, AnLv2SidechainCountsAsConnectedFromItsFirstNonZeroSample)
{
    auto lv2 = makeProcessorAs (juce::AudioProcessor::wrapperType_LV2);
    QuorvaneAudioProcessor vst3;
    for (auto* p : { lv2.get(), &vst3 })
    {
        const bool isLv2 = p == lv2.get();
        SCOPED_TRACE (isLv2 ? "LV2" : "other formats");
        HostedProcessor host (*p);
        host.setRaw (ParamIDs::mode, static_cast<float> (modeIndexOf ("Classic Vocoder")));
        host.prepare (48000.0, 256);

        // sidechain: silent, silent, one tiny sample, silent again; then a new preparation.
        struct Block { float sidechainSample; bool prepareFirst; bool connected; };
        const Block blocks[] = {
            { 0.0f, false, ! isLv2 }, { 0.0f, false, ! isLv2 }, { 1.0e-20f, false, true },
            { 0.0f, false, true },    { 0.0f, true, ! isLv2 },
        };
        for (const auto& b : blocks)
        {
            if (b.prepareFirst)
                host.prepare (48000.0, 256);
            juce::AudioBuffer<float> buffer (host.bufferChannels(), 256), input;
            buffer.clear();
            fillNoise (buffer, 3);
            for (int c = 2; c < 4; ++c)
                juce::FloatVectorOperations::fill (buffer.getWritePointer (c), 0.0f, 256);
            buffer.setSample (3, 100, b.sidechainSample);
            input.makeCopyOf (buffer);
            host.process (buffer);

            EXPECT_EQ (p->sidechainConnected.load(), b.connected);
            // Not connected: the Classic Vocoder (no latency) leaves Audio 1 exactly as it was.
            // Connected: the vocoder runs on a silent carrier, so nothing of Audio 1 is left.
            bool passedThrough = true;
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < 256; ++i)
                    passedThrough = passedThrough && buffer.getSample (c, i) == input.getSample (c, i);
            EXPECT_EQ (passedThrough, ! b.connected);
        }
    }
}

TEST (Processor, MonoMainInputFeedsBothOutputsWithoutSidechain)
{
    AnyLayoutProcessor p;
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::mono());
    layout.inputBuses.add (juce::AudioChannelSet::disabled());
    layout.outputBuses.add (juce::AudioChannelSet::stereo());
    ASSERT_TRUE (p.setBusesLayout (layout));
    p.prepareToPlay (48000.0, 256);

    juce::AudioBuffer<float> buffer (2, 256);
    fillNoise (buffer, 7);
    juce::AudioBuffer<float> input;
    input.makeCopyOf (buffer);
    juce::MidiBuffer midi;
    p.processBlock (buffer, midi);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ (buffer.getSample (c, i), input.getSample (0, i)) << "channel " << c;
}

TEST (Processor, SidechainRunsTheEngineAndPublishesLevels)
{
    QuorvaneAudioProcessor p;
    HostedProcessor host (p, true);
    host.setRaw (ParamIDs::mode, 30.0f); // clamped by the parameter to the last entry
    host.setRaw (ParamIDs::mode, 12.0f); // Sidechain Duck
    host.setRaw (ParamIDs::outputVolDb, -60.0f);
    host.prepare();

    juce::AudioBuffer<float> buffer (4, 512);
    fillNoise (buffer, 3, 0.25f);
    buffer.applyGain (2, 0, 512, 2.0f);
    buffer.applyGain (3, 0, 512, 2.0f);
    const float main = juce::jmax (buffer.getMagnitude (0, 0, 512), buffer.getMagnitude (1, 0, 512));
    const float side = juce::jmax (buffer.getMagnitude (2, 0, 512), buffer.getMagnitude (3, 0, 512));
    host.process (buffer);

    EXPECT_TRUE (p.sidechainConnected.load());
    EXPECT_FLOAT_EQ (p.inputLevel1.load(), main);
    EXPECT_FLOAT_EQ (p.inputLevel2.load(), side);
    // Output Volume at its minimum: the engine ran and muted the output.
    EXPECT_EQ (buffer.getMagnitude (0, 0, 512), 0.0f);
    EXPECT_EQ (buffer.getMagnitude (1, 0, 512), 0.0f);
    EXPECT_EQ (p.outputLevel.load(), 0.0f);
}

TEST (Processor, ZeroSampleBlockDoesNotRunTheEngine)
{
    // An instance that gets an empty block between two real ones must go on exactly like a twin
    // that never saw it. The entries carry state that any work done for the empty block would
    // move and every later sample would show: Probabilistic its generator (seeded alike in both)
    // and its holds, Scrub its history and playhead, Spectral Gate its frame position. Both
    // modulators run on a playing transport, so the processor's own per-block state (hand-off,
    // modulator 2's override) is in the comparison too. Running the engine on no samples may
    // well change nothing today; what the host relies on, and what this compares, is that the
    // empty block leaves no trace in anything that follows.
    constexpr double rate = 48000.0;
    constexpr int block = 256;
    for (const char* entry : { "Probabilistic", "Scrub", "Spectral Gate" })
    {
        SCOPED_TRACE (entry);
        QuorvaneAudioProcessor withEmpty, twin;
        TestPlayHead headWithEmpty, twinHead;
        std::vector<std::unique_ptr<HostedProcessor>> hosts;
        for (auto [p, head] : { std::pair { &withEmpty, &headWithEmpty }, std::pair { &twin, &twinHead } })
        {
            p->setPlayHead (head);
            auto host = std::make_unique<HostedProcessor> (*p, true);
            host->setRaw (ParamIDs::mode, static_cast<float> (modeIndexOf (entry)));
            host->setRaw (ParamIDs::probHold, 2.0f);
            host->setRaw (ParamIDs::probStereo, 50.0f);
            host->setRaw (ParamIDs::seqEnabled, 1.0f);
            host->setRaw (ParamIDs::seqEnabled2, 1.0f);
            host->prepare (rate, block);
            p->engine.setRandomSeed (17);
            // Modulator 2 moves the entry's first dial (Probabilistic's bias) by a quarter of
            // its range at most: at the ends the coin would be decided and show nothing.
            for (int s = 0; s < 16; ++s)
            {
                p->setStepValue (0, s, s % 2 == 0 ? -0.5f : 0.5f);
                p->setStepValue (1, s, s % 3 == 0 ? 0.25f : -0.25f);
            }
            hosts.push_back (std::move (host));
        }

        const double quartersPerBlock = block / rate * 120.0 / 60.0;
        juce::AudioBuffer<float> empty (4, 0);
        for (int b = 0; b < 12; ++b)
        {
            headWithEmpty.setPlaying (120.0, b * quartersPerBlock);
            twinHead.setPlaying (120.0, b * quartersPerBlock);
            if (b == 3)
            {
                hosts[0]->process (empty);
                EXPECT_FALSE (withEmpty.sidechainConnected.load());
            }

            juce::AudioBuffer<float> a (4, block), t (4, block);
            fillNoise (a, 40 + b);
            fillNoise (t, 40 + b);
            hosts[0]->process (a);
            hosts[1]->process (t);
            bool identical = true;
            for (int c = 0; c < 2 && identical; ++c)
                for (int i = 0; i < block && identical; ++i)
                    identical = a.getSample (c, i) == t.getSample (c, i);
            if (! identical)
            {
                ADD_FAILURE() << "the output differs from the twin's in block " << b;
                break;
            }
        }
        withEmpty.setPlayHead (nullptr);
        twin.setPlayHead (nullptr);
    }
}

TEST (Processor, LatencyFollowsModeAndResolutionWithOrWithoutSidechain)
{
    struct Case { int modeIndex; float resolution; int latency; };
    const Case cases[] = {
        { 3, 7, 2048 },   // Frequency Splice
        { 0, 12, 0 },     // Classic Vocoder
        { 4, 10, 1024 },  // Spectral Gate
        { 1, 2, 8 },      // FFT Vocoder below the smallest frame
        { 6, 12, 4096 },  // Bin Interleave
        { 7, 7, 1024 },   // FM
        { 10, 7, 1024 },  // Scrub
        { 9, 7, 0 },      // Ring Modulation
    };
    for (bool sidechain : { false, true })
    {
        QuorvaneAudioProcessor p;
        HostedProcessor host (p, sidechain);
        host.prepare (48000.0, 256);
        for (const auto& c : cases)
        {
            host.setRaw (ParamIDs::mode, static_cast<float> (c.modeIndex));
            host.setRaw (ParamIDs::resolution, c.resolution);
            juce::AudioBuffer<float> buffer (host.bufferChannels(), 256);
            // A change is heard (and its latency told) once the new setting's frames are full
            // and the crossfade is over: at most 4096 + 480 samples.
            for (int b = 0; b < 20; ++b)
            {
                buffer.clear();
                host.process (buffer);
            }
            EXPECT_EQ (p.getLatencySamples(), c.latency) << "mode " << c.modeIndex << " sidechain " << sidechain;
        }
    }
}

TEST (Processor, TrackNameUnderItsLock)
{
    QuorvaneAudioProcessor p;
    EXPECT_TRUE (p.getHostTrackName().isEmpty());
    juce::AudioProcessor::TrackProperties props;
    props.name = "Lead Vox";
    p.updateTrackProperties (props);
    EXPECT_EQ (p.getHostTrackName(), "Lead Vox");
    p.updateTrackProperties ({});
    EXPECT_TRUE (p.getHostTrackName().isEmpty());
}
