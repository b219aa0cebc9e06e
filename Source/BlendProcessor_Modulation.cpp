#include "BlendProcessor.h"

#include <algorithm>
#include <cstring>

// AM and FM: not built yet; role 1 passes through.
void BlendProcessor::runAM (int, const float* role1, const float*, float* out, int numSamples, double,
                            const AMParams&)
{
    if (out != role1) std::memmove (out, role1, sizeof (float) * static_cast<size_t> (std::max (numSamples, 0)));
}

void BlendProcessor::runFM (int, const float* role1, const float*, float* out, int numSamples, double,
                            const FMParams&, const WaveshapeParams&)
{
    if (out != role1) std::memmove (out, role1, sizeof (float) * static_cast<size_t> (std::max (numSamples, 0)));
}
