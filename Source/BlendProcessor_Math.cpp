#include "BlendProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

// The nine sample-wise math operations. Every operation shares one shaping chain: a tilt of the
// two inputs against each other around 700 Hz, a balance between them and a drive into tanh
// before the operation; a "tame" soft limiter, a drive makeup and a partial half-wave rectifier
// after it.

namespace
{
// 2 pi x 700 Hz: corner of the one-pole low-pass that splits each input into lows and highs.
constexpr double kTiltCornerRadians = 4398.23;

// Per-call constants of the shaping chain.
struct MathShape
{
    bool tiltActive;
    float tilt;          // -1..1, positive favours role1's highs and role2's lows
    float weight1;       // balance gain of the role1 side
    float weight2;       // balance gain of the role2 side
    float dc;            // added to the role1 side of Multiply only
    bool driveActive;
    float driveGain;     // up to +30 dB into tanh
    float makeup;        // pulls the driven result back down
    float tame;          // soft-limit ceiling; 1 except for Divide, XOR and Sign Multiply
    float rectify;       // 0..1 share of the negative half removed
    float lowPassCoeff;  // one-pole low-pass at 700 Hz
};

MathShape shapeFor (const MathParams& p, double sampleRate) noexcept
{
    MathShape s {};
    s.tilt = std::clamp (p.tilt / 100.0f, -1.0f, 1.0f);
    s.tiltActive = std::abs (p.tilt / 100.0f) > 0.0001f;

    const float b = p.balance / 100.0f;
    s.weight1 = 2.0f * (1.0f - b);
    s.weight2 = 2.0f * b;

    s.dc = std::clamp (p.dcOffset / 100.0f, 0.0f, 1.0f);

    const float dr = std::clamp (p.drive / 100.0f, 0.0f, 1.0f);
    s.driveActive = p.drive > 0.0f;
    s.driveGain = std::pow (10.0f, 30.0f * dr / 20.0f);
    // Multiplying two driven signals raises the level twice as fast, so it gets twice the cut.
    s.makeup = std::pow (10.0f, (p.op == Multiply ? -20.0f : -10.0f) * dr / 20.0f);

    const bool tameable = p.op == Divide || p.op == Xor || p.op == SignMultiply;
    s.tame = tameable ? 1.0f - 0.85f * std::clamp (p.tame / 100.0f, 0.0f, 1.0f) : 1.0f;

    s.rectify = p.rectify / 100.0f;
    s.lowPassCoeff = static_cast<float> (std::exp (-kTiltCornerRadians / std::max (sampleRate, 1.0)));
    return s;
}

// One side of XOR as a 16-bit sample value, clamped before the conversion so that it never
// overflows. fmax/fmin also map NaN to a valid integer instead of an undefined conversion.
inline int32_t toSample16 (float x) noexcept
{
    return static_cast<int32_t> (std::fmin (std::fmax (x * 32767.0f, -32768.0f), 32767.0f));
}

inline float applyOperation (MathOp op, float a, float c, float dc) noexcept
{
    switch (op)
    {
        case Multiply: return (a + dc) * c;
        case Subtract: return a - c;
        case Divide:
        {
            // Never divide by less than 0.001 in magnitude; a zero divisor counts as positive.
            const float q = std::abs (c) >= 0.001f ? c : (c < 0.0f ? -0.001f : 0.001f);
            return std::clamp (a / q, -1.0f, 1.0f);
        }
        case Min: return std::min (a, c);
        case Max: return std::max (a, c);
        case Xor: return static_cast<float> (toSample16 (a) ^ toSample16 (c)) / 32767.0f;
        case AbsDiff: return std::abs (a - c);
        case SignMultiply: return c >= 0.0f ? a : -a;
        case Add: return a + c;
    }
    return a * c;
}
} // namespace

void BlendProcessor::runMath (int channel, const float* role1, const float* role2, float* out, int numSamples,
                              double sampleRate, const MathParams& params)
{
    if (numSamples <= 0 || channel < 0 || channel >= static_cast<int> (mathTiltLp1.size()))
        return;

    const MathShape s = shapeFor (params, sampleRate);
    const MathOp op = params.op;
    const float k = s.lowPassCoeff;
    float lp1 = mathTiltLp1[static_cast<size_t> (channel)];
    float lp2 = mathTiltLp2[static_cast<size_t> (channel)];

    for (int j = 0; j < numSamples; ++j)
    {
        const float x1 = role1[j];
        const float x2 = role2[j];

        // The low-passes run even with the tilt off, so turning it on starts from settled lows.
        lp1 = k * lp1 + (1.0f - k) * x1;
        lp2 = k * lp2 + (1.0f - k) * x2;

        float a = x1;
        float c = x2;
        if (s.tiltActive)
        {
            // x - 2 lp = high - low: role1 leans toward its highs, role2 toward its lows.
            a = x1 + s.tilt * (x1 - 2.0f * lp1);
            c = x2 - s.tilt * (x2 - 2.0f * lp2);
        }

        a *= s.weight1;
        c *= s.weight2;

        if (s.driveActive)
        {
            a = std::tanh (s.driveGain * a);
            c = std::tanh (s.driveGain * c);
        }

        const float v = applyOperation (op, a, c, s.dc);
        float y = std::tanh (v * s.makeup / s.tame) * s.tame;

        if (s.rectify > 0.0f)
            y = y * (1.0f - s.rectify) + std::max (y, 0.0f) * s.rectify;

        out[j] = y;
    }

    mathTiltLp1[static_cast<size_t> (channel)] = lp1;
    mathTiltLp2[static_cast<size_t> (channel)] = lp2;
}

void BlendProcessor::resetMathChannel (int channel) noexcept
{
    if (channel < 0 || channel >= static_cast<int> (mathTiltLp1.size()))
        return;
    mathTiltLp1[static_cast<size_t> (channel)] = 0.0f;
    mathTiltLp2[static_cast<size_t> (channel)] = 0.0f;
}
