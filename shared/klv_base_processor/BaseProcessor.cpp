#include "BaseProcessor.h"

#include "ParameterText.h"
#include "StateBlob.h"

namespace KLV
{
namespace
{
    const juce::Identifier stateType { "OK" };
    constexpr float parameterThreshold = 0.0001f;

    void setAsCompleteEdit (juce::RangedAudioParameter& parameter, float normalisedValue)
    {
        parameter.beginChangeGesture();
        parameter.setValueNotifyingHost (normalisedValue);
        parameter.endChangeGesture();
    }

    bool sampleRatesMatch (double a, double b)
    {
        return juce::approximatelyEqual (a, b);
    }
} // namespace

BaseProcessor::BaseProcessor()
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                                .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      parameterState (*this, nullptr)
{
}

BaseProcessor::~BaseProcessor() = default;

const juce::String BaseProcessor::getName() const
{
    return JucePlugin_Name;
}

void BaseProcessor::initialise()
{
    createParameters();
    parameterState.state = juce::ValueTree (stateType);
    createPresets();
}

//==============================================================================
void BaseProcessor::registerParameter (int index, const juce::String& name, float defaultValue)
{
    rawParameterValues[(size_t) index] = parameterState.getRawParameterValue (name);
    lastParameterValues[(size_t) index] = defaultValue;
    parameterIds[(size_t) index] = name;
    ++numParameters;
}

void BaseProcessor::createFloatParameter (int index, const juce::String& name, float minimum, float maximum,
                                          float defaultValue, const juce::String& unitLabel)
{
    auto attributes = juce::AudioParameterFloatAttributes()
                          .withStringFromValueFunction ([=] (float v, int) { return scaledValueToText (v, minimum, maximum, unitLabel); })
                          .withValueFromStringFunction ([=] (const juce::String& text) { return textToScaledValue (text, minimum, maximum); });

    parameterState.createAndAddParameter (std::make_unique<juce::AudioParameterFloat> (
        juce::ParameterID { name, 1 }, name, juce::NormalisableRange<float> (0.0f, 1.0f), defaultValue, attributes));
    registerParameter (index, name, defaultValue);
}

void BaseProcessor::createChoicesParameter (int index, const juce::String& name, const juce::StringArray& choices, int defaultIndex)
{
    parameterState.createAndAddParameter (std::make_unique<juce::AudioParameterChoice> (
        juce::ParameterID { name, 1 }, name, choices, defaultIndex));
    registerParameter (index, name, (float) defaultIndex);
}

void BaseProcessor::createHostMeterParameter (const juce::String& name)
{
    auto attributes = juce::AudioParameterFloatAttributes()
                          .withCategory (juce::AudioProcessorParameter::compressorLimiterGainReductionMeter);
    auto* meter = parameterState.createAndAddParameter (std::make_unique<juce::AudioParameterFloat> (
        juce::ParameterID { name, 1 }, name, juce::NormalisableRange<float> (0.0f, 1.0f), 0.0f, attributes));

    hostMeterIds[(size_t) numHostMeters] = name;
    hostMeters[(size_t) numHostMeters] = meter;
    ++numHostMeters;
}

void BaseProcessor::addPreset (const juce::String& name, std::initializer_list<float> values)
{
    auto& preset = presets[(size_t) numPresets];
    preset.index = numPresets;
    preset.name = name;
    preset.numValues = 0;
    for (auto v : values)
        preset.values[(size_t) preset.numValues++] = v;
    ++numPresets;
}

juce::RangedAudioParameter* BaseProcessor::findParameter (const juce::String& id) const
{
    return parameterState.getParameter (id);
}

void BaseProcessor::setParameterValue (int index, float normalisedValue)
{
    if (auto* parameter = findParameter (parameterIds[(size_t) index]))
        setAsCompleteEdit (*parameter, normalisedValue);
}

void BaseProcessor::updateParameters()
{
    for (int i = 0; i < numParameters; ++i)
    {
        const float raw = rawParameterValues[(size_t) i]->load (std::memory_order_relaxed);
        auto& last = lastParameterValues[(size_t) i];

        if (std::abs (raw - last) >= parameterThreshold || forceParameterUpdate)
        {
            last = raw;
            dsp->parameterChanged (i, raw);
            parameterChanged (i, raw);
        }
    }
    forceParameterUpdate = false;

    for (int s = 0; s < numHostMeters; ++s)
        setAsCompleteEdit (*hostMeters[(size_t) s], (float) dsp->getHostMeterValue (s));
}

//==============================================================================
void BaseProcessor::prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock)
{
    const int numInputs = getTotalNumInputChannels();
    const int numOutputs = getTotalNumOutputChannels();

    if (juce::exactlyEqual (preparedSampleRate.load(), 0.0))
        ignoreNextProgramChange = true;
    else if (! sampleRatesMatch (sampleRate, preparedSampleRate.load())
             || maximumExpectedSamplesPerBlock != preparedBlockSize.load()
             || numInputs != preparedNumInputs.load()
             || numOutputs != preparedNumOutputs.load())
        forceParameterUpdate = true;

    preparedSampleRate = sampleRate;
    preparedBlockSize = maximumExpectedSamplesPerBlock;
    preparedNumInputs = numInputs;
    preparedNumOutputs = numOutputs;

    dsp->prepareToPlay (sampleRate, maximumExpectedSamplesPerBlock, numInputs, numOutputs);
    setLatencySamples (dsp->getLatencySamples());
}

