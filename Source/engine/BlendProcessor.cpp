#include "engine/BlendProcessor.h"
#include "engine/BlockPasses.h"
#include "engine/ModulatorShape.h"
#include "engine/OutputStage.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr int kRampLength = 128;
constexpr float kRampThreshold = 0.001f;

// Morph position from modulator 1 and the resulting blend / dry levels for sample j.
MorphLevels levelTargets (const RealtimeStepData& steps, int j, MorphLevels fixed) noexcept
{
    const double phase = steps.phaseStart + static_cast<double> (j) * steps.phaseIncrement;
    const float v = stepValueAt (steps.steps, phase, steps.smoothing);
    const MorphLevels target = morphLevels ((v + 1.0f) * 0.5f);
    const float w = steps.handoffWeight;
    return { fixed.fx + w * (target.fx - fixed.fx), fixed.sig1 + w * (target.sig1 - fixed.sig1),
             fixed.sig2 + w * (target.sig2 - fixed.sig2) };
}

// Whether `target` differs from the ramp's current target enough to start a new ramp.
bool startsRamp (const BlendProcessor::RtMixState& st, MorphLevels target) noexcept
{
    return std::abs (target.fx - st.targetFx) > kRampThreshold || std::abs (target.sig1 - st.targetSig1) > kRampThreshold
           || std::abs (target.sig2 - st.targetSig2) > kRampThreshold;
}

// Advances a channel's 128-sample level ramp and returns the levels to use for this sample.
MorphLevels advanceRamp (BlendProcessor::RtMixState& st, MorphLevels target) noexcept
{
    if (st.startFx < 0.0f)
    {
        st.startFx = st.targetFx = target.fx;
        st.startSig1 = st.targetSig1 = target.sig1;
        st.startSig2 = st.targetSig2 = target.sig2;
    }
    else if (startsRamp (st, target))
    {
        st.startFx = st.targetFx;
        st.startSig1 = st.targetSig1;
        st.startSig2 = st.targetSig2;
        st.targetFx = target.fx;
        st.targetSig1 = target.sig1;
        st.targetSig2 = target.sig2;
        st.rampRemaining = kRampLength;
    }

    if (st.rampRemaining > 0)
    {
        const float r = 1.0f - static_cast<float> (st.rampRemaining) / static_cast<float> (kRampLength);
        --st.rampRemaining;
        return { st.startFx + (st.targetFx - st.startFx) * r,
                 st.startSig1 + (st.targetSig1 - st.startSig1) * r,
                 st.startSig2 + (st.targetSig2 - st.startSig2) * r };
    }
    return { st.targetFx, st.targetSig1, st.targetSig2 };
}

// True when a whole block at the one target `fixed` leaves the ramp as it is and plays its
// stored targets throughout: the ramp is set (not never-set or NaN), has run out and `fixed`
// would not start a new one.
bool holdsLevels (const BlendProcessor::RtMixState& st, MorphLevels fixed) noexcept
{
    return st.startFx >= 0.0f && st.rampRemaining <= 0 && ! startsRamp (st, fixed);
}

// True when a channel's ramp rests exactly where the gliding levels start, so that the levels
// can simply follow the glide.
bool followsGlide (const BlendProcessor::RtMixState& st, const float* fx, const float* s1, const float* s2) noexcept
{
    return st.startFx >= 0.0f && st.rampRemaining <= 0 && st.targetFx == fx[0] && st.targetSig1 == s1[0]
           && st.targetSig2 == s2[0];
}

// Modulator 1's level targets for every sample of a chunk, around the fixed levels or, while
// those glide, around theirs.
void fillLevelTargets (const RealtimeStepData& steps, int n, MorphLevels fixed, const float* fixedFx,
                       const float* fixedS1, const float* fixedS2, float* fx, float* s1, float* s2) noexcept
{
    for (int j = 0; j < n; ++j)
    {
        if (fixedFx != nullptr)
            fixed = { fixedFx[j], fixedS1[j], fixedS2[j] };
        const MorphLevels level = levelTargets (steps, j, fixed);
        fx[j] = level.fx;
        s1[j] = level.sig1;
        s2[j] = level.sig2;
    }
}

