#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

#include "engine/BlendParams.h"
#include "engine/BlendTransition.h"
#include "engine/DelayLine.h"
#include "engine/DialGlide.h"
#include "engine/FrameBankSet.h"
#include "engine/MathShape.h"
#include "engine/ModulatorShape.h"
#include "engine/OutputStage.h"
#include "engine/ParamCache.h"
#include "engine/SpectralBanks.h"
#include "engine/VocoderBanks.h"

#include <array>
#include <vector>

// The real-time blend engine. One call of processRealtime turns the two role signals into
// the finished output block: the selected mode, its makeup gain, the output stage (low cut,
// Heat, high cut) and the mix with the dry signals, soft-clipped and scaled by the volume.
//
// Everything is sized in prepare(), the frame banks of every resolution included: nothing the
// dials, the modes or the modulators change allocates afterwards. A change of mode or
// resolution crosses over from the old setting to the new (BlendProcessor_Transition.cpp).
class BlendProcessor
{
public:
    BlendProcessor();

    // Sizes every buffer and builds the frame banks for the resolutions in `records`.
    void prepare (int numChannels, int maxBlockSize, double sampleRate, const BlendRecords& records);

    void processRealtime (BlendMode mode,
                          const juce::AudioBuffer<float>& role1, const juce::AudioBuffer<float>& role2,
                          const juce::AudioBuffer<float>& dry1, const juce::AudioBuffer<float>& dry2,
                          juce::AudioBuffer<float>& out, double sampleRate, const BlendRecords& records);

    // Without a sidechain the plug-in plays Audio 1 alone: delayed by the latency the mode
    // reports, like everything the engine outputs, so a host's compensation keeps it in time.
    // `audio1` may share memory with `out`; a mono `audio1` feeds every output channel.
    void passThrough (const juce::AudioBuffer<float>& audio1, juce::AudioBuffer<float>& out, int latency);

    // Forgets every signal the engine has heard (mode states and histories, filters, level
    // ramps, dry delays) and restarts every clock, without allocating: afterwards the output is
    // what a freshly prepared engine would give. Hosts call it on transport jumps.
    void reset() noexcept;

    int getRealtimeLatencySamples (BlendMode mode, int resolution) const noexcept;
    // The latency of what the next block will play when its dials ask for this mode: the one
    // to tell the host for that block. While a change crosses over it is the old setting's
    // until the crossfade starts.
    int latencyOfNextBlock (BlendMode mode, MathOp op, int resolution) const noexcept;
    // While set, blocks keep the setting (mode, operation, resolution) of the last block that
    // ran the blend, whatever they ask for: the processor holds it while a preset loads, so
    // that the load is heard as one change.
    void holdSetting (bool hold) noexcept { settingHeld = hold; }
    // The largest latency of any mode at any resolution: what the dry delays must hold.
    static int maxRealtimeLatencySamples() noexcept;

    static float modeMakeupGain (BlendMode mode, MathOp op, int resolution) noexcept;

    int getPreparedChannels() const noexcept { return preparedChannels; }
    int getPreparedBlockSize() const noexcept { return preparedBlockSize; }

    // ---- Mode operations. Each reads input sample j before writing output sample j, so the
    // output may share memory with either input. ----
    void runSidechain (int channel, const float* role1, const float* role2, float* out, int numSamples,
                       double sampleRate, const SidechainParams&);
    void runAmplitudeFollow (int channel, const float* role1, const float* role2, float* out, int numSamples,
                             double sampleRate, const SidechainParams&);
    void runMath (int channel, const float* role1, const float* role2, float* out, int numSamples,
                  double sampleRate, const MathParams&);
    // Channels `channel` .. `channel + count - 1` (count 1 or 2) at once; each channel's result is
    // exactly that of runMath.
    void runMathChannels (int channel, int count, const float* const* role1, const float* const* role2,
                          float* const* out, int numSamples, double sampleRate, const MathParams&);
    void runAM (int channel, const float* role1, const float* role2, float* out, int numSamples,
                double sampleRate, const AMParams&);
    void runFM (int channel, const float* role1, const float* role2, float* out, int numSamples,
                double sampleRate, const FMParams&, const WaveshapeParams&);
    void runProbabilistic (const juce::AudioBuffer<float>& role1, const juce::AudioBuffer<float>& role2,
                           juce::AudioBuffer<float>& out, int numSamples, double sampleRate,
                           const ProbabilisticParams&);
    void runScrub (int channel, const float* role1, const float* role2, float* out, int numSamples,
                   const ScrubParams&);
    void runFreqSplice (int channel, const float* role1, const float* role2, float* out, int numSamples,
                        const FreqSpliceParams&);
    void runSpectralGate (int channel, const float* role1, const float* role2, float* out, int numSamples,
                          const SpectralGateParams&);
    void runPhaseSwap (int channel, const float* role1, const float* role2, float* out, int numSamples,
                       const PhaseSwapParams&);
    void runBinInterleave (int channel, const float* role1, const float* role2, float* out, int numSamples,
                           const BinInterleaveParams&);
    void runVocoderClassic (int channel, const float* role1, const float* role2, float* out, int numSamples);
    void runVocoderDistorted (int channel, const float* role1, const float* role2, float* out, int numSamples,
                              const VocoderParams&);
    void runVocoderFFT (int channel, const float* role1, const float* role2, float* out, int numSamples);

