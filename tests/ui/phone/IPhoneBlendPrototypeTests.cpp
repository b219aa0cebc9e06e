#include "ui/phone/IPhoneBlendPrototype.h"
#include "../GuiTestSupport.h"
#include "ui/ThemePalette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

namespace
{
using Rect = juce::Rectangle<int>;
using Tab = IPhoneBlendPrototype::Tab;

// Counts the layout passes that selectTab asks for.
struct CountingPrototype : public IPhoneBlendPrototype
{
    void resized() override
    {
        ++layoutPasses;
        IPhoneBlendPrototype::resized();
    }
    int layoutPasses = 0;
};

// Restores the process-wide theme that some tests flip.
struct PhoneFixture : public ::testing::Test
{
    ~PhoneFixture() override { QV::gActive = savedTheme; }
    const ThemePalette* savedTheme = QV::gActive;
};

// Rectangles in reading order: top to bottom, then left to right.
void sortByPosition (std::vector<Rect>& rects)
{
    std::sort (rects.begin(), rects.end(), [] (const Rect& a, const Rect& b)
    {
        return std::make_tuple (a.getY(), a.getX(), a.getWidth(), a.getHeight())
             < std::make_tuple (b.getY(), b.getX(), b.getWidth(), b.getHeight());
    });
}

std::vector<Rect> sortedBounds (std::vector<juce::Component*> components)
{
    std::vector<Rect> bounds;
    for (auto* c : components)
        bounds.push_back (c->getBounds());
    sortByPosition (bounds);
    return bounds;
}

// Where the n-th widget (counting from 0) showing a text should be.
struct Expected
{
    const char* text;
    int occurrence;
    Rect bounds;
};

std::vector<juce::Component*> visibleSliders (IPhoneBlendPrototype& phone)
{
    std::vector<juce::Component*> found;
    for (auto* s : findAll<juce::Slider> (phone))
        if (s->isVisible())
            found.push_back (s);
    return found;
}

const char* const kBlendCaptions[] = { "Balance", "Tilt", "Drive", "DC Off", "Rectify", "A1", "A2", "Out", "Vol",
                                       "Clip", "Low Cut", "Warmth", "Hi Cut", "FX", "Sig 1", "Sig 2", "Morph" };
const char* const kModLabels[] = { "Length:", "Bars", "Div", "Smoothing" };
const char* const kModButtons[] = { "On", "Clear" };
} // namespace

TEST_F (PhoneFixture, StartsOnTheBlendTabAtItsFixedSize)
{
    IPhoneBlendPrototype phone;
    EXPECT_EQ (phone.getBounds(), Rect (0, 0, 800, 360));
    EXPECT_EQ (phone.getTab(), Tab::Blend);
    EXPECT_TRUE (findButton (phone, "BLEND")->getToggleState());
    EXPECT_FALSE (findButton (phone, "MOD")->getToggleState());

    auto combos = findAll<juce::ComboBox> (phone);
    ASSERT_EQ (combos.size(), 3u);
    EXPECT_EQ (combos[0]->getText(), "Math: Multiply");
    // Bars and Div, whatever their order among the children.
    std::vector<juce::String> modTexts { combos[1]->getText(), combos[2]->getText() };
    std::sort (modTexts.begin(), modTexts.end());
    EXPECT_EQ (modTexts, (std::vector<juce::String> { "16", "4" }));
}

