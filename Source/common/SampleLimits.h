#pragma once

#include <cmath>

// Where audio from outside stops being audio. Floating-point samples beyond kMaxSampleMagnitude
// are broken data, not sound: 2^16 is 96 dB above full scale, while values near the end of the
// float range overflow any processing that follows. Decoded files and the host's input blocks
// are both held to it.
constexpr float kMaxSampleMagnitude = 65536.0f;

// True when every sample of a block whose peak magnitude is `peak` is audio (a NaN peak fails).
inline bool isAudioPeak (float peak) noexcept
{
    return peak <= kMaxSampleMagnitude;
}

// A sample that is not a finite number or lies beyond kMaxSampleMagnitude becomes silence.
inline void silenceBrokenSamples (float* samples, int n) noexcept
{
    for (int i = 0; i < n; ++i)
        if (! (std::abs (samples[i]) <= kMaxSampleMagnitude)) // NaN fails every comparison
            samples[i] = 0.0f;
}
