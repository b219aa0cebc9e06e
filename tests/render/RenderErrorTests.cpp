// The tool's failure contract, checked on the built binary: exit status 2, one line on stderr,
// nothing on stdout, and no output file (not even a temporary one) left behind.

#include "RenderTestSupport.h"

namespace
{
struct ErrorCase
{
    const char* what;
    std::vector<std::string> args;
    const char* messagePart;
};

constexpr double kRate = 44100.0;
} // namespace

class RenderErrors : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        writeWav (file ("a.wav"), { testSignal (300, 0, kRate), testSignal (300, 1, kRate) }, kRate);
        writeWav (file ("b.wav"), { testSignal (200, 0, kRate) }, kRate);
        writeWav (file ("b48k.wav"), { testSignal (200, 0, 48000.0) }, 48000.0);
        file ("garbage.wav").replaceWithText ("this is not audio, whatever the name says\n");
        file ("folder.wav").createDirectory();
        file ("garbage.state").replaceWithText ("<Quorvane/>");
    }
};

TEST_F (RenderErrors, EveryErrorExitsWithStatusTwoAndLeavesNoOutput)
{
    const ErrorCase cases[] = {
        { "missing AUDIO1", { "missing.wav", "-o", "out.wav" }, "no such file" },
        { "missing AUDIO2", { "a.wav", "missing.wav", "-o", "out.wav" }, "AUDIO2" },
        { "unreadable AUDIO1 (a folder)", { "folder.wav", "-o", "out.wav" }, "is a directory" },
        { "a text file as AUDIO1", { "garbage.wav", "-o", "out.wav" }, "is a text file, not audio" },
        { "a text file as AUDIO2", { "a.wav", "garbage.wav", "-o", "out.wav" }, "is a text file, not audio" },
        { "unknown option", { "a.wav", "-o", "out.wav", "--turbo" }, "unknown option" },
        { "unknown mode name", { "a.wav", "-o", "out.wav", "--mode", "Vocoder" }, "unknown mode" },
        { "mode index out of range", { "a.wav", "-o", "out.wav", "--mode", "22" }, "unknown mode" },
        { "unknown parameter id", { "a.wav", "-o", "out.wav", "--set", "gain=1" }, "unknown parameter id" },
        { "non-numeric value", { "a.wav", "-o", "out.wav", "--set", "heat=hot" }, "not a number" },
        { "non-numeric tempo", { "a.wav", "-o", "out.wav", "--bpm", "x" }, "not a number" },
        { "different sample rates", { "a.wav", "b48k.wav", "-o", "out.wav" }, "different sample rates" },
        { "block size 0", { "a.wav", "-o", "out.wav", "--block", "0" }, "--block" },
        { "block size 65537", { "a.wav", "-o", "out.wav", "--block", "65537" }, "--block" },
        { "fifteen steps", { "a.wav", "-o", "out.wav", "--steps1", "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0" }, "sixteen" },
        { "seventeen steps", { "a.wav", "-o", "out.wav", "--steps2", "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0" }, "sixteen" },
        { "missing state file", { "a.wav", "-o", "out.wav", "--state-in", "none.state" }, "no such file" },
        { "state file that is a folder", { "a.wav", "-o", "out.wav", "--state-in", "folder.wav" }, "is a directory" },
        { "state file that holds no state", { "a.wav", "-o", "out.wav", "--state-in", "garbage.state" }, "state block" },
        { "output folder missing", { "a.wav", "-o", "nowhere/out.wav" }, "folder does not exist" },
        { "no output given", { "a.wav" }, "no output file" },
        { "unknown instruction set", { "a.wav", "b.wav", "-o", "out.wav", "--isa", "sse9" }, "--isa expects" },
    };

    const auto fixtures = listFolder();
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const auto result = runRenderBinary (c.args, dir);
        expectRefusal (result, c.messagePart);
        EXPECT_EQ (listFolder(), fixtures) << "left behind: " << listFolder().joinIntoString (", ");
    }
}

TEST_F (RenderErrors, AFailedRunLeavesAnExistingOutputFileUntouched)
{
    file ("out.wav").replaceWithText ("previous render");
    const auto result = runRenderBinary ({ "a.wav", "b48k.wav", "-o", "out.wav", "--state-out", "s.state" }, dir);
    EXPECT_EQ (result.exitCode, 2);
    EXPECT_EQ (file ("out.wav").loadFileAsString(), "previous render");
    EXPECT_FALSE (file ("s.state").exists());
}
