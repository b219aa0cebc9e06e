#include "params/ParamHelp.h"

#include <cstring>

// clang-format off
const ParamHelpEntry kParamHelp[kNumParamHelpEntries] = {
    { "resolution",     "Sets how finely the spectrum is split. Higher values give crisper, more articulate vocoding." },
    { "vocAttack",      "How quickly the effect responds when Audio 1 gets louder. Short for crisp transients." },
    { "vocRelease",     "How quickly the effect releases after Audio 1 quiets. Short for snappy, long for sustained tails." },
    { "hfEmphasis",     "Tilts the highs of the output. Push up to brighten dull results, down to soften harsh ones." },
    { "vocDrive",       "Drives the output into saturation. Higher values add grit and a more aggressive character." },
    { "mathBalance",    "Tilts the mix between Audio 1 and Audio 2 before they are combined. 50% is equal." },
    { "mathRectify",    "Adds an octave-up, buzzy character. 0% is clean; 100% is fully buzzy." },
    { "mathTame",       "Smooths out harsh peaks. 0% leaves the spikes raw and aggressive; higher values squash them into a rounder, gentler tone." },
    { "mathDrive",      "Drives both inputs harder before multiplying. Adds harmonic density and a richer ring-mod tone." },
    { "mathDCOffset",   "Bleeds the carrier through the multiply. 0% is pure ring-mod; 100% leans into AM-tremolo character with the carrier always audible." },
    { "mathTilt",       "Spectrally tilts the two inputs against each other before the math. Positive favours Audio 1's highs and Audio 2's lows; negative is the opposite." },
    { "scAttack",       "How quickly the effect responds when Audio 1 gets louder. Short to catch hits, long to let them through." },
    { "scRelease",      "How quickly Audio 2 returns once Audio 1 quiets down. Long for smooth pump, short for tight rhythm." },
    { "scThreshold",    "Level Audio 1 needs to reach before any ducking happens. Higher lets quiet content pass through." },
    { "scDepth",        "How much Audio 2 is shaped by Audio 1. 100% silences Audio 2 fully on Audio 1's loudest peaks." },
    { "fsCrossover",    "The frequency where Audio 1's lows hand off to Audio 2's highs (or the other way, with Direction)." },
    { "fsWidth",        "Smooths the handoff. 0% is a hard split; higher values blend the two sources around the crossover." },
    { "fsTilt",         "Tilts the balance toward lows or highs without moving the crossover frequency." },
    { "fsLFORate",      "Animates the crossover by sweeping it up and down by up to an octave. 0 turns the sweep off." },
    { "sgThreshold",    "How loud Audio 2 has to be at a frequency before Audio 1 is heard there. Higher gates harder." },
    { "sgTilt",         "Makes the gate respond differently across the spectrum. Tilts toward gating highs or lows harder." },
    { "psAmount",       "How much of Audio 2's timing and positioning character is imprinted onto Audio 1. 100% takes all of it." },
    { "psTilt",         "Tilts the swap toward highs or lows. Use to apply more of the effect to one end of the spectrum." },
    { "biChunk",        "Group size for the alternating spectral pattern. Smaller groups give a tighter, denser interleave." },
    { "biTilt",         "Tilts the alternation so highs or lows lean toward one source rather than splitting evenly." },
    { "probBias",       "Skews the choice toward Audio 1 or Audio 2 regardless of which is louder at the moment." },
    { "probHold",       "Minimum time spent on a chosen source before another decision. Longer values give a chunkier texture." },
    { "probCrossfade",  "Smooths the abrupt cuts at switch points with a brief crossfade for a softer feel." },
    { "probStereo",     "Spreads the choice across channels. Higher values let left and right pick their source independently." },
    { "wsWindow",       "How far Audio 1 can swing the playback. Longer windows give wilder, more dramatic pitch warping." },
    { "wsDrive",        "Pushes Audio 1 harder into the modulator. Higher values pin the effect to the loud peaks of Audio 1." },
    { "wsSmoothing",    "Smooths the modulation for a calmer feel. Useful when Audio 1 is noisy or the result feels jittery." },
    { "fmDepth",        "How strongly Audio 1 modulates Audio 2's pitch. Subtle vibrato at low values, dramatic warping at high." },
    { "fmFeedback",     "Feeds output back into the modulator. Adds harmonics and bite, getting noisier at higher values." },
    { "amDepth",        "How strongly Audio 1 controls Audio 2's loudness. 0% leaves Audio 2 unchanged." },
    { "amDCOffset",     "Keeps Audio 2 audible even when Audio 1 is quiet. Higher values let more of Audio 2 through." },
    { "amLFORate",      "Adds an internal sine wave for steady tremolo on top of the modulation. 0 turns it off." },
    { "scrubScale",     "How far the playhead jumps with Audio 2's level. Subtle wobble at low values, dramatic stretch at high." },
    { "scrubBias",      "Steady playback drift. +100% plays forward at normal speed, 0% holds, -100% plays in reverse." },
    { "scrubSmoothing", "Smooths the playhead motion. Higher values glide between positions instead of jumping." },
    { "fxLowCut",       "Cuts everything below this frequency from the blended signal. Use to tighten up rumble or low-end mud." },
    { "heat",           "Adds warmth and saturation to the blended signal." },
    { "fxHiCut",        "Cuts everything above this frequency from the blended signal. Use to tame harshness or sibilance." },
    { "fxLevel",        "Loudness of the blended (effected) signal in the output." },
    { "sig1Level",      "Loudness of the raw, unprocessed Audio 1 in the output." },
    { "sig2Level",      "Loudness of the raw, unprocessed Audio 2 in the output." },
    { "morph",          "One-knob crossfade between unprocessed Audio 1, the blended signal, and unprocessed Audio 2." },
    { "smoothing",      "Smooths the jumps between sequencer steps. 0% is hard steps; 100% glides smoothly between them." },
};
// clang-format on

const char* findParamHelp (const char* paramId) noexcept
{
    if (paramId == nullptr)
        return nullptr;
    for (const auto& entry : kParamHelp)
        if (std::strcmp (entry.paramId, paramId) == 0)
            return entry.help;
    return nullptr;
}

juce::String withHelp (const juce::String& text, const char* paramId)
{
    const char* help = findParamHelp (paramId);
    if (help == nullptr || *help == 0)
        return text;
    return text + ". " + juce::String (juce::CharPointer_UTF8 (help));
}
