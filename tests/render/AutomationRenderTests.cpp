// What automation does to the rendered file: a curve that never moves renders exactly like
// --set, an interval of a whole block changes nothing, a volume ride scales the output by the
// curve wherever it holds still, a choice steps where a glide would pass through other values,
// and a mode switched through every entry renders cleanly. Only comparisons between renders and
// the engine's own volume formula are used, so nothing here depends on how the plug-in smooths a
// change between two blocks.

#include "RenderTestSupport.h"

#include "params/BlendModeRegistry.h"
#include "processor/ShippedFiles.h"

#include <cmath>

namespace
{
constexpr double kRate = 48000.0;

juce::MemoryBlock bytesOf (const juce::File& file)
{
    juce::MemoryBlock bytes;
    file.loadFileAsData (bytes);
    return bytes;
}

// The output volume's gain for a dial value in dB, as the engine's output stage computes it.
float volumeGain (float db)
{
    return std::pow (10.0f, db / 20.0f);
}

// "mode=0:0,0.25:1,...": every registry entry in turn, each for `seconds`.
std::string everyModeInTurn (double seconds)
{
    std::string curve = "mode=";
    for (int i = 0; i < kNumBlendModeEntries; ++i)
        curve += (i > 0 ? "," : "") + juce::String (seconds * i).toStdString() + ":" + std::to_string (i);
    return curve;
}
} // namespace

class AutomationRender : public RenderTest
{
protected:
    // Two stereo inputs of `frames` samples each, so that the plug-in blends.
    void writeInputs (int frames)
    {
        writeWav (file ("a.wav"), { testSignal (frames, 0, kRate), testSignal (frames, 1, kRate) }, kRate);
        writeWav (file ("b.wav"), { testSignal (frames, 2, kRate), testSignal (frames, 3, kRate) }, kRate);
    }

    // Renders a.wav and b.wav into `out` with these options; the test fails on any error.
    juce::File render (const char* out, const std::vector<std::string>& extra)
    {
        std::vector<std::string> args { path ("a.wav"), path ("b.wav"), "-o", path (out) };
        args.insert (args.end(), extra.begin(), extra.end());
        const auto result = runRenderInProcess (args);
        EXPECT_EQ (result.exitCode, 0) << result.err;
        return file (out);
    }

    std::string path (const char* name) const { return file (name).getFullPathName().toStdString(); }
};

TEST_F (AutomationRender, ACurveThatNeverMovesRendersExactlyLikeSet)
{
    // A single point, wherever it lies, holds its value for the whole render, and so does a
    // curve whose points all agree; both start at it before the first block, so they must give
    // the very bytes of --set, clamping included.
    writeInputs (24000);
    struct Case
    {
        const char* set;
        const char* automate;
    };
    const Case cases[] = {
        { "outputVolDb=-7.3", "outputVolDb=0:-7.3" },
        { "heat=150", "heat=0.3:150" },
        { "heat=300", "heat=0:300,0.2:300" },
        { "fxHiCut=3000", "fxHiCut=0:3000,0.1:3000,0.4:3000" },
        { "mode=13", "mode=0:13" },
        { "mode=7", "mode=0.25:7" },
        { "direction=1", "direction=0:1,0.2:1" },
        { "seqEnabled=1", "seqEnabled=0:1" },
        { "morph=20", "morph=0:20,0.5:20" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.automate);
        const std::vector<std::string> common { "--bpm", "120", "--seed", "3", "--block", "300" };
        auto withSet = common, withCurve = common;
        withSet.insert (withSet.end(), { "--set", c.set });
        withCurve.insert (withCurve.end(), { "--automate", c.automate });
        const auto expected = bytesOf (render ("set.wav", withSet));
        ASSERT_GT (expected.getSize(), 24000u * 8u);
        EXPECT_TRUE (bytesOf (render ("curve.wav", withCurve)) == expected);
    }
}

TEST_F (AutomationRender, AnIntervalOfAtLeastTheHostBlockChangesNothing)
{
    writeInputs (30000);
    const std::vector<std::string> curves { "--automate", "outputVolDb=0:0,0.3:-12",
                                            "--automate", "mode=0:16,0.2:17,0.4:9",
                                            "--automate", "fxHiCut=0:8000,0.5:1000",
                                            "--bpm", "120", "--seed", "1" };
    for (const char* block : { "512", "1000" })
    {
        SCOPED_TRACE (block);
        auto args = curves;
        args.insert (args.end(), { "--block", block });
        const auto expected = bytesOf (render ("host.wav", args));
        for (const char* interval : { block, "65536" })
        {
            auto split = args;
            split.insert (split.end(), { "--automation-block", interval });
            EXPECT_TRUE (bytesOf (render ("split.wav", split)) == expected) << "--automation-block " << interval;
        }
    }
}

