#include "EditorTestSupport.h"
#include "../params/ExpectedDials.h"
#include "../params/ExpectedParameters.h"
#include "ui/BlendRandomiser.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

namespace
{
bool onHundredthGrid (float v)
{
    const double scaled = (double) v * 100.0;
    return std::abs (scaled - std::round (scaled)) < 1e-3;
}

// The Bars choices are their own bar counts; Divider index i divides by i + 1.
double barsOverDiv (int barsIndex, int divIndex)
{
    const auto& bars = findExpectedParameter ("seqBars")->choices;
    return std::atof (bars.at ((size_t) barsIndex)) / (double) (divIndex + 1);
}

// Engine algorithms whose dials the randomiser draws from narrower ranges.
constexpr int kDistortedVocoder = 2, kClassicVocoder = 3, kMath = 4;

int totalWeight()
{
    int total = 0;
    for (const auto& entry : expectedBlendEntries())
        total += entry.randomWeight;
    return total;
}

// "Mode: <name>. <description>", as the message bar shows the entry at this index.
juce::String modeMessage (int index)
{
    const auto& entry = expectedBlendEntries().at ((size_t) index);
    return juce::String ("Mode: ") + entry.name + ". " + entry.description;
}
} // namespace

TEST (BlendRandomiserDraws, RunningWeightsPickTheModeIndex)
{
    // Weights: 4 4 4 2 2 2 2 4 2 2 2 2 2 2, then 1 for each of the eight math operators.
    const std::pair<int, int> cases[] = { { 0, 0 },   { 3, 0 },   { 4, 1 },   { 7, 1 },   { 8, 2 },   { 11, 2 },
                                          { 12, 3 },  { 13, 3 },  { 14, 4 },  { 20, 7 },  { 23, 7 },  { 24, 8 },  { 25, 8 },  { 26, 9 },
                                          { 35, 13 }, { 36, 14 }, { 37, 15 }, { 42, 20 }, { 43, 21 } };
    for (const auto& [r, index] : cases)
        EXPECT_EQ (BlendRandomiser::modeIndexForDraw (r), index) << r;

    // Every draw, from the running sums of the written-out weights.
    std::vector<int> indexForDraw;
    const auto& entries = expectedBlendEntries();
    for (size_t i = 0; i < entries.size(); ++i)
        indexForDraw.insert (indexForDraw.end(), (size_t) entries[i].randomWeight, (int) i);
    ASSERT_EQ ((int) indexForDraw.size(), 44);
    for (int r = 0; r < (int) indexForDraw.size(); ++r)
        EXPECT_EQ (BlendRandomiser::modeIndexForDraw (r), indexForDraw[(size_t) r]) << r;
}

TEST (BlendRandomiserDraws, ModeHistogramFollowsTheWeights)
{
    juce::Random random (20240611);
    constexpr int draws = 88000;
    const auto& entries = expectedBlendEntries();
    std::vector<int> counts (entries.size());
    for (int i = 0; i < draws; ++i)
        ++counts.at ((size_t) BlendRandomiser::drawModeIndex (random));

    for (size_t i = 0; i < entries.size(); ++i)
    {
        const double expected = (double) draws * entries[i].randomWeight / totalWeight();
        // A 10 % band is more than four standard deviations even for the rarest entries.
        EXPECT_NEAR (counts[i], expected, 0.1 * expected) << entries[i].name;
    }
}

TEST (BlendRandomiserDraws, DialValuesAreUniformOverTheRangeAndSnapToTheStep)
{
    struct Case
    {
        double lo, hi, step, u, expected;
    };
    const Case cases[] = {
        { 0.5, 50.0, 0.0, 0.5, 25.25 },      // continuous: anywhere in the range
        { 0.0, 100.0, 0.1, 0.12345, 12.3 },  // probHold: multiples of 0.1 from 0
        { 1.0, 50.0, 0.1, 0.0, 1.0 },
        { 0.0, 12.0, 1.0, 0.9999, 12.0 },    // rounds up to the top, never past it
        { 0.0, 10.0, 1.0, 0.05, 1.0 },       // 0.5 rounds half away from zero
        { -100.0, 100.0, 1.0, 0.25, -50.0 },
    };
    for (const auto& c : cases)
        EXPECT_NEAR (BlendRandomiser::dialValueForDraw (c.lo, c.hi, c.step, c.u), c.expected, 1e-9) << c.u;
}

