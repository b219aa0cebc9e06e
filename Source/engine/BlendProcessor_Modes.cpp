#include "engine/BlendProcessor.h"

#include <algorithm>
#include <cmath>

// The engine's facts about each algorithm, one row per BlendMode: makeup gain, latency, lazy
// bank preparation, how it runs, what recovery clears, which dials glide and what a change of
// setting crosses (see BlendProcessor_Transition.cpp). A new algorithm is a row here plus its family file.

namespace
{
int noLatency (int) noexcept { return 0; }

// The frame modes and the FFT vocoder report one frame of latency.
int frameLatency (int resolution) noexcept { return 1 << frameOrderForResolution (resolution); }

// FM and Scrub read around the centre of their delay line.
int delayLineLatency (int) noexcept { return DelayLine::kSize / 2; }

int freqSpliceLatency (int) noexcept { return 1 << kFreqSpliceOrder; }

int classicBandCount (int resolution) noexcept
{
    return std::min (1 << std::clamp (resolution, 0, 12), kMaxVocoderBands);
}

// The resolutions that give the vocoder banks the same structure come down to one value: the
// classic bank stops at 1024 bands, while the distorted vocoder's makeup keeps following the
// dial to its end.
int classicResolution (int resolution) noexcept { return std::clamp (resolution, 0, 10); }
int distortedResolution (int resolution) noexcept { return std::clamp (resolution, 0, 12); }
} // namespace

