#pragma once

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "ui/audio/WaveformDisplayComponent.h"

#include <functional>
#include <memory>

// One audio source page of the standalone application: loads a file (through the file chooser
// or by stepping through the samples folder), shows its name and waveform with the playback
// cursor, and plays that source alone. Decoded files go to the processor through a hook.
class AudioTabComponent : public juce::Component
{
public:
    // The samples folder that ships with the program, found at run time beside the installed
    // program or, during development, in the build tree; it holds the default samples.
    static juce::File defaultSamplesFolder();

    // samplesFolder is the one folder "<", ">" and loadSampleByName search, and where the file
    // chooser opens.
    explicit AudioTabComponent (juce::AudioFormatManager& formatManager,
                                const juce::File& samplesFolder = defaultSamplesFolder());
    ~AudioTabComponent() override;

    // Set by the editor: hand a decoded file to the processor, play this source alone, stop.
    std::function<void (const juce::AudioBuffer<float>&, double)> onBufferLoaded;
    std::function<void()> onPlayPressed;
    std::function<void()> onStopPressed;
    // A file that was refused: the page stays as it was and this says why, in one line.
    std::function<void (const juce::String&)> onLoadRefused;

    // Opens the native file chooser; the choice is loaded when the dialog completes.
    void loadFile();
    // What the file chooser's completion does with the chosen file; an unreadable file leaves
    // the page as it was and is reported through onLoadRefused.
    void loadChosenFile (const juce::File& file);

    void scanSamplesFolder();
    void loadSampleAtIndex (int index);
    // Loads the first sample whose name without extension matches exactly (case matters).
    void loadSampleByName (const juce::String& name);
    void updateFileNameLabel();

    // The button actions: play or stop this source, previous and next sample of the folder.
    void togglePlay();
    void loadPreviousSample();
    void loadNextSample();

    // Shows whether this source is the one playing, as the processor reports it: the button
    // then offers what a click does. No hook fires.
    void setPlaying (bool isPlaying);

    void setStandaloneMode (bool standalone);
    void setPlaybackPosition (double position);

    const juce::AudioBuffer<float>& getLoadedAudio() const noexcept { return loadedAudio; }
    double getLoadedSampleRate() const noexcept { return loadedSampleRate; }
    bool isPlaying() const noexcept { return playing; }
    int getCurrentIndex() const noexcept { return currentIndex; }
    const juce::Array<juce::File>& getSampleList() const noexcept { return sampleList; }
    juce::String getFileNameText() const { return fileNameLabel.getText(); }
    const WaveformDisplayComponent& getWaveformView() const noexcept { return waveformView; }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    // Decodes the whole file into a fresh buffer through the checked reader; a refusal is
    // reported through onLoadRefused and returns false.
    bool decodeFile (const juce::File& file, juce::AudioBuffer<float>& audio, double& sampleRate) const;
    // Takes over a decoded file: keeps it, shows it, names it and hands it to the processor.
    // The name is shown only when the file is not an entry of the sample list.
    void acceptDecoded (juce::AudioBuffer<float>& audio, double sampleRate,
                        const juce::String& nameWhenNotListed);

    juce::AudioFormatManager& formatManager;
    const juce::File samplesFolder;

    WaveformDisplayComponent waveformView;
    juce::TextButton playButton { "Play" };
    juce::TextButton loadButton { "Load" };
    juce::TextButton previousButton { "<" };
    juce::TextButton nextButton { ">" };
    juce::Label fileNameLabel;

    juce::AudioBuffer<float> loadedAudio;
    double loadedSampleRate = 44100.0;
    bool playing = false;
    std::unique_ptr<juce::FileChooser> fileChooser;
    juce::Array<juce::File> sampleList;
    int currentIndex = -1;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AudioTabComponent)
};
