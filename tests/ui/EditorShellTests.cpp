#include "EditorTestSupport.h"

#include <thread>
#include <vector>

namespace
{
template <typename T>
bool hasChildOfType (juce::Component& parent)
{
    for (auto* child : parent.getChildren())
        if (dynamic_cast<T*> (child) != nullptr)
            return true;
    return false;
}
} // namespace

// ---- Presentation ---------------------------------------------------------------------------

TEST_F (EditorTest, PresentationFollowsThePreviewVariableAndTheWrapper)
{
    struct Case
    {
        std::optional<std::string> variable;
        bool standaloneWrapper;
        Presentation expected;
    };
    const Case cases[] = {
        { std::nullopt, false, Presentation::Plugin },
        { "", false, Presentation::Plugin },
        { "0", false, Presentation::Phone }, // any non-empty value, whatever it says
        { "off", false, Presentation::Phone },
        { "1", false, Presentation::Phone },
        { "yes", false, Presentation::Phone },
        { "iphone", false, Presentation::Phone },
        { std::nullopt, true, Presentation::Standalone },
        { "", true, Presentation::Standalone },
        { "0", true, Presentation::Phone },
        { "1", true, Presentation::Phone },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE ((c.variable.has_value() ? "'" + *c.variable + "'" : std::string ("unset"))
                      + (c.standaloneWrapper ? " standalone" : " plug-in"));
        open (c.standaloneWrapper, c.variable);
        EXPECT_EQ (editor->getPresentation(), c.expected);
        EXPECT_EQ (editor->isPhonePreview(), c.expected == Presentation::Phone);
    }
}

TEST_F (EditorTest, EachPresentationShowsItsOwnPagesAndWiresOnlyWhatItShows)
{
    auto page = [this]() -> BlendComponent& { return editor->getBlendPage(); };

    open (false);
    EXPECT_EQ (page().getParentComponent(), editor.get());
    EXPECT_TRUE (page().isVisible());
    EXPECT_TRUE (A::trackLabel (*editor).isVisible());
    EXPECT_FALSE (A::playButton (*editor).isVisible());
    EXPECT_FALSE (A::loopToggle (*editor).isVisible());
    EXPECT_EQ (editor->getTabs().getParentComponent(), nullptr);
    EXPECT_EQ (editor->getPhoneLayout().getParentComponent(), nullptr);
    // The label stays readable in front of the page, which paints its whole area.
    EXPECT_GT (editor->getIndexOfChildComponent (&A::trackLabel (*editor)), editor->getIndexOfChildComponent (&page()));
    EXPECT_EQ (editor->getAudio1Page().getFileNameText(), "Live input from host track");
    EXPECT_EQ (page().getMessageText(), "Connect sidechain input for Audio 2");
    EXPECT_EQ (page().getMessageTicks(), 60);
    EXPECT_TRUE (processor->onInfoMessage != nullptr);
    EXPECT_TRUE (processor->onStateRestored != nullptr);

    open (true);
    auto& tabs = editor->getTabs();
    EXPECT_EQ (tabs.getParentComponent(), editor.get());
    EXPECT_EQ (tabs.getTabNames(), juce::StringArray ({ "Blend", "Audio 1", "Audio 2" }));
    EXPECT_EQ (tabs.getCurrentTabIndex(), 0);
    EXPECT_EQ (tabs.getCurrentContentComponent(), &page());
    EXPECT_EQ (tabs.getTabContentComponent (1), &editor->getAudio1Page());
    EXPECT_EQ (tabs.getTabContentComponent (2), &editor->getAudio2Page());
    EXPECT_TRUE (A::playButton (*editor).isVisible());
    EXPECT_EQ (A::playButton (*editor).getButtonText(), "Play");
    EXPECT_TRUE (A::loopToggle (*editor).isVisible());
    EXPECT_EQ (A::loopToggle (*editor).getButtonText(), "Loop");
    EXPECT_FALSE (A::trackLabel (*editor).isVisible());
    EXPECT_EQ (page().getMessageTicks(), 0); // no sidechain talk in the standalone application
    EXPECT_TRUE (processor->onInfoMessage != nullptr);

    open (false, "1");
    EXPECT_EQ (editor->getPhoneLayout().getParentComponent(), editor.get());
    EXPECT_TRUE (editor->getPhoneLayout().isVisible());
    EXPECT_EQ (page().getParentComponent(), nullptr);
    EXPECT_EQ (editor->getTabs().getParentComponent(), nullptr);
    EXPECT_EQ (A::playButton (*editor).getParentComponent(), nullptr);
    EXPECT_TRUE (processor->onInfoMessage == nullptr);
    EXPECT_TRUE (processor->onStateRestored == nullptr);
}

