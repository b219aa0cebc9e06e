#include <gtest/gtest.h>

#include "../processor/ProcessorTestSupport.h"
#include "params/ParamIDs.h"
#include "params/ParameterTable.h"
#include "processor/FactoryPresets.h"
#include "processor/Presets.h"

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include <malloc.h>

// Counts every heap allocation made by the thread that is being measured: all forms of
// operator new (plain, array, aligned, nothrow) and the C allocation functions, which is where
// JUCE's HeapBlock (and so AudioBuffer and MemoryBlock) and FFTW get their memory. This test
// program replaces the global allocator, so it lives in an executable of its own.
//
// The C functions are counted in one of two ways, chosen by the build:
// - Plain build: this program defines malloc and its relatives itself and forwards them to
//   glibc's __libc_* entry points. The definitions take precedence over the C library's for the
//   whole process, shared libraries (libstdc++, the C library's own helpers) included.
// - Sanitizer build (QV_WRAP_C_ALLOCATORS, set by tests/CMakeLists.txt): AddressSanitizer and
//   ThreadSanitizer supply malloc themselves, and defining it here would take their allocator
//   away from them. The linker's --wrap option instead redirects the calls made by the objects
//   linked into this program (the plug-in's code, JUCE, FFTW's static library, the tests) to
//   the __wrap_ functions below, which forward to the sanitizer's allocator. Calls made inside
//   shared libraries are not seen in this build; operator new is counted the same way in both.

namespace
{
std::atomic<long> allocations { 0 };

// Set only on the thread under measurement: what other threads allocate meanwhile is theirs.
thread_local bool countingThisThread = false;

void noteAllocation() noexcept
{
    if (countingThisThread)
        allocations.fetch_add (1, std::memory_order_relaxed);
}

// Counts allocations on the calling thread while it lives.
struct CountAllocationsHere
{
    CountAllocationsHere() noexcept { countingThisThread = true; }
    ~CountAllocationsHere() { countingThisThread = false; }
    CountAllocationsHere (const CountAllocationsHere&) = delete;
    CountAllocationsHere& operator= (const CountAllocationsHere&) = delete;
};
} // namespace

#if QV_WRAP_C_ALLOCATORS
extern "C"
{
void* __real_malloc (std::size_t);
void* __real_calloc (std::size_t, std::size_t);
void* __real_realloc (void*, std::size_t);
void* __real_aligned_alloc (std::size_t, std::size_t);
int __real_posix_memalign (void**, std::size_t, std::size_t);
void* __real_memalign (std::size_t, std::size_t);

void* __wrap_malloc (std::size_t size) { noteAllocation(); return __real_malloc (size); }
void* __wrap_calloc (std::size_t count, std::size_t size) { noteAllocation(); return __real_calloc (count, size); }
void* __wrap_realloc (void* p, std::size_t size) { noteAllocation(); return __real_realloc (p, size); }
void* __wrap_aligned_alloc (std::size_t alignment, std::size_t size)
{
    noteAllocation();
    return __real_aligned_alloc (alignment, size);
}
int __wrap_posix_memalign (void** p, std::size_t alignment, std::size_t size)
{
    noteAllocation();
    return __real_posix_memalign (p, alignment, size);
}
void* __wrap_memalign (std::size_t alignment, std::size_t size)
{
    noteAllocation();
    return __real_memalign (alignment, size);
}
}

namespace
{
void* rawAlloc (std::size_t size) noexcept { return __real_malloc (size); }
void* rawAlignedAlloc (std::size_t alignment, std::size_t size) noexcept
{
    void* p = nullptr;
    return __real_posix_memalign (&p, std::max (alignment, sizeof (void*)), size) == 0 ? p : nullptr;
}
void rawFree (void* p) noexcept { std::free (p); }
} // namespace

