#include "processor/PluginProcessor.h"
#include "params/ParamIDs.h"
#include "params/ParameterTable.h"
#include "engine/ModulatorShape.h"

#include <cmath>
#include <limits>

// The two 16-step modulators. Both walk a cycle of sixteen equal steps whose length is given in
// bars; in a host the cycle is locked to the host's musical position, in the standalone
// application to the playback position of the loaded files. Modulator 1 hands its pattern to the
// engine, which moves Morph sample by sample; modulator 2 is evaluated once per block and
// overrides one dial of the current mode for the parameter readers.

namespace
{
double fractionOf (double x) noexcept
{
    return x - std::floor (x);
}
} // namespace

float QuorvaneAudioProcessor::getStepValue (int modulator, int step) const
{
    if (static_cast<unsigned> (modulator) > 1u || static_cast<unsigned> (step) >= static_cast<unsigned> (kNumSteps))
        return 0.0f;
    return stepValues[modulator][step].load();
}

void QuorvaneAudioProcessor::setStepValue (int modulator, int step, float value)
{
    if (static_cast<unsigned> (modulator) > 1u || static_cast<unsigned> (step) >= static_cast<unsigned> (kNumSteps))
        return;
    stepValues[modulator][step].store (value);
}

double QuorvaneAudioProcessor::barsPerCycleFrom (int barsIndex, int dividerIndex)
{
    const bool known = barsIndex >= 0 && barsIndex < static_cast<int> (std::size (kBarsTable));
    const double bars = known ? static_cast<double> (kBarsTable[static_cast<size_t> (barsIndex)]) : 1.0;
    return bars / static_cast<double> (std::max (dividerIndex, 0) + 1);
}

int QuorvaneAudioProcessor::getStandaloneCycleLengthSamples (int modulator) const
{
    if (modulator != 0 && modulator != 1)
        return 0;

    const bool second = modulator == 1;
    const float enabled = second ? paramValue<ParamIDs::seqEnabled2>() : paramValue<ParamIDs::seqEnabled>();
    if (enabled <= 0.5f)
        return 0;

    // The Audio 1 file counts as four bars, whatever is playing.
    const float barsChoice = second ? paramValue<ParamIDs::seqBars2>() : paramValue<ParamIDs::seqBars>();
    const float dividerChoice = second ? paramValue<ParamIDs::seqDiv2>() : paramValue<ParamIDs::seqDiv>();
    const double bars = barsPerCycleFrom (static_cast<int> (barsChoice), static_cast<int> (dividerChoice));
    const double samples = static_cast<double> (audio1Length.load()) * bars * 0.25;
    return static_cast<int> (std::min (std::llround (samples),
                                       static_cast<long long> (std::numeric_limits<int>::max())));
}

QuorvaneAudioProcessor::ModulatorTiming QuorvaneAudioProcessor::hostModulatorTiming()
{
    // What the host tells us for this block (read once per block in processBlockPlugin), with
    // the usual defaults for whatever it leaves out.
    const TransportState& host = blockTransport;
    const double numerator = host.numerator, denominator = host.denominator, bpm = host.bpm, ppq = host.ppq;
    const bool playing = host.playing;

    // Pre-roll (negative positions) and a stopped transport freeze both modulators. Non-finite
    // host values freeze them too rather than turning every later phase into NaN.
    const bool transportRuns = playing && std::isfinite (ppq) && ppq >= 0.0 && std::isfinite (bpm) && bpm > 0.0;
    const bool rateKnown = currentSampleRate > 0.0;

    auto cycleQuarters = [&] (float barsChoice, float dividerChoice) {
        return barsPerCycleFrom (static_cast<int> (barsChoice), static_cast<int> (dividerChoice)) * numerator
               * (4.0 / denominator);
    };
    auto clocked = [&] (double cycle) { return transportRuns && rateKnown && std::isfinite (cycle) && cycle > 0.0; };

    ModulatorTiming timing;

    const double cycle1 = cycleQuarters (paramValue<ParamIDs::seqBars>(), paramValue<ParamIDs::seqDiv>());
    if (clocked (cycle1))
    {
        timing.phase1 = fractionOf (ppq / cycle1);
        timing.increment1 = bpm / 60.0 / currentSampleRate / cycle1;
    }
    else
    {
        timing.phase1 = stepPhase[0].load();
        timing.increment1 = 0.0;
    }

    const double cycle2 = cycleQuarters (paramValue<ParamIDs::seqBars2>(), paramValue<ParamIDs::seqDiv2>());
    timing.phase2 = clocked (cycle2) ? fractionOf (ppq / cycle2) : stepPhase[1].load();

    // Published whether or not the modulators are on, so the editor's highlight follows the host.
    // Modulator 1's is published once the block's latency is known, as the position heard.
    stepPhase[1].store (timing.phase2);

    timing.enabled1 = paramValue<ParamIDs::seqEnabled>() > 0.5f;
    timing.running1 = timing.enabled1 && timing.increment1 > 0.0;
    timing.clocked2 = true; // a stopped host keeps modulator 2 at its frozen position
    return timing;
}

