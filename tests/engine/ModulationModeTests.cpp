#include <gtest/gtest.h>

#include "EngineHarness.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

using namespace harness;

namespace
{
constexpr double kRate = 48000.0;

AMParams amParams (float depth, float dcOffset, float lfoRate)
{
    AMParams p;
    p.depth = depth;
    p.dcOffset = dcOffset;
    p.lfoRate = lfoRate;
    return p;
}

FMParams fmParams (float depth, float feedback)
{
    FMParams p;
    p.depth = depth;
    p.feedback = feedback;
    return p;
}

WaveshapeParams wsParams (float window, float drive, float smoothing)
{
    WaveshapeParams p;
    p.window = window;
    p.drive = drive;
    p.smoothing = smoothing;
    return p;
}

std::vector<float> runAM (BlendProcessor& engine, const std::vector<float>& r1, const std::vector<float>& r2,
                          const AMParams& p, double rate = kRate, std::vector<int> blocks = { 4096 })
{
    return stream (r1, r2, [&] (const float* a, const float* b, float* o, int n) { engine.runAM (0, a, b, o, n, rate, p); },
                   blocks);
}

std::vector<float> runFM (BlendProcessor& engine, const std::vector<float>& r1, const std::vector<float>& r2,
                          const FMParams& fm, const WaveshapeParams& ws, double rate = kRate,
                          std::vector<int> blocks = { 4096 })
{
    return stream (
        r1, r2, [&] (const float* a, const float* b, float* o, int n) { engine.runFM (0, a, b, o, n, rate, fm, ws); },
        blocks);
}

// Role 2 read back at a fractional time t (in samples) by linear interpolation; 0 before the start.
double readAt (const std::vector<float>& signal, double t)
{
    const double whole = std::floor (t);
    const double f = t - whole;
    auto at = [&] (double i) { return i < 0.0 ? 0.0 : static_cast<double> (signal[(size_t) i]); };
    return (1.0 - f) * at (whole) + f * at (whole + 1.0);
}

// The FM delay line in double precision, from the formulas.
struct FMReference
{
    std::vector<double> line = std::vector<double> (2048, 0.0);
    int w = 0;
    double mod = 0.0, fbs = 0.0;

    double process (const FMParams& fm, const WaveshapeParams& ws, double rate, double x1, double x2)
    {
        const double drv = std::clamp (ws.drive / 100.0, 0.0, 2.0);
        const double sm = 0.99 * std::clamp (ws.smoothing / 100.0, 0.0, 1.0);
        const double maxExcursion = std::min (rate * std::clamp ((double) ws.window, 1.0, 50.0) / 1000.0 / 2.0, 1022.0);
        const double k = fm.depth / 100.0 * maxExcursion;
        const double fb = fm.feedback / 100.0;

        line[(size_t) w] = x2;
        w = (w + 1) % 2048;
        mod = sm * mod + (1.0 - sm) * k * (x1 * drv + fb * fbs);
        const double e = std::clamp (mod, -maxExcursion, maxExcursion);
        double p = (w - 1025) + e;
        while (p < 0.0)
            p += 2048.0;
        while (p >= 2048.0)
            p -= 2048.0;
        const int i0 = (int) std::floor (p);
        const double f = p - i0;
        const double y = (1.0 - f) * line[(size_t) i0] + f * line[(size_t) ((i0 + 1) % 2048)];
        fbs = std::tanh (y);
        return y;
    }
};

// FM as the plain single-precision loop: one sample at a time, the feedback's tanh on every
// sample, the read point in double precision. The engine is held to it exactly.
struct FMPlainLoop
{
    float line[2048] = {};
    int w = 0;
    float mod = 0.0f, fbs = 0.0f;

