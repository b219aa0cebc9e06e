#include "ui/audio/AudioTabComponent.h"
#include "../GuiTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// A page over a folder of generated files, recording what it hands to the processor.
struct AudioTabFixture : public ::testing::Test
{
    AudioTabFixture() { formats.registerBasicFormats(); }

    std::unique_ptr<AudioTabComponent> makePage (const juce::File& samples)
    {
        auto page = std::make_unique<AudioTabComponent> (formats, samples);
        page->onBufferLoaded = [this] (const juce::AudioBuffer<float>& audio, double rate)
        {
            handedOver.push_back ({ audio.getNumChannels(), audio.getNumSamples(), rate,
                                    audio.getNumSamples() > 0 ? audio.getSample (0, 0) : 0.0f });
        };
        page->onPlayPressed = [this] { ++plays; };
        page->onStopPressed = [this] { ++stops; };
        page->setSize (720, 566);
        return page;
    }

    struct HandOver
    {
        int channels;
        int samples;
        double sampleRate;
        float firstSample;
    };

    juce::AudioFormatManager formats;
    TempFolder temp;
    std::vector<HandOver> handedOver;
    int plays = 0, stops = 0;
};

// Three samples whose names sort differently with and without regard to case, plus files that
// must stay out of the list: a text file and a sample inside a sub-folder.
struct SampleFolderFixture : public AudioTabFixture
{
    SampleFolderFixture()
    {
        temp.writeWav ("samples/cherry.wav", 2, 300, 22050.0, 0.75f);
        temp.writeWav ("samples/apple.wav", 1, 100, 44100.0, 0.25f);
        temp.writeWav ("samples/Banana.wav", 2, 200, 48000.0, 0.5f);
        temp.get().getChildFile ("samples/notes.txt").replaceWithText ("not a sample");
        temp.writeWav ("samples/nested/zebra.wav", 1, 50, 44100.0, 0.125f);
        outside = temp.writeWav ("elsewhere/outside.wav", 1, 400, 32000.0, -0.5f);
        page = makePage (temp.get().getChildFile ("samples"));
    }

    juce::File outside;
    std::unique_ptr<AudioTabComponent> page;
};
} // namespace

TEST_F (SampleFolderFixture, ScanListsOnlyTheFolderItselfSortedWithoutRegardToCase)
{
    page->scanSamplesFolder();

    std::vector<std::string> names;
    for (const auto& file : page->getSampleList())
        names.push_back (file.getFileName().toStdString());
    // A case-sensitive sort would put "Banana" first.
    EXPECT_EQ (names, (std::vector<std::string> { "apple.wav", "Banana.wav", "cherry.wav" }));
    EXPECT_EQ (page->getCurrentIndex(), -1);
}

// Extensions name a format in any letter case; a known extension inside a longer one, or a
// name without a dot before it, is still no sample.
TEST_F (AudioTabFixture, ExtensionsMatchInAnyLetterCase)
{
    temp.writeWav ("samples/b.WAV", 1, 10, 44100.0, 0.25f);
    temp.writeWav ("samples/c.Wav", 1, 10, 44100.0, 0.25f);
    temp.writeWav ("samples/a.wav", 1, 10, 44100.0, 0.25f);
    temp.writeWav ("samples/d.AIFF", 1, 10, 44100.0, 0.25f); // listed by its name alone
    temp.writeWav ("samples/e.wavx", 1, 10, 44100.0, 0.25f);
    temp.writeWav ("samples/fwav", 1, 10, 44100.0, 0.25f);
    temp.writeGarbage ("samples/g.TXT");
    auto page = makePage (temp.get().getChildFile ("samples"));

    page->scanSamplesFolder();
    std::vector<std::string> names;
    for (const auto& file : page->getSampleList())
        names.push_back (file.getFileName().toStdString());
    EXPECT_EQ (names, (std::vector<std::string> { "a.wav", "b.WAV", "c.Wav", "d.AIFF" }));

    // ">" steps onto the upper-case files as onto any other.
    page->loadNextSample();
    page->loadNextSample();
    EXPECT_EQ (page->getCurrentIndex(), 1);
    EXPECT_EQ (page->getFileNameText(), "b");
    page->loadNextSample();
    EXPECT_EQ (page->getFileNameText(), "c");
}

