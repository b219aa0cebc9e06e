// Mutation fuzzing of everything that comes in from files: small WAV, AIFF, FLAC and Ogg
// Vorbis seeds and a real state block, damaged at random from a fixed seed. Every case must
// finish within a bound without crashing; a decoded file must be finite, with every sample
// written; a state block must restore or change nothing and leave every value finite; and the
// renderer fed the same files must keep its error contract and leave nothing behind.
//
// QV_FUZZ_CASES in the environment sets the number of cases per seed file (for a longer run).

#include "../processor/AudioFileFixtures.h"
#include "../render/RenderTestSupport.h"

#include "params/ParameterTable.h"
#include "processor/AudioFileInput.h"
#include "processor/PluginProcessor.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <random>
#include <thread>

using namespace AudioFixtures;

namespace
{
constexpr std::uint32_t kSeed = 20261210;
// The most one case may take, far above what any case needs; past it the run counts as hung.
constexpr auto kCaseBound = std::chrono::seconds (20);

int casesPerSeed()
{
    if (const char* text = std::getenv ("QV_FUZZ_CASES"))
        return std::max (1, std::atoi (text));
    return QV_FUZZ_DEFAULT_CASES;
}

// Aborts the whole program when a case outlives the bound: a hang fails loudly instead of
// stalling the test run.
class Watchdog
{
public:
    Watchdog() : thread ([this] { watch(); }) {}
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock (mutex);
            stopping = true;
        }
        wake.notify_all();
        thread.join();
    }

    void startCase (std::string name)
    {
        std::lock_guard<std::mutex> lock (mutex);
        current = std::move (name);
        deadline = std::chrono::steady_clock::now() + kCaseBound;
    }

private:
    void watch()
    {
        std::unique_lock<std::mutex> lock (mutex);
        while (! stopping)
        {
            wake.wait_for (lock, std::chrono::milliseconds (200));
            if (! current.empty() && std::chrono::steady_clock::now() > deadline)
            {
                std::fprintf (stderr, "fuzz case hung: %s\n", current.c_str());
                std::abort();
            }
        }
    }

    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    std::string current;
    std::chrono::steady_clock::time_point deadline {};
    std::thread thread;
};

// One random damage: bit flips, a header field set to a value that breaks readers, a cut, a
// repeated or removed stretch, inserted noise. Header bytes are hit more often than the rest.
void mutate (juce::MemoryBlock& bytes, std::mt19937& random)
{
    static const juce::uint32 interesting[] = { 0, 1, 2, 3, 4, 7, 8, 12, 20, 24, 31, 32, 33, 63, 64, 65, 255, 256,
                                                2881, 5761, 7999, 65535, 65536, 768001, 100000000,
                                                0x7fffffffu, 0x80000000u, 0xffffffffu };
    if (bytes.getSize() == 0)
        return;
    auto* b = static_cast<unsigned char*> (bytes.getData());
    const auto size = bytes.getSize();
    const auto anywhere = [&] { return (size_t) (random() % size); };
    const auto inHeader = [&] { return (size_t) (random() % std::min<size_t> (size, 96)); };

    switch (random() % 7)
    {
        case 0:
            for (int i = 1 + (int) (random() % 8); --i >= 0;)
                b[anywhere()] ^= (unsigned char) (1u << (random() % 8));
            break;
        case 1:
            b[inHeader()] = (unsigned char) interesting[random() % std::size (interesting)];
            break;
        case 2:
        {
            const auto value = interesting[random() % std::size (interesting)];
            const auto at = inHeader();
            const bool bigEndian = (random() & 1) != 0;
            const int width = (random() & 1) != 0 ? 2 : 4;
            for (int i = 0; i < width && at + (size_t) i < size; ++i)
            {
                const int shift = 8 * (bigEndian ? width - 1 - i : i);
                b[at + (size_t) i] = (unsigned char) (value >> shift);
            }
            break;
        }
        case 3:
            bytes.setSize (anywhere());
            break;
        case 4:
        {
            const auto from = anywhere();
            const auto length = std::min<size_t> (size - from, 1 + random() % 512);
            juce::MemoryBlock copy (b + from, length);
            bytes.insert (copy.getData(), length, anywhere());
            break;
        }
        case 5:
        {
            const auto from = anywhere();
            bytes.removeSection (from, std::min<size_t> (size - from, 1 + random() % 512));
            break;
        }
        default:
        {
            juce::MemoryBlock noise (1 + random() % 64);
            for (size_t i = 0; i < noise.getSize(); ++i)
                static_cast<unsigned char*> (noise.getData())[i] = (unsigned char) random();
            bytes.insert (noise.getData(), noise.getSize(), anywhere());
            break;
        }
    }
}

