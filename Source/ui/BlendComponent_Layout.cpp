#include "ui/BlendComponent.h"
#include "ui/PanelDrawing.h"
#include "ui/RowLayout.h"
#include "ui/ThemePalette.h"

// The card layout at the logical size 702 x 572, the card drawing, the colour scheme and the
// switch between the dial cards and the settings view.

namespace
{
constexpr int kColumnWidth = 674;
constexpr int kMargin = 14;
constexpr int kGap = 8;
constexpr int kTopBarHeight = 48;
constexpr int kDialRowHeight = 117; // BLEND and LEVELS, TONE and MIX
constexpr int kModulatorHeight = 200;
constexpr int kBottomBarHeight = 30;
constexpr int kSmallCaptionHeight = 16; // a 14-point line and the label's border of 1 above and below

// The MODULATOR heading sits level with the section's row of buttons.
constexpr auto kModulatorCard = PanelDrawing::kPageCard.withTitleTop (11);
} // namespace

void BlendComponent::resized()
{
    const auto bounds = getLocalBounds();
    const int innerWidth = juce::jmax (bounds.getWidth() - 2 * kMargin, 0);
    int remaining = juce::jmax (bounds.getHeight() - 2 * kMargin, 0);
    const int offset = juce::jmax ((innerWidth - kColumnWidth) / 2, 0);
    const int x0 = bounds.getX() + offset + kMargin;
    int y = bounds.getY() + kMargin;

    // A short page stops advancing once the height runs out; the cards keep their size.
    auto take = [&] (int height) {
        const int taken = juce::jmin (remaining, height);
        y += taken;
        remaining -= taken;
    };
    auto row = [&] (int height) {
        const int top = y;
        take (height);
        return top;
    };
    auto gapThenRow = [&] (int height) {
        take (kGap);
        return row (height);
    };

    const int yTop = row (kTopBarHeight);
    const int yB = gapThenRow (kDialRowHeight);
    const int yT = gapThenRow (kDialRowHeight);
    const int yM = gapThenRow (kModulatorHeight);
    const int yF = gapThenRow (kBottomBarHeight);

    layoutTopBar (x0, yTop);
    layoutBlendAndLevels (x0, yB);
    layoutToneAndMix (x0, yT);
    layoutModulatorSection (x0, yM);

    // The settings view covers BLEND, LEVELS, TONE, MIX and MODULATOR exactly.
    const int coveredBottom = cards[ModulatorCard].getBottom();
    settingsView.setBounds (x0, yB, kColumnWidth, coveredBottom - yB);
    settingsView.setPanelHeights (cards[BlendCard].getHeight(), cards[ToneCard].getY() - cards[BlendCard].getBottom(),
                                  coveredBottom - cards[ToneCard].getY());

    // Bottom bar with the message line.
    cards[BottomBarCard] = { x0, yF, kColumnWidth, kBottomBarHeight };
    messageBar.setBounds (x0 + 12, yF + 5, 650, 20);
}

// Mode row, randomisers, settings.
void BlendComponent::layoutTopBar (int x0, int y)
{
    cards[TopBarCard] = { x0, y, kColumnWidth, kTopBarHeight };
    RowLayout::placeAt (y + 12, 24,
                        { { &prevModeButton, x0 + 12, 24 }, { &modeSelector, x0 + 38, 220 },
                          { &nextModeButton, x0 + 260, 24 }, { &directionToggle, x0 + 290, 70 },
                          { &randomizeButton, x0 + 488, 90 }, { &allButton, x0 + 582, 50 },
                          { &gearButton, x0 + 638, 24 } });
}