TEST_F (PhoneFixture, HeaderAndBlendTabRectanglesAt800By360)
{
    IPhoneBlendPrototype phone;
    const auto& cards = phone.getCards();
    EXPECT_EQ (cards.header, Rect (8, 8, 784, 40));
    // Tab area (8, 54, 784, 298); the 732 wide grid is centred: left = 8 + (784 - 732) / 2 = 34.
    EXPECT_EQ (cards.blend, Rect (34, 54, 512, 124));
    EXPECT_EQ (cards.levels, Rect (554, 54, 212, 124));
    EXPECT_EQ (cards.tone, Rect (34, 186, 312, 124));
    EXPECT_EQ (cards.mix, Rect (354, 186, 412, 124));
    EXPECT_EQ (cards.info, Rect (34, 318, 732, 32));

    // Header row: inner (18, 16, 764, 24), filled from both ends.
    const Expected header[] = {
        { "<", 0, { 18, 16, 24, 24 } },      { ">", 0, { 216, 16, 24, 24 } },
        { "1 > 2", 0, { 248, 16, 60, 24 } }, { "Random", 0, { 316, 16, 70, 24 } },
        { "MOD", 0, { 722, 16, 60, 24 } },   { "BLEND", 0, { 662, 16, 60, 24 } },
    };
    for (const auto& e : header)
        EXPECT_EQ (findButton (phone, e.text, e.occurrence)->getBounds(), e.bounds) << e.text;
    EXPECT_EQ (findAll<juce::ComboBox> (phone)[0]->getBounds(), Rect (44, 16, 170, 24));
    EXPECT_EQ (findButton (phone, "Light")
                   ? findButton (phone, "Light")->getBounds()
                   : findButton (phone, "Dark")->getBounds(),
               Rect (600, 16, 54, 24));

    // The seventeen dials and meters of the BLEND tab.
    std::vector<Rect> expected;
    for (int k = 0; k < 5; ++k)
        expected.push_back ({ 34 + 16 + 100 * k, 76, 80, 80 });                // mode dials
    for (int offset : { 12, 36, 68 })
        expected.push_back ({ 554 + offset, 76, 16, 80 });                     // meters
    expected.push_back ({ 766 - 64, 62, 40, 40 });                             // Vol
    expected.push_back ({ 766 - 64, 114, 40, 40 });                            // Clip
    for (int k = 0; k < 3; ++k)
        expected.push_back ({ 34 + 16 + 100 * k, 208, 80, 80 });               // tone
    for (int k = 0; k < 4; ++k)
        expected.push_back ({ 354 + 6 + 10 + 100 * k, 208, 80, 80 });          // mix
    sortByPosition (expected);
    EXPECT_EQ (sortedBounds (visibleSliders (phone)), expected);

    struct Caption
    {
        const char* text;
        Rect bounds;
    };
    const Caption captions[] = {
        { "Balance", { 40, 156, 100, 14 } }, { "Rectify", { 440, 156, 100, 14 } },
        { "A1", { 562, 156, 24, 14 } },      { "Out", { 618, 156, 24, 14 } },
        { "Vol", { 690, 100, 64, 16 } },     { "Clip", { 690, 152, 64, 16 } },
        { "Low Cut", { 40, 288, 100, 14 } }, { "Hi Cut", { 240, 288, 100, 14 } },
        { "FX", { 360, 288, 100, 14 } },     { "Morph", { 660, 288, 100, 14 } },
    };
    for (const auto& c : captions)
        EXPECT_EQ (findLabel (phone, c.text)->getBounds(), c.bounds) << c.text;

    EXPECT_EQ (findLabel (phone, "Mode: Multiply. Multiplies Audio 1 by Audio 2.")->getBounds(),
               Rect (46, 324, 708, 20));
}

TEST_F (PhoneFixture, ModTabRectanglesAt800By360)
{
    IPhoneBlendPrototype phone;
    phone.selectTab (Tab::Mod);
    const auto& cards = phone.getCards();
    // The 522 wide grid centred in the 784 wide tab area: left = 8 + 131 = 139, right = 661.
    EXPECT_EQ (cards.header, Rect (8, 8, 784, 40));
    EXPECT_EQ (cards.modulator, Rect (139, 54, 522, 188));
    EXPECT_EQ (cards.info, Rect (139, 250, 522, 32));
    EXPECT_EQ (cards.stepStrip, Rect (151, 108, 498, 90));

    const Expected buttons[] = {
        { "On", 0, { 151, 78, 44, 24 } },     { "<", 1, { 213, 78, 24, 24 } },
        { "Clear", 0, { 241, 78, 56, 24 } },  { ">", 1, { 301, 78, 24, 24 } },
        { "Random", 1, { 579, 78, 70, 24 } },
    };
    for (const auto& e : buttons)
        EXPECT_EQ (findButton (phone, e.text, e.occurrence)->getBounds(), e.bounds) << e.text;

    const Expected labels[] = {
        { "Length:", 0, { 151, 208, 64, 24 } }, { "Bars", 0, { 219, 208, 38, 24 } },
        { "Div", 0, { 337, 208, 38, 24 } },     { "Smoothing", 0, { 535, 208, 80, 24 } },
    };
    for (const auto& e : labels)
        EXPECT_EQ (findLabel (phone, e.text)->getBounds(), e.bounds) << e.text;

    EXPECT_EQ (sortedBounds (visibleSliders (phone)), (std::vector<Rect> { { 619, 204, 30, 30 } }));
    EXPECT_EQ (findLabel (phone, "Mode: Multiply. Multiplies Audio 1 by Audio 2.")->getBounds(),
               Rect (151, 256, 498, 20));
}

