// The built renderer fed damaged files, wrong kinds of paths and extreme options: each run
// either fails with the tool's error contract (exit status 2, one line on stderr, no output
// file and nothing left behind) or renders a correct result. It never crashes.

#include "RenderTestSupport.h"

#include "../processor/AudioFileFixtures.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace
{
constexpr double kRate = 44100.0;

struct ErrorCase
{
    const char* what;
    std::vector<std::string> args;
    const char* messagePart;
};

// A copy of a WAV file's bytes with the first `length` bytes kept.
void writeTruncated (const juce::File& source, const juce::File& target, size_t length)
{
    juce::MemoryBlock bytes;
    ASSERT_TRUE (source.loadFileAsData (bytes));
    ASSERT_LE (length, bytes.getSize());
    ASSERT_TRUE (target.replaceWithData (bytes.getData(), length));
}

// Offset of the "data" chunk's size field.
size_t dataSizeOffset (const juce::MemoryBlock& bytes)
{
    const auto* b = static_cast<const char*> (bytes.getData());
    for (size_t i = 12; i + 8 <= bytes.getSize(); ++i)
        if (std::memcmp (b + i, "data", 4) == 0)
            return i + 4;
    ADD_FAILURE() << "no data chunk";
    return 0;
}

size_t dataStart (const juce::File& wav)
{
    juce::MemoryBlock bytes;
    wav.loadFileAsData (bytes);
    return dataSizeOffset (bytes) + 4;
}
} // namespace

class RenderBadInput : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        // 300 stereo float frames: 8 bytes a frame.
        writeWav (file ("a.wav"), { testSignal (300, 0, kRate), testSignal (300, 1, kRate) }, kRate);
        writeWav (file ("b.wav"), { testSignal (300, 0, kRate), testSignal (300, 1, kRate) }, kRate);
    }

    void expectErrors (const std::vector<ErrorCase>& cases)
    {
        const auto fixtures = listFolder();
        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.what);
            const auto result = runRenderBinary (c.args, dir);
            expectRefusal (result, c.messagePart);
            EXPECT_EQ (listFolder(), fixtures) << "left behind: " << listFolder().joinIntoString (", ");
        }
    }
};

TEST_F (RenderBadInput, TruncatedAndEmptyFilesAreRefusedClearly)
{
    const auto start = dataStart (file ("a.wav"));
    file ("empty.wav").create();
    writeTruncated (file ("a.wav"), file ("cut-in-header.wav"), 20);
    writeTruncated (file ("a.wav"), file ("header-only.wav"), start);
    writeTruncated (file ("a.wav"), file ("cut-in-data.wav"), start + 8 * 100);
    writeTruncated (file ("a.wav"), file ("cut-mid-frame.wav"), start + 8 * 299 + 3);

    // A recorder that died before it could write the real size leaves the largest one there.
    {
        juce::MemoryBlock bytes;
        file ("a.wav").loadFileAsData (bytes);
        const juce::uint32 huge = 0xffffffffu;
        bytes.copyFrom (&huge, dataSizeOffset (bytes), 4);
        file ("unfinished.wav").replaceWithData (bytes.getData(), bytes.getSize());
    }

    expectErrors ({
        { "zero-byte AUDIO1", { "empty.wav", "-o", "out.wav" }, "cannot be decoded" },
        { "zero-byte AUDIO2", { "a.wav", "empty.wav", "-o", "out.wav" }, "AUDIO2" },
        { "AUDIO1 cut inside its header", { "cut-in-header.wav", "-o", "out.wav" }, "cannot be decoded" },
        { "AUDIO1 with a header and no samples", { "header-only.wav", "-o", "out.wav" }, "truncated" },
        { "AUDIO1 cut inside its samples", { "cut-in-data.wav", "-o", "out.wav" }, "truncated" },
        { "AUDIO1 cut inside its last frame", { "cut-mid-frame.wav", "-o", "out.wav" }, "truncated" },
        { "AUDIO2 cut inside its samples", { "a.wav", "cut-in-data.wav", "-o", "out.wav" }, "AUDIO2" },
        { "AUDIO1 with an unfinished size", { "unfinished.wav", "-o", "out.wav" }, "truncated" },
    });
}

