#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

class QuorvaneAudioProcessor;

// The plug-in window. For now it shows the framework's generic parameter editor.
class QuorvanePluginEditor : public juce::GenericAudioProcessorEditor
{
public:
    explicit QuorvanePluginEditor (QuorvaneAudioProcessor&);
};
