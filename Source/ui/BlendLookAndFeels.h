#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "ui/PanelDrawing.h"

// The Blend page's own drawing styles. None of them holds data: colours come from the active
// palette when they draw, or from the colour identifiers the page sets on them.
namespace BlendLookAndFeels
{
// Every dial of the page (and of the phone preview): a flat disc with a dot pointer, no arc or
// ticks. The phone preview keeps its own way of drawing a dial too small for a body.
class FlatDotLookAndFeel : public juce::LookAndFeel_V4
{
public:
    explicit FlatDotLookAndFeel (PanelDrawing::EmptyDial whenEmpty = PanelDrawing::EmptyDial::drawNothing)
        : emptyDial (whenEmpty)
    {
    }

    void drawRotarySlider (juce::Graphics&, int x, int y, int width, int height, float sliderPos,
                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider&) override;

private:
    const PanelDrawing::EmptyDial emptyDial;
};

// What both combo styles share: plain fonts of height 14 in the box and its menu, menus opened as
// windows of their own, and a box filled and outlined with the given corner radius.
class PanelComboLookAndFeel : public juce::LookAndFeel_V4
{
public:
    explicit PanelComboLookAndFeel (float boxCornerRadius) : cornerRadius (boxCornerRadius) {}

    juce::Font getPopupMenuFont() override;
    juce::Component* getParentComponentForMenuOptions (const juce::PopupMenu::Options&) override;
    void drawComboBox (juce::Graphics&, int width, int height, bool isButtonDown, int buttonX, int buttonY,
                       int buttonW, int buttonH, juce::ComboBox&) override;
    juce::Font getComboBoxFont (juce::ComboBox&) override;

private:
    const float cornerRadius;
};

// The modulator section's small combo boxes: square-ish box, no chevron, text over the full width.
class NoArrowComboLookAndFeel : public PanelComboLookAndFeel
{
public:
    NoArrowComboLookAndFeel() : PanelComboLookAndFeel (3.0f) {}

    void positionComboBoxText (juce::ComboBox&, juce::Label&) override;
};

// The mode selector: rounded box with a thin chevron.
class RoundedComboLookAndFeel : public PanelComboLookAndFeel
{
public:
    RoundedComboLookAndFeel() : PanelComboLookAndFeel (6.0f) {}

    void drawComboBox (juce::Graphics&, int width, int height, bool isButtonDown, int buttonX, int buttonY,
                       int buttonW, int buttonH, juce::ComboBox&) override;
};

// The "<" and ">" buttons: an open chevron instead of the text.
class ArrowButtonLookAndFeel : public juce::LookAndFeel_V4
{
public:
    void drawButtonText (juce::Graphics&, juce::TextButton&, bool isMouseOverButton, bool isButtonDown) override;

    // The chevron's outline for a button of the given bounds; ">" points right, anything else left.
    static juce::Path chevronPath (juce::Rectangle<float> bounds, bool pointsRight);
};

// The settings button: a gear icon with eight teeth and an open hub.
class GearButtonLookAndFeel : public juce::LookAndFeel_V4
{
public:
    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour,
                               bool isMouseOverButton, bool isButtonDown) override;
    void drawButtonText (juce::Graphics&, juce::TextButton&, bool isMouseOverButton, bool isButtonDown) override;

    static juce::Path gearPath (juce::Rectangle<float> bounds);
};
} // namespace BlendLookAndFeels
