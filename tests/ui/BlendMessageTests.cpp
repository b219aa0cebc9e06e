#include "EditorTestSupport.h"
#include "../params/ExpectedDials.h"
#include "../params/ExpectedParameters.h"

#include <algorithm>
#include <cmath>

namespace
{
const juce::Colour kRed (0xFFFF4040u);

// The page opens on "Classic Vocoder", which narrows the Resolution dial to 0..10.
constexpr double kClassicVocoderResolutionTop = 10.0;

// A value read back through a parameter's normalised range may differ in the last float digits.
::testing::AssertionResult closeTo (double actual, double expected)
{
    if (std::abs (actual - expected) <= 1e-6 * std::max (1.0, std::abs (expected)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual << " is not " << expected;
}
} // namespace

TEST_F (BlendPageTest, OpeningThePageShowsTheStoredModesMessage)
{
    EXPECT_EQ (message(), "Mode: Classic Vocoder. Analogue-style vocoder. Imprints Audio 1's spectral shape onto "
                          "Audio 2 with an organic character.");
    EXPECT_EQ (page->getMessageTicks(), 0);

    selectMode (10);
    EXPECT_EQ (message(), "Mode: Scrub. Audio 2's waveform drives a playhead through Audio 1's recent history for "
                          "a granular time-warping effect.");
}

TEST_F (BlendPageTest, DialMessagesWordTheValueAndAddTheHelpSentence)
{
    struct Case
    {
        int modeIndex;
        const char* paramId;
        float rawValue; // NAN: leave the default
        const char* expected;
    };
    const Case cases[] = {
        { 0, "vocAttack", NAN,
          "Attack: 5.0 ms. How quickly the effect responds when Audio 1 gets louder. Short for crisp transients." },
        { 6, "biChunk", 0.0f,
          "Chunk: 1 bins. Group size for the alternating spectral pattern. Smaller groups give a tighter, denser "
          "interleave." },
        { 6, "biChunk", 3.0f,
          "Chunk: 8 bins. Group size for the alternating spectral pattern. Smaller groups give a tighter, denser "
          "interleave." },
        { 10, "scrubScale", NAN,
          "Scale: 50. How strongly Audio 2's waveform speeds the playhead up or runs it backwards. 0 ignores Audio 2; "
          "higher is wilder." },
        // Bias changes the playhead's speed: normal at 0 %, double at +100 %, standing at -100 %.
        { 10, "scrubBias", -100.0f,
          "Bias: -100%. Steady change of playback speed. 0% plays at normal speed, +100% at double speed, -100% "
          "stands still." },
        { 2, "resolution", 12.0f,
          "Resolution: 1024. Sets how finely the spectrum is split. Higher values give finer detail but smear fast "
          "hits." },
        { 1, "resolution", 12.0f,
          "Resolution: 4096. Sets how finely the spectrum is split. Higher values give finer detail but smear fast "
          "hits." },
        { 9, "mathTilt", -37.0f,
          "Tilt: -37%. Spectrally tilts the two inputs against each other before the math. Positive favours Audio "
          "1's highs and Audio 2's lows; negative is the opposite." },
        { 0, "fxHiCut", 8000.0f,
          "HiCut: 8000 Hz. Cuts everything above this frequency from the blended signal. Use to tame harshness or "
          "sibilance." },
        { 0, "outputVolDb", -6.0f, "Output Volume: -6.0 dB" },
        { 0, "clipCeilingDb", NAN, "Clip Ceiling: -0.3 dBFS" },
        { 0, "morph", 50.0f,
          "Morph: 50%. One-knob crossfade between unprocessed Audio 1, the blended signal, and unprocessed Audio 2." },
    };
    for (const auto& c : cases)
    {
        selectMode (c.modeIndex);
        if (! std::isnan (c.rawValue))
            setRaw (c.paramId, c.rawValue);
        A::showDialMessage (*page, expectedDialIndex (c.paramId));
        EXPECT_EQ (message(), c.expected) << c.paramId;
        EXPECT_EQ (page->getMessageTicks(), 60);
        EXPECT_EQ (page->getMessageColour(), QV::kLight.text);
    }
}

TEST_F (BlendPageTest, HostAutomationOfAnUntouchedDialStaysSilent)
{
    const auto before = message();
    setRaw ("vocAttack", 20.0f);
    setRaw ("fxLowCut", 300.0f);
    setRaw ("outputVolDb", -12.0f);
    EXPECT_EQ (message(), before);
    EXPECT_EQ (A::dial (*page, 1).getValue(), 20.0); // but the dial follows
}

TEST_F (BlendPageTest, MorphDrivesTheThreeLevelDials)
{
    struct Case
    {
        float morph, fx, signal1, signal2;
    };
    // FX = 2m below the middle and 2(1 - m) above it; Signal 1 = 1 - 2m, Signal 2 = 2m - 1 (floored at 0).
    const Case cases[] = {
        { 0, 0, 100, 0 }, { 25, 50, 50, 0 }, { 33, 66, 34, 0 }, { 100, 0, 0, 100 }, { 75, 50, 0, 50 }, { 50, 100, 0, 0 },
    };
    const auto before = message();
    for (const auto& c : cases)
    {
        setRaw ("morph", c.morph);
        EXPECT_EQ (raw ("fxLevel"), c.fx) << c.morph;
        EXPECT_EQ (raw ("sig1Level"), c.signal1) << c.morph;
        EXPECT_EQ (raw ("sig2Level"), c.signal2) << c.morph;
    }
    EXPECT_EQ (message(), before); // the level dials' own messages stay silent

    // The level dials stay free until Morph moves again.
    setRaw ("sig1Level", 40.0f);
    EXPECT_EQ (raw ("sig1Level"), 40.0f);
    EXPECT_EQ (raw ("fxLevel"), 100.0f);
}

TEST_F (BlendPageTest, ConstructionKeepsTheStoredLevels)
{
    page.reset();
    setRaw ("morph", 0.0f);    // couples nothing: no page
    setRaw ("fxLevel", 70.0f);
    setRaw ("sig2Level", 20.0f);
    page = std::make_unique<BlendComponent> (*processor);
    EXPECT_EQ (raw ("fxLevel"), 70.0f);
    EXPECT_EQ (raw ("sig2Level"), 20.0f);
}

TEST_F (BlendPageTest, TimedMessageCountsDownThenClearsTheBar)
{
    page->showInfoMessage ("Hello", 60);
    EXPECT_TRUE (A::timerRunning (*page));
    for (int i = 0; i < 59; ++i)
        page->timerCallback();
    EXPECT_EQ (message(), "Hello");
    EXPECT_EQ (page->getMessageTicks(), 1);

    page->timerCallback();
    EXPECT_EQ (message(), "");
    EXPECT_EQ (page->getMessageTicks(), 0);
    EXPECT_FALSE (A::timerRunning (*page));

    page->showInfoMessage ("Stays", 0);
    EXPECT_FALSE (A::timerRunning (*page));
    for (int i = 0; i < 100; ++i)
        page->timerCallback();
    EXPECT_EQ (message(), "Stays");
}

TEST_F (BlendPageTest, StickyWarningWaitsForTheTimedMessageAndShowsInRed)
{
    page->showInfoMessage ("Timed", 60);
    page->setStickyWarning ("Warning! No input signal detected on Audio 2.");
    EXPECT_EQ (message(), "Timed");
    EXPECT_EQ (page->getMessageColour(), QV::kLight.text);
    for (int i = 0; i < 60; ++i)
        page->timerCallback();
    EXPECT_EQ (message(), "Warning! No input signal detected on Audio 2.");
    EXPECT_EQ (page->getMessageColour(), kRed);

    // A new timed message covers the warning in the text colour; it comes back afterwards.
    page->showInfoMessage ("Again", 2);
    EXPECT_EQ (page->getMessageColour(), QV::kLight.text);
    page->timerCallback();
    page->timerCallback();
    EXPECT_EQ (message(), "Warning! No input signal detected on Audio 2.");

    // Clearing it with no timed message up empties the bar, even over the mode message.
    page->showCurrentBlendModeMessage();
    page->setStickyWarning ({});
    EXPECT_EQ (message(), "");
    EXPECT_EQ (page->getMessageColour(), QV::kLight.text);
}

TEST_F (BlendPageTest, StickyWarningWithNoTimedMessageShowsAtOnce)
{
    page->setStickyWarning ("Careful");
    EXPECT_EQ (message(), "Careful");
    EXPECT_EQ (page->getMessageColour(), kRed);
}

TEST_F (BlendPageTest, DirectionToggleSwapsRolesAndNeverPicksOneToOne)
{
    auto& toggle = A::direction (*page);
    EXPECT_EQ (toggle.getButtonText(), "1 > 2");

    toggle.onClick();
    EXPECT_EQ (raw ("direction"), 1.0f);
    EXPECT_EQ (toggle.getButtonText(), "2 > 1");
    EXPECT_EQ (message(), "Direction 2 > 1: Roles swapped. Audio 1 and Audio 2 trade places in the mode's description.");
    EXPECT_EQ (page->getMessageTicks(), 60);

    toggle.onClick();
    EXPECT_EQ (raw ("direction"), 0.0f);
    EXPECT_EQ (message(), "Direction 1 > 2: Default routing. Each signal plays the role the mode's description gives it.");

    setRaw ("direction", 2.0f);
    EXPECT_EQ (toggle.getButtonText(), "1 > 1");
    toggle.onClick();
    EXPECT_EQ (raw ("direction"), 0.0f);
    EXPECT_EQ (toggle.getButtonText(), "1 > 2");
    EXPECT_EQ (message(), "Direction 1 > 2: Default routing. Each signal plays the role the mode's description gives it.");
}

TEST_F (BlendPageTest, DialsCarryTheirParametersRangesAndSuffixes)
{
    const auto& expected = expectedDials();
    ASSERT_EQ (expected.size(), static_cast<size_t> (kNumBlendDials));
    for (int i = 0; i < kNumBlendDials; ++i)
    {
        const auto& x = expected[(size_t) i];
        SCOPED_TRACE (std::string ("dial ") + std::to_string (i) + " " + x.paramId);
        const auto* param = findExpectedParameter (x.paramId);
        ASSERT_NE (param, nullptr);
        auto& dial = A::dial (*page, i);
        const double top = i == expectedDialIndex ("resolution") ? kClassicVocoderResolutionTop : (double) param->max;

        EXPECT_EQ (dial.getSliderStyle(), juce::Slider::RotaryVerticalDrag);
        EXPECT_EQ (dial.getTextValueSuffix(), juce::String (x.suffix));
        EXPECT_EQ (A::caption (*page, i).getText(), juce::String (x.caption));
        EXPECT_TRUE (closeTo (dial.getMinimum(), param->min));
        EXPECT_TRUE (closeTo (dial.getMaximum(), top));
        EXPECT_TRUE (closeTo (dial.getInterval(), param->step));
        EXPECT_TRUE (closeTo (dial.getDoubleClickReturnValue(), param->defaultValue));

        // Bound to this parameter and no other: the dial follows it to both ends of its range.
        setRaw (x.paramId, param->min);
        EXPECT_TRUE (closeTo (dial.getValue(), param->min));
        setRaw (x.paramId, param->max);
        EXPECT_TRUE (closeTo (dial.getValue(), top));
    }
}

TEST_F (BlendPageTest, DialValueTextShowsTheUnitOnce)
{
    // The dials are attached to parameters whose host text carries a unit; the dial's own text
    // must not repeat it.
    struct Case { int dial; double value; const char* text; };
    const Case cases[] = {
        { expectedDialIndex ("vocAttack"), 5.0, "5.0 ms" },
        { expectedDialIndex ("fsCrossover"), 1000.0, "1000 Hz" },
        { expectedDialIndex ("heat"), 50.0, "50%" },
    };
    for (const auto& c : cases)
    {
        ASSERT_GE (c.dial, 0);
        EXPECT_EQ (A::dial (*page, c.dial).getTextFromValue (c.value), c.text);
    }

    const auto& expected = expectedDials();
    ASSERT_EQ (expected.size(), static_cast<size_t> (kNumBlendDials));
    for (int i = 0; i < kNumBlendDials; ++i)
    {
        const auto& x = expected[(size_t) i];
        EXPECT_EQ (A::dial (*page, i).getTextFromValue (x.value), x.valueText) << x.paramId;
    }
}
