#include "ui/BlendComponent.h"
#include "params/ParamIDs.h"
#include "params/ParameterTable.h"
#include "processor/PluginProcessor.h"
#include "processor/UserPresets.h"
#include "ui/ThemePalette.h"

#include <cstring>

// Construction of the page and the mode/dial logic. Layout and drawing live in
// BlendComponent_Layout.cpp, the message bar in BlendComponent_Messages.cpp, the modulator
// section in BlendComponent_Modulator.cpp and the randomisers in BlendComponent_Random.cpp.

BlendComponent::BlendComponent (QuorvaneAudioProcessor& p)
    : processor (p), parameterTree (p.parameters), presetsCard (p, UserPresets::folder())
{
    applyColourScheme();

    messageBar.setJustificationType (juce::Justification::centredLeft);
    messageBar.setColour (juce::Label::textColourId, QV::gActive->text);
    addAndMakeVisible (messageBar);

    buildTopRow();
    buildModeSelector();
    buildDials();
    buildDirectionToggle();
    buildModulatorSection();
    buildMeters();

    updateDialVisibility();
}

BlendComponent::~BlendComponent()
{
    stopTimer();

    // Attachments first, while the widgets they listen to are still alive.
    targetAttachment.reset();
    smoothingAttachment.reset();
    divAttachment.reset();
    barsAttachment.reset();
    onAttachment.reset();
    directionAttachment.reset();
    sliderAttachments.clear();
    modeAttachment.reset();

    // No widget may outlive the look-and-feel it points at.
    for (auto& dial : dials)
        dial.setLookAndFeel (nullptr);
    smoothingDial.setLookAndFeel (nullptr);
    modeSelector.setLookAndFeel (nullptr);
    for (auto* combo : { &barsCombo, &divCombo, &targetCombo })
        combo->setLookAndFeel (nullptr);
    for (auto* button : { &prevModeButton, &nextModeButton, &shiftLeftButton, &shiftRightButton, &gearButton })
        button->setLookAndFeel (nullptr);
}

juce::RangedAudioParameter* BlendComponent::parameter (const char* paramId) const
{
    return parameterTree.getParameter (paramId);
}

//==============================================================================
void BlendComponent::buildTopRow()
{
    randomizeButton.onClick = [this] {
        randomiseBlendModeAndSettings();
        showCurrentBlendModeMessage();
    };
    allButton.onClick = [this] { randomiseAll(); };
    gearButton.setLookAndFeel (&gearButtonLookAndFeel);
    gearButton.onClick = [this] { setSettingsViewOpen (! settingsViewOpen); };
    for (auto* button : { &randomizeButton, &allButton, &gearButton })
        addAndMakeVisible (*button);

    settingsView.onThemeToggle = [this] {
        if (onThemeToggle)
            onThemeToggle();
    };
    // Where the manual is, when no browser could show it: it stays up until the next message,
    // so the path can be read and copied.
    settingsView.onMessage = [this] (const juce::String& text) { showInfoMessage (text, 0); };
    presetsCard.onMessage = [this] (const juce::String& text) { showTimedMessage (text); };
    presetsCard.onPresetLoaded = [this] { refreshStepSequencerFromProcessor(); };
    settingsView.setPresetsCard (&presetsCard);
    addChildComponent (settingsView);
}

void BlendComponent::buildModeSelector()
{
    for (const auto& entry : kBlendModeRegistry)
    {
        if (entry.sectionHeading != nullptr)
            modeSelector.addSectionHeading (entry.sectionHeading);
        modeSelector.addItem (entry.name, entry.comboId);
    }
    modeSelector.setLookAndFeel (&roundedComboLookAndFeel);
    addAndMakeVisible (modeSelector);

    // Runs for every change of the selection: user, host, state restore or randomiser.
    modeSelector.onChange = [this] {
        updateDialVisibility();
        showCurrentBlendModeMessage();
    };
    modeAttachment = std::make_unique<ComboBoxAttachment> (parameterTree, ParamIDs::mode, modeSelector);

    prevModeButton.onClick = [this] { stepMode (-1); };
    nextModeButton.onClick = [this] { stepMode (1); };
    for (auto* button : { &prevModeButton, &nextModeButton })
    {
        button->setLookAndFeel (&arrowButtonLookAndFeel);
        addAndMakeVisible (*button);
    }
}

