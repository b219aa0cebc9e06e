#include <gtest/gtest.h>

#include "params/ParamIDs.h"
#include "ProcessorTestSupport.h"

#include <cmath>
#include <functional>
#include <vector>

namespace
{
using PM = QuorvaneAudioProcessor::PlayMode;

// A file whose sample k (channel c) is value (c, k).
juce::AudioBuffer<float> makeFile (int channels, int length, const std::function<float (int, int)>& value)
{
    juce::AudioBuffer<float> file (channels, length);
    for (int c = 0; c < channels; ++c)
        for (int k = 0; k < length; ++k)
            file.setSample (c, k, value (c, k));
    return file;
}

// The processor as the standalone application runs it, on a stereo device, listening to the
// dry files only (see setDryOnlyMix) so that every output sample tells where it came from.
class StandalonePlayback : public ::testing::Test
{
protected:
    void SetUp() override
    {
        p = makeStandaloneProcessor();
        p->prepareToPlay (44100.0, 1024);
        setRawParam (*p, ParamIDs::mode, static_cast<float> (modeIndexOf ("Add")));
        setDryOnlyMix (*p, 100.0f, 0.0f);
    }

    // One device block; the buffer starts full of garbage to show what the processor writes.
    juce::AudioBuffer<float> runBlock (int n, int channels = 2)
    {
        juce::AudioBuffer<float> buffer (channels, n);
        for (int c = 0; c < channels; ++c)
            juce::FloatVectorOperations::fill (buffer.getWritePointer (c), 7.0f, n);
        juce::MidiBuffer midi;
        p->processBlock (buffer, midi);
        return buffer;
    }

    std::unique_ptr<QuorvaneAudioProcessor> p;
};

bool isSilent (const juce::AudioBuffer<float>& b, int from, int to)
{
    for (int c = 0; c < b.getNumChannels(); ++c)
        for (int i = from; i < to; ++i)
            if (b.getSample (c, i) != 0.0f)
                return false;
    return true;
}
} // namespace

TEST (StandaloneLayout, HasAStereoOutputAndNoInputs)
{
    auto p = makeStandaloneProcessor();
    EXPECT_EQ (p->getBusCount (true), 0);
    ASSERT_EQ (p->getBusCount (false), 1);
    EXPECT_EQ (p->getChannelCountOfBus (false, 0), 2);
}

// File 1 of 1000 samples, file 2 of 600, blocks of 256: the fourth block covers 768 .. 999 and
// then either wraps to 0 .. 23 or plays 24 samples of silence.
TEST_F (StandalonePlayback, BlendPlaysBothFilesPaddedToTheLongerAndLoopsOrStops)
{
    const auto file1 = makeFile (2, 1000, [] (int, int k) { return (float) (k + 1) / 2000.0f; });
    const auto file2 = makeFile (2, 600, [] (int, int k) { return -(float) (k + 1) / 1000.0f; });

    for (bool loop : { true, false })
    {
        SCOPED_TRACE (loop ? "looping" : "not looping");
        p->setPlayMode (PM::Stopped);
        p->setAudio1Buffer (file1, 44100.0);
        p->setAudio2Buffer (file2, 44100.0);
        p->loopEnabled.store (loop);
        p->setPlayMode (PM::PlayBlend);
        EXPECT_EQ (p->getBlendedLength(), 1000);

        for (int expected : { 256, 512, 768 })
        {
            runBlock (256);
            EXPECT_EQ (p->playPosition.load(), expected);
        }
        // The third block (512 .. 767) still holds file 2's samples 512 .. 599.
        EXPECT_NEAR (p->inputLevel2.load(), 0.6f, 1e-6);

        const auto fourth = runBlock (256);
        EXPECT_NEAR (fourth.getSample (0, 0), std::tanh (769.0f / 2000.0f), 1e-6);
        EXPECT_NEAR (fourth.getSample (1, 231), std::tanh (1000.0f / 2000.0f), 1e-6);
        EXPECT_NEAR (p->inputLevel1.load(), 0.5f, 1e-6);
        if (loop)
        {
            EXPECT_NEAR (fourth.getSample (0, 232), std::tanh (1.0f / 2000.0f), 1e-6);
            EXPECT_NEAR (fourth.getSample (1, 255), std::tanh (24.0f / 2000.0f), 1e-6);
            EXPECT_EQ (p->playPosition.load(), 24);
            // File 2 is silent from 600 on and only its wrapped start (0 .. 23) sounds.
            EXPECT_NEAR (p->inputLevel2.load(), 0.024f, 1e-6);

            runBlock (256);
            EXPECT_EQ (p->playPosition.load(), 280);
            EXPECT_EQ (p->playMode.load(), PM::PlayBlend);
        }
        else
        {
            EXPECT_TRUE (isSilent (fourth, 232, 256));
            EXPECT_EQ (p->playPosition.load(), 1024);
            EXPECT_EQ (p->inputLevel2.load(), 0.0f);
            EXPECT_EQ (p->playMode.load(), PM::PlayBlend);

            const auto fifth = runBlock (256);
            EXPECT_TRUE (isSilent (fifth, 0, 256));
            EXPECT_EQ (p->playMode.load(), PM::Stopped);
            EXPECT_EQ (p->playPosition.load(), 0);
        }
    }
}

