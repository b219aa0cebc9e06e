#pragma once

#include <algorithm>
#include <cmath>

// The two small formulas behind the modulators, shared by the engine (Morph sample by sample),
// the processor (modulator 2 once per block) and the editor (where the dials and steps are drawn),
// so that what the user sees is what is heard.

// Steps in one modulator cycle.
inline constexpr int kNumSteps = 16;

// Value of a step pattern at a cycle position (in cycles; only the fraction counts). With glide 0
// every step holds its value; with glide 1 the value travels linearly from the previous step's
// value to this step's value across the step. Step 15 precedes step 0.
template <typename Value>
Value stepValueAt (const Value (&steps)[kNumSteps], double phase, Value glide) noexcept
{
    const double pos = (phase - std::floor (phase)) * kNumSteps;
    const int k = std::clamp (static_cast<int> (pos), 0, kNumSteps - 1);
    const auto f = static_cast<Value> (pos - k);
    const Value cur = steps[k];
    const Value prev = steps[(k + kNumSteps - 1) % kNumSteps];
    return cur + glide * ((prev + f * (cur - prev)) - cur);
}

// The three mix levels (0..1) for a Morph position m (0..1): dry Audio 1 alone at 0, the blend
// alone at 0.5, dry Audio 2 alone at 1, crossfading linearly in between.
struct MorphLevels
{
    float fx, sig1, sig2;
};

inline MorphLevels morphLevels (float m) noexcept
{
    return { m <= 0.5f ? 2.0f * m : 1.0f - 2.0f * (m - 0.5f), std::max (1.0f - 2.0f * m, 0.0f),
             std::max (2.0f * m - 1.0f, 0.0f) };
}
