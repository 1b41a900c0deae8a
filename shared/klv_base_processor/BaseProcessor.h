#pragma once

#include "BaseDsp.h"
#include "Preset.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>

namespace KLV
{
/** What every product of the maker shares: the parameter tables and their value-tree state,
    the parameter pass that feeds the engine, factory programs, the saved state, bus layouts
    and the processing and bypass entry points. The product supplies the engine, its
    parameters and its presets. */
class BaseProcessor : public juce::AudioProcessor
{
public:
    static constexpr int maxParameters = 64;
    static constexpr int maxHostMeters = 64;
    static constexpr int maxPresets = 32;

    BaseProcessor();
    ~BaseProcessor() override;

    const juce::String getName() const override;
    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override {}
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    void processBlock (juce::AudioBuffer<double>&, juce::MidiBuffer&) override;
    void processBlockBypassed (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    void processBlockBypassed (juce::AudioBuffer<double>&, juce::MidiBuffer&) override;
    bool isBusesLayoutSupported (const BusesLayout&) const override;
    bool supportsDoublePrecisionProcessing() const override { return true; }
    double getTailLengthSeconds() const override { return 0.0; }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }
    bool isMidiEffect() const override { return false; }
    bool hasEditor() const override { return true; }
    juce::AudioProcessorEditor* createEditor() override;

    int getNumPrograms() override { return numPresets; }
    int getCurrentProgram() override { return currentPreset; }
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int, const juce::String&) override {}

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    /** The product creates its parameter set here. */
    virtual void createParameters() = 0;
    /** Called after a changed value has been passed to the engine. */
    virtual void parameterChanged (int, float) {}
    /** Fills the preset table. */
    virtual void createPresets() {}
    /** Sets a regular parameter as one complete host-visible edit. */
    virtual void setParameterValue (int index, float normalisedValue);

    BaseDsp* getDsp() const noexcept { return dsp; }
    int getNumRegularParameters() const noexcept { return numParameters; }
    const juce::String& getParameterId (int index) const { return parameterIds[(size_t) index]; }
    const Preset& getPreset (int index) const { return presets[(size_t) index]; }

    juce::AudioProcessorValueTreeState parameterState;

    // The set-up of the last prepareToPlay (0 Hz: never prepared), readable from any thread.
    std::atomic<double> preparedSampleRate { 0.0 };
    std::atomic<int> preparedBlockSize { 0 };
    std::atomic<int> preparedNumInputs { 0 };
    std::atomic<int> preparedNumOutputs { 0 };

protected:
    /** Runs the rest of the construction once the product has set `dsp`: the parameters,
        the value tree of type "OK" and the presets. */
    void initialise();

    void createFloatParameter (int index, const juce::String& name, float minimum, float maximum,
                               float defaultValue, const juce::String& unitLabel);
    void createChoicesParameter (int index, const juce::String& name, const juce::StringArray& choices, int defaultIndex);
    void createHostMeterParameter (const juce::String& name);
    void addPreset (const juce::String& name, std::initializer_list<float> values);

    /** The parameter pass: changed values to the engine, then the host meters from it. */
    void updateParameters();

    BaseDsp* dsp = nullptr;

private:
    template <typename Sample>
    void process (juce::AudioBuffer<Sample>& buffer);
    template <typename Sample>
    void processBypassed (juce::AudioBuffer<Sample>& buffer);
    template <typename Sample>
    bool coversPreparedChannels (const juce::AudioBuffer<Sample>& buffer) const noexcept;
    void registerParameter (int index, const juce::String& name, float defaultValue);
    juce::RangedAudioParameter* findParameter (const juce::String& id) const;

    bool ignoreNextProgramChange = true;
    bool forceParameterUpdate = false;
    std::array<juce::String, maxHostMeters> hostMeterIds;
    std::array<juce::RangedAudioParameter*, maxHostMeters> hostMeters {};
    int numHostMeters = 0;
    std::array<std::atomic<float>*, maxParameters> rawParameterValues {};
    std::array<float, maxParameters> lastParameterValues {};
    int numParameters = 0;
    std::array<Preset, maxPresets> presets;
    int numPresets = 0;
    int currentPreset = 0;
    std::array<juce::String, maxParameters> parameterIds;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BaseProcessor)
};
} // namespace KLV
