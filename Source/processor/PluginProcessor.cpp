#include "processor/PluginProcessor.h"
#include "common/JuceCompat.h"
#include "common/SampleLimits.h"
#include "engine/BlockPasses.h"
#include "params/ParamIDs.h"
#include "params/ParameterTable.h"
#include "processor/StateDocument.h"

#include <algorithm>

namespace
{
// Largest absolute sample of a buffer (0 for no channels or a buffer flagged clear).
float peakOf (const juce::AudioBuffer<float>& buffer)
{
    if (buffer.hasBeenCleared())
        return 0.0f;
    float peak = 0.0f;
    for (int c = 0; c < buffer.getNumChannels(); ++c)
        peak = std::max (peak, blockpasses::peak (buffer.getReadPointer (c), buffer.getNumSamples()));
    return peak;
}

// The host's input held to what counts as audio (common/SampleLimits.h): a block with broken
// samples (not finite, or beyond 96 dB over full scale) has them silenced before anything hears
// them, as a decoded file would. Returns the block's peak. Real audio costs only the peak.
float peakOfAudio (juce::AudioBuffer<float>& bus)
{
    if (bus.hasBeenCleared())
        return 0.0f;
    float peak = 0.0f;
    for (int c = 0; c < bus.getNumChannels(); ++c)
    {
        // Channel by channel: a NaN peak would vanish in the maximum over the channels.
        float channelPeak = blockpasses::peak (bus.getReadPointer (c), bus.getNumSamples());
        if (! isAudioPeak (channelPeak))
        {
            silenceBrokenSamples (bus.getWritePointer (c), bus.getNumSamples());
            channelPeak = blockpasses::peak (bus.getReadPointer (c), bus.getNumSamples());
        }
        peak = std::max (peak, channelPeak);
    }
    return peak;
}
} // namespace

QuorvaneAudioProcessor::QuorvaneAudioProcessor()
    : juce::AudioProcessor (makeBusLayout()),
      parameters (*this, nullptr, StateDocument::kRootType, makeLayout())
{
    for (int i = 0; i < kNumParameters; ++i)
        rawValues[static_cast<size_t> (i)] = parameters.getRawParameterValue (kParamTable[i].id);
    static_assert (kNumParameters == std::tuple_size<decltype (rawValues)>::value);
    formatManager.registerBasicFormats();
}

QuorvaneAudioProcessor::~QuorvaneAudioProcessor() = default;

juce::AudioProcessor::BusesProperties QuorvaneAudioProcessor::makeBusLayout()
{
    auto props = BusesProperties().withOutput ("Output", juce::AudioChannelSet::stereo(), true);
    if (juce::PluginHostType::getPluginLoadedAs() != juce::AudioProcessor::wrapperType_Standalone)
        props = props.withInput ("Input", juce::AudioChannelSet::stereo(), true)
                    .withInput ("Sidechain", juce::AudioChannelSet::stereo(), true);
    return props;
}

bool QuorvaneAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    if (layouts.getMainOutputChannelSet() != juce::AudioChannelSet::stereo())
        return false;

    auto disabledOrStereo = [] (const juce::AudioChannelSet& set) {
        return set.isDisabled() || set == juce::AudioChannelSet::stereo();
    };
    if (! disabledOrStereo (layouts.getMainInputChannelSet()))
        return false;
    if (layouts.inputBuses.size() > 1 && ! disabledOrStereo (layouts.getChannelSet (true, 1)))
        return false;
    return true;
}

void QuorvaneAudioProcessor::prepareToPlay (double sampleRate, int samplesPerBlock)
{
    currentSampleRate = sampleRate;
    transport.reset();
    lv2SidechainHeard = false;
    lv2TransportStopped = false;
    lv2LastFrame = {};
    const int channels = std::max (1, getTotalNumOutputChannels());
    engine.prepare (channels, samplesPerBlock, sampleRate, readBlendRecords());
    // Hosts prepare with no block running: the latency of the settings is known now, before
    // the first block (a host asks for it when it activates the plug-in).
    releaseLatencyReport();
    announceSettledLatency();
    audioRunning.store (true);
}

void QuorvaneAudioProcessor::releaseResources()
{
    audioRunning.store (false);
}

void QuorvaneAudioProcessor::reset()
{
    engine.reset();
    // The next block starts the current settings afresh: until it runs, the message thread may
    // tell the host their latency.
    releaseLatencyReport();
}

bool QuorvaneAudioProcessor::isStandaloneWrapper() const
{
    return wrapperType == wrapperType_Standalone;
}

void QuorvaneAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;
    claimLatencyReport();

    if (isStandaloneWrapper())
    {
        processBlockStandalone (buffer);
        outputLevel.store (peakOf (buffer));
    }
    else
    {
        processBlockPlugin (buffer);
        outputLevel.store (peakOf (getBusBuffer (buffer, false, 0)));
    }
}