    // ---- Bank preparation for callers that drive a mode directly: a resolution other than
    // the one the mode last played starts from silence (the engine itself selects the banks
    // and lets a change of setting decide, see ModeOps::enter). ----
    void prepareVocoderClassicIfNeeded (int numBands, int numChannels, double sampleRate, const VocoderParams&);
    void prepareVocoderFFTIfNeeded (int resolution, int numChannels, double sampleRate, const VocoderParams&);
    void prepareFreqSpliceIfNeeded (int numChannels, double sampleRate, const FreqSpliceParams&);
    void prepareSpectralGateIfNeeded (int resolution, int numChannels, double sampleRate);
    void preparePhaseSwapIfNeeded (int resolution, int numChannels, double sampleRate);
    void prepareBinInterleaveIfNeeded (int resolution, int numChannels, double sampleRate);

    // Level ramp state of one output channel (128-sample linear ramps of the three mix levels).
    struct RtMixState
    {
        float startFx = -1.0f, startSig1 = -1.0f, startSig2 = -1.0f;
        float targetFx = 0.0f, targetSig1 = 0.0f, targetSig2 = 0.0f;
        int32_t rampRemaining = 0;
    };

    // ---- Recovery from bad audio ----
    // After every block each channel is checked once for NaN, infinite or absurdly large values
    // (in the block's inputs, in the mode's output and in the output stage's filter states); a
    // channel found poisoned has that state cleared, so the next block starts clean instead of
    // carrying the damage for the rest of the session. The check only reads, so audio that never
    // trips it is processed exactly as without it.
    void setRecoveryEnabled (bool enabled) noexcept { recoveryEnabled = enabled; }
    // How many times a channel was found damaged since construction (for diagnostics and tests).
    uint32_t getRecoveryCount() const noexcept { return recoveryCount; }

    // The Probabilistic mode's coin flips start from a random seed; a fixed one makes two engines
    // flip alike (comparisons of whole runs).
    void setRandomSeed (juce::int64 seed) noexcept { probRandom.setSeed (seed); }

private:
    // ---- The mode table (BlendProcessor_Modes.cpp): one row per BlendMode ----
    // The block a mode works on. Per-channel calls see one channel's pointers.
    struct ModeBlock
    {
        const juce::AudioBuffer<float>& role1;
        const juce::AudioBuffer<float>& role2;
        juce::AudioBuffer<float>& out;
        int numChannels;
        int numSamples;
        double sampleRate;
        const BlendRecords& records;

        // Channel c's role signals; a role with fewer channels repeats its last one.
        const float* role1Of (int c) const noexcept { return roleOf (role1, c); }
        const float* role2Of (int c) const noexcept { return roleOf (role2, c); }
        static const float* roleOf (const juce::AudioBuffer<float>& role, int c) noexcept
        {
            return role.getReadPointer (std::min (c, role.getNumChannels() - 1));
        }
    };
    struct ModeChannel
    {
        int channel;
        const float* role1;
        const float* role2;
        float* out;
    };
    // The dials of a mode that scale or drive its signal, as places in a block's records: they
    // glide when they move (see DialGlide.h). Dials that set a time (attack, release, hold) or a
    // structure (resolution, chunk), and the frame modes' dials, which act once per frame, are
    // not among them.
    static constexpr int kMaxModeDials = 6;
    struct ModeDials
    {
        float* dial[kMaxModeDials] {};

