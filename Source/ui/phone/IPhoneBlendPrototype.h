#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "ui/BlendLookAndFeels.h"

#include <array>
#include <functional>

// A landscape mock-up of the Blend page for a phone screen, 800 x 360, with a header row and
// two tabs (BLEND and MOD). It is a picture to judge the layout by: it knows no processor and
// its controls move but change nothing. Only the theme button and the two tabs act.
class IPhoneBlendPrototype : public juce::Component
{
public:
    enum class Tab
    {
        Blend = 0,
        Mod = 1
    };

    // The rectangles of the cards, written by the layout and drawn by paint.
    struct Cards
    {
        juce::Rectangle<int> header, blend, levels, tone, mix, info, modulator, stepStrip;
    };

    // The Blend page's flat dial, except that a dial too small for a body still shows its rim
    // (see PanelDrawing::EmptyDial).
    class FlatDotLookAndFeel : public BlendLookAndFeels::FlatDotLookAndFeel
    {
    public:
        FlatDotLookAndFeel() : BlendLookAndFeels::FlatDotLookAndFeel (PanelDrawing::EmptyDial::drawRim) {}
    };

    IPhoneBlendPrototype();
    ~IPhoneBlendPrototype() override;

    // Fired by the theme button; the editor swaps the palette and calls applyColourScheme.
    std::function<void()> onThemeToggle;

    void applyColourScheme();
    void selectTab (Tab newTab);
    void updateTabVisibility();

    Tab getTab() const noexcept { return tab; }
    const Cards& getCards() const noexcept { return cards; }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    static constexpr int kNumBlendDials = 5;
    static constexpr int kNumMeters = 3;
    static constexpr int kNumToneDials = 3;
    static constexpr int kNumMixDials = 4;

    void layoutHeader (juce::Rectangle<int> r);
    void layoutBlendTab (juce::Rectangle<int> a);
    void layoutModTab (juce::Rectangle<int> a);

    void styleDial (juce::Slider& dial);
    static void styleLabel (juce::Label& label, const juce::String& text);
    void setBlendTabVisible (bool visible);
    void setModTabVisible (bool visible);

    void drawStepStrip (juce::Graphics& g, juce::Rectangle<int> r) const;

    // Declared first so that it outlives every dial that draws with it.
    FlatDotLookAndFeel dialLookAndFeel;

    Tab tab = Tab::Blend;

    // Header
    juce::TextButton previousModeButton { "<" };
    juce::ComboBox modeBox;
    juce::TextButton nextModeButton { ">" };
    juce::TextButton directionButton { "1 > 2" };
    juce::TextButton randomButton { "Random" };
    juce::TextButton themeButton;
    juce::TextButton blendTabButton { "BLEND" };
    juce::TextButton modTabButton { "MOD" };

    // BLEND tab
    std::array<juce::Slider, kNumBlendDials> blendDials;
    std::array<juce::Label, kNumBlendDials> blendCaptions;
    std::array<juce::Slider, kNumMeters> meters;
    std::array<juce::Label, kNumMeters> meterCaptions;
    juce::Slider volumeDial, clipDial;
    juce::Label volumeCaption, clipCaption;
    std::array<juce::Slider, kNumToneDials> toneDials;
    std::array<juce::Label, kNumToneDials> toneCaptions;
    std::array<juce::Slider, kNumMixDials> mixDials;
    std::array<juce::Label, kNumMixDials> mixCaptions;

    juce::Label infoLabel;

    // MOD tab
    juce::TextButton modOnButton { "On" };
    juce::TextButton modPreviousButton { "<" };
    juce::TextButton modClearButton { "Clear" };
    juce::TextButton modNextButton { ">" };
    juce::TextButton modRandomButton { "Random" };
    juce::ComboBox barsBox, divBox;
    juce::Label lengthLabel, barsLabel, divLabel;
    juce::Slider smoothingDial;
    juce::Label smoothingCaption;

    Cards cards;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (IPhoneBlendPrototype)
};