TEST_F (SampleFolderFixture, PreviousAndNextWrapAroundTheList)
{
    // Each case: what is loaded first (empty: a file from outside the folder), then the names
    // shown after each press.
    struct Case
    {
        const char* startWith;
        std::vector<std::pair<char, std::string>> presses;
    };
    const Case cases[] = {
        { "", { { '>', "apple" } } },
        { "", { { '<', "cherry" } } },
        { "Banana", { { '>', "cherry" }, { '>', "apple" }, { '<', "cherry" } } },
        { "Banana", { { '<', "apple" }, { '<', "cherry" }, { '<', "Banana" } } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (std::string ("starting from '") + c.startWith + "'");
        page = makePage (temp.get().getChildFile ("samples"));
        page->scanSamplesFolder();
        if (juce::String (c.startWith).isEmpty())
        {
            page->loadChosenFile (outside);
            ASSERT_EQ (page->getCurrentIndex(), -1);
            ASSERT_EQ (page->getFileNameText(), "outside");
        }
        else
        {
            page->loadSampleByName (c.startWith);
            ASSERT_EQ (page->getFileNameText(), c.startWith);
        }

        for (const auto& [key, expected] : c.presses)
        {
            click (findButton (*page, juce::String::charToString (key)));
            EXPECT_EQ (page->getFileNameText().toStdString(), expected) << "after '" << key << "'";
            EXPECT_EQ (page->getSampleList()[page->getCurrentIndex()].getFileNameWithoutExtension().toStdString(),
                       expected);
        }
    }
}

TEST_F (SampleFolderFixture, FirstPressScansTheFolderThenLoadsFromIt)
{
    ASSERT_TRUE (page->getSampleList().isEmpty());
    click (findButton (*page, ">"));
    EXPECT_EQ (page->getSampleList().size(), 3);
    EXPECT_EQ (page->getCurrentIndex(), 0);
    EXPECT_EQ (page->getFileNameText(), "apple");
}

TEST_F (SampleFolderFixture, LoadingHandsTheWholeDecodedFileToTheProcessor)
{
    page->loadSampleByName ("Banana");
    ASSERT_EQ (handedOver.size(), 1u);
    EXPECT_EQ (handedOver[0].channels, 2);
    EXPECT_EQ (handedOver[0].samples, 200);
    EXPECT_EQ (handedOver[0].sampleRate, 48000.0);
    EXPECT_EQ (handedOver[0].firstSample, 0.5f);

    const auto& audio = page->getLoadedAudio();
    ASSERT_EQ (audio.getNumChannels(), 2);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < audio.getNumSamples(); ++i)
            ASSERT_EQ (audio.getSample (c, i), 0.5f) << "channel " << c << " sample " << i;
    EXPECT_EQ (page->getLoadedSampleRate(), 48000.0);
    EXPECT_TRUE (page->getWaveformView().hasSource());
    EXPECT_GT (page->getWaveformView().getThumbnailLength(), 0.0);
}

TEST_F (SampleFolderFixture, NamesMatchExactlyWithCaseAndWithoutExtension)
{
    for (const char* wrong : { "banana", "BANANA", "Banana.wav", "Banan", "zebra", "notes", "" })
    {
        page->loadSampleByName (wrong);
        EXPECT_TRUE (handedOver.empty()) << "'" << wrong << "' loaded something";
        EXPECT_EQ (page->getCurrentIndex(), -1);
    }

    page->loadSampleByName ("Banana");
    ASSERT_EQ (handedOver.size(), 1u);
    EXPECT_EQ (page->getCurrentIndex(), 1);
    EXPECT_EQ (page->getFileNameText(), "Banana");
}

TEST_F (SampleFolderFixture, AChosenFileFromTheFolderTakesItsPlaceInTheList)
{
    page->scanSamplesFolder();
    page->loadChosenFile (temp.get().getChildFile ("samples/Banana.wav"));
    EXPECT_EQ (page->getCurrentIndex(), 1);
    EXPECT_EQ (page->getFileNameText(), "Banana");

    click (findButton (*page, ">"));
    EXPECT_EQ (page->getFileNameText(), "cherry");
}

TEST_F (SampleFolderFixture, UnreadableOrMissingFilesLeaveThePageAsItWas)
{
    page->loadSampleByName ("Banana");
    ASSERT_EQ (handedOver.size(), 1u);
    const juce::File garbage = temp.writeGarbage ("elsewhere/garbage.wav");

    for (const juce::File& bad : { garbage, temp.get().getChildFile ("elsewhere/missing.wav"),
                                   temp.get().getChildFile ("samples/notes.txt") })
    {
        SCOPED_TRACE (bad.getFileName().toStdString());
        page->loadChosenFile (bad);
        EXPECT_EQ (handedOver.size(), 1u);
        EXPECT_EQ (page->getCurrentIndex(), 1);
        EXPECT_EQ (page->getFileNameText(), "Banana");
        EXPECT_EQ (page->getLoadedAudio().getNumSamples(), 200);
        EXPECT_EQ (page->getLoadedSampleRate(), 48000.0);
    }
}

