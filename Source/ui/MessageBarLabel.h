#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The Blend page's message bar. A message is drawn on one line in the page's 14-point label font
// when it fits, else in the largest size down to 12 points that fits; a longer one is broken at a
// space onto two lines of 12-point text that share the bar's height. So even the longest help
// text is read in full instead of being squeezed sideways or cut. Only a line still too wide
// after that (no message of the tables, but a file name could be) is narrowed, down to
// kMinimumHorizontalScale, and then shortened.
class MessageBarLabel : public juce::Label
{
public:
    static constexpr float kOneLineFontHeight = 14.0f;
    static constexpr float kTwoLineFontHeight = 12.0f;
    // Baseline to baseline of the two lines: two 12-point lines in a 20-pixel bar.
    static constexpr float kLineSpacing = 10.0f;
    static constexpr float kMinimumHorizontalScale = 0.9f;

    struct Layout
    {
        float fontHeight = kOneLineFontHeight;
        juce::StringArray lines;
    };

    // How a text is broken for a text area of the given width: one line at 14, 13 or 12 points,
    // the largest that fits; otherwise the longest run of words that fits on the first line at
    // 12 points and the rest on the second.
    static Layout layoutFor (const juce::String& text, float width);

    // The glyphs as the bar draws them, for a bar of the given size and border.
    static juce::GlyphArrangement arrange (const juce::String& text, juce::Rectangle<int> bounds,
                                           juce::BorderSize<int> border);

    // The width of one line of text in a font, whitespace at the ends included.
    static float lineWidth (const juce::Font& font, const juce::String& text);

    void paint (juce::Graphics& g) override;
};
