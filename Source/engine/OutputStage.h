#pragma once

#include "engine/BlendParams.h"
#include "engine/FastTanh.h"

#include <cmath>

// Coefficients of the output stage: FX LowCut high-pass, Heat's two shelves and saturator, FX
// HiCut low-pass, the clip ceiling and the output volume. Everything in single precision,
// derived from the dials whenever they change (while a dial glides, every few samples).

struct Biquad
{
    float b0 = 1.0f, b1 = 0.0f, b2 = 0.0f, a1 = 0.0f, a2 = 0.0f; // normalised by a0

    // Transposed direct form II.
    inline float process (float x, float& z1, float& z2) const noexcept
    {
        const float y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// RBJ cookbook designs. w0 = (2 pi / sampleRate) * f0, computed in single precision.
namespace RBJ
{
float omega (float f0, double sampleRate) noexcept;
Biquad highPass (float f0, double sampleRate) noexcept; // Q = 1/sqrt(2)
Biquad lowPass (float f0, double sampleRate) noexcept;  // Q = 1/sqrt(2)
Biquad lowShelf (float f0, float gainDb, double sampleRate) noexcept;  // shelf slope 1
Biquad highShelf (float f0, float gainDb, double sampleRate) noexcept; // shelf slope 1
} // namespace RBJ

// One channel's output-stage filter states: z1 and z2 of each biquad.
struct OutputStageState
{
    float lowCut[2] {}, lowShelf[2] {}, highShelf[2] {}, hiCut[2] {};

    // The summed magnitude of every state: beyond any real audio's once a bad sample got in.
    float magnitude() const noexcept;
};

struct OutputStage
{
    bool lowCutActive = false;
    bool heatActive = false;
    bool hiCutActive = false;
    Biquad lowCut, lowShelf, highShelf, hiCut;
    float satDrive = 1.0f;  // 12h + 1
    float satOffset = 0.0f; // 0.4h
    float satZero = 0.0f;   // tanh(0.4h) by the same tanh as the curve, keeps silence exactly at zero
    float satScale = 1.0f;  // 1 / (5h + 1)

    float ceiling = 1.0f;    // K
    float invCeiling = 1.0f; // 1 / max(K, 1e-6)
    float volume = 1.0f;     // V

    static OutputStage fromParams (const OutputMixParams&, double sampleRate) noexcept;

    // The filters and the saturator for these dial values (Hz, percent, Hz). Only the parts whose
    // dial changed since the last call are designed again.
    void setTone (float lowCutHz, float heatPercent, float hiCutHz, double sampleRate) noexcept;
    float toneLowCut = -1.0f, toneHeat = -1.0f, toneHiCut = -1.0f; // the dials the tone was set for

    // Gains from the dials in dB.
    static float ceilingGain (float ceilingDb) noexcept;   // 0 at or below -100 dB
    static float inverseCeiling (float ceiling) noexcept;  // 1 / max (K, 1e-6)
    static float volumeGain (float volumeDb) noexcept;     // 0 at or below -60 dB

    // One channel's part in finish().
    struct Channel
    {
        float* out;               // the blend after makeup on entry, the finished output after
        OutputStageState* state;
        const float* dry1;        // the dry signals, already held back by the mode's latency
        const float* dry2;
        // The three levels of every sample; null when they stay at the constants below.
        const float* fx = nullptr;
        const float* sig1 = nullptr;
        const float* sig2 = nullptr;
        float fxLevel = 0.0f, sig1Level = 0.0f, sig2Level = 0.0f;

        bool levelsConstant() const noexcept { return fx == nullptr; }
    };

    // The ceiling, its inverse and the volume of every sample, while they glide.
    struct GainRamps
    {
        const float* ceiling;
        const float* invCeiling;
        const float* volume;
    };

    // The active filters and the saturator over `n` samples of one channel or a pair (`second`
    // may be null), then the mix with the dry signals at their levels, soft-clipped at the
    // ceiling and scaled by the volume:
    //   out = ceiling * tanh (invCeiling * (sig1 dry1 + sig2 dry2 + fx blend)) * volume.
    // With `gains` the three gains are taken sample by sample from there instead of the stage's.
    // The two channels of a pair share a vector, one per lane, so that their recursions overlap;
    // each channel's arithmetic is exactly that of Biquad::process, saturate and the formula.
    void finish (const Channel& first, const Channel* second, int n, const GainRamps* gains = nullptr) const noexcept;

    // Heat's saturator with its constants by value, so that a loop keeps them in registers.
    struct Saturator
    {
        float drive, offset, zero, scale;
        inline float operator() (float y) const noexcept { return (FastTanh::tanh (y * drive + offset) - zero) * scale; }
    };
    Saturator saturator() const noexcept { return { satDrive, satOffset, satZero, satScale }; }
    inline float saturate (float y) const noexcept { return saturator() (y); }
};
