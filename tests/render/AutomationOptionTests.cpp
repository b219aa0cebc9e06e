// The automation options on the command line: what --automate and --automation-block accept,
// how they are refused (status 2, one line, nothing written), and the warnings they give.

#include "RenderTestSupport.h"

#include "RenderOptions.h"

namespace
{
constexpr double kRate = 48000.0;

juce::StringArray argsOf (const std::vector<std::string>& args)
{
    juce::StringArray list;
    for (const auto& arg : args)
        list.add (arg);
    return list;
}

struct Refusal
{
    std::vector<std::string> args; // after "a.wav -o out.wav"
    const char* messagePart;
};

// Every way the automation options are refused, with what the message must say.
const Refusal kRefusals[] = {
    { { "--automate", "heat" }, "--automate expects ID=T:V[,T:V...], got 'heat'" },
    { { "--automate", "=0:1" }, "--automate expects ID=T:V" },
    { { "--automate" }, "--automate needs a value" },
    { { "--automate", "warmth=0:1" }, "unknown parameter id 'warmth'" },
    { { "--automate", "Heat=0:1" }, "unknown parameter id 'Heat'" },
    { { "--automate", "heat=" }, "--automate heat: no points" },
    { { "--automate", "heat= " }, "--automate heat: no points" },
    { { "--automate", "heat=0:1," }, "--automate heat: point 2 is empty" },
    { { "--automate", "heat=,0:1" }, "--automate heat: point 1 is empty" },
    { { "--automate", "heat=0" }, "point 1 '0' expects T:V" },
    { { "--automate", "heat=0:1,2" }, "point 2 '2' expects T:V" },
    { { "--automate", "heat=0;1" }, "point 1 '0;1' expects T:V" },
    { { "--automate", "heat=:1" }, "point 1 ':1' has an empty time or value" },
    { { "--automate", "heat=1:" }, "point 1 '1:' has an empty time or value" },
    { { "--automate", "heat=0:1,2: " }, "point 2 '2:' has an empty time or value" },
    { { "--automate", "heat=soon:1" }, "time 'soon' is not a number" },
    { { "--automate", "heat=0:hot" }, "value 'hot' is not a number" },
    { { "--automate", "heat=nan:1" }, "time 'nan' is not a number" },
    { { "--automate", "heat=0:inf" }, "value 'inf' is not a number" },
    { { "--automate", "heat=0:-inf" }, "value '-inf' is not a number" },
    { { "--automate", "heat=0x1:1" }, "time '0x1' is not a number" },
    { { "--automate", "heat=1e999:1" }, "time '1e999' is not a number" },
    { { "--automate", "heat=0:1e999" }, "value '1e999' is not a number" },
    { { "--automate", "heat=0:1:2" }, "value '1:2' is not a number" },
    { { "--automate", "heat=-0.5:1" }, "point 1 '-0.5:1': time '-0.5' is negative" },
    { { "--automate", "heat=0:10,2:20,-1:30" }, "point 3 '-1:30': time '-1' is negative" },
    { { "--automate", "heat=1:0,1:5" }, "point 2 at '1' s does not come after the point before it" },
    { { "--automate", "heat=0:0,2:1,1.5:5" }, "point 3 at '1.5' s does not come after" },
    { { "--automate", "heat=0:1", "--automate", "heat=2:3" }, "--automate heat is given twice" },
    { { "--automate", "mode=0:1", "--automate=mode=1:2" }, "--automate mode is given twice" },
    { { "--automation-block", "0" }, "--automation-block must be a whole number from 1 to 65536, got '0'" },
    { { "--automation-block", "65537" }, "--automation-block must be a whole number from 1 to 65536" },
    { { "--automation-block", "12.5" }, "--automation-block must be a whole number from 1 to 65536" },
    { { "--automation-block", "-64" }, "--automation-block must be a whole number from 1 to 65536" },
    { { "--automation-block", "often" }, "--automation-block: 'often' is not a number" },
    { { "--automation-block" }, "--automation-block needs a value" },
};
} // namespace

