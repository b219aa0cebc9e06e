#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

#include <memory>

class AudioFileDecoder;

// What a file's header says, checked before any sample is decoded.
struct AudioFileLayout
{
    int numChannels = 0;
    double sampleRate = 0.0;
    // Frames the header announces, or -1 when the format tells none before the end.
    juce::int64 announcedFrames = -1;
    // True when the announced length was checked against the bytes the file really holds.
    bool lengthMatchesFileSize = false;
};

// The one way in for audio files from outside (the renderer's inputs, the standalone
// application's audio pages). Files are hostile until checked: the header is checked before
// anything is decoded (channel count, sample format, sample rate, a length the file can hold),
// the samples are decoded once from the start in bounded chunks into cleared buffers, decoding
// stops at the first error or when it makes no progress, and a length the data does not deliver
// is never trusted. WAV and AIFF are read here, FLAC and Ogg Vorbis through their codec libraries
// without ever seeking.
class AudioFileInput
{
public:
    static constexpr int kMaxChannels = 64;
    static constexpr double kMinSampleRate = 8000.0;
    static constexpr double kMaxSampleRate = 768000.0;

    AudioFileInput();
    ~AudioFileInput();

    // Opens the file and checks its header. A refusal is one line that reads on from the
    // file's name ("has 2881 channels; ...", "is truncated: ...").
    juce::Result open (const juce::File& file);

    const AudioFileLayout& getLayout() const noexcept { return layout; }
    juce::int64 getFramesDelivered() const noexcept { return delivered; }

    // Fills dest[0 .. numDest) (numDest at most the file's channel count) with the next n
    // frames of the file's first channels. What lies past the end of the file is silence;
    // framesFromFile tells how many frames came from the file. A file whose data falls short of
    // the length its header announces fails when the shortfall shows.
    juce::Result readNext (float* const* dest, int numDest, int n, int& framesFromFile);

private:
    juce::Result decodeInto (float* const* dest, int numDest, int n, int& framesFromFile);

    std::unique_ptr<juce::FileInputStream> stream;
    std::unique_ptr<AudioFileDecoder> decoder;
    AudioFileLayout layout;
    juce::AudioBuffer<float> scratch;
    juce::int64 delivered = 0;
    bool ended = false;
};

// The most samples (frames times channels) a whole-file load keeps in memory: 1 GiB of floats.
constexpr juce::int64 kMaxLoadedSamples = juce::int64 { 1 } << 28;

// Decodes a whole file into `audio` (all its channels) through AudioFileInput. On a refusal
// `audio` and `sampleRate` are left as they were.
juce::Result readWholeAudioFile (const juce::File& file, juce::AudioBuffer<float>& audio, double& sampleRate);
