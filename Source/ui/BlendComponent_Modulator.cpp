#include "ui/BlendComponent.h"
#include "ui/BlendRandomiser.h"
#include "engine/ModulatorShape.h"
#include "params/ParamHelp.h"
#include "params/ParamIDs.h"
#include "params/ParameterTable.h"
#include "processor/PluginProcessor.h"

// The modulator section of the Blend page: the step editor and the controls of the shown
// modulator (1 drives Morph, 2 drives one dial slot of the current mode).

namespace
{
constexpr int kMessageTicks = 60;

struct ModulatorParamIds
{
    const char* enabled;
    const char* bars;
    const char* div;
    const char* smoothing;
};
const ModulatorParamIds kModulatorParams[2] = {
    { ParamIDs::seqEnabled, ParamIDs::seqBars, ParamIDs::seqDiv, ParamIDs::smoothing },
    { ParamIDs::seqEnabled2, ParamIDs::seqBars2, ParamIDs::seqDiv2, ParamIDs::smoothing2 },
};

// What a step value of modulator 1 does to the Morph position.
const char* morphMeaning (float v)
{
    if (v >= 0.999f) return "Audio 2 only, blend silent.";
    if (v > 0.05f) return "Blend leaning to Audio 2.";
    if (v >= -0.05f) return "Full blend, no dry Audio 1 or 2.";
    if (v > -0.999f) return "Blend leaning to Audio 1.";
    return "Audio 1 only, blend silent.";
}
} // namespace

void BlendComponent::buildModulatorSection()
{
    for (int i = 0; i < kNumSteps; ++i)
        stepView.setStepValueSilent (i, processor.getStepValue (0, i));
    stepView.onStepChanged = [this] (int step, float value) { handleStepEdit (step, value); };
    addAndMakeVisible (stepView);

    shiftLeftButton.onClick = [this] { shiftSteps (1); };
    clearButton.onClick = [this] { clearSteps(); };
    shiftRightButton.onClick = [this] { shiftSteps (-1); };
    for (auto* button : { &shiftLeftButton, &shiftRightButton })
        button->setLookAndFeel (&arrowButtonLookAndFeel);
    for (auto* button : { &shiftLeftButton, &clearButton, &shiftRightButton })
        addAndMakeVisible (*button);

    smoothingDial.setRange (0.0, 100.0, 1.0);
    smoothingDial.setValue (100.0, juce::dontSendNotification);
    smoothingDial.setDoubleClickReturnValue (true, 100.0, juce::ModifierKeys::altModifier);
    styleDial (smoothingDial);
    smoothingDial.setTextValueSuffix ("%");
    addAndMakeVisible (smoothingDial);
    addAndMakeVisible (smoothingLabel);

    onButton.setClickingTogglesState (true);
    addAndMakeVisible (onButton);

    int id = 1;
    for (auto* c = kBarsChoices; *c != nullptr; ++c)
        barsCombo.addItem (*c, id++);
    id = 1;
    for (auto* c = kDividerChoices; *c != nullptr; ++c)
        divCombo.addItem (*c, id++);
    for (auto* combo : { &barsCombo, &divCombo })
    {
        combo->setJustificationType (juce::Justification::centred);
        combo->setLookAndFeel (&noArrowComboLookAndFeel);
        addAndMakeVisible (*combo);
    }
    for (auto* label : { &barsLabel, &divLabel, &lengthLabel })
        addAndMakeVisible (*label);

    for (int k = 0; k < 2; ++k)
    {
        auto& button = modulatorButtons[(size_t) k];
        button.setButtonText (juce::String (k + 1));
        button.setClickingTogglesState (false);
        button.onClick = [this, k] { selectModulator (k); };
        addAndMakeVisible (button);
    }
    modulatorButtons[0].setToggleState (true, juce::dontSendNotification);

    targetLabel.setJustificationType (juce::Justification::centredRight);
    addAndMakeVisible (targetLabel);
    for (int s = 0; s < kNumDialSlots; ++s)
        targetCombo.addItem ("Dial " + juce::String (s + 1), s + 1);
    targetCombo.setJustificationType (juce::Justification::centredLeft);
    targetCombo.setLookAndFeel (&noArrowComboLookAndFeel);
    addAndMakeVisible (targetCombo);
    targetAttachment = std::make_unique<ComboBoxAttachment> (parameterTree, ParamIDs::mod2Target, targetCombo);

    modulatorRandomizeButton.onClick = [this] { handleModulatorRandomize(); };
    addAndMakeVisible (modulatorRandomizeButton);

    selectedModulator = 0;
    rebuildModulatorAttachments();
    populateMod2TargetCombo();

    // Handlers after the attachments' first updates, so opening the page keeps the mode message.
    onButton.onClick = [this] { handleOnButton(); };
    barsCombo.onChange = [this] { showLengthMessage(); };
    divCombo.onChange = [this] { showLengthMessage(); };
    targetCombo.onChange = [this] { showTargetMessage(); };
    smoothingDial.onValueChange = [this] {
        if (smoothingDial.isMouseOverOrDragging (true))
            showTimedMessage (withHelp ("Smoothing: " + juce::String ((juce::int64) smoothingDial.getValue()) + "%",
                                        ParamIDs::smoothing));
    };

    updateSequencerEnabled();
}

