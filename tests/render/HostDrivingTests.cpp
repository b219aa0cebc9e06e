// How the renderer drives the processor: bus layout, block sizes, what reaches each bus and
// what the play head reports. A probe processor records every block before processing it.

#include "RenderTestSupport.h"

#include "HostPlayHead.h"
#include "OfflineRender.h"

#include <optional>

namespace
{
constexpr double kRate = 48000.0;

struct SeenBlock
{
    int numSamples = 0;
    int numChannels = 0;
    Channels samples;
    std::optional<juce::AudioPlayHead::PositionInfo> position;
};

class ProbeProcessor : public QuorvaneAudioProcessor
{
public:
    using QuorvaneAudioProcessor::processBlock;

    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override
    {
        SeenBlock block;
        block.numSamples = buffer.getNumSamples();
        block.numChannels = buffer.getNumChannels();
        for (int c = 0; c < buffer.getNumChannels(); ++c)
            block.samples.emplace_back (buffer.getReadPointer (c), buffer.getReadPointer (c) + buffer.getNumSamples());
        if (auto* head = getPlayHead())
            if (auto position = head->getPosition())
                block.position = *position;
        blocks.push_back (std::move (block));
        QuorvaneAudioProcessor::processBlock (buffer, midi);
    }

    std::vector<SeenBlock> blocks;
};

// The samples a bus channel received, blocks joined.
std::vector<float> received (const std::vector<SeenBlock>& blocks, int channel)
{
    std::vector<float> all;
    for (const auto& b : blocks)
        all.insert (all.end(), b.samples[(size_t) channel].begin(), b.samples[(size_t) channel].end());
    return all;
}

std::vector<float> padded (std::vector<float> samples, size_t length)
{
    samples.resize (length, 0.0f);
    return samples;
}
} // namespace

class HostDriving : public RenderTest
{
protected:
    juce::Result render (ProbeProcessor& probe, bool withSidechain, int blockSize, const TransportOptions* transport)
    {
        InputFile audio1, audio2;
        EXPECT_TRUE (audio1.open (file ("a.wav"), "AUDIO1").wasOk());
        if (withSidechain)
        {
            EXPECT_TRUE (audio2.open (file ("b.wav"), "AUDIO2").wasOk());
        }

        RenderJob job;
        job.audio1 = &audio1;
        job.audio2 = withSidechain ? &audio2 : nullptr;
        job.blockSize = blockSize;
        job.transport = transport;

        WavFileOutput output;
        EXPECT_TRUE (output.open (file ("out.wav"), kRate).wasOk());
        auto result = prepareForRender (probe, job);
        if (result.wasOk())
            result = runRender (probe, job, output, summary);
        if (result.wasOk())
            result = output.commit();
        return result;
    }

    RenderSummary summary;
};

TEST_F (HostDriving, BlocksCarryMainInputAndSidechainOnTheirBusChannels)
{
    const Channels a { testSignal (1000, 0, kRate), testSignal (1000, 1, kRate) };
    const auto b = testSignal (700, 2, kRate);
    writeWav (file ("a.wav"), a, kRate);
    writeWav (file ("b.wav"), { b }, kRate);

    ProbeProcessor probe;
    ASSERT_TRUE (render (probe, true, 300, nullptr).wasOk());

    EXPECT_TRUE (probe.getBus (true, 1)->isEnabled());
    EXPECT_EQ (probe.getSampleRate(), kRate);
    EXPECT_EQ (probe.getBlockSize(), 300);
    ASSERT_EQ (probe.blocks.size(), 4u);
    const int expectedSizes[] = { 300, 300, 300, 100 };
    for (size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ (probe.blocks[i].numSamples, expectedSizes[i]) << i;
        EXPECT_EQ (probe.blocks[i].numChannels, 4) << i;
        EXPECT_FALSE (probe.blocks[i].position.has_value()) << "no play head without a tempo";
    }
    EXPECT_EQ (received (probe.blocks, 0), a[0]);
    EXPECT_EQ (received (probe.blocks, 1), a[1]);
    // The mono sidechain feeds both of its channels and is padded with silence.
    EXPECT_EQ (received (probe.blocks, 2), padded (b, 1000));
    EXPECT_EQ (received (probe.blocks, 3), padded (b, 1000));
    EXPECT_EQ (summary.frames, 1000);
}

TEST_F (HostDriving, WithoutSidechainTheBusIsDisabledAndTheBufferHasTwoChannels)
{
    writeWav (file ("a.wav"), { testSignal (600, 0, kRate) }, kRate);

    ProbeProcessor probe;
    ASSERT_TRUE (render (probe, false, 512, nullptr).wasOk());

    EXPECT_FALSE (probe.getBus (true, 1)->isEnabled());
    EXPECT_TRUE (probe.getBus (true, 0)->isEnabled());
    ASSERT_EQ (probe.blocks.size(), 2u);
    EXPECT_EQ (probe.blocks[0].numChannels, 2);
    EXPECT_EQ (probe.blocks[1].numSamples, 88);
    EXPECT_FALSE (probe.sidechainConnected.load());
}

TEST_F (HostDriving, PlayHeadAdvancesByEachBlockInQuarterNotesWhilePlaying)
{
    writeWav (file ("a.wav"), { testSignal (1000, 0, kRate) }, kRate);
    writeWav (file ("b.wav"), { testSignal (1000, 1, kRate) }, kRate);

    struct Case
    {
        TransportOptions transport;
    };
    const Case cases[] = { { { 120.0, 6, 8, 1.5, true } }, { { 97.0, 4, 4, 0.0, true } }, { { 140.0, 7, 16, 3.25, false } } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.transport.bpm);
        ProbeProcessor probe;
        ASSERT_TRUE (render (probe, true, 300, &c.transport).wasOk());
        ASSERT_EQ (probe.blocks.size(), 4u);
        for (size_t i = 0; i < probe.blocks.size(); ++i)
        {
            const auto& position = probe.blocks[i].position;
            ASSERT_TRUE (position.has_value());
            const double frame = 300.0 * (double) i;
            // A playing host moves by block length in quarter notes; a stopped one stands still.
            const double expectedPpq = c.transport.playing ? c.transport.ppqStart + frame / kRate * c.transport.bpm / 60.0
                                                           : c.transport.ppqStart;
            EXPECT_DOUBLE_EQ (*position->getPpqPosition(), expectedPpq) << i;
            EXPECT_EQ (*position->getBpm(), c.transport.bpm);
            EXPECT_EQ (position->getTimeSignature()->numerator, c.transport.numerator);
            EXPECT_EQ (position->getTimeSignature()->denominator, c.transport.denominator);
            EXPECT_EQ (position->getIsPlaying(), c.transport.playing);
        }
        EXPECT_EQ (probe.getPlayHead(), nullptr) << "the play head must not outlive the render";
    }
}

TEST (HostPlayHead, PositionAtABlockStart)
{
    HostPlayHead head ({ 90.0, 3, 4, 2.0, true }, 44100.0);
    head.setBlockStart (44100); // one second at 90 BPM is 1.5 quarter notes
    const auto position = head.getPosition();
    ASSERT_TRUE (position.hasValue());
    EXPECT_DOUBLE_EQ (*position->getPpqPosition(), 3.5);
    EXPECT_EQ (*position->getTimeInSamples(), 44100);
    EXPECT_DOUBLE_EQ (*position->getTimeInSeconds(), 1.0);
    EXPECT_TRUE (position->getIsPlaying());
}
