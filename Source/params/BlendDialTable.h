#pragma once

#include <juce_core/juce_core.h>

// The 49 dials of the Blend page, in construction order: rows 0..39 are the mode dials, then
// the tone, mix and level dials and Morph. The order is also the randomiser's order.

enum class DialValueFormat
{
    Integer,      // truncated toward zero
    OneDecimal,   // one decimal place
    PowerOfTwo    // 2 raised to the truncated value
};

struct BlendDialSpec
{
    const char* caption;       // label under the dial
    const char* paramId;
    const char* suffix;        // the dial's value-text suffix ("" for none)
    const char* messageName;   // how the message bar names the dial
    DialValueFormat format;
    const char* messageUnit;   // unit after the value in the message bar
};

inline constexpr int kNumBlendDials = 49;
inline constexpr int kNumModeDials = 40;
extern const BlendDialSpec kBlendDials[kNumBlendDials];

// Indices of the dials the page treats specially.
namespace BlendDial
{
inline constexpr int resolution = 0;
inline constexpr int mathDrive = 8;
inline constexpr int lowCut = 40;
inline constexpr int heat = 41;
inline constexpr int hiCut = 42;
inline constexpr int fxLevel = 43;
inline constexpr int signal1 = 44;
inline constexpr int signal2 = 45;
inline constexpr int volume = 46;
inline constexpr int clip = 47;
inline constexpr int morph = 48;
} // namespace BlendDial

// Index of the dial bound to a parameter, or -1.
int blendDialIndexFor (const char* paramId) noexcept;

// The number alone, as the message bar and the dial's own value text print it: "5.0".
juce::String dialValueNumber (const BlendDialSpec& row, double value);

// The value as the message bar words it, without the help sentence: "Attack: 5.0 ms".
juce::String dialValueMessage (const BlendDialSpec& row, double value);
