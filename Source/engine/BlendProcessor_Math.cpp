#include "engine/BlendProcessor.h"
#include "engine/FastTanh.h"

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

    s.tame = mathOpHasTame (p.op) ? 1.0f - 0.85f * std::clamp (p.tame / 100.0f, 0.0f, 1.0f) : 1.0f;

    s.rectify = p.rectify / 100.0f;
    s.lowPassCoeff = static_cast<float> (std::exp (-kTiltCornerRadians / std::max (sampleRate, 1.0)));
    return s;
}

// One side of XOR as a 16-bit sample value, clamped before the conversion so that it never
// overflows. The comparisons are written so that a NaN fails the first and lands on -32768, a
// valid integer, instead of an undefined conversion; unlike fmin/fmax they vectorise.
inline int32_t toSample16 (float x) noexcept
{
    float v = x * 32767.0f;
    v = v > -32768.0f ? v : -32768.0f;
    v = v < 32767.0f ? v : 32767.0f;
    return static_cast<int32_t> (v);
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
            // (Choices by FastTanh::select keep the loop free of jumps; std::clamp's order of
            // comparisons is kept, so a NaN passes through as before.)
            const float q = FastTanh::select (std::abs (c) >= 0.001f, c, FastTanh::select (c < 0.0f, -0.001f, 0.001f));
            const float v = a / q;
            return FastTanh::select (v < -1.0f, -1.0f, FastTanh::select (1.0f < v, 1.0f, v));
        }
        case Min: return std::min (a, c);
        case Max: return std::max (a, c);
        case Xor: return static_cast<float> (toSample16 (a) ^ toSample16 (c)) / 32767.0f;
        case AbsDiff: return std::abs (a - c);
        case SignMultiply: return FastTanh::select (c >= 0.0f, a, -a);
        case Add: return a + c;
    }
    return a * c;
}

// Drive, operation and soft limit over a block: no state, so the loop vectorises. The drive
// into Divide and XOR keeps libm's tanh: XOR converts its inputs to integers, a discrete
// decision that must not move, and Divide magnifies any change of a small divisor.
template <MathOp op, bool drive>
void operateBlock (const MathShape& s, const float* side1, const float* side2, float* out, int n) noexcept
{
    constexpr bool exactDrive = op == Divide || op == Xor;
    const float g = s.driveGain, dc = s.dc, makeup = s.makeup, tame = s.tame;

    for (int j = 0; j < n; ++j)
    {
        float a = side1[j];
        float c = side2[j];
        if constexpr (drive)
        {
            if constexpr (exactDrive)
            {
                a = std::tanh (g * a);
                c = std::tanh (g * c);
            }
            else
            {
                a = FastTanh::tanh (g * a);
                c = FastTanh::tanh (g * c);
            }
        }
        const float v = applyOperation (op, a, c, dc);
        out[j] = FastTanh::tanh (v * makeup / tame) * tame;
    }
}

template <MathOp op>
void operateBlock (const MathShape& s, const float* side1, const float* side2, float* out, int n) noexcept
{
    if (s.driveActive)
        operateBlock<op, true> (s, side1, side2, out, n);
    else
        operateBlock<op, false> (s, side1, side2, out, n);
}

// The recursive part, sample by sample: the two low-passes of the tilt, then tilt and balance.
void shapeSides (const MathShape& s, const float* role1, const float* role2, int n, float& lp1State,
                 float& lp2State, float* side1, float* side2) noexcept
{
    const float k = s.lowPassCoeff;
    float lp1 = lp1State;
    float lp2 = lp2State;

    for (int j = 0; j < n; ++j)
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

        side1[j] = a * s.weight1;
        side2[j] = c * s.weight2;
    }

    lp1State = lp1;
    lp2State = lp2;
}

void operate (MathOp op, const MathShape& s, const float* side1, const float* side2, float* out, int n) noexcept
{
    switch (op)
    {
        case Multiply: operateBlock<Multiply> (s, side1, side2, out, n); return;
        case Subtract: operateBlock<Subtract> (s, side1, side2, out, n); return;
        case Divide: operateBlock<Divide> (s, side1, side2, out, n); return;
        case Min: operateBlock<Min> (s, side1, side2, out, n); return;
        case Max: operateBlock<Max> (s, side1, side2, out, n); return;
        case Xor: operateBlock<Xor> (s, side1, side2, out, n); return;
        case AbsDiff: operateBlock<AbsDiff> (s, side1, side2, out, n); return;
        case SignMultiply: operateBlock<SignMultiply> (s, side1, side2, out, n); return;
        case Add: operateBlock<Add> (s, side1, side2, out, n); return;
    }
    // An operation outside the list multiplies.
    operateBlock<static_cast<MathOp> (0)> (s, side1, side2, out, n);
}
} // namespace

float BlendProcessor::mathMakeupGain (MathOp op) noexcept
{
    switch (op)
    {
        case Multiply: return 2.9f;
        case Subtract: return 0.75f;
        case Divide: return 0.16f;
        case Min: return 1.0f;
        case Max: return 1.0f;
        case Xor: return 0.78f;
        case AbsDiff: return 0.75f;
        case SignMultiply: return 1.0f;
        case Add: return 0.65f;
    }
    return 1.0f;
}

void BlendProcessor::runMath (int channel, const float* role1, const float* role2, float* out, int numSamples,
                              double sampleRate, const MathParams& params)
{
    if (numSamples <= 0 || channel < 0 || channel >= static_cast<int> (mathTiltLp1.size()) || mathSide1.empty())
        return;

    const MathShape s = shapeFor (params, sampleRate);
    const int pieceLength = static_cast<int> (mathSide1.size());

    for (int start = 0; start < numSamples; start += pieceLength)
    {
        const int n = std::min (pieceLength, numSamples - start);
        // Every input sample of the piece is read before any output sample is written, so
        // `out` may share memory with either input.
        shapeSides (s, role1 + start, role2 + start, n, mathTiltLp1[static_cast<size_t> (channel)],
                    mathTiltLp2[static_cast<size_t> (channel)], mathSide1.data(), mathSide2.data());
        operate (params.op, s, mathSide1.data(), mathSide2.data(), out + start, n);

        if (s.rectify > 0.0f)
        {
            const float r = s.rectify;
            float* y = out + start;
            for (int j = 0; j < n; ++j)
                y[j] = y[j] * (1.0f - r) + std::max (y[j], 0.0f) * r;
        }
    }
}

void BlendProcessor::resetMathChannel (int channel) noexcept
{
    if (channel < 0 || channel >= static_cast<int> (mathTiltLp1.size()))
        return;
    mathTiltLp1[static_cast<size_t> (channel)] = 0.0f;
    mathTiltLp2[static_cast<size_t> (channel)] = 0.0f;
}
