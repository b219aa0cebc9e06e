#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "params/BlendDialTable.h"
#include "ui/BlendLookAndFeels.h"
#include "params/BlendModeRegistry.h"
#include "ui/LevelMeterComponent.h"
#include "ui/MessageBarLabel.h"
#include "ui/SettingsViewComponent.h"
#include "ui/StepSequencerComponent.h"

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QuorvaneAudioProcessor;

// The Blend page: mode selector, the dials of the selected mode, tone, mix and level dials,
// level meters, the modulator section with its step editor, two randomisers, the settings
// overlay and the message bar that explains every control as it is touched.
//
// Every control is bound to a processor parameter through an attachment, so the page holds no
// parameter values of its own. It is laid out at a logical 702 x 572 and scaled by its owner.
class BlendComponent : public juce::Component,
                       public juce::Timer
{
public:
    using FlatDotLookAndFeel = BlendLookAndFeels::FlatDotLookAndFeel;
    using RoundedComboLookAndFeel = BlendLookAndFeels::RoundedComboLookAndFeel;
    using NoArrowComboLookAndFeel = BlendLookAndFeels::NoArrowComboLookAndFeel;
    using ArrowButtonLookAndFeel = BlendLookAndFeels::ArrowButtonLookAndFeel;
    using GearButtonLookAndFeel = BlendLookAndFeels::GearButtonLookAndFeel;

    explicit BlendComponent (QuorvaneAudioProcessor&);
    ~BlendComponent() override;

    // Fired when the settings view asks for the other colour theme; the editor fills it.
    std::function<void()> onThemeToggle;

    // ---- Mode selector and dials ----
    void addDial (juce::Slider& dial, juce::Label& caption, const juce::String& text, double minimum, double maximum,
                  double defaultValue, double interval);
    void updateDialVisibility();
    int getModeDialCount() const;
    bool isSymmetricMathOpForDirection() const;
    BlendMode getSelectedBlendMode() const;
    MathOp getSelectedMathOp() const;

    // ---- Message bar ----
    // A message that stays for `ticks` ticks of the 30 Hz countdown; ticks <= 0 keeps it up.
    void showInfoMessage (const juce::String& text, int ticks);
    // Shown in red whenever no timed message is up; empty clears it.
    void setStickyWarning (const juce::String& text);
    void showCurrentBlendModeMessage();
    void timerCallback() override;
    int getMessageTicks() const noexcept { return messageTicks; }
    juce::String getMessageText() const { return messageBar.getText(); }
    juce::Colour getMessageColour() const { return messageBar.findColour (juce::Label::textColourId); }

    // ---- Layout, drawing, colour scheme, settings view ----
    enum Card
    {
        TopBarCard,
        BlendCard,
        LevelsCard,
        ToneCard,
        MixCard,
        ModulatorCard,
        BottomBarCard,
        numCards
    };
    juce::Rectangle<int> getCardBounds (Card card) const { return cards[(size_t) card]; }

    void resized() override;
    void paint (juce::Graphics&) override;
    void applyColourScheme();
    void setSwapWidgetsVisible (bool visible);
    void setSettingsViewOpen (bool open);
    bool isSettingsViewOpen() const noexcept { return settingsViewOpen; }

    // ---- Randomisers ----
    void randomiseBlendModeAndSettings();
    void randomiseAll();

    // ---- Level meters ("A1", "A2", "Out") ----
    void updateLevels (float audio1, float audio2, float output);

    // ---- Modulator section ----
    void selectModulator (int index);
    int getSelectedModulator() const noexcept { return selectedModulator; }
    void rebuildModulatorAttachments();
    void populateMod2TargetCombo();
    void updateSequencerEnabled();
    void refreshStepSequencerFromProcessor();
    // The shown modulator's position in its 16-step cycle, or -1 for none.
    void setStepPlaybackPosition (double position);
    void clearSteps();
    void shiftSteps (int offset);
    void randomiseModulator();
    void randomiseLengthAndSmoothing();

private:
    friend struct BlendComponentTestAccess;

    // Construction, by concern.
    void buildTopRow();
    void buildModeSelector();
    void buildDials();
    void buildDirectionToggle();
    void buildModulatorSection();
    void buildMeters();
    void styleDial (juce::Slider& dial);

    // Layout, by row of cards.
    void layoutTopBar (int x0, int y);
    void layoutBlendAndLevels (int x0, int y);
    void layoutToneAndMix (int x0, int y);
    void layoutModulatorSection (int x0, int y);

    int selectedModeIndex() const;
    const BlendModeEntry* selectedEntry() const;
    juce::RangedAudioParameter* parameter (const char* paramId) const;
    int modeDialSlot (int dialIndex) const;
    void stepMode (int delta);

    // Messages.
    void showTimedMessage (const juce::String& text);
    void showDialMessage (int dialIndex);
    void handleDirectionClick();
    void handleStepEdit (int step, float value);
    void showLengthMessage();
    void showTargetMessage();
    void handleOnButton();
    void handleModulatorRandomize();

    QuorvaneAudioProcessor& processor;
    juce::AudioProcessorValueTreeState& parameterTree;

    // Look-and-feels live longer than every widget that points at them.
    FlatDotLookAndFeel flatDotLookAndFeel;
    RoundedComboLookAndFeel roundedComboLookAndFeel;
    NoArrowComboLookAndFeel noArrowComboLookAndFeel;
    ArrowButtonLookAndFeel arrowButtonLookAndFeel;
    GearButtonLookAndFeel gearButtonLookAndFeel;

    bool settingsViewOpen = false;
    int messageTicks = 0;
    juce::String stickyWarning;
    MessageBarLabel messageBar;

    std::array<juce::Rectangle<int>, numCards> cards;

    // Top row.
    juce::TextButton randomizeButton { "Randomize" };
    juce::TextButton allButton { "All" };
    juce::TextButton gearButton;
    SettingsViewComponent settingsView;
    // Shown by the settings view below its panel; declared after it, so it leaves it first.
    PresetsCard presetsCard;
    juce::ComboBox modeSelector;
    juce::TextButton prevModeButton { "<" };
    juce::TextButton nextModeButton { ">" };
    juce::TextButton directionToggle { "1 > 2" };

    // The 49 dials, indexed like kBlendDials.
    std::array<juce::Slider, kNumBlendDials> dials;
    std::array<juce::Label, kNumBlendDials> dialCaptions;

    // Modulator section.
    StepSequencerComponent stepView;
    juce::TextButton shiftLeftButton { "<" };
    juce::TextButton clearButton { "Clear" };
    juce::TextButton shiftRightButton { ">" };
    juce::Slider smoothingDial;
    juce::Label smoothingLabel { {}, "Smoothing" };
    juce::TextButton onButton { "Off" };
    juce::ComboBox barsCombo, divCombo;
    juce::Label barsLabel { {}, "Bars" };
    juce::Label divLabel { {}, "Div" };
    juce::Label lengthLabel { {}, "Length:" };
    std::array<juce::TextButton, 2> modulatorButtons;
    juce::Label targetLabel { {}, "Target" };
    juce::ComboBox targetCombo;
    juce::TextButton modulatorRandomizeButton { "Randomize" };
    int selectedModulator = 0;
    bool morphDragging = false;
    double lastMorphValue = 0.0;

    // Meters.
    std::array<LevelMeterComponent, 3> meters;
    std::array<juce::Label, 3> meterCaptions;

    // Attachments go before the widgets they bind (declared last, destroyed first).
    using SliderAttachment = juce::AudioProcessorValueTreeState::SliderAttachment;
    using ComboBoxAttachment = juce::AudioProcessorValueTreeState::ComboBoxAttachment;
    using ButtonAttachment = juce::AudioProcessorValueTreeState::ButtonAttachment;
    std::unique_ptr<ComboBoxAttachment> modeAttachment;
    std::vector<std::unique_ptr<SliderAttachment>> sliderAttachments;
    std::unique_ptr<juce::ParameterAttachment> directionAttachment;
    std::unique_ptr<ButtonAttachment> onAttachment;
    std::unique_ptr<ComboBoxAttachment> barsAttachment, divAttachment;
    std::unique_ptr<SliderAttachment> smoothingAttachment;
    std::unique_ptr<ComboBoxAttachment> targetAttachment;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BlendComponent)
};
