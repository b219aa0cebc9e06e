#include <gtest/gtest.h>

#include "EngineHarness.h"

#include <complex>

namespace
{
constexpr int kN = 512;

// |H(f)| of the biquad (b0 + b1 z^-1 + b2 z^-2) / (a0 + a1 z^-1 + a2 z^-2).
double biquadMagnitude (double b0, double b1, double b2, double a0, double a1, double a2, double f, double rate)
{
    const std::complex<double> z1 = std::polar (1.0, -2.0 * M_PI * f / rate), z2 = z1 * z1;
    return std::abs ((b0 + b1 * z1 + b2 * z2) / (a0 + a1 * z1 + a2 * z2));
}

// The cookbook responses below are computed in double precision, independently of the engine's
// single-precision code.

// High-pass with Q = 1/sqrt(2).
double highPassMagnitude (double f0, double f, double rate)
{
    const double w0 = 2.0 * M_PI * f0 / rate;
    const double cw = std::cos (w0), alpha = std::sin (w0) / (2.0 / std::sqrt (2.0));
    return biquadMagnitude ((1 + cw) / 2, -(1 + cw), (1 + cw) / 2, 1 + alpha, -2 * cw, 1 - alpha, f, rate);
}

// Shelf with slope 1.
double shelfMagnitude (bool low, double f0, double gainDb, double f, double rate)
{
    const double A = std::pow (10.0, gainDb / 40.0);
    const double w0 = 2.0 * M_PI * f0 / rate;
    const double cw = std::cos (w0), alpha = std::sin (w0) / std::sqrt (2.0), k = 2.0 * std::sqrt (A) * alpha;
    double b0, b1, b2, a0, a1, a2;
    if (low)
    {
        b0 = A * ((A + 1) - (A - 1) * cw + k); b1 = 2 * A * ((A - 1) - (A + 1) * cw); b2 = A * ((A + 1) - (A - 1) * cw - k);
        a0 = (A + 1) + (A - 1) * cw + k;       a1 = -2 * ((A - 1) + (A + 1) * cw);   a2 = (A + 1) + (A - 1) * cw - k;
    }
    else
    {
        b0 = A * ((A + 1) + (A - 1) * cw + k); b1 = -2 * A * ((A - 1) + (A + 1) * cw); b2 = A * ((A + 1) + (A - 1) * cw - k);
        a0 = (A + 1) - (A - 1) * cw + k;       a1 = 2 * ((A - 1) - (A + 1) * cw);     a2 = (A + 1) - (A - 1) * cw - k;
    }
    return biquadMagnitude (b0, b1, b2, a0, a1, a2, f, rate);
}

struct Signals
{
    juce::AudioBuffer<float> role1, role2, dry1, dry2, out;
    Signals (float r1, float r2, float d1, float d2, int n = kN)
        : role1 (constantBuffer (2, n, r1)), role2 (constantBuffer (2, n, r2)), dry1 (constantBuffer (2, n, d1)),
          dry2 (constantBuffer (2, n, d2)), out (2, n)
    {
    }
};
} // namespace

TEST (EngineFrame, MakeupGainPerMode)
{
    struct Case { BlendMode mode; MathOp op; int resolution; float gain; };
    const Case cases[] = {
        { FFTVocoder, Multiply, 7, 0.82f },    { ClassicVocoder, Multiply, 7, 1.72f },
        { DistortedVocoder, Multiply, 7, 4.04f / std::sqrt (128.0f) },
        { DistortedVocoder, Multiply, 0, 4.04f }, { DistortedVocoder, Multiply, 12, 4.04f / 64.0f },
        { DistortedVocoder, Multiply, 20, 4.04f / 64.0f }, // resolution clamps to 12; 2^12 is not capped at 1024
        { Math, Multiply, 7, 2.9f },  { Math, Subtract, 7, 0.75f }, { Math, Divide, 7, 0.16f },
        { Math, Min, 7, 1.0f },       { Math, Max, 7, 1.0f },       { Math, Xor, 7, 0.78f },
        { Math, AbsDiff, 7, 0.75f },  { Math, SignMultiply, 7, 1.0f }, { Math, Add, 7, 0.65f },
        { Math, static_cast<MathOp> (12), 7, 1.0f },
        { SidechainDuck, Multiply, 7, 1.18f }, { AmplitudeFollow, Multiply, 7, 3.06f },
        { FrequencySplice, Multiply, 7, 0.84f }, { AM, Multiply, 7, 1.75f }, { FM, Multiply, 7, 1.0f },
        { SpectralGate, Multiply, 7, 2.35f }, { PhaseSwap, Multiply, 7, 1.23f }, { BinInterleave, Multiply, 7, 1.39f },
        { Probabilistic, Multiply, 7, 0.87f }, { Scrub, Multiply, 7, 1.0f }, { kPassMode, Multiply, 7, 1.0f },
    };
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ (BlendProcessor::modeMakeupGain (c.mode, c.op, c.resolution), c.gain)
            << "mode " << c.mode << " op " << c.op << " resolution " << c.resolution;
}

