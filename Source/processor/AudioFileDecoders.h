#pragma once

#include "common/SampleLimits.h"

#include "processor/AudioFileInput.h"

#include <memory>

// The decoders behind AudioFileInput, one per format. Each reads its header from the stream's
// current position, checks it and then decodes forwards only.
class AudioFileDecoder
{
public:
    virtual ~AudioFileDecoder() = default;

    // Reads and checks the header; a refusal reads on from the file's name.
    virtual juce::Result open (juce::InputStream& in, AudioFileLayout& layout) = 0;

    // Decodes up to maxFrames next frames of every channel into dest[0 .. numChannels).
    // framesDecoded is 0 only at the end of the data; a decoding error fails.
    virtual juce::Result decode (float* const* dest, int maxFrames, int& framesDecoded) = 0;
};

enum class AudioFileKind
{
    unknown,
    wav,
    aiff,
    flac,
    oggVorbis
};

// What a file is, from its first bytes (never from its name): a kind read here, or for an
// unknown kind, when the header makes it recognisable, what it is ("an MP3 (MPEG audio) file"),
// so that the refusal can say so; null otherwise.
struct SniffedAudioFile
{
    AudioFileKind kind = AudioFileKind::unknown;
    const char* foreignFormat = nullptr;
    bool foreignFormatIsAudio = false; // an audio format not read here, not something else
};
// Reads from the stream's start; leaves the position anywhere.
SniffedAudioFile sniffAudioFile (juce::InputStream& in);

// The formats the refusals name.
inline constexpr const char* kSupportedAudioFormats = "WAV, AIFF, FLAC, Ogg Vorbis";

std::unique_ptr<AudioFileDecoder> makeWavDecoder();
std::unique_ptr<AudioFileDecoder> makeAiffDecoder();
std::unique_ptr<AudioFileDecoder> makeFlacDecoder();
std::unique_ptr<AudioFileDecoder> makeOggVorbisDecoder();

// The checks every format shares: channel count and sample rate. Called by each decoder as
// soon as its header gives them, before it sizes anything by them.
juce::Result checkChannelsAndRate (juce::int64 numChannels, double sampleRate);

// Integer samples widened to 32 bits and scaled to -1 .. 1 the way the framework's readers do,
// so that a file decodes here to exactly the values it always did.
inline float fixedToFloat (juce::int32 widened) noexcept
{
    constexpr float scale = 1.0f / static_cast<float> (0x7fffffff);
    return static_cast<float> (widened) * scale;
}

inline juce::int32 widenSample (juce::int32 value, int bits) noexcept
{
    return static_cast<juce::int32> (static_cast<juce::uint32> (value) << (32 - bits));
}

juce::String truncatedMessage (juce::int64 announced, juce::int64 held);
