#include "DefaultSamples.h"

#include <cmath>

namespace DefaultSamples
{
namespace
{
constexpr double kTwoPi = 6.283185307179586;
constexpr int kSamplesPerBeat = static_cast<int> (60.0 / kBpm * kSampleRate);
constexpr int kSamplesPerEighth = kSamplesPerBeat / 2;

void addKick (juce::AudioBuffer<float>& out, int start, float gain)
{
    // A sine that falls from 150 Hz to 45 Hz with a fast decay: the classic electronic kick.
    double phase = 0.0;
    const int length = static_cast<int> (0.35 * kSampleRate);
    for (int i = 0; i < length && start + i < out.getNumSamples(); ++i)
    {
        const double t = i / kSampleRate;
        const double freq = 45.0 + 105.0 * std::exp (-t * 30.0);
        phase += kTwoPi * freq / kSampleRate;
        const float v = gain * static_cast<float> (std::sin (phase) * std::exp (-t * 9.0));
        for (int c = 0; c < out.getNumChannels(); ++c)
            out.addSample (c, start + i, v);
    }
}

void addSnare (juce::AudioBuffer<float>& out, int start, float gain, juce::Random& random)
{
    // Noise for the wires over a short 190 Hz body.
    const int length = static_cast<int> (0.25 * kSampleRate);
    for (int i = 0; i < length && start + i < out.getNumSamples(); ++i)
    {
        const double t = i / kSampleRate;
        const float body = static_cast<float> (std::sin (kTwoPi * 190.0 * t) * std::exp (-t * 25.0));
        for (int c = 0; c < out.getNumChannels(); ++c)
        {
            const float noise = (2.0f * random.nextFloat() - 1.0f) * static_cast<float> (std::exp (-t * 18.0));
            out.addSample (c, start + i, gain * (0.55f * noise + 0.45f * body));
        }
    }
}

void addHat (juce::AudioBuffer<float>& out, int start, float gain, juce::Random& random)
{
    // Differenced noise is bright enough for a closed hat; a very short decay keeps it tight.
    const int length = static_cast<int> (0.06 * kSampleRate);
    for (int c = 0; c < out.getNumChannels(); ++c)
    {
        float previous = 0.0f;
        for (int i = 0; i < length && start + i < out.getNumSamples(); ++i)
        {
            const float noise = 2.0f * random.nextFloat() - 1.0f;
            const float bright = noise - previous;
            previous = noise;
            const float env = static_cast<float> (std::exp (-(i / kSampleRate) * 70.0));
            out.addSample (c, start + i, gain * 0.5f * bright * env);
        }
    }
}

// Band-limited sawtooth (polyBLEP), so the pad has no audible aliasing.
struct Saw
{
    double phase = 0.0, increment = 0.0;

    float next()
    {
        double v = 2.0 * phase - 1.0;
        if (phase < increment)
        {
            const double x = phase / increment;
            v -= x + x - x * x - 1.0;
        }
        else if (phase > 1.0 - increment)
        {
            const double x = (phase - 1.0) / increment;
            v -= x * x + x + x + 1.0;
        }
        phase += increment;
        if (phase >= 1.0)
            phase -= 1.0;
        return static_cast<float> (v);
    }
};

double midiToHz (int note) { return 440.0 * std::pow (2.0, (note - 69) / 12.0); }
} // namespace

juce::AudioBuffer<float> makeDrumLoop()
{
    juce::AudioBuffer<float> out (2, kLengthSamples);
    out.clear();
    juce::Random random (120);

    const int beats = kBars * 4;
    for (int beat = 0; beat < beats; ++beat)
    {
        const int start = beat * kSamplesPerBeat;
        const int inBar = beat % 4;
        if (inBar == 0 || inBar == 2)
            addKick (out, start, 0.9f);
        if (inBar == 1 || inBar == 3)
            addSnare (out, start, 0.55f, random);
        // A pickup kick on the "and" of beat 3 in every second bar.
        if (inBar == 2 && (beat / 4) % 2 == 1)
            addKick (out, start + kSamplesPerEighth, 0.6f);
    }
    for (int eighth = 0; eighth < beats * 2; ++eighth)
        addHat (out, eighth * kSamplesPerEighth, eighth % 2 == 0 ? 0.35f : 0.22f, random);

    out.applyGain (0.8f / std::max (out.getMagnitude (0, kLengthSamples), 1.0e-6f));
    return out;
}

juce::AudioBuffer<float> makeChordSequence()
{
    // i - VI - III - VII in C minor, one bar each: Cm, Ab, Eb, Bb.
    const int chords[kBars][4] = { { 48, 60, 63, 67 }, { 44, 60, 63, 68 }, { 51, 58, 63, 67 }, { 46, 58, 62, 65 } };
    const int barLength = kLengthSamples / kBars;

    juce::AudioBuffer<float> out (2, kLengthSamples);
    out.clear();
    for (int bar = 0; bar < kBars; ++bar)
    {
        const int start = bar * barLength;
        for (int note : chords[bar])
        {
            // Two saws per note, detuned apart and panned apart, for a soft ensemble pad.
            for (int voice = 0; voice < 2; ++voice)
            {
                Saw saw;
                saw.increment = midiToHz (note) * (voice == 0 ? 0.997 : 1.003) / kSampleRate;
                saw.phase = 0.37 * (note % 7 + voice);
                saw.phase -= std::floor (saw.phase);
                const float panLeft = voice == 0 ? 0.8f : 0.45f;
                float lowPassed = 0.0f;
                for (int i = 0; i < barLength; ++i)
                {
                    const double t = i / kSampleRate;
                    const double attack = std::min (1.0, t / 0.25);
                    const double release = std::min (1.0, (barLength - i) / (0.2 * kSampleRate));
                    lowPassed += 0.12f * (saw.next() - lowPassed); // about 1 kHz: a soft, dark tone
                    const float v = static_cast<float> (attack * release) * lowPassed * 0.12f;
                    out.addSample (0, start + i, v * panLeft);
                    out.addSample (1, start + i, v * (1.25f - panLeft));
                }
            }
        }
    }
    out.applyGain (0.7f / std::max (out.getMagnitude (0, kLengthSamples), 1.0e-6f));
    return out;
}
} // namespace DefaultSamples
