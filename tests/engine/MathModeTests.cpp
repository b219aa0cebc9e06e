#include <gtest/gtest.h>

#include "EngineHarness.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

using namespace harness;

namespace
{
constexpr double kRate = 44100.0;

// The math chain written out in double precision, straight from the formulas: tilt around a
// 700 Hz one-pole split, balance, drive, the operation, the tame limiter with drive makeup and
// the partial rectifier. XOR is left out (its integer quantisation is tested exactly below).
struct MathReference
{
    double lp1 = 0.0, lp2 = 0.0;

    double process (const MathParams& p, double x1, double x2, double rate)
    {
        const double t = std::clamp (p.tilt / 100.0, -1.0, 1.0);
        const double b = p.balance / 100.0;
        const double dc = std::clamp (p.dcOffset / 100.0, 0.0, 1.0);
        const double dr = std::clamp (p.drive / 100.0, 0.0, 1.0);
        const double g = std::pow (10.0, 30.0 * dr / 20.0);
        const double mk = std::pow (10.0, (p.op == Multiply ? -20.0 : -10.0) * dr / 20.0);
        const bool tameable = p.op == Divide || p.op == Xor || p.op == SignMultiply;
        const double d = tameable ? 1.0 - 0.85 * std::clamp (p.tame / 100.0, 0.0, 1.0) : 1.0;
        const double r = p.rectify / 100.0;
        const double k = std::exp (-2.0 * kPi * 700.0 / std::max (rate, 1.0));

        lp1 = k * lp1 + (1.0 - k) * x1;
        lp2 = k * lp2 + (1.0 - k) * x2;
        double a = x1, c = x2;
        if (std::abs (t) > 0.0001)
        {
            const double low1 = lp1, high1 = x1 - lp1, low2 = lp2, high2 = x2 - lp2;
            a = (1.0 + t) * high1 + (1.0 - t) * low1;
            c = (1.0 - t) * high2 + (1.0 + t) * low2;
        }
        a *= 2.0 * (1.0 - b);
        c *= 2.0 * b;
        if (p.drive > 0.0f)
        {
            a = std::tanh (g * a);
            c = std::tanh (g * c);
        }

        double v = 0.0;
        switch (p.op)
        {
            case Multiply: v = (a + dc) * c; break;
            case Subtract: v = a - c; break;
            case Divide:
            {
                const double q = std::abs (c) >= 0.001 ? c : (c < 0.0 ? -0.001 : 0.001);
                v = std::clamp (a / q, -1.0, 1.0);
                break;
            }
            case Min: v = std::min (a, c); break;
            case Max: v = std::max (a, c); break;
            case AbsDiff: v = std::abs (a - c); break;
            case SignMultiply: v = c >= 0.0 ? a : -a; break;
            case Add: v = a + c; break;
            case Xor: // tested exactly on its own
            default: v = a * c; break;
        }

        double y = std::tanh (v * mk / d) * d;
        if (r > 0.0)
            y = y * (1.0 - r) + std::max (y, 0.0) * r;
        return y;
    }
};

MathParams mathParams (MathOp op, float balance = 50.0f, float rectify = 0.0f, float tame = 100.0f,
                       float drive = 0.0f, float dcOffset = 0.0f, float tilt = 0.0f)
{
    MathParams p;
    p.op = op;
    p.balance = balance;
    p.rectify = rectify;
    p.tame = tame;
    p.drive = drive;
    p.dcOffset = dcOffset;
    p.tilt = tilt;
    return p;
}

std::vector<float> runMath (BlendProcessor& engine, const std::vector<float>& r1, const std::vector<float>& r2,
                            const MathParams& p, double rate = kRate, std::vector<int> blocks = { 4096 })
{
    return stream (r1, r2, [&] (const float* a, const float* b, float* o, int n) { engine.runMath (0, a, b, o, n, rate, p); },
                   blocks);
}

// Program material with both lows and highs, so the tilt has something to move.
std::vector<float> role1Signal (int n) { return plus (sine (n, 180.0, kRate, 0.5f), noise (n, 11, 0.45f)); }
std::vector<float> role2Signal (int n) { return plus (sine (n, 95.0, kRate, 0.4f), noise (n, 23, 0.5f)); }
} // namespace

TEST (MathMode, EveryOperationFollowsTheShapingChainAcrossBlocks)
{
    const MathOp ops[] = { Multiply, Subtract, Divide, Min, Max, AbsDiff, SignMultiply, Add };
    struct Settings
    {
        const char* name;
        float balance, rectify, tame, drive, dcOffset, tilt;
    };
    const Settings settings[] = {
        { "defaults", 50, 0, 100, 0, 0, 0 },
        { "tilted, driven, offset", 30, 30, 50, 40, 25, 60 },
        { "full negative tilt and drive", 80, 100, 0, 100, 100, -100 },
        { "tiny tilt stays off", 65, 0, 20, 10, 50, 0.005f },
    };

    const int n = 3000;
    const auto r1 = role1Signal (n);
    const auto r2 = role2Signal (n);

    for (const auto op : ops)
        for (const auto& s : settings)
        {
            SCOPED_TRACE (std::string ("op ") + std::to_string (op) + ", " + s.name);
            const auto p = mathParams (op, s.balance, s.rectify, s.tame, s.drive, s.dcOffset, s.tilt);
            auto engine = preparedEngine (48000.0, 2, 4096);
            const auto out = runMath (*engine, r1, r2, p, kRate, { 700, 1, 1347, 4096 });

            MathReference ref;
            for (int j = 0; j < n; ++j)
            {
                const double expected = ref.process (p, r1[(size_t) j], r2[(size_t) j], kRate);
                ASSERT_NEAR (out[(size_t) j], expected, 5e-4) << "sample " << j;
            }
        }
}

