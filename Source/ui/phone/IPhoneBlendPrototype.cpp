#include "ui/phone/IPhoneBlendPrototype.h"

#include "common/JuceCompat.h"
#include "engine/ModulatorShape.h"
#include "ui/PanelDrawing.h"
#include "ui/RowLayout.h"
#include "ui/ThemePalette.h"

#include <algorithm>
#include <initializer_list>

namespace
{
constexpr const char* kBlendDialNames[] = { "Balance", "Tilt", "Drive", "DC Off", "Rectify" };
constexpr const char* kMeterNames[] = { "A1", "A2", "Out" };
constexpr const char* kToneDialNames[] = { "Low Cut", "Warmth", "Hi Cut" };
constexpr const char* kMixDialNames[] = { "FX", "Sig 1", "Sig 2", "Morph" };

// The card grid of the BLEND tab is 732 wide, the MOD tab's 522; both are centred in the tab
// area when it is wider.
constexpr int kBlendGridWidth = 732;
constexpr int kModGridWidth = 522;
constexpr int kBlendRowHeight = 124;
constexpr int kRowGap = 8;

// The mock-up's cards differ from the Blend page's: the outline on the card's edge, and a
// smaller bold heading in a box further in.
constexpr PanelDrawing::CardStyle kPhoneCard { 0.0f, 13.0f, true, 12, 4, juce::Justification::topLeft };

// The still step strip: sixteen boxes with gaps of 2 and a row of numbers below.
constexpr int kStripGap = 2;
constexpr int kStripNumberHeight = 12;
} // namespace

//==============================================================================
IPhoneBlendPrototype::IPhoneBlendPrototype()
{
    // Header
    modeBox.addItem ("Math: Multiply", 1);
    modeBox.addItem ("Vocoder", 2);
    modeBox.addItem ("Sidechain Comp", 3);
    modeBox.addItem ("FreqSplice", 4);
    modeBox.addItem ("Spectral Gate", 5);
    modeBox.setSelectedId (1, juce::dontSendNotification);

    for (auto* tabButton : { &blendTabButton, &modTabButton })
    {
        tabButton->setClickingTogglesState (true);
        tabButton->setRadioGroupId (1);
    }
    blendTabButton.setToggleState (true, juce::dontSendNotification);
    blendTabButton.onClick = [this] { selectTab (Tab::Blend); };
    modTabButton.onClick = [this] { selectTab (Tab::Mod); };
    themeButton.onClick = [this]
    {
        if (onThemeToggle)
            onThemeToggle();
    };

    for (juce::Component* c : std::initializer_list<juce::Component*> { &previousModeButton, &modeBox,
                                                                         &nextModeButton, &directionButton,
                                                                         &randomButton, &themeButton,
                                                                         &blendTabButton, &modTabButton })
        addAndMakeVisible (c);

    // BLEND tab
    for (int k = 0; k < kNumBlendDials; ++k)
    {
        styleDial (blendDials[(size_t) k]);
        styleLabel (blendCaptions[(size_t) k], kBlendDialNames[k]);
    }
    for (int k = 0; k < kNumMeters; ++k)
    {
        auto& meter = meters[(size_t) k];
        meter.setSliderStyle (juce::Slider::LinearBarVertical);
        meter.setRange (0.0, 1.0);
        meter.setValue (0.4, juce::sendNotificationAsync);
        meter.setTextBoxStyle (juce::Slider::NoTextBox, true, 0, 0);
        styleLabel (meterCaptions[(size_t) k], kMeterNames[k]);
        // The meter captions are only 24 wide: without the label's side margins "Out" fits
        // instead of collapsing into an ellipsis.
        meterCaptions[(size_t) k].setBorderSize (juce::BorderSize<int> (1, 0, 1, 0));
    }
    styleDial (volumeDial);
    styleLabel (volumeCaption, "Vol");
    styleDial (clipDial);
    styleLabel (clipCaption, "Clip");
    for (int k = 0; k < kNumToneDials; ++k)
    {
        styleDial (toneDials[(size_t) k]);
        styleLabel (toneCaptions[(size_t) k], kToneDialNames[k]);
    }
    for (int k = 0; k < kNumMixDials; ++k)
    {
        styleDial (mixDials[(size_t) k]);
        styleLabel (mixCaptions[(size_t) k], kMixDialNames[k]);
    }

    infoLabel.setText ("Mode: Multiply. Multiplies Audio 1 by Audio 2.", juce::dontSendNotification);
    infoLabel.setJustificationType (juce::Justification::centredLeft);
    addAndMakeVisible (infoLabel);

    // MOD tab
    barsBox.addItem ("1", 1);
    barsBox.addItem ("2", 2);
    barsBox.addItem ("4", 3);
    barsBox.setSelectedId (3, juce::dontSendNotification);
    divBox.addItem ("4", 1);
    divBox.addItem ("8", 2);
    divBox.addItem ("16", 3);
    divBox.setSelectedId (3, juce::dontSendNotification);
    styleLabel (lengthLabel, "Length:");
    styleLabel (barsLabel, "Bars");
    styleLabel (divLabel, "Div");
    styleDial (smoothingDial);
    styleLabel (smoothingCaption, "Smoothing");
    smoothingCaption.setJustificationType (juce::Justification::centredRight);

    // Tab widgets start hidden; updateTabVisibility shows the current tab's.
    auto addHidden = [this] (juce::Component& c) { addChildComponent (c); };
    for (auto& s : blendDials) addHidden (s);
    for (auto& l : blendCaptions) addHidden (l);
    for (auto& s : meters) addHidden (s);
    for (auto& l : meterCaptions) addHidden (l);
    for (juce::Component* c : std::initializer_list<juce::Component*> { &volumeDial, &clipDial,
                                                                         &volumeCaption, &clipCaption })
        addHidden (*c);
    for (auto& s : toneDials) addHidden (s);
    for (auto& l : toneCaptions) addHidden (l);
    for (auto& s : mixDials) addHidden (s);
    for (auto& l : mixCaptions) addHidden (l);
    for (juce::Component* c : std::initializer_list<juce::Component*> {
             &modOnButton, &modPreviousButton, &modClearButton, &modNextButton, &modRandomButton, &barsBox,
             &divBox, &lengthLabel, &barsLabel, &divLabel, &smoothingDial, &smoothingCaption })
        addHidden (*c);

    applyColourScheme();
    updateTabVisibility();
    setSize (800, 360);
}

