#include "engine/BlendProcessor.h"

#include <cmath>

// Recovery from bad audio. Hosts occasionally deliver NaN, infinite or absurdly large samples.
// Left alone, one such sample stays in the recursive filter, envelope, delay-line and frame
// states and silences or poisons the output for the rest of the session. So after every block
// each channel is checked once, outside the sample loops:
//
// - the summed magnitude of the block's two role inputs and of the mode's output (the blend
//   before the output stage): a bad sample that entered a delay line or a frame ring shows in the
//   inputs the block it arrives, long before it would be read back; a state that went bad
//   inside a mode shows in the blend;
// - the output stage's filter states and the level ramp of the channel.
//
// A bad measure clears the current mode's state of that channel; a bad filter state or ramp
// clears that alone. Nothing here writes unless a check fails, and no real audio comes near the
// limit, so audio without bad samples is processed exactly as if the guard did not exist.

namespace
{
// Summed magnitudes beyond this count as bad. The two inputs and the blend of a full-scale block
// of 65536 samples sum to about 2e5, and even audio at +120 dBFS stays below 2e11, while a
// +-1e30 sample, an infinity, a NaN and any overflow land above it (a NaN fails every
// comparison).
constexpr float kBadMagnitude = 1.0e12f;

inline bool isBad (float magnitude) noexcept { return ! (magnitude <= kBadMagnitude); }

} // namespace

void BlendProcessor::recoverChannel (BlendMode mode, int channel, float measure) noexcept
{
    if (channel < 0 || channel >= preparedChannels)
        return;
    const auto c = static_cast<size_t> (channel);

    if (isBad (measure))
    {
        resetRunningModes (mode, channel);
        // The dry delays hold the bad inputs too and would play them a latency later.
        for (auto* delays : { &dryDelay1, &dryDelay2 })
            if (c < delays->size())
                (*delays)[c].reset();
        ++recoveryCount;
    }

    // The output stage carries a bad blend sample in its biquad states long after it passed.
    if (isBad (stageStates[c].magnitude()))
    {
        stageStates[c] = OutputStageState {};
        ++recoveryCount;
    }

    // The levels come from parameters, not audio, but a ramp that ever held a NaN would never
    // move again; it restarts in the never-set state and takes the next block's levels at once.
    auto& st = mixStates[c];
    const float levels = std::abs (st.startFx) + std::abs (st.startSig1) + std::abs (st.startSig2)
                         + std::abs (st.targetFx) + std::abs (st.targetSig1) + std::abs (st.targetSig2);
    if (isBad (levels))
    {
        st = RtMixState {};
        ++recoveryCount;
    }
}
