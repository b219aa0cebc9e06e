#include "engine/BlendProcessor.h"
#include "engine/BlockPasses.h"

#include <algorithm>
#include <utility>

// Changes of mode, of the math operation and of the resolution cross over instead of switching
// (the rules are in BlendTransition.h). While a change is under way the new setting runs into a
// scratch block beside the old one, each on its own state: modes keep separate state anyway, and
// the frame banks of every size are built in preparation, so the old and the new resolution run
// side by side. Two settings that share state (Classic and Distorted Vocoder, the math
// operations) fork it when the change starts: the old one plays on a copy, and the new one
// carries on with the state itself, so a change between them continues the same filters.

namespace
{
// out = from * (1 - w) + to * w, sample by sample: exactly `from` at weight 0 and `to` at 1.
void crossOver (const float* from, const float* to, const float* w, float* out, int n) noexcept
{
    for (int j = 0; j < n; ++j)
        out[j] = from[j] * (1.0f - w[j]) + to[j] * w[j];
}
} // namespace

BlendSetting BlendProcessor::settingOf (BlendMode mode, MathOp op, int resolution) noexcept
{
    const ModeOps& ops = modeOps (mode);
    return { mode, ops.shared == SharedState::mathTilt ? op : Multiply,
             ops.structure != nullptr ? ops.structure (resolution) : 0 };
}

BlendRecords BlendProcessor::recordsFor (const BlendRecords& records, BlendSetting setting) noexcept
{
    BlendRecords r = records;
    if (modeOps (setting.mode).shared == SharedState::mathTilt)
        r.math.op = setting.op;
    if (modeOps (setting.mode).structure != nullptr)
        r.vocoder.resolution = r.spectralGate.resolution = r.phaseSwap.resolution = r.binInterleave.resolution
            = setting.resolution;
    return r;
}

int BlendProcessor::latencyOf (BlendSetting setting) noexcept
{
    return modeOps (setting.mode).latency (setting.resolution);
}

BlendSetting BlendProcessor::wantedSetting (BlendMode mode, MathOp op, int resolution) const noexcept
{
    return settingHeld && hasWanted ? lastWanted : settingOf (mode, op, resolution);
}

int BlendProcessor::latencyOfNextBlock (BlendMode mode, MathOp op, int resolution) const noexcept
{
    BlendTransition planned = transition;
    const BlendSetting wanted = wantedSetting (mode, op, resolution);
    planned.begin (wanted, latencyOf (wanted), glideMinSamples);
    return planned.latency();
}

void BlendProcessor::prepareTransitions (int numChannels, int blockSize)
{
    transition = {};
    transitionBlend.setSize (numChannels, blockSize);
    transitionBlend.clear();
    transitionWeights.assign (static_cast<size_t> (blockSize), 0.0f);
    classicFadeBank.copyFrom (classicBank);
    mathFadeTilt1.assign (static_cast<size_t> (numChannels), 0.0f);
    mathFadeTilt2.assign (static_cast<size_t> (numChannels), 0.0f);
}

int BlendProcessor::beginBlockSetting (BlendMode mode, const BlendRecords& records) noexcept
{
    const BlendSetting wanted = wantedSetting (mode, records.math.op, records.vocoder.resolution);
    lastWanted = wanted;
    hasWanted = true;
    // The first setting after preparation or a reset enters its banks too (all silent then).
    const bool first = transition.heardSource == BlendTransition::Source::none;
    if (first && modeOps (wanted.mode).enter != nullptr)
        modeOps (wanted.mode).enter (*this, wanted.resolution);
    if (! transition.begin (wanted, latencyOf (wanted), glideMinSamples))
        return transition.latency();
    const ModeOps& next = modeOps (transition.next.mode);
    if (next.enter != nullptr)
        next.enter (*this, transition.next.resolution);
    if (transition.heardSource == BlendTransition::Source::setting)
    {
        const SharedState shared = modeOps (transition.heard.mode).shared;
        if (shared != SharedState::none && shared == next.shared)
            forkSharedState (shared);
    }
    return transition.latency();
}

void BlendProcessor::forkSharedState (SharedState shared)
{
    // Both copies were sized in preparation: nothing is allocated.
    if (shared == SharedState::classicBank)
        classicFadeBank.copyFrom (classicBank);
    if (shared == SharedState::mathTilt)
    {
        std::copy (mathTiltLp1.begin(), mathTiltLp1.end(), mathFadeTilt1.begin());
        std::copy (mathTiltLp2.begin(), mathTiltLp2.end(), mathFadeTilt2.begin());
    }
}

