#pragma once

#include <array>

// The circular history that FM and Scrub read from: 2048 samples, written one sample at a time,
// read at a fractional position with linear interpolation. Both modes read around a centre 1024
// samples behind the newest sample, which is the latency the engine reports for them.
struct DelayLine
{
    static constexpr int kSize = 2048;
    static constexpr int kMask = kSize - 1;
    // write index minus this = 1024 samples behind the newest (the write index has moved on)
    static constexpr int kCentreBehind = kSize / 2 + 1;

    std::array<float, kSize> samples {};
    int writeIndex = 0;

    void push (float x) noexcept
    {
        samples[static_cast<size_t> (writeIndex)] = x;
        writeIndex = (writeIndex + 1) & kMask;
    }

    // The history `offset` samples ahead of the centre (negative: further back), interpolated.
    // The offset must lie within one line length of the centre.
    float readAroundCentre (double offset) const noexcept
    {
        double p = static_cast<double> (writeIndex - kCentreBehind) + offset;
        while (p < 0.0) // at most twice for offsets within the line length
            p += kSize;
        while (p >= kSize)
            p -= kSize;

        const int whole = static_cast<int> (p);
        const float f = static_cast<float> (p - whole);
        // A position a hair below 0 can round up to exactly kSize when wrapped; the mask folds it
        // onto index 0, the same point of the circle.
        const int i0 = whole & kMask;
        return (1.0f - f) * samples[static_cast<size_t> (i0)] + f * samples[static_cast<size_t> ((i0 + 1) & kMask)];
    }

    // Forgets the signal; the write position is a clock and keeps its place.
    void clearSignal() noexcept { samples.fill (0.0f); }
};