struct Seed
{
    const char* name;
    juce::MemoryBlock bytes;
};

std::vector<Seed> audioSeeds()
{
    juce::WavAudioFormat wavFormat;
    juce::AiffAudioFormat aiffFormat;
    juce::FlacAudioFormat flacFormat;
    juce::OggVorbisAudioFormat oggFormat;
    std::vector<Seed> seeds;
    seeds.push_back ({ "s16.wav", encoded (wavFormat, 2, 3000, 16) });
    seeds.push_back ({ "s24.wav", encoded (wavFormat, 1, 3000, 24) });
    seeds.push_back ({ "sf.wav", encoded (wavFormat, 2, 3000, 32) });
    seeds.push_back ({ "s16.aiff", encoded (aiffFormat, 2, 3000, 16) });
    seeds.push_back ({ "sowt.aiff", aiff ({ 2, 3, 16, 48000.0, "sowt", int16Samples ({ 1, 2, 3, 4, 5, 6 }, false) }) });
    seeds.push_back ({ "s.flac", encoded (flacFormat, 2, 12000, 16, 5) });
    seeds.push_back ({ "s.ogg", encoded (oggFormat, 2, 6000, 16, 3) });
    return seeds;
}

// Decodes the file whole and streamed; anything it delivers must be finite and sane.
void checkDecode (const juce::File& file)
{
    juce::AudioBuffer<float> audio;
    double rate = 0.0;
    if (readWholeAudioFile (file, audio, rate).wasOk())
    {
        ASSERT_GE (audio.getNumChannels(), 1);
        ASSERT_LE (audio.getNumChannels(), AudioFileInput::kMaxChannels);
        ASSERT_GE (rate, AudioFileInput::kMinSampleRate);
        ASSERT_LE (rate, AudioFileInput::kMaxSampleRate);
        for (int ch = 0; ch < audio.getNumChannels(); ++ch)
            for (int i = 0; i < audio.getNumSamples(); ++i)
                ASSERT_TRUE (std::isfinite (audio.getSample (ch, i))) << ch << ":" << i;
    }

    AudioFileInput input;
    if (input.open (file).failed())
        return;
    constexpr int kBlock = 1000;
    std::vector<float> left (kBlock), right (kBlock);
    float* dest[] = { left.data(), right.data() };
    const int numDest = std::min (2, input.getLayout().numChannels);
    for (int block = 0; block < 1000; ++block)
    {
        // Poisoned first: every sample must be written, by the file or as silence.
        std::fill (left.begin(), left.end(), std::numeric_limits<float>::quiet_NaN());
        std::fill (right.begin(), right.end(), std::numeric_limits<float>::quiet_NaN());
        int got = 0;
        const bool ok = input.readNext (dest, numDest, kBlock, got).wasOk();
        for (int ch = 0; ch < numDest; ++ch)
            for (int i = 0; i < kBlock; ++i)
                ASSERT_TRUE (std::isfinite (dest[ch][i])) << "block " << block;
        if (! ok || got < kBlock)
            return;
    }
}
} // namespace

class InputFuzz : public RenderTest
{
};

