#include "ui/LevelMeterComponent.h"
#include "ui/ThemePalette.h"

#include <cmath>

float LevelMeterComponent::nextLevel (float current, float newValue) noexcept
{
    // Levels arrive from the audio thread; anything odd is pinned to the meter's useful range.
    const float v = std::isnan (newValue) ? 0.0f : juce::jlimit (0.0f, 4.0f, newValue);
    if (current <= v)
        return v;
    return v + 0.82f * (current - v);
}

void LevelMeterComponent::update (float newValue)
{
    level = nextLevel (level, newValue);
    repaint();
}

float LevelMeterComponent::fillHeight (float levelValue, float innerHeight) noexcept
{
    const float db = levelValue > 0.00001f ? juce::jmax (20.0f * std::log10 (levelValue), -60.0f) + 60.0f : 0.0f;
    return juce::jlimit (0.0f, 1.0f, db / 60.0f) * innerHeight;
}

void LevelMeterComponent::paint (juce::Graphics& g)
{
    const auto& palette = *QV::gActive;
    const auto bounds = getLocalBounds().toFloat();

    g.setColour (palette.control);
    g.fillRoundedRectangle (bounds, 3.0f);
    g.setColour (palette.outline);
    g.drawRoundedRectangle (bounds.getX() + 0.5f, bounds.getY() + 0.5f, juce::jmax (bounds.getWidth() - 1.0f, 0.0f),
                            juce::jmax (bounds.getHeight() - 1.0f, 0.0f), 3.0f, 1.0f);

    const float innerWidth = juce::jmax (bounds.getWidth() - 4.0f, 0.0f);
    const float innerHeight = juce::jmax (bounds.getHeight() - 4.0f, 0.0f);
    const float fill = fillHeight (level, innerHeight);
    if (fill > 0.0f)
    {
        g.setColour (palette.accent);
        g.fillRoundedRectangle (bounds.getX() + 2.0f, bounds.getY() + 2.0f + innerHeight - fill, innerWidth, fill, 2.0f);
    }
}
