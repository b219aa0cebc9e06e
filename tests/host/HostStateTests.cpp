#include "../params/ExpectedParameters.h"
#include "HostTestSupport.h"

// A host saves the plug-in's state with its project and later restores it into a new instance:
// the block must come back byte for byte, and so must every parameter.

using HostState = HostedPluginTest;

TEST_P (HostState, RoundTripIsByteForByte)
{
    // Random whole values, which lie on every parameter's grid, so that the host's idea of a
    // value and the plug-in's agree exactly.
    juce::Random random (2024);
    for (const auto& e : expectedParameters())
    {
        const int low = (int) std::ceil (e.min), high = (int) std::floor (e.max);
        setRawValue (*plugin, e.name, (float) (low + random.nextInt (high - low + 1)));
    }
    HostAudio audio (*plugin);
    audio.prepare (48000.0, 128);
    StereoSignal block (128);
    audio.process (block.at (0), block.at (0), block.writeAt (0), 128); // let the values reach the plug-in
    pumpMessages();

    juce::MemoryBlock saved;
    plugin->getStateInformation (saved);
    ASSERT_GT (saved.getSize(), 0u);

    auto restored = loadPlugin (GetParam());
    ASSERT_NE (restored, nullptr);
    juce::MemoryBlock defaults;
    restored->getStateInformation (defaults);
    EXPECT_FALSE (defaults == saved) << "the block does not carry the parameter values";

    restored->setStateInformation (saved.getData(), (int) saved.getSize());
    pumpMessages();

    juce::MemoryBlock savedAgain;
    restored->getStateInformation (savedAgain);
    EXPECT_EQ (savedAgain.getSize(), saved.getSize());
    EXPECT_TRUE (savedAgain == saved) << "the second save differs from the first";

    // The host's view of the restored values, once the new instance has run and told it.
    HostAudio restoredAudio (*restored);
    restoredAudio.prepare (48000.0, 128);
    restoredAudio.process (block.at (0), block.at (0), block.writeAt (0), 128);
    pumpMessages();
    for (const auto& e : expectedParameters())
    {
        auto* original = findParameter (*plugin, e.name);
        auto* copy = findParameter (*restored, e.name);
        ASSERT_NE (original, nullptr);
        ASSERT_NE (copy, nullptr);
        EXPECT_EQ (copy->getCurrentValueAsText(), original->getCurrentValueAsText()) << e.name;
    }
    restoredAudio.release();
    audio.release();
}

TEST_P (HostState, ForeignBlocksLeaveTheInstanceWorking)
{
    juce::MemoryBlock garbage (4096);
    juce::Random (7).fillBitsRandomly (garbage.getData(), garbage.getSize());
    plugin->setStateInformation (garbage.getData(), (int) garbage.getSize());
    plugin->setStateInformation (garbage.getData(), 0);

    HostAudio audio (*plugin);
    audio.prepare (44100.0, 64);
    auto in = noiseSignal (64, 0.5f, 3);
    StereoSignal out (64);
    audio.process (in.at (0), in.at (0), out.writeAt (0), 64);
    for (int i = 0; i < 64; ++i)
        ASSERT_FALSE (isBadSample (out.left[(size_t) i]) || isBadSample (out.right[(size_t) i]));

    juce::MemoryBlock saved;
    plugin->getStateInformation (saved);
    EXPECT_GT (saved.getSize(), 0u);
    audio.release();
}

QV_INSTANTIATE_FOR_BOTH_FORMATS (HostState);
