// The checked reader for audio files: valid files decode to exactly what the framework's own
// readers give, and every kind of damaged header is refused before decoding with one line that
// says why, leaving the caller's buffer as it was.

#include "AudioFileFixtures.h"

#include "processor/AudioFileInput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace AudioFixtures;

namespace
{
class AudioFileInputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = juce::File::getSpecialLocation (juce::File::tempDirectory)
                  .getChildFile ("quorvane-audio-input-" + juce::Uuid().toDashedString());
        ASSERT_TRUE (dir.createDirectory().wasOk());
    }
    void TearDown() override { dir.deleteRecursively(); }

    juce::File put (const juce::String& name, const juce::MemoryBlock& bytes) const
    {
        const auto file = dir.getChildFile (name);
        EXPECT_TRUE (writeFile (file, bytes));
        return file;
    }

    juce::File dir;
};

// What the framework's reader makes of a valid file, all of it.
juce::AudioBuffer<float> frameworkDecode (const juce::File& file)
{
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));
    if (reader == nullptr)
        return {};
    juce::AudioBuffer<float> audio ((int) reader->numChannels, (int) reader->lengthInSamples);
    reader->read (&audio, 0, audio.getNumSamples(), 0, true, true);
    return audio;
}

bool sameSamples (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
        return false;
    for (int ch = 0; ch < a.getNumChannels(); ++ch)
        for (int i = 0; i < a.getNumSamples(); ++i)
            if (a.getSample (ch, i) != b.getSample (ch, i))
                return false;
    return true;
}
} // namespace

TEST_F (AudioFileInputTest, ValidFilesDecodeExactlyAsTheFrameworkDecodesThem)
{
    juce::WavAudioFormat wavFormat;
    juce::AiffAudioFormat aiffFormat;
    juce::FlacAudioFormat flacFormat;
    juce::OggVorbisAudioFormat oggFormat;
    struct Case
    {
        const char* name;
        juce::AudioFormat* format;
        int channels, bits, quality;
    };
    const Case cases[] = {
        { "w8.wav", &wavFormat, 2, 8, 0 },     { "w16.wav", &wavFormat, 1, 16, 0 },
        { "w24.wav", &wavFormat, 3, 24, 0 },   { "w32f.wav", &wavFormat, 2, 32, 0 },
        { "a8.aiff", &aiffFormat, 2, 8, 0 },   { "a16.aiff", &aiffFormat, 2, 16, 0 },
        { "a24.aiff", &aiffFormat, 1, 24, 0 }, { "f16.flac", &flacFormat, 2, 16, 5 },
        { "f24.flac", &flacFormat, 1, 24, 5 }, { "v.ogg", &oggFormat, 2, 16, 5 },
    };
    // Longer than one FLAC block and one read chunk, and not a multiple of either.
    constexpr int kFrames = 10007;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto file = put (c.name, encoded (*c.format, c.channels, kFrames, c.bits, c.quality));
        const auto expected = frameworkDecode (file);
        ASSERT_EQ (expected.getNumChannels(), c.channels);

        juce::AudioBuffer<float> audio;
        double rate = 0.0;
        const auto result = readWholeAudioFile (file, audio, rate);
        ASSERT_TRUE (result.wasOk()) << result.getErrorMessage();
        EXPECT_EQ (rate, 44100.0);
        EXPECT_TRUE (sameSamples (audio, expected));
    }
}

TEST_F (AudioFileInputTest, IntegerSamplesScaleByTheFrameworksFactor)
{
    // 16-bit samples are widened to 32 bits and scaled by 1 / (2^31 - 1) in float arithmetic.
    const std::vector<int> samples { 16384, -32768, 1, 32767, 0, -1 };
    const auto file = put ("s.wav", wav ({ 1, 2, 44100, 16, 1, -1, int16Samples (samples, false) }));
    juce::AudioBuffer<float> audio;
    double rate = 0.0;
    ASSERT_TRUE (readWholeAudioFile (file, audio, rate).wasOk());
    ASSERT_EQ (audio.getNumSamples(), 3);
    for (size_t i = 0; i < samples.size(); ++i)
    {
        const float expected = (float) (samples[i] * 65536) * (1.0f / 2147483647.0f);
        EXPECT_EQ (audio.getSample ((int) (i % 2), (int) (i / 2)), expected) << i;
    }
}

