// The PRESETS card of the settings view: the list, loading, saving, deleting and the status line.

#include "EditorTestSupport.h"

#include "processor/FactoryPresets.h"
#include "processor/UserPresets.h"

struct PresetsCardTestAccess
{
    static juce::ListBox& list (PresetsCard& c) { return c.list; }
    static juce::TextButton& load (PresetsCard& c) { return c.loadButton; }
    static juce::TextButton& remove (PresetsCard& c) { return c.deleteButton; }
    static juce::TextButton& save (PresetsCard& c) { return c.saveButton; }
    static juce::TextEditor& name (PresetsCard& c) { return c.nameField; }
    static void poll (PresetsCard& c) { c.timerCallback(); }

    static juce::StringArray rowTexts (PresetsCard& c)
    {
        juce::StringArray texts;
        for (const auto& row : c.rows)
            texts.add ((row.heading ? "# " : "") + row.text);
        return texts;
    }
    static int rowOf (PresetsCard& c, const juce::String& text)
    {
        for (size_t i = 0; i < c.rows.size(); ++i)
            if (! c.rows[i].heading && c.rows[i].text == text)
                return (int) i;
        return -1;
    }
    static void select (PresetsCard& c, const juce::String& text) { c.list.selectRow (rowOf (c, text)); }
};

namespace
{
using C = PresetsCardTestAccess;

class PresetsCardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QV::gActive = &QV::kLight;
        processor = std::make_unique<QuorvaneAudioProcessor>();
        card = std::make_unique<PresetsCard> (*processor, folder());
        card->setSize (674, 330);
        card->onMessage = [this] (const juce::String& text) { messages.add (text); };
    }
    void TearDown() override
    {
        card.reset();
        processor.reset();
    }

    juce::File folder() const { return temp.get().getChildFile ("presets"); }

    float raw (const char* id) const { return processor->paramValue (id); }
    void setRaw (const char* id, float value)
    {
        auto* parameter = processor->parameters.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    }

    float savedHeat (const juce::String& name) const
    {
        Presets::PresetValues values;
        EXPECT_TRUE (Presets::readFile (UserPresets::fileFor (folder(), name), values).wasOk());
        return values.parameters[(size_t) paramIndex ("heat")];
    }

    TempFolder temp;
    std::unique_ptr<QuorvaneAudioProcessor> processor;
    std::unique_ptr<PresetsCard> card;
    juce::StringArray messages;
};
} // namespace

TEST_F (PresetsCardTest, ListsFactoryPresetsBySectionThenTheUsersPresets)
{
    bool exists = false;
    ASSERT_TRUE (UserPresets::save (*processor, folder(), "zebra", false, exists).wasOk());
    ASSERT_TRUE (UserPresets::save (*processor, folder(), "Apple", false, exists).wasOk());
    folder().getChildFile ("notes.txt").replaceWithText ("not a preset");
    card->refreshList();

    // Expected from the factory table, built here without the card's code: a heading wherever
    // the section changes.
    juce::StringArray expected;
    juce::String section;
    for (int i = 0; i < FactoryPresets::count(); ++i)
    {
        const auto heading = FactoryPresets::section (FactoryPresets::at (i));
        if (heading != section)
            expected.add ("# " + heading);
        section = heading;
        expected.add (FactoryPresets::at (i).name);
    }
    expected.addArray ({ "# User", "Apple", "zebra" });
    EXPECT_EQ (C::rowTexts (*card), expected);
    EXPECT_TRUE (expected.contains ("# Spectral") && expected.contains ("# Math"));

    // A heading cannot be selected or loaded.
    C::list (*card).selectRow (0);
    EXPECT_EQ (C::list (*card).getSelectedRow(), -1);
    EXPECT_FALSE (C::load (*card).isEnabled());
}

TEST_F (PresetsCardTest, LoadingSetsTheSoundAndTheStatusMarksLaterChanges)
{
    EXPECT_EQ (card->getStatusText(), "Preset: none");
    C::select (*card, "Crushed Robot");
    EXPECT_TRUE (C::load (*card).isEnabled());
    EXPECT_FALSE (C::remove (*card).isEnabled()); // factory presets stay
    C::load (*card).onClick();

    EXPECT_EQ (raw ("mode"), 2.0f); // Distorted Vocoder
    EXPECT_EQ (raw ("vocDrive"), 100.0f);
    EXPECT_EQ (card->getStatusText(), "Preset: Crushed Robot");
    EXPECT_EQ (messages.joinIntoString ("|"), "Loaded preset Crushed Robot");

    setRaw ("heat", 10.0f);
    C::poll (*card);
    EXPECT_EQ (card->getStatusText(), "Preset: Crushed Robot *");
    setRaw ("heat", 0.0f); // back to the preset's value: nothing differs any more
    C::poll (*card);
    EXPECT_EQ (card->getStatusText(), "Preset: Crushed Robot");
    processor->setStepValue (1, 0, 0.5f);
    C::poll (*card);
    EXPECT_EQ (card->getStatusText(), "Preset: Crushed Robot *");
}

