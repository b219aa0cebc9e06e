#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>
#include <string>

// Loading the built plug-in through one of its binary formats, and driving the loaded instance
// the way a host does: bus negotiation, preparation, blocks of audio and parameter changes,
// all through juce::AudioPluginInstance and never through the plug-in's own classes.

enum class HostFormat
{
    VST3,
    LV2
};

std::string formatName (HostFormat format);

// A fresh instance of the freshly built bundle; fails the calling test when it cannot be loaded.
std::unique_ptr<juce::AudioPluginInstance> loadPlugin (HostFormat format);

// Drops the formats and their plug-in modules; called once before JUCE shuts down.
void releasePluginFormats();

// The instance's parameters without the bypass switch a format wrapper may add.
juce::Array<juce::AudioProcessorParameter*> pluginParameters (juce::AudioPluginInstance& plugin);
juce::AudioProcessorParameter* findParameter (juce::AudioPluginInstance& plugin, const juce::String& name);

// Sets a parameter from its value in its own units (a choice by index, a switch by 0 or 1).
void setRawValue (juce::AudioPluginInstance& plugin, const juce::String& name, float raw);

// The sidechain as a host wires it: enabled (stereo) or switched off. Formats without optional
// buses (LV2) keep the bus and feed it silence instead; returns whether the bus is enabled.
bool setSidechainEnabled (juce::AudioPluginInstance& plugin, bool enabled);

// Runs the message loop for a moment, so that notifications the plug-in sends asynchronously
// (a VST3 latency change) reach the host.
void pumpMessages (int milliseconds = 5);

// Calls processBlock on a host buffer holding the main input, then the sidechain.
class HostAudio
{
public:
    explicit HostAudio (juce::AudioPluginInstance& pluginToDrive) : plugin (pluginToDrive) {}

    void prepare (double sampleRate, int maxBlockSize);
    void release();

    // Processes n samples: main input (2 channels) and sidechain (2 channels) in, main output
    // back. Any of the pointers may be null, which feeds silence.
    void process (const float* const* mainIn, const float* const* sidechainIn, float* const* mainOut, int n);

    int bufferChannels() const;
    int sidechainChannelOffset() const;

private:
    juce::AudioPluginInstance& plugin;
    juce::AudioBuffer<float> buffer;
    juce::MidiBuffer midi;
    int maxBlock = 0;
};
