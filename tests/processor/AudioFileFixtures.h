#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

#include <vector>

// Audio files built byte by byte, so that every header field can hold what a damaged or hostile
// file holds. Shared by the reader's tests, the renderer's tests, the fuzz test and the audio
// pages' tests.
namespace AudioFixtures
{
// A WAV header with a "fmt " chunk of 16 bytes (40 for the extensible code 0xfffe, which then
// names `subFormat`) and a "data" chunk. dataSize < 0: the size of `data`.
struct WavSpec
{
    int formatCode = 1;
    int numChannels = 2;
    juce::uint32 sampleRate = 44100;
    int bitsPerSample = 16;
    int subFormat = 1;
    juce::int64 dataSize = -1;
    std::vector<unsigned char> data;
};
juce::MemoryBlock wav (const WavSpec& spec);

// An AIFF (or, with a compression type, AIFF-C) file with COMM and SSND chunks.
struct AiffSpec
{
    int numChannels = 2;
    juce::uint32 numFrames = 0;
    int bitsPerSample = 16;
    double sampleRate = 44100.0;
    const char* compression = nullptr; // "sowt", "fl32", ...: AIFF-C
    std::vector<unsigned char> data;
};
juce::MemoryBlock aiff (const AiffSpec& spec);

// Little- and big-endian 16-bit samples, interleaved, as the data of a WAV or AIFF file.
std::vector<unsigned char> int16Samples (const std::vector<int>& interleaved, bool bigEndian);

// A file encoded by the framework's own writers (FLAC, Ogg Vorbis, WAV, AIFF) from a ramp-and-
// sine signal, `numChannels` channels of `frames` frames.
juce::MemoryBlock encoded (juce::AudioFormat& format, int numChannels, int frames, int bits, int quality = 0);

// The frame count of a FLAC file's STREAMINFO block, overwritten in place.
void setFlacTotalSamples (juce::MemoryBlock& flac, juce::uint64 totalSamples);
// Offset of the first FLAC frame (after the metadata blocks).
size_t flacFirstFrameOffset (const juce::MemoryBlock& flac);

bool writeFile (const juce::File& file, const juce::MemoryBlock& bytes);
} // namespace AudioFixtures
