#include <gtest/gtest.h>

#include "params/ParamIDs.h"
#include "ProcessorTestSupport.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

// Clicks from changes of setting. Smooth sines play through the processor (220 Hz at 0.4 on
// Audio 1, 330 Hz at 0.3 on Audio 2, as a host feeds them) while the setting changes: modulator
// 2 stepping Resolution, the mode switched through every entry, the mode changing while Audio 1
// passes through, an LV2 sidechain coming alive. A hard switch shows as one large step between
// two output samples, up to the size of the signals themselves; the largest step must stay
// within twice that of the same render with the setting still.

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 256;
constexpr int kEntrySamples = 12000; // a quarter second per entry
constexpr int kSettleSamples = 12000; // delays and frames fill before anything is measured

using Setup = std::function<void (HostedProcessor&, QuorvaneAudioProcessor&)>;
// Called before the block that starts at `sample`.
using Change = std::function<void (HostedProcessor&, long long sample)>;

// Renders `samples` samples, block by block at 120 BPM; returns the left output.
std::vector<float> render (QuorvaneAudioProcessor& p, bool sidechain, int samples, const Setup& setup,
                           const Change& change = {}, long long sidechainFrom = 0)
{
    HostedProcessor host (p, sidechain);
    TestPlayHead head;
    p.setPlayHead (&head);
    setup (host, p);
    host.prepare (kRate, kBlock);

    juce::AudioBuffer<float> buffer (host.bufferChannels(), kBlock);
    std::vector<float> out;
    out.reserve (static_cast<size_t> (samples));
    for (long long start = 0; start < samples; start += kBlock)
    {
        if (change)
            change (host, start);
        head.setPlaying (120.0, static_cast<double> (start) * 2.0 / kRate);
        for (int j = 0; j < kBlock; ++j)
        {
            const double t = static_cast<double> (start + j) / kRate;
            const auto a1 = static_cast<float> (0.4 * std::sin (2.0 * juce::MathConstants<double>::pi * 220.0 * t));
            const auto a2 = start + j >= sidechainFrom
                                ? static_cast<float> (0.3 * std::sin (2.0 * juce::MathConstants<double>::pi * 330.0 * t))
                                : 0.0f;
            for (int c = 0; c < buffer.getNumChannels(); ++c)
                buffer.setSample (c, j, c < 2 ? a1 : a2);
        }
        host.process (buffer);
        out.insert (out.end(), buffer.getReadPointer (0), buffer.getReadPointer (0) + kBlock);
    }
    p.setPlayHead (nullptr);
    return out;
}

float largestStep (const std::vector<float>& y, long long from, long long to)
{
    float largest = 0.0f;
    for (auto k = static_cast<size_t> (std::max (1LL, from)); k < static_cast<size_t> (to) && k < y.size(); ++k)
        largest = std::max (largest, std::abs (y[k] - y[k - 1]));
    return largest;
}

enum class Mix
{
    dry,  // Signal 1 alone: the dry path, held back by the latency
    blend // the blend alone
};

void setMix (QuorvaneAudioProcessor& p, Mix mix)
{
    setDryOnlyMix (p, mix == Mix::dry ? 100.0f : 0.0f, 0.0f);
    setRawParam (p, "fxLevel", mix == Mix::blend ? 100.0f : 0.0f);
}

const char* nameOf (Mix mix) { return mix == Mix::dry ? "dry" : "blend"; }
} // namespace

TEST (ChangeClicks, ModulatorTwoSteppingResolutionAddsNoClick)
{
    // Steps of -1 and +1 take Resolution from one end to the other (8- and 4096-sample frames, 1
    // and 1024 bands) every 6000 samples. Still: the larger step of the two resolutions held.
    const char* entries[] = { "FFT Vocoder", "Classic Vocoder", "Distorted Vocoder",
                              "Spectral Gate", "Phase Swap", "Bin Interleave" };
    const int samples = 96000 + kSettleSamples;
    for (const char* entry : entries)
        for (const Mix mix : { Mix::dry, Mix::blend })
        {
            ASSERT_GE (modeIndexOf (entry), 0) << entry;
            auto setup = [&] (bool modulated, float resolution) {
                return [=] (HostedProcessor& host, QuorvaneAudioProcessor& p) {
                    setMix (p, mix);
                    host.setRaw (ParamIDs::mode, static_cast<float> (modeIndexOf (entry)));
                    host.setRaw (ParamIDs::resolution, resolution);
                    host.setRaw (ParamIDs::seqEnabled2, modulated ? 1.0f : 0.0f);
                    host.setRaw (ParamIDs::mod2Target, 0.0f); // Dial 1: Resolution
                    host.setRaw (ParamIDs::seqBars2, 0.0f);   // one bar: 6000 samples a step
                    host.setRaw (ParamIDs::smoothing2, 0.0f);
                    for (int s = 0; s < kNumSteps; ++s)
                        p.setStepValue (1, s, s % 2 == 0 ? -1.0f : 1.0f);
                };
            };
            float still = 0.0f;
            for (const float resolution : { 0.0f, 12.0f })
            {
                QuorvaneAudioProcessor p;
                still = std::max (still, largestStep (render (p, true, samples, setup (false, resolution)),
                                                      kSettleSamples, samples));
            }
            QuorvaneAudioProcessor p;
            const float moving = largestStep (render (p, true, samples, setup (true, 12.0f)), kSettleSamples, samples);
            EXPECT_LE (moving, 2.0f * still) << entry << ", " << nameOf (mix) << ": still " << still;
        }
}

