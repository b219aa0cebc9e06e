#include "../params/ExpectedParameters.h"
#include "HostTestSupport.h"

#include <cmath>
#include <utility>

// Every blend entry at the common sample rates and at the block sizes hosts actually use,
// including single samples, odd sizes and a run of random sizes up to the prepared maximum.
// Whatever the host does, the output holds no NaN, infinity or subnormal sample, and never
// leaves the clip ceiling times the output gain. Without a sidechain the input passes through.

namespace
{
constexpr int kMaxBlock = 1024;

// Block sizes of one run: a few blocks of each fixed size, then random sizes.
std::vector<int> blockSchedule (int seed)
{
    std::vector<int> sizes;
    for (const auto& [size, count] : std::vector<std::pair<int, int>> { { 1, 48 }, { 17, 6 }, { 64, 3 }, { 512, 2 }, { 1024, 2 } })
        sizes.insert (sizes.end(), (size_t) count, size);
    juce::Random random (seed);
    for (int i = 0; i < 8; ++i)
        sizes.push_back (1 + random.nextInt (kMaxBlock));
    return sizes;
}

// The output stage set away from its defaults, so that the ceiling and the gain both matter and
// the loud inputs below drive the clipper hard.
struct OutputSettings
{
    float clipCeilingDb = -6.0f;
    float outputVolumeDb = 3.0f;
};

void applyOutputSettings (juce::AudioPluginInstance& plugin, const OutputSettings& s)
{
    setRawValue (plugin, "Clip Ceiling", s.clipCeilingDb);
    setRawValue (plugin, "Output Volume", s.outputVolumeDb);
    setRawValue (plugin, "Heat", 100.0f);
    setRawValue (plugin, "Signal 1", 50.0f);
    setRawValue (plugin, "Signal 2", 50.0f);
}

struct RunContext
{
    double rate;
    const char* mode;
};

std::string describe (const RunContext& c, int sample)
{
    return std::string ("at ") + std::to_string ((int) c.rate) + " Hz, mode " + c.mode + ", sample "
         + std::to_string (sample);
}
} // namespace

class HostProcessing : public HostedPluginTest
{
protected:
    // Runs every entry at one rate, with the sidechain wired or not; returns false after the
    // first failure so that one fault does not flood the report.
    void runAllEntries (double rate, bool sidechainWanted)
    {
        const bool sidechainOn = setSidechainEnabled (*plugin, sidechainWanted);
        // Only VST3 can switch the sidechain off; LV2 feeds it silence instead.
        ASSERT_EQ (sidechainOn, sidechainWanted || ! isVst3());

        HostAudio audio (*plugin);
        audio.prepare (rate, kMaxBlock);
        const OutputSettings settings;
        applyOutputSettings (*plugin, settings);
        const float bound = outputBound (settings.clipCeilingDb, settings.outputVolumeDb) * (1.0f + 1.0e-6f);

        const auto schedule = blockSchedule ((int) rate);
        int total = 0;
        for (int size : schedule)
            total += size;
        // Loud inputs, well above the ceiling.
        auto mainIn = noiseSignal (total, 2.5f, 1);
        auto sidechain = sidechainWanted ? noiseSignal (total, 2.5f, 2) : StereoSignal (total);
        StereoSignal out (total);

        const auto& entries = expectedBlendEntries();
        // A change of latency crosses from the old read point to the new one over 10 ms.
        const int fadeLength = (int) std::lround (0.01 * rate);
        int previousLatency = -1;
        for (int index = 0; index < (int) entries.size(); ++index)
        {
            setRawValue (*plugin, "Blend Mode", (float) index);
            const RunContext context { rate, entries[(size_t) index].name };
            const int latency = expectedLatency (entries[(size_t) index].blendMode, 7); // the default resolution
            const bool fades = previousLatency >= 0 && previousLatency != latency;
            const int oldLatency = previousLatency;
            previousLatency = latency;

            int offset = 0;
            for (int size : schedule)
            {
                audio.process (mainIn.at (offset), sidechain.at (offset), out.writeAt (offset), size);
                offset += size;
            }

            for (int i = 0; i < total; ++i)
            {
                for (const auto* channel : { &out.left, &out.right })
                {
                    const float y = (*channel)[(size_t) i];
                    ASSERT_FALSE (isBadSample (y)) << y << " " << describe (context, i);
                    if (sidechainWanted)
                        ASSERT_LE (std::fabs (y), bound) << describe (context, i);
                }
                if (! sidechainWanted)
                {
                    // No sidechain (LV2: one that never carried a sample): the main input passes
                    // through untouched, as late as the entry's latency. Every entry runs the same
                    // input, so what leaves first is the end of the previous entry's run; when the
                    // latency changed, it fades from the old read point to the new one first.
                    auto delayed = [&] (const std::vector<float>& in, int delay) {
                        return in[(size_t) (i >= delay ? i - delay : total - delay + i)];
                    };
                    for (const auto& [o, in] : { std::pair { &out.left, &mainIn.left }, std::pair { &out.right, &mainIn.right } })
                    {
                        if (fades && i < fadeLength)
                        {
                            const float a = delayed (*in, oldLatency), b = delayed (*in, latency);
                            const float expected = a + (b - a) * ((float) i / (float) fadeLength);
                            ASSERT_NEAR ((*o)[(size_t) i], expected, 1.0e-6f) << describe (context, i);
                        }
                        else
                            ASSERT_EQ ((*o)[(size_t) i], delayed (*in, latency)) << describe (context, i);
                    }
                }
            }
        }
        audio.release();
    }
};

TEST_P (HostProcessing, EveryEntryWithTheSidechainStaysFiniteAndBounded)
{
    for (double rate : { 44100.0, 48000.0, 96000.0 })
    {
        SCOPED_TRACE (rate);
        runAllEntries (rate, true);
        if (HasFatalFailure())
            return;
    }
}

TEST_P (HostProcessing, EveryEntryWithoutTheSidechainPassesTheInputOrStaysBounded)
{
    for (double rate : { 44100.0, 48000.0, 96000.0 })
    {
        SCOPED_TRACE (rate);
        runAllEntries (rate, false);
        if (HasFatalFailure())
            return;
    }
}

QV_INSTANTIATE_FOR_BOTH_FORMATS (HostProcessing);
