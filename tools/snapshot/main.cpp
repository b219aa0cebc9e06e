// quorvane-snapshot: builds the real processor and its editor, lays the editor out at a given
// size and writes a PNG of what a user would see. Needs a display (run under xvfb-run on a
// machine without one).

#include "params/BlendModeRegistry.h"
#include "ui/PluginEditor.h"
#include "processor/PluginProcessor.h"
#include "ui/ThemePalette.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <vector>

namespace
{
const char* const kUsage =
    "usage: quorvane-snapshot [options] -o OUT.png\n"
    "  --theme dark|light        palette to draw with (default: light, as a fresh process)\n"
    "  --flip-theme              start in the --theme palette, then press the theme button once\n"
    "  --mode NAME|INDEX         Blend Mode entry to select before drawing\n"
    "  --set ID=VALUE            raw parameter value (repeatable)\n"
    "  --steps1 v0,...,v15       modulator 1 steps\n"
    "  --settings-open           open the settings view\n"
    "  --size WxH                editor size (default: the presentation's logical size, 720x572 for the\n"
    "                            plug-in); the content scales as in a host window\n"
    "  --message TEXT            show TEXT in the message bar as a timed message\n"
    "  --presentation plugin|standalone|phone\n"
    "                            which editor to draw (default plugin); standalone loads the default\n"
    "                            samples into Audio 1 and Audio 2\n"
    "  --tab blend|audio1|audio2 page shown by the standalone editor (default blend)\n"
    "  --cursor F                standalone: play the blend, stopped at fraction F (0..1) of its length\n";

int fail (const juce::String& message)
{
    std::cerr << "quorvane-snapshot: " << message << "\n" << kUsage;
    return 2;
}

bool parseNumber (const juce::String& text, double& out)
{
    const auto trimmed = text.trim();
    if (trimmed.isEmpty())
        return false;
    char* end = nullptr;
    const auto utf8 = trimmed.toStdString();
    out = std::strtod (utf8.c_str(), &end);
    return end != nullptr && *end == 0 && std::isfinite (out);
}

bool parseInt (const juce::String& text, int& out)
{
    if (text.isEmpty() || ! text.containsOnly ("0123456789"))
        return false;
    out = text.getIntValue();
    return text.length() <= 6;
}

// Sets a parameter from its raw (de-normalised) value, clamped to its range.
void setRaw (juce::RangedAudioParameter& param, float value)
{
    const auto& range = param.getNormalisableRange();
    param.setValueNotifyingHost (param.convertTo0to1 (juce::jlimit (range.start, range.end, value)));
}

enum class Presentation
{
    Plugin,
    Standalone,
    Phone
};

// A button directly inside `parent` that shows `text`; with `deep`, anywhere below it.
juce::Button* findButton (juce::Component& parent, const juce::String& text, bool deep)
{
    for (auto* child : parent.getChildren())
    {
        if (auto* button = dynamic_cast<juce::Button*> (child); button != nullptr && button->getButtonText() == text)
            return button;
        if (deep)
            if (auto* found = findButton (*child, text, true))
                return found;
    }
    return nullptr;
}

// The button a user presses to switch the theme: the settings view's names the theme in force,
// the phone preview's the theme it switches to.
juce::Button* themeButton (QuorvanePluginEditor& editor)
{
    const bool dark = QV::gActive == &QV::kDark;
    if (editor.isPhonePreview())
        return findButton (editor.getPhoneLayout(), dark ? "Light" : "Dark", false);
    return findButton (editor.getBlendPage(), dark ? "Dark" : "Light", true);
}

struct Options
{
    Presentation presentation = Presentation::Plugin;
    int tab = -1;        // standalone page; -1: not asked for
    double cursor = -1.0; // standalone blend position; -1: stopped
    const ThemePalette* theme = &QV::kLight;
    std::vector<std::function<juce::String (QuorvaneAudioProcessor&)>> edits; // in command-line order
    bool settingsOpen = false;
    bool flipTheme = false;
    int width = 0; // 0: the presentation's logical size
    int height = 0;
    juce::String message;
    bool hasMessage = false;
    juce::String output;
};
} // namespace

