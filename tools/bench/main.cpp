// quorvane-bench: how fast each blend entry runs through the real plug-in path.
//
// The processor is driven as a host would drive it: stereo main input and stereo sidechain in one
// 4-channel buffer, 512-sample blocks at 48 kHz, parameters set through the parameter tree. For
// every entry at default parameters, and for the frame-based modes and vocoders also at
// resolution 3, 7, 10 and 12, it reports the realtime factor: seconds of stereo audio processed
// per second of CPU time spent inside processBlock on this thread.
//
// Each case also runs on digital silence after a second of loud input, where decaying filters
// and envelopes would sink into denormal numbers if they were not flushed; that speed should stay
// within 20 % of the speed on music.
//
// --fft and --isa select the FFT engine of the frame modes and the instruction-set build of the
// engine's passes, to compare them in one run (the defaults are the fastest available). --block
// sets the host's block size (512 by default); the time-domain entries are then also measured at
// 64-sample blocks, where a fixed cost per block shows.
//
//   quorvane-bench [--seconds S] [--repeats R] [--only NAME|INDEX] [--no-silence] [--block N]
//                  [--fft fftw|juce] [--isa baseline|avx2|avx512] [--json]

#include "params/BlendModeRegistry.h"
#include "params/ParamIDs.h"
#include "processor/PluginProcessor.h"
#include "engine/RealFFT.h"
#include "engine/SimdIsa.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr int kDefaultBlockSize = 512;
// The small block of the second column: hosts at low latency call with 64 samples.
constexpr int kSmallBlockSize = 64;
constexpr int kMaxBlockSize = 8192;