    float process (const FMParams& fm, const WaveshapeParams& ws, double rate, float x1, float x2)
    {
        const float drv = std::clamp (ws.drive / 100.0f, 0.0f, 2.0f);
        const float sm = 0.99f * std::clamp (ws.smoothing / 100.0f, 0.0f, 1.0f);
        const float maxExcursion = std::min ((float) rate * std::clamp (ws.window, 1.0f, 50.0f) * 0.001f * 0.5f, 1022.0f);
        const float k = fm.depth / 100.0f * maxExcursion;
        const float fb = fm.feedback / 100.0f;

        line[w] = x2;
        w = (w + 1) % 2048;
        mod = sm * mod + (1.0f - sm) * k * (x1 * drv + fb * fbs);
        if (! std::isfinite (mod))
            mod = 0.0f;
        double p = (w - 1025) + (double) std::clamp (mod, -maxExcursion, maxExcursion);
        if (p < 0.0)
            p += 2048.0;
        const int i0 = (int) p;
        const float f = (float) (p - i0);
        const float y = (1.0f - f) * line[i0 % 2048] + f * line[(i0 + 1) % 2048];
        fbs = std::tanh (y);
        return y;
    }
};
} // namespace

// ---- AM ----

TEST (AMMode, WithoutLfoScalesRole2ByShapedRole1)
{
    struct Case
    {
        const char* name;
        float depth, dcOffset;
        bool silentRole1;
        std::function<float (float, float)> expected;
    };
    const Case cases[] = {
        { "full depth, no offset: plain ring modulation", 100, 0, false, [] (float x1, float x2) { return x1 * x2; } },
        { "depth 0, full offset: role2 unchanged", 0, 100, false, [] (float, float x2) { return x2; } },
        { "no offset, silent role1: silence", 60, 0, true, [] (float, float) { return 0.0f; } },
        { "partial", 40, 30, false, [] (float x1, float x2) { return (x1 * 0.4f + 0.3f) * x2; } },
    };
    const int n = 1000;
    const auto r2 = noise (n, 61);
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto r1 = c.silentRole1 ? constant (n, 0.0f) : noise (n, 62);
        auto engine = preparedEngine (48000.0, 2, 4096);
        const auto out = runAM (*engine, r1, r2, amParams (c.depth, c.dcOffset, 0.0f));
        for (size_t j = 0; j < (size_t) n; ++j)
            ASSERT_FLOAT_EQ (out[j], c.expected (r1[j], r2[j])) << j;
    }
}

TEST (AMMode, LfoIsAddedToRole1BeforeTheDepth)
{
    // out = ((sin(phase) + role1) x depth + dc) x role2, the phase advancing by 2 pi rate / fs.
    // 20 Hz at 1 kHz wraps the phase every 50 samples; the blocks split it mid-period.
    const double rate = 1000.0, lfo = 20.0;
    const int n = 1000;
    const auto r2 = noise (n, 63);
    for (const bool silentRole1 : { true, false })
    {
        SCOPED_TRACE (silentRole1 ? "silent role1" : "noisy role1");
        const auto r1 = silentRole1 ? constant (n, 0.0f) : noise (n, 64, 0.5f);
        auto engine = preparedEngine (rate, 2, 4096);
        const auto out = runAM (*engine, r1, r2, amParams (80.0f, 10.0f, (float) lfo), rate, { 37, 400, 1000 });
        for (int j = 0; j < n; ++j)
        {
            const double s = std::sin (2.0 * kPi * lfo * j / rate);
            const double expected = ((s + r1[(size_t) j]) * 0.8 + 0.1) * r2[(size_t) j];
            ASSERT_NEAR (out[(size_t) j], expected, 1e-3) << j;
        }
    }
}

