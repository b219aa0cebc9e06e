#include "AtomicFileOutput.h"
#include "RenderTool.h"

#include <juce_events/juce_events.h>

#include <iostream>

int main (int argc, char* argv[])
{
    // The processor's parameter tree uses timers and messages; give it a message manager so it
    // can also shut down cleanly.
    const juce::ScopedJuceInitialiser_GUI juceRuntime;

    // An interrupted render leaves no hidden temporary file in the output folder.
    removeTemporaryFilesOnSignal();

    juce::StringArray args;
    for (int i = 1; i < argc; ++i)
        args.add (juce::String::fromUTF8 (argv[i]));

    return runRenderTool (args, std::cout, std::cerr);
}
