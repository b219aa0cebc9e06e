#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include "engine/BlendParams.h"
#include "engine/BlendProcessor.h"
#include "params/ParameterTable.h"
#include "processor/TransportFollower.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>

// The host's parameter tree, one parameter per row of the parameter table.
juce::AudioProcessorValueTreeState::ParameterLayout makeLayout();

// The object the host loads: parameters, buses, the per-block driving of the engine, the
// step-sequencer modulators and the persisted state.
class QuorvaneAudioProcessor : public juce::AudioProcessor
{
public:
    enum PlayMode : int
    {
        Stopped = 0,
        PlayBlend = 1,
        PlayAudio1 = 2,
        PlayAudio2 = 3
    };

    QuorvaneAudioProcessor();
    ~QuorvaneAudioProcessor() override;

    static BusesProperties makeBusLayout();

    // juce::AudioProcessor
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;
    void prepareToPlay (double sampleRate, int samplesPerBlock) override;
    void releaseResources() override;
    // Hosts call this on transport jumps: no audio heard before may play again.
    void reset() override;
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    using juce::AudioProcessor::processBlock;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override { return true; }

    const juce::String getName() const override { return "Quorvane"; }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }
    bool isMidiEffect() const override { return false; }
    double getTailLengthSeconds() const override { return 0.0; }

    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    // A real state block is about 3 KB; anything beyond this is not one of ours.
    static constexpr juce::int64 kMaxStateBlockBytes = 1 << 20;
    // The check every state block passes before it is parsed, here and in the offline
    // renderer: not empty, not larger than kMaxStateBlockBytes, XML no deeper and with no more
    // elements and attributes than a parser takes in a moment, and text that ends where its
    // root element closes.
    static bool isRestorableStateBlock (const void* data, juce::int64 sizeInBytes);

    void updateTrackProperties (const TrackProperties& properties) override;
    juce::String getHostTrackName() const;

    // ---- Parameters ----
    BlendMode currentBlendMode() const;
    MathOp currentMathOp() const;
    int currentDirection() const;
    // A parameter's raw value as the engine's records take it: modulator 2's value while it
    // overrides this parameter, else the parameter's own. The row is found while compiling:
    // readRawParam<ParamIDs::vocAttack>().
    template <const char* const& paramId>
    float readRawParam() const noexcept
    {
        return readRawParamAt (paramIndexOf<paramId>());
    }
    // The parameter's raw value, ignoring modulator 2; the row is found while compiling.
    template <const char* const& paramId>
    float paramValue() const noexcept
    {
        return paramValueAt (paramIndexOf<paramId>());
    }
    // The same for an identifier known only at run time: searches the parameter table by text,
    // so it is for callers off the audio thread (the editor, tools and tests).
    float paramValue (const char* paramId) const;

    VocoderParams readVocoderParams() const;
    FMParams readFMParams() const;
    MathParams readMathParams() const;
    SidechainParams readSidechainParams() const;
    FreqSpliceParams readFreqSpliceParams() const;
    AMParams readAMParams() const;
    SpectralGateParams readSpectralGateParams() const;
    PhaseSwapParams readPhaseSwapParams() const;
    BinInterleaveParams readBinInterleaveParams() const;
    ProbabilisticParams readProbabilisticParams() const;
    WaveshapeParams readWaveshapeParams() const;
    ScrubParams readScrubParams() const;
    OutputMixParams readOutputMixParams() const;
    // Every record above, in one bundle for the engine (the step record left at its defaults).
    BlendRecords readBlendRecords() const;

    // ---- Hooks the editor sets (message thread) ----
    std::function<void (const juce::String&)> onInfoMessage;
    // Called on the message thread after a state restore, once the restored theme is active:
    // at once when the host restores on the message thread, else posted there.
    std::function<void()> onStateRestored;

    juce::AudioProcessorValueTreeState parameters;
    BlendProcessor engine;
    juce::AudioFormatManager formatManager;

    // ---- Published for the editor (read without locks) ----
    std::atomic<bool> sidechainConnected { false };
    std::atomic<float> inputLevel1 { 0.0f }, inputLevel2 { 0.0f }, outputLevel { 0.0f };
    std::atomic<double> stepPhase[2] { { 0.0 }, { 0.0 } };
    std::atomic<bool> morphTouched { false };
    std::atomic<float> morphHandoffWeight { 1.0f };
    std::atomic<int> playPosition { 0 };
    std::atomic<bool> loopEnabled { true };
    std::atomic<int> playMode { Stopped };
    // From prepareToPlay to releaseResources: something calls processBlock. In the standalone
    // application that is the audio output device; without one nothing plays.
    std::atomic<bool> audioRunning { false };

    // Modulator step values, 2 x kNumSteps, each -1..1 (stored as given, no clamping).
    float getStepValue (int modulator, int step) const;
    void setStepValue (int modulator, int step, float value);
    std::atomic<float> stepValues[2][kNumSteps] {};

    // ---- Modulator timing and the Morph hand-off ----
    // Cycle length in bars for a "Bars" and a "Divider" choice index.
    static double barsPerCycleFrom (int barsIndex, int dividerIndex);
    // One step of the hand-off between the user's Morph dial and modulator 1; publishes and
    // returns the weight of the modulator's Morph. Audio thread only.
    float resolveMorphHandoffWeight (double phase, bool running);
    // Cycle length of modulator 0 or 1 in samples when the loaded Audio 1 file is the clock
    // (the file counts as four bars); 0 while the modulator is off or no file is loaded.
    int getStandaloneCycleLengthSamples (int modulator) const;

    // ---- Standalone playback ----
    // Hand a decoded file to the processor (message thread; blocks while a block is playing).
    void setAudio1Buffer (const juce::AudioBuffer<float>& buffer, double sampleRate);
    void setAudio2Buffer (const juce::AudioBuffer<float>& buffer, double sampleRate);
    // A different mode restarts playback from the beginning; the same mode keeps the position.
    void setPlayMode (PlayMode mode);
    int getAudio1Length() const noexcept { return audio1Length.load(); }
    int getAudio2Length() const noexcept { return audio2Length.load(); }
    int getBlendedLength() const noexcept { return std::max (getAudio1Length(), getAudio2Length()); }

    int getLastReportedLatency() const noexcept { return lastReportedLatency.load(); }
    double getCurrentSampleRate() const noexcept { return currentSampleRate; }

    // Marks a preset or a saved state being written into the parameters, one by one, for as
    // long as it lives. Meanwhile the audio thread keeps the blend's mode and resolution of the
    // block before, so that the load is heard as one change, never as a block with the new mode
    // and the old resolution. Lock-free: the audio thread only reads two counters.
    class ScopedSettingsLoad
    {
    public:
        explicit ScopedSettingsLoad (QuorvaneAudioProcessor& p) noexcept : processor (p)
        {
            processor.settingsLoadsUnderWay.fetch_add (1);
            processor.settingsLoadCount.fetch_add (1);
        }
        ~ScopedSettingsLoad()
        {
            processor.morphCoupling.settingsLoaded();
            processor.settingsLoadCount.fetch_add (1);
            processor.settingsLoadsUnderWay.fetch_sub (1);
        }
        ScopedSettingsLoad (const ScopedSettingsLoad&) = delete;
        ScopedSettingsLoad& operator= (const ScopedSettingsLoad&) = delete;

    private:
        QuorvaneAudioProcessor& processor;
    };

