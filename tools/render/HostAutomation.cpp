#include "HostAutomation.h"

#include "ProcessorSetup.h"

#include "params/ParameterTable.h"

#include <algorithm>

bool automationSteps (const juce::String& paramId)
{
    const auto* entry = findParamSpec (paramId.toRawUTF8());
    return entry != nullptr && entry->kind != ParamSpec::Kind::Float;
}

double automationValueAt (const std::vector<AutomationPoint>& points, bool stepped, double seconds)
{
    jassert (! points.empty());
    if (points.empty())
        return 0.0;

    // The first point after `seconds`; the one before it is the last point at or before.
    const auto next = std::upper_bound (points.begin(), points.end(), seconds,
                                        [] (double t, const AutomationPoint& point) { return t < point.seconds; });
    if (next == points.begin())
        return points.front().value;
    const auto& before = *(next - 1);
    if (stepped || next == points.end())
        return before.value;

    const double position = (seconds - before.seconds) / (next->seconds - before.seconds);
    return before.value + (next->value - before.value) * position;
}

HostAutomation::HostAutomation (QuorvaneAudioProcessor& processor, const std::vector<ParamAutomation>& curves)
{
    for (const auto& curve : curves)
    {
        auto* parameter = processor.parameters.getParameter (curve.paramId);
        jassert (parameter != nullptr && ! curve.points.empty());
        if (parameter != nullptr && ! curve.points.empty())
            lanes.push_back ({ parameter, &curve.points, automationSteps (curve.paramId) });
    }
}

void HostAutomation::applyAt (juce::int64 frame, double sampleRate)
{
    // The time of the block's first sample on the input's timeline, worked out from the frame
    // count rather than accumulated, so that long renders stay on the curve.
    const double seconds = sampleRate > 0.0 ? (double) frame / sampleRate : 0.0;
    for (const auto& lane : lanes)
        automateRawParameter (*lane.parameter, automationValueAt (*lane.points, lane.stepped, seconds));
}
