#include "EditorTestSupport.h"
#include "common/JuceCompat.h"
#include "params/BlendModeRegistry.h"
#include "params/ParamHelp.h"
#include "ui/MessageBarLabel.h"

#include <cmath>
#include <vector>

// Every message the bar can show from the mode and help tables is read in full at 1x: one line
// of 14-point text, or two lines of 12-point text, none of them squeezed sideways or cut.

namespace
{
// Every text the mode selector puts on the bar, one per registry entry, as the page words it.
std::vector<juce::String> modeMessages (BlendComponent& page)
{
    std::vector<juce::String> texts;
    for (int i = 0; i < kNumBlendModeEntries; ++i)
    {
        BlendComponentTestAccess::modeSelector (page).setSelectedItemIndex (i, juce::sendNotificationSync);
        texts.push_back (page.getMessageText());
    }
    return texts;
}

// Each dial's message at the value whose wording is widest in the one-line font.
std::vector<juce::String> widestDialMessages (QuorvaneAudioProcessor& processor)
{
    const auto font = QVCompat::plainFont (MessageBarLabel::kOneLineFontHeight);
    std::vector<juce::String> texts;
    for (const auto& row : kBlendDials)
    {
        const auto& range = processor.parameters.getParameter (row.paramId)->getNormalisableRange();
        const int steps = range.interval > 0.0f ? (int) std::lround ((range.end - range.start) / range.interval) : 1000;
        juce::String widest;
        for (int s = 0; s <= steps; ++s)
        {
            const double v = range.start + (range.end - range.start) * (double) s / (double) steps;
            const auto text = withHelp (dialValueMessage (row, v), row.paramId);
            if (font.getStringWidthFloat (text) > font.getStringWidthFloat (widest))
                widest = text;
        }
        texts.push_back (widest);
    }
    return texts;
}
// The drawn letters stay inside the bar's text area sideways and inside the bar itself.
void expectInkInside (const juce::GlyphArrangement& glyphs, juce::Rectangle<int> textArea, juce::Rectangle<int> bounds)
{
    juce::Path ink;
    glyphs.createPath (ink);
    const auto inkBounds = ink.getBounds();
    EXPECT_GE (inkBounds.getX(), 0.0f);
    EXPECT_LE (inkBounds.getRight(), (float) textArea.getRight());
    EXPECT_GE (inkBounds.getY(), 0.0f);
    EXPECT_LE (inkBounds.getBottom(), (float) bounds.getHeight());
}
} // namespace

TEST_F (BlendPageTest, EveryTableMessageFitsTheBarUnsqueezed)
{
    auto& bar = A::messageBar (*page);
    const auto bounds = bar.getLocalBounds();
    const auto textArea = bar.getBorderSize().subtractedFrom (bounds);

    auto texts = modeMessages (*page);
    ASSERT_EQ ((int) texts.size(), kNumBlendModeEntries);
    const auto dialTexts = widestDialMessages (*processor);
    ASSERT_EQ ((int) dialTexts.size(), kNumBlendDials);
    texts.insert (texts.end(), dialTexts.begin(), dialTexts.end());
    // The editor's own warnings and notices go to the same bar.
    for (const char* notice : { QuorvanePluginEditor::noInputWarningText, QuorvanePluginEditor::noOutputDeviceText,
                                QuorvanePluginEditor::sidechainConnectedText,
                                QuorvanePluginEditor::connectSidechainText })
        texts.push_back (notice);

    int twoLineMessages = 0;
    for (const auto& text : texts)
    {
        SCOPED_TRACE (text.toStdString());
        ASSERT_TRUE (text.isNotEmpty());
        const auto layout = MessageBarLabel::layoutFor (text, (float) textArea.getWidth());

        // Nothing is lost between the lines, and there are at most two.
        ASSERT_GE (layout.lines.size(), 1);
        ASSERT_LE (layout.lines.size(), 2);
        EXPECT_EQ (layout.lines.joinIntoString (" "), text);
        // One line at 14, 13 or 12 points; two lines only at 12.
        EXPECT_LE (layout.fontHeight, 14.0f);
        EXPECT_GE (layout.fontHeight, 12.0f);
        if (layout.lines.size() == 2)
            EXPECT_EQ (layout.fontHeight, 12.0f);
        twoLineMessages += layout.lines.size() == 2 ? 1 : 0;

        // Measured with the same font, every line fits the text area at its natural width.
        const auto font = QVCompat::plainFont (layout.fontHeight);
        for (const auto& line : layout.lines)
            EXPECT_LE (font.getStringWidthFloat (line), (float) textArea.getWidth()) << line;

        // What is drawn is the whole text, and its ink stays inside the bar.
        auto glyphs = MessageBarLabel::arrange (text, bounds, bar.getBorderSize());
        juce::String drawn;
        for (int i = 0; i < glyphs.getNumGlyphs(); ++i)
            drawn << juce::String::charToString (glyphs.getGlyph (i).getCharacter());
        EXPECT_EQ (drawn.removeCharacters (" "), text.removeCharacters (" "));
        expectInkInside (glyphs, textArea, bounds);
    }
    // The tables do hold messages longer than a line (the math "Tilt" help among them).
    EXPECT_GT (twoLineMessages, 0);
}

// Text longer than two lines (a file name, say, in a notice) still draws inside the bar on two
// lines: the second narrowed down to 90 % and then shortened, never spilling over.
TEST_F (BlendPageTest, TextLongerThanTwoLinesStaysInsideTheBar)
{
    auto& bar = A::messageBar (*page);
    const auto bounds = bar.getLocalBounds();
    const auto textArea = bar.getBorderSize().subtractedFrom (bounds);
    const juce::String words = juce::String::repeatedString ("Loaded a file whose name goes on and on ", 8);
    const juce::String oneWord = juce::String::repeatedString ("x", 400);
    for (const auto& text : { words, oneWord, words + oneWord })
    {
        const auto layout = MessageBarLabel::layoutFor (text, (float) textArea.getWidth());
        EXPECT_EQ (layout.lines.size(), text == oneWord ? 1 : 2);
        EXPECT_EQ (layout.fontHeight, 12.0f);

        auto glyphs = MessageBarLabel::arrange (text, bounds, bar.getBorderSize());
        expectInkInside (glyphs, textArea, bounds);

        bar.setText (text, juce::dontSendNotification);
        EXPECT_NO_FATAL_FAILURE (snapshot (bar));
    }
}
