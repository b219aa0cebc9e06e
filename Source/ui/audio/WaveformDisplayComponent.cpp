#include "ui/audio/WaveformDisplayComponent.h"

WaveformDisplayComponent::WaveformDisplayComponent (juce::AudioFormatManager& formatManager)
    : thumbnail (kSamplesPerThumbnailSample, formatManager, thumbnailCache)
{
}

WaveformDisplayComponent::~WaveformDisplayComponent() = default;

void WaveformDisplayComponent::setSource (const juce::AudioBuffer<float>& buffer, double sampleRate)
{
    thumbnail.reset (buffer.getNumChannels(), sampleRate, 0);
    thumbnail.addBlock (0, buffer, 0, buffer.getNumSamples());
    sourceSet = true;
    repaint();
}

void WaveformDisplayComponent::setPlaybackPosition (double position)
{
    playbackPosition = position;
    repaint();
}

void WaveformDisplayComponent::paint (juce::Graphics& g)
{
    const auto bounds = getLocalBounds();
    g.fillAll (getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId).darker (0.3f));

    const double length = thumbnail.getTotalLength();
    if (sourceSet && length > 0.0)
    {
        // The waveform keeps one colour in both themes so that it reads the same everywhere.
        g.setColour (juce::Colour (0xff00d4ffu));
        thumbnail.drawChannels (g, bounds.reduced (kInset), 0.0, length, 1.0f);
    }
    else
    {
        g.setColour (juce::Colours::grey);
        g.drawText ("No waveform loaded", bounds, juce::Justification::centred, true);
    }

    // Position 0 means "not started" and anything past the end means the editor has nothing
    // sensible to show, so neither draws a cursor. The comparison also rejects NaN.
    if (sourceSet && playbackPosition > 0.0 && playbackPosition <= 1.0)
    {
        const float left = static_cast<float> (bounds.getX() + kInset);
        const float width = static_cast<float> (bounds.getWidth() - 2 * kInset);
        const float x = left + static_cast<float> (playbackPosition) * width;
        g.setColour (juce::Colours::white);
        g.drawLine (x, static_cast<float> (bounds.getY() + kInset), x,
                    static_cast<float> (bounds.getBottom() - kInset), 1.5f);
    }

    g.setColour (juce::Colours::white.withAlpha (0.3f));
    g.drawRect (bounds, 1);
}
