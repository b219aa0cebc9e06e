#include "OfflineRender.h"

#include "HostPlayHead.h"
#include "ProcessorSetup.h"
#include "TextFormat.h"

#include <cmath>
#include <optional>

juce::Result prepareForRender (QuorvaneAudioProcessor& processor, const RenderJob& job)
{
    jassert (job.audio1 != nullptr);

    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::stereo());
    layout.inputBuses.add (job.audio2 != nullptr ? juce::AudioChannelSet::stereo() : juce::AudioChannelSet::disabled());
    layout.outputBuses.add (juce::AudioChannelSet::stereo());

    if (! processor.setBusesLayout (layout))
        return juce::Result::fail ("the plug-in refused the bus layout "
                                   + juce::String (job.audio2 != nullptr ? "with" : "without") + " sidechain");

    // setPlayConfigDetails would disable every bus but the main ones, the sidechain included, so
    // the rate and block size are set on their own, as hosts with sidechain support do.
    const double sampleRate = job.audio1->getSampleRate();
    processor.setNonRealtime (true);
    processor.setRateAndBufferSizeDetails (sampleRate, job.blockSize);
    processor.prepareToPlay (sampleRate, job.blockSize);
    return juce::Result::ok();
}

juce::Result runRender (QuorvaneAudioProcessor& processor, const RenderJob& job, WavFileOutput& output,
                        RenderSummary& summary)
{
    const double sampleRate = job.audio1->getSampleRate();

    std::optional<HostPlayHead> playHead;
    if (job.transport != nullptr)
        playHead.emplace (*job.transport, sampleRate);
    processor.setPlayHead (playHead.has_value() ? &*playHead : nullptr);

    // A host hands over as many channels as the larger side of the layout: main input on
    // channels 0-1, sidechain on 2-3, the main output coming back on 0-1.
    const int numChannels = juce::jmax (processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels());
    const int sidechainOffset = processor.getChannelIndexInProcessBlockBuffer (true, 1, 0);
    juce::AudioBuffer<float> hostBuffer (numChannels, job.blockSize);
    juce::MidiBuffer midi;

    summary = {};
    summary.sampleRate = sampleRate;
    summary.blockSize = job.blockSize;

    // The render runs as long as the longer input really delivers audio, whatever the files'
    // headers announce.
    juce::Result result = juce::Result::ok();
    juce::int64 start = 0, written = 0, flushed = 0;
    int toDrop = 0; // output samples still to drop at the start (--compensate-latency)
    bool firstBlock = true;

    // Writes one output block, less what is still to be dropped.
    auto emit = [&] (const juce::AudioBuffer<float>& out, int n) {
        const int drop = juce::jmin (toDrop, n);
        toDrop -= drop;
        if (n - drop <= 0)
            return juce::Result::ok();
        summary.outputPeak = juce::jmax (summary.outputPeak, out.getMagnitude (drop, n - drop));
        written += n - drop;
        return output.write (out.getReadPointer (0, drop), out.getReadPointer (1, drop), n - drop);
    };
    for (;;)
    {
        int got1 = 0, got2 = 0;
        result = job.audio1->readNext (hostBuffer.getWritePointer (0), hostBuffer.getWritePointer (1), job.blockSize, got1);
        if (result.wasOk() && job.audio2 != nullptr)
            result = job.audio2->readNext (hostBuffer.getWritePointer (sidechainOffset),
                                           hostBuffer.getWritePointer (sidechainOffset + 1), job.blockSize, got2);
        if (result.failed())
            break;

        // A render of empty inputs still runs one empty block, so the latency is reported.
        const int n = juce::jmax (got1, got2);
        if (n == 0 && ! firstBlock)
            break;

        if (playHead.has_value())
            playHead->setBlockStart (start);

        // The last block may be shorter: the host passes the same channels with fewer samples.
        juce::AudioBuffer<float> block (hostBuffer.getArrayOfWritePointers(), numChannels, n);
        processor.processBlock (block, midi);

        if (firstBlock)
            summary.latencySamples = processor.getLatencySamples();

        if (firstBlock && job.compensateLatency)
            toDrop = summary.latencySamples;
        result = emit (processor.getBusBuffer (block, false, 0), n);
        if (result.failed())
            break;

        start += n;
        firstBlock = false;
        if (n < job.blockSize)
            break;
    }
    summary.frames = start;

    // The tail the latency held back: silence in, until the output is as long as the input.
    for (juce::int64 remaining = start - written; result.wasOk() && job.compensateLatency && remaining > 0;
         remaining = start - written)
    {
        const int n = (int) juce::jmin ((juce::int64) job.blockSize, remaining + toDrop);
        hostBuffer.clear();
        if (playHead.has_value())
            playHead->setBlockStart (start + flushed);
        juce::AudioBuffer<float> block (hostBuffer.getArrayOfWritePointers(), numChannels, n);
        processor.processBlock (block, midi);
        flushed += n;
        result = emit (processor.getBusBuffer (block, false, 0), n);
    }

    processor.setPlayHead (nullptr);
    processor.releaseResources();
    summary.modeName = currentModeName (processor);
    return result;
}

juce::String reportJson (const RenderSummary& summary)
{
    // A non-finite peak cannot be written as a JSON number.
    const auto peak = std::isfinite (summary.outputPeak) ? formatFloat (summary.outputPeak) : juce::String ("null");
    return "{\"sampleRate\": " + formatDouble (summary.sampleRate) + ", \"frames\": " + juce::String (summary.frames)
         + ", \"blockSize\": " + juce::String (summary.blockSize) + ", \"mode\": " + jsonString (summary.modeName)
         + ", \"latencySamples\": " + juce::String (summary.latencySamples) + ", \"outputPeak\": " + peak + "}";
}
