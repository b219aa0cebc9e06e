#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "BlendComponent.h"

class QuorvaneAudioProcessor;

// The plug-in window: the Blend page at its logical 720 x 572, scaled as a whole to the window,
// with the colour theme and a 30 Hz poll of the processor's published levels and positions.
class QuorvanePluginEditor : public juce::AudioProcessorEditor,
                             private juce::Timer
{
public:
    static constexpr int logicalWidth = 720;
    static constexpr int logicalHeight = 572;

    explicit QuorvanePluginEditor (QuorvaneAudioProcessor&);
    ~QuorvanePluginEditor() override;

    // Pushes the active palette into the look-and-feel and the Blend page.
    void applyTheme();

    BlendComponent& getBlendPage() noexcept { return blendPage; }

    void paint (juce::Graphics&) override;
    void resized() override;

    // Plain 14-point text everywhere; colours come from applyTheme().
    struct PluginLookAndFeel : public juce::LookAndFeel_V4
    {
        juce::Font getTextButtonFont (juce::TextButton&, int) override;
        juce::Font getPopupMenuFont() override;
        juce::Font getComboBoxFont (juce::ComboBox&) override;
        juce::Font getLabelFont (juce::Label&) override;
        juce::Font getTabButtonFont (juce::TabBarButton&, float) override;
    };

private:
    void timerCallback() override;

    QuorvaneAudioProcessor& processor;
    PluginLookAndFeel lookAndFeel;
    BlendComponent blendPage;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuorvanePluginEditor)
};
