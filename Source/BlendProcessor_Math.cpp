#include "BlendProcessor.h"

#include <algorithm>
#include <cstring>

// Sample-wise math modes: not built yet; role 1 passes through.
void BlendProcessor::runMath (int, const float* role1, const float*, float* out, int numSamples, double,
                              const MathParams&)
{
    if (out != role1) std::memmove (out, role1, sizeof (float) * static_cast<size_t> (std::max (numSamples, 0)));
}
