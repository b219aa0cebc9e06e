#include "EditorTestSupport.h"

#include <cmath>

namespace
{
const juce::String kWarning ("Warning! No input signal detected on Audio 2.");

int stepOf (double position) { return (position < 0.0 || position >= 1.0) ? -1 : (int) std::floor (position * 16.0); }
} // namespace

// A plug-in editor whose opening message has run out, with a connected sidechain.
class PluginEditorTimerTest : public EditorTest
{
protected:
    void SetUp() override
    {
        open (false);
        processor->sidechainConnected.store (true);
        tick();
        expireMessage();
    }

    void setLevels (float audio1, float audio2)
    {
        processor->inputLevel1.store (audio1);
        processor->inputLevel2.store (audio2);
    }

    juce::String bar() { return editor->getBlendPage().getMessageText(); }
    int highlightedStep() { return BlendComponentTestAccess::stepView (editor->getBlendPage()).getHighlightedStep(); }
};

// ---- No-input warning -----------------------------------------------------------------------

TEST_F (PluginEditorTimerTest, NoInputWarningRisesOnThe300thTickOfAudio1WithoutAudio2)
{
    setLevels (0.5f, 0.0001f); // at the threshold counts as silent
    tick (299);
    EXPECT_FALSE (A::noInputWarning (*editor));
    EXPECT_NE (bar(), kWarning);

    tick();
    EXPECT_TRUE (A::noInputWarning (*editor));
    EXPECT_EQ (bar(), kWarning);
    EXPECT_NE (editor->getBlendPage().getMessageColour(), QV::kLight.text); // shown in red

    tick (50);
    EXPECT_EQ (bar(), kWarning);

    // One tick of Audio 2 clears it, and the count starts over.
    setLevels (0.5f, 0.01f);
    tick();
    EXPECT_FALSE (A::noInputWarning (*editor));
    EXPECT_EQ (bar(), "");
    setLevels (0.5f, 0.0f);
    tick (299);
    EXPECT_FALSE (A::noInputWarning (*editor));
    tick();
    EXPECT_TRUE (A::noInputWarning (*editor));
}

TEST_F (PluginEditorTimerTest, TimedMessageClearsTheWarningAndHoldsTheCountWhileItIsUp)
{
    setLevels (0.3f, 0.0f);
    tick (300);
    ASSERT_TRUE (A::noInputWarning (*editor));

    editor->showMessage ("Touched a dial");
    tick();
    EXPECT_FALSE (A::noInputWarning (*editor));
    EXPECT_EQ (bar(), "Touched a dial");
    tick (400); // the message never counts down here: the count stays at zero
    EXPECT_FALSE (A::noInputWarning (*editor));

    expireMessage();
    tick (299);
    EXPECT_FALSE (A::noInputWarning (*editor));
    tick();
    EXPECT_TRUE (A::noInputWarning (*editor));
    EXPECT_EQ (bar(), kWarning);
}

TEST_F (PluginEditorTimerTest, NoWarningWithoutAudio1OrWithBothSignals)
{
    for (const auto& [level1, level2] : { std::pair { 0.0001f, 0.0f }, std::pair { 0.0f, 0.0f },
                                          std::pair { 0.5f, 0.5f }, std::pair { 0.0f, 0.5f } })
    {
        setLevels (level1, level2);
        tick (400);
        EXPECT_FALSE (A::noInputWarning (*editor)) << level1 << " " << level2;
        EXPECT_EQ (bar(), "");
    }
}

// ---- Sidechain messages, track label, levels ------------------------------------------------

TEST_F (PluginEditorTimerTest, SidechainMessagesOnlyWhenTheConnectionChanges)
{
    auto& page = editor->getBlendPage();
    tick (5); // still connected: nothing to say
    EXPECT_EQ (page.getMessageTicks(), 0);

    processor->sidechainConnected.store (false);
    tick();
    EXPECT_EQ (bar(), "Connect sidechain input for Audio 2");
    EXPECT_EQ (page.getMessageTicks(), 60);
    expireMessage();
    tick (5);
    EXPECT_EQ (page.getMessageTicks(), 0);

    processor->sidechainConnected.store (true);
    tick();
    EXPECT_EQ (bar(), "Sidechain connected");
    EXPECT_EQ (page.getMessageTicks(), 60);
}

