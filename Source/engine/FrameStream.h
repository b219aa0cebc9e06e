#pragma once

#include <juce_core/juce_core.h>

#include "engine/FrameBinKernels.h"
#include "engine/RealFFT.h"
#include "engine/SimdIsa.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

// Streaming short-time frames, shared by the spectral frame modes, Frequency Splice and the FFT
// vocoder.
//
// Each channel keeps the last N samples of both roles in two rings and an overlap-add accumulator
// aligned with them. Every N/4 samples the rings are windowed (oldest sample first) and
// transformed, the mode builds an output spectrum, and the inverse is windowed again and added
// into the accumulator. The sample leaving the accumulator is the one written N samples ago, so
// a mode lags its input by exactly N samples.
//
// The window is a symmetric Hann scaled by sqrt(2/3): applied twice with a hop of N/4 the
// overlapping frames sum to about 1 - 1/N (the symmetric form does not overlap exactly to one).

struct FrameChannel
{
    std::vector<float> ring1, ring2, accum; // N floats each
    int writePos = 0;                       // next ring position, also the oldest sample
    int hopCounter = 0;                     // samples since the last frame

    void reset (int fftSize)
    {
        ring1.assign (static_cast<size_t> (fftSize), 0.0f);
        ring2.assign (static_cast<size_t> (fftSize), 0.0f);
        accum.assign (static_cast<size_t> (fftSize), 0.0f);
        writePos = 0;
        hopCounter = 0;
    }

    // Silences the stored signal and keeps the frame clock, so the hop grid stays where it was.
    void clearSignal() noexcept
    {
        std::fill (ring1.begin(), ring1.end(), 0.0f);
        std::fill (ring2.begin(), ring2.end(), 0.0f);
        std::fill (accum.begin(), accum.end(), 0.0f);
    }
};

// Frame sizes of every frame bank: 8 to 4096 samples.
inline constexpr int kMinFrameOrder = 3;
inline constexpr int kMaxFrameOrder = 12;

// A float array aligned for the transforms (RealFFT::kAlignment), sized only when a bank is
// rebuilt.
class AlignedFloats
{
public:
    void assign (size_t count, float value)
    {
        constexpr size_t extra = RealFFT::kAlignment / sizeof (float);
        storage.reset (new float[count + extra]);
        const auto address = reinterpret_cast<uintptr_t> (storage.get());
        const auto offset = (RealFFT::kAlignment - address % RealFFT::kAlignment) % RealFFT::kAlignment;
        first = storage.get() + offset / sizeof (float);
        length = count;
        std::fill (first, first + count, value);
    }

    float* data() noexcept { return first; }
    const float* data() const noexcept { return first; }
    size_t size() const noexcept { return length; }
    float& operator[] (size_t i) noexcept { return first[i]; }
    const float& operator[] (size_t i) const noexcept { return first[i]; }

private:
    std::unique_ptr<float[]> storage;
    float* first = nullptr;
    size_t length = 0;
};

// Frames of up to 32 samples (orders 3 to 5) come hundreds to a block, where calling a
// transform library per frame costs more than the transform: with FFTW in use, such banks
// transform with a direct DFT inside one pass per block (see FrameBinKernels.h). JUCE's FFT stays
// the plain reference path at every size.
inline constexpr int kMaxSmallFrameOrder = 5;

// Bins of a small frame padded to whole groups of eight lanes.
inline constexpr int smallFramePaddedBins (int fftSize) noexcept { return (fftSize / 2 + 1 + 7) / 8 * 8; }

// Window, transform and work buffers of one bank; the channel list lives with the bank type.
struct FrameBank
{
    int order = 0;      // 0 until the first build
    int fftSize = 0;    // N = 2^order
    int hop = 0;        // N / 4
    int numChannels = 0;
    double sampleRate = 0.0;
    AlignedFloats window;                          // N, analysis
    AlignedFloats synthesisWindow;                 // N: the window divided by N, the inverse's scale
    AlignedFloats binPositions;                    // N/2 + 1: bin k at k / (N/2), DC 0 to Nyquist 1
    std::unique_ptr<RealFFT> fft;
    AlignedFloats frame;                           // N, windowed samples into and out of the transform
    AlignedFloats spectrum1, spectrum2, spectrumOut; // 2N each, bins interleaved re/im
    AlignedFloats magnitudes;                      // N/2 + 1, per-frame scratch
    bool smallFrames = false;                      // streams through the per-block small-frame pass
    // Direct DFT tables of small frames, P = smallFramePaddedBins (N), with the windows folded
    // in. Forward, per sample i: w[i] cos (2 pi i k / N) for k < P, then -w[i] sin (...) for
    // k < P (zero beyond the last bin). Inverse, per bin k: its weight on sample i for the real
    // part (1 at DC, (-1)^i at Nyquist, 2 cos (2 pi k i / N) between), then for the imaginary
    // part (-2 sin (...), none at DC and Nyquist), each times the synthesis window w[i] / N.
    AlignedFloats smallForward, smallInverse;

