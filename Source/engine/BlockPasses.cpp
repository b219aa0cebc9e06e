#include "engine/BlockPasses.h"
#include "engine/SimdIsa.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace blockpasses
{
namespace
{
constexpr int kPartialSums = 8;

QV_ALWAYS_INLINE void scaleBody (float* x, float gain, int n) noexcept
{
    for (int j = 0; j < n; ++j)
        x[j] *= gain;
}

QV_ALWAYS_INLINE float magnitudeSumBody (const float* x, int n) noexcept
{
    float lanes[kPartialSums] = {};
    int j = 0;
    for (; j + kPartialSums <= n; j += kPartialSums)
        for (int l = 0; l < kPartialSums; ++l)
            lanes[l] += std::abs (x[j + l]);

    float sum = 0.0f;
    for (; j < n; ++j)
        sum += std::abs (x[j]);
    for (int l = 0; l < kPartialSums; ++l)
        sum += lanes[l];
    return sum;
}

// On the bit patterns of |x|, which order as the magnitudes do, with every NaN above infinity.
QV_ALWAYS_INLINE float peakBody (const float* x, int n) noexcept
{
    int32_t largest = 0;
    for (int j = 0; j < n; ++j)
    {
        int32_t bits;
        std::memcpy (&bits, x + j, sizeof (bits));
        bits &= 0x7fffffff;
        largest = bits > largest ? bits : largest;
    }
    float result;
    std::memcpy (&result, &largest, sizeof (result));
    return result;
}

QV_ISA_BUILDS (void, scaleBuild, (float* x, float gain, int n) noexcept, { scaleBody (x, gain, n); })
QV_ISA_BUILDS (float, magnitudeSumBuild, (const float* x, int n) noexcept, { return magnitudeSumBody (x, n); })
QV_ISA_BUILDS (float, peakBuild, (const float* x, int n) noexcept, { return peakBody (x, n); })
} // namespace

void scale (float* x, float gain, int n) noexcept { QV_ISA_DISPATCH (scaleBuild, (x, gain, n)) }

float magnitudeSum (const float* x, int n) noexcept { QV_ISA_DISPATCH (magnitudeSumBuild, (x, n)) }

float peak (const float* x, int n) noexcept { QV_ISA_DISPATCH (peakBuild, (x, n)) }
} // namespace blockpasses
