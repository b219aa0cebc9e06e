#include "../params/ExpectedParameters.h"
#include "HostTestSupport.h"

// The latency a host compensates for: it follows the blend entry (and the resolution for the
// frame-based entries), and for the delay-line entries an impulse on the sidechain really comes
// out that many samples later.

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 256;

// The latency the host sees once it has caught up with the one the plug-in reports.
int settledLatency (juce::AudioPluginInstance& plugin, HostAudio& audio, int expected)
{
    processUntilSettled (audio, kBlock, [&] { return plugin.getLatencySamples() == expected; });
    return plugin.getLatencySamples();
}

int indexOfEntry (const char* name)
{
    const auto& entries = expectedBlendEntries();
    for (size_t i = 0; i < entries.size(); ++i)
        if (juce::String (entries[i].name) == name)
            return (int) i;
    ADD_FAILURE() << "no entry " << name;
    return 0;
}
} // namespace

using HostLatency = HostedPluginTest;

TEST_P (HostLatency, FollowsTheEntryAndTheResolution)
{
    HostAudio audio (*plugin);
    audio.prepare (kRate, kBlock);

    const auto& entries = expectedBlendEntries();
    for (int index = 0; index < (int) entries.size(); ++index)
    {
        const auto& entry = entries[(size_t) index];
        setRawValue (*plugin, "Blend Mode", (float) index);
        const bool frameBased = entry.blendMode == 1 || entry.blendMode == 10 || entry.blendMode == 11
                             || entry.blendMode == 12;
        for (int resolution = 0; resolution <= 12; ++resolution)
        {
            if (! frameBased && resolution != 0 && resolution != 12)
                continue;
            setRawValue (*plugin, "Resolution", (float) resolution);
            const int expected = expectedLatency (entry.blendMode, resolution);
            EXPECT_EQ (settledLatency (*plugin, audio, expected), expected)
                << entry.name << " at resolution " << resolution;
        }
    }
}

// Without a sidechain the plug-in passes its input through, and still reports the latency of
// the selected entry. Only VST3 can switch the sidechain off.
using HostLatencyWithoutSidechain = HostedPluginTest;

TEST_P (HostLatencyWithoutSidechain, IsReportedAllTheSame)
{
    ASSERT_FALSE (setSidechainEnabled (*plugin, false));
    HostAudio audio (*plugin);
    audio.prepare (kRate, kBlock);
    setRawValue (*plugin, "Blend Mode", (float) indexOfEntry ("Frequency Splice"));
    EXPECT_EQ (settledLatency (*plugin, audio, 2048), 2048);
    setRawValue (*plugin, "Blend Mode", (float) indexOfEntry ("Add"));
    EXPECT_EQ (settledLatency (*plugin, audio, 0), 0);
}

// An impulse on the sidechain, the blend alone at full level and the output stage's filters out
// of the way: the impulse must leave at exactly the reported latency and nowhere else, while a
// tone on the main input, set up to move nothing, must not be heard.
struct ImpulseCase
{
    const char* entry;
    int direction;                 // which role the sidechain plays
    std::vector<std::pair<const char*, float>> settings;
};