IPhoneBlendPrototype::~IPhoneBlendPrototype()
{
    for (auto& s : blendDials) s.setLookAndFeel (nullptr);
    volumeDial.setLookAndFeel (nullptr);
    clipDial.setLookAndFeel (nullptr);
    for (auto& s : toneDials) s.setLookAndFeel (nullptr);
    for (auto& s : mixDials) s.setLookAndFeel (nullptr);
    smoothingDial.setLookAndFeel (nullptr);
}

void IPhoneBlendPrototype::styleDial (juce::Slider& dial)
{
    dial.setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
    dial.setTextBoxStyle (juce::Slider::NoTextBox, true, 0, 0);
    dial.setRange (0.0, 1.0, 0.0);
    dial.setValue (0.5, juce::sendNotificationAsync);
    dial.setLookAndFeel (&dialLookAndFeel);
}

void IPhoneBlendPrototype::styleLabel (juce::Label& label, const juce::String& text)
{
    label.setText (text, juce::dontSendNotification);
    label.setJustificationType (juce::Justification::centred);
}

//==============================================================================
void IPhoneBlendPrototype::applyColourScheme()
{
    // The button names the theme a click switches to.
    const auto& palette = *QV::gActive;
    themeButton.setButtonText (&palette == &QV::kDark ? "Light" : "Dark");
    // The shown tab's button is lit like the Blend page's modulator selector.
    for (auto* tabButton : { &blendTabButton, &modTabButton })
    {
        tabButton->setColour (juce::TextButton::buttonOnColourId, palette.accent);
        tabButton->setColour (juce::TextButton::textColourOnId, palette.highlightText());
    }
    repaint();
}

void IPhoneBlendPrototype::selectTab (Tab newTab)
{
    if (newTab == tab)
        return;

    tab = newTab;
    // Keeps the tab buttons right when the tab is chosen other than by a click.
    (tab == Tab::Blend ? blendTabButton : modTabButton).setToggleState (true, juce::dontSendNotification);
    updateTabVisibility();
    resized();
    repaint();
}

void IPhoneBlendPrototype::updateTabVisibility()
{
    setBlendTabVisible (tab == Tab::Blend);
    setModTabVisible (tab == Tab::Mod);
}

