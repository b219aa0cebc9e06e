#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "FrameReference.h"
#include "engine/FrameBinKernels.h"
#include "engine/RealFFT.h"
#include "VocoderReference.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

// The frame modes on FFTW against the same modes on JUCE's FFT (the straightforward transform):
// on the same input, within 2e-6 of each other for signals within -1..1, and with the same gate
// decisions. Skipped when the build has no FFTW.

namespace
{
constexpr double kFs = 48000.0;
constexpr double kBudget = 2.0e-6;

// Switches the engine new transforms use for the life of the object.
struct ScopedFftEngine
{
    RealFFT::Engine previous = RealFFT::defaultEngine();
    explicit ScopedFftEngine (RealFFT::Engine e) { RealFFT::setDefaultEngine (e); }
    ~ScopedFftEngine() { RealFFT::setDefaultEngine (previous); }
};

struct FrameCase
{
    std::string name;
    // Prepares the mode's bank on `engine` for `resolution` and streams the two signals.
    std::function<std::vector<float> (BlendProcessor&, int, const std::vector<float>&, const std::vector<float>&)> run;
};

std::vector<float> streamWith (const harness::BlockFn& fn, const std::vector<float>& a, const std::vector<float>& b)
{
    return harness::stream (a, b, fn, { 512, 37, 300 });
}

std::vector<FrameCase> frameCases()
{
    std::vector<FrameCase> cases;
    for (const auto& [threshold, tilt] : { std::pair { 0.0f, 0.0f }, { 15.0f, 0.0f }, { 40.0f, 60.0f }, { 70.0f, -50.0f } })
        cases.push_back ({ "Spectral Gate " + std::to_string (threshold) + "/" + std::to_string (tilt),
                           [threshold = threshold, tilt = tilt] (BlendProcessor& e, int res, const auto& a, const auto& b) {
                               e.prepareSpectralGateIfNeeded (res, 1, kFs);
                               return streamWith ([&] (const float* x, const float* y, float* o, int n) {
                                   e.runSpectralGate (0, x, y, o, n, { threshold, tilt, res });
                               }, a, b);
                           } });
    for (const auto& [amount, tilt] : { std::pair { 100.0f, 0.0f }, { 50.0f, 30.0f } })
        cases.push_back ({ "Phase Swap " + std::to_string (amount) + "/" + std::to_string (tilt),
                           [amount = amount, tilt = tilt] (BlendProcessor& e, int res, const auto& a, const auto& b) {
                               e.preparePhaseSwapIfNeeded (res, 1, kFs);
                               return streamWith ([&] (const float* x, const float* y, float* o, int n) {
                                   e.runPhaseSwap (0, x, y, o, n, { amount, tilt, res });
                               }, a, b);
                           } });
    cases.push_back ({ "Bin Interleave", [] (BlendProcessor& e, int res, const auto& a, const auto& b) {
                          e.prepareBinInterleaveIfNeeded (res, 1, kFs);
                          return streamWith ([&] (const float* x, const float* y, float* o, int n) {
                              e.runBinInterleave (0, x, y, o, n, { 2, 25.0f, res });
                          }, a, b);
                      } });
    cases.push_back ({ "Frequency Splice", [] (BlendProcessor& e, int, const auto& a, const auto& b) {
                          const FreqSpliceParams p { 1200.0f, 60.0f, 30.0f, 3.0f };
                          e.prepareFreqSpliceIfNeeded (1, kFs, p);
                          return streamWith ([&] (const float* x, const float* y, float* o, int n) {
                              e.runFreqSplice (0, x, y, o, n, p);
                          }, a, b);
                      } });
    cases.push_back ({ "FFT Vocoder", [] (BlendProcessor& e, int res, const auto& a, const auto& b) {
                          VocoderParams p;
                          p.resolution = res;
                          p.attack = 2.0f;
                          p.release = 40.0f;
                          p.hfEmphasis = 6.0f;
                          e.prepareVocoderFFTIfNeeded (res, 1, kFs, p);
                          return streamWith ([&] (const float* x, const float* y, float* o, int n) {
                              e.runVocoderFFT (0, x, y, o, n);
                          }, a, b);
                      } });
    return cases;
}

// Gate decisions of one frame, from the formula: which bins of role2 reach the gate level.
std::vector<bool> gateMask (const float* spectrum2, int n, float threshold, float tilt)
{
    const int bins = n / 2 + 1;
    float peak = 1.0e-10f;
    std::vector<float> mag (static_cast<size_t> (bins));
    for (int k = 0; k < bins; ++k)
    {
        mag[static_cast<size_t> (k)] = std::sqrt (spectrum2[2 * k] * spectrum2[2 * k] + spectrum2[2 * k + 1] * spectrum2[2 * k + 1]);
        peak = std::max (peak, mag[static_cast<size_t> (k)]);
    }
    std::vector<bool> open (static_cast<size_t> (bins));
    const float th = std::clamp (threshold / 100.0f, 0.0f, 1.0f);
    for (int k = 0; k < bins; ++k)
    {
        const float x = static_cast<float> (k) / static_cast<float> (n / 2);
        const float gate = std::max (0.0f, (tilt / 100.0f * (2.0f * x - 1.0f) + 1.0f) * th) * peak;
        open[static_cast<size_t> (k)] = mag[static_cast<size_t> (k)] >= gate;
    }
    return open;
}
} // namespace

