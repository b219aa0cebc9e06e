#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "processor/Presets.h"

#include <functional>
#include <vector>

// The PRESETS card of the settings view: the factory presets by section, then the user's, with
// Load, Delete (user presets only), Save As with a name field, and the name of the preset last
// loaded, marked when anything has changed since. Loading reaches the host as ordinary edits.
class PresetsCard : public juce::Component,
                    private juce::ListBoxModel,
                    private juce::Timer
{
public:
    PresetsCard (QuorvaneAudioProcessor& processor, const juce::File& userFolder);
    ~PresetsCard() override;

    // Something the user should read: what was loaded or saved, what went wrong, a question.
    std::function<void (const juce::String&)> onMessage;
    // After a preset is loaded, for views that show the steps.
    std::function<void()> onPresetLoaded;

    // The list again from the factory table and the user folder (the folder may change outside).
    void refreshList();
    void applyColourScheme();

    // The status line: "Preset: NAME", with " *" while the settings differ from the loaded ones.
    juce::String getStatusText() const { return statusLabel.getText(); }

    void resized() override;
    void paint (juce::Graphics&) override;

private:
    friend struct PresetsCardTestAccess;

    struct Row
    {
        juce::String text;
        bool heading = false;
        int factoryIndex = -1; // a factory preset's row in the factory table
        juce::File userFile;   // a user preset's file
    };

    // The status line follows edits made anywhere (host, dials, randomiser) at this rate.
    static constexpr int kStatusPollHz = 5;

    // juce::ListBoxModel
    int getNumRows() override;
    void paintListBoxItem (int row, juce::Graphics&, int width, int height, bool selected) override;
    void selectedRowsChanged (int lastRowSelected) override;
    void listBoxItemDoubleClicked (int row, const juce::MouseEvent&) override;

    void timerCallback() override;

    const Row* selectedRow() const;
    void loadSelected();
    void saveAs();
    void deleteSelected();
    void finishLoad (const juce::String& name, const Presets::PresetValues& values);
    void updateStatus();
    void updateButtons();
    void say (const juce::String& text);

    QuorvaneAudioProcessor& processor;
    const juce::File userFolder;
    std::vector<Row> rows;

    juce::String loadedName;
    Presets::PresetValues loadedValues;
    // A Save or Delete that waits for a second click to replace or remove this file.
    juce::File pendingReplace, pendingDelete;

    juce::ListBox list { "Presets", this };
    juce::TextButton loadButton { "Load" }, deleteButton { "Delete" }, saveButton { "Save" };
    juce::Label statusLabel, saveLabel { {}, "Save As:" };
    juce::TextEditor nameField;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PresetsCard)
};
