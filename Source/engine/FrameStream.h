#pragma once

#include <juce_core/juce_core.h>

#include "engine/RealFFT.h"

#include <algorithm>
#include <cmath>
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

// Window, transform and work buffers of one bank; the channel list lives with the bank type.
struct FrameBank
{
    int order = 0;      // 0 until the first build
    int fftSize = 0;    // N = 2^order
    int hop = 0;        // N / 4
    int numChannels = 0;
    double sampleRate = 0.0;
    std::vector<float> window;                       // N
    std::unique_ptr<RealFFT> fft;
    std::vector<float> spectrum1, spectrum2, spectrumOut; // 2N each, bins interleaved re/im
    std::vector<float> magnitudes;                   // N/2 + 1, per-frame scratch

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

        window.resize (static_cast<size_t> (fftSize));
        const double denominator = static_cast<double> (fftSize - 1);
        const double scale = 1.0 / std::sqrt (6.0);
        for (int i = 0; i < fftSize; ++i)
            window[static_cast<size_t> (i)] = static_cast<float> (
                (1.0 - std::cos (2.0 * juce::MathConstants<double>::pi * i / denominator)) * scale);

        // Every frame size gets its transform plan on the first build, which happens in
        // preparation, so a later size change on the audio thread finds its plan ready.
        RealFFT::preparePlans (kMinFrameOrder, kMaxFrameOrder);
        fft = std::make_unique<RealFFT> (newOrder);
        const auto twoN = static_cast<size_t> (2 * fftSize);
        spectrum1.assign (twoN, 0.0f);
        spectrum2.assign (twoN, 0.0f);
        spectrumOut.assign (twoN, 0.0f);
        magnitudes.assign (static_cast<size_t> (numBins()), 0.0f);
    }

    // Windows a ring, oldest sample first, into `dest` and transforms it (bins 0..N/2 valid).
    void analyse (const std::vector<float>& ring, int writePos, float* dest) const noexcept
    {
        const float* w = window.data();
        const float* r = ring.data();
        const int tail = fftSize - writePos; // ring[writePos..N-1] are the oldest samples
        for (int i = 0; i < tail; ++i)
            dest[i] = r[writePos + i] * w[i];
        for (int i = tail; i < fftSize; ++i)
            dest[i] = r[i - tail] * w[i];
        std::fill (dest + fftSize, dest + 2 * fftSize, 0.0f);
        fft->forward (dest);
    }

    // Both roles of a channel into spectrum1 (ring1) and spectrum2 (ring2).
    void analyse (const FrameChannel& channel) noexcept
    {
        analyse (channel.ring1, channel.writePos, spectrum1.data());
        analyse (channel.ring2, channel.writePos, spectrum2.data());
    }

    // Inverse transform of spectrumOut, windowed and added into the channel's accumulator in
    // the rings' time order.
    void synthesise (FrameChannel& channel) noexcept
    {
        float* s = spectrumOut.data();
        fft->inverse (s);
        const float* w = window.data();
        float* a = channel.accum.data();
        const int start = channel.writePos;
        const int tail = fftSize - start;
        for (int i = 0; i < tail; ++i)
            a[start + i] += s[i] * w[i];
        for (int i = tail; i < fftSize; ++i)
            a[i - tail] += s[i] * w[i];
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
// stretches up to the next frame or ring wrap. A stretch reads all its inputs before it writes
// its outputs, so `out` may be the same memory as either input. A block ending mid-hop leaves the
// hop count where it was, so the next block continues it.
template <typename Channel, typename FrameFn>
void streamFrames (const FrameBank& bank, Channel& ch, const float* in1, const float* in2, float* out,
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
        std::copy (in1 + j, in1 + j + len, ch.ring1.data() + p);
        std::copy (in2 + j, in2 + j + len, ch.ring2.data() + p);
        std::copy (acc, acc + len, out + j);
        std::fill (acc, acc + len, 0.0f);

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