void IPhoneBlendPrototype::setBlendTabVisible (bool visible)
{
    for (auto& s : blendDials) s.setVisible (visible);
    for (auto& l : blendCaptions) l.setVisible (visible);
    for (auto& s : meters) s.setVisible (visible);
    for (auto& l : meterCaptions) l.setVisible (visible);
    volumeDial.setVisible (visible);
    clipDial.setVisible (visible);
    volumeCaption.setVisible (visible);
    clipCaption.setVisible (visible);
    for (auto& s : toneDials) s.setVisible (visible);
    for (auto& l : toneCaptions) l.setVisible (visible);
    for (auto& s : mixDials) s.setVisible (visible);
    for (auto& l : mixCaptions) l.setVisible (visible);
}

void IPhoneBlendPrototype::setModTabVisible (bool visible)
{
    for (juce::Component* c : std::initializer_list<juce::Component*> {
             &modOnButton, &modPreviousButton, &modClearButton, &modNextButton, &modRandomButton, &barsBox,
             &divBox, &lengthLabel, &barsLabel, &divLabel, &smoothingDial, &smoothingCaption })
        c->setVisible (visible);
}

//==============================================================================
void IPhoneBlendPrototype::resized()
{
    auto area = getLocalBounds().reduced (8);
    cards.header = area.removeFromTop (40);
    layoutHeader (cards.header);
    area.removeFromTop (6);

    if (tab == Tab::Blend)
        layoutBlendTab (area);
    else
        layoutModTab (area);
}

void IPhoneBlendPrototype::layoutHeader (juce::Rectangle<int> r)
{
    juce::Rectangle<int> inner (r.getX() + 10, r.getY() + 8, std::max (r.getWidth() - 20, 0),
                                std::max (r.getHeight() - 16, 0));

    RowLayout::place (inner, RowLayout::From::left,
                      { { &previousModeButton, 24, 2 }, { &modeBox, 170, 2 }, { &nextModeButton, 24, 8 },
                        { &directionButton, 60, 8 }, { &randomButton, 70 } });
    RowLayout::place (inner, RowLayout::From::right,
                      { { &modTabButton, 60 }, { &blendTabButton, 60, 8 }, { &themeButton, 54 } });
}

void IPhoneBlendPrototype::layoutBlendTab (juce::Rectangle<int> a)
{
    const int left = a.getX() + std::max ((a.getWidth() - kBlendGridWidth) / 2, 0);

    // Row 1: the mode's dials and the levels.
    const int y1 = a.getY();
    cards.blend = { left, y1, 512, kBlendRowHeight };
    cards.levels = { left + 520, y1, 212, kBlendRowHeight };
    for (int k = 0; k < kNumBlendDials; ++k)
    {
        blendDials[(size_t) k].setBounds (left + 16 + 100 * k, y1 + 22, 80, 80);
        blendCaptions[(size_t) k].setBounds (left + 6 + 100 * k, y1 + 102, 100, 14);
    }

    const auto& levels = cards.levels;
    const int meterOffsets[kNumMeters] = { 12, 36, 68 };
    for (int k = 0; k < kNumMeters; ++k)
    {
        meters[(size_t) k].setBounds (levels.getX() + meterOffsets[k], levels.getY() + 22, 16, 80);
        meterCaptions[(size_t) k].setBounds (levels.getX() + meterOffsets[k] - 4, levels.getY() + 102, 24, 14);
    }
    const int levelsRight = levels.getX() + 212;
    volumeDial.setBounds (levelsRight - 64, levels.getY() + 8, 40, 40);
    // Captions as tall as a line of the label font and its border, on the line their text
    // always stood, so that no descender is cut.
    volumeCaption.setBounds (levelsRight - 76, levels.getY() + 46, 64, 16);
    clipDial.setBounds (levelsRight - 64, levels.getY() + 60, 40, 40);
    clipCaption.setBounds (levelsRight - 76, levels.getY() + 98, 64, 16);

    // A short area only shortens the advances; the cards keep their height.
    a.removeFromTop (kBlendRowHeight);
    a.removeFromTop (kRowGap);

    // Row 2: tone and mix.
    const int y2 = a.getY();
    cards.tone = { left, y2, 312, kBlendRowHeight };
    cards.mix = { left + 320, y2, 412, kBlendRowHeight };
    for (int k = 0; k < kNumToneDials; ++k)
    {
        toneDials[(size_t) k].setBounds (cards.tone.getX() + 16 + 100 * k, y2 + 22, 80, 80);
        toneCaptions[(size_t) k].setBounds (cards.tone.getX() + 6 + 100 * k, y2 + 102, 100, 14);
    }
    const int mixLeft = cards.mix.getX() + (412 - 100 * kNumMixDials) / 2;
    for (int k = 0; k < kNumMixDials; ++k)
    {
        mixDials[(size_t) k].setBounds (mixLeft + 10 + 100 * k, y2 + 22, 80, 80);
        mixCaptions[(size_t) k].setBounds (mixLeft + 100 * k, y2 + 102, 100, 14);
    }

    a.removeFromTop (kBlendRowHeight);
    a.removeFromTop (kRowGap);

    // Row 3: the info line.
    const int y3 = a.getY();
    cards.info = { left, y3, kBlendGridWidth, 32 };
    infoLabel.setBounds (left + 12, y3 + 6, kBlendGridWidth - 24, 20);
}

