#include "EditorTestSupport.h"

namespace
{
void setSteps (QuorvaneAudioProcessor& p, int modulator, std::initializer_list<float> values)
{
    int i = 0;
    for (float v : values)
        p.setStepValue (modulator, i++, v);
}
} // namespace

TEST_F (BlendPageTest, StepEditGoesToTheProcessorAndNamesTheMorphMeaning)
{
    struct Case
    {
        float value;
        const char* expected;
    };
    const Case cases[] = {
        { 1.0f, "Step 3: +1.00. Audio 2 only, blend silent." },
        { 0.5f, "Step 3: +0.50. Blend leaning to Audio 2." },
        { 0.06f, "Step 3: +0.06. Blend leaning to Audio 2." },
        { 0.05f, "Step 3: +0.05. Full blend, no dry Audio 1 or 2." },
        { 0.0f, "Step 3: +0.00. Full blend, no dry Audio 1 or 2." },
        { -0.05f, "Step 3: -0.05. Full blend, no dry Audio 1 or 2." },
        { -0.5f, "Step 3: -0.50. Blend leaning to Audio 1." },
        { -1.0f, "Step 3: -1.00. Audio 1 only, blend silent." },
    };
    auto& view = A::stepView (*page);
    for (const auto& c : cases)
    {
        view.onStepChanged (2, c.value);
        EXPECT_EQ (processor->getStepValue (0, 2), c.value);
        EXPECT_EQ (message(), c.expected);
        EXPECT_EQ (page->getMessageTicks(), 60);
    }

    // With modulator 2 shown the step goes there and carries no Morph meaning.
    page->selectModulator (1);
    view.onStepChanged (0, -0.25f);
    EXPECT_EQ (processor->getStepValue (1, 0), -0.25f);
    EXPECT_EQ (processor->getStepValue (0, 0), 0.0f);
    EXPECT_EQ (message(), "Step 1: -0.25");
}

TEST_F (BlendPageTest, ShiftRotatesTheShownModulatorsSteps)
{
    for (int i = 0; i < 16; ++i)
        processor->setStepValue (0, i, (float) (i + 1) / 100.0f);
    page->refreshStepSequencerFromProcessor();
    auto& view = A::stepView (*page);

    A::shiftLeft (*page).onClick();
    EXPECT_FLOAT_EQ (view.getStepValue (0), 0.02f);  // step 2's value moved to step 1
    EXPECT_FLOAT_EQ (view.getStepValue (15), 0.01f); // step 1's value wrapped to step 16
    EXPECT_FLOAT_EQ (processor->getStepValue (0, 0), 0.02f);
    EXPECT_FLOAT_EQ (processor->getStepValue (0, 15), 0.01f);
    EXPECT_EQ (message(), "Steps shifted left. Each step's value moves one slot left, wrapping around at the start.");

    A::shiftRight (*page).onClick();
    A::shiftRight (*page).onClick();
    EXPECT_FLOAT_EQ (view.getStepValue (0), 0.16f); // step 16's value moved to step 1
    EXPECT_FLOAT_EQ (processor->getStepValue (0, 1), 0.01f);
    EXPECT_EQ (message(), "Steps shifted right. Each step's value moves one slot right, wrapping around at the end.");
}

TEST_F (BlendPageTest, ClearZeroesOnlyTheShownModulator)
{
    setSteps (*processor, 0, { 0.5f, -0.5f, 1.0f });
    setSteps (*processor, 1, { 0.3f, 0.2f });
    page->selectModulator (1);
    EXPECT_FLOAT_EQ (A::stepView (*page).getStepValue (0), 0.3f);

    A::clear (*page).onClick();
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ (A::stepView (*page).getStepValue (i), 0.0f);
        EXPECT_EQ (processor->getStepValue (1, i), 0.0f);
    }
    EXPECT_EQ (processor->getStepValue (0, 0), 0.5f);
    EXPECT_EQ (message(), "Steps cleared. All 16 step values reset to 0. The target dial stays where you set it "
                          "while the modulator plays.");
}

