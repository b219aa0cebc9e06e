#pragma once

#include "PluginProcessor.h"

#include <gtest/gtest.h>

// Drives a processor the way a plug-in host does: negotiated buses, prepareToPlay, and one
// buffer per block holding the main input (channels 0-1) and, when enabled, the sidechain (2-3).
struct HostedProcessor
{
    QuorvaneAudioProcessor& processor;

    explicit HostedProcessor (QuorvaneAudioProcessor& p, bool sidechain = true, bool mainInput = true)
        : processor (p)
    {
        auto layout = p.getBusesLayout();
        layout.inputBuses.getReference (0) = mainInput ? juce::AudioChannelSet::stereo() : juce::AudioChannelSet::disabled();
        layout.inputBuses.getReference (1) = sidechain ? juce::AudioChannelSet::stereo() : juce::AudioChannelSet::disabled();
        EXPECT_TRUE (p.setBusesLayout (layout));
    }

    void prepare (double rate = 48000.0, int block = 512) { processor.prepareToPlay (rate, block); }

    void setRaw (const char* id, float raw)
    {
        auto* prm = processor.parameters.getParameter (id);
        prm->setValueNotifyingHost (prm->convertTo0to1 (raw));
    }

    int bufferChannels() const
    {
        return std::max (processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels());
    }

    void process (juce::AudioBuffer<float>& buffer)
    {
        juce::MidiBuffer midi;
        processor.processBlock (buffer, midi);
    }
};

inline void fillNoise (juce::AudioBuffer<float>& b, int seed, float amplitude = 0.5f)
{
    juce::Random r (seed);
    for (int c = 0; c < b.getNumChannels(); ++c)
        for (int i = 0; i < b.getNumSamples(); ++i)
            b.setSample (c, i, amplitude * (2.0f * r.nextFloat() - 1.0f));
}
