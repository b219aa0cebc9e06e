#include "PluginEditor.h"
#include "PluginProcessor.h"

QuorvanePluginEditor::QuorvanePluginEditor (QuorvaneAudioProcessor& p)
    : juce::GenericAudioProcessorEditor (p)
{
    setSize (720, 572);
}
