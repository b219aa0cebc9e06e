#include "EditorTestSupport.h"

#include <cmath>

// The rims of the arrow and gear buttons, and captions whose text is not cut by their boxes.

namespace
{
// Ink of a label's text, drawn as the look-and-feel draws it but without the label's clip, that
// falls outside the label's box when the label is drawn at the given scale.
int inkPixelsOutside (juce::Label& label, float scale)
{
    constexpr int pad = 8;
    const auto font = label.getLookAndFeel().getLabelFont (label);
    const auto area = label.getBorderSize().subtractedFrom (label.getLocalBounds());
    const int width = (int) std::ceil ((float) (label.getWidth() + 2 * pad) * scale);
    const int height = (int) std::ceil ((float) (label.getHeight() + 2 * pad) * scale);
    juce::Image image (juce::Image::ARGB, width, height, true);
    {
        juce::Graphics g (image);
        g.addTransform (juce::AffineTransform::translation ((float) pad, (float) pad).scaled (scale));
        g.setColour (juce::Colours::white);
        g.setFont (font);
        g.drawFittedText (label.getText(), area, label.getJustificationType(),
                          juce::jmax (1, (int) ((float) area.getHeight() / font.getHeight())),
                          label.getMinimumHorizontalScale());
    }
    const auto box = juce::Rectangle<float> ((float) pad, (float) pad, (float) label.getWidth(),
                                             (float) label.getHeight())
                         * scale;
    int outside = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (image.getPixelAt (x, y).getAlpha() > 0 && ! box.contains ((float) x + 0.5f, (float) y + 0.5f))
                ++outside;
    return outside;
}

// Visible itself and through every parent up to `root`.
bool visibleWithin (juce::Component& c, juce::Component& root)
{
    for (auto* p = &c; p != nullptr && p != &root; p = p->getParentComponent())
        if (! p->isVisible())
            return false;
    return true;
}

void expectCaptionsContainTheirText (juce::Component& root, int expectedAtLeast)
{
    int checked = 0;
    for (auto* label : findAll<juce::Label> (root))
    {
        // The message bar lays out its own text (see the message bar's tests); empty labels draw nothing.
        if (dynamic_cast<MessageBarLabel*> (label) != nullptr || label->getText().isEmpty()
            || ! visibleWithin (*label, root))
            continue;
        ++checked;
        for (const float scale : { 1.0f, 2.0f })
            EXPECT_EQ (inkPixelsOutside (*label, scale), 0)
                << '"' << label->getText() << "\" at " << scale << "x, box " << label->getBounds().toString();
    }
    // The walk reached the captions at all.
    EXPECT_GE (checked, expectedAtLeast);
}
} // namespace

TEST_F (BlendPageTest, ArrowAndGearButtonsHaveThePalettesRim)
{
    for (const auto* palette : { &QV::kLight, &QV::kDark })
    {
        QV::gActive = palette;
        page->applyColourScheme();
        for (auto* button : { &A::prevMode (*page), &A::nextMode (*page), &A::shiftLeft (*page),
                              &A::shiftRight (*page), &A::gear (*page) })
        {
            // The rim is a 1-pixel stroke centred half a pixel in: the left column's middle is
            // entirely rim.
            const auto image = snapshot (*button);
            EXPECT_EQ (image.getPixelAt (0, button->getHeight() / 2), palette->outline)
                << (palette->isDark ? "dark " : "light ") << button->getBounds().toString();
        }
    }
}

TEST_F (EditorTest, CaptionBoxesContainTheirTextAtOneAndTwoTimes)
{
    // The Blend page shows at least its mode dials' captions, the meters' and "Vol" and "Clip";
    // the phone preview's BLEND tab its 17 captions, its MOD tab four labels.
    open (false);
    expectCaptionsContainTheirText (*editor, 9);

    open (false, std::string ("1"));
    expectCaptionsContainTheirText (*editor, 17);
    editor->getPhoneLayout().selectTab (IPhoneBlendPrototype::Tab::Mod);
    expectCaptionsContainTheirText (*editor, 4);
}