int main (int argc, char* argv[])
{
    Options options;

    for (int i = 1; i < argc; ++i)
    {
        const juce::String arg (juce::CharPointer_UTF8 (argv[i]));
        const bool takesValue = arg == "--theme" || arg == "--mode" || arg == "--set" || arg == "--steps1"
                                || arg == "--size" || arg == "--message" || arg == "--presentation"
                                || arg == "--tab" || arg == "--cursor" || arg == "-o";
        if (arg == "--settings-open" || arg == "--flip-theme")
        {
            (arg == "--settings-open" ? options.settingsOpen : options.flipTheme) = true;
            continue;
        }
        if (! takesValue)
            return fail ("unknown option '" + arg + "'");
        if (i + 1 >= argc)
            return fail ("option '" + arg + "' needs a value");
        const juce::String value (juce::CharPointer_UTF8 (argv[++i]));

        if (arg == "--theme")
        {
            if (value == "dark")
                options.theme = &QV::kDark;
            else if (value == "light")
                options.theme = &QV::kLight;
            else
                return fail ("unknown theme '" + value + "' (dark or light)");
        }
        else if (arg == "--mode")
        {
            const int index = blendModeIndexForName (value.toRawUTF8());
            if (index < 0)
                return fail ("unknown mode '" + value + "' (an exact Blend Mode name or an index 0.."
                             + juce::String (kNumBlendModeEntries - 1) + ")");
            options.edits.push_back ([index] (QuorvaneAudioProcessor& p) {
                setRaw (*p.parameters.getParameter ("mode"), (float) index);
                return juce::String();
            });
        }
        else if (arg == "--set")
        {
            const auto id = value.upToFirstOccurrenceOf ("=", false, false).trim();
            double raw = 0.0;
            if (! value.containsChar ('=') || id.isEmpty()
                || ! parseNumber (value.fromFirstOccurrenceOf ("=", false, false), raw))
                return fail ("--set expects ID=VALUE with a number, got '" + value + "'");
            options.edits.push_back ([id, raw] (QuorvaneAudioProcessor& p) {
                auto* param = p.parameters.getParameter (id);
                if (param == nullptr)
                    return "unknown parameter '" + id + "'";
                setRaw (*param, (float) raw);
                return juce::String();
            });
        }
        else if (arg == "--steps1")
        {
            juce::StringArray parts;
            parts.addTokens (value, ",", {});
            if (parts.size() != 16)
                return fail ("--steps1 expects 16 comma-separated values, got " + juce::String (parts.size()));
            std::vector<float> steps;
            for (const auto& part : parts)
            {
                double v = 0.0;
                if (! parseNumber (part, v))
                    return fail ("--steps1: '" + part + "' is not a number");
                steps.push_back ((float) juce::jlimit (-1.0, 1.0, v)); // the editor keeps steps in -1..+1
            }
            options.edits.push_back ([steps] (QuorvaneAudioProcessor& p) {
                for (int s = 0; s < 16; ++s)
                    p.setStepValue (0, s, steps[(size_t) s]);
                return juce::String();
            });
        }
        else if (arg == "--size")
        {
            const auto w = value.upToFirstOccurrenceOf ("x", false, true);
            const auto h = value.fromFirstOccurrenceOf ("x", false, true);
            if (! parseInt (w, options.width) || ! parseInt (h, options.height) || options.width < 1
                || options.height < 1 || options.width > 8000 || options.height > 8000)
                return fail ("--size expects WxH with 1..8000 each, got '" + value + "'");
        }
        else if (arg == "--presentation")
        {
            if (value == "plugin")
                options.presentation = Presentation::Plugin;
            else if (value == "standalone")
                options.presentation = Presentation::Standalone;
            else if (value == "phone")
                options.presentation = Presentation::Phone;
            else
                return fail ("unknown presentation '" + value + "' (plugin, standalone or phone)");
        }
        else if (arg == "--tab")
        {
            const juce::StringArray tabs { "blend", "audio1", "audio2" };
            options.tab = tabs.indexOf (value);
            if (options.tab < 0)
                return fail ("unknown tab '" + value + "' (blend, audio1 or audio2)");
        }
        else if (arg == "--cursor")
        {
            if (! parseNumber (value, options.cursor) || options.cursor < 0.0 || options.cursor > 1.0)
                return fail ("--cursor expects a fraction 0..1, got '" + value + "'");
        }
        else if (arg == "--message")
        {
            options.message = value;
            options.hasMessage = true;
        }
        else
        {
            options.output = value;
        }
    }

    if (options.output.isEmpty())
        return fail ("no output file (-o OUT.png)");
    if ((options.tab >= 0 || options.cursor >= 0.0) && options.presentation != Presentation::Standalone)
        return fail ("--tab and --cursor need --presentation standalone");

    // The editor decides its presentation from the wrapper it runs in and from this variable.
    if (options.presentation == Presentation::Phone)
        ::setenv (QuorvanePluginEditor::previewVariable, "1", 1);
    else
        ::unsetenv (QuorvanePluginEditor::previewVariable);
    if (options.presentation == Presentation::Standalone)
    {
        // What the framework's standalone application announces before it builds the processor.
        juce::PluginHostType::jucePlugInClientCurrentWrapperType = juce::AudioProcessor::wrapperType_Standalone;
        juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Standalone);
    }

    juce::ScopedJuceInitialiser_GUI gui;

    QuorvaneAudioProcessor processor;
    juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined);
    for (auto& edit : options.edits)
    {
        const auto error = edit (processor);
        if (error.isNotEmpty())
            return fail (error);
    }

    // The standalone application draws with its output device running (without one the
    // message bar would warn about it).
    if (options.presentation == Presentation::Standalone)
        processor.prepareToPlay (44100.0, 512);

    QV::gActive = options.theme;
    std::unique_ptr<juce::AudioProcessorEditor> editorOwner (processor.createEditor());
    auto* editor = dynamic_cast<QuorvanePluginEditor*> (editorOwner.get());
    if (editor == nullptr)
        return fail ("the processor did not create the Quorvane editor");

    editor->applyTheme();
    const auto logical = editor->getLogicalBounds();
    editor->setSize (options.width > 0 ? options.width : logical.getWidth(),
                     options.height > 0 ? options.height : logical.getHeight());
    if (options.tab >= 0)
        editor->getTabs().setCurrentTabIndex (options.tab);
    if (options.cursor >= 0.0)
    {
        // Press the transport's Play, then hold the position still and let the editor poll it once.
        auto* play = findButton (*editor, "Play", false);
        if (play == nullptr || play->onClick == nullptr)
            return fail ("the standalone editor has no Play button");
        play->onClick();
        processor.playPosition.store ((int) std::floor (options.cursor * processor.getBlendedLength()));
        editor->timerCallback();
    }
    if (options.flipTheme)
    {
        auto* button = themeButton (*editor);
        if (button == nullptr || button->onClick == nullptr)
            return fail ("the editor has no theme button");
        button->onClick();
    }
    auto& page = editor->getBlendPage();
    if (options.settingsOpen)
        page.setSettingsViewOpen (true);
    if (options.hasMessage)
        page.showInfoMessage (options.message, 60);

    const auto image = editor->createComponentSnapshot (editor->getLocalBounds(), true, 1.0f);

    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (options.output);
    file.deleteFile();
    juce::FileOutputStream stream (file);
    juce::PNGImageFormat png;
    if (! stream.openedOk() || ! png.writeImageToStream (image, stream))
        return fail ("cannot write '" + file.getFullPathName() + "'");

    editorOwner.reset();
    return 0;
}
