// Preset files: the state document without the theme, read with the state block's checks,
// applied as ordinary edits; the user's preset folder and file names.

#include "ProcessorTestSupport.h"

#include "params/ParamIDs.h"
#include "processor/Presets.h"
#include "processor/UserPresets.h"

#include <vector>

namespace
{
// A fresh folder per test, removed afterwards.
class PresetFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = juce::File::getSpecialLocation (juce::File::tempDirectory)
                  .getChildFile ("quorvane-preset-test-" + juce::Uuid().toDashedString());
        ASSERT_TRUE (dir.createDirectory().wasOk());
    }
    void TearDown() override { dir.deleteRecursively(); }

    juce::File file (const juce::String& name) const { return dir.getChildFile (name); }

    juce::File dir;
};

float presetParam (const Presets::PresetValues& values, const char* id)
{
    return values.parameters[(size_t) paramIndex (id)];
}

std::optional<Presets::PresetValues> parseText (const juce::String& text)
{
    return Presets::parse (text.toRawUTF8(), text.getNumBytesAsUTF8());
}

// Sets a handful of parameters of different kinds and every step to a distinct value.
void setDistinctSettings (QuorvaneAudioProcessor& p)
{
    setRawParam (p, "mode", 7.0f);
    setRawParam (p, "heat", 125.0f);
    setRawParam (p, "fxHiCut", 5000.0f);
    setRawParam (p, "seqEnabled", 1.0f);
    setRawParam (p, "seqBars2", 3.0f);
    setRawParam (p, "outputVolDb", -7.5f);
    for (int m = 0; m < 2; ++m)
        for (int s = 0; s < kNumSteps; ++s)
            p.setStepValue (m, s, (m == 0 ? -1.0f : 1.0f) * (float) s / 16.0f);
}
} // namespace

TEST_F (PresetFiles, SavedPresetLoadsBackIntoAFreshInstanceWithoutTheTheme)
{
    QuorvaneAudioProcessor source;
    setDistinctSettings (source);
    ASSERT_TRUE (Presets::writeFile (file ("sound.qvpreset"), source).wasOk());

    const auto xml = juce::parseXML (file ("sound.qvpreset"));
    ASSERT_NE (xml, nullptr);
    EXPECT_TRUE (xml->hasTagName ("Quorvane"));
    EXPECT_NE (xml->getChildByName ("StepSequencer"), nullptr);
    EXPECT_EQ (xml->getChildByName ("UIPrefs"), nullptr);

    Presets::PresetValues read;
    ASSERT_TRUE (Presets::readFile (file ("sound.qvpreset"), read).wasOk());
    QuorvaneAudioProcessor target;
    Presets::apply (target, read);
    EXPECT_TRUE (Presets::capture (target) == Presets::capture (source));
    EXPECT_EQ (rawParam (target, "heat"), 125.0f);
    EXPECT_EQ (target.getStepValue (1, 15), 15.0f / 16.0f);
}

