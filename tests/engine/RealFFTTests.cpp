#include <gtest/gtest.h>

#include "FrameReference.h"
#include "engine/RealFFT.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <complex>
#include <string>
#include <vector>

// The real-only transform wrapper: both engines (FFTW when built in, JUCE's FFT always) against a
// naive DFT in double precision and against each other, in the layout and scaling the frame code
// relies on (forward unscaled, bins 0..N/2 interleaved; inverse divided by N).

namespace
{
std::vector<RealFFT::Engine> availableEngines()
{
    std::vector<RealFFT::Engine> engines { RealFFT::Engine::juce };
    if (RealFFT::isAvailable (RealFFT::Engine::fftw))
        engines.push_back (RealFFT::Engine::fftw);
    return engines;
}

std::string label (RealFFT::Engine e, int order)
{
    return std::string (RealFFT::engineName (e)) + " N=" + std::to_string (1 << order);
}

// Bins 0..N/2 of a real signal, straight from the definition.
std::vector<std::complex<double>> naiveDft (const std::vector<float>& x)
{
    const int n = static_cast<int> (x.size());
    std::vector<std::complex<double>> bins (static_cast<size_t> (n / 2 + 1));
    for (int k = 0; k <= n / 2; ++k)
        for (int i = 0; i < n; ++i)
        {
            const double phase = -2.0 * frameref::pi() * static_cast<double> ((static_cast<long> (k) * i) % n) / n;
            bins[static_cast<size_t> (k)] += static_cast<double> (x[static_cast<size_t> (i)]) * std::polar (1.0, phase);
        }
    return bins;
}

// The real signal whose spectrum has bins 0..N/2 (the rest mirrored), divided by N. The
// imaginary parts of DC and Nyquist do not belong to a real signal and play no part.
std::vector<double> naiveInverse (const std::vector<std::complex<double>>& bins, int n)
{
    std::vector<double> x (static_cast<size_t> (n));
    for (int i = 0; i < n; ++i)
    {
        double v = bins[0].real() + bins[static_cast<size_t> (n / 2)].real() * ((i & 1) ? -1.0 : 1.0);
        for (int k = 1; k < n / 2; ++k)
        {
            const double phase = 2.0 * frameref::pi() * static_cast<double> ((static_cast<long> (k) * i) % n) / n;
            v += 2.0 * (bins[static_cast<size_t> (k)] * std::polar (1.0, phase)).real();
        }
        x[static_cast<size_t> (i)] = v / n;
    }
    return x;
}

double norm2 (const std::vector<float>& x)
{
    double s = 0.0;
    for (const float v : x)
        s += static_cast<double> (v) * v;
    return std::sqrt (s);
}

// A float FFT's error grows with log2(N) single-precision roundings on a signal of this energy;
// the factor leaves room for the constant of the algorithm.
double transformTolerance (int order, double energy) { return 8.0 * 6.0e-8 * (order + 1) * energy; }

const int kOrders[] = { 1, 2, 3, 5, 8, 10, 11, 12 };
} // namespace

TEST (RealFFT, ForwardGivesTheUnscaledBinsUpToNyquistInJuceLayout)
{
    for (const auto engine : availableEngines())
        for (const int order : kOrders)
        {
            SCOPED_TRACE (label (engine, order));
            const int n = 1 << order;
            const auto input = frameref::noise (n, 17u + static_cast<uint32_t> (order), 1.0f);
            std::vector<float> data (static_cast<size_t> (2 * n), 0.0f);
            std::copy (input.begin(), input.end(), data.begin());

            RealFFT fft (order, engine);
            ASSERT_EQ (fft.getEngine(), engine);
            fft.forward (data.data());

            const auto expected = naiveDft (input);
            const double tolerance = transformTolerance (order, norm2 (input));
            for (int k = 0; k <= n / 2; ++k)
            {
                EXPECT_NEAR (data[static_cast<size_t> (2 * k)], expected[static_cast<size_t> (k)].real(), tolerance) << "bin " << k;
                EXPECT_NEAR (data[static_cast<size_t> (2 * k + 1)], expected[static_cast<size_t> (k)].imag(), tolerance) << "bin " << k;
            }
        }
}

