#pragma once

#include "engine/SimdIsa.h"

#include <juce_core/juce_core.h>

#include <array>
#include <optional>
#include <vector>

// Everything the command line of quorvane-render asks for, already checked for syntax and for
// names the plug-in knows. Nothing here touches a file or the processor.

// One raw parameter value to apply before preparation. "--mode" and "--set" both end up here,
// in command-line order, so a later setting of the same parameter wins.
struct ParamAssignment
{
    juce::String paramId;
    double value = 0.0;
};

// One point of an automation curve: a raw value, in the parameter's own units, at a time in
// seconds from the start of the render.
struct AutomationPoint
{
    double seconds = 0.0;
    double value = 0.0;
};

// "--automate": one parameter's curve, its points in strictly increasing time. What the value
// does between the points (glide or step) depends on the parameter, see HostAutomation.h.
struct ParamAutomation
{
    juce::String paramId;
    std::vector<AutomationPoint> points;
};

// The host transport the renderer plays; only present with --bpm.
struct TransportOptions
{
    double bpm = 120.0;
    int numerator = 4;
    int denominator = 4;
    double ppqStart = 0.0;
    bool playing = true;
};

using StepPattern = std::array<double, 16>;

struct RenderOptions
{
    juce::String audio1, audio2, output;
    std::vector<ParamAssignment> assignments;
    // At most one curve per parameter, in command-line order.
    std::vector<ParamAutomation> automations;
    int blockSize = 512;
    // The interval, in samples, at which automation reaches the processor; a host block longer
    // than this is handed over in pieces of at most this length. 0: the host block.
    int automationBlockSize = 0;
    bool noSidechain = false;
    // Drop the reported latency from the start and play the tail out, so that the output lines
    // up with the inputs and is as long as the longer one.
    bool compensateLatency = false;
    bool report = false;
    bool listParams = false;
    bool listPresets = false;
    bool showHelp = false;
    std::optional<TransportOptions> transport;
    std::optional<StepPattern> steps[2];
    juce::String stateIn, stateOut;
    // A factory or user preset by name, or a preset file; applied after --state-in.
    juce::String preset;
    // Seed of the Probabilistic mode's coin flips; without it every render flips differently.
    std::optional<juce::int64> seed;
    // The engine's instruction-set build, for comparing builds; the fastest the CPU has without it.
    // Whether this CPU runs it is checked when the render starts, not here.
    std::optional<simd::Isa> isa;
    bool listIsas = false;

    // Harmless oddities found while parsing (options that have no effect), for stderr.
    juce::StringArray warnings;
};

inline constexpr int kMinBlockSize = 1;
inline constexpr int kMaxBlockSize = 65536;

// Parses the arguments that follow the program name. On failure the result carries one line
// that says what is wrong, and the options are to be discarded.
juce::Result parseRenderArguments (const juce::StringArray& args, RenderOptions& options);

// A strict decimal number: the whole text must be a finite number.
bool parseNumber (const juce::String& text, double& value);

// The usage text printed by --help.
juce::String renderUsage();
