#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include "BlendParams.h"
#include "BlendProcessor.h"

#include <array>
#include <atomic>
#include <functional>

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
    void releaseResources() override {}
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

    void updateTrackProperties (const TrackProperties& properties) override;
    juce::String getHostTrackName() const;

    // ---- Parameters ----
    BlendMode currentBlendMode() const;
    MathOp currentMathOp() const;
    int currentDirection() const;
    float readRawParam (const char* paramId) const;
    // The parameter's raw value, ignoring modulator 2. Looks the identifier up in the parameter
    // table, so the audio thread never builds a juce::String for it.
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

    // ---- Hooks the editor sets ----
    std::function<void (const juce::String&)> onInfoMessage;
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

    // Modulator step values, 2 x 16, each -1..1 (stored as given, no clamping).
    float getStepValue (int modulator, int step) const;
    void setStepValue (int modulator, int step, float value);
    std::atomic<float> stepValues[2][16] {};

    int getLastReportedLatency() const noexcept { return lastReportedLatency; }
    double getCurrentSampleRate() const noexcept { return currentSampleRate; }

private:
    bool isStandaloneWrapper() const;
    void processBlockPlugin (juce::AudioBuffer<float>& buffer);
    void processBlockStandalone (juce::AudioBuffer<float>& buffer);

    // Modulators: modulator 1's Morph record for this block, and modulator 2's override.
    RealtimeStepData computeModulator1 (int numSamples);
    void applyModulator2 (int numSamples);

    juce::AudioBuffer<float> audio1Buffer, audio2Buffer;
    juce::AudioBuffer<float> workBuffer1, workBuffer2;
    juce::SpinLock bufferLock;
    double currentSampleRate = 44100.0;

    int handoffState = 0;
    bool handoffWasTouched = false;
    bool handoffArmed = false;
    double handoffLastPos = 0.0;

    const char* mod2OverrideParamId = nullptr;
    float mod2OverrideValue = 0.0f;

    int lastReportedLatency = 0;

    // The tree's value of every parameter, in parameter-table order, resolved once at construction.
    std::array<std::atomic<float>*, 60> rawValues {};

    juce::String hostTrackName;
    mutable juce::SpinLock trackNameLock;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuorvaneAudioProcessor)
};