TEST (MathMode, MultiplyAtDefaultsIsTanhOfTheProduct)
{
    const int n = 1000;
    const auto r1 = noise (n, 1);
    const auto r2 = noise (n, 2);
    auto engine = preparedEngine (48000.0, 2, 4096);
    const auto out = runMath (*engine, r1, r2, MathParams {});
    for (size_t j = 0; j < (size_t) n; ++j)
        EXPECT_FLOAT_EQ (out[j], std::tanh (r1[j] * r2[j])) << j;
}

TEST (MathMode, BalanceAtEitherEndSilencesOneSide)
{
    struct Case
    {
        MathOp op;
        float balance;
        std::function<double (double, double)> expected;
    };
    const Case cases[] = {
        { Multiply, 0, [] (double, double) { return 0.0; } },
        { Add, 0, [] (double x1, double) { return std::tanh (2.0 * x1); } },
        { Subtract, 0, [] (double x1, double) { return std::tanh (2.0 * x1); } },
        { Max, 0, [] (double x1, double) { return std::tanh (std::max (2.0 * x1, 0.0)); } },
        { Add, 100, [] (double, double x2) { return std::tanh (2.0 * x2); } },
        { Subtract, 100, [] (double, double x2) { return std::tanh (-2.0 * x2); } },
        { Multiply, 100, [] (double, double) { return 0.0; } },
    };

    const int n = 500;
    const auto r1 = noise (n, 3, 0.8f);
    const auto r2 = noise (n, 4, 0.8f);
    for (const auto& c : cases)
    {
        SCOPED_TRACE ("op " + std::to_string (c.op) + " balance " + std::to_string (c.balance));
        auto engine = preparedEngine (48000.0, 2, 4096);
        const auto out = runMath (*engine, r1, r2, mathParams (c.op, c.balance));
        for (size_t j = 0; j < (size_t) n; ++j)
            ASSERT_NEAR (out[j], c.expected (r1[j], r2[j]), 1e-6) << j;
    }
}

TEST (MathMode, DivideBySilenceUsesTheSmallestDivisor)
{
    // Role 2 silent: the divisor is +0.001, so the quotient is 1000 x role1, clamped to -1..1,
    // then limited by tame (ceiling 1 - 0.85 x tame).
    const int n = 400;
    const auto r1 = noise (n, 5, 0.003f);
    const auto r2 = constant (n, 0.0f);
    for (const float tame : { 0.0f, 100.0f })
    {
        SCOPED_TRACE (tame);
        const double d = 1.0 - 0.85 * tame / 100.0;
        auto engine = preparedEngine (48000.0, 2, 4096);
        const auto out = runMath (*engine, r1, r2, mathParams (Divide, 50, 0, tame));
        for (size_t j = 0; j < (size_t) n; ++j)
        {
            const double q = std::clamp (1000.0 * r1[j], -1.0, 1.0);
            ASSERT_NEAR (out[j], std::tanh (q / d) * d, 1e-5) << j;
        }
    }
}

TEST (MathMode, SignMultiplyKeepsRole1WhereRole2IsZero)
{
    const int n = 300;
    const auto r1 = noise (n, 6, 0.5f);
    for (const float zero : { 0.0f, -0.0f })
    {
        auto engine = preparedEngine (48000.0, 2, 4096);
        const auto out = runMath (*engine, r1, constant (n, zero), mathParams (SignMultiply));
        for (size_t j = 0; j < (size_t) n; ++j)
            ASSERT_NEAR (out[j], std::tanh (r1[j] / 0.15) * 0.15, 1e-6) << j;
    }
}