TEST_F (PresetFiles, FilesThatAreNotPresetsChangeNothing)
{
    QuorvaneAudioProcessor p;
    setDistinctSettings (p);
    const auto good = Presets::documentText (p);
    // Ten megabytes of a valid document followed by padding: far beyond any preset.
    juce::String huge = good;
    huge << juce::String::repeatedString (" ", 10 * 1024 * 1024);

    struct Case
    {
        const char* what;
        juce::String text;
    };
    const Case cases[] = {
        { "empty", "" },
        { "corrupt", "\x01\x02garbage<<>>&&" },
        { "truncated", good.substring (0, good.length() / 2) },
        { "cut inside the root tag", "<Quorv" },
        { "a foreign root", good.replace ("<Quorvane", "<Other").replace ("</Quorvane>", "</Other>") },
        { "ten megabytes", huge },
        { "an unterminated entity", "<Quorvane a=\"&" + juce::String::repeatedString ("x", 100) + "\"/>" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const auto path = file ("bad.qvpreset");
        ASSERT_TRUE (path.replaceWithText (c.text));
        auto values = Presets::defaultValues();
        values.parameters[0] = 12.0f; // a mark that must survive the failed read
        EXPECT_TRUE (Presets::readFile (path, values).failed());
        EXPECT_EQ (values.parameters[0], 12.0f);
        EXPECT_EQ (presetParam (values, "heat"), 0.0f);
    }

    Presets::PresetValues values;
    EXPECT_TRUE (Presets::readFile (file ("missing.qvpreset"), values).failed());
    EXPECT_TRUE (Presets::readFile (dir, values).failed());
}

TEST (PresetDocument, ValuesAreLimitedRenamedOrDefaultedAsTheyAreRead)
{
    const auto values = parseText ("<Quorvane>"
                                   "<PARAM id=\"heat\" value=\"500\"/>"          // above 200
                                   "<PARAM id=\"fxLowCut\" value=\"-5\"/>"       // below 20
                                   "<PARAM id=\"direction\" value=\"1.7\"/>"     // a choice: index 1
                                   "<PARAM id=\"seqEnabled\" value=\"0.7\"/>"    // a switch: on
                                   "<PARAM id=\"mode\" value=\"99\"/>"           // past the last entry
                                   "<PARAM id=\"morph\" value=\"nan\"/>"         // not a number
                                   "<PARAM id=\"fxLevel\"/>"                     // no value
                                   "<PARAM id=\"unknown\" value=\"3\"/>"
                                   "<Unknown heat=\"7\"/>"
                                   "<StepSequencer s0=\"2\" s1=\"-0.25\" m1s15=\"-3\" m1s2=\"inf\"/>"
                                   "</Quorvane>");
    ASSERT_TRUE (values.has_value());
    const struct
    {
        const char* id;
        float expected;
    } parameters[] = {
        { "heat", 200.0f },      { "fxLowCut", 20.0f },   { "direction", 1.0f }, { "seqEnabled", 1.0f },
        { "mode", 21.0f },       { "morph", 50.0f },      { "fxLevel", 100.0f }, { "outputVolDb", 0.0f },
    };
    for (const auto& row : parameters)
        EXPECT_EQ (presetParam (*values, row.id), row.expected) << row.id;

    EXPECT_EQ (values->steps[0][0], 1.0f);
    EXPECT_EQ (values->steps[0][1], -0.25f);
    EXPECT_EQ (values->steps[0][2], 0.0f);
    EXPECT_EQ (values->steps[1][15], -1.0f);
    EXPECT_EQ (values->steps[1][2], 0.0f);
}

TEST (PresetDocument, AnOlderDocumentsWarmthIsReadAsHeat)
{
    const auto values = parseText ("<Quorvane><PARAM id=\"warmth\" value=\"120\"/></Quorvane>");
    ASSERT_TRUE (values.has_value());
    EXPECT_EQ (presetParam (*values, "heat"), 120.0f);
}

TEST (PresetApply, OnlyChangedParametersReachTheHostEachInsideAGesture)
{
    struct Recorder : juce::AudioProcessorListener
    {
        void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float) override
        {
            events.push_back ("set " + juce::String (index));
        }
        void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override
        {
            events.push_back ("begin " + juce::String (index));
        }
        void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override
        {
            events.push_back ("end " + juce::String (index));
        }
        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
        std::vector<juce::String> events;
    };

    QuorvaneAudioProcessor p;
    auto values = Presets::capture (p);
    values.parameters[(size_t) paramIndex ("heat")] = 80.0f;
    values.parameters[(size_t) paramIndex ("mode")] = 3.0f;
    values.steps[1][4] = 0.5f;

    Recorder recorder;
    p.addListener (&recorder);
    Presets::apply (p, values);
    p.removeListener (&recorder);

    // The host's indices follow the parameter table.
    const auto mode = juce::String (paramIndex ("mode")), heat = juce::String (paramIndex ("heat"));
    const std::vector<juce::String> expected { "begin " + mode, "set " + mode, "end " + mode,
                                               "begin " + heat, "set " + heat, "end " + heat };
    EXPECT_EQ (recorder.events, expected);
    EXPECT_EQ (p.getStepValue (1, 4), 0.5f);
    EXPECT_TRUE (Presets::capture (p) == values);
}

