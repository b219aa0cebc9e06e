#include "processor/PluginProcessor.h"
#include "params/ParamIDs.h"
#include "params/ParameterTable.h"

#include <algorithm>

// Parameter lookups and the per-block records the engine reads. Every reader except the output
// mix honours modulator 2's override, so the dial it animates reaches the engine as if the user
// had turned it. The readers name their parameters by ParamIDs constant as template arguments,
// so each read is an array access: no text is compared on the audio thread.

float QuorvaneAudioProcessor::paramValue (const char* paramId) const
{
    // Callers normally pass the ParamIDs constants themselves, so an address match is tried
    // before comparing text.
    for (int i = 0; i < kNumParameters; ++i)
        if (kParamTable[i].id == paramId)
            return paramValueAt (i);
    const int index = paramIndex (paramId);
    jassert (index >= 0); // not a parameter of this plug-in
    return index >= 0 ? paramValueAt (index) : 0.0f;
}

BlendMode QuorvaneAudioProcessor::currentBlendMode() const
{
    return blendModeForIndex (static_cast<int> (paramValue<ParamIDs::mode>()));
}

MathOp QuorvaneAudioProcessor::currentMathOp() const
{
    return mathOpForIndex (static_cast<int> (paramValue<ParamIDs::mode>()));
}

int QuorvaneAudioProcessor::currentDirection() const
{
    const int d = static_cast<int> (paramValue<ParamIDs::direction>());
    return (d == TwoToOne || d == OneToOne) ? d : OneToTwo;
}

VocoderParams QuorvaneAudioProcessor::readVocoderParams() const
{
    VocoderParams p;
    p.resolution = static_cast<int> (readRawParam<ParamIDs::resolution>());
    p.attack = readRawParam<ParamIDs::vocAttack>();
    p.release = readRawParam<ParamIDs::vocRelease>();
    p.hfEmphasis = readRawParam<ParamIDs::hfEmphasis>();
    p.drive = readRawParam<ParamIDs::vocDrive>() * 0.01f;
    return p;
}

FMParams QuorvaneAudioProcessor::readFMParams() const
{
    return { readRawParam<ParamIDs::fmDepth>(), readRawParam<ParamIDs::fmFeedback>() };
}

MathParams QuorvaneAudioProcessor::readMathParams() const
{
    MathParams p;
    p.op = currentMathOp(); // the mode choice itself is never overridden
    p.balance = readRawParam<ParamIDs::mathBalance>();
    p.rectify = readRawParam<ParamIDs::mathRectify>();
    p.tame = readRawParam<ParamIDs::mathTame>();
    p.drive = readRawParam<ParamIDs::mathDrive>();
    p.dcOffset = readRawParam<ParamIDs::mathDCOffset>();
    p.tilt = readRawParam<ParamIDs::mathTilt>();
    return p;
}

SidechainParams QuorvaneAudioProcessor::readSidechainParams() const
{
    return { readRawParam<ParamIDs::scAttack>(), readRawParam<ParamIDs::scRelease>(),
             readRawParam<ParamIDs::scThreshold>(), readRawParam<ParamIDs::scDepth>() };
}

FreqSpliceParams QuorvaneAudioProcessor::readFreqSpliceParams() const
{
    return { readRawParam<ParamIDs::fsCrossover>(), readRawParam<ParamIDs::fsWidth>(), readRawParam<ParamIDs::fsTilt>(),
             readRawParam<ParamIDs::fsLFORate>() };
}

AMParams QuorvaneAudioProcessor::readAMParams() const
{
    return { readRawParam<ParamIDs::amDepth>(), readRawParam<ParamIDs::amDCOffset>(),
             readRawParam<ParamIDs::amLFORate>() };
}

SpectralGateParams QuorvaneAudioProcessor::readSpectralGateParams() const
{
    return { readRawParam<ParamIDs::sgThreshold>(), readRawParam<ParamIDs::sgTilt>(),
             static_cast<int> (readRawParam<ParamIDs::resolution>()) };
}

PhaseSwapParams QuorvaneAudioProcessor::readPhaseSwapParams() const
{
    return { readRawParam<ParamIDs::psAmount>(), readRawParam<ParamIDs::psTilt>(),
             static_cast<int> (readRawParam<ParamIDs::resolution>()) };
}

BinInterleaveParams QuorvaneAudioProcessor::readBinInterleaveParams() const
{
    const int chunkIndex = std::clamp (static_cast<int> (readRawParam<ParamIDs::biChunk>()), 0, 3);
    return { 1 << chunkIndex, readRawParam<ParamIDs::biTilt>(),
             static_cast<int> (readRawParam<ParamIDs::resolution>()) };
}

ProbabilisticParams QuorvaneAudioProcessor::readProbabilisticParams() const
{
    return { readRawParam<ParamIDs::probBias>(), readRawParam<ParamIDs::probHold>(),
             readRawParam<ParamIDs::probStereo>(), readRawParam<ParamIDs::probCrossfade>() };
}

WaveshapeParams QuorvaneAudioProcessor::readWaveshapeParams() const
{
    return { readRawParam<ParamIDs::wsWindow>(), readRawParam<ParamIDs::wsDrive>(),
             readRawParam<ParamIDs::wsSmoothing>() };
}

ScrubParams QuorvaneAudioProcessor::readScrubParams() const
{
    return { readRawParam<ParamIDs::scrubScale>(), readRawParam<ParamIDs::scrubBias>(),
             readRawParam<ParamIDs::scrubSmoothing>() };
}

OutputMixParams QuorvaneAudioProcessor::readOutputMixParams() const
{
    const MixLevels levels = heardMixLevels();
    return { levels[0],                             levels[1],
             levels[2],                             paramValue<ParamIDs::fxLowCut>(),
             paramValue<ParamIDs::heat>(),          paramValue<ParamIDs::fxHiCut>(),
             paramValue<ParamIDs::clipCeilingDb>(), paramValue<ParamIDs::outputVolDb>() };
}

BlendRecords QuorvaneAudioProcessor::readBlendRecords() const
{
    // The records are read in this order on purpose: the engine sees one consistent snapshot of
    // the parameters, with modulator 2's override applied to all but the output mix.
    BlendRecords records;
    records.vocoder = readVocoderParams();
    records.fm = readFMParams();
    records.math = readMathParams();
    records.sidechain = readSidechainParams();
    records.freqSplice = readFreqSpliceParams();
    records.am = readAMParams();
    records.spectralGate = readSpectralGateParams();
    records.phaseSwap = readPhaseSwapParams();
    records.binInterleave = readBinInterleaveParams();
    records.probabilistic = readProbabilisticParams();
    records.waveshape = readWaveshapeParams();
    records.scrub = readScrubParams();
    records.mix = readOutputMixParams();
    return records;
}
