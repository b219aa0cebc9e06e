#include "RenderTestSupport.h"

#include "RenderTool.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <sstream>

extern char** environ;

void RenderTest::SetUp()
{
    // ctest runs test processes in parallel: a unique name keeps each one's folder its own.
    dir = juce::File::getSpecialLocation (juce::File::tempDirectory)
              .getChildFile ("quorvane-render-test-" + juce::Uuid().toDashedString());
    ASSERT_TRUE (dir.createDirectory().wasOk());
}

void RenderTest::TearDown()
{
    dir.deleteRecursively();
}

juce::StringArray RenderTest::listFolder() const
{
    juce::StringArray names;
    for (const auto& entry : dir.findChildFiles (juce::File::findFilesAndDirectories, false, "*"))
        names.add (entry.getFileName());
    names.sort (false);
    return names;
}

void expectRefusal (const ProcessResult& result, const std::string& messagePart)
{
    EXPECT_EQ (result.exitCode, 2) << result.err;
    EXPECT_EQ (result.out, "");
    const auto lines = splitLines (result.err);
    if (lines.size() != 1u)
    {
        ADD_FAILURE() << "expected one error line, got: " << result.err;
        return;
    }
    EXPECT_EQ (lines[0].rfind ("quorvane-render: error: ", 0), 0u) << lines[0];
    EXPECT_NE (lines[0].find (messagePart), std::string::npos) << lines[0];
}

void writeWav (const juce::File& file, const Channels& channels, double sampleRate)
{
    file.deleteFile();
    auto stream = std::make_unique<juce::FileOutputStream> (file);
    ASSERT_TRUE (stream->openedOk());

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (
        wav.createWriterFor (stream.get(), sampleRate, (unsigned) channels.size(), 32, {}, 0));
    ASSERT_NE (writer, nullptr);
    stream.release();

    std::vector<const float*> pointers;
    for (const auto& channel : channels)
        pointers.push_back (channel.data());
    pointers.push_back (nullptr);
    const int frames = channels.empty() ? 0 : (int) channels[0].size();
    if (frames > 0)
    {
        ASSERT_TRUE (writer->writeFromFloatArrays (pointers.data(), (int) channels.size(), frames));
    }
}

std::vector<float> testSignal (int frames, int channel, double sampleRate)
{
    std::vector<float> samples ((size_t) frames);
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < frames; ++i)
    {
        const double t = i / sampleRate;
        samples[(size_t) i] = (float) (0.5 * std::sin (2.0 * pi * 441.0 * t + channel)
                                       + 0.25 * std::sin (2.0 * pi * 3001.0 * t + 2.0 * channel));
    }
    return samples;
}

WavContents readWav (const juce::File& file)
{
    WavContents contents;
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader (
        wav.createReaderFor (new juce::FileInputStream (file), true));
    if (reader == nullptr)
        return contents;

    contents.sampleRate = reader->sampleRate;
    contents.bitsPerSample = (int) reader->bitsPerSample;
    contents.floatingPoint = reader->usesFloatingPointData;
    const int frames = (int) reader->lengthInSamples;
    contents.channels.assign (reader->numChannels, std::vector<float> ((size_t) frames));

    std::vector<float*> pointers;
    for (auto& channel : contents.channels)
        pointers.push_back (channel.data());
    contents.ok = frames == 0 || reader->read (pointers.data(), (int) pointers.size(), 0, frames);
    return contents;
}

namespace
{
std::string readWholeFile (const std::string& path)
{
    std::ifstream in (path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
} // namespace

namespace
{
// Starts the binary in `workingDir` with its standard output and error going to these paths;
// returns its process id, or -1.
int spawnRenderBinary (const std::vector<std::string>& args, const juce::File& workingDir,
                       const std::string& outPath, const std::string& errPath)
{
    const std::string binary = QV_RENDER_BINARY;
    std::vector<char*> argv;
    argv.push_back (const_cast<char*> (binary.c_str()));
    for (const auto& arg : args)
        argv.push_back (const_cast<char*> (arg.c_str()));
    argv.push_back (nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init (&actions);
    posix_spawn_file_actions_addopen (&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen (&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const auto cwd = juce::File::getCurrentWorkingDirectory();
    workingDir.setAsCurrentWorkingDirectory();
    pid_t pid = 0;
    const int spawned = posix_spawn (&pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
    cwd.setAsCurrentWorkingDirectory();
    posix_spawn_file_actions_destroy (&actions);
    return spawned == 0 ? (int) pid : -1;
}
} // namespace

ProcessResult runRenderBinary (const std::vector<std::string>& args, const juce::File& workingDir)
{
    // Captured output goes next to the scratch folder, not into it, so the folder listing shows
    // only what the tool itself left behind.
    const auto capture = workingDir.getSiblingFile (workingDir.getFileName() + "-capture");
    capture.createDirectory();
    const auto outPath = capture.getChildFile ("stdout").getFullPathName().toStdString();
    const auto errPath = capture.getChildFile ("stderr").getFullPathName().toStdString();

    ProcessResult result;
    const int pid = spawnRenderBinary (args, workingDir, outPath, errPath);
    if (pid > 0)
    {
        int status = 0;
        if (waitpid (pid, &status, 0) == pid && WIFEXITED (status))
            result.exitCode = WEXITSTATUS (status);
        result.out = readWholeFile (outPath);
        result.err = readWholeFile (errPath);
    }
    capture.deleteRecursively();
    return result;
}

int startRenderBinary (const std::vector<std::string>& args, const juce::File& workingDir)
{
    return spawnRenderBinary (args, workingDir, "/dev/null", "/dev/null");
}

ProcessResult runRenderInProcess (const std::vector<std::string>& args)
{
    juce::StringArray list;
    for (const auto& arg : args)
        list.add (juce::String::fromUTF8 (arg.c_str()));

    std::ostringstream out, err;
    ProcessResult result;
    result.exitCode = runRenderTool (list, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

std::vector<std::string> splitLines (const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in (text);
    for (std::string line; std::getline (in, line);)
        lines.push_back (line);
    return lines;
}

std::string listedValueText (const std::string& listing, const std::string& id)
{
    for (const auto& line : splitLines (listing))
        if (line.rfind (id + "\t", 0) == 0)
            return line.substr (line.rfind ('\t') + 1);
    ADD_FAILURE() << id << " not listed";
    return {};
}
