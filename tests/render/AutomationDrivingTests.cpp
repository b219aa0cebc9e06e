// How automation reaches the processor: before every processBlock call, each automated
// parameter holds its curve's value at the call's first sample, set inside a change gesture and
// only when it moves; a host block split at --automation-block arrives as consecutive calls with
// the play head at each one's start, the latency tail included. A probe processor records what
// every call sees, and a listener what reaches the host interface.

#include "RenderTestSupport.h"

#include "OfflineRender.h"
#include "ProcessorSetup.h"

#include <cmath>
#include <functional>
#include <map>
#include <sstream>

namespace
{
constexpr double kRate = 48000.0;

struct SeenCall
{
    int numSamples = 0;
    juce::int64 playHeadFrame = -1;
    std::map<std::string, float> values; // raw values of the watched parameters
    size_t eventsBefore = 0;             // host-interface events that came before the call
};

struct ParameterEvent
{
    enum class Kind { begin, change, end };
    Kind kind;
    std::string id;
};

// Records what reaches a processor's host interface, in order.
class EventLog final : public juce::AudioProcessorListener
{
public:
    std::vector<ParameterEvent> events;

private:
    static std::string idOf (juce::AudioProcessor* processor, int index)
    {
        auto* parameter = dynamic_cast<juce::RangedAudioParameter*> (processor->getParameters()[index]);
        return parameter != nullptr ? parameter->getParameterID().toStdString() : std::string ("?");
    }

    void audioProcessorParameterChanged (juce::AudioProcessor* processor, int index, float) override
    {
        events.push_back ({ ParameterEvent::Kind::change, idOf (processor, index) });
    }
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor* processor, int index) override
    {
        events.push_back ({ ParameterEvent::Kind::begin, idOf (processor, index) });
    }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor* processor, int index) override
    {
        events.push_back ({ ParameterEvent::Kind::end, idOf (processor, index) });
    }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
};

class AutomationProbe : public QuorvaneAudioProcessor
{
public:
    using QuorvaneAudioProcessor::processBlock;

    explicit AutomationProbe (std::vector<std::string> watchedIds) : watched (std::move (watchedIds)) {}
    ~AutomationProbe() override { removeListener (&log); }

    // From here on, what reaches the host interface is recorded.
    void listen() { addListener (&log); }

    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override
    {
        SeenCall call;
        call.numSamples = buffer.getNumSamples();
        if (auto* head = getPlayHead())
            if (auto position = head->getPosition())
                call.playHeadFrame = *position->getTimeInSamples();
        for (const auto& id : watched)
            call.values[id] = parameters.getRawParameterValue (id)->load();
        call.eventsBefore = log.events.size();
        calls.push_back (std::move (call));
        QuorvaneAudioProcessor::processBlock (buffer, midi);
    }

    const std::vector<ParameterEvent>& events() const { return log.events; }

    std::vector<SeenCall> calls;

private:
    std::vector<std::string> watched;
    EventLog log;
};

// The value each watched parameter must hold at a time in seconds, worked out by hand from the
// curves of a case.
using Expected = std::map<std::string, std::function<double (double)>>;

// The sizes of the calls a host makes for `frames` samples in host blocks of `block`, each cut
// into pieces of at most `piece`.
std::vector<int> piecesOf (juce::int64 frames, int block, int piece)
{
    std::vector<int> sizes;
    for (juce::int64 start = 0; start < frames; start += block)
    {
        const int n = (int) std::min<juce::int64> (block, frames - start);
        for (int done = 0; done < n; done += std::min (piece, n - done))
            sizes.push_back (std::min (piece, n - done));
    }
    return sizes;
}

std::vector<std::string> idsOf (const Expected& expected)
{
    std::vector<std::string> ids;
    for (const auto& entry : expected)
        ids.push_back (entry.first);
    return ids;
}
} // namespace