void BlendProcessor::swapSharedState (SharedState shared) noexcept
{
    if (shared == SharedState::classicBank)
        std::swap (classicBank, classicFadeBank);
    if (shared == SharedState::mathTilt)
    {
        mathTiltLp1.swap (mathFadeTilt1);
        mathTiltLp2.swap (mathFadeTilt2);
    }
}

void BlendProcessor::runSetting (BlendSetting setting, const ModeBlock& block, bool gliding)
{
    const ModeOps& ops = modeOps (setting.mode);
    if (ops.prepareIfNeeded != nullptr)
        ops.prepareIfNeeded (*this, block.numChannels, block.sampleRate, block.records);
    if (gliding)
        runModeGliding (ops, block);
    else if (ops.runBlock != nullptr)
        ops.runBlock (*this, block);
    const float makeup = ops.makeupGain (setting.op, setting.resolution);
    for (int c = 0; c < block.numChannels; ++c)
    {
        float* o = block.out.getWritePointer (c);
        if (! gliding && ops.runChannel != nullptr)
            ops.runChannel (*this, block, { c, block.role1Of (c), block.role2Of (c), o });
        blockpasses::scale (o, makeup, block.numSamples);
    }
}

void BlendProcessor::runTransition (const ModeBlock& block)
{
    const int n = block.numSamples, numChannels = block.numChannels;
    const BlendTransition& t = transition;

    // The new setting first, into the scratch block: the old one writes into `out`, which may be
    // the inputs' memory.
    auto scratch = viewOf (transitionBlend, numChannels, 0, n);
    const BlendRecords nextRecords = recordsFor (block.records, t.next);
    const bool nextGlides = modeOps (t.next.mode).dials != nullptr && modeGlide.moving() && t.next.mode == modeGlideMode
                            && settingOf (modeGlideMode, glideRecords.math.op, glideRecords.vocoder.resolution) == t.next;
    runSetting (t.next, { block.role1, block.role2, scratch, numChannels, n, block.sampleRate, nextRecords }, nextGlides);

    for (int j = 0; j < n; ++j)
        transitionWeights[static_cast<size_t> (j)] = t.weightAt (j);

    if (t.heardSource != BlendTransition::Source::setting)
    {
        // From pass-through: the blend runs on alone; the crossing comes after the output stage.
        for (int c = 0; c < numChannels; ++c)
            std::copy_n (scratch.getReadPointer (c), n, block.out.getWritePointer (c));
        return;
    }

    const BlendRecords heardRecords = recordsFor (block.records, t.heard);
    const SharedState shared = modeOps (t.heard.mode).shared;
    const bool forked = shared != SharedState::none && shared == modeOps (t.next.mode).shared;
    if (forked)
        swapSharedState (shared);
    runSetting (t.heard, { block.role1, block.role2, block.out, numChannels, n, block.sampleRate, heardRecords }, false);
    if (forked)
        swapSharedState (shared);

    if (! t.fading())
        return;
    for (int c = 0; c < numChannels; ++c)
        crossOver (block.out.getReadPointer (c), scratch.getReadPointer (c), transitionWeights.data(),
                   block.out.getWritePointer (c), n);
}

void BlendProcessor::crossFromPassThrough (const ModeBlock& block, const juce::AudioBuffer<float>& dry1) noexcept
{
    // What pass-through plays is Audio 1 held back by the dry paths' latency: the dry copy.
    const auto& source = dry1.getNumChannels() > 0 ? dry1 : block.role1;
    for (int c = 0; c < block.numChannels; ++c)
        crossOver (dryCopy1.getReadPointer (std::min (c, source.getNumChannels() - 1)), block.out.getReadPointer (c),
                   transitionWeights.data(), block.out.getWritePointer (c), block.numSamples);
}

void BlendProcessor::resetRunningModes (BlendMode mode, int channel) noexcept
{
    auto resetMode = [this, channel] (BlendMode m) {
        if (const auto reset = modeOps (m).resetChannel)
            reset (*this, channel);
    };
    const BlendTransition& t = transition;
    if (! t.pending)
        return resetMode (mode);
    resetMode (t.next.mode);
    if (t.heardSource != BlendTransition::Source::setting)
        return;
    // The old setting may play on a forked copy of shared state: that copy is cleared too.
    const SharedState shared = modeOps (t.heard.mode).shared;
    const bool forked = shared != SharedState::none && shared == modeOps (t.next.mode).shared;
    if (forked)
        swapSharedState (shared);
    resetMode (t.heard.mode);
    if (forked)
        swapSharedState (shared);
}