// One channel's levels for every sample of a chunk, advancing its ramp sample by sample.
void fillRampedLevels (BlendProcessor::RtMixState& st, int n, const float* targetFx, const float* targetS1,
                       const float* targetS2, float* fx, float* s1, float* s2) noexcept
{
    for (int j = 0; j < n; ++j)
    {
        const MorphLevels level = advanceRamp (st, { targetFx[j], targetS1[j], targetS2[j] });
        fx[j] = level.fx;
        s1[j] = level.sig1;
        s2[j] = level.sig2;
    }
}

// The same with one target for the whole chunk: only the first sample can start a ramp
// (afterwards the stored targets equal it, or differ by no more than the threshold as before).
// Once the ramp has run out, every further sample takes the stored targets. A state that is
// still never-set (a negative level) or not a number takes the general path.
void fillRampedLevels (BlendProcessor::RtMixState& st, int n, MorphLevels target, float* fx, float* s1,
                       float* s2) noexcept
{
    int j = 0;
    for (; j < n && (j == 0 || st.rampRemaining > 0); ++j)
    {
        const MorphLevels level = advanceRamp (st, target);
        fx[j] = level.fx;
        s1[j] = level.sig1;
        s2[j] = level.sig2;
    }
    if (st.startFx >= 0.0f)
    {
        std::fill (fx + j, fx + n, st.targetFx);
        std::fill (s1 + j, s1 + n, st.targetSig1);
        std::fill (s2 + j, s2 + n, st.targetSig2);
        return;
    }
    for (; j < n; ++j)
    {
        const MorphLevels level = advanceRamp (st, target);
        fx[j] = level.fx;
        s1[j] = level.sig1;
        s2[j] = level.sig2;
    }
}
} // namespace

BlendProcessor::BlendProcessor() = default;

juce::AudioBuffer<float> BlendProcessor::viewOf (const juce::AudioBuffer<float>& buffer, int numChannels, int start,
                                                 int numSamples)
{
    // Referencing constructors keep up to 32 channel pointers inline, so this does not allocate.
    if (numChannels <= 0 || buffer.getNumChannels() <= 0)
        return {};
    auto* const* data = const_cast<float* const*> (buffer.getArrayOfReadPointers());
    return juce::AudioBuffer<float> (data, numChannels, start, numSamples);
}

void BlendProcessor::prepare (int numChannels, int maxBlockSize, double sampleRate, const BlendRecords& records)
{
    numChannels = std::max (1, numChannels);
    const int blockSize = std::max (1, maxBlockSize);
    preparedChannels = numChannels;
    preparedBlockSize = blockSize;

    for (auto* dry : { &dryCopy1, &dryCopy2 })
    {
        if (dry->getNumChannels() != numChannels || dry->getNumSamples() != blockSize)
            dry->setSize (numChannels, blockSize);
        dry->clear();
    }
    for (auto* delays : { &dryDelay1, &dryDelay2 })
    {
        delays->resize (static_cast<size_t> (numChannels));
        for (auto& delay : *delays)
            delay.prepare (maxRealtimeLatencySamples(), blockSize);
    }

    for (auto* v : { &scEnvelope, &afEnvelope, &amLfoPhase, &fmFeedbackState, &fmSmoothedMod, &mathTiltLp1,
                     &mathTiltLp2, &recoveryMeasure })
        v->assign (static_cast<size_t> (numChannels), 0.0f);
    stageStates.assign (static_cast<size_t> (numChannels), OutputStageState {});
    cachedStage.reset();
    mathShapeCache.reset();

    fmDelay.assign (static_cast<size_t> (numChannels), DelayLine {});
    scrubHistory.assign (static_cast<size_t> (numChannels), DelayLine {});
    scrubOffset.assign (static_cast<size_t> (numChannels), 0.0);
    scrubVelocity.assign (static_cast<size_t> (numChannels), 0.0);

    for (auto* v : { &probChoice, &probIndependent, &probPreviousChoice })
        v->assign (static_cast<size_t> (numChannels), 0);
    for (auto* v : { &probHoldRemaining, &probFadeRemaining, &probFadeLength })
        v->assign (static_cast<size_t> (numChannels), 0);

    mixStates.assign (static_cast<size_t> (numChannels), RtMixState {});
    for (auto* v : { &targetFx, &targetSig1, &targetSig2, &glideFx, &glideSig1, &glideSig2, &glideCeiling,
                     &glideInvCeiling, &glideVolume })
        v->assign (static_cast<size_t> (blockSize), 0.0f);
    for (auto* v : { &levelFx, &levelSig1, &levelSig2 })
        v->assign (2 * static_cast<size_t> (blockSize), 0.0f);
    for (auto* v : { &mathSide1, &mathSide2 })
        v->assign (2 * static_cast<size_t> (blockSize), 0.0f);

    glideMinSamples = minGlideSamples (sampleRate);
    resetClassicVocoderBank();
    for (auto* banks : { &spectralGateBanks, &phaseSwapBanks, &binInterleaveBanks })
        banks->prepare (numChannels, sampleRate);
    fftVocoderBanks.prepare (numChannels, sampleRate);
    prepareEveryMode (numChannels, sampleRate, records);
    prepareTransitions (numChannels, blockSize);
    // Banks whose size did not change were kept; what they heard before must not play again.
    reset();
}

