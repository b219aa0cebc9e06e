#include "processor/AudioFileDecoders.h"

#include <cstring>

// What a file is, from its first bytes (never from its name): one of the formats read here, or
// a format a user may well drop in that is recognised only to be named in the refusal.

namespace
{
// Enough for the headers below: an Ogg page's first packet starts at byte 28, an ASF header
// object's identifier fills 16 bytes, text is judged by its first line or so.
constexpr size_t kHeadBytes = 64;
constexpr size_t kId3HeaderBytes = 10;
constexpr size_t kId3FooterBytes = 10;
constexpr size_t kOggFirstPacket = 28;
constexpr const char* kMp3 = "an MP3 (MPEG audio) file";
constexpr const char* kAac = "an AAC file";

bool startsWith (const unsigned char* bytes, size_t numBytes, size_t offset, const char* id, size_t length)
{
    return numBytes >= offset + length && std::memcmp (bytes + offset, id, length) == 0;
}

bool startsWith (const unsigned char* bytes, size_t numBytes, size_t offset, const char* id)
{
    return startsWith (bytes, numBytes, offset, id, std::strlen (id));
}

// An MPEG audio frame header (MP3 and its Layer I/II relatives): 11 sync bits, a layer that is
// not the reserved 00 (which ADTS uses).
bool isMpegAudioFrame (const unsigned char* b, size_t n)
{
    return n >= 2 && b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && (b[1] & 0x06) != 0;
}

// An AAC stream in ADTS frames: 12 sync bits and layer 00.
bool isAdtsFrame (const unsigned char* b, size_t n)
{
    return n >= 2 && b[0] == 0xFF && (b[1] & 0xF6) == 0xF0;
}

// Printable text (with tabs and line ends), as a text file renamed to .wav starts.
bool looksLikeText (const unsigned char* b, size_t n)
{
    if (n == 0)
        return false;
    for (size_t i = 0; i < n; ++i)
    {
        const unsigned char c = b[i];
        const bool printable = (c >= 0x20 && c < 0x7F) || c == '\t' || c == '\n' || c == '\r' || c >= 0x80;
        if (! printable)
            return false;
    }
    return true;
}

// The ID3v2 tag's whole length: header, the syncsafe size (7 bits a byte) and the footer the
// flags announce; 0 when the bytes are no ID3v2 header.
size_t id3TagLength (const unsigned char* b, size_t n)
{
    if (! startsWith (b, n, 0, "ID3") || n < kId3HeaderBytes)
        return 0;
    for (size_t i = 6; i < 10; ++i)
        if ((b[i] & 0x80) != 0)
            return 0;
    const size_t body = (size_t (b[6]) << 21) | (size_t (b[7]) << 14) | (size_t (b[8]) << 7) | size_t (b[9]);
    const bool footer = (b[5] & 0x10) != 0;
    return kId3HeaderBytes + body + (footer ? kId3FooterBytes : 0);
}

SniffedAudioFile foreign (const char* what, bool audio)
{
    return { AudioFileKind::unknown, what, audio };
}

SniffedAudioFile foreignFormatOf (const unsigned char* b, size_t n)
{
    static const unsigned char kAsfHeader[] = { 0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C };
    if (isMpegAudioFrame (b, n))
        return foreign (kMp3, true);
    if (isAdtsFrame (b, n))
        return foreign (kAac, true);
    if (startsWith (b, n, 4, "ftyp"))
        return foreign ("an MPEG-4 file (M4A, AAC or ALAC)", true);
    if (startsWith (b, n, 0, reinterpret_cast<const char*> (kAsfHeader), sizeof (kAsfHeader)))
        return foreign ("a Windows Media file (WMA)", true);
    if (startsWith (b, n, 0, "OggS") && startsWith (b, n, kOggFirstPacket, "OpusHead"))
        return foreign ("an Ogg Opus file", true);
    if (startsWith (b, n, 0, "caff"))
        return foreign ("a Core Audio file (CAF)", true);
    if (startsWith (b, n, 0, "MThd"))
        return foreign ("a MIDI file, which holds notes, not sound", false);
    if (looksLikeText (b, n))
        return foreign ("a text file, not audio", false);
    return {};
}

SniffedAudioFile sniffHead (const unsigned char* b, size_t n)
{
    const bool riff = startsWith (b, n, 0, "RIFF") || startsWith (b, n, 0, "RF64") || startsWith (b, n, 0, "BW64");
    if (riff && startsWith (b, n, 8, "WAVE"))
        return { AudioFileKind::wav, nullptr };
    if (startsWith (b, n, 0, "FORM") && (startsWith (b, n, 8, "AIFF") || startsWith (b, n, 8, "AIFC")))
        return { AudioFileKind::aiff, nullptr };
    if (startsWith (b, n, 0, "fLaC"))
        return { AudioFileKind::flac, nullptr };
    if (startsWith (b, n, 0, "OggS") && ! startsWith (b, n, kOggFirstPacket, "OpusHead"))
        return { AudioFileKind::oggVorbis, nullptr };
    return foreignFormatOf (b, n);
}
} // namespace

SniffedAudioFile sniffAudioFile (juce::InputStream& in)
{
    unsigned char head[kHeadBytes] {};
    if (! in.setPosition (0))
        return {};
    const auto got = static_cast<size_t> (juce::jmax (0, in.read (head, (int) kHeadBytes)));

    // An ID3v2 tag says nothing of what follows it: FLAC (which libFLAC reads past the tag),
    // MP3 or AAC. The stream after the tag decides.
    const size_t tag = id3TagLength (head, got);
    if (tag == 0)
        return sniffHead (head, got);
    unsigned char after[kHeadBytes] {};
    const bool reached = in.setPosition ((juce::int64) tag);
    const auto afterGot = reached ? static_cast<size_t> (juce::jmax (0, in.read (after, (int) kHeadBytes))) : 0;
    if (startsWith (after, afterGot, 0, "fLaC"))
        return { AudioFileKind::flac, nullptr };
    // MP3 is what carries such a tag nearly always.
    return foreign (isAdtsFrame (after, afterGot) ? kAac : kMp3, true);
}
