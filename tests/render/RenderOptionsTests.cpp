#include "RenderOptions.h"

#include <gtest/gtest.h>

namespace
{
juce::StringArray argsOf (std::initializer_list<const char*> args)
{
    juce::StringArray list;
    for (auto* arg : args)
        list.add (arg);
    return list;
}
} // namespace

TEST (RenderOptions, MinimalCommandLineGivesTheHostDefaults)
{
    RenderOptions options;
    ASSERT_TRUE (parseRenderArguments (argsOf ({ "in.wav", "-o", "out.wav" }), options).wasOk());
    EXPECT_EQ (options.audio1, "in.wav");
    EXPECT_EQ (options.audio2, "");
    EXPECT_EQ (options.output, "out.wav");
    EXPECT_EQ (options.blockSize, 512);
    EXPECT_FALSE (options.noSidechain);
    EXPECT_FALSE (options.report);
    EXPECT_FALSE (options.transport.has_value());
    EXPECT_FALSE (options.steps[0].has_value());
    EXPECT_FALSE (options.steps[1].has_value());
    EXPECT_TRUE (options.assignments.empty());
    EXPECT_TRUE (options.warnings.isEmpty());
}

TEST (RenderOptions, ModeAndSetBecomeAssignmentsInCommandLineOrder)
{
    RenderOptions options;
    ASSERT_TRUE (parseRenderArguments (argsOf ({ "a.wav", "b.wav", "--output", "o.wav", "--set", "heat=150", "--mode",
                                                 "Spectral Gate", "--set", "mode=9", "--mode", "21", "--set=fxLevel=-5" }),
                                       options)
                     .wasOk());
    EXPECT_EQ (options.audio2, "b.wav");
    ASSERT_EQ (options.assignments.size(), 5u);
    const std::pair<const char*, double> expected[] = {
        { "heat", 150.0 }, { "mode", 4.0 }, { "mode", 9.0 }, { "mode", 21.0 }, { "fxLevel", -5.0 }
    };
    for (size_t i = 0; i < 5; ++i)
    {
        EXPECT_EQ (options.assignments[i].paramId, expected[i].first) << i;
        EXPECT_EQ (options.assignments[i].value, expected[i].second) << i;
    }
}

TEST (RenderOptions, TransportOptionsNeedBpmAndKeepTheirValues)
{
    RenderOptions options;
    ASSERT_TRUE (parseRenderArguments (argsOf ({ "a.wav", "-o", "o.wav", "--bpm", "93.5", "--time-sig", "6/8", "--ppq",
                                                 "-2.25", "--stopped" }),
                                       options)
                     .wasOk());
    ASSERT_TRUE (options.transport.has_value());
    EXPECT_EQ (options.transport->bpm, 93.5);
    EXPECT_EQ (options.transport->numerator, 6);
    EXPECT_EQ (options.transport->denominator, 8);
    EXPECT_EQ (options.transport->ppqStart, -2.25);
    EXPECT_FALSE (options.transport->playing);

    ASSERT_TRUE (parseRenderArguments (argsOf ({ "a.wav", "-o", "o.wav", "--bpm=120" }), options).wasOk());
    ASSERT_TRUE (options.transport.has_value());
    EXPECT_EQ (options.transport->numerator, 4);
    EXPECT_EQ (options.transport->denominator, 4);
    EXPECT_EQ (options.transport->ppqStart, 0.0);
    EXPECT_TRUE (options.transport->playing);

    // Without --bpm there is no play head; the other transport options are reported as ignored.
    ASSERT_TRUE (parseRenderArguments (argsOf ({ "a.wav", "-o", "o.wav", "--ppq", "3", "--stopped" }), options).wasOk());
    EXPECT_FALSE (options.transport.has_value());
    EXPECT_EQ (options.warnings.size(), 1);
}

