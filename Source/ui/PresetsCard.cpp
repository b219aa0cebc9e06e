#include "ui/PresetsCard.h"

#include "common/JuceCompat.h"
#include "processor/FactoryPresets.h"
#include "processor/UserPresets.h"
#include "ui/PanelDrawing.h"
#include "ui/ThemePalette.h"

namespace
{
constexpr int kRowHeight = 20;
constexpr int kHeadingIndent = 6;
constexpr int kPresetIndent = 18;
// Marks the status line while the settings differ from the loaded preset.
constexpr const char* kChangedMark = " *";
} // namespace

PresetsCard::PresetsCard (QuorvaneAudioProcessor& p, const juce::File& folder)
    : processor (p), userFolder (folder)
{
    list.setRowHeight (kRowHeight);
    addAndMakeVisible (list);

    loadButton.onClick = [this] { loadSelected(); };
    deleteButton.onClick = [this] { deleteSelected(); };
    saveButton.onClick = [this] { saveAs(); };
    for (auto* button : { &loadButton, &deleteButton, &saveButton })
        addAndMakeVisible (*button);

    for (auto* label : { &statusLabel, &saveLabel })
    {
        label->setFont (QVCompat::plainFont (14.0f));
        label->setJustificationType (juce::Justification::centredLeft);
        addAndMakeVisible (*label);
    }

    nameField.setTextToShowWhenEmpty ("preset name", juce::Colours::grey);
    nameField.onReturnKey = [this] { saveAs(); };
    // A changed name no longer answers a pending question about another file.
    nameField.onTextChange = [this] { pendingReplace = juce::File(); };
    addAndMakeVisible (nameField);

    refreshList();
    updateStatus();
    applyColourScheme();
    startTimerHz (kStatusPollHz);
}

PresetsCard::~PresetsCard()
{
    stopTimer();
    list.setModel (nullptr);
}

void PresetsCard::refreshList()
{
    rows.clear();
    juce::String section;
    for (int i = 0; i < FactoryPresets::count(); ++i)
    {
        const auto& preset = FactoryPresets::at (i);
        const auto heading = FactoryPresets::section (preset);
        if (heading != section)
            rows.push_back ({ heading, true, -1, {} });
        section = heading;
        rows.push_back ({ preset.name, false, i, {} });
    }
    const auto userFiles = UserPresets::list (userFolder);
    if (! userFiles.isEmpty())
        rows.push_back ({ UserPresets::kSectionHeading, true, -1, {} });
    for (const auto& file : userFiles)
        rows.push_back ({ UserPresets::nameOf (file), false, -1, file });

    list.updateContent();
    list.deselectAllRows();
    list.repaint();
    updateButtons();
}

void PresetsCard::applyColourScheme()
{
    const auto& palette = *QV::gActive;
    list.setColour (juce::ListBox::backgroundColourId, palette.control);
    list.setColour (juce::ListBox::outlineColourId, palette.outline);
    list.setOutlineThickness (1);
    for (auto* label : { &statusLabel, &saveLabel })
        label->setColour (juce::Label::textColourId, palette.text);
    nameField.setColour (juce::TextEditor::backgroundColourId, palette.control);
    nameField.setColour (juce::TextEditor::textColourId, palette.text);
    nameField.setColour (juce::TextEditor::outlineColourId, palette.outline);
    nameField.applyColourToAllText (palette.text);
    list.repaint();
    repaint();
}

void PresetsCard::resized()
{
    // The list takes the left part of the card below its heading; the controls stand beside it.
    const int listWidth = juce::jmax (0, getWidth() * 11 / 20);
    list.setBounds (10, 24, listWidth, juce::jmax (0, getHeight() - 34));
    const int x = list.getRight() + 14;
    const int width = juce::jmax (0, getWidth() - x - 10);
    statusLabel.setBounds (x, 24, width, 22);
    loadButton.setBounds (x, 54, 80, 24);
    deleteButton.setBounds (x + 90, 54, 80, 24);
    saveLabel.setBounds (x, 96, width, 22);
    nameField.setBounds (x, 122, width, 24);
    saveButton.setBounds (x, 154, 80, 24);
}

void PresetsCard::paint (juce::Graphics& g)
{
    PanelDrawing::drawCard (g, getLocalBounds(), "PRESETS", PanelDrawing::kPageCard, *QV::gActive);
}

int PresetsCard::getNumRows()
{
    return (int) rows.size();
}

