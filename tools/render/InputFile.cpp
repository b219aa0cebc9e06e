#include "InputFile.h"

#include <cmath>

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
