#pragma once

#include "engine/FrameStream.h"

#include <limits>
#include <memory>
#include <vector>

// State of the three vocoders: the classic filter bank (shared with the distorted vocoder) and
// the FFT vocoder's frame bank.

inline constexpr int kMaxVocoderBands = 1024;

// The band loop runs across bands in groups of this many lanes (one AVX vector); band counts are
// padded up to a whole group with silent bands.
inline constexpr int kVocoderLanes = 8;

// Every per-band array is padded by 64 bytes: arrays of exactly 4 KiB all start on the same L1
// cache sets and evict one another inside the band loop.
inline constexpr int kVocoderBandStride = kMaxVocoderBands + 16;

inline constexpr int paddedVocoderBands (int numBands) noexcept
{
    return (numBands + kVocoderLanes - 1) / kVocoderLanes * kVocoderLanes;
}

// Band-pass coefficients of every band, as structure of arrays so the band loop runs across
// bands. The designs are RBJ constant-skirt band-passes, whose b1 is zero and whose b2 is exactly
// -b0, so only b0 is stored. Bands at and above the built count (up to the padded count) hold
// zeros and contribute nothing.
struct alignas (64) VCBandTable
{
    float b0[kVocoderBandStride];
    float a1[kVocoderBandStride];
    float a2[kVocoderBandStride];
    float emphasisGain[kVocoderBandStride]; // the band's share of the HF emphasis
    float invQ[kVocoderBandStride];         // 1 / max(Q, 0.001): unity peak gain for the carrier band

    void reset() noexcept
    {
        for (int k = 0; k < kVocoderBandStride; ++k)
        {
            b0[k] = a1[k] = a2[k] = 0.0f;
            emphasisGain[k] = 1.0f;
            invQ[k] = 1.0f;
        }
    }
};

// Filter and envelope state of every band of one channel. The input history (the last two
// carrier and modulator samples) is the same for every band, so it is kept once per channel.
struct alignas (64) VCChannelState
{
    float carrierY1[kVocoderBandStride];
    float carrierY2[kVocoderBandStride];
    float modulatorY1[kVocoderBandStride];
    float modulatorY2[kVocoderBandStride];
    float envelope[kVocoderBandStride];
    float carrierX1, carrierX2, modulatorX1, modulatorX2;

    void clearBands (int count) noexcept
    {
        for (int k = 0; k < count; ++k)
            carrierY1[k] = carrierY2[k] = modulatorY1[k] = modulatorY2[k] = envelope[k] = 0.0f;
        carrierX1 = carrierX2 = modulatorX1 = modulatorX2 = 0.0f;
    }
};

struct VCBank
{
    std::unique_ptr<VCBandTable> bands;
    std::vector<VCChannelState> channels;
    int numBands = 0;
    int numChannels = 0;
    double sampleRate = 0.0;
    float cachedAttack = -1.0f;
    float cachedRelease = -1.0f;
    float attackCoef = 0.0f;
    float releaseCoef = 0.0f;
    float cachedHfEmphasis = 0.0f;

    // This bank becomes a copy of `other`: designs, coefficients and every channel's state.
    // Allocates nothing once this bank has its table and as many channels.
    void copyFrom (const VCBank& other)
    {
        if (other.bands != nullptr)
        {
            if (bands == nullptr)
                bands = std::make_unique<VCBandTable>();
            *bands = *other.bands;
        }
        channels = other.channels;
        numBands = other.numBands;
        numChannels = other.numChannels;
        sampleRate = other.sampleRate;
        cachedAttack = other.cachedAttack;
        cachedRelease = other.cachedRelease;
        attackCoef = other.attackCoef;
        releaseCoef = other.releaseCoef;
        cachedHfEmphasis = other.cachedHfEmphasis;
    }
};

// FFT vocoder channel: ring1 holds the modulator (role1), ring2 the carrier (role2).
struct VFChannel : FrameChannel
{
    std::vector<float> binEnvelope; // N/2 + 1: smoothed modulator magnitude per bin

    void reset (int fftSize)
    {
        FrameChannel::reset (fftSize);
        binEnvelope.assign (static_cast<size_t> (fftSize / 2 + 1), 0.0f);
    }

    void clearSignal() noexcept
    {
        FrameChannel::clearSignal();
        std::fill (binEnvelope.begin(), binEnvelope.end(), 0.0f);
    }
};

struct VFBank : FrameBankOf<VFChannel>
{
    double cachedRate = 0.0;
    float cachedAttack = -1.0f;
    float cachedRelease = -1.0f;
    float cachedHfEmphasis = std::numeric_limits<float>::quiet_NaN();
    float attackCoef = 0.0f;
    float releaseCoef = 0.0f;
    float emphasisGain = 1.0f; // gain at Nyquist; DC stays at 1
};
