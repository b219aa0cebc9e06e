#include <gtest/gtest.h>

#include "EngineHarness.h"

#include <algorithm>
#include <cmath>
#include <string>

using namespace harness;

namespace
{
constexpr double kRate = 44100.0;

enum class Envelope
{
    duck,
    follow
};

const char* nameOf (Envelope e) { return e == Envelope::duck ? "duck" : "follow"; }

SidechainParams scParams (float attack, float release, float threshold, float depth)
{
    SidechainParams p;
    p.attack = attack;
    p.release = release;
    p.threshold = threshold;
    p.depth = depth;
    return p;
}

std::vector<float> runEnvelope (Envelope mode, BlendProcessor& engine, const std::vector<float>& r1,
                                const std::vector<float>& r2, const SidechainParams& p, double rate = kRate,
                                std::vector<int> blocks = { 4096 }, int channel = 0)
{
    return stream (
        r1, r2,
        [&] (const float* a, const float* b, float* o, int n) {
            if (mode == Envelope::duck)
                engine.runSidechain (channel, a, b, o, n, rate, p);
            else
                engine.runAmplitudeFollow (channel, a, b, o, n, rate, p);
        },
        blocks);
}

// The peak follower and both gain laws in double precision, from the formulas.
struct EnvelopeReference
{
    double env = 0.0;

    double process (Envelope mode, const SidechainParams& p, double x1, double x2, double rate)
    {
        const double attackCoeff = std::exp (-1.0 / (p.attack * rate / 1000.0));
        const double releaseCoeff = std::exp (-1.0 / (p.release * rate / 1000.0));
        const double thr = p.threshold / 100.0;
        const double den = std::max (1.0 - thr, 0.01);
        const double dep = p.depth / 100.0;

        const double a = std::abs (x1);
        const double c = a > env ? attackCoeff : releaseCoeff;
        env += (a - env) * (1.0 - c);

        if (mode == Envelope::duck)
            return x2 * (1.0 - dep * std::clamp ((std::min (4.0 * env, 1.0) - thr) / den, 0.0, 1.0));
        return x2 * ((1.0 - dep) + dep * std::clamp ((env - thr) / den, 0.0, 1.0));
    }
};

// Noise bursts with silent gaps, so the envelope both attacks and releases.
std::vector<float> burstySignal (int n)
{
    auto v = noise (n, 31);
    for (int j = 0; j < n; ++j)
    {
        const int segment = j / 1500;
        const float level = segment % 3 == 0 ? 0.9f : (segment % 3 == 1 ? 0.0f : 0.15f);
        v[(size_t) j] *= level;
    }
    return v;
}
} // namespace

TEST (EnvelopeModes, FollowTheEnvelopeFormulasAcrossBlocks)
{
    const SidechainParams settings[] = {
        scParams (0.5f, 5.0f, 0.0f, 100.0f),
        scParams (10.0f, 200.0f, 30.0f, 70.0f),
        scParams (50.0f, 500.0f, 90.0f, 40.0f),
        scParams (2.0f, 50.0f, 100.0f, 100.0f),
        scParams (1.0f, 20.0f, 12.0f, 100.0f),
    };
    const int n = 9000;
    const auto r1 = burstySignal (n);
    const auto r2 = noise (n, 32);

    for (const auto mode : { Envelope::duck, Envelope::follow })
        for (const auto& p : settings)
        {
            SCOPED_TRACE (std::string (nameOf (mode)) + " attack " + std::to_string (p.attack) + " release "
                          + std::to_string (p.release) + " threshold " + std::to_string (p.threshold));
            auto engine = preparedEngine (48000.0, 2, 4096);
            const auto out = runEnvelope (mode, *engine, r1, r2, p, kRate, { 1000, 3, 2500, 4096 });
            EnvelopeReference ref;
            for (int j = 0; j < n; ++j)
                ASSERT_NEAR (out[(size_t) j], ref.process (mode, p, r1[(size_t) j], r2[(size_t) j], kRate), 1e-4)
                    << "sample " << j;
        }
}

