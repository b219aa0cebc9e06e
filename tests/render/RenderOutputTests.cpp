// What a successful render produces: the output file's format and length, how the inputs reach
// the buses, the JSON report, the parameter list, warnings for clamped values and the state
// block round trip.

#include "RenderTestSupport.h"

#include "engine/SimdIsa.h"
#include "params/ParameterTable.h"

#include <cmath>

namespace
{
constexpr double kRate = 48000.0;

float peakOf (const Channels& channels)
{
    float peak = 0.0f;
    for (const auto& channel : channels)
        for (float s : channel)
            peak = std::max (peak, std::abs (s));
    return peak;
}

std::vector<std::string> fieldsOf (const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;)
    {
        const auto tab = line.find ('\t', start);
        fields.push_back (line.substr (start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

float listedValue (const std::string& listing, const std::string& id)
{
    const auto text = listedValueText (listing, id);
    return text.empty() ? NAN : std::stof (text);
}
} // namespace

class RenderOutput : public RenderTest
{
protected:
    std::string path (const char* name) const { return file (name).getFullPathName().toStdString(); }
};

TEST_F (RenderOutput, WithoutSidechainTheOutputIsTheMainInputBitForBitAsFloatStereoWav)
{
    // Without AUDIO2 (and with AUDIO2 but --no-sidechain) the plug-in passes Audio 1 through, so
    // the output file must carry exactly the input samples, at the input's rate and length,
    // however the blocks fall.
    const Channels input { testSignal (1234, 0, kRate), testSignal (1234, 1, kRate) };
    writeWav (file ("a.wav"), input, kRate);
    writeWav (file ("long.wav"), { testSignal (5000, 0, kRate) }, kRate);

    const std::vector<std::vector<std::string>> runs {
        { path ("a.wav"), "-o", path ("out.wav") },
        { path ("a.wav"), "-o", path ("out.wav"), "--block", "1" },
        { path ("a.wav"), "-o", path ("out.wav"), "--block", "100" },
        { path ("a.wav"), "-o", path ("out.wav"), "--block", "65536" },
        { path ("a.wav"), path ("long.wav"), "--no-sidechain", "-o", path ("out.wav") },
    };
    for (const auto& args : runs)
    {
        SCOPED_TRACE (args.size() > 3 ? args[3] : "default block");
        const auto result = runRenderInProcess (args);
        ASSERT_EQ (result.exitCode, 0) << result.err;

        const auto output = readWav (file ("out.wav"));
        ASSERT_TRUE (output.ok);
        EXPECT_EQ (output.sampleRate, kRate);
        EXPECT_EQ (output.bitsPerSample, 32);
        EXPECT_TRUE (output.floatingPoint);
        ASSERT_EQ (output.channels.size(), 2u);
        EXPECT_EQ (output.channels, input);
    }
}

TEST_F (RenderOutput, PassThroughIsAsLateAsTheLatencyUnlessCompensated)
{
    // Frequency Splice reports 2048 samples. A host records Audio 1 passing through 2048 samples
    // late (and compensates); --compensate-latency drops those samples from the start and plays
    // the tail out, so the output is the input itself, as long as the input, however the blocks
    // fall.
    constexpr int kLatency = 2048, kFrames = 5000;
    const Channels input { testSignal (kFrames, 0, kRate), testSignal (kFrames, 1, kRate) };
    writeWav (file ("a.wav"), input, kRate);
    Channels late (2, std::vector<float> (kFrames, 0.0f));
    for (size_t c = 0; c < 2; ++c)
        std::copy (input[c].begin(), input[c].end() - kLatency, late[c].begin() + kLatency);

    for (const char* block : { "512", "1", "700", "65536" })
        for (const bool compensate : { false, true })
        {
            SCOPED_TRACE (std::string ("block ") + block + (compensate ? ", compensated" : ""));
            std::vector<std::string> args { path ("a.wav"), "--mode", "Frequency Splice", "--block", block,
                                            "-o", path ("out.wav") };
            if (compensate)
                args.push_back ("--compensate-latency");
            const auto result = runRenderInProcess (args);
            ASSERT_EQ (result.exitCode, 0) << result.err;
            EXPECT_EQ (readWav (file ("out.wav")).channels, compensate ? input : late);
        }
}

TEST_F (RenderOutput, CompensatedBlendLinesUpWithItsInputs)
{
    // FM at no depth carries Audio 2 through a 1024-sample delay line: compensated, an impulse
    // on Audio 2 comes out where it went in, in an output as long as the longer input.
    constexpr int kFrames = 3000, kImpulseAt = 900;
    Channels impulse (2, std::vector<float> (kFrames, 0.0f));
    impulse[0][kImpulseAt] = impulse[1][kImpulseAt] = 0.5f;
    writeWav (file ("tone.wav"), { testSignal (1800, 0, kRate) }, kRate);
    writeWav (file ("impulse.wav"), impulse, kRate);

    const auto result = runRenderInProcess ({ path ("tone.wav"), path ("impulse.wav"), "--mode", "Frequency Modulation (FM)",
                                              "--set", "fmDepth=0", "--set", "wsSmoothing=0", "--set", "fxHiCut=20000",
                                              "--set", "clipCeilingDb=0", "--compensate-latency", "-o", path ("out.wav") });
    ASSERT_EQ (result.exitCode, 0) << result.err;
    const auto output = readWav (file ("out.wav"));
    ASSERT_EQ (output.channels.size(), 2u);
    for (const auto& channel : output.channels)
    {
        ASSERT_EQ (channel.size(), (size_t) kFrames);
        for (int i = 0; i < kFrames; ++i)
            if (i == kImpulseAt)
                EXPECT_NEAR (channel[(size_t) i], std::tanh (0.5f), 1.0e-5f);
            else
                ASSERT_LT (std::abs (channel[(size_t) i]), 1.0e-6f) << "sample " << i;
    }
}

TEST_F (RenderOutput, ASeedMakesProbabilisticRendersRepeatable)
{
    // The coin flips are the only randomness of a render: one seed gives one output, and
    // another seed other choices.
    writeWav (file ("a.wav"), { testSignal (3000, 0, kRate), testSignal (3000, 1, kRate) }, kRate);
    writeWav (file ("b.wav"), { testSignal (3000, 2, kRate), testSignal (3000, 3, kRate) }, kRate);
    auto render = [&] (const char* seed, const char* out) {
        const auto result = runRenderInProcess ({ path ("a.wav"), path ("b.wav"), "--mode", "Probabilistic", "--seed",
                                                  seed, "-o", path (out) });
        EXPECT_EQ (result.exitCode, 0) << result.err;
        return readWav (file (out)).channels;
    };
    const auto first = render ("5", "first.wav");
    EXPECT_EQ (render ("5", "again.wav"), first);
    EXPECT_NE (render ("6", "other.wav"), first);
}

TEST_F (RenderOutput, EveryInstructionSetBuildTheCpuRunsRendersTheSameFile)
{
    // --list-isas names exactly the builds this CPU runs, slowest first; each renders the same
    // bytes, and a build the CPU lacks is refused with the reason.
    const auto listed = runRenderInProcess ({ "--list-isas" });
    ASSERT_EQ (listed.exitCode, 0) << listed.err;
    std::vector<std::string> expected;
    for (const auto isa : simd::kAllIsas)
        if (simd::isSupported (isa))
            expected.push_back (simd::isaOptionName (isa));
    EXPECT_EQ (splitLines (listed.out), expected);
    ASSERT_EQ (expected.front(), "baseline");

    writeWav (file ("a.wav"), { testSignal (9000, 0, kRate), testSignal (9000, 1, kRate) }, kRate);
    writeWav (file ("b.wav"), { testSignal (9000, 2, kRate), testSignal (9000, 3, kRate) }, kRate);
    const simd::Isa before = simd::activeIsa();
    for (const char* mode : { "Add", "Classic Vocoder", "Spectral Gate" })
    {
        auto render = [&] (const char* isa) {
            const auto out = juce::String (mode) + "-" + isa + ".wav";
            const auto result = runRenderInProcess ({ path ("a.wav"), path ("b.wav"), "--mode", mode, "--set",
                                                      "heat=120", "--isa", isa, "-o", path (out.toRawUTF8()) });
            EXPECT_EQ (result.exitCode, 0) << result.err;
            EXPECT_EQ (simd::activeIsa(), before) << "the choice outlived the render";
            juce::MemoryBlock bytes;
            file (out).loadFileAsData (bytes);
            return bytes;
        };
        const auto baseline = render ("baseline");
        EXPECT_GT (baseline.getSize(), 9000u * 8u);
        for (size_t i = 1; i < expected.size(); ++i)
            EXPECT_TRUE (render (expected[i].c_str()) == baseline) << mode << ", " << expected[i];
    }

    for (const auto isa : simd::kAllIsas)
        if (! simd::isSupported (isa))
        {
            const auto refused = runRenderInProcess ({ path ("a.wav"), path ("b.wav"), "--isa", simd::isaOptionName (isa),
                                                       "-o", path ("no.wav") });
            EXPECT_EQ (refused.exitCode, 2);
            EXPECT_NE (refused.err.find ("this CPU cannot run the"), std::string::npos) << refused.err;
            EXPECT_FALSE (file ("no.wav").exists());
        }
}

TEST_F (RenderOutput, MonoFeedsBothChannelsAndExtraChannelsAreDropped)
{
    const auto mono = testSignal (700, 0, kRate);
    writeWav (file ("mono.wav"), { mono }, kRate);
    const Channels three { testSignal (700, 0, kRate), testSignal (700, 1, kRate), testSignal (700, 2, kRate) };
    writeWav (file ("three.wav"), three, kRate);

    ASSERT_EQ (runRenderInProcess ({ path ("mono.wav"), "-o", path ("m.wav") }).exitCode, 0);
    EXPECT_EQ (readWav (file ("m.wav")).channels, (Channels { mono, mono }));

    ASSERT_EQ (runRenderInProcess ({ path ("three.wav"), "-o", path ("t.wav") }).exitCode, 0);
    EXPECT_EQ (readWav (file ("t.wav")).channels, (Channels { three[0], three[1] }));
}

TEST_F (RenderOutput, OutputLastsAsLongAsTheLongerInput)
{
    writeWav (file ("short.wav"), { testSignal (1000, 0, kRate) }, kRate);
    writeWav (file ("long.wav"), { testSignal (1600, 0, kRate), testSignal (1600, 1, kRate) }, kRate);

    struct Case
    {
        const char* audio1;
        const char* audio2;
        size_t frames;
    };
    const Case cases[] = { { "short.wav", "long.wav", 1600 }, { "long.wav", "short.wav", 1600 },
                           { "short.wav", "short.wav", 1000 } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (std::string (c.audio1) + " + " + c.audio2);
        const auto result = runRenderInProcess ({ path (c.audio1), path (c.audio2), "-o", path ("out.wav"), "--block", "256" });
        ASSERT_EQ (result.exitCode, 0) << result.err;
        const auto output = readWav (file ("out.wav"));
        ASSERT_EQ (output.channels.size(), 2u);
        EXPECT_EQ (output.channels[0].size(), c.frames);
        EXPECT_EQ (output.channels[1].size(), c.frames);
    }
}

TEST_F (RenderOutput, ReportDescribesTheRender)
{
    const Channels input { testSignal (3000, 0, kRate), testSignal (3000, 1, kRate) };
    writeWav (file ("a.wav"), input, kRate);
    writeWav (file ("b.wav"), { testSignal (2000, 0, kRate) }, kRate);

    struct Case
    {
        std::vector<std::string> extra;
        int blockSize;
        const char* mode;
        int latency;
    };
    // Frequency Splice reports 2048 samples of latency, also while the sidechain is off; the
    // default Classic Vocoder none.
    const Case cases[] = {
        { {}, 512, "Classic Vocoder", 0 },
        { { "--mode", "Frequency Splice", "--no-sidechain", "--block", "64" }, 64, "Frequency Splice", 2048 },
        { { "--mode", "3", "--block", "1000" }, 1000, "Frequency Splice", 2048 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.mode);
        std::vector<std::string> args { path ("a.wav"), path ("b.wav"), "-o", path ("out.wav"), "--report" };
        args.insert (args.end(), c.extra.begin(), c.extra.end());
        const auto result = runRenderInProcess (args);
        ASSERT_EQ (result.exitCode, 0) << result.err;

        const auto lines = splitLines (result.out);
        ASSERT_EQ (lines.size(), 1u) << result.out;
        const auto json = juce::JSON::parse (juce::String (lines[0]));
        ASSERT_TRUE (json.isObject()) << lines[0];
        EXPECT_EQ ((double) json["sampleRate"], kRate);
        EXPECT_EQ ((int) json["frames"], 3000);
        EXPECT_EQ ((int) json["blockSize"], c.blockSize);
        EXPECT_EQ (json["mode"].toString(), c.mode);
        EXPECT_EQ ((int) json["latencySamples"], c.latency);

        const auto output = readWav (file ("out.wav"));
        EXPECT_FLOAT_EQ ((float) (double) json["outputPeak"], peakOf (output.channels));
    }
}

TEST_F (RenderOutput, ListParamsShowsEveryParameterInLayoutOrder)
{
    const auto result = runRenderInProcess ({ "--list-params", "--set", "heat=150", "--mode", "Scrub", "--set",
                                              "seqEnabled=1", "--set", "fxHiCut=5000" });
    ASSERT_EQ (result.exitCode, 0) << result.err;
    EXPECT_EQ (result.err, "");

    const auto lines = splitLines (result.out);
    ASSERT_EQ (lines.size(), (size_t) kNumParameters);
    for (int i = 0; i < kNumParameters; ++i)
    {
        const auto& row = kParamTable[i];
        const auto fields = fieldsOf (lines[(size_t) i]);
        ASSERT_EQ (fields.size(), 6u) << lines[(size_t) i];
        EXPECT_EQ (fields[0], row.id);
        EXPECT_EQ (fields[1], row.name);
        EXPECT_EQ (std::stof (fields[2]), row.min) << row.id;
        EXPECT_EQ (std::stof (fields[3]), row.max) << row.id;
        EXPECT_EQ (std::stof (fields[4]), row.defaultValue) << row.id;
    }

    EXPECT_EQ (listedValue (result.out, "heat"), 150.0f);
    EXPECT_EQ (listedValue (result.out, "mode"), 10.0f);
    EXPECT_EQ (listedValue (result.out, "seqEnabled"), 1.0f);
    EXPECT_NEAR (listedValue (result.out, "fxHiCut"), 5000.0f, 0.01f); // through the skewed range
    EXPECT_NEAR (listedValue (result.out, "morph"), 50.0f, 1e-4f);     // untouched: the default
}

TEST_F (RenderOutput, OutOfRangeValuesAreClampedWithAWarning)
{
    struct Case
    {
        const char* assignment;
        const char* id;
        float stored;
    };
    const Case cases[] = { { "heat=500", "heat", 200.0f },
                           { "outputVolDb=-100", "outputVolDb", -60.0f },
                           { "mode=40", "mode", 21.0f },
                           { "seqEnabled=-3", "seqEnabled", 0.0f } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.assignment);
        const auto result = runRenderInProcess ({ "--list-params", "--set", c.assignment });
        ASSERT_EQ (result.exitCode, 0);
        EXPECT_EQ (listedValue (result.out, c.id), c.stored);
        const auto warnings = splitLines (result.err);
        ASSERT_EQ (warnings.size(), 1u) << result.err;
        EXPECT_EQ (warnings[0].rfind ("quorvane-render: warning: ", 0), 0u) << warnings[0];
        EXPECT_NE (warnings[0].find (c.id), std::string::npos) << warnings[0];
        EXPECT_NE (warnings[0].find ("clamped"), std::string::npos) << warnings[0];
    }

    // In range: no warning.
    EXPECT_EQ (runRenderInProcess ({ "--list-params", "--set", "heat=200" }).err, "");
}

TEST_F (RenderOutput, StateSavedAfterARenderRestoresTheParameters)
{
    writeWav (file ("a.wav"), { testSignal (500, 0, kRate) }, kRate);
    const auto saved = runRenderBinary ({ "a.wav", "-o", "out.wav", "--set", "heat=150", "--mode", "Phase Swap",
                                          "--set", "direction=2", "--state-out", "s.state" },
                                        dir);
    ASSERT_EQ (saved.exitCode, 0) << saved.err;
    ASSERT_TRUE (file ("s.state").existsAsFile());

    const auto restored = runRenderBinary ({ "--state-in", "s.state", "--list-params" }, dir);
    ASSERT_EQ (restored.exitCode, 0) << restored.err;
    EXPECT_EQ (listedValue (restored.out, "heat"), 150.0f);
    EXPECT_EQ (listedValue (restored.out, "mode"), 5.0f);
    EXPECT_EQ (listedValue (restored.out, "direction"), 2.0f);

    // --set after --state-in wins.
    const auto overridden = runRenderBinary ({ "--state-in", "s.state", "--set", "heat=20", "--list-params" }, dir);
    EXPECT_EQ (listedValue (overridden.out, "heat"), 20.0f);

    // Only the output and the state file are left, no temporaries.
    EXPECT_EQ (listFolder(), juce::StringArray ({ "a.wav", "out.wav", "s.state" }));
}

TEST_F (RenderOutput, ReadsAiffFlacAndOggInputs)
{
    // The same stereo signal in each format, decoded and passed through untouched. The lossless
    // formats at 24 bits come back within one 24-bit step, Ogg Vorbis only roughly.
    const Channels input { testSignal (4000, 0, kRate), testSignal (4000, 1, kRate) };
    struct Case
    {
        const char* name;
        std::unique_ptr<juce::AudioFormat> format;
        int bits;
        int quality;
        float tolerance;
    };
    Case cases[3] = { { "in.aiff", std::make_unique<juce::AiffAudioFormat>(), 24, 0, 1.0f / 8388608.0f },
                      { "in.flac", std::make_unique<juce::FlacAudioFormat>(), 24, 0, 1.0f / 8388608.0f },
                      { "in.ogg", std::make_unique<juce::OggVorbisAudioFormat>(), 16, 8, 0.05f } };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        {
            auto stream = std::make_unique<juce::FileOutputStream> (file (c.name));
            std::unique_ptr<juce::AudioFormatWriter> writer (
                c.format->createWriterFor (stream.get(), kRate, 2, c.bits, {}, c.quality));
            ASSERT_NE (writer, nullptr);
            stream.release();
            const float* channels[] = { input[0].data(), input[1].data(), nullptr };
            ASSERT_TRUE (writer->writeFromFloatArrays (channels, 2, 4000));
        }

        const auto result = runRenderInProcess ({ path (c.name), "-o", path ("out.wav") });
        ASSERT_EQ (result.exitCode, 0) << result.err;
        const auto output = readWav (file ("out.wav"));
        ASSERT_EQ (output.channels.size(), 2u);
        ASSERT_EQ (output.channels[0].size(), 4000u);
        for (size_t ch = 0; ch < 2; ++ch)
        {
            float worst = 0.0f;
            for (size_t i = 0; i < 4000; ++i)
                worst = std::max (worst, std::abs (output.channels[ch][i] - input[ch][i]));
            EXPECT_LE (worst, c.tolerance) << "channel " << ch;
        }
    }
}
