#pragma once

#include <juce_core/juce_core.h>

// The files that ship with Quorvane (the standalone application's default samples, the manual)
// are found at run time, relative to the binary that runs this code, so an installed, packaged or
// moved copy finds its own files. Where each build keeps them:
//  - installed programs, in bin/:      <binary folder>/../share/quorvane/<name>
//  - the VST3 bundle, Contents/<arch>/: <binary folder>/../Resources/<name>
//  - the LV2 bundle, one folder:        <binary folder>/<name>
//  - a program of the build tree:       <build tree>/<name> (for development)
namespace ShippedFiles
{
// The standalone application's samples folder and the rendered manual, as relative names.
inline constexpr const char* kSamplesFolder = "samples";
inline constexpr const char* kManual = "manual/manual.html";

// The places a binary looks for `name`, in the order they are tried.
juce::Array<juce::File> candidates (const juce::File& binary, const juce::File& buildTree, const juce::String& name);

// The first candidate that exists (as a file or a folder); the installed location (the first
// candidate) when none does, so a missing file is reported where it belongs.
juce::File locate (const juce::File& binary, const juce::File& buildTree, const juce::String& name);

// The binary this code runs in: the plug-in's shared library when a host loaded it, otherwise
// the program itself.
juce::File runningBinary();

// locate() for the running binary and the build tree this copy was built in.
juce::File find (const juce::String& name);
} // namespace ShippedFiles