// BLEND (the mode's dials) and LEVELS (meters, volume and clip).
void BlendComponent::layoutBlendAndLevels (int x0, int y)
{
    cards[BlendCard] = { x0, y, 466, kDialRowHeight };
    cards[LevelsCard] = { x0 + 478, y, 196, kDialRowHeight };
    for (int i = 0; i < kNumModeDials; ++i)
    {
        const int slot = modeDialSlot (i);
        dials[(size_t) i].setBounds (x0 + 15 + 90 * slot, y + 20, 75, 75);
        dialCaptions[(size_t) i].setBounds (x0 + 8 + 90 * slot, y + 95, 90, 16);
    }
    static constexpr int meterX[] = { 494, 524, 566 };
    static constexpr int meterCaptionX[] = { 484, 514, 556 };
    for (size_t i = 0; i < meters.size(); ++i)
    {
        meters[i].setBounds (x0 + meterX[i], y + 20, 18, 75);
        meterCaptions[i].setBounds (x0 + meterCaptionX[i], y + 95, 38, 16);
    }
    const int levelsRight = cards[LevelsCard].getRight();
    dials[BlendDial::volume].setBounds (levelsRight - 66, y + 8, 36, 36);
    // The small dials' captions are as tall as the label font (plus the label's border), centred
    // on the line where their text always stood, so that no descender is cut.
    dialCaptions[BlendDial::volume].setBounds (levelsRight - 80, y + 42, 64, kSmallCaptionHeight);
    dials[BlendDial::clip].setBounds (levelsRight - 66, y + 63, 36, 36);
    dialCaptions[BlendDial::clip].setBounds (levelsRight - 80, y + 97, 64, kSmallCaptionHeight);
}

void BlendComponent::layoutToneAndMix (int x0, int y)
{
    cards[ToneCard] = { x0, y, 286, kDialRowHeight };
    cards[MixCard] = { x0 + 298, y, 376, kDialRowHeight };
    auto placeDial = [this, y] (int dial, int left) {
        dials[(size_t) dial].setBounds (left + 7, y + 20, 75, 75);
        dialCaptions[(size_t) dial].setBounds (left, y + 95, 90, 16);
    };
    placeDial (BlendDial::lowCut, x0 + 8);
    placeDial (BlendDial::heat, x0 + 98);
    placeDial (BlendDial::hiCut, x0 + 188);
    const int mixLeft = x0 + 298 + (376 - 360) / 2;
    placeDial (BlendDial::fxLevel, mixLeft);
    placeDial (BlendDial::signal1, mixLeft + 90);
    placeDial (BlendDial::signal2, mixLeft + 180);
    placeDial (BlendDial::morph, mixLeft + 270);
}

void BlendComponent::layoutModulatorSection (int x0, int y)
{
    cards[ModulatorCard] = { x0, y, kColumnWidth, kModulatorHeight };
    // Which modulator is shown, and modulator 2's target, share the top row.
    RowLayout::placeAt (y + 8, 22,
                        { { &onButton, x0 + 110, 50 }, { &shiftLeftButton, x0 + 178, 26 },
                          { &clearButton, x0 + 206, 56 }, { &shiftRightButton, x0 + 264, 26 },
                          { &modulatorButtons[0], x0 + 300, 24 }, { &modulatorButtons[1], x0 + 326, 24 },
                          { &targetLabel, x0 + 354, 52 }, { &targetCombo, x0 + 408, 160 },
                          { &modulatorRandomizeButton, x0 + 574, 90 } });
    stepView.setBounds (x0 + 10, y + 46, 654, 90);
    RowLayout::placeAt (y + 158, 22,
                        { { &lengthLabel, x0 + 10, 52 }, { &barsLabel, x0 + 66, 40 }, { &barsCombo, x0 + 106, 50 },
                          { &divLabel, x0 + 160, 40 }, { &divCombo, x0 + 200, 50 },
                          { &smoothingLabel, x0 + 562, 70 } });
    smoothingDial.setBounds (x0 + 634, y + 154, 30, 30);
    barsLabel.setJustificationType (juce::Justification::centredLeft);
    divLabel.setJustificationType (juce::Justification::centredLeft);
    smoothingLabel.setJustificationType (juce::Justification::centredRight);
}

void BlendComponent::paint (juce::Graphics& g)
{
    g.fillAll (getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId));

    const auto& palette = *QV::gActive;
    auto card = [&] (Card which, const char* title, const PanelDrawing::CardStyle& style) {
        PanelDrawing::drawCard (g, cards[(size_t) which], title, style, palette);
    };
    card (TopBarCard, "", PanelDrawing::kPageCard);
    if (! settingsViewOpen)
    {
        card (BlendCard, "BLEND", PanelDrawing::kPageCard);
        card (LevelsCard, "LEVELS", PanelDrawing::kPageCard);
        card (ToneCard, "TONE", PanelDrawing::kPageCard);
        card (MixCard, "MIX", PanelDrawing::kPageCard);
        card (ModulatorCard, "MODULATOR", kModulatorCard);
    }
    card (BottomBarCard, "", PanelDrawing::kPageCard);
}

