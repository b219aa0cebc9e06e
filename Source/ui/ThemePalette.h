#pragma once

#include <juce_graphics/juce_graphics.h>

// The colours one editor theme draws with. Views never keep colours of their own: they read
// the active palette each time they paint or apply their colour scheme.
struct ThemePalette
{
    bool isDark;
    juce::Colour background; // page background
    juce::Colour panel;      // card fill, popup-menu background
    juce::Colour border;     // card outline
    juce::Colour heading;    // card titles, popup-menu section headings
    juce::Colour control;    // dial, meter, combo-box and button bodies
    juce::Colour outline;    // dial, meter and combo-box rims
    juce::Colour accent;     // pointers, meter bars, highlights, link text
    juce::Colour text;       // all text, message bar

    // Text on an accent-filled highlight (menu item, selected button), readable in either theme.
    juce::Colour highlightText() const { return accent.contrasting (0.8f); }
};

namespace QV
{
extern const ThemePalette kDark;
extern const ThemePalette kLight;

// The theme in force for every editor in the process. Always points at kDark or kLight;
// written by the editor's theme toggle and by a state restore, on the message thread.
extern const ThemePalette* gActive;
} // namespace QV
