#include "HostPlayHead.h"

HostPlayHead::HostPlayHead (const TransportOptions& transportIn, double sampleRateIn)
    : transport (transportIn), sampleRate (sampleRateIn)
{
}

double HostPlayHead::ppqAtFrame (juce::int64 frame) const noexcept
{
    if (! transport.playing || sampleRate <= 0.0)
        return transport.ppqStart;
    // Computed from the frame count rather than accumulated per block, so long renders do not
    // drift from the tempo grid.
    return transport.ppqStart + (double) frame / sampleRate * transport.bpm / 60.0;
}

juce::Optional<juce::AudioPlayHead::PositionInfo> HostPlayHead::getPosition() const
{
    const auto frame = transport.playing ? blockStart : juce::int64 { 0 };

    PositionInfo info;
    info.setBpm (transport.bpm);
    info.setTimeSignature (TimeSignature { transport.numerator, transport.denominator });
    info.setPpqPosition (ppqAtFrame (blockStart));
    info.setTimeInSamples (frame);
    info.setTimeInSeconds (sampleRate > 0.0 ? (double) frame / sampleRate : 0.0);
    info.setIsPlaying (transport.playing);
    return info;
}
