#include "ui/phone/IPhoneBlendPrototype.h"

#include "common/JuceCompat.h"
#include "ui/ThemePalette.h"

#include <algorithm>
#include <cmath>
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
constexpr int kNumSteps = 16;
} // namespace

//==============================================================================
void IPhoneBlendPrototype::FlatDotLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width,
                                                                int height, float sliderPos,
                                                                float rotaryStartAngle, float rotaryEndAngle,
                                                                juce::Slider&)
{
    const ThemePalette& palette = *QV::gActive;

    const float w = static_cast<float> (std::max (width - 8, 0));
    const float h = static_cast<float> (std::max (height - 8, 0));
    const float cx = static_cast<float> (x) + 4.0f + w / 2.0f;
    const float cy = static_cast<float> (y) + 4.0f + h / 2.0f;
    const float radius = std::min (w, h) / 2.0f;

    g.setColour (palette.control);
    g.fillEllipse (cx - radius, cy - radius, 2.0f * radius, 2.0f * radius);
    g.setColour (palette.outline);
    g.drawEllipse (cx - radius, cy - radius, 2.0f * radius, 2.0f * radius, 1.5f);

    // Angles run clockwise from twelve o'clock, hence the quarter turn back.
    const float angle = rotaryStartAngle + sliderPos * (rotaryEndAngle - rotaryStartAngle);
    const float dotRadius = 0.22f * radius;
    const float dotX = cx + 0.7f * radius * std::cos (angle - juce::MathConstants<float>::halfPi);
    const float dotY = cy + 0.7f * radius * std::sin (angle - juce::MathConstants<float>::halfPi);
    g.setColour (palette.accent);
    g.fillEllipse (dotX - dotRadius, dotY - dotRadius, 2.0f * dotRadius, 2.0f * dotRadius);
}

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
    themeButton.setButtonText (QV::gActive == &QV::kDark ? "Light" : "Dark");
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

    previousModeButton.setBounds (inner.removeFromLeft (24));
    inner.removeFromLeft (2);
    modeBox.setBounds (inner.removeFromLeft (170));
    inner.removeFromLeft (2);
    nextModeButton.setBounds (inner.removeFromLeft (24));
    inner.removeFromLeft (8);
    directionButton.setBounds (inner.removeFromLeft (60));
    inner.removeFromLeft (8);
    randomButton.setBounds (inner.removeFromLeft (70));

    modTabButton.setBounds (inner.removeFromRight (60));
    blendTabButton.setBounds (inner.removeFromRight (60));
    inner.removeFromRight (8);
    themeButton.setBounds (inner.removeFromRight (54));
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
    volumeCaption.setBounds (levelsRight - 76, levels.getY() + 48, 64, 12);
    clipDial.setBounds (levelsRight - 64, levels.getY() + 60, 40, 40);
    clipCaption.setBounds (levelsRight - 76, levels.getY() + 100, 64, 12);

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

    const int buttonY = y + 24;
    modOnButton.setBounds (left + 12, buttonY, 44, 24);
    modPreviousButton.setBounds (left + 74, buttonY, 24, 24);
    modClearButton.setBounds (left + 102, buttonY, 56, 24);
    modNextButton.setBounds (left + 162, buttonY, 24, 24);
    modRandomButton.setBounds (right - 82, buttonY, 70, 24);

    cards.stepStrip = { left + 12, y + 54, kModGridWidth - 24, 90 };

    const int bottomY = y + 154;
    lengthLabel.setBounds (left + 12, bottomY, 64, 24);
    barsLabel.setBounds (left + 80, bottomY, 38, 24);
    barsBox.setBounds (left + 118, bottomY, 72, 24);
    divLabel.setBounds (left + 198, bottomY, 38, 24);
    divBox.setBounds (left + 236, bottomY, 72, 24);
    smoothingCaption.setBounds (right - 126, bottomY, 80, 24);
    smoothingDial.setBounds (right - 42, y + 150, 30, 30);
}

//==============================================================================
void IPhoneBlendPrototype::paint (juce::Graphics& g)
{
    g.fillAll (QV::gActive->background);

    drawCard (g, cards.header, {});
    if (tab == Tab::Blend)
    {
        drawCard (g, cards.blend, "BLEND");
        drawCard (g, cards.levels, "LEVELS");
        drawCard (g, cards.tone, "TONE");
        drawCard (g, cards.mix, "MIX");
        drawCard (g, cards.info, {});
    }
    else
    {
        drawCard (g, cards.modulator, "MODULATOR");
        drawCard (g, cards.info, {});
        drawStepStrip (g, cards.stepStrip);
    }
}

void IPhoneBlendPrototype::drawCard (juce::Graphics& g, juce::Rectangle<int> r, const juce::String& title) const
{
    if (r.getWidth() < 1 || r.getHeight() < 1)
        return;

    const ThemePalette& palette = *QV::gActive;
    const auto box = r.toFloat();
    g.setColour (palette.panel);
    g.fillRoundedRectangle (box, 6.0f);
    g.setColour (palette.border);
    g.drawRoundedRectangle (box, 6.0f, 1.0f);

    if (title.isNotEmpty())
    {
        g.setColour (palette.heading);
        g.setFont (QVCompat::boldFont (13.0f));
        g.drawText (title, juce::Rectangle<int> (r.getX() + 12, r.getY() + 4, r.getWidth() - 24, 16),
                    juce::Justification::topLeft, true);
    }
}

// A still picture of the step editor: sixteen empty boxes with their numbers.
void IPhoneBlendPrototype::drawStepStrip (juce::Graphics& g, juce::Rectangle<int> r) const
{
    if (r.getWidth() <= 0 || r.getHeight() <= 0)
        return;

    const ThemePalette& palette = *QV::gActive;
    const float boxWidth = static_cast<float> (r.getWidth() - 30) / static_cast<float> (kNumSteps);
    const float boxHeight = static_cast<float> (r.getHeight() - 12);
    g.setFont (QVCompat::plainFont (11.0f));

    for (int i = 0; i < kNumSteps; ++i)
    {
        const float boxX = static_cast<float> (r.getX()) + static_cast<float> (i) * (boxWidth + 2.0f);
        const juce::Rectangle<float> box (boxX, static_cast<float> (r.getY()), boxWidth, boxHeight);
        g.setColour (palette.control);
        g.fillRoundedRectangle (box, 2.0f);
        g.setColour (palette.outline);
        g.drawRoundedRectangle (box, 2.0f, 1.0f);

        g.setColour (palette.text.withAlpha (0.55f));
        g.drawText (juce::String (i + 1),
                    juce::Rectangle<int> (static_cast<int> (boxX), r.getBottom() - 12, static_cast<int> (boxWidth), 12),
                    juce::Justification::centred, false);
    }
}
