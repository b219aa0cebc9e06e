#include "engine/BlendProcessor.h"

#include "engine/FrameBinKernels.h"

#include <algorithm>
#include <cmath>

// Frequency Splice and the spectral frame modes (Spectral Gate, Phase Swap, Bin Interleave).
// All four stream their channels through the shared frame machinery of FrameStream.h; what
// differs is how a frame's output spectrum is built from the two role spectra.

namespace
{
constexpr float kTwoPi = 6.2831855f;

// Clears a channel's output when it has no streaming state (more channels than the bank was
// built for). Inputs are not read afterwards, so clearing in place is safe.
void silence (float* out, int numSamples) noexcept
{
    std::fill (out, out + std::max (0, numSamples), 0.0f);
}

// The analysed frame as the spectral modes see it: both role spectra as interleaved (re, im)
// pairs, and the output spectrum they fill before the frame is synthesised.
struct FrameSpectra
{
    int bins;           // DC .. Nyquist
    int half;           // the Nyquist bin's index
    const float* role1;
    const float* role2;
    float* out;
};

FrameSpectra spectraOf (SXBank& bank) noexcept
{
    return { bank.numBins(), bank.fftSize / 2, bank.spectrum1.data(), bank.spectrum2.data(),
             bank.spectrumOut.data() };
}

// The rules' parameters as the frames use them.
float gateThreshold (const SpectralGateParams& p) noexcept { return std::clamp (p.threshold / 100.0f, 0.0f, 1.0f); }
float swapAmount (const PhaseSwapParams& p) noexcept { return std::clamp (p.amount / 100.0f, 0.0f, 1.0f); }
int interleaveGroup (const BinInterleaveParams& p) noexcept { return std::clamp (p.chunk, 1, 8); }
float interleaveTilt (const BinInterleaveParams& p) noexcept { return std::clamp (p.tilt / 100.0f, -1.0f, 1.0f); }

// Bin Interleave's group as a shift, or -1 when it is not a power of two (the parameter offers
// none, a restored state might), which only the bin-by-bin loop handles.
int interleaveShift (int group) noexcept
{
    const int shift = juce::findHighestSetBit (static_cast<uint32_t> (group));
    return group == 1 << shift ? shift : -1;
}

// ---- Spectral Gate: role1 passes only in the bins where role2 reaches the gate level. ----
void sgProcessFrame (SXBank& bank, SXChannel& ch, const SpectralGateParams& params) noexcept
{
    bank.analyse (ch);
    const FrameSpectra f = spectraOf (bank);
    float* mag2 = bank.magnitudes.data();
    const float peak = framekernels::magnitudesAndPeak (f.role2, mag2, f.bins, framekernels::kGateFloor);
    const float th = gateThreshold (params);
    const float tl = params.tilt / 100.0f;
    framekernels::gateBins (f.role1, mag2, bank.binPositions.data(), f.out, f.bins, th, tl, peak);
    bank.synthesise (ch);
}

// ---- Phase Swap: role1's magnitudes with phases pulled toward role2's. ----
void psProcessFrame (SXBank& bank, SXChannel& ch, const PhaseSwapParams& params) noexcept
{
    bank.analyse (ch);
    const FrameSpectra f = spectraOf (bank);

    const float am = swapAmount (params);
    const float tl = params.tilt / 100.0f;
    // The two ends of the blend need no trigonometry: with a = 0 the bin keeps its own phase,
    // with a = 1 it takes role2's (wherever role2 has a defined phase). An empty role1 bin stays
    // empty whatever its phase becomes, so silence costs no more than music. Those bins are done
    // together; the rest, marked in `pending`, blend their phases one by one.
    const float* positions = bank.binPositions.data();
    float* pending = bank.magnitudes.data();
    if (framekernels::phaseSwapPlainBins (f.role1, f.role2, positions, f.out, pending, f.bins, am, tl) > 0)
        framekernels::phaseSwapPendingBins (f.role1, f.role2, positions, pending, f.out, f.bins, am, tl);
    bank.synthesise (ch);
}

// ---- Bin Interleave: alternating groups of bins from role1 and role2, tilted across the range. ----
void biProcessFrame (SXBank& bank, SXChannel& ch, const BinInterleaveParams& params) noexcept
{
    bank.analyse (ch);
    const FrameSpectra f = spectraOf (bank);

    const int group = interleaveGroup (params);
    const float tl = interleaveTilt (params);
    const float* positions = bank.binPositions.data();
    const int shift = interleaveShift (group);
    if (shift >= 0)
    {
        framekernels::interleaveBins (f.role1, f.role2, positions, f.out, f.bins, shift, tl);
        return bank.synthesise (ch);
    }
    // Groups that are not a power of two (the parameter offers none, a restored state might).
    for (int k = 0; k < f.bins; ++k)
    {
        const float s = static_cast<float> ((k / group) & 1) + (2.0f * positions[k] - 1.0f) * tl;
        const float* src = s > 0.5f ? f.role2 : f.role1;
        f.out[2 * k] = src[2 * k];
        f.out[2 * k + 1] = src[2 * k + 1];
    }
    bank.synthesise (ch);
}

// ---- Frequency Splice: role1 below the (swept) crossover, role2 above, with a crossfade band. ----
constexpr int kSpliceHalf = (1 << kFreqSpliceOrder) / 2; // 1024: the Nyquist bin

void fsProcessFrame (FSBank& bank, FSChannel& ch, const FreqSpliceParams& params) noexcept
{
    bank.analyse (ch);
    const double fs = bank.sampleRate;
    const int n = bank.fftSize;

    float inc = 0.0f;
    float sweep = 1.0f;
    if (params.lfoRate > 0.0f)
    {
        inc = params.lfoRate * kTwoPi / static_cast<float> (fs / static_cast<double> (bank.hop));
        sweep = std::exp2 (std::sin (ch.lfoPhase));
    }
    // The sweep factor uses the phase before this frame's step. Wrapping keeps the phase precise
    // over long runs without changing the sine.
    ch.lfoPhase += inc;
    if (ch.lfoPhase >= kTwoPi)
        ch.lfoPhase = std::fmod (ch.lfoPhase, kTwoPi);

    const float fc = sweep * params.crossover;
    const double f = fc < 100.0f ? 100.0 : std::min (static_cast<double> (fc), fs / 2.0);
    // The crossover bin stays within 1..1024 whatever the crossover, sweep and sample rate.
    double bin = f * n / fs;
    if (! (bin >= 1.0))
        bin = 1.0;
    const int c = static_cast<int> (std::min (bin, static_cast<double> (kSpliceHalf)));

    const float widthBins = static_cast<float> (c) * params.width / 100.0f;
    const int r = widthBins >= 1.0f ? static_cast<int> (std::min (widthBins, static_cast<float> (n))) : 0;
    const int start = c - r / 2;
    const float invR = r >= 1 ? 1.0f / static_cast<float> (r) : 0.0f;
    framekernels::spliceBins (bank.spectrum1.data(), bank.spectrum2.data(), bank.spectrumOut.data(), kSpliceHalf, c,
                              r, start, invR, params.tilt / 100.0f);
    bank.synthesise (ch);
}
} // namespace

