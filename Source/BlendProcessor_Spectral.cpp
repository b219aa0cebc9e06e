#include "BlendProcessor.h"

#include <algorithm>
#include <cstring>

// Frequency Splice and the spectral frame modes: not built yet; role 1 passes through.
void BlendProcessor::prepareFreqSpliceIfNeeded (int, double, const FreqSpliceParams&) {}
void BlendProcessor::prepareSpectralGateIfNeeded (int, int, double) {}
void BlendProcessor::preparePhaseSwapIfNeeded (int, int, double) {}
void BlendProcessor::prepareBinInterleaveIfNeeded (int, int, double) {}

void BlendProcessor::runFreqSplice (int, const float* role1, const float*, float* out, int numSamples,
                                    const FreqSpliceParams&)
{
    if (out != role1) std::memmove (out, role1, sizeof (float) * static_cast<size_t> (std::max (numSamples, 0)));
}

void BlendProcessor::runSpectralGate (int, const float* role1, const float*, float* out, int numSamples,
                                      const SpectralGateParams&)
{
    if (out != role1) std::memmove (out, role1, sizeof (float) * static_cast<size_t> (std::max (numSamples, 0)));
}

void BlendProcessor::runPhaseSwap (int, const float* role1, const float*, float* out, int numSamples,
                                   const PhaseSwapParams&)
{
    if (out != role1) std::memmove (out, role1, sizeof (float) * static_cast<size_t> (std::max (numSamples, 0)));
}

void BlendProcessor::runBinInterleave (int, const float* role1, const float*, float* out, int numSamples,
                                       const BinInterleaveParams&)
{
    if (out != role1) std::memmove (out, role1, sizeof (float) * static_cast<size_t> (std::max (numSamples, 0)));
}
