#include "ui/StepSequencerComponent.h"
#include "common/JuceCompat.h"
#include "ui/ThemePalette.h"

#include <cmath>

float StepSequencerComponent::getStepValue (int step) const
{
    if (static_cast<unsigned> (step) >= static_cast<unsigned> (kNumSteps))
        return 0.0f;
    return values[(size_t) step];
}

void StepSequencerComponent::setStepValueSilent (int step, float value)
{
    if (static_cast<unsigned> (step) >= static_cast<unsigned> (kNumSteps))
        return;
    if (values[(size_t) step] == value)
        return;
    values[(size_t) step] = value;
    repaint();
}

void StepSequencerComponent::setPlaybackPosition (double position)
{
    const int step = (position < 0.0 || position >= 1.0) ? -1 : (int) (position * kNumSteps);
    if (step == highlightedStep)
        return;
    highlightedStep = step;
    repaint();
}

StepSequencerComponent::Geometry StepSequencerComponent::geometry() const
{
    const auto bounds = getLocalBounds().toFloat();
    const float innerWidth = juce::jmax (bounds.getWidth() - 4.0f, 0.0f);
    const float innerHeight = juce::jmax (bounds.getHeight() - 4.0f, 0.0f);
    // A gap of 6 between neighbouring boxes; the strip below the boxes holds the numbers.
    const float boxWidth = (innerWidth - (float) (kNumSteps - 1) * gap) / (float) kNumSteps;
    return { bounds.getX() + 2.0f, bounds.getY() + 2.0f, boxWidth, innerHeight - numberStrip };
}

juce::Rectangle<float> StepSequencerComponent::getBoxBounds (int step) const
{
    const auto g = geometry();
    return { g.boxLeft (step), g.y0, g.boxWidth, g.boxHeight };
}

int StepSequencerComponent::getStepAtPosition (juce::Point<int> position) const
{
    const auto g = geometry();
    const auto px = (float) position.x;
    for (int i = 0; i < kNumSteps; ++i)
    {
        const float left = g.boxLeft (i);
        if (px >= left && px < left + g.boxWidth)
            return i;
    }
    return -1;
}

float StepSequencerComponent::getValueAtPosition (juce::Point<int> position, int) const
{
    const auto g = geometry();
    if (g.halfHeight() <= 0.0f)
        return 0.0f;
    return juce::jlimit (-1.0f, 1.0f, (g.centreY() - (float) position.y) / g.halfHeight());
}

void StepSequencerComponent::storeAndReport (int step, float value)
{
    if (values[(size_t) step] == value)
        return;
    values[(size_t) step] = value;
    repaint();
    if (onStepChanged)
        onStepChanged (step, value);
}

void StepSequencerComponent::setStepFromMouse (juce::Point<int> position)
{
    const int step = getStepAtPosition (position);
    if (step < 0)
        return;
    // Whole hundredths, so typed-in and dragged values compare equal and read cleanly.
    const float value = (float) (std::round ((double) getValueAtPosition (position, step) * 100.0) / 100.0);
    storeAndReport (step, value);
}

void StepSequencerComponent::resetStepAtPosition (juce::Point<int> position)
{
    const int step = getStepAtPosition (position);
    if (step >= 0)
        storeAndReport (step, 0.0f);
}

void StepSequencerComponent::mouseDown (const juce::MouseEvent& e) { setStepFromMouse (e.getPosition()); }
void StepSequencerComponent::mouseDrag (const juce::MouseEvent& e) { setStepFromMouse (e.getPosition()); }
void StepSequencerComponent::mouseDoubleClick (const juce::MouseEvent& e) { resetStepAtPosition (e.getPosition()); }

void StepSequencerComponent::paint (juce::Graphics& g)
{
    const auto& palette = *QV::gActive;
    const auto geo = geometry();
    const float yc = geo.centreY();
    const float hh = geo.halfHeight();

    for (int i = 0; i < kNumSteps; ++i)
    {
        const auto box = getBoxBounds (i);
        g.setColour (palette.control);
        g.fillRoundedRectangle (box, 4.0f);

        g.setColour (palette.outline);
        g.drawHorizontalLine ((int) yc, box.getX(), box.getRight());

        const float value = values[(size_t) i];
        if (std::abs (value) > 0.005f)
        {
            const float height = std::abs (value) * hh;
            const float top = value > 0.0f ? yc - height : yc;
            g.setColour (palette.accent.withAlpha (0.7f));
            g.fillRoundedRectangle ({ box.getX() + 2.0f, top, box.getWidth() - 4.0f, height }, 2.0f);
        }

        if (i == highlightedStep)
        {
            g.setColour (palette.accent);
            g.drawRoundedRectangle (box, 4.0f, 3.0f);
        }
        else
        {
            g.setColour (palette.outline);
            g.drawRoundedRectangle (box, 4.0f, 1.5f);
        }

        g.setColour (juce::Colours::grey);
        g.setFont (QVCompat::boldFont (11.0f));
        g.drawText (juce::String (i + 1), juce::Rectangle<float> (box.getX(), geo.y0 + geo.boxHeight + 1.0f, box.getWidth(), 13.0f),
                    juce::Justification::centred, false);
    }
}