TEST_F (PhoneFixture, TabButtonsSwitchWhichWidgetsAreShown)
{
    IPhoneBlendPrototype phone;
    auto expectShown = [&] (bool blend)
    {
        for (const char* text : kBlendCaptions)
            EXPECT_EQ (findLabel (phone, text)->isVisible(), blend) << text;
        for (const char* text : kModLabels)
            EXPECT_EQ (findLabel (phone, text)->isVisible(), ! blend) << text;
        for (const char* text : kModButtons)
            EXPECT_EQ (findButton (phone, text)->isVisible(), ! blend) << text;
        EXPECT_EQ (findButton (phone, "<", 1)->isVisible(), ! blend);
        EXPECT_EQ (findButton (phone, "Random", 1)->isVisible(), ! blend);
        EXPECT_EQ (visibleSliders (phone).size(), blend ? 17u : 1u);
        // Header and info line stay.
        for (const char* text : { "<", ">", "1 > 2", "Random", "BLEND", "MOD" })
            EXPECT_TRUE (findButton (phone, text)->isVisible()) << text;
        EXPECT_TRUE (findLabel (phone, "Mode: Multiply. Multiplies Audio 1 by Audio 2.")->isVisible());
    };

    expectShown (true);

    click (findButton (phone, "MOD"));
    EXPECT_EQ (phone.getTab(), Tab::Mod);
    EXPECT_TRUE (findButton (phone, "MOD")->getToggleState());
    EXPECT_FALSE (findButton (phone, "BLEND")->getToggleState());
    expectShown (false);

    click (findButton (phone, "BLEND"));
    EXPECT_EQ (phone.getTab(), Tab::Blend);
    expectShown (true);
    EXPECT_EQ (phone.getCards().info, Rect (34, 318, 732, 32));
}

TEST_F (PhoneFixture, ClickingTheShownTabDoesNotLayOutAgain)
{
    CountingPrototype phone;
    click (findButton (phone, "BLEND"));
    EXPECT_EQ (phone.layoutPasses, 0);

    click (findButton (phone, "MOD"));
    EXPECT_EQ (phone.layoutPasses, 1);
    click (findButton (phone, "MOD"));
    EXPECT_EQ (phone.layoutPasses, 1);
    EXPECT_EQ (phone.getTab(), Tab::Mod);
}

TEST_F (PhoneFixture, NarrowAndShortAreasKeepFullSizeCardsAtTheLeftEdge)
{
    IPhoneBlendPrototype phone;
    phone.setSize (500, 200);
    // Tab area (8, 54, 484, 138): row 1 advances 124 + 8, row 2 only the 6 left, no gap.
    const auto& cards = phone.getCards();
    EXPECT_EQ (cards.header, Rect (8, 8, 484, 40));
    EXPECT_EQ (cards.blend, Rect (8, 54, 512, 124));
    EXPECT_EQ (cards.levels, Rect (528, 54, 212, 124));
    EXPECT_EQ (cards.tone, Rect (8, 186, 312, 124));
    EXPECT_EQ (cards.info, Rect (8, 192, 732, 32));

    phone.selectTab (Tab::Mod);
    EXPECT_EQ (cards.modulator, Rect (8, 54, 522, 188));
    EXPECT_EQ (cards.stepStrip, Rect (20, 108, 498, 90));
}

