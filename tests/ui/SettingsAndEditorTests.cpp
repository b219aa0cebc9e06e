#include "EditorTestSupport.h"
#include "ui/PluginEditor.h"

#include <thread>

struct SettingsViewTestAccess
{
    static juce::TextButton& themeButton (SettingsViewComponent& v) { return v.themeButton; }
    static juce::HyperlinkButton& manualLink (SettingsViewComponent& v) { return v.manualLink; }
    static juce::Rectangle<int> panel (SettingsViewComponent& v) { return v.settingsPanel; }
    static void clickManualLink (SettingsViewComponent& v) { v.manualLink.clicked(); }
    // One tick of the launch's polling timer (also after it has stopped, which must change
    // nothing); false once the launch has been settled.
    static bool pollLaunch (SettingsViewComponent& v)
    {
        v.timerCallback();
        return v.isTimerRunning();
    }
};

TEST_F (BlendPageTest, SettingsViewHidesTheDialCardsAndRestoresTheModesDials)
{
    selectMode (7); // FM: five dials
    std::vector<std::pair<int, juce::Rectangle<int>>> fmDials;
    for (int d = 0; d < kNumModeDials; ++d)
        if (A::dial (*page, d).isVisible())
            fmDials.push_back ({ d, A::dial (*page, d).getBounds() });
    ASSERT_EQ (fmDials.size(), 5u);

    A::gear (*page).onClick();
    EXPECT_TRUE (page->isSettingsViewOpen());
    EXPECT_TRUE (A::settingsView (*page).isVisible());
    for (int d = 0; d < kNumBlendDials; ++d)
    {
        EXPECT_FALSE (A::dial (*page, d).isVisible()) << kBlendDials[d].paramId;
        EXPECT_FALSE (A::caption (*page, d).isVisible()) << kBlendDials[d].paramId;
    }
    for (juce::Component* c : std::initializer_list<juce::Component*> {
             &A::meter (*page, 0), &A::meterCaption (*page, 2), &A::stepView (*page), &A::onButton (*page),
             &A::bars (*page), &A::smoothing (*page), &A::target (*page), &A::modButton (*page, 1) })
        EXPECT_FALSE (c->isVisible());
    for (juce::Component* c : std::initializer_list<juce::Component*> {
             &A::modeSelector (*page), &A::randomize (*page), &A::all (*page), &A::gear (*page), &A::messageBar (*page),
             &A::direction (*page) })
        EXPECT_TRUE (c->isVisible());

    // A mode change under the settings view keeps the dials hidden but still follows the toggle rule.
    selectMode (16); // Add hides the toggle
    EXPECT_FALSE (A::direction (*page).isVisible());
    EXPECT_FALSE (A::dial (*page, blendDialIndexFor ("mathBalance")).isVisible());
    selectMode (7);

    A::gear (*page).onClick();
    EXPECT_FALSE (page->isSettingsViewOpen());
    EXPECT_FALSE (A::settingsView (*page).isVisible());
    for (const auto& [d, bounds] : fmDials)
    {
        EXPECT_TRUE (A::dial (*page, d).isVisible());
        EXPECT_EQ (A::dial (*page, d).getBounds(), bounds) << kBlendDials[d].paramId;
    }
    EXPECT_TRUE (A::dial (*page, BlendDial::morph).isVisible());
    EXPECT_TRUE (A::meter (*page, 0).isVisible());

    page->setSettingsViewOpen (false); // already closed: nothing happens
    EXPECT_FALSE (A::settingsView (*page).isVisible());
}

TEST_F (BlendPageTest, RandomizeUnderTheSettingsViewLeavesTheDials)
{
    page->setSettingsViewOpen (true);
    const float attack = raw ("vocAttack"), tilt = raw ("mathTilt"), depth = raw ("fmDepth");
    for (int n = 0; n < 20; ++n)
        A::randomize (*page).onClick();
    EXPECT_EQ (raw ("vocAttack"), attack);
    EXPECT_EQ (raw ("mathTilt"), tilt);
    EXPECT_EQ (raw ("fmDepth"), depth);
}

TEST_F (BlendPageTest, SettingsPanelCoversTheBlendCardHeightAndLaysOutItsWidgets)
{
    auto& view = A::settingsView (*page);
    EXPECT_EQ (SettingsViewTestAccess::panel (view), juce::Rectangle<int> (0, 0, 674, 117));
    EXPECT_EQ (SettingsViewTestAccess::themeButton (view).getBounds(), juce::Rectangle<int> (80, 34, 70, 22));
    EXPECT_EQ (SettingsViewTestAccess::manualLink (view).getBounds(), juce::Rectangle<int> (80, 66, 574, 22));

    // The link shows and opens the address of the rendered manual that ships with the program
    // (here the build tree's copy).
    const auto& link = SettingsViewTestAccess::manualLink (view);
    const auto url = link.getURL();
    ASSERT_TRUE (url.isLocalFile()) << url.toString (false);
    EXPECT_TRUE (url.getLocalFile().existsAsFile());
    EXPECT_TRUE (url.toString (false).endsWith ("/manual/manual.html")) << url.toString (false);
    EXPECT_EQ (link.getButtonText(), "file://" + url.getLocalFile().getFullPathName());

    // What the view has to tell goes to the page's message bar and stays up.
    view.onMessage ("The manual is somewhere");
    EXPECT_EQ (page->getMessageText(), "The manual is somewhere");
    EXPECT_EQ (page->getMessageTicks(), 0);
}