TEST_F (StandalonePlayback, BlendFollowsThePositionAcrossChangingBlockSizes)
{
    p->setAudio1Buffer (makeFile (1, 1000, [] (int, int k) { return (float) (k + 1) / 2000.0f; }), 44100.0);
    p->setAudio2Buffer (makeFile (1, 1000, [] (int, int) { return 0.0f; }), 44100.0);
    p->setPlayMode (PM::PlayBlend);

    int position = 0;
    for (int n : { 100, 700, 50, 1024, 3 })
    {
        const auto out = runBlock (n);
        for (int i : { 0, n - 1 })
        {
            const int q = (position + i) % 1000;
            EXPECT_NEAR (out.getSample (0, i), std::tanh ((float) (q + 1) / 2000.0f), 1e-6) << n << "/" << i;
            EXPECT_EQ (out.getSample (1, i), out.getSample (0, i)); // mono file on a stereo device
        }
        position = (position + n) % 1000;
        EXPECT_EQ (p->playPosition.load(), position);
    }
}

TEST_F (StandalonePlayback, AuditionPlaysOneFileAloneAndStopsAtItsEnd)
{
    // A 300-sample stereo file 2 alone, blocks of 256, looping off: the second block plays 44
    // samples and 212 samples of silence, and playback stops in that same block.
    const auto file2 = makeFile (2, 300, [] (int c, int k) { return (c == 0 ? 1.0f : -1.0f) * (float) (k + 1) / 1000.0f; });
    p->setAudio2Buffer (file2, 44100.0);
    p->loopEnabled.store (false);
    p->setPlayMode (PM::PlayAudio2);

    const auto first = runBlock (256);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ (first.getSample (c, i), file2.getSample (c, i)) << c << "/" << i;
    EXPECT_EQ (p->playPosition.load(), 256);
    EXPECT_FLOAT_EQ (p->inputLevel2.load(), 0.256f);
    EXPECT_EQ (p->inputLevel1.load(), 0.0f);
    EXPECT_FLOAT_EQ (p->outputLevel.load(), 0.256f);

    const auto second = runBlock (256);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 44; ++i)
            ASSERT_EQ (second.getSample (c, i), file2.getSample (c, 256 + i)) << c << "/" << i;
    EXPECT_TRUE (isSilent (second, 44, 256));
    EXPECT_EQ (p->playMode.load(), PM::Stopped);
    EXPECT_EQ (p->playPosition.load(), 0);

    const auto third = runBlock (256);
    EXPECT_TRUE (isSilent (third, 0, 256));
    EXPECT_EQ (p->inputLevel1.load(), 0.0f);
    EXPECT_EQ (p->inputLevel2.load(), 0.0f);
}

