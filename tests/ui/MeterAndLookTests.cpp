#include "EditorTestSupport.h"
#include "ui/BlendLookAndFeels.h"

#include <cmath>

TEST (LevelMeter, FillIsLinearInDecibelsFromMinusSixty)
{
    constexpr float inner = 71.0f; // a 75-high meter
    const std::pair<float, float> cases[] = {
        { 0.0f, 0.0f }, { 0.001f, 0.0f }, { 0.00001f, 0.0f }, { 0.1f, inner * 2.0f / 3.0f },
        { 1.0f, inner }, { 2.5f, inner }, { 0.5f, inner * (float) ((20.0 * std::log10 (0.5) + 60.0) / 60.0) },
    };
    for (const auto& [level, fill] : cases)
        EXPECT_NEAR (LevelMeterComponent::fillHeight (level, inner), fill, 1e-3) << level;
}

TEST (LevelMeter, BarRisesFromTheBottomInTheAccentColour)
{
    QV::gActive = &QV::kLight;
    LevelMeterComponent meter;
    meter.setSize (18, 75);

    meter.level = 0.1f; // fills 2/3 of 71: from y = 73 - 47.3 = 25.7 down to 73
    auto image = snapshot (meter);
    EXPECT_EQ (image.getPixelAt (9, 60), QV::kLight.accent);
    EXPECT_EQ (image.getPixelAt (9, 30), QV::kLight.accent);
    EXPECT_EQ (image.getPixelAt (9, 20), QV::kLight.control);

    meter.level = 0.001f;
    image = snapshot (meter);
    EXPECT_EQ (image.getPixelAt (9, 70), QV::kLight.control);
}

TEST (LevelMeter, FallsByEightyTwoPercentOfTheDistancePerPoll)
{
    LevelMeterComponent meter;
    meter.update (1.0f);
    EXPECT_EQ (meter.level, 1.0f);
    meter.update (0.0f);
    EXPECT_FLOAT_EQ (meter.level, 0.82f);
    for (int i = 1; i < 30; ++i)
        meter.update (0.0f);
    EXPECT_NEAR (meter.level, std::pow (0.82, 30.0), 1e-6); // about 0.0026 after one second

    meter.update (0.5f); // a louder value jumps at once
    EXPECT_EQ (meter.level, 0.5f);
    meter.update (10.0f);
    EXPECT_EQ (meter.level, 4.0f);
    meter.update (-1.0f);
    EXPECT_FLOAT_EQ (meter.level, 0.82f * 4.0f);
}

TEST_F (BlendPageTest, UpdateLevelsFeedsA1A2AndOutInOrder)
{
    page->updateLevels (0.25f, 0.5f, 1.0f);
    EXPECT_EQ (A::meter (*page, 0).level, 0.25f);
    EXPECT_EQ (A::meter (*page, 1).level, 0.5f);
    EXPECT_EQ (A::meter (*page, 2).level, 1.0f);
    page->updateLevels (0.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ (A::meter (*page, 2).level, 0.82f);
    EXPECT_EQ (A::meterCaption (*page, 0).getText() + A::meterCaption (*page, 1).getText()
                   + A::meterCaption (*page, 2).getText(),
               "A1A2Out");
}

TEST (BlendLookAndFeelShapes, ChevronPointsTheWayOfItsText)
{
    const juce::Rectangle<float> box (0.0f, 0.0f, 26.0f, 22.0f);
    // s = min(0.4 * 22, 9) = 8.8, half-width 0.55 * 8.8 / 2 = 2.42 around (13, 11).
    const auto right = BlendLookAndFeels::ArrowButtonLookAndFeel::chevronPath (box, true);
    const auto left = BlendLookAndFeels::ArrowButtonLookAndFeel::chevronPath (box, false);
    EXPECT_NEAR (right.getBounds().getX(), 13.0f - 2.42f, 1e-4);
    EXPECT_NEAR (right.getBounds().getWidth(), 4.84f, 1e-4);
    EXPECT_NEAR (right.getBounds().getHeight(), 8.8f, 1e-4);
    EXPECT_TRUE (right.getCurrentPosition().x < 13.0f); // ends back on the left: the tip is on the right
    EXPECT_TRUE (left.getCurrentPosition().x > 13.0f);
}

TEST (BlendLookAndFeelShapes, GearHasEightTeethAndAnOpenHub)
{
    const juce::Rectangle<float> box (0.0f, 0.0f, 24.0f, 24.0f); // R = 12 - 4 = 8 around (12, 12)
    const auto gear = BlendLookAndFeels::GearButtonLookAndFeel::gearPath (box);
    auto at = [] (float corner, float radius) { // angle in units of the 32 corners
        const float a = corner * juce::MathConstants<float>::twoPi / 32.0f;
        return juce::Point<float> (12.0f + radius * std::cos (a), 12.0f + radius * std::sin (a));
    };
    EXPECT_TRUE (gear.contains (at (0.5f, 7.5f)));  // on a tooth (corners 0 and 1 sit at R)
    EXPECT_TRUE (gear.contains (at (4.5f, 7.5f)));  // the next tooth
    EXPECT_FALSE (gear.contains (at (2.5f, 7.0f))); // between them the outline is at 0.62 R
    EXPECT_TRUE (gear.contains (at (2.5f, 4.0f)));  // the ring between hub and teeth
    EXPECT_FALSE (gear.contains (12.0f, 12.0f));    // the hub (0.34 R) stays open
}

TEST_F (BlendPageTest, DialsAndCardsRepaintInTheOtherPalette)
{
    // Sample points with nothing on top: the BLEND card's title row, the MODULATOR card between
    // its buttons and the step view, and the centre of the first mode dial's body.
    const juce::Point<int> blendCard (263, 82), modulatorCard (423, 359), dialBody (23 + 15 + 37, 70 + 20 + 37);

    auto image = snapshot (*page);
    EXPECT_EQ (image.getPixelAt (blendCard.x, blendCard.y), QV::kLight.panel);
    EXPECT_EQ (image.getPixelAt (modulatorCard.x, modulatorCard.y), QV::kLight.panel);
    EXPECT_EQ (image.getPixelAt (dialBody.x, dialBody.y), QV::kLight.control);

    QV::gActive = &QV::kDark;
    page->applyColourScheme();
    image = snapshot (*page);
    EXPECT_EQ (image.getPixelAt (blendCard.x, blendCard.y), QV::kDark.panel);
    EXPECT_EQ (image.getPixelAt (modulatorCard.x, modulatorCard.y), QV::kDark.panel);
    EXPECT_EQ (image.getPixelAt (dialBody.x, dialBody.y), QV::kDark.control);
}