private:
    enum class RestoredTheme { Unchanged, Light, Dark };
    void finishRestoreOnMessageThread (RestoredTheme theme);
    void settleSwitchValues();

    bool isStandaloneWrapper() const;
    void processBlockPlugin (juce::AudioBuffer<float>& buffer);
    void processBlockStandalone (juce::AudioBuffer<float>& buffer);
    // Where both modulators stand at the first sample of a block, from the host's transport or
    // from the standalone playback position.
    struct ModulatorTiming
    {
        bool enabled1 = false;    // modulator 1 drives Morph in this block
        bool running1 = false;    // the clock moves, so the hand-off may hold or return
        double phase1 = 0.0;      // cycles
        double increment1 = 0.0;  // cycles per sample
        bool clocked2 = true;     // modulator 2 has a cycle to follow
        double phase2 = 0.0;      // cycles
    };
    ModulatorTiming hostModulatorTiming();
    ModulatorTiming standaloneModulatorTiming (int startSample) const;

    // Modulator 1's Morph record for this block, and modulator 2's override of one dial. The
    // hand-off follows the position heard, `latency` samples behind the block's start.
    RealtimeStepData computeModulator1 (const ModulatorTiming& timing, int latency);
    static double heardPhase (const ModulatorTiming& timing, int latency) noexcept;
    // ---- The latency the host is told (PluginProcessor_Latency.cpp) ----
    // Audio thread: tells the host a new latency when it changed.
    void reportLatency (int latency);
    // The latency of the current settings, as the first block after a preparation plays them.
    int settledLatency() const noexcept;
    // Message thread: tells the host the settled latency while no block has run since the last
    // preparation or reset (the audio thread reports once blocks run).
    void announceSettledLatency();
    // The audio thread takes over the report with its first block; a preparation or a reset
    // hands it back.
    void claimLatencyReport() noexcept;
    void releaseLatencyReport() noexcept;
    // LV2: a transport that moves again after standing still clears what the engine heard.
    void restartWithTransportIfLv2 (const juce::Optional<juce::AudioPlayHead::PositionInfo>& position);
    void applyModulator2 (const ModulatorTiming& timing, BlendMode mode, MathOp op);
    // A preset load is one change (see ScopedSettingsLoad): a block takes a SettingsRead before
    // its first parameter read, and holds the blend's setting if a load moved under the reads.
    struct SettingsRead
    {
        uint32_t count = 0;
        bool busy = false;
    };
    SettingsRead startSettingsRead() const noexcept;
    bool settingsMovedSince (SettingsRead read) const noexcept;
    // Reads every parameter record (after modulator 2 has set its override) for the engine, and
    // returns the latency of what the block will play. Shared by the plug-in and the standalone.
    int readBlockRecords (BlendMode mode, SettingsRead read, BlendRecords& records);

    void setAudioBuffer (juce::AudioBuffer<float>& target, std::atomic<int>& length,
                         const juce::AudioBuffer<float>& source, double sampleRate);
    void playOneFile (juce::AudioBuffer<float>& buffer, const juce::AudioBuffer<float>& source, int length,
                      int start, bool isAudio1);
    void playBlend (juce::AudioBuffer<float>& buffer, int length, int start);

    juce::AudioBuffer<float> audio1Buffer, audio2Buffer;
    juce::AudioBuffer<float> workBuffer1, workBuffer2;
    juce::SpinLock bufferLock;
    double currentSampleRate = 44100.0;
    // File lengths as the editor polls them, kept apart from the buffers so that reading them
    // never races a hand-over.
    std::atomic<int> audio1Length { 0 }, audio2Length { 0 };

    // The LV2 sidechain has carried a non-zero sample since the last preparation or restart of
    // the transport.
    bool lv2SidechainHeard = false;
    bool lv2TransportStopped = false; // an LV2 host's transport was seen standing still (audio thread only)
    juce::Optional<juce::int64> lv2LastFrame; // the host's position in samples in the block before

    TransportFollower transport;
    TransportState blockTransport; // this block's transport, as hostModulatorTiming reads it

    int handoffState = 0;
    bool handoffWasTouched = false;
    bool handoffArmed = false;
    double handoffLastPos = 0.0;

    // The parameter modulator 2 overrides in this block, as its row of the parameter table (so a
    // read compares addresses, never text); null while nothing is overridden.
    const ParamSpec* mod2OverrideParamId = nullptr;
    float mod2OverrideValue = 0.0f;

    std::atomic<int> lastReportedLatency { 0 };
    std::atomic<bool> audioOwnsLatency { false }, messageReportingLatency { false };
    // Posts the settled latency to the message thread after a restore, or when the mode or
    // Resolution changes there, so that the host is never called back from inside a restore.
    struct LatencyAnnouncer : private juce::AsyncUpdater,
                              private juce::AudioProcessorValueTreeState::Listener
    {
        explicit LatencyAnnouncer (QuorvaneAudioProcessor& p);
        ~LatencyAnnouncer() override;
        void post() { triggerAsyncUpdate(); }
        // Runs a posted report now, as the message loop would (for the tests).
        void deliverPosted() { handleUpdateNowIfNeeded(); }

    private:
        void parameterChanged (const juce::String&, float) override;
        void handleAsyncUpdate() override;
        QuorvaneAudioProcessor& processor;
    };
    LatencyAnnouncer latencyAnnouncer { *this };

    // ---- Morph and the three mix levels (PluginProcessor_Morph.cpp) ----
    using MixLevels = std::array<float, 3>; // FX Level, Signal 1, Signal 2, in percent
    // The levels a block plays: each Morph's while Morph moved after it, else its parameter.
    MixLevels heardMixLevels() const noexcept;
    struct MorphCoupling : private juce::Timer, private juce::AudioProcessorValueTreeState::Listener
    {
        explicit MorphCoupling (QuorvaneAudioProcessor& p);
        ~MorphCoupling() override;
        // Morph moved after the level (0 FX Level, 1 Signal 1, 2 Signal 2).
        bool morphIsNewer (size_t level) const noexcept;
        MixLevels levelsOf (float morphPercent) const noexcept;
        // A state or preset was loaded: its stored levels are heard.
        void settingsLoaded() noexcept;

    private:
        static const std::array<const char*, 3> kLevelIds;
        void parameterChanged (const juce::String& id, float) override;
        void timerCallback() override;
        void publishLevels();

        QuorvaneAudioProcessor& processor;
        std::array<juce::RangedAudioParameter*, 3> levelParameters {};
        std::atomic<uint64_t> stampCounter { 0 }, morphStamp { 0 };
        std::array<std::atomic<uint64_t>, 3> levelStamps {};
        std::atomic<bool> levelsToPublish { false };
        // The thread that is setting the levels to Morph's: their changes are Morph's own.
        std::atomic<juce::Thread::ThreadID> publishingThread { nullptr };
    };
    MorphCoupling morphCoupling { *this };
    std::atomic<int> settingsLoadsUnderWay { 0 };
    std::atomic<uint32_t> settingsLoadCount { 0 };
    bool blendRunning = false; // the standalone's last block played the blend (audio thread only)

    // The tree's value of every parameter, in parameter-table order, resolved once at construction.
    std::array<std::atomic<float>*, kNumParameters> rawValues {};

    float paramValueAt (int index) const noexcept { return rawValues[static_cast<size_t> (index)]->load(); }
    float readRawParamAt (int index) const noexcept
    {
        return mod2OverrideParamId == &kParamTable[index] ? mod2OverrideValue : paramValueAt (index);
    }

    juce::String hostTrackName;
    mutable juce::SpinLock trackNameLock;

    // Lets the tests hold bufferLock the way a file hand-over does, to check that the audio
    // thread gives a silent block instead of waiting.
    friend struct QuorvaneProcessorTestAccess;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuorvaneAudioProcessor)

    JUCE_DECLARE_WEAK_REFERENCEABLE (QuorvaneAudioProcessor)
};