TEST (RenderOptions, StepListsTakeSixteenNumbers)
{
    RenderOptions options;
    ASSERT_TRUE (parseRenderArguments (argsOf ({ "a.wav", "-o", "o.wav", "--steps1",
                                                 "-1,-0.875,-0.75,-0.625,-0.5,-0.375,-0.25,-0.125,0,0.125,0.25,0.375,0.5,0.625,0.75, 1",
                                                 "--steps2", "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,2" }),
                                       options)
                     .wasOk());
    ASSERT_TRUE (options.steps[0].has_value());
    ASSERT_TRUE (options.steps[1].has_value());
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ ((*options.steps[0])[(size_t) i], -1.0 + 0.125 * i) << i;
    EXPECT_EQ ((*options.steps[0])[15], 1.0);
    // Out-of-range steps are accepted here and clamped when applied.
    EXPECT_EQ ((*options.steps[1])[15], 2.0);
}

TEST (RenderOptions, SeedIsOptionalAndKeptAsGiven)
{
    RenderOptions options;
    ASSERT_TRUE (parseRenderArguments (argsOf ({ "a.wav", "-o", "o.wav" }), options).wasOk());
    EXPECT_FALSE (options.seed.has_value());
    ASSERT_TRUE (parseRenderArguments (argsOf ({ "a.wav", "-o", "o.wav", "--seed", "42" }), options).wasOk());
    ASSERT_TRUE (options.seed.has_value());
    EXPECT_EQ (*options.seed, 42);
}

TEST (RenderOptions, ListParamsAndHelpNeedNoFiles)
{
    RenderOptions options;
    ASSERT_TRUE (parseRenderArguments (argsOf ({ "--list-params", "--set", "heat=10" }), options).wasOk());
    EXPECT_TRUE (options.listParams);
    ASSERT_TRUE (parseRenderArguments (argsOf ({ "--help" }), options).wasOk());
    EXPECT_TRUE (options.showHelp);
}

TEST (RenderOptions, InstructionSetIsOptionalAndNamedAsTheListShowsIt)
{
    RenderOptions options;
    ASSERT_TRUE (parseRenderArguments (argsOf ({ "a.wav", "-o", "o.wav" }), options).wasOk());
    EXPECT_FALSE (options.isa.has_value());
    const std::pair<const char*, simd::Isa> names[] = {
        { "baseline", simd::Isa::baseline }, { "avx2", simd::Isa::avx2 }, { "avx512", simd::Isa::avx512 }
    };
    for (const auto& [name, isa] : names)
    {
        // Parsing takes every name, whatever this CPU runs: the render checks that.
        ASSERT_TRUE (parseRenderArguments (argsOf ({ "a.wav", "-o", "o.wav", "--isa", name }), options).wasOk()) << name;
        ASSERT_TRUE (options.isa.has_value());
        EXPECT_EQ (*options.isa, isa) << name;
    }
    ASSERT_TRUE (parseRenderArguments (argsOf ({ "--list-isas" }), options).wasOk());
    EXPECT_TRUE (options.listIsas);
}

TEST (RenderOptions, DoubleDashEndsTheOptions)
{
    RenderOptions options;
    ASSERT_TRUE (parseRenderArguments (argsOf ({ "-o", "o.wav", "--", "-odd.wav", "--report" }), options).wasOk());
    EXPECT_EQ (options.audio1, "-odd.wav");
    EXPECT_EQ (options.audio2, "--report");
    EXPECT_FALSE (options.report);
}

struct BadCommandLine
{
    std::vector<const char*> args;
    const char* messagePart;
};

