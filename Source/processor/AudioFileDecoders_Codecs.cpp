#include "processor/AudioFileDecoders.h"

#include <FLAC/stream_decoder.h>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

// FLAC and Ogg Vorbis through their codec libraries, decoded once from the start. Neither
// decoder is ever given a way to seek: the framework's FLAC reader crashes and loops in libFLAC's
// seek on damaged files, and a decoder that cannot seek has to take the length from the data it
// really decodes.

namespace
{
// FLAC's own limits: 4 to 32 bits per sample, blocks of 16 to 65535 samples.
constexpr unsigned kFlacMinBits = 4, kFlacMaxBits = 32;
constexpr unsigned kFlacMinBlock = 16, kFlacMaxBlock = 65535;
// The smallest possible FLAC frame: a 6-byte header, one constant subframe of at least 2 bytes
// and the 2-byte CRC. A header length beyond what that many frames could hold is a lie.
constexpr juce::int64 kFlacMinFrameBytes = 10;
// Decoder calls in a row that neither read input nor produced samples before giving up.
constexpr int kMaxCallsWithoutProgress = 16;

class FlacDecoder : public AudioFileDecoder
{
public:
    ~FlacDecoder() override
    {
        if (decoder != nullptr)
            FLAC__stream_decoder_delete (decoder);
    }

    juce::Result open (juce::InputStream& in, AudioFileLayout& layout) override
    {
        input = &in;
        decoder = FLAC__stream_decoder_new();
        if (decoder == nullptr
            || FLAC__stream_decoder_init_stream (decoder, readCallback, nullptr, nullptr, nullptr, eofCallback,
                                                 writeCallback, metadataCallback, errorCallback, this)
                   != FLAC__STREAM_DECODER_INIT_STATUS_OK)
            return juce::Result::fail ("cannot be decoded (the FLAC decoder did not start)");

        if (! FLAC__stream_decoder_process_until_end_of_metadata (decoder) || failure.isNotEmpty() || ! haveInfo)
            return juce::Result::fail ("cannot be decoded (damaged FLAC header)");

        if (info.bits_per_sample < kFlacMinBits || info.bits_per_sample > kFlacMaxBits)
            return juce::Result::fail ("has " + juce::String (info.bits_per_sample) + "-bit samples; FLAC supports 4 to 32");
        if (auto r = checkChannelsAndRate (info.channels, info.sample_rate); r.failed())
            return r;
        if (info.max_blocksize < kFlacMinBlock || info.max_blocksize > kFlacMaxBlock)
            return juce::Result::fail ("cannot be decoded (damaged FLAC header: block size "
                                       + juce::String (info.max_blocksize) + ")");

        // Zero means the encoder did not know the length.
        const auto announced = (juce::int64) info.total_samples;
        const auto possible = (in.getTotalLength() / kFlacMinFrameBytes + 1) * (juce::int64) info.max_blocksize;
        if (announced > possible)
            return juce::Result::fail ("announces " + juce::String (announced) + " frames, more than its "
                                       + juce::String (in.getTotalLength()) + " bytes can hold");

        layout.numChannels = (int) info.channels;
        layout.sampleRate = info.sample_rate;
        layout.announcedFrames = announced > 0 ? announced : -1;
        pending.setSize ((int) info.channels, (int) info.max_blocksize);
        return juce::Result::ok();
    }

    juce::Result decode (float* const* dest, int maxFrames, int& framesDecoded) override
    {
        framesDecoded = 0;
        int callsWithoutProgress = 0;
        while (pendingCount == 0)
        {
            if (FLAC__stream_decoder_get_state (decoder) == FLAC__STREAM_DECODER_END_OF_STREAM)
                return juce::Result::ok();

            const auto before = input->getPosition();
            const bool ok = FLAC__stream_decoder_process_single (decoder) != 0;
            if (failure.isNotEmpty() || ! ok)
            {
                // Trailing bytes after the last announced frame (a tag) are not a damaged file.
                if (info.total_samples > 0 && framesOut >= (juce::int64) info.total_samples)
                    return juce::Result::ok();
                return juce::Result::fail ("cannot be decoded after frame " + juce::String (framesOut) + " ("
                                           + (failure.isNotEmpty() ? failure : juce::String ("FLAC decoder failed")) + ")");
            }
            const bool progressed = pendingCount > 0 || input->getPosition() != before;
            callsWithoutProgress = progressed ? 0 : callsWithoutProgress + 1;
            if (callsWithoutProgress > kMaxCallsWithoutProgress)
                return juce::Result::fail ("cannot be decoded after frame " + juce::String (framesOut)
                                           + " (the FLAC decoder makes no progress)");
        }

        const int n = juce::jmin (maxFrames, pendingCount);
        for (int ch = 0; ch < pending.getNumChannels(); ++ch)
            juce::FloatVectorOperations::copy (dest[ch], pending.getReadPointer (ch, pendingStart), n);
        pendingStart += n;
        pendingCount -= n;
        framesOut += n;
        framesDecoded = n;
        return juce::Result::ok();
    }

private:
    static FLAC__StreamDecoderReadStatus readCallback (const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes, void* self)
    {
        auto& in = *static_cast<FlacDecoder*> (self)->input;
        const int wanted = (int) juce::jmin (*bytes, (size_t) std::numeric_limits<int>::max());
        const int got = in.read (buffer, wanted);
        *bytes = (size_t) juce::jmax (0, got);
        if (got < 0)
            return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
        return got == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
    }