TEST_F (AudioTabFixture, AnUnreadableEntryOfTheFolderLeavesThePageAsItWas)
{
    temp.writeWav ("samples/a.wav", 1, 64, 44100.0, 0.25f);
    temp.writeGarbage ("samples/b.wav");
    auto page = makePage (temp.get().getChildFile ("samples"));

    page->loadSampleByName ("a");
    ASSERT_EQ (handedOver.size(), 1u);

    page->loadSampleByName ("b");
    click (findButton (*page, ">"));
    EXPECT_EQ (handedOver.size(), 1u);
    EXPECT_EQ (page->getCurrentIndex(), 0);
    EXPECT_EQ (page->getFileNameText(), "a");
    EXPECT_EQ (page->getLoadedAudio().getNumSamples(), 64);
}

TEST_F (AudioTabFixture, AMissingOrEmptyFolderLoadsNothing)
{
    temp.get().getChildFile ("empty").createDirectory();
    for (const char* folder : { "does-not-exist", "empty" })
    {
        SCOPED_TRACE (folder);
        auto page = makePage (temp.get().getChildFile (folder));
        click (findButton (*page, ">"));
        click (findButton (*page, "<"));
        page->loadSampleByName ("a");
        page->loadSampleAtIndex (0);
        EXPECT_TRUE (handedOver.empty());
        EXPECT_EQ (page->getCurrentIndex(), -1);
        EXPECT_EQ (page->getFileNameText(), "");
        EXPECT_FALSE (page->getWaveformView().hasSource());
    }
}

TEST_F (SampleFolderFixture, PlayTogglesOnlyWithSomethingLoaded)
{
    juce::Button* play = findButton (*page, "Play");
    ASSERT_NE (play, nullptr);

    click (play);
    EXPECT_FALSE (page->isPlaying());
    EXPECT_EQ (play->getButtonText(), "Play");
    EXPECT_EQ (plays, 0);

    page->loadSampleByName ("apple");
    click (play);
    EXPECT_TRUE (page->isPlaying());
    EXPECT_EQ (play->getButtonText(), "Stop");
    EXPECT_EQ (plays, 1);

    // A new file does not stop the page.
    page->loadSampleByName ("cherry");
    EXPECT_TRUE (page->isPlaying());
    EXPECT_EQ (play->getButtonText(), "Stop");

    click (play);
    EXPECT_FALSE (page->isPlaying());
    EXPECT_EQ (play->getButtonText(), "Play");
    EXPECT_EQ (stops, 1);
    EXPECT_EQ (plays, 1);
}

TEST_F (SampleFolderFixture, PluginPresentationHidesTheControlsAndNamesTheHostTrack)
{
    const char* controls[] = { "Play", "Load", "<", ">" };

    page->setStandaloneMode (false);
    for (const char* text : controls)
        EXPECT_FALSE (findButton (*page, text)->isVisible()) << text;
    EXPECT_EQ (page->getFileNameText(), "Live input from host track");

    page->setStandaloneMode (true);
    for (const char* text : controls)
        EXPECT_TRUE (findButton (*page, text)->isVisible()) << text;
    EXPECT_EQ (page->getFileNameText(), "");
}

TEST_F (SampleFolderFixture, LayoutAtTheStandalonePageSize)
{
    // 720 x 566: a 16 margin, a 36 high row, a gap of 10, the waveform below.
    struct Expected
    {
        const char* button;
        juce::Rectangle<int> bounds;
    };
    const Expected rows[] = {
        { "Play", { 16, 16, 80, 36 } },
        { "Load", { 16 + 80 + 8, 16, 80, 36 } },
        { "<", { 104 + 80 + 8, 16, 30, 36 } },
        { ">", { 192 + 30 + 4, 16, 30, 36 } },
    };
    for (const auto& row : rows)
        EXPECT_EQ (findButton (*page, row.button)->getBounds(), row.bounds) << row.button;

    const auto labels = findAll<juce::Label> (*page);
    ASSERT_EQ (labels.size(), 1u);
    EXPECT_EQ (labels[0]->getBounds(), juce::Rectangle<int> (226 + 30 + 8, 16, 720 - 16 - 264, 36));

    EXPECT_EQ (page->getWaveformView().getBounds(), juce::Rectangle<int> (16, 62, 688, 488));
}
