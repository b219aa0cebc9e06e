#include "processor/UserPresets.h"

namespace UserPresets
{
namespace
{
// Characters that end a name's use as one file name, here or on another system the file is
// copied to.
constexpr const char* kUnsafeCharacters = "/\\:*?\"<>|";

bool isUnsafe (juce::juce_wchar c)
{
    return c < 0x20 || c == 0x7f || juce::String (kUnsafeCharacters).containsChar (c);
}
} // namespace

juce::File folderFor (const juce::String& xdgDataHome, const juce::File& home)
{
    // A relative XDG_DATA_HOME is invalid and must be ignored.
    const auto dataHome = juce::File::isAbsolutePath (xdgDataHome) ? juce::File (xdgDataHome)
                                                                    : home.getChildFile (".local/share");
    return dataHome.getChildFile ("quorvane").getChildFile ("presets");
}

juce::File folder()
{
    return folderFor (juce::SystemStats::getEnvironmentVariable ("XDG_DATA_HOME", {}),
                      juce::File::getSpecialLocation (juce::File::userHomeDirectory));
}

juce::String sanitiseName (const juce::String& name)
{
    juce::String safe;
    for (auto c : name)
        safe += isUnsafe (c) ? juce::juce_wchar ('-') : c;
    safe = safe.trim();
    while (safe.startsWithChar ('.'))
        safe = safe.substring (1).trimStart();
    return safe.substring (0, kMaxNameLength).trimEnd();
}

juce::File fileFor (const juce::File& presetFolder, const juce::String& sanitisedName)
{
    return presetFolder.getChildFile (sanitisedName + Presets::kFileExtension);
}

juce::Array<juce::File> list (const juce::File& presetFolder)
{
    auto files = presetFolder.findChildFiles (juce::File::findFiles, false, juce::String ("*") + Presets::kFileExtension);
    std::sort (files.begin(), files.end(), [] (const juce::File& a, const juce::File& b) {
        return nameOf (a).compareNatural (nameOf (b)) < 0;
    });
    return files;
}

juce::String nameOf (const juce::File& presetFile)
{
    return presetFile.getFileNameWithoutExtension();
}

juce::Result save (QuorvaneAudioProcessor& processor, const juce::File& presetFolder, const juce::String& name,
                   bool overwrite, bool& exists)
{
    exists = false;
    const auto safeName = sanitiseName (name);
    if (safeName.isEmpty())
        return juce::Result::fail ("a preset needs a name");
    const auto file = fileFor (presetFolder, safeName);
    if (file.exists() && ! overwrite)
    {
        exists = true;
        return juce::Result::fail ("preset '" + safeName + "' exists already");
    }
    if (! presetFolder.createDirectory())
        return juce::Result::fail ("the preset folder could not be created");
    return Presets::writeFile (file, processor);
}
} // namespace UserPresets
