#include "processor/FactoryPresets.h"

#include "params/ParamIDs.h"

#include <iterator>

namespace FactoryPresets
{
namespace
{
using namespace ParamIDs;

// Modulator 1 shapes: -1 plays dry Audio 1, 0 the blend, +1 dry Audio 2 (the dry levels are 0 by
// default, so -1 and +1 are silence unless a preset raises them).
constexpr StepRow kEighthGate { { 0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1 } };
constexpr StepRow kOffbeatGate { { -1, 0, 0, -1, -1, 0, 0, 0, -1, 0, 0, -1, -1, 0, 0.5f, 0 } };
constexpr StepRow kBlendToChords { { -1, -0.75f, -0.5f, -0.25f, 0, 0.25f, 0.5f, 0.75f,
                                     1, 0.75f, 0.5f, 0.25f, 0, -0.25f, -0.5f, -0.75f } };
// Modulator 2 shapes: the dial it targets sweeps from its bottom (-1) to its top (+1).
constexpr StepRow kRisingRamp { { -1, -0.875f, -0.75f, -0.625f, -0.5f, -0.375f, -0.25f, -0.125f,
                                  0, 0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f, 0.875f } };
constexpr StepRow kTwoLevels { { -0.6f, -0.6f, 0.8f, 0.8f, -0.6f, -0.6f, 0.8f, -0.2f,
                                 -0.6f, -0.6f, 0.8f, 0.8f, -0.6f, 0.3f, 0.8f, -0.2f } };

// Choice indices used below.
constexpr float kOneBar = 0, kTwoBars = 1, kDial1 = 0, kDial3 = 2;

// Every preset plays within 3 dB of -18 dBFS RMS on the default samples at 120 BPM, with a DC
// offset under 0.005: Output Volume sets the level, and FX LowCut takes out the offset that Min,
// Max and Ring Modulation leave (Heat's lopsided saturation comes after the LowCut, so presets
// that would need much of it for grit take it from the mode's own drive instead).
// clang-format off
constexpr Preset kPresets[] = {
    // Spectral
    { "Drum Robot Choir", "Classic Vocoder",
      { { resolution, 5 }, { vocAttack, 1.5f }, { vocRelease, 60 }, { hfEmphasis, 4 }, { outputVolDb, -5.8f } }, nullptr,
      nullptr },
    { "1024-Band Vocoder", "Classic Vocoder",
      { { resolution, 10 }, { vocAttack, 2 }, { vocRelease, 40 }, { hfEmphasis, 6 }, { fxHiCut, 14000 },
        { outputVolDb, -8.3f } }, nullptr, nullptr },
    { "Glass Formants", "FFT Vocoder",
      { { resolution, 11 }, { vocAttack, 1 }, { vocRelease, 150 }, { hfEmphasis, 8 }, { fxLowCut, 120 },
        { outputVolDb, 4.5f } }, nullptr, nullptr },
    { "Crushed Robot", "Distorted Vocoder",
      { { resolution, 6 }, { vocDrive, 100 }, { vocRelease, 30 }, { fxLowCut, 30 }, { outputVolDb, -9.2f } }, nullptr,
      nullptr },
    { "Kick Under Chords", "Frequency Splice",
      { { fsCrossover, 220 }, { fsWidth, 25 }, { fsTilt, 20 } }, nullptr, nullptr },
    { "Swept Splice", "Frequency Splice",
      { { fsCrossover, 800 }, { fsWidth, 40 }, { seqEnabled2, 1 }, { seqBars2, kOneBar }, { mod2Target, kDial1 },
        { smoothing2, 60 } }, nullptr, &kRisingRamp },
    { "Spectral Freeze Gate", "Spectral Gate",
      { { sgThreshold, 55 }, { sgTilt, -40 }, { resolution, 11 }, { heat, 30 }, { outputVolDb, 6 } }, nullptr, nullptr },
    { "Borrowed Groove", "Phase Swap",
      { { psAmount, 100 }, { psTilt, 30 }, { resolution, 9 } }, nullptr, nullptr },
    { "Comb Weave", "Bin Interleave",
      { { biChunk, 2 }, { biTilt, -25 }, { resolution, 10 }, { fxHiCut, 12000 }, { outputVolDb, -4.8f } }, nullptr,
      nullptr },
    // Modulation
    { "Drum Vibrato", "Frequency Modulation (FM)",
      { { fmDepth, 25 }, { fmFeedback, 10 }, { smoothing, 80 }, { outputVolDb, -3 } }, nullptr, nullptr },
    { "Warped Keys", "Frequency Modulation (FM)",
      { { fmDepth, 85 }, { fmFeedback, 45 }, { fxLowCut, 80 }, { seqEnabled2, 1 }, { seqBars2, kTwoBars },
        { mod2Target, kDial1 } }, nullptr, &kTwoLevels },
    { "Tremolo Pump", "Amplitude Modulation (AM)",
      { { amDepth, 100 }, { amDCOffset, 20 }, { amLFORate, 4 }, { outputVolDb, -4.8f } }, nullptr, nullptr },
    { "Clangorous Bells", "Ring Modulation (RM)",
      { { mathDrive, 25 }, { fxHiCut, 9000 }, { heat, 12 }, { fxLowCut, 30 }, { outputVolDb, 0.3f } }, nullptr, nullptr },
    { "Tape Scrub", "Scrub",
      { { scrubScale, 120 }, { scrubBias, -20 }, { scrubSmoothing, 40 } }, nullptr, nullptr },
    // Stochastic
    { "Coin Toss Glitch", "Probabilistic",
      { { probHold, 20 }, { probCrossfade, 2 }, { probStereo, 60 } }, nullptr, nullptr },
    // Dynamics
    { "Kick Pump", "Sidechain Duck",
      { { scThreshold, 20 }, { scDepth, 90 }, { scAttack, 1 }, { scRelease, 150 }, { sig1Level, 60 } }, nullptr, nullptr },
    { "Drum-Shaped Chords", "Amplitude Follow",
      { { scAttack, 2 }, { scRelease, 80 }, { scThreshold, 10 }, { heat, 10 }, { outputVolDb, 3.9f } }, nullptr, nullptr },
    { "Rhythmic Gate", "Amplitude Follow",
      { { scAttack, 1 }, { scRelease, 40 }, { seqEnabled, 1 }, { seqBars, kOneBar }, { smoothing, 10 },
        { outputVolDb, 3.3f } }, &kEighthGate, nullptr },
    // Math
    { "Soft Intersection", "Min",
      { { mathDrive, 35 }, { mathTilt, 20 }, { fxLowCut, 30 }, { outputVolDb, -3.5f } }, nullptr, nullptr },
    { "Dense Union", "Max",
      { { mathDrive, 15 }, { mathTilt, -30 }, { fxLowCut, 30 }, { outputVolDb, -0.8f } }, nullptr, nullptr },
    { "Driven Sum", "Add",
      { { mathDrive, 50 }, { mathTilt, -20 }, { outputVolDb, -4 }, { seqEnabled, 1 }, { seqBars, kTwoBars } },
      &kBlendToChords, nullptr },
    { "Difference Wash", "Subtract",
      { { mathBalance, 60 }, { mathTilt, 30 }, { fxLowCut, 60 }, { outputVolDb, -3.2f } }, nullptr, nullptr },
    { "Octave Buzz", "Absolute Difference",
      { { mathDrive, 30 }, { fxLowCut, 100 }, { outputVolDb, 1.1f } }, nullptr, nullptr },
    { "Crest Spikes", "Divide",
      { { mathTame, 40 }, { fxHiCut, 6000 }, { outputVolDb, 6 } }, nullptr, nullptr },
    { "Polarity Chop", "Sign Multiply",
      { { mathTame, 80 }, { mathDrive, 20 }, { seqEnabled, 1 }, { seqBars, kOneBar }, { outputVolDb, 3.5f } },
      &kOffbeatGate, nullptr },
    { "Bit Crunch", "XOR",
      { { mathTame, 85 }, { fxHiCut, 7000 }, { outputVolDb, 0.3f }, { seqEnabled2, 1 }, { mod2Target, kDial3 } },
      nullptr, &kTwoLevels },
};
// clang-format on
} // namespace

int count()
{
    return static_cast<int> (std::size (kPresets));
}

const Preset& at (int index)
{
    return kPresets[juce::jlimit (0, count() - 1, index)];
}

const Preset* find (const juce::String& name)
{
    for (const auto& preset : kPresets)
        if (name == preset.name)
            return &preset;
    return nullptr;
}

int entryIndex (const Preset& preset)
{
    return blendModeIndexForName (preset.modeName);
}

juce::String section (const Preset& preset)
{
    for (int i = entryIndex (preset); i >= 0; --i)
        if (kBlendModeRegistry[i].sectionHeading != nullptr)
            return kBlendModeRegistry[i].sectionHeading;
    return {};
}

Presets::PresetValues values (const Preset& preset)
{
    auto result = Presets::defaultValues();
    const auto set = [&result] (const char* id, float value) {
        const int index = paramIndex (id);
        if (index >= 0)
            result.parameters[(size_t) index] = Presets::limitToRange (kParamTable[index], value);
    };
    set (ParamIDs::mode, (float) juce::jmax (0, entryIndex (preset)));
    for (const auto& setting : preset.settings)
        if (setting.paramId != nullptr)
            set (setting.paramId, setting.value);

    const StepRow* rows[] = { preset.steps1, preset.steps2 };
    for (size_t m = 0; m < std::size (rows); ++m)
        if (rows[m] != nullptr)
            for (size_t s = 0; s < (size_t) kNumSteps; ++s)
                result.steps[m][s] = rows[m]->values[s];
    return result;
}
} // namespace FactoryPresets
