#include "ui/PanelDrawing.h"
#include "common/JuceCompat.h"
#include "ui/ThemePalette.h"

#include <cmath>

namespace PanelDrawing
{
namespace
{
constexpr int kDialInset = 4;
constexpr float kDialRimThickness = 1.5f;
constexpr float kDotDistance = 0.7f; // dot centre from the disc's centre, as a fraction of the radius
constexpr float kDotRadius = 0.22f;  // as a fraction of the disc's radius

constexpr float kCardCornerRadius = 6.0f;
constexpr float kCardBorderThickness = 1.0f;
constexpr int kCardTitleBoxHeight = 16;
} // namespace

void drawFlatDotDial (juce::Graphics& g, juce::Rectangle<int> bounds, float angle, const ThemePalette& palette,
                      EmptyDial emptyDial)
{
    const float w = (float) juce::jmax (bounds.getWidth() - 2 * kDialInset, 0);
    const float h = (float) juce::jmax (bounds.getHeight() - 2 * kDialInset, 0);
    const float cx = (float) bounds.getX() + (float) kDialInset + w / 2.0f;
    const float cy = (float) bounds.getY() + (float) kDialInset + h / 2.0f;
    const float radius = juce::jmin (w, h) / 2.0f;
    if (radius <= 0.0f && emptyDial == EmptyDial::drawNothing)
        return;

    g.setColour (palette.control);
    g.fillEllipse (cx - radius, cy - radius, radius * 2.0f, radius * 2.0f);
    g.setColour (palette.outline);
    g.drawEllipse (cx - radius, cy - radius, radius * 2.0f, radius * 2.0f, kDialRimThickness);

    // Subtracting a quarter turn turns the clockwise-from-twelve angle into a screen angle.
    const float dotX = cx + kDotDistance * radius * std::cos (angle - juce::MathConstants<float>::halfPi);
    const float dotY = cy + kDotDistance * radius * std::sin (angle - juce::MathConstants<float>::halfPi);
    const float dotRadius = kDotRadius * radius;
    g.setColour (palette.accent);
    g.fillEllipse (dotX - dotRadius, dotY - dotRadius, dotRadius * 2.0f, dotRadius * 2.0f);
}

void drawCard (juce::Graphics& g, juce::Rectangle<int> card, const juce::String& title, const CardStyle& style,
               const ThemePalette& palette)
{
    if (card.getWidth() < 1 || card.getHeight() < 1)
        return;

    const auto r = card.toFloat();
    g.setColour (palette.panel);
    g.fillRoundedRectangle (r, kCardCornerRadius);
    g.setColour (palette.border);
    const float inset = style.borderInset;
    g.drawRoundedRectangle (r.getX() + inset, r.getY() + inset, juce::jmax (r.getWidth() - 2.0f * inset, 0.0f),
                            juce::jmax (r.getHeight() - 2.0f * inset, 0.0f), kCardCornerRadius, kCardBorderThickness);

    if (title.isEmpty())
        return;
    g.setColour (palette.heading);
    g.setFont (style.boldTitle ? QVCompat::boldFont (style.titleHeight) : QVCompat::plainFont (style.titleHeight));
    g.drawText (title, card.getX() + style.titleInsetX, card.getY() + style.titleTop,
                card.getWidth() - 2 * style.titleInsetX, kCardTitleBoxHeight, style.titleJustification, true);
}
} // namespace PanelDrawing