TEST (EngineFrame, LatencyPerModeAndResolution)
{
    BlendProcessor engine;
    struct Case { int mode; int resolution; int latency; };
    const Case cases[] = {
        { FFTVocoder, 0, 8 },  { FFTVocoder, 2, 8 },   { FFTVocoder, 3, 8 },      { FFTVocoder, 7, 128 },
        { SpectralGate, 10, 1024 }, { PhaseSwap, 12, 4096 }, { BinInterleave, 15, 4096 }, { BinInterleave, -1, 8 },
        { FM, 7, 1024 },       { Scrub, 0, 1024 },     { FrequencySplice, 12, 2048 },
        { ClassicVocoder, 12, 0 }, { DistortedVocoder, 7, 0 }, { Math, 7, 0 }, { SidechainDuck, 7, 0 },
        { AmplitudeFollow, 7, 0 }, { AM, 7, 0 }, { Probabilistic, 7, 0 }, { 0, 7, 0 }, { 15, 7, 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (engine.getRealtimeLatencySamples (static_cast<BlendMode> (c.mode), c.resolution), c.latency)
            << "mode " << c.mode << " resolution " << c.resolution;
}

TEST (EngineFrame, FiltersAtTheirEndStopsAreBypassedExactly)
{
    // With every stage bypassed and unity levels the output is K * tanh(x / K), up to the 2e-6
    // the soft clip's fast tanh may differ from std::tanh. A filter that runs, even at 22 Hz or
    // 19998 Hz, shifts the 997 Hz tone by far more than that.
    struct Case { float lowCut, hiCut; bool bypassed; };
    const Case cases[] = { { 20.0f, 20000.0f, true }, { 21.0f, 19999.0f, true }, { 22.0f, 20000.0f, false },
                           { 20.0f, 19998.0f, false } };
    for (const auto& c : cases)
    {
        EngineHarness h;
        h.mix.fxLowCut = c.lowCut;
        h.mix.fxHiCut = c.hiCut;
        auto sig = sineBuffer (2, kN, 997.0, h.sampleRate, 0.5f);
        Signals s (0, 0, 0, 0);
        h.run (kPassMode, sig, sig, s.dry1, s.dry2, s.out);
        const float K = std::pow (10.0f, -0.3f / 20.0f);
        bool identical = true;
        for (int i = 0; i < kN; ++i)
            identical = identical
                        && std::abs (s.out.getSample (0, i) - K * std::tanh ((1.0f / K) * sig.getSample (0, i))) <= 2.0e-6f;
        EXPECT_EQ (identical, c.bypassed) << "low cut " << c.lowCut << " high cut " << c.hiCut;
    }
}

TEST (EngineFrame, HeatAt200PercentShapesLowsAndHighs)
{
    // A tiny tone keeps the saturator in its linear region, whose slope at zero is
    // 25 (1 - tanh^2(0.8)) / 11; the two shelves give +6 dB at the bottom and -6 dB at the top.
    const double rate = 48000.0;
    const double satSlope = 25.0 * (1.0 - std::pow (std::tanh (0.8), 2.0)) / 11.0;
    for (double freq : { 40.0, 250.0, 1000.0, 6000.0, 16000.0 })
    {
        const int n = 48000;
        EngineHarness h (rate, 2, n);
        h.mix.heat = 200.0f;
        h.mix.fxHiCut = 20000.0f;
        h.mix.clipCeilingDb = 0.0f;
        auto sig = sineBuffer (2, n, freq, rate, 1.0e-4f);
        Signals s (0, 0, 0, 0, n);
        h.run (kPassMode, sig, sig, s.dry1, s.dry2, s.out);

        const double expected = 1.0e-4 * satSlope * shelfMagnitude (true, 250.0, 6.0, freq, rate)
                                * shelfMagnitude (false, 6000.0, -6.0, freq, rate);
        const double measured = toneAmplitude (s.out.getReadPointer (0), 24000, 24000, freq, rate);
        EXPECT_NEAR (measured / expected, 1.0, 2.0e-3) << freq << " Hz";
    }
    // The shelves reach their full +6 / -6 dB far from the corners.
    EXPECT_NEAR (20.0 * std::log10 (shelfMagnitude (true, 250.0, 6.0, 20.0, rate)), 6.0, 0.1);
    EXPECT_NEAR (20.0 * std::log10 (shelfMagnitude (false, 6000.0, -6.0, 23000.0, rate)), -6.0, 0.1);
}

TEST (EngineFrame, LowCutFollowsTheCookbookHighPass)
{
    // The blend alone through the low cut (Heat and the high cut bypassed, a 0 dB ceiling): a tone
    // of 0.01 comes out as 0.01 |H(f)|, less at most 0.01^2 / 4 = 2.5e-5 of it from the soft
    // clip's tanh. Tones at a quarter of the corner up to eight times it, at corners from near
    // the bottom of the dial to its top.
    //
    // How close single precision can come: the zeros sit exactly at DC (b1 = -2 b0 survives the
    // rounding), so the error comes from the denominator 1 + a1 z^-1 + a2 z^-2. Near and below
    // the corner its size is about w0^2 sqrt(1 + (f / f0)^4), and a1 and a2 (of magnitude up
    // to 2) each carry a few roundings, together under 8 x 2^-24 in absolute terms. Relative to
    // the response that is 8 x 2^-24 / (w0^2 sqrt(1 + (f / f0)^4)): 2.8e-3 below a 100 Hz corner,
    // 7e-6 at 2 kHz. On top of that 2e-4 for the tanh, the rounding of the per-sample arithmetic
    // and the measurement. At every corner here the bound stays below the 1.8 % by which a Q of
    // 0.72 instead of 0.707 moves the response at the corner.
    const double rate = 48000.0;
    const int settle = 24000, count = 48000; // half a second to settle, one second of whole periods
    for (const double corner : { 100.0, 300.0, 1000.0, 2000.0 })
        for (const double ratio : { 0.25, 0.5, 1.0, 2.0, 8.0 })
        {
            const double freq = corner * ratio; // whole hertz: one second holds whole periods
            SCOPED_TRACE ("corner " + std::to_string (corner) + " Hz, tone " + std::to_string (freq) + " Hz");
            EngineHarness h (rate, 1, settle + count);
            h.mix.fxLevel = 100.0f;
            h.mix.fxLowCut = static_cast<float> (corner);
            h.mix.heat = 0.0f;
            h.mix.fxHiCut = 20000.0f;
            h.mix.clipCeilingDb = 0.0f;
            h.mix.outputVolDb = 0.0f;
            auto sig = sineBuffer (1, settle + count, freq, rate, 0.01f);
            Signals s (0, 0, 0, 0, settle + count);
            h.run (kPassMode, sig, sig, s.dry1, s.dry2, s.out);

            const double w0 = 2.0 * M_PI * corner / rate;
            const double tolerance = 8.0 * std::ldexp (1.0, -24) / (w0 * w0 * std::sqrt (1.0 + std::pow (ratio, 4.0)))
                                     + 2.0e-4;
            const double expected = 0.01 * highPassMagnitude (corner, freq, rate);
            const double measured = toneAmplitude (s.out.getReadPointer (0), settle, count, freq, rate);
            EXPECT_NEAR (measured / expected, 1.0, tolerance);
        }
    // The reference itself: -3 dB at the corner, -24 dB two octaves below, flat far above.
    EXPECT_NEAR (20.0 * std::log10 (highPassMagnitude (1000.0, 1000.0, rate)), -3.01, 0.01);
    EXPECT_NEAR (20.0 * std::log10 (highPassMagnitude (1000.0, 250.0, rate)), -24.1, 0.1);
    EXPECT_NEAR (highPassMagnitude (100.0, 8000.0, rate), 1.0, 1.0e-3);
}

TEST (EngineFrame, HeatSaturatorKeepsSilenceSilentAndIsAsymmetric)
{
    EngineHarness h;
    h.mix.heat = 100.0f;
    h.mix.fxHiCut = 20000.0f;
    Signals silent (0, 0, 0, 0);
    h.run (kPassMode, silent.role1, silent.role2, silent.dry1, silent.dry2, silent.out);
    EXPECT_EQ (silent.out.getMagnitude (0, kN), 0.0f);

    // Large steady inputs settle past the shelves (DC passes the low shelf at +6 dB, the high
    // shelf at 0 dB): the curve saturates at (+-1 - tanh(0.4)) / 6, unequal for the two signs.
    EngineHarness pos, neg;
    for (auto* e : { &pos, &neg }) { e->mix.heat = 100.0f; e->mix.fxHiCut = 20000.0f; e->mix.clipCeilingDb = 0.0f; }
    const int n = 512;
    Signals p (10.0f, 0, 0, 0, n), m (-10.0f, 0, 0, 0, n);
    for (int b = 0; b < 20; ++b)
    {
        pos.run (kPassMode, p.role1, p.role2, p.dry1, p.dry2, p.out);
        neg.run (kPassMode, m.role1, m.role2, m.dry1, m.dry2, m.out);
        p.role1 = constantBuffer (2, n, 10.0f);
        m.role1 = constantBuffer (2, n, -10.0f);
    }
    const double t = std::tanh (0.4);
    EXPECT_NEAR (p.out.getSample (0, n - 1), std::tanh ((1.0 - t) / 6.0), 1e-4);
    EXPECT_NEAR (m.out.getSample (0, n - 1), std::tanh ((-1.0 - t) / 6.0), 1e-4);
}

TEST (EngineFrame, SoftClipNeverExceedsTheCeilingAndVolumeScales)
{
    struct Case { float ceilingDb, volumeDb, input; };
    const Case cases[] = { { -0.3f, 0.0f, 100.0f }, { -12.0f, 0.0f, -50.0f }, { -6.0f, 6.0f, 3.0f }, { 0.0f, -20.0f, 1e6f } };
    for (const auto& c : cases)
    {
        EngineHarness h;
        h.mix.clipCeilingDb = c.ceilingDb;
        h.mix.outputVolDb = c.volumeDb;
        h.mix.sig1Level = 100.0f;
        h.mix.sig2Level = 100.0f;
        Signals s (c.input, c.input, c.input, c.input);
        h.run (kPassMode, s.role1, s.role2, s.dry1, s.dry2, s.out);
        const double bound = std::pow (10.0, c.ceilingDb / 20.0) * std::pow (10.0, c.volumeDb / 20.0);
        EXPECT_LE (s.out.getMagnitude (0, kN), bound * (1.0 + 1e-6)) << c.ceilingDb << " dB ceiling";
        EXPECT_GT (s.out.getMagnitude (0, kN), bound * 0.99) << c.ceilingDb << " dB ceiling";
    }
}

TEST (EngineFrame, MinimumVolumeOrCeilingMutesExactly)
{
    for (auto [ceiling, volume] : { std::pair { -0.3f, -60.0f }, std::pair { -100.0f, 0.0f }, std::pair { -120.0f, 6.0f } })
    {
        EngineHarness h;
        h.mix.outputVolDb = volume;
        h.mix.clipCeilingDb = ceiling;
        h.mix.sig1Level = 100.0f;
        Signals s (0.5f, 0.5f, 0.5f, 0.5f);
        h.run (kPassMode, s.role1, s.role2, s.dry1, s.dry2, s.out);
        EXPECT_EQ (s.out.getMagnitude (0, kN), 0.0f) << ceiling << " / " << volume;
    }
}

TEST (EngineFrame, MixesBlendAndBothDrySignalsAtTheirLevels)
{
    EngineHarness h;
    h.mix = { 30.0f, 50.0f, 20.0f, 20.0f, 0.0f, 20000.0f, 0.0f, 0.0f };
    Signals s (0.1f, 0.9f, 0.3f, 0.4f);
    h.run (kPassMode, s.role1, s.role2, s.dry1, s.dry2, s.out);
    const float expected = std::tanh (0.5f * 0.3f + 0.2f * 0.4f + 0.3f * 0.1f);
    EXPECT_NEAR (s.out.getSample (0, 0), expected, 1e-7f);
    EXPECT_NEAR (s.out.getSample (1, kN - 1), expected, 1e-7f);
}

TEST (EngineFrame, LevelChangesGlideAcrossTheBlockOrTenMilliseconds)
{
    // fx level 100 % for one block, then the new level for good; blend input 0.1, ceiling 0 dB.
    // The level moves in a straight line over the host's block or 10 ms (480 samples at 48 kHz),
    // whichever is longer, and then holds; even the smallest change is followed.
    struct Case { int block; float newLevel; int glide; };
    const Case cases[] = { { 512, 50.0f, 512 }, { 512, 99.9f, 512 }, { 64, 20.0f, 480 }, { 1024, 70.0f, 1024 } };
    for (const auto& c : cases)
    {
        EngineHarness h (48000.0, 2, c.block);
        h.mix.clipCeilingDb = 0.0f;
        h.mix.fxHiCut = 20000.0f;
        Signals s (0.1f, 0, 0, 0, c.block);
        h.run (kPassMode, s.role1, s.role2, s.dry1, s.dry2, s.out);
        h.mix.fxLevel = c.newLevel;

        const float target = c.newLevel / 100.0f;
        for (int start = 0; start < c.glide + 200; start += c.block)
        {
            s.role1 = constantBuffer (2, c.block, 0.1f);
            h.run (kPassMode, s.role1, s.role2, s.dry1, s.dry2, s.out);
            for (int j = 0; j < c.block; ++j)
            {
                const int i = start + j;
                const float level = i < c.glide ? 1.0f + (target - 1.0f) * (static_cast<float> (i) / static_cast<float> (c.glide))
                                                : target;
                ASSERT_NEAR (s.out.getSample (1, j), std::tanh (level * 0.1f), 2e-7f)
                    << "block " << c.block << " level " << c.newLevel << " sample " << i;
            }
        }
    }
}

TEST (EngineFrame, CeilingAndVolumeGlideAsGainsThenHoldExactly)
{
    // A loud constant blend (0.9 into a 0 dB ceiling clips audibly) with every filter bypassed.
    // A new ceiling or volume moves as a straight line of linear gains across the 512-sample block;
    // afterwards the output is bit for bit that of an engine set to the new value from the start.
    struct Case { const char* name; float ceilingDb[2]; float volumeDb[2]; };
    const Case cases[] = { { "volume", { 0.0f, 0.0f }, { 0.0f, -12.0f } },
                           { "ceiling", { 0.0f, -6.0f }, { -3.0f, -3.0f } },
                           { "both", { -1.0f, -9.0f }, { 2.0f, -20.0f } } };
    for (const auto& c : cases)
    {
        auto setUp = [&] (EngineHarness& h, int which) {
            h.mix.fxHiCut = 20000.0f;
            h.mix.clipCeilingDb = c.ceilingDb[which];
            h.mix.outputVolDb = c.volumeDb[which];
        };
        EngineHarness h, still;
        setUp (h, 0);
        setUp (still, 1);
        Signals s (0.9f, 0, 0, 0), t (0.9f, 0, 0, 0);
        h.run (kPassMode, s.role1, s.role2, s.dry1, s.dry2, s.out);
        still.run (kPassMode, t.role1, t.role2, t.dry1, t.dry2, t.out);
        setUp (h, 1);

        auto gain = [] (float db) { return std::pow (10.0f, db / 20.0f); };
        for (int block = 0; block < 2; ++block)
        {
            h.run (kPassMode, s.role1, s.role2, s.dry1, s.dry2, s.out);
            still.run (kPassMode, t.role1, t.role2, t.dry1, t.dry2, t.out);
            for (int j = 0; j < kN; ++j)
            {
                if (block == 1)
                {
                    ASSERT_EQ (s.out.getSample (0, j), t.out.getSample (0, j)) << c.name << " sample " << j;
                    continue;
                }
                const float r = static_cast<float> (j) / static_cast<float> (kN);
                const float k = gain (c.ceilingDb[0]) + (gain (c.ceilingDb[1]) - gain (c.ceilingDb[0])) * r;
                const float v = gain (c.volumeDb[0]) + (gain (c.volumeDb[1]) - gain (c.volumeDb[0])) * r;
                ASSERT_NEAR (s.out.getSample (0, j), k * std::tanh (0.9f / k) * v, 3e-7f) << c.name << " sample " << j;
            }
        }
    }
}

TEST (EngineFrame, FirstBlockAfterPrepareStartsAtItsLevelsWithoutRamp)
{
    EngineHarness h;
    h.mix.clipCeilingDb = 0.0f;
    h.mix.fxLevel = 40.0f;
    h.mix.fxHiCut = 20000.0f;
    Signals s (0.25f, 0, 0, 0);
    h.run (kPassMode, s.role1, s.role2, s.dry1, s.dry2, s.out);
    EXPECT_FLOAT_EQ (s.out.getSample (0, 0), std::tanh (0.4f * 0.25f));
    EXPECT_FLOAT_EQ (s.out.getSample (1, 0), std::tanh (0.4f * 0.25f));
}

TEST (EngineFrame, MorphStepsSelectDryOneBlendOrDryTwo)
{
    // Static levels 30 / 60 / 70 % are replaced by the step pattern when the hand-off weight is 1,
    // and kept exactly when it is 0.
    struct Case { float step; float weight; float fx, s1, s2; };
    const Case cases[] = {
        { -1.0f, 1.0f, 0.0f, 1.0f, 0.0f }, { 0.0f, 1.0f, 1.0f, 0.0f, 0.0f }, { 1.0f, 1.0f, 0.0f, 0.0f, 1.0f },
        { -0.5f, 1.0f, 0.5f, 0.5f, 0.0f }, { 1.0f, 0.0f, 0.3f, 0.6f, 0.7f }, { 1.0f, 0.5f, 0.15f, 0.3f, 0.85f },
    };
    for (const auto& c : cases)
    {
        EngineHarness h;
        h.mix = { 30.0f, 60.0f, 70.0f, 20.0f, 0.0f, 20000.0f, 0.0f, 0.0f };
        h.steps.enabled = true;
        std::fill (std::begin (h.steps.steps), std::end (h.steps.steps), c.step);
        h.steps.smoothing = 0.0f;
        h.steps.phaseStart = 0.3;
        h.steps.phaseIncrement = 1.0 / 1000.0;
        h.steps.handoffWeight = c.weight;
        Signals s (0.1f, 0.9f, 0.2f, 0.3f);
        h.run (kPassMode, s.role1, s.role2, s.dry1, s.dry2, s.out);
        const float expected = std::tanh (c.fx * 0.1f + c.s1 * 0.2f + c.s2 * 0.3f);
        EXPECT_NEAR (s.out.getSample (0, 0), expected, 1e-6f) << "step " << c.step << " weight " << c.weight;
        EXPECT_NEAR (s.out.getSample (1, kN - 1), expected, 1e-6f) << "step " << c.step << " weight " << c.weight;
    }
}

TEST (EngineFrame, MorphGlidesFromThePreviousStepWithFullSmoothing)
{
    // Step 0 is -1, step 1 is +1, 100 samples per step, smoothing 1: inside step 1 the value glides
    // v = -1 + 2 f. The level changes by more than 0.001 every sample, so each sample starts a new
    // ramp whose first value is the previous sample's target: sample j is mixed at the levels of
    // sample j - 1. With silent dry signals and a blend of 0.1 the output shows the fx level
    // t = 2m (m <= 0.5) or 2 - 2m, with m = (v + 1) / 2.
    EngineHarness h (48000.0, 1, 512);
    h.mix.clipCeilingDb = 0.0f;
    h.mix.fxHiCut = 20000.0f;
    h.steps.enabled = true;
    h.steps.steps[0] = -1.0f;
    h.steps.steps[1] = 1.0f;
    h.steps.smoothing = 1.0f;
    h.steps.phaseIncrement = 1.0 / 1600.0;
    juce::AudioBuffer<float> blend = constantBuffer (1, 512, 0.1f), zero = constantBuffer (1, 512, 0.0f), out (1, 512);
    h.run (kPassMode, blend, zero, zero, zero, out);

    auto fxAt = [] (int j) {
        const double f = j / 100.0 - 1.0;
        const double m = (-1.0 + 2.0 * f + 1.0) / 2.0;
        return m <= 0.5 ? 2.0 * m : 2.0 - 2.0 * m;
    };
    for (int j : { 110, 130, 151, 180 })
        EXPECT_NEAR (out.getSample (0, j), std::tanh (0.1 * fxAt (j - 1)), 1e-6) << "sample " << j;
}
