#include "engine/BlendProcessor.h"

#include <algorithm>
#include <cmath>

// AM: role1, plus an optional sine LFO, scales role2's amplitude, with a DC offset that keeps
// role2 audible.
// FM: role2 runs through a delay line whose read point role1 moves (delay-line phase
// modulation), with the output fed back into the modulator. The unmodulated read point sits
// 1024 samples behind the newest sample, which is the latency the engine reports for FM.

namespace
{
constexpr float kTwoPi = 6.2831855f;

// Keeps the read point and its neighbour inside the line on either side of the centre.
constexpr float kFmMaxExcursion = static_cast<float> (DelayLine::kSize / 2 - 2);
} // namespace

void BlendProcessor::runAM (int channel, const float* role1, const float* role2, float* out, int numSamples,
                            double sampleRate, const AMParams& params)
{
    if (numSamples <= 0 || channel < 0 || channel >= static_cast<int> (amLfoPhase.size()))
        return;

    const float fs = static_cast<float> (sampleRate);
    float inc = params.lfoRate > 0.0f ? params.lfoRate * kTwoPi / fs : 0.0f;
    if (! std::isfinite (inc)) // no sample rate: an LFO cannot run, and must not poison the phase
        inc = 0.0f;
    const float dep = params.depth / 100.0f;
    const float dc = params.dcOffset / 100.0f;

    if (inc > 0.0f)
    {
        float phase = amLfoPhase[static_cast<size_t> (channel)];
        for (int j = 0; j < numSamples; ++j)
        {
            const float s = std::sin (phase);
            // Kept within one period: an ever-growing float phase would coarsen until the LFO
            // rate audibly drifts.
            phase += inc;
            if (phase >= kTwoPi)
                phase = std::fmod (phase, kTwoPi);
            // The sine is added to role1 before the depth, so at full depth a silent role1
            // still gives a steady tremolo.
            out[j] = ((s + role1[j]) * dep + dc) * role2[j];
        }
        amLfoPhase[static_cast<size_t> (channel)] = phase;
    }
    else
    {
        for (int j = 0; j < numSamples; ++j)
            out[j] = (role1[j] * dep + dc) * role2[j];
    }
}

void BlendProcessor::runFM (int channel, const float* role1, const float* role2, float* out, int numSamples,
                            double sampleRate, const FMParams& fm, const WaveshapeParams& ws)
{
    if (numSamples <= 0 || channel < 0 || channel >= static_cast<int> (fmDelay.size()))
        return;

    const float fs = static_cast<float> (sampleRate);
    const float drv = std::clamp (ws.drive / 100.0f, 0.0f, 2.0f);
    const float sm = 0.99f * std::clamp (ws.smoothing / 100.0f, 0.0f, 1.0f);
    // Largest excursion of the read point: half the window, never beyond the line.
    float maxExcursion = fs * std::clamp (ws.window, 1.0f, 50.0f) * 0.001f * 0.5f;
    maxExcursion = maxExcursion > 0.0f ? std::min (maxExcursion, kFmMaxExcursion) : 0.0f;
    const float k = fm.depth / 100.0f * maxExcursion;
    const float fb = fm.feedback / 100.0f;

    const auto ch = static_cast<size_t> (channel);
    DelayLine& line = fmDelay[ch];
    float mod = fmSmoothedMod[ch];
    float fbs = fmFeedbackState[ch];

    for (int j = 0; j < numSamples; ++j)
    {
        line.push (role2[j]);

        mod = sm * mod + (1.0f - sm) * k * (role1[j] * drv + fb * fbs);
        // A non-finite modulator (an infinite or NaN input) would otherwise stay in the smoothing
        // state for good; it restarts from the centre instead.
        if (! std::isfinite (mod))
            mod = 0.0f;
        const float e = std::min (std::max (mod, -maxExcursion), maxExcursion);

        const float y = line.readAroundCentre (static_cast<double> (e));
        fbs = std::tanh (y);
        out[j] = y;
    }

    fmSmoothedMod[ch] = mod;
    fmFeedbackState[ch] = fbs;
}

void BlendProcessor::resetModulationChannel (BlendMode mode, int channel) noexcept
{
    // AM keeps only its LFO phase, which no sample reaches.
    if (mode != FM || channel < 0 || channel >= static_cast<int> (fmDelay.size()))
        return;
    const auto ch = static_cast<size_t> (channel);
    fmDelay[ch].clearSignal();
    fmSmoothedMod[ch] = 0.0f;
    fmFeedbackState[ch] = 0.0f;
}
