#include "BlendProcessor.h"

#include <algorithm>
#include <cstring>

// Scrub: not built yet; role 1 passes through.
void BlendProcessor::runScrub (int, const float* role1, const float*, float* out, int numSamples, const ScrubParams&)
{
    if (out != role1) std::memmove (out, role1, sizeof (float) * static_cast<size_t> (std::max (numSamples, 0)));
}
