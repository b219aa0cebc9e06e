#include <gtest/gtest.h>

#include "ExpectedParameters.h"
#include "params/ParamIDs.h"
#include "params/ParameterTable.h"

#include <iterator>
#include <string>
#include <vector>

namespace
{
using K = ExpectedParameter::Kind;

std::string str (const char* s) { return s == nullptr ? std::string ("<null>") : std::string (s); }

ParamSpec::Kind specKind (K kind)
{
    switch (kind)
    {
        case K::Float: return ParamSpec::Kind::Float;
        case K::Choice: return ParamSpec::Kind::Choice;
        case K::Switch: return ParamSpec::Kind::Bool;
    }
    return ParamSpec::Kind::Float;
}

// A row's choice texts; the "Blend Mode" row has none of its own and lists the registry.
std::vector<std::string> choicesOf (const ParamSpec& row)
{
    std::vector<std::string> texts;
    if (row.kind != ParamSpec::Kind::Choice)
        return texts;
    if (row.choices == nullptr)
    {
        for (const auto& entry : kBlendModeRegistry)
            texts.emplace_back (entry.name);
        return texts;
    }
    for (auto* c = row.choices; *c != nullptr; ++c)
        texts.emplace_back (*c);
    return texts;
}
} // namespace

TEST (ParameterTable, RowsAreTheDocumentedParameters)
{
    const auto& expected = expectedParameters();
    ASSERT_EQ (static_cast<size_t> (kNumParameters), expected.size());
    ASSERT_EQ (std::size (kParamTable), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
    {
        const auto& x = expected[i];
        const auto& row = kParamTable[i];
        SCOPED_TRACE (x.id);
        EXPECT_STREQ (row.id, x.id);
        EXPECT_STREQ (row.name, x.name);
        EXPECT_EQ (row.kind, specKind (x.kind));
        EXPECT_EQ (row.min, x.min);
        EXPECT_EQ (row.max, x.max);
        EXPECT_EQ (row.step, x.step);
        EXPECT_EQ (row.skew, x.skew);
        EXPECT_EQ (row.defaultValue, x.defaultValue);
        EXPECT_EQ (str (row.unit), str (x.unit));
        const std::vector<std::string> expectedChoices (x.choices.begin(), x.choices.end());
        EXPECT_EQ (choicesOf (row), expectedChoices);
        EXPECT_EQ (row.wholeSteps, x.wholeSteps);
    }
}

TEST (ParameterTable, IdentifiersFindTheirRows)
{
    const auto& expected = expectedParameters();
    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ (paramIndex (expected[i].id), static_cast<int> (i)) << expected[i].id;
        EXPECT_EQ (findParamSpec (expected[i].id), &kParamTable[i]) << expected[i].id;
    }
    // A copy of the text finds the row as well as the constant itself does.
    const std::string copy = "fsCrossover";
    EXPECT_EQ (paramIndex (copy.c_str()), paramIndex (ParamIDs::fsCrossover));

    for (const char* unknown : { "", "Morph", "morph ", "fxLowcut", "noSuchParameter" })
    {
        EXPECT_EQ (paramIndex (unknown), -1) << unknown;
        EXPECT_EQ (findParamSpec (unknown), nullptr) << unknown;
    }
    EXPECT_EQ (paramIndex (nullptr), -1);

    // Worked out while compiling: morph is the first row, mod2Target the last.
    static_assert (paramIndexOf<ParamIDs::morph>() == 0);
    static_assert (paramIndexOf<ParamIDs::mod2Target>() == kNumParameters - 1);
}

TEST (ParameterTable, BarsChoicesCountBars)
{
    const int bars[] = { 1, 2, 3, 4, 5, 6, 8, 12, 16 };
    ASSERT_EQ (std::size (kBarsTable), std::size (bars));
    for (size_t i = 0; i < std::size (bars); ++i)
        EXPECT_EQ (kBarsTable[i], bars[i]) << "Bars choice " << i;
}
