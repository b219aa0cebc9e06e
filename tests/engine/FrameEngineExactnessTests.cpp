#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "FrameReference.h"
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
    for (const int resolution : { 3, 7, 10, 12 })
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
