#include "ExpectedDials.h"

#include <cstring>

const std::vector<ExpectedDial>& expectedDials()
{
    // clang-format off
    static const std::vector<ExpectedDial> dials {
        { "Resolution", "resolution", "", 7.0, "128", "Resolution: 128" },
        { "Attack", "vocAttack", " ms", 5.0, "5.0 ms", "Attack: 5.0 ms" },
        { "Release", "vocRelease", " ms", 49.96, "50.0 ms", "Release: 50.0 ms" },
        { "HF Emphasis", "hfEmphasis", " dB", -3.5, "-3.5 dB", "HF Emphasis: -3.5 dB" },
        { "Drive", "vocDrive", "%", 80.0, "80%", "Drive: 80%" },
        { "Balance", "mathBalance", "%", 50.0, "50%", "Balance: 50%" },
        { "Rectify", "mathRectify", "%", 12.7, "12%", "Rectify: 12%" },
        { "Tame", "mathTame", "%", 100.0, "100%", "Tame: 100%" },
        { "Drive", "mathDrive", "%", 33.0, "33%", "Drive: 33%" },
        { "DC Offset", "mathDCOffset", "%", 0.0, "0%", "DC Offset: 0%" },
        { "Tilt", "mathTilt", "%", -12.9, "-12%", "Tilt: -12%" },
        { "Attack", "scAttack", " ms", 0.5, "0.5 ms", "Attack: 0.5 ms" },
        { "Release", "scRelease", " ms", 250.0, "250.0 ms", "Release: 250.0 ms" },
        { "Threshold", "scThreshold", "%", 10.0, "10%", "Threshold: 10%" },
        { "Depth", "scDepth", "%", 100.0, "100%", "Depth: 100%" },
        { "Crossover", "fsCrossover", " Hz", 1234.9, "1234 Hz", "Crossover: 1234 Hz" },
        { "Width", "fsWidth", "%", 25.0, "25%", "Width: 25%" },
        { "Tilt", "fsTilt", "%", 40.0, "40%", "Tilt: 40%" },
        { "LFO Rate", "fsLFORate", " Hz", 0.0, "0.0 Hz", "LFO Rate: 0.0 Hz" },
        { "Threshold", "sgThreshold", "%", 25.0, "25%", "Threshold: 25%" },
        { "Tilt", "sgTilt", "%", -100.0, "-100%", "Tilt: -100%" },
        { "Amount", "psAmount", "%", 100.0, "100%", "Amount: 100%" },
        { "Tilt", "psTilt", "%", 5.0, "5%", "Tilt: 5%" },
        { "Chunk", "biChunk", "", 2.0, "4", "Chunk: 4 bins" },
        { "Tilt", "biTilt", "%", 0.0, "0%", "Tilt: 0%" },
        { "Bias", "probBias", "%", -50.0, "-50%", "Bias: -50%" },
        { "Hold", "probHold", " ms", 12.5, "12.5 ms", "Hold: 12.5 ms" },
        { "Crossfade", "probCrossfade", " ms", 0.0, "0.0 ms", "Crossfade: 0.0 ms" },
        { "Stereo", "probStereo", "%", 100.0, "100%", "Stereo: 100%" },
        { "Window", "wsWindow", " ms", 10.0, "10.0 ms", "Window: 10.0 ms" },
        { "Drive", "wsDrive", "%", 200.0, "200%", "Drive: 200%" },
        { "Smoothing", "wsSmoothing", "%", 0.0, "0%", "Smoothing: 0%" },
        { "Scale", "scrubScale", "", 50.0, "50", "Scale: 50" },
        { "Bias", "scrubBias", "%", -100.0, "-100%", "Bias: -100%" },
        { "Smoothing", "scrubSmoothing", "%", 75.0, "75%", "Smoothing: 75%" },
        { "Depth", "amDepth", "%", 100.0, "100%", "Depth: 100%" },
        { "DC Offset", "amDCOffset", "%", 50.0, "50%", "DC Offset: 50%" },
        { "LFO Rate", "amLFORate", " Hz", 2.5, "2.5 Hz", "LFO Rate: 2.5 Hz" },
        { "Depth", "fmDepth", "%", 50.0, "50%", "Depth: 50%" },
        { "Feedback", "fmFeedback", "%", 0.0, "0%", "Feedback: 0%" },
        { "LowCut", "fxLowCut", " Hz", 20.6, "20 Hz", "LowCut: 20 Hz" },
        { "Heat", "heat", "%", 150.0, "150%", "Heat: 150%" },
        { "HiCut", "fxHiCut", " Hz", 7999.9995, "8000 Hz", "HiCut: 8000 Hz" },
        { "FX Level", "fxLevel", "%", 100.0, "100%", "FX Level: 100%" },
        { "Signal 1", "sig1Level", "%", 0.0, "0%", "Signal 1: 0%" },
        { "Signal 2", "sig2Level", "%", 34.0, "34%", "Signal 2: 34%" },
        { "Vol", "outputVolDb", " dB", -6.0, "-6.0 dB", "Output Volume: -6.0 dB" },
        { "Clip", "clipCeilingDb", " dBFS", -0.3, "-0.3 dBFS", "Clip Ceiling: -0.3 dBFS" },
        { "Morph", "morph", "%", 50.0, "50%", "Morph: 50%" },
    };
    // clang-format on
    return dials;
}

int expectedDialIndex (const char* paramId)
{
    if (paramId == nullptr)
        return -1;
    const auto& dials = expectedDials();
    for (size_t i = 0; i < dials.size(); ++i)
        if (std::strcmp (dials[i].paramId, paramId) == 0)
            return static_cast<int> (i);
    return -1;
}

int expectedNumModeDials() { return expectedDialIndex ("fxLowCut"); }
