#include "ui/PluginLookAndFeel.h"

#include "common/JuceCompat.h"
#include "ui/ThemePalette.h"

#include <utility>

void QuorvanePluginLookAndFeel::applyPalette (const ThemePalette& palette)
{
    setColourScheme (palette.isDark ? juce::LookAndFeel_V4::getDarkColourScheme()
                                    : juce::LookAndFeel_V4::getLightColourScheme());

    const std::pair<int, juce::Colour> paletteColours[] = {
        { juce::ResizableWindow::backgroundColourId, palette.background },
        { juce::Label::textColourId, palette.text },
        { juce::TextButton::textColourOnId, palette.text },
        { juce::TextButton::textColourOffId, palette.text },
        { juce::ComboBox::textColourId, palette.text },
        { juce::ToggleButton::textColourId, palette.text },
        { juce::TextButton::buttonColourId, palette.control },
        { juce::TextButton::buttonOnColourId, palette.control },
        { juce::ComboBox::backgroundColourId, palette.control },
        { juce::ComboBox::outlineColourId, palette.outline },
        { juce::PopupMenu::backgroundColourId, palette.panel },
        { juce::PopupMenu::textColourId, palette.text },
        { juce::PopupMenu::headerTextColourId, palette.heading },
        { juce::PopupMenu::highlightedBackgroundColourId, palette.accent },
        { juce::PopupMenu::highlightedTextColourId, palette.highlightText() },
    };
    for (const auto& [id, colour] : paletteColours)
        setColour (id, colour);
}

juce::Font QuorvanePluginLookAndFeel::getTextButtonFont (juce::TextButton&, int)
{
    return QVCompat::plainFont (kFontHeight);
}

juce::Font QuorvanePluginLookAndFeel::getPopupMenuFont()
{
    return QVCompat::plainFont (kFontHeight);
}

juce::Font QuorvanePluginLookAndFeel::getComboBoxFont (juce::ComboBox&)
{
    return QVCompat::plainFont (kFontHeight);
}

juce::Font QuorvanePluginLookAndFeel::getLabelFont (juce::Label&)
{
    return QVCompat::plainFont (kFontHeight);
}

juce::Font QuorvanePluginLookAndFeel::getTabButtonFont (juce::TabBarButton&, float)
{
    return QVCompat::plainFont (kFontHeight);
}

// Menus open where the base class puts them; the override marks the one place to change that.
juce::Component* QuorvanePluginLookAndFeel::getParentComponentForMenuOptions (const juce::PopupMenu::Options& options)
{
    return juce::LookAndFeel_V4::getParentComponentForMenuOptions (options);
}
