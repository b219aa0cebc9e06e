#pragma once

#include <cstdint>
#include <cstring>

// A tanh in single precision that the compiler can vectorise: only multiplies, adds, one
// division, comparisons and integer bit work, no library call. libm's tanhf is a scalar call
// that stops every loop around it from being vectorised, and the soft clips of the mix and of the
// math modes run it on every sample.
//
// Accuracy: within 1.5e-7 absolute of tanh for every finite input (the tests hold it to 2e-6
// against std::tanh) and within 2e-7 relative below 1/8, so quiet signals keep their precision;
// odd, never beyond +-1, exactly 0 for 0 and keeps the sign of its input. NaN stays NaN and +-infinity gives +-1, as std::tanh does.
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

// exp(y) - 1 for y in [-2 kSaturation, 0]: y = n ln2 + r with |r| <= ln2 / 2, then
// 2^n (exp(r) - 1) + (2^n - 1), where exp(r) - 1 is a degree 7 Taylor polynomial without its
// constant term (truncation error below 6e-9). Near y = 0 (n = 0) this keeps full relative
// precision, which 1 - exp(-y) would lose in the subtraction.
QV_FAST_TANH_INLINE float expm1NonPositive (float y) noexcept
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
    p = p * r;

    // 2^n for n in [-26, 0] straight from the exponent bits.
    const float scale = fromBits (static_cast<uint32_t> (n + 127) << 23);
    return scale * p + (scale - 1.0f);
}

// tanh |x| = -t / (2 + t) with t = exp(-2|x|) - 1, which lies in [-1, 0]: the result stays
// within [0, 1] and is exactly +0 for 0. The sign of x (also of -0) is put back at the end.
QV_FAST_TANH_INLINE float tanh (float x) noexcept
{
    constexpr uint32_t signBit = 0x80000000u;
    const uint32_t xBits = bitsOf (x);
    const float ax = fromBits (xBits & ~signBit);

    // The limit is written so that a NaN (which fails the comparison) stays as it is; infinity
    // saturates.
    const float clamped = select (kSaturation < ax, kSaturation, ax);
    const float t = expm1NonPositive (-2.0f * clamped);
    const float magnitude = (0.0f - t) / (2.0f + t);
    return fromBits (bitsOf (magnitude) | (xBits & signBit));
}
} // namespace FastTanh

#undef QV_FAST_TANH_INLINE
