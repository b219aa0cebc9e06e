#include <gtest/gtest.h>

#include "ExpectedParameters.h"
#include "params/BlendModeRegistry.h"

#include <cstring>
#include <set>
#include <string>

namespace
{
std::string str (const char* s) { return s == nullptr ? std::string ("<null>") : std::string (s); }
} // namespace

TEST (Registry, EntriesMatchThePublishedList)
{
    // The "Blend Mode" list as published to users and hosts.
    const auto& expected = expectedBlendEntries();
    ASSERT_EQ (static_cast<size_t> (kNumBlendModeEntries), expected.size());
    std::set<int> ids;
    int weights = 0;
    for (int i = 0; i < kNumBlendModeEntries; ++i)
    {
        const auto& e = kBlendModeRegistry[i];
        const auto& x = expected[static_cast<size_t> (i)];
        SCOPED_TRACE (x.name);
        EXPECT_EQ (e.comboId, x.comboId);
        EXPECT_STREQ (e.name, x.name);
        EXPECT_EQ (static_cast<int> (e.blendMode), x.blendMode);
        EXPECT_EQ (static_cast<int> (e.mathOp), x.mathOp);
        EXPECT_EQ (str (e.sectionHeading), str (x.heading));
        EXPECT_EQ (e.randomWeight, x.randomWeight);
        EXPECT_EQ (str (e.description), str (x.description));
        EXPECT_NE (e.comboId, 0);
        ids.insert (e.comboId);
        weights += e.randomWeight;
    }
    EXPECT_EQ (ids.size(), expected.size()) << "combo IDs must be unique";
    EXPECT_EQ (weights, 44); // the randomiser draws 0..43
}

TEST (Registry, IndexLookupFallsBackOutsideTheTable)
{
    EXPECT_EQ (blendModeForIndex (0), ClassicVocoder);
    EXPECT_EQ (blendModeForIndex (9), Math);
    EXPECT_EQ (mathOpForIndex (9), Multiply);
    EXPECT_EQ (mathOpForIndex (16), Add);
    for (int bad : { -1, 22, 1000 })
    {
        EXPECT_EQ (blendModeForIndex (bad), FFTVocoder) << bad;
        EXPECT_EQ (mathOpForIndex (bad), Multiply) << bad;
        EXPECT_EQ (blendModeEntryForIndex (bad), nullptr) << bad;
    }
}

