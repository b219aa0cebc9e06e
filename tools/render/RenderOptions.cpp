#include "RenderOptions.h"

#include "params/BlendModeRegistry.h"
#include "params/ParameterTable.h"

#include <cmath>
#include <cstdlib>

namespace
{
enum class Opt
{
    Output, Mode, Set, Automate, Block, AutomationBlock, NoSidechain, CompensateLatency, Report, ListParams,
    ListPresets, Preset, Bpm, TimeSig, Ppq, Stopped, Steps1, Steps2, StateIn, StateOut, Seed, Isa, ListIsas, Help
};

struct OptionInfo
{
    const char* name;
    Opt opt;
    bool takesValue;
};

const OptionInfo kOptions[] = {
    { "-o", Opt::Output, true },           { "--output", Opt::Output, true },
    { "--mode", Opt::Mode, true },         { "--set", Opt::Set, true },
    { "--block", Opt::Block, true },       { "--no-sidechain", Opt::NoSidechain, false },
    { "--automate", Opt::Automate, true }, { "--automation-block", Opt::AutomationBlock, true },
    { "--report", Opt::Report, false },    { "--list-params", Opt::ListParams, false },
    { "--bpm", Opt::Bpm, true },           { "--time-sig", Opt::TimeSig, true },
    { "--ppq", Opt::Ppq, true },           { "--stopped", Opt::Stopped, false },
    { "--steps1", Opt::Steps1, true },     { "--steps2", Opt::Steps2, true },
    { "--state-in", Opt::StateIn, true },  { "--state-out", Opt::StateOut, true },
    { "--seed", Opt::Seed, true },         { "--compensate-latency", Opt::CompensateLatency, false },
    { "--preset", Opt::Preset, true },     { "--list-presets", Opt::ListPresets, false },
    { "--isa", Opt::Isa, true },           { "--list-isas", Opt::ListIsas, false },
    { "-h", Opt::Help, false },            { "--help", Opt::Help, false },
};

const OptionInfo* findOption (const juce::String& name)
{
    for (const auto& option : kOptions)
        if (name == option.name)
            return &option;
    return nullptr;
}

juce::String quoted (const juce::String& text)
{
    return "'" + text + "'";
}

juce::Result notANumber (const juce::String& option, const juce::String& text)
{
    return juce::Result::fail (option + ": " + quoted (text) + " is not a number");
}

// A whole number written with digits only (no sign, no exponent), small enough for an int.
bool parseSmallWholeNumber (const juce::String& text, int& value)
{
    if (text.isEmpty() || text.length() > 6 || ! text.containsOnly ("0123456789"))
        return false;
    value = text.getIntValue();
    return true;
}

// "--mode": the registry entry's exact name, or its index.
juce::Result resolveMode (const juce::String& text, int& index)
{
    const int found = blendModeIndexForName (text.toRawUTF8());
    if (found >= 0)
    {
        index = found;
        return juce::Result::ok();
    }
    return juce::Result::fail ("unknown mode " + quoted (text) + " (use an exact name such as 'Spectral Gate' or an index 0.."
                               + juce::String (kNumBlendModeEntries - 1) + ")");
}

// "ID=REST", the argument of --set and --automate: the identifier must name a parameter.
juce::Result splitParamArgument (const juce::String& text, const juce::String& expected, juce::String& id,
                                 juce::String& rest)
{
    const int eq = text.indexOfChar ('=');
    if (eq <= 0)
        return juce::Result::fail (expected + ", got " + quoted (text));

    id = text.substring (0, eq);
    rest = text.substring (eq + 1);
    if (findParamSpec (id.toRawUTF8()) == nullptr)
        return juce::Result::fail ("unknown parameter id " + quoted (id) + " (--list-params shows them all)");
    return juce::Result::ok();
}

juce::Result parseAssignment (const juce::String& text, ParamAssignment& assignment)
{
    juce::String id, valueText;
    const auto split = splitParamArgument (text, "--set expects ID=VALUE", id, valueText);
    if (split.failed())
        return split;

    double value = 0.0;
    if (! parseNumber (valueText, value))
        return juce::Result::fail ("--set " + id + ": " + quoted (valueText) + " is not a number");

    assignment = { id, value };
    return juce::Result::ok();
}

// Comma-separated fields, split by hand so that empty fields ("0,,1") count as fields and can be
// rejected.
juce::StringArray splitAtCommas (const juce::String& text)
{
    juce::StringArray fields;
    int start = 0;
    for (;;)
    {
        const int comma = text.indexOfChar (start, ',');
        fields.add (text.substring (start, comma < 0 ? text.length() : comma));
        if (comma < 0)
            return fields;
        start = comma + 1;
    }
}

// One "T:V" point of --automate, the n-th (from 1) of its list.
juce::Result parseAutomationPoint (const juce::String& id, int n, const juce::String& text, AutomationPoint& point)
{
    const auto which = "--automate " + id + ": point " + juce::String (n);
    if (text.trim().isEmpty())
        return juce::Result::fail (which + " is empty (expects T:V)");

    const auto where = which + " " + quoted (text.trim());
    const int colon = text.indexOfChar (':');
    if (colon < 0)
        return juce::Result::fail (where + " expects T:V (seconds:value)");

    const auto timeText = text.substring (0, colon), valueText = text.substring (colon + 1);
    if (timeText.trim().isEmpty() || valueText.trim().isEmpty())
        return juce::Result::fail (where + " has an empty time or value (expects T:V)");
    if (! parseNumber (timeText, point.seconds))
        return juce::Result::fail (where + ": time " + quoted (timeText.trim()) + " is not a number");
    if (! parseNumber (valueText, point.value))
        return juce::Result::fail (where + ": value " + quoted (valueText.trim()) + " is not a number");
    if (point.seconds < 0.0)
        return juce::Result::fail (where + ": time " + quoted (timeText.trim()) + " is negative");
    return juce::Result::ok();
}

// "--automate ID=T:V[,T:V...]": the points' values are raw like --set's and are clamped when
// applied, so only the times are checked against each other here.
juce::Result parseAutomation (const juce::String& text, ParamAutomation& automation)
{
    juce::String id, list;
    const auto split = splitParamArgument (text, "--automate expects ID=T:V[,T:V...]", id, list);
    if (split.failed())
        return split;
    if (list.trim().isEmpty())
        return juce::Result::fail ("--automate " + id + ": no points (expects ID=T:V[,T:V...])");

    automation = { id, {} };
    const auto fields = splitAtCommas (list);
    for (int i = 0; i < fields.size(); ++i)
    {
        AutomationPoint point;
        const auto result = parseAutomationPoint (id, i + 1, fields[i], point);
        if (result.failed())
            return result;
        if (! automation.points.empty() && point.seconds <= automation.points.back().seconds)
            return juce::Result::fail ("--automate " + id + ": point " + juce::String (i + 1) + " at "
                                       + quoted (fields[i].upToFirstOccurrenceOf (":", false, false).trim())
                                       + " s does not come after the point before it (times must strictly increase)");
        automation.points.push_back (point);
    }
    return juce::Result::ok();
}

juce::Result addAutomation (const juce::String& text, RenderOptions& options)
{
    ParamAutomation automation;
    const auto result = parseAutomation (text, automation);
    if (result.failed())
        return result;
    for (const auto& earlier : options.automations)
        if (earlier.paramId == automation.paramId)
            return juce::Result::fail ("--automate " + automation.paramId
                                       + " is given twice (one --automate per parameter, with all its points)");
    options.automations.push_back (std::move (automation));
    return juce::Result::ok();
}

// "--block" and "--automation-block": a whole number of samples in the host's range.
juce::Result parseBlockSize (const juce::String& name, const juce::String& value, int& size)
{
    double number = 0.0;
    if (! parseNumber (value, number))
        return notANumber (name, value);
    if (number != std::floor (number) || number < kMinBlockSize || number > kMaxBlockSize)
        return juce::Result::fail (name + " must be a whole number from " + juce::String (kMinBlockSize) + " to "
                                   + juce::String (kMaxBlockSize) + ", got " + quoted (value));
    size = (int) number;
    return juce::Result::ok();
}

juce::Result parseSteps (const juce::String& option, const juce::String& text, StepPattern& steps)
{
    const auto fields = splitAtCommas (text);

    if (fields.size() != 16)
        return juce::Result::fail (option + " expects exactly sixteen comma-separated numbers, got "
                                   + juce::String (fields.size()) + " fields");

    for (int i = 0; i < 16; ++i)
        if (! parseNumber (fields[i], steps[(size_t) i]))
            return juce::Result::fail (option + ": step " + juce::String (i + 1) + " " + quoted (fields[i].trim())
                                       + " is not a number");
    return juce::Result::ok();
}

juce::Result parseTimeSignature (const juce::String& text, int& numerator, int& denominator)
{
    const int slash = text.indexOfChar ('/');
    int n = 0, d = 0;
    if (slash < 0 || ! parseSmallWholeNumber (text.substring (0, slash), n)
        || ! parseSmallWholeNumber (text.substring (slash + 1), d) || n < 1 || d < 1)
        return juce::Result::fail ("--time-sig expects N/D with whole numbers of at least 1, such as 6/8; got "
                                   + quoted (text));
    numerator = n;
    denominator = d;
    return juce::Result::ok();
}

struct TransportArgs
{
    std::optional<double> bpm;
    int numerator = 4, denominator = 4;
    double ppq = 0.0;
    bool timeSigGiven = false, ppqGiven = false, stopped = false;
};

juce::Result applyOption (Opt opt, const juce::String& name, const juce::String& value, RenderOptions& options,
                          TransportArgs& transport)
{
    double number = 0.0;
    switch (opt)
    {
        case Opt::Output: options.output = value; break;
        case Opt::Mode:
        {
            int index = 0;
            const auto result = resolveMode (value, index);
            if (result.failed())
                return result;
            options.assignments.push_back ({ "mode", (double) index });
            break;
        }
        case Opt::Set:
        {
            ParamAssignment assignment;
            const auto result = parseAssignment (value, assignment);
            if (result.failed())
                return result;
            options.assignments.push_back (assignment);
            break;
        }
        case Opt::Automate: return addAutomation (value, options);
        case Opt::Block: return parseBlockSize (name, value, options.blockSize);
        case Opt::AutomationBlock: return parseBlockSize (name, value, options.automationBlockSize);
        case Opt::NoSidechain: options.noSidechain = true; break;
        case Opt::CompensateLatency: options.compensateLatency = true; break;
        case Opt::Report: options.report = true; break;
        case Opt::ListParams: options.listParams = true; break;
        case Opt::ListPresets: options.listPresets = true; break;
        case Opt::Preset:
            if (value.isEmpty())
                return juce::Result::fail ("--preset needs a preset name or file");
            options.preset = value;
            break;
        case Opt::Bpm:
            if (! parseNumber (value, number))
                return notANumber (name, value);
            if (number <= 0.0)
                return juce::Result::fail ("--bpm must be greater than 0, got " + quoted (value));
            transport.bpm = number;
            break;
        case Opt::TimeSig:
        {
            const auto result = parseTimeSignature (value, transport.numerator, transport.denominator);
            if (result.failed())
                return result;
            transport.timeSigGiven = true;
            break;
        }
        case Opt::Ppq:
            if (! parseNumber (value, transport.ppq))
                return notANumber (name, value);
            transport.ppqGiven = true;
            break;
        case Opt::Stopped: transport.stopped = true; break;
        case Opt::Steps1:
        case Opt::Steps2:
        {
            StepPattern steps {};
            const auto result = parseSteps (name, value, steps);
            if (result.failed())
                return result;
            options.steps[opt == Opt::Steps1 ? 0 : 1] = steps;
            break;
        }
        case Opt::StateIn: options.stateIn = value; break;
        case Opt::StateOut: options.stateOut = value; break;
        case Opt::Seed:
        {
            int seed = 0;
            if (! parseSmallWholeNumber (value, seed))
                return juce::Result::fail ("--seed must be a whole number from 0 to 999999, got " + quoted (value));
            options.seed = seed;
            break;
        }
        case Opt::Isa:
        {
            simd::Isa isa {};
            if (! simd::isaFromName (value.toRawUTF8(), isa))
                return juce::Result::fail ("--isa expects baseline, avx2 or avx512, got " + quoted (value));
            options.isa = isa;
            break;
        }
        case Opt::ListIsas: options.listIsas = true; break;
        case Opt::Help: options.showHelp = true; break;
    }
    return juce::Result::ok();
}
} // namespace