TEST_F (AudioFileInputTest, DamagedHeadersAreRefusedBeforeDecoding)
{
    const auto frames16 = int16Samples ({ 1000, -1000, 2000, -2000 }, false);
    const auto framesBig = int16Samples ({ 1000, -1000, 2000, -2000 }, true);
    std::vector<unsigned char> bytes64 (64 * 2, 0x11);
    std::vector<unsigned char> wide (2881 * 2 * 2, 0);

    auto flac = encoded (*std::make_unique<juce::FlacAudioFormat>(), 2, 20000, 16, 5);
    auto claims = flac;
    setFlacTotalSamples (claims, 100000000);

    struct Case
    {
        const char* what;
        juce::MemoryBlock bytes;
        const char* messagePart;
    };
    const Case cases[] = {
        { "2881 channels of 16 bits", wav ({ 1, 2881, 44100, 16, 1, -1, wide }), "2881 channels" },
        { "a mutated bit depth", wav ({ 1, 2, 44100, 2000, 1, -1, bytes64 }), "2000-bit samples" },
        { "float WAV of 4 bits", wav ({ 3, 2, 44100, 4, 1, -1, bytes64 }), "4-bit floating-point" },
        { "float WAV of 7 bits", wav ({ 3, 2, 44100, 7, 1, -1, bytes64 }), "7-bit floating-point" },
        { "float WAV of 12 bits", wav ({ 3, 2, 44100, 12, 1, -1, bytes64 }), "12-bit floating-point" },
        { "float WAV of 20 bits", wav ({ 0xfffe, 2, 44100, 20, 3, -1, bytes64 }), "20-bit floating-point" },
        { "ADPCM WAV", wav ({ 2, 2, 44100, 4, 1, -1, bytes64 }), "sample format 2" },
        { "a rate of 1 Hz", wav ({ 1, 2, 1, 16, 1, -1, frames16 }), "sample rate of 1 Hz" },
        { "a rate of 2147483647 Hz", wav ({ 1, 2, 2147483647u, 16, 1, -1, frames16 }), "sample rate of 2147483647 Hz" },
        { "a rate just under 8 kHz", wav ({ 1, 2, 7999, 16, 1, -1, frames16 }), "7999 Hz" },
        { "a WAV claiming more data than it has", wav ({ 1, 2, 44100, 16, 1, 4000, frames16 }), "truncated" },
        { "AIFF of 0 bits", aiff ({ 2, 2, 0, 44100.0, nullptr, framesBig }), "0-bit samples" },
        { "AIFF of 64 bits", aiff ({ 2, 1, 64, 44100.0, nullptr, bytes64 }), "64-bit samples" },
        { "AIFF with 65 channels", aiff ({ 65, 1, 16, 44100.0, nullptr, bytes64 }), "65 channels" },
        { "AIFF with no channels", aiff ({ 0, 1, 16, 44100.0, nullptr, bytes64 }), "0 channels" },
        { "AIFF claiming more frames than it has", aiff ({ 2, 3, 16, 44100.0, nullptr, framesBig }), "truncated" },
        { "AIFF at 1 Hz", aiff ({ 2, 2, 16, 1.0, nullptr, framesBig }), "sample rate of 1 Hz" },
        { "AIFF-C with an unknown codec", aiff ({ 2, 2, 16, 44100.0, "ima4", framesBig }), "'ima4'" },
        { "FLAC claiming 100,000,000 frames", claims, "announces 100000000 frames" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const auto file = put ("bad", c.bytes);
        juce::AudioBuffer<float> audio (1, 5);
        audio.clear();
        double rate = 123.0;
        const auto result = readWholeAudioFile (file, audio, rate);
        ASSERT_TRUE (result.failed());
        EXPECT_TRUE (result.getErrorMessage().contains (c.messagePart)) << result.getErrorMessage();
        EXPECT_FALSE (result.getErrorMessage().containsChar ('\n'));
        EXPECT_EQ (audio.getNumSamples(), 5);
        EXPECT_EQ (rate, 123.0);
    }
}

namespace
{
juce::MemoryBlock bytesOf (std::initializer_list<std::vector<unsigned char>> parts)
{
    juce::MemoryBlock block;
    for (const auto& part : parts)
        block.append (part.data(), part.size());
    return block;
}

std::vector<unsigned char> text (const char* s)
{
    return { s, s + std::strlen (s) };
}

// An ID3v2.4 tag with `body` bytes of frames (zeros): "ID3", version, flags, syncsafe size.
std::vector<unsigned char> id3Tag (unsigned body)
{
    std::vector<unsigned char> tag { 'I', 'D', '3', 4, 0, 0, (unsigned char) ((body >> 21) & 0x7f),
                                     (unsigned char) ((body >> 14) & 0x7f), (unsigned char) ((body >> 7) & 0x7f),
                                     (unsigned char) (body & 0x7f) };
    tag.resize (10 + body, 0);
    return tag;
}
} // namespace

TEST_F (AudioFileInputTest, FormatsThatCannotBeReadAreNamedInTheRefusal)
{
    // Headers as the formats' own documents lay them out, followed by filler.
    const std::vector<unsigned char> filler (200, 0x55);
    const std::vector<unsigned char> mp3Frame { 0xFF, 0xFB, 0x90, 0x64 };  // MPEG-1 Layer III, 128 kbit/s
    const std::vector<unsigned char> adtsFrame { 0xFF, 0xF1, 0x50, 0x80 }; // AAC LC in ADTS
    std::vector<unsigned char> opusPage (27, 0);                            // an Ogg page header ...
    std::memcpy (opusPage.data(), "OggS", 4);
    opusPage[26] = 1; // ... with one segment, whose packet starts the Opus stream
    opusPage.push_back (19);
    const std::vector<unsigned char> asf { 0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                           0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C };
    struct Case
    {
        const char* what;
        juce::MemoryBlock bytes;
        const char* named;
    };
    const Case cases[] = {
        { "MP3 with an ID3 tag", bytesOf ({ id3Tag (300), mp3Frame, filler }), "an MP3 (MPEG audio) file, a format Quorvane does not read" },
        { "MP3 without a tag", bytesOf ({ mp3Frame, filler }), "an MP3 (MPEG audio) file, a format Quorvane does not read" },
        { "AAC in ADTS", bytesOf ({ adtsFrame, filler }), "an AAC file" },
        { "AAC in ADTS behind an ID3 tag", bytesOf ({ id3Tag (40), adtsFrame, filler }), "an AAC file" },
        { "M4A", bytesOf ({ { 0, 0, 0, 0x20 }, text ("ftypM4A "), filler }), "an MPEG-4 file (M4A, AAC or ALAC)" },
        { "Opus", bytesOf ({ opusPage, text ("OpusHead"), filler }), "an Ogg Opus file" },
        { "WMA", bytesOf ({ asf, filler }), "a Windows Media file (WMA)" },
        { "MIDI", bytesOf ({ text ("MThd"), { 0, 0, 0, 6, 0, 1, 0, 2, 1, 0xE0 }, filler }), "a MIDI file" },
        { "a text file renamed .wav", bytesOf ({ text ("Shopping list:\n- strings\n- a new cable\n\tand coffee\n") }),
          "a text file, not audio" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const auto file = put ("dropped.wav", c.bytes);
        juce::AudioBuffer<float> audio (1, 5);
        double rate = 123.0;
        const auto result = readWholeAudioFile (file, audio, rate);
        ASSERT_TRUE (result.failed());
        const auto message = result.getErrorMessage();
        EXPECT_TRUE (message.startsWith (juce::String ("is ") + c.named)) << message;
        EXPECT_TRUE (message.contains ("(supported: WAV, AIFF, FLAC, Ogg Vorbis)")) << message;
        EXPECT_FALSE (message.contains ("FLAC header")) << message;
        EXPECT_EQ (rate, 123.0);
    }

    // A FLAC stream behind an ID3 tag is still read.
    auto flac = encoded (*std::make_unique<juce::FlacAudioFormat>(), 2, 4000, 16, 5);
    juce::MemoryBlock tagged = bytesOf ({ id3Tag (64) });
    tagged.append (flac.getData(), flac.getSize());
    juce::AudioBuffer<float> audio;
    double rate = 0.0;
    const auto read = readWholeAudioFile (put ("tagged.flac", tagged), audio, rate);
    EXPECT_TRUE (read.wasOk()) << read.getErrorMessage();
    EXPECT_EQ (audio.getNumSamples(), 4000);
}

TEST_F (AudioFileInputTest, FlacDataThatFallsShortOrBreaksIsRefused)
{
    const auto flac = encoded (*std::make_unique<juce::FlacAudioFormat>(), 2, 20000, 16, 5);
    const auto firstFrame = flacFirstFrameOffset (flac);
    ASSERT_LT (firstFrame + 1000, flac.getSize());

    // Cut in the middle of its frames: the last frame breaks off.
    juce::MemoryBlock cut (flac.getData(), firstFrame + (flac.getSize() - firstFrame) / 2);
    // Whole, but its header announces half as many frames again as it holds.
    auto longer = flac;
    setFlacTotalSamples (longer, 30000);
    // Frames overwritten in their middle: the decoder reports a damaged frame.
    auto damaged = flac;
    for (size_t i = firstFrame + 200; i < firstFrame + 260; ++i)
        static_cast<unsigned char*> (damaged.getData())[i] ^= 0x5a;

    struct Case
    {
        const char* what;
        const juce::MemoryBlock& bytes;
        const char* messagePart;
    };
    const Case cases[] = { { "cut", cut, "cannot be decoded after frame" },
                           { "damaged", damaged, "cannot be decoded after frame" },
                           { "announcing more than it holds", longer, "is truncated: its header announces 30000 frames, the file holds 20000" } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        juce::AudioBuffer<float> audio;
        double rate = 0.0;
        const auto result = readWholeAudioFile (put ("f.flac", c.bytes), audio, rate);
        ASSERT_TRUE (result.failed());
        EXPECT_TRUE (result.getErrorMessage().contains (c.messagePart)) << result.getErrorMessage();
    }
}

TEST_F (AudioFileInputTest, ReadsPastTheEndGiveSilenceAndOverwriteEverySample)
{
    // Three stereo frames read into NaN-filled buffers, eight frames at a time: the three
    // frames, then silence; nothing of the old contents survives.
    const auto file = put ("s.aiff", aiff ({ 2, 3, 16, 48000.0, nullptr, int16Samples ({ 8192, -8192, 16384, -16384, 0, 32767 }, true) }));
    AudioFileInput input;
    ASSERT_TRUE (input.open (file).wasOk());
    EXPECT_EQ (input.getLayout().sampleRate, 48000.0);
    EXPECT_EQ (input.getLayout().announcedFrames, 3);

    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> left (8, nan), right (8, nan);
    float* dest[] = { left.data(), right.data() };
    int got = -1;
    ASSERT_TRUE (input.readNext (dest, 2, 8, got).wasOk());
    EXPECT_EQ (got, 3);
    const float scale = 1.0f / 2147483647.0f;
    const std::vector<float> expectedLeft { (float) (8192 * 65536) * scale, (float) (16384 * 65536) * scale, 0.0f, 0, 0, 0, 0, 0 };
    const std::vector<float> expectedRight { (float) (-8192 * 65536) * scale, (float) (-16384 * 65536) * scale,
                                             (float) (32767 * 65536) * scale, 0, 0, 0, 0, 0 };
    EXPECT_EQ (left, expectedLeft);
    EXPECT_EQ (right, expectedRight);

    std::fill (left.begin(), left.end(), nan);
    ASSERT_TRUE (input.readNext (dest, 1, 8, got).wasOk());
    EXPECT_EQ (got, 0);
    EXPECT_EQ (left, std::vector<float> (8, 0.0f));
}