TEST_F (RenderBadInput, ZeroLengthWavFilesRenderCorrectly)
{
    writeWav (file ("silent.wav"), { {}, {} }, kRate);

    // No frames in, no frames out: a valid, empty stereo float WAV at the input's rate.
    auto result = runRenderBinary ({ "silent.wav", "-o", "out.wav" }, dir);
    ASSERT_EQ (result.exitCode, 0) << result.err;
    auto output = readWav (file ("out.wav"));
    ASSERT_TRUE (output.ok);
    EXPECT_EQ (output.sampleRate, kRate);
    EXPECT_TRUE (output.floatingPoint);
    ASSERT_EQ (output.channels.size(), 2u);
    EXPECT_EQ (output.channels[0].size(), 0u);

    // An empty sidechain file is a silent sidechain: the render runs as long as AUDIO1.
    result = runRenderBinary ({ "a.wav", "silent.wav", "-o", "out2.wav" }, dir);
    ASSERT_EQ (result.exitCode, 0) << result.err;
    output = readWav (file ("out2.wav"));
    ASSERT_TRUE (output.ok);
    ASSERT_EQ (output.channels.size(), 2u);
    EXPECT_EQ (output.channels[0].size(), 300u);
    for (const auto& channel : output.channels)
        for (float s : channel)
            ASSERT_TRUE (std::isfinite (s));
}

TEST_F (RenderBadInput, FoldersWhereFilesBelongAreRefused)
{
    file ("folder").createDirectory();
    expectErrors ({
        { "AUDIO2 is a folder", { "a.wav", "folder", "-o", "out.wav" }, "is a directory" },
        { "the output is a folder", { "a.wav", "-o", "folder" }, "is a directory" },
        { "the state output is a folder", { "a.wav", "-o", "out.wav", "--state-out", "folder" }, "is a directory" },
    });
}

TEST_F (RenderBadInput, UnwritableOutputsAreRefusedWithoutTouchingAnything)
{
    // A named pipe where the output should go: renaming a finished file onto it would replace
    // the pipe (or, run as root, a device such as /dev/null) with a regular file.
    ASSERT_EQ (::mkfifo (file ("pipe").getFullPathName().toRawUTF8(), 0644), 0);

    std::vector<ErrorCase> cases = {
        // The kernel's process folder accepts no new files, whoever asks.
        { "a folder nobody can write to", { "a.wav", "-o", "/proc/self/quorvane-out.wav" }, "cannot write" },
        { "a file standing in for the folder", { "a.wav", "-o", "a.wav/out.wav" }, "folder does not exist" },
        { "a named pipe as the output", { "a.wav", "-o", "pipe" }, "not a regular file" },
        { "a named pipe as the state output", { "a.wav", "-o", "out.wav", "--state-out", "pipe" }, "not a regular file" },
    };
    // Folder permissions do not stop the superuser, so this case only means something otherwise.
    if (::geteuid() != 0)
    {
        file ("locked").createDirectory();
        ::chmod (file ("locked").getFullPathName().toRawUTF8(), 0555);
        cases.push_back ({ "a read-only folder", { "a.wav", "-o", "locked/out.wav" }, "cannot write" });
    }
    expectErrors (cases);

    struct stat info {};
    ASSERT_EQ (::stat (file ("pipe").getFullPathName().toRawUTF8(), &info), 0);
    EXPECT_TRUE (S_ISFIFO (info.st_mode));
    ::chmod (file ("locked").getFullPathName().toRawUTF8(), 0755);
}

