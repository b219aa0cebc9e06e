#include "processor/PluginProcessor.h"
#include "params/ParamIDs.h"

// The latency the host is told.
//
// While blocks run, the audio thread tells the host the latency of what each block plays (the
// setting heard, which lags a change of mode or Resolution until the new setting's frames are
// full). Before the first block after a preparation or a reset nothing plays yet, and a host
// that renders from there (an export right after a session loads) needs the latency before the
// first block: then the message thread tells it the latency of the current settings. The two
// never both report: the audio thread claims the report with its first block, the message
// thread reports only while the claim is not made, and each checks the other's flag after
// raising its own (sequentially consistent atomics), so at most one of them goes ahead.

QuorvaneAudioProcessor::LatencyAnnouncer::LatencyAnnouncer (QuorvaneAudioProcessor& p) : processor (p)
{
    processor.parameters.addParameterListener (ParamIDs::mode, this);
    processor.parameters.addParameterListener (ParamIDs::resolution, this);
}

QuorvaneAudioProcessor::LatencyAnnouncer::~LatencyAnnouncer()
{
    cancelPendingUpdate();
    processor.parameters.removeParameterListener (ParamIDs::mode, this);
    processor.parameters.removeParameterListener (ParamIDs::resolution, this);
}

void QuorvaneAudioProcessor::LatencyAnnouncer::parameterChanged (const juce::String&, float)
{
    // Host automation reaches this on the audio thread, which tells the host itself; only a
    // change made on the message thread (the editor, a preset, a restore) is posted. Posting,
    // not reporting here: inside a restore the host must not be called back.
    if (juce::MessageManager::existsAndIsCurrentThread())
        triggerAsyncUpdate();
}

void QuorvaneAudioProcessor::LatencyAnnouncer::handleAsyncUpdate()
{
    processor.announceSettledLatency();
}

int QuorvaneAudioProcessor::settledLatency() const noexcept
{
    // What the first block will play: the blend and the pass-through delay Audio 1 alike.
    const int modeIndex = static_cast<int> (paramValue<ParamIDs::mode>());
    const int resolution = static_cast<int> (paramValue<ParamIDs::resolution>());
    return engine.getRealtimeLatencySamples (blendModeForIndex (modeIndex), resolution);
}

void QuorvaneAudioProcessor::announceSettledLatency()
{
    messageReportingLatency.store (true);
    if (! audioOwnsLatency.load())
    {
        const int latency = settledLatency();
        if (latency != lastReportedLatency.load())
        {
            lastReportedLatency.store (latency);
            setLatencySamples (latency);
        }
    }
    messageReportingLatency.store (false);
}

void QuorvaneAudioProcessor::claimLatencyReport() noexcept
{
    if (! audioOwnsLatency.load (std::memory_order_relaxed))
        audioOwnsLatency.store (true);
}

void QuorvaneAudioProcessor::releaseLatencyReport() noexcept
{
    audioOwnsLatency.store (false);
}

void QuorvaneAudioProcessor::reportLatency (int latency)
{
    // A report the message thread is making right now wins; this block's latency is told with
    // the next block.
    if (messageReportingLatency.load())
        return;
    if (latency != lastReportedLatency.load (std::memory_order_relaxed))
    {
        lastReportedLatency.store (latency, std::memory_order_relaxed);
        setLatencySamples (latency);
    }
}
