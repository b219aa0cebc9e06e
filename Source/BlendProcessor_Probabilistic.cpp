#include "BlendProcessor.h"

#include <algorithm>

// Probabilistic switcher: not built yet; role 1 passes through.
void BlendProcessor::runProbabilistic (const juce::AudioBuffer<float>& role1, const juce::AudioBuffer<float>&,
                                       juce::AudioBuffer<float>& out, int numSamples, double,
                                       const ProbabilisticParams&)
{
    if (role1.getNumChannels() == 0 || out.getNumChannels() == 0)
        return;
    const int channels = std::min (out.getNumChannels(), kMaxProbabilisticChannels);
    for (int c = 0; c < channels; ++c)
    {
        const float* in = role1.getReadPointer (std::min (c, role1.getNumChannels() - 1));
        float* o = out.getWritePointer (c);
        if (o != in)
            std::copy (in, in + numSamples, o);
    }
}