TEST_F (EditorTest, StandaloneOpensWithTheDefaultSamplesLoaded)
{
    const auto folder = AudioTabComponent::defaultSamplesFolder();
    ASSERT_TRUE (folder.getChildFile ("Full_Drums_120.wav").existsAsFile()) << folder.getFullPathName();
    ASSERT_TRUE (folder.getChildFile ("Chord Sequence C Minor_120.wav").existsAsFile());

    open (true);
    EXPECT_EQ (editor->getAudio1Page().getFileNameText(), "Full_Drums_120");
    EXPECT_EQ (editor->getAudio2Page().getFileNameText(), "Chord Sequence C Minor_120");
    EXPECT_EQ (processor->getAudio1Length(), editor->getAudio1Page().getLoadedAudio().getNumSamples());
    EXPECT_EQ (processor->getAudio2Length(), editor->getAudio2Page().getLoadedAudio().getNumSamples());
    EXPECT_GT (processor->getAudio1Length(), 0);
    EXPECT_GT (processor->getAudio2Length(), 0);
    EXPECT_TRUE (editor->getAudio1Page().getWaveformView().hasSource());
    EXPECT_EQ (processor->playMode.load(), QuorvaneAudioProcessor::Stopped);

    // The plug-in never loads files: its pages show the live input.
    open (false);
    EXPECT_EQ (processor->getAudio1Length(), 0);
    EXPECT_EQ (processor->getAudio2Length(), 0);
}

// ---- Window size, limits and scaling --------------------------------------------------------

TEST_F (EditorTest, ResizeLimitsAndAspectRatioPerPresentation)
{
    struct Case
    {
        bool standaloneWrapper;
        std::optional<std::string> variable;
        int width, height, minW, minH, maxW, maxH;
        bool corner;
    };
    // Minimums are 0.8 (plug-in) or 0.75 (standalone) of the logical size, truncated; maximums
    // 1800 wide and 2.5 times the height; the phone preview runs from 1x to 3x.
    const Case cases[] = {
        { false, std::nullopt, 720, 572, 576, 457, 1800, 1430, false },
        { true, std::nullopt, 720, 638, 540, 478, 1800, 1595, true },
        { false, "1", 800, 360, 800, 360, 2400, 1080, true },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.width) + "x" + juce::String (c.height));
        open (c.standaloneWrapper, c.variable);
        EXPECT_EQ (editor->getWidth(), c.width);
        EXPECT_EQ (editor->getHeight(), c.height);
        EXPECT_TRUE (editor->isResizable());
        EXPECT_EQ (hasChildOfType<juce::ResizableCornerComponent> (*editor), c.corner);

        auto* constrainer = editor->getConstrainer();
        ASSERT_NE (constrainer, nullptr);
        EXPECT_EQ (constrainer->getMinimumWidth(), c.minW);
        EXPECT_EQ (constrainer->getMinimumHeight(), c.minH);
        EXPECT_EQ (constrainer->getMaximumWidth(), c.maxW);
        EXPECT_EQ (constrainer->getMaximumHeight(), c.maxH);
        EXPECT_DOUBLE_EQ (constrainer->getFixedAspectRatio(), (double) c.width / (double) c.height);

        // Dragging the corner far out or far in stays inside the limits at the fixed ratio.
        const juce::Rectangle<int> screen (0, 0, 10000, 10000);
        for (const auto wanted : { juce::Rectangle<int> (0, 0, 5000, 3000), juce::Rectangle<int> (0, 0, 100, 90) })
        {
            auto bounds = wanted;
            constrainer->checkBounds (bounds, editor->getBounds(), screen, false, false, true, true);
            EXPECT_GE (bounds.getWidth(), c.minW);
            EXPECT_LE (bounds.getWidth(), c.maxW);
            EXPECT_GE (bounds.getHeight(), c.minH);
            EXPECT_LE (bounds.getHeight(), c.maxH);
            EXPECT_NEAR ((double) bounds.getWidth() / bounds.getHeight(), (double) c.width / c.height, 0.01);
        }
    }
}

