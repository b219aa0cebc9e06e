#include "processor/ShippedFiles.h"

#if JUCE_LINUX || JUCE_BSD
 #include <dlfcn.h>
 #include <sys/auxv.h>
#endif

namespace ShippedFiles
{
namespace
{
// Paths written on Windows reach us with backslashes; juce::File wants forward slashes.
juce::File buildTreeFolder()
{
    return juce::File (juce::String (QUORVANE_DEV_FOLDER).replaceCharacter ('\\', '/'));
}
} // namespace

juce::Array<juce::File> candidates (const juce::File& binary, const juce::File& buildTree, const juce::String& name)
{
    const auto folder = binary.getParentDirectory();
    return { folder.getSiblingFile ("share").getChildFile ("quorvane").getChildFile (name),
             folder.getSiblingFile ("Resources").getChildFile (name),
             folder.getChildFile (name),
             buildTree.getChildFile (name) };
}

juce::File locate (const juce::File& binary, const juce::File& buildTree, const juce::String& name)
{
    const auto places = candidates (binary, buildTree, name);
    for (const auto& place : places)
        if (place.exists())
            return place;
    return places.getFirst();
}

juce::File runningBinary()
{
#if JUCE_LINUX || JUCE_BSD
    // Inside a host the plug-in is a shared library, and the program is the host. dladdr names the
    // object that holds this code; for the main program it only knows argv[0], which may be a
    // bare name found through PATH, so the program is taken from the kernel instead.
    static const char anchor = 0;
    Dl_info self {}, program {};
    const auto* programHeaders = reinterpret_cast<const void*> (getauxval (AT_PHDR));
    if (dladdr (&anchor, &self) != 0 && self.dli_fname != nullptr && programHeaders != nullptr
        && dladdr (programHeaders, &program) != 0 && self.dli_fbase != program.dli_fbase)
        return juce::File::getCurrentWorkingDirectory().getChildFile (juce::String::fromUTF8 (self.dli_fname));
    const juce::File exe ("/proc/self/exe");
    if (exe.isSymbolicLink())
        return exe.getLinkedTarget();
#endif
    return juce::File::getSpecialLocation (juce::File::currentExecutableFile);
}

juce::File find (const juce::String& name)
{
    return locate (runningBinary(), buildTreeFolder(), name);
}
} // namespace ShippedFiles
