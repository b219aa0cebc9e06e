#include "engine/BlendProcessor.h"
#include "engine/VocoderBankKernel.h"

#include <algorithm>
#include <cmath>
#include <limits>

// The three vocoders. role1 is the modulator, role2 the carrier.
//
// Classic and Distorted share one bank of log-spaced band-pass filters from 20 Hz to Nyquist:
// both signals run through every band, an envelope follower on each modulator band sets the
// level of the matching carrier band, and the bands are summed. The FFT vocoder does the same per
// transform bin on streaming frames.

namespace
{
// Band-pass design of band k of numBands, tiling 20 Hz .. fs/2 in equal ratios, in single precision.
void designBand (VCBandTable& table, int k, int numBands, float fs) noexcept
{
    const float base = (fs / 2.0f) / 20.0f;
    const float bands = static_cast<float> (numBands);
    const float lo = 20.0f * std::pow (base, static_cast<float> (k) / bands);
    const float hi = 20.0f * std::pow (base, static_cast<float> (k + 1) / bands);
    const float fc = std::sqrt (lo * hi);
    const float q = fc / std::max (1.0f, hi - lo);
    const float w0 = 6.2831855f * fc / fs;
    const float sinW0 = std::sin (w0);
    const float alpha = sinW0 / (2.0f * q);
    const float a0 = 1.0f + alpha;

    table.b0[k] = (sinW0 / 2.0f) / a0;
    table.a1[k] = -2.0f * std::cos (w0) / a0;
    table.a2[k] = (1.0f - alpha) / a0;
    table.invQ[k] = 1.0f / std::max (q, 0.001f);
}

// Envelope coefficient for a time in milliseconds at `rate` updates per second.
inline float envelopeCoefficient (float rate, float timeMs) noexcept
{
    return 1.0f - std::exp (-1.0f / (rate * timeMs * 0.001f));
}

void silence (float* out, int numSamples) noexcept { std::fill (out, out + std::max (0, numSamples), 0.0f); }

// ---- FFT vocoder frame: each carrier bin keeps its phase and takes the modulator bin's envelope. ----
void vfProcessFrame (VFBank& bank, VFChannel& ch) noexcept
{
    bank.analyse (ch); // spectrum1: modulator (ring1), spectrum2: carrier (ring2)
    framekernels::vocoderBins (bank.spectrum1.data(), bank.spectrum2.data(), bank.binPositions.data(),
                               ch.binEnvelope.data(), bank.spectrumOut.data(), bank.numBins(), bank.attackCoef,
                               bank.releaseCoef, bank.emphasisGain - 1.0f);
    bank.synthesise (ch);
}
} // namespace

// ---- Classic filter bank ----

void BlendProcessor::resetClassicVocoderBank()
{
    auto& bank = classicBank;
    if (bank.bands == nullptr)
        bank.bands = std::make_unique<VCBandTable>();
    bank.bands->reset();
    bank.channels.assign (static_cast<size_t> (std::max (0, preparedChannels)), VCChannelState {});
    for (auto& ch : bank.channels)
        ch.clearBands (kVocoderBandStride);
    bank.numBands = 0;
    bank.numChannels = 0;
    bank.sampleRate = 0.0;
    bank.cachedAttack = -1.0f;
    bank.cachedRelease = -1.0f;
    bank.attackCoef = 0.0f;
    bank.releaseCoef = 0.0f;
    bank.cachedHfEmphasis = 0.0f;
}

void BlendProcessor::prepareVocoderClassicIfNeeded (int numBands, int numChannels, double sampleRate,
                                                    const VocoderParams& params)
{
    auto& bank = classicBank;
    numBands = std::clamp (numBands, 0, kMaxVocoderBands);
    numChannels = std::max (0, numChannels);
    if (bank.bands == nullptr)
        bank.bands = std::make_unique<VCBandTable>();
    auto& table = *bank.bands;
    const float fs = static_cast<float> (sampleRate);

    if (numBands != bank.numBands || numChannels != bank.numChannels || sampleRate != bank.sampleRate)
    {
        bank.numBands = numBands;
        bank.numChannels = numChannels;
        bank.sampleRate = sampleRate;

        for (int k = 0; k < numBands; ++k)
            designBand (table, k, numBands, fs);
        // The lanes that pad the band count to a whole group stay silent.
        for (int k = numBands; k < paddedVocoderBands (numBands); ++k)
            table.b0[k] = table.a1[k] = table.a2[k] = table.emphasisGain[k] = table.invQ[k] = 0.0f;

        if (static_cast<int> (bank.channels.size()) != numChannels)
            bank.channels.resize (static_cast<size_t> (numChannels));
        for (auto& ch : bank.channels)
            ch.clearBands (paddedVocoderBands (numBands));

        bank.cachedAttack = -1.0f;
        bank.cachedRelease = -1.0f;
        bank.cachedHfEmphasis = std::numeric_limits<float>::quiet_NaN();
    }

    if (params.attack != bank.cachedAttack || params.release != bank.cachedRelease)
    {
        bank.cachedAttack = params.attack;
        bank.cachedRelease = params.release;
        bank.attackCoef = envelopeCoefficient (fs, params.attack);
        bank.releaseCoef = envelopeCoefficient (fs, params.release);
    }

    if (! (params.hfEmphasis == bank.cachedHfEmphasis)) // a NaN cache always refreshes
    {
        bank.cachedHfEmphasis = params.hfEmphasis;
        if (numBands >= 1)
        {
            const float top = std::pow (10.0f, params.hfEmphasis / 20.0f) - 1.0f;
            for (int k = 0; k < numBands; ++k)
                table.emphasisGain[k] = numBands == 1
                                            ? 1.0f
                                            : 1.0f + top * static_cast<float> (k) / static_cast<float> (numBands - 1);
        }
    }
}