TEST (FrameEngineExactness, FftwFramesMatchJuceFramesWithinTheBudget)
{
    if (! RealFFT::isAvailable (RealFFT::Engine::fftw))
        GTEST_SKIP() << "built without FFTW";

    // Loud material within -1..1: a voice-like modulator and a noise carrier (a carrier bin near
    // zero has no defined phase, which any two transforms resolve differently).
    // 3 to 5 stream through the small-frame pass with its direct DFT when FFTW is in use.
    for (const int resolution : { 3, 4, 5, 6, 7, 10, 12 })
    {
        const int n = 1 << resolution;
        const int length = std::max (8 * n, 12000);
        const auto role1 = vocref::voiceLike (length, kFs);
        const auto role2 = frameref::noise (length, 2024, 0.95f);
        for (const auto& c : frameCases())
        {
            SCOPED_TRACE (c.name + " at resolution " + std::to_string (resolution));
            std::vector<float> fast, plain;
            {
                ScopedFftEngine use (RealFFT::Engine::fftw);
                auto engine = harness::preparedEngine (kFs);
                fast = c.run (*engine, resolution, role1, role2);
            }
            {
                ScopedFftEngine use (RealFFT::Engine::juce);
                auto engine = harness::preparedEngine (kFs);
                plain = c.run (*engine, resolution, role1, role2);
            }
            double worst = 0.0, loudest = 0.0;
            for (size_t i = 0; i < fast.size(); ++i)
            {
                worst = std::max (worst, static_cast<double> (std::abs (fast[i] - plain[i])));
                loudest = std::max (loudest, static_cast<double> (std::abs (plain[i])));
            }
            EXPECT_LT (worst, kBudget);
            EXPECT_GT (loudest, 0.01); // the comparison is not between two silences
        }
    }
}

