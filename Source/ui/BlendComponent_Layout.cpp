#include "ui/BlendComponent.h"
#include "common/JuceCompat.h"
#include "ui/ThemePalette.h"

// The card layout at the logical size 702 x 572, the card drawing, the colour scheme and the
// switch between the dial cards and the settings view.

namespace
{
constexpr int kColumnWidth = 674;
constexpr int kMargin = 14;
constexpr int kGap = 8;

void drawCard (juce::Graphics& g, juce::Rectangle<int> card, const char* title, int titleOffset)
{
    if (card.getWidth() < 1 || card.getHeight() < 1)
        return;
    const auto& palette = *QV::gActive;
    const auto r = card.toFloat();
    g.setColour (palette.panel);
    g.fillRoundedRectangle (r, 6.0f);
    g.setColour (palette.border);
    g.drawRoundedRectangle (r.getX() + 0.5f, r.getY() + 0.5f, juce::jmax (r.getWidth() - 1.0f, 0.0f),
                            juce::jmax (r.getHeight() - 1.0f, 0.0f), 6.0f, 1.0f);
    g.setColour (palette.heading);
    g.setFont (QVCompat::plainFont (14.0f));
    g.drawText (title, card.getX() + 10, card.getY() + titleOffset, card.getWidth() - 20, 16,
                juce::Justification::centredLeft, true);
}
} // namespace