        int count() const noexcept
        {
            int n = 0;
            while (n < kMaxModeDials && dial[n] != nullptr)
                ++n;
            return n;
        }
    };

    enum class SharedState
    {
        none,
        classicBank, // Classic and Distorted Vocoder: one filter bank
        mathTilt     // the math operations: one tilt filter per role
    };

    // Everything the engine frame needs to know about one algorithm. Null entries do nothing.
    struct ModeOps
    {
        BlendMode mode;
        float (*makeupGain) (MathOp op, int resolution) noexcept;
        int (*latency) (int resolution) noexcept;
        // Selects the mode's banks for the records and brings their coefficients up to date.
        // Every bank was built in prepare(), which also calls this for every mode; only a bank
        // not built for the channel count or rate (a caller that skipped preparation) is built
        // here.
        void (*prepareIfNeeded) (BlendProcessor&, int numChannels, double sampleRate, const BlendRecords&);
        // A mode that decides across channels runs once per block, before the channel pass.
        void (*runBlock) (BlendProcessor&, const ModeBlock&);
        void (*runChannel) (BlendProcessor&, const ModeBlock&, const ModeChannel&);
        // Clears the signal-dependent state of one channel after bad audio (see recoverChannel).
        void (*resetChannel) (BlendProcessor&, int channel) noexcept;
        // The mode's gliding dials in a set of records (null: none).
        ModeDials (*dials) (BlendRecords&) noexcept;
        // The value that stands for a resolution in the mode's structure (its frames, bands,
        // latency and makeup): resolutions giving the same structure give the same value
        // (null: the resolution shapes nothing).
        int (*structure) (int resolution) noexcept = nullptr;
        // State the mode shares with others, which a change between them forks (see
        // BlendProcessor_Transition.cpp).
        SharedState shared = SharedState::none;
        // A change of setting enters the mode at a resolution: the frame modes start a frame
        // size other than the one they played last from silence (null: nothing to do).
        void (*enter) (BlendProcessor&, int resolution) noexcept = nullptr;
    };
    static const ModeOps kModeTable[];
    static const ModeOps kUnknownModeOps; // a value outside the enumeration: role1 passes through
    static const ModeOps& modeOps (BlendMode mode) noexcept;
    void prepareEveryMode (int numChannels, double sampleRate, const BlendRecords& records);
    static float mathMakeupGain (MathOp op) noexcept; // BlendProcessor_Math.cpp

    void processChunk (BlendMode mode, const juce::AudioBuffer<float>& role1, const juce::AudioBuffer<float>& role2,
                       const juce::AudioBuffer<float>& dry1, const juce::AudioBuffer<float>& dry2,
                       juce::AudioBuffer<float>& out, int numChannels, double sampleRate,
                       const BlendRecords& records, const RealtimeStepData& steps);
    void resetClassicVocoderBank();
    // The output stage and the mix of a block whose blend is in block.out.
    void finishBlend (const ModeBlock& block, const juce::AudioBuffer<float>& dry1, const juce::AudioBuffer<float>& dry2,
                      const OutputMixParams& mix, const OutputStage& stage, const RealtimeStepData& steps) noexcept;
    // A view of `numSamples` samples of a buffer from `start` on, sharing its memory.
    static juce::AudioBuffer<float> viewOf (const juce::AudioBuffer<float>& buffer, int numChannels, int start,
                                            int numSamples);

    // Recovery (BlendProcessor_Recovery.cpp): `measure` is the summed magnitude of the channel's
    // inputs and blend for the block.
    void recoverChannel (BlendMode mode, int channel, float measure) noexcept;
    // Each mode family clears the signal-dependent state of one channel; clocks (write indices,
    // frame positions, LFO phases) keep running.
    void resetEnvelopeChannel (BlendMode mode, int channel) noexcept;
    void resetMathChannel (int channel) noexcept;
    void resetModulationChannel (BlendMode mode, int channel) noexcept;
    void resetScrubChannel (int channel) noexcept;
    void resetSpectralChannel (BlendMode mode, int channel) noexcept;
    void resetVocoderChannel (BlendMode mode, int channel) noexcept;

