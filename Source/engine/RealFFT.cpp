#include "engine/RealFFT.h"

#include <juce_dsp/juce_dsp.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>

#if QUORVANE_HAS_FFTW
 #include <fftw3.h>
#endif

namespace
{
#if QUORVANE_HAS_FFTW
// The forward and inverse plans of one size: in place (the JUCE layout keeps the spectrum in
// the sample buffer) and out of place, all planned on FFTW-aligned memory; they run on any
// buffers with the same alignment through the new-array execute calls.
struct PlanPair
{
    fftwf_plan forward = nullptr;
    fftwf_plan inverse = nullptr;
    fftwf_plan forwardOut = nullptr;
    fftwf_plan inverseOut = nullptr;

    bool complete() const noexcept
    {
        return forward != nullptr && inverse != nullptr && forwardOut != nullptr && inverseOut != nullptr;
    }

    void destroy() noexcept
    {
        for (auto* plan : { forward, inverse, forwardOut, inverseOut })
            if (plan != nullptr)
                fftwf_destroy_plan (plan);
    }
};

// FFTW's planner is not thread-safe; every plan of the process is made under this lock.
std::mutex& planLock()
{
    static std::mutex lock;
    return lock;
}

// One plan pair per order, made on first use and kept for the life of the process. Looking a
// plan up is a single atomic load, so an existing size never takes the lock.
std::array<std::atomic<const PlanPair*>, RealFFT::kMaxPlannedOrder + 1>& planCache()
{
    static std::array<std::atomic<const PlanPair*>, RealFFT::kMaxPlannedOrder + 1> cache {};
    return cache;
}

const PlanPair* plansFor (int order)
{
    if (order < 0 || order > RealFFT::kMaxPlannedOrder)
        return nullptr;
    auto& slot = planCache()[static_cast<size_t> (order)];
    if (const auto* existing = slot.load (std::memory_order_acquire))
        return existing;

    const std::lock_guard<std::mutex> guard (planLock());
    if (const auto* existing = slot.load (std::memory_order_acquire))
        return existing;

    const int n = 1 << order;
    auto* buffer = fftwf_alloc_real (static_cast<size_t> (2 * n));
    auto* samples = fftwf_alloc_real (static_cast<size_t> (n));
    if (buffer == nullptr || samples == nullptr)
    {
        fftwf_free (buffer);
        fftwf_free (samples);
        return nullptr;
    }
    auto* spectrum = reinterpret_cast<fftwf_complex*> (buffer);
    // FFTW_ESTIMATE: measured plans take up to a second per size to make and gain little at
    // these sizes; estimated ones take microseconds to milliseconds. FFTW_NO_BUFFERING: the
    // plans run on the audio thread, and the buffered algorithms FFTW would otherwise choose for
    // the inverse of 128 points and up allocate their buffers on every execution.
    constexpr unsigned flags = FFTW_ESTIMATE | FFTW_NO_BUFFERING;
    auto* pair = new PlanPair { fftwf_plan_dft_r2c_1d (n, buffer, spectrum, flags),
                                fftwf_plan_dft_c2r_1d (n, spectrum, buffer, flags),
                                fftwf_plan_dft_r2c_1d (n, samples, spectrum, flags),
                                fftwf_plan_dft_c2r_1d (n, spectrum, samples, flags) };
    fftwf_free (buffer);
    fftwf_free (samples);
    if (! pair->complete())
    {
        pair->destroy();
        delete pair;
        return nullptr;
    }
    slot.store (pair, std::memory_order_release);
    return pair;
}
#endif
} // namespace

struct RealFFT::FftwState
{
#if QUORVANE_HAS_FFTW
    const PlanPair* plans = nullptr;
    float* scratch = nullptr; // 3N aligned floats, for buffers whose alignment differs from the plans'

    ~FftwState()
    {
        if (scratch != nullptr)
            fftwf_free (scratch);
    }

    // Runs `execute` on `data` in place when its alignment matches the plans', otherwise on a
    // copy in the aligned scratch buffer; `count` floats are copied in and out.
    template <typename Fn>
    void run (float* data, int countIn, int countOut, Fn&& execute) noexcept
    {
        if (fftwf_alignment_of (data) == 0)
        {
            execute (data);
            return;
        }
        std::memcpy (scratch, data, static_cast<size_t> (countIn) * sizeof (float));
        execute (scratch);
        std::memcpy (data, scratch, static_cast<size_t> (countOut) * sizeof (float));
    }
#endif
};

RealFFT::RealFFT (int orderToUse, Engine preferred) : order (std::max (0, orderToUse)), engine (Engine::juce)
{
#if QUORVANE_HAS_FFTW
    if (preferred == Engine::fftw)
    {
        if (const auto* plans = plansFor (order))
        {
            fftw = new FftwState();
            fftw->plans = plans;
            fftw->scratch = fftwf_alloc_real (static_cast<size_t> (3 * getSize()));
            if (fftw->scratch != nullptr)
                engine = Engine::fftw;
            else
                releaseFftw();
        }
    }
#else
    juce::ignoreUnused (preferred);
#endif
    if (engine == Engine::juce)
        juceFft = std::make_unique<juce::dsp::FFT> (order);
}