void BlendComponent::applyColourScheme()
{
    const auto& palette = *QV::gActive;
    const auto highlightText = palette.highlightText();

    for (auto* lf : std::initializer_list<BlendLookAndFeels::PanelComboLookAndFeel*> { &noArrowComboLookAndFeel,
                                                                                      &roundedComboLookAndFeel })
    {
        lf->setColour (juce::ComboBox::textColourId, palette.text);
        lf->setColour (juce::ComboBox::backgroundColourId, palette.control);
        lf->setColour (juce::ComboBox::outlineColourId, palette.outline);
        // The chevron would otherwise keep the framework's dark-scheme white, unseen on a light box.
        lf->setColour (juce::ComboBox::arrowColourId, palette.text);
        lf->setColour (juce::PopupMenu::backgroundColourId, palette.panel);
        lf->setColour (juce::PopupMenu::textColourId, palette.text);
        lf->setColour (juce::PopupMenu::headerTextColourId, palette.heading);
        lf->setColour (juce::PopupMenu::highlightedBackgroundColourId, palette.accent);
        lf->setColour (juce::PopupMenu::highlightedTextColourId, highlightText);
    }

    arrowButtonLookAndFeel.setColour (juce::TextButton::textColourOffId, palette.text);
    arrowButtonLookAndFeel.setColour (juce::TextButton::textColourOnId, palette.text);
    arrowButtonLookAndFeel.setColour (juce::TextButton::buttonColourId, palette.control);
    arrowButtonLookAndFeel.setColour (juce::TextButton::buttonOnColourId, palette.control);

    // The framework draws a button's rim in the combo-box outline colour; without it these
    // buttons would keep the framework's own grey instead of the rim every other control has.
    arrowButtonLookAndFeel.setColour (juce::ComboBox::outlineColourId, palette.outline);
    gearButtonLookAndFeel.setColour (juce::ComboBox::outlineColourId, palette.outline);

    gearButtonLookAndFeel.setColour (juce::TextButton::textColourOffId, palette.text);
    gearButtonLookAndFeel.setColour (juce::TextButton::buttonColourId, palette.control);
    gearButtonLookAndFeel.setColour (juce::TextButton::buttonOnColourId, palette.control);

    settingsView.applyColourScheme();

    for (auto& button : modulatorButtons)
    {
        button.setColour (juce::TextButton::buttonOnColourId, palette.accent);
        button.setColour (juce::TextButton::textColourOnId, highlightText);
    }

    // A message already on the bar follows the theme too; the red warning keeps its colour.
    if (messageBar.findColour (juce::Label::textColourId) != juce::Colour (0xFFFF4040u))
        messageBar.setColour (juce::Label::textColourId, palette.text);

    sendLookAndFeelChange();
    repaint();
}

void BlendComponent::setSwapWidgetsVisible (bool visible)
{
    for (auto& meter : meters)
        meter.setVisible (visible);
    for (auto& caption : meterCaptions)
        caption.setVisible (visible);
    for (int i = kNumModeDials; i < kNumBlendDials; ++i)
    {
        dials[(size_t) i].setVisible (visible);
        dialCaptions[(size_t) i].setVisible (visible);
    }
    for (juce::Component* c : std::initializer_list<juce::Component*> {
             &onButton, &shiftLeftButton, &clearButton, &shiftRightButton, &modulatorRandomizeButton, &stepView,
             &lengthLabel, &barsLabel, &divLabel, &barsCombo, &divCombo, &smoothingDial, &smoothingLabel,
             &modulatorButtons[0], &modulatorButtons[1], &targetLabel, &targetCombo })
        c->setVisible (visible);

    if (visible)
    {
        updateDialVisibility();
    }
    else
    {
        for (int i = 0; i < kNumModeDials; ++i)
        {
            dials[(size_t) i].setVisible (false);
            dialCaptions[(size_t) i].setVisible (false);
        }
    }
}

void BlendComponent::setSettingsViewOpen (bool open)
{
    if (open == settingsViewOpen)
        return;
    settingsViewOpen = open;
    setSwapWidgetsVisible (! open);
    settingsView.setVisible (open);
    gearButton.repaint();
    repaint();
}
