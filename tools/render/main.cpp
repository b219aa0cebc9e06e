#include "PluginProcessor.h"

int main()
{
    QuorvaneAudioProcessor processor;
    return 0;
}
