#include <gtest/gtest.h>

#include "params/ParamIDs.h"
#include "params/ParameterTable.h"
#include "ProcessorTestSupport.h"

#include <atomic>
#include <cmath>
#include <functional>
#include <thread>

// The audio thread runs processBlock without pause while another thread does everything a host
// and an editor do at the same time: automation, state saves and restores, step edits, the
// Morph dial grab and, in the standalone application, file hand-overs and play-mode changes.
// Built with ThreadSanitizer these tests show any unsynchronised access; in every build they
// show that nothing crashes and the output stays finite.

namespace
{
constexpr int kMaxBlock = 256;
constexpr int kControlRounds = 300;

// Runs `audio` (one block per call) on its own thread for as long as `control` takes, and
// makes every control round wait for at least one fresh block, so that the two really overlap
// however the scheduler treats them.
void runConcurrently (const std::function<void (juce::Random&)>& audio,
                      const std::function<void (int round, juce::Random&)>& control)
{
    std::atomic<bool> stop { false };
    std::atomic<long> blocks { 0 };
    std::thread audioThread ([&] {
        juce::Random random (1);
        while (! stop.load())
        {
            audio (random);
            blocks.fetch_add (1);
        }
    });

    juce::Random random (2);
    for (int round = 0; round < kControlRounds; ++round)
    {
        control (round, random);
        const long seen = blocks.load();
        while (blocks.load() == seen)
            std::this_thread::yield();
    }
    stop.store (true);
    audioThread.join();
}

void setRandomParameter (QuorvaneAudioProcessor& p, juce::Random& random)
{
    const auto& spec = kParamTable[random.nextInt (kNumParameters)];
    p.parameters.getParameter (spec.id)->setValueNotifyingHost (random.nextFloat());
}

bool allFinite (const juce::AudioBuffer<float>& buffer, int channels, int n)
{
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < n; ++i)
            if (! std::isfinite (buffer.getSample (c, i)))
                return false;
    return true;
}
} // namespace

TEST (Concurrency, PluginProcessesWhileTheHostAndEditorChangeEverything)
{
    QuorvaneAudioProcessor p;
    HostedProcessor host (p, true);
    setRawParam (p, ParamIDs::seqEnabled, 1.0f);
    setRawParam (p, ParamIDs::seqEnabled2, 1.0f);
    host.prepare (48000.0, kMaxBlock);
    TestPlayHead playHead;
    playHead.setPlaying (120.0, 0.0);
    p.setPlayHead (&playHead);

    juce::MemoryBlock initialState;
    p.getStateInformation (initialState);

    std::atomic<int> nonFiniteBlocks { 0 };
    juce::AudioBuffer<float> buffer (4, kMaxBlock);
    double ppq = 0.0;

    runConcurrently (
        [&] (juce::Random& random) {
            const int n = 1 + random.nextInt (kMaxBlock);
            fillNoise (buffer, random.nextInt(), 0.8f);
            // The transport only changes between blocks, from the audio thread, as in a host.
            playHead.info.setPpqPosition (ppq);
            ppq += n / 24000.0;
            juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), 4, n);
            host.process (block);
            if (! allFinite (block, 2, n))
                nonFiniteBlocks.fetch_add (1);
        },
        [&] (int round, juce::Random& random) {
            for (int i = 0; i < 8; ++i)
                setRandomParameter (p, random);
            p.setStepValue (random.nextInt (2), random.nextInt (16), 2.0f * random.nextFloat() - 1.0f);
            p.morphTouched.store (random.nextBool());
            juce::MemoryBlock state;
            p.getStateInformation (state);
            if (round % 3 == 0)
                p.setStateInformation (state.getData(), (int) state.getSize());
            if (round % 10 == 0)
                p.setStateInformation (initialState.getData(), (int) initialState.getSize());
            (void) p.outputLevel.load();
            (void) p.stepPhase[0].load();
            (void) p.morphHandoffWeight.load();
        });

    p.setPlayHead (nullptr);
    EXPECT_EQ (nonFiniteBlocks.load(), 0);
}

TEST (Concurrency, StandaloneProcessesWhileFilesAndPlayModesChange)
{
    auto p = makeStandaloneProcessor();
    p->prepareToPlay (44100.0, kMaxBlock);
    setRawParam (*p, ParamIDs::seqEnabled, 1.0f);

    // Files of different lengths and channel counts, so that a hand-over changes everything the
    // audio thread reads: the buffers, their lengths and the sample rate.
    std::vector<juce::AudioBuffer<float>> files;
    for (const auto& [channels, length] : std::vector<std::pair<int, int>> { { 1, 300 }, { 2, 5000 }, { 2, 17 }, { 1, 44100 } })
    {
        juce::AudioBuffer<float> f (channels, length);
        fillNoise (f, length, 0.5f);
        files.push_back (std::move (f));
    }
    // Rates at which every filter corner of the output stage lies below the Nyquist frequency;
    // lower rates belong with the extreme settings.
    const double rates[] = { 44100.0, 48000.0, 96000.0 };
    const QuorvaneAudioProcessor::PlayMode modes[] = { QuorvaneAudioProcessor::PlayBlend, QuorvaneAudioProcessor::PlayAudio1,
                                                       QuorvaneAudioProcessor::PlayAudio2, QuorvaneAudioProcessor::Stopped };

    std::atomic<int> nonFiniteBlocks { 0 };
    juce::AudioBuffer<float> buffer (2, kMaxBlock);

    runConcurrently (
        [&] (juce::Random& random) {
            const int n = 1 + random.nextInt (kMaxBlock);
            juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), 2, n);
            juce::MidiBuffer midi;
            p->processBlock (block, midi);
            if (! allFinite (block, 2, n))
                nonFiniteBlocks.fetch_add (1);
        },
        [&] (int round, juce::Random& random) {
            if (round % 2 == 0)
                p->setAudio1Buffer (files[(size_t) random.nextInt ((int) files.size())], rates[random.nextInt (3)]);
            else
                p->setAudio2Buffer (files[(size_t) random.nextInt ((int) files.size())], rates[random.nextInt (3)]);
            p->setPlayMode (modes[random.nextInt (4)]);
            p->loopEnabled.store (random.nextBool());
            for (int i = 0; i < 4; ++i)
                setRandomParameter (*p, random);
            p->setStepValue (random.nextInt (2), random.nextInt (16), 2.0f * random.nextFloat() - 1.0f);
            p->morphTouched.store (random.nextBool());
            (void) p->playPosition.load();
            (void) p->getBlendedLength();
            (void) p->getStandaloneCycleLengthSamples (0);
        });

    EXPECT_EQ (nonFiniteBlocks.load(), 0);
}
