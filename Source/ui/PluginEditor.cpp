#include "ui/PluginEditor.h"

#include "processor/PluginProcessor.h"
#include "ui/ThemePalette.h"

namespace
{
using SetSourceBuffer = void (QuorvaneAudioProcessor::*) (const juce::AudioBuffer<float>&, double);

// One source page of the standalone application: its Play plays that source alone (the
// transport's Play button then offers to play the blend again) and its files go to that source.
void wireAudioPage (AudioTabComponent& page, QuorvaneAudioProcessor& processor, juce::TextButton& playButton,
                    QuorvaneAudioProcessor::PlayMode playMode, SetSourceBuffer setSourceBuffer)
{
    page.onPlayPressed = [&processor, &playButton, playMode] {
        processor.setPlayMode (playMode);
        playButton.setButtonText ("Play");
    };
    page.onStopPressed = [&processor] { processor.setPlayMode (QuorvaneAudioProcessor::Stopped); };
    page.onBufferLoaded = [&processor, setSourceBuffer] (const juce::AudioBuffer<float>& buffer, double sampleRate) {
        (processor.*setSourceBuffer) (buffer, sampleRate);
    };
}
} // namespace

bool QuorvanePluginEditor::previewValueRequestsPhone (const juce::String& value)
{
    // A developer switch: any non-empty value, whatever it says ("0" included), opens the preview.
    return value.isNotEmpty();
}

QuorvanePluginEditor::Presentation QuorvanePluginEditor::choosePresentation (const juce::String& previewValue,
                                                                             bool standaloneWrapper)
{
    if (previewValueRequestsPhone (previewValue))
        return Presentation::Phone;
    return standaloneWrapper ? Presentation::Standalone : Presentation::Plugin;
}

// The processor builds its editor here, beside it, so that the processor itself never needs
// the user interface's headers.
juce::AudioProcessorEditor* QuorvaneAudioProcessor::createEditor()
{
    return new QuorvanePluginEditor (*this);
}

QuorvanePluginEditor::QuorvanePluginEditor (QuorvaneAudioProcessor& p)
    : juce::AudioProcessorEditor (p),
      processor (p),
      audio1Page (p.formatManager),
      audio2Page (p.formatManager),
      blendPage (p)
{
    setLookAndFeel (&lookAndFeel);
    applyTheme();

    presentation = choosePresentation (juce::SystemStats::getEnvironmentVariable (previewVariable, {}),
                                       processor.wrapperType == juce::AudioProcessor::wrapperType_Standalone);

    if (presentation == Presentation::Phone)
        setUpPhonePreview();
    else
        setUpPagesAndTransport();

    startTimerHz (30);
}

QuorvanePluginEditor::~QuorvanePluginEditor()
{
    stopTimer();
    // The processor outlives its editors; it must not call into a dead one.
    processor.onInfoMessage = nullptr;
    processor.onStateRestored = nullptr;
    setLookAndFeel (nullptr);
}

void QuorvanePluginEditor::setUpPhonePreview()
{
    configureWindow (phoneLogicalWidth, phoneLogicalHeight, true, phoneLogicalWidth, phoneLogicalHeight,
                     3 * phoneLogicalWidth, 3 * phoneLogicalHeight);

    phoneLayout.onThemeToggle = [this] { toggleTheme(); };
    addAndMakeVisible (phoneLayout);
}