bool parseNumber (const juce::String& text, double& value)
{
    const auto trimmed = text.trim();
    // Plain decimal notation only: strtod alone would also take "inf", "nan" and hex floats.
    if (trimmed.isEmpty() || ! trimmed.containsOnly ("0123456789+-.eE"))
        return false;

    const char* begin = trimmed.toRawUTF8();
    char* end = nullptr;
    const double parsed = std::strtod (begin, &end);
    if (end == begin || *end != '\0' || ! std::isfinite (parsed))
        return false;
    value = parsed;
    return true;
}

juce::Result parseRenderArguments (const juce::StringArray& args, RenderOptions& options)
{
    options = RenderOptions();
    TransportArgs transport;
    juce::StringArray positional;
    bool optionsEnded = false;

    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        if (optionsEnded || ! arg.startsWithChar ('-') || arg == "-")
        {
            positional.add (arg);
            continue;
        }
        if (arg == "--")
        {
            optionsEnded = true;
            continue;
        }

        // Long options also take their value as "--name=value".
        juce::String name = arg, value;
        bool valueAttached = false;
        if (arg.startsWith ("--") && arg.containsChar ('='))
        {
            name = arg.upToFirstOccurrenceOf ("=", false, false);
            value = arg.fromFirstOccurrenceOf ("=", false, false);
            valueAttached = true;
        }

        const auto* option = findOption (name);
        if (option == nullptr)
            return juce::Result::fail ("unknown option " + quoted (name) + " (--help lists the options)");

        if (option->takesValue && ! valueAttached)
        {
            if (i + 1 >= args.size())
                return juce::Result::fail ("option " + name + " needs a value");
            value = args[++i];
        }
        else if (! option->takesValue && valueAttached)
        {
            return juce::Result::fail ("option " + name + " takes no value");
        }

        const auto result = applyOption (option->opt, name, value, options, transport);
        if (result.failed())
            return result;
    }

    if (positional.size() > 2)
        return juce::Result::fail ("too many input files: " + quoted (positional[2])
                                   + " (at most AUDIO1 and AUDIO2)");
    options.audio1 = positional[0];
    options.audio2 = positional[1];

    if (transport.bpm.has_value())
        options.transport = TransportOptions { *transport.bpm, transport.numerator, transport.denominator,
                                               transport.ppq, ! transport.stopped };
    else if (transport.timeSigGiven || transport.ppqGiven || transport.stopped)
        options.warnings.add ("--time-sig, --ppq and --stopped have no effect without --bpm");

    // The curve is applied after every fixed value, so it wins whatever the order on the line.
    for (const auto& automation : options.automations)
        for (const auto& assignment : options.assignments)
            if (assignment.paramId == automation.paramId)
            {
                options.warnings.add ("--automate " + automation.paramId + " overrides the value --"
                                      + (automation.paramId == "mode" ? "mode or --" : "") + "set gives it");
                break;
            }

    // The lists and the help text need no audio.
    if (options.showHelp || options.listParams || options.listPresets || options.listIsas)
        return juce::Result::ok();

    if (options.audio1.isEmpty())
        return juce::Result::fail ("no input file given (usage: quorvane-render [options] AUDIO1 [AUDIO2] -o OUT.wav)");
    if (options.output.isEmpty())
        return juce::Result::fail ("no output file given (-o OUT.wav)");

    return juce::Result::ok();
}