void BlendProcessor::prepareSpectralGateIfNeeded (int resolution, int numChannels, double sampleRate)
{
    spectralGateBanks.enter (frameOrderForResolution (resolution));
    spectralGateBanks.select (frameOrderForResolution (resolution), numChannels, sampleRate);
}

void BlendProcessor::preparePhaseSwapIfNeeded (int resolution, int numChannels, double sampleRate)
{
    phaseSwapBanks.enter (frameOrderForResolution (resolution));
    phaseSwapBanks.select (frameOrderForResolution (resolution), numChannels, sampleRate);
}

void BlendProcessor::prepareBinInterleaveIfNeeded (int resolution, int numChannels, double sampleRate)
{
    binInterleaveBanks.enter (frameOrderForResolution (resolution));
    binInterleaveBanks.select (frameOrderForResolution (resolution), numChannels, sampleRate);
}

void BlendProcessor::prepareFreqSpliceIfNeeded (int numChannels, double sampleRate, const FreqSpliceParams&)
{
    if (! freqSpliceBank.isBuiltFor (kFreqSpliceOrder, numChannels, sampleRate))
        freqSpliceBank.rebuildWithChannels (kFreqSpliceOrder, numChannels, sampleRate);
}

namespace
{
// Streams one block of one channel through a frame bank; a channel the bank was not built for
// stays silent.
template <typename Bank, typename FrameFn>
void streamChannel (Bank& bank, int channel, const float* role1, const float* role2, float* out, int numSamples,
                    FrameFn&& processFrame)
{
    auto* ch = bank.channel (channel);
    if (ch == nullptr)
        return silence (out, numSamples);
    streamFrames (bank, *ch, role1, role2, out, numSamples, [&] { processFrame (bank, *ch); });
}

// The same for the small-frame pass of a bank with smallFrames set.
template <typename Bank, typename BlockFn>
void streamSmallChannel (Bank& bank, int channel, float* out, int numSamples, BlockFn&& runBlock)
{
    auto* ch = bank.channel (channel);
    if (ch == nullptr)
        return silence (out, numSamples);
    runBlock (*ch);
}
} // namespace

