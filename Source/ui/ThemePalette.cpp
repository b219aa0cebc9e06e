#include "ui/ThemePalette.h"
#include "processor/ThemeSetting.h"

namespace QV
{
const ThemePalette kDark { true,
                           juce::Colour (0xFF323E44u),
                           juce::Colour (0xFF202036u),
                           juce::Colour (0xFF404060u),
                           juce::Colour (0xFF8A8AB8u),
                           juce::Colour (0xFF3A3A5Cu),
                           juce::Colour (0xFF555577u),
                           juce::Colour (0xFF00D4FFu),
                           juce::Colour (0xFFC8C8D8u) };

const ThemePalette kLight { false,
                            juce::Colour (0xFFFFFFFFu),
                            juce::Colour (0xFFFFFFFFu),
                            juce::Colour (0xFFA8B8D4u),
                            juce::Colour (0xFF204878u),
                            juce::Colour (0xFFFFFFFFu),
                            juce::Colour (0xFF7090B8u),
                            juce::Colour (0xFF2070D0u),
                            juce::Colour (0xFF1F3A5Cu) };

// A fresh process draws in the light theme until a restored state or the toggle says otherwise.
const ThemePalette* gActive = &kLight;

bool isDarkThemeActive() noexcept { return gActive == &kDark; }
void setDarkThemeActive (bool dark) noexcept { gActive = dark ? &kDark : &kLight; }
} // namespace QV