void QuorvaneAudioProcessor::processBlockPlugin (juce::AudioBuffer<float>& buffer)
{
    const SettingsRead settingsRead = startSettingsRead();
    const int n = buffer.getNumSamples();

    auto inputView = [&] (int bus) {
        if (getBusCount (true) > bus && getBus (true, bus)->isEnabled())
            return getBusBuffer (buffer, true, bus);
        return juce::AudioBuffer<float>();
    };
    auto mainIn = inputView (0);
    auto sidechain = inputView (1);
    const float mainPeak = peakOfAudio (mainIn);
    const float sidechainPeak = peakOfAudio (sidechain);

    // The transport is followed in every block, also while the engine does not run, so that a
    // host that sends positions only on change is tracked across pass-through blocks too.
    // Without a play head there is no transport at all.
    if (auto* head = getPlayHead())
    {
        const auto position = head->getPosition();
        blockTransport = transport.next (position, n, currentSampleRate);
        restartWithTransportIfLv2 (position);
    }
    else
    {
        transport.reset();
        blockTransport = {};
    }

    bool connected = sidechain.getNumChannels() > 0 && n > 0;
    // An LV2 host always connects the sidechain ports, routed or not. Until the sidechain has
    // carried anything but exact zeros since preparation it counts as not connected, so
    // Audio 1 passes through as it would in a format where the bus can be switched off.
    if (connected && wrapperType == wrapperType_LV2 && ! lv2SidechainHeard)
    {
        lv2SidechainHeard = sidechainPeak != 0.0f;
        connected = lv2SidechainHeard;
    }
    sidechainConnected.store (connected);
    inputLevel1.store (mainPeak);
    inputLevel2.store (sidechainPeak);

    auto mainOut = getBusBuffer (buffer, false, 0);

    const int modeIndex = static_cast<int> (paramValue<ParamIDs::mode>());
    const BlendMode mode = blendModeForIndex (modeIndex);

    if (connected && isValidBlendMode (mode))
    {
        const int direction = static_cast<int> (paramValue<ParamIDs::direction>());
        const auto& role1 = direction == TwoToOne ? sidechain : mainIn;
        const auto& role2 = (direction == TwoToOne || direction == OneToOne) ? mainIn : sidechain;

        // Modulator 2 first: when it moves Resolution, the latency the host is told is the one
        // this block's engine applies.
        const auto timing = hostModulatorTiming();
        mod2OverrideParamId = nullptr;
        mod2OverrideValue = 0.0f;
        applyModulator2 (timing, mode, mathOpForIndex (modeIndex));
        BlendRecords records;
        const int latency = readBlockRecords (mode, settingsRead, records);
        reportLatency (latency);
        stepPhase[0].store (heardPhase (timing, latency));
        records.steps = computeModulator1 (timing, latency);
        engine.processRealtime (mode, role1, role2, mainIn, sidechain, mainOut, currentSampleRate, records);
        return;
    }

    // No sidechain (or no valid mode): Audio 1 passes through, as late as the latency the host
    // is told, so that the track stays in time after the host's compensation. While a preset
    // loads, the latency stays where it was.
    const int latency = settingsMovedSince (settingsRead)
                            ? lastReportedLatency.load()
                            : engine.getRealtimeLatencySamples (mode, readVocoderParams().resolution);
    reportLatency (latency);
    engine.passThrough (mainIn, mainOut, latency);
}

void QuorvaneAudioProcessor::restartWithTransportIfLv2 (const juce::Optional<juce::AudioPlayHead::PositionInfo>& position)
{
    // A VST3 host stops processing when its transport stops, and the wrapper then calls reset(),
    // so a restart plays nothing of what came before. An LV2 host goes on calling the plug-in
    // (or stops without a word), and the frames and delays would replay the old material after
    // the restart. So in LV2 a transport that moves again after standing still clears the
    // history the same way, and the sidechain counts as unheard again, as after preparation: a
    // second play of the song's start sounds like the first.
    //
    // Standing still is stopped with the position where it was in the block before. A host that
    // compensates for latency feeds the audio before the start with its transport stopped but
    // its position moving towards the start (Ardour's pre-roll): that audio belongs to what
    // plays next, so a moving position counts as the transport moving. A host that gives no
    // position in samples is standing still whenever it says it is stopped.
    if (wrapperType != wrapperType_LV2)
        return;
    const juce::Optional<juce::int64> frame = position.hasValue() ? position->getTimeInSamples() : juce::nullopt;
    // A position that appears for the first time has come from somewhere: it moved.
    const bool frameMoved = frame.hasValue() && (! lv2LastFrame.hasValue() || *frame != *lv2LastFrame);
    lv2LastFrame = frame;
    if (blockTransport.playing || frameMoved)
    {
        if (lv2TransportStopped)
        {
            engine.reset();
            lv2SidechainHeard = false;
            lv2TransportStopped = false;
        }
        return;
    }
    lv2TransportStopped = true;
}

QuorvaneAudioProcessor::SettingsRead QuorvaneAudioProcessor::startSettingsRead() const noexcept
{
    SettingsRead read;
    read.busy = settingsLoadsUnderWay.load() > 0;
    read.count = settingsLoadCount.load();
    return read;
}

bool QuorvaneAudioProcessor::settingsMovedSince (SettingsRead read) const noexcept
{
    return read.busy || settingsLoadsUnderWay.load() > 0 || settingsLoadCount.load() != read.count;
}

int QuorvaneAudioProcessor::readBlockRecords (BlendMode mode, SettingsRead read, BlendRecords& records)
{
    records = readBlendRecords();
    // A load under way, or one that started or ended while this block read the parameters: the
    // blend keeps the setting of the block before, and the next block takes the whole load.
    engine.holdSetting (settingsMovedSince (read));
    // While a change of mode or Resolution crosses over, the latency heard is the old
    // setting's until the crossfade starts: the engine knows which.
    return engine.latencyOfNextBlock (mode, records.math.op, records.vocoder.resolution);
}

void QuorvaneAudioProcessor::updateTrackProperties (const TrackProperties& properties)
{
    const juce::SpinLock::ScopedLockType lock (trackNameLock);
    hostTrackName = QVCompat::trackNameOf (properties);
}

juce::String QuorvaneAudioProcessor::getHostTrackName() const
{
    const juce::SpinLock::ScopedLockType lock (trackNameLock);
    return hostTrackName;
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new QuorvaneAudioProcessor();
}
