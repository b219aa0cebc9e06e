#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

#include <memory>

// One input audio file, decoded block by block as the render proceeds, so that long files are
// never held in memory whole. Reads past the end give silence, which pads the shorter input.
class InputFile
{
public:
    // Opens and checks the file. `role` ("AUDIO1", "AUDIO2") only names the file in messages.
    juce::Result open (const juce::File& file, const juce::String& role);

    double getSampleRate() const noexcept { return sampleRate; }
    juce::int64 getLengthInFrames() const noexcept { return lengthInFrames; }
    int getNumChannels() const noexcept { return numChannels; }
    const juce::File& getFile() const noexcept { return file; }

    // Fills left[0..n) and right[0..n) from frame `start`. A mono file feeds both channels; a
    // file with more than two channels gives its first two.
    juce::Result read (float* left, float* right, juce::int64 start, int n);

private:
    juce::AudioFormatManager formats;
    std::unique_ptr<juce::AudioFormatReader> reader;
    juce::File file;
    juce::String role;
    double sampleRate = 0.0;
    juce::int64 lengthInFrames = 0;
    int numChannels = 0;
};