TEST_F (EditorTest, ContentIsLaidOutAtTheLogicalSizeAndScaledUniformly)
{
    using Rect = juce::Rectangle<int>;
    const auto scale2 = juce::AffineTransform::scale (2.0f);

    open (false);
    editor->setSize (1440, 1144);
    EXPECT_EQ (editor->getBlendPage().getBounds(), Rect (0, 0, 720, 572));
    EXPECT_TRUE (editor->getBlendPage().getTransform() == scale2);
    EXPECT_EQ (A::trackLabel (*editor).getBounds(), Rect (492, 0, 220, 14));
    EXPECT_TRUE (A::trackLabel (*editor).getTransform() == scale2);
    // Hidden transport widgets are placed and scaled too.
    EXPECT_EQ (A::playButton (*editor).getBounds(), Rect (8, 4, 70, 28));
    EXPECT_TRUE (A::loopToggle (*editor).getTransform() == scale2);
    // The page covers the window exactly.
    EXPECT_EQ (editor->getLocalArea (&editor->getBlendPage(), editor->getBlendPage().getLocalBounds()),
               Rect (0, 0, 1440, 1144));

    // The smaller of the two ratios decides, so nothing is cut off.
    editor->setSize (1440, 858);
    EXPECT_TRUE (editor->getBlendPage().getTransform() == juce::AffineTransform::scale (1.5f));

    open (true);
    editor->setSize (1440, 1276);
    EXPECT_EQ (A::playButton (*editor).getBounds(), Rect (8, 4, 70, 28));
    EXPECT_EQ (A::loopToggle (*editor).getBounds(), Rect (86, 4, 60, 28));
    EXPECT_EQ (editor->getTabs().getBounds(), Rect (0, 36, 720, 602));
    for (juce::Component* c : { static_cast<juce::Component*> (&A::playButton (*editor)),
                                static_cast<juce::Component*> (&A::loopToggle (*editor)),
                                static_cast<juce::Component*> (&editor->getTabs()) })
        EXPECT_TRUE (c->getTransform() == scale2) << c->getName();
    EXPECT_EQ (editor->getLocalArea (&editor->getTabs(), editor->getTabs().getLocalBounds()), Rect (0, 72, 1440, 1204));

    open (false, "1");
    editor->setSize (1600, 720);
    EXPECT_EQ (editor->getPhoneLayout().getBounds(), Rect (0, 0, 800, 360));
    EXPECT_TRUE (editor->getPhoneLayout().getTransform() == scale2);
}

// ---- Theme and hooks ------------------------------------------------------------------------