void BlendComponent::stepMode (int delta)
{
    const int n = modeSelector.getNumItems();
    if (n <= 0)
        return;
    const int i = modeSelector.getSelectedItemIndex();
    modeSelector.setSelectedItemIndex (((i + delta) % n + n) % n, juce::sendNotificationSync);
}

void BlendComponent::styleDial (juce::Slider& dial)
{
    dial.setSliderStyle (juce::Slider::RotaryVerticalDrag);
    dial.setTextBoxStyle (juce::Slider::NoTextBox, true, 0, 0);
    dial.setMouseDragSensitivity (120);
    dial.setLookAndFeel (&flatDotLookAndFeel);
}

void BlendComponent::addDial (juce::Slider& dial, juce::Label& caption, const juce::String& text, double minimum,
                              double maximum, double defaultValue, double interval)
{
    dial.setRange (minimum, maximum, interval);
    dial.setValue (defaultValue, juce::dontSendNotification);
    dial.setDoubleClickReturnValue (true, defaultValue, juce::ModifierKeys::altModifier);
    styleDial (dial);
    addAndMakeVisible (dial);

    caption.setText (text, juce::dontSendNotification);
    caption.setJustificationType (juce::Justification::centred);
    addAndMakeVisible (caption);
}

void BlendComponent::buildDials()
{
    for (int i = 0; i < kNumBlendDials; ++i)
    {
        const auto& row = kBlendDials[i];
        auto* param = parameter (row.paramId);
        jassert (param != nullptr);
        if (param == nullptr)
            continue;

        const auto& range = param->getNormalisableRange();
        addDial (dials[(size_t) i], dialCaptions[(size_t) i], row.caption, range.start, range.end,
                 range.convertFrom0to1 (param->getDefaultValue()), range.interval);
        dials[(size_t) i].setTextValueSuffix (row.suffix);
        sliderAttachments.push_back (std::make_unique<SliderAttachment> (parameterTree, row.paramId, dials[(size_t) i]));
        // The attachment would show the host's value text, which carries its own unit; the dial
        // prints the number as the message bar does and adds its own suffix.
        dials[(size_t) i].textFromValueFunction = [&row] (double v) { return dialValueNumber (row, v); };

        // Handlers come after the attachment, so its initial update says nothing.
        if (i == BlendDial::morph)
        {
            // The processor sets the three level parameters from Morph (whoever moves it), and
            // their dials follow through their attachments.
            dials[(size_t) i].onValueChange = [this] {
                if (dials[BlendDial::morph].isMouseOverOrDragging (true))
                    showDialMessage (BlendDial::morph);
            };
        }
        else
        {
            dials[(size_t) i].onValueChange = [this, i] {
                if (dials[(size_t) i].isMouseOverOrDragging (true))
                    showDialMessage (i);
            };
        }
    }

    auto& morphDial = dials[BlendDial::morph];
    morphDial.onDragStart = [this] {
        morphDragging = true;
        processor.morphTouched.store (true);
    };
    morphDial.onDragEnd = [this] {
        morphDragging = false;
        lastMorphValue = dials[BlendDial::morph].getValue();
        processor.morphTouched.store (false);
    };
}

void BlendComponent::buildDirectionToggle()
{
    addAndMakeVisible (directionToggle);
    directionToggle.onClick = [this] { handleDirectionClick(); };

    auto* choice = dynamic_cast<juce::AudioParameterChoice*> (parameter (ParamIDs::direction));
    if (choice == nullptr)
        return; // the toggle keeps "1 > 2" and does nothing

    directionAttachment = std::make_unique<juce::ParameterAttachment> (
        *choice,
        [this, choice] (float value) {
            const int index = juce::jlimit (0, choice->choices.size() - 1, juce::roundToInt (value));
            directionToggle.setButtonText (choice->choices[index]);
        },
        nullptr);
    directionAttachment->sendInitialUpdate();
}