juce::String renderUsage()
{
    return "usage: quorvane-render [options] AUDIO1 [AUDIO2] -o OUT.wav\n"
           "\n"
           "Runs the Quorvane plug-in over AUDIO1 (main input) and AUDIO2 (sidechain) the way a\n"
           "plug-in host does, and writes the main output as a 32-bit float stereo WAV file.\n"
           "\n"
           "  -o, --output FILE     output file (required)\n"
           "  --mode NAME|INDEX     Blend Mode by exact name (\"Spectral Gate\") or index 0..21\n"
           "  --set ID=VALUE        raw parameter value (choice: index, switch: 0/1); repeatable\n"
           "  --automate ID=T:V[,T:V...]\n"
           "                        host automation of one parameter: raw values (as --set takes them) at\n"
           "                        times T in seconds from the start; continuous parameters glide between\n"
           "                        the points, choices and switches step at them; repeatable, one option\n"
           "                        per parameter, and it wins over --set\n"
           "  --block N             host block size, default 512, 1..65536\n"
           "  --automation-block N  hand each host block over in pieces of at most N samples (1..65536),\n"
           "                        automation applied before each, as hosts that split their cycle at\n"
           "                        automation events do; default: the host block\n"
           "  --no-sidechain        disable the sidechain bus (AUDIO2 is ignored)\n"
           "  --report              print a JSON summary on stdout\n"
           "  --list-params         print the parameters (id, name, min, max, default, value) and exit\n"
           "  --list-presets        print the presets (factory or user, section, name) and exit\n"
           "  --bpm B               host tempo; without it the plug-in gets no play head\n"
           "  --time-sig N/D        host time signature, default 4/4 (with --bpm)\n"
           "  --ppq P               host position in quarter notes at the first sample, default 0 (with --bpm)\n"
           "  --stopped             the host transport is not playing (with --bpm)\n"
           "  --steps1 v0,...,v15   modulator 1's sixteen step values (-1..1)\n"
           "  --steps2 v0,...,v15   modulator 2's sixteen step values (-1..1)\n"
           "  --state-in FILE       restore this state block before rendering\n"
           "  --preset NAME|FILE    load a factory or user preset by name, or a .qvpreset file, after\n"
           "                        --state-in and before --steps1/--steps2, --mode and --set\n"
           "  --state-out FILE      save the state block after rendering\n"
           "  --seed N              seed of the Probabilistic mode's coin flips, for repeatable renders\n"
           "  --compensate-latency  drop the reported latency from the start and play the tail out, so the\n"
           "                        output lines up with the inputs and is as long as the longer one\n"
           "  --isa baseline|avx2|avx512\n"
           "                        run the engine built for this instruction set (default: the fastest\n"
           "                        this CPU has); every build gives the same output bit for bit\n"
           "  --list-isas           print the instruction-set builds this CPU runs, one per line, and exit\n"
           "  -h, --help            show this text\n"
           "\n"
           "Automation reaches the plug-in as a host's does: each curve's value at the first sample of a\n"
           "host block (or --automation-block piece) is set once for that block. The renderer does not\n"
           "smooth in between; the plug-in itself smooths its continuous dials from block to block.\n"
           "Examples: --automate outputVolDb=0:-6,2:-18 (a volume ride),\n"
           "--automate mode=0:0,0.25:1,0.5:2 (a mode switch every quarter second)\n"
           "\n"
           "Errors exit with status 2 and leave no output file.\n";
}
