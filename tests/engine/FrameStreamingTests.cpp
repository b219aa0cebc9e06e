#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "FrameReference.h"

#include <string>

// The streaming frame machinery as every frame-based mode uses it: block boundaries, in-place
// processing and per-channel independence.

namespace
{
struct FrameMode
{
    const char* name;
    // Prepares the mode for `channels` channels at resolution 5 (32-point frames where the
    // resolution applies) and returns a block function for one channel.
    std::function<harness::BlockFn (BlendProcessor&, int channel, int channels)> make;
};

const FrameMode kFrameModes[] = {
    { "Spectral Gate",
      [] (BlendProcessor& e, int ch, int chans) -> harness::BlockFn {
          e.prepareSpectralGateIfNeeded (5, chans, 48000.0);
          return [&e, ch] (const float* a, const float* b, float* o, int n) {
              e.runSpectralGate (ch, a, b, o, n, { 30.0f, 20.0f, 5 });
          };
      } },
    { "Phase Swap",
      [] (BlendProcessor& e, int ch, int chans) -> harness::BlockFn {
          e.preparePhaseSwapIfNeeded (5, chans, 48000.0);
          return [&e, ch] (const float* a, const float* b, float* o, int n) {
              e.runPhaseSwap (ch, a, b, o, n, { 70.0f, 10.0f, 5 });
          };
      } },
    { "Bin Interleave",
      [] (BlendProcessor& e, int ch, int chans) -> harness::BlockFn {
          e.prepareBinInterleaveIfNeeded (5, chans, 48000.0);
          return [&e, ch] (const float* a, const float* b, float* o, int n) {
              e.runBinInterleave (ch, a, b, o, n, { 2, 0.0f, 5 });
          };
      } },
    { "Frequency Splice",
      [] (BlendProcessor& e, int ch, int chans) -> harness::BlockFn {
          e.prepareFreqSpliceIfNeeded (chans, 48000.0, {});
          return [&e, ch] (const float* a, const float* b, float* o, int n) {
              e.runFreqSplice (ch, a, b, o, n, { 800.0f, 50.0f, 10.0f, 3.0f });
          };
      } },
    { "FFT Vocoder",
      [] (BlendProcessor& e, int ch, int chans) -> harness::BlockFn {
          VocoderParams v;
          v.resolution = 5;
          e.prepareVocoderFFTIfNeeded (5, chans, 48000.0, v);
          return [&e, ch] (const float* a, const float* b, float* o, int n) { e.runVocoderFFT (ch, a, b, o, n); };
      } },
};
} // namespace

TEST (FrameStreaming, BlocksEndingMidHopContinueInTheNextBlock)
{
    const int length = 5000;
    const auto role1 = frameref::noise (length, 1);
    const auto role2 = frameref::noise (length, 2);
    for (const auto& mode : kFrameModes)
    {
        SCOPED_TRACE (mode.name);
        auto whole = harness::preparedEngine();
        const auto reference = harness::stream (role1, role2, mode.make (*whole, 0, 1), { length });

        auto pieces = harness::preparedEngine();
        const auto split = harness::stream (role1, role2, mode.make (*pieces, 0, 1), { 1, 3, 7, 2, 130, 5, 511, 64, 9 });
        ASSERT_EQ (split, reference);
    }
}

TEST (FrameStreaming, OutputMayShareMemoryWithEitherInput)
{
    const int length = 3000;
    const auto role1 = frameref::noise (length, 3);
    const auto role2 = frameref::noise (length, 4);
    for (const auto& mode : kFrameModes)
    {
        SCOPED_TRACE (mode.name);
        auto separate = harness::preparedEngine();
        const auto expected = harness::stream (role1, role2, mode.make (*separate, 0, 1), { 100 });

        for (const bool overRole1 : { true, false })
        {
            auto inPlace = harness::preparedEngine();
            auto run = mode.make (*inPlace, 0, 1);
            auto a = role1;
            auto b = role2;
            auto& target = overRole1 ? a : b;
            for (int start = 0; start < length; start += 100)
                run (a.data() + start, b.data() + start, target.data() + start, std::min (100, length - start));
            ASSERT_EQ (target, expected);
        }
    }
}

TEST (FrameStreaming, ChannelsKeepTheirOwnHistory)
{
    const int length = 2000;
    const auto left1 = frameref::noise (length, 5), left2 = frameref::noise (length, 6);
    const auto right1 = frameref::noise (length, 7), right2 = frameref::noise (length, 8);
    for (const auto& mode : kFrameModes)
    {
        SCOPED_TRACE (mode.name);
        auto mono = harness::preparedEngine();
        const auto expectedRight = harness::stream (right1, right2, mode.make (*mono, 0, 1), { 256 });

        // Two channels interleaved block by block: channel 1 must not see channel 0's signal.
        auto stereo = harness::preparedEngine (48000.0, 2);
        auto runLeft = mode.make (*stereo, 0, 2);
        auto runRight = mode.make (*stereo, 1, 2);
        std::vector<float> outLeft (static_cast<size_t> (length)), outRight (static_cast<size_t> (length));
        for (int start = 0; start < length; start += 256)
        {
            const int n = std::min (256, length - start);
            runLeft (left1.data() + start, left2.data() + start, outLeft.data() + start, n);
            runRight (right1.data() + start, right2.data() + start, outRight.data() + start, n);
        }
        ASSERT_EQ (outRight, expectedRight);
    }
}
