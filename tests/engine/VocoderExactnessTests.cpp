#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "engine/VocoderBankKernel.h"
#include "VocoderReference.h"

#include <algorithm>
#include <cmath>
#include <string>

// The classic and distorted vocoders, on every kernel build this CPU runs (baseline, AVX2,
// AVX-512), against the plain per-band formula on the same input: every build must give exactly
// the plain formula's values, bit for bit. The bank's sums cancel so heavily that any other
// rounding shows far beyond it (a different summation order alone moves the distorted vocoder's
// output by up to 2e-3).

namespace
{
constexpr double kFs = 48000.0;

// Loud material within -1..1: a voice-like modulator brought up to a peak of 0.95 and a chord.
std::vector<float> loudVoice (int length)
{
    auto v = vocref::voiceLike (length, kFs, 777);
    float peak = 0.0f;
    for (const float x : v)
        peak = std::max (peak, std::abs (x));
    for (auto& x : v)
        x *= 0.95f / peak;
    return v;
}

struct BankCase
{
    int bands;
    bool distorted;
    float drive;
    float emphasis;
};
} // namespace

TEST (VocoderExactness, EveryKernelBuildComputesExactlyThePlainFormula)
{
    // Band counts that fill whole vectors and pairs of them, and counts that leave a last vector
    // partly silent (13: a pair whose second half has 5 bands; 20: a pair and a lone vector of 4);
    // emphasis 0 dB makes every gain exactly 1, which the kernel treats apart.
    const BankCase cases[] = {
        { 1, false, 0.5f, 0.0f },   { 16, false, 0.5f, 6.0f },  { 128, false, 0.5f, -6.0f }, { 1024, false, 0.5f, 12.0f },
        { 1, true, 0.5f, 0.0f },    { 16, true, 1.0f, 0.0f },   { 128, true, 0.3f, 4.0f },   { 1024, true, 0.0f, -3.0f },
        { 1024, true, 1.0f, 6.0f }, { 13, true, 0.7f, 0.0f },   { 20, false, 0.5f, 3.0f },   { 128, false, 0.5f, 0.0f },
    };
    const int length = 9600;
    const auto mod = loudVoice (length);
    const auto car = vocref::sawChord (length, kFs);

    for (const auto isa : harness::supportedIsas())
        for (const auto& c : cases)
        {
            SCOPED_TRACE (std::string (simd::isaName (isa)) + (c.distorted ? " distorted " : " classic ")
                          + std::to_string (c.bands) + " bands, drive " + std::to_string (c.drive));
            VocoderParams p;
            p.attack = 3.0f;
            p.release = 80.0f;
            p.hfEmphasis = c.emphasis;
            p.drive = c.drive;

            harness::ScopedIsa use (isa);
            auto engine = harness::preparedEngine (kFs);
            engine->prepareVocoderClassicIfNeeded (c.bands, 1, kFs, p);
            const auto out = harness::stream (mod, car, [&] (const float* m, const float* k, float* o, int n) {
                if (c.distorted)
                    engine->runVocoderDistorted (0, m, k, o, n, p);
                else
                    engine->runVocoderClassic (0, m, k, o, n);
            }, { 512, 100 });

            vocref::PlainVocoder plain (vocref::logEdges (c.bands, static_cast<float> (kFs)), static_cast<float> (kFs));
            plain.setTimes (static_cast<float> (kFs), p.attack, p.release);
            plain.setEmphasis (p.hfEmphasis);
            double loudest = 0.0;
            int differing = 0;
            for (int t = 0; t < length; ++t)
            {
                const auto i = static_cast<size_t> (t);
                const float expected = c.distorted ? plain.distorted (mod[i], car[i], p.drive) : plain.classic (mod[i], car[i]);
                if (out[i] != expected && differing++ == 0)
                    ADD_FAILURE() << "first difference at sample " << t << ": " << out[i] << " instead of " << expected;
                loudest = std::max (loudest, static_cast<double> (std::abs (expected)));
            }
            EXPECT_EQ (differing, 0);
            EXPECT_GT (loudest, 1.0e-4); // the comparison is not between two silences
        }
}
