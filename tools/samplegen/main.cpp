// Writes the standalone application's two default samples into the folder given on the
// command line (created if needed). Run by the build.
#include "DefaultSamples.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <iostream>

namespace
{
bool writeWav (const juce::File& file, const juce::AudioBuffer<float>& buffer)
{
    const juce::File temp = file.getSiblingFile (file.getFileName() + ".part");
    {
        auto stream = std::make_unique<juce::FileOutputStream> (temp);
        if (! stream->openedOk())
            return false;
        stream->setPosition (0);
        stream->truncate();
        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatWriter> writer (
            wav.createWriterFor (stream.get(), DefaultSamples::kSampleRate, 2, 24, {}, 0));
        if (writer == nullptr)
            return false;
        stream.release(); // the writer owns it now
        if (! writer->writeFromAudioSampleBuffer (buffer, 0, buffer.getNumSamples()))
            return false;
    }
    return temp.moveFileTo (file);
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: quorvane-samplegen FOLDER\n";
        return 2;
    }
    const juce::File folder = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    if (! folder.createDirectory())
    {
        std::cerr << "error: cannot create " << folder.getFullPathName() << "\n";
        return 2;
    }
    const bool ok = writeWav (folder.getChildFile (juce::String (DefaultSamples::kDrumsName) + ".wav"),
                              DefaultSamples::makeDrumLoop())
                    && writeWav (folder.getChildFile (juce::String (DefaultSamples::kChordsName) + ".wav"),
                                 DefaultSamples::makeChordSequence());
    if (! ok)
    {
        std::cerr << "error: cannot write the samples into " << folder.getFullPathName() << "\n";
        return 2;
    }
    return 0;
}