TEST (FrameEngineExactness, GateDecisionsAreTheSameOnBothTransforms)
{
    if (! RealFFT::isAvailable (RealFFT::Engine::fftw))
        GTEST_SKIP() << "built without FFTW";

    // Every frame of a saw chord and of noise, windowed as the frame code does, gated at a range
    // of thresholds and tilts: both transforms open exactly the same bins.
    for (const int order : { 3, 6, 9, 12 })
    {
        const int n = 1 << order;
        const int length = 8 * n;
        const std::vector<std::vector<float>> sources { vocref::sawChord (length, kFs), frameref::noise (length, 7, 0.9f) };
        RealFFT fftw (order, RealFFT::Engine::fftw), juceFft (order, RealFFT::Engine::juce);
        std::vector<float> a (static_cast<size_t> (2 * n)), b (static_cast<size_t> (2 * n));
        int compared = 0;
        for (const auto& source : sources)
            for (int start = 0; start + n <= length; start += n / 4)
            {
                for (int i = 0; i < n; ++i)
                    a[static_cast<size_t> (i)] = source[static_cast<size_t> (start + i)]
                                                 * static_cast<float> (frameref::window (i, n));
                b = a;
                fftw.forward (a.data());
                juceFft.forward (b.data());
                for (const auto& [threshold, tilt] : { std::pair { 5.0f, 0.0f }, { 20.0f, 50.0f }, { 60.0f, -80.0f }, { 90.0f, 0.0f } })
                {
                    SCOPED_TRACE ("N=" + std::to_string (n) + " frame at " + std::to_string (start));
                    ASSERT_EQ (gateMask (a.data(), n, threshold, tilt), gateMask (b.data(), n, threshold, tilt));
                    ++compared;
                }
            }
        EXPECT_GT (compared, 0);
    }
}

namespace
{
// Role spectra for the per-bin kernels: loud bins, empty bins (every 7th of role1, every 5th of
// role2) and bins too quiet for a carrier phase (every 11th of role2).
struct BinFixture
{
    int bins;
    std::vector<float> role1, role2, positions;

    explicit BinFixture (int binCount) : bins (binCount)
    {
        role1 = frameref::noise (2 * bins, 11u + static_cast<uint32_t> (bins), 40.0f);
        role2 = frameref::noise (2 * bins, 23u + static_cast<uint32_t> (bins), 40.0f);
        for (int k = 0; k < bins; ++k)
        {
            if (k % 7 == 3)
                role1[static_cast<size_t> (2 * k)] = role1[static_cast<size_t> (2 * k + 1)] = 0.0f;
            if (k % 5 == 2)
                role2[static_cast<size_t> (2 * k)] = role2[static_cast<size_t> (2 * k + 1)] = 0.0f;
            if (k % 11 == 4)
                role2[static_cast<size_t> (2 * k)] = role2[static_cast<size_t> (2 * k + 1)] = 3.0e-11f;
            positions.push_back (static_cast<float> (k) / static_cast<float> (bins - 1));
        }
    }

