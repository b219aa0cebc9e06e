#pragma once

#include <gtest/gtest.h>

#include "ui/BlendComponent.h"
#include "processor/PluginProcessor.h"
#include "ui/SettingsViewComponent.h"
#include "ui/ThemePalette.h"

#include <memory>

// Reaches the Blend page's widgets, which the page keeps private.
struct BlendComponentTestAccess
{
    static juce::Slider& dial (BlendComponent& c, int i) { return c.dials[(size_t) i]; }
    static juce::Label& caption (BlendComponent& c, int i) { return c.dialCaptions[(size_t) i]; }
    static juce::ComboBox& modeSelector (BlendComponent& c) { return c.modeSelector; }
    static juce::TextButton& prevMode (BlendComponent& c) { return c.prevModeButton; }
    static juce::TextButton& nextMode (BlendComponent& c) { return c.nextModeButton; }
    static juce::TextButton& direction (BlendComponent& c) { return c.directionToggle; }
    static juce::TextButton& randomize (BlendComponent& c) { return c.randomizeButton; }
    static juce::TextButton& all (BlendComponent& c) { return c.allButton; }
    static juce::TextButton& gear (BlendComponent& c) { return c.gearButton; }
    static juce::Label& messageBar (BlendComponent& c) { return c.messageBar; }
    static SettingsViewComponent& settingsView (BlendComponent& c) { return c.settingsView; }
    static LevelMeterComponent& meter (BlendComponent& c, int i) { return c.meters[(size_t) i]; }
    static juce::Label& meterCaption (BlendComponent& c, int i) { return c.meterCaptions[(size_t) i]; }
    static StepSequencerComponent& stepView (BlendComponent& c) { return c.stepView; }
    static juce::TextButton& shiftLeft (BlendComponent& c) { return c.shiftLeftButton; }
    static juce::TextButton& clear (BlendComponent& c) { return c.clearButton; }
    static juce::TextButton& shiftRight (BlendComponent& c) { return c.shiftRightButton; }
    static juce::TextButton& onButton (BlendComponent& c) { return c.onButton; }
    static juce::TextButton& modRandomize (BlendComponent& c) { return c.modulatorRandomizeButton; }
    static juce::TextButton& modButton (BlendComponent& c, int i) { return c.modulatorButtons[(size_t) i]; }
    static juce::ComboBox& bars (BlendComponent& c) { return c.barsCombo; }
    static juce::ComboBox& div (BlendComponent& c) { return c.divCombo; }
    static juce::ComboBox& target (BlendComponent& c) { return c.targetCombo; }
    static juce::Label& targetLabel (BlendComponent& c) { return c.targetLabel; }
    static juce::Slider& smoothing (BlendComponent& c) { return c.smoothingDial; }
    static juce::Label& smoothingLabel (BlendComponent& c) { return c.smoothingLabel; }
    static juce::Label& barsLabel (BlendComponent& c) { return c.barsLabel; }
    static juce::Label& divLabel (BlendComponent& c) { return c.divLabel; }
    static juce::Label& lengthLabel (BlendComponent& c) { return c.lengthLabel; }
    static void showDialMessage (BlendComponent& c, int i) { c.showDialMessage (i); }
    static bool timerRunning (BlendComponent& c) { return c.isTimerRunning(); }
};

// A fresh processor and Blend page at the editor's 720 x 572, in the light theme.
class BlendPageTest : public ::testing::Test
{
protected:
    using A = BlendComponentTestAccess;

    void SetUp() override
    {
        QV::gActive = &QV::kLight;
        processor = std::make_unique<QuorvaneAudioProcessor>();
        page = std::make_unique<BlendComponent> (*processor);
        page->setSize (720, 572);
    }

    void TearDown() override
    {
        page.reset();
        processor.reset();
        QV::gActive = &QV::kLight;
    }

    // Changes a parameter as the host would (raw value in the parameter's own units).
    void setRaw (const char* id, float value)
    {
        auto* param = processor->parameters.getParameter (id);
        ASSERT_NE (param, nullptr) << id;
        param->setValueNotifyingHost (param->convertTo0to1 (value));
    }

    float raw (const char* id) const { return processor->parameters.getRawParameterValue (id)->load(); }

    void selectMode (int index) { A::modeSelector (*page).setSelectedItemIndex (index, juce::sendNotificationSync); }

    juce::String message() const { return page->getMessageText(); }

    std::unique_ptr<QuorvaneAudioProcessor> processor;
    std::unique_ptr<BlendComponent> page;
};
