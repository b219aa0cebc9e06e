#include "AudioFileFixtures.h"

#include <cmath>
#include <cstring>

namespace AudioFixtures
{
namespace
{
void putId (juce::MemoryOutputStream& out, const char* id)
{
    out.write (id, 4);
}

// The 80-bit extended float of an AIFF sample rate, for positive rates.
void putExtended (juce::MemoryOutputStream& out, double value)
{
    int exponent = 0;
    const double mantissa = std::frexp (value, &exponent); // value = mantissa * 2^exponent, 0.5 <= m < 1
    const auto bits = value > 0.0 ? (juce::uint64) std::ldexp (mantissa, 64) : 0;
    out.writeShortBigEndian ((short) (value > 0.0 ? exponent - 1 + 16383 : 0));
    out.writeInt64BigEndian ((juce::int64) bits);
}
} // namespace

juce::MemoryBlock wav (const WavSpec& spec)
{
    const bool extensible = spec.formatCode == 0xfffe;
    const int fmtSize = extensible ? 40 : 16;
    const int bytesPerFrame = spec.numChannels * spec.bitsPerSample / 8;
    juce::MemoryOutputStream out;
    putId (out, "RIFF");
    out.writeInt ((int) (4 + 8 + (size_t) fmtSize + 8 + spec.data.size()));
    putId (out, "WAVE");
    putId (out, "fmt ");
    out.writeInt (fmtSize);
    out.writeShort ((short) spec.formatCode);
    out.writeShort ((short) spec.numChannels);
    out.writeInt ((int) spec.sampleRate);
    out.writeInt ((int) (spec.sampleRate * (juce::uint32) bytesPerFrame));
    out.writeShort ((short) bytesPerFrame);
    out.writeShort ((short) spec.bitsPerSample);
    if (extensible)
    {
        const unsigned char guidTail[14] = { 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71 };
        out.writeShort (22);
        out.writeShort ((short) spec.bitsPerSample);
        out.writeInt (0);
        out.writeShort ((short) spec.subFormat);
        out.write (guidTail, sizeof (guidTail));
    }
    putId (out, "data");
    out.writeInt ((int) (spec.dataSize >= 0 ? spec.dataSize : (juce::int64) spec.data.size()));
    out.write (spec.data.data(), spec.data.size());
    return out.getMemoryBlock();
}

juce::MemoryBlock aiff (const AiffSpec& spec)
{
    const bool compressed = spec.compression != nullptr;
    const int commSize = compressed ? 24 : 18; // AIFF-C adds the type and an empty name (2 bytes)
    juce::MemoryOutputStream out;
    putId (out, "FORM");
    out.writeIntBigEndian ((int) (4 + 8 + (size_t) commSize + 16 + spec.data.size()));
    putId (out, compressed ? "AIFC" : "AIFF");
    putId (out, "COMM");
    out.writeIntBigEndian (commSize);
    out.writeShortBigEndian ((short) spec.numChannels);
    out.writeIntBigEndian ((int) spec.numFrames);
    out.writeShortBigEndian ((short) spec.bitsPerSample);
    putExtended (out, spec.sampleRate);
    if (compressed)
    {
        putId (out, spec.compression);
        out.writeShort (0);
    }
    putId (out, "SSND");
    out.writeIntBigEndian ((int) (8 + spec.data.size()));
    out.writeInt (0);
    out.writeInt (0);
    out.write (spec.data.data(), spec.data.size());
    if ((spec.data.size() & 1) != 0)
        out.writeByte (0);
    return out.getMemoryBlock();
}

std::vector<unsigned char> int16Samples (const std::vector<int>& interleaved, bool bigEndian)
{
    std::vector<unsigned char> bytes;
    for (int v : interleaved)
    {
        const auto u = (juce::uint16) (juce::int16) v;
        const unsigned char lo = (unsigned char) (u & 0xff), hi = (unsigned char) (u >> 8);
        bytes.push_back (bigEndian ? hi : lo);
        bytes.push_back (bigEndian ? lo : hi);
    }
    return bytes;
}

juce::MemoryBlock encoded (juce::AudioFormat& format, int numChannels, int frames, int bits, int quality)
{
    juce::MemoryBlock bytes;
    {
        auto stream = std::make_unique<juce::MemoryOutputStream> (bytes, false);
        std::unique_ptr<juce::AudioFormatWriter> writer (
            format.createWriterFor (stream.get(), 44100.0, (unsigned) numChannels, bits, {}, quality));
        if (writer == nullptr)
            return {};
        stream.release();
        juce::AudioBuffer<float> signal (numChannels, frames);
        for (int ch = 0; ch < numChannels; ++ch)
            for (int i = 0; i < frames; ++i)
                signal.setSample (ch, i, (float) (0.5 * std::sin (0.05 * i * (ch + 1)) + 0.3 * ((i % 200) / 200.0 - 0.5)));
        writer->writeFromAudioSampleBuffer (signal, 0, frames);
    }
    return bytes;
}

void setFlacTotalSamples (juce::MemoryBlock& flac, juce::uint64 totalSamples)
{
    // STREAMINFO follows "fLaC" and its 4-byte block header; the 36-bit count starts in the low
    // 4 bits of byte 13 of the block and fills bytes 14 to 17.
    auto* b = static_cast<unsigned char*> (flac.getData()) + 8;
    b[13] = (unsigned char) ((b[13] & 0xf0) | ((totalSamples >> 32) & 0x0f));
    for (int i = 0; i < 4; ++i)
        b[14 + i] = (unsigned char) (totalSamples >> (24 - 8 * i));
}

size_t flacFirstFrameOffset (const juce::MemoryBlock& flac)
{
    const auto* b = static_cast<const unsigned char*> (flac.getData());
    size_t offset = 4;
    while (offset + 4 <= flac.getSize())
    {
        const bool last = (b[offset] & 0x80) != 0;
        const size_t length = ((size_t) b[offset + 1] << 16) | ((size_t) b[offset + 2] << 8) | b[offset + 3];
        offset += 4 + length;
        if (last)
            break;
    }
    return offset;
}

bool writeFile (const juce::File& file, const juce::MemoryBlock& bytes)
{
    return file.replaceWithData (bytes.getData(), bytes.getSize());
}
} // namespace AudioFixtures