TEST (AutomationOptions, CurvesKeepTheirPointsInCommandLineOrder)
{
    struct Good
    {
        std::vector<std::string> args;
        const char* id;
        std::vector<std::pair<double, double>> points; // seconds, value
    };
    const Good cases[] = {
        { { "--automate", "outputVolDb=0:-6,2:-18" }, "outputVolDb", { { 0.0, -6.0 }, { 2.0, -18.0 } } },
        { { "--automate", "mode=0:0,0.25:1,0.5:2" }, "mode", { { 0.0, 0.0 }, { 0.25, 1.0 }, { 0.5, 2.0 } } },
        { { "--automate=fxHiCut=1.5:5000, 3 : 200" }, "fxHiCut", { { 1.5, 5000.0 }, { 3.0, 200.0 } } },
        { { "--automate", "heat=0:1e2,1e-3:-5" }, "heat", { { 0.0, 100.0 }, { 0.001, -5.0 } } },
        { { "--automate", "seqEnabled=0.5:1" }, "seqEnabled", { { 0.5, 1.0 } } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.args.back());
        std::vector<std::string> args { "a.wav", "-o", "o.wav" };
        args.insert (args.end(), c.args.begin(), c.args.end());
        RenderOptions options;
        const auto result = parseRenderArguments (argsOf (args), options);
        ASSERT_TRUE (result.wasOk()) << result.getErrorMessage();
        ASSERT_EQ (options.automations.size(), 1u);
        EXPECT_EQ (options.automations[0].paramId, c.id);
        ASSERT_EQ (options.automations[0].points.size(), c.points.size());
        for (size_t i = 0; i < c.points.size(); ++i)
        {
            EXPECT_EQ (options.automations[0].points[i].seconds, c.points[i].first) << i;
            EXPECT_EQ (options.automations[0].points[i].value, c.points[i].second) << i;
        }
        EXPECT_EQ (options.automationBlockSize, 0) << "the host block unless asked";
        EXPECT_TRUE (options.warnings.isEmpty());
    }

    // Several parameters, each in its own option, in the order given; the interval as given.
    RenderOptions options;
    ASSERT_TRUE (parseRenderArguments (argsOf ({ "a.wav", "-o", "o.wav", "--automate", "morph=0:10",
                                                 "--automation-block", "64", "--automate", "heat=1:20" }),
                                       options)
                     .wasOk());
    ASSERT_EQ (options.automations.size(), 2u);
    EXPECT_EQ (options.automations[0].paramId, "morph");
    EXPECT_EQ (options.automations[1].paramId, "heat");
    EXPECT_EQ (options.automationBlockSize, 64);
}

TEST (AutomationOptions, TheHelpTextShowsBothOptionsWithExamples)
{
    const auto help = runRenderInProcess ({ "--help" });
    ASSERT_EQ (help.exitCode, 0);
    for (const char* part : { "--automate ID=T:V[,T:V...]", "--automation-block N", "--automate outputVolDb=0:-6,2:-18",
                              "--automate mode=0:0,0.25:1,0.5:2" })
        EXPECT_NE (help.out.find (part), std::string::npos) << part;
}

TEST (AutomationOptions, BadCurvesAndIntervalsFailWithAMessageNamingTheProblem)
{
    for (const auto& c : kRefusals)
    {
        std::vector<std::string> args { "a.wav", "-o", "o.wav" };
        args.insert (args.end(), c.args.begin(), c.args.end());
        RenderOptions options;
        const auto result = parseRenderArguments (argsOf (args), options);
        ASSERT_TRUE (result.failed()) << argsOf (args).joinIntoString (" ");
        EXPECT_TRUE (result.getErrorMessage().contains (c.messagePart))
            << argsOf (args).joinIntoString (" ") << " -> " << result.getErrorMessage();
        EXPECT_FALSE (result.getErrorMessage().containsChar ('\n'));
    }
}

class AutomationErrors : public RenderTest
{
};

