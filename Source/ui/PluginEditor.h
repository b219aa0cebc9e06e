#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "ui/audio/AudioTabComponent.h"
#include "ui/BlendComponent.h"
#include "ui/phone/IPhoneBlendPrototype.h"
#include "ui/PluginLookAndFeel.h"

class QuorvaneAudioProcessor;

// The plug-in's window. It owns every page, picks one of three presentations when it is built
// and keeps it for its lifetime, scales the fixed logical layout of that presentation to the
// window, applies the colour theme, and polls the processor 30 times a second for levels,
// playback positions, the sidechain state and the host track's name.
//
//  - Phone preview (QV_PREVIEW_IPHONE non-empty): only the phone layout, 800 x 360.
//  - Standalone application: a transport row (Play/Stop, Loop) above the tabs "Blend",
//    "Audio 1" and "Audio 2", 720 x 638; it opens with the default samples loaded.
//  - Plug-in: the Blend page and a small label naming the host track, 720 x 572.
class QuorvanePluginEditor : public juce::AudioProcessorEditor,
                             private juce::Timer
{
public:
    enum class Presentation
    {
        Plugin,
        Standalone,
        Phone
    };

    using PluginLookAndFeel = QuorvanePluginLookAndFeel;

    static constexpr int logicalWidth = 720;
    static constexpr int logicalHeight = 572;           // plug-in
    static constexpr int standaloneLogicalHeight = 638; // transport row and tab bar above the page
    static constexpr int phoneLogicalWidth = 800;
    static constexpr int phoneLogicalHeight = 360;

    // Timed messages last 60 ticks of 30 Hz, two seconds.
    static constexpr int messageDurationTicks = 60;
    // Ten seconds of Audio 1 with a silent Audio 2 before the plug-in warns about it.
    static constexpr int noInputWarningTicks = 300;
    static constexpr float signalThreshold = 0.0001f;

    static constexpr const char* previewVariable = "QV_PREVIEW_IPHONE";
    static constexpr const char* defaultAudio1Sample = "Full_Drums_120";
    static constexpr const char* defaultAudio2Sample = "Chord Sequence C Minor_120";
    static constexpr const char* noInputWarningText = "Warning! No input signal detected on Audio 2.";
    static constexpr const char* noOutputDeviceText =
        "Warning! No audio output device: nothing can be heard. Choose one in Options > Audio/MIDI Settings.";
    static constexpr const char* sidechainConnectedText = "Sidechain connected";
    static constexpr const char* connectSidechainText = "Connect sidechain input for Audio 2";

    // Whether a value of the preview variable asks for the phone preview: any value except
    // nothing and the usual ways of saying no ("0", "false", "no", "off").
    static bool previewValueRequestsPhone (const juce::String& value);
    static Presentation choosePresentation (const juce::String& previewValue, bool standaloneWrapper);

    explicit QuorvanePluginEditor (QuorvaneAudioProcessor&);
    ~QuorvanePluginEditor() override;

    // Pushes the active palette into the look-and-feel and the Blend page.
    void applyTheme();
    // Loads the two default samples of the standalone application; a name the samples folder
    // does not hold loads nothing.
    void loadDefaultSamples();
    // A timed message on the Blend page's message bar.
    void showMessage (const juce::String& text);

    Presentation getPresentation() const noexcept { return presentation; }
    bool isPhonePreview() const noexcept { return presentation == Presentation::Phone; }
    // The logical size the content is laid out at before it is scaled to the window.
    juce::Rectangle<int> getLogicalBounds() const noexcept;

    BlendComponent& getBlendPage() noexcept { return blendPage; }
    AudioTabComponent& getAudio1Page() noexcept { return audio1Page; }
    AudioTabComponent& getAudio2Page() noexcept { return audio2Page; }
    IPhoneBlendPrototype& getPhoneLayout() noexcept { return phoneLayout; }
    // The "Blend", "Audio 1" and "Audio 2" tabs; only shown in the standalone presentation.
    juce::TabbedComponent& getTabs() noexcept { return tabs; }

    void paint (juce::Graphics&) override;
    void resized() override;
    // Standalone: the space bar starts and stops the blend, as the transport's Play/Stop does.
    bool keyPressed (const juce::KeyPress& key) override;

    // One poll of the processor; the 30 Hz timer calls it.
    void timerCallback() override;

private:
    friend struct QuorvanePluginEditorTestAccess;

    // Construction, by presentation.
    void setUpPhonePreview();
    void setUpPagesAndTransport();
    void wireAudioPages();
    void wireProcessorHooks();
    // Window: resizing, limits and the fixed aspect ratio of the logical layout.
    void configureWindow (int width, int height, bool cornerResizer, int minWidth, int minHeight, int maxWidth,
                          int maxHeight);

    void toggleTheme();
    void handlePlayButton();
    void handleLoopToggle();

    // Timer, by concern.
    void updateNoInputWarning (float audio1Level, float audio2Level);
    void updateStickyWarning();
    void updateStandalonePlayback();
    // Every Play/Stop button names what a click on it does, from the processor's play mode.
    void updatePlayButtons();
    void updatePluginStatus();

    QuorvaneAudioProcessor& processor;
    PluginLookAndFeel lookAndFeel;
    AudioTabComponent audio1Page;
    AudioTabComponent audio2Page;
    BlendComponent blendPage;
    IPhoneBlendPrototype phoneLayout;
    Presentation presentation = Presentation::Plugin;
    juce::TabbedComponent tabs { juce::TabbedButtonBar::TabsAtTop };
    juce::TextButton playButton { "Play" };
    juce::ToggleButton loopToggle { "Loop" };
    juce::Label hostTrackLabel;
    juce::String lastHostTrackName;
    // Starts as connected, so a missing sidechain repeats the message shown at opening.
    bool lastSidechainConnected = true;
    int silentTicks = 0;
    bool noInputWarning = false;
    juce::String lastStickyWarning;
    // The standalone window takes the keyboard once it shows, so that the space bar works
    // before anything was clicked.
    bool keyboardTaken = false;
    juce::TooltipWindow tooltipWindow { this };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuorvanePluginEditor)
};
