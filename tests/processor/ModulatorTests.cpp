#include <gtest/gtest.h>

#include "params/ParamIDs.h"
#include "ProcessorTestSupport.h"

#include <cmath>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kMaxBlock = 8192;
constexpr float kAudio1 = 0.5f;  // constant main input
constexpr float kAudio2 = -0.25f; // constant sidechain

// A plug-in instance in a host: stereo main input and stereo sidechain, both connected, and a
// transport the test steers.
class HostedModulators : public ::testing::Test
{
protected:
    void SetUp() override
    {
        p.setPlayHead (&head);
        p.prepareToPlay (kRate, kMaxBlock);
        setRawParam (p, ParamIDs::mode, static_cast<float> (modeIndexOf ("Add")));
    }

    // One block; channels 0-1 are the main bus, 2-3 the sidechain. Returns output channel 0.
    std::vector<float> runBlock (int n)
    {
        juce::AudioBuffer<float> buffer (4, n);
        for (int i = 0; i < n; ++i)
        {
            buffer.setSample (0, i, kAudio1);
            buffer.setSample (1, i, kAudio1);
            buffer.setSample (2, i, kAudio2);
            buffer.setSample (3, i, kAudio2);
        }
        juce::MidiBuffer midi;
        p.processBlock (buffer, midi);
        return { buffer.getReadPointer (0), buffer.getReadPointer (0) + n };
    }

    void setSteps (int modulator, float value)
    {
        for (int s = 0; s < 16; ++s)
            p.setStepValue (modulator, s, value);
    }

    QuorvaneAudioProcessor p;
    TestPlayHead head;
};

const float kOnlyAudio1 = std::tanh (kAudio1);
const float kOnlyAudio2 = std::tanh (kAudio2);
} // namespace

TEST (ModulatorSteps, OutOfRangeIndicesReadZeroAndWritesAreIgnored)
{
    QuorvaneAudioProcessor p;
    p.setStepValue (0, 3, 0.75f);
    p.setStepValue (1, 15, -0.5f);
    EXPECT_EQ (p.getStepValue (0, 3), 0.75f);
    EXPECT_EQ (p.getStepValue (1, 15), -0.5f);

    p.setStepValue (2, 0, 0.5f);
    p.setStepValue (0, 16, 0.5f);
    p.setStepValue (-1, 0, 0.5f);
    p.setStepValue (0, -1, 0.5f);
    for (int m = 0; m < 2; ++m)
    {
        for (int s = 0; s < 16; ++s)
        {
            const float expected = (m == 0 && s == 3) ? 0.75f : (m == 1 && s == 15) ? -0.5f : 0.0f;
            EXPECT_EQ (p.getStepValue (m, s), expected) << m << "/" << s;
        }
    }

    EXPECT_EQ (p.getStepValue (-1, 0), 0.0f);
    EXPECT_EQ (p.getStepValue (2, 3), 0.0f);
    EXPECT_EQ (p.getStepValue (0, 16), 0.0f);
    EXPECT_EQ (p.getStepValue (0, -13), 0.0f);

    // Values are stored as given, without clamping.
    p.setStepValue (0, 0, 3.5f);
    EXPECT_EQ (p.getStepValue (0, 0), 3.5f);
}

