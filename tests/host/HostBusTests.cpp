#include "HostTestSupport.h"

#include <pluginterfaces/vst/ivstcomponent.h>

// Bus negotiation as a host performs it: stereo main input, stereo sidechain, stereo output;
// an input may be switched off; mono and surround are refused.

namespace
{
using Set = juce::AudioChannelSet;

juce::AudioProcessor::BusesLayout layoutOf (const Set& mainIn, const Set& sidechain, const Set& out)
{
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (mainIn);
    layout.inputBuses.add (sidechain);
    layout.outputBuses.add (out);
    return layout;
}
} // namespace

using HostBuses = HostedPluginTest;

TEST_P (HostBuses, StereoMainInputStereoSidechainAndStereoOutput)
{
    ASSERT_EQ (plugin->getBusCount (true), 2);
    ASSERT_EQ (plugin->getBusCount (false), 1);
    // The LV2 description names its port groups after the signals they carry.
    EXPECT_EQ (plugin->getBus (true, 0)->getName(), isVst3() ? "Input" : "Audio 1");
    EXPECT_EQ (plugin->getBus (true, 1)->getName(), isVst3() ? "Sidechain" : "Audio 2 (Sidechain)");
    EXPECT_EQ (plugin->getBus (false, 0)->getName(), "Output");
    EXPECT_EQ (plugin->getChannelLayoutOfBus (true, 0), Set::stereo());
    EXPECT_EQ (plugin->getChannelLayoutOfBus (true, 1), Set::stereo());
    EXPECT_EQ (plugin->getChannelLayoutOfBus (false, 0), Set::stereo());

    if (isVst3())
    {
        // The sidechain is the VST3 auxiliary input, which is how hosts know where to route it.
        Steinberg::Vst::IComponent* component = nullptr;
        struct FindComponent : juce::ExtensionsVisitor
        {
            Steinberg::Vst::IComponent*& found;
            explicit FindComponent (Steinberg::Vst::IComponent*& f) : found (f) {}
            void visitVST3Client (const VST3Client& client) override { found = client.getIComponentPtr(); }
        } visitor { component };
        plugin->getExtensions (visitor);
        ASSERT_NE (component, nullptr);
        Steinberg::Vst::BusInfo info {};
        ASSERT_EQ (component->getBusInfo (Steinberg::Vst::kAudio, Steinberg::Vst::kInput, 0, info), Steinberg::kResultOk);
        EXPECT_EQ (info.busType, Steinberg::Vst::kMain);
        ASSERT_EQ (component->getBusInfo (Steinberg::Vst::kAudio, Steinberg::Vst::kInput, 1, info), Steinberg::kResultOk);
        EXPECT_EQ (info.busType, Steinberg::Vst::kAux);
        EXPECT_EQ (info.channelCount, 2);
    }
}

TEST_P (HostBuses, MonoAndSurroundAreRefused)
{
    const Set st = Set::stereo();
    struct Case { const char* what; juce::AudioProcessor::BusesLayout layout; };
    const Case refused[] = {
        { "mono main input", layoutOf (Set::mono(), st, st) },
        { "mono sidechain", layoutOf (st, Set::mono(), st) },
        { "mono output", layoutOf (st, st, Set::mono()) },
        { "5.1 output", layoutOf (st, st, Set::create5point1()) },
        { "LCR main input", layoutOf (Set::createLCR(), st, st) },
        { "quadraphonic sidechain", layoutOf (st, Set::quadraphonic(), st) },
    };
    EXPECT_TRUE (plugin->checkBusesLayoutSupported (layoutOf (st, st, st)));
    for (const auto& c : refused)
        EXPECT_FALSE (plugin->checkBusesLayoutSupported (c.layout)) << c.what;
}

// LV2 has no way to switch off a bus that is not declared optional, and JUCE declares the buses
// a plug-in enables by default as required; an LV2 host feeds the sidechain silence instead,
// which the processing tests cover. So this is a VST3 matter only.
using HostBusSwitching = HostedPluginTest;

TEST_P (HostBusSwitching, EitherInputMaySwitchOff)
{
    const Set st = Set::stereo();
    EXPECT_TRUE (plugin->checkBusesLayoutSupported (layoutOf (st, Set::disabled(), st)));
    EXPECT_TRUE (plugin->checkBusesLayoutSupported (layoutOf (Set::disabled(), st, st)));

    // Main input off, sidechain on: the engine runs with an empty role 1 and the output is
    // silent, whatever the sidechain carries.
    ASSERT_TRUE (plugin->setBusesLayout (layoutOf (Set::disabled(), st, st)));
    HostAudio audio (*plugin);
    audio.prepare (48000.0, 256);
    auto sidechain = noiseSignal (256, 0.8f, 11);
    StereoSignal out (256);
    for (int block = 0; block < 4; ++block)
    {
        audio.process (nullptr, sidechain.at (0), out.writeAt (0), 256);
        for (int i = 0; i < 256; ++i)
        {
            ASSERT_EQ (out.left[(size_t) i], 0.0f) << "block " << block << " sample " << i;
            ASSERT_EQ (out.right[(size_t) i], 0.0f) << "block " << block << " sample " << i;
        }
    }
}

QV_INSTANTIATE_FOR_BOTH_FORMATS (HostBuses);
QV_INSTANTIATE_FOR_VST3 (HostBusSwitching);
