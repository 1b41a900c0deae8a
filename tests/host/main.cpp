#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <cstdlib>

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);

    // The LV2 host also scans ~/.lv2, and where an installed copy shares the built bundle's URI
    // the first one found wins. An empty home folder leaves the built bundles as the only ones.
    const auto home = juce::File::createTempFile ("home");
    home.createDirectory();
    setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);

    int result = 0;
    {
        // Created on the main thread, which thereby becomes the message thread hosts run on.
        const juce::ScopedJuceInitialiser_GUI juce;
        result = RUN_ALL_TESTS();
    }

    home.deleteRecursively();
    return result;
}
