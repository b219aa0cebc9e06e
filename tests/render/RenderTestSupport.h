#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Shared helpers of the renderer tests: a scratch folder, WAV fixtures and running the built
// quorvane-render binary as a separate process.

using Channels = std::vector<std::vector<float>>;

// A fresh folder per test, removed afterwards.
class RenderTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    juce::File file (const juce::String& name) const { return dir.getChildFile (name); }
    // Names of everything in the scratch folder, hidden files included, sorted.
    juce::StringArray listFolder() const;

    juce::File dir;
};

// Writes a 32-bit float WAV (exact sample values) with one vector per channel.
void writeWav (const juce::File& file, const Channels& channels, double sampleRate);

// A deterministic test signal: a sum of two sines with a per-channel phase, below full scale.
std::vector<float> testSignal (int frames, int channel, double sampleRate);

struct WavContents
{
    bool ok = false;
    double sampleRate = 0.0;
    int bitsPerSample = 0;
    bool floatingPoint = false;
    Channels channels;
};

WavContents readWav (const juce::File& file);

struct ProcessResult
{
    int exitCode = -1;
    std::string out, err;
};

// The tool's refusal: status 2, nothing on stdout, and one error line on stderr that names
// `messagePart`.
void expectRefusal (const ProcessResult& result, const std::string& messagePart);

// Runs the quorvane-render binary with these arguments in `workingDir`.
ProcessResult runRenderBinary (const std::vector<std::string>& args, const juce::File& workingDir);

// Starts the binary without waiting for it (its output is discarded); returns its process id.
int startRenderBinary (const std::vector<std::string>& args, const juce::File& workingDir);

// Calls the tool in this process and captures what it prints.
ProcessResult runRenderInProcess (const std::vector<std::string>& args);

// Lines of a text, without the line breaks; a trailing empty line is dropped.
std::vector<std::string> splitLines (const std::string& text);

// The "current" column of one parameter in a --list-params listing, as printed; empty (and a
// test failure) when the parameter is not listed.
std::string listedValueText (const std::string& listing, const std::string& id);
