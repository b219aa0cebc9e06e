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
// a positive excess lands in (0, 2048], a negative one in [-2048, 0). One period beyond the
// range, the usual case, is a single exact subtraction (or addition); further out fmod, which is
// exact and takes constant time, so a huge velocity cannot stall the audio thread.
inline double foldOffset (double offset) noexcept
{
    // Tested first and alone: the playhead is inside the range nearly always, and a well
    // predicted test keeps the fold off the per-sample chain of dependent operations.
    if (std::abs (offset) <= kOffsetRange)
        return offset;
    if (std::abs (offset) <= 2.0 * kOffsetRange)
    {
        const double folded = offset > kOffsetRange ? offset - kOffsetRange : offset;
        return folded < -kOffsetRange ? folded + kOffsetRange : folded;
    }
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

struct ScrubShape
{
    double k;     // 1 at 0 % smoothing (the velocity jumps to its target), 0.01 at 100 %
    double drift; // the bias, in samples per sample
    double scale; // the raw percentage is the gain: role2 at 0.5 with scale 50 asks for 25
};

ScrubShape shapeFor (const ScrubParams& params) noexcept
{
    return { 1.0 - 0.99 * std::clamp (static_cast<double> (params.smoothing) / 100.0, 0.0, 1.0),
             static_cast<double> (params.bias) * 0.01, static_cast<double> (params.scale) };
}
} // namespace

void BlendProcessor::runScrub (int channel, const float* role1, const float* role2, float* out, int numSamples,
                               const ScrubParams& params)
{
    if (numSamples <= 0 || channel < 0 || channel >= static_cast<int> (scrubHistory.size()))
        return;

    const ScrubShape s = shapeFor (params);
    const auto ch = static_cast<size_t> (channel);
    DelayLine::Cursor history = scrubHistory[ch].cursor();
    double offset = scrubOffset[ch];
    double velocity = scrubVelocity[ch];

    for (int j = 0; j < numSamples; ++j)
    {
        const double target = static_cast<double> (role2[j]) * s.scale + s.drift;
        history.push (role1[j]);

        // Without smoothing k is 1, and x times 1 is x: the multiply is left out.
        const double step = target - velocity;
        velocity += s.k == 1.0 ? step : step * s.k;
        offset = foldOffset (offset + velocity);
        // An infinite or NaN speed has no playhead position; restart from the delay point
        // rather than keep the poisoned state. (A finite offset means a finite velocity: the
        // offset was finite before it moved.)
        if (! std::isfinite (offset))
            velocity = offset = 0.0;

        // The offset stays within -2048..2048, so the read point lies within -3073..3070 before
        // it is wrapped onto the line.
        out[j] = history.readAroundCentre (offset);
    }

    scrubHistory[ch].moveTo (history);
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
