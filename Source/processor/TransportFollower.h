#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cmath>

// The host's transport for one block, with what the host left out filled in.
struct TransportState
{
    bool playing = false;
    double bpm = 120.0;
    double ppq = -1.0; // quarter notes; negative while unknown or in pre-roll
    double numerator = 4.0, denominator = 4.0;
};

// Follows the host's musical position from block to block. Hosts of some formats (LV2) send a
// position only when something changes, and some give the time in samples without a position
// in quarter notes; both are entitled to. So a block without a position continues from the last
// one, advanced by the samples since at the last tempo, and a missing quarter-note position is
// derived from the time in samples and the tempo. A host that reports a stopped transport
// (LV2: speed 0) stops it. Audio thread only; no allocation.
class TransportFollower
{
public:
    void reset() noexcept { *this = TransportFollower {}; }

    TransportState next (const juce::Optional<juce::AudioPlayHead::PositionInfo>& position, int numSamples,
                         double sampleRate) noexcept
    {
        TransportState s = last;
        if (position.hasValue())
        {
            if (const auto signature = position->getTimeSignature())
            {
                s.numerator = signature->numerator;
                s.denominator = signature->denominator;
            }
            if (const auto tempo = position->getBpm())
                s.bpm = *tempo;
            s.playing = position->getIsPlaying();
            if (const auto quarters = position->getPpqPosition())
                s.ppq = *quarters;
            else if (const auto samples = position->getTimeInSamples(); samples.hasValue() && sampleRate > 0.0)
                s.ppq = static_cast<double> (*samples) / sampleRate * s.bpm / 60.0;
            else
                s.ppq = s.playing && last.playing ? nextPpq : -1.0;
        }
        else
        {
            s.ppq = last.playing ? nextPpq : -1.0;
        }

        last = s;
        const bool advances = s.playing && std::isfinite (s.ppq) && std::isfinite (s.bpm) && sampleRate > 0.0;
        nextPpq = advances ? s.ppq + static_cast<double> (numSamples) * s.bpm / 60.0 / sampleRate : s.ppq;
        return s;
    }

private:
    TransportState last;
    double nextPpq = -1.0;
};