    const float* r1 (int k) const { return role1.data() + 2 * k; }
    const float* r2 (int k) const { return role2.data() + 2 * k; }
};

float magnitudeOf (const float* bin) { return std::sqrt (bin[0] * bin[0] + bin[1] * bin[1]); }

const int kBinCounts[] = { 5, 9, 17, 33, 129, 1025, 2049 };

// FFT vocoder, two frames from the same envelopes: some rise, some fall.
void checkVocoderBins (const BinFixture& f)
{
    const int bins = f.bins;
    const auto size = static_cast<size_t> (2 * bins);
    std::vector<float> out (size), expected (size);
    auto envelope = frameref::noise (bins, 5u, 30.0f);
    for (auto& e : envelope)
        e = std::abs (e);
    auto expectedEnvelope = envelope;
    for (int frame = 0; frame < 2; ++frame)
    {
        framekernels::vocoderBins (f.role1.data(), f.role2.data(), f.positions.data(), envelope.data(),
                                   out.data(), bins, 0.3f, 0.05f, 0.8f);
        for (int k = 0; k < bins; ++k)
        {
            const float d = magnitudeOf (f.r1 (k));
            float& e = expectedEnvelope[static_cast<size_t> (k)];
            e = e + (d - e) * (e < d ? 0.3f : 0.05f);
            const float a = magnitudeOf (f.r2 (k));
            const float scale = e * (0.8f * f.positions[static_cast<size_t> (k)] + 1.0f) / a;
            expected[static_cast<size_t> (2 * k)] = a > 1.0e-10f ? f.r2 (k)[0] * scale : 0.0f;
            expected[static_cast<size_t> (2 * k + 1)] = a > 1.0e-10f ? f.r2 (k)[1] * scale : 0.0f;
        }
        EXPECT_EQ (envelope, expectedEnvelope);
        EXPECT_EQ (out, expected);
    }
}

// Spectral Gate.
void checkGateBins (const BinFixture& f)
{
    const int bins = f.bins;
    const auto size = static_cast<size_t> (2 * bins);
    std::vector<float> out (size), expected (size);
    std::vector<float> magnitudes (static_cast<size_t> (bins));
    float expectedPeak = framekernels::kGateFloor;
    for (int k = 0; k < bins; ++k)
        expectedPeak = std::max (expectedPeak, magnitudeOf (f.r2 (k)));
    EXPECT_EQ (framekernels::magnitudesAndPeak (f.role2.data(), magnitudes.data(), bins, framekernels::kGateFloor),
               expectedPeak);
    for (const auto& [threshold, tilt] : { std::pair { 0.25f, 0.0f }, { 0.6f, -0.5f }, { 0.0f, 0.0f }, { 1.0f, 0.8f } })
    {
        framekernels::gateBins (f.role1.data(), magnitudes.data(), f.positions.data(), out.data(), bins, threshold,
                                tilt, expectedPeak);
        for (int k = 0; k < bins; ++k)
        {
            const float x = f.positions[static_cast<size_t> (k)];
            const bool open = magnitudeOf (f.r2 (k)) >= std::max (0.0f, (tilt * (2.0f * x - 1.0f) + 1.0f) * threshold) * expectedPeak;
            expected[static_cast<size_t> (2 * k)] = open ? f.r1 (k)[0] : 0.0f;
            expected[static_cast<size_t> (2 * k + 1)] = open ? f.r1 (k)[1] : 0.0f;
        }
        EXPECT_EQ (out, expected) << "threshold " << threshold << " tilt " << tilt;
    }
}

// Bin Interleave, groups of 1 to 8.
void checkInterleaveBins (const BinFixture& f)
{
    const int bins = f.bins;
    const auto size = static_cast<size_t> (2 * bins);
    std::vector<float> out (size), expected (size);
    for (int shift = 0; shift <= 3; ++shift)
        for (const float tilt : { 0.0f, 0.3f, -1.0f })
        {
            framekernels::interleaveBins (f.role1.data(), f.role2.data(), f.positions.data(), out.data(), bins,
                                          shift, tilt);
            for (int k = 0; k < bins; ++k)
            {
                const float x = f.positions[static_cast<size_t> (k)];
                const float* src = static_cast<float> ((k / (1 << shift)) & 1) + (2.0f * x - 1.0f) * tilt > 0.5f ? f.r2 (k) : f.r1 (k);
                expected[static_cast<size_t> (2 * k)] = src[0];
                expected[static_cast<size_t> (2 * k + 1)] = src[1];
            }
            EXPECT_EQ (out, expected) << "group " << (1 << shift) << " tilt " << tilt;
        }
}

// Phase Swap: the plain bins from the kernel, the rest from the trigonometric blend.
void checkPhaseSwapBins (const BinFixture& f)
{
    const int bins = f.bins;
    const auto size = static_cast<size_t> (2 * bins);
    std::vector<float> out (size), expected (size);
    std::vector<float> pending (static_cast<size_t> (bins));
    for (const auto& [amount, tilt] : { std::pair { 1.0f, 0.0f }, { 0.5f, 0.3f }, { 0.0f, 0.0f }, { 1.0f, -0.6f } })
    {
        if (framekernels::phaseSwapPlainBins (f.role1.data(), f.role2.data(), f.positions.data(), out.data(),
                                              pending.data(), bins, amount, tilt) > 0)
            framekernels::phaseSwapPendingBins (f.role1.data(), f.role2.data(), f.positions.data(), pending.data(),
                                                out.data(), bins, amount, tilt);
        for (int k = 0; k < bins; ++k)
        {
            const float re1 = f.r1 (k)[0], im1 = f.r1 (k)[1], re2 = f.r2 (k)[0], im2 = f.r2 (k)[1];
            const float x = f.positions[static_cast<size_t> (k)];
            const float a = std::clamp ((tilt * (2.0f * x - 1.0f) + 1.0f) * amount, 0.0f, 1.0f);
            const float m1 = std::sqrt (re1 * re1 + im1 * im1);
            const float m2 = std::sqrt (re2 * re2 + im2 * im2);
            float* e = expected.data() + 2 * k;
            if (a == 0.0f || m1 == 0.0f)
            {
                e[0] = re1;
                e[1] = im1;
            }
            else if (a == 1.0f && m2 > 0.0f && std::isfinite (m2))
            {
                e[0] = re2 * (m1 / m2);
                e[1] = im2 * (m1 / m2);
            }
            else
            {
                const float ph1 = std::atan2 (im1, re1);
                float d = std::atan2 (im2, re2) - ph1;
                d = d - 6.2831855f * std::floor ((d + 3.1415927f) / 6.2831855f);
                e[0] = m1 * std::cos (ph1 + a * d);
                e[1] = m1 * std::sin (ph1 + a * d);
            }
        }
        EXPECT_EQ (out, expected) << "amount " << amount << " tilt " << tilt;
    }
}

// Frequency Splice over bins 0..half: a hard split, a crossfade band, a one-bin band.
void checkSpliceBins (const BinFixture& f)
{
    const int bins = f.bins;
    const auto size = static_cast<size_t> (2 * bins);
    std::vector<float> out (size), expected (size);
    const int half = bins - 1;
    struct Splice { int c, r; float tilt; };
    for (const Splice sp : { Splice { half / 3, 0, 0.0f }, Splice { half / 2, half / 4, 0.4f }, Splice { 1, 1, -0.7f } })
    {
        const int start = sp.c - sp.r / 2;
        const float invR = sp.r >= 1 ? 1.0f / static_cast<float> (sp.r) : 0.0f;
        framekernels::spliceBins (f.role1.data(), f.role2.data(), out.data(), half, sp.c, sp.r, start, invR, sp.tilt);
        for (int k = 0; k <= half; ++k)
        {
            float mix;
            if (sp.r < 1)
                mix = k < sp.c ? 0.0f : 1.0f;
            else if (k <= start)
                mix = 0.0f;
            else if (k >= start + sp.r)
                mix = 1.0f;
            else
                mix = static_cast<float> (k - start) * invR;
            const float w = std::max (0.0f, (2.0f * static_cast<float> (k) / static_cast<float> (half) - 1.0f) * sp.tilt + 1.0f);
            expected[static_cast<size_t> (2 * k)] = (f.r1 (k)[0] * (1.0f - mix) + f.r2 (k)[0] * mix) * w;
            expected[static_cast<size_t> (2 * k + 1)] = (f.r1 (k)[1] * (1.0f - mix) + f.r2 (k)[1] * mix) * w;
        }
        EXPECT_EQ (out, expected) << "crossover bin " << sp.c << " width " << sp.r;
    }
}
} // namespace

TEST (FrameEngineExactness, PerBinKernelsGiveTheBinByBinValuesOnEveryBuild)
{
    // Every build of every kernel against the plain bin-by-bin formula: the same bits, so the
    // same gate and bin decisions.
    for (const auto isa : harness::supportedIsas())
        for (const int bins : kBinCounts)
        {
            SCOPED_TRACE (std::string (simd::isaName (isa)) + ", " + std::to_string (bins) + " bins");
            harness::ScopedIsa use (isa);
            const BinFixture f (bins);
            checkVocoderBins (f);
            checkGateBins (f);
            checkInterleaveBins (f);
            checkPhaseSwapBins (f);
            checkSpliceBins (f);
        }
}
