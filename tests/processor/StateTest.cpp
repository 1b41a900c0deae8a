#include "OrvelleProcessor.h"

#include <gtest/gtest.h>

#include <random>

using namespace KLV;

namespace
{
std::vector<float> parameterValues (juce::AudioProcessor& processor)
{
    std::vector<float> values;
    for (auto* p : processor.getParameters())
        values.push_back (p->getValue());
    return values;
}

juce::MemoryBlock blobWithText (const juce::String& xml)
{
    juce::MemoryBlock blob;
    juce::MemoryOutputStream out (blob, false);
    out.writeInt (0x21324356);
    out.writeInt ((int) xml.getNumBytesAsUTF8());
    out << xml;
    out.writeByte (0);
    return blob;
}

const char* fullState = R"(<OK><PARAM id="Gain" value="0.8"/><PARAM id="Gain Reduction" value="0.0"/>)"
                        R"(<PARAM id="Mode" value="1.0"/><PARAM id="PeakRedc" value="0.3"/>)"
                        R"(<PARAM id="Power" value="0.0"/><PARAM id="VULevel" value="2.0"/></OK>)";

struct State : ::testing::Test
{
    void restore (const juce::MemoryBlock& blob) { processor.setStateInformation (blob.getData(), (int) blob.getSize()); }
    juce::String text (const char* id) { return processor.parameterState.getParameter (id)->getCurrentValueAsText(); }

    OrvelleProcessor processor;
};
} // namespace

TEST_F (State, FreshInstanceBlobByteForByte)
{
    juce::MemoryBlock blob;
    processor.getStateInformation (blob);

    const auto* bytes = static_cast<const char*> (blob.getData());
    ASSERT_GT (blob.getSize(), 9u);
    EXPECT_EQ (juce::String (bytes, 4), "VC2!");
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (bytes + 4), (juce::uint32) blob.getSize() - 9);
    EXPECT_EQ (bytes[blob.getSize() - 1], 0);

    const juce::String xml (juce::CharPointer_UTF8 (bytes + 8));
    EXPECT_EQ (xml,
               R"(<?xml version="1.0" encoding="UTF-8"?> <OK><PARAM id="Gain" value="0.2349999994039536"/>)"
               R"(<PARAM id="Gain Reduction" value="0.0"/><PARAM id="Mode" value="0.0"/><PARAM id="PeakRedc" value="0.0"/>)"
               R"(<PARAM id="Power" value="1.0"/><PARAM id="VULevel" value="1.0"/></OK>)");
}

TEST_F (State, RoundTripRestoresEveryParameterAndReachesTheEngine)
{
    juce::MemoryBlock saved;
    processor.getStateInformation (saved);
    const auto before = parameterValues (processor);

    restore (blobWithText (fullState));
    EXPECT_EQ (text ("Gain"), "8.00");
    EXPECT_EQ (text ("Mode"), "Limit");
    EXPECT_EQ (text ("Power"), "Off");
    EXPECT_EQ (text ("VULevel"), "Input");

    processor.prepareToPlay (48000.0, 64);
    juce::AudioBuffer<double> buffer (2, 64);
    buffer.clear();
    juce::MidiBuffer midi;
    processor.processBlock (buffer, midi);
    auto& engine = dynamic_cast<OrvelleDsp&> (*processor.getDsp());
    EXPECT_EQ (engine.getTargetValues()[0], 0.0);
    EXPECT_EQ (engine.getMeterSource(), 0);

    restore (saved);
    EXPECT_EQ (parameterValues (processor), before);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
}

TEST_F (State, MissingParametersTakeTheirDefaults)
{
    restore (blobWithText (fullState));
    restore (blobWithText (R"(<OK><PARAM id="Gain" value="0.4"/><PARAM id="Future" value="3"/><PARAM id="Power"/></OK>)"));
    EXPECT_EQ (text ("Gain"), "4.00");
    EXPECT_EQ (text ("Mode"), "Compress");
    EXPECT_EQ (text ("Power"), "On") << "a child without a value takes the default";
    EXPECT_EQ (text ("PeakRedc"), "0.00");

    // Unknown children stay and are written again; missing ones are appended after them.
    juce::MemoryBlock blob;
    processor.getStateInformation (blob);
    const auto xml = juce::String (juce::CharPointer_UTF8 (static_cast<const char*> (blob.getData()) + 8));
    EXPECT_TRUE (xml.contains (R"(<PARAM id="Future" value="3"/>)"));
    EXPECT_LT (xml.indexOf ("Future"), xml.indexOf ("Mode"));
}

