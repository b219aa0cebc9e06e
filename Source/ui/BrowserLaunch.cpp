#include "ui/BrowserLaunch.h"

BrowserLaunch::BrowserLaunch (juce::String openerProgram) : opener (std::move (openerProgram)) {}

void BrowserLaunch::start (const juce::URL& address)
{
    // A file address goes to the opener as the file's path: every opener understands a path,
    // and the path stays readable in the process list.
    const auto target = address.isLocalFile() ? address.getLocalFile().getFullPathName() : address.toString (true);

    process = std::make_unique<juce::ChildProcess>();
    startedAt = juce::Time::getMillisecondCounter();
    state = process->start (juce::StringArray { opener, target }, 0) ? State::running : State::failed;
}

BrowserLaunch::State BrowserLaunch::poll()
{
    if (state != State::running)
        return state;

    if (! process->isRunning())
        state = process->getExitCode() == 0 ? State::opened : State::failed;
    else if (juce::Time::getMillisecondCounter() - startedAt >= kStartupGraceMs)
        state = State::opened;
    return state;
}
