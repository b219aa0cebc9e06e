#include "ui/audio/AudioTabComponent.h"
#include "processor/AudioFileInput.h"
#include "processor/ShippedFiles.h"
#include "ui/RowLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

juce::File AudioTabComponent::defaultSamplesFolder()
{
    return ShippedFiles::find (ShippedFiles::kSamplesFolder);
}

AudioTabComponent::AudioTabComponent (juce::AudioFormatManager& formats, const juce::File& folder)
    : formatManager (formats), samplesFolder (folder), waveformView (formats)
{
    playButton.onClick = [this] { togglePlay(); };
    loadButton.onClick = [this] { loadFile(); };
    previousButton.onClick = [this] { loadPreviousSample(); };
    nextButton.onClick = [this] { loadNextSample(); };

    fileNameLabel.setJustificationType (juce::Justification::centredLeft);

    addAndMakeVisible (playButton);
    addAndMakeVisible (loadButton);
    addAndMakeVisible (previousButton);
    addAndMakeVisible (nextButton);
    addAndMakeVisible (fileNameLabel);
    addAndMakeVisible (waveformView);
}

AudioTabComponent::~AudioTabComponent() = default;

void AudioTabComponent::togglePlay()
{
    if (playing)
    {
        playing = false;
        playButton.setButtonText ("Play");
        if (onStopPressed)
            onStopPressed();
        return;
    }

    // Nothing loaded: there is nothing to audition, so the button stays as it is.
    if (loadedAudio.getNumSamples() < 1)
        return;

    playing = true;
    playButton.setButtonText ("Stop");
    if (onPlayPressed)
        onPlayPressed();
}

void AudioTabComponent::setPlaying (bool isPlaying)
{
    playing = isPlaying;
    playButton.setButtonText (playing ? "Stop" : "Play");
}

void AudioTabComponent::loadPreviousSample()
{
    if (sampleList.isEmpty())
        scanSamplesFolder();
    if (sampleList.isEmpty())
        return;

    // From the first entry, or from a file that is not in the list, wrap to the last entry.
    const int index = (currentIndex > 0 ? currentIndex : sampleList.size()) - 1;
    loadSampleAtIndex (index);
}

void AudioTabComponent::loadNextSample()
{
    if (sampleList.isEmpty())
        scanSamplesFolder();
    if (sampleList.isEmpty())
        return;

    // From -1 (a file from elsewhere) this lands on the first entry.
    const int index = (currentIndex + 1) % sampleList.size();
    loadSampleAtIndex (index);
}

void AudioTabComponent::loadFile()
{
    fileChooser = std::make_unique<juce::FileChooser> ("Select an audio file...", samplesFolder,
                                                       formatManager.getWildcardForAllFormats(), true, false);

    const int chooserFlags = juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles;
    juce::Component::SafePointer<AudioTabComponent> safeThis (this);
    fileChooser->launchAsync (chooserFlags, [safeThis] (const juce::FileChooser& chooser)
    {
        const juce::File chosen = chooser.getResult();
        // An empty result is a cancelled dialog.
        if (safeThis == nullptr || chosen == juce::File())
            return;
        safeThis->loadChosenFile (chosen);
    });
}

void AudioTabComponent::loadChosenFile (const juce::File& file)
{
    juce::AudioBuffer<float> audio;
    double sampleRate = 0.0;
    if (! decodeFile (file, audio, sampleRate))
        return;

    // A file picked in the dialog that also lives in the samples folder takes its place in the
    // list, so "<" and ">" carry on from it.
    currentIndex = -1;
    for (int i = 0; i < sampleList.size(); ++i)
    {
        if (sampleList.getReference (i).getFullPathName().equalsIgnoreCase (file.getFullPathName()))
        {
            currentIndex = i;
            break;
        }
    }

    acceptDecoded (audio, sampleRate, file.getFileNameWithoutExtension());
}