void RealFFT::releaseFftw() noexcept
{
    delete fftw;
    fftw = nullptr;
}

void RealFFT::forward (float* data) noexcept
{
#if QUORVANE_HAS_FFTW
    if (engine == Engine::fftw)
    {
        const int n = getSize();
        fftw->run (data, n, n + 2, [this] (float* d) {
            fftwf_execute_dft_r2c (fftw->plans->forward, d, reinterpret_cast<fftwf_complex*> (d));
        });
        return;
    }
#endif
    juceFft->performRealOnlyForwardTransform (data, true);
}

void RealFFT::inverse (float* data) noexcept
{
#if QUORVANE_HAS_FFTW
    if (engine == Engine::fftw)
    {
        const int n = getSize();
        fftw->run (data, n + 2, n, [this] (float* d) {
            fftwf_execute_dft_c2r (fftw->plans->inverse, reinterpret_cast<fftwf_complex*> (d), d);
        });
        // FFTW's inverse is unnormalised; JUCE's divides by N, and the frame code expects that.
        juce::FloatVectorOperations::multiply (data, 1.0f / static_cast<float> (n), n);
        return;
    }
#endif
    juceFft->performRealOnlyInverseTransform (data);
}

namespace
{
bool isAligned (const void* p) noexcept { return reinterpret_cast<uintptr_t> (p) % RealFFT::kAlignment == 0; }
} // namespace

// The out-of-place calls run FFTW's out-of-place plans whatever the alignment, through aligned
// scratch copies where needed (the spectrum in scratch[0..2N), the samples in scratch[2N..3N)),
// so a buffer's alignment never changes the result.
void RealFFT::forward (const float* in, float* spectrum) noexcept
{
    const int n = getSize();
#if QUORVANE_HAS_FFTW
    if (engine == Engine::fftw)
    {
        float* samples = const_cast<float*> (in); // the r2c plans leave their input alone
        if (! isAligned (in))
        {
            samples = fftw->scratch + 2 * n;
            std::memcpy (samples, in, static_cast<size_t> (n) * sizeof (float));
        }
        float* bins = isAligned (spectrum) ? spectrum : fftw->scratch;
        fftwf_execute_dft_r2c (fftw->plans->forwardOut, samples, reinterpret_cast<fftwf_complex*> (bins));
        if (bins != spectrum)
            std::memcpy (spectrum, bins, static_cast<size_t> (n + 2) * sizeof (float));
        return;
    }
#endif
    std::memcpy (spectrum, in, static_cast<size_t> (n) * sizeof (float));
    forward (spectrum);
}

void RealFFT::inverseTimesN (float* spectrum, float* out) noexcept
{
    const int n = getSize();
#if QUORVANE_HAS_FFTW
    if (engine == Engine::fftw)
    {
        float* bins = spectrum;
        if (! isAligned (spectrum))
        {
            bins = fftw->scratch;
            std::memcpy (bins, spectrum, static_cast<size_t> (n + 2) * sizeof (float));
        }
        float* samples = isAligned (out) ? out : fftw->scratch + 2 * n;
        fftwf_execute_dft_c2r (fftw->plans->inverseOut, reinterpret_cast<fftwf_complex*> (bins), samples);
        if (samples != out)
            std::memcpy (out, samples, static_cast<size_t> (n) * sizeof (float));
        return;
    }
#endif
    // The in-place inverse divides by N; multiplying back by a power of two is exact.
    inverse (spectrum);
    juce::FloatVectorOperations::multiply (out, spectrum, static_cast<float> (n), n);
}

bool RealFFT::isAvailable (Engine e) noexcept
{
#if QUORVANE_HAS_FFTW
    juce::ignoreUnused (e);
    return true;
#else
    return e == Engine::juce;
#endif
}

namespace
{
std::atomic<RealFFT::Engine>& chosenDefault() noexcept
{
    static std::atomic<RealFFT::Engine> engine { RealFFT::isAvailable (RealFFT::Engine::fftw) ? RealFFT::Engine::fftw
                                                                                               : RealFFT::Engine::juce };
    return engine;
}
} // namespace

RealFFT::Engine RealFFT::defaultEngine() noexcept { return chosenDefault().load (std::memory_order_relaxed); }

void RealFFT::setDefaultEngine (Engine e) noexcept
{
    if (isAvailable (e))
        chosenDefault().store (e, std::memory_order_relaxed);
}

const char* RealFFT::engineName (Engine e) noexcept { return e == Engine::fftw ? "FFTW" : "JUCE"; }

void RealFFT::preparePlans (int minOrder, int maxOrder)
{
#if QUORVANE_HAS_FFTW
    for (int o = std::max (0, minOrder); o <= std::min (maxOrder, kMaxPlannedOrder); ++o)
        plansFor (o);
#else
    juce::ignoreUnused (minOrder, maxOrder);
#endif
}