TEST (MathMode, XorCombinesSixteenBitSampleValues)
{
    // Inputs are multiples of 1/1024, so x * 32767 is exact in single precision and the
    // truncation is unambiguous.
    struct Case
    {
        float x1, x2;
    };
    const Case cases[] = {
        { 0.5f, 0.5f },     // equal inputs cancel
        { -0.375f, -0.375f },
        { 0.25f, 0.0f },    // with silence: the input quantised, 8191.75 truncates to 8191
        { -0.25f, 0.0f },   // truncation toward zero: -8191
        { 0.5f, -0.25f },
        { 1.5f, 0.125f },   // clamped to 32767
        { -2.0f, 0.375f },  // clamped to -32768
    };

    for (const float tame : { 0.0f, 100.0f })
        for (const auto& c : cases)
        {
            SCOPED_TRACE (std::to_string (c.x1) + " xor " + std::to_string (c.x2) + ", tame " + std::to_string (tame));
            auto toInt = [] (double x) { return static_cast<int> (std::trunc (std::clamp (x * 32767.0, -32768.0, 32767.0))); };
            const double v = static_cast<double> (toInt (c.x1) ^ toInt (c.x2)) / 32767.0;
            const double d = 1.0 - 0.85 * tame / 100.0;

            auto engine = preparedEngine (48000.0, 2, 4096);
            const auto out = runMath (*engine, constant (4, c.x1), constant (4, c.x2), mathParams (Xor, 50, 0, tame));
            for (const float y : out)
                EXPECT_NEAR (y, std::tanh (v / d) * d, 1e-6);
            if (c.x1 == c.x2)
            {
                EXPECT_EQ (out[0], 0.0f);
            }
        }
}

TEST (MathMode, RectifyRemovesThatShareOfTheNegativeHalf)
{
    const int n = 2000;
    const auto r1 = role1Signal (n);
    const auto r2 = role2Signal (n);
    for (const MathOp op : { Multiply, Subtract, Divide, Min, Max, Xor, AbsDiff, SignMultiply, Add })
    {
        SCOPED_TRACE (op);
        auto plainEngine = preparedEngine (48000.0, 2, 4096);
        const auto plain = runMath (*plainEngine, r1, r2, mathParams (op, 50, 0, 60, 30, 20, 40));
        for (const float rectify : { 25.0f, 100.0f })
        {
            auto engine = preparedEngine (48000.0, 2, 4096);
            const auto out = runMath (*engine, r1, r2, mathParams (op, 50, rectify, 60, 30, 20, 40));
            const double r = rectify / 100.0;
            for (size_t j = 0; j < (size_t) n; ++j)
            {
                ASSERT_NEAR (out[j], plain[j] > 0.0f ? plain[j] : plain[j] * (1.0 - r), 1e-6) << j;
                if (rectify == 100.0f)
                {
                    ASSERT_GE (out[j], 0.0f) << j;
                }
            }
        }
    }
}

TEST (MathMode, FullTiltKeepsTwiceRole1HighsAndTwiceRole2Lows)
{
    // A constant is all lows. After the 700 Hz low-pass has settled, +100 % tilt removes role1's
    // lows and doubles role2's; -100 % does the reverse. Add with the other side silent shows
    // one side at a time.
    struct Case
    {
        float tilt;
        bool onRole1;
        double expected; // settled output for a constant 0.3
    };
    const Case cases[] = {
        { 100, true, 0.0 },
        { 100, false, std::tanh (0.6) },
        { -100, true, std::tanh (0.6) },
        { -100, false, 0.0 },
    };
    const int n = 3000;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (std::to_string (c.tilt) + (c.onRole1 ? " role1" : " role2"));
        auto engine = preparedEngine (48000.0, 2, 4096);
        const auto dc = constant (n, 0.3f), silence = constant (n, 0.0f);
        const auto out = runMath (*engine, c.onRole1 ? dc : silence, c.onRole1 ? silence : dc,
                                  mathParams (Add, 50, 0, 100, 0, 0, c.tilt));
        EXPECT_NEAR (out.back(), c.expected, 1e-5);
    }

    // A tone far above 700 Hz is nearly all highs: the roles swap.
    const auto high = sine (n, 15000.0, kRate, 0.2f);
    auto engine = preparedEngine (48000.0, 2, 4096);
    const auto out = runMath (*engine, high, constant (n, 0.0f), mathParams (Add, 50, 0, 100, 0, 0, 100));
    float peak = 0.0f;
    for (size_t j = n / 2; j < (size_t) n; ++j)
        peak = std::max (peak, std::abs (out[j]));
    EXPECT_GT (peak, std::tanh (0.2 * 1.8));
}

TEST (MathMode, NonPositiveSampleRateActsLikeOneHertz)
{
    // At 1 Hz the 700 Hz low-pass passes everything at once: the tilt at +100 % cancels role1.
    const int n = 500;
    const auto r1 = noise (n, 7);
    const auto r2 = noise (n, 8);
    const auto p = mathParams (Add, 50, 0, 100, 0, 0, 100);

    auto reference = preparedEngine (48000.0, 2, 4096);
    const auto atOneHertz = runMath (*reference, r1, r2, p, 1.0);
    for (const double rate : { 0.0, -48000.0, 0.5 })
    {
        auto engine = preparedEngine (48000.0, 2, 4096);
        EXPECT_EQ (runMath (*engine, r1, r2, p, rate), atOneHertz) << rate;
    }

    auto engine = preparedEngine (48000.0, 2, 4096);
    for (const float y : runMath (*engine, r1, constant (n, 0.0f), p, 0.0))
        ASSERT_EQ (y, 0.0f);
}
