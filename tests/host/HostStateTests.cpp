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
    // The values reach the plug-in with the blocks it processes; it has them all once two saves
    // in a row agree.
    HostAudio audio (*plugin);
    audio.prepare (48000.0, 128);
    juce::MemoryBlock saved, previous;
    const bool stable = processUntilSettled (audio, 128, [&] {
        previous = saved;
        plugin->getStateInformation (saved);
        return saved == previous;
    });
    ASSERT_TRUE (stable) << "the saved state never stopped changing";
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

    // The host's view of the restored values, once the new instance has run and told it: the
    // blocks and the message loop run until every value agrees with the original's (or the
    // attempts run out, and the comparison below names the ones that never arrived).
    for (const auto& e : expectedParameters())
    {
        ASSERT_NE (findParameter (*plugin, e.name), nullptr) << e.name;
        ASSERT_NE (findParameter (*restored, e.name), nullptr) << e.name;
    }
    auto hostViewsAgree = [&] {
        for (const auto& e : expectedParameters())
            if (findParameter (*restored, e.name)->getCurrentValueAsText()
                != findParameter (*plugin, e.name)->getCurrentValueAsText())
                return false;
        return true;
    };
    HostAudio restoredAudio (*restored);
    restoredAudio.prepare (48000.0, 128);
    processUntilSettled (restoredAudio, 128, hostViewsAgree);
    for (const auto& e : expectedParameters())
        EXPECT_EQ (findParameter (*restored, e.name)->getCurrentValueAsText(),
                   findParameter (*plugin, e.name)->getCurrentValueAsText())
            << e.name;
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