TEST_F (PhoneFixture, ThemeButtonNamesTheOtherThemeAndOnlyCallsTheHook)
{
    QV::gActive = &QV::kDark;
    IPhoneBlendPrototype phone;
    juce::Button* theme = findButton (phone, "Light");
    ASSERT_NE (theme, nullptr);

    // Without a hook the button does nothing.
    click (theme);
    EXPECT_EQ (QV::gActive, &QV::kDark);
    EXPECT_EQ (theme->getButtonText(), "Light");

    // The editor's hook swaps the palette and re-applies the scheme.
    phone.onThemeToggle = [&phone]
    {
        QV::gActive = QV::gActive == &QV::kDark ? &QV::kLight : &QV::kDark;
        phone.applyColourScheme();
    };
    click (theme);
    EXPECT_EQ (QV::gActive, &QV::kLight);
    EXPECT_EQ (theme->getButtonText(), "Dark");
    click (theme);
    EXPECT_EQ (theme->getButtonText(), "Light");
}

TEST_F (PhoneFixture, DecoyControlsChangeNothing)
{
    IPhoneBlendPrototype phone;
    const juce::String info = "Mode: Multiply. Multiplies Audio 1 by Audio 2.";
    findAll<juce::ComboBox> (phone)[0]->setSelectedId (2, juce::sendNotificationSync);
    for (auto* s : findAll<juce::Slider> (phone))
        s->setValue (0.9, juce::sendNotificationSync);
    for (const char* text : { "<", ">", "1 > 2", "Random" })
        EXPECT_EQ (findButton (phone, text)->onClick, nullptr) << text;

    EXPECT_NE (findLabel (phone, info), nullptr);
    EXPECT_EQ (phone.getTab(), Tab::Blend);
}

TEST_F (PhoneFixture, PaintsCardsAndStepStripInTheActivePalette)
{
    QV::gActive = &QV::kDark;
    IPhoneBlendPrototype phone;
    phone.selectTab (Tab::Mod);
    const juce::Image image = snapshot (phone);

    struct Probe
    {
        int x, y;
        juce::Colour expected;
        const char* what;
    };
    // Box 0 of the strip: x from 151, 29.25 wide, 78 high from y = 108; box 15 ends near 649.
    const Probe probes[] = {
        { 2, 200, QV::kDark.background, "page outside the cards" },
        { 145, 230, QV::kDark.panel, "modulator card" },
        { 165, 150, QV::kDark.control, "first step box" },
        { 635, 150, QV::kDark.control, "last step box" },
        { 400, 52, QV::kDark.background, "gap between header and card" },
    };
    for (const auto& p : probes)
        EXPECT_EQ (image.getPixelAt (p.x, p.y).getARGB(), p.expected.getARGB()) << p.what;
}

TEST_F (PhoneFixture, TheShownTabsButtonIsLitInTheAccent)
{
    for (const auto* palette : { &QV::kLight, &QV::kDark })
    {
        QV::gActive = palette;
        IPhoneBlendPrototype phone;
        juce::Button* blend = findButton (phone, "BLEND");
        juce::Button* mod = findButton (phone, "MOD");
        ASSERT_NE (blend, nullptr);
        ASSERT_NE (mod, nullptr);

        for (const auto shown : { Tab::Blend, Tab::Mod })
        {
            phone.selectTab (shown);
            juce::Button* on = shown == Tab::Blend ? blend : mod;
            juce::Button* off = shown == Tab::Blend ? mod : blend;
            // Sampled inside the rounded body, left of the text.
            const auto lit = snapshot (*on).getPixelAt (4, on->getHeight() / 2);
            const auto unlit = snapshot (*off).getPixelAt (4, off->getHeight() / 2);
            // The framework draws the body in the given colour with its saturation times 0.9.
            const auto accentBody = palette->accent.withMultipliedSaturation (0.9f);
            EXPECT_NEAR (lit.getRed(), accentBody.getRed(), 1);
            EXPECT_NEAR (lit.getGreen(), accentBody.getGreen(), 1);
            EXPECT_NEAR (lit.getBlue(), accentBody.getBlue(), 1);
            EXPECT_NE (unlit, lit);
        }
    }
}
