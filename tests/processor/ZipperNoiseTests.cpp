#include <gtest/gtest.h>

#include "params/ParamIDs.h"
#include "ProcessorTestSupport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

// Zipper noise. A host that automates a dial hands the new value over once per block; applied
// as a constant until the next block, a ramp turns into a staircase, and the steps, repeating at
// the block rate fb, put sidebands around every tone at f0 +- k fb. A 1 kHz tone plays through
// the processor while one dial sweeps through most of its range, as a host's automation ramp
// would; what lands on those sidebands, relative to the tone, is the zipper.
//
// Why those frequencies: a staircase of a ramp is the ramp plus a sawtooth at the block rate,
// whose k-th harmonic, for a relative step D per block, puts D / (2 pi k) of the tone on either
// side of it. The same per-block values joined by straight lines leave only the lines' bend at
// each block's start, second order in D, so a smooth ramp lands some 60 dB lower there (the
// first test shows the measure hearing both at their true levels).

namespace
{
constexpr double kRate = 48000.0;
constexpr double kToneHz = 1000.0;
constexpr int kTonePeriod = 48; // samples of the tone at kRate: the tone repeats exactly
constexpr float kToneAmplitude = 0.25f;
constexpr int kSweepSamples = 96000;  // the 2 s sweep, which is also what is measured
constexpr int kSettleSamples = 12000; // 0.25 s at the sweep's start value first: filters,
                                      // envelopes and delay lines settle before the window opens
constexpr int kSidebandOrders = 5;
// A sideband this close to a multiple of the tone is left out: every entry bends the tone a
// little (the soft clip alone does), so harmonics are there with a still dial too. At 64-sample
// blocks the fourth order lands on 2 and 4 kHz.
constexpr double kHarmonicGuardHz = 10.0;

// The levels the sidebands must stay under: a gain, level, depth, balance, offset or ceiling
// moves the tone's level alone; a filter, Heat or a drive also bends its shape, so a smooth ramp
// of those leaves a little more behind.
constexpr double kGainLimitDb = -90.0;
constexpr double kShapeLimitDb = -80.0;

float toneAt (long long n)
{
    return kToneAmplitude
           * static_cast<float> (std::sin (2.0 * juce::MathConstants<double>::pi
                                           * static_cast<double> (n % kTonePeriod) / kTonePeriod));
}

// Nuttall's four-term window with a continuous first derivative. Its side lobes start at
// -93 dB and fall by 18 dB an octave, so 94 Hz (188 bins of the 2 s window) from the tone its
// own leakage lies far below anything measured here. The four-term Blackman-Harris window
// starts lower but falls only 6 dB an octave: there it would sit near -120 dBc, no lower than
// what a linear ramp leaves, and the ramp could not be heard under it.
const std::vector<double>& analysisWindow()
{
    static const std::vector<double> window = [] {
        std::vector<double> w (static_cast<size_t> (kSweepSamples));
        const double step = 2.0 * juce::MathConstants<double>::pi / static_cast<double> (kSweepSamples - 1);
        for (size_t n = 0; n < w.size(); ++n)
        {
            const double x = step * static_cast<double> (n);
            w[n] = 0.355768 - 0.487396 * std::cos (x) + 0.144232 * std::cos (2.0 * x) - 0.012604 * std::cos (3.0 * x);
        }
        return w;
    }();
    return window;
}

// Magnitude of the windowed signal's correlation with a complex tone at `hz`: one bin of a
// transform, at exactly that frequency. The rotating phasor is pulled back to unit length now
// and then, so its rounding never grows into a level error.
double magnitudeAt (const std::vector<float>& y, double hz)
{
    const auto& w = analysisWindow();
    const double angle = -2.0 * juce::MathConstants<double>::pi * hz / kRate;
    const double stepRe = std::cos (angle), stepIm = std::sin (angle);
    double re = 1.0, im = 0.0, sumRe = 0.0, sumIm = 0.0;
    for (size_t n = 0; n < w.size(); ++n)
    {
        const double v = w[n] * static_cast<double> (y[n]);
        sumRe += v * re;
        sumIm += v * im;
        const double nextRe = re * stepRe - im * stepIm;
        im = re * stepIm + im * stepRe;
        re = nextRe;
        if ((n & 1023) == 1023)
        {
            const double length = std::sqrt (re * re + im * im);
            re /= length;
            im /= length;
        }
    }
    return std::sqrt (sumRe * sumRe + sumIm * sumIm);
}

// 1 kHz +- k fb, k = 1..5. A sideband below 0 Hz is heard at its mirror image (the signal is
// real), so at 64-sample blocks, where fb is 750 Hz, 1 kHz - 2 fb shows at 500 Hz: it is as much
// the steps' doing as the sidebands above the tone, and it is measured there.
std::vector<double> sidebandFrequencies (int blockSize)
{
    const double blockRate = kRate / blockSize;
    std::vector<double> result;
    for (int k = 1; k <= kSidebandOrders; ++k)
        for (const double side : { -1.0, 1.0 })
        {
            const double hz = std::abs (kToneHz + side * k * blockRate);
            const double nearestHarmonic = kToneHz * std::round (hz / kToneHz);
            if (std::abs (hz - nearestHarmonic) > kHarmonicGuardHz)
                result.push_back (hz);
        }
    return result;
}

struct SidebandLevel
{
    double db;       // the strongest sideband relative to the tone
    double hz;       // where it lies
    double tonePeak; // the tone's amplitude, averaged over the window
};

SidebandLevel strongestSideband (const std::vector<float>& y, int blockSize)
{
    const auto& w = analysisWindow();
    double windowSum = 0.0;
    for (const double v : w)
        windowSum += v;

    const double tone = magnitudeAt (y, kToneHz);
    SidebandLevel level { -400.0, 0.0, 2.0 * tone / windowSum };
    for (const double hz : sidebandFrequencies (blockSize))
    {
        const double db = 20.0 * std::log10 (std::max (magnitudeAt (y, hz), 1.0e-30) / std::max (tone, 1.0e-30));
        if (db > level.db)
            level = { db, hz, level.tonePeak };
    }
    return level;
}

std::string dbText (double db)
{
    std::ostringstream text;
    text << std::fixed << std::setprecision (1) << db;
    return text.str();
}

// ---- The dials ----

enum class Audio2
{
    silence,
    dc,  // a constant, `audio2Level`
    tone // Audio 1's tone, at the amplitude `audio2Level`
};

struct Setting
{
    const char* id;
    float value;
};

// One dial in one entry: swept from `from` to `to`, with Audio 2 and the other settings chosen
// so that the output, the dial held still anywhere on the way, is a steady tone.
struct DialCase
{
    const char* dial;
    const char* entry;
    int direction;
    float from, to;
    Audio2 audio2;
    float audio2Level;
    std::vector<Setting> settings;
    double limitDb;
};

// The blend of Audio 1 alone: Add with a silent Audio 2 passes the tone, so the output stage
// has a steady tone to work on.
const char* const kPlainBlend = "Add";

// Left out:
// - Scrub's scale and bias set the playhead's speed: any value but the one that cancels Audio 2
//   plays the tone at another pitch, and while either moves the pitch glides, so no setting
//   gives a steady tone to hear the steps against.
// - The frame modes (the FFT vocoder, Frequency Splice, Spectral Gate, Phase Swap, Bin
//   Interleave) and their dials work on whole transform frames, whose hop makes steps of its
//   own; Probabilistic switches at random. Neither gives a steady tone.
// - The attack, release and smoothing times shape how a signal is followed, not how loud it is:
//   with the steady inputs these cases need they leave the tone as it is.
// FM's read point is where most of its dials show: with a constant Audio 2 as the modulator,
// depth, drive and window all set how far behind the tone is read, and a step of that is a step
// of the tone's phase.
const std::vector<DialCase>& dialCases()
{
    static const std::vector<DialCase> cases = {
        // The output stage.
        { ParamIDs::outputVolDb, kPlainBlend, OneToTwo, -6.0f, -18.0f, Audio2::silence, 0.0f, {}, kGainLimitDb },
        // Both signals dry at full level sum to 0.5, which the ceiling's tanh squeezes harder and
        // harder as it comes down.
        { ParamIDs::clipCeilingDb, kPlainBlend, OneToTwo, 0.0f, -12.0f, Audio2::tone, kToneAmplitude,
          { { ParamIDs::fxLevel, 0.0f }, { ParamIDs::sig1Level, 100.0f }, { ParamIDs::sig2Level, 100.0f } },
          kGainLimitDb },
        { ParamIDs::fxLevel, kPlainBlend, OneToTwo, 100.0f, 20.0f, Audio2::silence, 0.0f, {}, kGainLimitDb },
        { ParamIDs::sig1Level, kPlainBlend, OneToTwo, 10.0f, 90.0f, Audio2::silence, 0.0f,
          { { ParamIDs::fxLevel, 0.0f } }, kGainLimitDb },
        { ParamIDs::sig2Level, kPlainBlend, OneToTwo, 10.0f, 90.0f, Audio2::tone, kToneAmplitude,
          { { ParamIDs::fxLevel, 0.0f } }, kGainLimitDb },
        { ParamIDs::fxLowCut, kPlainBlend, OneToTwo, 40.0f, 1500.0f, Audio2::silence, 0.0f, {}, kShapeLimitDb },
        { ParamIDs::fxHiCut, kPlainBlend, OneToTwo, 12000.0f, 500.0f, Audio2::silence, 0.0f, {}, kShapeLimitDb },
        // From 20 %: at 0 Heat is bypassed.
        { ParamIDs::heat, kPlainBlend, OneToTwo, 20.0f, 180.0f, Audio2::silence, 0.0f, {}, kShapeLimitDb },

        // The math chain, on Audio 1 alone where Audio 2 has no part. Balance weighs Audio 1 by
        // 2 (1 - balance); Rectify fades the tone into its half-wave rectified self, whose
        // fundamental is half as strong.
        { ParamIDs::mathBalance, "Add", OneToTwo, 20.0f, 80.0f, Audio2::silence, 0.0f, {}, kGainLimitDb },
        { ParamIDs::mathTilt, "Add", OneToTwo, -80.0f, 80.0f, Audio2::silence, 0.0f, {}, kShapeLimitDb },
        // Balance at 95 % leaves a quiet tone (0.025): there Drive is mostly a gain, 30 dB in and
        // 10 dB made up, before it bends the tone towards a square.
        { ParamIDs::mathDrive, "Add", OneToTwo, 10.0f, 90.0f, Audio2::silence, 0.0f,
          { { ParamIDs::mathBalance, 95.0f } }, kShapeLimitDb },
        { ParamIDs::mathRectify, "Add", OneToTwo, 10.0f, 90.0f, Audio2::silence, 0.0f, {}, kGainLimitDb },
        // Divided by a constant 0.3, the tone reaches 0.83 (inside Divide's own +-1 limit) and goes
        // on into Tame's limiter, whose ceiling comes down from 0.92 to 0.24.
        { ParamIDs::mathTame, "Divide", OneToTwo, 10.0f, 90.0f, Audio2::dc, 0.3f, {}, kGainLimitDb },
        // Ring modulation of the tone by a constant: (0.1 + offset) times the tone.
        { ParamIDs::mathDCOffset, "Ring Modulation (RM)", TwoToOne, 10.0f, 80.0f, Audio2::dc, 0.1f, {},
          kGainLimitDb },

        // The envelope modes: a constant Audio 2 holds the follower still, so the tone (Audio 1,
        // as role 2) plays at one gain. Duck: 1 - depth (4 x 0.125 - threshold) / (1 - threshold);
        // Follow: 1 - depth + depth (0.5 - threshold) / (1 - threshold).
        { ParamIDs::scDepth, "Sidechain Duck", TwoToOne, 10.0f, 90.0f, Audio2::dc, 0.125f, {}, kGainLimitDb },
        { ParamIDs::scThreshold, "Sidechain Duck", TwoToOne, 0.0f, 40.0f, Audio2::dc, 0.125f, {}, kGainLimitDb },
        { ParamIDs::scDepth, "Amplitude Follow", TwoToOne, 10.0f, 90.0f, Audio2::dc, 0.5f, {}, kGainLimitDb },
        { ParamIDs::scThreshold, "Amplitude Follow", TwoToOne, 0.0f, 40.0f, Audio2::dc, 0.5f, {}, kGainLimitDb },

        // AM with the LFO off: (0.5 depth + offset) times the tone.
        { ParamIDs::amDepth, "Amplitude Modulation (AM)", TwoToOne, 10.0f, 90.0f, Audio2::dc, 0.5f,
          { { ParamIDs::amDCOffset, 10.0f } }, kGainLimitDb },
        { ParamIDs::amDCOffset, "Amplitude Modulation (AM)", TwoToOne, 10.0f, 90.0f, Audio2::dc, 0.5f,
          { { ParamIDs::amDepth, 50.0f } }, kGainLimitDb },

        // FM: the tone read depth x drive x 0.1 x (half the window) samples behind the centre,
        // 2.4 to 21.6 samples on each sweep. Feedback instead modulates the read point with the
        // tone itself, a steady phase modulation whose index the dial sets.
        { ParamIDs::fmDepth, "Frequency Modulation (FM)", TwoToOne, 10.0f, 90.0f, Audio2::dc, 0.1f, {},
          kGainLimitDb },
        { ParamIDs::wsDrive, "Frequency Modulation (FM)", TwoToOne, 20.0f, 180.0f, Audio2::dc, 0.1f,
          { { ParamIDs::fmDepth, 50.0f } }, kShapeLimitDb },
        { ParamIDs::wsWindow, "Frequency Modulation (FM)", TwoToOne, 2.0f, 18.0f, Audio2::dc, 0.1f,
          { { ParamIDs::fmDepth, 50.0f } }, kGainLimitDb },
        { ParamIDs::fmFeedback, "Frequency Modulation (FM)", TwoToOne, 10.0f, 90.0f, Audio2::silence, 0.0f,
          { { ParamIDs::fmDepth, 30.0f } }, kShapeLimitDb },

        // The filter-bank vocoders with Audio 1's tone as the carrier and the same tone, much
        // quieter, on Audio 2 as the modulator: the envelopes settle on it, and the sum stays
        // clear of the soft clip (and, at the Distorted Vocoder's lower drives, of its tanh). The
        // dials then set the gain of the bands around the tone (HF Emphasis grows with the band)
        // or how hard the sum is driven into tanh (x 0.1 to x 1).
        { ParamIDs::hfEmphasis, "Classic Vocoder", TwoToOne, -12.0f, 12.0f, Audio2::tone, 0.02f, {},
          kShapeLimitDb },
        { ParamIDs::vocDrive, "Distorted Vocoder", TwoToOne, 0.0f, 50.0f, Audio2::tone, 0.002f, {},
          kShapeLimitDb },
    };
    return cases;
}

std::string caseName (const DialCase& c, int blockSize)
{
    return std::string (c.dial) + " in " + c.entry + ", " + std::to_string (blockSize) + "-sample blocks";
}

enum class Motion
{
    sweeps,
    restsAtStart, // at `from` all along
    restsAtEnd    // at `to` all along
};

// Plays the tone through a processor hosted at 48 kHz: Audio 1 the tone on both channels,
// Audio 2 as the case asks. A sweeping dial rests at `from` while things settle, then moves as a
// host moves it: before each block, to where the ramp is at the block's first sample. Returns
// the left output over the sweep.
std::vector<float> render (const DialCase& c, int blockSize, Motion motion)
{
    const bool sweep = motion == Motion::sweeps;
    QuorvaneAudioProcessor processor;
    HostedProcessor host (processor);
    host.setRaw (ParamIDs::mode, static_cast<float> (modeIndexOf (c.entry)));
    host.setRaw (ParamIDs::direction, static_cast<float> (c.direction));
    for (const auto& s : c.settings)
        host.setRaw (s.id, s.value);
    host.setRaw (c.dial, motion == Motion::restsAtEnd ? c.to : c.from);
    host.prepare (kRate, blockSize);

    juce::AudioBuffer<float> buffer (host.bufferChannels(), blockSize);
    std::vector<float> out;
    out.reserve (static_cast<size_t> (kSweepSamples + blockSize));
    const long long settle = (kSettleSamples + blockSize - 1) / blockSize * blockSize;
    for (long long start = 0; static_cast<int> (out.size()) < kSweepSamples; start += blockSize)
    {
        const long long swept = start - settle;
        if (sweep && swept >= 0)
        {
            const double t = std::min (1.0, static_cast<double> (swept) / kSweepSamples);
            host.setRaw (c.dial, static_cast<float> (c.from + (c.to - c.from) * t));
        }
        for (int j = 0; j < blockSize; ++j)
        {
            const float tone = toneAt (start + j);
            const float audio2 = c.audio2 == Audio2::tone ? tone * (c.audio2Level / kToneAmplitude)
                                                         : (c.audio2 == Audio2::dc ? c.audio2Level : 0.0f);
            buffer.setSample (0, j, tone);
            buffer.setSample (1, j, tone);
            buffer.setSample (2, j, audio2);
            buffer.setSample (3, j, audio2);
        }
        host.process (buffer);
        if (swept >= 0)
            out.insert (out.end(), buffer.getReadPointer (0), buffer.getReadPointer (0) + blockSize);
    }
    out.resize (static_cast<size_t> (kSweepSamples));
    return out;
}

// Keys for --gtest_output=xml, where every level is kept, passing or not.
std::string propertyKey (const DialCase& c, int blockSize, const char* what)
{
    std::string key = std::string (what) + "_" + c.dial + "_";
    for (const char* t = c.entry; *t != 0; ++t)
        if (std::isalnum (static_cast<unsigned char> (*t)))
            key += *t;
    return key + "_" + std::to_string (blockSize);
}

// ---- Synthetic signals for the measure itself ----

// The volume ride of the issue, -6 to -18 dB over the sweep, on the tone: as a staircase held
// from each block's first sample, or drawn straight (in gain) from one block's value to the next.
enum class Ride
{
    still,
    staircase,
    linear
};

std::vector<float> rideTone (Ride ride, int blockSize)
{
    auto gainAt = [] (long long n) {
        const double t = std::min (1.0, static_cast<double> (n) / kSweepSamples);
        return std::pow (10.0, (-6.0 - 12.0 * t) / 20.0);
    };
    std::vector<float> y (static_cast<size_t> (kSweepSamples));
    for (int n = 0; n < kSweepSamples; ++n)
    {
        const long long first = n / blockSize * blockSize;
        const double within = static_cast<double> (n - first) / blockSize;
        double gain = gainAt (0);
        if (ride == Ride::staircase)
            gain = gainAt (first);
        else if (ride == Ride::linear)
            gain = gainAt (first) + (gainAt (first + blockSize) - gainAt (first)) * within;
        y[static_cast<size_t> (n)] = static_cast<float> (gain * toneAt (n));
    }
    return y;
}

// Sidebands of the ride for a step of D nepers per block. The staircase: the first harmonic of
// the sawtooth, D / (2 pi) on either side. The straight segments miss the exponential by
// D^2 / 2 x u (1 - u) within each block, whose first harmonic is D^2 / (2 pi^2), half of it on
// either side.
double rideStepNepers (int blockSize)
{
    return 12.0 / 20.0 * std::log (10.0) * blockSize / kSweepSamples;
}

double staircaseSidebandDb (int blockSize)
{
    return 20.0 * std::log10 (rideStepNepers (blockSize) / (2.0 * juce::MathConstants<double>::pi));
}

double linearSidebandDb (int blockSize)
{
    const double d = rideStepNepers (blockSize);
    return 20.0 * std::log10 (d * d / (4.0 * juce::MathConstants<double>::pi * juce::MathConstants<double>::pi));
}
} // namespace

