#include <gtest/gtest.h>

#include "params/ParamIDs.h"
#include "params/ParameterTable.h"
#include "ProcessorTestSupport.h"
#include "ui/ThemePalette.h"

#include <cmath>
#include <string>
#include <vector>

// State blocks as they arrive from damaged project files, foreign plug-ins and fuzzers: the
// restore either happens as documented or changes nothing, never crashes or hangs, and leaves
// every parameter inside its range and every step value finite, since the audio thread reads
// both without further checks.

namespace
{
constexpr juce::uint32 kXmlMagic = 0x21324356; // JUCE's marker for XML inside a binary block

// A block laid out as JUCE writes one: magic, declared text length, text, terminating zero.
juce::MemoryBlock rawBlock (juce::uint32 magic, juce::uint32 declaredLength, const std::string& text)
{
    juce::MemoryOutputStream out;
    out.writeInt ((int) magic);
    out.writeInt ((int) declaredLength);
    out.write (text.data(), text.size());
    out.writeByte (0);
    return out.getMemoryBlock();
}

juce::MemoryBlock blockFor (const std::string& xmlText)
{
    return rawBlock (kXmlMagic, (juce::uint32) xmlText.size() + 1, xmlText);
}

void restore (QuorvaneAudioProcessor& p, const juce::MemoryBlock& block)
{
    p.setStateInformation (block.getData(), (int) block.getSize());
}

juce::MemoryBlock saved (QuorvaneAudioProcessor& p)
{
    juce::MemoryBlock block;
    p.getStateInformation (block);
    return block;
}

// Every parameter inside its range, every step finite.
void expectSafeValues (QuorvaneAudioProcessor& p, const std::string& context)
{
    for (const auto& row : kParamTable)
    {
        const float v = rawParam (p, row.id);
        EXPECT_TRUE (std::isfinite (v)) << row.id << " is " << v << " after " << context;
        EXPECT_GE (v, row.min) << row.id << " after " << context;
        EXPECT_LE (v, row.max) << row.id << " after " << context;
    }
    for (int m = 0; m < 2; ++m)
        for (int s = 0; s < 16; ++s)
            EXPECT_TRUE (std::isfinite (p.getStepValue (m, s))) << "step " << m << "/" << s << " after " << context;
}

// Runs a few blocks with the sidechain on; nothing the restore left behind may poison them.
void expectProcessesCleanly (QuorvaneAudioProcessor& p, const std::string& context)
{
    HostedProcessor host (p, true);
    host.prepare (48000.0, 256);
    juce::AudioBuffer<float> buffer (4, 256);
    for (int block = 0; block < 3; ++block)
    {
        fillNoise (buffer, block, 0.7f);
        host.process (buffer);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 256; ++i)
                ASSERT_TRUE (std::isfinite (buffer.getSample (c, i))) << context;
    }
}