double threadCpuSeconds()
{
    timespec ts {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double> (ts.tv_sec) + static_cast<double> (ts.tv_nsec) * 1.0e-9;
}

// Stereo test material: a voice-like modulated noise for the main input and a chord of
// sawtooth waves for the sidechain.
struct Material
{
    std::vector<float> voice[2], chord[2];
    float loudGain = 1.0f; // brings the louder of the two to full scale

    explicit Material (int length)
    {
        uint32_t seed = 0x1234567u;
        float lp[2] = {};
        const double saws[] = { 110.0, 138.59, 164.81, 220.0 };
        for (int c = 0; c < 2; ++c)
        {
            voice[c].resize (static_cast<size_t> (length));
            chord[c].resize (static_cast<size_t> (length));
        }
        for (int t = 0; t < length; ++t)
        {
            const double syllable = 0.5 + 0.5 * std::sin (2.0 * 3.141592653589793 * 4.0 * t / kSampleRate);
            for (int c = 0; c < 2; ++c)
            {
                seed = seed * 1664525u + 1013904223u;
                const float white = static_cast<float> (seed >> 8) / 8388608.0f - 1.0f;
                lp[c] += 0.25f * (white - lp[c]);
                voice[c][static_cast<size_t> (t)] = static_cast<float> (0.7 * syllable * syllable) * lp[c];

                double x = 0.0;
                for (const double f : saws)
                {
                    const double phase = f * (c == 0 ? 1.0 : 1.003) * t / kSampleRate;
                    x += 2.0 * (phase - std::floor (phase)) - 1.0;
                }
                chord[c][static_cast<size_t> (t)] = static_cast<float> (0.15 * x);
            }
        }
        float peak = 0.0f;
        for (int c = 0; c < 2; ++c)
            for (const auto* v : { &voice[c], &chord[c] })
                for (const float x : *v)
                    peak = std::max (peak, std::abs (x));
        loudGain = peak > 0.0f ? 1.0f / peak : 1.0f;
    }
};

void setRaw (QuorvaneAudioProcessor& p, const char* id, float raw)
{
    auto* param = p.parameters.getParameter (id);
    if (param == nullptr)
    {
        std::fprintf (stderr, "unknown parameter %s\n", id);
        std::exit (1);
    }
    param->setValueNotifyingHost (param->convertTo0to1 (raw));
}

struct Result
{
    std::string name;
    int resolution;     // -1: the default
    double realtime;    // median over the repeats
    double silence;     // the same on digital silence after loud input; 0: not measured
    double small;       // the same at 64-sample blocks; 0: not measured
    double goal;        // 0: no goal for this row
};

// Speed on silence must stay within this fraction of the speed on music.
constexpr double kSilenceTolerance = 0.2;

// Fills the host's buffer for block `b` as a host would: the material, or digital silence
// (zeros written like a host's silent buffer, not flagged as cleared).
void fillBlock (juce::AudioBuffer<float>& buffer, const Material& material, int b, int blockSize, bool silent,
                float gain)
{
    const int available = static_cast<int> (material.voice[0].size()) / blockSize;
    const size_t offset = static_cast<size_t> ((b % available) * blockSize);
    if (silent)
    {
        for (int c = 0; c < 4; ++c)
            juce::FloatVectorOperations::clear (buffer.getWritePointer (c), blockSize);
        return;
    }
    for (int c = 0; c < 2; ++c)
    {
        buffer.copyFrom (c, 0, material.voice[c].data() + offset, blockSize, gain);
        buffer.copyFrom (2 + c, 0, material.chord[c].data() + offset, blockSize, gain);
    }
}

// CPU seconds of filling `blocks` blocks and, with a processor, processing them. The clock is
// read once around the whole run: reading the thread's CPU clock is a system call that costs a
// good part of a small block's budget.
double timedRun (QuorvaneAudioProcessor* processor, juce::AudioBuffer<float>& buffer, const Material& material,
                 int firstBlock, int blocks, int blockSize, bool silent, float gain)
{
    juce::MidiBuffer midi;
    const double start = threadCpuSeconds();
    for (int b = firstBlock; b < firstBlock + blocks; ++b)
    {
        fillBlock (buffer, material, b, blockSize, silent, gain);
        if (processor != nullptr)
            processor->processBlock (buffer, midi);
    }
    return threadCpuSeconds() - start;
}

// Realtime factor of one entry at one resolution (negative: leave the default). With
// `silenceAfterLoud` the processor first gets a second of loud input (the material at full
// scale), and the timed blocks are digital silence. The time to fill the blocks is measured on
// its own and taken off.
double measure (int modeIndex, int resolution, const Material& material, double seconds, int repeats,
                int blockSize, bool silenceAfterLoud = false)
{
    std::vector<double> factors;
    for (int r = 0; r < repeats; ++r)
    {
        QuorvaneAudioProcessor processor;
        setRaw (processor, ParamIDs::mode, static_cast<float> (modeIndex));
        if (resolution >= 0)
            setRaw (processor, ParamIDs::resolution, static_cast<float> (resolution));
        processor.setRateAndBufferSizeDetails (kSampleRate, blockSize);
        processor.prepareToPlay (kSampleRate, blockSize);

        juce::AudioBuffer<float> buffer (4, blockSize);
        const int blocks = static_cast<int> (seconds * kSampleRate / blockSize);
        const int warmUp = silenceAfterLoud ? static_cast<int> (kSampleRate / blockSize)
                                            : 24 * kDefaultBlockSize / blockSize;
        const float gain = silenceAfterLoud ? material.loudGain : 1.0f;
        timedRun (&processor, buffer, material, 0, warmUp, blockSize, false, gain);
        const double total = timedRun (&processor, buffer, material, warmUp, blocks, blockSize, silenceAfterLoud, gain);
        const double feeding = timedRun (nullptr, buffer, material, warmUp, blocks, blockSize, silenceAfterLoud, gain);
        const double audio = static_cast<double> (blocks) * blockSize / kSampleRate;
        factors.push_back (audio / std::max (total - feeding, 1.0e-9));
    }
    std::sort (factors.begin(), factors.end());
    return factors[factors.size() / 2];
}

bool isVocoderBank (BlendMode m) { return m == ClassicVocoder || m == DistortedVocoder; }

bool isFftFramed (BlendMode m)
{
    return m == FFTVocoder || m == SpectralGate || m == PhaseSwap || m == BinInterleave;
}

// The entries that work sample by sample (no frames, no filter bank).
bool isTimeDomain (BlendMode m)
{
    return m == Math || m == SidechainDuck || m == AmplitudeFollow || m == AM || m == Scrub || m == Probabilistic;
}

// The resolutions measured besides the default: every frame size for the FFT-framed entries,
// a few band counts and sizes for the others with a resolution.
std::vector<int> resolutionsFor (BlendMode m)
{
    if (isFftFramed (m))
        return { 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 };
    if (isVocoderBank (m) || m == FrequencySplice)
        return { 3, 7, 10, 12 };
    return {};
}

// Goals at 48 kHz stereo; the vocoder banks have 2^resolution bands, at most 1024 (the default
// resolution gives 128).
constexpr int kDefaultResolution = 7;
double goalFor (BlendMode m, int resolution)
{
    const int r = resolution < 0 ? kDefaultResolution : resolution;
    if (isTimeDomain (m))
        return resolution < 0 ? 2000.0 : 0.0;
    if (isVocoderBank (m))
        return r >= 10 ? 30.0 : r == 7 ? 200.0 : 0.0;
    if (isFftFramed (m))
        return 600.0;
    if (m == FrequencySplice)
        return 800.0;
    if (m == FM)
        return 600.0;
    return 0.0;
}

// At small blocks the time-domain entries keep at least this share of their speed.
constexpr double kSmallBlockShare = 0.8;

std::string jsonEscape (const std::string& s)
{
    std::string out;
    for (const char ch : s)
    {
        if (ch == '"' || ch == '\\')
            out += '\\';
        out += ch;
    }
    return out;
}
// argv[i] is `option` and the next argument is one of its two values.
bool isOptionWithChoice (int argc, char** argv, int i, const char* option, const char* first, const char* second)
{
    return std::strcmp (argv[i], option) == 0 && i + 1 < argc
           && (std::strcmp (argv[i + 1], first) == 0 || std::strcmp (argv[i + 1], second) == 0);
}

// Selects an FFT engine or a vocoder kernel, unless this build or CPU lacks it (then says so).
template <typename Choice>
bool selectIfAvailable (Choice choice, bool (*available) (Choice), void (*select) (Choice),
                        const char* (*nameOf) (Choice), const char* missingFormat)
{
    if (! available (choice))
    {
        std::fprintf (stderr, missingFormat, nameOf (choice));
        return false;
    }
    select (choice);
    return true;
}
} // namespace

