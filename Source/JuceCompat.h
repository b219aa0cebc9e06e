#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

// The few places where JUCE 7 (what Debian ships) and JUCE 8 differ in API. Everything that
// depends on the framework version goes through here, so moving to JUCE 8 touches one file.
namespace QVCompat
{
// JUCE 8 made the track name optional; JUCE 7 gives an empty string when the host has none.
inline juce::String trackNameOf (const juce::AudioProcessor::TrackProperties& properties)
{
#if JUCE_MAJOR_VERSION >= 8
    return properties.name.has_value() ? *properties.name : juce::String();
#else
    return properties.name;
#endif
}
} // namespace QVCompat
