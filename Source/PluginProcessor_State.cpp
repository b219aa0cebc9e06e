#include "PluginProcessor.h"

// The state block: the parameter tree as XML inside JUCE's binary wrapper.

void QuorvaneAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    if (isStandaloneWrapper())
        return;
    if (auto xml = parameters.copyState().createXml())
        copyXmlToBinary (*xml, destData);
}

void QuorvaneAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (isStandaloneWrapper())
        return;
    auto xml = getXmlFromBinary (data, sizeInBytes);
    if (xml == nullptr || ! xml->hasTagName (parameters.state.getType()))
        return;
    parameters.replaceState (juce::ValueTree::fromXml (*xml));
    if (onStateRestored)
        onStateRestored();
}
