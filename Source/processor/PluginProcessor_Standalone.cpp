#include "processor/PluginProcessor.h"

#include <cmath>
#include <limits>

// The standalone application has no audio inputs: it plays the two loaded files from memory,
// either one alone to audition it or both through the engine, optionally looping. The message
// thread hands files over under bufferLock; the audio thread only ever tries that lock and plays
// a silent block when a hand-over is in progress.

namespace
{
float peakOver (const juce::AudioBuffer<float>& buffer, int numChannels, int numSamples)
{
    float peak = 0.0f;
    if (buffer.hasBeenCleared())
        return peak;
    for (int c = 0; c < std::min (numChannels, buffer.getNumChannels()); ++c)
        peak = std::max (peak, buffer.getMagnitude (c, 0, numSamples));
    return peak;
}

// Grows a work buffer to at least the given size and never shrinks it, so that once the largest
// block has been seen the audio thread stops allocating.
void growToFit (juce::AudioBuffer<float>& buffer, int numChannels, int numSamples)
{
    if (buffer.getNumChannels() >= numChannels && buffer.getNumSamples() >= numSamples)
        return;
    buffer.setSize (std::max (buffer.getNumChannels(), numChannels), std::max (buffer.getNumSamples(), numSamples),
                    false, false, true);
}

// One channel of a work buffer: the file's samples from position start on, silence where the
// file has ended (a shorter file is padded up to the longer one). With looping, the position
// wraps to 0 at the play length.
void fillFromFile (float* dest, int numSamples, const juce::AudioBuffer<float>& file, int fileChannel,
                   int start, int playLength, bool loop)
{
    const int fileLength = file.getNumSamples();
    const float* src = (file.getNumChannels() > 0 && ! file.hasBeenCleared()) ? file.getReadPointer (fileChannel)
                                                                                : nullptr;
    long long q = start;
    for (int i = 0; i < numSamples; ++i)
    {
        if (loop && q >= playLength)
            q = 0;
        dest[i] = (src != nullptr && q < fileLength) ? src[q] : 0.0f;
        ++q;
    }
}
} // namespace

void QuorvaneAudioProcessor::setAudio1Buffer (const juce::AudioBuffer<float>& buffer, double sampleRate)
{
    setAudioBuffer (audio1Buffer, audio1Length, buffer, sampleRate);
}

void QuorvaneAudioProcessor::setAudio2Buffer (const juce::AudioBuffer<float>& buffer, double sampleRate)
{
    setAudioBuffer (audio2Buffer, audio2Length, buffer, sampleRate);
}

void QuorvaneAudioProcessor::setAudioBuffer (juce::AudioBuffer<float>& target, std::atomic<int>& length,
                                             const juce::AudioBuffer<float>& source, double sampleRate)
{
    const juce::SpinLock::ScopedLockType lock (bufferLock);
    target.makeCopyOf (source);
    length.store (target.getNumSamples());
    // Files play at the device rate sample by sample, but the engine and the modulators compute
    // with the file's own rate until the device is prepared again. A rate that is not a positive
    // number would break every filter, so it is not taken.
    if (source.getNumSamples() > 0 && std::isfinite (sampleRate) && sampleRate > 0.0)
        currentSampleRate = sampleRate;
    playPosition.store (0);
}

void QuorvaneAudioProcessor::setPlayMode (PlayMode mode)
{
    if (playMode.load() != mode)
        playPosition.store (0);
    playMode.store (mode);
}

void QuorvaneAudioProcessor::processBlockStandalone (juce::AudioBuffer<float>& buffer)
{
    // Set again only by a block that plays the blend: any other block ends the run.
    const bool blendWasRunning = blendRunning;
    blendRunning = false;

    const int mode = playMode.load();
    if (mode == Stopped)
    {
        if (! buffer.hasBeenCleared())
            buffer.clear();
        inputLevel1.store (0.0f);
        inputLevel2.store (0.0f);
        return;
    }

    const juce::SpinLock::ScopedTryLockType lock (bufferLock);
    if (! lock.isLocked())
    {
        buffer.clear(); // a file is being handed over: skip this block rather than wait
        return;
    }

    const int length1 = audio1Buffer.getNumSamples();
    const int length2 = audio2Buffer.getNumSamples();
    int length = 0;
    switch (mode)
    {
        case PlayBlend: length = (length1 > 0 && length2 > 0) ? std::max (length1, length2) : 0; break;
        case PlayAudio1: length = length1; break;
        case PlayAudio2: length = length2; break;
        default: break;
    }
    if (length <= 0)
    {
        // Nothing to play yet; the mode stays so that playback starts when the file arrives.
        buffer.clear();
        return;
    }

    const int pos = playPosition.load();
    const int start = (pos >= 0 && pos < length) ? pos : 0;
    if (pos >= length && ! loopEnabled.load())
    {
        // The previous block reached the end.
        buffer.clear();
        playMode.store (Stopped);
        playPosition.store (0);
        return;
    }

    if (mode == PlayBlend)
    {
        // Play after Stop, or after a file page: the blend starts from clean delays and states
        // instead of the tail of the last run.
        if (! blendWasRunning)
            engine.reset();
        blendRunning = true;
        playBlend (buffer, length, start);
    }
    else
        playOneFile (buffer, mode == PlayAudio1 ? audio1Buffer : audio2Buffer, length, start, mode == PlayAudio1);
}

