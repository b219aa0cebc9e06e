#include "ui/PluginEditor.h"

#include "params/ParamIDs.h"
#include "processor/PluginProcessor.h"

#include <cmath>

// The 30 Hz poll of the processor. It reads only the values the processor publishes as single
// atomics (and the track name, copied under the processor's own short lock), so it never waits
// for the audio thread. Every widget update that would repaint is guarded by a comparison, except
// the waveform cursors, which move on every tick while something plays.

void QuorvanePluginEditor::timerCallback()
{
    const bool standalone = processor.wrapperType == juce::AudioProcessor::wrapperType_Standalone;
    const float level1 = processor.inputLevel1.load();
    const float level2 = processor.inputLevel2.load();
    blendPage.updateLevels (level1, level2, processor.outputLevel.load());

    // The standalone application plays files: there is no live Audio 2 to miss.
    if (! standalone)
        updateNoInputWarning (level1, level2);
    updateStickyWarning();

    if (standalone)
        updateStandalonePlayback();
    else
        updatePluginStatus();
}

void QuorvanePluginEditor::updateNoInputWarning (float audio1Level, float audio2Level)
{
    // A timed message on the bar means someone is working with the page: start counting afresh.
    if (blendPage.getMessageTicks() > 0)
    {
        silentTicks = 0;
        noInputWarning = false;
    }
    else if (audio1Level > signalThreshold && ! (audio2Level > signalThreshold))
    {
        noInputWarning = silentTicks >= noInputWarningTicks - 1;
        ++silentTicks;
    }
    else
    {
        silentTicks = 0;
        noInputWarning = false;
    }
}

void QuorvanePluginEditor::updateStickyWarning()
{
    // Without an output device the standalone application's Play would silently do nothing.
    const bool noDevice = processor.wrapperType == juce::AudioProcessor::wrapperType_Standalone
                          && ! processor.audioRunning.load();
    const juce::String text = noInputWarning ? juce::String (noInputWarningText)
                              : noDevice     ? juce::String (noOutputDeviceText)
                                             : juce::String();
    if (text != lastStickyWarning)
    {
        lastStickyWarning = text;
        blendPage.setStickyWarning (text);
    }
}

void QuorvanePluginEditor::updatePlayButtons()
{
    // Playback may have ended by itself (looping off), or another button may have started
    // something else: the processor's mode alone says what each button would do now.
    const int mode = processor.playMode.load();
    playButton.setButtonText (mode == QuorvaneAudioProcessor::PlayBlend ? "Stop" : "Play");
    audio1Page.setPlaying (mode == QuorvaneAudioProcessor::PlayAudio1);
    audio2Page.setPlaying (mode == QuorvaneAudioProcessor::PlayAudio2);
}

void QuorvanePluginEditor::updateStandalonePlayback()
{
    if (! keyboardTaken && isShowing())
    {
        grabKeyboardFocus();
        keyboardTaken = true;
    }
    updatePlayButtons();
    const int mode = processor.playMode.load();
    if (mode == QuorvaneAudioProcessor::Stopped)
    {
        audio1Page.setPlaybackPosition (0.0);
        audio2Page.setPlaybackPosition (0.0);
        blendPage.setStepPlaybackPosition (-1.0);
        return;
    }

    int length = 0;
    switch (mode)
    {
        case QuorvaneAudioProcessor::PlayBlend:  length = processor.getBlendedLength(); break;
        case QuorvaneAudioProcessor::PlayAudio1: length = processor.getAudio1Length(); break;
        case QuorvaneAudioProcessor::PlayAudio2: length = processor.getAudio2Length(); break;
        default: return;
    }
    if (length <= 0)
        return;

    const double position = (double) processor.playPosition.load();
    const int cycle = processor.getStandaloneCycleLengthSamples (blendPage.getSelectedModulator());
    blendPage.setStepPlaybackPosition (cycle > 0 ? std::fmod (position / (double) cycle, 1.0) : -1.0);

    const double fraction = position / (double) length;
    audio1Page.setPlaybackPosition (mode == QuorvaneAudioProcessor::PlayAudio2 ? 0.0 : fraction);
    audio2Page.setPlaybackPosition (mode == QuorvaneAudioProcessor::PlayAudio1 ? 0.0 : fraction);
}

void QuorvanePluginEditor::updatePluginStatus()
{
    const bool connected = processor.sidechainConnected.load();
    if (connected != lastSidechainConnected)
    {
        lastSidechainConnected = connected;
        showMessage (connected ? sidechainConnectedText : connectSidechainText);
    }

    const auto trackName = processor.getHostTrackName();
    if (trackName != lastHostTrackName)
    {
        lastHostTrackName = trackName;
        hostTrackLabel.setText (trackName.isEmpty() ? juce::String() : "on: " + trackName,
                                juce::dontSendNotification);
    }

    audio1Page.setPlaybackPosition (0.0);
    audio2Page.setPlaybackPosition (0.0);

    const int k = blendPage.getSelectedModulator();
    const float enabled = processor.paramValue (k == 1 ? ParamIDs::seqEnabled2 : ParamIDs::seqEnabled);
    blendPage.setStepPlaybackPosition (enabled > 0.5f ? processor.stepPhase[k].load() : -1.0);
}
