#include "AtomicFileOutput.h"

#include <sys/stat.h>

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace
{
// The paths the signal handler removes, written before the handler may see them: a handler may
// only call async-signal-safe functions, so it cannot ask the objects that own the files.
constexpr int kMaxWatchedFiles = 4;
char watchedPaths[kMaxWatchedFiles][PATH_MAX];
std::atomic<bool> watched[kMaxWatchedFiles];

extern "C" void removeWatchedFilesAndEnd (int signalNumber)
{
    for (int i = 0; i < kMaxWatchedFiles; ++i)
        if (watched[i].load())
            ::unlink (watchedPaths[i]);
    std::signal (signalNumber, SIG_DFL);
    std::raise (signalNumber);
}

juce::Result checkTarget (const juce::File& target, const juce::String& what)
{
    if (target.isDirectory())
        return juce::Result::fail (what + " '" + target.getFullPathName() + "' is a directory");
    // The finished file is renamed onto the target, which would replace a named pipe or a
    // device (run as root, even /dev/null) with a regular file.
    struct stat info {};
    if (::lstat (target.getFullPathName().toRawUTF8(), &info) == 0 && ! S_ISREG (info.st_mode) && ! S_ISLNK (info.st_mode))
        return juce::Result::fail (what + " '" + target.getFullPathName() + "' is not a regular file");
    if (! target.getParentDirectory().isDirectory())
        return juce::Result::fail (what + " '" + target.getFullPathName() + "': the folder does not exist");
    return juce::Result::ok();
}

juce::Result renameFailed (const juce::TemporaryFile& temp, const juce::String& what)
{
    return juce::Result::fail ("cannot write " + what + " '" + temp.getTargetFile().getFullPathName() + "'");
}
} // namespace

TemporaryFileGuard::~TemporaryFileGuard()
{
    if (slot >= 0)
        watched[slot].store (false);
}

void TemporaryFileGuard::watch (const juce::File& temporaryFile)
{
    const auto path = temporaryFile.getFullPathName().toStdString();
    if (slot >= 0)
        watched[slot].store (false);
    slot = -1;
    if (path.size() >= PATH_MAX)
        return;
    // Slots are taken and given back on the message thread only; the handler just reads them.
    for (int i = 0; i < kMaxWatchedFiles && slot < 0; ++i)
    {
        if (! watched[i].load())
        {
            std::memcpy (watchedPaths[i], path.c_str(), path.size() + 1);
            watched[i].store (true);
            slot = i;
        }
    }
}

void removeTemporaryFilesOnSignal()
{
    std::signal (SIGINT, removeWatchedFilesAndEnd);
    std::signal (SIGTERM, removeWatchedFilesAndEnd);
}

juce::Result WavFileOutput::open (const juce::File& target, double sampleRate)
{
    auto result = checkTarget (target, "output file");
    if (result.failed())
        return result;

    temp = std::make_unique<juce::TemporaryFile> (target, juce::TemporaryFile::useHiddenFile);
    guard.watch (temp->getFile());
    auto stream = std::make_unique<juce::FileOutputStream> (temp->getFile());
    if (! stream->openedOk())
        return juce::Result::fail ("cannot write output file '" + target.getFullPathName()
                                   + "': " + stream->getStatus().getErrorMessage());

    juce::WavAudioFormat wav;
    // 32 bits per sample makes the WAV writer store IEEE floats.
    writer.reset (wav.createWriterFor (stream.get(), sampleRate, 2, 32, {}, 0));
    if (writer == nullptr)
        return juce::Result::fail ("cannot write a WAV file at " + juce::String (sampleRate) + " Hz");
    stream.release(); // now owned by the writer
    return juce::Result::ok();
}

juce::Result WavFileOutput::write (const float* left, const float* right, int numFrames)
{
    const float* channels[3] = { left, right, nullptr };
    if (writer == nullptr || ! writer->writeFromFloatArrays (channels, 2, numFrames))
        return juce::Result::fail ("writing the output file failed (disk full?)");
    return juce::Result::ok();
}

juce::Result WavFileOutput::commit()
{
    if (writer == nullptr || temp == nullptr)
        return juce::Result::fail ("no output file is open");

    // The writer completes the header and closes the stream when it is deleted.
    writer->flush();
    writer.reset();
    if (! temp->overwriteTargetFileWithTemporary())
        return renameFailed (*temp, "output file");
    return juce::Result::ok();
}

juce::Result BinaryFileOutput::prepare (const juce::File& target, const juce::MemoryBlock& data)
{
    auto result = checkTarget (target, "state file");
    if (result.failed())
        return result;

    temp = std::make_unique<juce::TemporaryFile> (target, juce::TemporaryFile::useHiddenFile);
    guard.watch (temp->getFile());
    juce::FileOutputStream stream (temp->getFile());
    if (! stream.openedOk() || ! stream.write (data.getData(), data.getSize()))
        return juce::Result::fail ("cannot write state file '" + target.getFullPathName() + "'");
    stream.flush();
    if (stream.getStatus().failed())
        return juce::Result::fail ("cannot write state file '" + target.getFullPathName() + "'");
    return juce::Result::ok();
}

juce::Result BinaryFileOutput::commit()
{
    if (temp == nullptr)
        return juce::Result::fail ("no state file is prepared");
    if (! temp->overwriteTargetFileWithTemporary())
        return renameFailed (*temp, "state file");
    return juce::Result::ok();
}