TEST (ModulatorTiming, BarsPerCycleFollowsTheBarsAndDividerChoices)
{
    struct Case { int bars, divider; double expected; };
    const Case cases[] = {
        { 0, 0, 1.0 },        // "1" / "1"
        { 3, 0, 4.0 },        // "4"
        { 6, 0, 8.0 },        // "8"
        { 8, 0, 16.0 },       // "16"
        { 1, 2, 2.0 / 3.0 },  // "2" / "3"
        { 7, 7, 12.0 / 8.0 }, // "12" / "8"
        { 9, 0, 1.0 },        // outside the table: one bar
        { -1, 1, 0.5 },
        { 4, -3, 5.0 },       // a negative divider counts as "1"
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ (QuorvaneAudioProcessor::barsPerCycleFrom (c.bars, c.divider), c.expected)
            << c.bars << "/" << c.divider;
}

TEST_F (HostedModulators, PhasesFollowTheHostPositionAndTimeSignature)
{
    struct Case { int num, den, bars1, div1, bars2, div2; double ppq, phase1, phase2; };
    const Case cases[] = {
        // 4/4, one bar: a cycle of 4 quarter notes; ppq 1 is a quarter of the way in. Modulator 2
        // over four bars (16 quarters) is a sixteenth of the way in.
        { 4, 4, 0, 0, 3, 0, 1.0, 0.25, 1.0 / 16.0 },
        // 6/8, two bars divided by three: 2/3 x 6 x 0.5 = 2 quarter notes; one bar of 6/8 is 3.
        { 6, 8, 1, 2, 0, 0, 1.5, 0.75, 0.5 },
        { 6, 8, 1, 2, 0, 0, 5.5, 0.75, 5.5 / 3.0 - 1.0 },
        // 3/4, "12" bars divided by "8": 1.5 x 3 = 4.5 quarters; 7/8 with "16" bars: 56 quarters.
        { 3, 4, 7, 7, 7, 7, 10.0, 10.0 / 4.5 - 2.0, 10.0 / 4.5 - 2.0 },
        { 7, 8, 8, 0, 0, 0, 100.0, 100.0 / 56.0 - 1.0, 100.0 / 3.5 - 28.0 },
    };
    for (const auto& c : cases)
    {
        setRawParam (p, ParamIDs::seqBars, static_cast<float> (c.bars1));
        setRawParam (p, ParamIDs::seqDiv, static_cast<float> (c.div1));
        setRawParam (p, ParamIDs::seqBars2, static_cast<float> (c.bars2));
        setRawParam (p, ParamIDs::seqDiv2, static_cast<float> (c.div2));
        head.setPlaying (120.0, c.ppq, c.num, c.den);
        runBlock (64);
        EXPECT_NEAR (p.stepPhase[0].load(), c.phase1, 1e-12) << c.num << "/" << c.den << " ppq " << c.ppq;
        EXPECT_NEAR (p.stepPhase[1].load(), c.phase2, 1e-12) << c.num << "/" << c.den << " ppq " << c.ppq;
    }
}

// 4/4 at 120 BPM and 48 kHz with a one-bar cycle: one step is a sixteenth note, 6000 samples.
// At ppq 1.0 the block starts on step 4; step 5 begins 6000 samples later, where the level ramp
// from "Audio 1 only" to "Audio 2 only" starts.
TEST_F (HostedModulators, ModulatorOneMovesMorphSampleBySampleWithTheHostTempo)
{
    setDryOnlyMix (p, 0.0f, 0.0f);
    setRawParam (p, ParamIDs::seqEnabled, 1.0f);
    setRawParam (p, ParamIDs::smoothing, 0.0f);
    p.setStepValue (0, 4, -1.0f);
    p.setStepValue (0, 5, 1.0f);

    head.setPlaying (120.0, 1.0);
    const auto out = runBlock (kMaxBlock);

    EXPECT_DOUBLE_EQ (p.stepPhase[0].load(), 0.25);
    EXPECT_FLOAT_EQ (p.morphHandoffWeight.load(), 1.0f);
    for (int j : { 0, 1000, 5990 })
        EXPECT_NEAR (out[(size_t) j], kOnlyAudio1, 1e-6) << j;
    // Halfway through the 128-sample ramp (within a sample of the step boundary).
    const float half = std::tanh (0.5f * kAudio1 + 0.5f * kAudio2);
    EXPECT_NEAR (out[6064], half, 0.006);
    for (int j : { 6140, 8000, kMaxBlock - 1 })
        EXPECT_NEAR (out[(size_t) j], kOnlyAudio2, 1e-6) << j;
}

// With latency L, what leaves the engine at a sample came in L samples earlier; Morph must move
// the levels of that audio at its own place on the grid, so after the host's compensation the
// pattern lands on the beat. FM reports 1024 samples: the step 5 edge, 6000 samples into the
// block on the grid, starts its ramp 1024 samples later in the output.
TEST_F (HostedModulators, ModulatorOneMovesMorphOnTheGridOfTheAudioItCarries)
{
    constexpr int kLatency = 1024;
    setRawParam (p, ParamIDs::mode, static_cast<float> (modeIndexOf ("Frequency Modulation (FM)")));
    setDryOnlyMix (p, 0.0f, 0.0f);
    setRawParam (p, ParamIDs::seqEnabled, 1.0f);
    setRawParam (p, ParamIDs::smoothing, 0.0f);
    p.setStepValue (0, 4, -1.0f);
    p.setStepValue (0, 5, 1.0f);

    // Fill the dry delays with the constant inputs first.
    head.setPlaying (120.0, 0.0);
    runBlock (6000);
    head.setPlaying (120.0, 1.0);
    const auto out = runBlock (kMaxBlock);
    ASSERT_EQ (p.getLatencySamples(), kLatency);

    for (int j : { 1200, 4000, 6000 + kLatency - 1, 6000 + kLatency })
        EXPECT_NEAR (out[(size_t) j], kOnlyAudio1, 1e-6) << j;
    const float half = std::tanh (0.5f * kAudio1 + 0.5f * kAudio2);
    EXPECT_NEAR (out[6064 + kLatency], half, 0.006);
    for (int j : { 6140 + kLatency, kMaxBlock - 1 })
        EXPECT_NEAR (out[(size_t) j], kOnlyAudio2, 1e-6) << j;
}

// A transport that does not run freezes both modulators where they were: the increment is 0,
// the published positions keep their values and the hand-off weight is 1 even while the user
// holds the Morph dial. (A block without a position after a rolling one continues the
// transport instead: see TransportFollowing below.)
TEST_F (HostedModulators, TransportThatDoesNotRunFreezesTheModulators)
{
    setDryOnlyMix (p, 0.0f, 0.0f);
    setRawParam (p, ParamIDs::seqEnabled, 1.0f);
    setRawParam (p, ParamIDs::smoothing, 0.0f);
    setSteps (0, 1.0f);
    p.setStepValue (0, 4, -1.0f);

    struct Case { const char* name; bool hasPosition, playing; double bpm, ppq; bool attachHead; };
    const Case cases[] = {
        { "stopped", true, false, 120.0, 3.0, true },
        { "pre-roll", true, true, 120.0, -2.0, true },
        { "zero tempo", true, true, 0.0, 3.0, true },
        { "no play head", false, false, 0.0, 0.0, false },
    };
    for (const auto& c : cases)
    {
        p.setPlayHead (&head);
        p.morphTouched.store (false);
        head.setPlaying (120.0, 1.0);
        runBlock (256);
        ASSERT_DOUBLE_EQ (p.stepPhase[0].load(), 0.25);

        head.hasPosition = c.hasPosition;
        head.info.setIsPlaying (c.playing);
        head.info.setBpm (c.bpm);
        head.info.setPpqPosition (c.ppq);
        p.setPlayHead (c.attachHead ? &head : nullptr);
        p.morphTouched.store (true);

        // The whole block, far longer than a step, stays on step 4 (Audio 1 only) once the
        // level ramp from the previous block has settled.
        const auto out = runBlock (kMaxBlock);
        EXPECT_DOUBLE_EQ (p.stepPhase[0].load(), 0.25) << c.name;
        EXPECT_DOUBLE_EQ (p.stepPhase[1].load(), 0.25) << c.name;
        EXPECT_FLOAT_EQ (p.morphHandoffWeight.load(), 1.0f) << c.name;
        for (int j : { 200, 6500, kMaxBlock - 1 })
            EXPECT_NEAR (out[(size_t) j], kOnlyAudio1, 1e-6) << c.name << " sample " << j;
    }
}

// The hand-off, evaluated step by step: drag, release during the first step of a group, fade in
// across the group's fourth step, full control from the next group. Steps are 1/16 of a cycle,
// so a group of four is a quarter: q = fraction of (4 x phase).
TEST (MorphHandoff, ReturnsControlInTimeWithTheNextGroupOfFourSteps)
{
    struct Eval { bool touched; double phase; bool running; float weight; };
    const Eval sequence[] = {
        { false, 0.10, true, 1.0f },     // idle: the modulator has control
        { true, 0.20, true, 0.0f },      // drag seen: let go completely
        { true, 0.24, true, 0.0f },
        { false, 0.26, true, 0.0f },     // released in step 1 of the second group (q = 0.04)
        { false, 0.30, true, 0.0f },     // step 1..3: still silent (q = 0.2)
        { false, 0.40, true, 0.0f },     // q = 0.6
        { false, 0.453125, true, 0.25f }, // fourth step, a quarter through (q = 0.8125)
        { false, 0.48, true, 0.68f },    // q = 0.92
        { false, 0.51, true, 1.0f },     // wrapped into the next group: full control
        { false, 0.60, true, 1.0f },
        // Release during a fourth step starts the fade part-way.
        { true, 0.70, true, 0.0f },
        { false, 0.725, true, 0.6f },    // q = 0.9: armed at once, (0.9 - 0.75) x 4
        { false, 0.74, true, 0.84f },    // q = 0.96
        { false, 0.76, true, 1.0f },     // q = 0.04 < 0.96: done
        // A stopped clock ends the hold; the hold resumes when it runs again while still touched.
        { true, 0.80, true, 0.0f },
        { true, 0.80, false, 1.0f },
        { true, 0.85, true, 0.0f },
        // Returning, then the clock stops: back to idle, full control when it runs again.
        { false, 0.86, true, 0.0f },
        { false, 0.86, false, 1.0f },
        { false, 0.87, true, 1.0f },
    };

    QuorvaneAudioProcessor p;
    int index = 0;
    for (const auto& e : sequence)
    {
        p.morphTouched.store (e.touched);
        const float w = p.resolveMorphHandoffWeight (e.phase, e.running);
        EXPECT_NEAR (w, e.weight, 1e-6) << "evaluation " << index;
        EXPECT_EQ (p.morphHandoffWeight.load(), w) << "evaluation " << index;
        ++index;
    }
}

TEST_F (HostedModulators, HoldingTheMorphDialLeavesTheStaticLevelsWhilePlaying)
{
    setDryOnlyMix (p, 0.0f, 100.0f); // the dials alone would give Audio 2 only
    setRawParam (p, ParamIDs::seqEnabled, 1.0f);
    setSteps (0, -1.0f);              // the modulator says Audio 1 only

    head.setPlaying (120.0, 0.0);
    auto out = runBlock (512);
    EXPECT_NEAR (out[0], kOnlyAudio1, 1e-6);

    p.morphTouched.store (true);
    head.setPlaying (120.0, 0.5);
    out = runBlock (512);
    EXPECT_FLOAT_EQ (p.morphHandoffWeight.load(), 0.0f);
    EXPECT_NEAR (out[511], kOnlyAudio2, 1e-6); // after the 128-sample ramp
}

// Modulator 2 on the Frequency Splice crossover (range 100 .. 10000, dial at 1000), in 4/4 with
// one-bar cycles.
TEST_F (HostedModulators, ModulatorTwoDrivesTheTargetDialThroughTheReaders)
{
    setRawParam (p, ParamIDs::mode, static_cast<float> (modeIndexOf ("Frequency Splice")));
    setRawParam (p, ParamIDs::seqEnabled2, 1.0f);
    setRawParam (p, ParamIDs::mod2Target, 0.0f); // Dial 1 = FS Crossover
    setRawParam (p, ParamIDs::fsCrossover, 1000.0f);
    const float dial = rawParam (p, ParamIDs::fsCrossover); // 1000 up to the range's rounding

    struct Case { const char* name; float allSteps, step3, step4, glidePercent; double ppq; bool playing; float expected; };
    const Case cases[] = {
        { "+1: top of the range", 1.0f, 1.0f, 1.0f, 0.0f, 1.0, true, 10000.0f },
        { "-1: bottom of the range", -1.0f, -1.0f, -1.0f, 0.0f, 1.0, true, 100.0f },
        { "0.5 without glide", 0.5f, 0.5f, 0.5f, 0.0f, 1.0, true, 5500.0f },
        { "0 leaves the dial", 0.0f, 0.0f, 0.0f, 0.0f, 1.0, true, 1000.0f },
        // Step 4 halfway through (ppq 1.125), coming from step 3 = -1 into step 4 = +1.
        { "no glide holds the step", 0.0f, -1.0f, 1.0f, 0.0f, 1.125, true, 10000.0f },
        { "full glide halfway: 0", 0.0f, -1.0f, 1.0f, 100.0f, 1.125, true, 1000.0f },
        { "half glide halfway: 0.5", 0.0f, -1.0f, 1.0f, 50.0f, 1.125, true, 5500.0f },
        // A quarter into step 4 with full glide: -1 + 0.25 x 2 = -0.5 -> 1000 - 0.5 x 900.
        { "full glide a quarter in", 0.0f, -1.0f, 1.0f, 100.0f, 1.0625, true, 550.0f },
        // A stopped host keeps applying the value at the frozen position.
        { "stopped host", 1.0f, 1.0f, 1.0f, 0.0f, 1.0, false, 10000.0f },
    };
    for (const auto& c : cases)
    {
        setSteps (1, c.allSteps);
        p.setStepValue (1, 3, c.step3);
        p.setStepValue (1, 4, c.step4);
        setRawParam (p, ParamIDs::smoothing2, c.glidePercent);
        head.setPlaying (120.0, c.ppq);
        head.info.setIsPlaying (c.playing);
        runBlock (64);

        EXPECT_NEAR (p.readFreqSpliceParams().crossover, c.expected, 0.01f) << c.name;
        EXPECT_EQ (rawParam (p, ParamIDs::fsCrossover), dial) << c.name; // the dial itself stays
        EXPECT_EQ (p.readOutputMixParams().fxLevel, rawParam (p, ParamIDs::fxLevel)) << c.name;
    }
}

TEST_F (HostedModulators, ModulatorTwoOverridesNothingWithoutATargetOrWhenOff)
{
    setRawParam (p, ParamIDs::seqEnabled2, 1.0f);
    setSteps (1, 1.0f);
    head.setPlaying (120.0, 0.0);

    // A slot the current mode does not have: Dial 5 in Frequency Splice (four dials), Dial 4 in
    // AM (three dials).
    setRawParam (p, ParamIDs::mode, static_cast<float> (modeIndexOf ("Frequency Splice")));
    setRawParam (p, ParamIDs::mod2Target, 4.0f);
    runBlock (64);
    const auto fs = p.readFreqSpliceParams();
    EXPECT_EQ (fs.crossover, rawParam (p, ParamIDs::fsCrossover));
    EXPECT_EQ (fs.width, rawParam (p, ParamIDs::fsWidth));
    EXPECT_EQ (fs.tilt, rawParam (p, ParamIDs::fsTilt));
    EXPECT_EQ (fs.lfoRate, rawParam (p, ParamIDs::fsLFORate));

    setRawParam (p, ParamIDs::mode, static_cast<float> (modeIndexOf ("Amplitude Modulation (AM)")));
    setRawParam (p, ParamIDs::mod2Target, 3.0f);
    runBlock (64);
    const auto am = p.readAMParams();
    EXPECT_EQ (am.depth, rawParam (p, ParamIDs::amDepth));
    EXPECT_EQ (am.dcOffset, rawParam (p, ParamIDs::amDCOffset));
    EXPECT_EQ (am.lfoRate, rawParam (p, ParamIDs::amLFORate));

    // An override from one block is gone in the next block once modulator 2 is switched off.
    setRawParam (p, ParamIDs::amDepth, 40.0f);
    setRawParam (p, ParamIDs::mod2Target, 0.0f); // Dial 1 = AM Depth, driven to its top (100)
    runBlock (64);
    EXPECT_NEAR (p.readAMParams().depth, 100.0f, 1e-4);
    setRawParam (p, ParamIDs::seqEnabled2, 0.0f);
    runBlock (64);
    EXPECT_EQ (p.readAMParams().depth, 40.0f);
}

// Hosts that send a position only when something changes (LV2 hosts may), with or without the
// position in quarter notes: the modulators follow the same grid as under a host that sends the
// full position every block, and a position with the transport stopped freezes them.
TEST (TransportFollowing, PositionsOnlyOnChangeGiveTheSameStepsAsEveryBlock)
{
    constexpr double kBpm = 97.0; // a step edge falls between samples
    constexpr int kBlock = 500, kBlocks = 260, kStopAt = 200;
    enum class Feed { EveryBlock, OnChange, OnChangeWithoutQuarters, EveryBlockWithoutQuarters };

    auto run = [&] (Feed feed) {
        QuorvaneAudioProcessor p;
        TestPlayHead head;
        p.setPlayHead (&head);
        p.prepareToPlay (kRate, kBlock);
        setRawParam (p, ParamIDs::mode, static_cast<float> (modeIndexOf ("Add")));
        setDryOnlyMix (p, 0.0f, 0.0f);
        setRawParam (p, ParamIDs::seqEnabled, 1.0f);
        for (int s = 0; s < 16; ++s)
            p.setStepValue (0, s, -1.0f + 2.0f * (float) s / 15.0f);

        std::vector<float> out;
        for (int b = 0; b < kBlocks; ++b)
        {
            const bool playing = b < kStopAt;
            const bool changed = b == 0 || b == kStopAt;
            const bool withQuarters = feed == Feed::EveryBlock || feed == Feed::OnChange;
            head.hasPosition = changed || feed == Feed::EveryBlock || feed == Feed::EveryBlockWithoutQuarters;
            const juce::int64 sample = (juce::int64) b * kBlock;
            head.info = {};
            head.info.setBpm (kBpm);
            head.info.setTimeSignature (juce::AudioPlayHead::TimeSignature { 4, 4 });
            head.info.setIsPlaying (playing);
            head.info.setTimeInSamples (sample);
            if (withQuarters)
                head.info.setPpqPosition ((double) sample / kRate * kBpm / 60.0);

            juce::AudioBuffer<float> buffer (4, kBlock);
            for (int c = 0; c < 4; ++c)
                juce::FloatVectorOperations::fill (buffer.getWritePointer (c), c < 2 ? kAudio1 : kAudio2, kBlock);
            juce::MidiBuffer midi;
            p.processBlock (buffer, midi);
            out.insert (out.end(), buffer.getReadPointer (0), buffer.getReadPointer (0) + kBlock);
        }
        return out;
    };

    const auto reference = run (Feed::EveryBlock);
    // The reference itself moves through the steps and stands still once stopped.
    ASSERT_GT (std::abs (reference[(size_t) kBlock * 10] - reference[(size_t) kBlock * 150]), 0.05f);
    EXPECT_EQ (reference[(size_t) kBlock * (kStopAt + 5)], reference.back());

    for (const Feed feed : { Feed::OnChange, Feed::OnChangeWithoutQuarters, Feed::EveryBlockWithoutQuarters })
    {
        const auto out = run (feed);
        for (size_t i = 0; i < reference.size(); ++i)
            ASSERT_NEAR (out[i], reference[i], 1.0e-5f) << "feed " << (int) feed << " sample " << i;
    }
}
