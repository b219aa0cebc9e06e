#pragma once

#include "params/BlendModeRegistry.h"
#include "engine/ModulatorShape.h"

// Plain parameter records, filled once per block from the raw parameter values and handed
// to the engine. Raw values stay in their own units; the engine converts where it uses them.

struct OutputMixParams
{
    float fxLevel = 100.0f;      // %
    float sig1Level = 0.0f;      // %
    float sig2Level = 0.0f;      // %
    float fxLowCut = 20.0f;      // Hz
    float heat = 0.0f;           // %
    float fxHiCut = 8000.0f;     // Hz
    float clipCeilingDb = -0.3f; // dB
    float outputVolDb = 0.0f;    // dB
};

// Modulator 1's view of one block, for the engine's per-sample Morph.
struct RealtimeStepData
{
    bool enabled = false;
    float steps[kNumSteps] = {};
    float smoothing = 0.0f;      // 0..1
    double phaseStart = 0.0;     // cycles; only the fraction matters
    double phaseIncrement = 0.0; // cycles per sample
    float handoffWeight = 1.0f;  // 0..1
};

struct SidechainParams
{
    float attack = 0.5f;   // ms
    float release = 5.0f;  // ms
    float threshold = 0.0f; // %
    float depth = 100.0f;  // %
};

struct MathParams
{
    MathOp op = Multiply;
    float balance = 50.0f;
    float rectify = 0.0f;
    float tame = 100.0f;
    float drive = 0.0f;
    float dcOffset = 0.0f;
    float tilt = 0.0f;
};

struct AMParams
{
    float depth = 100.0f;   // %
    float dcOffset = 50.0f; // %
    float lfoRate = 0.0f;   // Hz, 0 = LFO off
};

struct FMParams
{
    float depth = 50.0f;   // %
    float feedback = 0.0f; // %
};

struct WaveshapeParams
{
    float window = 10.0f;   // ms
    float drive = 100.0f;   // %
    float smoothing = 0.0f; // %
};

struct ProbabilisticParams
{
    float bias = 0.0f;      // %
    float hold = 5.0f;      // ms
    float stereo = 100.0f;  // %
    float crossfade = 0.0f; // ms
};

struct ScrubParams
{
    float scale = 50.0f;    // % (used unscaled)
    float bias = 0.0f;      // %
    float smoothing = 0.0f; // %
};

struct FreqSpliceParams
{
    float crossover = 1000.0f; // Hz
    float width = 0.0f;        // %
    float tilt = 0.0f;         // %
    float lfoRate = 0.0f;      // Hz, 0 = no sweep
};

struct SpectralGateParams
{
    float threshold = 25.0f; // %
    float tilt = 0.0f;       // %
    int resolution = 7;
};

struct PhaseSwapParams
{
    float amount = 100.0f; // %
    float tilt = 0.0f;     // %
    int resolution = 7;
};

struct BinInterleaveParams
{
    int chunk = 1;     // 1, 2, 4 or 8 bins
    float tilt = 0.0f; // %
    int resolution = 7;
};

struct VocoderParams
{
    int resolution = 11;
    float attack = 5.0f;     // ms
    float release = 50.0f;   // ms
    float hfEmphasis = 0.0f; // dB
    float drive = 0.5f;      // fraction 0..1
};

// Every record of one block, read once by the processor and handed to the engine together.
struct BlendRecords
{
    VocoderParams vocoder;
    FMParams fm;
    MathParams math;
    SidechainParams sidechain;
    FreqSpliceParams freqSplice;
    AMParams am;
    SpectralGateParams spectralGate;
    PhaseSwapParams phaseSwap;
    BinInterleaveParams binInterleave;
    ProbabilisticParams probabilistic;
    WaveshapeParams waveshape;
    ScrubParams scrub;
    OutputMixParams mix;
    RealtimeStepData steps;
};
