#include <gtest/gtest.h>

#include <juce_audio_formats/juce_audio_formats.h>

// The default samples the build synthesises for the standalone application.
TEST (DefaultSamples, BothExistAsFourBarsAt120BpmAndAreNotSilent)
{
    const juce::File folder = juce::File (QUORVANE_DEV_FOLDER).getChildFile ("samples");
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    for (const char* name : { "Full_Drums_120.wav", "Chord Sequence C Minor_120.wav" })
    {
        SCOPED_TRACE (name);
        const juce::File file = folder.getChildFile (name);
        ASSERT_TRUE (file.existsAsFile());
        std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));
        ASSERT_NE (reader, nullptr);
        EXPECT_EQ (reader->sampleRate, 48000.0);
        EXPECT_EQ (reader->numChannels, 2u);
        // 4 bars x 4 beats x 0.5 s at 48 kHz.
        EXPECT_EQ (reader->lengthInSamples, 4 * 4 * 24000);

        juce::AudioBuffer<float> audio (2, static_cast<int> (reader->lengthInSamples));
        reader->read (&audio, 0, audio.getNumSamples(), 0, true, true);
        for (int c = 0; c < 2; ++c)
        {
            EXPECT_GT (audio.getRMSLevel (c, 0, audio.getNumSamples()), 0.01f);
            EXPECT_LE (audio.getMagnitude (c, 0, audio.getNumSamples()), 1.0f);
        }
        // Every bar carries sound (the loop does not fade out or start late).
        for (int bar = 0; bar < 4; ++bar)
            EXPECT_GT (audio.getRMSLevel (0, bar * 96000, 96000), 0.01f) << "bar " << bar;
    }
}
