#include "params/BlendDialTable.h"

#include <cmath>

namespace
{
// Every parameter has at most one dial, so a parameter names its dial.
constexpr bool everyParameterOnce()
{
    for (int i = 0; i < kNumBlendDials; ++i)
        if (blendDialIndexFor (kBlendDials[i].paramId) != i)
            return false;
    return true;
}
static_assert (everyParameterOnce(), "two dials are bound to one parameter");
} // namespace

juce::String dialValueNumber (const BlendDialSpec& row, double value)
{
    switch (row.format)
    {
        case DialValueFormat::Integer:
            // Skewed ranges hand back their defaults a hair low (8000 Hz as 7999.9995); settle
            // that float noise before truncating, so the default reads as itself.
            return juce::String ((juce::int64) (std::round (value * 1000.0) / 1000.0));
        case DialValueFormat::OneDecimal:
            return juce::String (value, 1);
        case DialValueFormat::PowerOfTwo:
            // Resolution (0..12) and Chunk (0..3) are exponents; keep the shift defined.
            return juce::String ((juce::int64) 1 << juce::jlimit (0, 62, (int) value));
    }
    return juce::String (value);
}

juce::String dialValueMessage (const BlendDialSpec& row, double value)
{
    return juce::String (row.messageName) + ": " + dialValueNumber (row, value) + row.messageUnit;
}
