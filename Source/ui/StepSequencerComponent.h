#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "engine/ModulatorShape.h"

#include <array>
#include <functional>

// The step value editor of the modulator section: one box per step, each value (-1..+1)
// drawn as a bar growing up or down from the box's centre line. The view keeps its own copy of
// the values for drawing; the owner fills it silently and hears about mouse edits through
// onStepChanged.
class StepSequencerComponent : public juce::Component
{
public:
    StepSequencerComponent() = default;

    std::function<void (int step, float value)> onStepChanged;

    float getStepValue (int step) const;
    // Stores a value without reporting it; repaints only when it changes.
    void setStepValueSilent (int step, float value);

    // Position in the step cycle (0 <= position < 1) or anything outside for no highlight.
    void setPlaybackPosition (double position);
    int getHighlightedStep() const noexcept { return highlightedStep; }

    // Geometry, in local coordinates.
    juce::Rectangle<float> getBoxBounds (int step) const;
    int getStepAtPosition (juce::Point<int> position) const;          // -1 between or beside the boxes
    float getValueAtPosition (juce::Point<int> position, int) const;  // clamped to -1..+1

    // The mouse edit: the step under the x coordinate takes the value under the pointer,
    // on a 0.01 grid. Does nothing outside the boxes or when the value is unchanged.
    void setStepFromMouse (juce::Point<int> position);
    // The double-click: the step under the pointer goes back to 0.
    void resetStepAtPosition (juce::Point<int> position);

    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseDoubleClick (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;

private:
    struct Geometry
    {
        float x0, y0, boxWidth, boxHeight;
        float centreY() const noexcept { return y0 + boxHeight * 0.5f; }
        float halfHeight() const noexcept { return boxHeight * 0.5f; }
        float boxLeft (int step) const noexcept { return x0 + (float) step * (boxWidth + gap); }
    };
    static constexpr float gap = 6.0f;
    static constexpr float numberStrip = 14.0f;

    Geometry geometry() const;
    void storeAndReport (int step, float value);

    std::array<float, kNumSteps> values {};
    int highlightedStep = -1;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (StepSequencerComponent)
};