TEST (AMMode, LfoKeepsItsRateOverALongRun)
{
    // A float phase that kept growing would, after 2 million samples, have coarsened so much
    // that a 20 Hz LFO ran about 7 % slow. Kept within one period, its cycle at 48 kHz is still
    // 2400 samples. Measured from the spacing of upward zero crossings.
    const int block = 4096;
    const auto r1 = constant (block, 0.0f);
    const auto r2 = constant (block, 1.0f);
    const auto p = amParams (100.0f, 0.0f, 20.0f);
    auto engine = preparedEngine (48000.0, 2, 4096);
    std::vector<float> out ((size_t) block);
    for (int done = 0; done < 2000000; done += block)
        engine->runAM (0, r1.data(), r2.data(), out.data(), block, kRate, p);

    std::vector<float> tail;
    for (int b = 0; b < 3; ++b)
    {
        engine->runAM (0, r1.data(), r2.data(), out.data(), block, kRate, p);
        tail.insert (tail.end(), out.begin(), out.end());
    }
    std::vector<int> crossings;
    for (size_t j = 1; j < tail.size(); ++j)
        if (tail[j - 1] < 0.0f && tail[j] >= 0.0f)
            crossings.push_back ((int) j);
    ASSERT_GE (crossings.size(), 4u);
    for (size_t i = 1; i < crossings.size(); ++i)
        EXPECT_NEAR (crossings[i] - crossings[i - 1], 2400, 1);
}

// ---- FM ----

TEST (FMMode, DepthZeroIsAPureDelayOf1024Samples)
{
    struct Case
    {
        float feedback, smoothing;
    };
    const Case cases[] = { { 0, 0 }, { 100, 0 }, { 100, 90 }, { 40, 100 } };
    const int n = 5000;
    const auto r1 = noise (n, 71);
    const auto r2 = noise (n, 72);
    for (const auto& c : cases)
    {
        SCOPED_TRACE ("feedback " + std::to_string (c.feedback) + " smoothing " + std::to_string (c.smoothing));
        auto engine = preparedEngine (48000.0, 2, 4096);
        const auto out = runFM (*engine, r1, r2, fmParams (0.0f, c.feedback), wsParams (25.0f, 200.0f, c.smoothing));
        for (int j = 0; j < n; ++j)
            ASSERT_EQ (out[(size_t) j], j >= 1024 ? r2[(size_t) (j - 1024)] : 0.0f) << j;
    }
}

TEST (FMMode, DepthZeroSettlesToThePureDelayAfterModulation)
{
    // Modulated first, then depth 0 with heavy smoothing: the smoothed modulation decays by 0.891
    // per sample, so after a few hundred samples the line is read 1024 samples back again.
    const int n1 = 3000, n2 = 3000;
    const auto r1 = noise (n1 + n2, 73);
    const auto r2 = plus (sine (n1 + n2, 220.0, kRate, 0.5f), sine (n1 + n2, 37.0, kRate, 0.3f));
    auto engine = preparedEngine (48000.0, 2, 4096);
    const std::vector<float> r1a (r1.begin(), r1.begin() + n1), r2a (r2.begin(), r2.begin() + n1);
    const std::vector<float> r1b (r1.begin() + n1, r1.end()), r2b (r2.begin() + n1, r2.end());
    runFM (*engine, r1a, r2a, fmParams (100.0f, 50.0f), wsParams (20.0f, 100.0f, 90.0f));
    const auto out = runFM (*engine, r1b, r2b, fmParams (0.0f, 50.0f), wsParams (20.0f, 100.0f, 90.0f));
    for (int j = 400; j < n2; ++j)
        ASSERT_NEAR (out[(size_t) j], r2[(size_t) (n1 + j - 1024)], 1e-5) << j;
}