void BlendProcessor::runSpectralGate (int channel, const float* role1, const float* role2, float* out,
                                      int numSamples, const SpectralGateParams& params)
{
    auto& spectralGateBank = spectralGateBanks.active();
    if (spectralGateBank.smallFrames)
        return streamSmallChannel (spectralGateBank, channel, out, numSamples, [&] (SXChannel& ch) {
            framekernels::gateSmallFrames (spectralGateBank, ch, role1, role2, out, numSamples, gateThreshold (params),
                                           params.tilt / 100.0f);
        });
    streamChannel (spectralGateBank, channel, role1, role2, out, numSamples,
                   [&] (auto& bank, auto& ch) { sgProcessFrame (bank, ch, params); });
}

void BlendProcessor::runPhaseSwap (int channel, const float* role1, const float* role2, float* out, int numSamples,
                                   const PhaseSwapParams& params)
{
    auto& phaseSwapBank = phaseSwapBanks.active();
    if (phaseSwapBank.smallFrames)
        return streamSmallChannel (phaseSwapBank, channel, out, numSamples, [&] (SXChannel& ch) {
            framekernels::phaseSwapSmallFrames (phaseSwapBank, ch, role1, role2, out, numSamples, swapAmount (params),
                                                params.tilt / 100.0f);
        });
    streamChannel (phaseSwapBank, channel, role1, role2, out, numSamples,
                   [&] (auto& bank, auto& ch) { psProcessFrame (bank, ch, params); });
}

void BlendProcessor::runBinInterleave (int channel, const float* role1, const float* role2, float* out,
                                       int numSamples, const BinInterleaveParams& params)
{
    auto& binInterleaveBank = binInterleaveBanks.active();
    const int shift = interleaveShift (interleaveGroup (params));
    if (binInterleaveBank.smallFrames && shift >= 0)
        return streamSmallChannel (binInterleaveBank, channel, out, numSamples, [&] (SXChannel& ch) {
            framekernels::interleaveSmallFrames (binInterleaveBank, ch, role1, role2, out, numSamples, shift,
                                                 interleaveTilt (params));
        });
    streamChannel (binInterleaveBank, channel, role1, role2, out, numSamples,
                   [&] (auto& bank, auto& ch) { biProcessFrame (bank, ch, params); });
}

void BlendProcessor::runFreqSplice (int channel, const float* role1, const float* role2, float* out,
                                    int numSamples, const FreqSpliceParams& params)
{
    streamChannel (freqSpliceBank, channel, role1, role2, out, numSamples,
                   [&] (auto& bank, auto& ch) { fsProcessFrame (bank, ch, params); });
}

void BlendProcessor::resetSpectralChannel (BlendMode mode, int channel) noexcept
{
    if (mode == FrequencySplice)
    {
        // The sweep's LFO phase is a clock, not signal: it keeps running.
        if (auto* ch = freqSpliceBank.channel (channel))
            ch->clearSignal();
        return;
    }
    auto& bank = mode == SpectralGate ? spectralGateBanks.active()
                 : mode == PhaseSwap  ? phaseSwapBanks.active()
                                      : binInterleaveBanks.active();
    if (auto* ch = bank.channel (channel))
        ch->clearSignal();
}
