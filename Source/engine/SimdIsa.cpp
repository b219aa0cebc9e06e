#include "engine/SimdIsa.h"

#include <atomic>
#include <cstring>

namespace simd
{
namespace
{
Isa fastestSupported() noexcept
{
    if (isSupported (Isa::avx512))
        return Isa::avx512;
    return isSupported (Isa::avx2) ? Isa::avx2 : Isa::baseline;
}

std::atomic<Isa>& chosenIsa() noexcept
{
    static std::atomic<Isa> isa { fastestSupported() };
    return isa;
}
} // namespace

bool isSupported (Isa isa) noexcept
{
    if (isa == Isa::baseline)
        return true;
#if QV_HAS_ISA_BUILDS
    __builtin_cpu_init(); // may run before the runtime has initialised the CPU model
    if (! __builtin_cpu_supports ("avx2"))
        return false;
    if (isa == Isa::avx2)
        return true;
    return __builtin_cpu_supports ("avx512f") && __builtin_cpu_supports ("avx512vl")
           && __builtin_cpu_supports ("avx512dq") && __builtin_cpu_supports ("avx512bw");
#else
    return false;
#endif
}

Isa activeIsa() noexcept { return chosenIsa().load (std::memory_order_relaxed); }

void setActiveIsa (Isa isa) noexcept
{
    if (isSupported (isa))
        chosenIsa().store (isa, std::memory_order_relaxed);
}

const char* isaName (Isa isa) noexcept
{
    switch (isa)
    {
        case Isa::avx512: return "AVX-512";
        case Isa::avx2: return "AVX2";
        case Isa::baseline: break;
    }
    return "baseline";
}

const char* isaOptionName (Isa isa) noexcept
{
    switch (isa)
    {
        case Isa::avx512: return "avx512";
        case Isa::avx2: return "avx2";
        case Isa::baseline: break;
    }
    return "baseline";
}

bool isaFromName (const char* name, Isa& isa) noexcept
{
    for (const Isa candidate : kAllIsas)
        if (name != nullptr && std::strcmp (name, isaOptionName (candidate)) == 0)
        {
            isa = candidate;
            return true;
        }
    return false;
}
} // namespace simd
