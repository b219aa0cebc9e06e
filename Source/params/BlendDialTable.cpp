#include "params/BlendDialTable.h"

#include <cmath>
#include <cstring>

namespace
{
using F = DialValueFormat;
}

// clang-format off
const BlendDialSpec kBlendDials[kNumBlendDials] = {
    { "Resolution",  "resolution",     "",      "Resolution",    F::PowerOfTwo, ""      },
    { "Attack",      "vocAttack",      " ms",   "Attack",        F::OneDecimal, " ms"   },
    { "Release",     "vocRelease",     " ms",   "Release",       F::OneDecimal, " ms"   },
    { "HF Emphasis", "hfEmphasis",     " dB",   "HF Emphasis",   F::OneDecimal, " dB"   },
    { "Drive",       "vocDrive",       "%",     "Drive",         F::Integer,    "%"     },
    { "Balance",     "mathBalance",    "%",     "Balance",       F::Integer,    "%"     },
    { "Rectify",     "mathRectify",    "%",     "Rectify",       F::Integer,    "%"     },
    { "Tame",        "mathTame",       "%",     "Tame",          F::Integer,    "%"     },
    { "Drive",       "mathDrive",      "%",     "Drive",         F::Integer,    "%"     },
    { "DC Offset",   "mathDCOffset",   "%",     "DC Offset",     F::Integer,    "%"     },
    { "Tilt",        "mathTilt",       "%",     "Tilt",          F::Integer,    "%"     },
    { "Attack",      "scAttack",       " ms",   "Attack",        F::OneDecimal, " ms"   },
    { "Release",     "scRelease",      " ms",   "Release",       F::OneDecimal, " ms"   },
    { "Threshold",   "scThreshold",    "%",     "Threshold",     F::Integer,    "%"     },
    { "Depth",       "scDepth",        "%",     "Depth",         F::Integer,    "%"     },
    { "Crossover",   "fsCrossover",    " Hz",   "Crossover",     F::Integer,    " Hz"   },
    { "Width",       "fsWidth",        "%",     "Width",         F::Integer,    "%"     },
    { "Tilt",        "fsTilt",         "%",     "Tilt",          F::Integer,    "%"     },
    { "LFO Rate",    "fsLFORate",      " Hz",   "LFO Rate",      F::OneDecimal, " Hz"   },
    { "Threshold",   "sgThreshold",    "%",     "Threshold",     F::Integer,    "%"     },
    { "Tilt",        "sgTilt",         "%",     "Tilt",          F::Integer,    "%"     },
    { "Amount",      "psAmount",       "%",     "Amount",        F::Integer,    "%"     },
    { "Tilt",        "psTilt",         "%",     "Tilt",          F::Integer,    "%"     },
    { "Chunk",       "biChunk",        "",      "Chunk",         F::PowerOfTwo, " bins" },
    { "Tilt",        "biTilt",         "%",     "Tilt",          F::Integer,    "%"     },
    { "Bias",        "probBias",       "%",     "Bias",          F::Integer,    "%"     },
    { "Hold",        "probHold",       " ms",   "Hold",          F::OneDecimal, " ms"   },
    { "Crossfade",   "probCrossfade",  " ms",   "Crossfade",     F::OneDecimal, " ms"   },
    { "Stereo",      "probStereo",     "%",     "Stereo",        F::Integer,    "%"     },
    { "Window",      "wsWindow",       " ms",   "Window",        F::OneDecimal, " ms"   },
    { "Drive",       "wsDrive",        "%",     "Drive",         F::Integer,    "%"     },
    { "Smoothing",   "wsSmoothing",    "%",     "Smoothing",     F::Integer,    "%"     },
    { "Scale",       "scrubScale",     "",      "Scale",         F::Integer,    ""      },
    { "Bias",        "scrubBias",      "%",     "Bias",          F::Integer,    "%"     },
    { "Smoothing",   "scrubSmoothing", "%",     "Smoothing",     F::Integer,    "%"     },
    { "Depth",       "amDepth",        "%",     "Depth",         F::Integer,    "%"     },
    { "DC Offset",   "amDCOffset",     "%",     "DC Offset",     F::Integer,    "%"     },
    { "LFO Rate",    "amLFORate",      " Hz",   "LFO Rate",      F::OneDecimal, " Hz"   },
    { "Depth",       "fmDepth",        "%",     "Depth",         F::Integer,    "%"     },
    { "Feedback",    "fmFeedback",     "%",     "Feedback",      F::Integer,    "%"     },
    { "LowCut",      "fxLowCut",       " Hz",   "LowCut",        F::Integer,    " Hz"   },
    { "Heat",        "heat",           "%",     "Heat",          F::Integer,    "%"     },
    { "HiCut",       "fxHiCut",        " Hz",   "HiCut",         F::Integer,    " Hz"   },
    { "FX Level",    "fxLevel",        "%",     "FX Level",      F::Integer,    "%"     },
    { "Signal 1",    "sig1Level",      "%",     "Signal 1",      F::Integer,    "%"     },
    { "Signal 2",    "sig2Level",      "%",     "Signal 2",      F::Integer,    "%"     },
    { "Vol",         "outputVolDb",    " dB",   "Output Volume", F::OneDecimal, " dB"   },
    { "Clip",        "clipCeilingDb",  " dBFS", "Clip Ceiling",  F::OneDecimal, " dBFS" },
    { "Morph",       "morph",          "%",     "Morph",         F::Integer,    "%"     },
};
// clang-format on

int blendDialIndexFor (const char* paramId) noexcept
{
    if (paramId == nullptr)
        return -1;
    for (int i = 0; i < kNumBlendDials; ++i)
        if (std::strcmp (kBlendDials[i].paramId, paramId) == 0)
            return i;
    return -1;
}

juce::String dialValueNumber (const BlendDialSpec& row, double value)
{
    switch (row.format)
    {
        case DialValueFormat::Integer:
            // Skewed ranges hand back their defaults a hair low (8000 Hz as 7999.9995); settle
            // that float noise before truncating, so the default reads as itself.
            return juce::String ((juce::int64) (std::round (value * 1000.0) / 1000.0));
        case DialValueFormat::OneDecimal:
            return juce::String (value, 1);
        case DialValueFormat::PowerOfTwo:
            // Resolution (0..12) and Chunk (0..3) are exponents; keep the shift defined.
            return juce::String ((juce::int64) 1 << juce::jlimit (0, 62, (int) value));
    }
    return juce::String (value);
}

juce::String dialValueMessage (const BlendDialSpec& row, double value)
{
    return juce::String (row.messageName) + ": " + dialValueNumber (row, value) + row.messageUnit;
}