class AutomationDriving : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        writeWav (file ("a.wav"), { testSignal (kFrames, 0, kRate), testSignal (kFrames, 1, kRate) }, kRate);
        writeWav (file ("b.wav"), { testSignal (kFrames, 2, kRate) }, kRate);
    }

    // Renders a.wav and b.wav through the probe with the tool's own parsing, set-up and block
    // loop; `extra` follows "a.wav b.wav -o out.wav --bpm 120".
    void render (AutomationProbe& probe, const std::vector<std::string>& extra)
    {
        juce::StringArray args { file ("a.wav").getFullPathName(), file ("b.wav").getFullPathName(), "-o",
                                 file ("out.wav").getFullPathName(), "--bpm", "120" };
        for (const auto& arg : extra)
            args.add (arg);
        ASSERT_TRUE (parseRenderArguments (args, options).wasOk());
        std::ostringstream warnings;
        ASSERT_TRUE (configureProcessor (probe, options, warnings).wasOk());
        probe.listen();

        InputFile audio1, audio2;
        ASSERT_TRUE (audio1.open (file ("a.wav"), "AUDIO1").wasOk());
        ASSERT_TRUE (audio2.open (file ("b.wav"), "AUDIO2").wasOk());
        RenderJob job;
        job.audio1 = &audio1;
        job.audio2 = &audio2;
        job.blockSize = options.blockSize;
        job.transport = &*options.transport;
        job.compensateLatency = options.compensateLatency;
        job.automation = &options.automations;
        job.automationBlockSize = options.automationBlockSize;

        WavFileOutput output;
        ASSERT_TRUE (output.open (file ("out.wav"), kRate).wasOk());
        ASSERT_TRUE (prepareForRender (probe, job).wasOk());
        RenderSummary summary;
        ASSERT_TRUE (runRender (probe, job, output, summary).wasOk());
        ASSERT_TRUE (output.commit().wasOk());
    }

    // Every call's size and play-head position, and what each watched parameter holds in it.
    static void expectCalls (const AutomationProbe& probe, const std::vector<int>& sizes, const Expected& expected)
    {
        ASSERT_EQ (probe.calls.size(), sizes.size());
        juce::int64 frame = 0;
        for (size_t k = 0; k < sizes.size(); ++k)
        {
            const auto& call = probe.calls[k];
            SCOPED_TRACE ("call " + std::to_string (k) + " at frame " + std::to_string (frame));
            EXPECT_EQ (call.numSamples, sizes[k]);
            EXPECT_EQ (call.playHeadFrame, frame);
            const double seconds = (double) frame / kRate;
            for (const auto& [id, valueAt] : expected)
            {
                const double want = valueAt (seconds);
                // Continuous values come back through the normalised range, within rounding.
                EXPECT_NEAR (call.values.at (id), want, std::abs (want) * 1.0e-5) << id;
            }
            frame += sizes[k];
        }
    }

    static constexpr int kFrames = 3000;
    RenderOptions options;
};

TEST_F (AutomationDriving, EveryCallHoldsTheCurvesAtItsFirstSample)
{
    // FX LowCut glides from 100 Hz to 1000 Hz over the first 50 ms and holds; the mode steps
    // 0 -> 3 at 10 ms (frame 480) and 3 -> 7 at 20 ms; Direction, a choice, jumps 0 -> 2 at
    // 30 ms without passing 1; the modulator switch goes off at 40 ms and the Bars choice
    // steps at a point that lies between two blocks.
    const std::vector<std::string> curves { "--automate", "fxLowCut=0:100,0.05:1000",
                                            "--automate", "mode=0:0,0.01:3,0.02:7",
                                            "--automate", "direction=0:0,0.03:2",
                                            "--automate", "seqEnabled=0:1,0.04:0",
                                            "--automate", "seqBars=0.001:2,0.0123:5" };
    const Expected expected {
        { "fxLowCut", [] (double t) { return 100.0 + 900.0 * std::min (t / 0.05, 1.0); } },
        { "mode", [] (double t) { return t < 0.01 ? 0.0 : t < 0.02 ? 3.0 : 7.0; } },
        { "direction", [] (double t) { return t < 0.03 ? 0.0 : 2.0; } },
        { "seqEnabled", [] (double t) { return t < 0.04 ? 1.0 : 0.0; } },
        { "seqBars", [] (double t) { return t < 0.0123 ? 2.0 : 5.0; } },
    };

    struct Case
    {
        int block;
        int automationBlock; // 0: not given
    };
    // Whole host blocks; pieces that meet the steps exactly (96 divides 480) and ones that do
    // not; an interval longer than the block, which changes nothing; one sample at a time.
    const Case cases[] = { { 512, 0 }, { 512, 96 }, { 512, 100 }, { 300, 4096 }, { 64, 1 }, { 1, 0 } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE ("block " + std::to_string (c.block) + ", automation block " + std::to_string (c.automationBlock));
        auto args = curves;
        args.insert (args.end(), { "--block", std::to_string (c.block) });
        if (c.automationBlock > 0)
            args.insert (args.end(), { "--automation-block", std::to_string (c.automationBlock) });

        AutomationProbe probe (idsOf (expected));
        render (probe, args);
        EXPECT_EQ (probe.getBlockSize(), c.block) << "prepared for the host block";
        const int piece = c.automationBlock > 0 ? std::min (c.automationBlock, c.block) : c.block;
        expectCalls (probe, piecesOf (kFrames, c.block, piece), expected);
    }
}

