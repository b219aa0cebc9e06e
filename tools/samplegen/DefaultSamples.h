#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

// The two default samples of the standalone application, synthesised so the project needs no
// audio from elsewhere: a four-bar drum loop and a four-bar chord sequence in C minor, both at
// 120 BPM, 48 kHz stereo.
namespace DefaultSamples
{
inline constexpr double kSampleRate = 48000.0;
inline constexpr double kBpm = 120.0;
inline constexpr int kBars = 4;
// Four bars of 4/4 at 120 BPM: 16 beats of half a second.
inline constexpr int kLengthSamples = static_cast<int> (kBars * 4 * 60.0 / kBpm * kSampleRate);

inline constexpr const char* kDrumsName = "Full_Drums_120";
inline constexpr const char* kChordsName = "Chord Sequence C Minor_120";

juce::AudioBuffer<float> makeDrumLoop();
juce::AudioBuffer<float> makeChordSequence();
} // namespace DefaultSamples
