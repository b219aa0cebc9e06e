#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "FrameReference.h"

#include <algorithm>
#include <cmath>
#include <string>

// Frequency Splice: role1 below the crossover bin, role2 from it up, on 2048-point frames.

namespace
{
constexpr int kN = 2048;

harness::BlockFn spliceRunner (BlendProcessor& engine, const FreqSpliceParams& params)
{
    return [&engine, params] (const float* a, const float* b, float* o, int n) {
        engine.runFreqSplice (0, a, b, o, n, params);
    };
}

// Expected output when the frames pass `kept` untouched: the kept signal one frame late at the
// overlap gain.
double delayedAtOverlapGain (const std::vector<frameref::Partial>& kept, int t)
{
    return t < kN ? 0.0 : frameref::partialsAt (kept, kN, t - kN) * frameref::overlapGain (t % (kN / 4), kN);
}

double worstError (const std::vector<float>& out, const std::vector<frameref::Partial>& kept, int from)
{
    double worst = 0.0;
    for (int t = from; t < static_cast<int> (out.size()); ++t)
        worst = std::max (worst, std::abs (out[static_cast<size_t> (t)] - delayedAtOverlapGain (kept, t)));
    return worst;
}
} // namespace

TEST (FreqSplice, CrossoverAtNyquistPassesRole1DelayedByTheFrame)
{
    // At 16 kHz a 10 kHz crossover is above Nyquist: bins 0..1023 come from role1 and only the
    // Nyquist bin from role2, where the role2 tone has nothing.
    const double fs = 16000.0;
    const std::vector<frameref::Partial> role1Tones { { 37, 0.4, 0.3 }, { 300, 0.3, 1.0 }, { 811, 0.2, 2.0 } };
    const int length = 4 * kN;
    const auto role1 = frameref::partials (role1Tones, kN, length);
    const auto role2 = frameref::partials ({ { 100, 0.8, 0.0 } }, kN, length);

    auto engine = harness::preparedEngine (fs);
    const auto out = harness::stream (role1, role2, spliceRunner (*engine, { 10000.0f, 0.0f, 0.0f, 0.0f }));
    // From the second frame on the frames no longer hold the tones' onset, whose Nyquist content
    // does not pass.
    EXPECT_LT (worstError (out, role1Tones, 2 * kN), 1.0e-4);
    EXPECT_EQ (engine->getRealtimeLatencySamples (FrequencySplice, 7), kN);
    EXPECT_EQ (engine->getRealtimeLatencySamples (FrequencySplice, 12), kN);
}

TEST (FreqSplice, HundredHertzAt48kSplitsAtBinFour)
{
    // c = trunc(100 * 2048 / 48000) = 4: bins 0..3 from role1, 4 and up from role2. Each tone sits
    // on an exact bin with its main lobe (bin +-1) wholly on one side of the split, so the output
    // is role1's bin-2 tone plus role2's bin-5 and bin-30 tones; the others are cut away. A split at
    // bin 3 or 5 would tear a main lobe apart.
    const std::vector<frameref::Partial> role1Tones { { 2, 0.5, 0.2 }, { 20, 0.5, 0.0 } };
    const std::vector<frameref::Partial> role2Tones { { 1, 0.5, 0.7 }, { 5, 0.5, 1.1 }, { 30, 0.4, 0.0 } };
    const std::vector<frameref::Partial> kept { { 2, 0.5, 0.2 }, { 5, 0.5, 1.1 }, { 30, 0.4, 0.0 } };
    const int length = 5 * kN;
    const auto role1 = frameref::partials (role1Tones, kN, length);
    const auto role2 = frameref::partials (role2Tones, kN, length);

    auto engine = harness::preparedEngine (48000.0);
    const auto out = harness::stream (role1, role2, spliceRunner (*engine, { 100.0f, 0.0f, 0.0f, 0.0f }));
    // From the second frame on, the whole history is the steady tones.
    EXPECT_LT (worstError (out, kept, 2 * kN), 3.0e-3);
}

