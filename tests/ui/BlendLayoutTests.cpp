#include "EditorTestSupport.h"
#include "../params/ExpectedDials.h"
#include "../params/ExpectedParameters.h"

#include <cstring>
#include <string>
#include <vector>

// At the editor's 720 x 572 the column is centred: offset (720 - 28 - 674) / 2 = 9, so the
// content starts at x0 = 23; rows start at 14, 70, 195, 320 and 528.
namespace
{
constexpr int x0 = 23, yB = 70, yT = 195, yM = 320;

juce::Rectangle<int> slotDial (int k) { return { x0 + 15 + 90 * k, yB + 20, 75, 75 }; }
juce::Rectangle<int> slotCaption (int k) { return { x0 + 8 + 90 * k, yB + 95, 90, 16 }; }
} // namespace

TEST_F (BlendPageTest, CardsSitInTheirRowsAtTheEditorSize)
{
    const std::pair<BlendComponent::Card, juce::Rectangle<int>> expected[] = {
        { BlendComponent::TopBarCard, { 23, 14, 674, 48 } },   { BlendComponent::BlendCard, { 23, 70, 466, 117 } },
        { BlendComponent::LevelsCard, { 501, 70, 196, 117 } }, { BlendComponent::ToneCard, { 23, 195, 286, 117 } },
        { BlendComponent::MixCard, { 321, 195, 376, 117 } },   { BlendComponent::ModulatorCard, { 23, 320, 674, 200 } },
        { BlendComponent::BottomBarCard, { 23, 528, 674, 30 } },
    };
    for (const auto& [card, rect] : expected)
        EXPECT_EQ (page->getCardBounds (card), rect) << "card " << (int) card;

    EXPECT_EQ (A::messageBar (*page).getBounds(), juce::Rectangle<int> (35, 533, 650, 20));
    EXPECT_EQ (A::settingsView (*page).getBounds(), juce::Rectangle<int> (23, 70, 674, 450));
}

