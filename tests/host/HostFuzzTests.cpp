#include "HostTestSupport.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

// Host automation gone wild: every parameter jumps to a random value over and over while an
// audio thread keeps processing random-sized blocks. Nothing may crash or stall, and no output
// sample may be non-finite, subnormal or above the loudest the output stage can produce (a 0 dB
// ceiling at +6 dB output gain).

namespace
{
constexpr int kMaxBlock = 512;
constexpr int kRounds = 120;
constexpr int kBlocksPerRound = 6;

// A hang guard, not a timing test: a round's few blocks take milliseconds even in a sanitizer
// build, so an audio thread that has not finished them after this long is stuck.
constexpr auto kStallLimit = std::chrono::seconds (60);

// Runs the message loop until `done` holds or `limit` has passed; returns whether it holds.
template <typename Predicate>
bool pumpUntil (Predicate&& done, std::chrono::steady_clock::duration limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (! done())
    {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        pumpMessages (1);
    }
    return true;
}
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
    std::atomic<bool> finished { false };
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
        finished.store (true);
    });

    juce::Random random (10);
    const auto params = pluginParameters (*plugin);
    int roundsDone = 0;
    for (; roundsDone < kRounds; ++roundsDone)
    {
        for (auto* p : params)
            p->setValueNotifyingHost (random.nextFloat());
        // Let the audio thread take in this round's values before the next ones.
        const int target = blocksDone.load() + kBlocksPerRound;
        if (! pumpUntil ([&] { return blocksDone.load() >= target; }, kStallLimit))
            break;
    }
    stop.store (true);

    // A thread stuck inside the plug-in can be neither joined nor left running while the plug-in
    // is unloaded under it: report and end the program, so the test fails instead of hanging.
    if (! pumpUntil ([&] { return finished.load(); }, kStallLimit))
    {
        ADD_FAILURE() << "the audio thread is stuck in processBlock after " << blocksDone.load() << " blocks";
        std::fflush (stdout);
        std::_Exit (EXIT_FAILURE);
    }
    audioThread.join();

    EXPECT_EQ (badSamples.load(), 0);
    EXPECT_EQ (tooLoud.load(), 0);
    EXPECT_GE (blocksDone.load(), kRounds * kBlocksPerRound)
        << "the audio thread stalled in round " << roundsDone + 1 << " of " << kRounds;
    audio.release();
}

QV_INSTANTIATE_FOR_BOTH_FORMATS (HostFuzz);
