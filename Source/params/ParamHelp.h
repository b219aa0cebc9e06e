#pragma once

#include "params/ParamIDs.h"

#include <juce_core/juce_core.h>

#include <iterator>

// One help sentence per dial parameter (and modulator 1's smoothing dial), shown after the
// dial's value in the message bar. Output Volume and Clip Ceiling have none.
struct ParamHelpEntry
{
    const char* paramId;
    const char* help;
};

// clang-format off
inline constexpr ParamHelpEntry kParamHelp[] = {
    { ParamIDs::resolution,     "Sets how finely the spectrum is split. Higher values give finer detail but smear fast hits." },
    { ParamIDs::vocAttack,      "How quickly the effect responds when Audio 1 gets louder. Short for crisp transients." },
    { ParamIDs::vocRelease,     "How quickly the effect releases after Audio 1 quiets. Short for snappy, long for sustained tails." },
    { ParamIDs::hfEmphasis,     "Tilts the highs of the output. Push up to brighten dull results, down to soften harsh ones." },
    { ParamIDs::vocDrive,       "Drives the output into saturation. Higher values add grit and a more aggressive character." },
    { ParamIDs::mathBalance,    "Tilts the mix between Audio 1 and Audio 2 before they are combined. 50% is equal." },
    { ParamIDs::mathRectify,    "Adds an octave-up, buzzy character. 0% is clean; 100% is fully buzzy." },
    { ParamIDs::mathTame,       "Smooths out harsh peaks. 0% leaves the spikes raw and aggressive; higher values squash them into a rounder, gentler tone." },
    { ParamIDs::mathDrive,      "Drives both inputs into saturation before they are combined. Adds harmonic density and a thicker, grittier tone." },
    { ParamIDs::mathDCOffset,   "Bleeds the carrier through the multiply. 0% is pure ring-mod; 100% leans into AM-tremolo character with the carrier always audible." },
    { ParamIDs::mathTilt,       "Spectrally tilts the two inputs against each other before the math. Positive favours Audio 1's highs and Audio 2's lows; negative is the opposite." },
    { ParamIDs::scAttack,       "How quickly the effect responds when Audio 1 gets louder. Short to catch every hit, long for a gentler response." },
    { ParamIDs::scRelease,      "How quickly the effect responds when Audio 1 gets quieter. Long for a smooth pump, short for a tight rhythm." },
    { ParamIDs::scThreshold,    "Level Audio 1 must reach to count. Higher values: Duck ignores quieter moments, Follow turns Audio 2 down in them." },
    { ParamIDs::scDepth,        "How much Audio 1 controls Audio 2's level. 0% leaves Audio 2 unchanged; 100% can silence it fully." },
    { ParamIDs::fsCrossover,    "The frequency where Audio 1's lows hand off to Audio 2's highs (or the other way, with Direction)." },
    { ParamIDs::fsWidth,        "Smooths the handoff. 0% is a hard split; higher values blend the two sources around the crossover." },
    { ParamIDs::fsTilt,         "Tilts the balance toward lows or highs without moving the crossover frequency." },
    { ParamIDs::fsLFORate,      "Animates the crossover by sweeping it up and down by up to an octave. 0 turns the sweep off." },
    { ParamIDs::sgThreshold,    "How loud Audio 2 has to be at a frequency before Audio 1 is heard there. Higher gates harder." },
    { ParamIDs::sgTilt,         "Makes the gate respond differently across the spectrum. Tilts toward gating highs or lows harder." },
    { ParamIDs::psAmount,       "How much of Audio 2's timing and positioning character is imprinted onto Audio 1. 100% takes all of it." },
    { ParamIDs::psTilt,         "Tilts the swap toward highs or lows. Use to apply more of the effect to one end of the spectrum." },
    { ParamIDs::biChunk,        "Group size for the alternating spectral pattern. Smaller groups give a tighter, denser interleave." },
    { ParamIDs::biTilt,         "Tilts the alternation so highs or lows lean toward one source rather than splitting evenly." },
    { ParamIDs::probBias,       "Skews the choice toward Audio 1 or Audio 2 regardless of which is louder at the moment." },
    { ParamIDs::probHold,       "Minimum time spent on a chosen source before another decision. Longer values give a chunkier texture." },
    { ParamIDs::probCrossfade,  "Smooths the abrupt cuts at switch points with a brief crossfade for a softer feel." },
    { ParamIDs::probStereo,     "Spreads the choice across channels. Higher values let left and right pick their source independently." },
    { ParamIDs::wsWindow,       "How far Audio 1 can swing the playback. Longer windows give wilder, more dramatic pitch warping." },
    { ParamIDs::wsDrive,        "Pushes Audio 1 harder into the modulator. Higher values let quieter passages of Audio 1 reach the full swing." },
    { ParamIDs::wsSmoothing,    "Smooths the modulation for a calmer feel. Useful when Audio 1 is noisy or the result feels jittery." },
    { ParamIDs::fmDepth,        "How strongly Audio 1 modulates Audio 2's pitch. Subtle vibrato at low values, dramatic warping at high." },
    { ParamIDs::fmFeedback,     "Feeds output back into the modulator. Adds harmonics and bite, getting noisier at higher values." },
    { ParamIDs::amDepth,        "How strongly Audio 1 modulates Audio 2. At 0% Audio 2 plays steadily at the DC Offset level." },
    { ParamIDs::amDCOffset,     "Keeps Audio 2 audible even when Audio 1 is quiet. Higher values let more of Audio 2 through." },
    { ParamIDs::amLFORate,      "Adds an internal sine wave for steady tremolo on top of the modulation. 0 turns it off." },
    { ParamIDs::scrubScale,     "How strongly Audio 2's waveform speeds the playhead up or runs it backwards. 0 ignores Audio 2; higher is wilder." },
    { ParamIDs::scrubBias,      "Steady change of playback speed. 0% plays at normal speed, +100% at double speed, -100% stands still." },
    { ParamIDs::scrubSmoothing, "Smooths changes in the playhead's speed. Higher values glide between speeds instead of jumping." },
    { ParamIDs::fxLowCut,       "Cuts everything below this frequency from the blended signal. Use to tighten up rumble or low-end mud." },
    { ParamIDs::heat,           "Adds warmth and saturation to the blended signal." },
    { ParamIDs::fxHiCut,        "Cuts everything above this frequency from the blended signal. Use to tame harshness or sibilance." },
    { ParamIDs::fxLevel,        "Loudness of the blended (effected) signal in the output." },
    { ParamIDs::sig1Level,      "Loudness of the raw, unprocessed Audio 1 in the output." },
    { ParamIDs::sig2Level,      "Loudness of the raw, unprocessed Audio 2 in the output." },
    { ParamIDs::morph,          "One-knob crossfade between unprocessed Audio 1, the blended signal, and unprocessed Audio 2." },
    { ParamIDs::smoothing,      "Smooths the jumps between sequencer steps. 0% is hard steps; 100% glides smoothly between them." },
};
// clang-format on
inline constexpr int kNumParamHelpEntries = static_cast<int> (std::size (kParamHelp));

// The help sentence for a parameter identifier, or null when it has none (or the id is null).
const char* findParamHelp (const char* paramId) noexcept;

// text + ". " + the parameter's help sentence; the text alone when there is none.
juce::String withHelp (const juce::String& text, const char* paramId);
