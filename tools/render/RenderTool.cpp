#include "RenderTool.h"

#include "AtomicFileOutput.h"
#include "InputFile.h"
#include "OfflineRender.h"
#include "ProcessorSetup.h"
#include "RenderOptions.h"
#include "TextFormat.h"

#include "processor/PluginProcessor.h"

#include <memory>
#include <optional>

namespace
{
juce::File resolvePath (const juce::String& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile (path);
}

int fail (std::ostream& err, const juce::String& message)
{
    err << "quorvane-render: error: " << message << "\n";
    return kExitError;
}

juce::Result openInputs (const RenderOptions& options, InputFile& audio1, std::unique_ptr<InputFile>& audio2)
{
    auto result = audio1.open (resolvePath (options.audio1), "AUDIO1");
    if (result.failed())
        return result;

    if (options.noSidechain || options.audio2.isEmpty())
        return juce::Result::ok();

    audio2 = std::make_unique<InputFile>();
    result = audio2->open (resolvePath (options.audio2), "AUDIO2");
    if (result.failed())
        return result;

    if (audio2->getSampleRate() != audio1.getSampleRate())
        return juce::Result::fail ("the inputs have different sample rates: AUDIO1 " + formatDouble (audio1.getSampleRate())
                                   + " Hz, AUDIO2 " + formatDouble (audio2->getSampleRate()) + " Hz");
    return juce::Result::ok();
}

// The instruction-set builds this CPU runs, slowest first, as --isa takes them.
void listIsas (std::ostream& out)
{
    for (const auto isa : simd::kAllIsas)
        if (simd::isSupported (isa))
            out << simd::isaOptionName (isa) << "\n";
}

juce::Result checkIsa (simd::Isa isa)
{
    if (simd::isSupported (isa))
        return juce::Result::ok();
    return juce::Result::fail (juce::String ("this CPU cannot run the ") + simd::isaName (isa)
                               + " build (--list-isas shows the builds it runs)");
}
} // namespace

int runRenderTool (const juce::StringArray& args, std::ostream& out, std::ostream& err)
{
    RenderOptions options;
    if (const auto result = parseRenderArguments (args, options); result.failed())
        return fail (err, result.getErrorMessage());

    if (options.showHelp)
    {
        out << renderUsage();
        return kExitOk;
    }
    for (const auto& warning : options.warnings)
        err << "quorvane-render: warning: " << warning << "\n";

    if (options.listPresets)
    {
        listPresets (out);
        return kExitOk;
    }
    if (options.listIsas)
    {
        listIsas (out);
        return kExitOk;
    }

    // The choice holds for this run only: the tests call the tool in their own process.
    std::optional<simd::ScopedIsa> isaChoice;
    if (options.isa.has_value())
    {
        if (const auto result = checkIsa (*options.isa); result.failed())
            return fail (err, result.getErrorMessage());
        isaChoice.emplace (*options.isa);
    }

    auto processor = std::make_unique<QuorvaneAudioProcessor>();
    if (const auto result = configureProcessor (*processor, options, err); result.failed())
        return fail (err, result.getErrorMessage());

    if (options.listParams)
    {
        listParameters (*processor, out);
        return kExitOk;
    }

    InputFile audio1;
    std::unique_ptr<InputFile> audio2;
    if (const auto result = openInputs (options, audio1, audio2); result.failed())
        return fail (err, result.getErrorMessage());

    // The output is opened before rendering so that an unwritable target fails at once.
    WavFileOutput output;
    if (const auto result = output.open (resolvePath (options.output), audio1.getSampleRate()); result.failed())
        return fail (err, result.getErrorMessage());

    RenderJob job;
    job.audio1 = &audio1;
    job.audio2 = audio2.get();
    job.blockSize = options.blockSize;
    job.compensateLatency = options.compensateLatency;
    job.transport = options.transport.has_value() ? &*options.transport : nullptr;
    job.automation = &options.automations;
    job.automationBlockSize = options.automationBlockSize;

    if (const auto result = prepareForRender (*processor, job); result.failed())
        return fail (err, result.getErrorMessage());

    RenderSummary summary;
    if (const auto result = runRender (*processor, job, output, summary); result.failed())
        return fail (err, result.getErrorMessage());

    BinaryFileOutput stateOutput;
    if (options.stateOut.isNotEmpty())
    {
        juce::MemoryBlock state;
        processor->getStateInformation (state);
        if (const auto result = stateOutput.prepare (resolvePath (options.stateOut), state); result.failed())
            return fail (err, result.getErrorMessage());
        if (const auto result = stateOutput.commit(); result.failed())
            return fail (err, result.getErrorMessage());
    }

    if (const auto result = output.commit(); result.failed())
        return fail (err, result.getErrorMessage());

    if (options.report)
        out << reportJson (summary) << "\n";
    return kExitOk;
}