void BlendComponent::resized()
{
    const auto bounds = getLocalBounds();
    const int innerWidth = juce::jmax (bounds.getWidth() - 2 * kMargin, 0);
    int remaining = juce::jmax (bounds.getHeight() - 2 * kMargin, 0);
    const int offset = juce::jmax ((innerWidth - kColumnWidth) / 2, 0);
    const int x0 = bounds.getX() + offset + kMargin;
    const int Y = bounds.getY();
    int y = Y + kMargin;

    // A short page stops advancing once the height runs out; the cards keep their size.
    auto row = [&] (int height) {
        const int top = y;
        const int taken = juce::jmin (remaining, height);
        y += taken;
        remaining -= taken;
        return top;
    };
    auto gap = [&] {
        const int taken = juce::jmin (remaining, kGap);
        y += taken;
        remaining -= taken;
    };

    // Top bar: mode row, randomisers, settings.
    const int yTop = row (48);
    cards[TopBarCard] = { x0, yTop, kColumnWidth, 48 };
    const int yw = Y + 26;
    prevModeButton.setBounds (x0 + 12, yw, 24, 24);
    modeSelector.setBounds (x0 + 38, yw, 220, 24);
    nextModeButton.setBounds (x0 + 260, yw, 24, 24);
    directionToggle.setBounds (x0 + 290, yw, 70, 24);
    randomizeButton.setBounds (x0 + 488, yw, 90, 24);
    allButton.setBounds (x0 + 582, yw, 50, 24);
    gearButton.setBounds (x0 + 638, yw, 24, 24);

    // BLEND (mode dials) and LEVELS.
    gap();
    const int yB = row (117);
    cards[BlendCard] = { x0, yB, 466, 117 };
    cards[LevelsCard] = { x0 + 478, yB, 196, 117 };
    for (int i = 0; i < kNumModeDials; ++i)
    {
        const int slot = modeDialSlot (i);
        dials[(size_t) i].setBounds (x0 + 15 + 90 * slot, yB + 20, 75, 75);
        dialCaptions[(size_t) i].setBounds (x0 + 8 + 90 * slot, yB + 95, 90, 16);
    }
    static constexpr int meterX[] = { 494, 524, 566 };
    static constexpr int meterCaptionX[] = { 484, 514, 556 };
    for (size_t i = 0; i < meters.size(); ++i)
    {
        meters[i].setBounds (x0 + meterX[i], yB + 20, 18, 75);
        meterCaptions[i].setBounds (x0 + meterCaptionX[i], yB + 95, 38, 16);
    }
    const int levelsRight = cards[LevelsCard].getRight();
    dials[BlendDial::volume].setBounds (levelsRight - 66, yB + 8, 36, 36);
    dialCaptions[BlendDial::volume].setBounds (levelsRight - 80, yB + 44, 64, 12);
    dials[BlendDial::clip].setBounds (levelsRight - 66, yB + 63, 36, 36);
    dialCaptions[BlendDial::clip].setBounds (levelsRight - 80, yB + 99, 64, 12);

    // TONE and MIX.
    gap();
    const int yT = row (117);
    cards[ToneCard] = { x0, yT, 286, 117 };
    cards[MixCard] = { x0 + 298, yT, 376, 117 };
    auto placeDial = [this, yT] (int dial, int left) {
        dials[(size_t) dial].setBounds (left + 7, yT + 20, 75, 75);
        dialCaptions[(size_t) dial].setBounds (left, yT + 95, 90, 16);
    };
    placeDial (BlendDial::lowCut, x0 + 8);
    placeDial (BlendDial::heat, x0 + 98);
    placeDial (BlendDial::hiCut, x0 + 188);
    const int mixLeft = x0 + 298 + (376 - 360) / 2;
    placeDial (BlendDial::fxLevel, mixLeft);
    placeDial (BlendDial::signal1, mixLeft + 90);
    placeDial (BlendDial::signal2, mixLeft + 180);
    placeDial (BlendDial::morph, mixLeft + 270);

    // MODULATOR.
    gap();
    const int yM = row (200);
    cards[ModulatorCard] = { x0, yM, kColumnWidth, 200 };
    onButton.setBounds (x0 + 110, yM + 8, 50, 22);
    shiftLeftButton.setBounds (x0 + 178, yM + 8, 26, 22);
    clearButton.setBounds (x0 + 206, yM + 8, 56, 22);
    shiftRightButton.setBounds (x0 + 264, yM + 8, 26, 22);
    // Which modulator is shown, and modulator 2's target, share the top row.
    modulatorButtons[0].setBounds (x0 + 300, yM + 8, 24, 22);
    modulatorButtons[1].setBounds (x0 + 326, yM + 8, 24, 22);
    targetLabel.setBounds (x0 + 354, yM + 8, 52, 22);
    targetCombo.setBounds (x0 + 408, yM + 8, 160, 22);
    modulatorRandomizeButton.setBounds (x0 + 574, yM + 8, 90, 22);
    stepView.setBounds (x0 + 10, yM + 46, 654, 90);
    lengthLabel.setBounds (x0 + 10, yM + 158, 52, 22);
    barsLabel.setBounds (x0 + 66, yM + 158, 40, 22);
    barsCombo.setBounds (x0 + 106, yM + 158, 50, 22);
    divLabel.setBounds (x0 + 160, yM + 158, 40, 22);
    divCombo.setBounds (x0 + 200, yM + 158, 50, 22);
    smoothingDial.setBounds (x0 + 634, yM + 154, 30, 30);
    smoothingLabel.setBounds (x0 + 562, yM + 158, 70, 22);
    barsLabel.setJustificationType (juce::Justification::centredLeft);
    divLabel.setJustificationType (juce::Justification::centredLeft);
    smoothingLabel.setJustificationType (juce::Justification::centredRight);

    // The settings view covers BLEND, LEVELS, TONE, MIX and MODULATOR exactly.
    const int coveredBottom = cards[ModulatorCard].getBottom();
    settingsView.setBounds (x0, yB, kColumnWidth, coveredBottom - yB);
    settingsView.setPanelHeights (cards[BlendCard].getHeight(), cards[ToneCard].getY() - cards[BlendCard].getBottom(),
                                  coveredBottom - cards[ToneCard].getY());

    // Bottom bar with the message line.
    gap();
    const int yF = row (30);
    cards[BottomBarCard] = { x0, yF, kColumnWidth, 30 };
    messageBar.setBounds (x0 + 12, yF + 5, 650, 20);
}

void BlendComponent::paint (juce::Graphics& g)
{
    g.fillAll (getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId));

    drawCard (g, cards[TopBarCard], "", 3);
    if (! settingsViewOpen)
    {
        drawCard (g, cards[BlendCard], "BLEND", 3);
        drawCard (g, cards[LevelsCard], "LEVELS", 3);
        drawCard (g, cards[ToneCard], "TONE", 3);
        drawCard (g, cards[MixCard], "MIX", 3);
        drawCard (g, cards[ModulatorCard], "MODULATOR", 11); // level with the row of buttons
    }
    drawCard (g, cards[BottomBarCard], "", 3);
}

void BlendComponent::applyColourScheme()
{
    const auto& palette = *QV::gActive;
    const auto highlightText = palette.accent.contrasting (0.8f);

    for (juce::LookAndFeel* lf : { static_cast<juce::LookAndFeel*> (&noArrowComboLookAndFeel),
                                   static_cast<juce::LookAndFeel*> (&roundedComboLookAndFeel) })
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
