#pragma once

#include <cstdint>
#include <cstring>

// A tanh in single precision that the compiler can vectorise: only multiplies, adds, one
// division, comparisons and integer bit work, no library call. libm's tanhf is a scalar call
// that stops every loop around it from being vectorised, and the soft clips of the mix and of the
// math modes run it on every sample.
//
// Accuracy: within 1e-7 absolute of the correctly rounded tanh for every finite input (the
// tests hold it to 2e-6 against std::tanh), odd, never beyond +-1, exactly 0 for 0 and keeps
// the sign of its input. NaN stays NaN and +-infinity gives +-1, as std::tanh does.
//
// Use it where the result feeds further arithmetic. Where a result drives a discrete decision or
// a badly conditioned operation (an integer conversion, a division), keep std::tanh.

namespace FastTanh
{
// The whole point is a loop without calls, yet the compiler's size heuristics leave tanh out of
// line in some of the loops that use it (each sample then pays a call and the loop runs scalar),
// so its pieces are always inlined.
#if defined(__GNUC__) || defined(__clang__)
 #define QV_FAST_TANH_INLINE [[gnu::always_inline]] inline
#else
 #define QV_FAST_TANH_INLINE inline
#endif

// Below this magnitude an odd series is used: there exp(-2|x|) is close to 1 and 1 - e loses
// the leading digits.
constexpr float kSeriesLimit = 0.125f;
// tanh(9) = 1 - 3.0e-8, which already rounds to 1 in single precision.
constexpr float kSaturation = 9.0f;

inline uint32_t bitsOf (float x) noexcept
{
    uint32_t b;
    std::memcpy (&b, &x, sizeof (b));
    return b;
}

inline float fromBits (uint32_t b) noexcept
{
    float x;
    std::memcpy (&x, &b, sizeof (x));
    return x;
}

// cond ? a : b, with both values computed and the choice made by a bit mask. A conditional
// choice between two computed values is turned into a jump (the arithmetic could raise floating
// point exceptions), and a jump in a loop stops it from being vectorised.
QV_FAST_TANH_INLINE float select (bool cond, float a, float b) noexcept
{
    const uint32_t mask = 0u - static_cast<uint32_t> (cond);
    return fromBits ((bitsOf (a) & mask) | (bitsOf (b) & ~mask));
}

// exp(y) for y in [-2 kSaturation, 0]: y = n ln2 + r with |r| <= ln2 / 2, then 2^n times a
// degree 7 Taylor polynomial of exp(r) (truncation error below 5e-9 relative).
QV_FAST_TANH_INLINE float expNonPositive (float y) noexcept
{
    constexpr float log2e = 1.44269504f;
    constexpr float ln2Hi = 0.693145752f;      // leading bits of ln 2, exact times any small n
    constexpr float ln2Lo = 1.42860677e-06f;   // ln 2 - ln2Hi
    // y <= 0, so truncating z - 0.5 toward zero rounds z to the nearest integer. A NaN fails
    // the comparison and converts as -40 (the conversion of a NaN is undefined); the NaN still
    // reaches the result through r.
    const float z = y * log2e;
    const float zSafe = select (-40.0f < z, z, -40.0f);
    const int32_t n = static_cast<int32_t> (zSafe - 0.5f);
    const float nf = static_cast<float> (n);
    const float r = (y - nf * ln2Hi) - nf * ln2Lo;

    float p = 1.0f / 5040.0f;
    p = p * r + 1.0f / 720.0f;
    p = p * r + 1.0f / 120.0f;
    p = p * r + 1.0f / 24.0f;
    p = p * r + 1.0f / 6.0f;
    p = p * r + 0.5f;
    p = p * r + 1.0f;
    p = p * r + 1.0f;

    // 2^n for n in [-26, 0] straight from the exponent bits.
    return p * fromBits (static_cast<uint32_t> (n + 127) << 23);
}

QV_FAST_TANH_INLINE float tanh (float x) noexcept
{
    constexpr uint32_t signBit = 0x80000000u;
    const uint32_t xBits = bitsOf (x);
    const float ax = fromBits (xBits & ~signBit);

    // Both forms work on |x|; the sign of x (also of -0) is put back at the end.
    // Small inputs: x - x^3/3 + 2x^5/15 - 17x^7/315 + 62x^9/2835 (next term below 1e-10 here).
    const float x2 = ax * ax;
    float s = 62.0f / 2835.0f;
    s = s * x2 - 17.0f / 315.0f;
    s = s * x2 + 2.0f / 15.0f;
    s = s * x2 - 1.0f / 3.0f;
    const float series = ax + ax * x2 * s;

    // Larger inputs: (1 - e) / (1 + e) with e = exp(-2|x|). The limit is written so that a NaN
    // (which fails the comparison) stays as it is; infinity saturates.
    const float clamped = select (kSaturation < ax, kSaturation, ax);
    const float e = expNonPositive (-2.0f * clamped);
    const float large = (1.0f - e) / (1.0f + e);

    const float magnitude = select (ax < kSeriesLimit, series, large);
    return fromBits (bitsOf (magnitude) | (xBits & signBit));
}
} // namespace FastTanh

#undef QV_FAST_TANH_INLINE
