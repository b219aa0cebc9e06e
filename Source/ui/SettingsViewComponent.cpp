#include "ui/SettingsViewComponent.h"
#include "common/JuceCompat.h"
#include "ui/PanelDrawing.h"
#include "ui/ThemePalette.h"

namespace
{
constexpr const char* kManualRelativePath = "docs/manual.md";
}

juce::URL SettingsViewComponent::findManualUrl()
{
    // Walk up from the program's folder: a build tree or an unpacked release both keep docs/
    // at their top.
    auto dir = juce::File::getSpecialLocation (juce::File::currentExecutableFile).getParentDirectory();
    for (int depth = 0; depth < 8 && dir.exists(); ++depth)
    {
        const auto manual = dir.getChildFile (kManualRelativePath);
        if (manual.existsAsFile())
            return juce::URL (manual);
        const auto parent = dir.getParentDirectory();
        if (parent == dir)
            break;
        dir = parent;
    }
    return juce::URL (kManualRelativePath);
}

juce::String SettingsViewComponent::manualTextFor (const juce::URL& url)
{
    return url.isLocalFile() ? url.getLocalFile().getFullPathName() : url.toString (false);
}

SettingsViewComponent::SettingsViewComponent()
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
    manualLink.setButtonText (manualTextFor (url));
    manualLink.setFont (QVCompat::plainFont (14.0f), false, juce::Justification::centredLeft);
    addAndMakeVisible (manualLink);

    applyColourScheme();
}

void SettingsViewComponent::applyColourScheme()
{
    themeButton.setButtonText (QV::gActive == &QV::kDark ? "Dark" : "Light");
    manualLink.setColour (juce::HyperlinkButton::textColourId, QV::gActive->accent);
    repaint();
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
}

void SettingsViewComponent::paint (juce::Graphics& g)
{
    PanelDrawing::drawCard (g, settingsPanel, "SETTINGS AND INFO", PanelDrawing::kPageCard, *QV::gActive);
}
