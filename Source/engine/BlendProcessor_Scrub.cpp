#include "engine/BlendProcessor.h"

#include <algorithm>
#include <cmath>

// Scrub: role1 is played back from a circular history by a playhead whose speed role2 drives.
// The playhead advances by 1 + velocity samples per sample: velocity 0 is normal speed at a fixed
// 1024-sample delay (the latency the engine reports), -1 freezes it, below -1 it runs backwards.

namespace
{
constexpr double kOffsetRange = DelayLine::kSize; // the offset is folded into -2048..2048

// Folds the offset into -2048..2048 exactly as repeated subtraction (or addition) of 2048 would:
// a positive excess lands in (0, 2048], a negative one in [-2048, 0). fmod is exact and takes
// constant time, so a huge velocity cannot stall the audio thread.
inline double foldOffset (double offset) noexcept
{
    if (offset > kOffsetRange)
    {
        const double r = std::fmod (offset, kOffsetRange);
        return r == 0.0 ? kOffsetRange : r;
    }
    if (offset < -kOffsetRange)
    {
        const double r = std::fmod (offset, kOffsetRange);
        return r == 0.0 ? -kOffsetRange : r;
    }
    return offset;
}
} // namespace

void BlendProcessor::runScrub (int channel, const float* role1, const float* role2, float* out, int numSamples,
                               const ScrubParams& params)
{
    if (numSamples <= 0 || channel < 0 || channel >= static_cast<int> (scrubHistory.size()))
        return;

    // 1 at 0 % smoothing (the velocity jumps to its target), 0.01 at 100 %.
    const double k = 1.0 - 0.99 * std::clamp (static_cast<double> (params.smoothing) / 100.0, 0.0, 1.0);
    const double drift = static_cast<double> (params.bias) * 0.01;
    // The raw percentage is the gain: role2 at 0.5 with scale 50 asks for 25 samples per sample.
    const double scale = params.scale;

    const auto ch = static_cast<size_t> (channel);
    DelayLine& history = scrubHistory[ch];
    double offset = scrubOffset[ch];
    double velocity = scrubVelocity[ch];

    for (int j = 0; j < numSamples; ++j)
    {
        const double target = static_cast<double> (role2[j]) * scale + drift;
        history.push (role1[j]);

        velocity += (target - velocity) * k;
        offset = foldOffset (offset + velocity);
        // An infinite or NaN speed has no playhead position; restart from the delay point
        // rather than keep the poisoned state.
        if (! std::isfinite (offset) || ! std::isfinite (velocity))
            velocity = offset = 0.0;

        // The offset stays within -2048..2048, so the read point lies within -3073..3070 before
        // it is wrapped onto the line.
        out[j] = history.readAroundCentre (offset);
    }

    scrubOffset[ch] = offset;
    scrubVelocity[ch] = velocity;
}

void BlendProcessor::resetScrubChannel (int channel) noexcept
{
    if (channel < 0 || channel >= static_cast<int> (scrubHistory.size()))
        return;
    const auto ch = static_cast<size_t> (channel);
    scrubHistory[ch].clearSignal();
    scrubOffset[ch] = 0.0;
    scrubVelocity[ch] = 0.0;
}
