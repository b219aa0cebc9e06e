#include <gtest/gtest.h>

#include "../params/ExpectedParameters.h"
#include "params/ParamIDs.h"
#include "ProcessorTestSupport.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

// A host delays every other track by the latency the plug-in reports. So everything the plug-in
// outputs must be exactly that late: each dry signal, the blend, and Audio 1 passing through
// without a sidechain. An impulse sent down one path at a time shows where it comes out.

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kImpulseAt = 700;
constexpr float kImpulse = 0.5f;
// Longer than the largest latency (4096) plus the impulse's place, in whole blocks.
constexpr int kTotal = 10 * kBlock;

enum class Path
{
    Signal1,     // only the dry Audio 1 is heard
    Signal2,     // only the dry Audio 2 is heard
    Blend,       // only the blend is heard; both inputs carry the impulse
    PassThrough  // no sidechain: Audio 1 passes through
};

using Settings = std::vector<std::pair<const char*, float>>;

// Output channel 0 and 1 of one run, the impulse at kImpulseAt on the path's inputs.
std::vector<std::vector<float>> runImpulse (int entry, int resolution, Path path, const Settings& settings = {})
{
    QuorvaneAudioProcessor p;
    HostedProcessor host (p, path != Path::PassThrough);
    host.setRaw (ParamIDs::mode, static_cast<float> (entry));
    host.setRaw (ParamIDs::resolution, static_cast<float> (resolution));
    // The output stage out of the way: no filters, no Heat, a 0 dB ceiling and unity volume.
    for (const auto& [id, value] : Settings { { ParamIDs::fxLowCut, 20.0f }, { ParamIDs::fxHiCut, 20000.0f },
                                              { ParamIDs::heat, 0.0f }, { ParamIDs::clipCeilingDb, 0.0f },
                                              { ParamIDs::outputVolDb, 0.0f } })
        host.setRaw (id, value);
    host.setRaw (ParamIDs::fxLevel, path == Path::Blend ? 100.0f : 0.0f);
    host.setRaw (ParamIDs::sig1Level, path == Path::Signal1 ? 100.0f : 0.0f);
    host.setRaw (ParamIDs::sig2Level, path == Path::Signal2 ? 100.0f : 0.0f);
    for (const auto& [id, value] : settings)
        host.setRaw (id, value);
    host.prepare (kRate, kBlock);

    const int channels = host.bufferChannels();
    juce::AudioBuffer<float> all (channels, kTotal);
    all.clear();
    const bool onMain = path != Path::Signal2;
    const bool onSidechain = path == Path::Signal2 || path == Path::Blend;
    for (int c = 0; c < channels; ++c)
        if ((c < 2 && onMain) || (c >= 2 && onSidechain))
            all.setSample (c, kImpulseAt, kImpulse);

    for (int start = 0; start < kTotal; start += kBlock)
    {
        juce::AudioBuffer<float> block (all.getArrayOfWritePointers(), channels, start, kBlock);
        host.process (block);
    }
    EXPECT_EQ (p.getLatencySamples(), expectedLatency (expectedBlendEntries()[(size_t) entry].blendMode, resolution));
    return { { all.getReadPointer (0), all.getReadPointer (0) + kTotal },
             { all.getReadPointer (1), all.getReadPointer (1) + kTotal } };
}

const int kResolutions[] = { 3, 7, 12 };
} // namespace

// Each dry path alone: the impulse leaves at exactly the reported latency, at the level the
// soft clip gives it, and nothing else leaves at all.
TEST (LatencyAlignment, DrySignalsArriveAtTheReportedLatencyInEveryEntry)
{
    const float expectedPeak = std::tanh (kImpulse);
    for (int entry = 0; entry < kNumBlendModeEntries; ++entry)
        for (const int resolution : kResolutions)
            for (const Path path : { Path::Signal1, Path::Signal2 })
            {
                const auto& expected = expectedBlendEntries()[(size_t) entry];
                const int latency = expectedLatency (expected.blendMode, resolution);
                SCOPED_TRACE (std::string (expected.name) + " at resolution " + std::to_string (resolution)
                              + (path == Path::Signal1 ? ", Signal 1" : ", Signal 2"));
                for (const auto& out : runImpulse (entry, resolution, path))
                    for (int i = 0; i < kTotal; ++i)
                    {
                        if (i == kImpulseAt + latency)
                            ASSERT_NEAR (out[(size_t) i], expectedPeak, 1.0e-5f) << "latency " << latency;
                        else
                            ASSERT_EQ (out[(size_t) i], 0.0f) << "sample " << i << ", latency " << latency;
                    }
            }
}

// Without a sidechain the input is copied, not processed: the very same sample value, late by
// exactly the latency the host compensates.
TEST (LatencyAlignment, PassThroughArrivesAtTheReportedLatencyInEveryEntry)
{
    for (int entry = 0; entry < kNumBlendModeEntries; ++entry)
        for (const int resolution : kResolutions)
        {
            const auto& expected = expectedBlendEntries()[(size_t) entry];
            const int latency = expectedLatency (expected.blendMode, resolution);
            SCOPED_TRACE (std::string (expected.name) + " at resolution " + std::to_string (resolution));
            for (const auto& out : runImpulse (entry, resolution, Path::PassThrough))
                for (int i = 0; i < kTotal; ++i)
                    ASSERT_EQ (out[(size_t) i], i == kImpulseAt + latency ? kImpulse : 0.0f) << "sample " << i;
        }
}