TEST (UserPresetNames, NamesBecomeSafeFileNames)
{
    const struct
    {
        const char* name;
        const char* expected;
    } cases[] = {
        { "Warm Pad", "Warm Pad" },
        { "  Warm Pad  ", "Warm Pad" },
        { "drums/bass\\keys", "drums-bass-keys" },
        { "../../etc/passwd", "-..-etc-passwd" },
        { ".hidden", "hidden" },
        { " . . dotted", "dotted" },
        { "...", "" },
        { "", "" },
        { "   ", "" },
        { "what?*:<now>|\"", "what----now---" },
        { "tab\there\nnewline", "tab-here-newline" },
        { "Ünïcode Pad", "Ünïcode Pad" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (UserPresets::sanitiseName (juce::String::fromUTF8 (c.name)), juce::String::fromUTF8 (c.expected))
            << c.name;

    // Long names are cut to the limit, without the spaces the cut leaves at the end.
    const auto longName = juce::String::repeatedString ("x", 63) + "   tail";
    EXPECT_EQ (UserPresets::sanitiseName (longName), juce::String::repeatedString ("x", 63));
    EXPECT_EQ (UserPresets::sanitiseName (juce::String::repeatedString ("y", 100)).length(), UserPresets::kMaxNameLength);
}

TEST (UserPresetFolder, FollowsXdgDataHomeWhenItIsAnAbsolutePath)
{
    const juce::File home ("/home/someone");
    const struct
    {
        const char* xdgDataHome;
        const char* expected;
    } cases[] = {
        { "/data/store", "/data/store/quorvane/presets" },
        { "", "/home/someone/.local/share/quorvane/presets" },
        { "relative/share", "/home/someone/.local/share/quorvane/presets" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (UserPresets::folderFor (c.xdgDataHome, home).getFullPathName(), juce::String (c.expected))
            << c.xdgDataHome;
}

TEST_F (PresetFiles, SavingCreatesTheFolderAndAsksBeforeReplacing)
{
    QuorvaneAudioProcessor p;
    const auto folder = dir.getChildFile ("share").getChildFile ("quorvane").getChildFile ("presets");
    bool exists = true;
    ASSERT_TRUE (UserPresets::save (p, folder, "b/side", false, exists).wasOk());
    EXPECT_FALSE (exists);
    EXPECT_TRUE (folder.getChildFile ("b-side.qvpreset").existsAsFile());

    setRawParam (p, "heat", 90.0f);
    EXPECT_TRUE (UserPresets::save (p, folder, "b/side", false, exists).failed());
    EXPECT_TRUE (exists);
    Presets::PresetValues kept;
    ASSERT_TRUE (Presets::readFile (folder.getChildFile ("b-side.qvpreset"), kept).wasOk());
    EXPECT_EQ (presetParam (kept, "heat"), 0.0f);

    ASSERT_TRUE (UserPresets::save (p, folder, "b/side", true, exists).wasOk());
    ASSERT_TRUE (Presets::readFile (folder.getChildFile ("b-side.qvpreset"), kept).wasOk());
    EXPECT_EQ (presetParam (kept, "heat"), 90.0f);

    EXPECT_TRUE (UserPresets::save (p, folder, "..", false, exists).failed());

    ASSERT_TRUE (UserPresets::save (p, folder, "alpha 10", false, exists).wasOk());
    ASSERT_TRUE (UserPresets::save (p, folder, "Alpha 9", false, exists).wasOk());
    juce::StringArray names;
    for (const auto& f : UserPresets::list (folder))
        names.add (UserPresets::nameOf (f));
    EXPECT_EQ (names, juce::StringArray ({ "Alpha 9", "alpha 10", "b-side" }));
}

TEST (PresetApply, AudioRunningDuringALoadHearsItAsOneChange)
{
    // A load writes the parameters one by one while the audio thread runs. Blocks that run in
    // the middle of it (here: after the new mode, before the new Resolution) keep the blend's
    // setting; the block after it takes the whole load at once. So the run sounds exactly like
    // one in which mode and Resolution changed together between two blocks, and no block is
    // told a latency of the half-loaded setting.
    auto run = [] (bool loadAcrossBlocks, std::vector<int>& latencies) {
        QuorvaneAudioProcessor p;
        HostedProcessor host (p);
        host.setRaw (ParamIDs::mode, static_cast<float> (modeIndexOf ("FFT Vocoder")));
        host.setRaw (ParamIDs::resolution, 7.0f);
        host.prepare (48000.0, 256);
        juce::AudioBuffer<float> buffer (host.bufferChannels(), 256);
        std::vector<float> out;
        auto block = [&] (int b) {
            fillNoise (buffer, b + 1, 0.3f);
            host.process (buffer);
            out.insert (out.end(), buffer.getReadPointer (0), buffer.getReadPointer (0) + 256);
            latencies.push_back (p.getLatencySamples());
        };
        int b = 0;
        for (; b < 8; ++b)
            block (b);
        if (loadAcrossBlocks)
        {
            const QuorvaneAudioProcessor::ScopedSettingsLoad load (p);
            host.setRaw (ParamIDs::mode, static_cast<float> (modeIndexOf ("Spectral Gate")));
            block (b++);
            block (b++);
            host.setRaw (ParamIDs::resolution, 12.0f);
        }
        else
        {
            block (b++);
            block (b++);
            host.setRaw (ParamIDs::mode, static_cast<float> (modeIndexOf ("Spectral Gate")));
            host.setRaw (ParamIDs::resolution, 12.0f);
        }
        for (; b < 40; ++b)
            block (b);
        return out;
    };
    std::vector<int> latenciesLoaded, latenciesTogether;
    const auto loaded = run (true, latenciesLoaded);
    const auto together = run (false, latenciesTogether);
    EXPECT_EQ (loaded, together);
    EXPECT_EQ (latenciesLoaded, latenciesTogether);
    // The vocoder's 128 until the gate's 4096-sample frames are full, then 4096.
    EXPECT_EQ (latenciesTogether.front(), 128);
    EXPECT_EQ (latenciesTogether.back(), 4096);
}