    int numBins() const noexcept { return fftSize / 2 + 1; }

    bool isBuiltFor (int newOrder, int newChannels, double newSampleRate) const noexcept
    {
        return order == newOrder && numChannels == newChannels && sampleRate == newSampleRate;
    }

    // Rebuilds window, transform and work buffers. Allocates: only called when the order, the
    // channel count or the sample rate changed.
    void rebuild (int newOrder, int newChannels, double newSampleRate)
    {
        order = newOrder;
        fftSize = 1 << newOrder;
        hop = fftSize / 4;
        numChannels = newChannels;
        sampleRate = newSampleRate;

        const auto n = static_cast<size_t> (fftSize);
        window.assign (n, 0.0f);
        synthesisWindow.assign (n, 0.0f);
        const double denominator = static_cast<double> (fftSize - 1);
        const double scale = 1.0 / std::sqrt (6.0);
        // 1/N is a power of two, so w / N times a sample is exactly (sample / N) times w.
        const float inverseScale = 1.0f / static_cast<float> (fftSize);
        for (size_t i = 0; i < n; ++i)
        {
            window[i] = static_cast<float> (
                (1.0 - std::cos (2.0 * juce::MathConstants<double>::pi * static_cast<double> (i) / denominator)) * scale);
            synthesisWindow[i] = window[i] * inverseScale;
        }
        binPositions.assign (static_cast<size_t> (numBins()), 0.0f);
        for (int k = 0; k < numBins(); ++k)
            binPositions[static_cast<size_t> (k)] = static_cast<float> (k) / static_cast<float> (fftSize / 2);

        // Every frame size gets its transform plan on the first build, which happens in
        // preparation, so a later size change on the audio thread finds its plan ready.
        RealFFT::preparePlans (kMinFrameOrder, kMaxFrameOrder);
        fft = std::make_unique<RealFFT> (newOrder);
        frame.assign (n, 0.0f);
        spectrum1.assign (2 * n, 0.0f);
        spectrum2.assign (2 * n, 0.0f);
        spectrumOut.assign (2 * n, 0.0f);
        magnitudes.assign (static_cast<size_t> (numBins()), 0.0f);
        smallFrames = newOrder <= kMaxSmallFrameOrder && fft->getEngine() == RealFFT::Engine::fftw;
        if (smallFrames)
            buildSmallFrameTables();
    }

    void buildSmallFrameTables()
    {
        const int n = fftSize;
        const int half = n / 2;
        const int padded = smallFramePaddedBins (n);
        // cos or sin of 2 pi m / N; the zeros come out as exact zeros, not as 1e-16.
        const auto unit = [n] (int m, bool sine) {
            const double angle = 2.0 * juce::MathConstants<double>::pi * static_cast<double> (m % n) / n;
            const double v = sine ? std::sin (angle) : std::cos (angle);
            return std::abs (v) < 1.0e-12 ? 0.0 : v;
        };
        // Each entry is rounded once, from the double product of window and weight.
        const auto entry = [] (const AlignedFloats& w, int i, double weight) {
            return static_cast<float> (static_cast<double> (w[static_cast<size_t> (i)]) * weight);
        };
        smallForward.assign (static_cast<size_t> (2 * n * padded), 0.0f);
        for (int i = 0; i < n; ++i)
            for (int k = 0; k <= half; ++k)
            {
                const auto row = static_cast<size_t> (2 * i * padded + k);
                smallForward[row] = entry (window, i, unit (i * k, false));
                smallForward[row + static_cast<size_t> (padded)] = entry (window, i, -unit (i * k, true));
            }
        smallInverse.assign (static_cast<size_t> (2 * n * (half + 1)), 0.0f);
        for (int k = 0; k <= half; ++k)
            for (int i = 0; i < n; ++i)
            {
                const auto row = static_cast<size_t> (2 * k * n + i);
                const bool edge = k == 0 || k == half;
                smallInverse[row] = entry (synthesisWindow, i, (edge ? 1.0 : 2.0) * unit (i * k, false));
                smallInverse[row + static_cast<size_t> (n)] = entry (synthesisWindow, i, edge ? 0.0 : -2.0 * unit (i * k, true));
            }
    }