TEST_F (InputFuzz, DamagedAudioFilesDecodeSafelyOrAreRefused)
{
    Watchdog watchdog;
    std::mt19937 random (kSeed);
    const int cases = casesPerSeed();
    for (const auto& seed : audioSeeds())
    {
        ASSERT_GT (seed.bytes.getSize(), 0u) << seed.name;
        for (int c = 0; c < cases; ++c)
        {
            auto bytes = seed.bytes;
            for (int m = 1 + (int) (random() % 3); --m >= 0;)
                mutate (bytes, random);
            const auto target = file (seed.name);
            ASSERT_TRUE (writeFile (target, bytes));
            watchdog.startCase (juce::String (seed.name).toStdString() + " case " + std::to_string (c));
            checkDecode (target);
            if (HasFatalFailure())
            {
                ADD_FAILURE() << seed.name << " case " << c;
                return;
            }
        }
    }
}

TEST_F (InputFuzz, DamagedStateBlocksRestoreOrChangeNothing)
{
    Watchdog watchdog;
    std::mt19937 random (kSeed + 1);
    QuorvaneAudioProcessor processor;
    juce::MemoryBlock state;
    processor.getStateInformation (state);
    ASSERT_GT (state.getSize(), 0u);

    const int cases = casesPerSeed() * 2;
    for (int c = 0; c < cases; ++c)
    {
        auto bytes = state;
        for (int m = 1 + (int) (random() % 3); --m >= 0;)
            mutate (bytes, random);
        watchdog.startCase ("state case " + std::to_string (c));
        processor.setStateInformation (bytes.getData(), (int) bytes.getSize());
        for (const auto& row : kParamTable)
        {
            const float v = processor.parameters.getRawParameterValue (row.id)->load();
            ASSERT_TRUE (std::isfinite (v) && v >= row.min && v <= row.max) << row.id << " case " << c;
        }
        for (int m = 0; m < 2; ++m)
            for (int s = 0; s < 16; ++s)
                ASSERT_TRUE (std::isfinite (processor.getStepValue (m, s))) << "case " << c;
    }
}

// A sample of the same damage through the built renderer, as a user would run it.
TEST_F (InputFuzz, TheRendererKeepsItsContractOnDamagedFiles)
{
    Watchdog watchdog;
    std::mt19937 random (kSeed + 2);
    writeWav (file ("side.wav"), { testSignal (500, 0, 44100.0) }, 44100.0);
    const int cases = std::max (1, casesPerSeed() / 100);
    for (const auto& seed : audioSeeds())
    {
        for (int c = 0; c < cases; ++c)
        {
            auto bytes = seed.bytes;
            mutate (bytes, random);
            ASSERT_TRUE (writeFile (file (seed.name), bytes));
            const auto before = listFolder();
            watchdog.startCase (juce::String (seed.name).toStdString() + " render " + std::to_string (c));
            const bool withSidechain = (c & 1) != 0;
            const auto result = withSidechain ? runRenderBinary ({ seed.name, "side.wav", "-o", "out.wav" }, dir)
                                              : runRenderBinary ({ "side.wav", seed.name, "-o", "out.wav" }, dir);
            ASSERT_TRUE (result.exitCode == 0 || result.exitCode == 2) << seed.name << " " << c << ": " << result.err;
            if (result.exitCode == 2)
            {
                EXPECT_EQ (splitLines (result.err).size(), 1u) << result.err;
                EXPECT_EQ (listFolder(), before) << seed.name << " " << c;
                continue;
            }
            const auto output = readWav (file ("out.wav"));
            ASSERT_TRUE (output.ok);
            for (const auto& channel : output.channels)
                for (float s : channel)
                    ASSERT_TRUE (std::isfinite (s)) << seed.name << " " << c;
            file ("out.wav").deleteFile();
            EXPECT_EQ (listFolder(), before) << seed.name << " " << c;
        }
    }
}
