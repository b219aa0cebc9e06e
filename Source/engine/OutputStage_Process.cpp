#include "engine/OutputStage.h"
#include "engine/SimdIsa.h"

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

// Biquad::process on both lanes.
template <int length>
QV_ALWAYS_INLINE void runChain (Chain& chain, float* x0, float* x1, int n) noexcept
{
    Lanes z1[kMaxChain], z2[kMaxChain];
    for (int i = 0; i < length; ++i)
    {
        z1[i] = chain.z1[i];
        z2[i] = chain.z2[i];
    }
    for (int j = 0; j < n; ++j)
    {
        Lanes x { x0[j], x1 != nullptr ? x1[j] : 0.0f, 0.0f, 0.0f };
        for (int i = 0; i < length; ++i)
        {
            const Lanes y = chain.b0[i] * x + z1[i];
            z1[i] = chain.b1[i] * x - chain.a1[i] * y + z2[i];
            z2[i] = chain.b2[i] * x - chain.a2[i] * y;
            x = y;
        }
        x0[j] = x[0];
        if (x1 != nullptr)
            x1[j] = x[1];
    }
    for (int i = 0; i < length; ++i)
    {
        chain.z1[i] = z1[i];
        chain.z2[i] = z2[i];
    }
    chain.store();
}

template <bool pair>
QV_ALWAYS_INLINE void runChainOf (Chain& chain, float* x0, float* x1, int n) noexcept
{
    // The idle lane of a lone channel reads nothing: the compiler drops its loads when x1 is a
    // null constant.
    float* const second = pair ? x1 : nullptr;
    switch (chain.length)
    {
        case 1: runChain<1> (chain, x0, second, n); break;
        case 2: runChain<2> (chain, x0, second, n); break;
        case 3: runChain<3> (chain, x0, second, n); break;
        default: break;
    }
}

// Heat's saturator: no state, a vectorisable pass.
QV_ALWAYS_INLINE void saturateChannel (const OutputStage& stage, float* x, int n) noexcept
{
    const float drive = stage.satDrive, offset = stage.satOffset, zero = stage.satZero, scale = stage.satScale;
    for (int j = 0; j < n; ++j)
        x[j] = (FastTanh::tanh (x[j] * drive + offset) - zero) * scale;
}

template <bool pair>
QV_ALWAYS_INLINE void processPair (const OutputStage& stage, float* x0, float* x1, OutputStageState& s0,
                                   OutputStageState* s1, int n) noexcept
{
    // The filters before the saturator form one chain, the high cut after it another.
    Chain before, after;
    auto stateOf = [] (OutputStageState* s, float (OutputStageState::*member)[2]) -> float* {
        return s != nullptr ? (s->*member) : nullptr;
    };
    if (stage.lowCutActive)
        before.add (stage.lowCut, s0.lowCut, stateOf (s1, &OutputStageState::lowCut));
    if (stage.heatActive)
    {
        before.add (stage.lowShelf, s0.lowShelf, stateOf (s1, &OutputStageState::lowShelf));
        before.add (stage.highShelf, s0.highShelf, stateOf (s1, &OutputStageState::highShelf));
    }
    Chain& last = stage.heatActive ? after : before;
    if (stage.hiCutActive)
        last.add (stage.hiCut, s0.hiCut, stateOf (s1, &OutputStageState::hiCut));

    runChainOf<pair> (before, x0, x1, n);
    if (stage.heatActive)
    {
        saturateChannel (stage, x0, n);
        if (pair)
            saturateChannel (stage, x1, n);
        runChainOf<pair> (after, x0, x1, n);
    }
}

QV_ALWAYS_INLINE void processAll (const OutputStage& stage, float* const* channels, OutputStageState* states,
                                  int numChannels, int n) noexcept
{
    int c = 0;
    for (; c + 1 < numChannels; c += 2)
        processPair<true> (stage, channels[c], channels[c + 1], states[c], &states[c + 1], n);
    if (c < numChannels)
        processPair<false> (stage, channels[c], nullptr, states[c], nullptr, n);
}

QV_ISA_BUILDS (void, processBuild,
               (const OutputStage& stage, float* const* channels, OutputStageState* states, int numChannels,
                int n) noexcept,
               { processAll (stage, channels, states, numChannels, n); })
} // namespace

float OutputStageState::magnitude() const noexcept
{
    float sum = 0.0f;
    for (const auto* z : { lowCut, lowShelf, highShelf, hiCut })
        sum += std::abs (z[0]) + std::abs (z[1]);
    return sum;
}

void OutputStage::process (float* const* channels, OutputStageState* states, int numChannels, int n) const noexcept
{
    if (numChannels <= 0 || n <= 0 || ! (lowCutActive || heatActive || hiCutActive))
        return;
    QV_ISA_DISPATCH (processBuild, (*this, channels, states, numChannels, n))
}