TEST (DialSlots, EveryModeRow)
{
    struct Row { int mode, op; const char* ids[5]; const char* labels[5]; };
    const Row rows[] = {
        { 1, 1, { "resolution", "vocAttack", "vocRelease", "hfEmphasis", nullptr }, { "Resolution", "Attack", "Release", "HF Emphasis", nullptr } },
        { 3, 1, { "resolution", "vocAttack", "vocRelease", "hfEmphasis", nullptr }, { "Resolution", "Attack", "Release", "HF Emphasis", nullptr } },
        { 2, 1, { "resolution", "vocAttack", "vocRelease", "vocDrive", "hfEmphasis" }, { "Resolution", "Attack", "Release", "Drive", "HF Emphasis" } },
        { 4, 1, { "mathTilt", "mathDrive", "mathDCOffset", "mathRectify", nullptr }, { "Tilt", "Drive", "DC Offset", "Rectify", nullptr } },
        { 4, 3, { "mathBalance", "mathTilt", "mathDrive", "mathRectify", "mathTame" }, { "Balance", "Tilt", "Drive", "Rectify", "Tame" } },
        { 4, 6, { "mathBalance", "mathTilt", "mathDrive", "mathRectify", "mathTame" }, { "Balance", "Tilt", "Drive", "Rectify", "Tame" } },
        { 4, 8, { "mathBalance", "mathTilt", "mathDrive", "mathRectify", "mathTame" }, { "Balance", "Tilt", "Drive", "Rectify", "Tame" } },
        { 4, 2, { "mathBalance", "mathTilt", "mathDrive", "mathRectify", nullptr }, { "Balance", "Tilt", "Drive", "Rectify", nullptr } },
        { 4, 9, { "mathBalance", "mathTilt", "mathDrive", "mathRectify", nullptr }, { "Balance", "Tilt", "Drive", "Rectify", nullptr } },
        { 4, 0, { "mathBalance", "mathTilt", "mathDrive", "mathRectify", nullptr }, { "Balance", "Tilt", "Drive", "Rectify", nullptr } },
        { 4, 12, { "mathBalance", "mathTilt", "mathDrive", "mathRectify", nullptr }, { "Balance", "Tilt", "Drive", "Rectify", nullptr } },
        { 5, 1, { "scAttack", "scRelease", "scThreshold", "scDepth", nullptr }, { "Attack", "Release", "Threshold", "Depth", nullptr } },
        { 6, 1, { "scAttack", "scRelease", "scThreshold", "scDepth", nullptr }, { "Attack", "Release", "Threshold", "Depth", nullptr } },
        { 7, 1, { "fsCrossover", "fsWidth", "fsTilt", "fsLFORate", nullptr }, { "Crossover", "Width", "Tilt", "LFO Rate", nullptr } },
        { 8, 1, { "amDepth", "amDCOffset", "amLFORate", nullptr, nullptr }, { "Depth", "DC Offset", "LFO Rate", nullptr, nullptr } },
        { 9, 1, { "fmDepth", "fmFeedback", "wsWindow", "wsDrive", "wsSmoothing" }, { "Depth", "Feedback", "Window", "Drive", "Smoothing" } },
        { 10, 1, { "resolution", "sgThreshold", "sgTilt", nullptr, nullptr }, { "Resolution", "Threshold", "Tilt", nullptr, nullptr } },
        { 11, 1, { "resolution", "psAmount", "psTilt", nullptr, nullptr }, { "Resolution", "Amount", "Tilt", nullptr, nullptr } },
        { 12, 1, { "resolution", "biChunk", "biTilt", nullptr, nullptr }, { "Resolution", "Chunk", "Tilt", nullptr, nullptr } },
        { 13, 1, { "probBias", "probHold", "probCrossfade", "probStereo", nullptr }, { "Bias", "Hold", "Crossfade", "Stereo", nullptr } },
        { 14, 1, { "scrubScale", "scrubBias", "scrubSmoothing", nullptr, nullptr }, { "Scale", "Bias", "Smoothing", nullptr, nullptr } },
        { 0, 1, { nullptr, nullptr, nullptr, nullptr, nullptr }, { nullptr, nullptr, nullptr, nullptr, nullptr } },
        { 15, 1, { nullptr, nullptr, nullptr, nullptr, nullptr }, { nullptr, nullptr, nullptr, nullptr, nullptr } },
    };
    for (const auto& row : rows)
        for (int slot = 0; slot < 5; ++slot)
        {
            const auto info = dialSlotInfoForMode (static_cast<BlendMode> (row.mode), static_cast<MathOp> (row.op), slot);
            EXPECT_EQ (str (info.paramId), str (row.ids[slot])) << "mode " << row.mode << " op " << row.op << " slot " << slot;
            EXPECT_EQ (str (info.label), str (row.labels[slot])) << "mode " << row.mode << " op " << row.op << " slot " << slot;
        }
}

TEST (DialSlots, SlotsOutsideZeroToFourAreEmpty)
{
    for (int slot : { -1, 5, 100 })
    {
        const auto info = dialSlotInfoForMode (FM, Multiply, slot);
        EXPECT_EQ (info.paramId, nullptr) << slot;
        EXPECT_EQ (info.label, nullptr) << slot;
    }
}

TEST (Registry, MathEntriesAreRingModulationAndTheEightOperations)
{
    // Index 9 is "Ring Modulation (RM)"; 14 .. 21 are the math operations.
    for (int i = 0; i < kNumBlendModeEntries; ++i)
        EXPECT_EQ (isMathEntry (kBlendModeRegistry[i]), i == 9 || i >= 14) << kBlendModeRegistry[i].name;
}

TEST (Registry, ValidBlendModesAreOneToFourteen)
{
    for (int mode = -1; mode <= 16; ++mode)
        EXPECT_EQ (isValidBlendMode (mode), mode >= 1 && mode <= 14) << mode;
}

TEST (Registry, ModeNamesResolveByExactNameOrIndex)
{
    struct Case
    {
        const char* text;
        int index;
    };
    const Case cases[] = {
        { "Classic Vocoder", 0 }, { "Spectral Gate", 4 }, { "Ring Modulation (RM)", 9 }, { "XOR", 21 },
        { "0", 0 },  { "9", 9 },   { "21", 21 },  { "007", 7 },
        // Anything else names no entry: another case, extra spaces, a sign, past the table, not
        // a whole number, empty.
        { "spectral gate", -1 }, { "xor", -1 }, { " Scrub", -1 }, { "Scrub ", -1 }, { "-1", -1 },
        { "+3", -1 }, { "22", -1 }, { "100", -1 }, { "99999999999999999999", -1 }, { "3.0", -1 },
        { "3a", -1 }, { "", -1 }, { "Math", -1 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (blendModeIndexForName (c.text), c.index) << '"' << c.text << '"';
    EXPECT_EQ (blendModeIndexForName (nullptr), -1);
}