TEST (RenderOptions, BadCommandLinesFailWithAMessageNamingTheProblem)
{
    const BadCommandLine cases[] = {
        { { "a.wav", "-o", "o.wav", "--frobnicate" }, "unknown option '--frobnicate'" },
        { { "a.wav", "-o", "o.wav", "-x" }, "unknown option '-x'" },
        { { "a.wav", "-o" }, "-o needs a value" },
        { { "a.wav", "-o", "o.wav", "--report=yes" }, "takes no value" },
        { { "a.wav" }, "no output file" },
        { { "-o", "o.wav" }, "no input file" },
        { { "a.wav", "b.wav", "c.wav", "-o", "o.wav" }, "too many input files" },
        { { "a.wav", "-o", "o.wav", "--mode", "spectral gate" }, "unknown mode 'spectral gate'" },
        { { "a.wav", "-o", "o.wav", "--mode", "22" }, "unknown mode '22'" },
        { { "a.wav", "-o", "o.wav", "--mode", "-1" }, "unknown mode '-1'" },
        { { "a.wav", "-o", "o.wav", "--set", "warmth=10" }, "unknown parameter id 'warmth'" },
        { { "a.wav", "-o", "o.wav", "--set", "heat" }, "expects ID=VALUE" },
        { { "a.wav", "-o", "o.wav", "--set", "heat=" }, "is not a number" },
        { { "a.wav", "-o", "o.wav", "--set", "heat=loud" }, "'loud' is not a number" },
        { { "a.wav", "-o", "o.wav", "--set", "heat=nan" }, "is not a number" },
        { { "a.wav", "-o", "o.wav", "--set", "heat=inf" }, "is not a number" },
        { { "a.wav", "-o", "o.wav", "--set", "heat=0x10" }, "is not a number" },
        { { "a.wav", "-o", "o.wav", "--set", "heat=1e999" }, "is not a number" },
        { { "a.wav", "-o", "o.wav", "--block", "0" }, "from 1 to 65536" },
        { { "a.wav", "-o", "o.wav", "--block", "65537" }, "from 1 to 65536" },
        { { "a.wav", "-o", "o.wav", "--block", "12.5" }, "from 1 to 65536" },
        { { "a.wav", "-o", "o.wav", "--block", "big" }, "is not a number" },
        { { "a.wav", "-o", "o.wav", "--bpm", "fast" }, "is not a number" },
        { { "a.wav", "-o", "o.wav", "--seed", "-3" }, "--seed must be a whole number" },
        { { "a.wav", "-o", "o.wav", "--seed", "1.5" }, "--seed must be a whole number" },
        { { "a.wav", "-o", "o.wav", "--seed", "1234567" }, "--seed must be a whole number" },
        { { "a.wav", "-o", "o.wav", "--bpm", "0" }, "greater than 0" },
        { { "a.wav", "-o", "o.wav", "--ppq", "start" }, "is not a number" },
        { { "a.wav", "-o", "o.wav", "--time-sig", "4-4" }, "N/D" },
        { { "a.wav", "-o", "o.wav", "--time-sig", "0/4" }, "N/D" },
        { { "a.wav", "-o", "o.wav", "--time-sig", "7/" }, "N/D" },
        { { "a.wav", "-o", "o.wav", "--steps1", "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0" }, "got 15 fields" },
        { { "a.wav", "-o", "o.wav", "--steps2", "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0" }, "got 17 fields" },
        { { "a.wav", "-o", "o.wav", "--steps1", "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0," }, "step 16 '' is not a number" },
        { { "a.wav", "-o", "o.wav", "--steps1", "0,0,0,up,0,0,0,0,0,0,0,0,0,0,0,0" }, "step 4 'up' is not a number" },
        { { "a.wav", "-o", "o.wav", "--isa", "AVX2" }, "--isa expects baseline, avx2 or avx512, got 'AVX2'" },
        { { "a.wav", "-o", "o.wav", "--isa", "avx-512" }, "got 'avx-512'" },
        { { "a.wav", "-o", "o.wav", "--isa" }, "--isa needs a value" },
        { { "a.wav", "-o", "o.wav", "--list-isas=1" }, "takes no value" },
    };

    for (const auto& c : cases)
    {
        juce::StringArray args;
        for (auto* a : c.args)
            args.add (a);
        RenderOptions options;
        const auto result = parseRenderArguments (args, options);
        ASSERT_TRUE (result.failed()) << args.joinIntoString (" ");
        EXPECT_TRUE (result.getErrorMessage().contains (c.messagePart))
            << args.joinIntoString (" ") << " -> " << result.getErrorMessage();
        EXPECT_FALSE (result.getErrorMessage().containsChar ('\n'));
    }
}
