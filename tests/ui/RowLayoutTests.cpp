#include <gtest/gtest.h>

#include "ui/RowLayout.h"

using Rect = juce::Rectangle<int>;

TEST (RowLayout, PlacesFromEitherEndAndCutsWhatNoLongerFits)
{
    juce::Component a, b, c;

    // From the left: 60, a gap of 8, then 60 more of which only 100 - 68 = 32 are left.
    Rect row (10, 0, 100, 20);
    RowLayout::place (row, RowLayout::From::left, { { &a, 60, 8 }, { &b, 60 } });
    EXPECT_EQ (a.getBounds(), Rect (10, 0, 60, 20));
    EXPECT_EQ (b.getBounds(), Rect (78, 0, 32, 20));
    EXPECT_EQ (row, Rect (110, 0, 0, 20));

    // From the right: 30, 30, a gap of 8, then 54 of which 100 - 68 = 32 are left.
    row = { 0, 5, 100, 20 };
    RowLayout::place (row, RowLayout::From::right, { { &a, 30 }, { &b, 30, 8 }, { &c, 54 } });
    EXPECT_EQ (a.getBounds(), Rect (70, 5, 30, 20));
    EXPECT_EQ (b.getBounds(), Rect (40, 5, 30, 20));
    EXPECT_EQ (c.getBounds(), Rect (0, 5, 32, 20));
    EXPECT_TRUE (row.isEmpty());

    // Fixed positions: one top and height for all.
    RowLayout::placeAt (7, 22, { { &a, 3, 40 }, { &b, 50, 10 } });
    EXPECT_EQ (a.getBounds(), Rect (3, 7, 40, 22));
    EXPECT_EQ (b.getBounds(), Rect (50, 7, 10, 22));
}
