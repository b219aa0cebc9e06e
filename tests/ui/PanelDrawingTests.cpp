#include "GuiTestSupport.h"
#include "ui/PanelDrawing.h"
#include "ui/ThemePalette.h"

namespace
{
juce::Image clearImage (int width, int height) { return juce::Image (juce::Image::ARGB, width, height, true); }

bool isBlank (const juce::Image& image)
{
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt (x, y).getAlpha() != 0)
                return false;
    return true;
}
} // namespace

TEST (PanelDrawing, DialPointerTurnsClockwiseFromTwelveOClock)
{
    // A 40 x 40 dial: body of radius (40 - 8) / 2 = 16 around (20, 20); the dot, of radius
    // 0.22 * 16 = 3.52, sits 0.7 * 16 = 11.2 from the centre, so at (20, 8.8) for angle 0 and at
    // (20, 31.2) for a half turn. Pixels fully inside a shape take its colour exactly.
    const auto& palette = QV::kLight;
    struct Case
    {
        float angle;
        juce::Point<int> dot, body;
    };
    const Case cases[] = {
        { 0.0f, { 20, 8 }, { 20, 31 } },
        { juce::MathConstants<float>::pi, { 20, 31 }, { 20, 8 } },
        { juce::MathConstants<float>::halfPi, { 31, 20 }, { 8, 20 } },
    };
    for (const auto& c : cases)
    {
        auto image = clearImage (40, 40);
        {
            juce::Graphics g (image);
            PanelDrawing::drawFlatDotDial (g, { 0, 0, 40, 40 }, c.angle, palette);
        }
        EXPECT_EQ (image.getPixelAt (c.dot.x, c.dot.y), palette.accent) << c.angle;
        EXPECT_EQ (image.getPixelAt (c.body.x, c.body.y), palette.control) << c.angle;
        EXPECT_EQ (image.getPixelAt (20, 20), palette.control) << c.angle;
        EXPECT_EQ (image.getPixelAt (1, 1).getAlpha(), 0) << "outside the 4-unit inset";
    }
}

TEST (PanelDrawing, ADialTooSmallForABodyDrawsNothingOrOnlyItsRim)
{
    // Bounds (4, 4, 8, 8) leave no body: radius 0 at (8, 8). The rim of thickness 1.5 around it
    // covers 7.25 .. 8.75, so only pixels 7 and 8 in each direction.
    for (const auto emptyDial : { PanelDrawing::EmptyDial::drawNothing, PanelDrawing::EmptyDial::drawRim })
    {
        auto image = clearImage (16, 16);
        {
            juce::Graphics g (image);
            PanelDrawing::drawFlatDotDial (g, { 4, 4, 8, 8 }, 0.0f, QV::kDark, emptyDial);
        }
        if (emptyDial == PanelDrawing::EmptyDial::drawNothing)
        {
            EXPECT_TRUE (isBlank (image));
            continue;
        }
        EXPECT_GT (image.getPixelAt (7, 7).getAlpha(), 0);
        EXPECT_GT (image.getPixelAt (8, 8).getAlpha(), 0);
        auto outside = image.createCopy();
        outside.clear ({ 7, 7, 2, 2 });
        EXPECT_TRUE (isBlank (outside));
    }
}

TEST (PanelDrawing, CardOutlineLiesHalfAUnitInsideUnlessTheStyleSaysOtherwise)
{
    const auto& palette = QV::kLight;
    // The page's cards: a one-unit line around (0.5, 0.5) covers the edge pixels fully, and the
    // next pixel in is pure panel. On the edge itself (inset 0) the line covers half of the edge
    // pixel and blends with the panel.
    auto onEdge = PanelDrawing::kPageCard;
    onEdge.borderInset = 0.0f;
    struct Case
    {
        const PanelDrawing::CardStyle& style;
        bool edgePixelIsBorder;
    };
    const Case cases[] = { { PanelDrawing::kPageCard, true }, { onEdge, false } };
    for (const auto& c : cases)
    {
        auto image = clearImage (100, 40);
        {
            juce::Graphics g (image);
            PanelDrawing::drawCard (g, { 0, 0, 100, 40 }, {}, c.style, palette);
        }
        EXPECT_EQ (image.getPixelAt (0, 20) == palette.border, c.edgePixelIsBorder);
        EXPECT_EQ (image.getPixelAt (50, 20), palette.panel);
        EXPECT_EQ (image.getPixelAt (2, 20), palette.panel);
    }

    auto image = clearImage (20, 20);
    {
        juce::Graphics g (image);
        PanelDrawing::drawCard (g, { 5, 5, 0, 10 }, "TITLE", PanelDrawing::kPageCard, palette);
        PanelDrawing::drawCard (g, { 5, 5, 10, 0 }, "TITLE", PanelDrawing::kPageCard, palette);
    }
    EXPECT_TRUE (isBlank (image)) << "a card without width or height is not drawn";
}