// clang-format off
const BlendProcessor::ModeOps BlendProcessor::kModeTable[] = {
    { FFTVocoder,
      [] (MathOp, int) noexcept { return 0.82f; },
      frameLatency,
      [] (BlendProcessor& e, int channels, double rate, const BlendRecords& r) {
          e.selectVocoderFFT (r.vocoder.resolution, channels, rate, r.vocoder); },
      nullptr,
      [] (BlendProcessor& e, const ModeBlock& b, const ModeChannel& c) {
          e.runVocoderFFT (c.channel, c.role1, c.role2, c.out, b.numSamples); },
      [] (BlendProcessor& e, int channel) noexcept { e.resetVocoderChannel (FFTVocoder, channel); },
      nullptr,
      frameOrderForResolution,
      SharedState::none,
      [] (BlendProcessor& e, int resolution) noexcept { e.fftVocoderBanks.enter (frameOrderForResolution (resolution)); } },
    { DistortedVocoder,
      // Scaled by the band count; unlike the bank itself, the power of two is not capped at 1024.
      [] (MathOp, int resolution) noexcept {
          return 4.04f / std::sqrt (static_cast<float> (1 << std::clamp (resolution, 0, 12))); },
      noLatency,
      [] (BlendProcessor& e, int channels, double rate, const BlendRecords& r) {
          e.prepareVocoderClassicIfNeeded (classicBandCount (r.vocoder.resolution), channels, rate, r.vocoder); },
      nullptr,
      [] (BlendProcessor& e, const ModeBlock& b, const ModeChannel& c) {
          e.runVocoderDistorted (c.channel, c.role1, c.role2, c.out, b.numSamples, b.records.vocoder); },
      [] (BlendProcessor& e, int channel) noexcept { e.resetVocoderChannel (DistortedVocoder, channel); },
      [] (BlendRecords& r) noexcept { return ModeDials { { &r.vocoder.hfEmphasis, &r.vocoder.drive } }; },
      distortedResolution,
      SharedState::classicBank },
    { ClassicVocoder,
      [] (MathOp, int) noexcept { return 1.72f; },
      noLatency,
      [] (BlendProcessor& e, int channels, double rate, const BlendRecords& r) {
          e.prepareVocoderClassicIfNeeded (classicBandCount (r.vocoder.resolution), channels, rate, r.vocoder); },
      nullptr,
      [] (BlendProcessor& e, const ModeBlock& b, const ModeChannel& c) {
          e.runVocoderClassic (c.channel, c.role1, c.role2, c.out, b.numSamples); },
      [] (BlendProcessor& e, int channel) noexcept { e.resetVocoderChannel (ClassicVocoder, channel); },
      [] (BlendRecords& r) noexcept { return ModeDials { { &r.vocoder.hfEmphasis } }; },
      classicResolution,
      SharedState::classicBank },
    { Math,
      [] (MathOp op, int) noexcept { return mathMakeupGain (op); },
      noLatency,
      nullptr,
      [] (BlendProcessor& e, const ModeBlock& b) {
          // Two channels at a time: their tilt low-passes run side by side.
          for (int c = 0; c < b.numChannels; c += 2)
          {
              const int count = std::min (2, b.numChannels - c);
              const float* r1[2] = { b.role1Of (c), b.role1Of (c + count - 1) };
              const float* r2[2] = { b.role2Of (c), b.role2Of (c + count - 1) };
              float* o[2] = { b.out.getWritePointer (c), b.out.getWritePointer (c + count - 1) };
              e.runMathChannels (c, count, r1, r2, o, b.numSamples, b.sampleRate, b.records.math);
          }
      },
      nullptr,
      [] (BlendProcessor& e, int channel) noexcept { e.resetMathChannel (channel); },
      [] (BlendRecords& r) noexcept { return ModeDials { { &r.math.balance, &r.math.rectify, &r.math.tame, &r.math.drive, &r.math.dcOffset, &r.math.tilt } }; },
      nullptr,
      SharedState::mathTilt },
    { SidechainDuck,
      [] (MathOp, int) noexcept { return 1.18f; },
      noLatency,
      // Two channels side by side: room for the partner's block.
      [] (BlendProcessor& e, int, double, const BlendRecords&) { e.preparePairedChannels(); },
      nullptr,
      [] (BlendProcessor& e, const ModeBlock& b, const ModeChannel& c) { e.runSidechainChannel (b, c); },
      [] (BlendProcessor& e, int channel) noexcept { e.resetEnvelopeChannel (SidechainDuck, channel); },
      [] (BlendRecords& r) noexcept { return ModeDials { { &r.sidechain.threshold, &r.sidechain.depth } }; } },
    { AmplitudeFollow,
      [] (MathOp, int) noexcept { return 3.06f; },
      noLatency,
      // Two channels side by side: room for the partner's block.
      [] (BlendProcessor& e, int, double, const BlendRecords&) { e.preparePairedChannels(); },
      nullptr,
      [] (BlendProcessor& e, const ModeBlock& b, const ModeChannel& c) { e.runAmplitudeFollowChannel (b, c); },
      [] (BlendProcessor& e, int channel) noexcept { e.resetEnvelopeChannel (AmplitudeFollow, channel); },
      [] (BlendRecords& r) noexcept { return ModeDials { { &r.sidechain.threshold, &r.sidechain.depth } }; } },
    { FrequencySplice,
      [] (MathOp, int) noexcept { return 0.84f; },
      freqSpliceLatency,
      [] (BlendProcessor& e, int channels, double rate, const BlendRecords& r) {
          e.prepareFreqSpliceIfNeeded (channels, rate, r.freqSplice); },
      nullptr,
      [] (BlendProcessor& e, const ModeBlock& b, const ModeChannel& c) {
          e.runFreqSplice (c.channel, c.role1, c.role2, c.out, b.numSamples, b.records.freqSplice); },
      [] (BlendProcessor& e, int channel) noexcept { e.resetSpectralChannel (FrequencySplice, channel); },
      nullptr },
    { AM,
      [] (MathOp, int) noexcept { return 1.75f; },
      noLatency,
      nullptr,
      nullptr,
      [] (BlendProcessor& e, const ModeBlock& b, const ModeChannel& c) {
          e.runAM (c.channel, c.role1, c.role2, c.out, b.numSamples, b.sampleRate, b.records.am); },
      [] (BlendProcessor& e, int channel) noexcept { e.resetModulationChannel (AM, channel); },
      [] (BlendRecords& r) noexcept { return ModeDials { { &r.am.depth, &r.am.dcOffset } }; } },
    { FM,
      [] (MathOp, int) noexcept { return 1.0f; },
      delayLineLatency,
      nullptr,
      nullptr,
      [] (BlendProcessor& e, const ModeBlock& b, const ModeChannel& c) {
          e.runFM (c.channel, c.role1, c.role2, c.out, b.numSamples, b.sampleRate, b.records.fm,
                   b.records.waveshape); },
      [] (BlendProcessor& e, int channel) noexcept { e.resetModulationChannel (FM, channel); },
      [] (BlendRecords& r) noexcept { return ModeDials { { &r.fm.depth, &r.fm.feedback, &r.waveshape.window, &r.waveshape.drive, &r.waveshape.smoothing } }; } },
    { SpectralGate,
      [] (MathOp, int) noexcept { return 2.35f; },
      frameLatency,
      [] (BlendProcessor& e, int channels, double rate, const BlendRecords& r) {
          e.spectralGateBanks.select (frameOrderForResolution (r.spectralGate.resolution), channels, rate); },
      nullptr,
      [] (BlendProcessor& e, const ModeBlock& b, const ModeChannel& c) {
          e.runSpectralGate (c.channel, c.role1, c.role2, c.out, b.numSamples, b.records.spectralGate); },
      [] (BlendProcessor& e, int channel) noexcept { e.resetSpectralChannel (SpectralGate, channel); },
      nullptr,
      frameOrderForResolution,
      SharedState::none,
      [] (BlendProcessor& e, int resolution) noexcept { e.spectralGateBanks.enter (frameOrderForResolution (resolution)); } },
    { PhaseSwap,
      [] (MathOp, int) noexcept { return 1.23f; },
      frameLatency,
      [] (BlendProcessor& e, int channels, double rate, const BlendRecords& r) {
          e.phaseSwapBanks.select (frameOrderForResolution (r.phaseSwap.resolution), channels, rate); },
      nullptr,
      [] (BlendProcessor& e, const ModeBlock& b, const ModeChannel& c) {
          e.runPhaseSwap (c.channel, c.role1, c.role2, c.out, b.numSamples, b.records.phaseSwap); },
      [] (BlendProcessor& e, int channel) noexcept { e.resetSpectralChannel (PhaseSwap, channel); },
      nullptr,
      frameOrderForResolution,
      SharedState::none,
      [] (BlendProcessor& e, int resolution) noexcept { e.phaseSwapBanks.enter (frameOrderForResolution (resolution)); } },
    { BinInterleave,
      [] (MathOp, int) noexcept { return 1.39f; },
      frameLatency,
      [] (BlendProcessor& e, int channels, double rate, const BlendRecords& r) {
          e.binInterleaveBanks.select (frameOrderForResolution (r.binInterleave.resolution), channels, rate); },
      nullptr,
      [] (BlendProcessor& e, const ModeBlock& b, const ModeChannel& c) {
          e.runBinInterleave (c.channel, c.role1, c.role2, c.out, b.numSamples, b.records.binInterleave); },
      [] (BlendProcessor& e, int channel) noexcept { e.resetSpectralChannel (BinInterleave, channel); },
      nullptr,
      frameOrderForResolution,
      SharedState::none,
      [] (BlendProcessor& e, int resolution) noexcept { e.binInterleaveBanks.enter (frameOrderForResolution (resolution)); } },
    { Probabilistic,
      [] (MathOp, int) noexcept { return 0.87f; },
      noLatency,
      nullptr,
      // The stereo link decides for all channels at once.
      [] (BlendProcessor& e, const ModeBlock& b) {
          e.runProbabilistic (b.role1, b.role2, b.out, b.numSamples, b.sampleRate, b.records.probabilistic); },
      nullptr,
      // Only decisions and counters, which no sample value can spoil: a NaN loudness share
      // simply picks role1.
      nullptr,
      nullptr },
    { Scrub,
      [] (MathOp, int) noexcept { return 1.0f; },
      delayLineLatency,
      nullptr,
      nullptr,
      [] (BlendProcessor& e, const ModeBlock& b, const ModeChannel& c) {
          e.runScrub (c.channel, c.role1, c.role2, c.out, b.numSamples, b.records.scrub); },
      [] (BlendProcessor& e, int channel) noexcept { e.resetScrubChannel (channel); },
      [] (BlendRecords& r) noexcept { return ModeDials { { &r.scrub.scale, &r.scrub.bias } }; } },
};

