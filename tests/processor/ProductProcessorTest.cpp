#include "OrvelleProcessor.h"
#include "SpyProcessor.h"

#include <gtest/gtest.h>

using namespace KLV;

namespace
{
juce::String textOf (juce::AudioProcessor& processor, const juce::String& id)
{
    for (auto* p : processor.getParameters())
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (p); ranged != nullptr && ranged->paramID == id)
            return ranged->getCurrentValueAsText();
    return "<missing>";
}

void processSilence (juce::AudioProcessor& processor, int samples = 64)
{
    juce::AudioBuffer<float> buffer (2, samples);
    buffer.clear();
    juce::MidiBuffer midi;
    processor.processBlock (buffer, midi);
}
} // namespace

TEST (ProductProcessor, PresentsItselfToTheHost)
{
    OrvelleProcessor processor;
    EXPECT_EQ (processor.getName(), "Orvelle");
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_TRUE (processor.supportsDoublePrecisionProcessing());
    EXPECT_TRUE (processor.hasEditor());
    ASSERT_EQ (processor.getBusCount (true), 1);
    ASSERT_EQ (processor.getBusCount (false), 1);
    EXPECT_EQ (processor.getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (processor.getBus (false, 0)->getName(), "Output");
    EXPECT_EQ (processor.getBus (true, 0)->getCurrentLayout(), juce::AudioChannelSet::stereo());

    EXPECT_EQ (processor.getLatencySamples(), 0);
    processor.prepareToPlay (96000.0, 256);
    EXPECT_EQ (processor.getLatencySamples(), 32);
    processor.prepareToPlay (44100.0, 4096);
    EXPECT_EQ (processor.getLatencySamples(), 32);
}

TEST (ProductProcessor, ParametersInHostOrderWithTheirTexts)
{
    OrvelleProcessor processor;
    const auto& parameters = processor.getParameters();
    const char* ids[] = { "Gain Reduction", "Power", "Gain", "PeakRedc", "Mode", "VULevel" };
    const char* texts[] = { nullptr, "On", "2.35", "0.00", "Compress", "GainRed" };
    ASSERT_EQ (parameters.size(), 6);
    for (int i = 0; i < 6; ++i)
    {
        auto* p = dynamic_cast<juce::RangedAudioParameter*> (parameters[i]);
        ASSERT_NE (p, nullptr);
        EXPECT_EQ (p->paramID, ids[i]);
        EXPECT_EQ (p->getName (100), ids[i]);
        EXPECT_EQ (p->getVersionHint(), 1);
        if (texts[i] != nullptr)
        {
            EXPECT_EQ (p->getCurrentValueAsText(), texts[i]);
        }
    }
    EXPECT_EQ (parameters[0]->getCategory(), juce::AudioProcessorParameter::compressorLimiterGainReductionMeter);
    EXPECT_EQ (processor.getParameterId (4), "VULevel");
}

TEST (ProductProcessor, BusLayouts)
{
    OrvelleProcessor processor;
    using Set = juce::AudioChannelSet;
    struct Case
    {
        Set in, out;
        bool accepted;
    };
    const Case cases[] = { { Set::mono(), Set::mono(), true },       { Set::stereo(), Set::stereo(), true },
                           { Set::mono(), Set::stereo(), false },    { Set::stereo(), Set::mono(), false },
                           { Set::disabled(), Set::stereo(), false }, { Set::stereo(), Set::disabled(), false },
                           { Set::create5point1(), Set::create5point1(), false } };
    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (c.in);
        layout.outputBuses.add (c.out);
        EXPECT_EQ (processor.checkBusesLayoutSupported (layout), c.accepted) << c.in.getDescription() << " -> " << c.out.getDescription();
    }

    juce::AudioProcessor::BusesLayout noInput;
    noInput.outputBuses.add (Set::stereo());
    EXPECT_FALSE (processor.checkBusesLayoutSupported (noInput));
}