// The blend of two identical impulses, in the entries whose settings leave such a pair whole
// (an open gate, spectra that agree bin for bin, a delay line at rest, a sum): its largest sample
// is where the reported latency puts it, together with the dry paths above.
TEST (LatencyAlignment, BlendArrivesAtTheReportedLatency)
{
    const std::pair<const char*, Settings> entries[] = {
        { "Frequency Splice", { { ParamIDs::fsTilt, 0.0f }, { ParamIDs::fsLFORate, 0.0f } } },
        { "Spectral Gate", { { ParamIDs::sgThreshold, 0.0f } } },
        { "Phase Swap", { { ParamIDs::psTilt, 0.0f } } },
        { "Bin Interleave", { { ParamIDs::biTilt, 0.0f } } },
        { "Frequency Modulation (FM)", { { ParamIDs::fmDepth, 0.0f }, { ParamIDs::fmFeedback, 0.0f },
                                         { ParamIDs::wsSmoothing, 0.0f } } },
        { "Scrub", { { ParamIDs::scrubScale, 0.0f }, { ParamIDs::scrubBias, 0.0f } } },
        { "Add", {} },
    };
    for (const auto& [name, settings] : entries)
        for (const int resolution : kResolutions)
        {
            const int entry = modeIndexOf (name);
            const int latency = expectedLatency (expectedBlendEntries()[(size_t) entry].blendMode, resolution);
            SCOPED_TRACE (std::string (name) + " at resolution " + std::to_string (resolution));
            for (const auto& out : runImpulse (entry, resolution, Path::Blend, settings))
            {
                int loudest = 0;
                for (int i = 1; i < kTotal; ++i)
                    if (std::abs (out[(size_t) i]) > std::abs (out[(size_t) loudest]))
                        loudest = i;
                EXPECT_EQ (loudest, kImpulseAt + latency);
                EXPECT_GT (std::abs (out[(size_t) loudest]), 0.1f);
            }
        }
}

// Modulator 2 on Resolution changes the latency in the middle of playback. In every block the
// host must be told the latency that block's engine applies (the Resolution of the step the
// block starts in), and Morph's hand-off and step highlight must follow the position that is
// heard, the latency behind the block's start.
TEST (LatencyAlignment, ModulatorTwoOnResolutionReportsTheLatencyOfItsOwnBlock)
{
    QuorvaneAudioProcessor p;
    HostedProcessor host (p);
    TestPlayHead head;
    p.setPlayHead (&head);
    host.setRaw (ParamIDs::mode, static_cast<float> (modeIndexOf ("FFT Vocoder")));
    host.setRaw (ParamIDs::resolution, 7.0f);
    host.setRaw (ParamIDs::seqEnabled, 1.0f);
    host.setRaw (ParamIDs::seqEnabled2, 1.0f);
    host.setRaw (ParamIDs::mod2Target, 0.0f); // Dial 1: Resolution
    host.setRaw (ParamIDs::seqBars2, 0.0f);   // one bar: a step lasts 6000 samples at 120 BPM
    host.setRaw (ParamIDs::smoothing2, 0.0f);
    for (int s = 0; s < 16; ++s)
        p.setStepValue (1, s, s % 2 == 0 ? -1.0f : 1.0f); // Resolution 0 (8 samples), then 12 (4096)
    host.prepare (kRate, kBlock);

    juce::AudioBuffer<float> buffer (host.bufferChannels(), kBlock);
    const double quartersPerSample = 2.0 / kRate; // 120 BPM
    // What is heard: a new resolution once its frames are full, that is its frame size after
    // the step, rounded up to whole blocks (8 samples: the next block; 4096: eight blocks on);
    // its 480-sample crossfade starts with that block and ends within it.
    int heardLatency = 8, pending = -1, heardFrom = 0;
    for (int b = 0; b < 60; ++b)
    {
        const double ppq = b * kBlock * quartersPerSample;
        head.setPlaying (120.0, ppq);
        fillNoise (buffer, b + 1, 0.3f);
        host.process (buffer);

        const int step = static_cast<int> (std::floor (ppq / 4.0 * 16.0)) % 16;
        const int wanted = step % 2 == 0 ? 8 : 4096;
        if (pending < 0 && wanted != heardLatency)
        {
            pending = wanted;
            heardFrom = b + (wanted + kBlock - 1) / kBlock;
        }
        if (pending >= 0 && b >= heardFrom)
        {
            heardLatency = pending;
            pending = -1;
        }
        const int latency = heardLatency;
        ASSERT_EQ (p.getLatencySamples(), latency) << "block " << b;

        // Modulator 1's cycle is one bar too: the heard position lies `latency` samples back.
        const double heard = ppq / 4.0 - latency * quartersPerSample / 4.0;
        EXPECT_NEAR (p.stepPhase[0].load(), heard - std::floor (heard), 1e-9) << "block " << b;
    }
}
