#pragma once

// The instruction sets the engine's block passes are built for, and the one chosen at run time.
//
// Hot loops are compiled several times from the same source: a baseline build that runs on any
// x86-64 CPU, an AVX2 build and an AVX-512 build, each through a function marked with the target
// attribute below. Which one runs is decided once from what the CPU supports; tests and the
// benchmark may choose a slower one to compare them.
//
// None of the builds fuses multiply-adds. The AVX-512 target does make FMA instructions available
// (AVX-512 implies FMA), so the whole tree is compiled without contraction (-ffp-contract=off, in
// the top-level CMakeLists.txt) and no code asks for a fused operation by name: every build then
// rounds exactly like the baseline, so a result never depends on the machine it was computed on.
// The tests compare the builds bit for bit.
namespace simd
{
enum class Isa
{
    baseline,
    avx2,
    avx512
};

// Every instruction set, slowest first.
inline constexpr Isa kAllIsas[] = { Isa::baseline, Isa::avx2, Isa::avx512 };

bool isSupported (Isa) noexcept;

// The build in use: the fastest this CPU supports, unless a test or the benchmark chose another.
Isa activeIsa() noexcept;
// Selects a build for comparisons; an unsupported choice is ignored.
void setActiveIsa (Isa) noexcept;
// For people: "baseline", "AVX2", "AVX-512".
const char* isaName (Isa) noexcept;
// For command lines: "baseline", "avx2", "avx512".
const char* isaOptionName (Isa) noexcept;
// The build an option name stands for; false for any other text.
bool isaFromName (const char* name, Isa& isa) noexcept;

// Runs with another build until the end of the scope (for tools and tests that compare builds).
struct ScopedIsa
{
    Isa previous = activeIsa();
    explicit ScopedIsa (Isa isa) noexcept { setActiveIsa (isa); }
    ~ScopedIsa() { setActiveIsa (previous); }
    ScopedIsa (const ScopedIsa&) = delete;
    ScopedIsa& operator= (const ScopedIsa&) = delete;
};
} // namespace simd

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
 #define QV_HAS_ISA_BUILDS 1
 #define QV_TARGET_AVX2 __attribute__ ((target ("avx2")))
 #define QV_TARGET_AVX512 __attribute__ ((target ("avx2,avx512f,avx512vl,avx512dq,avx512bw")))
 #define QV_ALWAYS_INLINE inline __attribute__ ((always_inline))
#else
 #define QV_HAS_ISA_BUILDS 0
 #define QV_TARGET_AVX2
 #define QV_TARGET_AVX512
 #define QV_ALWAYS_INLINE inline
#endif

// Defines `name` three times from one body: name##Baseline, name##Avx2 and name##Avx512 (the last
// two only where the compiler can build them). The body is usually a call of an always-inline
// template, which the target attribute then compiles for that instruction set.
#if QV_HAS_ISA_BUILDS
 #define QV_ISA_BUILDS(ret, name, params, body)         \
     ret name##Baseline params body                     \
     QV_TARGET_AVX2 ret name##Avx2 params body          \
     QV_TARGET_AVX512 ret name##Avx512 params body
 // Calls the build of `name` for the active instruction set.
 #define QV_ISA_DISPATCH(name, args)                                                  \
     switch (::simd::activeIsa())                                                      \
     {                                                                                 \
         case ::simd::Isa::avx512: return name##Avx512 args;                           \
         case ::simd::Isa::avx2: return name##Avx2 args;                               \
         case ::simd::Isa::baseline: break;                                            \
     }                                                                                 \
     return name##Baseline args;
#else
 #define QV_ISA_BUILDS(ret, name, params, body) ret name##Baseline params body
 #define QV_ISA_DISPATCH(name, args) return name##Baseline args;
#endif
