#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

// Parameter state and images need JUCE's message manager to exist, as they do in a host.
int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    ::testing::InitGoogleTest (&argc, argv);
    return RUN_ALL_TESTS();
}
