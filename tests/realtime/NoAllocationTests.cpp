#include <gtest/gtest.h>

#include "../processor/ProcessorTestSupport.h"
#include "params/ParamIDs.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Counts every global allocation while armed. This test program replaces operator new, so it
// lives in an executable of its own.
namespace
{
std::atomic<bool> armed { false };
std::atomic<long> allocations { 0 };

void* countedAlloc (std::size_t size)
{
    if (armed.load (std::memory_order_relaxed))
        allocations.fetch_add (1, std::memory_order_relaxed);
    if (void* p = std::malloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new (std::size_t size) { return countedAlloc (size); }
void* operator new[] (std::size_t size) { return countedAlloc (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept
{
    if (armed.load (std::memory_order_relaxed))
        allocations.fetch_add (1, std::memory_order_relaxed);
    return std::malloc (size == 0 ? 1 : size);
}
void* operator new[] (std::size_t size, const std::nothrow_t& t) noexcept { return operator new (size, t); }
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }

TEST (RealtimeSafety, TheCounterSeesAllocations)
{
    allocations = 0;
    armed = true;
    auto* probe = new juce::String ("a string long enough to need the heap");
    armed = false;
    delete probe;
    EXPECT_GE (allocations.load(), 2);
}

TEST (RealtimeSafety, ProcessBlockNeverAllocatesAfterPreparation)
{
    for (int blockSize : { 1, 64, 512, 4096 })
        for (int mode = 0; mode < 22; ++mode)
        {
            QuorvaneAudioProcessor p;
            HostedProcessor host (p, true);
            host.setRaw (ParamIDs::mode, static_cast<float> (mode));
            host.setRaw (ParamIDs::heat, 50.0f);
            host.setRaw (ParamIDs::fxLowCut, 80.0f);
            host.prepare (48000.0, blockSize);

            juce::AudioBuffer<float> buffer (4, blockSize);
            const int blocks = std::max (4, 8192 / blockSize);
            long counted = 0;
            for (int b = 0; b < blocks; ++b)
            {
                fillNoise (buffer, b + 1, 0.5f);
                allocations = 0;
                armed = true;
                host.process (buffer);
                armed = false;
                counted += allocations.load();
            }
            EXPECT_EQ (counted, 0) << kBlendModeRegistry[mode].name << " at block size " << blockSize;
        }
}