void BlendProcessor::reset() noexcept
{
    for (auto* v : { &scEnvelope, &afEnvelope, &amLfoPhase, &fmFeedbackState, &fmSmoothedMod, &mathTiltLp1,
                     &mathTiltLp2 })
        std::fill (v->begin(), v->end(), 0.0f);
    std::fill (stageStates.begin(), stageStates.end(), OutputStageState {});
    for (auto* lines : { &fmDelay, &scrubHistory })
        for (auto& line : *lines)
            line = DelayLine {};
    for (auto* v : { &scrubOffset, &scrubVelocity })
        std::fill (v->begin(), v->end(), 0.0);
    for (auto* v : { &probChoice, &probIndependent, &probPreviousChoice })
        std::fill (v->begin(), v->end(), uint8_t { 0 });
    for (auto* v : { &probHoldRemaining, &probFadeRemaining, &probFadeLength })
        std::fill (v->begin(), v->end(), 0);
    std::fill (mixStates.begin(), mixStates.end(), RtMixState {});
    resetGlides();
    transition = {};
    hasWanted = false;

    for (auto* delays : { &dryDelay1, &dryDelay2 })
        for (auto& delay : *delays)
            delay.reset();
    dry2HistoryStale = false;

    for (auto& channel : classicBank.channels)
        channel.clearBands (kVocoderBandStride);
    fftVocoderBanks.resetChannels();
    freqSpliceBank.resetChannels();
    for (auto* banks : { &spectralGateBanks, &phaseSwapBanks, &binInterleaveBanks })
        banks->resetChannels();
}

void BlendProcessor::processRealtime (BlendMode mode, const juce::AudioBuffer<float>& role1,
                                      const juce::AudioBuffer<float>& role2, const juce::AudioBuffer<float>& dry1,
                                      const juce::AudioBuffer<float>& dry2, juce::AudioBuffer<float>& out,
                                      double sampleRate, const BlendRecords& records)
{
    // A held setting runs on in place of what the records ask for; their other dials apply.
    if (settingHeld && hasWanted && lastWanted != settingOf (mode, records.math.op, records.vocoder.resolution))
        return processSetting (lastWanted.mode, role1, role2, dry1, dry2, out, sampleRate,
                               recordsFor (records, lastWanted));
    processSetting (mode, role1, role2, dry1, dry2, out, sampleRate, records);
}