TEST (RealFFT, InverseDividesByNAndIgnoresTheImaginaryPartsOfDcAndNyquist)
{
    for (const auto engine : availableEngines())
        for (const int order : kOrders)
        {
            SCOPED_TRACE (label (engine, order));
            const int n = 1 << order;
            const auto re = frameref::noise (n / 2 + 1, 301u + static_cast<uint32_t> (order), 1.0f);
            const auto im = frameref::noise (n / 2 + 1, 907u + static_cast<uint32_t> (order), 1.0f);
            std::vector<std::complex<double>> bins;
            std::vector<float> data (static_cast<size_t> (2 * n), 0.0f);
            for (int k = 0; k <= n / 2; ++k)
            {
                // Spectra of order N; DC and Nyquist get non-zero imaginary parts on purpose.
                const float r = re[static_cast<size_t> (k)] * static_cast<float> (n);
                const float i = im[static_cast<size_t> (k)] * static_cast<float> (n);
                data[static_cast<size_t> (2 * k)] = r;
                data[static_cast<size_t> (2 * k + 1)] = i;
                bins.emplace_back (r, i);
            }

            RealFFT fft (order, engine);
            fft.inverse (data.data());

            const auto expected = naiveInverse (bins, n);
            double energy = 0.0;
            for (const auto& b : bins)
                energy += std::norm (b);
            const double tolerance = transformTolerance (order, std::sqrt (2.0 * energy)) / n;
            for (int i = 0; i < n; ++i)
                EXPECT_NEAR (data[static_cast<size_t> (i)], expected[static_cast<size_t> (i)], tolerance) << "sample " << i;
        }
}

TEST (RealFFT, RoundTripStaysWithinTheExactnessBudget)
{
    // Signals within -1..1, as the frame modes see them: forward then inverse returns the input.
    for (const auto engine : availableEngines())
        for (const int order : kOrders)
        {
            SCOPED_TRACE (label (engine, order));
            const int n = 1 << order;
            const auto input = frameref::noise (n, 55u + static_cast<uint32_t> (order), 1.0f);
            std::vector<float> data (static_cast<size_t> (2 * n), 0.0f);
            std::copy (input.begin(), input.end(), data.begin());
            RealFFT fft (order, engine);
            fft.forward (data.data());
            fft.inverse (data.data());
            for (int i = 0; i < n; ++i)
                ASSERT_NEAR (data[static_cast<size_t> (i)], input[static_cast<size_t> (i)], 2.0e-6) << "sample " << i;
        }
}

TEST (RealFFT, FftwAndJuceAgreeOnTheSameInput)
{
    if (! RealFFT::isAvailable (RealFFT::Engine::fftw))
        GTEST_SKIP() << "built without FFTW";

    for (const int order : kOrders)
    {
        SCOPED_TRACE ("N=" + std::to_string (1 << order));
        const int n = 1 << order;
        const auto input = frameref::noise (n, 4000u + static_cast<uint32_t> (order), 1.0f);
        std::vector<float> a (static_cast<size_t> (2 * n), 0.0f);
        std::copy (input.begin(), input.end(), a.begin());
        auto b = a;

        RealFFT fftw (order, RealFFT::Engine::fftw), juceFft (order, RealFFT::Engine::juce);
        fftw.forward (a.data());
        juceFft.forward (b.data());
        const double tolerance = 2.0 * transformTolerance (order, norm2 (input));
        for (int f = 0; f < n + 2; ++f)
            ASSERT_NEAR (a[static_cast<size_t> (f)], b[static_cast<size_t> (f)], tolerance) << "float " << f;

        // Both inverses from one spectrum: the same signal within the budget.
        std::copy (a.begin(), a.begin() + n + 2, b.begin());
        fftw.inverse (a.data());
        juceFft.inverse (b.data());
        for (int i = 0; i < n; ++i)
            ASSERT_NEAR (a[static_cast<size_t> (i)], b[static_cast<size_t> (i)], 2.0e-6) << "sample " << i;
    }
}

