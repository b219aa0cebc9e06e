#include "engine/BlendProcessor.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

// Dials that glide: the host sets every dial once per block, and a dial that scales or drives
// the signal follows it in a line across the block (DialGlide.h). The levels and the output
// gains move sample by sample; the filter designs and the mode's records every
// kGlideStepSamples. Dials that stand still take none of these paths.

namespace
{
// A channel's view `start` samples further on.
OutputStage::Channel shifted (OutputStage::Channel c, int start) noexcept
{
    c.out += start;
    c.dry1 += start;
    c.dry2 += start;
    if (c.fx != nullptr)
    {
        c.fx += start;
        c.sig1 += start;
        c.sig2 += start;
    }
    return c;
}
} // namespace

void BlendProcessor::resetGlides() noexcept
{
    levelGlide.reset();
    gainGlide.reset();
    toneGlide.reset();
    modeGlide.reset();
    dryFade.reset();
    glideStage = OutputStage {};
    glidesTargeted = false;
}

void BlendProcessor::targetGlides (BlendMode mode, const BlendRecords& records, int n, double sampleRate) noexcept
{
    // The usual block: nothing glides, and the dials are those of the last block (modulator 1's
    // record, which moves every block, aside). One comparison and nothing to do.
    static_assert (std::is_standard_layout_v<BlendRecords>, "records are compared byte for byte");
    const bool moving = levelGlide.moving() || gainGlide.moving() || toneGlide.moving() || modeGlide.moving();
    if (glidesTargeted && ! moving && mode == modeGlideMode && sampleRate == glideRate
        && std::memcmp (&records, &glideRecords, offsetof (BlendRecords, steps)) == 0)
        return;
    glidesTargeted = true;
    glideRate = sampleRate;
    glideRecords = records;

    glideMinSamples = minGlideSamples (sampleRate);
    const OutputMixParams& mix = records.mix;
    const OutputStage& stage = cachedStage.get (mix, sampleRate, OutputStage::fromParams);
    levelGlide.target ({ mix.fxLevel / 100.0f, mix.sig1Level / 100.0f, mix.sig2Level / 100.0f }, n, glideMinSamples);
    gainGlide.target ({ stage.ceiling, stage.volume }, n, glideMinSamples);
    toneGlide.target ({ mix.fxLowCut, mix.heat, mix.fxHiCut }, n, glideMinSamples);

    // Another mode's dials mean something else: the new mode starts at its own values.
    const ModeOps& ops = modeOps (mode);
    if (mode != modeGlideMode)
    {
        modeGlide.reset();
        modeGlideMode = mode;
    }
    if (ops.dials == nullptr)
        return;
    const ModeDials dials = ops.dials (glideRecords);
    DialGlide<kMaxModeDials>::Values values {};
    for (int k = 0; k < dials.count(); ++k)
        values[static_cast<size_t> (k)] = *dials.dial[k];
    modeGlide.target (values, n, glideMinSamples);
}

void BlendProcessor::advanceGlides (int n) noexcept
{
    levelGlide.advance (n);
    gainGlide.advance (n);
    toneGlide.advance (n);
    modeGlide.advance (n);
    dryFade.advance (n);
}

const BlendProcessor::GlidingLevels* BlendProcessor::fillGlidingLevels (GlidingLevels& levels, int n) noexcept
{
    if (gainGlide.moving())
    {
        gainGlide.fill (0, glideCeiling.data(), n);
        gainGlide.fill (1, glideVolume.data(), n);
        for (int j = 0; j < n; ++j)
            glideInvCeiling[static_cast<size_t> (j)] = OutputStage::inverseCeiling (glideCeiling[static_cast<size_t> (j)]);
    }
    if (! levelGlide.moving())
        return nullptr;
    levelGlide.fill (0, glideFx.data(), n);
    levelGlide.fill (1, glideSig1.data(), n);
    levelGlide.fill (2, glideSig2.data(), n);
    levels = { glideFx.data(), glideSig1.data(), glideSig2.data(),
               { levelGlide.at (0, n), levelGlide.at (1, n), levelGlide.at (2, n) } };
    return &levels;
}

void BlendProcessor::runModeGliding (const ModeOps& ops, const ModeBlock& block)
{
    const int n = block.numSamples;
    const ModeDials dials = ops.dials (glideRecords);
    for (int start = 0; start < n; start += kGlideStepSamples)
    {
        const int len = std::min (kGlideStepSamples, n - start);
        for (int k = 0; k < dials.count(); ++k)
            *dials.dial[k] = modeGlide.at (k, start);

        const auto role1 = viewOf (block.role1, block.role1.getNumChannels(), start, len);
        const auto role2 = viewOf (block.role2, block.role2.getNumChannels(), start, len);
        auto out = viewOf (block.out, block.numChannels, start, len);
        const ModeBlock step { role1, role2, out, block.numChannels, len, block.sampleRate, glideRecords };
        // Banks that derive tables from a dial (the vocoders' emphasis) take the new value here;
        // no bank changes size, so nothing is allocated.
        if (ops.prepareIfNeeded != nullptr)
            ops.prepareIfNeeded (*this, block.numChannels, block.sampleRate, glideRecords);
        if (ops.runBlock != nullptr)
            ops.runBlock (*this, step);
        if (ops.runChannel != nullptr)
            for (int c = 0; c < block.numChannels; ++c)
                ops.runChannel (*this, step, { c, step.role1Of (c), step.role2Of (c), out.getWritePointer (c) });
    }
}

void BlendProcessor::finishGliding (const OutputStage& stage, const OutputStage::Channel& first,
                                    const OutputStage::Channel* second, int n, double sampleRate) noexcept
{
    const OutputStage::GainRamps ramps { glideCeiling.data(), glideInvCeiling.data(), glideVolume.data() };
    const OutputStage::GainRamps* gains = gainGlide.moving() ? &ramps : nullptr;
    if (! toneGlide.moving())
        return stage.finish (first, second, n, gains);

    // The filters are designed again every few samples; their states run on unbroken.
    glideStage.ceiling = stage.ceiling;
    glideStage.invCeiling = stage.invCeiling;
    glideStage.volume = stage.volume;
    for (int start = 0; start < n; start += kGlideStepSamples)
    {
        const int len = std::min (kGlideStepSamples, n - start);
        glideStage.setTone (toneGlide.at (0, start), toneGlide.at (1, start), toneGlide.at (2, start), sampleRate);
        const OutputStage::Channel a = shifted (first, start);
        const OutputStage::Channel b = second != nullptr ? shifted (*second, start) : OutputStage::Channel {};
        const OutputStage::GainRamps stepGains { ramps.ceiling + start, ramps.invCeiling + start, ramps.volume + start };
        glideStage.finish (a, second != nullptr ? &b : nullptr, len, gains != nullptr ? &stepGains : nullptr);
    }
}