class HostImpulse : public HostedPluginTest
{
protected:
    void checkImpulse (const ImpulseCase& c)
    {
        ASSERT_TRUE (setSidechainEnabled (*plugin, true));
        HostAudio audio (*plugin);
        audio.prepare (kRate, kBlock);

        setRawValue (*plugin, "Blend Mode", (float) indexOfEntry (c.entry));
        setRawValue (*plugin, "Direction", (float) c.direction);
        for (const auto& [name, value] : std::vector<std::pair<const char*, float>> {
                 { "FX Level", 100.0f }, { "Signal 1", 0.0f }, { "Signal 2", 0.0f }, { "FX LowCut", 20.0f },
                 { "FX HiCut", 20000.0f }, { "Heat", 0.0f }, { "Clip Ceiling", 0.0f }, { "Output Volume", 0.0f } })
            setRawValue (*plugin, name, value);
        for (const auto& [name, value] : c.settings)
            setRawValue (*plugin, name, value);

        const int latency = settledLatency (*plugin, audio, 1024);
        ASSERT_EQ (latency, 1024);

        // An LV2 sidechain counts as connected from its first sample that is not zero, and the
        // blend then takes over from the pass-through in a crossfade once its delay lines are
        // full: a sample far below what is measured wakes it, and the blend runs well past
        // that before the impulse comes. Other formats run the blend all along.
        {
            StereoSignal wake (kBlock), silence (kBlock), ignored (kBlock);
            wake.left[0] = wake.right[0] = 1.0e-12f;
            for (int b = 0; b < 16; ++b)
                audio.process (silence.at (0), (b == 0 ? wake : silence).at (0), ignored.writeAt (0), kBlock);
        }

        // Fresh delay lines: the blocks above ran silence through them.
        const int impulseAt = 3 * kBlock + 37;
        const int total = impulseAt + latency + 4 * kBlock;
        StereoSignal mainIn (total), sidechain (total), out (total);
        for (int i = 0; i < total; ++i)
            mainIn.left[(size_t) i] = mainIn.right[(size_t) i] = 0.25f * (float) std::sin (0.13 * i);
        sidechain.left[(size_t) impulseAt] = sidechain.right[(size_t) impulseAt] = 0.5f;

        for (int offset = 0; offset < total; offset += kBlock)
            audio.process (mainIn.at (offset), sidechain.at (offset), out.writeAt (offset), std::min (kBlock, total - offset));

        // An entry the engine does not run falls back to copying role 1 through the (here
        // transparent) output stage: the clipper's tanh of role 1, sample for sample and without
        // delay. Named here because it is the likeliest way for this check to fail.
        const auto& roleOne = c.direction == 1 ? sidechain : mainIn;
        float distanceFromCopy = 0.0f;
        for (int i = 0; i < total; ++i)
            distanceFromCopy = std::max (distanceFromCopy, std::fabs (out.left[(size_t) i] - std::tanh (roleOne.left[(size_t) i])));
        ASSERT_GE (distanceFromCopy, 1.0e-5f) << c.entry << " copies role 1 without delay instead of running";

        const float expectedPeak = std::tanh (0.5f);
        for (const auto* channel : { &out.left, &out.right })
        {
            for (int i = 0; i < total; ++i)
            {
                const float y = (*channel)[(size_t) i];
                if (i == impulseAt + latency)
                    EXPECT_NEAR (y, expectedPeak, 1.0e-4f) << "the impulse, " << latency << " samples late";
                else
                    ASSERT_LT (std::fabs (y), 1.0e-6f) << "sample " << i << " (impulse in at " << impulseAt << ")";
            }
        }
    }
};

TEST_P (HostImpulse, FrequencyModulationDelaysTheSidechainByItsLatency)
{
    // "1 > 2": the sidechain is the carried signal. No depth, so role 1 moves nothing.
    checkImpulse ({ "Frequency Modulation (FM)", 0,
                    { { "FM Depth", 0.0f }, { "FM Feedback", 0.0f }, { "WS Smoothing", 0.0f } } });
}

TEST_P (HostImpulse, ScrubDelaysTheSidechainByItsLatency)
{
    // "2 > 1": the sidechain is the scrubbed history. Scale 0 and no drift keep the playhead
    // at its resting point.
    checkImpulse ({ "Scrub", 1, { { "Scrub Scale", 0.0f }, { "Scrub Bias", 0.0f } } });
}

QV_INSTANTIATE_FOR_BOTH_FORMATS (HostLatency);
QV_INSTANTIATE_FOR_VST3 (HostLatencyWithoutSidechain);
QV_INSTANTIATE_FOR_BOTH_FORMATS (HostImpulse);

// The dry signals are held back by the reported latency too, so that after the host's
// compensation they meet the blend in time: an impulse on either input, heard through its own
// dry level alone, leaves at exactly the latency.
using HostDryAlignment = HostedPluginTest;

