#include "HostTestSupport.h"

#include <atomic>
#include <thread>

// Host automation gone wild: every parameter jumps to a random value over and over while an
// audio thread keeps processing random-sized blocks. Nothing may crash, and no output sample
// may be non-finite, subnormal or above the loudest the output stage can produce (a 0 dB
// ceiling at +6 dB output gain).

namespace
{
constexpr int kMaxBlock = 512;
constexpr int kRounds = 120;
constexpr int kBlocksPerRound = 6;
} // namespace

using HostFuzz = HostedPluginTest;

TEST_P (HostFuzz, RandomParameterValuesWhileAudioRuns)
{
    ASSERT_TRUE (setSidechainEnabled (*plugin, true));
    HostAudio audio (*plugin);
    audio.prepare (48000.0, kMaxBlock);

    const float bound = outputBound (0.0f, 6.0f) * (1.0f + 1.0e-6f);
    const int length = 1 << 14;
    auto mainIn = noiseSignal (length + kMaxBlock, 1.0f, 5);
    auto sidechain = noiseSignal (length + kMaxBlock, 1.0f, 6);

    std::atomic<bool> stop { false };
    std::atomic<int> blocksDone { 0 };
    std::atomic<int> badSamples { 0 };
    std::atomic<int> tooLoud { 0 };

    std::thread audioThread ([&] {
        StereoSignal out (kMaxBlock);
        juce::Random random (9);
        int position = 0;
        while (! stop.load())
        {
            const int n = 1 + random.nextInt (kMaxBlock);
            audio.process (mainIn.at (position), sidechain.at (position), out.writeAt (0), n);
            position = (position + n) % length;
            for (int i = 0; i < n; ++i)
            {
                for (float y : { out.left[(size_t) i], out.right[(size_t) i] })
                {
                    if (isBadSample (y))
                        badSamples.fetch_add (1);
                    else if (std::fabs (y) > bound)
                        tooLoud.fetch_add (1);
                }
            }
            blocksDone.fetch_add (1);
        }
    });

    juce::Random random (10);
    const auto params = pluginParameters (*plugin);
    for (int round = 0; round < kRounds; ++round)
    {
        for (auto* p : params)
            p->setValueNotifyingHost (random.nextFloat());
        // Let the audio thread take in this round's values before the next ones.
        const int target = blocksDone.load() + kBlocksPerRound;
        while (blocksDone.load() < target)
            pumpMessages (1);
    }
    stop.store (true);
    audioThread.join();

    EXPECT_EQ (badSamples.load(), 0);
    EXPECT_EQ (tooLoud.load(), 0);
    EXPECT_GE (blocksDone.load(), kRounds * kBlocksPerRound);
    audio.release();
}

QV_INSTANTIATE_FOR_BOTH_FORMATS (HostFuzz);
