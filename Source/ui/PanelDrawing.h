#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

struct ThemePalette;

// Drawing shared by the Blend page, its settings view and the phone preview: the round dial
// and the card (a rounded panel with a border and a heading). Each takes the palette to draw
// with; the callers pass the active one.
namespace PanelDrawing
{
// A dial too small for a body (8 units across or less). The Blend page draws nothing; the phone
// preview strokes the rim regardless, which leaves a speck 1.5 units wide.
enum class EmptyDial
{
    drawNothing,
    drawRim
};

// A flat disc with a rim and a dot pointer, no arc or ticks, inset 4 units on every side of
// `bounds`. `angle` runs clockwise from twelve o'clock, as the framework's rotary angles do.
void drawFlatDotDial (juce::Graphics&, juce::Rectangle<int> bounds, float angle, const ThemePalette&,
                      EmptyDial = EmptyDial::drawNothing);

// Where a card's outline and heading go. The title sits in a box 16 high, inset by
// titleInsetX on the left and right and titleTop below the card's top edge.
struct CardStyle
{
    float borderInset;                             // the outline runs this far inside the edge
    float titleHeight;                             // font height of the heading
    bool boldTitle;
    int titleInsetX;
    int titleTop;
    juce::Justification::Flags titleJustification;

    constexpr CardStyle withTitleTop (int top) const noexcept
    {
        auto style = *this;
        style.titleTop = top;
        return style;
    }
};

// The Blend page's cards and the settings panel: the outline half a unit inside the edge, so
// that a one-unit line falls on whole pixels; a plain heading.
inline constexpr CardStyle kPageCard { 0.5f, 14.0f, false, 10, 3, juce::Justification::centredLeft };

// A rounded panel (corner radius 6) in the palette's panel colour, its outline in the border
// colour and, unless the title is empty, the title in the heading colour, shortened with an
// ellipsis when it does not fit. A card narrower or lower than one unit is not drawn.
void drawCard (juce::Graphics&, juce::Rectangle<int> card, const juce::String& title, const CardStyle&,
               const ThemePalette&);
} // namespace PanelDrawing