int main (int argc, char** argv)
{
    double seconds = 4.0;
    int repeats = 3;
    bool json = false;
    bool silence = true;
    int only = -1; // every entry
    int blockSize = kDefaultBlockSize;
    simd::Isa isa = simd::activeIsa();
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp (argv[i], "--json") == 0)
            json = true;
        else if (std::strcmp (argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::max (0.1, std::atof (argv[++i]));
        else if (std::strcmp (argv[i], "--repeats") == 0 && i + 1 < argc)
            repeats = std::max (1, std::atoi (argv[++i]));
        else if (std::strcmp (argv[i], "--only") == 0 && i + 1 < argc)
        {
            only = blendModeIndexForName (argv[++i]);
            if (only < 0)
            {
                std::fprintf (stderr, "unknown blend entry '%s' (an exact name or an index 0..%d)\n", argv[i],
                              kNumBlendModeEntries - 1);
                return 2;
            }
        }
        else if (std::strcmp (argv[i], "--no-silence") == 0)
            silence = false;
        else if (isOptionWithChoice (argc, argv, i, "--fft", "fftw", "juce"))
        {
            const auto engine = std::strcmp (argv[++i], "fftw") == 0 ? RealFFT::Engine::fftw : RealFFT::Engine::juce;
            if (! selectIfAvailable<RealFFT::Engine> (engine, RealFFT::isAvailable, RealFFT::setDefaultEngine,
                                                      RealFFT::engineName, "this build has no %s\n"))
                return 2;
        }
        else if (std::strcmp (argv[i], "--isa") == 0 && i + 1 < argc && simd::isaFromName (argv[i + 1], isa))
        {
            ++i;
            if (! selectIfAvailable<simd::Isa> (isa, simd::isSupported, simd::setActiveIsa, simd::isaName,
                                                "this CPU cannot run the %s build\n"))
                return 2;
        }
        else if (std::strcmp (argv[i], "--block") == 0 && i + 1 < argc)
        {
            blockSize = std::atoi (argv[++i]);
            if (blockSize < 1 || blockSize > kMaxBlockSize)
            {
                std::fprintf (stderr, "--block takes 1 to %d samples\n", kMaxBlockSize);
                return 2;
            }
        }
        else
        {
            std::fprintf (stderr, "usage: quorvane-bench [--seconds S] [--repeats R] [--only NAME|INDEX] [--no-silence]\n"
                                  "                      [--block N] [--fft fftw|juce] [--isa baseline|avx2|avx512] [--json]\n");
            return 2;
        }
    }

    juce::ScopedJuceInitialiser_GUI juceRuntime;
    const Material material (static_cast<int> (kSampleRate * 2.0));

    std::vector<Result> results;
    for (int index = 0; index < kNumBlendModeEntries; ++index)
    {
        const auto& entry = kBlendModeRegistry[index];
        if (only >= 0 && index != only)
            continue;
        std::vector<int> resolutions { -1 };
        for (const int resolution : resolutionsFor (entry.blendMode))
            resolutions.push_back (resolution);
        for (const int resolution : resolutions)
        {
            const bool smallColumn = isTimeDomain (entry.blendMode) && blockSize != kSmallBlockSize;
            Result r { entry.name, resolution, measure (index, resolution, material, seconds, repeats, blockSize),
                       silence ? measure (index, resolution, material, seconds, repeats, blockSize, true) : 0.0,
                       smallColumn ? measure (index, resolution, material, seconds, repeats, kSmallBlockSize) : 0.0,
                       goalFor (entry.blendMode, resolution) };
            if (! json)
                std::fprintf (stderr, "  %-28s %-8s %9.1fx %9.1fx %9.1fx\n", r.name.c_str(),
                              resolution < 0 ? "default" : std::to_string (resolution).c_str(), r.realtime, r.silence,
                              r.small);
            results.push_back (r);
        }
    }

    const auto silenceOk = [] (const Result& r) { return r.silence >= (1.0 - kSilenceTolerance) * r.realtime; };
    const auto smallOk = [] (const Result& r) { return r.small >= kSmallBlockShare * r.realtime; };
    const auto cell = [] (double factor) {
        char text[32] = "";
        if (factor > 0.0)
            std::snprintf (text, sizeof (text), "%9.1fx", factor);
        return std::string (text);
    };

    if (json)
    {
        std::printf ("{\n  \"sampleRate\": %.0f,\n  \"blockSize\": %d,\n  \"channels\": 2,\n  \"secondsPerRun\": %g,\n"
                     "  \"repeats\": %d,\n  \"fft\": \"%s\",\n  \"isa\": \"%s\",\n  \"results\": [\n",
                     kSampleRate, blockSize, seconds, repeats, RealFFT::engineName (RealFFT::defaultEngine()),
                     simd::isaName (simd::activeIsa()));
        for (size_t i = 0; i < results.size(); ++i)
        {
            const auto& r = results[i];
            std::string extraFields;
            if (r.silence > 0.0)
                extraFields += ", \"silenceRealtimeFactor\": " + std::to_string (r.silence)
                               + ", \"silenceWithin20Percent\": " + (silenceOk (r) ? "true" : "false");
            if (r.small > 0.0)
                extraFields += ", \"smallBlockRealtimeFactor\": " + std::to_string (r.small)
                               + ", \"smallBlockKeeps80Percent\": " + (smallOk (r) ? "true" : "false");
            std::printf ("    {\"entry\": \"%s\", \"resolution\": %s, \"realtimeFactor\": %.2f, \"goal\": %s, \"meetsGoal\": %s%s}%s\n",
                         jsonEscape (r.name).c_str(), r.resolution < 0 ? "\"default\"" : std::to_string (r.resolution).c_str(),
                         r.realtime, r.goal > 0.0 ? std::to_string (r.goal).c_str() : "null",
                         r.goal > 0.0 ? (r.realtime >= r.goal ? "true" : "false") : "null", extraFields.c_str(),
                         i + 1 < results.size() ? "," : "");
        }
        std::printf ("  ]\n}\n");
        return 0;
    }

    std::printf ("Realtime factor, stereo 48 kHz, %d-sample blocks (audio seconds per CPU second, median of %d)\n"
                 "FFT: %s, engine build: %s. \"silence\": on digital silence after loud input, \"ok\" when within\n"
                 "%d %% of the speed on music. \"%d-block\": the same entry at %d-sample blocks, \"ok\" when at least\n"
                 "%d %% of the speed at %d.\n\n",
                 blockSize, repeats, RealFFT::engineName (RealFFT::defaultEngine()), simd::isaName (simd::activeIsa()),
                 static_cast<int> (kSilenceTolerance * 100.0), kSmallBlockSize, kSmallBlockSize,
                 static_cast<int> (kSmallBlockShare * 100.0), blockSize);
    const std::string smallHeading = std::to_string (kSmallBlockSize) + "-block";
    std::printf ("| %-28s | %-10s | %10s | %6s | %-4s | %10s | %-4s | %10s | %-4s |\n", "entry", "resolution", "realtime",
                 "goal", "ok", "silence", "ok", smallHeading.c_str(), "ok");
    std::printf ("|%s|%s|%s|%s|%s|%s|%s|%s|%s|\n", std::string (30, '-').c_str(), std::string (12, '-').c_str(),
                 std::string (12, '-').c_str(), std::string (8, '-').c_str(), std::string (6, '-').c_str(),
                 std::string (12, '-').c_str(), std::string (6, '-').c_str(), std::string (12, '-').c_str(),
                 std::string (6, '-').c_str());
    for (const auto& r : results)
    {
        const std::string goal = r.goal > 0.0 ? std::to_string (static_cast<int> (r.goal)) + "x" : "";
        const char* ok = r.goal > 0.0 ? (r.realtime >= r.goal ? "yes" : "NO") : "";
        std::printf ("| %-28s | %-10s | %9.1fx | %6s | %-4s | %10s | %-4s | %10s | %-4s |\n", r.name.c_str(),
                     r.resolution < 0 ? "default" : std::to_string (r.resolution).c_str(), r.realtime, goal.c_str(), ok,
                     cell (r.silence).c_str(), r.silence > 0.0 ? (silenceOk (r) ? "yes" : "NO") : "",
                     cell (r.small).c_str(), r.small > 0.0 ? (smallOk (r) ? "yes" : "NO") : "");
    }
    return 0;
}
