#include "InputFile.h"

#include <cmath>
#include <cstring>

namespace
{
// Where the sample data of a RIFF WAV (or RF64) file starts, or -1 for other files. The size a
// WAV header announces is what the decoder believes, and it pads with silence whatever the file
// lacks, so a truncated file (a copy cut short, a recorder that died before fixing its header)
// would otherwise render as if it were whole, or as hours of silence.
juce::int64 wavDataStart (juce::InputStream& in)
{
    char id[4] {};
    if (in.read (id, 4) != 4 || (std::memcmp (id, "RIFF", 4) != 0 && std::memcmp (id, "RF64", 4) != 0
                                 && std::memcmp (id, "BW64", 4) != 0))
        return -1;
    in.skipNextBytes (4);
    if (in.read (id, 4) != 4 || std::memcmp (id, "WAVE", 4) != 0)
        return -1;

    while (! in.isExhausted())
    {
        if (in.read (id, 4) != 4)
            return -1;
        const auto size = (juce::uint32) in.readInt();
        if (std::memcmp (id, "data", 4) == 0)
            return in.getPosition();
        in.setPosition (in.getPosition() + size + (size & 1));
    }
    return -1;
}
} // namespace

juce::Result InputFile::open (const juce::File& fileToOpen, const juce::String& fileRole)
{
    file = fileToOpen;
    role = fileRole;
    reader.reset();

    const auto name = role + " '" + file.getFullPathName() + "'";
    if (! file.exists())
        return juce::Result::fail (name + ": no such file");
    if (file.isDirectory())
        return juce::Result::fail (name + " is a directory, not an audio file");

    auto stream = std::make_unique<juce::FileInputStream> (file);
    if (! stream->openedOk())
        return juce::Result::fail (name + " cannot be read: " + stream->getStatus().getErrorMessage());

    if (formats.getNumKnownFormats() == 0)
        formats.registerBasicFormats();

    reader.reset (formats.createReaderFor (std::move (stream)));
    if (reader == nullptr)
        return juce::Result::fail (name + " cannot be decoded (supported: WAV, AIFF, FLAC, Ogg Vorbis)");

    sampleRate = reader->sampleRate;
    lengthInFrames = reader->lengthInSamples;
    numChannels = (int) reader->numChannels;

    if (numChannels < 1)
        return juce::Result::fail (name + " has no audio channels");
    if (! (sampleRate > 0.0) || ! std::isfinite (sampleRate))
        return juce::Result::fail (name + " has no valid sample rate");
    if (lengthInFrames < 0)
        return juce::Result::fail (name + " has an invalid length");

    juce::FileInputStream header (file);
    const auto dataStart = header.openedOk() ? wavDataStart (header) : -1;
    const auto bytesPerFrame = (juce::int64) numChannels * (juce::int64) (reader->bitsPerSample / 8);
    if (dataStart >= 0 && bytesPerFrame > 0)
    {
        const auto framesPresent = (file.getSize() - dataStart) / bytesPerFrame;
        if (framesPresent < lengthInFrames)
            return juce::Result::fail (name + " is truncated: its header announces " + juce::String (lengthInFrames)
                                       + " frames, the file holds " + juce::String (juce::jmax ((juce::int64) 0, framesPresent)));
    }

    return juce::Result::ok();
}

juce::Result InputFile::read (float* left, float* right, juce::int64 start, int n)
{
    if (n <= 0)
        return juce::Result::ok();

    if (reader == nullptr || start >= lengthInFrames)
    {
        juce::FloatVectorOperations::clear (left, n);
        juce::FloatVectorOperations::clear (right, n);
        return juce::Result::ok();
    }

    float* dest[2] = { left, right };
    const int channelsToRead = juce::jmin (numChannels, 2);
    if (! reader->read (dest, channelsToRead, start, n))
        return juce::Result::fail (role + " '" + file.getFullPathName() + "' cannot be decoded at frame "
                                   + juce::String (start));

    if (channelsToRead == 1)
        juce::FloatVectorOperations::copy (right, left, n);
    return juce::Result::ok();
}
