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

// JUCE 8 builds fonts from FontOptions and deprecates the height constructors.
inline juce::Font plainFont (float height)
{
#if JUCE_MAJOR_VERSION >= 8
    return juce::Font (juce::FontOptions (height));
#else
    return juce::Font (height, juce::Font::plain);
#endif
}

inline juce::Font boldFont (float height)
{
#if JUCE_MAJOR_VERSION >= 8
    return juce::Font (juce::FontOptions (height, juce::Font::bold));
#else
    return juce::Font (height, juce::Font::bold);
#endif
}
} // namespace QVCompat