class StateRobustness : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QV::gActive = &QV::kLight;
        // The document a host would hold: every value away from its default.
        for (const auto& row : kParamTable)
            setRawParam (source, row.id, row.kind == ParamSpec::Kind::Float ? row.min + 0.25f * (row.max - row.min)
                                                                                : row.max);
        for (int m = 0; m < 2; ++m)
            for (int s = 0; s < 16; ++s)
                source.setStepValue (m, s, 0.05f * (float) (s - 8) * (m == 0 ? 1.0f : -1.0f));
        QV::gActive = &QV::kDark;
        valid = saved (source);
        auto xml = juce::AudioProcessor::getXmlFromBinary (valid.getData(), (int) valid.getSize());
        validText = xml->toString().toStdString();
        QV::gActive = &QV::kLight;
    }

    void TearDown() override { QV::gActive = &QV::kLight; }

    // An instance with a state of its own (different from the source's), so that both "nothing
    // changed" and "restored" can be told apart.
    std::unique_ptr<QuorvaneAudioProcessor> makeTarget()
    {
        auto p = std::make_unique<QuorvaneAudioProcessor>();
        setRawParam (*p, ParamIDs::heat, 40.0f);
        setRawParam (*p, ParamIDs::mode, 12.0f);
        for (int m = 0; m < 2; ++m)
            for (int s = 0; s < 16; ++s)
                p->setStepValue (m, s, 0.3f);
        return p;
    }

    // A document that sets Heat to 77 is either accepted whole (and restores) or refused whole.
    void expectRestoredOrRefused (const char* what, const std::string& doc, bool restores)
    {
        SCOPED_TRACE (what);
        auto p = makeTarget();
        const auto block = blockFor (doc);
        EXPECT_EQ (QuorvaneAudioProcessor::isRestorableStateBlock (block.getData(), (juce::int64) block.getSize()), restores);
        restore (*p, block);
        EXPECT_EQ (rawParam (*p, ParamIDs::heat), restores ? 77.0f : rawParam (*makeTarget(), ParamIDs::heat));
    }

    QuorvaneAudioProcessor source;
    juce::MemoryBlock valid;
    std::string validText;
};
} // namespace

TEST_F (StateRobustness, DamagedBlocksChangeNothing)
{
    juce::Random random (99);
    auto randomBytes = [&] (size_t n) {
        juce::MemoryBlock b (n);
        random.fillBitsRandomly (b.getData(), n);
        return b;
    };
    auto withHeader = [&] (juce::uint32 magic, juce::uint32 length) {
        auto b = valid;
        b.copyFrom (&magic, 0, 4);
        b.copyFrom (&length, 4, 4);
        return b;
    };
    const auto textLength = (juce::uint32) validText.size();

    const std::vector<std::pair<std::string, juce::MemoryBlock>> cases = {
        { "random bytes", randomBytes (3000) },
        { "random bytes behind a valid header", [&] {
              auto b = randomBytes (3000);
              b.copyFrom (valid.getData(), 0, 8);
              return b;
          }() },
        { "wrong magic number", withHeader (kXmlMagic ^ 1u, textLength + 1) },
        { "declared length 0", withHeader (kXmlMagic, 0) },
        { "declared length negative", withHeader (kXmlMagic, 0x80000000u) },
        { "declared length cuts the text", withHeader (kXmlMagic, textLength / 2) },
        { "only the header", juce::MemoryBlock (valid.getData(), 8) },
        { "not XML", blockFor ("this is a preset, honest") },
        { "unclosed root", blockFor ("<Quorvane><PARAM id=\"heat\" value=\"120\"/>") },
        { "binary zeros in the text", blockFor (std::string ("<Quorvane>\0<PARAM id=\"heat\" value=\"120\"/></Quorvane>", 52)) },
    };

    for (const auto& [name, block] : cases)
    {
        auto p = makeTarget();
        QV::gActive = &QV::kLight;
        const auto before = saved (*p);
        int restoredCalls = 0;
        p->onStateRestored = [&] { ++restoredCalls; };

        restore (*p, block);

        EXPECT_TRUE (saved (*p) == before) << name;
        EXPECT_EQ (restoredCalls, 0) << name;
        EXPECT_EQ (QV::gActive, &QV::kLight) << name;
        expectSafeValues (*p, name);
    }
}

TEST_F (StateRobustness, TruncatedBlocksRestoreFullyOrNotAtAll)
{
    auto full = makeTarget();
    restore (*full, valid);
    const auto restoredState = saved (*full);

    // Every length up to the whole block, in steps that hit header, tags and attribute values.
    for (size_t length = 0; length < valid.getSize(); length += 7)
    {
        auto p = makeTarget();
        const auto before = saved (*p);
        restore (*p, juce::MemoryBlock (valid.getData(), length));
        const auto after = saved (*p);
        EXPECT_TRUE (after == before || after == restoredState) << "truncated to " << length << " bytes";
        expectSafeValues (*p, "truncation to " + std::to_string (length));
    }
}

