#include "processor/AudioFileDecoders.h"

#include <cmath>
#include <cstring>

// WAV and AIFF: the header is parsed here rather than by the framework's readers, which believe
// any channel count and bit depth (a zero bit depth divides by zero, a frame of more than a few
// kilobytes never advances, an unsupported depth leaves the buffer uninitialised). The samples
// are plain PCM and are converted here too.

namespace
{
constexpr int kChunkFrames = 4096;

enum class SampleCoding
{
    integer,
    floatingPoint
};

// How the samples of a PCM file are stored.
struct PcmFormat
{
    SampleCoding coding = SampleCoding::integer;
    int bits = 0;
    bool bigEndian = false;
    bool unsignedBytes = false; // WAV's 8-bit samples
    int numChannels = 0;
    double sampleRate = 0.0;
    juce::int64 dataStart = -1;
    juce::int64 dataBytes = 0;  // as the header says
    juce::int64 frames = -1;    // as the header says; -1: from the data size
};

bool sameId (const char* id, const char* expected)
{
    return std::memcmp (id, expected, 4) == 0;
}

juce::uint32 readU32 (const unsigned char* b, bool bigEndian)
{
    return bigEndian ? juce::ByteOrder::bigEndianInt (b) : juce::ByteOrder::littleEndianInt (b);
}

juce::int32 readSample (const unsigned char* b, const PcmFormat& f)
{
    switch (f.bits)
    {
        case 8:  return f.unsignedBytes ? (juce::int32) b[0] - 128 : (juce::int32) (juce::int8) b[0];
        case 16: return (juce::int16) (f.bigEndian ? juce::ByteOrder::bigEndianShort (b) : juce::ByteOrder::littleEndianShort (b));
        case 24: return f.bigEndian ? juce::ByteOrder::bigEndian24Bit (b) : juce::ByteOrder::littleEndian24Bit (b);
        default: return (juce::int32) readU32 (b, f.bigEndian);
    }
}

float readFloatSample (const unsigned char* b, const PcmFormat& f)
{
    if (f.bits == 32)
    {
        const auto bits = readU32 (b, f.bigEndian);
        float value;
        std::memcpy (&value, &bits, sizeof (value));
        return value;
    }
    const auto bits = f.bigEndian ? juce::ByteOrder::bigEndianInt64 (b) : juce::ByteOrder::littleEndianInt64 (b);
    double value;
    std::memcpy (&value, &bits, sizeof (value));
    return static_cast<float> (value);
}

bool isSupportedDepth (const PcmFormat& f)
{
    if (f.coding == SampleCoding::floatingPoint)
        return f.bits == 32 || f.bits == 64;
    return f.bits == 8 || f.bits == 16 || f.bits == 24 || f.bits == 32;
}

juce::Result unsupportedDepth (const PcmFormat& f, const char* formatName)
{
    if (f.coding == SampleCoding::floatingPoint)
        return juce::Result::fail ("has " + juce::String (f.bits) + "-bit floating-point samples; " + formatName
                                   + " supports 32 and 64");
    return juce::Result::fail ("has " + juce::String (f.bits) + "-bit samples; " + formatName
                               + " supports 8, 16, 24 and 32");
}

// Common to both formats once the header is parsed: depth, channels, rate, and a length that
// the bytes after the data's start really hold.
juce::Result finishFormat (PcmFormat& f, juce::int64 fileSize, const char* formatName, AudioFileLayout& layout)
{
    if (! isSupportedDepth (f))
        return unsupportedDepth (f, formatName);
    if (auto r = checkChannelsAndRate (f.numChannels, f.sampleRate); r.failed())
        return r;
    if (f.dataStart < 0)
        return juce::Result::fail ("cannot be decoded (no sample data)");

    const juce::int64 bytesPerFrame = (juce::int64) f.numChannels * (f.bits / 8);
    const juce::int64 announced = f.frames >= 0 ? f.frames : f.dataBytes / bytesPerFrame;
    const juce::int64 held = juce::jmax (juce::int64 { 0 }, fileSize - f.dataStart) / bytesPerFrame;
    const juce::int64 inChunk = f.dataBytes / bytesPerFrame;
    if (announced > held || announced > inChunk)
        return juce::Result::fail (truncatedMessage (announced, juce::jmin (held, inChunk)));

    layout.numChannels = f.numChannels;
    layout.sampleRate = f.sampleRate;
    layout.announcedFrames = announced;
    layout.lengthMatchesFileSize = true;
    return juce::Result::ok();
}

// Walks the chunks that follow a RIFF or FORM header: handle (id, size, chunkStart, stop) sees
// each one with the stream at its contents; it ends at the end of the file, when a chunk's
// size runs past it, or when the handler sets `stop`.
template <typename Handler>
juce::Result walkChunks (juce::InputStream& in, bool bigEndian, Handler&& handle)
{
    while (in.getPosition() + 8 <= in.getTotalLength())
    {
        unsigned char header[8] {};
        in.read (header, 8);
        const auto size = readU32 (header + 4, bigEndian);
        const auto chunkStart = in.getPosition();
        bool stop = false;
        if (auto r = handle (reinterpret_cast<const char*> (header), size, chunkStart, stop); r.failed())
            return r;
        if (stop || ! in.setPosition (chunkStart + (juce::int64) size + (size & 1)))
            break;
    }
    return juce::Result::ok();
}

class PcmDecoder : public AudioFileDecoder
{
public:
    juce::Result decode (float* const* dest, int maxFrames, int& framesDecoded) override
    {
        framesDecoded = 0;
        const int n = (int) juce::jmin ((juce::int64) juce::jmin (maxFrames, kChunkFrames), remaining);
        if (n <= 0)
            return juce::Result::ok();

        const int bytesPerSample = format.bits / 8;
        const int bytesPerFrame = format.numChannels * bytesPerSample;
        const auto wanted = (size_t) n * (size_t) bytesPerFrame;
        if (input->read (bytes.getData(), wanted) != (int) wanted)
            return juce::Result::fail ("cannot be read past frame " + juce::String (position));

        for (int ch = 0; ch < format.numChannels; ++ch)
        {
            const unsigned char* src = bytes.getData() + ch * bytesPerSample;
            float* out = dest[ch];
            for (int i = 0; i < n; ++i, src += bytesPerFrame)
                out[i] = format.coding == SampleCoding::floatingPoint
                             ? readFloatSample (src, format)
                             : fixedToFloat (widenSample (readSample (src, format), format.bits));
            if (format.coding == SampleCoding::floatingPoint)
                silenceBrokenSamples (out, n);
        }
        remaining -= n;
        position += n;
        framesDecoded = n;
        return juce::Result::ok();
    }

protected:
    juce::Result start (juce::InputStream& in, AudioFileLayout& layout, const char* formatName)
    {
        auto result = finishFormat (format, in.getTotalLength(), formatName, layout);
        if (result.failed())
            return result;
        if (! in.setPosition (format.dataStart))
            return juce::Result::fail ("cannot be read at its sample data");
        input = &in;
        remaining = layout.announcedFrames;
        bytes.allocate ((size_t) kChunkFrames * (size_t) format.numChannels * (size_t) (format.bits / 8), true);
        return juce::Result::ok();
    }

