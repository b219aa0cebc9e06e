#pragma once

#include "RenderOptions.h"

#include "processor/PluginProcessor.h"

#include <vector>

// Host automation during a render: each --automate curve is read at the first sample of every
// block the processor gets, and its value reaches the parameter the way a host's automation
// does, through the parameter's host interface and inside a change gesture.

// Whether a parameter's curve steps at its points instead of gliding between them: a choice or
// a switch has no values in between.
bool automationSteps (const juce::String& paramId);

// A curve's raw value at `seconds` from the start of the render. Before the first point it holds
// the first value, after the last point the last; in between it moves linearly, or, stepped,
// takes the value of the last point at or before `seconds`.
double automationValueAt (const std::vector<AutomationPoint>& points, bool stepped, double seconds);

class HostAutomation
{
public:
    // The curves must name parameters the processor has; both must outlive this object.
    HostAutomation (QuorvaneAudioProcessor& processor, const std::vector<ParamAutomation>& curves);

    // Before a processBlock call whose first sample is `frame` of the input's timeline: every
    // parameter whose curve has moved off the value it holds is set to the curve's value.
    void applyAt (juce::int64 frame, double sampleRate);

private:
    struct Lane
    {
        juce::RangedAudioParameter* parameter;
        const std::vector<AutomationPoint>* points;
        bool stepped;
    };
    std::vector<Lane> lanes;
};