//==============================================================================
void BlendComponent::handleStepEdit (int step, float value)
{
    processor.setStepValue (selectedModulator, step, value);

    juce::String text = "Step " + juce::String (step + 1) + ": " + (value >= 0.0f ? "+" : "") + juce::String (value, 2);
    if (selectedModulator == 0)
        text << ". " << morphMeaning (value);
    showTimedMessage (text);
}

void BlendComponent::clearSteps()
{
    for (int i = 0; i < kNumSteps; ++i)
    {
        stepView.setStepValueSilent (i, 0.0f);
        processor.setStepValue (selectedModulator, i, 0.0f);
    }
    // Steps at 0 put Morph at its centre (modulator 1) or leave the target dial where the user set
    // it (modulator 2).
    showTimedMessage (selectedModulator == 0
                          ? "Steps cleared. All 16 step values reset to 0. Morph sits at its centre value while the "
                            "sequencer plays."
                          : "Steps cleared. All 16 step values reset to 0. The target dial stays where you set it "
                            "while the modulator plays.");
}

void BlendComponent::shiftSteps (int offset)
{
    float old[kNumSteps];
    for (int i = 0; i < kNumSteps; ++i)
        old[i] = stepView.getStepValue (i);
    for (int i = 0; i < kNumSteps; ++i)
    {
        const float v = old[((i + offset) % kNumSteps + kNumSteps) % kNumSteps];
        stepView.setStepValueSilent (i, v);
        processor.setStepValue (selectedModulator, i, v);
    }
    showTimedMessage (offset > 0
                          ? "Steps shifted left. Each step's value moves one slot left, wrapping around at the start."
                          : "Steps shifted right. Each step's value moves one slot right, wrapping around at the end.");
}

void BlendComponent::showLengthMessage()
{
    const int bars = barsCombo.getText().getIntValue();
    int div = divCombo.getText().getIntValue();
    if (div < 2)
        div = 1;
    const juce::String length = bars % div == 0 ? juce::String (bars / div)
                                                : juce::String (bars) + "/" + juce::String (div);
    showTimedMessage ("Length: " + length + (bars == div ? " bar" : " bars"));
}

void BlendComponent::handleOnButton()
{
    const bool on = onButton.getToggleState();
    onButton.setButtonText (on ? "On" : "Off");
    updateSequencerEnabled();

    if (selectedModulator == 1)
        showTimedMessage (on ? "Modulator 2: On. Sequencer modulates the selected target dial."
                             : "Modulator 2: Off. Target dial is controlled manually.");
    else
        showTimedMessage (on ? "Modulator: On. Sequencer drives the Morph dial through the 16 step values."
                             : "Modulator: Off. Sequencer bypassed. Morph dial is controlled manually.");
}

void BlendComponent::updateSequencerEnabled()
{
    const bool on = onButton.getToggleState();
    const float alpha = on ? 1.0f : 0.35f;
    for (juce::Component* c : std::initializer_list<juce::Component*> {
             &stepView, &shiftLeftButton, &clearButton, &shiftRightButton, &smoothingDial, &barsCombo, &divCombo })
    {
        c->setEnabled (on);
        c->setAlpha (alpha);
    }
    for (auto* label : { &smoothingLabel, &barsLabel, &divLabel, &lengthLabel })
        label->setAlpha (alpha);

    // Modulator 1 drives Morph, which drives these three: dim them while it runs.
    auto* seq1 = parameterTree.getRawParameterValue (ParamIDs::seqEnabled);
    const float levelAlpha = (seq1 != nullptr && seq1->load() > 0.5f) ? 0.35f : 1.0f;
    for (int dial : { BlendDial::fxLevel, BlendDial::signal1, BlendDial::signal2 })
    {
        dials[(size_t) dial].setAlpha (levelAlpha);
        dialCaptions[(size_t) dial].setAlpha (levelAlpha);
    }
}

void BlendComponent::selectModulator (int index)
{
    const int k = index > 0 ? 1 : 0;
    if (k == selectedModulator)
        return;
    selectedModulator = k;
    modulatorButtons[0].setToggleState (k == 0, juce::dontSendNotification);
    modulatorButtons[1].setToggleState (k == 1, juce::dontSendNotification);
    rebuildModulatorAttachments();
    refreshStepSequencerFromProcessor();
    populateMod2TargetCombo();
    updateSequencerEnabled();
    resized();
    repaint();
    showTimedMessage (k == 0 ? "Modulator 1: drives the Morph dial."
                             : "Modulator 2: modulates the selected dial slot. Pick a target on the right.");
}