void BlendProcessor::processSetting (BlendMode mode, const juce::AudioBuffer<float>& role1,
                                     const juce::AudioBuffer<float>& role2, const juce::AudioBuffer<float>& dry1,
                                     const juce::AudioBuffer<float>& dry2, juce::AudioBuffer<float>& out,
                                     double sampleRate, const BlendRecords& records)
{
    const int totalChannels = out.getNumChannels();
    int n = out.getNumSamples();
    if (totalChannels <= 0 || n <= 0)
        return;

    // The caller promises blocks and channel counts within what it prepared; a host that breaks
    // that promise must still never make the engine touch memory it does not own. Extra output
    // channels stay silent, inputs shorter than the output end the block early, and a block
    // longer than prepared is processed in prepared-size pieces.
    const int numChannels = std::min (totalChannels, preparedChannels);
    for (auto* in : { &role1, &role2, &dry1, &dry2 })
        if (in->getNumChannels() > 0)
            n = std::min (n, in->getNumSamples());

    for (int c = 0; c < totalChannels; ++c)
        if (c >= numChannels)
            out.clear (c, 0, out.getNumSamples());
        else if (n < out.getNumSamples())
            out.clear (c, n, out.getNumSamples() - n);

    if (numChannels <= 0 || n <= 0)
        return;

    if (dry2HistoryStale)
    {
        for (auto& delay : dryDelay2)
            delay.reset();
        dry2HistoryStale = false;
    }

    // Modulator 1 moves the levels of what leaves the engine now: the blend and the held-back
    // dry signals carry audio that came in `latency` samples ago, so the pattern is read where
    // that audio was on the host's grid. While a change of setting crosses over, the latency is
    // the old setting's until the crossfade starts.
    const int latency = beginBlockSetting (mode, records);
    RealtimeStepData chunkSteps = records.steps;
    chunkSteps.phaseStart -= static_cast<double> (latency) * chunkSteps.phaseIncrement;

    // The dials glide across the host's whole block, however it is cut into pieces below, and
    // so does a change of the dry paths' delay.
    targetGlides (mode, records, n, sampleRate);
    dryFade.target (latency, glideMinSamples);

    // The usual block: one piece of the prepared channels, nothing flagged clear; the buffers
    // serve as they are.
    const bool anyCleared = role1.hasBeenCleared() || role2.hasBeenCleared() || dry1.hasBeenCleared()
                            || dry2.hasBeenCleared();
    if (n == out.getNumSamples() && n <= preparedBlockSize && numChannels == totalChannels && ! anyCleared)
    {
        processChunk (mode, role1, role2, dry1, dry2, out, numChannels, sampleRate, records, chunkSteps);
        advanceGlides (n);
        transition.advance (n);
        return;
    }
    for (int start = 0; start < n; start += preparedBlockSize)
    {
        const int len = std::min (preparedBlockSize, n - start);
        auto r1 = viewOf (role1, role1.getNumChannels(), start, len);
        auto r2 = viewOf (role2, role2.getNumChannels(), start, len);
        auto d1 = viewOf (dry1, dry1.getNumChannels(), start, len);
        auto d2 = viewOf (dry2, dry2.getNumChannels(), start, len);
        if (dry1.hasBeenCleared()) d1.clear();
        if (dry2.hasBeenCleared()) d2.clear();
        if (role1.hasBeenCleared()) r1.clear();
        if (role2.hasBeenCleared()) r2.clear();
        auto o = viewOf (out, numChannels, start, len);

        processChunk (mode, r1, r2, d1, d2, o, numChannels, sampleRate, records, chunkSteps);
        advanceGlides (len);
        transition.advance (len);
        chunkSteps.phaseStart += static_cast<double> (len) * chunkSteps.phaseIncrement;
    }
}

