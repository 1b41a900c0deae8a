#include "SpyProcessor.h"

#include <gtest/gtest.h>

using namespace KLV;
using namespace KLV::Testing;

namespace
{
struct ParameterPass : ::testing::Test
{
    ParameterPass()
    {
        processor.setPlayConfigDetails (2, 2, 48000.0, 64);
        processor.prepareToPlay (48000.0, 64);
    }

    void block()
    {
        juce::AudioBuffer<float> buffer (2, 64);
        juce::MidiBuffer midi;
        processor.processBlock (buffer, midi);
    }

    juce::RangedAudioParameter& parameter (const char* id) { return *processor.parameterState.getParameter (id); }

    SpyProcessor processor;
    SpyDsp& spy = *processor.spy;
};
} // namespace

TEST_F (ParameterPass, QuietBlocksSendNothingButRefreshTheMeter)
{
    block();
    block();
    EXPECT_TRUE (spy.changes.empty());
    EXPECT_EQ (spy.processCalls, 2);
    EXPECT_FLOAT_EQ (parameter ("Meter").getValue(), 0.25f);

    spy.hostMeter = 1.7; // limited by the parameter
    block();
    EXPECT_EQ (parameter ("Meter").getValue(), 1.0f);
}

TEST_F (ParameterPass, SmallMovesAccumulateUntilTheyCount)
{
    parameter ("Level").setValueNotifyingHost (0.50005f);
    block();
    EXPECT_TRUE (spy.changes.empty());

    parameter ("Level").setValueNotifyingHost (0.50011f);
    block();
    ASSERT_EQ (spy.changes.size(), 1u);
    EXPECT_EQ (spy.changes[0].first, 0);
    EXPECT_FLOAT_EQ (spy.changes[0].second, 0.50011f);
}

TEST_F (ParameterPass, ChoicesArriveAsRawIndices)
{
    parameter ("Choice").setValueNotifyingHost (0.5f);
    block();
    ASSERT_EQ (spy.changes.size(), 1u);
    EXPECT_EQ (spy.changes[0], std::make_pair (1, 1.0f));
}

TEST_F (ParameterPass, SetUpChangesResendEverythingOnce)
{
    struct Case
    {
        double rate;
        int block;
        bool resend;
    };
    const Case cases[] = { { 48000.0, 64, false },
                           { 48000.0 * (1.0 + 1e-16), 64, false },
                           { 44100.0, 64, true },
                           { 44100.0, 128, true } };
    for (const auto& c : cases)
    {
        spy.changes.clear();
        processor.prepareToPlay (c.rate, c.block);
        block();
        block();
        if (c.resend)
            EXPECT_EQ (spy.changes, (std::vector<std::pair<int, float>> { { 0, 0.5f }, { 1, 0.0f } })) << c.rate;
        else
            EXPECT_TRUE (spy.changes.empty()) << c.rate;
    }

    spy.changes.clear();
    processor.setPlayConfigDetails (1, 1, 44100.0, 128);
    processor.prepareToPlay (44100.0, 128);
    block();
    EXPECT_EQ (spy.changes.size(), 2u) << "channel counts are part of the set-up";
}

TEST_F (ParameterPass, SetParameterValueIsOneHostEdit)
{
    struct GestureCounter : juce::AudioProcessorListener
    {
        void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override { ++changes; }
        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
        void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int) override { ++begins; }
        void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int) override { ++ends; }
        int changes = 0, begins = 0, ends = 0;
    } counter;

    processor.addListener (&counter);
    processor.setParameterValue (0, 0.9f);
    processor.removeListener (&counter);

    EXPECT_EQ (counter.begins, 1);
    EXPECT_EQ (counter.changes, 1);
    EXPECT_EQ (counter.ends, 1);
    EXPECT_FLOAT_EQ (parameter ("Level").getValue(), 0.9f);
}
