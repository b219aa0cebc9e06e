#pragma once

#include <algorithm>
#include <array>
#include <cstring>

// Dials that the host (or modulator 2) sets once per block, and that the sound follows sample by
// sample. Each new value starts a straight line from where the dials are now to the new values,
// across one host block or kMinGlideSeconds, whichever is longer.
//
// - A host that automates a dial hands over a new value every block. A line across each block
//   joins the host's values without the steps that one constant per block leaves, which are
//   heard as a buzz at the block rate.
// - With blocks shorter than the minimum, each new value restarts the line from where the dials
//   are: they follow the host's curve a few milliseconds late, without corners, so the sound
//   hardly depends on the host's block size.
// - A single jump (a preset, a click on a dial) becomes a short fade instead of a click.
// - Dials that stand still have no line: their values are exactly the ones set, so the sound is
//   bit for bit what it would be without any glide.
inline constexpr double kMinGlideSeconds = 0.01;

// Dials whose value cannot change every sample (filter designs, a mode's whole record) move in
// steps this far apart while they glide.
inline constexpr int kGlideStepSamples = 16;

template <int numDials>
struct DialGlide
{
    using Values = std::array<float, static_cast<size_t> (numDials)>;

    Values from {}, to {};
    int length = 0;   // samples of the current line, 0 while the dials hold
    int position = 0; // samples of the line already played
    bool set = false;

    // This block's values. A block that moves nothing keeps a line under way running.
    void target (const Values& values, int blockLength, int minLength) noexcept
    {
        if (! set)
        {
            from = to = values;
            length = position = 0;
            set = true;
            return;
        }
        // Compared bit for bit: a value that is not a number must not restart the line forever.
        if (std::memcmp (values.data(), to.data(), sizeof (Values)) == 0)
            return;
        from = valuesAt (0);
        to = values;
        length = std::max (blockLength, minLength);
        position = 0;
    }

    bool moving() const noexcept { return position < length; }

    // Dial k's value `offset` samples after the current position.
    float at (int k, int offset) const noexcept
    {
        const int i = position + offset;
        if (i >= length)
            return to[static_cast<size_t> (k)];
        const float a = from[static_cast<size_t> (k)], b = to[static_cast<size_t> (k)];
        return a + (b - a) * (static_cast<float> (i) / static_cast<float> (length));
    }

    Values valuesAt (int offset) const noexcept
    {
        Values v;
        for (int k = 0; k < numDials; ++k)
            v[static_cast<size_t> (k)] = at (k, offset);
        return v;
    }

    // Dial k's values for `n` samples from the current position.
    void fill (int k, float* out, int n) const noexcept
    {
        for (int j = 0; j < n; ++j)
            out[j] = at (k, j);
    }

    void advance (int n) noexcept
    {
        position += n;
        if (position >= length)
            length = position = 0;
    }

    // Forgets the dials: the next values are taken as they are.
    void reset() noexcept
    {
        set = false;
        length = position = 0;
    }
};

// The minimum glide in samples at a sample rate.
inline int minGlideSamples (double sampleRate) noexcept
{
    // Clamped so that a rate no host uses cannot overflow the count.
    return static_cast<int> (std::clamp (kMinGlideSeconds * sampleRate, 1.0, 1.0e6) + 0.5);
}