TEST_F (RenderBadInput, TheLargestBlockOnATenSampleFile)
{
    writeWav (file ("ten.wav"), { testSignal (10, 0, kRate), testSignal (10, 1, kRate) }, kRate);
    writeWav (file ("ten2.wav"), { testSignal (10, 2, kRate) }, kRate);

    // Without the sidechain the input passes through: the output is the ten input samples.
    auto result = runRenderBinary ({ "ten.wav", "-o", "out.wav", "--block", "65536" }, dir);
    ASSERT_EQ (result.exitCode, 0) << result.err;
    const auto input = readWav (file ("ten.wav"));
    const auto passed = readWav (file ("out.wav"));
    ASSERT_TRUE (passed.ok);
    EXPECT_EQ (passed.channels, input.channels);

    // With it, one block of ten samples either way: the same output as the default block size.
    result = runRenderBinary ({ "ten.wav", "ten2.wav", "-o", "huge.wav", "--block", "65536" }, dir);
    ASSERT_EQ (result.exitCode, 0) << result.err;
    result = runRenderBinary ({ "ten.wav", "ten2.wav", "-o", "default.wav" }, dir);
    ASSERT_EQ (result.exitCode, 0) << result.err;
    const auto huge = readWav (file ("huge.wav"));
    ASSERT_TRUE (huge.ok);
    ASSERT_EQ (huge.channels.size(), 2u);
    EXPECT_EQ (huge.channels[0].size(), 10u);
    EXPECT_EQ (huge.channels, readWav (file ("default.wav")).channels);
}

// Files whose headers lie in every way a damaged or hostile file can: each is refused with one
// clear line, as AUDIO1 and as AUDIO2, and the render leaves nothing behind. FLAC data that
// breaks off or goes bad is only found while rendering, after the output was opened.
TEST_F (RenderBadInput, DamagedAudioHeadersAndDataAreRefusedClearly)
{
    using namespace AudioFixtures;
    const std::vector<unsigned char> bytes64 (64 * 2, 0x11);
    const auto frames16 = int16Samples ({ 1000, -1000, 2000, -2000 }, false);
    const auto framesBig = int16Samples ({ 1000, -1000, 2000, -2000 }, true);

    auto flac = encoded (*std::make_unique<juce::FlacAudioFormat>(), 2, 20000, 16, 5);
    auto claims = flac;
    setFlacTotalSamples (claims, 100000000);
    const auto firstFrame = flacFirstFrameOffset (flac);
    auto damaged = flac;
    for (size_t i = firstFrame + 200; i < firstFrame + 260; ++i)
        static_cast<unsigned char*> (damaged.getData())[i] ^= 0x5a;

    struct Fixture
    {
        const char* name;
        juce::MemoryBlock bytes;
        const char* messagePart;
    };
    const Fixture fixtures[] = {
        { "wide.wav", wav ({ 1, 2881, 44100, 16, 1, -1, std::vector<unsigned char> (2881 * 4) }), "2881 channels" },
        { "deep.wav", wav ({ 1, 2, 44100, 2000, 1, -1, bytes64 }), "2000-bit samples" },
        { "zero.aiff", aiff ({ 2, 2, 0, 44100.0, nullptr, framesBig }), "0-bit samples" },
        { "f4.wav", wav ({ 3, 2, 44100, 4, 1, -1, bytes64 }), "4-bit floating-point" },
        { "f7.wav", wav ({ 3, 2, 44100, 7, 1, -1, bytes64 }), "7-bit floating-point" },
        { "f12.wav", wav ({ 3, 2, 44100, 12, 1, -1, bytes64 }), "12-bit floating-point" },
        { "f20.wav", wav ({ 3, 2, 44100, 20, 1, -1, bytes64 }), "20-bit floating-point" },
        { "i64.aiff", aiff ({ 2, 1, 64, 44100.0, nullptr, bytes64 }), "64-bit samples" },
        { "claims.flac", claims, "announces 100000000 frames" },
        { "cut.flac", juce::MemoryBlock (flac.getData(), firstFrame + (flac.getSize() - firstFrame) / 2), "cannot be decoded after frame" },
        { "damaged.flac", damaged, "cannot be decoded after frame" },
        { "slow.wav", wav ({ 1, 2, 1, 16, 1, -1, frames16 }), "sample rate of 1 Hz" },
        { "fast.wav", wav ({ 1, 2, 2147483647u, 16, 1, -1, frames16 }), "sample rate of 2147483647 Hz" },
    };

    std::vector<ErrorCase> cases;
    for (const auto& f : fixtures)
    {
        ASSERT_TRUE (writeFile (file (f.name), f.bytes));
        cases.push_back ({ f.name, { f.name, "-o", "out.wav" }, f.messagePart });
        cases.push_back ({ f.name, { "a.wav", f.name, "-o", "out.wav" }, f.messagePart });
    }
    expectErrors (cases);
}

