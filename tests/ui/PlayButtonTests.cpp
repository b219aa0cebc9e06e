#include "EditorTestSupport.h"

// The standalone application's Play/Stop buttons always name what a click will do, whatever
// started or stopped playback; and without an output device the message bar says so.

namespace
{
using P = QuorvaneAudioProcessor;

// A standalone editor with Audio 1 of 2000 samples and Audio 2 of 1000 at 48 kHz, prepared as
// an output device of 512-sample blocks would prepare it.
class StandalonePlayButtonTest : public EditorTest
{
protected:
    void SetUp() override
    {
        open (true);
        processor->prepareToPlay (48000.0, kBlock);
        processor->setAudio1Buffer (constant (2000), 48000.0);
        processor->setAudio2Buffer (constant (1000), 48000.0);
        page1 = findButton (editor->getAudio1Page(), "Play");
        page2 = findButton (editor->getAudio2Page(), "Play");
        ASSERT_NE (page1, nullptr);
        ASSERT_NE (page2, nullptr);
    }

    static juce::AudioBuffer<float> constant (int numSamples)
    {
        juce::AudioBuffer<float> buffer (2, numSamples);
        for (int c = 0; c < 2; ++c)
            juce::FloatVectorOperations::fill (buffer.getWritePointer (c), 0.25f, numSamples);
        return buffer;
    }

    // What the output device does: asks the processor for blocks.
    void runDevice (int blocks)
    {
        juce::AudioBuffer<float> out (2, kBlock);
        juce::MidiBuffer midi;
        for (int i = 0; i < blocks; ++i)
            processor->processBlock (out, midi);
    }

    juce::String texts() const
    {
        return A::playButton (*editor).getButtonText() + " / " + page1->getButtonText() + " / "
               + page2->getButtonText();
    }

    static constexpr int kBlock = 512;
    juce::Button* page1 = nullptr;
    juce::Button* page2 = nullptr;
};
} // namespace

TEST_F (StandalonePlayButtonTest, EveryButtonFollowsThePlayModeAndOneClickActs)
{
    // A page plays only with a file loaded: the editor opened with the default samples.
    ASSERT_GT (editor->getAudio1Page().getLoadedAudio().getNumSamples(), 0);
    ASSERT_GT (editor->getAudio2Page().getLoadedAudio().getNumSamples(), 0);

    struct Case
    {
        const char* name;
        std::function<void()> sequence;
        const char* expected; // transport / Audio 1 page / Audio 2 page, after one tick
    };
    const Case cases[] = {
        { "the transport's Play after Audio 1's",
          [this] {
              click (page1);
              click (&A::playButton (*editor));
          },
          "Stop / Play / Play" },
        { "Audio 2's Play after Audio 1's",
          [this] {
              click (page1);
              click (page2);
          },
          "Play / Play / Stop" },
        { "Audio 1 running off its end with Loop off",
          [this] {
              processor->loopEnabled.store (false);
              click (page1);
              // 2000 samples end within the fourth block of 512.
              runDevice (4);
          },
          "Play / Play / Play" },
        { "the transport's Stop after its Play",
          [this] {
              click (&A::playButton (*editor));
              click (&A::playButton (*editor));
          },
          "Play / Play / Play" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        processor->setPlayMode (P::Stopped);
        processor->loopEnabled.store (true);
        tick();
        ASSERT_EQ (texts(), "Play / Play / Play");

        c.sequence();
        tick();
        EXPECT_EQ (texts(), c.expected);

        // A single click on Audio 1's button now does what it says.
        const bool saidStop = page1->getButtonText() == "Stop";
        click (page1);
        EXPECT_EQ (processor->playMode.load(), saidStop ? P::Stopped : P::PlayAudio1);
        tick();
        EXPECT_EQ (page1->getButtonText(), saidStop ? "Play" : "Stop");
    }
}

TEST_F (StandalonePlayButtonTest, WithoutAnOutputDeviceTheBarWarnsUntilOneRuns)
{
    const juce::Colour red (0xFFFF4040u);
    auto& page = editor->getBlendPage();
    processor->releaseResources(); // the device went away
    expireMessage();
    tick();
    EXPECT_EQ (page.getMessageText(), QuorvanePluginEditor::noOutputDeviceText);
    EXPECT_EQ (page.getMessageColour(), red);

    // A timed message shows over it, and the warning comes back when it ends.
    editor->showMessage ("Loaded");
    tick();
    EXPECT_EQ (page.getMessageText(), "Loaded");
    expireMessage();
    EXPECT_EQ (page.getMessageText(), QuorvanePluginEditor::noOutputDeviceText);

    // A device starts: the warning goes at the next tick.
    processor->prepareToPlay (44100.0, 256);
    tick();
    EXPECT_EQ (page.getMessageText(), "");
    EXPECT_EQ (page.getMessageColour(), QV::kLight.text);
}

TEST_F (EditorTest, OnlyTheStandaloneApplicationWarnsAboutTheOutputDevice)
{
    // A plug-in is never prepared until its host plays; that is no reason to warn.
    open (false);
    expireMessage();
    tick (3);
    EXPECT_NE (editor->getBlendPage().getMessageText(), QuorvanePluginEditor::noOutputDeviceText);

    open (true);
    expireMessage();
    tick();
    EXPECT_EQ (editor->getBlendPage().getMessageText(), QuorvanePluginEditor::noOutputDeviceText);
}

TEST_F (StandalonePlayButtonTest, TheSpaceBarStartsAndStopsTheBlend)
{
    // As the transport's Play/Stop: from a single file playing it starts the blend, and again
    // stops it; the button names what the next press does.
    click (page1);
    ASSERT_EQ (processor->playMode.load(), P::PlayAudio1);
    const juce::KeyPress space (juce::KeyPress::spaceKey);
    EXPECT_TRUE (editor->keyPressed (space));
    EXPECT_EQ (processor->playMode.load(), P::PlayBlend);
    tick();
    EXPECT_EQ (A::playButton (*editor).getButtonText(), "Stop");
    EXPECT_TRUE (editor->keyPressed (space));
    EXPECT_EQ (processor->playMode.load(), P::Stopped);
    tick();
    EXPECT_EQ (A::playButton (*editor).getButtonText(), "Play");
    EXPECT_TRUE (A::playButton (*editor).getTooltip().contains ("(Space)"));

    // Other keys, and the space bar with a modifier, are left to the host and the window.
    EXPECT_FALSE (editor->keyPressed (juce::KeyPress ('p')));
    EXPECT_FALSE (editor->keyPressed (juce::KeyPress (juce::KeyPress::spaceKey, juce::ModifierKeys::shiftModifier, 0)));
    EXPECT_EQ (processor->playMode.load(), P::Stopped);
}

TEST_F (EditorTest, InAHostTheSpaceBarIsTheHosts)
{
    open (false);
    EXPECT_FALSE (editor->keyPressed (juce::KeyPress (juce::KeyPress::spaceKey)));
    EXPECT_EQ (processor->playMode.load(), QuorvaneAudioProcessor::Stopped);
}