void BlendProcessor::processChunk (BlendMode mode, const juce::AudioBuffer<float>& role1,
                                   const juce::AudioBuffer<float>& role2, const juce::AudioBuffer<float>& dry1,
                                   const juce::AudioBuffer<float>& dry2, juce::AudioBuffer<float>& out,
                                   int numChannels, double sampleRate, const BlendRecords& records,
                                   const RealtimeStepData& steps)
{
    const int n = out.getNumSamples();
    const ModeOps& ops = modeOps (mode);
    const ModeBlock block { role1, role2, out, numChannels, n, sampleRate, records };

    // 1. Snapshot the dry signals before any mode writes into a buffer they may share, and hold
    //    them back by the mode's latency so that they meet the blend in time.
    snapshotDry (dry1, role1, dryCopy1, dryDelay1, n);
    snapshotDry (dry2, role2, dryCopy2, dryDelay2, n);

    const float makeup = ops.makeupGain (records.math.op, records.vocoder.resolution);
    const OutputStage& stage = cachedStage.get (records.mix, sampleRate, OutputStage::fromParams);

    // 2. Bank preparation for the selected mode (the banks' coefficients follow the dials; every
    //    size was built in preparation). While a change is under way each setting prepares its
    //    own before it runs. Bad audio is looked for once per channel and block: in the inputs
    //    before any mode may overwrite them (in-place processing), in the blend after it.
    const bool crossing = transition.pending;
    if (ops.prepareIfNeeded != nullptr && ! crossing)
        ops.prepareIfNeeded (*this, numChannels, sampleRate, records);

    // Without both roles there is nothing to blend.
    if (role1.getNumChannels() == 0 || role2.getNumChannels() == 0)
    {
        for (int c = 0; c < numChannels; ++c)
            juce::FloatVectorOperations::clear (out.getWritePointer (c), n);
        return;
    }
    if (recoveryEnabled)
        for (int c = 0; c < numChannels; ++c)
            recoveryMeasure[static_cast<size_t> (c)] = blockpasses::magnitudeSum (block.role1Of (c), n)
                                                      + blockpasses::magnitudeSum (block.role2Of (c), n);

    // 3. The mode: once for every channel when it works across them, else channel by channel;
    //    while its dials glide, a few samples at a time; while a change crosses over, the old
    //    and the new setting (makeup included).
    const bool modeGliding = ! crossing && ops.dials != nullptr && modeGlide.moving();
    if (crossing)
        runTransition (block);
    else if (modeGliding)
        runModeGliding (ops, block);
    else if (ops.runBlock != nullptr)
        ops.runBlock (*this, block);
    for (int c = 0; c < numChannels; ++c)
    {
        float* o = out.getWritePointer (c);
        if (crossing)
        {
            if (recoveryEnabled)
                recoveryMeasure[static_cast<size_t> (c)] += blockpasses::magnitudeSum (o, n);
            continue;
        }
        if (! modeGliding && ops.runChannel != nullptr)
            ops.runChannel (*this, block, { c, block.role1Of (c), block.role2Of (c), o });
        if (recoveryEnabled)
            recoveryMeasure[static_cast<size_t> (c)] += blockpasses::magnitudeSum (o, n);
        blockpasses::scale (o, makeup, n);
    }

    // 4. The output stage and the mix with the held-back dry signals.
    finishBlend (block, dry1, dry2, records.mix, stage, steps);
    if (crossing && transition.heardSource == BlendTransition::Source::passThrough)
        crossFromPassThrough (block, dry1);

    if (recoveryEnabled)
        for (int c = 0; c < numChannels; ++c)
            recoverChannel (mode, c, recoveryMeasure[static_cast<size_t> (c)]);
}

void BlendProcessor::finishBlend (const ModeBlock& block, const juce::AudioBuffer<float>& dry1,
                                  const juce::AudioBuffer<float>& dry2, const OutputMixParams& mix,
                                  const OutputStage& stage, const RealtimeStepData& steps) noexcept
{
    // The channels go in pairs, at the ramped or gliding levels. The Morph position depends only
    // on the sample's place in the block, so every channel shares one set of targets.
    const int n = block.numSamples, numChannels = block.numChannels;
    const MorphLevels fixedLevels { mix.fxLevel / 100.0f, mix.sig1Level / 100.0f, mix.sig2Level / 100.0f };
    GlidingLevels glidingLevels {};
    const GlidingLevels* glide = fillGlidingLevels (glidingLevels, n);
    if (steps.enabled)
        fillLevelTargets (steps, n, fixedLevels, glide != nullptr ? glide->fx : nullptr,
                          glide != nullptr ? glide->sig1 : nullptr, glide != nullptr ? glide->sig2 : nullptr,
                          targetFx.data(), targetSig1.data(), targetSig2.data());
    const bool stageGliding = toneGlide.moving() || gainGlide.moving();
    for (int c = 0; c < numChannels; c += 2)
    {
        const int count = std::min (2, numChannels - c);
        OutputStage::Channel pair[2];
        for (int i = 0; i < count; ++i)
        {
            const int ch = c + i;
            auto dryPointer = [&] (const juce::AudioBuffer<float>& dry, const juce::AudioBuffer<float>& role,
                                   const juce::AudioBuffer<float>& copy) {
                const auto& source = dry.getNumChannels() > 0 ? dry : role;
                return copy.getReadPointer (std::min (ch, source.getNumChannels() - 1));
            };
            auto& p = pair[i];
            p.out = block.out.getWritePointer (ch);
            p.state = &stageStates[static_cast<size_t> (ch)];
            p.dry1 = dryPointer (dry1, block.role1, dryCopy1);
            p.dry2 = dryPointer (dry2, block.role2, dryCopy2);
            rampLevels (mixStates[static_cast<size_t> (ch)], steps.enabled, fixedLevels, glide, n, i, p);
        }
        if (stageGliding)
            finishGliding (stage, pair[0], count == 2 ? &pair[1] : nullptr, n, block.sampleRate);
        else
            stage.finish (pair[0], count == 2 ? &pair[1] : nullptr, n);
    }
}