TEST (FMMode, ExcursionIsHalfTheWindowCappedAt1022Samples)
{
    // Role 1 held at +-1 with drive 200 % asks for twice the largest excursion, so the read point
    // sits exactly at the edge: 1024 - D samples back for +1, 1024 + D for -1, where
    // D = min(fs x window / 2000, 1022).
    struct Case
    {
        float windowMs;
        double rate;
        float role1;
    };
    const Case cases[] = {
        { 50.0f, 48000.0, 1.0f },  // 1200 would exceed the cap: 1022, read 2 samples back
        { 50.0f, 48000.0, -1.0f }, // 2046 samples back
        { 50.0f, 44100.0, 1.0f },  // 1102.5, capped too
        { 20.0f, 48000.0, 1.0f },  // 480
        { 1.0f, 48000.0, -1.0f },  // 24
        { 1.5f, 44100.0, 1.0f },   // 33.075: a fractional read point
        { 0.2f, 48000.0, 1.0f },   // below the 1 ms minimum: 24
    };
    const int n = 4500;
    for (const auto& c : cases)
    {
        SCOPED_TRACE ("window " + std::to_string (c.windowMs) + " ms at " + std::to_string (c.rate) + ", role1 "
                      + std::to_string (c.role1));
        const auto r2 = plus (sine (n, 440.0, c.rate, 0.5f), sine (n, 61.0, c.rate, 0.4f));
        auto engine = preparedEngine (c.rate, 2, 4096);
        const auto out = runFM (*engine, constant (n, c.role1), r2, fmParams (100.0f, 0.0f),
                                wsParams (c.windowMs, 200.0f, 0.0f), c.rate);
        const double excursion = std::min (c.rate * std::max (c.windowMs, 1.0f) / 2000.0, 1022.0);
        const double delay = 1024.0 - c.role1 * excursion;
        for (int j = 2100; j < n; ++j)
            ASSERT_NEAR (out[(size_t) j], readAt (r2, j - delay), 1e-4) << j;
    }
}

TEST (FMMode, FollowsTheDelayLineFormulasWithFeedbackAndSmoothing)
{
    struct Case
    {
        float depth, feedback, window, drive, smoothing;
    };
    // Feedback loops kept below unity gain for the slow role2, so rounding differences between
    // single and double precision do not grow.
    const Case cases[] = {
        { 50, 0, 10, 100, 0 },
        { 100, 60, 10, 150, 80 },
        { 20, 100, 50, 200, 100 }, // 100 % smoothing: the modulation still moves (0.99, not 1)
        { 100, 100, 1, 0, 50 },    // no drive: only the feedback modulates
    };
    const int n = 7000;
    const auto r1 = noise (n, 74, 0.8f);
    const auto r2 = plus (sine (n, 50.0, kRate, 0.4f), sine (n, 130.0, kRate, 0.2f));
    for (const auto& c : cases)
    {
        SCOPED_TRACE ("depth " + std::to_string (c.depth) + " feedback " + std::to_string (c.feedback) + " window "
                      + std::to_string (c.window) + " drive " + std::to_string (c.drive) + " smoothing "
                      + std::to_string (c.smoothing));
        const auto fm = fmParams (c.depth, c.feedback);
        const auto ws = wsParams (c.window, c.drive, c.smoothing);
        auto engine = preparedEngine (48000.0, 2, 4096);
        const auto out = runFM (*engine, r1, r2, fm, ws, kRate, { 999, 2, 4096 });
        FMReference ref;
        for (int j = 0; j < n; ++j)
            ASSERT_NEAR (out[(size_t) j], ref.process (fm, ws, kRate, r1[(size_t) j], r2[(size_t) j]), 1e-4) << j;
    }
}

