#pragma once

#include <juce_dsp/juce_dsp.h>
#include <memory>
#include <vector>

// Streaming state of the frame-based modes (spectral gate, phase swap, bin interleave and
// frequency splice). The engine owns one bank per mode; each bank is rebuilt only when its
// resolution, channel count or sample rate changes.

struct SXChannel
{
    std::vector<float> ring1, ring2, accum;
    int writePos = 0;
    int hopCounter = 0;
};

struct SXBank
{
    int order = 0;
    int fftSize = 0;
    int hop = 0;
    int numChannels = 0;
    double sampleRate = 0.0;
    std::vector<float> window;
    std::unique_ptr<juce::dsp::FFT> fft;
    std::vector<float> spectrum1, spectrum2, spectrumOut;
    std::vector<SXChannel> channels;
};

struct FSChannel
{
    std::vector<float> ring1, ring2, accum;
    int writePos = 0;
    int hopCounter = 0;
    float lfoPhase = 0.0f;
};

struct FSBank
{
    int numChannels = 0;
    double sampleRate = 0.0;
    std::vector<float> window;
    std::unique_ptr<juce::dsp::FFT> fft;
    std::vector<float> spectrum1, spectrum2, spectrumOut;
    std::vector<FSChannel> channels;
};
