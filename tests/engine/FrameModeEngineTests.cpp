#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "VocoderReference.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

// The frame-based modes and vocoders as the engine frame drives them through processRealtime:
// band counts from the resolution, and no allocation on the audio path once prepared.

namespace
{
// Counts every operator new in the process while `armed` is set.
std::atomic<bool> armed { false };
std::atomic<long> allocations { 0 };

void* countedAllocate (std::size_t size)
{
    if (armed.load (std::memory_order_relaxed))
        allocations.fetch_add (1, std::memory_order_relaxed);
    if (void* p = std::malloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* countedAllocateAligned (std::size_t size, std::align_val_t alignment)
{
    if (armed.load (std::memory_order_relaxed))
        allocations.fetch_add (1, std::memory_order_relaxed);
    const auto align = static_cast<std::size_t> (alignment);
    const std::size_t rounded = (std::max<std::size_t> (size, 1) + align - 1) / align * align;
    if (void* p = std::aligned_alloc (align, rounded))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new (std::size_t size) { return countedAllocate (size); }
void* operator new[] (std::size_t size) { return countedAllocate (size); }
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }
void* operator new (std::size_t size, std::align_val_t a) { return countedAllocateAligned (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a) { return countedAllocateAligned (size, a); }
void operator delete (void* p, std::align_val_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::align_val_t) noexcept { std::free (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { std::free (p); }

namespace
{
constexpr double kFs = 48000.0;
constexpr int kBlock = 512;

struct Block
{
    juce::AudioBuffer<float> role1 { 2, kBlock }, role2 { 2, kBlock }, out { 2, kBlock };

    explicit Block (int offset)
    {
        const auto voice = vocref::voiceLike (kBlock + offset, kFs);
        const auto chord = vocref::sawChord (kBlock + offset, kFs);
        for (int c = 0; c < 2; ++c)
            for (int j = 0; j < kBlock; ++j)
            {
                role1.setSample (c, j, voice[static_cast<size_t> (offset + j)] * (c == 0 ? 1.0f : 0.8f));
                role2.setSample (c, j, chord[static_cast<size_t> (offset + j)]);
            }
    }
};

// One processRealtime call with every record at its defaults except the shared resolution.
BlendRecords recordsAt (int resolution)
{
    BlendRecords r;
    r.vocoder.resolution = resolution;
    r.spectralGate.resolution = resolution;
    r.phaseSwap.resolution = resolution;
    r.binInterleave.resolution = resolution;
    return r;
}

void process (BlendProcessor& engine, BlendMode mode, int resolution, Block& b)
{
    engine.processRealtime (mode, b.role1, b.role2, b.role1, b.role2, b.out, kFs, recordsAt (resolution));
}

std::unique_ptr<BlendProcessor> engineAt (int resolution)
{
    return harness::preparedEngine (kFs, 2, kBlock, recordsAt (resolution));
}

std::vector<float> render (BlendMode mode, int resolution, int blocks)
{
    auto engine = engineAt (resolution);
    std::vector<float> all;
    for (int i = 0; i < blocks; ++i)
    {
        Block b (i * kBlock);
        process (*engine, mode, resolution, b);
        all.insert (all.end(), b.out.getReadPointer (0), b.out.getReadPointer (0) + kBlock);
    }
    return all;
}

constexpr BlendMode kFrameModes[] = { ClassicVocoder, FFTVocoder, DistortedVocoder, FrequencySplice,
                                      SpectralGate,   PhaseSwap,  BinInterleave };
} // namespace

TEST (FrameModesInEngine, ResolutionsTenToTwelveAllGiveTheClassicBank1024Bands)
{
    for (const BlendMode mode : { ClassicVocoder, DistortedVocoder })
    {
        SCOPED_TRACE (mode == ClassicVocoder ? "Classic" : "Distorted");
        const auto at10 = render (mode, 10, 3);
        EXPECT_NE (render (mode, 9, 3), at10);
        if (mode == ClassicVocoder)
        {
            EXPECT_EQ (render (mode, 11, 3), at10);
            EXPECT_EQ (render (mode, 12, 3), at10);
        }
    }
}

TEST (FrameModesInEngine, EveryFrameModeSoundsAndStaysFinite)
{
    for (const BlendMode mode : kFrameModes)
    {
        SCOPED_TRACE ("BlendMode " + std::to_string (static_cast<int> (mode)));
        const auto out = render (mode, 7, 12);
        double energy = 0.0;
        for (const float v : out)
        {
            ASSERT_TRUE (std::isfinite (v));
            energy += static_cast<double> (v) * v;
        }
        EXPECT_GT (energy, 1.0e-3);
    }
}

TEST (FrameModesInEngine, PreparedModesDoNotAllocateWhileProcessing)
{
    const int resolution = 7;
    auto engine = engineAt (resolution);
    Block b (0);
    for (const BlendMode mode : kFrameModes)
    {
        SCOPED_TRACE ("BlendMode " + std::to_string (static_cast<int> (mode)));
        allocations = 0;
        armed = true;
        for (int i = 0; i < 20; ++i)
            process (*engine, mode, resolution, b);
        armed = false;
        EXPECT_EQ (allocations.load(), 0);
    }

    // Every frame size was built in preparation: a new resolution, and the crossover to it,
    // allocate nothing either.
    for (const BlendMode mode : kFrameModes)
    {
        SCOPED_TRACE ("BlendMode " + std::to_string (static_cast<int> (mode)) + " with resolution changes");
        allocations = 0;
        armed = true;
        for (int i = 0; i < 40; ++i)
            process (*engine, mode, (resolution + 5 * i) % 13, b);
        armed = false;
        EXPECT_EQ (allocations.load(), 0);
    }
}
