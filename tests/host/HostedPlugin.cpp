#include "HostedPlugin.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
// One of each format for the whole run: the LV2 world scans its search path when it is built,
// and a VST3 module is loaded once and shared by its instances.
struct Formats
{
    juce::VST3PluginFormat vst3;
    juce::LV2PluginFormat lv2;
    bool lv2PathLoaded = false;
};

std::unique_ptr<Formats>& formatsHolder()
{
    static std::unique_ptr<Formats> formats;
    return formats;
}

Formats& formats()
{
    auto& holder = formatsHolder();
    if (holder == nullptr)
        holder = std::make_unique<Formats>();
    return *holder;
}

// A Quorvane installed in one of the default LV2 folders carries the same URI and could be
// picked up instead of the fresh build; the test would then check the wrong binary. CTest runs
// this program through without-installed-bundles, which covers such a bundle with an empty
// folder; a bundle counts only when the host can load it, that is when it has its manifest.
juce::String installedLv2Bundle()
{
    for (const auto* folder : { "~/.lv2", "/usr/lib/lv2", "/usr/local/lib/lv2", "/usr/lib64/lv2", "/usr/local/lib64/lv2" })
    {
        const auto bundle = juce::File (folder).getChildFile ("Quorvane.lv2");
        if (bundle.getChildFile ("manifest.ttl").existsAsFile())
            return bundle.getFullPathName();
    }
    return {};
}

// The VST3 bundle under test: the build's, or the one QV_HOST_VST3_BUNDLE names (to check an
// installed copy, for example the Debian package's).
juce::File vst3BundleUnderTest()
{
    const auto chosen = juce::SystemStats::getEnvironmentVariable ("QV_HOST_VST3_BUNDLE", {});
    return juce::File (chosen.isNotEmpty() ? chosen : juce::String (QV_HOST_VST3_BUNDLE));
}

std::unique_ptr<juce::AudioPluginInstance> instantiate (juce::AudioPluginFormat& format, const juce::String& identifier)
{
    juce::OwnedArray<juce::PluginDescription> found;
    format.findAllTypesForFile (found, identifier);
    if (found.size() != 1)
    {
        ADD_FAILURE() << "expected one plug-in in " << identifier << ", found " << found.size();
        return nullptr;
    }

    juce::String error;
    auto instance = format.createInstanceFromDescription (*found[0], 44100.0, 512, error);
    if (instance == nullptr)
        ADD_FAILURE() << "cannot instantiate " << identifier << ": " << error;
    return instance;
}
} // namespace

std::string formatName (HostFormat format)
{
    return format == HostFormat::VST3 ? "VST3" : "LV2";
}

std::unique_ptr<juce::AudioPluginInstance> loadPlugin (HostFormat format)
{
    auto& f = formats();
    if (format == HostFormat::VST3)
    {
        const auto bundle = vst3BundleUnderTest();
        if (! bundle.isDirectory())
        {
            ADD_FAILURE() << "no VST3 bundle at " << bundle.getFullPathName();
            return nullptr;
        }
        return instantiate (f.vst3, bundle.getFullPathName());
    }

    if (! f.lv2PathLoaded)
    {
        if (const auto shadow = installedLv2Bundle(); shadow.isNotEmpty())
        {
            ADD_FAILURE() << "an installed bundle at " << shadow << " has the same URI as the build under test";
            return nullptr;
        }
        // The build folder joins the host's search path, as a user adding a folder would.
        f.lv2.searchPathsForPlugins (juce::FileSearchPath (juce::File (QV_HOST_LV2_DIR).getFullPathName()), true, false);
        f.lv2PathLoaded = true;
    }
    return instantiate (f.lv2, QV_HOST_LV2_URI);
}

void releasePluginFormats()
{
    formatsHolder().reset();
}

juce::Array<juce::AudioProcessorParameter*> pluginParameters (juce::AudioPluginInstance& plugin)
{
    juce::Array<juce::AudioProcessorParameter*> result;
    const auto* bypass = plugin.getBypassParameter();
    for (auto* p : plugin.getParameters())
        if (p != bypass)
            result.add (p);
    return result;
}

juce::AudioProcessorParameter* findParameter (juce::AudioPluginInstance& plugin, const juce::String& name)
{
    for (auto* p : pluginParameters (plugin))
        if (p->getName (256) == name)
            return p;
    ADD_FAILURE() << "no parameter named " << name;
    return nullptr;
}

void setRawValue (juce::AudioPluginInstance& plugin, const juce::String& name, float raw)
{
    auto* p = findParameter (plugin, name);
    if (p == nullptr)
        return;

    float normalised = 0.0f;
    if (p->isDiscrete() && p->getNumSteps() >= 2)
    {
        // Choices and switches: index over the evenly spaced steps. Text lookups are no use
        // here, since a format may not carry the choice texts faithfully.
        normalised = raw / static_cast<float> (p->getNumSteps() - 1);
    }
    else
    {
        // The plug-in's own text conversion maps its units onto the normalised range, skew
        // included; an LV2 host maps the plain number linearly onto the declared range.
        normalised = p->getValueForText (juce::String (raw, 6));
    }
    p->setValueNotifyingHost (juce::jlimit (0.0f, 1.0f, normalised));
}

bool setSidechainEnabled (juce::AudioPluginInstance& plugin, bool enabled)
{
    if (plugin.getBusCount (true) < 2)
        return false;
    auto layout = plugin.getBusesLayout();
    layout.inputBuses.getReference (1) = enabled ? juce::AudioChannelSet::stereo() : juce::AudioChannelSet::disabled();
    if (plugin.checkBusesLayoutSupported (layout))
        plugin.setBusesLayout (layout);
    return ! plugin.getBusesLayout().getChannelSet (true, 1).isDisabled();
}

void pumpMessages (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}

void HostAudio::prepare (double sampleRate, int maxBlockSize)
{
    maxBlock = maxBlockSize;
    plugin.setRateAndBufferSizeDetails (sampleRate, maxBlockSize);
    plugin.prepareToPlay (sampleRate, maxBlockSize);
    buffer.setSize (bufferChannels(), maxBlockSize);
}

void HostAudio::release()
{
    plugin.releaseResources();
}

int HostAudio::bufferChannels() const
{
    return std::max (plugin.getTotalNumInputChannels(), plugin.getTotalNumOutputChannels());
}

int HostAudio::sidechainChannelOffset() const
{
    if (plugin.getBusCount (true) < 2 || plugin.getChannelCountOfBus (true, 1) == 0)
        return -1;
    return plugin.getChannelIndexInProcessBlockBuffer (true, 1, 0);
}

void HostAudio::process (const float* const* mainIn, const float* const* sidechainIn, float* const* mainOut, int n)
{
    jassert (n <= maxBlock);
    juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), buffer.getNumChannels(), n);
    block.clear();

    const int mainChannels = plugin.getChannelCountOfBus (true, 0);
    for (int c = 0; c < mainChannels && mainIn != nullptr; ++c)
        block.copyFrom (c, 0, mainIn[c], n);

    if (const int sc = sidechainChannelOffset(); sc >= 0 && sidechainIn != nullptr)
        for (int c = 0; c < plugin.getChannelCountOfBus (true, 1); ++c)
            block.copyFrom (sc + c, 0, sidechainIn[c], n);

    midi.clear();
    plugin.processBlock (block, midi);

    if (mainOut != nullptr)
        for (int c = 0; c < plugin.getChannelCountOfBus (false, 0); ++c)
            juce::FloatVectorOperations::copy (mainOut[c], block.getReadPointer (c), n);
}
