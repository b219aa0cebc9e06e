#pragma once

#include "HostedPlugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

// A fresh instance of the plug-in, loaded through the format under test, for every test.
class HostedPluginTest : public ::testing::TestWithParam<HostFormat>
{
protected:
    void SetUp() override
    {
        plugin = loadPlugin (GetParam());
        ASSERT_NE (plugin, nullptr);
    }

    void TearDown() override
    {
        if (plugin != nullptr)
            plugin->releaseResources();
        plugin.reset();
    }

    bool isVst3() const { return GetParam() == HostFormat::VST3; }

    std::unique_ptr<juce::AudioPluginInstance> plugin;
};

inline std::string hostFormatTestName (const ::testing::TestParamInfo<HostFormat>& info)
{
    return formatName (info.param);
}

inline void PrintTo (HostFormat format, std::ostream* os)
{
    *os << formatName (format);
}

#define QV_INSTANTIATE_FOR_BOTH_FORMATS(fixture)                                                        \
    INSTANTIATE_TEST_SUITE_P (Loaded, fixture, ::testing::Values (HostFormat::VST3, HostFormat::LV2), \
                              hostFormatTestName)

// For what only VST3 can express: switching a bus off.
#define QV_INSTANTIATE_FOR_VST3(fixture) \
    INSTANTIATE_TEST_SUITE_P (Loaded, fixture, ::testing::Values (HostFormat::VST3), hostFormatTestName)

// Two channels of samples, stored contiguously per channel.
struct StereoSignal
{
    explicit StereoSignal (int length) : left ((size_t) length, 0.0f), right ((size_t) length, 0.0f) {}

    int length() const { return (int) left.size(); }
    const float* const* at (int offset)
    {
        pointers[0] = left.data() + offset;
        pointers[1] = right.data() + offset;
        return pointers;
    }
    float* const* writeAt (int offset)
    {
        writePointers[0] = left.data() + offset;
        writePointers[1] = right.data() + offset;
        return writePointers;
    }

    std::vector<float> left, right;

private:
    const float* pointers[2] {};
    float* writePointers[2] {};
};

// Processes silent blocks and runs the message loop between them until `settled` holds, for at
// most `maxAttempts` blocks; returns whether it settled. What a plug-in tells its host can take
// a while to arrive: a VST3 plug-in notifies through the host's message thread, an LV2 plug-in
// through its output ports after a block. At least two blocks run, so that a notification on
// its way is not mistaken for a settled value.
template <typename Predicate>
bool processUntilSettled (HostAudio& audio, int blockSize, Predicate&& settled, int maxAttempts = 200)
{
    StereoSignal silence (blockSize), out (blockSize);
    for (int attempt = 0; attempt < maxAttempts; ++attempt)
    {
        audio.process (silence.at (0), silence.at (0), out.writeAt (0), blockSize);
        pumpMessages (attempt < 2 ? 1 : 5);
        if (attempt >= 1 && settled())
            return true;
    }
    return false;
}

// Uniform noise of the given peak, different per channel.
inline StereoSignal noiseSignal (int length, float peak, int seed)
{
    StereoSignal s (length);
    juce::Random random (seed);
    for (int i = 0; i < length; ++i)
    {
        s.left[(size_t) i] = peak * (2.0f * random.nextFloat() - 1.0f);
        s.right[(size_t) i] = peak * (2.0f * random.nextFloat() - 1.0f);
    }
    return s;
}

// A sample no audio output may ever hold: not a number, infinite, or subnormal.
inline bool isBadSample (float x)
{
    return ! std::isfinite (x) || (x != 0.0f && std::fabs (x) < std::numeric_limits<float>::min());
}

// The largest magnitude the output stage can produce: the clip ceiling times the output gain.
inline float outputBound (float clipCeilingDb, float outputVolumeDb)
{
    const double ceiling = clipCeilingDb > -100.0f ? std::pow (10.0, clipCeilingDb / 20.0) : 0.0;
    const double gain = outputVolumeDb > -60.0f ? std::pow (10.0, outputVolumeDb / 20.0) : 0.0;
    return (float) (ceiling * gain);
}