TEST_F (EditorTest, MissingSidechainAtTheFirstTickRepeatsTheOpeningMessage)
{
    open (false);
    expireMessage();
    tick();
    EXPECT_EQ (editor->getBlendPage().getMessageText(), "Connect sidechain input for Audio 2");
    EXPECT_EQ (editor->getBlendPage().getMessageTicks(), 60);
}

TEST_F (PluginEditorTimerTest, TrackLabelNamesTheHostTrack)
{
    auto& label = A::trackLabel (*editor);
    EXPECT_EQ (label.getText(), "");
    EXPECT_EQ (label.findColour (juce::Label::textColourId), juce::Colours::grey);
    EXPECT_TRUE (label.getJustificationType() == juce::Justification::centredRight);

    juce::AudioProcessor::TrackProperties props;
    props.name = "Lead Vocal";
    processor->updateTrackProperties (props);
    tick();
    EXPECT_EQ (label.getText(), "on: Lead Vocal");

    processor->updateTrackProperties ({});
    tick();
    EXPECT_EQ (label.getText(), "");
}

TEST_F (PluginEditorTimerTest, MetersFollowThePublishedLevels)
{
    processor->inputLevel1.store (0.25f);
    processor->inputLevel2.store (0.5f);
    processor->outputLevel.store (0.75f);
    tick();
    const float expected[] = { 0.25f, 0.5f, 0.75f };
    for (int m = 0; m < 3; ++m)
        EXPECT_FLOAT_EQ (BlendComponentTestAccess::meter (editor->getBlendPage(), m).level, expected[m]) << m;
}

// ---- Step highlight in the plug-in ----------------------------------------------------------

TEST_F (PluginEditorTimerTest, StepHighlightFollowsTheShownModulatorAndClearsWhenItIsOff)
{
    processor->stepPhase[0].store (0.3);  // step 5 of 16 (index 4)
    processor->stepPhase[1].store (0.8);  // index 12
    setParam ("seqEnabled", 1.0f);
    tick();
    EXPECT_EQ (highlightedStep(), 4);

    setParam ("seqEnabled", 0.0f);
    tick();
    EXPECT_EQ (highlightedStep(), -1);

    editor->getBlendPage().selectModulator (1);
    setParam ("seqEnabled", 1.0f); // modulator 1 runs, but modulator 2 is shown and off
    tick();
    EXPECT_EQ (highlightedStep(), -1);
    setParam ("seqEnabled2", 1.0f);
    tick();
    EXPECT_EQ (highlightedStep(), 12);
}

// ---- Standalone: cursors and step highlight -------------------------------------------------

// A standalone editor with Audio 1 of 2000 samples and Audio 2 of 1000, modulator 1 on, and an
// output device that has prepared the processor.
class StandaloneEditorTimerTest : public EditorTest
{
protected:
    void SetUp() override
    {
        open (true);
        processor->prepareToPlay (48000.0, 512);
        processor->setAudio1Buffer (silence (2000), 48000.0);
        processor->setAudio2Buffer (silence (1000), 48000.0);
        setParam ("seqEnabled", 1.0f);
    }

    double cursor1() { return editor->getAudio1Page().getWaveformView().getPlaybackPosition(); }
    double cursor2() { return editor->getAudio2Page().getWaveformView().getPlaybackPosition(); }
    int highlightedStep() { return BlendComponentTestAccess::stepView (editor->getBlendPage()).getHighlightedStep(); }

    void play (QuorvaneAudioProcessor::PlayMode mode, int position)
    {
        processor->setPlayMode (mode);
        processor->playPosition.store (position);
    }
};

