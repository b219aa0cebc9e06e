#include "BlendProcessor.h"

#include <algorithm>
#include <cstring>

// Sidechain Duck and Amplitude Follow: not built yet; they pass role 1 through.
void BlendProcessor::runSidechain (int, const float* role1, const float*, float* out, int numSamples, double,
                                   const SidechainParams&)
{
    if (out != role1) std::memmove (out, role1, sizeof (float) * static_cast<size_t> (std::max (numSamples, 0)));
}

void BlendProcessor::runAmplitudeFollow (int, const float* role1, const float*, float* out, int numSamples, double,
                                         const SidechainParams&)
{
    if (out != role1) std::memmove (out, role1, sizeof (float) * static_cast<size_t> (std::max (numSamples, 0)));
}
