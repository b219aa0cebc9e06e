#pragma once

#include "AtomicFileOutput.h"
#include "InputFile.h"
#include "RenderOptions.h"

#include "processor/PluginProcessor.h"

// Drives the processor over the input files exactly as a plug-in host drives a plug-in: bus
// layout, preparation, then one processBlock call per host block (or per piece of one, see
// RenderJob::automationBlockSize) on a buffer that carries the main input and the sidechain, with
// the main output written back into its first channels.

struct RenderSummary
{
    double sampleRate = 0.0;
    juce::int64 frames = 0;
    int blockSize = 0;
    juce::String modeName;
    int latencySamples = 0; // as reported to the host after the first block
    float outputPeak = 0.0f;
};

struct RenderJob
{
    InputFile* audio1 = nullptr;
    InputFile* audio2 = nullptr; // null: the sidechain bus is disabled
    int blockSize = 512;
    const TransportOptions* transport = nullptr; // null: the processor gets no play head
    bool compensateLatency = false; // output aligned with the inputs instead of as a host records it
    const std::vector<ParamAutomation>* automation = nullptr; // null or empty: no parameter moves
    // A host block longer than this reaches the processor in pieces of at most this many samples,
    // each with the automation at its first sample. 0: whole host blocks.
    int automationBlockSize = 0;
};

// Sets the bus layout and prepares the processor for the job. Fails when the processor refuses
// the layout.
juce::Result prepareForRender (QuorvaneAudioProcessor& processor, const RenderJob& job);

// Runs the whole render after prepareForRender and writes every output block to `output`.
juce::Result runRender (QuorvaneAudioProcessor& processor, const RenderJob& job, WavFileOutput& output,
                        RenderSummary& summary);

// Markup for --report: one JSON object on one line.
juce::String reportJson (const RenderSummary& summary);