TEST_F (StateRobustness, ForeignRootIsRestoredLikeOurOwn)
{
    // The root's name is not checked: a document under another name restores what it holds.
    auto p = makeTarget();
    restore (*p, blockFor (R"(<SomethingElse><PARAM id="heat" value="120"/><StepSequencer s3="0.5"/></SomethingElse>)"));
    EXPECT_EQ (rawParam (*p, ParamIDs::heat), 120.0f);
    EXPECT_EQ (p->getStepValue (0, 3), 0.5f);
    EXPECT_EQ (p->getStepValue (0, 4), 0.0f);
    expectSafeValues (*p, "foreign root");
}

TEST_F (StateRobustness, OddAttributeValuesEndInsideTheRanges)
{
    struct Case
    {
        const char* value;
        float expectedHeat; // Heat runs 0..200 %, current value 40
    };
    const Case cases[] = {
        { "abc", 0.0f },      // not a number: reads 0
        { "", 0.0f },
        { "1e30", 200.0f },   // beyond the range: the nearest end
        { "-1e30", 0.0f },
        { "250", 200.0f },
        { "nan", 40.0f },     // not a value at all: ignored, Heat keeps its value
        { "inf", 40.0f },
        { "-inf", 40.0f },
        { "1e999", 40.0f },
        { "120.5abc", 121.0f }, // leading number, snapped to Heat's step of 1
    };
    for (const auto& c : cases)
    {
        auto p = makeTarget();
        restore (*p, blockFor (std::string ("<Quorvane><PARAM id=\"heat\" value=\"") + c.value + "\"/></Quorvane>"));
        EXPECT_EQ (rawParam (*p, ParamIDs::heat), c.expectedHeat) << "value \"" << c.value << "\"";
        expectSafeValues (*p, std::string ("heat = ") + c.value);
    }

    // The same for every parameter at once, and for the choices, whose index the engine uses to
    // pick a mode: nothing may end outside a range.
    for (const char* value : { "nan", "inf", "-inf", "1e30", "-1e30", "abc", "1e999", "-0" })
    {
        std::string doc = "<Quorvane>";
        for (const auto& row : kParamTable)
            doc += std::string ("<PARAM id=\"") + row.id + "\" value=\"" + value + "\"/>";
        doc += "</Quorvane>";
        auto p = makeTarget();
        restore (*p, blockFor (doc));
        expectSafeValues (*p, std::string ("every parameter = ") + value);
    }
    auto p = makeTarget();
    restore (*p, blockFor (R"(<Quorvane><PARAM id="mode" value="nan"/><PARAM id="direction" value="1e30"/></Quorvane>)"));
    EXPECT_EQ (rawParam (*p, ParamIDs::mode), 12.0f);
    EXPECT_EQ (rawParam (*p, ParamIDs::direction), 2.0f);
    expectProcessesCleanly (*p, "odd choice values");
}

TEST_F (StateRobustness, NonFiniteStepValuesAreIgnored)
{
    auto p = makeTarget();
    restore (*p, blockFor (R"(<Quorvane><StepSequencer s0="nan" s1="inf" s2="-inf" s3="1e999" s4="-1e40" s5="0.5" m1s0="NaN" m1s1="0.25"/></Quorvane>)"));
    for (int s = 0; s < 5; ++s)
        EXPECT_EQ (p->getStepValue (0, s), 0.3f) << "s" << s;
    EXPECT_EQ (p->getStepValue (0, 5), 0.5f);
    EXPECT_EQ (p->getStepValue (0, 6), 0.0f); // missing: 0
    EXPECT_EQ (p->getStepValue (1, 0), 0.3f);
    EXPECT_EQ (p->getStepValue (1, 1), 0.25f);
    expectSafeValues (*p, "non-finite steps");

    // Modulator 1 plays the steps into the Morph; the restored ones must keep the audio clean.
    setRawParam (*p, ParamIDs::seqEnabled, 1.0f);
    expectProcessesCleanly (*p, "sequencer after non-finite steps");
}

