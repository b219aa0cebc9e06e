#pragma once

#include "GuiTestSupport.h"
#include "../processor/ProcessorTestSupport.h"
#include "processor/PluginProcessor.h"
#include "ui/BlendComponent.h"
#include "ui/PluginEditor.h"
#include "ui/SettingsViewComponent.h"
#include "ui/ThemePalette.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

// Fixtures for the Blend page and the editor around it, each on a fresh processor.

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
    static PresetsCard& presetsCard (BlendComponent& c) { return c.presetsCard; }
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

// Reaches the editor's transport, label and status state, which it keeps private.
struct QuorvanePluginEditorTestAccess
{
    static juce::TextButton& playButton (QuorvanePluginEditor& e) { return e.playButton; }
    static juce::ToggleButton& loopToggle (QuorvanePluginEditor& e) { return e.loopToggle; }
    static juce::Label& trackLabel (QuorvanePluginEditor& e) { return e.hostTrackLabel; }
    static bool noInputWarning (const QuorvanePluginEditor& e) { return e.noInputWarning; }
};

// Sets (or unsets, for std::nullopt) the phone-preview variable for one scope and puts the
// previous value back afterwards.
class ScopedPreviewVariable
{
public:
    explicit ScopedPreviewVariable (const std::optional<std::string>& value)
    {
        if (const char* old = std::getenv (QuorvanePluginEditor::previewVariable))
            previous = std::string (old);
        apply (value);
    }
    ~ScopedPreviewVariable() { apply (previous); }

private:
    static void apply (const std::optional<std::string>& value)
    {
        if (value.has_value())
            ::setenv (QuorvanePluginEditor::previewVariable, value->c_str(), 1);
        else
            ::unsetenv (QuorvanePluginEditor::previewVariable);
    }

    std::optional<std::string> previous;
};

// A processor (as a plug-in host or the standalone application builds it) with its editor,
// created under a chosen value of the preview variable. The editor goes first, as in a host.
class EditorTest : public ::testing::Test
{
protected:
    using Presentation = QuorvanePluginEditor::Presentation;
    using A = QuorvanePluginEditorTestAccess;

    void TearDown() override
    {
        editor.reset();
        processor.reset();
        QV::gActive = &QV::kLight;
    }

    void open (bool standaloneWrapper, const std::optional<std::string>& previewValue = std::nullopt)
    {
        QV::gActive = &QV::kLight;
        editor.reset();
        processor = standaloneWrapper ? makeStandaloneProcessor() : std::make_unique<QuorvaneAudioProcessor>();
        openEditorOnly (previewValue);
    }

    // A new editor on the existing processor, as when the host reopens the window.
    void openEditorOnly (const std::optional<std::string>& previewValue = std::nullopt)
    {
        editor.reset();
        const ScopedPreviewVariable variable (previewValue);
        editor = std::make_unique<QuorvanePluginEditor> (*processor);
    }

    void tick (int times = 1)
    {
        for (int i = 0; i < times; ++i)
            editor->timerCallback();
    }

    // Runs the Blend page's own message countdown until no timed message is up.
    void expireMessage()
    {
        auto& page = editor->getBlendPage();
        for (int i = 0; i < 1000 && page.getMessageTicks() > 0; ++i)
            page.timerCallback();
        ASSERT_EQ (page.getMessageTicks(), 0);
    }

    void setParam (const char* id, float raw) { setRawParam (*processor, id, raw); }

    static juce::AudioBuffer<float> silence (int numSamples)
    {
        juce::AudioBuffer<float> buffer (2, numSamples);
        buffer.clear();
        return buffer;
    }

    std::unique_ptr<QuorvaneAudioProcessor> processor;
    std::unique_ptr<QuorvanePluginEditor> editor;
};
