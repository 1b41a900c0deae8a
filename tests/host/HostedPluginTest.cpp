// Loads the built plug-in bundles through JUCE's hosting classes and drives them the way a DAW
// does: scan the bundle, instantiate, prepare, process, read parameters and programs, save and
// restore state. Each check runs once per plug-in format.

#include <juce_audio_processors/juce_audio_processors.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{

using ::testing::ElementsAreArray;
using ::testing::UnorderedElementsAreArray;

constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;
constexpr int numChannels = 2;
constexpr int latency = 32;

struct FormatCase
{
    const char* name;
    const char* bundle;
    std::function<juce::AudioPluginFormat*()> create;

    // Parameters that the format's wrapper adds next to the plug-in's own.
    std::vector<juce::String> wrapperParameters;

    // VST3 keeps the plug-in's order of parameters and programs. LV2 metadata has no order:
    // JUCE's LV2 host lists the port parameters first and then the plug-in's parameters sorted
    // by URI, and the presets in the order the RDF store returns them.
    bool keepsOrder;

    // VST3 asks the plug-in for a value's text. LV2 only carries the labels of discrete values,
    // so a float parameter shows its plain number there.
    bool carriesFloatText;
};

void PrintTo (const FormatCase& format, std::ostream* os) { *os << format.name; }

const FormatCase formatCases[] = {
    { "VST3", ORVELLE_VST3_BUNDLE, [] { return new juce::VST3PluginFormat(); },
      { "Bypass", "Program" }, true, true },
    { "LV2", ORVELLE_LV2_BUNDLE, [] { return new juce::LV2PluginFormat(); },
      { "Bypass" }, false, false },
};

struct Setting
{
    const char* parameter;
    float value; // normalised, as the host sees it
    const char* text;
    bool isFloat;
};

// The plug-in's own parameters in the order it creates them, at their defaults.
// "Gain Reduction" is a meter written by the plug-in; its value and text are not fixed.
const Setting defaults[] = {
    { "Power", 1.0f, "On", false },
    { "Gain", 0.235f, "2.35", true },
    { "PeakRedc", 0.0f, "0.00", true },
    { "Mode", 0.0f, "Compress", false },
    { "VULevel", 0.5f, "GainRed", false },
};

const char* const productParameters[] = { "Gain Reduction", "Power", "Gain", "PeakRedc", "Mode", "VULevel" };

const char* const programNames[] = { "Default", "Bassdrum", "Snare", "Toms", "Voice", "GentleCompression", "Squished" };

class HostedOrvelle : public ::testing::TestWithParam<FormatCase>
{
protected:
    void SetUp() override
    {
        const auto& format = GetParam();
        formats.addFormat (format.create());

        juce::OwnedArray<juce::PluginDescription> found;
        formats.getFormat (0)->findAllTypesForFile (found, format.bundle);
        ASSERT_EQ (found.size(), 1) << "plug-ins found in " << format.bundle;

        juce::String error;
        plugin = formats.createPluginInstance (*found[0], sampleRate, blockSize, error);
        ASSERT_NE (plugin, nullptr) << error;
    }

    void prepare()
    {
        plugin->setPlayConfigDetails (numChannels, numChannels, sampleRate, blockSize);
        plugin->prepareToPlay (sampleRate, blockSize);
    }

    void process (juce::AudioBuffer<float>& block)
    {
        juce::MidiBuffer midi;
        plugin->processBlock (block, midi);
    }

    // What a playing host does between its own calls: it runs one audio callback, which carries
    // parameter changes to the plug-in and the plug-in's reports back, and keeps its message loop
    // running, on which format wrappers deliver notifications such as a latency change, until
    // `done` holds or a generous time has passed.
    template <typename Condition>
    void settleUntil (Condition&& done)
    {
        juce::AudioBuffer<float> silence (numChannels, blockSize);
        silence.clear();
        process (silence);

        const auto deadline = juce::Time::getMillisecondCounter() + 2000;
        do
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
        while (! done() && juce::Time::getMillisecondCounter() < deadline);
    }

    void settle()
    {
        settleUntil ([] { return true; });
    }