TEST_P (HostDryAlignment, EachDrySignalLeavesAtTheReportedLatency)
{
    ASSERT_TRUE (setSidechainEnabled (*plugin, true));
    HostAudio audio (*plugin);
    audio.prepare (kRate, kBlock);
    for (const auto& [name, value] : std::vector<std::pair<const char*, float>> {
             { "FX Level", 0.0f }, { "Clip Ceiling", 0.0f }, { "Output Volume", 0.0f }, { "Resolution", 10.0f } })
        setRawValue (*plugin, name, value);

    for (const char* entry : { "Frequency Modulation (FM)", "Frequency Splice", "Spectral Gate" })
        for (const bool throughSidechain : { false, true })
        {
            SCOPED_TRACE (std::string (entry) + (throughSidechain ? ", Signal 2" : ", Signal 1"));
            setRawValue (*plugin, "Blend Mode", (float) indexOfEntry (entry));
            setRawValue (*plugin, "Signal 1", throughSidechain ? 0.0f : 100.0f);
            setRawValue (*plugin, "Signal 2", throughSidechain ? 100.0f : 0.0f);
            const int index = indexOfEntry (entry);
            const int latency = expectedLatency (expectedBlendEntries()[(size_t) index].blendMode, 10);
            ASSERT_EQ (settledLatency (*plugin, audio, latency), latency);

            // Silence first, long enough to flush whatever the delays held.
            const int impulseAt = latency + 3 * kBlock + 37;
            const int total = impulseAt + latency + 2 * kBlock;
            StereoSignal mainIn (total), sidechain (total), out (total);
            auto& carrying = throughSidechain ? sidechain : mainIn;
            // An LV2 sidechain counts as routed from its first non-zero sample; this one is far
            // below anything the check below can see.
            sidechain.left[0] = 1.0e-30f;
            carrying.left[(size_t) impulseAt] = carrying.right[(size_t) impulseAt] = 0.5f;
            for (int offset = 0; offset < total; offset += kBlock)
                audio.process (mainIn.at (offset), sidechain.at (offset), out.writeAt (offset), std::min (kBlock, total - offset));

            for (const auto* channel : { &out.left, &out.right })
                for (int i = impulseAt - latency; i < total; ++i)
                {
                    const float y = (*channel)[(size_t) i];
                    if (i == impulseAt + latency)
                        EXPECT_NEAR (y, std::tanh (0.5f), 1.0e-5f);
                    else
                        ASSERT_LT (std::fabs (y), 1.0e-6f) << "sample " << i << " (impulse in at " << impulseAt << ")";
                }
        }
}

QV_INSTANTIATE_FOR_BOTH_FORMATS (HostDryAlignment);

// A host that opens a saved session restores the plug-in, prepares it and asks for its latency
// before the first block, where an export starts: it must already be the restored setting's.
// The restore itself calls nothing back into the host; the latency follows once it returned.
// (An LV2 plug-in tells its latency through a port that its first block writes.)
using HostLatencyBeforeTheFirstBlock = HostedPluginTest;

TEST_P (HostLatencyBeforeTheFirstBlock, IsTheRestoredSettingsAtPreparation)
{
    // A saved state with Spectral Gate at Resolution 12 (one frame of 4096 samples).
    auto source = loadPlugin (GetParam());
    ASSERT_NE (source, nullptr);
    {
        HostAudio sourceAudio (*source);
        sourceAudio.prepare (kRate, kBlock);
        setRawValue (*source, "Blend Mode", (float) indexOfEntry ("Spectral Gate"));
        setRawValue (*source, "Resolution", 12.0f);
        ASSERT_EQ (settledLatency (*source, sourceAudio, 4096), 4096);
    }
    juce::MemoryBlock state;
    source->getStateInformation (state);

    plugin->setStateInformation (state.getData(), (int) state.getSize());
    pumpMessages();
    HostAudio audio (*plugin);
    audio.prepare (kRate, kBlock);
    EXPECT_EQ (plugin->getLatencySamples(), 4096);
}

QV_INSTANTIATE_FOR_VST3 (HostLatencyBeforeTheFirstBlock);
