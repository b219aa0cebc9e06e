#pragma once

#include "processor/PluginProcessor.h"

#include <gtest/gtest.h>

#include <memory>

// Shared scaffolding for the processor tests: a host transport the tests can steer, a way to
// build the processor as the standalone application does, and plain parameter setters.

// The host's transport as the tests want it: every field optional, like a real host's.
class TestPlayHead : public juce::AudioPlayHead
{
public:
    juce::Optional<PositionInfo> getPosition() const override
    {
        if (! hasPosition)
            return {};
        return info;
    }

    void setPlaying (double bpm, double ppq, int numerator = 4, int denominator = 4)
    {
        hasPosition = true;
        info = {};
        info.setBpm (bpm);
        info.setPpqPosition (ppq);
        info.setTimeSignature (juce::AudioPlayHead::TimeSignature { numerator, denominator });
        info.setIsPlaying (true);
    }

    bool hasPosition = false;
    PositionInfo info;
};

// Friend of the processor: holds the file-buffer lock the way a hand-over on the message
// thread does, and delivers a latency report posted to the message thread as its loop would
// (the tests have no running message loop).
struct QuorvaneProcessorTestAccess
{
    static juce::SpinLock& bufferLock (QuorvaneAudioProcessor& p) { return p.bufferLock; }
    static void deliverPostedLatency (QuorvaneAudioProcessor& p) { p.latencyAnnouncer.deliverPosted(); }
};

// Builds the processor the way a format wrapper does: it announces its type before
// construction, and the processor behaves as that format requires.
inline std::unique_ptr<QuorvaneAudioProcessor> makeProcessorAs (juce::AudioProcessor::WrapperType type)
{
    const auto previous = juce::PluginHostType::jucePlugInClientCurrentWrapperType;
    juce::PluginHostType::jucePlugInClientCurrentWrapperType = type;
    juce::AudioProcessor::setTypeOfNextNewPlugin (type);
    auto processor = std::make_unique<QuorvaneAudioProcessor>();
    juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined);
    juce::PluginHostType::jucePlugInClientCurrentWrapperType = previous;
    return processor;
}

// As a VST3 host loads it.
inline std::unique_ptr<QuorvaneAudioProcessor> makeVst3Processor()
{
    return makeProcessorAs (juce::AudioProcessor::wrapperType_VST3);
}

// As the framework's standalone application: no input buses, file playback, no state.
inline std::unique_ptr<QuorvaneAudioProcessor> makeStandaloneProcessor()
{
    return makeProcessorAs (juce::AudioProcessor::wrapperType_Standalone);
}

// Sets a parameter to a raw value (its own units, choice index, 0/1 for a switch).
inline void setRawParam (QuorvaneAudioProcessor& p, const char* id, float rawValue)
{
    auto* param = p.parameters.getParameter (id);
    jassert (param != nullptr);
    param->setValueNotifyingHost (param->convertTo0to1 (rawValue));
}

inline float rawParam (const QuorvaneAudioProcessor& p, const char* id)
{
    return p.parameters.getRawParameterValue (id)->load();
}

// The dry mix the tests listen to: no blend, full-scale dry levels, a ceiling of 0 dB (so the
// output is exactly tanh of the dry sum) and unity output volume.
inline void setDryOnlyMix (QuorvaneAudioProcessor& p, float sig1Percent, float sig2Percent)
{
    setRawParam (p, "fxLevel", 0.0f);
    setRawParam (p, "sig1Level", sig1Percent);
    setRawParam (p, "sig2Level", sig2Percent);
    setRawParam (p, "clipCeilingDb", 0.0f);
    setRawParam (p, "outputVolDb", 0.0f);
}

// "mode" choice index of a registry entry, by its name.
inline int modeIndexOf (const char* name)
{
    for (int i = 0; i < kNumBlendModeEntries; ++i)
        if (juce::String (kBlendModeRegistry[i].name) == name)
            return i;
    jassertfalse;
    return -1;
}

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
