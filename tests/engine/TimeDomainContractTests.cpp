#include <gtest/gtest.h>

#include "EngineHarness.h"

#include <cmath>
#include <functional>
#include <string>

// What every per-channel time-domain operation promises the engine frame: the output may share
// memory with either input, zero samples write and change nothing, state survives other modes
// running in between, and processRealtime dispatches each mode with its makeup gain.

using namespace harness;

namespace
{
constexpr double kRate = 48000.0;

using Operation = std::function<void (BlendProcessor&, int channel, const float*, const float*, float*, int)>;

struct NamedOperation
{
    const char* name;
    BlendMode mode; // the math operations are one mode and share its tilt state
    Operation run;
};

std::vector<NamedOperation> operations()
{
    MathParams multiply;
    multiply.tilt = 40.0f;
    multiply.drive = 30.0f;
    multiply.dcOffset = 20.0f;
    MathParams divide = multiply;
    divide.op = Divide;
    divide.rectify = 50.0f;
    MathParams xorOp = multiply;
    xorOp.op = Xor;
    SidechainParams sc;
    sc.attack = 2.0f;
    sc.release = 40.0f;
    sc.threshold = 10.0f;
    sc.depth = 80.0f;
    AMParams am;
    am.lfoRate = 5.0f;
    FMParams fm;
    fm.depth = 90.0f;
    fm.feedback = 50.0f;
    WaveshapeParams ws;
    ws.window = 12.0f;
    ws.smoothing = 30.0f;
    ScrubParams scrub;
    scrub.scale = 60.0f;
    scrub.bias = -20.0f;
    scrub.smoothing = 30.0f;

    return {
        { "Multiply", Math, [=] (BlendProcessor& e, int c, const float* a, const float* b, float* o, int n) { e.runMath (c, a, b, o, n, kRate, multiply); } },
        { "Divide", Math, [=] (BlendProcessor& e, int c, const float* a, const float* b, float* o, int n) { e.runMath (c, a, b, o, n, kRate, divide); } },
        { "XOR", Math, [=] (BlendProcessor& e, int c, const float* a, const float* b, float* o, int n) { e.runMath (c, a, b, o, n, kRate, xorOp); } },
        { "Sidechain Duck", SidechainDuck, [=] (BlendProcessor& e, int c, const float* a, const float* b, float* o, int n) { e.runSidechain (c, a, b, o, n, kRate, sc); } },
        { "Amplitude Follow", AmplitudeFollow, [=] (BlendProcessor& e, int c, const float* a, const float* b, float* o, int n) { e.runAmplitudeFollow (c, a, b, o, n, kRate, sc); } },
        { "AM", AM, [=] (BlendProcessor& e, int c, const float* a, const float* b, float* o, int n) { e.runAM (c, a, b, o, n, kRate, am); } },
        { "FM", FM, [=] (BlendProcessor& e, int c, const float* a, const float* b, float* o, int n) { e.runFM (c, a, b, o, n, kRate, fm, ws); } },
        { "Scrub", Scrub, [=] (BlendProcessor& e, int c, const float* a, const float* b, float* o, int n) { e.runScrub (c, a, b, o, n, scrub); } },
    };
}

std::vector<float> role1Signal (int n) { return plus (noise (n, 101, 0.6f), sine (n, 3.0, kRate, 0.4f)); }
std::vector<float> role2Signal (int n) { return plus (noise (n, 102, 0.5f), sine (n, 150.0, kRate, 0.4f)); }
} // namespace

TEST (TimeDomainModes, OutputMayShareMemoryWithEitherInput)
{
    const int n = 3000;
    const auto r1 = role1Signal (n);
    const auto r2 = role2Signal (n);
    for (const auto& op : operations())
    {
        SCOPED_TRACE (op.name);
        auto separate = preparedEngine (48000.0, 2, 4096);
        std::vector<float> out ((size_t) n);
        op.run (*separate, 0, r1.data(), r2.data(), out.data(), n);

        auto overRole1 = preparedEngine (48000.0, 2, 4096);
        auto inPlace1 = r1;
        op.run (*overRole1, 0, inPlace1.data(), r2.data(), inPlace1.data(), n);
        EXPECT_EQ (inPlace1, out);

        auto overRole2 = preparedEngine (48000.0, 2, 4096);
        auto inPlace2 = r2;
        op.run (*overRole2, 0, r1.data(), inPlace2.data(), inPlace2.data(), n);
        EXPECT_EQ (inPlace2, out);
    }
}

