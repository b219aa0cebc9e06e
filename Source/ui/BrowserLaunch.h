#pragma once

#include <juce_core/juce_core.h>

#include <memory>

// Opens an address with the desktop's opener (xdg-open) and finds out, without blocking the
// message thread, whether that failed. JUCE's own launcher only reports whether it could fork, so
// a missing or failing opener would go unnoticed and the user would see nothing at all.
//
// The opener exits with a non-zero status when it cannot start a browser (and a program that
// cannot be executed exits with 255). One that did start a browser may wait for it to close, so
// an opener still running after kStartupGraceMs counts as opened.
class BrowserLaunch
{
public:
    enum class State
    {
        idle,
        running,
        opened,
        failed
    };

    static constexpr juce::uint32 kStartupGraceMs = 5000;
    static constexpr const char* kDesktopOpener = "xdg-open";

    explicit BrowserLaunch (juce::String openerProgram = kDesktopOpener);

    // Starts the opener for the address; a launch still in progress is left to itself.
    void start (const juce::URL& address);

    // Where the last launch stands; call it again until it is no longer `running`.
    State poll();

private:
    juce::String opener;
    std::unique_ptr<juce::ChildProcess> process;
    juce::uint32 startedAt = 0;
    State state = State::idle;
};
