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

namespace
{
struct FmShape
{
    float drive;        // role1's gain into the modulator
    float smoothing;    // per-sample smoothing of the modulator, 0..0.99
    float maxExcursion; // largest excursion of the read point, in samples
    float gain;         // (1 - smoothing) x depth x maxExcursion: the modulator's input scale
    float feedback;     // share of tanh(previous output) added to the modulator
};

FmShape fmShapeFor (const FMParams& fm, const WaveshapeParams& ws, double sampleRate) noexcept
{
    const float fs = static_cast<float> (sampleRate);
    FmShape s {};
    s.drive = std::clamp (ws.drive / 100.0f, 0.0f, 2.0f);
    s.smoothing = 0.99f * std::clamp (ws.smoothing / 100.0f, 0.0f, 1.0f);
    // Largest excursion of the read point: half the window, never beyond the line.
    const float excursion = fs * std::clamp (ws.window, 1.0f, 50.0f) * 0.001f * 0.5f;
    s.maxExcursion = excursion > 0.0f ? std::min (excursion, kFmMaxExcursion) : 0.0f;
    s.gain = (1.0f - s.smoothing) * (fm.depth / 100.0f * s.maxExcursion);
    s.feedback = fm.feedback / 100.0f;
    return s;
}

// A non-finite modulator (an infinite or NaN input) would otherwise stay in the smoothing state
// for good; it restarts from the centre instead.
inline float finiteOrCentre (float mod) noexcept { return std::isfinite (mod) ? mod : 0.0f; }

inline float readModulated (const DelayLine::Cursor& line, float mod, float maxExcursion) noexcept
{
    const float e = std::min (std::max (mod, -maxExcursion), maxExcursion);
    return line.readAroundCentre (static_cast<double> (e));
}

// One sample of FM as the formulas give it, the feedback closing the loop sample by sample.
inline float fmStep (DelayLine::Cursor& line, float& mod, float& fbs, float x1, float x2, const FmShape& s) noexcept
{
    line.push (x2);
    mod = finiteOrCentre (s.smoothing * mod + s.gain * (x1 * s.drive + s.feedback * fbs));
    const float y = readModulated (line, mod, s.maxExcursion);
    fbs = std::tanh (y);
    return y;
}

// Without feedback the output reaches the modulator only through a NaN (0 x tanh(NaN)), which
// restarts it from the centre; any other output adds +-0, which moves no read point. So while
// the outputs stay numbers the modulator is a function of role1 alone: it is worked out for a
// run of samples first (a plain pass without smoothing, one short recursion with it), and the
// reads, which then depend on nothing but the line, overlap freely instead of each waiting for
// the previous sample's tanh. Returns how many samples were done; it stops after a NaN output,
// whose successor must see the restart.
constexpr int kFmRun = 256;

int fmRunWithoutFeedback (DelayLine::Cursor& line, float& mod, float& lastY, const float* role1, const float* role2,
                          float* out, int numSamples, const FmShape& s) noexcept
{
    float mods[kFmRun];
    for (int start = 0; start < numSamples; start += kFmRun)
    {
        const int len = std::min (kFmRun, numSamples - start);
        const float* x1 = role1 + start;
        if (s.smoothing == 0.0f)
        {
            // 0 x (a finite modulator) is +-0, which changes no value.
            for (int i = 0; i < len; ++i)
                mods[i] = finiteOrCentre (s.gain * (x1[i] * s.drive));
        }
        else
        {
            float m = mod;
            for (int i = 0; i < len; ++i)
                mods[i] = m = finiteOrCentre (s.smoothing * m + s.gain * (x1[i] * s.drive));
        }

        // The read points, split into whole samples and a fraction: e - floor(e) is the
        // fraction the double-precision position (centre + e, exact there) leaves, rounded once
        // to single precision just as the plain read rounds it.
        int whole[kFmRun];
        float fraction[kFmRun];
        for (int i = 0; i < len; ++i)
        {
            const float e = std::min (std::max (mods[i], -s.maxExcursion), s.maxExcursion);
            const int t = static_cast<int> (e); // toward zero; |e| < 1023
            whole[i] = t - (static_cast<float> (t) > e ? 1 : 0);
            fraction[i] = e - static_cast<float> (whole[i]);
        }

        for (int i = 0; i < len; ++i)
        {
            line.push (role2[start + i]);
            const float y = line.readAroundCentre (whole[i], fraction[i]);
            out[start + i] = y;
            if (std::isnan (y))
            {
                mod = mods[i];
                lastY = y;
                return start + i + 1;
            }
        }
        mod = mods[len - 1];
        lastY = out[start + len - 1];
    }
    return numSamples;
}
} // namespace

void BlendProcessor::runFM (int channel, const float* role1, const float* role2, float* out, int numSamples,
                            double sampleRate, const FMParams& fm, const WaveshapeParams& ws)
{
    if (numSamples <= 0 || channel < 0 || channel >= static_cast<int> (fmDelay.size()))
        return;

    const FmShape s = fmShapeFor (fm, ws, sampleRate);
    const auto ch = static_cast<size_t> (channel);
    DelayLine::Cursor line = fmDelay[ch].cursor();
    float mod = fmSmoothedMod[ch];
    float fbs = fmFeedbackState[ch];

    int j = 0;
    if (s.feedback == 0.0f && ! std::isnan (fbs))
    {
        float lastY = 0.0f;
        j = fmRunWithoutFeedback (line, mod, lastY, role1, role2, out, numSamples, s);
        fbs = std::tanh (lastY);
    }
    for (; j < numSamples; ++j)
        out[j] = fmStep (line, mod, fbs, role1[j], role2[j], s);

    fmDelay[ch].moveTo (line);
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
