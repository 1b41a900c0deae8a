#pragma once

#include "BaseDsp.h"
#include "CircularBuffer.h"
#include "FilterSection.h"
#include "KnobTaper.h"
#include "NeedleFilter.h"
#include "OversamplingFilters.h"
#include "Sidechain.h"

#include <array>
#include <atomic>
#include <memory>

namespace KLV
{
/** The leveling amplifier: an input stage that loses low frequencies at high level, an
    oversampled core in which a fed-back sidechain drives the conductance of a variable
    resistor inside a resistive attenuator (one gain for all channels) followed by a
    saturating amplifier stage per channel, an output stage like the input stage, and a
    POWER crossfade against the dry signal delayed by the engine's latency. */
class OrvelleDsp final : public BaseDsp
{
public:
    static constexpr int maxChannels = 8;
    static constexpr int latency = 32;
    static constexpr int shaperOrder = Sidechain::shaperOrder; // both waveshapers are of order 7

    // Knob positions 0 to 10 of the two potentiometers.
    static constexpr PotTaper gainTaper { 0, 0.005, 0.041, 0.077, 0.113, 0.149, 0.288, 0.51, 0.75, 0.98, 1 };
    static constexpr PotTaper peakReductionTaper { 0.001, 0.011, 0.035, 0.068, 0.101, 0.143, 0.258, 0.479, 0.703, 0.909, 1 };

    // Gain and node factor of the attenuator at rest (no cell conductance, 0 Ohm mode resistance).
    static constexpr double restingGain = 0.41917114837000891;
    // The needle's gain-reduction source at rest: 1.70595 times the resting gain.
    static constexpr double restingMeter = 0.71508502056181678;

    explicit OrvelleDsp (BaseProcessor& owner);

    void prepareToPlay (double sampleRate, int blockSize, int numInputChannels, int numOutputChannels) override;
    void releaseResources() override {}
    void parameterChanged (int index, float value) override;
    void processFloat (int numSamples, const float* const* inputs, float* const* outputs) override;
    void processDouble (int numSamples, const double* const* inputs, double* const* outputs) override;
    void processBypassedFloat (int numSamples, const float* const* inputs, float* const* outputs) override;
    void processBypassedDouble (int numSamples, const double* const* inputs, double* const* outputs) override;
    double getMeterValue (int index) override;
    double getHostMeterValue (int index) override;

    static double setGain (float value) noexcept { return applyTaper (gainTaper, value); }
    static double setPeakReduction (float value) noexcept { return applyTaper (peakReductionTaper, value); }

    // Read-only views for diagnostics and tests.
    int getOversampling() const noexcept { return oversampling; }
    const OversamplingFilters& getOversamplingFilters() const noexcept { return filters; }
    const std::array<double, 4>& getTargetValues() const noexcept { return targetValues; }
    const std::array<double, 4>& getSmoothedValues() const noexcept { return smoothedValues; }
    int getMeterSource() const noexcept { return meterSource; }
    double getCellConductance() const noexcept { return sidechain.cellConductance; }
    double getAttenuatorGain() const noexcept { return attenuatorGain; }
    double getSidechainTap() const noexcept { return sidechainTap; }
    double getSampleRate() const noexcept { return sampleRate; }
    const std::array<double, shaperOrder + 1>& getAudioShaper() const noexcept { return audioShaper; }
    const std::array<double, shaperOrder + 1>& getSidechainShaper() const noexcept { return sidechain.sidechainShaper; }
    const Sidechain& getSidechain() const noexcept { return sidechain; }
    std::array<double, 2> getAudioShaperLimits() const noexcept { return { audioShaperLow, audioShaperHigh }; }
    std::array<double, 2> getSidechainShaperLimits() const noexcept { return { sidechain.sidechainShaperLow, sidechain.sidechainShaperHigh }; }
    const DSP::FilterSection& getDcBlocker() const noexcept { return dcBlocker; }
    const DSP::CircularBuffer& getDryDelay() const noexcept { return *dryDelay; }
    /** True when every piece of state that carries from sample to sample is a finite number. */
    bool isStateFinite() const noexcept;

private:
    /** One base-rate sample on its way into the core. */
    struct InputFrame
    {
        std::array<std::array<double, OversamplingFilters::maxFactor>, maxChannels> up;
        std::array<const double*, maxChannels> history;
        std::array<double, maxChannels> dry;
        std::array<double, OversamplingFilters::maxFactor> sidechainSum;
        double inputMeter;
    };

    /** Input stage of one sample: dry delay, input meter, saturation, into the interpolator. */
    template <typename Sample>
    void enterSample (const Sample* const* inputs, int index, int numChannels, InputFrame& frame) noexcept;
    /** Sub-sample `phase` of every channel, and its share of the sidechain sum. */
    void interpolatePhase (InputFrame& frame, int phase, int numChannels, double channelShare) noexcept;

    template <typename Sample>
    void process (int numSamples, const Sample* const* inputs, Sample* const* outputs) noexcept;
    template <typename Sample>
    void processBypassed (int numSamples, const Sample* const* inputs, Sample* const* outputs) noexcept;

    void design (double sampleRate);
    void resetState();
    int activeChannels() const noexcept;

    using ChannelValues = std::array<double, maxChannels>;

    std::atomic<bool> powerOn { true };
    size_t numSmoothed = 4;
    double smoothingCoeff = 0.0;
    std::array<double, 4> smoothedValues {};
    std::array<double, 4> targetValues {};
    double invSampleRate = 0.0;
    double attenuatorGain = restingGain;
    double sidechainTap = restingGain;
    double inputGain = 0.69183097091893642;
    double outputGain = 4.0271703432545909;
    double inputIntegratorScale = 72.511915370291248;
    double outputIntegratorScale = 12.610767890485436;
    double integratorLeak = 0.0;
    ChannelValues inputIntegrator {}, outputIntegrator {};
    DSP::FilterSection dcBlocker;
    ChannelValues inputDcState {}, outputDcState {};
    int oversampling = 1;
    OversamplingFilters filters;
    std::unique_ptr<DSP::CircularBuffer> upsamplerHistory, downsamplerHistory, dryDelay;
    DSP::FilterSection audioInputCoupling;
    ChannelValues audioInputCouplingState {};
    std::array<double, shaperOrder + 1> audioShaper {};
    double audioShaperLow = 0.0, audioShaperHigh = 0.0;
    DSP::FilterSection audioOutputCoupling;
    ChannelValues audioOutputCouplingState {};
    Sidechain sidechain;
    NeedleFilter meterFilter;
    std::atomic<double> meterValue { restingMeter };
    int meterSource = 1;
};
} // namespace KLV