TEST (EnvelopeModes, NeutralSettingsPassRole2Through)
{
    // Duck leaves role2 alone; Follow leaves role2 x (1 - depth).
    struct Case
    {
        const char* name;
        bool silentRole1;
        float threshold, depth;
    };
    const Case cases[] = {
        { "silent role1", true, 20.0f, 80.0f },
        { "depth 0", false, 20.0f, 0.0f },
        { "threshold 100", false, 100.0f, 65.0f },
    };
    const int n = 4000;
    const auto r2 = noise (n, 41);
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto r1 = c.silentRole1 ? constant (n, 0.0f) : noise (n, 42, 0.95f);
        const auto p = scParams (1.0f, 30.0f, c.threshold, c.depth);

        auto duckEngine = preparedEngine (48000.0, 2, 4096);
        const auto ducked = runEnvelope (Envelope::duck, *duckEngine, r1, r2, p);
        auto followEngine = preparedEngine (48000.0, 2, 4096);
        const auto followed = runEnvelope (Envelope::follow, *followEngine, r1, r2, p);
        for (size_t j = 0; j < (size_t) n; ++j)
        {
            ASSERT_EQ (ducked[j], r2[j]) << j;
            ASSERT_FLOAT_EQ (followed[j], r2[j] * (1.0f - c.depth / 100.0f)) << j;
        }
    }
}

TEST (EnvelopeModes, SteadyFullScaleDucksToTheFloorAfterAFewAttackSamples)
{
    // 1 ms attack at 48 kHz is 48 samples: env after sample j is 1 - exp(-(j + 1) / 48). The duck
    // is complete once 4 env >= 1, i.e. from j + 1 >= 48 ln(4/3) = 13.8, so from sample 13 on.
    const double rate = 48000.0;
    const int n = 200;
    const auto r1 = constant (n, 1.0f);
    const auto r2 = constant (n, 0.5f);
    auto engine = preparedEngine (rate, 2, 4096);
    const auto out = runEnvelope (Envelope::duck, *engine, r1, r2, scParams (1.0f, 100.0f, 0.0f, 70.0f), rate);

    for (int j = 0; j < n; ++j)
    {
        const double env = 1.0 - std::exp (-(j + 1) / 48.0);
        const double expected = 0.5 * (1.0 - 0.7 * std::min (4.0 * env, 1.0));
        ASSERT_NEAR (out[(size_t) j], expected, 1e-5) << j;
    }
    EXPECT_GT (out[12], 0.5f * 0.3f + 1e-3f);
    EXPECT_FLOAT_EQ (out[13], 0.5f * 0.3f);
}

TEST (EnvelopeModes, SplittingABlockChangesNothing)
{
    const int n = 6000;
    const auto r1 = burstySignal (n);
    const auto r2 = noise (n, 51);
    const auto p = scParams (3.0f, 80.0f, 25.0f, 90.0f);
    for (const auto mode : { Envelope::duck, Envelope::follow })
    {
        SCOPED_TRACE (nameOf (mode));
        auto whole = preparedEngine (48000.0, 2, 4096);
        const auto once = runEnvelope (mode, *whole, r1, r2, p, kRate, { n });
        for (const int split : { 1, 1499, 4095 })
        {
            auto pieces = preparedEngine (48000.0, 2, 4096);
            EXPECT_EQ (runEnvelope (mode, *pieces, r1, r2, p, kRate, { split, n }), once) << split;
        }
    }
}

TEST (EnvelopeModes, EachModeAndChannelKeepsItsOwnEnvelope)
{
    const int n = 2000;
    const auto loud = constant (n, 1.0f);
    const auto silent = constant (n, 0.0f);
    const auto r2 = constant (n, 0.5f);
    const auto p = scParams (1.0f, 20.0f, 10.0f, 80.0f);

    auto engine = preparedEngine (48000.0, 2, 4096);
    runEnvelope (Envelope::duck, *engine, loud, r2, p);

    // Follow starts from its own (zero) envelope, not from Duck's.
    const auto followed = runEnvelope (Envelope::follow, *engine, silent, r2, p);
    EXPECT_FLOAT_EQ (followed[0], 0.5f * 0.2f);

    // Duck resumes where it stopped: still fully ducked for the first silent sample.
    const auto ducked = runEnvelope (Envelope::duck, *engine, silent, r2, p);
    EXPECT_NEAR (ducked[0], 0.5f * 0.2f, 1e-6);
    EXPECT_GT (ducked.back(), ducked[0] + 0.1f); // released over the 20 ms release

    // Channel 1 never saw the loud block.
    const auto otherChannel = runEnvelope (Envelope::duck, *engine, silent, r2, p, kRate, { 4096 }, 1);
    EXPECT_EQ (otherChannel, r2);
}
