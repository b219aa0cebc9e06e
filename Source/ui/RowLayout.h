#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <initializer_list>

// Rows of widgets, for the layouts of the pages.
namespace RowLayout
{
// Widgets placed side by side along a row, each followed by a gap, taking their widths from one
// end of the row. A width or gap that no longer fits is cut to what is left, as
// Rectangle::removeFromLeft and removeFromRight do; the row keeps what remains.
struct Slot
{
    juce::Component* component;
    int width;
    int gapAfter = 0;
};

enum class From
{
    left,
    right
};

inline void place (juce::Rectangle<int>& row, From from, std::initializer_list<Slot> slots)
{
    auto take = [&row, from] (int width) {
        return from == From::left ? row.removeFromLeft (width) : row.removeFromRight (width);
    };
    for (const auto& slot : slots)
    {
        slot.component->setBounds (take (slot.width));
        take (slot.gapAfter);
    }
}

// Widgets of one row at fixed x positions, all with the same top and height.
struct Cell
{
    juce::Component* component;
    int x;
    int width;
};

inline void placeAt (int top, int height, std::initializer_list<Cell> cells)
{
    for (const auto& cell : cells)
        cell.component->setBounds (cell.x, top, cell.width, height);
}
} // namespace RowLayout
