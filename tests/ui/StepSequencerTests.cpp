#include <gtest/gtest.h>

#include "ui/StepSequencerComponent.h"

#include <vector>

// At 654 x 90: inner area 650 x 86 from (2, 2); boxes (650 - 90) / 16 = 35 wide and 86 - 14 = 72
// high, 41 apart; centre line at 2 + 36 = 38, 36 units per 1.0.
class StepViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view.setSize (654, 90);
        view.onStepChanged = [this] (int step, float value) { reports.push_back ({ step, value }); };
    }

    StepSequencerComponent view;
    std::vector<std::pair<int, float>> reports;
};

TEST_F (StepViewTest, BoxesAreThirtyFiveWideAndFortyOneApart)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ (view.getBoxBounds (i), juce::Rectangle<float> (2.0f + 41.0f * (float) i, 2.0f, 35.0f, 72.0f)) << i;
}

TEST_F (StepViewTest, HitTestIgnoresTheGapsAndTheVerticalPosition)
{
    const std::pair<int, int> cases[] = { { 1, -1 }, { 2, 0 },   { 36, 0 },   { 37, -1 }, { 42, -1 },
                                          { 43, 1 }, { 617, 15 }, { 651, 15 }, { 652, -1 } };
    for (const auto& [x, step] : cases)
    {
        EXPECT_EQ (view.getStepAtPosition ({ x, 40 }), step) << x;
        EXPECT_EQ (view.getStepAtPosition ({ x, 300 }), step) << x;
    }
}

TEST_F (StepViewTest, ClickSetsTheValueUnderThePointerOnAHundredthGrid)
{
    struct Case
    {
        juce::Point<int> at;
        int step;
        float value;
    };
    const Case cases[] = {
        { { 20, 20 }, 0, 0.5f },   // 18 above the centre line
        { { 61, 2 }, 1, 1.0f },    // top of the box
        { { 102, 80 }, 2, -1.0f }, // number strip below the box
        { { 143, 38 }, 3, 0.0f },  // on the centre line: unchanged, so not reported
        { { 184, 50 }, 4, -0.33f }, // (38 - 50) / 36 = -0.3333
        { { 225, 25 }, 5, 0.36f },  // 13 / 36 = 0.3611
    };
    for (const auto& c : cases)
        view.setStepFromMouse (c.at);

    for (const auto& c : cases)
        EXPECT_FLOAT_EQ (view.getStepValue (c.step), c.value) << c.step;
    const std::vector<std::pair<int, float>> expected { { 0, 0.5f }, { 1, 1.0f }, { 2, -1.0f }, { 4, -0.33f }, { 5, 0.36f } };
    EXPECT_EQ (reports, expected);

    // The same value again, or a point in a gap, reports nothing.
    reports.clear();
    view.setStepFromMouse ({ 20, 20 });
    view.setStepFromMouse ({ 39, 5 });
    EXPECT_TRUE (reports.empty());
}

TEST_F (StepViewTest, DoubleClickResetsAStepToZero)
{
    view.setStepValueSilent (3, 0.7f);
    EXPECT_TRUE (reports.empty()); // silent writes never report
    view.resetStepAtPosition ({ 140, 10 });
    EXPECT_EQ (view.getStepValue (3), 0.0f);
    ASSERT_EQ (reports.size(), 1u);
    EXPECT_EQ (reports[0], std::make_pair (3, 0.0f));

    view.resetStepAtPosition ({ 140, 10 }); // already 0
    EXPECT_EQ (reports.size(), 1u);
}

TEST_F (StepViewTest, PlaybackPositionHighlightsOneStep)
{
    const std::pair<double, int> cases[] = { { 0.0, 0 }, { 0.5, 8 }, { 0.999, 15 }, { 1.0, -1 }, { -1.0, -1 }, { 0.0624, 0 }, { 0.0625, 1 } };
    for (const auto& [position, step] : cases)
    {
        view.setPlaybackPosition (position);
        EXPECT_EQ (view.getHighlightedStep(), step) << position;
    }
}

TEST_F (StepViewTest, OutOfRangeStepsReadZeroAndIgnoreWrites)
{
    view.setStepValueSilent (16, 0.5f);
    view.setStepValueSilent (-1, 0.5f);
    EXPECT_EQ (view.getStepValue (16), 0.0f);
    EXPECT_EQ (view.getStepValue (-1), 0.0f);
}
