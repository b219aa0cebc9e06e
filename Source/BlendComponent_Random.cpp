#include "BlendComponent.h"
#include "BlendRandomiser.h"
#include "ParamIDs.h"

// The top row's "Randomize" and "All": a weighted draw of the blend mode, random values for
// the mode's visible dials and a random direction; "All" also rolls the modulator section.

void BlendComponent::randomiseBlendModeAndSettings()
{
    auto& random = juce::Random::getSystemRandom();

    // Selecting the same index again changes nothing and runs no handler.
    modeSelector.setSelectedItemIndex (BlendRandomiser::drawModeIndex (random), juce::sendNotificationSync);

    for (int i = 0; i < kNumModeDials; ++i)
    {
        auto& dial = dials[(size_t) i];
        if (! dial.isVisible())
            continue;
        const double value = i == BlendDial::mathDrive
                                 ? BlendRandomiser::mathDriveForDraw (random.nextDouble())
                                 : BlendRandomiser::dialValueForDraw (dial.getMinimum(), dial.getMaximum(),
                                                                      dial.getInterval(), random.nextDouble());
        dial.setValue (value, juce::sendNotificationSync);
    }

    if (directionAttachment != nullptr)
        directionAttachment->setValueAsCompleteGesture (random.nextFloat() < 1.0f / 3.0f ? 1.0f : 0.0f);

    showTimedMessage ("Random: " + modeSelector.getText());
}

void BlendComponent::randomiseAll()
{
    randomiseBlendModeAndSettings();

    if (juce::Random::getSystemRandom().nextFloat() < 0.4f)
    {
        onButton.setToggleState (false, juce::sendNotificationSync);
        dials[BlendDial::morph].setValue (50.0, juce::sendNotificationSync);
    }
    else
    {
        randomiseModulator();
        onButton.setToggleState (true, juce::sendNotificationSync);
    }
    showCurrentBlendModeMessage();
}