void PresetsCard::paintListBoxItem (int row, juce::Graphics& g, int width, int height, bool selected)
{
    if (row < 0 || row >= (int) rows.size())
        return;
    const auto& palette = *QV::gActive;
    const auto& item = rows[(size_t) row];
    if (selected && ! item.heading)
    {
        g.setColour (palette.accent);
        g.fillRect (0, 0, width, height);
    }
    g.setColour (item.heading ? palette.heading : selected ? palette.highlightText() : palette.text);
    g.setFont (QVCompat::plainFont (item.heading ? 12.0f : 14.0f));
    const int indent = item.heading ? kHeadingIndent : kPresetIndent;
    g.drawText (item.heading ? item.text.toUpperCase() : item.text, indent, 0, width - indent - 4, height,
                juce::Justification::centredLeft, true);
}

void PresetsCard::selectedRowsChanged (int)
{
    // A heading is not a preset: selecting one selects nothing.
    if (const int row = list.getSelectedRow(); row >= 0 && row < (int) rows.size() && rows[(size_t) row].heading)
        list.deselectAllRows();
    pendingDelete = juce::File();
    if (const auto* item = selectedRow(); item != nullptr && item->factoryIndex < 0)
        nameField.setText (item->text, juce::dontSendNotification);
    updateButtons();
}

void PresetsCard::listBoxItemDoubleClicked (int, const juce::MouseEvent&)
{
    loadSelected();
}

const PresetsCard::Row* PresetsCard::selectedRow() const
{
    const int row = list.getSelectedRow();
    if (row < 0 || row >= (int) rows.size() || rows[(size_t) row].heading)
        return nullptr;
    return &rows[(size_t) row];
}

void PresetsCard::loadSelected()
{
    const auto* item = selectedRow();
    if (item == nullptr)
        return;
    if (item->factoryIndex >= 0)
    {
        finishLoad (item->text, FactoryPresets::values (FactoryPresets::at (item->factoryIndex)));
        return;
    }
    Presets::PresetValues values;
    const auto result = Presets::readFile (item->userFile, values);
    if (result.failed())
    {
        say (result.getErrorMessage() + ": nothing was changed");
        return;
    }
    finishLoad (item->text, values);
}

void PresetsCard::finishLoad (const juce::String& name, const Presets::PresetValues& values)
{
    Presets::apply (processor, values);
    loadedName = name;
    // What the processor holds now, after the parameters have rounded the values to their steps.
    loadedValues = Presets::capture (processor);
    if (onPresetLoaded)
        onPresetLoaded();
    updateStatus();
    say ("Loaded preset " + name);
}

void PresetsCard::saveAs()
{
    const auto name = UserPresets::sanitiseName (nameField.getText());
    if (name.isEmpty())
    {
        say ("Type a name for the preset first");
        return;
    }
    const auto target = UserPresets::fileFor (userFolder, name);
    bool exists = false;
    const bool confirmed = target == pendingReplace;
    const auto result = UserPresets::save (processor, userFolder, name, confirmed, exists);
    if (exists)
    {
        pendingReplace = target;
        say ("A preset named " + name + " exists. Press Save again to replace it");
        return;
    }
    pendingReplace = juce::File();
    if (result.failed())
    {
        say (result.getErrorMessage());
        return;
    }
    loadedName = name;
    loadedValues = Presets::capture (processor);
    refreshList();
    updateStatus();
    say ("Saved preset " + name);
}

void PresetsCard::deleteSelected()
{
    const auto* item = selectedRow();
    if (item == nullptr || item->factoryIndex >= 0)
        return;
    if (pendingDelete != item->userFile)
    {
        pendingDelete = item->userFile;
        say ("Press Delete again to remove the preset " + item->text);
        return;
    }
    const auto name = item->text;
    const bool deleted = item->userFile.deleteFile();
    pendingDelete = juce::File();
    refreshList();
    say (deleted ? "Deleted preset " + name : "The preset " + name + " could not be deleted");
}

void PresetsCard::timerCallback()
{
    updateStatus();
}

void PresetsCard::updateStatus()
{
    juce::String text = "Preset: " + (loadedName.isEmpty() ? juce::String ("none") : loadedName);
    if (loadedName.isNotEmpty() && Presets::capture (processor) != loadedValues)
        text << kChangedMark;
    if (text != statusLabel.getText())
        statusLabel.setText (text, juce::dontSendNotification);
}

void PresetsCard::updateButtons()
{
    const auto* item = selectedRow();
    loadButton.setEnabled (item != nullptr);
    deleteButton.setEnabled (item != nullptr && item->factoryIndex < 0);
}

void PresetsCard::say (const juce::String& text)
{
    if (onMessage)
        onMessage (text);
}
