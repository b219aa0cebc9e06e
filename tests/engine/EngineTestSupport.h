#pragma once

#include "engine/BlendProcessor.h"

#include <cmath>
#include <vector>

// A prepared engine and a one-call way to run it on constant or generated signals.
struct EngineHarness
{
    BlendProcessor engine;
    double sampleRate = 48000.0;
    int channels = 2;
    int maxBlock = 512;

    VocoderParams vocoder;
    FMParams fm;
    MathParams math;
    SidechainParams sidechain;
    FreqSpliceParams freqSplice;
    AMParams am;
    SpectralGateParams spectralGate;
    PhaseSwapParams phaseSwap;
    BinInterleaveParams binInterleave;
    ProbabilisticParams probabilistic;
    WaveshapeParams waveshape;
    ScrubParams scrub;
    OutputMixParams mix;
    RealtimeStepData steps;

    EngineHarness (double rate = 48000.0, int numChannels = 2, int blockSize = 512)
        : sampleRate (rate), channels (numChannels), maxBlock (blockSize)
    {
        prepare();
    }

    void prepare()
    {
        engine.prepare (channels, maxBlock, sampleRate, vocoder, freqSplice, spectralGate, phaseSwap, binInterleave);
    }

    // Runs one block; role1/role2/dry1/dry2 are separate buffers unless the caller aliases them.
    void run (BlendMode mode, const juce::AudioBuffer<float>& role1, const juce::AudioBuffer<float>& role2,
              const juce::AudioBuffer<float>& dry1, const juce::AudioBuffer<float>& dry2,
              juce::AudioBuffer<float>& out)
    {
        engine.processRealtime (mode, role1, role2, dry1, dry2, out, sampleRate, vocoder, fm, math, sidechain,
                                freqSplice, am, spectralGate, phaseSwap, binInterleave, probabilistic, waveshape,
                                scrub, mix, steps);
    }
};

inline juce::AudioBuffer<float> constantBuffer (int channels, int samples, float value)
{
    juce::AudioBuffer<float> b (channels, samples);
    for (int c = 0; c < channels; ++c)
        juce::FloatVectorOperations::fill (b.getWritePointer (c), value, samples);
    return b;
}

inline juce::AudioBuffer<float> sineBuffer (int channels, int samples, double freq, double rate, float amplitude)
{
    juce::AudioBuffer<float> b (channels, samples);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            b.setSample (c, i, amplitude * static_cast<float> (std::sin (2.0 * M_PI * freq * i / rate)));
    return b;
}

// Amplitude of the component at `freq` in samples [start, start + count), by correlation with a
// sine and cosine; count should span whole periods.
inline double toneAmplitude (const float* x, int start, int count, double freq, double rate)
{
    double s = 0.0, c = 0.0;
    for (int i = start; i < start + count; ++i)
    {
        const double ph = 2.0 * M_PI * freq * i / rate;
        s += x[i] * std::sin (ph);
        c += x[i] * std::cos (ph);
    }
    return 2.0 * std::sqrt (s * s + c * c) / count;
}

// A mode value the engine does not know: the blend is a plain copy of role 1 with gain 1, which
// isolates the output stage and the mix.
inline constexpr BlendMode kPassMode = static_cast<BlendMode> (0);