const BlendProcessor::ModeOps BlendProcessor::kUnknownModeOps {
    static_cast<BlendMode> (0),
    [] (MathOp, int) noexcept { return 1.0f; },
    noLatency,
    nullptr,
    nullptr,
    [] (BlendProcessor&, const ModeBlock& b, const ModeChannel& c) {
        if (c.out != c.role1)
            std::copy (c.role1, c.role1 + b.numSamples, c.out); },
    nullptr,
    nullptr
};
// clang-format on

const BlendProcessor::ModeOps& BlendProcessor::modeOps (BlendMode mode) noexcept
{
    for (const auto& row : kModeTable)
        if (row.mode == mode)
            return row;
    return kUnknownModeOps;
}

void BlendProcessor::prepareEveryMode (int numChannels, double sampleRate, const BlendRecords& records)
{
    for (const auto& row : kModeTable)
        if (row.prepareIfNeeded != nullptr)
            row.prepareIfNeeded (*this, numChannels, sampleRate, records);
}

float BlendProcessor::modeMakeupGain (BlendMode mode, MathOp op, int resolution) noexcept
{
    return modeOps (mode).makeupGain (op, resolution);
}

int BlendProcessor::getRealtimeLatencySamples (BlendMode mode, int resolution) const noexcept
{
    return modeOps (mode).latency (resolution);
}

