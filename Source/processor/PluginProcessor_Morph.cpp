#include "processor/PluginProcessor.h"
#include "engine/ModulatorShape.h"
#include "params/ParamIDs.h"

// Morph and the three mix levels. Morph is a host parameter, and its position is the three
// levels (FX Level, Signal 1, Signal 2), whoever moves it: the editor's dial, host automation, a
// host's generic controls, the renderer. A saved state or a preset restores the levels it
// stored, whatever its Morph. When Morph and the levels both move, the last change wins.
//
// Every change is stamped from one counter as it happens (on whichever thread sets it, lock
// free), and the block plays each level as Morph sets it while Morph's stamp is newer than that
// level's own (Morph at 25 %, then FX Level at 80 %: FX 80 %, Signal 1 still Morph's 50 %). So a
// host that automates Morph with the editor closed, or an offline render, hears it at once. The
// levels' own values follow so that the host shows what is heard: at once when Morph moves on
// the message thread, else within a timer tick (the audio thread only raises a flag).

namespace
{
constexpr int kPublishIntervalMs = 50;
}

const std::array<const char*, 3> QuorvaneAudioProcessor::MorphCoupling::kLevelIds {
    ParamIDs::fxLevel, ParamIDs::sig1Level, ParamIDs::sig2Level
};

QuorvaneAudioProcessor::MorphCoupling::MorphCoupling (QuorvaneAudioProcessor& p) : processor (p)
{
    for (size_t i = 0; i < kLevelIds.size(); ++i)
        levelParameters[i] = processor.parameters.getParameter (kLevelIds[i]);
    processor.parameters.addParameterListener (ParamIDs::morph, this);
    for (const char* id : kLevelIds)
        processor.parameters.addParameterListener (id, this);
    // Without a message loop (an offline tool), the block still hears Morph; nobody reads the
    // levels' host values there.
    if (juce::MessageManager::getInstanceWithoutCreating() != nullptr)
        startTimer (kPublishIntervalMs);
}

QuorvaneAudioProcessor::MorphCoupling::~MorphCoupling()
{
    stopTimer();
    processor.parameters.removeParameterListener (ParamIDs::morph, this);
    for (const char* id : kLevelIds)
        processor.parameters.removeParameterListener (id, this);
}

QuorvaneAudioProcessor::MixLevels QuorvaneAudioProcessor::MorphCoupling::levelsOf (float morphPercent) const noexcept
{
    // The shared Morph formula, each level then on its dial's grid, exactly as the parameter
    // would hold it if it were set to that level.
    const auto levels = morphLevels (morphPercent / 100.0f);
    const float percent[] = { levels.fx * 100.0f, levels.sig1 * 100.0f, levels.sig2 * 100.0f };
    MixLevels result;
    for (size_t i = 0; i < kLevelIds.size(); ++i)
        result[i] = levelParameters[i]->getNormalisableRange().snapToLegalValue (percent[i]);
    return result;
}

bool QuorvaneAudioProcessor::MorphCoupling::morphIsNewer (size_t level) const noexcept
{
    return morphStamp.load() > levelStamps[level].load();
}

void QuorvaneAudioProcessor::MorphCoupling::settingsLoaded() noexcept
{
    // A state or preset keeps the levels it stored.
    for (auto& stamp : levelStamps)
        stamp.store (++stampCounter);
    levelsToPublish.store (false);
}

void QuorvaneAudioProcessor::MorphCoupling::parameterChanged (const juce::String& id, float)
{
    // Inside a load the end of the load decides (settingsLoaded); while the levels are being set
    // to Morph's, their changes are Morph's own.
    const bool ownChange = publishingThread.load() == juce::Thread::getCurrentThreadId();
    if (ownChange || processor.settingsLoadsUnderWay.load() > 0)
        return;
    for (size_t i = 0; i < kLevelIds.size(); ++i)
    {
        if (id == kLevelIds[i])
        {
            levelStamps[i].store (++stampCounter);
            return;
        }
    }
    morphStamp.store (++stampCounter);
    if (juce::MessageManager::existsAndIsCurrentThread())
        publishLevels();
    else
        levelsToPublish.store (true);
}

void QuorvaneAudioProcessor::MorphCoupling::timerCallback()
{
    if (levelsToPublish.exchange (false))
        publishLevels();
}

void QuorvaneAudioProcessor::MorphCoupling::publishLevels()
{
    // Sets the three level parameters to Morph's levels, each as one gesture for the host.
    const auto levels = levelsOf (processor.paramValue<ParamIDs::morph>());
    publishingThread.store (juce::Thread::getCurrentThreadId());
    for (size_t i = 0; i < kLevelIds.size(); ++i)
    {
        if (! morphIsNewer (i))
            continue;
        auto* parameter = levelParameters[i];
        const float normalised = parameter->convertTo0to1 (levels[i]);
        if (parameter->getValue() == normalised)
            continue;
        parameter->beginChangeGesture();
        parameter->setValueNotifyingHost (normalised);
        parameter->endChangeGesture();
    }
    publishingThread.store (nullptr);
}

QuorvaneAudioProcessor::MixLevels QuorvaneAudioProcessor::heardMixLevels() const noexcept
{
    MixLevels levels { paramValue<ParamIDs::fxLevel>(), paramValue<ParamIDs::sig1Level>(),
                       paramValue<ParamIDs::sig2Level>() };
    bool anyFromMorph = false;
    for (size_t i = 0; i < levels.size(); ++i)
        anyFromMorph = anyFromMorph || morphCoupling.morphIsNewer (i);
    if (! anyFromMorph)
        return levels;
    const auto ofMorph = morphCoupling.levelsOf (paramValue<ParamIDs::morph>());
    for (size_t i = 0; i < levels.size(); ++i)
        if (morphCoupling.morphIsNewer (i))
            levels[i] = ofMorph[i];
    return levels;
}