TEST (FMMode, WithoutFeedbackMatchesThePlainLoopExactly)
{
    // Without feedback the modulator and the read points are worked out ahead of the reads. An
    // infinite and a NaN role2 sample make NaN outputs, each of which must restart the
    // modulator for the next sample as the plain loop's 0 x tanh(NaN) does; role1 drives the
    // read point into both limits of the widest window.
    struct Case
    {
        float depth, window, drive, smoothing;
    };
    const Case cases[] = {
        { 50, 10, 100, 0 },
        { 100, 50, 200, 0 },
        { 100, 50, 200, 70 },
        { 30, 3, 80, 100 },
    };
    const int n = 9000;
    auto r1 = plus (noise (n, 79, 0.9f), sine (n, 2.0, kRate, 1.5f));
    r1[3000] = INFINITY;
    r1[3001] = NAN;
    auto r2 = plus (sine (n, 220.0, kRate, 0.5f), noise (n, 80, 0.3f));
    r2[4000] = INFINITY;
    r2[5000] = NAN;
    for (const auto& c : cases)
    {
        SCOPED_TRACE ("depth " + std::to_string (c.depth) + " window " + std::to_string (c.window) + " drive "
                      + std::to_string (c.drive) + " smoothing " + std::to_string (c.smoothing));
        const auto fm = fmParams (c.depth, 0.0f);
        const auto ws = wsParams (c.window, c.drive, c.smoothing);
        auto engine = preparedEngine (kRate, 2, 4096);
        const auto out = runFM (*engine, r1, r2, fm, ws, kRate, { 700, 1, 300, 4096 });
        FMPlainLoop plain;
        int nans = 0;
        for (int j = 0; j < n; ++j)
        {
            const float expected = plain.process (fm, ws, kRate, r1[(size_t) j], r2[(size_t) j]);
            nans += std::isnan (expected) ? 1 : 0;
            if (std::isnan (expected))
                ASSERT_TRUE (std::isnan (out[(size_t) j])) << j;
            else
                ASSERT_EQ (out[(size_t) j], expected) << j;
        }
        EXPECT_GT (nans, 0);
    }
}

TEST (FMMode, NonFiniteModulatorNeverLeavesTheLine)
{
    // Infinite or NaN role1 samples must not push the read point outside the line or leave the
    // modulation stuck: every output is a blend of neighbouring role2 samples, and once role1 is
    // finite again with depth 0 the pure delay returns.
    const int n = 3000;
    auto r1 = noise (n, 75);
    r1[100] = INFINITY;
    r1[200] = -INFINITY;
    r1[300] = NAN;
    r1[301] = 1.0e38f;
    const auto r2 = noise (n, 76, 0.5f);
    auto engine = preparedEngine (48000.0, 2, 4096);
    const auto out = runFM (*engine, r1, r2, fmParams (100.0f, 100.0f), wsParams (50.0f, 200.0f, 60.0f));
    for (const float y : out)
    {
        ASSERT_TRUE (std::isfinite (y));
        ASSERT_LE (std::abs (y), 0.5f);
    }

    const auto after = runFM (*engine, constant (n, 0.0f), r2, fmParams (0.0f, 0.0f), wsParams (50.0f, 200.0f, 0.0f));
    EXPECT_EQ (after.back(), r2[(size_t) (n - 1 - 1024)]);
}

TEST (ModulationModes, SplittingABlockChangesNothing)
{
    const int n = 6000;
    const auto r1 = noise (n, 77, 0.7f);
    const auto r2 = plus (sine (n, 300.0, kRate, 0.5f), noise (n, 78, 0.2f));
    const auto fm = fmParams (80.0f, 70.0f);
    const auto ws = wsParams (15.0f, 120.0f, 40.0f);
    const auto am = amParams (70.0f, 20.0f, 7.0f);

    auto fmWhole = preparedEngine (48000.0, 2, 4096);
    const auto fmOnce = runFM (*fmWhole, r1, r2, fm, ws, kRate, { n });
    auto amWhole = preparedEngine (48000.0, 2, 4096);
    const auto amOnce = runAM (*amWhole, r1, r2, am, kRate, { n });
    for (const int split : { 1, 1025, 2048, 4999 })
    {
        SCOPED_TRACE (split);
        auto fmPieces = preparedEngine (48000.0, 2, 4096);
        EXPECT_EQ (runFM (*fmPieces, r1, r2, fm, ws, kRate, { split, n }), fmOnce);
        auto amPieces = preparedEngine (48000.0, 2, 4096);
        EXPECT_EQ (runAM (*amPieces, r1, r2, am, kRate, { split, n }), amOnce);
    }
}
