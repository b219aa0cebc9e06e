#include "ui/BlendComponent.h"
#include "params/BlendDialTable.h"
#include "ui/BlendRandomiser.h"
#include "params/ParamIDs.h"

#include <cmath>

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

        // A narrowed dial can show a value its parameter does not hold (Resolution after a switch
        // to a filter-bank vocoder keeps 11 or 12 in the parameter). When the draw equals what the
        // dial already shows, the slider sends nothing, so hand the value to the parameter here.
        if (auto* param = parameter (kBlendDials[i].paramId))
        {
            const float drawn = static_cast<float> (dial.getValue());
            if (std::abs (param->convertFrom0to1 (param->getValue()) - drawn) > 1.0e-4f * std::max (1.0f, std::abs (drawn)))
            {
                param->beginChangeGesture();
                param->setValueNotifyingHost (param->convertTo0to1 (drawn));
                param->endChangeGesture();
            }
        }
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