TEST_F (StateRobustness, DuplicatedElements)
{
    // Two PARAM elements for one parameter: the later one wins, as the framework reads them.
    {
        auto p = makeTarget();
        restore (*p, blockFor (R"(<Quorvane><PARAM id="heat" value="10"/><PARAM id="heat" value="20"/></Quorvane>)"));
        EXPECT_EQ (rawParam (*p, ParamIDs::heat), 20.0f);
    }

    // Two step and two theme elements: the first of each is read, and neither may linger in the
    // state, or the stale copy would be read back instead of the current steps after the next
    // save and restore.
    auto p = makeTarget();
    QV::gActive = &QV::kLight;
    restore (*p, blockFor (R"(<Quorvane><StepSequencer s0="0.5"/><StepSequencer s0="-0.5"/><UIPrefs theme="1"/><UIPrefs theme="0"/></Quorvane>)"));
    EXPECT_EQ (p->getStepValue (0, 0), 0.5f);
    EXPECT_EQ (QV::gActive, &QV::kDark);

    p->setStepValue (0, 0, 0.75f);
    QV::gActive = &QV::kLight;
    const auto block = saved (*p);
    auto xml = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());
    ASSERT_NE (xml, nullptr);
    int stepElements = 0, prefElements = 0;
    for (auto* child : xml->getChildIterator())
    {
        stepElements += child->hasTagName ("StepSequencer") ? 1 : 0;
        prefElements += child->hasTagName ("UIPrefs") ? 1 : 0;
    }
    EXPECT_EQ (stepElements, 1);
    EXPECT_EQ (prefElements, 1);

    auto reloaded = makeTarget();
    restore (*reloaded, block);
    EXPECT_EQ (reloaded->getStepValue (0, 0), 0.75f);
    EXPECT_EQ (QV::gActive, &QV::kLight);
}

TEST_F (StateRobustness, RandomlyMutatedDocuments)
{
    // Valid documents with characters overwritten, inserted or removed at random: whatever the
    // parser makes of them, the values that come out are safe.
    juce::Random random (1234);
    const char alphabet[] = "<>/=\" PARAMidvalue0123456789.-eEnaif\n";
    for (int round = 0; round < 200; ++round)
    {
        std::string text = validText;
        const int edits = 1 + random.nextInt (8);
        for (int e = 0; e < edits; ++e)
        {
            const size_t at = (size_t) random.nextInt ((int) text.size());
            const char c = alphabet[random.nextInt ((int) sizeof (alphabet) - 1)];
            switch (random.nextInt (3))
            {
                case 0: text[at] = c; break;
                case 1: text.insert (at, 1, c); break;
                default: text.erase (at, 1); break;
            }
        }
        auto p = makeTarget();
        restore (*p, blockFor (text));
        expectSafeValues (*p, "mutation round " + std::to_string (round));
        if (HasFailure())
        {
            ADD_FAILURE() << "document: " << text;
            return;
        }
    }
}