void BlendProcessor::runVocoderClassic (int channel, const float* role1, const float* role2, float* out,
                                        int numSamples)
{
    auto& bank = classicBank;
    const int bands = bank.numBands;
    if (bands <= 0 || bank.bands == nullptr || channel < 0 || channel >= static_cast<int> (bank.channels.size()))
        return silence (out, numSamples);

    const auto& table = *bank.bands;
    auto& state = bank.channels[static_cast<size_t> (channel)];
    const float norm = std::sqrt (static_cast<float> (bands));
    vocoderkernel::run (table, state, bands, true, role2, role1, out, numSamples, bank.attackCoef,
                        bank.releaseCoef);
    for (int j = 0; j < numSamples; ++j)
        out[j] = out[j] * 20.0f / norm;
}

void BlendProcessor::runVocoderDistorted (int channel, const float* role1, const float* role2, float* out,
                                          int numSamples, const VocoderParams& params)
{
    auto& bank = classicBank;
    const int bands = bank.numBands;
    if (bands <= 0 || bank.bands == nullptr || channel < 0 || channel >= static_cast<int> (bank.channels.size()))
        return silence (out, numSamples); // tanh(0)

    const auto& table = *bank.bands;
    auto& state = bank.channels[static_cast<size_t> (channel)];
    const float drive = std::pow (10.0f, (params.drive - 0.5f) * 2.0f);
    const float spread = bands > 1 ? std::sqrt (static_cast<float> (bands)) : 1.0f;
    // Summed without the carrier's 1/Q normalisation, so the narrow bands drive the saturator hard.
    vocoderkernel::run (table, state, bands, false, role2, role1, out, numSamples, bank.attackCoef,
                        bank.releaseCoef);
    for (int j = 0; j < numSamples; ++j)
        out[j] = std::tanh (out[j] * spread * drive);
}

// ---- FFT vocoder ----

void BlendProcessor::prepareVocoderFFTIfNeeded (int resolution, int numChannels, double sampleRate,
                                                const VocoderParams& params)
{
    fftVocoderBanks.enter (frameOrderForResolution (resolution));
    selectVocoderFFT (resolution, numChannels, sampleRate, params);
}

void BlendProcessor::selectVocoderFFT (int resolution, int numChannels, double sampleRate, const VocoderParams& params)
{
    numChannels = std::max (0, numChannels);
    auto& bank = fftVocoderBanks.select (frameOrderForResolution (resolution), numChannels, sampleRate);
    // Every frame size keeps its own coefficients; they depend on the sample rate too.
    if (bank.cachedRate != sampleRate)
    {
        bank.cachedRate = sampleRate;
        bank.cachedAttack = -1.0f;
        bank.cachedRelease = -1.0f;
        bank.cachedHfEmphasis = std::numeric_limits<float>::quiet_NaN();
    }

    if (params.attack != bank.cachedAttack || params.release != bank.cachedRelease)
    {
        // The envelopes advance once per frame, so the times are converted at the frame rate.
        const float frameRate = static_cast<float> (sampleRate) / static_cast<float> (bank.hop);
        bank.cachedAttack = params.attack;
        bank.cachedRelease = params.release;
        bank.attackCoef = envelopeCoefficient (frameRate, params.attack);
        bank.releaseCoef = envelopeCoefficient (frameRate, params.release);
    }

    if (! (params.hfEmphasis == bank.cachedHfEmphasis))
    {
        bank.cachedHfEmphasis = params.hfEmphasis;
        bank.emphasisGain = std::pow (10.0f, params.hfEmphasis / 20.0f);
    }
}

void BlendProcessor::runVocoderFFT (int channel, const float* role1, const float* role2, float* out, int numSamples)
{
    auto& bank = fftVocoderBanks.active();
    auto* ch = bank.channel (channel);
    if (ch == nullptr)
        return silence (out, numSamples);
    if (bank.smallFrames)
        return framekernels::vocoderSmallFrames (bank, *ch, ch->binEnvelope.data(), role1, role2, out, numSamples,
                                                 bank.attackCoef, bank.releaseCoef, bank.emphasisGain - 1.0f);
    streamFrames (bank, *ch, role1, role2, out, numSamples, [&] { vfProcessFrame (bank, *ch); });
}

// ---- Recovery ----

void BlendProcessor::resetVocoderChannel (BlendMode mode, int channel) noexcept
{
    if (mode == FFTVocoder)
    {
        if (auto* ch = fftVocoderBanks.active().channel (channel))
            ch->clearSignal();
        return;
    }
    // Classic and Distorted share the filter bank.
    auto& bank = classicBank;
    if (channel >= 0 && channel < static_cast<int> (bank.channels.size()))
        bank.channels[static_cast<size_t> (channel)].clearBands (kVocoderBandStride);
}