TEST_F (EditorTest, ThemeColoursReachTheLookAndFeelAndFollowARestoredState)
{
    open (false);
    auto& lf = editor->getLookAndFeel();
    EXPECT_EQ (&lf, static_cast<juce::LookAndFeel*> (dynamic_cast<QuorvanePluginEditor::PluginLookAndFeel*> (&lf)));
    EXPECT_EQ (lf.findColour (juce::ResizableWindow::backgroundColourId), QV::kLight.background);

    // A restored state brings its theme along; the hook reapplies it.
    QV::gActive = &QV::kDark;
    processor->onStateRestored();
    const struct
    {
        int id;
        juce::Colour colour;
    } expected[] = {
        { juce::ResizableWindow::backgroundColourId, QV::kDark.background },
        { juce::Label::textColourId, QV::kDark.text },
        { juce::ToggleButton::textColourId, QV::kDark.text },
        { juce::TextButton::buttonOnColourId, QV::kDark.control },
        { juce::ComboBox::outlineColourId, QV::kDark.outline },
        { juce::PopupMenu::backgroundColourId, QV::kDark.panel },
        { juce::PopupMenu::headerTextColourId, QV::kDark.heading },
        { juce::PopupMenu::highlightedBackgroundColourId, QV::kDark.accent },
        { juce::PopupMenu::highlightedTextColourId, QV::kDark.accent.contrasting (0.8f) },
    };
    for (const auto& e : expected)
        EXPECT_EQ (lf.findColour (e.id), e.colour) << juce::String::toHexString (e.id);
    // Colours the palette does not name come from the framework's dark scheme.
    EXPECT_EQ (lf.findColour (juce::TextEditor::backgroundColourId),
               juce::LookAndFeel_V4 (juce::LookAndFeel_V4::getDarkColourScheme())
                   .findColour (juce::TextEditor::backgroundColourId));

    // Every text is plain 14.
    juce::TextButton button;
    juce::Label label;
    for (const auto& font : { lf.getTextButtonFont (button, 30), lf.getLabelFont (label), lf.getPopupMenuFont() })
    {
        EXPECT_FLOAT_EQ (font.getHeight(), 14.0f);
        EXPECT_FALSE (font.isBold());
    }
}

// Hosts restore state from worker threads. The parameters and steps are restored there and
// then; the theme and the editor are touched only on the message thread, afterwards.
TEST_F (EditorTest, StateRestoredOnAnotherThreadReachesTheEditorOnTheMessageThread)
{
    open (false);
    processor->setStepValue (0, 3, 0.75f);
    juce::MemoryBlock dark;
    QV::gActive = &QV::kDark;
    processor->getStateInformation (dark);
    QV::gActive = &QV::kLight;
    processor->setStepValue (0, 3, -0.5f);
    editor->getBlendPage().refreshStepSequencerFromProcessor();
    auto& lf = editor->getLookAndFeel();
    ASSERT_EQ (lf.findColour (juce::ResizableWindow::backgroundColourId), QV::kLight.background);

    std::thread host ([&] { processor->setStateInformation (dark.getData(), (int) dark.getSize()); });
    host.join();
    EXPECT_EQ (processor->getStepValue (0, 3), 0.75f) << "the restore itself is synchronous";
    EXPECT_EQ (QV::gActive, &QV::kLight) << "the theme must wait for the message thread";
    EXPECT_EQ (lf.findColour (juce::ResizableWindow::backgroundColourId), QV::kLight.background);

    dispatchPendingMessages();
    EXPECT_EQ (QV::gActive, &QV::kDark);
    EXPECT_EQ (lf.findColour (juce::ResizableWindow::backgroundColourId), QV::kDark.background);
    EXPECT_EQ (BlendComponentTestAccess::stepView (editor->getBlendPage()).getStepValue (3), 0.75f);

    // A restore posted just before the processor goes away finds nothing to call.
    std::thread late ([&] { processor->setStateInformation (dark.getData(), (int) dark.getSize()); });
    late.join();
    editor.reset();
    processor.reset();
    dispatchPendingMessages();
}

TEST_F (EditorTest, PhonePreviewThemeButtonFlipsThePaletteAndItsOwnText)
{
    open (false, "1");
    auto& phone = editor->getPhoneLayout();
    auto* themeButton = findButton (phone, "Dark");
    ASSERT_NE (themeButton, nullptr);

    click (themeButton);
    EXPECT_EQ (QV::gActive, &QV::kDark);
    EXPECT_EQ (themeButton->getButtonText(), "Light");
    EXPECT_EQ (editor->getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId), QV::kDark.background);

    click (themeButton);
    EXPECT_EQ (QV::gActive, &QV::kLight);
    EXPECT_EQ (themeButton->getButtonText(), "Dark");
}