TEST_F (BlendPageTest, LengthMessageWordsBarsOverDivider)
{
    struct Case
    {
        int barsIndex, divIndex;
        const char* expected;
    };
    // Bars items: 1 2 3 4 5 6 8 12 16; Div items: 1..8.
    const Case cases[] = {
        { 3, 0, "Length: 4 bars" },  { 1, 1, "Length: 1 bar" },     { 2, 1, "Length: 3/2 bars" },
        { 0, 1, "Length: 1/2 bars" }, { 7, 7, "Length: 12/8 bars" }, { 6, 7, "Length: 1 bar" },
        { 8, 3, "Length: 4 bars" },   { 0, 0, "Length: 1 bar" },
    };
    for (const auto& c : cases)
    {
        A::bars (*page).setSelectedItemIndex (c.barsIndex, juce::sendNotificationSync);
        A::div (*page).setSelectedItemIndex (c.divIndex, juce::sendNotificationSync);
        EXPECT_EQ (message(), c.expected) << c.barsIndex << "/" << c.divIndex;
        EXPECT_EQ (raw ("seqBars"), (float) c.barsIndex);
        EXPECT_EQ (raw ("seqDiv"), (float) c.divIndex);
    }
}

TEST_F (BlendPageTest, OnButtonSwitchesTheShownModulatorAndDimsItsControls)
{
    auto& on = A::onButton (*page);
    EXPECT_EQ (on.getButtonText(), "Off");
    EXPECT_FALSE (A::stepView (*page).isEnabled());
    EXPECT_NEAR (A::barsLabel (*page).getAlpha(), 0.35f, 0.01f);

    on.setToggleState (true, juce::sendNotificationSync);
    EXPECT_EQ (raw ("seqEnabled"), 1.0f);
    EXPECT_EQ (on.getButtonText(), "On");
    EXPECT_EQ (message(), "Modulator: On. Sequencer drives the Morph dial through the 16 step values.");
    for (juce::Component* c : std::initializer_list<juce::Component*> { &A::stepView (*page), &A::clear (*page),
                                                                       &A::smoothing (*page), &A::bars (*page) })
    {
        EXPECT_TRUE (c->isEnabled());
        EXPECT_FLOAT_EQ (c->getAlpha(), 1.0f);
    }
    // Modulator 1 drives Morph, so the three level dials are dimmed but stay usable.
    EXPECT_NEAR (A::dial (*page, BlendDial::fxLevel).getAlpha(), 0.35f, 0.01f);
    EXPECT_NEAR (A::caption (*page, BlendDial::signal2).getAlpha(), 0.35f, 0.01f);
    EXPECT_TRUE (A::dial (*page, BlendDial::fxLevel).isEnabled());

    on.setToggleState (false, juce::sendNotificationSync);
    EXPECT_EQ (message(), "Modulator: Off. Sequencer bypassed. Morph dial is controlled manually.");
    EXPECT_FLOAT_EQ (A::dial (*page, BlendDial::fxLevel).getAlpha(), 1.0f);

    // The host switching the sequencer reaches the button through its attachment.
    setRaw ("seqEnabled", 1.0f);
    EXPECT_TRUE (on.getToggleState());
    EXPECT_EQ (on.getButtonText(), "On");
}

TEST_F (BlendPageTest, ModulatorTwoHasItsOwnControlsAndMessages)
{
    setSteps (*processor, 1, { -0.4f });
    page->selectModulator (1);
    EXPECT_EQ (page->getSelectedModulator(), 1);
    EXPECT_TRUE (A::modButton (*page, 1).getToggleState());
    EXPECT_FALSE (A::modButton (*page, 0).getToggleState());
    EXPECT_FLOAT_EQ (A::stepView (*page).getStepValue (0), -0.4f);
    EXPECT_EQ (message(), "Modulator 2: modulates the selected dial slot. Pick a target on the right.");
    // The message points where the Target box is: on the button's row, to its right.
    const auto button = A::modButton (*page, 1).getBounds();
    const auto box = A::target (*page).getBounds();
    EXPECT_GT (box.getX(), button.getRight());
    EXPECT_LT (box.getY(), button.getBottom());
    EXPECT_GT (box.getBottom(), button.getY());

    A::onButton (*page).setToggleState (true, juce::sendNotificationSync);
    EXPECT_EQ (raw ("seqEnabled2"), 1.0f);
    EXPECT_EQ (raw ("seqEnabled"), 0.0f);
    EXPECT_EQ (message(), "Modulator 2: On. Sequencer modulates the selected target dial.");
    // Modulator 1 is off, so the level dials are not dimmed.
    EXPECT_FLOAT_EQ (A::dial (*page, BlendDial::fxLevel).getAlpha(), 1.0f);

    A::bars (*page).setSelectedItemIndex (4, juce::sendNotificationSync);
    A::smoothing (*page).setValue (25.0, juce::sendNotificationSync);
    EXPECT_EQ (raw ("seqBars2"), 4.0f);
    EXPECT_EQ (raw ("smoothing2"), 25.0f);
    EXPECT_EQ (raw ("seqBars"), 0.0f);
    EXPECT_EQ (raw ("smoothing"), 100.0f);

    A::onButton (*page).setToggleState (false, juce::sendNotificationSync);
    EXPECT_EQ (message(), "Modulator 2: Off. Target dial is controlled manually.");

    // Back to modulator 1: its own values come back; selecting it again says nothing.
    A::modButton (*page, 0).onClick();
    EXPECT_EQ (message(), "Modulator 1: drives the Morph dial.");
    EXPECT_EQ (A::bars (*page).getSelectedItemIndex(), 0);
    EXPECT_EQ (A::smoothing (*page).getValue(), 100.0);
    page->showInfoMessage ("marker", 0);
    page->selectModulator (0);
    EXPECT_EQ (message(), "marker");
}