    // The envelope modes' serial per-sample recursions run two channels side by side, so that
    // each channel's chain fills the other's wait: the even channel's call also works out its
    // partner's block into pairedOut, and the partner's call hands that out. The partner's
    // inputs are read before anything is written, as in one call for both.
    std::vector<float> pairedOut;
    BlendMode pairedMode = Math;
    int pairedChannel = -1; // the channel whose block pairedOut holds, -1 for none
    int pairedSamples = 0;
    void preparePairedChannels();
    // The channels one call runs: `count` 2 for c and its partner (whose output goes to
    // pairedOut), 1 for c alone, 0 for nothing left to do (the partner's block was handed out,
    // or the channel has no state).
    struct PairedRun
    {
        int count = 0;
        size_t channels[2] {};
        const float* role1[2] {};
        const float* role2[2] {};
        float* out[2] {};
    };
    PairedRun beginPairedRun (BlendMode mode, const ModeBlock& b, const ModeChannel& c, size_t stateChannels) noexcept;
    void runSidechainChannel (const ModeBlock& b, const ModeChannel& c);
    void runAmplitudeFollowChannel (const ModeBlock& b, const ModeChannel& c);

    int preparedChannels = 0;
    int preparedBlockSize = 0;

    // Output stage: the filter states per channel, and the coefficients of the current settings.
    std::vector<OutputStageState> stageStates;
    ParamCache<OutputMixParams, OutputStage> cachedStage;
    // Each channel's summed input and blend magnitudes of the block (see recoverChannel).
    std::vector<float> recoveryMeasure;

    std::vector<RtMixState> mixStates;

    // ---- Changes of setting (BlendProcessor_Transition.cpp) ----
    BlendTransition transition;
    bool settingHeld = false;
    bool hasWanted = false; // lastWanted holds the setting of a block since preparation
    BlendSetting lastWanted;
    // The setting a block asks for, or the last one while the setting is held.
    BlendSetting wantedSetting (BlendMode mode, MathOp op, int resolution) const noexcept;
    void processSetting (BlendMode mode, const juce::AudioBuffer<float>& role1, const juce::AudioBuffer<float>& role2,
                         const juce::AudioBuffer<float>& dry1, const juce::AudioBuffer<float>& dry2,
                         juce::AudioBuffer<float>& out, double sampleRate, const BlendRecords& records);
    // The new setting's blend while it runs beside the old one, and the chunk's crossfade weights.
    juce::AudioBuffer<float> transitionBlend;
    std::vector<float> transitionWeights;
    // The old setting's copy of state it shares with the new one.
    VCBank classicFadeBank;
    std::vector<float> mathFadeTilt1, mathFadeTilt2;
    static BlendSetting settingOf (BlendMode mode, MathOp op, int resolution) noexcept;
    static BlendRecords recordsFor (const BlendRecords& records, BlendSetting setting) noexcept;
    static int latencyOf (BlendSetting setting) noexcept;
    void prepareTransitions (int numChannels, int blockSize);
    // The block's start: a change may begin or its crossfade start. Returns the block's latency.
    int beginBlockSetting (BlendMode mode, const BlendRecords& records) noexcept;
    void forkSharedState (SharedState shared);
    void swapSharedState (SharedState shared) noexcept;
    // Runs one setting on a block, makeup gain included.
    void runSetting (BlendSetting setting, const ModeBlock& block, bool gliding);
    // The chunk's blend while a change is under way: both settings, crossed over.
    void runTransition (const ModeBlock& block);
    // After the output stage, while the blend takes over from pass-through.
    void crossFromPassThrough (const ModeBlock& block, const juce::AudioBuffer<float>& dry1) noexcept;
    // The FFT vocoder's bank for a resolution, its coefficients brought up to date.
    void selectVocoderFFT (int resolution, int numChannels, double sampleRate, const VocoderParams&);
    // Recovery: clears one channel of every mode that runs (both while a change is under way).
    void resetRunningModes (BlendMode mode, int channel) noexcept;

