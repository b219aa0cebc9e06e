#pragma once

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_audio_utils/juce_audio_utils.h>
#include <juce_gui_basics/juce_gui_basics.h>

// The waveform of one loaded file, drawn from a thumbnail, with the playback cursor on top.
class WaveformDisplayComponent : public juce::Component
{
public:
    explicit WaveformDisplayComponent (juce::AudioFormatManager& formatManager);
    ~WaveformDisplayComponent() override;

    // Rebuilds the thumbnail from a decoded file; the view keeps no reference to the buffer.
    void setSource (const juce::AudioBuffer<float>& buffer, double sampleRate);
    // Position as a fraction of the file's length; repaints on every call because the editor
    // only calls it while something may have moved.
    void setPlaybackPosition (double position);

    bool hasSource() const noexcept { return sourceSet; }
    double getPlaybackPosition() const noexcept { return playbackPosition; }
    double getThumbnailLength() const { return thumbnail.getTotalLength(); }

    void paint (juce::Graphics& g) override;
    void resized() override {}

private:
    static constexpr int kSamplesPerThumbnailSample = 512;
    static constexpr int kInset = 4;

    juce::AudioThumbnailCache thumbnailCache { 5 };
    juce::AudioThumbnail thumbnail;
    bool sourceSet = false;
    double playbackPosition = 0.0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WaveformDisplayComponent)
};
