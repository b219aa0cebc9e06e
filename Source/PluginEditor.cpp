#include "PluginEditor.h"
#include "JuceCompat.h"
#include "ParamIDs.h"
#include "PluginProcessor.h"
#include "ThemePalette.h"

juce::Font QuorvanePluginEditor::PluginLookAndFeel::getTextButtonFont (juce::TextButton&, int)
{
    return QVCompat::plainFont (14.0f);
}
juce::Font QuorvanePluginEditor::PluginLookAndFeel::getPopupMenuFont() { return QVCompat::plainFont (14.0f); }
juce::Font QuorvanePluginEditor::PluginLookAndFeel::getComboBoxFont (juce::ComboBox&)
{
    return QVCompat::plainFont (14.0f);
}
juce::Font QuorvanePluginEditor::PluginLookAndFeel::getLabelFont (juce::Label&) { return QVCompat::plainFont (14.0f); }
juce::Font QuorvanePluginEditor::PluginLookAndFeel::getTabButtonFont (juce::TabBarButton&, float)
{
    return QVCompat::plainFont (14.0f);
}

QuorvanePluginEditor::QuorvanePluginEditor (QuorvaneAudioProcessor& p)
    : juce::AudioProcessorEditor (p), processor (p), blendPage (p)
{
    setLookAndFeel (&lookAndFeel);
    applyTheme();

    // Resizable by the host at a fixed aspect ratio; the page scales with the window.
    setResizable (true, false);
    setResizeLimits ((int) (logicalWidth * 0.8f), (int) (0.8f * logicalHeight), 1800, (int) (logicalHeight * 2.5f));
    if (auto* editorConstrainer = getConstrainer())
        editorConstrainer->setFixedAspectRatio ((double) logicalWidth / (double) logicalHeight);

    addAndMakeVisible (blendPage);

    processor.onInfoMessage = [this] (const juce::String& message) { blendPage.showInfoMessage (message, 60); };
    processor.onStateRestored = [this] {
        blendPage.refreshStepSequencerFromProcessor();
        applyTheme();
    };
    blendPage.onThemeToggle = [this] {
        QV::gActive = (QV::gActive == &QV::kDark) ? &QV::kLight : &QV::kDark;
        applyTheme();
    };

    setSize (logicalWidth, logicalHeight);
    startTimerHz (30);
}

QuorvanePluginEditor::~QuorvanePluginEditor()
{
    stopTimer();
    processor.onInfoMessage = nullptr;
    processor.onStateRestored = nullptr;
    setLookAndFeel (nullptr);
}

void QuorvanePluginEditor::applyTheme()
{
    const auto& palette = *QV::gActive;
    lookAndFeel.setColourScheme (palette.isDark ? juce::LookAndFeel_V4::getDarkColourScheme()
                                                : juce::LookAndFeel_V4::getLightColourScheme());

    const auto highlightText = palette.accent.contrasting (0.8f);
    const std::pair<int, juce::Colour> colours[] = {
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
        { juce::PopupMenu::highlightedTextColourId, highlightText },
    };
    for (const auto& [id, colour] : colours)
        lookAndFeel.setColour (id, colour);

    blendPage.applyColourScheme();
    repaint();
}

void QuorvanePluginEditor::paint (juce::Graphics& g)
{
    g.fillAll (getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId));
}

void QuorvanePluginEditor::resized()
{
    const float scale = juce::jmin ((float) getWidth() / (float) logicalWidth, (float) getHeight() / (float) logicalHeight);
    blendPage.setBounds (0, 0, logicalWidth, logicalHeight);
    blendPage.setTransform (juce::AffineTransform::scale (scale));
}

void QuorvanePluginEditor::timerCallback()
{
    blendPage.updateLevels (processor.inputLevel1.load(), processor.inputLevel2.load(), processor.outputLevel.load());

    // Highlight the playing step of the shown modulator while it runs.
    const int k = blendPage.getSelectedModulator();
    auto* enabled = processor.parameters.getRawParameterValue (k == 1 ? ParamIDs::seqEnabled2 : ParamIDs::seqEnabled);
    if (enabled != nullptr && enabled->load() > 0.5f)
        blendPage.setStepPlaybackPosition (processor.stepPhase[k].load());
    else
        blendPage.setStepPlaybackPosition (-1.0);
}