TEST (TimeDomainModes, ZeroSamplesWriteAndChangeNothing)
{
    const int n = 2500;
    const auto r1 = role1Signal (n);
    const auto r2 = role2Signal (n);
    for (const auto& op : operations())
    {
        SCOPED_TRACE (op.name);
        auto fresh = preparedEngine (48000.0, 2, 4096);
        std::vector<float> expected ((size_t) n);
        op.run (*fresh, 0, r1.data(), r2.data(), expected.data(), n);

        auto engine = preparedEngine (48000.0, 2, 4096);
        std::vector<float> out ((size_t) n, 7.0f);
        op.run (*engine, 0, r1.data(), r2.data(), out.data(), 0);
        op.run (*engine, 0, r1.data(), r2.data(), out.data(), -5);
        EXPECT_EQ (out, std::vector<float> ((size_t) n, 7.0f));
        op.run (*engine, 0, r1.data(), r2.data(), out.data(), n);
        EXPECT_EQ (out, expected);
    }
}

TEST (TimeDomainModes, StateSurvivesOtherModesRunningInBetween)
{
    const int n = 2500;
    const auto r1 = role1Signal (2 * n);
    const auto r2 = role2Signal (2 * n);
    const auto other1 = noise (n, 103);
    const auto other2 = noise (n, 104);
    const auto ops = operations();
    for (const auto& op : ops)
    {
        SCOPED_TRACE (op.name);
        auto uninterrupted = preparedEngine (48000.0, 2, 4096);
        std::vector<float> expected ((size_t) (2 * n));
        op.run (*uninterrupted, 0, r1.data(), r2.data(), expected.data(), n);
        op.run (*uninterrupted, 0, r1.data() + n, r2.data() + n, expected.data() + n, n);

        auto engine = preparedEngine (48000.0, 2, 4096);
        std::vector<float> out ((size_t) (2 * n)), scratch ((size_t) n);
        op.run (*engine, 0, r1.data(), r2.data(), out.data(), n);
        for (const auto& other : ops)
            if (other.mode != op.mode)
                other.run (*engine, 0, other1.data(), other2.data(), scratch.data(), n);
        op.run (*engine, 0, r1.data() + n, r2.data() + n, out.data() + n, n);
        EXPECT_EQ (out, expected);
    }
}

