// Damaged files on an audio page, loaded through "Load" (the chooser's completion) and through
// "<" / ">": each is refused with a one-line reason that names the file, and the page keeps
// the audio, name, waveform and list position it had.

#include "ui/audio/AudioTabComponent.h"
#include "../GuiTestSupport.h"
#include "../../processor/AudioFileFixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace AudioFixtures;

namespace
{
struct DamagedFile
{
    const char* name;
    juce::MemoryBlock bytes;
    const char* reasonPart;
};

std::vector<DamagedFile> damagedFiles()
{
    const std::vector<unsigned char> bytes64 (64 * 2, 0x11);
    const auto framesBig = int16Samples ({ 1000, -1000, 2000, -2000 }, true);
    auto claims = encoded (*std::make_unique<juce::FlacAudioFormat>(), 2, 20000, 16, 5);
    setFlacTotalSamples (claims, 100000000);
    auto damaged = encoded (*std::make_unique<juce::FlacAudioFormat>(), 2, 20000, 16, 5);
    const auto firstFrame = flacFirstFrameOffset (damaged);
    for (size_t i = firstFrame + 200; i < firstFrame + 260; ++i)
        static_cast<unsigned char*> (damaged.getData())[i] ^= 0x5a;

    // Named so that they sort after "a-good.wav" and before "z-good.wav".
    return {
        { "b-wide.wav", wav ({ 1, 2881, 44100, 16, 1, -1, std::vector<unsigned char> (2881 * 4) }), "2881 channels" },
        { "c-zero.aiff", aiff ({ 2, 2, 0, 44100.0, nullptr, framesBig }), "0-bit samples" },
        { "d-f12.wav", wav ({ 3, 2, 44100, 12, 1, -1, bytes64 }), "12-bit floating-point" },
        { "e-claims.flac", claims, "announces 100000000 frames" },
        { "f-damaged.flac", damaged, "cannot be decoded after frame" },
        { "g-slow.wav", wav ({ 1, 2, 1, 16, 1, -1, int16Samples ({ 1, 2 }, false) }), "sample rate of 1 Hz" },
    };
}

struct RefusalFixture : public ::testing::Test
{
    RefusalFixture()
    {
        formats.registerBasicFormats();
        good = temp.writeWav ("samples/a-good.wav", 2, 300, 44100.0, 0.5f);
        temp.writeWav ("samples/z-good.wav", 1, 100, 48000.0, 0.25f);
        for (const auto& f : damagedFiles())
            writeFile (temp.get().getChildFile ("samples").getChildFile (f.name), f.bytes);

        page = std::make_unique<AudioTabComponent> (formats, temp.get().getChildFile ("samples"));
        page->onBufferLoaded = [this] (const juce::AudioBuffer<float>&, double) { ++handOvers; };
        page->onLoadRefused = [this] (const juce::String& reason) { reasons.add (reason); };
        page->setSize (720, 566);
    }

    // What the page shows and holds, to compare before and after a refusal.
    struct Snapshot
    {
        juce::String label;
        int index, channels, samples;
        double rate;
        float first;
        bool operator== (const Snapshot& o) const
        {
            return label == o.label && index == o.index && channels == o.channels && samples == o.samples
                   && rate == o.rate && first == o.first;
        }
    };
    Snapshot snapshot() const
    {
        const auto& audio = page->getLoadedAudio();
        return { page->getFileNameText(), page->getCurrentIndex(), audio.getNumChannels(), audio.getNumSamples(),
                 page->getLoadedSampleRate(), audio.getNumSamples() > 0 ? audio.getSample (0, 0) : 0.0f };
    }

    juce::AudioFormatManager formats;
    TempFolder temp;
    juce::File good;
    std::unique_ptr<AudioTabComponent> page;
    juce::StringArray reasons;
    int handOvers = 0;
};
} // namespace

TEST_F (RefusalFixture, LoadRefusesEachDamagedFileAndKeepsThePage)
{
    page->loadChosenFile (good);
    ASSERT_EQ (handOvers, 1);
    const auto before = snapshot();
    ASSERT_EQ (before.samples, 300);

    for (const auto& f : damagedFiles())
    {
        SCOPED_TRACE (f.name);
        reasons.clear();
        page->loadChosenFile (temp.get().getChildFile ("samples").getChildFile (f.name));
        ASSERT_EQ (reasons.size(), 1);
        EXPECT_TRUE (reasons[0].startsWith (juce::String (f.name) + " ")) << reasons[0];
        EXPECT_TRUE (reasons[0].contains (f.reasonPart)) << reasons[0];
        EXPECT_FALSE (reasons[0].containsChar ('\n'));
        EXPECT_TRUE (snapshot() == before);
        EXPECT_TRUE (page->getWaveformView().hasSource());
    }
    EXPECT_EQ (handOvers, 1);
}

TEST_F (RefusalFixture, StepsOntoDamagedFilesAreRefusedWithoutMovingThePosition)
{
    // From the first entry, ">" meets the damaged files: each press is refused and the page
    // stays on the good file. "<" from it wraps to the other good file, which loads.
    page->loadSampleByName ("a-good");
    ASSERT_EQ (page->getCurrentIndex(), 0);
    const auto before = snapshot();

    page->loadNextSample();
    ASSERT_EQ (reasons.size(), 1);
    EXPECT_TRUE (reasons[0].startsWith ("b-wide.wav has 2881 channels")) << reasons[0];
    EXPECT_TRUE (snapshot() == before);

    page->loadPreviousSample();
    EXPECT_EQ (reasons.size(), 1);
    EXPECT_EQ (page->getFileNameText(), "z-good");
    EXPECT_EQ (page->getLoadedAudio().getNumChannels(), 1);
    EXPECT_EQ (handOvers, 2);
}