int BlendProcessor::maxRealtimeLatencySamples() noexcept
{
    // Resolutions beyond the largest frame order report what the largest one does.
    int largest = 0;
    for (const auto& row : kModeTable)
        for (int resolution = 0; resolution <= kMaxFrameOrder; ++resolution)
            largest = std::max (largest, row.latency (resolution));
    return largest;
}

void BlendProcessor::preparePairedChannels()
{
    // Called before every block of these modes: no partner's block is pending at its start.
    pairedChannel = -1;
    if (pairedOut.size() < static_cast<size_t> (preparedBlockSize))
        pairedOut.assign (static_cast<size_t> (preparedBlockSize), 0.0f);
}

BlendProcessor::PairedRun BlendProcessor::beginPairedRun (BlendMode mode, const ModeBlock& b, const ModeChannel& c,
                                                          size_t stateChannels) noexcept
{
    PairedRun run;
    const int n = b.numSamples;
    if (n <= 0 || c.channel < 0 || static_cast<size_t> (c.channel) >= stateChannels)
        return run;

    if (pairedChannel == c.channel && pairedMode == mode && pairedSamples == n)
    {
        std::copy (pairedOut.data(), pairedOut.data() + n, c.out);
        pairedChannel = -1;
        return run;
    }

    pairedChannel = -1;
    run.count = 1;
    run.channels[0] = run.channels[1] = static_cast<size_t> (c.channel);
    run.role1[0] = c.role1;
    run.role2[0] = c.role2;
    run.out[0] = c.out;

    const int partner = c.channel + 1;
    if (c.channel % 2 != 0 || partner >= b.numChannels || static_cast<size_t> (partner) >= stateChannels
        || pairedOut.size() < static_cast<size_t> (n) || b.role1.getNumChannels() <= 0
        || b.role2.getNumChannels() <= 0)
        return run;

    run.count = 2;
    run.channels[1] = static_cast<size_t> (partner);
    run.role1[1] = b.role1.getReadPointer (std::min (partner, b.role1.getNumChannels() - 1));
    run.role2[1] = b.role2.getReadPointer (std::min (partner, b.role2.getNumChannels() - 1));
    run.out[1] = pairedOut.data();
    pairedChannel = partner;
    pairedMode = mode;
    pairedSamples = n;
    return run;
}