TEST_F (BlendPageTest, TargetComboNamesTheModesSlotsAndReportsUnusedOnes)
{
    selectMode (7); // FM: five dials
    auto& target = A::target (*page);
    const char* fm[] = { "Dial 1: Depth", "Dial 2: Feedback", "Dial 3: Window", "Dial 4: Drive", "Dial 5: Smoothing" };
    for (int s = 0; s < 5; ++s)
        EXPECT_EQ (target.getItemText (s), fm[s]);

    target.setSelectedItemIndex (3, juce::sendNotificationSync);
    EXPECT_EQ (raw ("mod2Target"), 3.0f);
    EXPECT_EQ (message(), "Mod 2 target: Dial 4: Drive");

    selectMode (10); // Scrub: three dials; the selection stays on Dial 4
    EXPECT_EQ (target.getSelectedItemIndex(), 3);
    EXPECT_EQ (target.getItemText (3), "Dial 4: (none)");
    EXPECT_EQ (target.getText(), "Dial 4: (none)");
    EXPECT_FALSE (target.isItemEnabled (4));
    setRaw ("mod2Target", 4.0f);
    EXPECT_EQ (message(), "Mod 2 target: Dial 5 not used by this mode. Modulator does nothing until the mode "
                          "changes or another target is picked.");
}

TEST_F (BlendPageTest, PlaybackPositionMovesTheMorphDialWithoutTouchingTheParameter)
{
    setSteps (*processor, 0, { -1.0f, 0.5f, 1.0f });
    page->refreshStepSequencerFromProcessor();
    auto& morph = A::dial (*page, BlendDial::morph);
    auto& smoothing = A::smoothing (*page);

    // No glide: the step's own value, -1..1 onto 0..100.
    smoothing.setValue (0.0, juce::sendNotificationSync);
    page->setStepPlaybackPosition (1.5 / 16.0);
    EXPECT_DOUBLE_EQ (morph.getValue(), 75.0);
    EXPECT_EQ (A::stepView (*page).getHighlightedStep(), 1);
    EXPECT_EQ (raw ("morph"), 50.0f);
    EXPECT_EQ (raw ("fxLevel"), 100.0f); // no coupling from a silent move

    // Full glide: halfway through step 2 it sits halfway between steps 1 and 2 (0.5 .. 1.0).
    smoothing.setValue (100.0, juce::sendNotificationSync);
    page->setStepPlaybackPosition (2.5 / 16.0);
    EXPECT_DOUBLE_EQ (morph.getValue(), 88.0); // (0.75 + 1) * 50 = 87.5, shown on the dial's step of 1

    // The hand-off weight blends from the value the user left the dial at.
    morph.onDragStart();
    EXPECT_TRUE (processor->morphTouched.load());
    morph.setValue (20.0, juce::dontSendNotification);
    page->setStepPlaybackPosition (0.0);
    EXPECT_DOUBLE_EQ (morph.getValue(), 20.0); // the user holds it
    morph.onDragEnd();
    EXPECT_FALSE (processor->morphTouched.load());

    processor->morphHandoffWeight.store (0.5f);
    smoothing.setValue (0.0, juce::sendNotificationSync);
    page->setStepPlaybackPosition (2.0 / 16.0); // step 3: 1.0 -> 100
    EXPECT_DOUBLE_EQ (morph.getValue(), 60.0);  // 20 + 0.5 * (100 - 20)

    // Out of range positions and modulator 2 leave the dial alone.
    processor->morphHandoffWeight.store (1.0f);
    page->setStepPlaybackPosition (-1.0);
    EXPECT_DOUBLE_EQ (morph.getValue(), 60.0);
    EXPECT_EQ (A::stepView (*page).getHighlightedStep(), -1);
    page->selectModulator (1);
    page->setStepPlaybackPosition (0.0);
    EXPECT_DOUBLE_EQ (morph.getValue(), 60.0);
}
