#include "engine/BlendProcessor.h"

#include <algorithm>
#include <cmath>

// Sidechain Duck and Amplitude Follow: a peak follower listens to role1 and turns its envelope
// into a gain on role2. Duck pushes role2 down as role1 gets louder; Follow lets role2 sound
// only as loud as role1. Each mode keeps its own envelope per channel.

namespace
{
struct EnvelopeShape
{
    float attackCoeff;  // per-sample smoothing while the input rises above the envelope
    float releaseCoeff; // per-sample smoothing otherwise
    float threshold;    // 0..1
    float range;        // 1 - threshold, never below 0.01 so a 100 % threshold stays finite
    float depth;        // 0..1
};

// The time constants are in samples (ms x fs / 1000), so the coefficients do not depend on the
// block size and splitting a block changes nothing.
EnvelopeShape shapeFor (const SidechainParams& p, double sampleRate) noexcept
{
    const float fs = static_cast<float> (sampleRate);
    EnvelopeShape s {};
    s.attackCoeff = std::exp (-1.0f / (p.attack * fs * 0.001f));
    s.releaseCoeff = std::exp (-1.0f / (p.release * fs * 0.001f));
    s.threshold = p.threshold / 100.0f;
    s.range = std::max (1.0f - s.threshold, 0.01f);
    s.depth = p.depth / 100.0f;
    return s;
}

// One step of the peak follower; an input equal to the envelope counts as release.
// `rise` and `fall` are 1 - attackCoeff and 1 - releaseCoeff.
inline float follow (float env, float input, float rise, float fall) noexcept
{
    const float a = std::abs (input);
    return env + (a - env) * (a > env ? rise : fall);
}

// The two gain laws: the envelope to a gain on role2.
struct DuckGain
{
    const EnvelopeShape& s;
    float operator() (float env) const noexcept
    {
        // Scaled by 4 and saturated first: the duck is complete from about -12 dBFS on.
        const float g = std::clamp ((std::min (4.0f * env, 1.0f) - s.threshold) / s.range, 0.0f, 1.0f);
        return 1.0f - s.depth * g;
    }
};

struct FollowGain
{
    const EnvelopeShape& s;
    float operator() (float env) const noexcept
    {
        const float g = std::clamp ((env - s.threshold) / s.range, 0.0f, 1.0f);
        return (1.0f - s.depth) + s.depth * g;
    }
};

// Runs the peak follower over a block of `Lanes` channels at once, with the gain law turning
// each envelope into a gain on that channel's role2; the envelopes carry over to the next
// block. The follower is a chain of dependent operations per sample, so one channel alone
// leaves the processor waiting; a second, independent chain in the same loop fills the wait.
// Every channel's sample j is read before any is written (an output may share memory with
// another channel's input).
template <size_t Lanes, typename GainLaw>
void followBlock (float* const* envelopes, const float* const* role1, const float* const* role2, float* const* out,
                  int numSamples, const EnvelopeShape& s, GainLaw gainFor) noexcept
{
    const float rise = 1.0f - s.attackCoeff;
    const float fall = 1.0f - s.releaseCoeff;
    float env[Lanes];
    for (size_t l = 0; l < Lanes; ++l)
        env[l] = *envelopes[l];
    for (int j = 0; j < numSamples; ++j)
    {
        float x1[Lanes], x2[Lanes];
        for (size_t l = 0; l < Lanes; ++l)
        {
            x1[l] = role1[l][j];
            x2[l] = role2[l][j];
        }
        for (size_t l = 0; l < Lanes; ++l)
        {
            env[l] = follow (env[l], x1[l], rise, fall);
            out[l][j] = x2[l] * gainFor (env[l]);
        }
    }
    for (size_t l = 0; l < Lanes; ++l)
        *envelopes[l] = env[l];
}

template <typename GainLaw>
void followOne (float& envelope, const float* role1, const float* role2, float* out, int numSamples,
                const EnvelopeShape& s, GainLaw gainFor) noexcept
{
    float* envelopes[] = { &envelope };
    followBlock<1> (envelopes, &role1, &role2, &out, numSamples, s, gainFor);
}
} // namespace

void BlendProcessor::runSidechain (int channel, const float* role1, const float* role2, float* out, int numSamples,
                                   double sampleRate, const SidechainParams& params)
{
    if (numSamples <= 0 || channel < 0 || channel >= static_cast<int> (scEnvelope.size()))
        return;

    const EnvelopeShape s = shapeFor (params, sampleRate);
    followOne (scEnvelope[static_cast<size_t> (channel)], role1, role2, out, numSamples, s, DuckGain { s });
}

void BlendProcessor::runAmplitudeFollow (int channel, const float* role1, const float* role2, float* out,
                                         int numSamples, double sampleRate, const SidechainParams& params)
{
    if (numSamples <= 0 || channel < 0 || channel >= static_cast<int> (afEnvelope.size()))
        return;

    const EnvelopeShape s = shapeFor (params, sampleRate);
    followOne (afEnvelope[static_cast<size_t> (channel)], role1, role2, out, numSamples, s, FollowGain { s });
}

namespace
{
template <typename Run, typename GainLaw>
void followRun (const Run& run, std::vector<float>& envelopes, int numSamples, const EnvelopeShape& s,
                GainLaw gainFor) noexcept
{
    float* env[] = { &envelopes[run.channels[0]], &envelopes[run.channels[1]] };
    if (run.count == 2)
        followBlock<2> (env, run.role1, run.role2, run.out, numSamples, s, gainFor);
    else if (run.count == 1)
        followBlock<1> (env, run.role1, run.role2, run.out, numSamples, s, gainFor);
}
} // namespace

void BlendProcessor::runSidechainChannel (const ModeBlock& b, const ModeChannel& c)
{
    const EnvelopeShape s = shapeFor (b.records.sidechain, b.sampleRate);
    followRun (beginPairedRun (SidechainDuck, b, c, scEnvelope.size()), scEnvelope, b.numSamples, s, DuckGain { s });
}

void BlendProcessor::runAmplitudeFollowChannel (const ModeBlock& b, const ModeChannel& c)
{
    const EnvelopeShape s = shapeFor (b.records.sidechain, b.sampleRate);
    followRun (beginPairedRun (AmplitudeFollow, b, c, afEnvelope.size()), afEnvelope, b.numSamples, s,
               FollowGain { s });
}

void BlendProcessor::resetEnvelopeChannel (BlendMode mode, int channel) noexcept
{
    auto& envelopes = mode == SidechainDuck ? scEnvelope : afEnvelope;
    if (channel >= 0 && channel < static_cast<int> (envelopes.size()))
        envelopes[static_cast<size_t> (channel)] = 0.0f;
}
