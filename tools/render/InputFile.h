#pragma once

#include "processor/AudioFileInput.h"

// One input audio file, decoded block by block as the render proceeds, so that long files are
// never held in memory whole. The file is read once from its start; once it has ended, reads
// give silence, which pads the shorter input.
class InputFile
{
public:
    // Opens and checks the file. `role` ("AUDIO1", "AUDIO2") only names the file in messages.
    juce::Result open (const juce::File& file, const juce::String& role);

    double getSampleRate() const noexcept { return input.getLayout().sampleRate; }
    int getNumChannels() const noexcept { return input.getLayout().numChannels; }
    const juce::File& getFile() const noexcept { return file; }

    // Fills left[0..n) and right[0..n) with the next n frames; framesFromFile tells how many
    // came from the file before it ended. A mono file feeds both channels; a file with more
    // than two channels gives its first two.
    juce::Result readNext (float* left, float* right, int n, int& framesFromFile);

private:
    juce::Result withName (const juce::Result& result) const;

    AudioFileInput input;
    juce::File file;
    juce::String role;
};