void BlendProcessor::rampLevels (RtMixState& st, bool morphing, MorphLevels fixed, const GlidingLevels* glide, int n,
                                 int lane, OutputStage::Channel& channel) noexcept
{
    // Without Morph the targets are the same for every channel: the levels hold as constants for
    // the whole block unless a ramp runs, or they glide together.
    if (! morphing && glide == nullptr && holdsLevels (st, fixed))
    {
        channel.fxLevel = st.targetFx;
        channel.sig1Level = st.targetSig1;
        channel.sig2Level = st.targetSig2;
        return;
    }
    if (! morphing && glide != nullptr && followsGlide (st, glide->fx, glide->sig1, glide->sig2))
    {
        channel.fx = glide->fx;
        channel.sig1 = glide->sig1;
        channel.sig2 = glide->sig2;
        st.startFx = st.targetFx = glide->next.fx;
        st.startSig1 = st.targetSig1 = glide->next.sig1;
        st.startSig2 = st.targetSig2 = glide->next.sig2;
        return;
    }
    const auto offset = static_cast<size_t> (lane * preparedBlockSize);
    float* fx = levelFx.data() + offset;
    float* s1 = levelSig1.data() + offset;
    float* s2 = levelSig2.data() + offset;
    channel.fx = fx;
    channel.sig1 = s1;
    channel.sig2 = s2;
    // Morph's targets, or a ramp that still runs (Morph just switched off) catching up with
    // the gliding levels.
    if (morphing)
        fillRampedLevels (st, n, targetFx.data(), targetSig1.data(), targetSig2.data(), fx, s1, s2);
    else if (glide != nullptr)
        fillRampedLevels (st, n, glide->fx, glide->sig1, glide->sig2, fx, s1, s2);
    else
        fillRampedLevels (st, n, fixed, fx, s1, s2);
}

void BlendProcessor::snapshotDry (const juce::AudioBuffer<float>& dry, const juce::AudioBuffer<float>& role,
                                  juce::AudioBuffer<float>& copy, std::vector<BlockDelay>& delays, int n) noexcept
{
    // A dry input with no channels stands in with the role signal it would have carried.
    const auto& source = dry.getNumChannels() > 0 ? dry : role;
    const int channels = std::min (source.getNumChannels(), preparedChannels);
    for (int c = 0; c < channels; ++c)
    {
        // Straight into the delay and back out of it: one copy each way.
        auto& delay = delays[static_cast<size_t> (c)];
        delay.write (source.hasBeenCleared() ? nullptr : source.getReadPointer (c), n);
        delay.readFaded (copy.getWritePointer (c), n, dryFade);
    }
}

void BlendProcessor::passThrough (const juce::AudioBuffer<float>& audio1, juce::AudioBuffer<float>& out, int latency)
{
    const int outChannels = out.getNumChannels();
    const int inChannels = audio1.getNumChannels();
    const int n = std::min (out.getNumSamples(), audio1.getNumSamples());
    if (outChannels <= 0 || inChannels <= 0 || n <= 0)
        return;

    dry2HistoryStale = true;
    transition.passedThrough (latency);
    dryFade.target (latency, glideMinSamples);
    const int delayedChannels = std::min (inChannels, static_cast<int> (dryDelay1.size()));
    const int chunk = preparedBlockSize > 0 ? preparedBlockSize : n;
    for (int start = 0; start < n; start += chunk)
    {
        const int len = std::min (chunk, n - start);
        // Every input channel goes into its delay before any output is written: `out` may be
        // the input's memory, and a mono input feeds several outputs.
        for (int c = 0; c < delayedChannels; ++c)
            dryDelay1[static_cast<size_t> (c)].write (audio1.hasBeenCleared() ? nullptr
                                                                               : audio1.getReadPointer (c, start),
                                                      len);
        for (int c = 0; c < outChannels; ++c)
        {
            const int src = std::min (c, inChannels - 1);
            float* o = out.getWritePointer (c, start);
            if (src < delayedChannels)
                dryDelay1[static_cast<size_t> (src)].readFaded (o, len, dryFade);
            else if (audio1.hasBeenCleared())
                juce::FloatVectorOperations::clear (o, len);
            else if (o != audio1.getReadPointer (src, start))
                juce::FloatVectorOperations::copy (o, audio1.getReadPointer (src, start), len);
        }
        dryFade.advance (len);
    }
}