TEST_F (AutomationRender, AVolumeRideScalesTheOutputByTheCurveWhereverItHoldsStill)
{
    // The output volume is the last gain of the chain, so against a render at 0 dB each sample
    // is scaled by the gain of the curve's value: -6 dB for the first half second, then a glide
    // over one second to -18 dB, which holds. Only the stretches at least 100 ms away from the
    // glide are compared, whatever the plug-in does to smooth it.
    constexpr int kFrames = 120000; // 2.5 s
    writeInputs (kFrames);
    const auto reference = readWav (render ("reference.wav", { "--mode", "Add", "--set", "outputVolDb=0" }));
    ASSERT_EQ (reference.channels.size(), 2u);

    struct Stretch
    {
        double from, to;
        float db;
    };
    const Stretch stretches[] = { { 0.0, 0.4, -6.0f }, { 1.6, 2.5, -18.0f } };
    const std::vector<std::vector<std::string>> hosts { { "--block", "512" },
                                                        { "--block", "1000", "--automation-block", "64" } };
    for (const auto& host : hosts)
    {
        SCOPED_TRACE (host.back());
        std::vector<std::string> args { "--mode", "Add", "--automate", "outputVolDb=0:-6,0.5:-6,1.5:-18" };
        args.insert (args.end(), host.begin(), host.end());
        const auto ridden = readWav (render ("ridden.wav", args));
        ASSERT_EQ (ridden.channels.size(), 2u);
        ASSERT_EQ (ridden.channels[0].size(), (size_t) kFrames);
        for (const auto& stretch : stretches)
        {
            const float gain = volumeGain (stretch.db);
            size_t compared = 0;
            for (size_t c = 0; c < 2; ++c)
                for (auto i = (size_t) (stretch.from * kRate); i < (size_t) (stretch.to * kRate); ++i)
                {
                    const float ref = reference.channels[c][i];
                    if (std::abs (ref) < 1.0e-3f)
                        continue;
                    ASSERT_NEAR (ridden.channels[c][i] / ref, gain, gain * 1.0e-5f)
                        << "channel " << c << ", sample " << i;
                    ++compared;
                }
            EXPECT_GT (compared, (size_t) ((stretch.to - stretch.from) * kRate)) << "too few audible samples";
        }
    }
}

TEST_F (AutomationRender, AChoiceStepsAtItsPointsWhereAGlideWouldPassThroughOthers)
{
    // Min for one second, then XOR: a glide from 14 to 21 would pass through the six math
    // modes between them. With the output stage's filters off, the math modes keep no state
    // that outlives a switch by long, so away from the step the output is each mode's own.
    constexpr int kFrames = 96000;
    writeInputs (kFrames);
    const std::vector<std::string> flat { "--set", "fxHiCut=20000", "--set", "fxLowCut=20", "--block", "256" };
    auto renderWith = [&] (const char* out, const char* option, const char* value) {
        auto args = flat;
        args.insert (args.end(), { option, value });
        return readWav (render (out, args)).channels;
    };
    const auto min = renderWith ("min.wav", "--set", "mode=14");
    const auto xorMode = renderWith ("xor.wav", "--set", "mode=21");
    const auto stepped = renderWith ("stepped.wav", "--automate", "mode=0:14,1:21");
    ASSERT_EQ (stepped.size(), 2u);
    ASSERT_NE (min, xorMode);

    struct Stretch
    {
        double from, to;
        const Channels* expected;
    };
    const Stretch stretches[] = { { 0.0, 0.99, &min }, { 1.1, 2.0, &xorMode } };
    for (const auto& stretch : stretches)
        for (size_t c = 0; c < 2; ++c)
            for (auto i = (size_t) (stretch.from * kRate); i < (size_t) (stretch.to * kRate); ++i)
                ASSERT_NEAR (stepped[c][i], (*stretch.expected)[c][i], 1.0e-6f)
                    << "channel " << c << ", sample " << i;
}

