#include "processor/AudioFileInput.h"
#include "processor/AudioFileDecoders.h"

#include <cmath>

namespace
{
// Frames decoded per call into the scratch buffer, whatever the caller asks for.
constexpr int kScratchFrames = 4096;
// A whole-file load of unknown length starts with this many frames and doubles.
constexpr int kFirstCapacityFrames = 1 << 16;

// Whole rates as the integers they are, however large.
juce::String formatRate (double rate)
{
    if (std::isfinite (rate) && rate == std::floor (rate) && std::abs (rate) < 1.0e15)
        return juce::String ((juce::int64) rate);
    return juce::String (rate);
}
} // namespace

juce::Result checkChannelsAndRate (juce::int64 numChannels, double sampleRate)
{
    if (numChannels < 1 || numChannels > AudioFileInput::kMaxChannels)
        return juce::Result::fail ("has " + juce::String (numChannels) + " channels; 1 to "
                                   + juce::String (AudioFileInput::kMaxChannels) + " are supported");
    if (! (sampleRate >= AudioFileInput::kMinSampleRate && sampleRate <= AudioFileInput::kMaxSampleRate))
        return juce::Result::fail ("has a sample rate of " + formatRate (sampleRate) + " Hz; "
                                   + juce::String ((int) AudioFileInput::kMinSampleRate) + " to "
                                   + juce::String ((int) AudioFileInput::kMaxSampleRate) + " Hz are supported");
    return juce::Result::ok();
}

juce::String truncatedMessage (juce::int64 announced, juce::int64 held)
{
    return "is truncated: its header announces " + juce::String (announced) + " frames, the file holds "
           + juce::String (juce::jmax (juce::int64 { 0 }, held));
}

AudioFileInput::AudioFileInput() = default;
AudioFileInput::~AudioFileInput() = default;

juce::Result AudioFileInput::open (const juce::File& file)
{
    decoder.reset();
    stream.reset();
    layout = {};
    delivered = 0;
    ended = false;

    if (file.isDirectory())
        return juce::Result::fail ("is a directory, not an audio file");
    if (! file.existsAsFile())
        return juce::Result::fail ("does not exist (no such file)");

    stream = std::make_unique<juce::FileInputStream> (file);
    if (! stream->openedOk())
        return juce::Result::fail ("cannot be read: " + stream->getStatus().getErrorMessage());

    const auto sniffed = sniffAudioFile (*stream);
    switch (sniffed.kind)
    {
        case AudioFileKind::wav:       decoder = makeWavDecoder(); break;
        case AudioFileKind::aiff:      decoder = makeAiffDecoder(); break;
        case AudioFileKind::flac:      decoder = makeFlacDecoder(); break;
        case AudioFileKind::oggVorbis: decoder = makeOggVorbisDecoder(); break;
        case AudioFileKind::unknown:   break;
    }
    const juce::String supported = juce::String ("(supported: ") + kSupportedAudioFormats + ")";
    if (sniffed.foreignFormat != nullptr)
        return juce::Result::fail ("is " + juce::String (sniffed.foreignFormat)
                                   + (sniffed.foreignFormatIsAudio ? ", a format Quorvane does not read " : " ")
                                   + supported);
    if (decoder == nullptr || ! stream->setPosition (0))
        return juce::Result::fail ("cannot be decoded " + supported);

    AudioFileLayout checked;
    auto result = decoder->open (*stream, checked);
    if (result.failed())
    {
        decoder.reset();
        return result;
    }
    layout = checked;
    scratch.setSize (layout.numChannels, kScratchFrames);
    return juce::Result::ok();
}

juce::Result AudioFileInput::readNext (float* const* dest, int numDest, int n, int& framesFromFile)
{
    framesFromFile = 0;
    jassert (numDest <= layout.numChannels);
    numDest = juce::jmin (numDest, layout.numChannels);
    // Cleared first: whatever the decoders leave unwritten is silence, never old memory.
    for (int ch = 0; ch < numDest; ++ch)
        juce::FloatVectorOperations::clear (dest[ch], juce::jmax (0, n));
    if (decoder == nullptr || n <= 0)
        return juce::Result::ok();

    auto result = decodeInto (dest, numDest, n, framesFromFile);
    if (result.failed())
    {
        decoder.reset();
        ended = true;
    }
    return result;
}

juce::Result AudioFileInput::decodeInto (float* const* dest, int numDest, int n, int& framesFromFile)
{
    const auto announced = layout.announcedFrames;
    while (framesFromFile < n && ! ended)
    {
        // A header length is a ceiling the data may not pass, never a promise.
        juce::int64 wanted = juce::jmin (n - framesFromFile, kScratchFrames);
        if (announced >= 0)
            wanted = juce::jmin (wanted, announced - delivered);
        if (wanted <= 0)
        {
            ended = true;
            break;
        }

        scratch.clear();
        int got = 0;
        auto result = decoder->decode (scratch.getArrayOfWritePointers(), (int) wanted, got);
        if (result.failed())
            return result;
        if (got <= 0)
        {
            ended = true;
            if (announced >= 0 && delivered < announced)
                return juce::Result::fail (truncatedMessage (announced, delivered));
            break;
        }

        got = juce::jmin (got, (int) wanted);
        for (int ch = 0; ch < numDest; ++ch)
            juce::FloatVectorOperations::copy (dest[ch] + framesFromFile, scratch.getReadPointer (ch), got);
        framesFromFile += got;
        delivered += got;
    }
    return juce::Result::ok();
}

juce::Result readWholeAudioFile (const juce::File& file, juce::AudioBuffer<float>& audio, double& sampleRate)
{
    AudioFileInput input;
    auto result = input.open (file);
    if (result.failed())
        return result;

    const auto& layout = input.getLayout();
    const int numChannels = layout.numChannels;
    const juce::int64 maxFrames = juce::jmin (kMaxLoadedSamples / numChannels, (juce::int64) std::numeric_limits<int>::max());
    if (layout.lengthMatchesFileSize && layout.announcedFrames > maxFrames)
        return juce::Result::fail ("is too long to load (" + juce::String (layout.announcedFrames) + " frames)");

    // Only a length checked against the file's size may size the buffer up front.
    juce::int64 capacity = layout.lengthMatchesFileSize ? layout.announcedFrames
                                                         : juce::jmin ((juce::int64) kFirstCapacityFrames, maxFrames);
    juce::AudioBuffer<float> decoded (numChannels, (int) capacity);
    juce::HeapBlock<float*> dest ((size_t) numChannels);
    juce::int64 frames = 0;
    for (;;)
    {
        if (frames == capacity)
        {
            if (layout.lengthMatchesFileSize)
                break;
            if (capacity >= maxFrames)
                return juce::Result::fail ("is too long to load (more than " + juce::String (maxFrames) + " frames)");
            capacity = juce::jmin (capacity * 2, maxFrames);
            decoded.setSize (numChannels, (int) capacity, true, false, false);
        }
        const int n = (int) juce::jmin (capacity - frames, (juce::int64) kFirstCapacityFrames);
        for (int ch = 0; ch < numChannels; ++ch)
            dest[ch] = decoded.getWritePointer (ch, (int) frames);
        int got = 0;
        result = input.readNext (dest, numChannels, n, got);
        if (result.failed())
            return result;
        frames += got;
        if (got < n)
            break;
    }

    decoded.setSize (numChannels, (int) frames, true, false, false);
    audio = std::move (decoded);
    sampleRate = layout.sampleRate;
    return juce::Result::ok();
}
