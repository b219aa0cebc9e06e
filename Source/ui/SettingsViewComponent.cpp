#include "ui/SettingsViewComponent.h"
#include "common/JuceCompat.h"
#include "processor/ShippedFiles.h"
#include "ui/PanelDrawing.h"
#include "ui/ThemePalette.h"

juce::URL SettingsViewComponent::findManualUrl()
{
    return juce::URL (ShippedFiles::find (ShippedFiles::kManual));
}

juce::String SettingsViewComponent::noBrowserMessage (const juce::URL& manual)
{
    return "No web browser could be started. The manual is at " + manual.getLocalFile().getFullPathName();
}

SettingsViewComponent::SettingsViewComponent (const juce::String& browserOpener) : browserLaunch (browserOpener)
{
    for (auto* label : { &themeLabel, &manualLabel })
    {
        label->setFont (QVCompat::plainFont (14.0f));
        label->setJustificationType (juce::Justification::centredLeft);
        addAndMakeVisible (*label);
    }

    themeButton.onClick = [this] {
        if (onThemeToggle)
            onThemeToggle();
    };
    addAndMakeVisible (themeButton);

    const auto url = findManualUrl();
    manualLink.setURL (url);
    manualLink.setButtonText (url.toString (false));
    manualLink.onOpen = [this] { openManual(); };
    manualLink.setFont (QVCompat::plainFont (14.0f), false, juce::Justification::centredLeft);
    addAndMakeVisible (manualLink);

    applyColourScheme();
}

void SettingsViewComponent::openManual()
{
    browserLaunch.start (manualLink.getURL());
    startTimerHz (kLaunchPollHz);
    timerCallback(); // an opener that cannot even start is reported at once
}

void SettingsViewComponent::timerCallback()
{
    if (! isTimerRunning()) // this launch has been settled already
        return;
    const auto state = browserLaunch.poll();
    if (state == BrowserLaunch::State::running)
        return;
    stopTimer();
    if (state == BrowserLaunch::State::failed && onMessage)
        onMessage (noBrowserMessage (manualLink.getURL()));
}

void SettingsViewComponent::applyColourScheme()
{
    themeButton.setButtonText (QV::gActive == &QV::kDark ? "Dark" : "Light");
    manualLink.setColour (juce::HyperlinkButton::textColourId, QV::gActive->accent);
    if (presetsCard != nullptr)
        presetsCard->applyColourScheme();
    repaint();
}

void SettingsViewComponent::setPresetsCard (PresetsCard* card)
{
    if (presetsCard != nullptr)
        removeChildComponent (presetsCard);
    presetsCard = card;
    if (card != nullptr)
    {
        addAndMakeVisible (card);
        card->applyColourScheme();
    }
    resized();
}

void SettingsViewComponent::visibilityChanged()
{
    if (isVisible() && presetsCard != nullptr)
        presetsCard->refreshList();
}

void SettingsViewComponent::setPanelHeights (int settingsHeight, int second, int third)
{
    panelHeights[0] = settingsHeight;
    panelHeights[1] = second;
    panelHeights[2] = third;
    resized();
}

void SettingsViewComponent::resized()
{
    settingsPanel = { 0, 0, getWidth(), panelHeights[0] };
    themeLabel.setBounds (20, 34, 60, 22);
    themeButton.setBounds (80, 34, 70, 22);
    manualLabel.setBounds (20, 66, 60, 22);
    manualLink.setBounds (80, 66, getWidth() - 100, 22);
    if (presetsCard != nullptr)
        presetsCard->setBounds (0, panelHeights[0] + panelHeights[1], getWidth(), panelHeights[2]);
}

void SettingsViewComponent::paint (juce::Graphics& g)
{
    PanelDrawing::drawCard (g, settingsPanel, "SETTINGS AND INFO", PanelDrawing::kPageCard, *QV::gActive);
}