// The manual link starts the desktop's opener with the manual's path. When the opener is missing
// or finds no browser, the message bar says where the manual is; when it starts one, nothing is said.
TEST (SettingsViewManualLink, SaysWhereTheManualIsWhenNoBrowserStarts)
{
    TempFolder temp;
    // An opener that records its argument beside itself and exits with the given status.
    const auto opener = [&] (const char* name, int status) {
        const auto script = temp.get().getChildFile (name);
        script.replaceWithText ("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.args\"\nexit " + juce::String (status) + "\n",
                                false, false, "\n");
        script.setExecutePermission (true);
        return script.getFullPathName();
    };
    struct Case
    {
        const char* what;
        juce::String program;
        bool saysWhereTheManualIs;
    };
    const Case cases[] = {
        { "no opener installed", temp.get().getChildFile ("missing-opener").getFullPathName(), true },
        { "the opener finds no browser", opener ("failing-opener", 3), true },
        { "the opener starts a browser", opener ("working-opener", 0), false },
    };

    const auto manualPath = SettingsViewComponent::findManualUrl().getLocalFile().getFullPathName();
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        SettingsViewComponent view (c.program);
        juce::StringArray messages;
        view.onMessage = [&] (const juce::String& text) { messages.add (text); };

        SettingsViewTestAccess::clickManualLink (view);
        bool pending = true;
        for (int tick = 0; tick < 1000 && pending; ++tick) // the openers exit at once; 10 s at most
        {
            std::this_thread::sleep_for (std::chrono::milliseconds (10));
            pending = SettingsViewTestAccess::pollLaunch (view);
        }
        ASSERT_FALSE (pending);

        if (c.saysWhereTheManualIs)
            EXPECT_EQ (messages.joinIntoString ("|"), "No web browser could be started. The manual is at " + manualPath);
        else
            EXPECT_TRUE (messages.isEmpty()) << messages.joinIntoString ("\n");

        // Every opener that ran was handed the manual's path.
        const auto arguments = juce::File (c.program + ".args");
        EXPECT_EQ (arguments.existsAsFile(), juce::File (c.program).existsAsFile());
        if (arguments.existsAsFile())
            EXPECT_EQ (arguments.loadFileAsString(), manualPath);
    }
}

TEST_F (BlendPageTest, ThemeButtonNamesTheThemeInForceAndAsksForTheOther)
{
    auto& view = A::settingsView (*page);
    auto& button = SettingsViewTestAccess::themeButton (view);
    EXPECT_EQ (button.getButtonText(), "Light");

    button.onClick(); // no hook yet: nothing happens
    EXPECT_EQ (QV::gActive, &QV::kLight);

    int requests = 0;
    page->onThemeToggle = [&] {
        ++requests;
        QV::gActive = &QV::kDark;
        page->applyColourScheme();
    };
    button.onClick();
    EXPECT_EQ (requests, 1);
    EXPECT_EQ (button.getButtonText(), "Dark");
    EXPECT_EQ (SettingsViewTestAccess::manualLink (view).findColour (juce::HyperlinkButton::textColourId),
               QV::kDark.accent);
}

TEST_F (BlendPageTest, ColourSchemeSetsTheSelectorButtonsOnColours)
{
    QV::gActive = &QV::kDark;
    page->applyColourScheme();
    auto& button = A::modButton (*page, 0);
    EXPECT_EQ (button.findColour (juce::TextButton::buttonOnColourId), QV::kDark.accent);
    EXPECT_EQ (button.findColour (juce::TextButton::textColourOnId), QV::kDark.accent.contrasting (0.8f));
    EXPECT_EQ (A::modeSelector (*page).findColour (juce::ComboBox::backgroundColourId), QV::kDark.control);
    EXPECT_EQ (A::bars (*page).findColour (juce::ComboBox::outlineColourId), QV::kDark.outline);
    // A message on the bar follows the theme.
    EXPECT_EQ (page->getMessageColour(), QV::kDark.text);
}

TEST (PluginEditorShell, ShowsTheBlendPageScaledToTheWindowAndFlipsTheTheme)
{
    QV::gActive = &QV::kLight;
    QuorvaneAudioProcessor processor;
    std::unique_ptr<juce::AudioProcessorEditor> owner (processor.createEditor());
    auto* editor = dynamic_cast<QuorvanePluginEditor*> (owner.get());
    ASSERT_NE (editor, nullptr);
    EXPECT_EQ (editor->getWidth(), 720);
    EXPECT_EQ (editor->getHeight(), 572);

    auto& page = editor->getBlendPage();
    EXPECT_EQ (page.getBounds(), juce::Rectangle<int> (0, 0, 720, 572));
    editor->setSize (1440, 1144);
    EXPECT_TRUE (page.getTransform() == juce::AffineTransform::scale (2.0f));
    editor->setSize (1000, 572); // wider than the aspect: the height decides
    EXPECT_TRUE (page.getTransform() == juce::AffineTransform::scale (1.0f));

    ASSERT_TRUE (page.onThemeToggle != nullptr);
    page.onThemeToggle();
    EXPECT_EQ (QV::gActive, &QV::kDark);
    EXPECT_EQ (editor->getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId), QV::kDark.background);
    page.onThemeToggle();
    EXPECT_EQ (QV::gActive, &QV::kLight);

    ASSERT_TRUE (processor.onInfoMessage != nullptr);
    processor.onInfoMessage ("From the processor");
    EXPECT_EQ (page.getMessageText(), "From the processor");
    EXPECT_EQ (page.getMessageTicks(), 60);

    owner.reset();
    EXPECT_TRUE (processor.onInfoMessage == nullptr);
    EXPECT_TRUE (processor.onStateRestored == nullptr);
}
