#include "ProcessorTestSupport.h"
#include "params/ParamIDs.h"
#include "processor/Presets.h"

// Morph sets the three mix levels whoever moves it, with or without an editor; a restored state
// or preset keeps the levels it stored; when Morph and a level both move, the last change wins.

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 256;

struct Levels
{
    float fx, sig1, sig2;
};

// The Morph sweep worked by hand: dry Audio 1 at 0 %, the blend alone at 50 %, dry Audio 2 at
// 100 %, crossfading linearly in between.
Levels levelsByHand (float morph)
{
    return { morph <= 50.0f ? 2.0f * morph : 200.0f - 2.0f * morph, std::max (100.0f - 2.0f * morph, 0.0f),
             std::max (2.0f * morph - 100.0f, 0.0f) };
}

void setLevels (QuorvaneAudioProcessor& p, Levels levels)
{
    setRawParam (p, ParamIDs::fxLevel, levels.fx);
    setRawParam (p, ParamIDs::sig1Level, levels.sig1);
    setRawParam (p, ParamIDs::sig2Level, levels.sig2);
}

Levels heardLevels (QuorvaneAudioProcessor& p)
{
    const auto mix = p.readOutputMixParams();
    return { mix.fxLevel, mix.sig1Level, mix.sig2Level };
}

// Renders `blocks` blocks of the same noise through both processors, calling `between` before
// each block, and returns whether every output sample agrees bit for bit.
template <typename Between>
bool renderAlike (QuorvaneAudioProcessor& a, QuorvaneAudioProcessor& b, int blocks, Between&& between)
{
    HostedProcessor hostA (a), hostB (b);
    setRawParam (a, ParamIDs::mode, 9.0f); // Ring Modulation: the blend and both dry signals differ
    setRawParam (b, ParamIDs::mode, 9.0f);
    hostA.prepare (kRate, kBlock);
    hostB.prepare (kRate, kBlock);
    juce::AudioBuffer<float> bufferA (hostA.bufferChannels(), kBlock), bufferB (hostB.bufferChannels(), kBlock);
    for (int block = 0; block < blocks; ++block)
    {
        between (block);
        fillNoise (bufferA, block, 0.4f);
        bufferB.makeCopyOf (bufferA);
        hostA.process (bufferA);
        hostB.process (bufferB);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kBlock; ++i)
                if (bufferA.getSample (c, i) != bufferB.getSample (c, i))
                    return false;
    }
    return true;
}

void expectLevels (Levels heard, Levels expected, const std::string& what)
{
    EXPECT_EQ (heard.fx, expected.fx) << what;
    EXPECT_EQ (heard.sig1, expected.sig1) << what;
    EXPECT_EQ (heard.sig2, expected.sig2) << what;
}
} // namespace

TEST (MorphLevels, MorphSoundsLikeTheLevelsSetByHandWithoutAnEditor)
{
    for (float morph : { 0.0f, 10.0f, 25.0f, 33.0f, 50.0f, 64.0f, 90.0f, 100.0f })
    {
        SCOPED_TRACE (morph);
        auto byMorph = makeVst3Processor(), byHand = makeVst3Processor();
        setRawParam (*byMorph, ParamIDs::morph, morph);
        setLevels (*byHand, levelsByHand (morph));
        EXPECT_TRUE (renderAlike (*byMorph, *byHand, 8, [] (int) {}));
    }
}

TEST (MorphLevels, AutomatedMorphMovesTheMixBlockByBlock)
{
    // Morph moved between blocks, as host automation does with the editor closed.
    const float path[] = { 50.0f, 20.0f, 20.0f, 0.0f, 75.0f, 100.0f, 60.0f, 60.0f };
    auto byMorph = makeVst3Processor(), byHand = makeVst3Processor();
    EXPECT_TRUE (renderAlike (*byMorph, *byHand, (int) std::size (path), [&] (int block) {
        setRawParam (*byMorph, ParamIDs::morph, path[block]);
        setLevels (*byHand, levelsByHand (path[block]));
    }));
}

TEST (MorphLevels, TheLastChangeWins)
{
    struct Step
    {
        const char* id;
        float value;
    };
    struct Case
    {
        const char* what;
        std::vector<Step> steps;
        Levels heard;
    };
    const Case cases[] = {
        { "Morph, then FX Level", { { ParamIDs::morph, 25.0f }, { ParamIDs::fxLevel, 80.0f } }, { 80.0f, 50.0f, 0.0f } },
        { "FX Level, then Morph", { { ParamIDs::fxLevel, 80.0f }, { ParamIDs::morph, 25.0f } }, { 50.0f, 50.0f, 0.0f } },
        { "Morph, then Signal 2", { { ParamIDs::morph, 75.0f }, { ParamIDs::sig2Level, 10.0f } }, { 50.0f, 0.0f, 10.0f } },
        { "levels, then Morph back", { { ParamIDs::sig1Level, 40.0f }, { ParamIDs::morph, 100.0f } }, { 0.0f, 0.0f, 100.0f } },
    };
    for (bool messageThread : { false, true })
    {
        // With a message loop the level parameters themselves follow Morph at once.
        std::unique_ptr<juce::ScopedJuceInitialiser_GUI> runtime;
        if (messageThread)
            runtime = std::make_unique<juce::ScopedJuceInitialiser_GUI>();
        for (const auto& c : cases)
        {
            auto p = makeVst3Processor();
            for (const auto& step : c.steps)
                setRawParam (*p, step.id, step.value);
            const std::string what = std::string (c.what) + (messageThread ? " (message thread)" : "");
            expectLevels (heardLevels (*p), c.heard, what);
            if (messageThread)
                expectLevels ({ rawParam (*p, ParamIDs::fxLevel), rawParam (*p, ParamIDs::sig1Level),
                                rawParam (*p, ParamIDs::sig2Level) },
                              c.heard, what + ", parameters");
        }
    }
}

TEST (MorphLevels, ARestoredStateOrPresetKeepsTheLevelsItStored)
{
    // Levels set one by one after Morph: the state stores Morph 50 % with 30 / 20 / 10.
    const Levels stored { 30.0f, 20.0f, 10.0f };
    auto source = makeVst3Processor();
    setRawParam (*source, ParamIDs::morph, 50.0f);
    setLevels (*source, stored);
    juce::MemoryBlock state;
    source->getStateInformation (state);
    const auto preset = Presets::capture (*source);

    // The target's Morph moved last before the restore.
    auto restored = makeVst3Processor();
    setRawParam (*restored, ParamIDs::morph, 0.0f);
    restored->setStateInformation (state.getData(), (int) state.getSize());
    expectLevels (heardLevels (*restored), stored, "state");

    auto loaded = makeVst3Processor();
    setRawParam (*loaded, ParamIDs::morph, 100.0f);
    Presets::apply (*loaded, preset);
    expectLevels (heardLevels (*loaded), stored, "preset");

    // And Morph moved after the restore takes over again.
    setRawParam (*restored, ParamIDs::morph, 40.0f);
    expectLevels (heardLevels (*restored), levelsByHand (40.0f), "Morph after the restore");
}