#else
extern "C"
{
void* __libc_malloc (std::size_t);
void* __libc_calloc (std::size_t, std::size_t);
void* __libc_realloc (void*, std::size_t);
void* __libc_memalign (std::size_t, std::size_t);
void __libc_free (void*);

void* malloc (std::size_t size) noexcept { noteAllocation(); return __libc_malloc (size); }
void* calloc (std::size_t count, std::size_t size) noexcept { noteAllocation(); return __libc_calloc (count, size); }
void* realloc (void* p, std::size_t size) noexcept { noteAllocation(); return __libc_realloc (p, size); }
void* memalign (std::size_t alignment, std::size_t size) noexcept
{
    noteAllocation();
    return __libc_memalign (alignment, size);
}
void* aligned_alloc (std::size_t alignment, std::size_t size) noexcept
{
    noteAllocation();
    return __libc_memalign (alignment, size);
}
int posix_memalign (void** p, std::size_t alignment, std::size_t size) noexcept
{
    noteAllocation();
    // The alignment must be a power of two and a multiple of the pointer size.
    if (alignment % sizeof (void*) != 0 || (alignment & (alignment - 1)) != 0 || alignment == 0)
        return EINVAL;
    void* q = __libc_memalign (alignment, size);
    if (q == nullptr)
        return ENOMEM;
    *p = q;
    return 0;
}
}

namespace
{
void* rawAlloc (std::size_t size) noexcept { return __libc_malloc (size); }
void* rawAlignedAlloc (std::size_t alignment, std::size_t size) noexcept { return __libc_memalign (alignment, size); }
void rawFree (void* p) noexcept { __libc_free (p); }
} // namespace
#endif

