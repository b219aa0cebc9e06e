#include "ProcessorTestSupport.h"
#include "params/ParamIDs.h"

// When the host learns the latency: at preparation, before any block; after a restore, only
// once the restore has returned; and, while blocks run, from the audio thread alone.

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 256;

// Mode indices in the host's list and the latency each delays by: a frame mode one frame
// (2^Resolution samples), FM the centre of its 2048-sample delay line, Frequency Splice 2048
// samples at any Resolution, Ring Modulation nothing.
struct LatencyCase
{
    const char* what;
    int modeIndex;
    float resolution;
    int latency;
};
const LatencyCase kCases[] = {
    { "Spectral Gate at 12", 4, 12.0f, 4096 },
    { "Bin Interleave at 10", 6, 10.0f, 1024 },
    { "Frequency Splice", 3, 7.0f, 2048 },
    { "FM", 7, 7.0f, 1024 },
    { "Ring Modulation", 9, 12.0f, 0 },
};

// Counts the latency changes the processor tells its host, and those told while a flag is up.
struct LatencyWatcher : juce::AudioProcessorListener
{
    int told = 0, toldWhileInside = 0;
    bool inside = false;
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& details) override
    {
        if (! details.latencyChanged)
            return;
        ++told;
        toldWhileInside += inside ? 1 : 0;
    }
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
};

juce::MemoryBlock stateWith (int modeIndex, float resolution)
{
    auto source = makeVst3Processor();
    setRawParam (*source, ParamIDs::mode, static_cast<float> (modeIndex));
    setRawParam (*source, ParamIDs::resolution, resolution);
    juce::MemoryBlock state;
    source->getStateInformation (state);
    return state;
}

void runBlocks (HostedProcessor& host, int blocks)
{
    juce::AudioBuffer<float> buffer (host.bufferChannels(), kBlock);
    for (int b = 0; b < blocks; ++b)
    {
        fillNoise (buffer, b, 0.3f);
        host.process (buffer);
    }
}

// What the message loop does with a latency report the processor posted: delivers it.
void deliverPosted (QuorvaneAudioProcessor& p)
{
    QuorvaneProcessorTestAccess::deliverPostedLatency (p);
}
} // namespace

TEST (LatencyReport, IsKnownAtPreparationBeforeAnyBlock)
{
    for (const auto& c : kCases)
    {
        for (bool sidechain : { true, false })
        {
            auto p = makeVst3Processor();
            HostedProcessor host (*p, sidechain);
            host.setRaw (ParamIDs::mode, static_cast<float> (c.modeIndex));
            host.setRaw (ParamIDs::resolution, c.resolution);
            host.prepare (kRate, kBlock);
            EXPECT_EQ (p->getLatencySamples(), c.latency) << c.what << " sidechain " << sidechain;
            // The first block agrees: nothing more is told.
            LatencyWatcher watcher;
            p->addListener (&watcher);
            runBlocks (host, 1);
            EXPECT_EQ (watcher.told, 0) << c.what;
            p->removeListener (&watcher);
        }
    }
}

TEST (LatencyReport, ARestoreIsToldOnlyAfterItHasReturned)
{
    const juce::ScopedJuceInitialiser_GUI messageThread;
    for (const auto& c : kCases)
    {
        for (bool prepared : { false, true })
        {
            auto p = makeVst3Processor();
            HostedProcessor host (*p);
            if (prepared)
                host.prepare (kRate, kBlock);
            const int before = p->getLatencySamples();
            LatencyWatcher watcher;
            p->addListener (&watcher);

            const auto state = stateWith (c.modeIndex, c.resolution);
            watcher.inside = true;
            p->setStateInformation (state.getData(), static_cast<int> (state.getSize()));
            watcher.inside = false;
            EXPECT_EQ (watcher.toldWhileInside, 0) << c.what;
            EXPECT_EQ (p->getLatencySamples(), before) << c.what;

            deliverPosted (*p);
            EXPECT_EQ (p->getLatencySamples(), c.latency) << c.what << (prepared ? " prepared" : " not prepared");
            EXPECT_EQ (watcher.told, c.latency != before ? 1 : 0) << c.what;
            p->removeListener (&watcher);
        }
    }
}

TEST (LatencyReport, AChangeOnTheMessageThreadIsToldWhileNoBlockRuns)
{
    const juce::ScopedJuceInitialiser_GUI messageThread;
    auto p = makeVst3Processor();
    HostedProcessor host (*p);
    host.prepare (kRate, kBlock);
    for (const auto& c : kCases)
    {
        host.setRaw (ParamIDs::mode, static_cast<float> (c.modeIndex));
        host.setRaw (ParamIDs::resolution, c.resolution);
        deliverPosted (*p);
        EXPECT_EQ (p->getLatencySamples(), c.latency) << c.what;
    }

    // A host that stops processing resets the plug-in: the message thread tells again.
    runBlocks (host, 2);
    p->reset();
    host.setRaw (ParamIDs::mode, static_cast<float> (kCases[0].modeIndex));
    host.setRaw (ParamIDs::resolution, kCases[0].resolution);
    deliverPosted (*p);
    EXPECT_EQ (p->getLatencySamples(), kCases[0].latency);
}

TEST (LatencyReport, OnceBlocksRunOnlyTheAudioThreadTellsIt)
{
    // While blocks run, the latency told is that of what plays: a change waits for the new
    // setting's frames to fill, so the message thread must not tell it early.
    const juce::ScopedJuceInitialiser_GUI messageThread;
    auto p = makeVst3Processor();
    HostedProcessor host (*p);
    host.setRaw (ParamIDs::mode, 9.0f); // Ring Modulation, no latency
    host.prepare (kRate, kBlock);
    runBlocks (host, 2);
    ASSERT_EQ (p->getLatencySamples(), 0);

    host.setRaw (ParamIDs::mode, 4.0f); // Spectral Gate
    host.setRaw (ParamIDs::resolution, 12.0f);
    deliverPosted (*p);
    EXPECT_EQ (p->getLatencySamples(), 0);

    // 4096 samples to fill the new frames, then the crossfade starts with a block.
    runBlocks (host, 4096 / kBlock + 4);
    EXPECT_EQ (p->getLatencySamples(), 4096);
}