// State files are checked before anything parses them: only a regular file of a state block's
// size, with XML no deeper and no wider than the plug-in itself accepts.
TEST_F (RenderBadInput, HostileStateFilesAreRefusedBeforeParsing)
{
    const auto writeBlock = [this] (const char* name, const std::string& xml) {
        juce::MemoryOutputStream out;
        out.writeInt (0x21324356); // the framework's marker for XML in a binary block
        out.writeInt ((int) xml.size() + 1);
        out.write (xml.data(), xml.size());
        out.writeByte (0);
        ASSERT_TRUE (file (name).replaceWithData (out.getData(), out.getDataSize()));
    };

    std::string deep = "<Quorvane>";
    for (int i = 0; i < 30000; ++i)
        deep += "<a>";
    for (int i = 0; i < 30000; ++i)
        deep += "</a>";
    writeBlock ("deep.state", deep + "</Quorvane>");

    // A million attributes with names of their own, and fifty thousand within the size cap.
    const auto attributes = [] (int count) {
        std::string doc = "<Quorvane><X";
        for (int i = 0; i < count; ++i)
            doc += " a" + std::to_string (i) + "=\"1\"";
        return doc + "/></Quorvane>";
    };
    writeBlock ("million.state", attributes (1000000));
    writeBlock ("wide.state", attributes (50000));
    ASSERT_EQ (::mkfifo (file ("pipe.state").getFullPathName().toRawUTF8(), 0644), 0);

    expectErrors ({
        { "XML nested 30,000 deep", { "a.wav", "-o", "out.wav", "--state-in", "deep.state" }, "does not hold a Quorvane state block" },
        { "a device that never ends", { "a.wav", "-o", "out.wav", "--state-in", "/dev/zero" }, "not a regular file" },
        { "a named pipe", { "a.wav", "-o", "out.wav", "--state-in", "pipe.state" }, "not a regular file" },
        { "a million attributes", { "a.wav", "-o", "out.wav", "--state-in", "million.state" }, "too large" },
        { "fifty thousand attributes", { "a.wav", "-o", "out.wav", "--state-in", "wide.state" }, "does not hold a Quorvane state block" },
    });
}

// Interrupted or terminated while rendering, the tool removes its hidden temporary file.
TEST_F (RenderBadInput, ASignalWhileRenderingLeavesNothingBehind)
{
    constexpr int kLongFrames = 20 * 44100;
    writeWav (file ("long.wav"), { testSignal (kLongFrames, 0, kRate), testSignal (kLongFrames, 1, kRate) }, kRate);
    writeWav (file ("long2.wav"), { testSignal (kLongFrames, 2, kRate) }, kRate);
    const auto fixtures = listFolder();

    for (int signalNumber : { SIGTERM, SIGINT })
    {
        SCOPED_TRACE (signalNumber);
        const int pid = startRenderBinary ({ "long.wav", "long2.wav", "-o", "out.wav", "--mode", "1", "--block", "32" }, dir);
        ASSERT_GT (pid, 0);

        // Wait (within a bound) until the temporary file exists, then stop the render.
        bool sawTemporary = false;
        for (int i = 0; i < 10000 && ! sawTemporary; ++i)
        {
            sawTemporary = listFolder().size() > fixtures.size();
            if (! sawTemporary)
                std::this_thread::sleep_for (std::chrono::milliseconds (1));
        }
        ::kill (pid, signalNumber);
        int status = 0;
        ASSERT_EQ (::waitpid (pid, &status, 0), pid);
        EXPECT_TRUE (sawTemporary);
        EXPECT_TRUE (WIFSIGNALED (status) && WTERMSIG (status) == signalNumber) << "status " << status;
        EXPECT_EQ (listFolder(), fixtures) << "left behind: " << listFolder().joinIntoString (", ");
    }
}
