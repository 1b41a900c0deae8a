#pragma once

namespace KLV
{
class BaseProcessor;

/** The engine side of a product: the processor hands it every block in place, tells it about
    parameter changes and set-up changes, and reads back its latency and meter values. */
class BaseDsp
{
public:
    explicit BaseDsp (BaseProcessor& owner) : processor (owner) {}
    virtual ~BaseDsp() = default;

    BaseDsp (const BaseDsp&) = delete;
    BaseDsp& operator= (const BaseDsp&) = delete;

    virtual void prepareToPlay (double sampleRate, int blockSize, int numInputChannels, int numOutputChannels) = 0;
    virtual void releaseResources() = 0;
    virtual void parameterChanged (int index, float value) = 0;
    virtual void processFloat (int numSamples, const float* const* inputs, float* const* outputs) = 0;
    virtual void processDouble (int numSamples, const double* const* inputs, double* const* outputs) = 0;
    virtual void processBypassedFloat (int numSamples, const float* const* inputs, float* const* outputs) = 0;
    virtual void processBypassedDouble (int numSamples, const double* const* inputs, double* const* outputs) = 0;
    virtual double getMeterValue (int index) = 0;
    virtual double getHostMeterValue (int index) = 0;

    int getLatencySamples() const noexcept { return latencySamples; }

protected:
    int latencySamples = 0;
    int blockSize = 0;
    double sampleRate = 0.0; // 0 means never prepared
    int numInputChannels = 0;
    int numOutputChannels = 0;
    BaseProcessor& processor;
};
} // namespace KLV
