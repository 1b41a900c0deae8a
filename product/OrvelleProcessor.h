#pragma once

#include "BaseProcessor.h"
#include "dsp/OrvelleDsp.h"

#include <memory>

namespace KLV
{
/** The product: the leveling amplifier engine with its parameters and factory programs. */
class OrvelleProcessor final : public BaseProcessor
{
public:
    // Parameter indices, shared with the engine, the editor and the presets.
    enum ParameterIndex
    {
        power = 0,
        gain = 1,
        peakReduction = 2,
        mode = 3,
        vuLevel = 4
    };

    OrvelleProcessor();
    ~OrvelleProcessor() override;

    juce::AudioProcessorEditor* createEditor() override;
    void createParameters() override;
    void createPresets() override;

private:
    std::unique_ptr<OrvelleDsp> engine;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OrvelleProcessor)
};
} // namespace KLV