TEST (ChangeClicks, EveryEntryInTurnCrossesOverFromTheLast)
{
    // The mode moves to the next entry every quarter second, as host automation does. Each
    // quarter second after a switch is compared with the two entries' own still renders there.
    const int samples = kNumBlendModeEntries * kEntrySamples;
    for (const Mix mix : { Mix::dry, Mix::blend })
    {
        std::vector<std::vector<float>> still;
        for (int m = 0; m < kNumBlendModeEntries; ++m)
        {
            QuorvaneAudioProcessor p;
            still.push_back (render (p, true, samples, [&] (HostedProcessor& host, QuorvaneAudioProcessor& q) {
                setMix (q, mix);
                host.setRaw (ParamIDs::mode, static_cast<float> (m));
            }));
        }
        QuorvaneAudioProcessor p;
        const auto moving = render (
            p, true, samples, [&] (HostedProcessor&, QuorvaneAudioProcessor& q) { setMix (q, mix); },
            [] (HostedProcessor& host, long long sample) {
                host.setRaw (ParamIDs::mode, static_cast<float> (sample / kEntrySamples));
            });
        for (int m = 1; m < kNumBlendModeEntries; ++m)
        {
            const long long at = static_cast<long long> (m) * kEntrySamples;
            // The block that carries the switch starts at or after `at`.
            const long long from = (at + kBlock - 1) / kBlock * kBlock;
            const float before = largestStep (still[static_cast<size_t> (m - 1)], at - kEntrySamples / 2, from + 1);
            const float after = largestStep (still[static_cast<size_t> (m)], from, at + kEntrySamples);
            EXPECT_LE (largestStep (moving, from - 1, at + kEntrySamples), 2.0f * std::max (before, after))
                << nameOf (mix) << ": from " << kBlendModeRegistry[m - 1].name << " to " << kBlendModeRegistry[m].name;
        }
    }
}

TEST (ChangeClicks, PassThroughMovesToEachModesLatencyWithoutAStep)
{
    // Without a sidechain Audio 1 passes through, held back by the selected mode's latency; the
    // mode changes every quarter second through every entry.
    const int samples = kNumBlendModeEntries * kEntrySamples;
    QuorvaneAudioProcessor still;
    const float sine = largestStep (render (still, false, samples, [] (HostedProcessor&, QuorvaneAudioProcessor&) {}),
                                    kBlock, samples);
    QuorvaneAudioProcessor p;
    const auto moving = render (
        p, false, samples, [] (HostedProcessor&, QuorvaneAudioProcessor&) {},
        [] (HostedProcessor& host, long long sample) {
            host.setRaw (ParamIDs::mode, static_cast<float> (sample / kEntrySamples));
        });
    EXPECT_LE (largestStep (moving, kBlock, samples), 2.0f * sine);
}

TEST (ChangeClicks, AnLv2SidechainComingAliveCrossesOverFromPassThrough)
{
    // An LV2 host connects the sidechain ports from the start; Audio 2 starts a second in. Until
    // then Audio 1 passes through; then the blend takes over. Still: the blend with Audio 2 there
    // from the start, and the pass-through's sine.
    const char* entries[] = { "Classic Vocoder", "Spectral Gate", "Ring Modulation (RM)", "Frequency Splice" };
    const int samples = 96000;
    const long long alive = 48000;
    for (const char* entry : entries)
    {
        ASSERT_GE (modeIndexOf (entry), 0) << entry;
        auto setup = [&] (HostedProcessor& host, QuorvaneAudioProcessor& p) {
            setMix (p, Mix::blend);
            host.setRaw (ParamIDs::mode, static_cast<float> (modeIndexOf (entry)));
        };
        auto blend = makeProcessorAs (juce::AudioProcessor::wrapperType_LV2);
        const float stillBlend = largestStep (render (*blend, true, samples, setup), kSettleSamples, samples);
        QuorvaneAudioProcessor passing;
        const auto passThrough = render (passing, false, samples, setup);
        const float sine = largestStep (passThrough, kBlock, samples);

        auto lv2 = makeProcessorAs (juce::AudioProcessor::wrapperType_LV2);
        const auto moving = render (*lv2, true, samples, setup, {}, alive);
        EXPECT_LE (largestStep (moving, kBlock, samples), 2.0f * std::max (stillBlend, sine)) << entry;
        // Pass-through before, the blend in the end.
        long long firstDifference = -1;
        float late = 0.0f;
        for (size_t k = 0; k < moving.size(); ++k)
        {
            if (firstDifference < 0 && moving[k] != passThrough[k])
                firstDifference = static_cast<long long> (k);
            if (k >= static_cast<size_t> (alive))
                late = std::max (late, std::abs (moving[k] - passThrough[k]));
        }
        // The blend runs from the block that carries the first sample of Audio 2.
        EXPECT_GE (firstDifference, alive / kBlock * kBlock) << entry;
        EXPECT_GT (late, 0.05f) << entry;
    }
}