TEST (RealFFT, BuffersOfAnyAlignmentGiveIdenticalResults)
{
    // FFTW's plans assume SIMD-aligned memory; a buffer that is not goes through an aligned copy
    // and must come out bit for bit the same.
    for (const auto engine : availableEngines())
        for (const int order : { 3, 10 })
        {
            SCOPED_TRACE (label (engine, order));
            const int n = 1 << order;
            const auto input = frameref::noise (n, 99u, 1.0f);
            std::vector<float> aligned (static_cast<size_t> (2 * n), 0.0f);
            std::vector<float> storage (static_cast<size_t> (2 * n + 1), 0.0f);
            float* shifted = storage.data() + 1;
            std::copy (input.begin(), input.end(), aligned.begin());
            std::copy (input.begin(), input.end(), shifted);

            RealFFT fft (order, engine);
            fft.forward (aligned.data());
            fft.forward (shifted);
            for (int f = 0; f < n + 2; ++f)
                ASSERT_EQ (aligned[static_cast<size_t> (f)], shifted[f]) << "float " << f;
            fft.inverse (aligned.data());
            fft.inverse (shifted);
            for (int i = 0; i < n; ++i)
                ASSERT_EQ (aligned[static_cast<size_t> (i)], shifted[i]) << "sample " << i;
        }
}

TEST (RealFFT, OutOfPlaceCallsGiveTheBinsAndNTimesTheInverseAtAnyAlignment)
{
    // The frame code's pair: forward leaves its input alone, inverseTimesN is the inverse not
    // divided by N; a shifted buffer gives the same bits as an aligned one.
    for (const auto engine : availableEngines())
        for (const int order : kOrders)
        {
            SCOPED_TRACE (label (engine, order));
            const int n = 1 << order;
            const auto input = frameref::noise (n, 71u + static_cast<uint32_t> (order), 1.0f);
            RealFFT fft (order, engine);
            const auto expectedBins = naiveDft (input);
            const double tolerance = transformTolerance (order, norm2 (input));

            // Storage for every buffer at offset 0 (aligned for the transform) and at offset 1.
            constexpr size_t alignFloats = RealFFT::kAlignment / sizeof (float);
            std::vector<float> storage (static_cast<size_t> (6 * n) + 4 * alignFloats);
            const auto at = [&] (size_t slot, size_t offset) {
                float* base = storage.data() + slot * static_cast<size_t> (2 * n) + slot * alignFloats;
                const auto misalign = reinterpret_cast<uintptr_t> (base) % RealFFT::kAlignment / sizeof (float);
                return base + (alignFloats - misalign) % alignFloats + offset;
            };
            std::vector<float> firstSpectrum, firstSamples;
            for (const size_t offset : { size_t { 0 }, size_t { 1 } })
            {
                float* in = at (0, offset);
                float* spectrum = at (1, offset);
                std::copy (input.begin(), input.end(), in);
                fft.forward (in, spectrum);
                EXPECT_TRUE (std::equal (input.begin(), input.end(), in));
                for (int k = 0; k <= n / 2; ++k)
                {
                    ASSERT_NEAR (spectrum[2 * k], expectedBins[static_cast<size_t> (k)].real(), tolerance) << "bin " << k;
                    ASSERT_NEAR (spectrum[2 * k + 1], expectedBins[static_cast<size_t> (k)].imag(), tolerance) << "bin " << k;
                }
                std::vector<float> bins (spectrum, spectrum + n + 2);

                float* samples = at (2, offset);
                fft.inverseTimesN (spectrum, samples);
                for (int i = 0; i < n; ++i)
                    ASSERT_NEAR (samples[i], static_cast<double> (n) * input[static_cast<size_t> (i)], n * 2.0e-6) << "sample " << i;

                if (offset == 0)
                {
                    firstSpectrum = bins;
                    firstSamples.assign (samples, samples + n);
                    continue;
                }
                EXPECT_EQ (bins, firstSpectrum);
                EXPECT_EQ (std::vector<float> (samples, samples + n), firstSamples);
            }
        }
}

TEST (RealFFT, DefaultEngineIsFftwWhenBuiltInAndCanBeSwitched)
{
    const auto original = RealFFT::defaultEngine();
    EXPECT_EQ (original, RealFFT::isAvailable (RealFFT::Engine::fftw) ? RealFFT::Engine::fftw : RealFFT::Engine::juce);
    EXPECT_EQ (RealFFT (6).getEngine(), original);

    RealFFT::setDefaultEngine (RealFFT::Engine::juce);
    EXPECT_EQ (RealFFT (6).getEngine(), RealFFT::Engine::juce);

    // Asking for an engine that was not built in leaves the choice as it was.
    RealFFT::setDefaultEngine (RealFFT::Engine::fftw);
    EXPECT_EQ (RealFFT::defaultEngine(),
               RealFFT::isAvailable (RealFFT::Engine::fftw) ? RealFFT::Engine::fftw : RealFFT::Engine::juce);
    RealFFT::setDefaultEngine (original);
}
