#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "FrameReference.h"
#include "VocoderReference.h"

#include <cmath>
#include <string>

// The FFT vocoder: carrier bins keep their phase and take the modulator bin's envelope, which
// advances once per frame.

namespace
{
constexpr double kFs = 48000.0;

VocoderParams fftParams (int resolution, float attack, float release, float emphasis)
{
    VocoderParams p;
    p.resolution = resolution;
    p.attack = attack;
    p.release = release;
    p.hfEmphasis = emphasis;
    return p;
}

std::vector<float> runFft (BlendProcessor& engine, const std::vector<float>& mod, const std::vector<float>& car,
                           int blockSize = 480)
{
    return harness::stream (mod, car, [&] (const float* m, const float* c, float* o, int n) {
        engine.runVocoderFFT (0, m, c, o, n);
    }, { blockSize });
}

std::vector<float> vocode (const VocoderParams& p, const std::vector<float>& mod, const std::vector<float>& car)
{
    auto engine = harness::preparedEngine (kFs);
    engine->prepareVocoderFFTIfNeeded (p.resolution, 1, kFs, p);
    return runFft (*engine, mod, car);
}
} // namespace

TEST (FftVocoder, MatchesAPlainFrameVocoder)
{
    const VocoderParams cases[] = {
        fftParams (5, 5.0f, 50.0f, 0.0f),
        fftParams (6, 0.5f, 500.0f, 12.0f),
        fftParams (7, 30.0f, 10.0f, -7.0f),
    };
    for (const auto& p : cases)
    {
        SCOPED_TRACE ("resolution " + std::to_string (p.resolution));
        const int n = 1 << p.resolution;
        const int hop = n / 4;
        const int length = 24 * n;
        const auto mod = vocref::voiceLike (length, kFs);
        // A noise carrier: a bin whose carrier is close to zero has an ill-defined phase, which
        // single and double precision resolve differently.
        const auto car = frameref::noise (length, 4242);
        const auto out = vocode (p, mod, car);

        // Envelope times convert at the frame rate fs / hop: the envelopes move once per frame.
        const double frameRate = kFs / hop;
        const double attack = 1.0 - std::exp (-1.0 / (frameRate * p.attack * 0.001));
        const double release = 1.0 - std::exp (-1.0 / (frameRate * p.release * 0.001));
        const double emphasis = std::pow (10.0, p.hfEmphasis / 20.0);
        std::vector<double> envelope (static_cast<size_t> (n / 2 + 1), 0.0);
        // Roles in the reference: in1 = modulator (role1), in2 = carrier (role2).
        const auto rule = [&] (const frameref::Spectrum& m, const frameref::Spectrum& c, frameref::Spectrum& so) {
            for (size_t k = 0; k < envelope.size(); ++k)
            {
                const double d = std::abs (m[k]);
                envelope[k] += (d - envelope[k]) * (envelope[k] < d ? attack : release);
                const double a = std::abs (c[k]);
                const double x = static_cast<double> (k) / (n / 2);
                so[k] = a > 1.0e-10 ? c[k] * (envelope[k] * ((emphasis - 1.0) * x + 1.0) / a) : 0.0;
            }
        };
        const auto expected = frameref::process (mod, car, n, rule);
        EXPECT_LT (frameref::maxError (out, expected), 2.0e-4 * frameref::peak (expected));
    }
}

TEST (FftVocoder, EmphasisRampsLinearlyFromDcToNyquist)
{
    // +12 dB: the gain rises from 1 at DC to 10^(12/20) = 3.981 at Nyquist, linearly in the bin
    // position. With modulator and carrier tones on bin k of a 256-point frame, the output comes
    // out 1 + 2.981 k / 128 times louder than with no emphasis.
    const int resolution = 8, n = 256;
    const int length = 40 * n;
    struct Case
    {
        int bin;
        double ratio;
    };
    for (const Case c : { Case { 1, 1.0233 }, Case { 32, 1.7453 }, Case { 96, 3.2359 } })
    {
        SCOPED_TRACE ("bin " + std::to_string (c.bin));
        const auto mod = frameref::partials ({ { static_cast<double> (c.bin), 0.4, 1.0 } }, n, length);
        const auto car = frameref::partials ({ { static_cast<double> (c.bin), 0.5, 0.0 } }, n, length);
        const auto flat = vocode (fftParams (resolution, 5.0f, 50.0f, 0.0f), mod, car);
        const auto tilted = vocode (fftParams (resolution, 5.0f, 50.0f, 12.0f), mod, car);
        EXPECT_NEAR (vocref::rms (tilted, 4 * n, length) / vocref::rms (flat, 4 * n, length), c.ratio, 0.01 * c.ratio);
    }
}

TEST (FftVocoder, SilentModulatorFadesOutAtTheReleaseTime)
{
    // The bin envelopes fall by (1 - releaseCoef) per frame, i.e. as exp(-t / release) in time:
    // at a 50 ms release, 100 ms later the output is at e^-2 of its level.
    const int length = 48000;
    auto mod = vocref::voiceLike (length, kFs);
    std::fill (mod.begin() + length / 2, mod.end(), 0.0f);
    const auto car = vocref::sawChord (length, kFs);
    const auto out = vocode (fftParams (7, 5.0f, 50.0f, 0.0f), mod, car);

    const int silence = length / 2 + 128; // the frame's delay
    const double early = vocref::rms (out, silence + 4800, silence + 7200);
    const double later = vocref::rms (out, silence + 9600, silence + 12000);
    EXPECT_NEAR (later / early, std::exp (-2.0), 0.02);
    EXPECT_LT (vocref::rms (out, length - 2400, length), 1.0e-3 * vocref::rms (out, 0, length / 2));
}

TEST (FftVocoder, ResolutionBelowThreeUsesEightPointFrames)
{
    const int length = 3000;
    const auto mod = vocref::voiceLike (length, kFs);
    const auto car = vocref::sawChord (length, kFs);
    const auto atThree = vocode (fftParams (3, 5.0f, 50.0f, 0.0f), mod, car);
    for (const int resolution : { -1, 0, 1, 2 })
    {
        SCOPED_TRACE ("resolution " + std::to_string (resolution));
        ASSERT_EQ (vocode (fftParams (resolution, 5.0f, 50.0f, 0.0f), mod, car), atThree);
        BlendProcessor engine;
        EXPECT_EQ (engine.getRealtimeLatencySamples (FFTVocoder, resolution), 8);
    }
}