TEST_F (AutomationErrors, EveryRefusalExitsWithStatusTwoAndWritesNothing)
{
    writeWav (file ("a.wav"), { testSignal (300, 0, kRate), testSignal (300, 1, kRate) }, kRate);
    file ("out.wav").replaceWithText ("previous render");
    const auto fixtures = listFolder();

    for (const auto& c : kRefusals)
    {
        std::vector<std::string> args { "a.wav", "-o", "out.wav", "--state-out", "s.state" };
        args.insert (args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE (argsOf (args).joinIntoString (" "));
        const auto result = runRenderBinary (args, dir);
        expectRefusal (result, c.messagePart);
        EXPECT_EQ (listFolder(), fixtures) << "left behind: " << listFolder().joinIntoString (", ");
        EXPECT_EQ (file ("out.wav").loadFileAsString(), "previous render");
    }
}

TEST (AutomationOptions, ACurveWinsOverAFixedValueWithAWarningWhateverTheOrder)
{
    struct Case
    {
        std::vector<std::string> args;
        const char* id;
        const char* value;   // as --list-params shows it: the curve's value at time 0
        const char* warning; // empty: none
    };
    const Case cases[] = {
        { { "--set", "heat=50", "--automate", "heat=0:120,1:10" }, "heat", "120",
          "--automate heat overrides the value --set gives it" },
        { { "--automate", "heat=0:120,1:10", "--set", "heat=50" }, "heat", "120",
          "--automate heat overrides the value --set gives it" },
        { { "--mode", "3", "--automate", "mode=0:5,1:6" }, "mode", "5",
          "--automate mode overrides the value --mode or --set gives it" },
        // Before its first point a curve holds the first value.
        { { "--automate", "heat=1:40,2:80" }, "heat", "40", "" },
        { { "--set", "morph=20", "--automate", "heat=0:40" }, "morph", "20", "" },
    };
    for (const auto& c : cases)
    {
        std::vector<std::string> args { "--list-params" };
        args.insert (args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE (argsOf (args).joinIntoString (" "));
        const auto result = runRenderInProcess (args);
        ASSERT_EQ (result.exitCode, 0) << result.err;
        EXPECT_EQ (listedValueText (result.out, c.id), c.value);
        const auto lines = splitLines (result.err);
        if (*c.warning == 0)
        {
            EXPECT_EQ (result.err, "");
            continue;
        }
        ASSERT_EQ (lines.size(), 1u) << result.err;
        EXPECT_EQ (lines[0], std::string ("quorvane-render: warning: ") + c.warning);
    }
}

TEST_F (AutomationErrors, PointsOutsideTheRangeWarnOncePerOptionAndAreClamped)
{
    // However many points lie outside and however many blocks meet them, one line per option.
    writeWav (file ("a.wav"), { testSignal (4800, 0, kRate), testSignal (4800, 1, kRate) }, kRate);
    writeWav (file ("b.wav"), { testSignal (4800, 2, kRate) }, kRate);
    const auto result = runRenderInProcess ({ file ("a.wav").getFullPathName().toStdString(),
                                              file ("b.wav").getFullPathName().toStdString(), "--block", "32",
                                              "--automate", "heat=0:250,0.05:300,0.08:-5", "--automate",
                                              "outputVolDb=0:-3,0.04:-100", "--automate", "morph=0:0,0.09:100",
                                              "--state-out", file ("s.state").getFullPathName().toStdString(),
                                              "-o", file ("out.wav").getFullPathName().toStdString() });
    ASSERT_EQ (result.exitCode, 0) << result.err;
    const auto lines = splitLines (result.err);
    ASSERT_EQ (lines.size(), 2u) << result.err;
    EXPECT_EQ (lines[0], "quorvane-render: warning: --automate heat: values outside 0..200 are clamped to the range "
                         "(the first: 250 at 0 s)");
    EXPECT_EQ (lines[1], "quorvane-render: warning: --automate outputVolDb: values outside -60..6 are clamped to the "
                         "range (the first: -100 at 0.04 s)");

    // The state saved after the render holds the clamped ends of the curves.
    const auto restored = runRenderInProcess ({ "--state-in", file ("s.state").getFullPathName().toStdString(),
                                                "--list-params" });
    ASSERT_EQ (restored.exitCode, 0) << restored.err;
    EXPECT_EQ (listedValueText (restored.out, "heat"), "0");
    EXPECT_EQ (listedValueText (restored.out, "outputVolDb"), "-60");
    EXPECT_EQ (listedValueText (restored.out, "morph"), "100");
}