void IPhoneBlendPrototype::layoutModTab (juce::Rectangle<int> a)
{
    const int left = a.getX() + std::max ((a.getWidth() - kModGridWidth) / 2, 0);
    const int right = left + kModGridWidth;
    const int y = a.getY();

    cards.modulator = { left, y, kModGridWidth, 188 };
    cards.info = { left, y + 196, kModGridWidth, 32 };
    infoLabel.setBounds (left + 12, y + 202, kModGridWidth - 24, 20);

    RowLayout::placeAt (y + 24, 24,
                        { { &modOnButton, left + 12, 44 }, { &modPreviousButton, left + 74, 24 },
                          { &modClearButton, left + 102, 56 }, { &modNextButton, left + 162, 24 },
                          { &modRandomButton, right - 82, 70 } });

    cards.stepStrip = { left + 12, y + 54, kModGridWidth - 24, 90 };

    RowLayout::placeAt (y + 154, 24,
                        { { &lengthLabel, left + 12, 64 }, { &barsLabel, left + 80, 38 }, { &barsBox, left + 118, 72 },
                          { &divLabel, left + 198, 38 }, { &divBox, left + 236, 72 },
                          { &smoothingCaption, right - 126, 80 } });
    smoothingDial.setBounds (right - 42, y + 150, 30, 30);
}

//==============================================================================
void IPhoneBlendPrototype::paint (juce::Graphics& g)
{
    const ThemePalette& palette = *QV::gActive;
    g.fillAll (palette.background);

    auto card = [&] (juce::Rectangle<int> r, const char* title) {
        PanelDrawing::drawCard (g, r, title, kPhoneCard, palette);
    };
    card (cards.header, "");
    if (tab == Tab::Blend)
    {
        card (cards.blend, "BLEND");
        card (cards.levels, "LEVELS");
        card (cards.tone, "TONE");
        card (cards.mix, "MIX");
        card (cards.info, "");
    }
    else
    {
        card (cards.modulator, "MODULATOR");
        card (cards.info, "");
        drawStepStrip (g, cards.stepStrip);
    }
}

// A still picture of the step editor: sixteen empty boxes with their numbers.
void IPhoneBlendPrototype::drawStepStrip (juce::Graphics& g, juce::Rectangle<int> r) const
{
    if (r.getWidth() <= 0 || r.getHeight() <= 0)
        return;

    const ThemePalette& palette = *QV::gActive;
    const int boxesWidth = r.getWidth() - (kNumSteps - 1) * kStripGap;
    const float boxWidth = static_cast<float> (boxesWidth) / static_cast<float> (kNumSteps);
    const float boxHeight = static_cast<float> (r.getHeight() - kStripNumberHeight);
    g.setFont (QVCompat::plainFont (11.0f));

    for (int i = 0; i < kNumSteps; ++i)
    {
        const float boxX = static_cast<float> (r.getX())
                           + static_cast<float> (i) * (boxWidth + static_cast<float> (kStripGap));
        const juce::Rectangle<float> box (boxX, static_cast<float> (r.getY()), boxWidth, boxHeight);
        g.setColour (palette.control);
        g.fillRoundedRectangle (box, 2.0f);
        g.setColour (palette.outline);
        g.drawRoundedRectangle (box, 2.0f, 1.0f);

        g.setColour (palette.text.withAlpha (0.55f));
        g.drawText (juce::String (i + 1),
                    juce::Rectangle<int> (static_cast<int> (boxX), r.getBottom() - kStripNumberHeight,
                                          static_cast<int> (boxWidth), kStripNumberHeight),
                    juce::Justification::centred, false);
    }
}