TEST_F (AutomationDriving, TheLatencyTailContinuesTheTimelineAndItsCurves)
{
    // Frequency Splice holds 2048 samples back; compensated, the tail runs the frames from 3000
    // to 5048 on, and the curves go on over them: FX LowCut glides until 100 ms (frame 4800),
    // Heat steps at 90 ms.
    const Expected expected {
        { "fxLowCut", [] (double t) { return 100.0 + 900.0 * std::min (t / 0.1, 1.0); } },
        { "heat", [] (double t) { return t < 0.09 ? 10.0 : 150.0; } },
        { "mode", [] (double) { return 3.0; } },
    };
    for (const int automationBlock : { 0, 200 })
    {
        SCOPED_TRACE (automationBlock);
        std::vector<std::string> args { "--mode", "Frequency Splice", "--compensate-latency", "--block", "512",
                                        "--automate", "fxLowCut=0:100,0.1:1000", "--automate",
                                        "heat=0:10,0.0899:10,0.09:150" };
        if (automationBlock > 0)
            args.insert (args.end(), { "--automation-block", std::to_string (automationBlock) });

        AutomationProbe probe (idsOf (expected));
        render (probe, args);
        // The input's blocks, then the tail's, each cut into the same pieces.
        auto sizes = piecesOf (kFrames, 512, automationBlock > 0 ? automationBlock : 512);
        const auto tail = piecesOf (2048, 512, automationBlock > 0 ? automationBlock : 512);
        sizes.insert (sizes.end(), tail.begin(), tail.end());
        expectCalls (probe, sizes, expected);
        EXPECT_EQ (readWav (file ("out.wav")).channels[0].size(), (size_t) kFrames);
    }
}

TEST_F (AutomationDriving, ParametersMoveInsideAGestureOnlyWhenTheirValueChanges)
{
    struct Case
    {
        const char* what;
        std::vector<std::string> curves;
        bool moves;
    };
    const Case cases[] = {
        { "a glide", { "--automate", "fxHiCut=0:8000,0.04:2000" }, true },
        { "steps of a choice", { "--automate", "mode=0:14,0.01:15,0.02:21" }, true },
        { "a switch going off", { "--automate", "seqEnabled=0:1,0.02:0" }, true },
        { "two curves at once", { "--automate", "heat=0:0,0.05:200", "--automate", "mode=0:0,0.03:9" }, true },
        { "a curve that holds still", { "--automate", "fxHiCut=0:5000,0.03:5000,0.06:5000" }, false },
        { "a glide within one step of a stepped dial", { "--automate", "morph=0:33,0.06:33.4" }, false },
        { "a curve held at the end of the range", { "--automate", "heat=0:250,0.03:400" }, false },
        { "a single point later on", { "--automate", "outputVolDb=0.02:-12" }, false },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        std::vector<std::string> ids;
        for (size_t i = 1; i < c.curves.size(); i += 2)
            ids.push_back (c.curves[i].substr (0, c.curves[i].find ('=')));

        AutomationProbe probe (ids);
        auto args = c.curves;
        args.insert (args.end(), { "--block", "256" });
        render (probe, args);
        ASSERT_FALSE (probe.calls.empty());

        // Nothing before the first call: the value at time 0 was set before preparation.
        EXPECT_EQ (probe.calls[0].eventsBefore, 0u);
        size_t changes = 0;
        for (size_t k = 1; k < probe.calls.size(); ++k)
        {
            // Between two calls: begin, change, end for each parameter whose value moved, and
            // nothing for the others.
            std::vector<std::string> moved;
            for (const auto& id : ids)
                if (probe.calls[k].values.at (id) != probe.calls[k - 1].values.at (id))
                    moved.push_back (id);
            const auto& events = probe.events();
            const std::vector<ParameterEvent> between (events.begin() + (long) probe.calls[k - 1].eventsBefore,
                                                       events.begin() + (long) probe.calls[k].eventsBefore);
            ASSERT_EQ (between.size(), 3 * moved.size()) << "before call " << k;
            for (size_t m = 0; m < moved.size(); ++m)
            {
                EXPECT_EQ (between[3 * m].kind, ParameterEvent::Kind::begin);
                EXPECT_EQ (between[3 * m + 1].kind, ParameterEvent::Kind::change);
                EXPECT_EQ (between[3 * m + 2].kind, ParameterEvent::Kind::end);
                for (size_t e = 3 * m; e < 3 * m + 3; ++e)
                    EXPECT_EQ (between[e].id, moved[m]);
            }
            changes += moved.size();
        }
        EXPECT_EQ (changes > 0, c.moves);
        EXPECT_EQ (probe.events().size(), 3 * changes) << "nothing after the last call either";
    }
}
