#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "FrameReference.h"

#include <algorithm>
#include <cmath>
#include <string>

// Spectral Gate, Phase Swap and Bin Interleave: streaming, frame sizes, and the per-bin rules
// against a plain double-precision reference.

namespace
{
using frameref::Spectrum;

enum class SxMode
{
    Gate,
    Phase,
    Interleave
};

struct SxSettings
{
    SxMode mode;
    float a;   // threshold / amount / chunk
    float tilt;
};

// Prepares the mode's bank for `resolution` and returns a block function running it on channel 0.
harness::BlockFn sxRunner (BlendProcessor& engine, const SxSettings& s, int resolution, double sampleRate = 48000.0)
{
    switch (s.mode)
    {
        case SxMode::Gate:
            engine.prepareSpectralGateIfNeeded (resolution, 1, sampleRate);
            return [&engine, s, resolution] (const float* a, const float* b, float* o, int n) {
                engine.runSpectralGate (0, a, b, o, n, SpectralGateParams { s.a, s.tilt, resolution });
            };
        case SxMode::Phase:
            engine.preparePhaseSwapIfNeeded (resolution, 1, sampleRate);
            return [&engine, s, resolution] (const float* a, const float* b, float* o, int n) {
                engine.runPhaseSwap (0, a, b, o, n, PhaseSwapParams { s.a, s.tilt, resolution });
            };
        case SxMode::Interleave:
            engine.prepareBinInterleaveIfNeeded (resolution, 1, sampleRate);
            return [&engine, s, resolution] (const float* a, const float* b, float* o, int n) {
                engine.runBinInterleave (0, a, b, o, n,
                                         BinInterleaveParams { static_cast<int> (s.a), s.tilt, resolution });
            };
    }
    return {};
}

int frameSizeFor (int resolution) { return 1 << std::clamp (resolution, 3, 12); }

// The per-bin rules, written from their formulas in double precision.
frameref::BinRule referenceRule (const SxSettings& s)
{
    return [s] (const Spectrum& s1, const Spectrum& s2, Spectrum& out) {
        const int half = static_cast<int> (s1.size()) - 1;
        const double tl = s.tilt / 100.0;
        double peak = 1.0e-10;
        for (const auto& b : s2)
            peak = std::max (peak, std::abs (b));
        for (int k = 0; k <= half; ++k)
        {
            const double x = static_cast<double> (k) / half;
            const auto K = static_cast<size_t> (k);
            if (s.mode == SxMode::Gate)
            {
                const double th = std::clamp (s.a / 100.0, 0.0, 1.0);
                const double gate = std::max (0.0, (tl * (2 * x - 1) + 1) * th) * peak;
                out[K] = std::abs (s2[K]) >= gate ? s1[K] : 0.0;
            }
            else if (s.mode == SxMode::Phase)
            {
                const double am = std::clamp (s.a / 100.0, 0.0, 1.0);
                const double a = std::clamp ((tl * (2 * x - 1) + 1) * am, 0.0, 1.0);
                const double ph1 = std::arg (s1[K]);
                double d = std::arg (s2[K]) - ph1;
                d -= 2 * frameref::pi() * std::floor ((d + frameref::pi()) / (2 * frameref::pi()));
                out[K] = std::polar (std::abs (s1[K]), ph1 + a * d);
            }
            else
            {
                const int g = std::clamp (static_cast<int> (s.a), 1, 8);
                const double sk = ((k / g) & 1) + (2 * x - 1) * std::clamp (tl, -1.0, 1.0);
                out[K] = sk > 0.5 ? s2[K] : s1[K];
            }
        }
    };
}

std::string nameOf (SxMode m)
{
    return m == SxMode::Gate ? "Spectral Gate" : m == SxMode::Phase ? "Phase Swap" : "Bin Interleave";
}
} // namespace

TEST (SpectralFrameModes, NeutralSettingsReturnRole1DelayedByTheFrameAtTheOverlapGain)
{
    struct Case
    {
        SxSettings settings;
        bool identicalRoles;
    };
    const Case cases[] = {
        { { SxMode::Gate, 0.0f, 40.0f }, false },       // threshold 0 passes every bin, whatever the tilt
        { { SxMode::Phase, 0.0f, 0.0f }, false },       // amount 0 keeps role1's phases
        { { SxMode::Interleave, 4.0f, 30.0f }, true }, // both roles the same signal
    };

    for (const auto& c : cases)
        for (const int resolution : { 3, 7, 10 })
        {
            SCOPED_TRACE (nameOf (c.settings.mode) + " at resolution " + std::to_string (resolution));
            const int n = frameSizeFor (resolution);
            const int length = 3 * n + 700;
            const auto role1 = frameref::noise (length, 11);
            const auto role2 = c.identicalRoles ? role1 : frameref::noise (length, 29, 0.9f);

            auto engine = harness::preparedEngine();
            const auto out = harness::stream (role1, role2, sxRunner (*engine, c.settings, resolution), { 512 });

            double worst = 0.0;
            for (int t = 0; t < length; ++t)
            {
                const double expected = t < n ? 0.0
                                              : role1[static_cast<size_t> (t - n)]
                                                    * frameref::overlapGain (t % (n / 4), n);
                worst = std::max (worst, std::abs (out[static_cast<size_t> (t)] - expected));
            }
            EXPECT_LT (worst, 2.0e-5);
        }
}

