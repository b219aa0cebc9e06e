#include "ui/BlendLookAndFeels.h"
#include "common/JuceCompat.h"
#include "ui/ThemePalette.h"

namespace BlendLookAndFeels
{
namespace
{
constexpr float kComboFontHeight = 14.0f;
} // namespace

//==============================================================================
void FlatDotLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider&)
{
    const float angle = rotaryStartAngle + sliderPos * (rotaryEndAngle - rotaryStartAngle);
    PanelDrawing::drawFlatDotDial (g, { x, y, width, height }, angle, *QV::gActive, emptyDial);
}

//==============================================================================
juce::Font PanelComboLookAndFeel::getPopupMenuFont() { return QVCompat::plainFont (kComboFontHeight); }

juce::Component* PanelComboLookAndFeel::getParentComponentForMenuOptions (const juce::PopupMenu::Options&)
{
    return nullptr; // menus open as their own windows, not clipped by the editor
}

void PanelComboLookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool, int, int, int, int,
                                          juce::ComboBox& box)
{
    const juce::Rectangle<float> r (0.5f, 0.5f, juce::jmax ((float) width - 1.0f, 0.0f),
                                    juce::jmax ((float) height - 1.0f, 0.0f));
    g.setColour (box.findColour (juce::ComboBox::backgroundColourId));
    g.fillRoundedRectangle (r, cornerRadius);
    g.setColour (box.findColour (juce::ComboBox::outlineColourId));
    g.drawRoundedRectangle (r, cornerRadius, 1.0f);
}

juce::Font PanelComboLookAndFeel::getComboBoxFont (juce::ComboBox&) { return QVCompat::plainFont (kComboFontHeight); }

//==============================================================================
void NoArrowComboLookAndFeel::positionComboBoxText (juce::ComboBox& box, juce::Label& label)
{
    label.setBounds (1, 1, box.getWidth() - 2, box.getHeight() - 2);
    label.setFont (getComboBoxFont (box));
}

//==============================================================================
void RoundedComboLookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool isButtonDown, int buttonX,
                                            int buttonY, int buttonW, int buttonH, juce::ComboBox& box)
{
    PanelComboLookAndFeel::drawComboBox (g, width, height, isButtonDown, buttonX, buttonY, buttonW, buttonH, box);

    const float w = (float) width;
    const float midY = (float) (height / 2);
    juce::Path chevron;
    chevron.startNewSubPath (w - 27.0f, midY - 2.0f);
    chevron.lineTo (w - 20.0f, midY + 3.0f);
    chevron.lineTo (w - 13.0f, midY - 2.0f);
    g.setColour (box.findColour (juce::ComboBox::arrowColourId).withAlpha (box.isEnabled() ? 0.9f : 0.2f));
    g.strokePath (chevron, juce::PathStrokeType (2.0f, juce::PathStrokeType::mitered, juce::PathStrokeType::butt));
}

//==============================================================================
juce::Path ArrowButtonLookAndFeel::chevronPath (juce::Rectangle<float> bounds, bool pointsRight)
{
    const float s = juce::jmin (0.4f * bounds.getHeight(), 9.0f);
    const float d = 0.55f * s / 2.0f;
    const float cx = bounds.getX() + bounds.getWidth() / 2.0f;
    const float cy = bounds.getY() + bounds.getHeight() / 2.0f;
    const float side = pointsRight ? -d : d;

    juce::Path p;
    p.startNewSubPath (cx + side, cy - s / 2.0f);
    p.lineTo (cx - side, cy);
    p.lineTo (cx + side, cy + s / 2.0f);
    return p;
}

void ArrowButtonLookAndFeel::drawButtonText (juce::Graphics& g, juce::TextButton& button, bool, bool)
{
    const auto path = chevronPath (button.getLocalBounds().toFloat(), button.getButtonText() == ">");
    g.setColour (button.findColour (juce::TextButton::textColourOffId));
    g.strokePath (path, juce::PathStrokeType (1.6f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}

//==============================================================================
void GearButtonLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button,
                                                  const juce::Colour& backgroundColour, bool isMouseOverButton,
                                                  bool isButtonDown)
{
    juce::LookAndFeel_V4::drawButtonBackground (g, button, backgroundColour, isMouseOverButton, isButtonDown);
}

juce::Path GearButtonLookAndFeel::gearPath (juce::Rectangle<float> bounds)
{
    const float cx = bounds.getCentreX();
    const float cy = bounds.getCentreY();
    const float radius = juce::jmin (bounds.getWidth(), bounds.getHeight()) / 2.0f - 4.0f;

    juce::Path p;
    // 32 corners; pairs at full and at 0.62 radius alternate, giving eight teeth.
    for (int i = 0; i < 32; ++i)
    {
        const float angle = (float) i * juce::MathConstants<float>::twoPi / 32.0f;
        const float r = (i & 2) != 0 ? 0.62f * radius : radius;
        const juce::Point<float> pt (cx + r * std::cos (angle), cy + r * std::sin (angle));
        if (i == 0)
            p.startNewSubPath (pt);
        else
            p.lineTo (pt);
    }
    p.closeSubPath();
    p.addEllipse (cx - 0.34f * radius, cy - 0.34f * radius, 0.68f * radius, 0.68f * radius);
    p.setUsingNonZeroWinding (false); // even-odd, so the hub stays open
    return p;
}

void GearButtonLookAndFeel::drawButtonText (juce::Graphics& g, juce::TextButton& button, bool, bool)
{
    g.setColour (button.findColour (juce::TextButton::textColourOffId));
    g.fillPath (gearPath (button.getLocalBounds().toFloat()));
}
} // namespace BlendLookAndFeels
