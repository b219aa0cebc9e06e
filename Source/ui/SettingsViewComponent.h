#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "ui/BrowserLaunch.h"
#include "ui/PresetsCard.h"

#include <functional>

// The "SETTINGS AND INFO" overlay of the Blend page: the colour theme switch and the link to
// the manual, and below it the PRESETS card when the page gives it one. It paints only its own
// panels, so the page shows through elsewhere.
class SettingsViewComponent : public juce::Component,
                              private juce::Timer
{
public:
    // browserOpener is the program that opens the manual's address (the desktop's opener).
    explicit SettingsViewComponent (const juce::String& browserOpener = BrowserLaunch::kDesktopOpener);

    // Fired by the theme button; the page forwards it to the editor, which flips the theme.
    std::function<void()> onThemeToggle;
    // Something the user must read (where the manual is when no browser opens); the page shows
    // it on its message bar.
    std::function<void (const juce::String&)> onMessage;

    void applyColourScheme();
    // The heights of the settings panel, of the gap below it and of the area under the gap, which
    // the PRESETS card fills.
    void setPanelHeights (int settingsHeight, int gap, int presetsHeight);
    // Shows the card (owned by the caller) in the area below the settings panel.
    void setPresetsCard (PresetsCard* card);

    void resized() override;
    void paint (juce::Graphics&) override;
    // Opening the view lists the presets afresh: the user folder may have changed meanwhile.
    void visibilityChanged() override;

    // The manual that ships with the program (docs/manual.md rendered to HTML), found at run time
    // beside the installed program or plug-in bundle, or in the build tree. The link shows its
    // address and opens it.
    static juce::URL findManualUrl();
    // What the message bar says when no browser could be started for the manual.
    static juce::String noBrowserMessage (const juce::URL& manual);

private:
    friend struct SettingsViewTestAccess;

    // A hyperlink that opens its address through our own launch, which can tell when it fails.
    struct ManualLinkButton : juce::HyperlinkButton
    {
        std::function<void()> onOpen;
        void clicked() override
        {
            if (onOpen)
                onOpen();
        }
    };

    // Polls the browser launch until it has opened or failed.
    static constexpr int kLaunchPollHz = 10;

    void openManual();
    void timerCallback() override;

    int panelHeights[3] { 0, 0, 0 };
    juce::Rectangle<int> settingsPanel;

    juce::Label themeLabel { {}, "Theme:" };
    juce::TextButton themeButton;
    juce::Label manualLabel { {}, "Manual:" };
    ManualLinkButton manualLink;
    BrowserLaunch browserLaunch;
    PresetsCard* presetsCard = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SettingsViewComponent)
};
