#include "engine/OutputStage.h"

#include <algorithm>
#include <cmath>

namespace RBJ
{
// Highest corner a design may use, as a fraction of the sample rate. A corner at or above the
// Nyquist frequency has no digital counterpart, and the designs turn unstable there (FX HiCut
// at 15 kHz at a 22.05 kHz rate, Heat's 6 kHz shelf at 8 kHz), so it is moved just below. At
// 44.1 kHz and above every corner the dials reach lies under this limit and is used as it is.
constexpr float kMaxCornerRatio = 0.49f;

float omega (float f0, double sampleRate) noexcept
{
    const float fs = static_cast<float> (sampleRate);
    return (6.2831855f / fs) * std::min (f0, kMaxCornerRatio * fs);
}

namespace
{
constexpr float kButterworthAlphaDivisor = 1.4142136f; // alpha = sin(w0) / (2 Q) with Q = 1/sqrt(2)

Biquad normalise (float b0, float b1, float b2, float a0, float a1, float a2) noexcept
{
    const float inv = 1.0f / a0;
    return { b0 * inv, b1 * inv, b2 * inv, a1 * inv, a2 * inv };
}
} // namespace

Biquad highPass (float f0, double sampleRate) noexcept
{
    const float w0 = omega (f0, sampleRate);
    const float cw = std::cos (w0);
    const float alpha = std::sin (w0) / kButterworthAlphaDivisor;
    return normalise ((1.0f + cw) * 0.5f, -(1.0f + cw), (1.0f + cw) * 0.5f, 1.0f + alpha, -2.0f * cw, 1.0f - alpha);
}

Biquad lowPass (float f0, double sampleRate) noexcept
{
    const float w0 = omega (f0, sampleRate);
    const float cw = std::cos (w0);
    const float alpha = std::sin (w0) / kButterworthAlphaDivisor;
    return normalise ((1.0f - cw) * 0.5f, 1.0f - cw, (1.0f - cw) * 0.5f, 1.0f + alpha, -2.0f * cw, 1.0f - alpha);
}

namespace
{
// The two shelves differ only in the sign of every cos(w0) term and of b1 and a1: +1 gives the
// low shelf, -1 the high shelf. Negating is exact, so both come out exactly as their own
// cookbook formulas.
Biquad shelf (float f0, float gainDb, double sampleRate, float sign) noexcept
{
    const float A = std::pow (10.0f, gainDb / 40.0f);
    const float w0 = omega (f0, sampleRate);
    const float cw = sign * std::cos (w0);
    const float alpha = std::sin (w0) / kButterworthAlphaDivisor;
    const float k = 2.0f * std::sqrt (A) * alpha;
    return normalise (A * ((A + 1.0f) - (A - 1.0f) * cw + k),
                      sign * 2.0f * A * ((A - 1.0f) - (A + 1.0f) * cw),
                      A * ((A + 1.0f) - (A - 1.0f) * cw - k),
                      (A + 1.0f) + (A - 1.0f) * cw + k,
                      sign * -2.0f * ((A - 1.0f) + (A + 1.0f) * cw),
                      (A + 1.0f) + (A - 1.0f) * cw - k);
}
} // namespace

Biquad lowShelf (float f0, float gainDb, double sampleRate) noexcept { return shelf (f0, gainDb, sampleRate, 1.0f); }

Biquad highShelf (float f0, float gainDb, double sampleRate) noexcept { return shelf (f0, gainDb, sampleRate, -1.0f); }
} // namespace RBJ

namespace
{
// Heat, for an amount h of 0..2 (0..200 %): a low shelf that warms by up to +6 dB (reached at
// h = 1), a high shelf that darkens by 3 dB per unit, then an asymmetric tanh saturator whose
// drive, bias and output scaling all grow with h.
constexpr float kHeatLowShelfHz = 250.0f;
constexpr float kHeatLowShelfMaxDb = 6.0f;
constexpr float kHeatHighShelfHz = 6000.0f;
constexpr float kHeatHighShelfDbPerUnit = -3.0f;
constexpr float kHeatDrivePerUnit = 12.0f;  // saturator input gain 12h + 1
constexpr float kHeatOffsetPerUnit = 0.4f;  // bias 0.4h makes the curve asymmetric
constexpr float kHeatScalePerUnit = 5.0f;   // output scaled by 1 / (5h + 1)
} // namespace

OutputStage OutputStage::fromParams (const OutputMixParams& p, double sampleRate) noexcept
{
    OutputStage s;
    s.setTone (p.fxLowCut, p.heat, p.fxHiCut, sampleRate);
    s.ceiling = ceilingGain (p.clipCeilingDb);
    s.invCeiling = inverseCeiling (s.ceiling);
    s.volume = volumeGain (p.outputVolDb);
    return s;
}

void OutputStage::setTone (float lowCutHz, float heatPercent, float hiCutHz, double sampleRate) noexcept
{
    // The activity thresholds sit just inside the ranges so that a dial at its end stop
    // bypasses the filter completely instead of leaving a barely audible corner.
    if (! (lowCutHz == toneLowCut))
    {
        toneLowCut = lowCutHz;
        const float hz = std::clamp (lowCutHz, 20.0f, 2000.0f);
        lowCutActive = hz > 21.0f;
        if (lowCutActive)
            lowCut = RBJ::highPass (hz, sampleRate);
    }

    if (! (heatPercent == toneHeat))
    {
        toneHeat = heatPercent;
        const float h = std::clamp (heatPercent / 100.0f, 0.0f, 2.0f);
        heatActive = h > 0.0f;
        if (heatActive)
        {
            lowShelf = RBJ::lowShelf (kHeatLowShelfHz, kHeatLowShelfMaxDb * std::min (h, 1.0f), sampleRate);
            highShelf = RBJ::highShelf (kHeatHighShelfHz, kHeatHighShelfDbPerUnit * h, sampleRate);
            satDrive = kHeatDrivePerUnit * h + 1.0f;
            satOffset = kHeatOffsetPerUnit * h;
            satZero = FastTanh::tanh (satOffset);
            satScale = 1.0f / (kHeatScalePerUnit * h + 1.0f);
        }
    }

    if (! (hiCutHz == toneHiCut))
    {
        toneHiCut = hiCutHz;
        const float hz = std::clamp (hiCutHz, 200.0f, 20000.0f);
        hiCutActive = hz < 19999.0f;
        if (hiCutActive)
            hiCut = RBJ::lowPass (hz, sampleRate);
    }
}

float OutputStage::ceilingGain (float ceilingDb) noexcept
{
    return ceilingDb > -100.0f ? std::pow (10.0f, ceilingDb / 20.0f) : 0.0f;
}

float OutputStage::inverseCeiling (float ceiling) noexcept { return 1.0f / std::max (ceiling, 1.0e-6f); }

float OutputStage::volumeGain (float volumeDb) noexcept
{
    return volumeDb > -60.0f ? std::pow (10.0f, volumeDb / 20.0f) : 0.0f;
}
