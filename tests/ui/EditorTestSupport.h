#pragma once

#include "../processor/ProcessorTestSupport.h"
#include "ui/PluginEditor.h"
#include "processor/PluginProcessor.h"
#include "ui/ThemePalette.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

// Reaches the editor's transport, label and status state, which it keeps private.
struct QuorvanePluginEditorTestAccess
{
    static juce::TextButton& playButton (QuorvanePluginEditor& e) { return e.playButton; }
    static juce::ToggleButton& loopToggle (QuorvanePluginEditor& e) { return e.loopToggle; }
    static juce::Label& trackLabel (QuorvanePluginEditor& e) { return e.hostTrackLabel; }
    static bool noInputWarning (const QuorvanePluginEditor& e) { return e.noInputWarning; }
};

// Does what a click does once the button has been pressed and released.
inline void click (juce::Button* button)
{
    ASSERT_NE (button, nullptr);
    ASSERT_TRUE (button->onClick != nullptr);
    button->onClick();
}

// The first descendant button of `root` showing `text`, or nullptr.
inline juce::Button* findButton (juce::Component& root, const juce::String& text)
{
    for (auto* child : root.getChildren())
    {
        if (auto* button = dynamic_cast<juce::Button*> (child); button != nullptr && button->getButtonText() == text)
            return button;
        if (auto* found = findButton (*child, text))
            return found;
    }
    return nullptr;
}

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