TEST (ProductProcessor, ProgramsByNameAndIndex)
{
    OrvelleProcessor processor;
    const char* names[] = { "Default", "Bassdrum", "Snare", "Toms", "Voice", "GentleCompression", "Squished" };
    ASSERT_EQ (processor.getNumPrograms(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ (processor.getProgramName (i), names[i]);
    EXPECT_EQ (processor.getProgramName (-3), "Default");
    EXPECT_EQ (processor.getProgramName (7), "Squished");
    EXPECT_EQ (processor.getProgramName (100), "Squished");
    processor.changeProgramName (0, "Renamed");
    EXPECT_EQ (processor.getProgramName (0), "Default");
}

TEST (ProductProcessor, FirstProgramChangeBeforeAnyBlockIsIgnored)
{
    OrvelleProcessor processor;
    processor.setCurrentProgram (3);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (textOf (processor, "Gain"), "2.35");

    processor.setCurrentProgram (3);
    EXPECT_EQ (processor.getCurrentProgram(), 3);
    EXPECT_EQ (textOf (processor, "Gain"), "6.00");
    EXPECT_EQ (textOf (processor, "PeakRedc"), "6.00");
}

TEST (ProductProcessor, ProgramChangesReachTheEngineAtTheNextBlock)
{
    OrvelleProcessor processor;
    processor.prepareToPlay (48000.0, 64);
    processSilence (processor);

    processor.setCurrentProgram (12);
    EXPECT_EQ (processor.getCurrentProgram(), 6);
    processor.setCurrentProgram (-1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);

    processor.setCurrentProgram (4);
    EXPECT_EQ (textOf (processor, "Mode"), "Limit");
    EXPECT_EQ (textOf (processor, "VULevel"), "GainRed");
    EXPECT_EQ (textOf (processor, "Gain"), "6.70");
    EXPECT_EQ (textOf (processor, "PeakRedc"), "6.50");

    processSilence (processor);
    auto& engine = dynamic_cast<OrvelleDsp&> (*processor.getDsp());
    EXPECT_EQ (engine.getTargetValues()[3], 1300.0);
    EXPECT_EQ (engine.getTargetValues()[1], OrvelleDsp::setGain (0.67f));
    EXPECT_EQ (engine.getTargetValues()[2], OrvelleDsp::setPeakReduction (0.65f));
    EXPECT_EQ (engine.getMeterSource(), 1);
}

TEST (ProductProcessor, HostMeterFollowsTheEngineOneBlockLate)
{
    OrvelleProcessor processor;
    processor.prepareToPlay (48000.0, 512);
    auto* meter = processor.parameterState.getParameter ("Gain Reduction");
    processor.setParameterValue (OrvelleProcessor::gain, 0.7f);
    processor.setParameterValue (OrvelleProcessor::peakReduction, 1.0f);

    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    for (int b = 0; b < 200; ++b)
    {
        for (int i = 0; i < 512; ++i)
            buffer.setSample (0, i, 0.5f * std::sin ((float) (b * 512 + i) * 0.13f)), buffer.setSample (1, i, buffer.getSample (0, i));
        processor.processBlock (buffer, midi);
    }
    const auto engineReading = (float) processor.getDsp()->getHostMeterValue (0);
    EXPECT_GT (engineReading, 0.1f);
    processSilence (processor, 1);
    EXPECT_FLOAT_EQ (meter->getValue(), engineReading);
}

TEST (ProductProcessor, BypassBeforePreparationSilencesOnlyExtraOutputs)
{
    Testing::SpyProcessor processor;
    juce::AudioBuffer<float> buffer (2, 16);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 16; ++i)
            buffer.setSample (c, i, 0.25f);
    juce::MidiBuffer midi;

    processor.processBlockBypassed (buffer, midi);
    EXPECT_EQ (processor.spy->bypassCalls, 0);
    EXPECT_EQ (buffer.getSample (1, 7), 0.25f) << "stereo in: nothing is extra";

    processor.setPlayConfigDetails (2, 2, 48000.0, 16);
    processor.prepareToPlay (48000.0, 16);
    processor.processBlockBypassed (buffer, midi);
    EXPECT_EQ (processor.spy->bypassCalls, 1);
}
