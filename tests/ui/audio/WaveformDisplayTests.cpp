#include "ui/audio/WaveformDisplayComponent.h"
#include "../GuiTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace
{
constexpr int kWidth = 208;
constexpr int kHeight = 60;

// The cursor is the only white thing in the view: the waveform is cyan (no red), the frame is
// white at 30 % over a dark background and the text grey. A pixel at least three-quarters
// covered by the 1.5-wide white line is light in all three channels.
bool isCursorPixel (juce::Colour c)
{
    return std::min ({ c.getRed(), c.getGreen(), c.getBlue() }) > 150;
}

// The columns holding cursor pixels, looking only at rows the line must cover (it runs from 4
// to height - 4), away from the frame.
std::set<int> cursorColumns (WaveformDisplayComponent& view)
{
    const juce::Image image = snapshot (view);
    std::set<int> columns;
    for (int y = 6; y < kHeight - 6; ++y)
        for (int x = 2; x < kWidth - 2; ++x)
            if (isCursorPixel (image.getPixelAt (x, y)))
                columns.insert (x);
    return columns;
}

juce::AudioBuffer<float> sine (int numSamples)
{
    juce::AudioBuffer<float> audio (2, numSamples);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < numSamples; ++i)
            audio.setSample (c, i, 0.5f * std::sin (0.01f * static_cast<float> (i)));
    return audio;
}

struct WaveformFixture : public ::testing::Test
{
    WaveformFixture()
    {
        formats.registerBasicFormats();
        view = std::make_unique<WaveformDisplayComponent> (formats);
        view->setSize (kWidth, kHeight);
    }

    juce::AudioFormatManager formats;
    std::unique_ptr<WaveformDisplayComponent> view;
};
} // namespace

TEST_F (WaveformFixture, CursorIsDrawnOnlyForPositionsAboveZeroUpToTheEnd)
{
    view->setSource (sine (48000), 48000.0);

    for (double position : { 0.0, -0.25, 1.2, 1.0000001, std::nan ("") })
    {
        view->setPlaybackPosition (position);
        EXPECT_TRUE (cursorColumns (*view).empty()) << "position " << position;
    }

    for (double position : { 0.001, 0.25, 0.5, 1.0 })
    {
        view->setPlaybackPosition (position);
        // Inner area from x = 4, 200 wide; the line is 1.5 wide around x.
        const double x = 4.0 + position * (kWidth - 8);
        const auto columns = cursorColumns (*view);
        ASSERT_FALSE (columns.empty()) << "position " << position;
        EXPECT_GE (*columns.begin(), static_cast<int> (std::floor (x - 0.75))) << "position " << position;
        EXPECT_LE (*columns.rbegin(), static_cast<int> (std::ceil (x + 0.75)) - 1) << "position " << position;
    }
}

TEST_F (WaveformFixture, CursorSpansTheInnerHeight)
{
    view->setSource (sine (4800), 48000.0);
    view->setPlaybackPosition (0.5);

    const juce::Image image = snapshot (*view);
    // The line runs from y = 4 to y = height - 4: every row in between has a cursor pixel in
    // the columns around x = 104, and the margins above and below have none.
    for (int y = 0; y < kHeight; ++y)
    {
        const bool lit = isCursorPixel (image.getPixelAt (103, y)) || isCursorPixel (image.getPixelAt (104, y));
        if (y >= 5 && y < kHeight - 5)
        {
            EXPECT_TRUE (lit) << "row " << y;
        }
        else if (y < 3 || y >= kHeight - 3)
        {
            EXPECT_FALSE (lit) << "row " << y;
        }
    }
}

TEST_F (WaveformFixture, WithoutASourceThereIsNeitherWaveformNorCursor)
{
    view->setPlaybackPosition (0.5);
    EXPECT_FALSE (view->hasSource());
    EXPECT_TRUE (cursorColumns (*view).empty());

    // No cyan waveform pixels either.
    const juce::Image image = snapshot (*view);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_LT (image.getPixelAt (x, y).getBlue() - image.getPixelAt (x, y).getRed(), 100)
                << x << ", " << y;
}

TEST_F (WaveformFixture, SourceIsDrawnInsideTheInsetArea)
{
    view->setSource (sine (48000), 48000.0);
    EXPECT_TRUE (view->hasSource());
    EXPECT_GT (view->getThumbnailLength(), 0.0);

    const juce::Image image = snapshot (*view);
    int cyan = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
        {
            const auto c = image.getPixelAt (x, y);
            if (c.getBlue() - c.getRed() > 100)
            {
                ++cyan;
                EXPECT_TRUE (x >= 4 && x < kWidth - 4 && y >= 4 && y < kHeight - 4) << x << ", " << y;
            }
        }
    EXPECT_GT (cyan, kWidth); // a wave in each of the two channel bands, across the width
}
