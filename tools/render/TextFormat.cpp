#include "TextFormat.h"

#include <charconv>
#include <cmath>

namespace
{
// std::to_chars gives the shortest text that reads back exactly, preferring plain notation
// ("20000") over the exponent form when both are as short; it never depends on the locale.
template <typename Number>
juce::String shortestText (Number value)
{
    if (! std::isfinite (value))
        return std::isnan (value) ? "nan" : (value > 0 ? "inf" : "-inf");

    char text[64] = {};
    const auto result = std::to_chars (text, text + sizeof (text) - 1, value);
    return juce::String (text, (size_t) (result.ptr - text));
}
} // namespace

juce::String formatFloat (float value)
{
    return shortestText (value);
}

juce::String formatDouble (double value)
{
    return shortestText (value);
}

juce::String jsonString (const juce::String& text)
{
    juce::String out ("\"");
    for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
    {
        const auto c = *p;
        switch (c)
        {
            case '"': out << "\\\""; break;
            case '\\': out << "\\\\"; break;
            case '\n': out << "\\n"; break;
            case '\r': out << "\\r"; break;
            case '\t': out << "\\t"; break;
            default:
                if (c < 0x20)
                    out << "\\u" << juce::String::toHexString ((int) c).paddedLeft ('0', 4);
                else
                    out << juce::String::charToString (c);
        }
    }
    return out + "\"";
}