TEST_F (State, ValuesAreLimitedAndRootNamesCompareWithoutCase)
{
    restore (blobWithText (R"(<ok><PARAM id="Gain" value="2.5"/><PARAM id="VULevel" value="7"/></ok>)"));
    EXPECT_EQ (text ("Gain"), "10.00");
    EXPECT_EQ (text ("VULevel"), "Input");
}

TEST_F (State, MalformedBlobsChangeNothing)
{
    restore (blobWithText (fullState));
    const auto before = parameterValues (processor);

    auto withLength = [] (juce::MemoryBlock blob, int length) {
        static_cast<juce::uint32*> (blob.getData())[1] = (juce::uint32) length;
        return blob;
    };
    const juce::String plain = R"(<?xml version="1.0"?><OK><PARAM id="Gain" value="0.1"/></OK>)";
    const juce::MemoryBlock blobs[] = {
        {},
        juce::MemoryBlock ("VC2!\x10\0\0\0", 8),
        juce::MemoryBlock (plain.toRawUTF8(), plain.getNumBytesAsUTF8()),
        withLength (blobWithText (R"(<OK><PARAM id="Gain" value="0.1"/></OK>)"), 0),
        withLength (blobWithText (R"(<OK><PARAM id="Gain" value="0.1"/></OK>)"), -5),
        blobWithText (R"(<OK><PARAM id="Gain" value="0.1"/>)"),
        blobWithText (R"(<State><PARAM id="Gain" value="0.1"/></State>)"),
        blobWithText (R"(not xml at all)"),
        blobWithText (R"(<OK><PARAM id="Gain" value="nan"/><PARAM id="Mode" value="0"/></OK>)"),
        blobWithText (R"(<OK><PARAM id="Gain" value="inf"/></OK>)"),
        blobWithText (R"(<OK><PARAM id="Gain" value="1e999"/></OK>)"),
        blobWithText (R"(<OK><PARAM id="Gain" value="abc"/></OK>)"),
    };
    for (const auto& blob : blobs)
    {
        restore (blob);
        EXPECT_EQ (parameterValues (processor), before) << blob.toString();
    }
    processor.setStateInformation (nullptr, 100);
    EXPECT_EQ (parameterValues (processor), before);
}

TEST_F (State, LengthBeyondTheDataIsCutAtTheEnd)
{
    auto blob = blobWithText (R"(<OK><PARAM id="Gain" value="0.6"/></OK>)");
    blob.removeSection (blob.getSize() - 1, 1);
    static_cast<juce::uint32*> (blob.getData())[1] = 100000;
    restore (blob);
    EXPECT_EQ (text ("Gain"), "6.00");
}

TEST_F (State, RandomAndMutatedBlobsNeverCrashOrLeaveTheRanges)
{
    juce::MemoryBlock valid;
    processor.getStateInformation (valid);
    const auto before = parameterValues (processor);

    std::mt19937 random (20261211);
    std::uniform_int_distribution<int> byte (0, 255);

    for (int round = 0; round < 2000; ++round)
    {
        juce::MemoryBlock noise ((size_t) (round % 300));
        for (size_t i = 0; i < noise.getSize(); ++i)
            noise[i] = (char) byte (random);
        restore (noise);
    }
    EXPECT_EQ (parameterValues (processor), before) << "noise never carries the wrapper";

    for (int round = 0; round < 3000; ++round)
    {
        auto mutated = valid;
        const int flips = 1 + round % 4;
        for (int f = 0; f < flips; ++f)
            mutated[(size_t) std::uniform_int_distribution<size_t> (0, mutated.getSize() - 1) (random)] = (char) byte (random);
        if (round % 7 == 0)
            mutated.setSize ((size_t) std::uniform_int_distribution<size_t> (0, mutated.getSize()) (random));
        restore (mutated);

        for (auto* p : processor.getParameters())
        {
            const float v = p->getValue();
            ASSERT_TRUE (v >= 0.0f && v <= 1.0f) << p->getName (50) << " = " << v << " after round " << round;
        }
    }
}