    static FLAC__bool eofCallback (const FLAC__StreamDecoder*, void* self)
    {
        return static_cast<FlacDecoder*> (self)->input->isExhausted();
    }

    static void metadataCallback (const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* self)
    {
        auto& me = *static_cast<FlacDecoder*> (self);
        if (metadata->type == FLAC__METADATA_TYPE_STREAMINFO && ! me.haveInfo)
        {
            me.info = metadata->data.stream_info;
            me.haveInfo = true;
        }
    }

    static void errorCallback (const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* self)
    {
        auto& me = *static_cast<FlacDecoder*> (self);
        if (me.failure.isEmpty())
            me.failure = FLAC__StreamDecoderErrorStatusString[status];
    }

    static FLAC__StreamDecoderWriteStatus writeCallback (const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                         const FLAC__int32* const buffer[], void* self)
    {
        return static_cast<FlacDecoder*> (self)->takeFrame (*frame, buffer);
    }

    FLAC__StreamDecoderWriteStatus takeFrame (const FLAC__Frame& frame, const FLAC__int32* const buffer[])
    {
        // A frame must match the stream's header: that is what every buffer was sized for.
        const auto& h = frame.header;
        if (! haveInfo || h.channels != info.channels || h.bits_per_sample != info.bits_per_sample
            || h.blocksize > info.max_blocksize || (int) h.blocksize > pending.getNumSamples())
        {
            if (failure.isEmpty())
                failure = "a FLAC frame does not match the stream's header";
            return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
        }

        const int bits = (int) info.bits_per_sample;
        for (unsigned ch = 0; ch < h.channels; ++ch)
        {
            float* out = pending.getWritePointer ((int) ch);
            for (unsigned i = 0; i < h.blocksize; ++i)
                out[i] = fixedToFloat (widenSample (buffer[ch][i], bits));
        }
        pendingStart = 0;
        pendingCount = (int) h.blocksize;
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }

    juce::InputStream* input = nullptr;
    FLAC__StreamDecoder* decoder = nullptr;
    FLAC__StreamMetadata_StreamInfo info {};
    bool haveInfo = false;
    juce::String failure;
    juce::AudioBuffer<float> pending;
    int pendingStart = 0, pendingCount = 0;
    juce::int64 framesOut = 0;
};

// ---- Ogg Vorbis ----------------------------------------------------------------------------

class OggVorbisDecoder : public AudioFileDecoder
{
public:
    ~OggVorbisDecoder() override
    {
        if (opened)
            ov_clear (&file);
    }

    juce::Result open (juce::InputStream& in, AudioFileLayout& layout) override
    {
        input = &in;
        // No seek function: the stream is read once from the start.
        ov_callbacks callbacks { readCallback, nullptr, nullptr, nullptr };
        if (ov_open_callbacks (this, &file, nullptr, 0, callbacks) != 0)
            return juce::Result::fail ("cannot be decoded (damaged or unsupported Ogg stream)");
        opened = true;

        const auto* info = ov_info (&file, -1);
        if (info == nullptr)
            return juce::Result::fail ("cannot be decoded (damaged Ogg Vorbis header)");
        if (auto r = checkChannelsAndRate (info->channels, (double) info->rate); r.failed())
            return r;
        numChannels = info->channels;
        sampleRate = info->rate;

        layout.numChannels = numChannels;
        layout.sampleRate = (double) sampleRate;
        layout.announcedFrames = -1;
        return juce::Result::ok();
    }

    juce::Result decode (float* const* dest, int maxFrames, int& framesDecoded) override
    {
        framesDecoded = 0;
        float** pcm = nullptr;
        int section = 0;
        const long got = ov_read_float (&file, &pcm, maxFrames, &section);
        if (got == 0)
            return juce::Result::ok();

        const auto* info = got > 0 ? ov_info (&file, section) : nullptr;
        if (got < 0 || got > maxFrames || info == nullptr || info->channels != numChannels || info->rate != sampleRate)
            return juce::Result::fail ("cannot be decoded after frame " + juce::String (framesOut)
                                       + (got < 0 ? " (damaged Ogg Vorbis data)" : " (the Ogg stream changes its format)"));

        for (int ch = 0; ch < numChannels; ++ch)
        {
            juce::FloatVectorOperations::copy (dest[ch], pcm[ch], (int) got);
            silenceBrokenSamples (dest[ch], (int) got);
        }
        framesOut += got;
        framesDecoded = (int) got;
        return juce::Result::ok();
    }

private:
    static size_t readCallback (void* buffer, size_t size, size_t count, void* self)
    {
        if (size == 0)
            return 0;
        const auto wanted = (int) juce::jmin (size * count, (size_t) std::numeric_limits<int>::max() / 2);
        const int got = static_cast<OggVorbisDecoder*> (self)->input->read (buffer, wanted);
        return got > 0 ? (size_t) got / size : 0;
    }

    juce::InputStream* input = nullptr;
    OggVorbis_File file {};
    bool opened = false;
    int numChannels = 0;
    long sampleRate = 0;
    juce::int64 framesOut = 0;
};
} // namespace

std::unique_ptr<AudioFileDecoder> makeFlacDecoder()
{
    return std::make_unique<FlacDecoder>();
}

std::unique_ptr<AudioFileDecoder> makeOggVorbisDecoder()
{
    return std::make_unique<OggVorbisDecoder>();
}
