#include "engine/BlendProcessor.h"

#include <algorithm>
#include <array>
#include <cmath>

// Probabilistic: every output sample comes from either role1 or role2, chosen by a coin flip
// weighted by the two signals' loudness share and skewed by the bias. A decision is held for a
// minimum time, a switch may be softened by an equal-power crossfade, and the other channels
// follow channel 0 or decide on their own, as often as the stereo amount says. All channels are
// processed in one call because they share channel 0's decisions and one random sequence.

namespace
{
constexpr float kHalfPi = 1.5707964f;

// Milliseconds to a whole number of samples, halves rounded away from zero. A nonsensical
// (negative, NaN or absurdly large) result is kept within 0..10^9 so the conversion is defined.
int toSamples (float ms, float fs) noexcept
{
    const float x = ms * fs * 0.001f;
    if (! (x > 0.0f))
        return 0;
    return static_cast<int> (std::lround (std::min (x, 1.0e9f)));
}
} // namespace

void BlendProcessor::runProbabilistic (const juce::AudioBuffer<float>& role1, const juce::AudioBuffer<float>& role2,
                                       juce::AudioBuffer<float>& out, int numSamples, double sampleRate,
                                       const ProbabilisticParams& params)
{
    if (role1.getNumChannels() <= 0 || role2.getNumChannels() <= 0 || out.getNumChannels() <= 0)
        return;

    const int n = std::min ({ numSamples, out.getNumSamples(), role1.getNumSamples(), role2.getNumSamples() });
    const int nc = std::min ({ out.getNumChannels(), kMaxProbabilisticChannels,
                               static_cast<int> (probChoice.size()) });
    if (n <= 0 || nc <= 0)
        return;

    const float fs = static_cast<float> (sampleRate);
    const float bias = std::clamp (params.bias / 100.0f, -1.0f, 1.0f);
    const float stereo = std::clamp (params.stereo / 100.0f, 0.0f, 1.0f);
    const int holdSamples = toSamples (std::clamp (params.hold, 0.0f, 100.0f), fs);
    // A crossfade never lasts more than half the hold.
    const int fadeSamples = std::min (holdSamples / 2, toSamples (std::clamp (params.crossfade, 0.0f, 50.0f), fs));

    std::array<const float*, kMaxProbabilisticChannels> src1 {}, src2 {};
    std::array<float*, kMaxProbabilisticChannels> dst {};
    for (int i = 0; i < nc; ++i)
    {
        src1[static_cast<size_t> (i)] = role1.getReadPointer (std::min (i, role1.getNumChannels() - 1));
        src2[static_cast<size_t> (i)] = role2.getReadPointer (std::min (i, role2.getNumChannels() - 1));
        dst[static_cast<size_t> (i)] = out.getWritePointer (i);
    }

    uint8_t* choice = probChoice.data();
    uint8_t* independent = probIndependent.data();
    uint8_t* previousChoice = probPreviousChoice.data();
    int32_t* holdRemaining = probHoldRemaining.data();
    int32_t* fadeRemaining = probFadeRemaining.data();
    int32_t* fadeLength = probFadeLength.data();

    // Samples of sample j of every channel, for the decisions at j.
    std::array<float, kMaxProbabilisticChannels> x1 {}, x2 {};

    // Probability of role1: its loudness share, pushed toward role2 by a positive bias and
    // toward role1 by a negative one. Silence on both sides gives 0, hence role2.
    auto decide = [&] (int i) -> uint8_t {
        const float a1 = std::abs (x1[static_cast<size_t> (i)]);
        const float a2 = std::abs (x2[static_cast<size_t> (i)]);
        float p = a1 / (a2 + a1 + 1.0e-12f);
        if (bias > 0.0f)
            p = p * (1.0f - bias);
        else if (bias < 0.0f)
            p = p + (1.0f - p) * (-bias);
        return probRandom.nextFloat() >= p ? 1 : 0;
    };

    auto switchTo = [&] (int i, uint8_t next) {
        if (next != choice[i] && fadeSamples > 0)
        {
            previousChoice[i] = choice[i];
            fadeRemaining[i] = fadeLength[i] = fadeSamples;
        }
        choice[i] = next;
    };

    // Samples start..start+count of channel i, with no decision among them: the crossfade while
    // it lasts, then the chosen source as it is.
    auto writeRun = [&] (int i, int start, int count) {
        const auto ii = static_cast<size_t> (i);
        const float* chosen = (choice[i] == 0 ? src1[ii] : src2[ii]) + start;
        const float* old = (previousChoice[i] == 0 ? src1[ii] : src2[ii]) + start;
        float* d = dst[ii] + start;
        int k = 0;
        if (fadeLength[i] >= 1)
        {
            for (; k < count && fadeRemaining[i] >= 1; ++k)
            {
                // Equal-power crossfade from the source being faded out to the chosen one.
                const float t = (1.0f - static_cast<float> (fadeRemaining[i]) / static_cast<float> (fadeLength[i]))
                                * kHalfPi;
                d[k] = std::cos (t) * old[k] + std::sin (t) * chosen[k];
                --fadeRemaining[i];
            }
        }
        if (d != chosen)
            std::copy (chosen + k, chosen + count, d + k);
    };

    for (int j = 0; j < n;)
    {
        for (size_t i = 0; i < static_cast<size_t> (nc); ++i)
        {
            x1[i] = src1[i][j];
            x2[i] = src2[i][j];
        }

        if (holdRemaining[0] < 1)
        {
            switchTo (0, decide (0));
            holdRemaining[0] = holdSamples;

            for (int i = 1; i < nc; ++i)
            {
                independent[i] = probRandom.nextFloat() < stereo ? 1 : 0;
                if (independent[i] != 0)
                {
                    switchTo (i, decide (i));
                    holdRemaining[i] = holdSamples;
                }
                else
                {
                    switchTo (i, choice[0]);
                    holdRemaining[i] = holdRemaining[0];
                }
            }
        }
        else
        {
            for (int i = 1; i < nc; ++i)
            {
                if (independent[i] != 0 && holdRemaining[i] < 1)
                {
                    switchTo (i, decide (i));
                    holdRemaining[i] = holdSamples;
                }
            }
        }

        // The decisions stand until a hold that counts down (channel 0's, or an independent
        // channel's) runs out: a hold of h lets the next decision come h samples on.
        int run = std::max (holdRemaining[0], 1);
        for (int i = 1; i < nc; ++i)
            if (independent[i] != 0)
                run = std::min (run, std::max (holdRemaining[i], 1));
        run = std::min (run, n - j);

        // Highest channel first: a channel reads its role's channel or, where the role has fewer
        // channels, a lower one, whose output (in place) may be that very memory.
        for (int i = nc - 1; i >= 0; --i)
            writeRun (i, j, run);

        for (int i = 0; i < nc; ++i)
            if (holdRemaining[i] > 0)
                holdRemaining[i] = std::max (holdRemaining[i] - run, 0);
        j += run;
    }
}
