#include "EditorTestSupport.h"

#include <memory>

// After the theme button is pressed every presentation looks exactly as a fresh start in the
// new theme: the same steps as the snapshot tool, compared pixel for pixel.

namespace
{
using Presentation = QuorvanePluginEditor::Presentation;

struct Shot
{
    const char* name;
    Presentation presentation;
    int tab; // standalone: tab index; phone: 0 BLEND, 1 MOD
};

// The button that switches the theme: the settings view's names the theme in force, the phone
// preview's the theme it switches to.
juce::Button* themeButton (QuorvanePluginEditor& editor)
{
    const bool dark = QV::gActive == &QV::kDark;
    if (editor.isPhonePreview())
        return findButton (editor.getPhoneLayout(), dark ? "Light" : "Dark");
    return findButton (editor.getBlendPage(), dark ? "Dark" : "Light");
}

juce::Image draw (const Shot& shot, const ThemePalette& startTheme, bool flip)
{
    QV::gActive = &startTheme;
    const bool standalone = shot.presentation == Presentation::Standalone;
    auto processor = standalone ? makeStandaloneProcessor() : std::make_unique<QuorvaneAudioProcessor>();
    if (standalone)
        processor->prepareToPlay (44100.0, 512); // an output device runs
    std::unique_ptr<QuorvanePluginEditor> editor;
    {
        const ScopedPreviewVariable variable (shot.presentation == Presentation::Phone
                                                  ? std::optional<std::string> ("1")
                                                  : std::nullopt);
        editor = std::make_unique<QuorvanePluginEditor> (*processor);
    }
    editor->applyTheme();
    const auto logical = editor->getLogicalBounds();
    editor->setSize (logical.getWidth(), logical.getHeight());
    if (standalone)
        editor->getTabs().setCurrentTabIndex (shot.tab);
    if (shot.presentation == Presentation::Phone)
        editor->getPhoneLayout().selectTab (shot.tab == 1 ? IPhoneBlendPrototype::Tab::Mod
                                                          : IPhoneBlendPrototype::Tab::Blend);
    if (flip)
    {
        auto* button = themeButton (*editor);
        EXPECT_NE (button, nullptr);
        if (button != nullptr)
            button->onClick();
    }
    auto image = snapshot (*editor);
    editor.reset();
    processor.reset();
    QV::gActive = &QV::kLight;
    return image;
}

int differingPixels (const juce::Image& a, const juce::Image& b)
{
    if (a.getBounds() != b.getBounds())
        return -1;
    int count = 0;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                ++count;
    return count;
}
} // namespace

TEST (ThemeFlip, EveryPresentationMatchesAFreshStartInTheNewTheme)
{
    const Shot shots[] = {
        { "plug-in", Presentation::Plugin, 0 },
        { "standalone Blend", Presentation::Standalone, 0 },
        { "standalone Audio 1", Presentation::Standalone, 1 },
        { "standalone Audio 2", Presentation::Standalone, 2 },
        { "phone BLEND", Presentation::Phone, 0 },
        { "phone MOD", Presentation::Phone, 1 },
    };
    const std::pair<const ThemePalette*, const ThemePalette*> flips[] = { { &QV::kLight, &QV::kDark },
                                                                          { &QV::kDark, &QV::kLight } };
    for (const auto& shot : shots)
    {
        for (const auto& [from, to] : flips)
        {
            SCOPED_TRACE (juce::String (shot.name) + (to->isDark ? ", light to dark" : ", dark to light"));
            const auto fresh = draw (shot, *to, false);
            const auto flipped = draw (shot, *from, true);
            EXPECT_EQ (differingPixels (flipped, fresh), 0);
            // The two themes do draw differently, so the comparison can see a theme left behind.
            EXPECT_GT (differingPixels (draw (shot, *from, false), fresh), 0);
        }
    }
}
