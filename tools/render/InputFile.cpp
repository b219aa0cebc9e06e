#include "InputFile.h"

juce::Result InputFile::open (const juce::File& fileToOpen, const juce::String& fileRole)
{
    file = fileToOpen;
    role = fileRole;
    return withName (input.open (file));
}

juce::Result InputFile::readNext (float* left, float* right, int n, int& framesFromFile)
{
    float* dest[2] = { left, right };
    const int channelsToRead = juce::jmin (getNumChannels(), 2);
    const auto result = input.readNext (dest, channelsToRead, n, framesFromFile);
    if (channelsToRead == 1 && n > 0)
        juce::FloatVectorOperations::copy (right, left, n);
    return withName (result);
}

juce::Result InputFile::withName (const juce::Result& result) const
{
    if (result.wasOk())
        return result;
    return juce::Result::fail (role + " '" + file.getFullPathName() + "' " + result.getErrorMessage());
}
