#include "ui/BlendComponent.h"
#include "params/ParamHelp.h"
#include "ui/ThemePalette.h"

// The message bar: timed messages, the persistent mode message, the sticky warning, and the
// messages the dials and the direction toggle put there.

namespace
{
constexpr int kMessageTicks = 60; // 2 s at 30 Hz
const juce::Colour kWarningColour (0xFFFF4040u);
} // namespace

void BlendComponent::showInfoMessage (const juce::String& text, int ticks)
{
    messageBar.setColour (juce::Label::textColourId, QV::gActive->text);
    messageBar.setText (text, juce::dontSendNotification);
    messageTicks = ticks;
    if (ticks <= 0)
        stopTimer();
    else
        startTimerHz (30);
}

void BlendComponent::showTimedMessage (const juce::String& text) { showInfoMessage (text, kMessageTicks); }

void BlendComponent::setStickyWarning (const juce::String& text)
{
    stickyWarning = text;
    if (messageTicks > 0)
        return; // shown when the running message has counted down

    messageBar.setColour (juce::Label::textColourId, text.isNotEmpty() ? kWarningColour : QV::gActive->text);
    messageBar.setText (text, juce::dontSendNotification);
}

void BlendComponent::showCurrentBlendModeMessage()
{
    const auto* entry = selectedEntry();
    if (entry == nullptr)
        return;
    juce::String text = juce::String ("Mode: ") + entry->name;
    if (entry->description != nullptr && *entry->description != 0)
        text << ". " << entry->description;
    showInfoMessage (text, 0);
}

void BlendComponent::timerCallback()
{
    if (messageTicks <= 0)
    {
        stopTimer();
        return;
    }
    if (--messageTicks > 0)
        return;

    if (stickyWarning.isNotEmpty())
    {
        messageBar.setColour (juce::Label::textColourId, kWarningColour);
        messageBar.setText (stickyWarning, juce::dontSendNotification);
    }
    else
    {
        messageBar.setColour (juce::Label::textColourId, QV::gActive->text);
        messageBar.setText ({}, juce::dontSendNotification);
    }
    stopTimer();
}

void BlendComponent::showDialMessage (int dialIndex)
{
    const auto& row = kBlendDials[dialIndex];
    showTimedMessage (withHelp (dialValueMessage (row, dials[(size_t) dialIndex].getValue()), row.paramId));
}

void BlendComponent::handleDirectionClick()
{
    if (directionAttachment == nullptr)
        return;
    auto* choice = dynamic_cast<juce::AudioParameterChoice*> (parameter ("direction"));
    if (choice == nullptr)
        return;

    if (choice->getIndex() == 0)
    {
        directionAttachment->setValueAsCompleteGesture (1.0f);
        showTimedMessage ("Direction 2 > 1: Roles swapped. Audio 1 and Audio 2 trade places in the mode's description.");
    }
    else
    {
        // "1 > 1" comes only from the host; a click always returns to the default routing.
        directionAttachment->setValueAsCompleteGesture (0.0f);
        showTimedMessage ("Direction 1 > 2: Default routing. Each signal plays the role the mode's description gives it.");
    }
}