TEST (SpectralFrameModes, PerBinRulesMatchAPlainReference)
{
    const SxSettings cases[] = {
        { SxMode::Gate, 20.0f, 30.0f },        { SxMode::Gate, 55.0f, -70.0f },
        { SxMode::Phase, 100.0f, 0.0f },       { SxMode::Phase, 60.0f, -40.0f },
        { SxMode::Phase, 35.0f, 100.0f },      { SxMode::Interleave, 1.0f, 0.0f },
        { SxMode::Interleave, 2.0f, 37.0f },   { SxMode::Interleave, 8.0f, -100.0f },
        { SxMode::Interleave, 3.0f, 100.0f },
    };
    const int resolution = 6; // 64-point frames keep the reference's plain DFT quick
    const int n = frameSizeFor (resolution);
    const int length = 12 * n;
    const auto role1 = frameref::noise (length, 5);
    const auto role2 = frameref::noise (length, 77, 0.3f);

    for (const auto& s : cases)
    {
        SCOPED_TRACE (nameOf (s.mode) + " a=" + std::to_string (s.a) + " tilt=" + std::to_string (s.tilt));
        auto engine = harness::preparedEngine();
        const auto out = harness::stream (role1, role2, sxRunner (*engine, s, resolution), { 100 });
        const auto expected = frameref::process (role1, role2, n, referenceRule (s));
        EXPECT_LT (frameref::maxError (out, expected), 2.0e-5 + 1.0e-4 * frameref::peak (expected));
    }
}

TEST (SpectralFrameModes, GateWithSilentRole2IsSilent)
{
    for (const float tilt : { 0.0f, 60.0f })
    {
        const int length = 2000;
        const auto role1 = frameref::noise (length, 3);
        const std::vector<float> role2 (static_cast<size_t> (length), 0.0f);
        auto engine = harness::preparedEngine();
        const auto out = harness::stream (role1, role2, sxRunner (*engine, { SxMode::Gate, 1.0f, tilt }, 7));
        for (const float v : out)
            ASSERT_EQ (v, 0.0f);
    }
}

TEST (SpectralFrameModes, ResolutionOutsideThreeToTwelveUsesTheNearestFrameSize)
{
    // An impulse through the neutral gate comes back exactly one frame later; the reported
    // latency names the same frame.
    struct Case
    {
        int resolution;
        int frameSize;
    };
    const Case cases[] = { { -4, 8 }, { 0, 8 }, { 1, 8 }, { 2, 8 }, { 3, 8 }, { 12, 4096 }, { 13, 4096 }, { 40, 4096 } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE ("resolution " + std::to_string (c.resolution));
        const int length = c.frameSize * 2 + 10;
        const auto role1 = harness::impulse (length, 0);
        const auto role2 = frameref::noise (length, 9);
        for (const SxMode mode : { SxMode::Gate, SxMode::Phase, SxMode::Interleave })
        {
            auto engine = harness::preparedEngine();
            const auto out = harness::stream (role1, mode == SxMode::Interleave ? role1 : role2,
                                              sxRunner (*engine, { mode, 0.0f, 0.0f }, c.resolution));
            int loudest = 0;
            for (int t = 1; t < length; ++t)
                if (std::abs (out[static_cast<size_t> (t)]) > std::abs (out[static_cast<size_t> (loudest)]))
                    loudest = t;
            EXPECT_EQ (loudest, c.frameSize);
            EXPECT_NEAR (out[static_cast<size_t> (c.frameSize)], frameref::overlapGain (0, c.frameSize), 1.0e-5);

            const BlendMode blendMode = mode == SxMode::Gate    ? SpectralGate
                                        : mode == SxMode::Phase ? PhaseSwap
                                                                : BinInterleave;
            EXPECT_EQ (engine->getRealtimeLatencySamples (blendMode, c.resolution), c.frameSize);
        }
    }
}

TEST (SpectralFrameModes, ResolutionChangeRebuildsOnlyThatModesBank)
{
    auto engine = harness::preparedEngine();
    const int length = 600;
    const auto role1 = frameref::noise (length, 21);
    const auto role2 = frameref::noise (length, 22);
    auto gate = sxRunner (*engine, { SxMode::Gate, 0.0f, 0.0f }, 7);
    auto swap = sxRunner (*engine, { SxMode::Phase, 0.0f, 0.0f }, 7);
    harness::stream (role1, role2, gate);
    harness::stream (role1, role2, swap);

    // Phase Swap moves to 256-point frames: it restarts with a frame of silence (up to the
    // transform's rounding)...
    auto swap8 = sxRunner (*engine, { SxMode::Phase, 0.0f, 0.0f }, 8);
    const auto afterRebuild = harness::stream (role1, role2, swap8);
    for (int t = 0; t < 256; ++t)
        ASSERT_LT (std::abs (afterRebuild[static_cast<size_t> (t)]), 1.0e-6f);
    EXPECT_GT (std::abs (afterRebuild[256]), 1.0e-4f);

    // ...while the gate's history is untouched: its output continues from the earlier block.
    auto gateAgain = sxRunner (*engine, { SxMode::Gate, 0.0f, 0.0f }, 7);
    const auto continued = harness::stream (role1, role2, gateAgain);
    for (int t = 0; t < 128; ++t)
        EXPECT_NEAR (continued[static_cast<size_t> (t)],
                     role1[static_cast<size_t> (length - 128 + t)] * frameref::overlapGain ((length + t) % 32, 128),
                     2.0e-5);
}