TEST (BlendRandomiserDraws, MathDriveFavoursLowDrive)
{
    EXPECT_EQ (BlendRandomiser::mathDriveForDraw (0.0), 0.0);
    EXPECT_EQ (BlendRandomiser::mathDriveForDraw (0.0999), 0.0);
    EXPECT_EQ (BlendRandomiser::mathDriveForDraw (0.5), 13.0); // 12.5 rounds away from zero
    EXPECT_EQ (BlendRandomiser::mathDriveForDraw (0.9999), 50.0);
}

TEST (BlendRandomiserDraws, PatternsStayOnTheHundredthGridWithinRange)
{
    juce::Random random (77);
    std::map<int, int> kinds;
    for (int n = 0; n < 3000; ++n)
    {
        int kind = -1;
        const auto raw = BlendRandomiser::drawPattern (random, kind);
        ++kinds[kind];
        const auto steps = BlendRandomiser::quantise (raw);
        for (size_t i = 0; i < steps.size(); ++i)
        {
            EXPECT_GE (raw[i], -1.0f);
            EXPECT_LE (raw[i], 1.0f);
            EXPECT_GE (steps[i], -1.0f);
            EXPECT_LE (steps[i], 1.0f);
            EXPECT_TRUE (onHundredthGrid (steps[i])) << steps[i];
            EXPECT_NEAR (steps[i], raw[i], 0.005f + 1e-6f);
        }
    }
    ASSERT_EQ (kinds.size(), 5u);
    for (const auto& [kind, count] : kinds)
        EXPECT_NEAR (count, 600, 120) << BlendRandomiser::patternKindName (kind);
}

TEST (BlendRandomiserDraws, EachPatternKindHasItsShape)
{
    juce::Random random (5);
    for (int n = 0; n < 300; ++n)
    {
        const auto walk = BlendRandomiser::generatePattern (random, BlendRandomiser::Walk);
        EXPECT_LE (std::abs (walk[0]), 0.8f);
        for (size_t i = 1; i < walk.size(); ++i)
            EXPECT_LE (std::abs (walk[i] - walk[i - 1]), 0.3f + 1e-5f);

        // Four accents 4 steps apart, each at least 0.7 strong, one of the offsets 0..3.
        const auto accent = BlendRandomiser::generatePattern (random, BlendRandomiser::Accent);
        bool found = false;
        for (int o = 0; o < 4 && ! found; ++o)
            found = std::abs (accent[(size_t) o]) >= 0.7f && std::abs (accent[(size_t) o + 4]) >= 0.7f
                    && std::abs (accent[(size_t) o + 8]) >= 0.7f && std::abs (accent[(size_t) o + 12]) >= 0.7f;
        EXPECT_TRUE (found);

        // A pulse always hits step 1 with at least 0.8.
        const auto pulse = BlendRandomiser::generatePattern (random, BlendRandomiser::Pulse);
        EXPECT_GE (std::abs (pulse[0]), 0.8f);
        for (float v : pulse)
            EXPECT_NE (v, 0.0f);

        const auto motif = BlendRandomiser::generatePattern (random, BlendRandomiser::Pattern);
        for (float v : motif)
            EXPECT_LE (std::abs (v), 1.0f);
    }
}

TEST (BlendRandomiserDraws, LengthRatioNeverExceedsFourAndDividesOnlyIntoFractions)
{
    juce::Random random (99);
    int barsOne = 0;
    constexpr int draws = 20000;
    for (int n = 0; n < draws; ++n)
    {
        const auto c = BlendRandomiser::drawLength (random);
        ASSERT_GE (c.barsIndex, 0);
        ASSERT_LE (c.barsIndex, 8);
        ASSERT_GE (c.divIndex, 0);
        ASSERT_LE (c.divIndex, 2);
        const double ratio = barsOverDiv (c.barsIndex, c.divIndex);
        EXPECT_LE (ratio, 4.0);
        if (c.divIndex > 0)
        {
            EXPECT_GT (std::abs (ratio - std::round (ratio)), 1e-9) << c.barsIndex << "/" << c.divIndex;
        }
        if (c.barsIndex == 0)
            ++barsOne;
    }
    // "1" bar comes at least half the time (more, after the resets to 1/1).
    EXPECT_GT (barsOne, draws / 2);
}

TEST (BlendRandomiserDraws, SmoothingIsFullThreeTimesInFour)
{
    juce::Random random (3);
    int full = 0;
    for (int n = 0; n < 8000; ++n)
    {
        const double s = BlendRandomiser::drawSmoothing (random);
        EXPECT_GE (s, 0.0);
        EXPECT_LE (s, 100.0);
        full += s == 100.0 ? 1 : 0;
    }
    EXPECT_NEAR (full, 6000, 300);
}

