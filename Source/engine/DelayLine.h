#pragma once

#include <algorithm>
#include <array>
#include <vector>

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

    // The line written and read through a write position held apart from it, which a loop keeps
    // in a register: through the line itself every sample would store the write index and load
    // it back. moveTo hands the position back to the line when the loop is done.
    struct Cursor
    {
        float* samples;
        int writeIndex;

        void push (float x) noexcept
        {
            samples[writeIndex] = x;
            writeIndex = (writeIndex + 1) & kMask;
        }

        // The history `offset` samples ahead of the centre (negative: further back),
        // interpolated. The offset must lie within one line length of the centre.
        float readAroundCentre (double offset) const noexcept
        {
            double p = static_cast<double> (writeIndex - kCentreBehind) + offset;
            while (p < 0.0) // at most twice for offsets within the line length
                p += kSize;
            while (p >= kSize)
                p -= kSize;

            const int whole = static_cast<int> (p);
            const float f = static_cast<float> (p - whole);
            // A position a hair below 0 can round up to exactly kSize when wrapped; the mask
            // folds it onto index 0, the same point of the circle.
            const int i0 = whole & kMask;
            return (1.0f - f) * samples[i0] + f * samples[(i0 + 1) & kMask];
        }

        // The same read for an offset split into a whole number of samples and a fraction in
        // [0, 1]: whole + fraction, with the fraction as the double-precision read would round it.
        float readAroundCentre (int whole, float fraction) const noexcept
        {
            const int i0 = (writeIndex - kCentreBehind + whole) & kMask;
            return (1.0f - fraction) * samples[i0] + fraction * samples[(i0 + 1) & kMask];
        }
    };

    Cursor cursor() noexcept { return { samples.data(), writeIndex }; }
    void moveTo (const Cursor& c) noexcept { writeIndex = c.writeIndex; }

    // Forgets the signal; the write position is a clock and keeps its place.
    void clearSignal() noexcept { samples.fill (0.0f); }
};

// A straight-line crossfade over `length` samples: the share of the new signal rises from 0 at
// its first sample to 1 at its end. Shared by the dry paths' change of delay and the engine's
// change of setting.
struct LinearFade
{
    int length = 0;   // samples of the crossfade under way, 0 when there is none
    int position = 0; // samples of it already played

    void start (int samples) noexcept
    {
        length = std::max (1, samples);
        position = 0;
    }

    bool running() const noexcept { return position < length; }
    int remaining() const noexcept { return length - position; }

    // The new signal's share `offset` samples after the current position.
    float weightAt (int offset) const noexcept
    {
        const int i = position + offset;
        return i >= length ? 1.0f : static_cast<float> (i) / static_cast<float> (length);
    }

    // Past its end the fade is over and `running` false.
    void advance (int n) noexcept
    {
        position += n;
        if (position >= length)
            length = position = 0;
    }
};

// A change of a whole-sample delay, heard as a short crossfade from the old read point to the
// new one instead of a jump: a latency that grows would otherwise replay what was already heard,
// one that shrinks would skip audio. Targeted once per host block, advanced as samples go by.
struct DelayFade
{
    int from = 0, to = 0;
    LinearFade fade;
    bool set = false;

    // This block's delay. A new delay while a crossfade runs starts over from the last target.
    void target (int delay, int fadeLength) noexcept
    {
        if (set && delay != to)
        {
            from = to;
            fade.start (fadeLength);
        }
        to = delay;
        set = true;
    }

    bool fading() const noexcept { return fade.running(); }
    float weightAt (int offset) const noexcept { return fade.weightAt (offset); }
    void advance (int n) noexcept { fade.advance (n); }
    void reset() noexcept { *this = {}; }
};

// A whole-sample delay for blocks: what was written `delay` samples before the block comes out.
// The engine holds the dry signals back with it by the current mode's latency, so that they
// meet the blend in time after the host's delay compensation. Sized in prepare for the largest
// delay and block; writing and reading never allocate.
class BlockDelay
{
public:
    void prepare (int maxDelay, int maxBlock)
    {
        int size = 1;
        while (size < maxDelay + maxBlock)
            size <<= 1;
        samples.assign (static_cast<size_t> (size), 0.0f);
        mask = size - 1;
        largestDelay = maxDelay;
        largestBlock = maxBlock;
        writeIndex = 0;
    }

    // Forgets everything written, as after prepare.
    void reset() noexcept
    {
        std::fill (samples.begin(), samples.end(), 0.0f);
        writeIndex = 0;
    }

    // Writes one block (at most the prepared block size; null writes silence).
    void write (const float* in, int n) noexcept
    {
        n = std::clamp (n, 0, largestBlock);
        for (int done = 0; done < n;)
        {
            const int len = std::min (n - done, mask + 1 - writeIndex);
            float* dest = samples.data() + writeIndex;
            if (in != nullptr)
                std::copy (in + done, in + done + len, dest);
            else
                std::fill (dest, dest + len, 0.0f);
            writeIndex = (writeIndex + len) & mask;
            done += len;
        }
    }

    // The last block written (n samples), as it was `delay` samples earlier. `out` may be the
    // memory the block was written from.
    void readDelayed (float* out, int n, int delay) const noexcept
    {
        n = std::clamp (n, 0, largestBlock);
        delay = std::clamp (delay, 0, largestDelay);
        int readIndex = (writeIndex - n - delay) & mask;
        for (int done = 0; done < n;)
        {
            const int len = std::min (n - done, mask + 1 - readIndex);
            const float* src = samples.data() + readIndex;
            std::copy (src, src + len, out + done);
            readIndex = (readIndex + len) & mask;
            done += len;
        }
    }

    // The same at the fade's delay, crossfading from its old delay while it fades.
    void readFaded (float* out, int n, const DelayFade& fade) const noexcept
    {
        if (! fade.fading())
            return readDelayed (out, n, fade.to);
        n = std::clamp (n, 0, largestBlock);
        const int oldIndex = (writeIndex - n - std::clamp (fade.from, 0, largestDelay)) & mask;
        const int newIndex = (writeIndex - n - std::clamp (fade.to, 0, largestDelay)) & mask;
        // Past the fade's end the new read point alone, exactly as readDelayed gives it.
        const int fading = std::min (n, fade.fade.remaining());
        for (int j = 0; j < n; ++j)
        {
            const float b = samples[static_cast<size_t> ((newIndex + j) & mask)];
            if (j >= fading)
            {
                out[j] = b;
                continue;
            }
            const float a = samples[static_cast<size_t> ((oldIndex + j) & mask)];
            out[j] = a + (b - a) * fade.weightAt (j);
        }
    }

    bool isPrepared() const noexcept { return ! samples.empty(); }

private:
    std::vector<float> samples;
    int mask = 0;
    int largestDelay = 0;
    int largestBlock = 0;
    int writeIndex = 0;
};
