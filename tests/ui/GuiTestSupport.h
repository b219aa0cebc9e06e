#pragma once

#include <gtest/gtest.h>

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <vector>

// Scaffolding shared by every GUI test: ways to find a page's widgets by what they show, to
// click them and to draw a component into an image, and a throw-away folder of generated audio
// files.

namespace juce
{
// The framework's own step of the message loop (public in JUCE 7; the plug-in build has no
// modal loops to run it for us).
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

// Delivers every message posted to the message thread so far (call on the message thread).
inline void dispatchPendingMessages()
{
    bool delivered = false;
    juce::MessageManager::callAsync ([&delivered] { delivered = true; });
    for (int i = 0; i < 10000 && ! delivered; ++i)
        juce::dispatchNextMessageOnSystemQueue (true);
}

// A fresh folder under the system's temporary directory, deleted with everything in it. Its name
// is unique so that test processes running in parallel never share one.
class TempFolder
{
public:
    TempFolder()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getChildFile ("quorvane_gui_tests-" + juce::Uuid().toDashedString()))
    {
        folder.createDirectory();
    }

    ~TempFolder() { folder.deleteRecursively(); }

    const juce::File& get() const noexcept { return folder; }

    // Writes a 16-bit WAV whose every sample holds `value` (a multiple of 1/32768, so it reads
    // back exactly).
    juce::File writeWav (const juce::String& relativePath, int numChannels, int numSamples, double sampleRate,
                         float value) const
    {
        const juce::File file = folder.getChildFile (relativePath);
        file.getParentDirectory().createDirectory();
        file.deleteFile();

        juce::AudioBuffer<float> audio (numChannels, numSamples);
        for (int c = 0; c < numChannels; ++c)
            juce::FloatVectorOperations::fill (audio.getWritePointer (c), value, numSamples);

        juce::WavAudioFormat wav;
        std::unique_ptr<juce::OutputStream> stream (file.createOutputStream());
        std::unique_ptr<juce::AudioFormatWriter> writer (
            wav.createWriterFor (stream.get(), sampleRate, static_cast<unsigned int> (numChannels), 16, {}, 0));
        if (writer == nullptr)
            return {};
        stream.release(); // the writer owns the stream now
        writer->writeFromAudioSampleBuffer (audio, 0, numSamples);
        return file;
    }

    // A file with an audio extension whose contents no format can read.
    juce::File writeGarbage (const juce::String& relativePath) const
    {
        const juce::File file = folder.getChildFile (relativePath);
        file.replaceWithText ("this is not audio, whatever its name says");
        return file;
    }

private:
    juce::File folder;
};

// Every descendant of `root` of type T that satisfies `match`, in child order.
template <typename T>
std::vector<T*> findAll (juce::Component& root, const std::function<bool (T&)>& match = nullptr)
{
    std::vector<T*> found;
    for (auto* child : root.getChildren())
    {
        if (auto* typed = dynamic_cast<T*> (child))
            if (match == nullptr || match (*typed))
                found.push_back (typed);
        const auto deeper = findAll<T> (*child, match);
        found.insert (found.end(), deeper.begin(), deeper.end());
    }
    return found;
}

// The first button (in depth-first child order) showing `text`, or nullptr; `occurrence` picks a
// later one.
inline juce::Button* findButton (juce::Component& root, const juce::String& text, int occurrence = 0)
{
    const auto buttons = findAll<juce::Button> (root, [&] (juce::Button& b) { return b.getButtonText() == text; });
    return occurrence < static_cast<int> (buttons.size()) ? buttons[(size_t) occurrence] : nullptr;
}

// The first label showing `text`, or nullptr.
inline juce::Label* findLabel (juce::Component& root, const juce::String& text)
{
    const auto labels = findAll<juce::Label> (root, [&] (juce::Label& l) { return l.getText() == text; });
    return labels.empty() ? nullptr : labels.front();
}

// Does what a click does once the button has been pressed and released.
inline void click (juce::Button* button)
{
    ASSERT_NE (button, nullptr);
    ASSERT_TRUE (button->onClick != nullptr);
    button->onClick();
}

// The component drawn into an image at its own size, children included.
inline juce::Image snapshot (juce::Component& component)
{
    return component.createComponentSnapshot (component.getLocalBounds(), true, 1.0f);
}