    PcmFormat format;

private:
    juce::InputStream* input = nullptr;
    juce::HeapBlock<unsigned char> bytes;
    juce::int64 remaining = 0, position = 0;
};

// ---- WAV -----------------------------------------------------------------------------------

constexpr int kWavPcm = 1;
constexpr int kWavFloat = 3;
constexpr int kWavExtensible = 0xfffe;
constexpr juce::uint32 kNoSize = 0xffffffffu; // RF64: the real size is in the "ds64" chunk
// The 14 bytes after the format code in the sub-format GUID of WAVE_FORMAT_EXTENSIBLE.
constexpr unsigned char kWavGuidTail[14] = { 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                            0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71 };

class WavDecoder : public PcmDecoder
{
public:
    juce::Result open (juce::InputStream& in, AudioFileLayout& layout) override
    {
        char id[4] {};
        in.read (id, 4);
        const bool sixtyFour = ! sameId (id, "RIFF");
        in.skipNextBytes (4);
        in.read (id, 4);
        if (! sameId (id, "WAVE"))
            return juce::Result::fail ("cannot be decoded (not a WAV file)");

        bool haveFormat = false;
        juce::int64 ds64DataBytes = -1;
        auto walked = walkChunks (in, false, [&] (const char* name, juce::uint32 size, juce::int64 chunkStart, bool& stop) {
            if (sameId (name, "fmt "))
            {
                if (auto r = readFormatChunk (in, size); r.failed())
                    return r;
                haveFormat = true;
            }
            else if (sameId (name, "ds64") && size >= 24)
            {
                in.skipNextBytes (8);
                ds64DataBytes = in.readInt64();
            }
            else if (sameId (name, "data"))
            {
                format.dataStart = chunkStart;
                format.dataBytes = (sixtyFour && size == kNoSize && ds64DataBytes >= 0) ? ds64DataBytes : (juce::int64) size;
            }
            stop = haveFormat && format.dataStart >= 0;
            return juce::Result::ok();
        });
        if (walked.failed())
            return walked;
        if (! haveFormat)
            return juce::Result::fail ("cannot be decoded (the WAV file has no format chunk)");
        return start (in, layout, "WAV");
    }

private:
    juce::Result readFormatChunk (juce::InputStream& in, juce::uint32 size)
    {
        constexpr juce::uint32 kBasicSize = 16, kExtensibleSize = 40;
        if (size < kBasicSize)
            return juce::Result::fail ("cannot be decoded (its WAV format chunk is too short)");
        unsigned char b[kExtensibleSize] {};
        in.read (b, (int) juce::jmin (size, kExtensibleSize));

        int code = juce::ByteOrder::littleEndianShort (b);
        format.numChannels = juce::ByteOrder::littleEndianShort (b + 2);
        format.sampleRate = juce::ByteOrder::littleEndianInt (b + 4);
        format.bits = juce::ByteOrder::littleEndianShort (b + 14);

        if (code == kWavExtensible)
        {
            if (size < kExtensibleSize || std::memcmp (b + 26, kWavGuidTail, sizeof (kWavGuidTail)) != 0)
                return juce::Result::fail ("uses a WAV sample format that is not supported");
            code = juce::ByteOrder::littleEndianShort (b + 24);
        }
        if (code != kWavPcm && code != kWavFloat)
            return juce::Result::fail ("uses WAV sample format " + juce::String (code)
                                       + ", which is not supported (PCM and floating point are)");
        format.coding = code == kWavFloat ? SampleCoding::floatingPoint : SampleCoding::integer;
        format.unsignedBytes = true;
        return juce::Result::ok();
    }
};

// ---- AIFF ----------------------------------------------------------------------------------

// The 80-bit extended float of AIFF's sample rate; NaN for infinities and NaNs.
double readExtended (const unsigned char* b)
{
    const int exponent = ((b[0] & 0x7f) << 8) | b[1];
    const auto mantissa = juce::ByteOrder::bigEndianInt64 (b + 2);
    if (exponent == 0x7fff)
        return std::nan ("");
    const double value = std::ldexp ((double) mantissa, exponent - 16383 - 63);
    return (b[0] & 0x80) != 0 ? -value : value;
}

class AiffDecoder : public PcmDecoder
{
public:
    juce::Result open (juce::InputStream& in, AudioFileLayout& layout) override
    {
        char id[4] {};
        in.read (id, 4);
        in.skipNextBytes (4);
        in.read (id, 4);
        const bool compressed = sameId (id, "AIFC");
        if (! compressed && ! sameId (id, "AIFF"))
            return juce::Result::fail ("cannot be decoded (not an AIFF file)");

        format.bigEndian = true;
        bool haveCommon = false;
        auto walked = walkChunks (in, true, [&] (const char* name, juce::uint32 size, juce::int64 chunkStart, bool& stop) {
            if (sameId (name, "COMM"))
            {
                if (auto r = readCommonChunk (in, size, compressed); r.failed())
                    return r;
                haveCommon = true;
            }
            else if (sameId (name, "SSND") && size >= 8)
            {
                unsigned char b[8] {};
                in.read (b, 8);
                const auto offset = (juce::int64) juce::ByteOrder::bigEndianInt (b);
                format.dataStart = chunkStart + 8 + offset;
                format.dataBytes = juce::jmax (juce::int64 { 0 }, (juce::int64) size - 8 - offset);
            }
            stop = haveCommon && format.dataStart >= 0;
            return juce::Result::ok();
        });
        if (walked.failed())
            return walked;
        if (! haveCommon)
            return juce::Result::fail ("cannot be decoded (the AIFF file has no COMM chunk)");
        return start (in, layout, compressed ? "AIFF-C" : "AIFF");
    }

private:
    juce::Result readCommonChunk (juce::InputStream& in, juce::uint32 size, bool compressed)
    {
        constexpr juce::uint32 kBasicSize = 18, kCompressedSize = 22;
        if (size < (compressed ? kCompressedSize : kBasicSize))
            return juce::Result::fail ("cannot be decoded (its AIFF COMM chunk is too short)");
        unsigned char b[kCompressedSize] {};
        in.read (b, (int) (compressed ? kCompressedSize : kBasicSize));

        format.numChannels = (juce::int16) juce::ByteOrder::bigEndianShort (b);
        format.frames = juce::ByteOrder::bigEndianInt (b + 2);
        format.bits = (juce::int16) juce::ByteOrder::bigEndianShort (b + 6);
        format.sampleRate = readExtended (b + 8);
        if (! compressed)
            return juce::Result::ok();

        const auto* type = reinterpret_cast<const char*> (b + 18);
        if (sameId (type, "NONE") || sameId (type, "twos"))
            return juce::Result::ok();
        if (sameId (type, "sowt"))
        {
            format.bigEndian = false;
            return juce::Result::ok();
        }
        const bool float32 = sameId (type, "fl32") || sameId (type, "FL32");
        const bool float64 = sameId (type, "fl64") || sameId (type, "FL64");
        if (float32 || float64)
        {
            format.coding = SampleCoding::floatingPoint;
            format.bits = float32 ? 32 : 64;
            return juce::Result::ok();
        }
        return juce::Result::fail ("uses AIFF-C compression '" + juce::String (type, 4) + "', which is not supported");
    }
};
} // namespace

std::unique_ptr<AudioFileDecoder> makeWavDecoder()
{
    return std::make_unique<WavDecoder>();
}

std::unique_ptr<AudioFileDecoder> makeAiffDecoder()
{
    return std::make_unique<AiffDecoder>();
}
