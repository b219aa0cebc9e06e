#include <gtest/gtest.h>

#include "EngineTestSignals.h"

#include <cmath>
#include <complex>

// Every blend entry at the sample rates hosts use at the edges (8 kHz to 384 kHz), with one and
// two channels, at the smallest and largest frame sizes, with the output stage plain and with
// every filter at the far end of its range: the output stays finite and within the ceiling.

using namespace enginetest;

namespace
{
bool usesResolution (BlendMode m)
{
    return m == ClassicVocoder || m == FFTVocoder || m == DistortedVocoder || m == SpectralGate || m == PhaseSwap
           || m == BinInterleave;
}

struct OutputSetting
{
    const char* name;
    OutputMixParams mix;
};

std::vector<OutputSetting> outputSettings()
{
    OutputMixParams plain; // the record's defaults: FX HiCut at 8 kHz, the rest bypassed
    plain.sig1Level = 30.0f;
    plain.sig2Level = 30.0f;

    OutputMixParams ends;
    ends.fxLowCut = 2000.0f;  // the highest low cut
    ends.heat = 200.0f;       // both shelves and the hardest saturation
    ends.fxHiCut = 15000.0f;  // above the Nyquist frequency at 8 and 22.05 kHz
    ends.clipCeilingDb = 0.0f;
    ends.outputVolDb = 6.0f;
    return { { "plain output stage", plain }, { "every output filter at its far end", ends } };
}
} // namespace

TEST (ExtremeSampleRates, EveryModeRunsFiniteAndBoundedFrom8To384kHzWithOneAndTwoChannels)
{
    const int n = 3 * 4096 + 700; // past the longest frame latency
    const auto audio1 = stereoNoise (n, 51, 0.8f), audio2 = stereoNoise (n, 52, 0.8f);

    for (const double rate : { 8000.0, 22050.0, 192000.0, 384000.0 })
        for (const int channels : { 1, 2 })
            for (const auto& entry : allEntries())
                for (const int resolution : usesResolution (entry.mode) ? std::vector<int> { 0, 12 }
                                                                        : std::vector<int> { 7 })
                    for (const auto& setting : outputSettings())
                    {
                        SCOPED_TRACE (entry.name + " at " + std::to_string (static_cast<int> (rate)) + " Hz, "
                                      + std::to_string (channels) + " channel(s), resolution "
                                      + std::to_string (resolution) + ", " + setting.name);
                        EngineHarness h (rate, channels, 512);
                        h.vocoder.resolution = resolution;
                        h.spectralGate.resolution = resolution;
                        h.phaseSwap.resolution = resolution;
                        h.binInterleave.resolution = resolution;
                        h.mix = setting.mix;
                        h.sidechain.depth = 60.0f; // a complete duck of loud noise would be silence
                        h.prepare();
                        h.engine.setRandomSeed (7);

                        const auto out = render (h, entry, audio1, audio2, { 512, 111 });
                        const double bound = outputBound (h.mix);
                        for (int c = 0; c < channels; ++c)
                        {
                            double energy = 0.0;
                            for (size_t j = 0; j < out[static_cast<size_t> (c)].size(); ++j)
                            {
                                const float y = out[static_cast<size_t> (c)][j];
                                ASSERT_TRUE (std::isfinite (y)) << "channel " << c << " sample " << j;
                                ASSERT_LE (std::abs (y), bound) << "channel " << c << " sample " << j;
                                if (j + 4096 >= out[0].size())
                                    energy += static_cast<double> (y) * y;
                            }
                            EXPECT_GT (energy, 1.0e-6) << "channel " << c << " fell silent";
                        }
                        EXPECT_EQ (h.engine.getRecoveryCount(), 0u) << "state went bad without bad input";
                    }
}

TEST (ExtremeSampleRates, AHighCutAboveTheNyquistFrequencyActsJustBelowIt)
{
    // A corner the sample rate cannot represent is designed at 0.49 x the rate instead of
    // turning the low-pass unstable. Reference: the cookbook low-pass there, in double precision.
    struct Case
    {
        double rate;
        float hiCut;
    };
    const Case cases[] = { { 22050.0, 15000.0f }, { 8000.0, 8000.0f }, { 8000.0, 19000.0f } };
    for (const auto& c : cases)
        for (const double toneFraction : { 1000.0 / 8000.0, 0.4 })
        {
            const double f = toneFraction * c.rate;
            SCOPED_TRACE ("FX HiCut " + std::to_string (c.hiCut) + " Hz at " + std::to_string (c.rate) + " Hz, tone "
                          + std::to_string (f) + " Hz");
            EngineHarness h (c.rate, 1, 512);
            h.mix.fxLevel = 100.0f;
            h.mix.fxLowCut = 20.0f;
            h.mix.heat = 0.0f;
            h.mix.fxHiCut = c.hiCut;
            h.mix.clipCeilingDb = 0.0f; // tanh of a 0.01 tone is linear to 3e-5
            h.mix.outputVolDb = 0.0f;
            h.prepare();

            const int n = static_cast<int> (c.rate * 1.5);
            Stereo tone = stereoSilence (n);
            for (int j = 0; j < n; ++j)
                tone[0][static_cast<size_t> (j)] = static_cast<float> (0.01 * std::sin (2.0 * M_PI * f * j / c.rate));
            const auto out = render (h, { "pass", kPassMode, Multiply }, tone, tone, { 512 });

            const double w0 = 2.0 * M_PI * 0.49, cw = std::cos (w0), alpha = std::sin (w0) / std::sqrt (2.0);
            const std::complex<double> z1 = std::polar (1.0, -2.0 * M_PI * f / c.rate), z2 = z1 * z1;
            const double gain = std::abs (((1.0 - cw) / 2.0 + (1.0 - cw) * z1 + (1.0 - cw) / 2.0 * z2)
                                          / ((1.0 + alpha) - 2.0 * cw * z1 + (1.0 - alpha) * z2));
            const int count = static_cast<int> (c.rate); // one second: whole periods of both tones
            EXPECT_NEAR (toneAmplitude (out[0].data(), n - count, count, f, c.rate), 0.01 * gain, 0.01 * 0.002);
        }
}