TEST (FreqSplice, CrossfadeTiltAndSweepMatchAPlainReference)
{
    struct Case
    {
        FreqSpliceParams params;
    };
    const Case cases[] = {
        { { 1500.0f, 60.0f, 25.0f, 0.0f } },   // LFO off: the crossover never moves
        { { 700.0f, 100.0f, -100.0f, 4.0f } }, // widest crossfade, tilt down, slow sweep
        { { 3000.0f, 30.0f, 100.0f, 12.0f } }, // tilt up to double at Nyquist, fast sweep
    };
    const double fs = 48000.0;
    const int length = 4 * kN;
    const auto role1 = frameref::noise (length, 101);
    const auto role2 = frameref::noise (length, 202, 0.7f);

    for (const auto& c : cases)
    {
        const auto& p = c.params;
        SCOPED_TRACE ("crossover " + std::to_string (p.crossover) + " lfo " + std::to_string (p.lfoRate));
        auto engine = harness::preparedEngine (fs);
        const auto out = harness::stream (role1, role2, spliceRunner (*engine, p), { 333 });

        float lfoPhase = 0.0f; // the sweep's own phase, advanced once per frame
        const auto rule = [&] (const frameref::Spectrum& s1, const frameref::Spectrum& s2, frameref::Spectrum& so) {
            double q = 1.0;
            if (p.lfoRate > 0.0f)
            {
                q = std::exp2 (std::sin (static_cast<double> (lfoPhase)));
                lfoPhase += static_cast<float> (p.lfoRate * 2.0 * frameref::pi() / (fs / 512.0));
            }
            const double fc = q * p.crossover;
            const double f = fc < 100.0 ? 100.0 : std::min (fc, fs / 2.0);
            const int cb = std::max (std::min (static_cast<int> (f * kN / fs), 1024), 1);
            const int r = static_cast<int> (cb * p.width / 100.0);
            const int start = cb - r / 2;
            for (int k = 0; k <= 1024; ++k)
            {
                double d;
                if (r < 1)
                    d = k < cb ? 0.0 : 1.0;
                else
                    d = k <= start ? 0.0 : k >= start + r ? 1.0 : static_cast<double> (k - start) / r;
                const double tilt = std::max (0.0, (2.0 * k / 1024.0 - 1.0) * p.tilt / 100.0 + 1.0);
                so[static_cast<size_t> (k)] = (s1[static_cast<size_t> (k)] * (1 - d) + s2[static_cast<size_t> (k)] * d) * tilt;
            }
        };
        const auto expected = frameref::process (role1, role2, kN, rule);
        EXPECT_LT (frameref::maxError (out, expected), 1.0e-4 * frameref::peak (expected));
    }
}

TEST (FreqSplice, SampleRateChangeRebuildsAndRestartsWithAFrameOfSilence)
{
    const int length = 3 * kN;
    const auto role1 = frameref::noise (length, 7);
    const auto role2 = role1; // identical roles: the splice passes the signal untouched
    const FreqSpliceParams params { 1000.0f, 20.0f, 0.0f, 0.0f };
    auto engine = harness::preparedEngine (48000.0);
    harness::stream (role1, role2, spliceRunner (*engine, params));

    // The same rate again keeps the history: the output goes on at once.
    engine->prepareFreqSpliceIfNeeded (1, 48000.0, params);
    auto out = harness::stream (role1, role2, spliceRunner (*engine, params));
    EXPECT_GT (std::abs (out[0]) + std::abs (out[1]) + std::abs (out[2]), 0.0f);

    engine->prepareFreqSpliceIfNeeded (1, 44100.0, params);
    out = harness::stream (role1, role2, spliceRunner (*engine, params));
    // Silence up to the transform's rounding.
    for (int t = 0; t < kN; ++t)
        ASSERT_LT (std::abs (out[static_cast<size_t> (t)]), 1.0e-6f) << "sample " << t;
    EXPECT_GT (frameref::peak (std::vector<double> (out.begin() + kN, out.end())), 0.01);
}