    juce::AudioProcessorParameter* parameter (const juce::String& name) const
    {
        for (auto* p : plugin->getParameters())
            if (p->getName (256) == name)
                return p;

        return nullptr;
    }

    float valueOf (const juce::String& name) const
    {
        auto* p = parameter (name);
        return p != nullptr ? p->getValue() : -1.0f;
    }

    void apply (const Setting& s)
    {
        auto* p = parameter (s.parameter);
        ASSERT_NE (p, nullptr) << s.parameter;
        p->setValue (s.value);
    }

    void expectSetting (const Setting& s) const
    {
        SCOPED_TRACE (s.parameter);
        auto* p = parameter (s.parameter);
        ASSERT_NE (p, nullptr);
        EXPECT_NEAR (p->getValue(), s.value, 1.0e-5f);

        if (! s.isFloat || GetParam().carriesFloatText)
        {
            EXPECT_EQ (p->getCurrentValueAsText(), juce::String (s.text));
        }
    }

    juce::AudioPluginFormatManager formats;
    std::unique_ptr<juce::AudioPluginInstance> plugin;
};

TEST_P (HostedOrvelle, ReportsItsNameAndTheLatencyOnlyOncePrepared)
{
    EXPECT_EQ (plugin->getName(), "Orvelle");
    EXPECT_EQ (plugin->getLatencySamples(), 0);

    // VST3 hands the latency over during preparation; LV2 can only report it through an output
    // port that the plug-in writes while it processes, so the host learns it with the first block.
    prepare();
    settleUntil ([this] { return plugin->getLatencySamples() != 0; });

    EXPECT_EQ (plugin->getLatencySamples(), latency);
}

TEST_P (HostedOrvelle, ListsItsParametersWithTheirDefaultTexts)
{
    std::vector<juce::String> expected (std::begin (productParameters), std::end (productParameters));
    const auto& extra = GetParam().wrapperParameters;
    expected.insert (expected.end(), extra.begin(), extra.end());

    std::vector<juce::String> names;
    for (auto* p : plugin->getParameters())
        names.push_back (p->getName (256));

    if (GetParam().keepsOrder)
        EXPECT_THAT (names, ElementsAreArray (expected));
    else
        EXPECT_THAT (names, UnorderedElementsAreArray (expected));

    for (const auto& s : defaults)
        expectSetting (s);
}

TEST_P (HostedOrvelle, OffersTheFactoryProgramsAndAppliesOne)
{
    prepare();
    settle();

    std::vector<juce::String> names;
    for (int i = 0; i < plugin->getNumPrograms(); ++i)
        names.push_back (plugin->getProgramName (i));

    if (GetParam().keepsOrder)
        EXPECT_THAT (names, ElementsAreArray (programNames));
    else
        EXPECT_THAT (names, UnorderedElementsAreArray (programNames));

    // Chosen by name, as a user picks it from the host's list.
    const auto voice = (int) std::distance (names.begin(), std::find (names.begin(), names.end(), "Voice"));
    ASSERT_LT (voice, plugin->getNumPrograms());

    plugin->setCurrentProgram (voice);
    settleUntil ([this] { return valueOf ("Mode") > 0.5f; });

    EXPECT_EQ (plugin->getCurrentProgram(), voice);
    for (const auto& s : { Setting { "Power", 1.0f, "On", false },
                           Setting { "Gain", 0.67f, "6.70", true },
                           Setting { "PeakRedc", 0.65f, "6.50", true },
                           Setting { "Mode", 1.0f, "Limit", false },
                           Setting { "VULevel", 0.5f, "GainRed", false } })
        expectSetting (s);
}

