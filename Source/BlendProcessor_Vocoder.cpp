#include "BlendProcessor.h"

#include <algorithm>
#include <cstring>

// The three vocoders: not built yet; role 1 passes through.
void BlendProcessor::resetClassicVocoderBank() {}
void BlendProcessor::prepareVocoderClassicIfNeeded (int, int, double, const VocoderParams&) {}
void BlendProcessor::prepareVocoderFFTIfNeeded (int, int, double, const VocoderParams&) {}

void BlendProcessor::runVocoderClassic (int, const float* role1, const float*, float* out, int numSamples)
{
    if (out != role1) std::memmove (out, role1, sizeof (float) * static_cast<size_t> (std::max (numSamples, 0)));
}

void BlendProcessor::runVocoderDistorted (int, const float* role1, const float*, float* out, int numSamples,
                                          const VocoderParams&)
{
    if (out != role1) std::memmove (out, role1, sizeof (float) * static_cast<size_t> (std::max (numSamples, 0)));
}

void BlendProcessor::runVocoderFFT (int, const float* role1, const float*, float* out, int numSamples)
{
    if (out != role1) std::memmove (out, role1, sizeof (float) * static_cast<size_t> (std::max (numSamples, 0)));
}