TEST_F (EditorTest, ClosingTheEditorClearsTheProcessorHooks)
{
    for (const bool standalone : { false, true })
    {
        open (standalone);
        ASSERT_TRUE (processor->onInfoMessage != nullptr);
        processor->onInfoMessage ("From the processor");
        EXPECT_EQ (editor->getBlendPage().getMessageText(), "From the processor");
        editor.reset();
        EXPECT_TRUE (processor->onInfoMessage == nullptr);
        EXPECT_TRUE (processor->onStateRestored == nullptr);
    }
}

// ---- Transport and audio pages --------------------------------------------------------------

TEST_F (EditorTest, PlayButtonTogglesTheBlendAndTakesOverFromASingleSource)
{
    open (true);
    auto& play = A::playButton (*editor);
    processor->playPosition.store (1234);

    click (&play);
    EXPECT_EQ (processor->playMode.load(), QuorvaneAudioProcessor::PlayBlend);
    EXPECT_EQ (processor->playPosition.load(), 0); // a new mode starts from the beginning
    EXPECT_EQ (play.getButtonText(), "Stop");

    click (&play);
    EXPECT_EQ (processor->playMode.load(), QuorvaneAudioProcessor::Stopped);
    EXPECT_EQ (play.getButtonText(), "Play");

    // A page's own Play plays that source alone; the transport then offers Play for the blend.
    for (auto [page, mode] : { std::pair { &editor->getAudio1Page(), QuorvaneAudioProcessor::PlayAudio1 },
                               std::pair { &editor->getAudio2Page(), QuorvaneAudioProcessor::PlayAudio2 } })
    {
        click (&play);
        ASSERT_TRUE (page->onPlayPressed != nullptr);
        page->onPlayPressed();
        EXPECT_EQ (processor->playMode.load(), mode);
        EXPECT_EQ (play.getButtonText(), "Play");

        click (&play);
        EXPECT_EQ (processor->playMode.load(), QuorvaneAudioProcessor::PlayBlend);
        EXPECT_EQ (play.getButtonText(), "Stop");

        ASSERT_TRUE (page->onStopPressed != nullptr);
        page->onStopPressed();
        EXPECT_EQ (processor->playMode.load(), QuorvaneAudioProcessor::Stopped);
    }
}

TEST_F (EditorTest, LoopToggleStartsFromAndWritesTheProcessorsLoopFlag)
{
    open (true);
    auto& loop = A::loopToggle (*editor);
    EXPECT_TRUE (loop.getToggleState());

    loop.setToggleState (false, juce::dontSendNotification);
    click (&loop);
    EXPECT_FALSE (processor->loopEnabled.load());

    openEditorOnly();
    EXPECT_FALSE (A::loopToggle (*editor).getToggleState());
    A::loopToggle (*editor).setToggleState (true, juce::dontSendNotification);
    click (&A::loopToggle (*editor));
    EXPECT_TRUE (processor->loopEnabled.load());
}

TEST_F (EditorTest, LoadedFilesGoToTheMatchingSource)
{
    open (true);
    auto one = silence (321);
    auto two = silence (4321);
    one.setSample (0, 10, 0.5f);

    ASSERT_TRUE (editor->getAudio1Page().onBufferLoaded != nullptr);
    editor->getAudio1Page().onBufferLoaded (one, 32000.0);
    editor->getAudio2Page().onBufferLoaded (two, 32000.0);
    EXPECT_EQ (processor->getAudio1Length(), 321);
    EXPECT_EQ (processor->getAudio2Length(), 4321);
    EXPECT_DOUBLE_EQ (processor->getCurrentSampleRate(), 32000.0);
}
