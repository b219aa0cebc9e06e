#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

#include <memory>

// Output files are written to a temporary file next to their target and renamed into place
// only when everything succeeded, so a failed run never leaves a partial file behind. The
// temporary file is deleted when the object goes away without a commit.

// Names a temporary file to the signal handler for as long as the file may exist.
class TemporaryFileGuard
{
public:
    TemporaryFileGuard() = default;
    ~TemporaryFileGuard();
    void watch (const juce::File& temporaryFile);

private:
    int slot = -1;
    JUCE_DECLARE_NON_COPYABLE (TemporaryFileGuard)
};

// Makes SIGINT and SIGTERM remove the temporary files being written before the process ends
// the way the signal would have ended it. The tool's main() installs it once.
void removeTemporaryFilesOnSignal();

// The rendered audio: 32-bit float WAV, two channels.
class WavFileOutput
{
public:
    juce::Result open (const juce::File& target, double sampleRate);
    juce::Result write (const float* left, const float* right, int numFrames);
    // Finishes the file (header sizes) and renames it onto the target.
    juce::Result commit();

private:
    TemporaryFileGuard guard; // outlives the temporary file
    std::unique_ptr<juce::TemporaryFile> temp;
    std::unique_ptr<juce::AudioFormatWriter> writer;
};

// A small binary file written in one go (the state block).
class BinaryFileOutput
{
public:
    // Writes the data to the temporary file; nothing appears at the target yet.
    juce::Result prepare (const juce::File& target, const juce::MemoryBlock& data);
    juce::Result commit();

private:
    TemporaryFileGuard guard; // outlives the temporary file
    std::unique_ptr<juce::TemporaryFile> temp;
};