void QuorvaneAudioProcessor::playOneFile (juce::AudioBuffer<float>& buffer, const juce::AudioBuffer<float>& source,
                                          int length, int start, bool isAudio1)
{
    const int n = buffer.getNumSamples();
    const int numChannels = buffer.getNumChannels();
    const bool loop = loopEnabled.load();
    const bool sourceSilent = source.getNumChannels() == 0 || source.hasBeenCleared();

    int written = 0;
    int p = start;
    while (written < n)
    {
        const int chunk = std::min (length - p, n - written);
        if (chunk > 0)
        {
            for (int c = 0; c < numChannels; ++c)
            {
                if (sourceSilent)
                    buffer.clear (c, written, chunk);
                else
                    buffer.copyFrom (c, written, source, std::min (c, source.getNumChannels() - 1), p, chunk);
            }
            written += chunk;
            p += chunk;
        }
        if (p >= length)
        {
            p = 0;
            if (! loop)
            {
                // End of the file: the rest of this block is silent and playback stops.
                for (int c = 0; c < numChannels; ++c)
                    buffer.clear (c, written, n - written);
                playMode.store (Stopped);
                playPosition.store (0);
                return;
            }
        }
    }
    playPosition.store (p);

    const float peak = peakOver (buffer, numChannels, n);
    inputLevel1.store (isAudio1 ? peak : 0.0f);
    inputLevel2.store (isAudio1 ? 0.0f : peak);
}

void QuorvaneAudioProcessor::playBlend (juce::AudioBuffer<float>& buffer, int length, int start)
{
    const SettingsRead settingsRead = startSettingsRead();
    const int n = buffer.getNumSamples();
    const int numChannels = buffer.getNumChannels();
    const bool loop = loopEnabled.load();

    growToFit (workBuffer1, numChannels, n);
    growToFit (workBuffer2, numChannels, n);

    for (int c = 0; c < numChannels; ++c)
    {
        const int file1Channel = std::max (0, std::min (c, audio1Buffer.getNumChannels() - 1));
        const int file2Channel = std::max (0, std::min (c, audio2Buffer.getNumChannels() - 1));
        fillFromFile (workBuffer1.getWritePointer (c), n, audio1Buffer, file1Channel, start, length, loop);
        fillFromFile (workBuffer2.getWritePointer (c), n, audio2Buffer, file2Channel, start, length, loop);
    }

    // Past the end without looping, this block still plays (its tail is silent) and the next
    // block stops playback.
    const long long end = static_cast<long long> (start) + n;
    if (end < length)
        playPosition.store (static_cast<int> (end));
    else
        playPosition.store (static_cast<int> (loop ? end % length
                                                   : std::min<long long> (end, std::numeric_limits<int>::max())));

    inputLevel1.store (peakOver (workBuffer1, numChannels, n));
    inputLevel2.store (peakOver (workBuffer2, numChannels, n));

    const int direction = currentDirection();
    const auto& role1 = direction == TwoToOne ? workBuffer2 : workBuffer1;
    const auto& role2 = direction == OneToTwo ? workBuffer2 : workBuffer1;

    const auto timing = standaloneModulatorTiming (start);
    mod2OverrideParamId = nullptr;
    mod2OverrideValue = 0.0f;
    const BlendMode mode = currentBlendMode();
    applyModulator2 (timing, mode, currentMathOp());
    BlendRecords records;
    const int latency = readBlockRecords (mode, settingsRead, records);
    records.steps = computeModulator1 (timing, latency);
    engine.processRealtime (mode, role1, role2, workBuffer1, workBuffer2, buffer, currentSampleRate, records);
}