void AudioTabComponent::scanSamplesFolder()
{
    sampleList.clear();
    currentIndex = -1;

    if (! samplesFolder.isDirectory())
        return;

    // The folder's own wildcard match is case-sensitive on Linux and would pass over "LOOP.WAV";
    // every file is listed and kept when its extension names a known format in any letter case.
    juce::StringArray extensions;
    for (auto* format : formatManager)
        extensions.addArray (format->getFileExtensions());
    extensions.removeEmptyStrings();
    if (extensions.isEmpty())
        return; // an empty list would match every file without an extension
    const auto knownExtensions = extensions.joinIntoString (";");
    for (const auto& file : samplesFolder.findChildFiles (juce::File::findFiles, false, "*",
                                                          juce::File::FollowSymlinks::yes))
        if (file.hasFileExtension (knownExtensions))
            sampleList.add (file);

    // Alphabetical whatever the letter case. Paths that differ only in case are ordered
    // case-sensitively so that the list does not depend on the directory's listing order.
    std::sort (sampleList.begin(), sampleList.end(), [] (const juce::File& a, const juce::File& b)
    {
        const int folded = a.getFullPathName().compareIgnoreCase (b.getFullPathName());
        if (folded != 0)
            return folded < 0;
        return a.getFullPathName().compare (b.getFullPathName()) < 0;
    });
}

void AudioTabComponent::loadSampleAtIndex (int index)
{
    if (index < 0 || index >= sampleList.size())
        return;

    juce::AudioBuffer<float> audio;
    double sampleRate = 0.0;
    if (! decodeFile (sampleList.getReference (index), audio, sampleRate))
        return;

    currentIndex = index;
    acceptDecoded (audio, sampleRate, {});
}

void AudioTabComponent::loadSampleByName (const juce::String& name)
{
    if (sampleList.isEmpty())
        scanSamplesFolder();

    for (int i = 0; i < sampleList.size(); ++i)
    {
        if (sampleList.getReference (i).getFileNameWithoutExtension() == name)
        {
            loadSampleAtIndex (i);
            return;
        }
    }
}

void AudioTabComponent::updateFileNameLabel()
{
    const bool valid = currentIndex >= 0 && currentIndex < sampleList.size();
    fileNameLabel.setText (valid ? sampleList.getReference (currentIndex).getFileNameWithoutExtension()
                                 : juce::String(),
                           juce::dontSendNotification);
}

void AudioTabComponent::setStandaloneMode (bool standalone)
{
    playButton.setVisible (standalone);
    loadButton.setVisible (standalone);
    previousButton.setVisible (standalone);
    nextButton.setVisible (standalone);
    fileNameLabel.setText (standalone ? juce::String() : juce::String ("Live input from host track"),
                           juce::dontSendNotification);
}

void AudioTabComponent::setPlaybackPosition (double position)
{
    waveformView.setPlaybackPosition (position);
}

bool AudioTabComponent::decodeFile (const juce::File& file, juce::AudioBuffer<float>& audio,
                                    double& sampleRate) const
{
    // A damaged or hostile file is refused whole, before it replaces anything.
    const auto result = readWholeAudioFile (file, audio, sampleRate);
    if (result.failed() && onLoadRefused)
        onLoadRefused (file.getFileName() + " " + result.getErrorMessage());
    return result.wasOk();
}

void AudioTabComponent::acceptDecoded (juce::AudioBuffer<float>& audio, double sampleRate,
                                       const juce::String& nameWhenNotListed)
{
    loadedAudio = std::move (audio);
    loadedSampleRate = sampleRate;
    waveformView.setSource (loadedAudio, loadedSampleRate);

    updateFileNameLabel();
    if (currentIndex == -1)
        fileNameLabel.setText (nameWhenNotListed, juce::dontSendNotification);

    if (onBufferLoaded)
        onBufferLoaded (loadedAudio, loadedSampleRate);
}

void AudioTabComponent::paint (juce::Graphics& g)
{
    g.fillAll (getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId));
}

void AudioTabComponent::resized()
{
    auto area = getLocalBounds().reduced (16);

    auto row = area.removeFromTop (36);
    RowLayout::place (row, RowLayout::From::left,
                      { { &playButton, 80, 8 }, { &loadButton, 80, 8 }, { &previousButton, 30, 4 },
                        { &nextButton, 30, 8 } });
    fileNameLabel.setBounds (row);

    area.removeFromTop (10);
    waveformView.setBounds (area);
}
