#include "OrvelleProcessor.h"

namespace KLV
{
OrvelleProcessor::OrvelleProcessor()
{
    engine = std::make_unique<OrvelleDsp> (*this);
    dsp = engine.get();
    initialise();
}

OrvelleProcessor::~OrvelleProcessor()
{
    dsp = nullptr;
}

juce::AudioProcessorEditor* OrvelleProcessor::createEditor()
{
    // The product panel arrives with the editor; until then the framework's own editor
    // shows every parameter.
    return BaseProcessor::createEditor();
}

void OrvelleProcessor::createParameters()
{
    createHostMeterParameter ("Gain Reduction");
    createChoicesParameter (power, "Power", { "Off", "On" }, 1);
    createFloatParameter (gain, "Gain", 0.0f, 10.0f, 0.235f, "");
    createFloatParameter (peakReduction, "PeakRedc", 0.0f, 10.0f, 0.0f, "");
    createChoicesParameter (mode, "Mode", { "Compress", "Limit" }, 0);
    createChoicesParameter (vuLevel, "VULevel", { "Output", "GainRed", "Input" }, 1);
}

void OrvelleProcessor::createPresets()
{
    // Power, Gain, PeakRedc, Mode, VULevel as normalised values.
    addPreset ("Default", { 1.0f, 0.235f, 0.0f, 0.0f, 0.5f });
    addPreset ("Bassdrum", { 1.0f, 0.45f, 0.52f, 0.0f, 0.5f });
    addPreset ("Snare", { 1.0f, 0.57f, 0.49f, 0.0f, 0.5f });
    addPreset ("Toms", { 1.0f, 0.6f, 0.6f, 0.0f, 0.5f });
    addPreset ("Voice", { 1.0f, 0.67f, 0.65f, 1.0f, 0.5f });
    addPreset ("GentleCompression", { 1.0f, 0.27f, 0.1f, 0.0f, 0.5f });
    addPreset ("Squished", { 1.0f, 0.88f, 1.0f, 1.0f, 0.5f });
}
} // namespace KLV

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new KLV::OrvelleProcessor();
}