TEST_F (BlendPageTest, RandomizeGivesTheDrawnModesDialsLegalValues)
{
    const float hiCut = raw ("fxHiCut");
    int twoToOne = 0;
    constexpr int clicks = 300;
    for (int n = 0; n < clicks; ++n)
    {
        A::randomize (*page).onClick();
        const int index = (int) raw ("mode");
        EXPECT_EQ (A::modeSelector (*page).getSelectedItemIndex(), index);
        ASSERT_GE (index, 0);
        ASSERT_LT (index, (int) expectedBlendEntries().size());
        EXPECT_EQ (message(), modeMessage (index));

        const int mode = expectedBlendEntries()[(size_t) index].blendMode;
        if (mode == kClassicVocoder || mode == kDistortedVocoder)
        {
            EXPECT_LE (raw ("resolution"), 10.0f);
        }
        if (mode == kMath)
        {
            EXPECT_LE (raw ("mathDrive"), 50.0f);
        }
        EXPECT_NEAR (raw ("probHold") * 10.0, std::round (raw ("probHold") * 10.0), 1e-3);

        // Every dial the drawn mode shows lies in its parameter's range and on its step.
        for (int d = 0; d < expectedNumModeDials(); ++d)
        {
            if (! A::dial (*page, d).isVisible())
                continue;
            const auto& param = *findExpectedParameter (expectedDials()[(size_t) d].paramId);
            const double v = raw (param.id);
            EXPECT_GE (v, param.min) << param.id;
            EXPECT_LE (v, param.max) << param.id;
            if (param.step > 0.0f)
            {
                const double steps = (v - param.min) / param.step;
                EXPECT_NEAR (steps, std::round (steps), 1e-3) << param.id << " " << v;
            }
        }

        const float direction = raw ("direction");
        EXPECT_TRUE (direction == 0.0f || direction == 1.0f);
        twoToOne += direction == 1.0f ? 1 : 0;
    }
    // One click in three, generous bounds.
    EXPECT_GT (twoToOne, clicks / 5);
    EXPECT_LT (twoToOne, clicks / 2);
    // The output stage and Morph are never touched.
    EXPECT_EQ (raw ("morph"), 50.0f);
    EXPECT_EQ (raw ("fxHiCut"), hiCut);
    EXPECT_EQ (raw ("seqEnabled"), 0.0f);
}

TEST_F (BlendPageTest, ModulatorRandomizeWritesAGridPatternAndALegalLength)
{
    for (int n = 0; n < 50; ++n)
    {
        A::modRandomize (*page).onClick();
        for (int i = 0; i < 16; ++i)
        {
            const float v = A::stepView (*page).getStepValue (i);
            EXPECT_TRUE (onHundredthGrid (v)) << v;
            EXPECT_EQ (processor->getStepValue (0, i), v);
        }
        const double ratio = barsOverDiv ((int) raw ("seqBars"), (int) raw ("seqDiv"));
        EXPECT_LE (ratio, 4.0);
        EXPECT_EQ (raw ("seqEnabled"), 1.0f);
        EXPECT_EQ (message(), "Modulator randomized. All 16 step values, length, and smoothing set to new random values.");
    }

    page->randomiseModulator();
    EXPECT_TRUE (message().startsWith ("Random: "));
    const auto kind = message().fromFirstOccurrenceOf ("Random: ", false, false);
    EXPECT_TRUE (juce::StringArray ({ "walk", "pattern", "accent", "pulse", "curve" }).contains (kind)) << kind;
}

TEST_F (BlendPageTest, AllEitherStopsTheSequencerAtCentreMorphOrRandomisesIt)
{
    int stopped = 0;
    constexpr int clicks = 200;
    for (int n = 0; n < clicks; ++n)
    {
        A::all (*page).onClick();
        const int index = (int) raw ("mode");
        EXPECT_EQ (message(), modeMessage (index));
        if (raw ("seqEnabled") < 0.5f)
        {
            ++stopped;
            EXPECT_EQ (raw ("morph"), 50.0f);
            EXPECT_EQ (raw ("fxLevel"), 100.0f);
            EXPECT_EQ (raw ("sig1Level"), 0.0f);
        }
    }
    // Two clicks in five, generous bounds.
    EXPECT_GT (stopped, clicks / 5);
    EXPECT_LT (stopped, clicks * 3 / 5);
}
