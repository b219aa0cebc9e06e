#pragma once

#include "RenderOptions.h"

#include <juce_audio_basics/juce_audio_basics.h>

// The transport of an offline host: fixed tempo and time signature, and a position that moves
// with each block the way a playing host's does. A stopped host keeps its position.
class HostPlayHead final : public juce::AudioPlayHead
{
public:
    HostPlayHead (const TransportOptions& transport, double sampleRate);

    // Called before each block with the block's first frame (counted from the render's start).
    void setBlockStart (juce::int64 frame) noexcept { blockStart = frame; }

    juce::Optional<PositionInfo> getPosition() const override;

    // Position in quarter notes at a given frame of the render.
    double ppqAtFrame (juce::int64 frame) const noexcept;

private:
    TransportOptions transport;
    double sampleRate;
    juce::int64 blockStart = 0;
};