TEST_F (StateRobustness, TenMegabyteBlocks)
{
    constexpr size_t kSize = 10u << 20;

    // A well-formed document bloated with unknown elements and one enormous attribute: far
    // beyond any real state (about 3 KB), it is refused whole before it is parsed.
    {
        std::string doc = "<Quorvane><PARAM id=\"heat\" value=\"77\"/><Junk text=\"";
        doc.append (kSize / 2, 'x');
        doc += "\"/>";
        while (doc.size() < kSize)
            doc += "<Filler a=\"1\"/>";
        doc += "</Quorvane>";
        auto p = makeTarget();
        const auto before = saved (*p);
        restore (*p, blockFor (doc));
        EXPECT_TRUE (saved (*p) == before);
        expectSafeValues (*p, "10 MB document");
    }

    // Elements nested millions deep, the shape that exhausts a recursive parser's stack.
    {
        std::string doc = "<Quorvane>";
        while (doc.size() < kSize / 2)
            doc += "<a>";
        while (doc.size() < kSize)
            doc += "</a>";
        auto p = makeTarget();
        const auto before = saved (*p);
        restore (*p, blockFor (doc));
        EXPECT_TRUE (saved (*p) == before);
    }

    // Ten megabytes of noise, with and without a valid header.
    {
        juce::MemoryBlock noise (kSize);
        juce::Random (5).fillBitsRandomly (noise.getData(), kSize);
        auto p = makeTarget();
        const auto before = saved (*p);
        restore (*p, noise);
        noise.copyFrom (valid.getData(), 0, 8);
        restore (*p, noise);
        EXPECT_TRUE (saved (*p) == before);
        expectProcessesCleanly (*p, "after 10 MB of noise");
    }
}

// The limits a block must keep to be parsed at all: its size, and the number of elements and
// attributes, which is what the parser's time grows with (a million attributes with distinct
// names took the framework's parser many seconds). A block at each limit restores; one item or
// one byte more and it is refused whole.
TEST_F (StateRobustness, BlocksAtTheSizeAndItemLimits)
{
    constexpr int kItemLimit = 16384; // elements plus attributes
    const auto maxBytes = (size_t) QuorvaneAudioProcessor::kMaxStateBlockBytes;
    constexpr size_t kBlockOverhead = 9; // magic, length, terminating zero

    // Root + PARAM with two attributes = 4 items; each filler adds an element and an attribute
    // with a name of its own.
    const auto withFillers = [] (int fillers) {
        std::string doc = "<Quorvane><PARAM id=\"heat\" value=\"77\"/>";
        for (int i = 0; i < fillers; ++i)
            doc += "<F n" + std::to_string (i) + "=\"1\"/>";
        return doc + "</Quorvane>";
    };
    const auto withPadding = [] (size_t totalText) {
        const std::string head = "<Quorvane><PARAM id=\"heat\" value=\"77\"/><Pad t=\"";
        const std::string tail = "\"/></Quorvane>";
        return head + std::string (totalText - head.size() - tail.size(), 'x') + tail;
    };

    struct Case
    {
        const char* what;
        std::string doc;
        bool restores;
    };
    const Case cases[] = {
        { "items at the limit", withFillers ((kItemLimit - 4) / 2), true },
        { "one filler past the item limit", withFillers ((kItemLimit - 4) / 2 + 1), false },
        { "block at the size limit", withPadding (maxBytes - kBlockOverhead), true },
        { "block one byte past it", withPadding (maxBytes - kBlockOverhead + 1), false },
    };
    for (const auto& c : cases)
        expectRestoredOrRefused (c.what, c.doc, c.restores);
}

// The framework's parser never returns from an '&' that no ';' follows (it appends to a string
// until memory runs out); such a block is refused, while escaped characters still restore.
TEST_F (StateRobustness, AmpersandsWithoutAnEndAreRefused)
{
    struct Case
    {
        const char* what;
        std::string doc;
        bool restores;
    };
    const Case cases[] = {
        { "escaped characters", "<Quorvane><PARAM id=\"heat\" value=\"77\" note=\"a &amp; b &#10; &lt;\"/></Quorvane>", true },
        { "an '&' at the end of a value", "<Quorvane><PARAM id=\"heat\" value=\"77\" note=\"a &\"/></Quorvane>", false },
        { "an '&' in a name", "<Quorvane><PARAM id=\"heat\" value=\"77\"/><P&x a=\"1\"/></Quorvane>", false },
        { "a ';' too far away", "<Quorvane><PARAM id=\"heat\" value=\"77\" note=\"&aaaaaaaaaaaaaaaaaaaaaaaaa;\"/></Quorvane>", false },
    };
    for (const auto& c : cases)
        expectRestoredOrRefused (c.what, c.doc, c.restores);
}
