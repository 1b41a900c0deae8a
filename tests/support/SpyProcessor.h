#pragma once

#include "BaseProcessor.h"

#include <utility>
#include <vector>

namespace KLV::Testing
{
/** An engine that records what the processor tells it. */
class SpyDsp final : public BaseDsp
{
public:
    explicit SpyDsp (BaseProcessor& owner) : BaseDsp (owner) { latencySamples = 32; }

    void prepareToPlay (double rate, int block, int in, int out) override
    {
        ++preparations;
        sampleRate = rate;
        blockSize = block;
        numInputChannels = in;
        numOutputChannels = out;
    }
    void releaseResources() override {}
    void parameterChanged (int index, float value) override { changes.emplace_back (index, value); }
    void processFloat (int, const float* const*, float* const*) override { ++processCalls; }
    void processDouble (int, const double* const*, double* const*) override { ++processCalls; }
    void processBypassedFloat (int, const float* const*, float* const*) override { ++bypassCalls; }
    void processBypassedDouble (int, const double* const*, double* const*) override { ++bypassCalls; }
    double getMeterValue (int) override { return 0.0; }
    double getHostMeterValue (int slot) override { return slot == 0 ? hostMeter : 0.0; }

    std::vector<std::pair<int, float>> changes;
    int preparations = 0, processCalls = 0, bypassCalls = 0;
    double hostMeter = 0.25;

    void setLatency (int samples) { latencySamples = samples; }
};

/** A product with a meter, a float and a three-way choice, on the maker's base. */
class SpyProcessor final : public BaseProcessor
{
public:
    explicit SpyProcessor (int engineLatency = 32)
    {
        spy = std::make_unique<SpyDsp> (*this);
        spy->setLatency (engineLatency);
        dsp = spy.get();
        initialise();
    }

    void createParameters() override
    {
        createHostMeterParameter ("Meter");
        createFloatParameter (0, "Level", 0.0f, 10.0f, 0.5f, "");
        createChoicesParameter (1, "Choice", { "A", "B", "C" }, 0);
    }

    using BaseProcessor::updateParameters;

    std::unique_ptr<SpyDsp> spy;
};
} // namespace KLV::Testing