void BlendComponent::buildMeters()
{
    static const char* const captions[] = { "A1", "A2", "Out" };
    for (size_t i = 0; i < meters.size(); ++i)
    {
        addAndMakeVisible (meters[i]);
        meterCaptions[i].setText (captions[i], juce::dontSendNotification);
        meterCaptions[i].setJustificationType (juce::Justification::centred);
        addAndMakeVisible (meterCaptions[i]);
    }
}

//==============================================================================
int BlendComponent::selectedModeIndex() const { return modeSelector.getSelectedItemIndex(); }

const BlendModeEntry* BlendComponent::selectedEntry() const { return blendModeEntryForIndex (selectedModeIndex()); }

BlendMode BlendComponent::getSelectedBlendMode() const
{
    const auto* entry = selectedEntry();
    return entry != nullptr ? entry->blendMode : FFTVocoder;
}

MathOp BlendComponent::getSelectedMathOp() const
{
    const auto* entry = selectedEntry();
    return entry != nullptr ? entry->mathOp : Multiply;
}

int BlendComponent::getModeDialCount() const
{
    int count = 0;
    for (int slot = 0; slot < kNumDialSlots; ++slot)
        if (dialSlotInfoForMode (getSelectedBlendMode(), getSelectedMathOp(), slot).paramId != nullptr)
            ++count;
    return count;
}

bool BlendComponent::isSymmetricMathOpForDirection() const
{
    // For every math operation but Divide and Sign Multiply the swap adds nothing the dials do
    // not reach: it mirrors Balance and Tilt and, in Subtract, flips the sign. So the toggle is
    // hidden there.
    const auto* entry = selectedEntry();
    if (entry == nullptr || ! isMathEntry (*entry))
        return false;
    return entry->mathOp != Divide && entry->mathOp != SignMultiply;
}

int BlendComponent::modeDialSlot (int dialIndex) const
{
    const char* paramId = kBlendDials[dialIndex].paramId;
    auto slotIn = [paramId] (BlendMode mode, MathOp op) {
        for (int slot = 0; slot < kNumDialSlots; ++slot)
        {
            const auto info = dialSlotInfoForMode (mode, op, slot);
            if (info.paramId != nullptr && std::strcmp (info.paramId, paramId) == 0)
                return slot;
        }
        return -1;
    };

    const int current = slotIn (getSelectedBlendMode(), getSelectedMathOp());
    if (current >= 0)
        return current;

    // Hidden dials keep the slot of the first registry entry that shows them.
    for (const auto& entry : kBlendModeRegistry)
    {
        const int slot = slotIn (entry.blendMode, entry.mathOp);
        if (slot >= 0)
            return slot;
    }
    return 0;
}

void BlendComponent::updateDialVisibility()
{
    directionToggle.setVisible (! isSymmetricMathOpForDirection());
    if (settingsViewOpen)
        return; // the dials stay hidden under the settings view

    const auto mode = getSelectedBlendMode();
    const auto op = getSelectedMathOp();
    std::array<bool, kNumModeDials> shown {};
    for (int slot = 0; slot < kNumDialSlots; ++slot)
    {
        const int dial = blendDialIndexFor (dialSlotInfoForMode (mode, op, slot).paramId);
        if (dial >= 0 && dial < kNumModeDials)
            shown[(size_t) dial] = true;
    }
    for (int i = 0; i < kNumModeDials; ++i)
    {
        dials[(size_t) i].setVisible (shown[(size_t) i]);
        dialCaptions[(size_t) i].setVisible (shown[(size_t) i]);
    }

    // The classic and distorted vocoders top out at 1024 bands.
    auto& resolution = dials[BlendDial::resolution];
    const double maximum = (mode == DistortedVocoder || mode == ClassicVocoder) ? 10.0 : 12.0;
    if (resolution.getMaximum() != maximum)
    {
        resolution.setRange (0.0, maximum, 1.0);
        // Show the stored value again after a widening; a narrowing clamps it. The parameter
        // itself is never touched here.
        if (auto* param = parameter (ParamIDs::resolution))
            resolution.setValue (param->convertFrom0to1 (param->getValue()), juce::dontSendNotification);
    }

    populateMod2TargetCombo();
    resized();
}

void BlendComponent::updateLevels (float audio1, float audio2, float output)
{
    meters[0].update (audio1);
    meters[1].update (audio2);
    meters[2].update (output);
}