void BlendComponent::rebuildModulatorAttachments()
{
    onAttachment.reset();
    barsAttachment.reset();
    divAttachment.reset();
    smoothingAttachment.reset();

    const auto& ids = kModulatorParams[selectedModulator];
    onAttachment = std::make_unique<ButtonAttachment> (parameterTree, ids.enabled, onButton);
    barsAttachment = std::make_unique<ComboBoxAttachment> (parameterTree, ids.bars, barsCombo);
    divAttachment = std::make_unique<ComboBoxAttachment> (parameterTree, ids.div, divCombo);
    smoothingAttachment = std::make_unique<SliderAttachment> (parameterTree, ids.smoothing, smoothingDial);
    smoothingDial.textFromValueFunction = nullptr; // the dial adds its own "%" to the bare number
    onButton.setButtonText (onButton.getToggleState() ? "On" : "Off");
}

void BlendComponent::refreshStepSequencerFromProcessor()
{
    for (int i = 0; i < kNumSteps; ++i)
        stepView.setStepValueSilent (i, processor.getStepValue (selectedModulator, i));
    stepView.repaint();
}

void BlendComponent::populateMod2TargetCombo()
{
    if (targetCombo.getNumItems() < kNumDialSlots)
        return; // not built yet

    const int selectedId = targetCombo.getSelectedId();
    for (int s = 0; s < kNumDialSlots; ++s)
    {
        const auto info = dialSlotInfoForMode (getSelectedBlendMode(), getSelectedMathOp(), s);
        const juce::String prefix = "Dial " + juce::String (s + 1) + ": ";
        targetCombo.changeItemText (s + 1, prefix + (info.label != nullptr ? info.label : "(none)"));
        targetCombo.setItemEnabled (s + 1, info.paramId != nullptr);
    }
    // The box's text still shows the old item text, and a text that matches no item reads as
    // "nothing selected"; reselect silently so it shows the new one.
    if (selectedId != 0)
        targetCombo.setSelectedId (selectedId, juce::dontSendNotification);
    targetCombo.repaint();
}

void BlendComponent::showTargetMessage()
{
    const int s = targetCombo.getSelectedItemIndex();
    const auto info = dialSlotInfoForMode (getSelectedBlendMode(), getSelectedMathOp(), s);
    if (s >= 0 && s < kNumDialSlots && info.paramId != nullptr && info.label != nullptr)
        showTimedMessage ("Mod 2 target: Dial " + juce::String (s + 1) + ": " + info.label);
    else
        showTimedMessage ("Mod 2 target: Dial " + juce::String (s + 1)
                          + " not used by this mode. Modulator does nothing until the mode changes or another "
                            "target is picked.");
}

void BlendComponent::setStepPlaybackPosition (double position)
{
    stepView.setPlaybackPosition (position);
    if (morphDragging || position < 0.0 || position >= 1.0 || selectedModulator != 0)
        return;

    // Show where modulator 1 has taken Morph, with the glide the engine uses. The dial's value is
    // a double, so the formula runs in double here.
    double steps[kNumSteps];
    for (int i = 0; i < kNumSteps; ++i)
        steps[i] = stepView.getStepValue (i);
    const double v = stepValueAt (steps, position, smoothingDial.getValue() / 100.0);
    double m = (v + 1.0) * 50.0; // -1..+1 onto the Morph dial's 0..100

    const double h = processor.morphHandoffWeight.load();
    if (h < 1.0)
        m = lastMorphValue + h * (m - lastMorphValue);

    dials[BlendDial::morph].setValue (m, juce::dontSendNotification);
}

//==============================================================================
void BlendComponent::randomiseModulator()
{
    auto& random = juce::Random::getSystemRandom();
    int kind = 0;
    const auto steps = BlendRandomiser::quantise (BlendRandomiser::drawPattern (random, kind));
    for (int i = 0; i < kNumSteps; ++i)
    {
        stepView.setStepValueSilent (i, steps[(size_t) i]);
        processor.setStepValue (selectedModulator, i, steps[(size_t) i]);
    }
    randomiseLengthAndSmoothing();
    showTimedMessage (juce::String ("Random: ") + BlendRandomiser::patternKindName (kind));
}

void BlendComponent::randomiseLengthAndSmoothing()
{
    auto& random = juce::Random::getSystemRandom();
    const auto length = BlendRandomiser::drawLength (random, barsCombo.getNumItems());
    barsCombo.setSelectedItemIndex (length.barsIndex, juce::sendNotificationSync);
    divCombo.setSelectedItemIndex (length.divIndex, juce::sendNotificationSync);
    smoothingDial.setValue (BlendRandomiser::drawSmoothing (random), juce::sendNotificationSync);
}

void BlendComponent::handleModulatorRandomize()
{
    randomiseModulator();
    onButton.setToggleState (true, juce::sendNotificationSync);
    showTimedMessage ("Modulator randomized. All 16 step values, length, and smoothing set to new random values.");
}
