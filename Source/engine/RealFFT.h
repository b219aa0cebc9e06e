#pragma once

#include <juce_dsp/juce_dsp.h>

#include <memory>

// Real-only FFT of one power-of-two size, with the data layout and scaling of JUCE's
// juce::dsp::FFT real-only transforms, so the frame code does not care which engine runs:
//
// - `forward`: data[0..N-1] holds N real samples; afterwards data[0..N+1] holds bins 0..N/2 as
//   interleaved real and imaginary parts, unscaled. What is left in data[N+2..2N-1] depends on
//   the engine (JUCE writes the mirrored negative frequencies there, FFTW leaves it alone).
// - `inverse`: reads bins 0..N/2 from data[0..N+1] (the imaginary parts of DC and Nyquist are
//   ignored, as for a real signal) and writes the N real samples, divided by N, to data[0..N-1].
//   data[N..2N-1] is left unspecified.
//
// The buffer passed to either call must hold 2N floats, like JUCE's.
//
// The frame code uses the out-of-place pair instead, which FFTW runs markedly faster (its
// in-place real transforms shuffle the data through extra passes):
// - `forward (in, spectrum)`: the N samples of `in` (left untouched) to bins 0..N/2 in
//   spectrum[0..N+1], as above. `spectrum` holds 2N floats.
// - `inverseTimesN (spectrum, out)`: the N real samples of bins 0..N/2, multiplied by N (that is,
//   not divided: the caller folds 1/N into its synthesis window, exactly, as N is a power of
//   two), into out[0..N-1]. `spectrum` (2N floats) is overwritten.
// Buffers aligned to kAlignment bytes run straight through FFTW; others go through aligned
// copies, with bit-identical results.
//
// FFTW (single precision) is used when the build found it; JUCE's own FFT is the fallback and
// stays available, so the two can be checked against each other. FFTW's plans are made once per
// size and process, under a global lock, and are shared by every instance: executing a shared
// plan on different arrays from several threads is safe, planning is not. Transforms never
// allocate or lock.
class RealFFT
{
public:
    enum class Engine
    {
        fftw,
        juce
    };

    // Largest order the FFTW plan cache holds; larger sizes use JUCE's FFT.
    static constexpr int kMaxPlannedOrder = 16;

    // Allocates, and plans on first use of this size (see preparePlans).
    explicit RealFFT (int order, Engine preferred = defaultEngine());

    // Inline on purpose: every program that destroys an engine then refers to JUCE's FFT from
    // its own objects, which makes the linker keep JUCE's dsp module code that the fallback
    // needs, whichever library brings that code (the plug-in or the DSP-only runtime).
    ~RealFFT() { releaseFftw(); }

    RealFFT (const RealFFT&) = delete;
    RealFFT& operator= (const RealFFT&) = delete;

    int getOrder() const noexcept { return order; }
    int getSize() const noexcept { return 1 << order; }
    Engine getEngine() const noexcept { return engine; }

    void forward (float* data) noexcept;
    void inverse (float* data) noexcept;

    static constexpr size_t kAlignment = 64;
    void forward (const float* in, float* spectrum) noexcept;
    void inverseTimesN (float* spectrum, float* out) noexcept;

    static bool isAvailable (Engine) noexcept;

    // The engine new instances use unless told otherwise: FFTW when built in. Tests and the
    // benchmark switch it to compare both engines on the same input; an unavailable choice is
    // ignored. Affects only instances made afterwards (banks pick it up when they rebuild).
    static Engine defaultEngine() noexcept;
    static void setDefaultEngine (Engine) noexcept;
    static const char* engineName (Engine) noexcept;

    // Makes the FFTW plans of every order in minOrder..maxOrder that do not exist yet, so that a
    // later change of size (a bank rebuilt on the audio thread) finds its plan ready instead of
    // planning there. Does nothing without FFTW. Call from preparation, never from the audio
    // thread.
    static void preparePlans (int minOrder, int maxOrder);

private:
    struct FftwState;
    void releaseFftw() noexcept;

    int order;
    Engine engine;
    std::unique_ptr<juce::dsp::FFT> juceFft;
    FftwState* fftw = nullptr; // owned; defined where FFTW is visible
};
