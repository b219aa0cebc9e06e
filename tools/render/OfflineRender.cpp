#include "OfflineRender.h"

#include "HostAutomation.h"
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

namespace
{
// The host's side of a render: it reads the inputs block by block, hands each block to the
// processor with the play head and the automation set, and writes what comes out.
class OfflineHost
{
public:
    OfflineHost (QuorvaneAudioProcessor& processorIn, const RenderJob& jobIn, WavFileOutput& outputIn,
                 RenderSummary& summaryIn)
        : processor (processorIn), job (jobIn), output (outputIn), summary (summaryIn),
          sampleRate (job.audio1->getSampleRate()),
          pieceSize (job.automationBlockSize > 0 ? juce::jmin (job.automationBlockSize, job.blockSize) : job.blockSize),
          // A host hands over as many channels as the larger side of the layout: main input on
          // channels 0-1, sidechain on 2-3, the main output coming back on 0-1.
          hostBuffer (juce::jmax (processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels()),
                      job.blockSize)
    {
        if (job.transport != nullptr)
            playHead.emplace (*job.transport, sampleRate);
        if (job.automation != nullptr && ! job.automation->empty())
            automation.emplace (processor, *job.automation);
        processor.setPlayHead (playHead.has_value() ? &*playHead : nullptr);
    }

    ~OfflineHost() { processor.setPlayHead (nullptr); }

    // The render runs as long as the longer input really delivers audio, whatever the files'
    // headers announce.
    juce::Result playInputs()
    {
        const int sidechainOffset = processor.getChannelIndexInProcessBlockBuffer (true, 1, 0);
        for (bool firstBlock = true;; firstBlock = false)
        {
            int got1 = 0, got2 = 0;
            auto result = job.audio1->readNext (hostBuffer.getWritePointer (0), hostBuffer.getWritePointer (1),
                                                job.blockSize, got1);
            if (result.wasOk() && job.audio2 != nullptr)
                result = job.audio2->readNext (hostBuffer.getWritePointer (sidechainOffset),
                                               hostBuffer.getWritePointer (sidechainOffset + 1), job.blockSize, got2);
            if (result.failed())
                return result;

            // A render of empty inputs still runs one empty block, so the latency is reported.
            const int n = juce::jmax (got1, got2);
            if (n == 0 && ! firstBlock)
                return juce::Result::ok();

            processHostBlock (n, start);
            if (firstBlock)
            {
                summary.latencySamples = processor.getLatencySamples();
                toDrop = job.compensateLatency ? summary.latencySamples : 0;
            }
            result = emit (n);
            start += n;
            summary.frames = start;
            if (result.failed() || n < job.blockSize)
                return result;
        }
    }

    // The tail the latency held back: silence in, until the output is as long as the input. The
    // tail continues the input's timeline, for the play head and the automation alike.
    juce::Result playTail()
    {
        juce::int64 flushed = 0;
        auto result = juce::Result::ok();
        for (juce::int64 remaining = start - written; result.wasOk() && remaining > 0; remaining = start - written)
        {
            const int n = (int) juce::jmin ((juce::int64) job.blockSize, remaining + toDrop);
            hostBuffer.clear();
            processHostBlock (n, start + flushed);
            flushed += n;
            result = emit (n);
        }
        return result;
    }

private:
    // One host block of n samples starting at `frame`, in pieces of at most pieceSize samples as a
    // host that splits its cycle at automation events hands it over: each piece gets the play
    // head's position and the automation at its first sample. A block of no samples is still one
    // (empty) call.
    void processHostBlock (int n, juce::int64 frame)
    {
        int done = 0;
        do
        {
            const int piece = juce::jmin (pieceSize, n - done);
            if (playHead.has_value())
                playHead->setBlockStart (frame + done);
            if (automation.has_value())
                automation->applyAt (frame + done, sampleRate);

            // The host passes the same channels with fewer samples, from the piece's first on.
            juce::AudioBuffer<float> block (hostBuffer.getArrayOfWritePointers(), hostBuffer.getNumChannels(), done,
                                            piece);
            processor.processBlock (block, midi);
            done += piece;
        } while (done < n);
    }

    // Writes the main output of the host block just processed, less what is still to be dropped
    // at the start (--compensate-latency).
    juce::Result emit (int n)
    {
        const int drop = juce::jmin (toDrop, n);
        toDrop -= drop;
        if (n - drop <= 0)
            return juce::Result::ok();

        juce::AudioBuffer<float> block (hostBuffer.getArrayOfWritePointers(), hostBuffer.getNumChannels(), n);
        const auto out = processor.getBusBuffer (block, false, 0);
        summary.outputPeak = juce::jmax (summary.outputPeak, out.getMagnitude (drop, n - drop));
        written += n - drop;
        return output.write (out.getReadPointer (0, drop), out.getReadPointer (1, drop), n - drop);
    }

    QuorvaneAudioProcessor& processor;
    const RenderJob& job;
    WavFileOutput& output;
    RenderSummary& summary;
    const double sampleRate;
    const int pieceSize;
    juce::AudioBuffer<float> hostBuffer;
    juce::MidiBuffer midi;
    std::optional<HostPlayHead> playHead;
    std::optional<HostAutomation> automation;
    juce::int64 start = 0, written = 0;
    int toDrop = 0; // output samples still to drop at the start
};
} // namespace

juce::Result runRender (QuorvaneAudioProcessor& processor, const RenderJob& job, WavFileOutput& output,
                        RenderSummary& summary)
{
    summary = {};
    summary.sampleRate = job.audio1->getSampleRate();
    summary.blockSize = job.blockSize;

    auto result = juce::Result::ok();
    {
        // The play head lives as long as the host: it must not outlive the render.
        OfflineHost host (processor, job, output, summary);
        result = host.playInputs();
        if (result.wasOk() && job.compensateLatency)
            result = host.playTail();
    }

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
