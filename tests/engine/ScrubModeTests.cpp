#include <gtest/gtest.h>

#include "EngineHarness.h"

#include <algorithm>
#include <cmath>
#include <string>

using namespace harness;

namespace
{
ScrubParams scrubParams (float scale, float bias, float smoothing)
{
    ScrubParams p;
    p.scale = scale;
    p.bias = bias;
    p.smoothing = smoothing;
    return p;
}

std::vector<float> runScrub (BlendProcessor& engine, const std::vector<float>& r1, const std::vector<float>& r2,
                             const ScrubParams& p, std::vector<int> blocks = { 4096 })
{
    return stream (r1, r2, [&] (const float* a, const float* b, float* o, int n) { engine.runScrub (0, a, b, o, n, p); },
                   blocks);
}
} // namespace

TEST (ScrubMode, SilentRole2IsAPureDelayOf1024Samples)
{
    const int n = 6000;
    const auto r1 = noise (n, 81);
    auto engine = preparedEngine (48000.0, 2, 4096);
    const auto out = runScrub (*engine, r1, constant (n, 0.0f), scrubParams (120.0f, 0.0f, 40.0f), { 1000, 3000 });
    for (int j = 0; j < n; ++j)
        ASSERT_EQ (out[(size_t) j], j >= 1024 ? r1[(size_t) (j - 1024)] : 0.0f) << j;
}

TEST (ScrubMode, FullNegativeBiasFreezesThePlayhead)
{
    // Velocity -1 at once (no smoothing): the offset falls by one sample per sample while the
    // write point rises by one, so the playhead stays on history slot 1023. It holds silence until
    // sample 1023 is written there, then that sample until sample 3071 overwrites it.
    const int n = 5000;
    const auto r1 = noise (n, 82);
    auto engine = preparedEngine (48000.0, 2, 4096);
    const auto out = runScrub (*engine, r1, constant (n, 0.0f), scrubParams (50.0f, -100.0f, 0.0f), { 777, 4096 });
    for (int j = 0; j < n; ++j)
    {
        const float expected = j < 1023 ? 0.0f : (j < 3071 ? r1[1023] : r1[3071]);
        ASSERT_EQ (out[(size_t) j], expected) << j;
    }
}

TEST (ScrubMode, PlayheadMovesByOnePlusTheSmoothedVelocity)
{
    // Role 1 holds each sample's own index, so the output tells where the playhead read. With
    // velocity v_j (smoothed toward role2 x scale + bias / 100), the playhead of sample j sits at
    // time j - 1024 + (v_0 + ... + v_j).
    struct Case
    {
        const char* name;
        float scale, role2, bias, smoothing;
        int from, to; // samples whose read point lies inside the written history
    };
    const Case cases[] = {
        { "double speed from role2", 32.0f, 1.0f / 32.0f, 0.0f, 0.0f, 600, 1020 },
        { "half again as fast from the bias alone", 0.0f, 0.7f, 50.0f, 0.0f, 700, 2040 },
        { "role2 and bias cancel", 8.0f, 0.0625f, -50.0f, 0.0f, 1100, 3000 },
        { "100 % smoothing follows with 0.01 per sample", 32.0f, 1.0f / 32.0f, 0.0f, 100.0f, 700, 1100 },
        { "50 % smoothing", 16.0f, 0.05f, -20.0f, 50.0f, 700, 1700 },
    };
    const int n = 3000;
    const auto r1 = indexRamp (n);
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto engine = preparedEngine (48000.0, 2, 4096);
        const auto out = runScrub (*engine, r1, constant (n, c.role2), scrubParams (c.scale, c.bias, c.smoothing),
                                   { 501, 4096 });

        const double target = static_cast<double> (c.role2) * c.scale + c.bias / 100.0;
        const double k = 1.0 - 0.99 * c.smoothing / 100.0;
        double velocity = 0.0, offset = 0.0;
        for (int j = 0; j < c.to; ++j)
        {
            velocity += (target - velocity) * k;
            offset += velocity;
            if (j >= c.from)
            {
                ASSERT_NEAR (out[(size_t) j], j - 1024 + offset, 2e-3) << j;
            }
        }
    }
}

TEST (ScrubMode, ScaleZeroIgnoresRole2)
{
    const int n = 5000;
    const auto r1 = noise (n, 83);
    const auto p = scrubParams (0.0f, 35.0f, 20.0f);
    auto quiet = preparedEngine (48000.0, 2, 4096);
    const auto withSilence = runScrub (*quiet, r1, constant (n, 0.0f), p);
    auto loud = preparedEngine (48000.0, 2, 4096);
    EXPECT_EQ (runScrub (*loud, r1, noise (n, 84), p), withSilence);
}

TEST (ScrubMode, SplittingABlockChangesNothing)
{
    const int n = 7000;
    const auto r1 = noise (n, 85);
    const auto r2 = noise (n, 86, 0.3f);
    const auto p = scrubParams (40.0f, -30.0f, 25.0f);
    auto whole = preparedEngine (48000.0, 2, 4096);
    const auto once = runScrub (*whole, r1, r2, p, { n });
    for (const int split : { 1, 1024, 2047, 6000 })
    {
        auto pieces = preparedEngine (48000.0, 2, 4096);
        EXPECT_EQ (runScrub (*pieces, r1, r2, p, { split, n }), once) << split;
    }
}

TEST (ScrubMode, ExtremeSpeedsStayInsideTheHistory)
{
    // Huge, infinite and NaN speeds must neither stall nor read outside the history: every output
    // is a blend of two history samples (all in 0..1, or the initial silence).
    struct Case
    {
        const char* name;
        float role2;
    };
    const Case cases[] = {
        { "fast", 1.0f }, { "huge", 1.0e30f }, { "infinite", INFINITY }, { "NaN", NAN }, { "huge backwards", -3.0e38f },
    };
    const int n = 3000;
    auto r1 = noise (n, 87);
    for (auto& x : r1)
        x = std::abs (x);
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto r2 = noise (n, 88);
        for (int j = 500; j < 520; ++j)
            r2[(size_t) j] = c.role2;
        auto engine = preparedEngine (48000.0, 2, 4096);
        const auto out = runScrub (*engine, r1, r2, scrubParams (200.0f, 100.0f, 0.0f));
        for (const float y : out)
        {
            ASSERT_TRUE (std::isfinite (y));
            ASSERT_GE (y, 0.0f);
            ASSERT_LE (y, 1.0f);
        }
    }
}