TEST_F (StandaloneEditorTimerTest, CursorsShowThePositionAsAFractionOfThePlayedLength)
{
    using P = QuorvaneAudioProcessor;
    struct Case
    {
        P::PlayMode mode;
        int position;
        int barsIndex;   // "Bars" choice; Divider stays at "1"
        double audio1, audio2;
        double cycle;    // modulator 1's cycle: Audio 1 counts as four bars
    };
    const Case cases[] = {
        // The blend runs over the longer file (2000).
        { P::PlayBlend, 500, 3, 500.0 / 2000.0, 500.0 / 2000.0, 2000.0 },
        { P::PlayBlend, 1999, 3, 1999.0 / 2000.0, 1999.0 / 2000.0, 2000.0 },
        // One source alone: only its page moves.
        { P::PlayAudio1, 700, 0, 700.0 / 2000.0, 0.0, 500.0 },
        { P::PlayAudio2, 700, 1, 0.0, 700.0 / 1000.0, 1000.0 },
        { P::PlayAudio2, 0, 3, 0.0, 0.0, 2000.0 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String ((int) c.mode) + " at " + juce::String (c.position));
        setParam ("seqBars", (float) c.barsIndex);
        play (c.mode, c.position);
        tick();
        EXPECT_DOUBLE_EQ (cursor1(), c.audio1);
        EXPECT_DOUBLE_EQ (cursor2(), c.audio2);
        const double phase = std::fmod (c.position / c.cycle, 1.0);
        EXPECT_EQ (highlightedStep(), stepOf (phase)) << phase;
    }
}

TEST_F (StandaloneEditorTimerTest, StoppedResetsCursorsStepAndTransport)
{
    click (&A::playButton (*editor));
    ASSERT_EQ (A::playButton (*editor).getButtonText(), "Stop");
    processor->playPosition.store (1500);
    tick();
    ASSERT_GT (cursor1(), 0.0);
    ASSERT_GE (highlightedStep(), 0);

    // Playback ends by itself (looping off): the next tick mirrors it.
    processor->setPlayMode (QuorvaneAudioProcessor::Stopped);
    tick();
    EXPECT_EQ (cursor1(), 0.0);
    EXPECT_EQ (cursor2(), 0.0);
    EXPECT_EQ (highlightedStep(), -1);
    EXPECT_EQ (A::playButton (*editor).getButtonText(), "Play");
}

TEST_F (StandaloneEditorTimerTest, UnknownModeOrNothingToPlayLeavesTheCursorsWhereTheyAre)
{
    play (QuorvaneAudioProcessor::PlayBlend, 1000);
    tick();
    ASSERT_DOUBLE_EQ (cursor1(), 0.5);

    processor->playMode.store (7);
    processor->playPosition.store (200);
    tick();
    EXPECT_DOUBLE_EQ (cursor1(), 0.5);
    EXPECT_DOUBLE_EQ (cursor2(), 0.5);

    processor->setAudio2Buffer (silence (0), 48000.0);
    play (QuorvaneAudioProcessor::PlayAudio2, 0);
    tick();
    EXPECT_DOUBLE_EQ (cursor1(), 0.5);
    EXPECT_DOUBLE_EQ (cursor2(), 0.5);
}

TEST_F (StandaloneEditorTimerTest, StepHighlightClearedWhileTheShownModulatorIsOff)
{
    play (QuorvaneAudioProcessor::PlayBlend, 600);
    tick();
    EXPECT_EQ (highlightedStep(), stepOf (std::fmod (600.0 / 500.0, 1.0))); // Bars "1": a 500-sample cycle

    editor->getBlendPage().selectModulator (1); // modulator 2 is off: no cycle
    for (int i = 0; i < 3; ++i)
    {
        processor->playPosition.store (600 + 100 * i);
        tick();
        EXPECT_EQ (highlightedStep(), -1);
    }
}

TEST_F (StandaloneEditorTimerTest, NeverWarnsTalksAboutTheSidechainOrNamesATrack)
{
    expireMessage(); // switching modulator 1 on explained itself
    processor->inputLevel1.store (0.5f);
    processor->inputLevel2.store (0.0f);
    processor->sidechainConnected.store (false);
    juce::AudioProcessor::TrackProperties props;
    props.name = "Track 1";
    processor->updateTrackProperties (props);

    tick (400);
    EXPECT_FALSE (A::noInputWarning (*editor));
    EXPECT_EQ (editor->getBlendPage().getMessageTicks(), 0);
    EXPECT_EQ (editor->getBlendPage().getMessageText(), "");
    EXPECT_EQ (A::trackLabel (*editor).getText(), "");
    EXPECT_FALSE (A::trackLabel (*editor).isVisible());
}
