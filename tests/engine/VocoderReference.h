#pragma once

// A plain per-band formulation of the classic filter-bank vocoder, band by band and sample by
// sample in single precision, written from the formulas; the engine's vectorised bank is checked
// against it. Also test signals with a vocoder's typical roles.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace vocref
{
struct Band
{
    float b0, b1, b2, a1, a2, emphasisGain, invQ;
};

struct BandState
{
    float cx1 = 0, cx2 = 0, cy1 = 0, cy2 = 0, mx1 = 0, mx2 = 0, my1 = 0, my2 = 0, env = 0;
};

// Edges of B log-spaced bands from 20 Hz to fs/2, in single precision.
inline std::vector<float> logEdges (int numBands, float fs)
{
    const float base = (fs / 2.0f) / 20.0f;
    std::vector<float> edges;
    for (int k = 0; k <= numBands; ++k)
        edges.push_back (20.0f * std::pow (base, static_cast<float> (k) / static_cast<float> (numBands)));
    return edges;
}

struct PlainVocoder
{
    std::vector<Band> bands;
    std::vector<BandState> state;
    float attackCoef = 0, releaseCoef = 0;

    PlainVocoder (const std::vector<float>& edges, float fs)
    {
        for (size_t k = 0; k + 1 < edges.size(); ++k)
        {
            const float lo = edges[k], hi = edges[k + 1];
            const float fc = std::sqrt (lo * hi);
            const float q = fc / std::max (1.0f, hi - lo);
            const float w0 = 6.2831855f * fc / fs;
            const float alpha = std::sin (w0) / (2.0f * q);
            const float a0 = 1.0f + alpha;
            bands.push_back ({ (std::sin (w0) / 2.0f) / a0, 0.0f, -(std::sin (w0) / 2.0f) / a0,
                               -2.0f * std::cos (w0) / a0, (1.0f - alpha) / a0, 1.0f, 1.0f / std::max (q, 0.001f) });
        }
        state.assign (bands.size(), {});
    }

    void setTimes (float fs, float attackMs, float releaseMs)
    {
        attackCoef = 1.0f - std::exp (-1.0f / (fs * attackMs * 0.001f));
        releaseCoef = 1.0f - std::exp (-1.0f / (fs * releaseMs * 0.001f));
    }

    void setEmphasis (float db)
    {
        const int b = static_cast<int> (bands.size());
        for (int k = 0; k < b; ++k)
            bands[static_cast<size_t> (k)].emphasisGain =
                b == 1 ? 1.0f : 1.0f + (std::pow (10.0f, db / 20.0f) - 1.0f) * static_cast<float> (k) / static_cast<float> (b - 1);
    }

    // One sample; withInvQ selects the classic weighting, without it the distorted one.
    float bandSum (float m, float c, bool withInvQ)
    {
        float sum = 0.0f;
        for (size_t k = 0; k < bands.size(); ++k)
        {
            const Band& b = bands[k];
            BandState& s = state[k];
            const float yc = b.b0 * c + b.b1 * s.cx1 + b.b2 * s.cx2 - b.a1 * s.cy1 - b.a2 * s.cy2;
            s.cx2 = s.cx1; s.cx1 = c; s.cy2 = s.cy1; s.cy1 = yc;
            const float ym = b.b0 * m + b.b1 * s.mx1 + b.b2 * s.mx2 - b.a1 * s.my1 - b.a2 * s.my2;
            s.mx2 = s.mx1; s.mx1 = m; s.my2 = s.my1; s.my1 = ym;
            if (s.env < std::abs (ym))
                s.env = s.env + (std::abs (ym) - s.env) * attackCoef;
            else
                s.env = s.env + (std::abs (ym) - s.env) * releaseCoef;
            sum = withInvQ ? sum + s.env * yc * b.emphasisGain * b.invQ : sum + s.env * yc * b.emphasisGain;
        }
        return sum;
    }

    float classic (float m, float c)
    {
        const float b = static_cast<float> (std::max<size_t> (bands.size(), 1));
        return bandSum (m, c, true) * 20.0f / std::sqrt (b);
    }

    float distorted (float m, float c, float drive)
    {
        const float g = std::pow (10.0f, (drive - 0.5f) * 2.0f);
        const float s = bands.size() > 1 ? std::sqrt (static_cast<float> (bands.size())) : 1.0f;
        return std::tanh (bandSum (m, c, false) * s * g);
    }
};

// A voice-like modulator: noise under a slow syllable envelope.
inline std::vector<float> voiceLike (int length, double fs, uint32_t seed = 12345)
{
    std::vector<float> v (static_cast<size_t> (length));
    uint32_t s = seed;
    float lp = 0.0f;
    for (int t = 0; t < length; ++t)
    {
        s = s * 1664525u + 1013904223u;
        const float white = static_cast<float> (s >> 8) / 8388608.0f - 1.0f;
        lp += 0.3f * (white - lp);
        const double syllable = 0.55 + 0.45 * std::sin (2.0 * 3.141592653589793 * 3.0 * t / fs);
        v[static_cast<size_t> (t)] = static_cast<float> (0.6 * syllable) * lp;
    }
    return v;
}

// A carrier chord of three sawtooth waves.
inline std::vector<float> sawChord (int length, double fs)
{
    const double freqs[] = { 110.0, 138.59, 164.81 };
    std::vector<float> v (static_cast<size_t> (length));
    for (int t = 0; t < length; ++t)
    {
        double x = 0.0;
        for (const double f : freqs)
        {
            const double phase = f * t / fs;
            x += 2.0 * (phase - std::floor (phase)) - 1.0;
        }
        v[static_cast<size_t> (t)] = static_cast<float> (0.25 * x);
    }
    return v;
}

inline double rms (const std::vector<float>& v, int from, int to)
{
    double s = 0.0;
    for (int i = from; i < to; ++i)
        s += static_cast<double> (v[static_cast<size_t> (i)]) * v[static_cast<size_t> (i)];
    return std::sqrt (s / std::max (1, to - from));
}
} // namespace vocref
