#include "PluginProcessor.h"

// The two step-sequencer modulators. Until they are built, modulator 1 leaves Morph to the
// static mix levels and modulator 2 overrides nothing.

RealtimeStepData QuorvaneAudioProcessor::computeModulator1 (int)
{
    return {};
}

void QuorvaneAudioProcessor::applyModulator2 (int) {}

float QuorvaneAudioProcessor::getStepValue (int modulator, int step) const
{
    if (static_cast<unsigned> (modulator) > 1u || static_cast<unsigned> (step) > 15u)
        return 0.0f;
    return stepValues[modulator][step].load();
}

void QuorvaneAudioProcessor::setStepValue (int modulator, int step, float value)
{
    if (static_cast<unsigned> (modulator) > 1u || static_cast<unsigned> (step) > 15u)
        return;
    stepValues[modulator][step].store (value);
}
