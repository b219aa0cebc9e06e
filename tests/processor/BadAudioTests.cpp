#include <gtest/gtest.h>

#include "params/ParamIDs.h"
#include "ProcessorTestSupport.h"

#include <cmath>
#include <limits>
#include <string>

// Bad samples from the host, end to end: one block carrying NaN, infinities and +-1e30 on the
// main input and the sidechain, with every stage of the output chain working. The very next
// block, and every one after it, is finite and within the clip ceiling times the output gain.

TEST (BadHostAudio, EveryEntryRecoversFromTheBlockAfterABadOne)
{
    const float bad[] = { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity(), 1.0e30f, -1.0e30f };
    for (int entry = 0; entry < kNumBlendModeEntries; ++entry)
        for (const int badChannel : { 0, 3 }) // main input left, sidechain right
        {
            SCOPED_TRACE (std::string (kBlendModeRegistry[entry].name) + ", bad samples on buffer channel "
                          + std::to_string (badChannel));
            QuorvaneAudioProcessor p;
            HostedProcessor host (p);
            host.setRaw (ParamIDs::mode, static_cast<float> (entry));
            host.setRaw (ParamIDs::fxLowCut, 120.0f);
            host.setRaw (ParamIDs::heat, 100.0f);
            host.setRaw (ParamIDs::fxHiCut, 7000.0f);
            host.setRaw (ParamIDs::sig1Level, 20.0f);
            host.setRaw (ParamIDs::sig2Level, 20.0f);
            host.setRaw (ParamIDs::clipCeilingDb, -6.0f);
            host.setRaw (ParamIDs::outputVolDb, 3.0f);
            host.prepare (48000.0, 512);
            const double bound = std::pow (10.0, -6.0 / 20.0) * std::pow (10.0, 3.0 / 20.0) * (1.0 + 1.0e-6);

            for (int b = 0; b < 16; ++b)
            {
                juce::AudioBuffer<float> buffer (host.bufferChannels(), 512);
                fillNoise (buffer, 100 * entry + b);
                if (b == 3)
                    for (int j = 0; j < 200; ++j)
                        buffer.setSample (badChannel, 100 + j, bad[j % 5]);
                host.process (buffer);
                if (b <= 3)
                    continue;
                for (int c = 0; c < 2; ++c)
                    for (int j = 0; j < 512; ++j)
                    {
                        const float y = buffer.getSample (c, j);
                        ASSERT_TRUE (std::isfinite (y)) << "block " << b << " channel " << c << " sample " << j;
                        ASSERT_LE (std::abs (y), bound) << "block " << b << " channel " << c << " sample " << j;
                    }
            }
        }
}

// Finite samples far beyond full scale are broken input too, like the NaNs and infinities: the
// host's block is held to the limit a decoded file is (96 dB over full scale), so such samples
// sound exactly like silence in their place, in the very block they arrive in, in every entry
// and whichever input carries them. Nothing of the block is lost.
TEST (BadHostAudio, BrokenSamplesSoundLikeSilenceInTheirOwnBlock)
{
    const float broken[] = { std::numeric_limits<float>::max(), -3.0e38f, 1.0e6f, -65537.0f,
                             std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity() };
    constexpr int kBlock = 256;
    for (int entry = 0; entry < kNumBlendModeEntries; ++entry)
        for (const int brokenChannel : { 0, 1, 2, 3 }) // main input left and right, sidechain left and right
        {
            SCOPED_TRACE (std::string (kBlendModeRegistry[entry].name) + ", broken samples on buffer channel "
                          + std::to_string (brokenChannel));
            QuorvaneAudioProcessor withBroken, withSilence;
            HostedProcessor hostBroken (withBroken), hostSilence (withSilence);
            for (auto* host : { &hostBroken, &hostSilence })
            {
                host->setRaw (ParamIDs::mode, static_cast<float> (entry));
                host->setRaw (ParamIDs::heat, 100.0f);
                host->setRaw (ParamIDs::sig1Level, 20.0f);
                host->setRaw (ParamIDs::sig2Level, 20.0f);
                host->prepare (48000.0, kBlock);
                host->processor.engine.setRandomSeed (17); // Probabilistic flips the same coins in both
            }
            for (int b = 0; b < 12; ++b)
            {
                juce::AudioBuffer<float> a (hostBroken.bufferChannels(), kBlock);
                fillNoise (a, 1000 * entry + b);
                juce::AudioBuffer<float> s;
                s.makeCopyOf (a);
                if (b == 4 || b == 5)
                    for (int j = 0; j < 30; ++j)
                    {
                        a.setSample (brokenChannel, 7 * j, broken[j % 6]);
                        s.setSample (brokenChannel, 7 * j, 0.0f);
                    }
                hostBroken.process (a);
                hostSilence.process (s);
                for (int c = 0; c < 2; ++c)
                    for (int j = 0; j < kBlock; ++j)
                        ASSERT_EQ (a.getSample (c, j), s.getSample (c, j)) << "block " << b << " channel " << c << " sample " << j;
            }
        }
}