TEST_F (PresetsCardTest, SaveAsAsksBeforeReplacingAndDeleteAsksBeforeRemoving)
{
    setRaw ("heat", 30.0f);
    C::name (*card).setText ("drums/bass");
    C::save (*card).onClick();
    const auto file = UserPresets::fileFor (folder(), "drums-bass");
    ASSERT_TRUE (file.existsAsFile());
    EXPECT_GE (C::rowOf (*card, "drums-bass"), 0);
    EXPECT_EQ (card->getStatusText(), "Preset: drums-bass");

    setRaw ("heat", 90.0f);
    C::save (*card).onClick(); // the name exists: asks
    EXPECT_TRUE (messages[messages.size() - 1].contains ("exists"));
    EXPECT_EQ (savedHeat ("drums-bass"), 30.0f);
    C::save (*card).onClick(); // asked and answered: replaces
    EXPECT_EQ (savedHeat ("drums-bass"), 90.0f);

    C::select (*card, "drums-bass");
    EXPECT_TRUE (C::remove (*card).isEnabled());
    C::remove (*card).onClick(); // asks
    EXPECT_TRUE (file.existsAsFile());
    C::remove (*card).onClick();
    EXPECT_FALSE (file.exists());
    EXPECT_EQ (C::rowOf (*card, "drums-bass"), -1);
    EXPECT_FALSE (C::rowTexts (*card).contains ("# User"));
}

TEST_F (PresetsCardTest, AnUnreadableUserPresetSaysSoAndChangesNothing)
{
    folder().createDirectory();
    UserPresets::fileFor (folder(), "broken").replaceWithText ("<Quorvane><PARAM id=\"heat\" value=\"5\"/>");
    card->refreshList();
    setRaw ("heat", 40.0f);
    const auto before = Presets::capture (*processor);

    C::select (*card, "broken");
    C::load (*card).onClick();
    EXPECT_TRUE (Presets::capture (*processor) == before);
    ASSERT_EQ (messages.size(), 1);
    EXPECT_TRUE (messages[0].contains ("is not a Quorvane preset")) << messages[0];
    EXPECT_EQ (card->getStatusText(), "Preset: none");
}

TEST_F (BlendPageTest, PresetsCardFillsTheAreaBelowTheSettingsPanel)
{
    page->setSettingsViewOpen (true);
    auto& view = A::settingsView (*page);
    auto& card = A::presetsCard (*page);
    EXPECT_EQ (card.getParentComponent(), &view);
    EXPECT_TRUE (card.isVisible() && view.isVisible());
    // Below the 117-high settings panel, across the view, down to its bottom.
    EXPECT_GT (card.getY(), 117);
    EXPECT_EQ (card.getWidth(), view.getWidth());
    EXPECT_EQ (card.getBottom(), view.getHeight());

    // Loading from the card reaches the page's message bar and its step view.
    C::select (card, "Rhythmic Gate");
    C::load (card).onClick();
    EXPECT_EQ (page->getMessageText(), "Loaded preset Rhythmic Gate");
    EXPECT_EQ (processor->getStepValue (0, 1), -1.0f);
}

TEST_F (EditorTest, PresetsLoadInThePluginAndTheStandaloneEditor)
{
    for (const bool standalone : { false, true })
    {
        SCOPED_TRACE (standalone ? "standalone" : "plug-in");
        open (standalone);
        auto& page = editor->getBlendPage();
        page.setSettingsViewOpen (true);
        auto& card = BlendComponentTestAccess::presetsCard (page);
        EXPECT_TRUE (card.isVisible());

        C::select (card, "Tremolo Pump");
        C::load (card).onClick();
        EXPECT_EQ (processor->paramValue ("mode"), 8.0f); // Amplitude Modulation (AM)
        EXPECT_EQ (processor->paramValue ("amLFORate"), 4.0f);
        EXPECT_EQ (page.getMessageText(), "Loaded preset Tremolo Pump");
    }
}
