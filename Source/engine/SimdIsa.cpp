#include "engine/SimdIsa.h"

#include <atomic>
#include <cstring>

namespace simd
{
namespace
{
// Each build's names, in the order of kAllIsas.
struct IsaNames
{
    Isa isa;
    const char* display;
    const char* option;
};
constexpr IsaNames kIsaNames[] = {
    { Isa::baseline, "baseline", "baseline" }, { Isa::avx2, "AVX2", "avx2" }, { Isa::avx512, "AVX-512", "avx512" }
};

const IsaNames& namesOf (Isa isa) noexcept
{
    for (const auto& names : kIsaNames)
        if (names.isa == isa)
            return names;
    return kIsaNames[0];
}

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

const char* isaName (Isa isa) noexcept { return namesOf (isa).display; }

const char* isaOptionName (Isa isa) noexcept { return namesOf (isa).option; }

bool isaFromName (const char* name, Isa& isa) noexcept
{
    for (const auto& names : kIsaNames)
        if (name != nullptr && std::strcmp (name, names.option) == 0)
        {
            isa = names.isa;
            return true;
        }
    return false;
}
} // namespace simd