template <typename Sample>
bool BaseProcessor::coversPreparedChannels (const juce::AudioBuffer<Sample>& buffer) const noexcept
{
    // The engine works on the channels it was prepared for; a buffer with fewer would be a
    // host fault, and is left as it is rather than read past its end.
    return buffer.getNumChannels() >= juce::jmin (preparedNumInputs.load (std::memory_order_relaxed),
                                                  preparedNumOutputs.load (std::memory_order_relaxed));
}

template <typename Sample>
void BaseProcessor::process (juce::AudioBuffer<Sample>& buffer)
{
    juce::ScopedNoDenormals noDenormals;
    ignoreNextProgramChange = false;
    updateParameters();

    if (! coversPreparedChannels (buffer))
        return;

    auto* channels = buffer.getArrayOfWritePointers();
    if constexpr (std::is_same_v<Sample, float>)
        dsp->processFloat (buffer.getNumSamples(), channels, channels);
    else
        dsp->processDouble (buffer.getNumSamples(), channels, channels);
}

template <typename Sample>
void BaseProcessor::processBypassed (juce::AudioBuffer<Sample>& buffer)
{
    juce::ScopedNoDenormals noDenormals;

    if (getLatencySamples() == 0)
    {
        const int firstExtra = getMainBusNumInputChannels();
        const int lastExtra = juce::jmin (getTotalNumOutputChannels(), buffer.getNumChannels());
        for (int c = firstExtra; c < lastExtra; ++c)
            buffer.clear (c, 0, buffer.getNumSamples());
        return;
    }

    if (! coversPreparedChannels (buffer))
        return;

    auto* channels = buffer.getArrayOfWritePointers();
    if constexpr (std::is_same_v<Sample, float>)
        dsp->processBypassedFloat (buffer.getNumSamples(), channels, channels);
    else
        dsp->processBypassedDouble (buffer.getNumSamples(), channels, channels);
}

void BaseProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&) { process (buffer); }
void BaseProcessor::processBlock (juce::AudioBuffer<double>& buffer, juce::MidiBuffer&) { process (buffer); }
void BaseProcessor::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&) { processBypassed (buffer); }
void BaseProcessor::processBlockBypassed (juce::AudioBuffer<double>& buffer, juce::MidiBuffer&) { processBypassed (buffer); }

bool BaseProcessor::isBusesLayoutSupported (const BusesLayout& layout) const
{
    const auto input = layout.getMainInputChannelSet();
    const auto output = layout.getMainOutputChannelSet();
    return ! input.isDisabled() && ! output.isDisabled()
        && input.size() <= 2 && output.size() <= 2
        && input == output;
}

juce::AudioProcessorEditor* BaseProcessor::createEditor()
{
    return new juce::GenericAudioProcessorEditor (*this);
}

//==============================================================================
void BaseProcessor::setCurrentProgram (int index)
{
    if (ignoreNextProgramChange)
    {
        ignoreNextProgramChange = false;
        return;
    }
    if (numPresets == 0)
        return;

    currentPreset = index >= numPresets ? numPresets - 1 : juce::jmax (index, 0);
    const auto& preset = presets[(size_t) currentPreset];

    for (int k = 0; k < preset.numValues; ++k)
        if (auto* parameter = findParameter (parameterIds[(size_t) k]))
            parameter->setValueNotifyingHost (preset.values[(size_t) k]);

    ignoreNextProgramChange = false;
}

const juce::String BaseProcessor::getProgramName (int index)
{
    if (numPresets == 0)
        return {};
    return presets[(size_t) (index >= numPresets ? numPresets - 1 : juce::jmax (index, 0))].name;
}

//==============================================================================
void BaseProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    writeStateBlob (parameterState.copyState(), destData);
}

void BaseProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    auto restored = readStateBlob (data, sizeInBytes, stateType);
    if (! restored.isValid())
        return;

    // A parameter the saved text lacks takes its default, not the value it has now: its
    // child is appended here, before the tree is installed, with no value of its own.
    for (auto* parameter : getParameters())
    {
        if (auto* withId = dynamic_cast<juce::RangedAudioParameter*> (parameter))
        {
            if (! restored.getChildWithProperty ("id", withId->paramID).isValid())
                restored.appendChild (juce::ValueTree ("PARAM", { { "id", withId->paramID } }), nullptr);
        }
    }

    parameterState.replaceState (restored);
}
} // namespace KLV