TEST_F (BlendPageTest, EveryFixedWidgetHasItsRectangle)
{
    struct Case
    {
        const char* name;
        juce::Component* component;
        juce::Rectangle<int> bounds;
    };
    auto& p = *page;
    const Case cases[] = {
        // Top row, y = 26.
        { "prev", &A::prevMode (p), { 35, 26, 24, 24 } },
        { "mode", &A::modeSelector (p), { 61, 26, 220, 24 } },
        { "next", &A::nextMode (p), { 283, 26, 24, 24 } },
        { "direction", &A::direction (p), { 313, 26, 70, 24 } },
        { "randomize", &A::randomize (p), { 511, 26, 90, 24 } },
        { "all", &A::all (p), { 605, 26, 50, 24 } },
        { "gear", &A::gear (p), { 661, 26, 24, 24 } },
        // LEVELS: meters, captions, Vol and Clip relative to the card's right edge (697).
        { "A1", &A::meter (p, 0), { 517, 90, 18, 75 } },
        { "A2", &A::meter (p, 1), { 547, 90, 18, 75 } },
        { "Out", &A::meter (p, 2), { 589, 90, 18, 75 } },
        { "A1 caption", &A::meterCaption (p, 0), { 507, 165, 38, 16 } },
        { "A2 caption", &A::meterCaption (p, 1), { 537, 165, 38, 16 } },
        { "Out caption", &A::meterCaption (p, 2), { 579, 165, 38, 16 } },
        { "Vol", &A::dial (p, BlendDial::volume), { 631, 78, 36, 36 } },
        { "Vol caption", &A::caption (p, BlendDial::volume), { 617, 112, 64, 16 } },
        { "Clip", &A::dial (p, BlendDial::clip), { 631, 133, 36, 36 } },
        { "Clip caption", &A::caption (p, BlendDial::clip), { 617, 167, 64, 16 } },
        // TONE and MIX (MIX content starts at 23 + 306 = 329).
        { "LowCut", &A::dial (p, BlendDial::lowCut), { 38, yT + 20, 75, 75 } },
        { "Heat", &A::dial (p, BlendDial::heat), { 128, yT + 20, 75, 75 } },
        { "HiCut caption", &A::caption (p, BlendDial::hiCut), { 211, yT + 95, 90, 16 } },
        { "FX Level", &A::dial (p, BlendDial::fxLevel), { 336, yT + 20, 75, 75 } },
        { "Signal 1 caption", &A::caption (p, BlendDial::signal1), { 419, yT + 95, 90, 16 } },
        { "Signal 2", &A::dial (p, BlendDial::signal2), { 516, yT + 20, 75, 75 } },
        { "Morph", &A::dial (p, BlendDial::morph), { 606, yT + 20, 75, 75 } },
        { "Morph caption", &A::caption (p, BlendDial::morph), { 599, yT + 95, 90, 16 } },
        // MODULATOR.
        { "On", &A::onButton (p), { 133, yM + 8, 50, 22 } },
        { "shift left", &A::shiftLeft (p), { 201, yM + 8, 26, 22 } },
        { "Clear", &A::clear (p), { 229, yM + 8, 56, 22 } },
        { "shift right", &A::shiftRight (p), { 287, yM + 8, 26, 22 } },
        { "modulator 1", &A::modButton (p, 0), { 323, yM + 8, 24, 22 } },
        { "modulator 2", &A::modButton (p, 1), { 349, yM + 8, 24, 22 } },
        { "Target", &A::targetLabel (p), { 377, yM + 8, 52, 22 } },
        { "target combo", &A::target (p), { 431, yM + 8, 160, 22 } },
        { "modulator Randomize", &A::modRandomize (p), { 597, yM + 8, 90, 22 } },
        { "step view", &A::stepView (p), { 33, yM + 46, 654, 90 } },
        { "Length:", &A::lengthLabel (p), { 33, yM + 158, 52, 22 } },
        { "Bars label", &A::barsLabel (p), { 89, yM + 158, 40, 22 } },
        { "Bars", &A::bars (p), { 129, yM + 158, 50, 22 } },
        { "Div label", &A::divLabel (p), { 183, yM + 158, 40, 22 } },
        { "Div", &A::div (p), { 223, yM + 158, 50, 22 } },
        { "Smoothing", &A::smoothing (p), { 657, yM + 154, 30, 30 } },
        { "Smoothing caption", &A::smoothingLabel (p), { 585, yM + 158, 70, 22 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ (c.component->getBounds(), c.bounds) << c.name;

    // The modulator row's own controls never overlap each other.
    const juce::Component* row[] = { &A::shiftRight (p), &A::modButton (p, 0), &A::modButton (p, 1),
                                     &A::targetLabel (p), &A::target (p), &A::modRandomize (p) };
    for (size_t i = 1; i < std::size (row); ++i)
        EXPECT_LE (row[i - 1]->getRight(), row[i]->getX());
}

TEST_F (BlendPageTest, AShortNarrowPageKeepsFullSizeCardsAndStopsAdvancing)
{
    page->setSize (400, 200);
    // Column sticks to x = 14; height 172 is used up by the top bar, BLEND and part of a gap.
    EXPECT_EQ (page->getCardBounds (BlendComponent::TopBarCard), juce::Rectangle<int> (14, 14, 674, 48));
    EXPECT_EQ (page->getCardBounds (BlendComponent::BlendCard), juce::Rectangle<int> (14, 70, 466, 117));
    EXPECT_EQ (page->getCardBounds (BlendComponent::ToneCard), juce::Rectangle<int> (14, 186, 286, 117));
    EXPECT_EQ (page->getCardBounds (BlendComponent::ModulatorCard), juce::Rectangle<int> (14, 186, 674, 200));
    EXPECT_EQ (page->getCardBounds (BlendComponent::BottomBarCard), juce::Rectangle<int> (14, 186, 674, 30));
}

// The visible mode dials and their slots, per mode entry; each shows its own caption.
TEST_F (BlendPageTest, EachModeShowsItsDialsInTheirSlots)
{
    struct Case
    {
        const char* name;
        std::vector<const char*> slots; // parameter per slot, in slot order
        bool directionShown;
    };
    const std::vector<const char*> vocoder { "resolution", "vocAttack", "vocRelease", "hfEmphasis" };
    const std::vector<const char*> generic { "mathBalance", "mathTilt", "mathDrive", "mathRectify" };
    const std::vector<const char*> tamed { "mathBalance", "mathTilt", "mathDrive", "mathRectify", "mathTame" };
    const std::vector<const char*> envelope { "scAttack", "scRelease", "scThreshold", "scDepth" };
    const Case cases[] = {
        { "Classic Vocoder", vocoder, true },
        { "FFT Vocoder", vocoder, true },
        { "Distorted Vocoder", { "resolution", "vocAttack", "vocRelease", "vocDrive", "hfEmphasis" }, true },
        { "Frequency Splice", { "fsCrossover", "fsWidth", "fsTilt", "fsLFORate" }, true },
        { "Spectral Gate", { "resolution", "sgThreshold", "sgTilt" }, true },
        { "Phase Swap", { "resolution", "psAmount", "psTilt" }, true },
        { "Bin Interleave", { "resolution", "biChunk", "biTilt" }, true },
        { "Frequency Modulation (FM)", { "fmDepth", "fmFeedback", "wsWindow", "wsDrive", "wsSmoothing" }, true },
        { "Amplitude Modulation (AM)", { "amDepth", "amDCOffset", "amLFORate" }, true },
        { "Ring Modulation (RM)", { "mathTilt", "mathDrive", "mathDCOffset", "mathRectify" }, false },
        { "Scrub", { "scrubScale", "scrubBias", "scrubSmoothing" }, true },
        { "Probabilistic", { "probBias", "probHold", "probCrossfade", "probStereo" }, true },
        { "Sidechain Duck", envelope, true },
        { "Amplitude Follow", envelope, true },
        { "Min", generic, false },
        { "Max", generic, false },
        { "Add", generic, false },
        { "Subtract", generic, false },
        { "Absolute Difference", generic, false },
        { "Divide", tamed, true },
        { "Sign Multiply", tamed, true },
        { "XOR", tamed, false },
    };

    ASSERT_EQ (std::size (cases), expectedBlendEntries().size());
    const auto& dials = expectedDials();
    for (int index = 0; index < (int) std::size (cases); ++index)
    {
        const auto& c = cases[index];
        selectMode (index);
        ASSERT_EQ (A::modeSelector (*page).getText(), c.name);
        EXPECT_EQ (page->getModeDialCount(), (int) c.slots.size()) << c.name;
        EXPECT_EQ (A::direction (*page).isVisible(), c.directionShown) << c.name;
        EXPECT_EQ (page->isSymmetricMathOpForDirection(), ! c.directionShown) << c.name;

        for (int d = 0; d < expectedNumModeDials(); ++d)
        {
            const auto& dial = dials[(size_t) d];
            int slot = -1;
            for (size_t k = 0; k < c.slots.size(); ++k)
                if (std::strcmp (c.slots[k], dial.paramId) == 0)
                    slot = (int) k;

            EXPECT_EQ (A::dial (*page, d).isVisible(), slot >= 0) << c.name << " " << dial.paramId;
            EXPECT_EQ (A::caption (*page, d).isVisible(), slot >= 0) << c.name << " " << dial.paramId;
            if (slot >= 0)
            {
                EXPECT_EQ (A::dial (*page, d).getBounds(), slotDial (slot)) << c.name << " " << dial.paramId;
                EXPECT_EQ (A::caption (*page, d).getBounds(), slotCaption (slot)) << c.name;
                EXPECT_EQ (A::caption (*page, d).getText(), juce::String (dial.caption)) << c.name;
            }
        }
    }
}

TEST_F (BlendPageTest, CaptionsNameTheDistortedVocoderAndDivideDials)
{
    auto shownCaptions = [this] {
        juce::StringArray bySlot { "", "", "", "", "" };
        for (int d = 0; d < expectedNumModeDials(); ++d)
            if (A::dial (*page, d).isVisible())
                bySlot.set ((A::dial (*page, d).getX() - (x0 + 15)) / 90, A::caption (*page, d).getText());
        return bySlot.joinIntoString ("|");
    };
    selectMode (2);
    EXPECT_EQ (shownCaptions(), "Resolution|Attack|Release|Drive|HF Emphasis");
    selectMode (1);
    EXPECT_EQ (shownCaptions(), "Resolution|Attack|Release|HF Emphasis|");
    selectMode (9);
    EXPECT_EQ (shownCaptions(), "Tilt|Drive|DC Offset|Rectify|");
    selectMode (19);
    EXPECT_EQ (shownCaptions(), "Balance|Tilt|Drive|Rectify|Tame");
}

TEST_F (BlendPageTest, ResolutionDialTopsOutAtTenForTheClassicAndDistortedVocoders)
{
    const std::pair<int, double> cases[] = { { 0, 10.0 }, { 1, 12.0 }, { 2, 10.0 }, { 4, 12.0 }, { 5, 12.0 }, { 6, 12.0 } };
    auto& resolution = A::dial (*page, BlendDial::resolution);
    for (const auto& [index, maximum] : cases)
    {
        selectMode (index);
        EXPECT_EQ (resolution.getMaximum(), maximum) << index;
    }

    // Narrowing shows the clamped value but leaves the parameter alone.
    selectMode (1);
    setRaw ("resolution", 12.0f);
    selectMode (2);
    EXPECT_EQ (resolution.getValue(), 10.0);
    EXPECT_EQ (raw ("resolution"), 12.0f);
    selectMode (1);
    EXPECT_EQ (resolution.getValue(), 12.0);
}

TEST_F (BlendPageTest, PreviousAndNextButtonsWrapAround)
{
    selectMode (0);
    A::prevMode (*page).onClick();
    EXPECT_EQ (A::modeSelector (*page).getText(), "XOR");
    EXPECT_EQ (raw ("mode"), 21.0f);
    A::nextMode (*page).onClick();
    EXPECT_EQ (A::modeSelector (*page).getText(), "Classic Vocoder");
    A::nextMode (*page).onClick();
    EXPECT_EQ (raw ("mode"), 1.0f);
    EXPECT_TRUE (message().startsWith ("Mode: FFT Vocoder. "));
}

TEST_F (BlendPageTest, ModeSelectorListsTheRegistryWithSectionHeadings)
{
    auto& selector = A::modeSelector (*page);
    const auto& entries = expectedBlendEntries();
    ASSERT_EQ (selector.getNumItems(), (int) entries.size());
    for (int i = 0; i < selector.getNumItems(); ++i)
    {
        EXPECT_EQ (selector.getItemText (i), juce::String (entries[(size_t) i].name));
        EXPECT_EQ (selector.getItemId (i), entries[(size_t) i].comboId);
    }

    // Each heading stands right before its entry, and only there.
    juce::StringArray headings;
    std::string pending;
    int item = 0;
    for (juce::PopupMenu::MenuItemIterator it (*selector.getRootMenu()); it.next();)
    {
        if (it.getItem().isSectionHeader)
        {
            headings.add (it.getItem().text);
            pending = it.getItem().text.toStdString();
            continue;
        }
        ASSERT_LT (item, (int) entries.size());
        const char* heading = entries[(size_t) item].heading;
        EXPECT_EQ (pending, heading != nullptr ? heading : "") << entries[(size_t) item].name;
        pending.clear();
        ++item;
    }
    EXPECT_EQ (item, (int) entries.size());
    EXPECT_EQ (headings.joinIntoString (","), "Spectral,Modulation,Stochastic,Dynamics,Math");
}

TEST_F (BlendPageTest, HostModeChangeRebuildsTargetTexts)
{
    setRaw ("mode", 8.0f); // Amplitude Modulation (AM)
    auto& target = A::target (*page);
    const char* expected[] = { "Dial 1: Depth", "Dial 2: DC Offset", "Dial 3: LFO Rate", "Dial 4: (none)", "Dial 5: (none)" };
    for (int s = 0; s < 5; ++s)
    {
        EXPECT_EQ (target.getItemText (s), expected[s]);
        EXPECT_EQ (target.isItemEnabled (s + 1), s < 3) << s;
    }
    EXPECT_EQ (message(), juce::String ("Mode: Amplitude Modulation (AM). ") + expectedBlendEntries()[8].description);
}