TEST_F (StandalonePlayback, AuditionLoopsAndRepeatsAMonoFileOnEveryChannel)
{
    const auto file1 = makeFile (1, 300, [] (int, int k) { return (float) (k + 1) / 1000.0f; });
    p->setAudio1Buffer (file1, 44100.0);
    p->setPlayMode (PM::PlayAudio1);

    runBlock (256);
    const auto second = runBlock (256);
    for (int c = 0; c < 2; ++c)
    {
        for (int i = 0; i < 44; ++i)
            ASSERT_EQ (second.getSample (c, i), file1.getSample (0, 256 + i));
        for (int i = 44; i < 256; ++i)
            ASSERT_EQ (second.getSample (c, i), file1.getSample (0, i - 44));
    }
    EXPECT_EQ (p->playPosition.load(), 212);
    EXPECT_EQ (p->playMode.load(), PM::PlayAudio1);
    EXPECT_FLOAT_EQ (p->inputLevel1.load(), 0.3f);
    EXPECT_EQ (p->inputLevel2.load(), 0.0f);
}

TEST_F (StandalonePlayback, PlayModeAndHandOverControlThePosition)
{
    p->setAudio1Buffer (makeFile (2, 1000, [] (int, int) { return 0.1f; }), 48000.0);
    p->setAudio2Buffer (makeFile (2, 1000, [] (int, int) { return 0.2f; }), 48000.0);
    EXPECT_EQ (p->getCurrentSampleRate(), 48000.0);

    p->setPlayMode (PM::PlayBlend);
    runBlock (256);
    p->setPlayMode (PM::PlayBlend); // the same mode again keeps the position
    EXPECT_EQ (p->playPosition.load(), 256);
    p->setPlayMode (PM::PlayAudio1); // another mode restarts
    EXPECT_EQ (p->playPosition.load(), 0);

    runBlock (256);
    EXPECT_EQ (p->playPosition.load(), 256);
    p->setAudio2Buffer (makeFile (1, 500, [] (int, int) { return 0.3f; }), 22050.0); // a hand-over restarts too
    EXPECT_EQ (p->playPosition.load(), 0);
    EXPECT_EQ (p->playMode.load(), PM::PlayAudio1);
    EXPECT_EQ (p->getCurrentSampleRate(), 22050.0);
    EXPECT_EQ (p->getAudio2Length(), 500);

    // An empty file or a rate that is not a positive number leaves the engine's rate alone.
    p->setAudio2Buffer (juce::AudioBuffer<float> (), 96000.0);
    p->setAudio1Buffer (makeFile (1, 10, [] (int, int) { return 0.0f; }), 0.0);
    EXPECT_EQ (p->getCurrentSampleRate(), 22050.0);
    EXPECT_EQ (p->getBlendedLength(), 10);
}

TEST_F (StandalonePlayback, NothingToPlayIsSilentAndKeepsTheMode)
{
    p->setPlayMode (PM::PlayBlend);
    EXPECT_TRUE (isSilent (runBlock (256), 0, 256));

    p->setAudio1Buffer (makeFile (2, 1000, [] (int, int) { return 0.1f; }), 44100.0);
    EXPECT_TRUE (isSilent (runBlock (256), 0, 256)); // file 2 still missing
    EXPECT_EQ (p->playMode.load(), PM::PlayBlend);
    EXPECT_EQ (p->playPosition.load(), 0);

    p->setPlayMode (PM::PlayAudio2);
    EXPECT_TRUE (isSilent (runBlock (256), 0, 256));
    EXPECT_EQ (p->playMode.load(), PM::PlayAudio2);

    // Once the missing file arrives playback starts.
    p->setAudio2Buffer (makeFile (2, 1000, [] (int, int) { return 0.2f; }), 44100.0);
    EXPECT_EQ (runBlock (256).getSample (1, 10), 0.2f);
}

