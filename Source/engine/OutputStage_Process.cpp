#include "engine/OutputStage.h"
#include "engine/SimdIsa.h"

#include <algorithm>
#include <cmath>

// The output stage's sample loops. A biquad is recursive: every sample waits for the previous
// one's result, so one channel alone leaves most of the processor idle. The two channels of a
// pair share a vector, one per lane, and each stage's recursion then costs one channel's time for
// both. The stages of a chain run in the same loop as well, so that the second filter works on
// sample j while the first is already at j + 1. Lanes compute exactly what the scalar formula
// does (the same operations in the same order, nothing fused), so the result is bit for bit the
// same as one channel after the other.

namespace
{
// Lanes 0 and 1 carry the pair's channels; 2 and 3 idle at zero.
using Lanes = float __attribute__ ((vector_size (16)));

// The filters of one chain, in order, with their states in vectors while the loop runs.
constexpr int kMaxChain = 3;
struct Chain
{
    Lanes b0[kMaxChain], b1[kMaxChain], b2[kMaxChain], a1[kMaxChain], a2[kMaxChain];
    Lanes z1[kMaxChain], z2[kMaxChain];
    float* state[kMaxChain][2]; // each channel's float[2] state of that filter (null: idle lane)
    int length = 0;

    void add (const Biquad& b, float* state0, float* state1) noexcept
    {
        const int i = length++;
        b0[i] = Lanes { b.b0, b.b0, b.b0, b.b0 };
        b1[i] = Lanes { b.b1, b.b1, b.b1, b.b1 };
        b2[i] = Lanes { b.b2, b.b2, b.b2, b.b2 };
        a1[i] = Lanes { b.a1, b.a1, b.a1, b.a1 };
        a2[i] = Lanes { b.a2, b.a2, b.a2, b.a2 };
        state[i][0] = state0;
        state[i][1] = state1;
        z1[i] = Lanes { state0[0], state1 != nullptr ? state1[0] : 0.0f, 0.0f, 0.0f };
        z2[i] = Lanes { state0[1], state1 != nullptr ? state1[1] : 0.0f, 0.0f, 0.0f };
    }

