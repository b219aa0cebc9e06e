#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

// The "SETTINGS AND INFO" overlay of the Blend page: the colour theme switch and the link to
// the manual. It paints only its own panel, so the page shows through below it.
class SettingsViewComponent : public juce::Component
{
public:
    SettingsViewComponent();

    // Fired by the theme button; the page forwards it to the editor, which flips the theme.
    std::function<void()> onThemeToggle;

    void applyColourScheme();
    void setPanelHeights (int settingsHeight, int, int);

    void resized() override;
    void paint (juce::Graphics&) override;

    // The manual that ships with the project (docs/manual.md), as a file address when it can be
    // found beside the program or in a folder above it; otherwise the relative path.
    static juce::URL findManualUrl();
    static juce::String manualTextFor (const juce::URL&);

private:
    friend struct SettingsViewTestAccess;

    int panelHeights[3] { 0, 0, 0 };
    juce::Rectangle<int> settingsPanel;

    juce::Label themeLabel { {}, "Theme:" };
    juce::TextButton themeButton;
    juce::Label manualLabel { {}, "Manual:" };
    juce::HyperlinkButton manualLink;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SettingsViewComponent)
};
