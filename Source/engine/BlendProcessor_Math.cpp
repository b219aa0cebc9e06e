#include "engine/BlendProcessor.h"
#include "engine/FastTanh.h"
#include "engine/SimdIsa.h"

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
} // namespace

MathShape MathShape::fromParams (const MathParams& p, double sampleRate) noexcept
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

namespace
{
// One side of XOR as a 16-bit sample value, clamped before the conversion so that it never
// overflows. The comparisons are written so that a NaN fails the first and lands on -32768, a
// valid integer, instead of an undefined conversion; unlike fmin/fmax they vectorise.
QV_ALWAYS_INLINE int32_t toSample16 (float x) noexcept
{
    float v = x * 32767.0f;
    v = v > -32768.0f ? v : -32768.0f;
    v = v < 32767.0f ? v : 32767.0f;
    return static_cast<int32_t> (v);
}

QV_ALWAYS_INLINE float applyOperation (MathOp op, float a, float c, float dc) noexcept
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
QV_ALWAYS_INLINE void operateBlock (const MathShape& s, const float* side1, const float* side2, float* out, int n) noexcept
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
QV_ALWAYS_INLINE void operateBlock (const MathShape& s, const float* side1, const float* side2, float* out, int n) noexcept
{
    if (s.driveActive)
        operateBlock<op, true> (s, side1, side2, out, n);
    else
        operateBlock<op, false> (s, side1, side2, out, n);
}

// The recursive part, sample by sample: the two low-passes of the tilt, then tilt and balance.
// The four recursions of a pair (each role of each channel) share one vector, lanes
// { role1 of channel 0, role1 of channel 1, role2 of channel 0, role2 of channel 1 }, so they
// cost one recursion's time; each lane computes exactly the scalar formula. A lone channel
// leaves lanes 1 and 3 idle.
using Lanes = float __attribute__ ((vector_size (16)));

template <bool pair, bool tilt>
QV_ALWAYS_INLINE void shapeSides (const MathShape& s, const MathSides& in, int n, float* lp1, float* lp2) noexcept
{
    const float k = s.lowPassCoeff;
    const Lanes kk { k, k, k, k };
    const float g = 1.0f - k;
    const Lanes gain { g, g, g, g };
    // x + t (x - 2 lp) for role1 and x - t (x - 2 lp) for role2: adding -t times is the same
    // rounding as subtracting t times.
    const Lanes t { s.tilt, s.tilt, -s.tilt, -s.tilt };
    const Lanes weight { s.weight1, s.weight1, s.weight2, s.weight2 };
    Lanes lp { lp1[0], pair ? lp1[1] : 0.0f, lp2[0], pair ? lp2[1] : 0.0f };

    for (int j = 0; j < n; ++j)
    {
        const Lanes x { in.role1[0][j], pair ? in.role1[1][j] : 0.0f, in.role2[0][j], pair ? in.role2[1][j] : 0.0f };
        // The low-passes run even with the tilt off, so turning it on starts from settled lows.
        lp = kk * lp + gain * x;
        Lanes side = x;
        if constexpr (tilt)
            side = x + t * (x - 2.0f * lp);
        side = side * weight;
        in.side1[0][j] = side[0];
        in.side2[0][j] = side[2];
        if constexpr (pair)
        {
            in.side1[1][j] = side[1];
            in.side2[1][j] = side[3];
        }
    }

    lp1[0] = lp[0];
    lp2[0] = lp[2];
    if constexpr (pair)
    {
        lp1[1] = lp[1];
        lp2[1] = lp[3];
    }
}

QV_ALWAYS_INLINE void operate (MathOp op, const MathShape& s, const float* side1, const float* side2, float* out,
                               int n) noexcept
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

QV_ALWAYS_INLINE void rectifyBlock (const MathShape& s, float* y, int n) noexcept
{
    const float r = s.rectify;
    for (int j = 0; j < n; ++j)
        y[j] = y[j] * (1.0f - r) + std::max (y[j], 0.0f) * r;
}

// Samples per round: the recursive low-passes of one round run first, then the operation on
// them, which needs no recursion, so that its tanh overlaps the next round's low-passes.
constexpr int kRound = 64;

// One piece of one or two channels, round by round. A round's inputs are all read into the
// sides before its outputs are written, and no later round reads them again, so the outputs may
// share memory with the inputs.
template <bool pair, bool tilt>
QV_ALWAYS_INLINE void runRounds (MathOp op, const MathShape& s, const MathSides& in, float* const* out, int n,
                                 float* lp1, float* lp2) noexcept
{
    constexpr int channels = pair ? 2 : 1;
    for (int start = 0; start < n; start += kRound)
    {
        const int count = std::min (kRound, n - start);
        MathSides round {};
        for (int c = 0; c < channels; ++c)
        {
            round.role1[c] = in.role1[c] + start;
            round.role2[c] = in.role2[c] + start;
            round.side1[c] = in.side1[c] + start;
            round.side2[c] = in.side2[c] + start;
        }
        shapeSides<pair, tilt> (s, round, count, lp1, lp2);
        for (int c = 0; c < channels; ++c)
        {
            operate (op, s, round.side1[c], round.side2[c], out[c] + start, count);
            if (s.rectify > 0.0f)
                rectifyBlock (s, out[c] + start, count);
        }
    }
}

template <bool pair>
QV_ALWAYS_INLINE void runPiece (MathOp op, const MathShape& s, const MathSides& in, float* const* out, int n,
                                float* lp1, float* lp2) noexcept
{
    if (s.tiltActive)
        runRounds<pair, true> (op, s, in, out, n, lp1, lp2);
    else
        runRounds<pair, false> (op, s, in, out, n, lp1, lp2);
}

QV_ISA_BUILDS (void, runPieceBuild,
               (bool pair, MathOp op, const MathShape& s, const MathSides& in, float* const* out, int n, float* lp1,
                float* lp2) noexcept,
               {
                   if (pair)
                       runPiece<true> (op, s, in, out, n, lp1, lp2);
                   else
                       runPiece<false> (op, s, in, out, n, lp1, lp2);
               })

void runPieceOf (bool pair, MathOp op, const MathShape& s, const MathSides& in, float* const* out, int n, float* lp1,
                 float* lp2) noexcept
{
    QV_ISA_DISPATCH (runPieceBuild, (pair, op, s, in, out, n, lp1, lp2))
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
    runMathChannels (channel, 1, &role1, &role2, &out, numSamples, sampleRate, params);
}

void BlendProcessor::runMathChannels (int channel, int count, const float* const* role1, const float* const* role2,
                                      float* const* out, int numSamples, double sampleRate, const MathParams& params)
{
    const int lpChannels = static_cast<int> (mathTiltLp1.size());
    if (numSamples <= 0 || count < 1 || count > 2 || channel < 0 || channel + count > lpChannels
        || mathSide1.empty())
        return;

    const MathShape& s = mathShapeCache.get (params, sampleRate, MathShape::fromParams);
    // The work arrays hold two channels' sides.
    const int pieceLength = static_cast<int> (mathSide1.size()) / 2;
    float* lp1 = mathTiltLp1.data() + channel;
    float* lp2 = mathTiltLp2.data() + channel;

    for (int start = 0; start < numSamples; start += pieceLength)
    {
        const int n = std::min (pieceLength, numSamples - start);
        MathSides in {};
        float* pieceOut[2] {};
        for (int c = 0; c < count; ++c)
        {
            in.role1[c] = role1[c] + start;
            in.role2[c] = role2[c] + start;
            in.side1[c] = mathSide1.data() + c * pieceLength;
            in.side2[c] = mathSide2.data() + c * pieceLength;
            pieceOut[c] = out[c] + start;
        }
        runPieceOf (count == 2, params.op, s, in, pieceOut, n, lp1, lp2);
    }
}

void BlendProcessor::resetMathChannel (int channel) noexcept
{
    if (channel < 0 || channel >= static_cast<int> (mathTiltLp1.size()))
        return;
    mathTiltLp1[static_cast<size_t> (channel)] = 0.0f;
    mathTiltLp2[static_cast<size_t> (channel)] = 0.0f;
}