TEST (ZipperNoise, TheMeasureTellsAStaircaseFromALinearRamp)
{
    for (const int blockSize : { 512, 64 })
    {
        SCOPED_TRACE (std::to_string (blockSize) + "-sample blocks");

        // A steady tone leaks nothing onto the sidebands: the window keeps its own skirt far
        // below everything measured.
        EXPECT_LT (strongestSideband (rideTone (Ride::still, blockSize), blockSize).db, -150.0);

        // The staircase: -58.6 dBc at 512-sample blocks, eight times (18 dB) less at 64.
        const auto staircase = strongestSideband (rideTone (Ride::staircase, blockSize), blockSize);
        EXPECT_NEAR (staircase.db, staircaseSidebandDb (blockSize), 1.0) << "at " << staircase.hz << " Hz";

        // The linear ramp: -117.2 dBc at 512-sample blocks, 36 dB less at 64. The measure hears
        // it at its true level, so the steps the sweeps below listen for stand some 60 dB above
        // what a smooth ramp leaves.
        const auto linear = strongestSideband (rideTone (Ride::linear, blockSize), blockSize);
        EXPECT_NEAR (linear.db, linearSidebandDb (blockSize), 1.5) << "at " << linear.hz << " Hz";
    }
}

// The control: with the dial at rest at either end of its sweep, each case is a steady tone,
// whose sidebands lie far below the limit. Otherwise a failure of the sweep below could be the
// setup's, not the dial's.
TEST (ZipperNoise, StillDialsGiveASteadyTone)
{
    for (const auto& c : dialCases())
        for (const int blockSize : { 512, 64 })
            for (const auto motion : { Motion::restsAtStart, Motion::restsAtEnd })
            {
                const bool atStart = motion == Motion::restsAtStart;
                const auto level = strongestSideband (render (c, blockSize, motion), blockSize);
                ::testing::Test::RecordProperty (propertyKey (c, blockSize, atStart ? "still0" : "still1"),
                                                 dbText (level.db));
                std::ostringstream where;
                where << caseName (c, blockSize) << ", dial still at " << (atStart ? c.from : c.to);
                EXPECT_GT (level.tonePeak, 0.001) << where.str() << ": the tone does not come through";
                EXPECT_LE (level.db, c.limitDb - 20.0)
                    << where.str() << ": " << dbText (level.db) << " dBc at " << level.hz << " Hz";
            }
}

TEST (ZipperNoise, AutomatedDialsMoveWithoutBlockRateSidebands)
{
    for (const auto& c : dialCases())
        for (const int blockSize : { 512, 64 })
        {
            const auto level = strongestSideband (render (c, blockSize, Motion::sweeps), blockSize);
            ::testing::Test::RecordProperty (propertyKey (c, blockSize, "swept"), dbText (level.db));
            EXPECT_GT (level.tonePeak, 0.001) << caseName (c, blockSize) << ": the tone does not come through";
            EXPECT_LE (level.db, c.limitDb) << caseName (c, blockSize) << ", swept " << c.from << " to " << c.to
                                            << ": block-rate sideband at " << dbText (level.db) << " dBc ("
                                            << level.hz << " Hz), limit " << c.limitDb << " dBc";
        }
}