// operator new in all its forms, counted once each (the raw functions above are not counted).
namespace
{
void* countedNew (std::size_t size)
{
    noteAllocation();
    if (void* p = rawAlloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* countedAlignedNew (std::size_t size, std::align_val_t alignment)
{
    noteAllocation();
    if (void* p = rawAlignedAlloc (static_cast<std::size_t> (alignment), size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* countedNewNothrow (std::size_t size) noexcept
{
    noteAllocation();
    return rawAlloc (size == 0 ? 1 : size);
}

void* countedAlignedNewNothrow (std::size_t size, std::align_val_t alignment) noexcept
{
    noteAllocation();
    return rawAlignedAlloc (static_cast<std::size_t> (alignment), size == 0 ? 1 : size);
}
} // namespace

void* operator new (std::size_t size) { return countedNew (size); }
void* operator new[] (std::size_t size) { return countedNew (size); }
void* operator new (std::size_t size, std::align_val_t a) { return countedAlignedNew (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a) { return countedAlignedNew (size, a); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept { return countedNewNothrow (size); }
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept { return countedNewNothrow (size); }
void* operator new (std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    return countedAlignedNewNothrow (size, a);
}
void* operator new[] (std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    return countedAlignedNewNothrow (size, a);
}

void operator delete (void* p) noexcept { rawFree (p); }
void operator delete[] (void* p) noexcept { rawFree (p); }
void operator delete (void* p, std::size_t) noexcept { rawFree (p); }
void operator delete[] (void* p, std::size_t) noexcept { rawFree (p); }
void operator delete (void* p, std::align_val_t) noexcept { rawFree (p); }
void operator delete[] (void* p, std::align_val_t) noexcept { rawFree (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept { rawFree (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { rawFree (p); }
void operator delete (void* p, const std::nothrow_t&) noexcept { rawFree (p); }
void operator delete[] (void* p, const std::nothrow_t&) noexcept { rawFree (p); }
void operator delete (void* p, std::align_val_t, const std::nothrow_t&) noexcept { rawFree (p); }
void operator delete[] (void* p, std::align_val_t, const std::nothrow_t&) noexcept { rawFree (p); }

namespace
{
// Every pointer passes through here, so the compiler can neither drop an allocation whose
// result is unused nor pair it with its release and remove both.
void* volatile escaped = nullptr;

template <typename T>
T* escape (T* p)
{
    escaped = const_cast<void*> (static_cast<const volatile void*> (p));
    return p;
}

struct alignas (64) CacheLine
{
    float values[16];
};

struct AllocationPath
{
    const char* name;
    std::function<void()> allocateAndRelease;
};

std::vector<AllocationPath> allocationPaths()
{
    return {
        { "operator new", [] { delete escape (new long (1)); } },
        { "operator new[]", [] { delete[] escape (new long[4]); } },
        { "aligned operator new (make_unique of a 64-byte aligned type)",
          [] { escape (std::make_unique<CacheLine>().get()); } },
        { "aligned operator new[]", [] { delete[] escape (new CacheLine[3]); } },
        { "aligned operator new (std::vector resize)",
          [] {
              std::vector<CacheLine> v;
              v.resize (5);
              escape (v.data());
          } },
        { "nothrow operator new", [] { delete escape (new (std::nothrow) long (1)); } },
        { "nothrow operator new[]", [] { delete[] escape (new (std::nothrow) long[4]); } },
        { "aligned nothrow operator new", [] { delete escape (new (std::nothrow) CacheLine()); } },
        { "aligned nothrow operator new[]", [] { delete[] escape (new (std::nothrow) CacheLine[2]); } },
        { "malloc", [] { std::free (escape (std::malloc (24))); } },
        { "calloc", [] { std::free (escape (std::calloc (3, 8))); } },
        { "realloc", [] { std::free (escape (std::realloc (nullptr, 40))); } },
        { "aligned_alloc", [] { std::free (escape (std::aligned_alloc (64, 128))); } },
        { "posix_memalign",
          [] {
              void* p = nullptr;
              if (posix_memalign (&p, 64, 128) == 0)
                  std::free (escape (p));
          } },
        { "memalign", [] { std::free (escape (memalign (64, 128))); } },
        { "juce::AudioBuffer (HeapBlock)",
          [] {
              juce::AudioBuffer<float> buffer (2, 300);
              escape (buffer.getWritePointer (0));
          } },
        { "juce::MemoryBlock (HeapBlock)",
          [] {
              juce::MemoryBlock block (100, true);
              escape (block.getData());
          } },
    };
}
} // namespace

TEST (RealtimeSafety, TheCounterSeesEveryAllocationPath)
{
    for (const auto& path : allocationPaths())
    {
        allocations = 0;
        {
            CountAllocationsHere counting;
            path.allocateAndRelease();
        }
        EXPECT_GE (allocations.load(), 1) << path.name;
    }
}

TEST (RealtimeSafety, OtherThreadsAllocationsAreNotCounted)
{
    // The other thread exists before counting starts (creating it allocates here) and allocates
    // only while this thread counts.
    std::atomic<int> stage { 0 };
    std::thread other ([&] {
        while (stage.load() != 1)
            std::this_thread::yield();
        for (const auto& path : allocationPaths())
            path.allocateAndRelease();
        stage.store (2);
    });

    allocations = 0;
    {
        CountAllocationsHere counting;
        stage.store (1);
        while (stage.load() != 2)
            std::this_thread::yield();
    }
    other.join();
    EXPECT_EQ (allocations.load(), 0);
}

namespace
{
// Turns every continuous dial to a new place, as host automation does before a block. The dials
// that change the engine's structure (Resolution, BI Chunk) are the next test's.
void moveEveryDial (HostedProcessor& host, int block)
{
    for (int i = 0; i < kNumParameters; ++i)
    {
        const ParamSpec& spec = kParamTable[i];
        if (spec.kind != ParamSpec::Kind::Float || spec.id == ParamIDs::resolution || spec.id == ParamIDs::biChunk)
            continue;
        const float position = std::fmod (0.37f * static_cast<float> (block) + 0.11f * static_cast<float> (i), 1.0f);
        host.setRaw (spec.id, spec.min + position * (spec.max - spec.min));
    }
}
} // namespace

TEST (RealtimeSafety, ProcessBlockNeverAllocatesAfterPreparation)
{
    // prepareToPlay builds every frame bank of every size, so the blocks that follow must not
    // allocate at all.
    // Without a sidechain Audio 1 passes through the dry delays instead; a rolling transport
    // keeps the transport follower busy in both. Dials that glide must not allocate either.
    for (int blockSize : { 1, 64, 512, 4096 })
        for (int mode = 0; mode < kNumBlendModeEntries; ++mode)
            for (const bool sidechain : { true, false })
            {
                QuorvaneAudioProcessor p;
                TestPlayHead head;
                head.setPlaying (120.0, 0.0);
                p.setPlayHead (&head);
                HostedProcessor host (p, sidechain);
                host.setRaw (ParamIDs::mode, static_cast<float> (mode));
                host.setRaw (ParamIDs::heat, 50.0f);
                host.setRaw (ParamIDs::fxLowCut, 80.0f);
                host.setRaw (ParamIDs::seqEnabled, 1.0f);
                host.prepare (48000.0, blockSize);

                juce::AudioBuffer<float> buffer (host.bufferChannels(), blockSize);
                const int blocks = std::max (4, 8192 / blockSize);
                long counted = 0;
                for (int b = 0; b < blocks; ++b)
                {
                    fillNoise (buffer, b + 1, 0.5f);
                    // The second half of the run moves every dial before each block.
                    if (b >= blocks / 2)
                        moveEveryDial (host, b);
                    allocations = 0;
                    {
                        CountAllocationsHere counting;
                        host.process (buffer);
                    }
                    counted += allocations.load();
                }
                EXPECT_EQ (counted, 0) << kBlendModeRegistry[mode].name << " at block size " << blockSize
                                       << (sidechain ? "" : " without sidechain");
            }
}

TEST (RealtimeSafety, NoChangeOfSettingAllocates)
{
    // Blocks that each bring a change of structure: the mode through every entry, Resolution
    // across its range (by hand and by modulator 2), Chunk, Direction, and presets loaded on
    // another thread while the audio runs; each with the crossovers it starts.
    for (int blockSize : { 64, 512 })
        for (const bool modulated : { false, true })
        {
            QuorvaneAudioProcessor p;
            TestPlayHead head;
            p.setPlayHead (&head);
            HostedProcessor host (p, true);
            host.setRaw (ParamIDs::seqEnabled2, modulated ? 1.0f : 0.0f);
            host.setRaw (ParamIDs::mod2Target, 0.0f); // Dial 1: Resolution in the frame modes and vocoders
            host.setRaw (ParamIDs::seqBars2, 0.0f);
            for (int s = 0; s < kNumSteps; ++s)
                p.setStepValue (1, s, s % 2 == 0 ? -1.0f : 1.0f);
            host.prepare (48000.0, blockSize);

            // A second thread loads factory presets one after another meanwhile.
            std::atomic<bool> stop { false };
            std::vector<Presets::PresetValues> presets;
            for (int i = 0; i < FactoryPresets::count(); ++i)
                presets.push_back (FactoryPresets::values (FactoryPresets::at (i)));
            std::thread loader ([&] {
                for (size_t i = 0; ! stop.load(); ++i)
                {
                    Presets::apply (p, presets[i % presets.size()]);
                    std::this_thread::yield();
                }
            });

            juce::AudioBuffer<float> buffer (host.bufferChannels(), blockSize);
            const int blocks = 3 * 48000 / blockSize;
            long counted = 0;
            for (int b = 0; b < blocks; ++b)
            {
                head.setPlaying (120.0, b * blockSize * 2.0 / 48000.0);
                fillNoise (buffer, b + 1, 0.5f);
                const int every = std::max (1, 4096 / blockSize);
                if (b % every == 0)
                {
                    const int change = b / every;
                    host.setRaw (ParamIDs::mode, static_cast<float> (change % kNumBlendModeEntries));
                    host.setRaw (ParamIDs::resolution, static_cast<float> ((change * 5) % 13));
                    host.setRaw (ParamIDs::biChunk, static_cast<float> (change % 4));
                    host.setRaw (ParamIDs::direction, static_cast<float> (change % 3));
                }
                allocations = 0;
                {
                    CountAllocationsHere counting;
                    host.process (buffer);
                }
                counted += allocations.load();
            }
            stop.store (true);
            loader.join();
            EXPECT_EQ (counted, 0) << "block size " << blockSize << (modulated ? ", modulator 2 on Resolution" : "");
        }
}