    void store() const noexcept
    {
        for (int i = 0; i < length; ++i)
            for (int lane = 0; lane < 2; ++lane)
                if (float* s = state[i][lane])
                {
                    s[0] = z1[i][lane];
                    s[1] = z2[i][lane];
                }
    }
};

// Biquad::process on both lanes for `count` samples, the states in registers.
template <int length, bool pair>
QV_ALWAYS_INLINE void runChain (Chain& chain, float* x0, float* x1, int count) noexcept
{
    // Local copies stay in registers through the loop.
    Lanes z1[length], z2[length];
    for (int i = 0; i < length; ++i)
    {
        z1[i] = chain.z1[i];
        z2[i] = chain.z2[i];
    }
    for (int j = 0; j < count; ++j)
    {
        Lanes x { x0[j], pair ? x1[j] : 0.0f, 0.0f, 0.0f };
        for (int i = 0; i < length; ++i)
        {
            const Lanes y = chain.b0[i] * x + z1[i];
            z1[i] = chain.b1[i] * x - chain.a1[i] * y + z2[i];
            z2[i] = chain.b2[i] * x - chain.a2[i] * y;
            x = y;
        }
        x0[j] = x[0];
        if constexpr (pair)
            x1[j] = x[1];
    }
    for (int i = 0; i < length; ++i)
    {
        chain.z1[i] = z1[i];
        chain.z2[i] = z2[i];
    }
}

template <bool pair>
QV_ALWAYS_INLINE void runChainOf (Chain& chain, float* x0, float* x1, int count) noexcept
{
    switch (chain.length)
    {
        case 1: runChain<1, pair> (chain, x0, x1, count); break;
        case 2: runChain<2, pair> (chain, x0, x1, count); break;
        case 3: runChain<3, pair> (chain, x0, x1, count); break;
        default: break;
    }
}

// Heat's saturator: no state, a vectorisable pass.
QV_ALWAYS_INLINE void saturate (const OutputStage& stage, float* x, int count) noexcept
{
    const auto saturator = stage.saturator();
    for (int j = 0; j < count; ++j)
        x[j] = saturator (x[j]);
}

template <bool constantLevels, bool rampedGains>
QV_ALWAYS_INLINE void mix (const OutputStage& stage, const OutputStage::Channel& ch,
                           const OutputStage::GainRamps* gains, int start, int count) noexcept
{
    const float* dry1 = ch.dry1 + start;
    const float* dry2 = ch.dry2 + start;
    float* out = ch.out + start;
    for (int j = 0; j < count; ++j)
    {
        const float ceiling = rampedGains ? gains->ceiling[start + j] : stage.ceiling;
        const float invCeiling = rampedGains ? gains->invCeiling[start + j] : stage.invCeiling;
        const float volume = rampedGains ? gains->volume[start + j] : stage.volume;
        const float s1 = constantLevels ? ch.sig1Level : ch.sig1[start + j];
        const float s2 = constantLevels ? ch.sig2Level : ch.sig2[start + j];
        const float fx = constantLevels ? ch.fxLevel : ch.fx[start + j];
        const float sum = s1 * dry1[j] + s2 * dry2[j] + fx * out[j];
        out[j] = ceiling * FastTanh::tanh (invCeiling * sum) * volume;
    }
}

// Samples per round. Within a round the filters' recursions run first, then the saturator and
// the mix, which need no recursion: while the mix of one round works through its tanh, the
// filters of the next round already run, so the mix costs little beyond the filters' own wait.
constexpr int kRound = 16;

template <bool pair, bool constantLevels, bool rampedGains>
QV_ALWAYS_INLINE void finishChannels (const OutputStage& stage, const OutputStage::Channel& first,
                                      const OutputStage::Channel* second, const OutputStage::GainRamps* gains,
                                      int n) noexcept
{
    // The filters before the saturator form one chain, the high cut after it another.
    OutputStageState* s0 = first.state;
    OutputStageState* s1 = pair ? second->state : nullptr;
    Chain before, after;
    auto stateOf = [] (OutputStageState* s, float (OutputStageState::*member)[2]) -> float* {
        return s != nullptr ? (s->*member) : nullptr;
    };
    if (stage.lowCutActive)
        before.add (stage.lowCut, s0->lowCut, stateOf (s1, &OutputStageState::lowCut));
    if (stage.heatActive)
    {
        before.add (stage.lowShelf, s0->lowShelf, stateOf (s1, &OutputStageState::lowShelf));
        before.add (stage.highShelf, s0->highShelf, stateOf (s1, &OutputStageState::highShelf));
    }
    Chain& last = stage.heatActive ? after : before;
    if (stage.hiCutActive)
        last.add (stage.hiCut, s0->hiCut, stateOf (s1, &OutputStageState::hiCut));

    float* x0 = first.out;
    float* x1 = pair ? second->out : nullptr;
    for (int start = 0; start < n; start += kRound)
    {
        const int count = std::min (kRound, n - start);
        runChainOf<pair> (before, x0 + start, pair ? x1 + start : nullptr, count);
        if (stage.heatActive)
        {
            saturate (stage, x0 + start, count);
            if constexpr (pair)
                saturate (stage, x1 + start, count);
            runChainOf<pair> (after, x0 + start, pair ? x1 + start : nullptr, count);
        }
        mix<constantLevels, rampedGains> (stage, first, gains, start, count);
        if constexpr (pair)
            mix<constantLevels, rampedGains> (stage, *second, gains, start, count);
    }
    before.store();
    after.store();
}

template <bool pair>
QV_ALWAYS_INLINE void finishPairOrOne (const OutputStage& stage, const OutputStage::Channel& first,
                                       const OutputStage::Channel* second, const OutputStage::GainRamps* gains,
                                       int n) noexcept
{
    const bool constantLevels = first.levelsConstant() && (! pair || second->levelsConstant());
    if (gains != nullptr)
    {
        if (constantLevels)
            finishChannels<pair, true, true> (stage, first, second, gains, n);
        else
            finishChannels<pair, false, true> (stage, first, second, gains, n);
    }
    else if (constantLevels)
        finishChannels<pair, true, false> (stage, first, second, nullptr, n);
    else
        finishChannels<pair, false, false> (stage, first, second, nullptr, n);
}

QV_ALWAYS_INLINE void finishAny (const OutputStage& stage, const OutputStage::Channel& first,
                                 const OutputStage::Channel* second, const OutputStage::GainRamps* gains,
                                 int n) noexcept
{
    if (second != nullptr)
        finishPairOrOne<true> (stage, first, second, gains, n);
    else
        finishPairOrOne<false> (stage, first, nullptr, gains, n);
}

QV_ISA_BUILDS (void, finishBuild,
               (const OutputStage& stage, const OutputStage::Channel& first, const OutputStage::Channel* second,
                const OutputStage::GainRamps* gains, int n) noexcept,
               { finishAny (stage, first, second, gains, n); })
} // namespace

float OutputStageState::magnitude() const noexcept
{
    float sum = 0.0f;
    for (const auto* z : { lowCut, lowShelf, highShelf, hiCut })
        sum += std::abs (z[0]) + std::abs (z[1]);
    return sum;
}

void OutputStage::finish (const Channel& first, const Channel* second, int n, const GainRamps* gains) const noexcept
{
    if (n <= 0)
        return;
    QV_ISA_DISPATCH (finishBuild, (*this, first, second, gains, n))
}