TEST (TimeDomainModes, EngineAppliesEachModesMakeupGainInPlace)
{
    // Output stage neutral (both filters bypassed, no Heat, 0 dB ceiling and volume), blend only:
    // out = tanh(makeup x mode output). The host's buffer is processed in place, the block is
    // longer than prepared, and FM and Scrub show the latency the engine reports.
    OutputMixParams mix;
    mix.fxLevel = 100.0f;
    mix.sig1Level = 0.0f;
    mix.sig2Level = 0.0f;
    mix.fxLowCut = 20.0f;
    mix.heat = 0.0f;
    mix.fxHiCut = 20000.0f;
    mix.clipCeilingDb = 0.0f;
    mix.outputVolDb = 0.0f;

    struct Case
    {
        const char* name;
        BlendMode mode;
        std::function<double (const std::vector<float>& r1, const std::vector<float>& r2, int j)> modeOutput;
        float makeup;
        bool delayed; // the mode reports 1024 samples of latency
    };
    const Case cases[] = {
        { "Ring Modulation (RM)", Math, [] (auto& a, auto& b, int j) { return std::tanh ((double) a[(size_t) j] * b[(size_t) j]); }, 2.9f, false },
        { "Sidechain Duck", SidechainDuck, [] (auto&, auto& b, int j) { return (double) b[(size_t) j]; }, 1.18f, false },
        { "Amplitude Follow", AmplitudeFollow, [] (auto&, auto& b, int j) { return (double) b[(size_t) j]; }, 3.06f, false },
        { "AM", AM, [] (auto&, auto& b, int j) { return (double) b[(size_t) j]; }, 1.75f, false },
        { "FM", FM, [] (auto&, auto& b, int j) { return j >= 1024 ? (double) b[(size_t) (j - 1024)] : 0.0; }, 1.0f, true },
        { "Probabilistic", Probabilistic, [] (auto&, auto& b, int j) { return (double) b[(size_t) j]; }, 0.87f, false },
        { "Scrub", Scrub, [] (auto& a, auto&, int j) { return j >= 1024 ? (double) a[(size_t) (j - 1024)] : 0.0; }, 1.0f, true },
    };

    // Settings under which each mode's output is easy to state (see modeOutput above).
    BlendRecords records;
    records.sidechain.depth = 0.0f;
    records.am.depth = 0.0f;
    records.am.dcOffset = 100.0f;
    records.fm.depth = 0.0f;
    records.probabilistic.bias = 100.0f;
    records.mix = mix;

    const int n = 3000;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto r1 = noise (n, 105, 0.9f);
        // Scrub's speed comes from role2; keep it silent there so the playhead stands at the delay.
        const auto r2 = c.mode == Scrub ? constant (n, 0.0f) : noise (n, 106, 0.9f);

        juce::AudioBuffer<float> main (2, n), side (2, n);
        for (int ch = 0; ch < 2; ++ch)
            for (int j = 0; j < n; ++j)
            {
                main.setSample (ch, j, r1[(size_t) j]);
                side.setSample (ch, j, r2[(size_t) j]);
            }

        auto engine = preparedEngine (kRate, 2, 512);
        EXPECT_EQ (engine->getRealtimeLatencySamples (c.mode, 11), c.delayed ? 1024 : 0);
        engine->processRealtime (c.mode, main, side, main, side, main, kRate, records);

        for (int ch = 0; ch < 2; ++ch)
            for (int j = 0; j < n; ++j)
                ASSERT_NEAR (main.getSample (ch, j), std::tanh (c.makeup * c.modeOutput (r1, r2, j)), 1e-5)
                    << ch << ", " << j;
    }
}

TEST (TimeDomainModes, ChannelsRunTogetherAsEachRunsAlone)
{
    // The serial chains of neighbouring channels run side by side, the second channel's block
    // worked out in the first one's call: each channel of a three-channel engine (a pair and
    // one alone), processed in place over blocks longer than prepared, must come out exactly as
    // a one-channel engine makes it from that channel's signals alone.
    BlendRecords records;
    records.sidechain.attack = 3.0f;
    records.sidechain.release = 30.0f;
    records.sidechain.threshold = 15.0f;
    records.scrub.smoothing = 40.0f;
    records.scrub.scale = 20.0f;
    records.fm.feedback = 0.0f;

    const int n = 2000, channels = 3;
    for (const BlendMode mode : { SidechainDuck, AmplitudeFollow, Scrub, FM, AM })
    {
        SCOPED_TRACE (static_cast<int> (mode));
        juce::AudioBuffer<float> main (channels, n), side (channels, n);
        for (int ch = 0; ch < channels; ++ch)
        {
            const auto r1 = plus (noise (n, 110 + (uint32_t) ch, 0.7f), sine (n, 40.0 + 30.0 * ch, kRate, 0.3f));
            const auto r2 = noise (n, 120 + (uint32_t) ch, 0.6f);
            for (int j = 0; j < n; ++j)
            {
                main.setSample (ch, j, r1[(size_t) j]);
                side.setSample (ch, j, r2[(size_t) j]);
            }
        }

        juce::AudioBuffer<float> together (main);
        auto engine = preparedEngine (kRate, channels, 512);
        engine->processRealtime (mode, together, side, together, side, together, kRate, records);

        for (int ch = 0; ch < channels; ++ch)
        {
            juce::AudioBuffer<float> alone (1, n), aloneSide (1, n);
            alone.copyFrom (0, 0, main, ch, 0, n);
            aloneSide.copyFrom (0, 0, side, ch, 0, n);
            auto single = preparedEngine (kRate, 1, 512);
            single->processRealtime (mode, alone, aloneSide, alone, aloneSide, alone, kRate, records);
            for (int j = 0; j < n; ++j)
                ASSERT_EQ (together.getSample (ch, j), alone.getSample (0, j)) << "channel " << ch << ", " << j;
        }
    }
}