TEST_P (HostedOrvelle, RestoresSavedStateOverLaterChanges)
{
    const Setting saved[] = {
        { "Power", 0.0f, "Off", false },
        { "Gain", 0.8f, "8.00", true },
        { "PeakRedc", 0.4f, "4.00", true },
        { "Mode", 1.0f, "Limit", false },
        { "VULevel", 1.0f, "Input", false },
    };
    const Setting later[] = {
        { "Power", 1.0f, "On", false },
        { "Gain", 0.1f, "1.00", true },
        { "PeakRedc", 0.9f, "9.00", true },
        { "Mode", 0.0f, "Compress", false },
        { "VULevel", 0.0f, "Output", false },
    };

    prepare();
    settle();

    for (const auto& s : saved)
        apply (s);
    settle();

    juce::MemoryBlock state;
    plugin->getStateInformation (state);
    ASSERT_GT (state.getSize(), 0u);

    for (const auto& s : later)
        apply (s);
    settle();

    plugin->setStateInformation (state.getData(), (int) state.getSize());
    settleUntil ([this] { return valueOf ("Mode") > 0.5f; });

    for (const auto& s : saved)
        expectSetting (s);
}

// A quiet 1 kHz tone passes at the engine's small-signal gain, delayed by the reported latency.
TEST_P (HostedOrvelle, DelaysAQuietToneByTheLatencyAtTheSmallSignalGain)
{
    const auto amplitude = std::pow (10.0f, -30.0f / 20.0f);
    const auto expectedGainDb = -0.05;
    constexpr int numBlocks = 94; // about one second
    constexpr int length = numBlocks * blockSize;

    prepare();
    settle();

    std::vector<float> input ((size_t) length);
    for (size_t n = 0; n < input.size(); ++n)
        input[n] = amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * 1000.0 * (double) n / sampleRate);

    std::vector<std::vector<float>> output (numChannels, std::vector<float> ((size_t) length));
    juce::AudioBuffer<float> block (numChannels, blockSize);

    for (int b = 0; b < numBlocks; ++b)
    {
        for (int ch = 0; ch < numChannels; ++ch)
            block.copyFrom (ch, 0, input.data() + b * blockSize, blockSize);

        process (block);

        for (int ch = 0; ch < numChannels; ++ch)
            std::copy_n (block.getReadPointer (ch), blockSize, output[(size_t) ch].begin() + b * blockSize);
    }

    const auto firstAboveHalf = [amplitude] (const std::vector<float>& x)
    {
        const auto it = std::find_if (x.begin(), x.end(), [amplitude] (float v) { return std::abs (v) >= 0.5f * amplitude; });
        return (int) std::distance (x.begin(), it);
    };

    // Measured once the 50 ms parameter glides and the start-up have long settled.
    constexpr int windowStart = length / 2;
    constexpr int windowLength = length / 2 - 128;

    for (int ch = 0; ch < numChannels; ++ch)
    {
        SCOPED_TRACE ("channel " + std::to_string (ch));
        const auto& y = output[(size_t) ch];

        // A sine correlates equally at every period (48 samples), so the onset of the tone picks
        // the period and the correlation the exact lag within it.
        const auto onsetLag = firstAboveHalf (y) - firstAboveHalf (input);
        ASSERT_NEAR (onsetLag, latency, 8);

        int lag = 0;
        double best = -1.0;
        for (int candidate = onsetLag - 20; candidate <= onsetLag + 20; ++candidate)
        {
            double sum = 0.0;
            for (int n = windowStart; n < windowStart + windowLength; ++n)
                sum += (double) input[(size_t) n] * (double) y[(size_t) (n + candidate)];

            if (sum > best)
            {
                best = sum;
                lag = candidate;
            }
        }

        double inEnergy = 0.0, outEnergy = 0.0;
        for (int n = windowStart; n < windowStart + windowLength; ++n)
        {
            inEnergy += (double) input[(size_t) n] * (double) input[(size_t) n];
            outEnergy += (double) y[(size_t) (n + lag)] * (double) y[(size_t) (n + lag)];
        }
        const auto gainDb = 10.0 * std::log10 (outEnergy / inEnergy);

        RecordProperty ("lag_ch" + std::to_string (ch), lag);
        RecordProperty ("gain_db_ch" + std::to_string (ch), juce::String (gainDb, 3).toStdString());

        EXPECT_EQ (lag, latency);
        EXPECT_NEAR (gainDb, expectedGainDb, 0.3);
    }
}

INSTANTIATE_TEST_SUITE_P (Formats, HostedOrvelle, ::testing::ValuesIn (formatCases),
                          [] (const ::testing::TestParamInfo<FormatCase>& format) { return std::string (format.param.name); });

} // namespace