QuorvaneAudioProcessor::ModulatorTiming QuorvaneAudioProcessor::standaloneModulatorTiming (int startSample) const
{
    ModulatorTiming timing;

    const int cycle1 = getStandaloneCycleLengthSamples (0);
    if (cycle1 > 0)
    {
        timing.phase1 = fractionOf (static_cast<double> (startSample) / cycle1);
        timing.increment1 = 1.0 / cycle1;
    }
    timing.enabled1 = cycle1 > 0;
    timing.running1 = timing.enabled1;

    const int cycle2 = getStandaloneCycleLengthSamples (1);
    timing.clocked2 = cycle2 > 0;
    if (timing.clocked2)
        timing.phase2 = fractionOf (static_cast<double> (startSample) / cycle2);
    return timing;
}

double QuorvaneAudioProcessor::heardPhase (const ModulatorTiming& timing, int latency) noexcept
{
    // What leaves the engine now came in `latency` samples ago: the engine reads Morph's pattern
    // there, and the hand-off and the highlight follow the same position.
    return fractionOf (timing.phase1 - static_cast<double> (latency) * timing.increment1);
}

RealtimeStepData QuorvaneAudioProcessor::computeModulator1 (const ModulatorTiming& timing, int latency)
{
    RealtimeStepData data;
    data.enabled = timing.enabled1;
    for (int s = 0; s < kNumSteps; ++s)
        data.steps[s] = stepValues[0][s].load();
    data.smoothing = paramValue<ParamIDs::smoothing>() / 100.0f;
    data.phaseStart = timing.phase1;
    data.phaseIncrement = timing.increment1;
    data.handoffWeight = resolveMorphHandoffWeight (heardPhase (timing, latency), timing.running1);
    return data;
}

float QuorvaneAudioProcessor::resolveMorphHandoffWeight (double phase, bool running)
{
    // Position inside the current group of four steps.
    const double scaled = 4.0 * phase;
    const double q = scaled - std::trunc (scaled);

    const bool touched = morphTouched.load();
    if (touched)
    {
        handoffState = 1;
    }
    else if (handoffWasTouched)
    {
        // Released since the last block: wait for the group's last step, then fade back in.
        handoffState = 2;
        handoffLastPos = q;
        handoffArmed = q >= 0.75;
    }
    handoffWasTouched = touched;

    float weight = 1.0f;
    if (! running)
    {
        // Nothing to hand back to while the clock stands still.
        handoffState = 0;
        handoffArmed = false;
    }
    else if (handoffState == 1)
    {
        weight = 0.0f;
    }
    else if (handoffState == 2)
    {
        if (handoffArmed && handoffLastPos > q)
        {
            // Wrapped into the next group after fading in across the last step: full control.
            handoffState = 0;
            handoffArmed = false;
            weight = 1.0f;
        }
        else if (q >= 0.75)
        {
            handoffArmed = true;
            weight = static_cast<float> ((q - 0.75) * 4.0);
        }
        else
        {
            weight = 0.0f;
        }
        handoffLastPos = q;
    }

    morphHandoffWeight.store (weight);
    return weight;
}

void QuorvaneAudioProcessor::applyModulator2 (const ModulatorTiming& timing, BlendMode mode, MathOp op)
{
    if (paramValue<ParamIDs::seqEnabled2>() <= 0.5f || ! timing.clocked2)
        return;

    const int slot = static_cast<int> (paramValue<ParamIDs::mod2Target>());
    if (slot < 0 || slot >= kNumDialSlots)
        return;
    const DialSlotInfo target = dialSlotInfoForMode (mode, op, slot);
    if (target.paramId == nullptr || target.paramIndex < 0)
        return;

    float steps[kNumSteps];
    for (int s = 0; s < kNumSteps; ++s)
        steps[s] = stepValues[1][s].load();
    const float v = stepValueAt (steps, timing.phase2, paramValue<ParamIDs::smoothing2>() / 100.0f);

    const ParamSpec& row = kParamTable[target.paramIndex];
    const float base = paramValueAt (target.paramIndex);

    // +1 takes the dial to the top of its range, -1 to the bottom, 0 leaves it where the user
    // set it. The dial itself never moves.
    mod2OverrideParamId = &row;
    mod2OverrideValue = v >= 0.0f ? base + v * (row.max - base) : base + v * (base - row.min);
}
