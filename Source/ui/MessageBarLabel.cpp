#include "ui/MessageBarLabel.h"

#include "common/JuceCompat.h"

namespace
{
// Where the ink of the tallest and the deepest letters of a font lies, relative to the baseline
// (negative above it).
juce::Range<float> letterInk (const juce::Font& font)
{
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText (font, "bdfhklgjpqy()", 0.0f, 0.0f);
    juce::Path path;
    glyphs.createPath (path);
    const auto bounds = path.getBounds();
    return { bounds.getY(), bounds.getBottom() };
}
} // namespace

float MessageBarLabel::lineWidth (const juce::Font& font, const juce::String& text)
{
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText (font, text, 0.0f, 0.0f);
    return glyphs.getBoundingBox (0, -1, true).getWidth();
}

MessageBarLabel::Layout MessageBarLabel::layoutFor (const juce::String& text, float width)
{
    // One line, at the page's label size when the text fits, else as large as it fits.
    Layout layout;
    for (float height = kOneLineFontHeight; height >= kTwoLineFontHeight; height -= 1.0f)
    {
        if (lineWidth (QVCompat::plainFont (height), text) <= width)
        {
            layout.fontHeight = height;
            layout.lines.add (text);
            return layout;
        }
    }

    layout.fontHeight = kTwoLineFontHeight;
    const auto font = QVCompat::plainFont (kTwoLineFontHeight);
    juce::StringArray words;
    words.addTokens (text, " ", {});

    // The first line takes words while they fit; a single word too wide for a line stays on it.
    juce::String first;
    int taken = 0;
    for (; taken < words.size(); ++taken)
    {
        const auto longer = first.isEmpty() ? words[taken] : first + " " + words[taken];
        if (taken > 0 && lineWidth (font, longer) > width)
            break;
        first = longer;
    }
    layout.lines.add (first);

    juce::StringArray rest;
    for (int i = taken; i < words.size(); ++i)
        rest.add (words[i]);
    if (! rest.isEmpty())
        layout.lines.add (rest.joinIntoString (" "));
    return layout;
}

juce::GlyphArrangement MessageBarLabel::arrange (const juce::String& text, juce::Rectangle<int> bounds,
                                                 juce::BorderSize<int> border)
{
    const auto area = border.subtractedFrom (bounds).toFloat();
    const auto layout = layoutFor (text, area.getWidth());
    const auto font = QVCompat::plainFont (layout.fontHeight);
    juce::GlyphArrangement glyphs;

    if (layout.lines.size() <= 1)
    {
        // For a text that fits at 14 points exactly what a plain label draws, so short messages
        // look as they always have.
        glyphs.addFittedText (font, text, area.getX(), area.getY(), area.getWidth(), area.getHeight(),
                              juce::Justification::centredLeft, 1, kMinimumHorizontalScale);
        return glyphs;
    }

    // The two lines share the whole height of the bar, border included: the ink of the tallest
    // and the deepest letters, from the first line's ascenders to the second line's descenders,
    // is centred in it.
    const auto ink = letterInk (font);
    const float inkHeight = kLineSpacing + ink.getEnd() - ink.getStart();
    const float firstBaseline =
        (float) bounds.getY() + ((float) bounds.getHeight() - inkHeight) / 2.0f - ink.getStart();
    for (int i = 0; i < 2; ++i)
        glyphs.addFittedText (font, layout.lines[i], area.getX(),
                              firstBaseline + (float) i * kLineSpacing - font.getAscent(), area.getWidth(),
                              font.getHeight(), juce::Justification::centredLeft, 1, kMinimumHorizontalScale);
    return glyphs;
}

void MessageBarLabel::paint (juce::Graphics& g)
{
    g.fillAll (findColour (juce::Label::backgroundColourId));
    g.setColour (findColour (juce::Label::textColourId).withMultipliedAlpha (isEnabled() ? 1.0f : 0.5f));
    arrange (getText(), getLocalBounds(), getBorderSize()).draw (g);
}