    // Windows a ring, oldest sample first, and transforms it into `dest` (bins 0..N/2 valid).
    void analyse (const std::vector<float>& ring, int writePos, float* dest) noexcept
    {
        framekernels::windowRing (ring.data(), writePos, window.data(), frame.data(), fftSize);
        fft->forward (frame.data(), dest);
    }

    // Both roles of a channel into spectrum1 (ring1) and spectrum2 (ring2).
    void analyse (const FrameChannel& channel) noexcept
    {
        analyse (channel.ring1, channel.writePos, spectrum1.data());
        analyse (channel.ring2, channel.writePos, spectrum2.data());
    }

    // Inverse transform of spectrumOut (which it overwrites), windowed and added into the
    // channel's accumulator in the rings' time order.
    void synthesise (FrameChannel& channel) noexcept
    {
        fft->inverseTimesN (spectrumOut.data(), frame.data());
        framekernels::overlapAdd (frame.data(), synthesisWindow.data(), channel.accum.data(), channel.writePos,
                                  fftSize);
    }
};

// One bank with its channels. Channel is FrameChannel or a type derived from it.
template <typename Channel>
struct FrameBankOf : FrameBank
{
    std::vector<Channel> channels;

    void rebuildWithChannels (int newOrder, int newChannels, double newSampleRate)
    {
        rebuild (newOrder, newChannels, newSampleRate);
        channels.assign (static_cast<size_t> (std::max (0, newChannels)), Channel {});
        for (auto& c : channels)
            c.reset (fftSize);
    }

    // Every channel back to silence at the start of the frame grid, as after a rebuild; the
    // buffers keep their size, so nothing is allocated.
    void resetChannels()
    {
        for (auto& c : channels)
            c.reset (fftSize);
    }

    Channel* channel (int index) noexcept
    {
        return index >= 0 && index < static_cast<int> (channels.size()) ? &channels[static_cast<size_t> (index)]
                                                                         : nullptr;
    }
};

// Streams one block of one channel: each sample leaves the accumulator's oldest slot, both
// inputs enter the rings, and on every hop-th sample `processFrame` runs. Work is done in
// stretches up to the next frame or ring wrap. Each input sample is read before the output
// sample of the same index is written, so `out` may be the same memory as either input. A block
// ending mid-hop leaves the hop count where it was, so the next block continues it.
template <typename Channel, typename FrameFn>
QV_ALWAYS_INLINE void streamFrames (const FrameBank& bank, Channel& ch, const float* in1, const float* in2, float* out,
                   int numSamples, FrameFn&& processFrame)
{
    const int n = bank.fftSize;
    const int hop = bank.hop;
    int j = 0;
    while (j < numSamples)
    {
        const int p = ch.writePos;
        const int len = std::min ({ numSamples - j, hop - ch.hopCounter, n - p });
        float* acc = ch.accum.data() + p;
        float* r1 = ch.ring1.data() + p;
        float* r2 = ch.ring2.data() + p;
        // One pass, element by element: sample i of the inputs is read before sample i of the
        // output is written, which is all that aliasing `out` needs. Stretches are short at
        // small frame sizes, where library copy calls would cost more than the copying.
        for (int i = 0; i < len; ++i)
        {
            r1[i] = in1[j + i];
            r2[i] = in2[j + i];
            const float y = acc[i];
            acc[i] = 0.0f;
            out[j + i] = y;
        }

        ch.writePos = (p + len) & (n - 1);
        ch.hopCounter += len;
        j += len;
        if (ch.hopCounter >= hop)
        {
            ch.hopCounter = 0;
            processFrame();
        }
    }
}

// The order of a frame bank for a resolution parameter: 3..12, so frames of 8 to 4096 samples.
inline int frameOrderForResolution (int resolution) noexcept
{
    return std::clamp (resolution, kMinFrameOrder, kMaxFrameOrder);
}
