#pragma once

#include <juce_dsp/juce_dsp.h>
#include <limits>
#include <memory>
#include <vector>

// State of the three vocoders: the classic filter bank (shared with the distorted vocoder)
// and the FFT vocoder's frame bank.

inline constexpr int kMaxVocoderBands = 1024;

struct VCBand
{
    float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f, a1 = 0.0f, a2 = 0.0f;
    float emphasisGain = 1.0f;
    float invQ = 1.0f;
};

struct VCChannelBand
{
    float cx1 = 0.0f, cx2 = 0.0f, cy1 = 0.0f, cy2 = 0.0f; // carrier filter
    float mx1 = 0.0f, mx2 = 0.0f, my1 = 0.0f, my2 = 0.0f; // modulator filter
    float envelope = 0.0f;
};

struct VCBank
{
    std::vector<VCBand> bands;                       // kMaxVocoderBands
    std::vector<std::vector<VCChannelBand>> channels; // per channel, kMaxVocoderBands
    int numBands = 0;
    int numChannels = 0;
    double sampleRate = 0.0;
    float cachedAttack = -1.0f;
    float cachedRelease = -1.0f;
    float attackCoef = 0.0f;
    float releaseCoef = 0.0f;
    float cachedHfEmphasis = 0.0f;
};

struct VFChannel
{
    std::vector<float> ring1, ring2, accum;
    std::vector<float> envelopes;
    int writePos = 0;
    int hopCounter = 0;
};

struct VFBank
{
    int order = 0;
    int fftSize = 0;
    int hop = 0;
    int numChannels = 0;
    double sampleRate = 0.0;
    float cachedAttack = -1.0f;
    float cachedRelease = -1.0f;
    float cachedHfEmphasis = std::numeric_limits<float>::quiet_NaN();
    float attackCoef = 0.0f;
    float releaseCoef = 0.0f;
    float emphasisGain = 1.0f;
    std::vector<float> window;
    std::unique_ptr<juce::dsp::FFT> fft;
    std::vector<float> carrierSpectrum, modulatorSpectrum, spectrumOut;
    std::vector<VFChannel> channels;
};