TEST_F (AutomationRender, EveryModeInTurnOverTheDefaultSamplesRendersCleanly)
{
    // All the registry's entries, a quarter of a second each, over the default samples: the
    // frame modes, the delay lines and the vocoder banks all start and stop in mid-render.
    const auto samples = ShippedFiles::find (ShippedFiles::kSamplesFolder);
    const auto drums = samples.getChildFile ("Full_Drums_120.wav");
    const auto chords = samples.getChildFile ("Chord Sequence C Minor_120.wav");
    const auto frames = readWav (drums).channels.at (0).size();
    ASSERT_EQ (readWav (chords).channels.at (0).size(), frames);
    ASSERT_GT ((double) frames, 0.25 * kNumBlendModeEntries * kRate) << "the samples must outlast the sweep";

    const std::vector<std::vector<std::string>> hosts {
        {},
        { "--block", "480", "--automation-block", "64", "--bpm", "120", "--set", "seqEnabled=1", "--set", "seqEnabled2=1" },
    };
    for (const auto& host : hosts)
    {
        SCOPED_TRACE (host.empty() ? "default host" : "split blocks, modulators running");
        std::vector<std::string> args { drums.getFullPathName().toStdString(), chords.getFullPathName().toStdString(),
                                        "--automate", everyModeInTurn (0.25), "--seed", "1", "--report", "-o",
                                        path ("sweep.wav") };
        args.insert (args.end(), host.begin(), host.end());
        const auto result = runRenderInProcess (args);
        ASSERT_EQ (result.exitCode, 0) << result.err;
        EXPECT_EQ (result.err, "");
        const auto report = juce::JSON::parse (juce::String (result.out));
        EXPECT_EQ (report["mode"].toString(), blendModeEntryForIndex (kNumBlendModeEntries - 1)->name);

        const auto output = readWav (file ("sweep.wav"));
        ASSERT_EQ (output.channels.size(), 2u);
        for (const auto& channel : output.channels)
        {
            ASSERT_EQ (channel.size(), frames);
            // The soft clip keeps every sample below the ceiling (0 dB at most) at 0 dB volume.
            for (float v : channel)
                ASSERT_TRUE (std::isfinite (v) && std::abs (v) <= 1.0f) << v;
        }
        // Every entry's quarter second comes out audible.
        for (int m = 0; m < kNumBlendModeEntries; ++m)
        {
            float peak = 0.0f;
            for (const auto& channel : output.channels)
                for (auto i = (size_t) (0.25 * m * kRate); i < (size_t) (0.25 * (m + 1) * kRate); ++i)
                    peak = std::max (peak, std::abs (channel[i]));
            EXPECT_GT (peak, 1.0e-3f) << blendModeEntryForIndex (m)->name;
        }
    }
}

TEST_F (AutomationRender, MorphRendersLikeTheLevelsItSets)
{
    // There is no editor here: --set morph and --automate morph play the levels Morph sets, the
    // very bytes of the three levels given by hand. Morph's ramp from 0 to 100 % over a second,
    // read at block starts every 10 ms, stands on whole percents; so do the levels' own ramps by
    // hand through their corners at half a second (FX Level up to 100 % and down again, Signal 1
    // down to 0 %, Signal 2 up from 0 %).
    writeInputs (48000);
    struct Case
    {
        const char* what;
        std::vector<std::string> morph, levels;
    };
    const Case cases[] = {
        { "set", { "--set", "morph=33" }, { "--set", "fxLevel=66", "--set", "sig1Level=34", "--set", "sig2Level=0" } },
        { "automate",
          { "--automate", "morph=0:0,1:100" },
          { "--automate", "fxLevel=0:0,0.5:100,1:0", "--automate", "sig1Level=0:100,0.5:0",
            "--automate", "sig2Level=0:0,0.5:0,1:100" } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        std::vector<std::string> withMorph { "--mode", "Ring Modulation (RM)", "--block", "480" };
        auto withLevels = withMorph;
        withMorph.insert (withMorph.end(), c.morph.begin(), c.morph.end());
        withLevels.insert (withLevels.end(), c.levels.begin(), c.levels.end());
        const auto expected = bytesOf (render ("levels.wav", withLevels));
        ASSERT_GT (expected.getSize(), 48000u * 8u);
        EXPECT_TRUE (bytesOf (render ("morph.wav", withMorph)) == expected);
    }
}