void QuorvanePluginEditor::setUpPagesAndTransport()
{
    const bool standalone = presentation == Presentation::Standalone;
    const int height = standalone ? standaloneLogicalHeight : logicalHeight;
    // The standalone window may shrink a little further: it carries the transport row on top.
    const float minimumScale = standalone ? 0.75f : 0.8f;
    configureWindow (logicalWidth, height, standalone, (int) ((float) logicalWidth * minimumScale),
                     (int) (minimumScale * (float) height), 1800, (int) ((float) height * 2.5f));

    playButton.onClick = [this] { handlePlayButton(); };
    playButton.setTooltip ("Plays the blend of both files from the start, or stops it (Space)");
    addChildComponent (playButton);
    playButton.setVisible (standalone);
    setWantsKeyboardFocus (standalone);

    loopToggle.setToggleState (processor.loopEnabled.load(), juce::dontSendNotification);
    loopToggle.onClick = [this] { handleLoopToggle(); };
    addChildComponent (loopToggle);
    loopToggle.setVisible (standalone);

    hostTrackLabel.setJustificationType (juce::Justification::centredRight);
    hostTrackLabel.setColour (juce::Label::textColourId, juce::Colours::grey);
    addChildComponent (hostTrackLabel);
    hostTrackLabel.setVisible (! standalone);

    audio1Page.setStandaloneMode (standalone);
    audio2Page.setStandaloneMode (standalone);
    wireAudioPages();

    if (standalone)
    {
        // The page background; a theme change sets the new one (applyTheme).
        const auto tabColour = QV::gActive->background;
        tabs.addTab ("Blend", tabColour, &blendPage, false);
        tabs.addTab ("Audio 1", tabColour, &audio1Page, false);
        tabs.addTab ("Audio 2", tabColour, &audio2Page, false);
        addAndMakeVisible (tabs);
    }
    else
    {
        addAndMakeVisible (blendPage);
        // The label sits in the page's top margin; the page paints its whole area, so the label
        // has to stay in front of it.
        hostTrackLabel.toFront (false);
    }

    wireProcessorHooks();

    if (standalone)
        loadDefaultSamples();
    else
        showMessage (connectSidechainText);

    blendPage.onThemeToggle = [this] { toggleTheme(); };
}

void QuorvanePluginEditor::wireAudioPages()
{
    wireAudioPage (audio1Page, processor, playButton, QuorvaneAudioProcessor::PlayAudio1,
                   &QuorvaneAudioProcessor::setAudio1Buffer);
    wireAudioPage (audio2Page, processor, playButton, QuorvaneAudioProcessor::PlayAudio2,
                   &QuorvaneAudioProcessor::setAudio2Buffer);
    // A refused file is said in the message bar, the one place the editor speaks to the user.
    audio1Page.onLoadRefused = [this] (const juce::String& reason) { showMessage (reason); };
    audio2Page.onLoadRefused = [this] (const juce::String& reason) { showMessage (reason); };
}

void QuorvanePluginEditor::wireProcessorHooks()
{
    processor.onInfoMessage = [this] (const juce::String& message) { showMessage (message); };
    processor.onStateRestored = [this] {
        blendPage.refreshStepSequencerFromProcessor();
        // The restored state carries the theme.
        applyTheme();
    };
}

void QuorvanePluginEditor::applyTheme()
{
    const auto& palette = *QV::gActive;
    lookAndFeel.applyPalette (palette);
    // Widgets that copy colours when their look-and-feel changes (the combo boxes' text, for
    // one) would otherwise keep the old theme's.
    sendLookAndFeelChange();
    blendPage.applyColourScheme();
    phoneLayout.applyColourScheme();
    for (int i = 0; i < tabs.getNumTabs(); ++i)
        tabs.setTabBackgroundColour (i, palette.background);
    repaint();
}

void QuorvanePluginEditor::toggleTheme()
{
    QV::gActive = (QV::gActive == &QV::kDark) ? &QV::kLight : &QV::kDark;
    applyTheme();
}

void QuorvanePluginEditor::loadDefaultSamples()
{
    audio1Page.loadSampleByName (defaultAudio1Sample);
    audio2Page.loadSampleByName (defaultAudio2Sample);
}

void QuorvanePluginEditor::showMessage (const juce::String& text)
{
    blendPage.showInfoMessage (text, messageDurationTicks);
}

void QuorvanePluginEditor::handlePlayButton()
{
    if (processor.playMode.load() == QuorvaneAudioProcessor::PlayBlend)
    {
        processor.setPlayMode (QuorvaneAudioProcessor::Stopped);
        playButton.setButtonText ("Play");
    }
    else
    {
        // Also from a single source playing: the transport always means the blend.
        processor.setPlayMode (QuorvaneAudioProcessor::PlayBlend);
        playButton.setButtonText ("Stop");
    }
}

bool QuorvanePluginEditor::keyPressed (const juce::KeyPress& key)
{
    // Keys a focused control does not use (a text field takes its spaces) come up to here.
    if (presentation != Presentation::Standalone || key != juce::KeyPress (juce::KeyPress::spaceKey))
        return false;
    handlePlayButton();
    return true;
}

void QuorvanePluginEditor::handleLoopToggle()
{
    processor.loopEnabled.store (loopToggle.getToggleState());
}

void QuorvanePluginEditor::paint (juce::Graphics& g)
{
    g.fillAll (getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId));
}
