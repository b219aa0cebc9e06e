#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

struct ThemePalette;

// The editor's own look-and-feel, inherited by every child that has none of its own: plain
// 14-point text on buttons, menus, combo boxes, labels and tabs, and the colours of the theme
// in force.
class QuorvanePluginLookAndFeel : public juce::LookAndFeel_V4
{
public:
    // Starts from the framework's dark or light scheme (whichever matches the palette) and lays
    // the palette's colours over the widgets the Blend page does not colour itself.
    void applyPalette (const ThemePalette& palette);

    juce::Font getTextButtonFont (juce::TextButton&, int buttonHeight) override;
    juce::Font getPopupMenuFont() override;
    juce::Font getComboBoxFont (juce::ComboBox&) override;
    juce::Font getLabelFont (juce::Label&) override;
    juce::Font getTabButtonFont (juce::TabBarButton&, float height) override;
    juce::Component* getParentComponentForMenuOptions (const juce::PopupMenu::Options& options) override;

    static constexpr float kFontHeight = 14.0f;
};
