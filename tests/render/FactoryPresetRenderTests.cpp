// Every factory preset rendered over the default samples, as a user first hears it: the
// output is finite and audible, no two presets sound the same, and all play at one level without
// a DC offset.

#include "RenderTestSupport.h"

#include "processor/FactoryPresets.h"
#include "processor/ShippedFiles.h"

#include <cmath>

namespace
{
// One second at the samples' 48 kHz: two beats at 120 BPM, half a cycle of a one-bar modulator.
constexpr int kFrames = 48000;
// Quieter than -60 dBFS RMS counts as silence.
constexpr double kSilenceRms = 1.0e-3;
// Renders that differ by less than this anywhere are the same sound.
constexpr float kSameSound = 1.0e-3f;

Channels firstSecondOf (const juce::File& sample)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (sample));
    if (reader == nullptr)
        return {};
    juce::AudioBuffer<float> audio ((int) reader->numChannels, kFrames);
    reader->read (&audio, 0, kFrames, 0, true, true);
    Channels channels;
    for (int c = 0; c < audio.getNumChannels(); ++c)
        channels.emplace_back (audio.getReadPointer (c), audio.getReadPointer (c) + kFrames);
    return channels;
}

double rmsOf (const Channels& channels)
{
    double sum = 0.0;
    size_t count = 0;
    for (const auto& channel : channels)
        for (float v : channel)
        {
            sum += (double) v * v;
            ++count;
        }
    return count > 0 ? std::sqrt (sum / (double) count) : 0.0;
}

float largestDifference (const Channels& a, const Channels& b)
{
    float largest = 0.0f;
    for (size_t c = 0; c < a.size() && c < b.size(); ++c)
        for (size_t i = 0; i < a[c].size() && i < b[c].size(); ++i)
            largest = std::max (largest, std::abs (a[c][i] - b[c][i]));
    return largest;
}
} // namespace

TEST_F (RenderTest, EveryFactoryPresetSoundsAndSoundsUnlikeTheOthers)
{
    const auto samples = ShippedFiles::find (ShippedFiles::kSamplesFolder);
    const auto drums = firstSecondOf (samples.getChildFile ("Full_Drums_120.wav"));
    const auto chords = firstSecondOf (samples.getChildFile ("Chord Sequence C Minor_120.wav"));
    ASSERT_FALSE (drums.empty());
    ASSERT_FALSE (chords.empty());
    writeWav (file ("drums.wav"), drums, 48000.0);
    writeWav (file ("chords.wav"), chords, 48000.0);

    std::vector<Channels> renders;
    for (int i = 0; i < FactoryPresets::count(); ++i)
    {
        const auto* name = FactoryPresets::at (i).name;
        SCOPED_TRACE (name);
        const auto out = file ("out" + juce::String (i) + ".wav");
        const auto result = runRenderInProcess ({ file ("drums.wav").getFullPathName().toStdString(),
                                                  file ("chords.wav").getFullPathName().toStdString(), "--preset",
                                                  name, "--bpm", "120", "--seed", "1", "-o",
                                                  out.getFullPathName().toStdString() });
        ASSERT_EQ (result.exitCode, 0) << result.err;
        auto output = readWav (out);
        ASSERT_TRUE (output.ok);
        for (const auto& channel : output.channels)
            for (float v : channel)
                ASSERT_TRUE (std::isfinite (v));
        EXPECT_GT (rmsOf (output.channels), kSilenceRms);
        renders.push_back (std::move (output.channels));
    }

    for (size_t a = 0; a < renders.size(); ++a)
        for (size_t b = a + 1; b < renders.size(); ++b)
            EXPECT_GT (largestDifference (renders[a], renders[b]), kSameSound)
                << FactoryPresets::at ((int) a).name << " and " << FactoryPresets::at ((int) b).name;
}

// Every factory preset over the whole default samples at 120 BPM (drums as Audio 1, the chords
// as Audio 2, as the standalone application starts): all play within 3 dB of one level,
// -18 dBFS RMS over both channels, so that they can be compared by ear without riding the
// volume, and none carries a DC offset (each channel's mean under 0.005).
TEST_F (RenderTest, EveryFactoryPresetPlaysAtOneLevelWithoutAnOffset)
{
    constexpr double kTargetDbfs = -18.0, kToleranceDb = 3.0, kMaxOffset = 0.005;
    const auto samples = ShippedFiles::find (ShippedFiles::kSamplesFolder);
    const auto drums = samples.getChildFile ("Full_Drums_120.wav").getFullPathName().toStdString();
    const auto chords = samples.getChildFile ("Chord Sequence C Minor_120.wav").getFullPathName().toStdString();
    for (int i = 0; i < FactoryPresets::count(); ++i)
    {
        const auto* name = FactoryPresets::at (i).name;
        SCOPED_TRACE (name);
        const auto out = file ("level.wav");
        const auto result = runRenderInProcess ({ drums, chords, "--preset", name, "--bpm", "120", "--seed", "1",
                                                  "--compensate-latency", "-o", out.getFullPathName().toStdString() });
        ASSERT_EQ (result.exitCode, 0) << result.err;
        const auto output = readWav (out);
        ASSERT_TRUE (output.ok);
        ASSERT_EQ (output.channels.size(), 2u);
        ASSERT_GT (output.channels[0].size(), (size_t) 48000 * 7);

        const double dbfs = 20.0 * std::log10 (rmsOf (output.channels));
        EXPECT_NEAR (dbfs, kTargetDbfs, kToleranceDb);
        for (const auto& channel : output.channels)
        {
            double sum = 0.0;
            for (float v : channel)
                sum += v;
            EXPECT_LT (std::abs (sum / (double) channel.size()), kMaxOffset);
        }
    }
}