TEST_F (StandalonePlayback, ABusyFileLockGivesASilentBlockAndPlaybackResumes)
{
    p->setAudio1Buffer (makeFile (2, 1000, [] (int, int k) { return (float) (k + 1) / 2000.0f; }), 44100.0);
    p->setAudio2Buffer (makeFile (2, 1000, [] (int, int) { return 0.0f; }), 44100.0);
    p->setPlayMode (PM::PlayBlend);
    runBlock (256);
    const float level1 = p->inputLevel1.load();

    auto& lock = QuorvaneProcessorTestAccess::bufferLock (*p);
    lock.enter(); // a hand-over in progress on the message thread
    const auto blocked = runBlock (256);
    lock.exit();

    EXPECT_TRUE (isSilent (blocked, 0, 256));
    EXPECT_EQ (p->playPosition.load(), 256);
    EXPECT_EQ (p->playMode.load(), PM::PlayBlend);
    EXPECT_EQ (p->inputLevel1.load(), level1);

    const auto next = runBlock (256);
    EXPECT_NEAR (next.getSample (0, 0), std::tanh (257.0f / 2000.0f), 1e-6);
    EXPECT_EQ (p->playPosition.load(), 512);
}

TEST_F (StandalonePlayback, CycleLengthCountsTheAudioOneFileAsFourBars)
{
    struct Case { int audio1Length; int modulator; bool enabled; int bars, divider; int expected; };
    const Case cases[] = {
        { 441000, 0, true, 0, 0, 110250 },  // Bars "1": 441000 x 1 x 0.25
        { 441000, 0, true, 3, 0, 441000 },  // Bars "4": the whole file
        { 441000, 1, true, 8, 1, 882000 },  // modulator 2, "16" / "2"
        { 441000, 0, false, 0, 0, 0 },      // modulator off
        { 0, 0, true, 0, 0, 0 },            // no Audio 1 file
        { 10, 0, true, 0, 0, 3 },           // 2.5 rounds away from zero
        { 10, 1, true, 2, 1, 4 },           // 10 x 1.5 x 0.25 = 3.75
        { 1, 0, true, 0, 7, 0 },            // 0.03125 rounds to 0
    };
    for (const auto& c : cases)
    {
        const bool second = c.modulator == 1;
        setRawParam (*p, second ? ParamIDs::seqEnabled2 : ParamIDs::seqEnabled, c.enabled ? 1.0f : 0.0f);
        setRawParam (*p, second ? ParamIDs::seqBars2 : ParamIDs::seqBars, (float) c.bars);
        setRawParam (*p, second ? ParamIDs::seqDiv2 : ParamIDs::seqDiv, (float) c.divider);
        p->setAudio1Buffer (juce::AudioBuffer<float> (1, c.audio1Length), 44100.0);
        p->setAudio2Buffer (juce::AudioBuffer<float> (1, 7), 44100.0); // never the clock
        EXPECT_EQ (p->getStandaloneCycleLengthSamples (c.modulator), c.expected)
            << c.audio1Length << " m" << c.modulator << " " << c.bars << "/" << c.divider;
    }
    EXPECT_EQ (p->getStandaloneCycleLengthSamples (2), 0);
    EXPECT_EQ (p->getStandaloneCycleLengthSamples (-1), 0);
}

// Audio 1 of 8000 samples with Bars "4": the cycle spans the file, each step 500 samples.
// Even steps say "Audio 1 only", odd steps "Audio 2 only".
TEST_F (StandalonePlayback, ModulatorOneFollowsThePlaybackPosition)
{
    p->setAudio1Buffer (makeFile (2, 8000, [] (int, int) { return 0.5f; }), 44100.0);
    p->setAudio2Buffer (makeFile (2, 8000, [] (int, int) { return -0.25f; }), 44100.0);
    setRawParam (*p, ParamIDs::seqEnabled, 1.0f);
    setRawParam (*p, ParamIDs::seqBars, 3.0f);
    setRawParam (*p, ParamIDs::smoothing, 0.0f);
    for (int s = 0; s < 16; ++s)
        p->setStepValue (0, s, s % 2 == 0 ? -1.0f : 1.0f);
    p->setPlayMode (PM::PlayBlend);

    const float only1 = std::tanh (0.5f), only2 = std::tanh (-0.25f);
    auto first = runBlock (1024);
    EXPECT_NEAR (first.getSample (0, 0), only1, 1e-6);
    EXPECT_NEAR (first.getSample (0, 499), only1, 1e-6);
    EXPECT_NEAR (first.getSample (1, 900), only2, 1e-6);  // step 1, after the 128-sample ramp
    auto second = runBlock (1024);                         // starts at 1024, inside step 2
    EXPECT_NEAR (second.getSample (0, 1400 - 1024), only1, 1e-6);
    EXPECT_NEAR (second.getSample (0, 1900 - 1024), only2, 1e-6);

    EXPECT_FLOAT_EQ (p->morphHandoffWeight.load(), 1.0f);
    EXPECT_EQ (p->stepPhase[0].load(), 0.0); // positions are published in a host only
}

