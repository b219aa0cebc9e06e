#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// A vertical level bar, linear in decibels from -60 dBFS (empty) to 0 dBFS (full).
class LevelMeterComponent : public juce::Component
{
public:
    LevelMeterComponent() = default;

    // The linear amplitude shown; written by the owner through update().
    float level = 0.0f;

    // Meter ballistics for one poll: rises at once to a louder value, otherwise keeps 82 % of
    // the distance to it, so peaks stay readable at 30 polls a second. Repaints.
    void update (float newValue);
    static float nextLevel (float current, float newValue) noexcept;

    // Height of the bar for a level inside an inner area of the given height.
    static float fillHeight (float level, float innerHeight) noexcept;

    void paint (juce::Graphics&) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LevelMeterComponent)
};
