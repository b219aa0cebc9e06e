// --preset and --list-presets: where the preset comes in among the other settings, how a name
// or a file is found, and what an unusable preset does.

#include "ProcessorSetup.h"
#include "RenderTestSupport.h"

#include "processor/FactoryPresets.h"
#include "processor/Presets.h"
#include "processor/UserPresets.h"

#include <cstdlib>
#include <sstream>

namespace
{
float raw (QuorvaneAudioProcessor& p, const char* id)
{
    return p.parameters.getRawParameterValue (id)->load();
}

void setRaw (QuorvaneAudioProcessor& p, const char* id, float value)
{
    auto* parameter = p.parameters.getParameter (id);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}

// The user's data directory pointed at the scratch folder for one test.
class PresetOptions : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        if (const char* previous = std::getenv ("XDG_DATA_HOME"))
            savedDataHome = previous;
        ::setenv ("XDG_DATA_HOME", dir.getFullPathName().toRawUTF8(), 1);
        userFolder = dir.getChildFile ("quorvane").getChildFile ("presets");
    }
    void TearDown() override
    {
        if (savedDataHome.has_value())
            ::setenv ("XDG_DATA_HOME", savedDataHome->c_str(), 1);
        else
            ::unsetenv ("XDG_DATA_HOME");
        RenderTest::TearDown();
    }

    // The raw value --list-params prints for a parameter after the command line is applied.
    std::string listedValue (std::vector<std::string> args, const std::string& id)
    {
        args.push_back ("--list-params");
        const auto result = runRenderInProcess (args);
        EXPECT_EQ (result.exitCode, 0) << result.err;
        for (const auto& line : splitLines (result.out))
            if (line.rfind (id + "\t", 0) == 0)
                return line.substr (line.rfind ('\t') + 1);
        return "(not listed)";
    }

    juce::File userFolder;
    std::optional<std::string> savedDataHome;
};
} // namespace

TEST (PresetOrder, PresetComesAfterTheStateAndBeforeStepsModeAndSet)
{
    const auto stateFile = juce::File::createTempFile (".state");
    {
        QuorvaneAudioProcessor saved;
        setRaw (saved, "heat", 150.0f);
        setRaw (saved, "sig1Level", 30.0f);
        setRaw (saved, "mode", 5.0f);
        saved.setStepValue (1, 2, 0.9f);
        juce::MemoryBlock block;
        saved.getStateInformation (block);
        ASSERT_TRUE (stateFile.replaceWithData (block.getData(), block.getSize()));
    }

    RenderOptions options;
    options.stateIn = stateFile.getFullPathName();
    options.preset = "Crushed Robot"; // Distorted Vocoder (entry 2), Voc Drive 100, FX LowCut 30 Hz
    StepPattern quarter {};
    quarter.fill (0.25);
    options.steps[0] = quarter;
    options.assignments = { { "heat", 10.0 } };

    QuorvaneAudioProcessor p;
    std::ostringstream warnings;
    ASSERT_TRUE (configureProcessor (p, options, warnings).wasOk());
    stateFile.deleteFile();

    EXPECT_EQ (raw (p, "heat"), 10.0f);      // --set wins over the preset
    EXPECT_EQ (raw (p, "sig1Level"), 0.0f);  // the preset replaces the state's value with its own
    EXPECT_EQ (raw (p, "mode"), 2.0f);
    EXPECT_EQ (raw (p, "vocDrive"), 100.0f);
    EXPECT_EQ (p.getStepValue (0, 7), 0.25f); // --steps1 wins over the preset
    EXPECT_EQ (p.getStepValue (1, 2), 0.0f);  // the preset's modulator 2 steps
}

TEST_F (PresetOptions, ListShowsTheFactoryPresetsBySectionThenTheUsers)
{
    QuorvaneAudioProcessor p;
    bool exists = false;
    ASSERT_TRUE (UserPresets::save (p, userFolder, "My Sound", false, exists).wasOk());

    const auto result = runRenderInProcess ({ "--list-presets" });
    ASSERT_EQ (result.exitCode, 0) << result.err;
    const auto lines = splitLines (result.out);
    ASSERT_EQ ((int) lines.size(), FactoryPresets::count() + 1);
    EXPECT_EQ (lines.front(), "factory\tSpectral\t" + std::string (FactoryPresets::at (0).name));
    EXPECT_EQ (lines.back(), "user\tUser\tMy Sound");
}

TEST_F (PresetOptions, NamesFindFactoryAndUserPresetsAndPathsFindFiles)
{
    QuorvaneAudioProcessor p;
    setRaw (p, "heat", 42.0f);
    bool exists = false;
    ASSERT_TRUE (UserPresets::save (p, userFolder, "Mine", false, exists).wasOk());
    setRaw (p, "heat", 77.0f);
    ASSERT_TRUE (Presets::writeFile (file ("loose.qvpreset"), p).wasOk());

    EXPECT_EQ (listedValue ({ "--preset", "Clangorous Bells" }, "heat"), "12");
    EXPECT_EQ (listedValue ({ "--preset", "Mine" }, "heat"), "42");
    EXPECT_EQ (listedValue ({ "--preset", file ("loose.qvpreset").getFullPathName().toStdString() }, "heat"), "77");
}

TEST_F (PresetOptions, UnknownOrUnusablePresetsAreErrorsAndWriteNothing)
{
    writeWav (file ("a.wav"), { testSignal (300, 0, 44100.0) }, 44100.0);
    file ("bad.qvpreset").replaceWithText ("<Other/>");
    file ("folder.qvpreset").createDirectory();
    const struct
    {
        const char* preset;
        const char* messagePart;
    } cases[] = {
        { "No Such Preset", "unknown preset 'No Such Preset'" },
        { "bad.qvpreset", "is not a Quorvane preset" },
        { "folder.qvpreset", "is a directory" },
        { "missing.qvpreset", "no such file" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.preset);
        const auto result = runRenderBinary ({ "a.wav", "-o", "out.wav", "--preset", c.preset }, dir);
        EXPECT_EQ (result.exitCode, 2);
        EXPECT_NE (result.err.find (c.messagePart), std::string::npos) << result.err;
        EXPECT_FALSE (file ("out.wav").exists());
    }
}

TEST (PresetOptionParsing, ListNeedsNoFilesAndAPresetNeedsAName)
{
    RenderOptions options;
    ASSERT_TRUE (parseRenderArguments ({ "--list-presets" }, options).wasOk());
    EXPECT_TRUE (options.listPresets);

    ASSERT_TRUE (parseRenderArguments ({ "a.wav", "-o", "o.wav", "--preset", "Kick Pump" }, options).wasOk());
    EXPECT_EQ (options.preset, "Kick Pump");
    EXPECT_FALSE (options.listPresets);

    const auto empty = parseRenderArguments ({ "a.wav", "-o", "o.wav", "--preset=" }, options);
    ASSERT_TRUE (empty.failed());
    EXPECT_TRUE (empty.getErrorMessage().contains ("--preset needs"));
    EXPECT_TRUE (parseRenderArguments ({ "a.wav", "-o", "o.wav", "--preset" }, options).failed());
}
