#pragma once

// Test-side references for the frame-based modes, written independently of the engine: a plain
// streaming overlap-add with a naive DFT in double precision, the window formula, and signal
// generators. The engine's results are compared against these.

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <vector>

namespace frameref
{
using Spectrum = std::vector<std::complex<double>>; // bins 0..N/2

inline double pi() { return 3.14159265358979323846; }

// The analysis / synthesis window: symmetric Hann scaled by sqrt(2/3).
inline double window (int i, int n) { return (1.0 - std::cos (2.0 * pi() * i / (n - 1))) / std::sqrt (6.0); }

// Gain of an untouched spectrum through windowed analysis, synthesis and overlap-add at hop N/4,
// for an output sample whose position within the hop is r.
inline double overlapGain (int r, int n)
{
    double g = 0.0;
    for (int m = 0; m < 4; ++m)
        g += window (r + m * (n / 4), n) * window (r + m * (n / 4), n);
    return g;
}

// Deterministic white noise in -amp..amp.
inline std::vector<float> noise (int length, uint32_t seed, float amp = 0.5f)
{
    std::vector<float> v (static_cast<size_t> (length));
    uint32_t s = seed;
    for (auto& x : v)
    {
        s = s * 1664525u + 1013904223u;
        x = amp * (static_cast<float> (s >> 8) / 8388608.0f - 1.0f);
    }
    return v;
}

// Sum of sines, each at an exact bin frequency of an N-point frame: {bin, amplitude, phase}.
struct Partial
{
    double bin, amplitude, phase;
};

inline double partialsAt (const std::vector<Partial>& partials, int n, long t)
{
    double v = 0.0;
    for (const auto& p : partials)
        v += p.amplitude * std::sin (2.0 * pi() * p.bin * static_cast<double> (t) / n + p.phase);
    return v;
}

inline std::vector<float> partials (const std::vector<Partial>& ps, int n, int length)
{
    std::vector<float> v (static_cast<size_t> (length));
    for (int t = 0; t < length; ++t)
        v[static_cast<size_t> (t)] = static_cast<float> (partialsAt (ps, n, t));
    return v;
}

// Bin rule of one frame: inputs are the role1 and role2 spectra (bins 0..N/2), the result is
// written into `out` (already sized, zeroed).
using BinRule = std::function<void (const Spectrum& s1, const Spectrum& s2, Spectrum& out)>;

// Plain streaming frame processor: per sample the output is the accumulator of that time, the
// inputs enter the history, and every hop-th sample a frame of the last N samples is windowed,
// transformed, reshaped, inverted, windowed and added at the times it came from plus N.
inline std::vector<double> process (const std::vector<float>& in1, const std::vector<float>& in2, int n,
                                    const BinRule& rule)
{
    const int length = static_cast<int> (in1.size());
    const int hop = n / 4;
    const int half = n / 2;
    std::vector<double> cosT (static_cast<size_t> (n)), sinT (static_cast<size_t> (n)), w (static_cast<size_t> (n));
    for (int i = 0; i < n; ++i)
    {
        cosT[static_cast<size_t> (i)] = std::cos (2.0 * pi() * i / n);
        sinT[static_cast<size_t> (i)] = std::sin (2.0 * pi() * i / n);
        w[static_cast<size_t> (i)] = window (i, n);
    }

    std::vector<double> accum (static_cast<size_t> (length + n + 1), 0.0), out (static_cast<size_t> (length), 0.0);
    std::vector<double> f1 (static_cast<size_t> (n)), f2 (static_cast<size_t> (n));
    Spectrum s1 (static_cast<size_t> (half + 1)), s2 (static_cast<size_t> (half + 1)), so (static_cast<size_t> (half + 1));

    for (int t = 0; t < length; ++t)
    {
        out[static_cast<size_t> (t)] = accum[static_cast<size_t> (t)];
        if ((t + 1) % hop != 0)
            continue;

        for (int i = 0; i < n; ++i)
        {
            const int src = t + 1 - n + i;
            f1[static_cast<size_t> (i)] = src >= 0 ? in1[static_cast<size_t> (src)] * w[static_cast<size_t> (i)] : 0.0;
            f2[static_cast<size_t> (i)] = src >= 0 ? in2[static_cast<size_t> (src)] * w[static_cast<size_t> (i)] : 0.0;
        }
        for (int k = 0; k <= half; ++k)
        {
            std::complex<double> a1 {}, a2 {};
            for (int i = 0; i < n; ++i)
            {
                const auto idx = static_cast<size_t> ((static_cast<long> (k) * i) % n);
                const std::complex<double> e (cosT[idx], -sinT[idx]);
                a1 += f1[static_cast<size_t> (i)] * e;
                a2 += f2[static_cast<size_t> (i)] * e;
            }
            s1[static_cast<size_t> (k)] = a1;
            s2[static_cast<size_t> (k)] = a2;
            so[static_cast<size_t> (k)] = {};
        }
        rule (s1, s2, so);

        for (int i = 0; i < n; ++i)
        {
            double y = so[0].real() + so[static_cast<size_t> (half)].real() * ((i & 1) ? -1.0 : 1.0);
            for (int k = 1; k < half; ++k)
            {
                const auto idx = static_cast<size_t> ((static_cast<long> (k) * i) % n);
                y += 2.0 * (so[static_cast<size_t> (k)].real() * cosT[idx] - so[static_cast<size_t> (k)].imag() * sinT[idx]);
            }
            accum[static_cast<size_t> (t + 1 + i)] += y / n * w[static_cast<size_t> (i)];
        }
    }
    return out;
}

// Largest |a - b| over the samples from `from` on.
inline double maxError (const std::vector<float>& a, const std::vector<double>& b, int from = 0)
{
    double e = 0.0;
    for (size_t i = static_cast<size_t> (from); i < a.size() && i < b.size(); ++i)
        e = std::max (e, std::abs (static_cast<double> (a[i]) - b[i]));
    return e;
}

inline double peak (const std::vector<double>& v, int from = 0)
{
    double p = 0.0;
    for (size_t i = static_cast<size_t> (from); i < v.size(); ++i)
        p = std::max (p, std::abs (v[i]));
    return p;
}
} // namespace frameref
