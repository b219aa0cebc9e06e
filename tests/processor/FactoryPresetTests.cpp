// The factory presets as data: every row names real parameters with values inside their
// ranges, the rows follow the mode list so they group by section, and every entry has one.

#include "ProcessorTestSupport.h"

#include "processor/FactoryPresets.h"

#include <set>

TEST (FactoryPresets, RowsNameRealParametersWithValuesInRange)
{
    for (int i = 0; i < FactoryPresets::count(); ++i)
    {
        const auto& preset = FactoryPresets::at (i);
        SCOPED_TRACE (preset.name);
        EXPECT_GE (FactoryPresets::entryIndex (preset), 0) << preset.modeName;
        for (const auto& setting : preset.settings)
        {
            if (setting.paramId == nullptr)
                continue;
            const auto* spec = findParamSpec (setting.paramId);
            ASSERT_NE (spec, nullptr) << setting.paramId;
            // A value the range would change is a mistake in the row, not a setting.
            EXPECT_EQ (Presets::limitToRange (*spec, setting.value), setting.value) << setting.paramId;
            EXPECT_STRNE (setting.paramId, "mode");
        }
        for (const auto* row : { preset.steps1, preset.steps2 })
            if (row != nullptr)
                for (float v : row->values)
                    EXPECT_TRUE (v >= -1.0f && v <= 1.0f);
    }
}

TEST (FactoryPresets, EveryEntryHasAPresetAndTheListFollowsTheSections)
{
    std::set<int> covered;
    std::set<std::string> names;
    int previousEntry = 0;
    for (int i = 0; i < FactoryPresets::count(); ++i)
    {
        const auto& preset = FactoryPresets::at (i);
        const int entry = FactoryPresets::entryIndex (preset);
        EXPECT_GE (entry, previousEntry) << preset.name;
        previousEntry = entry;
        covered.insert (entry);
        EXPECT_TRUE (names.insert (preset.name).second) << "twice: " << preset.name;
        EXPECT_FALSE (juce::String (preset.name).trim().isEmpty());
        EXPECT_EQ (FactoryPresets::find (preset.name), &preset);
    }
    EXPECT_EQ ((int) covered.size(), kNumBlendModeEntries);
    EXPECT_EQ (FactoryPresets::find ("no such preset"), nullptr);

    // The sections as the mode list names them, first and last.
    EXPECT_EQ (FactoryPresets::section (FactoryPresets::at (0)), "Spectral");
    EXPECT_EQ (FactoryPresets::section (FactoryPresets::at (FactoryPresets::count() - 1)), "Math");
}

TEST (FactoryPresets, LoadingSetsTheModeAndTheRowsSettingsOverTheDefaults)
{
    const auto* preset = FactoryPresets::find ("1024-Band Vocoder");
    ASSERT_NE (preset, nullptr);
    QuorvaneAudioProcessor p;
    setRawParam (p, "heat", 150.0f); // not part of the preset: back to its default
    p.setStepValue (0, 3, 0.75f);
    Presets::apply (p, FactoryPresets::values (*preset));

    EXPECT_EQ (rawParam (p, "mode"), 0.0f); // Classic Vocoder is the first entry
    EXPECT_EQ (rawParam (p, "resolution"), 10.0f); // 2^10 = 1024 bands
    EXPECT_EQ (rawParam (p, "heat"), 0.0f);
    EXPECT_EQ (p.getStepValue (0, 3), 0.0f);
}