    // ---- Gliding dials (BlendProcessor_Glide.cpp) ----
    // The mix levels (0..1), the ceiling and volume gains, the tone (FX LowCut Hz, Heat %, FX
    // HiCut Hz) and the current mode's dials, each following the host's values sample by sample.
    DialGlide<3> levelGlide;
    DialGlide<2> gainGlide;
    DialGlide<3> toneGlide;
    DialGlide<kMaxModeDials> modeGlide;
    BlendMode modeGlideMode = Math;
    int glideMinSamples = 1;
    // The last block's records; while the mode's dials glide, rewritten every few samples with
    // their values on the way.
    BlendRecords glideRecords;
    double glideRate = 0.0;
    bool glidesTargeted = false;
    // One chunk's gliding levels and gains, shared by every channel.
    std::vector<float> glideFx, glideSig1, glideSig2, glideCeiling, glideInvCeiling, glideVolume;
    // The tone while it glides, designed again every few samples.
    OutputStage glideStage;
    struct GlidingLevels
    {
        const float* fx;
        const float* sig1;
        const float* sig2;
        MorphLevels next; // the levels of the sample after the chunk
    };
    void resetGlides() noexcept;
    void targetGlides (BlendMode mode, const BlendRecords& records, int n, double sampleRate) noexcept;
    void advanceGlides (int n) noexcept;
    // Fills the chunk's level and gain arrays for the glides that move; null when the levels hold.
    const GlidingLevels* fillGlidingLevels (GlidingLevels& levels, int n) noexcept;
    void runModeGliding (const ModeOps& ops, const ModeBlock& block);
    void finishGliding (const OutputStage& stage, const OutputStage::Channel& first,
                        const OutputStage::Channel* second, int n, double sampleRate) noexcept;

    // Per-sample work arrays of one chunk, sized by prepare: Morph's level targets (shared by
    // every channel), a pair's ramped levels, and the two shaped sides of the math modes before
    // their operation.
    std::vector<float> targetFx, targetSig1, targetSig2;
    std::vector<float> levelFx, levelSig1, levelSig2; // two channels' worth
    // One channel's levels for the block: constants while they hold, else ramped per sample into
    // the level arrays at `lane` (0 or 1 of a pair).
    // `glide`: the levels of every sample while they glide (null while they hold at `fixed`).
    void rampLevels (RtMixState&, bool morphing, MorphLevels fixed, const GlidingLevels* glide, int n, int lane,
                     OutputStage::Channel&) noexcept;
    std::vector<float> mathSide1, mathSide2; // two channels' worth
    ParamCache<MathParams, MathShape> mathShapeCache;

    // Dry snapshots: the output may share memory with the inputs (hosts process in place).
    juce::AudioBuffer<float> dryCopy1, dryCopy2;
    // The dry signals held back by the mode's latency, one delay per snapshot channel. Audio 1's
    // delays also carry the pass-through, so its history runs on while no sidechain is there;
    // Audio 2's history is stale after a pass-through block and is cleared before it is used.
    std::vector<BlockDelay> dryDelay1, dryDelay2;
    // A change of latency crossfades the dry and pass-through paths to the new read point.
    DelayFade dryFade;
    bool dry2HistoryStale = false;
    void snapshotDry (const juce::AudioBuffer<float>& dry, const juce::AudioBuffer<float>& role,
                      juce::AudioBuffer<float>& copy, std::vector<BlockDelay>& delays, int n) noexcept;

    // ---- Time-domain mode state, per channel ----
    std::vector<float> scEnvelope;        // Sidechain Duck
    std::vector<float> afEnvelope;        // Amplitude Follow
    std::vector<float> amLfoPhase;        // AM, radians
    std::vector<float> fmFeedbackState;   // FM: tanh of the previous output
    std::vector<float> fmSmoothedMod;     // FM: smoothed modulation
    std::vector<float> mathTiltLp1, mathTiltLp2; // math tilt low-pass states of role1 / role2

    std::vector<DelayLine> fmDelay;
    std::vector<DelayLine> scrubHistory;
    std::vector<double> scrubOffset, scrubVelocity;

    static constexpr int kMaxProbabilisticChannels = 8;
    std::vector<uint8_t> probChoice, probIndependent, probPreviousChoice;
    std::vector<int32_t> probHoldRemaining, probFadeRemaining, probFadeLength;
    juce::Random probRandom;

    // ---- Frame-based and filter-bank mode state ----
    VCBank classicBank;
    FrameBankSet<VFBank> fftVocoderBanks;
    FSBank freqSpliceBank;
    FrameBankSet<SXBank> spectralGateBanks, phaseSwapBanks, binInterleaveBanks;

    bool recoveryEnabled = true;
    uint32_t recoveryCount = 0;
};
