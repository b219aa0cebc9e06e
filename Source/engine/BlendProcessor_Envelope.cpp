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
inline float follow (float env, float input, const EnvelopeShape& s) noexcept
{
    const float a = std::abs (input);
    const float c = a > env ? s.attackCoeff : s.releaseCoeff;
    return env + (a - env) * (1.0f - c);
}

// Runs the peak follower over a block of one channel, with the mode's gain law turning the
// envelope into a gain on role2. The envelope carries over to the next block.
template <typename GainLaw>
void followBlock (float& envelope, const float* role1, const float* role2, float* out, int numSamples,
                  const EnvelopeShape& s, GainLaw gainFor) noexcept
{
    float env = envelope;
    for (int j = 0; j < numSamples; ++j)
    {
        const float x2 = role2[j];
        env = follow (env, role1[j], s);
        out[j] = x2 * gainFor (env);
    }
    envelope = env;
}
} // namespace

void BlendProcessor::runSidechain (int channel, const float* role1, const float* role2, float* out, int numSamples,
                                   double sampleRate, const SidechainParams& params)
{
    if (numSamples <= 0 || channel < 0 || channel >= static_cast<int> (scEnvelope.size()))
        return;

    const EnvelopeShape s = shapeFor (params, sampleRate);
    followBlock (scEnvelope[static_cast<size_t> (channel)], role1, role2, out, numSamples, s, [&s] (float env) {
        // Scaled by 4 and saturated first: the duck is complete from about -12 dBFS on.
        const float g = std::clamp ((std::min (4.0f * env, 1.0f) - s.threshold) / s.range, 0.0f, 1.0f);
        return 1.0f - s.depth * g;
    });
}

void BlendProcessor::runAmplitudeFollow (int channel, const float* role1, const float* role2, float* out,
                                         int numSamples, double sampleRate, const SidechainParams& params)
{
    if (numSamples <= 0 || channel < 0 || channel >= static_cast<int> (afEnvelope.size()))
        return;

    const EnvelopeShape s = shapeFor (params, sampleRate);
    followBlock (afEnvelope[static_cast<size_t> (channel)], role1, role2, out, numSamples, s, [&s] (float env) {
        const float g = std::clamp ((env - s.threshold) / s.range, 0.0f, 1.0f);
        return (1.0f - s.depth) + s.depth * g;
    });
}

void BlendProcessor::resetEnvelopeChannel (BlendMode mode, int channel) noexcept
{
    auto& envelopes = mode == SidechainDuck ? scEnvelope : afEnvelope;
    if (channel >= 0 && channel < static_cast<int> (envelopes.size()))
        envelopes[static_cast<size_t> (channel)] = 0.0f;
}