TEST_F (StandalonePlayback, ModulatorTwoNeedsACycleToOverrideItsDial)
{
    setRawParam (*p, ParamIDs::mode, static_cast<float> (modeIndexOf ("Frequency Splice")));
    setRawParam (*p, ParamIDs::seqEnabled2, 1.0f);
    setRawParam (*p, ParamIDs::mod2Target, 0.0f);
    for (int s = 0; s < 16; ++s)
        p->setStepValue (1, s, -1.0f);
    p->setAudio2Buffer (makeFile (2, 1000, [] (int, int) { return 0.0f; }), 44100.0);
    p->setPlayMode (PM::PlayBlend);

    struct Case { int audio1Length; int divider; float expected; };
    const Case cases[] = {
        { 1000, 0, 100.0f },  // a 250-sample cycle: the step's -1 takes the dial to its bottom
        { 1, 7, 1000.0f },    // a cycle that rounds to 0 samples: the dial is left alone
    };
    for (const auto& c : cases)
    {
        p->setAudio1Buffer (makeFile (2, c.audio1Length, [] (int, int) { return 0.0f; }), 44100.0);
        setRawParam (*p, ParamIDs::seqDiv2, (float) c.divider);
        runBlock (64);
        EXPECT_NEAR (p->readFreqSpliceParams().crossover, c.expected, 0.01f) << c.audio1Length;
    }
}

TEST_F (StandalonePlayback, StoppedClearsTheBlockAndTheInputMeters)
{
    p->setAudio1Buffer (makeFile (2, 1000, [] (int, int) { return 0.4f; }), 44100.0);
    p->setPlayMode (PM::PlayAudio1);
    runBlock (256);
    EXPECT_FLOAT_EQ (p->inputLevel1.load(), 0.4f);

    p->setPlayMode (PM::Stopped);
    EXPECT_TRUE (isSilent (runBlock (256), 0, 256));
    EXPECT_EQ (p->inputLevel1.load(), 0.0f);
    EXPECT_EQ (p->outputLevel.load(), 0.0f);
}

TEST_F (StandalonePlayback, PlayAfterStopOrAFilePageStartsFromCleanDelays)
{
    // In a mode with latency the dry signal is held back in the engine. A new start of the blend
    // must sound like the first one, not replay the last run's held-back tail.
    setRawParam (*p, ParamIDs::mode, static_cast<float> (modeIndexOf ("Spectral Gate")));
    setRawParam (*p, ParamIDs::resolution, 12.0f); // 4096 samples held back
    p->setAudio1Buffer (makeFile (2, 20000, [] (int c, int k) { return 0.3f * std::sin (0.01f * (float) (k + 7 * c)); }),
                        44100.0);
    p->setAudio2Buffer (makeFile (2, 20000, [] (int, int k) { return 0.1f * std::sin (0.02f * (float) k); }), 44100.0);

    auto play = [&] {
        p->setPlayMode (PM::PlayBlend);
        std::vector<float> out;
        for (int b = 0; b < 8; ++b)
        {
            const auto block = runBlock (1024);
            out.insert (out.end(), block.getReadPointer (0), block.getReadPointer (0) + 1024);
        }
        return out;
    };
    const auto first = play();
    for (const auto interruption : { PM::Stopped, PM::PlayAudio1, PM::PlayAudio2 })
    {
        p->setPlayMode (interruption);
        runBlock (1024);
        EXPECT_EQ (play(), first) << "after play mode " << static_cast<int> (interruption);
    }
}
