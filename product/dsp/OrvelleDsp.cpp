#include "OrvelleDsp.h"

#include "Attenuator.h"
#include "ChebyWaveshaper.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace KLV
{
namespace
{
    constexpr double pi = 3.14159265358979323846;

    // Harmonic amplitudes (T0 ... T7) of the amplifier stage and of the sidechain stage.
    constexpr std::array<double, 8> AUDIO_HARMONICS { 0, 7.9432823472428158, 0.0015135612484362072, -0.0005623413251903491,
                                                      0.00048977881936844566, -0.0001122018454301963, 0.00020417379446695296,
                                                      -0.00025703957827688648 };
    constexpr std::array<double, 8> SIDECHAIN_HARMONICS { 0, 5.1880003892896118, 0.018407720014689544, -0.0050699070827470447,
                                                          0.00081283051616409948, -0.00058884365535558894, 0.00010592537251772886,
                                                          -0.00010964781961431839 };
    constexpr double audioDrive = 2.0;
    constexpr double sidechainDrive = 0.43478260869565222; // 1 / 2.3

    // The sidechain's rational transfer curve, ascending powers.
    constexpr std::array<double, 4> NUMERCOEFFS { -1.92796116770017, 125.63707620085577, -432.42367810676507, 482.55739446528094 };
    constexpr std::array<double, 6> DENOMCOEFFS { 1, -3.3814916677362299, 3.11562224573448, -1.3960816752549601,
                                                  10.193947673190159, -7.4434530037855602 };

    constexpr double rp = 2178.2178217821784; // 2200 Ohm in parallel with 220 kOhm

    // The analogue level of a full-scale sample, and what a sample reads on the VU scale.
    constexpr double coreLevel = 8.7014298444349496;
    constexpr double meterScale = 5.5130595698999949;
    // The needle's gain-reduction source per unit of attenuator gain.
    constexpr double meterGainScale = 1.70595;

    constexpr std::array<double, 4> defaultTargets { 1.0, 0.053599999785423277, 0.001, 0.0 };
    constexpr double limitModeResistance = 1300.0;

    // Silent steady states of the filters at an oversampled rate of 176 400 Hz.
    constexpr std::array<double, 2> silentSidechainBand { 0.30950332403344055, 0.30950332403426356 };
    constexpr double silentSidechainShelf = 0.039458414200141248;
    constexpr double silentSidechainCoupling = 0.0096911444310630052;
    constexpr double silentAudioOutputCoupling = 0.0012278982162481757;

    /** Equal when within the smallest normal double or a double epsilon of the larger
        magnitude; values that are not finite are equal only when identical. */
    bool approximatelyEqual (double a, double b) noexcept
    {
        if (! (std::isfinite (a) && std::isfinite (b)))
            return a == b;
        const double difference = std::abs (a - b);
        return difference <= std::numeric_limits<double>::min()
            || difference <= std::numeric_limits<double>::epsilon() * std::max (std::abs (a), std::abs (b));
    }

    // Samples that are not numbers, or infinite, enter as silence.
    inline double finiteOrSilence (double x) noexcept { return std::isfinite (x) ? x : 0.0; }

    /** taps[first ...] times samples[0 ...], count of them. */
    template <size_t N>
    inline double dot (const std::array<double, N>& taps, const double* samples, int first, int count) noexcept
    {
        const double* t = taps.data() + first;
        double sum = 0.0;
#pragma omp simd reduction(+ : sum)
        for (int k = 0; k < count; ++k)
            sum += t[k] * samples[k];
        return sum;
    }

    template <size_t N>
    inline double dot (const std::array<double, N>& taps, const double* samples, int count) noexcept
    {
        return dot (taps, samples, 0, count);
    }

    /** The low-frequency saturation of the input and output stages: a leaky integrator of the
        stage's output drives a factor 1 - s^4 that takes level away as it nears full charge. */
    inline double saturate (double x, double& integrator, double& dcState, const DSP::FilterSection& dcBlocker,
                            double invSampleRate, double integratorScale, double leak) noexcept
    {
        const double s = integrator;
        const double u = (1.0 - (s * s) * (s * s)) * x;
        const double y = dcBlocker.runFirstOrder (u, dcState);
        integrator = std::clamp (((invSampleRate * y) * integratorScale - leak * s) + s, -1.0, 1.0);
        return y;
    }

    inline double takeLouder (double current, double candidate) noexcept
    {
        return std::abs (candidate) > std::abs (current) ? candidate : current;
    }
} // namespace

OrvelleDsp::OrvelleDsp (BaseProcessor& owner)
    : BaseDsp (owner),
      targetValues (defaultTargets),
      upsamplerHistory (std::make_unique<DSP::CircularBuffer>()),
      downsamplerHistory (std::make_unique<DSP::CircularBuffer>()),
      dryDelay (std::make_unique<DSP::CircularBuffer>())
{
    latencySamples = latency;
    smoothedValues = targetValues;
}

void OrvelleDsp::prepareToPlay (double rate, int newBlockSize, int numIn, int numOut)
{
    // A rate within rounding of the current one counts as unchanged, as it does for the
    // processor: otherwise the targets would fall back to their defaults here while the
    // processor, seeing no change, would not send the parameters again.
    const bool unchanged = sampleRate != 0.0 && approximatelyEqual (rate, sampleRate)
                        && numIn == numInputChannels && numOut == numOutputChannels && newBlockSize == blockSize;

    if (! unchanged)
    {
        sampleRate = rate;
        blockSize = newBlockSize;
        numInputChannels = numIn;
        numOutputChannels = numOut;
        design (rate);

        const int n = std::max (0, std::min (numIn, numOut));
        DSP::CircularBuffer::realloc (upsamplerHistory, n, OversamplingFilters::upsamplerLength);
        DSP::CircularBuffer::realloc (downsamplerHistory, n, filters.downsamplerLength);
        DSP::CircularBuffer::realloc (dryDelay, n, latency);

        powerOn.store (true, std::memory_order_relaxed);
        targetValues = defaultTargets;
        meterSource = 1;
    }

    resetState();
}

void OrvelleDsp::design (double fs)
{
    smoothingCoeff = 1.0 - std::exp (-1.0 / (0.05 * fs)); // 50 ms
    numSmoothed = 4;
    oversampling = fs < 50000.0 ? 4 : (fs < 100000.0 ? 2 : 1);
    filters.design (oversampling);
    invSampleRate = 1.0 / fs;

    const double r = oversampling * fs;
    inputGain = 0.69183097091893642;
    outputGain = 4.0271703432545909;
    integratorLeak = 1.0 - std::exp (-1.0 / (5.0 * fs)); // 5 s

    // Designed at the oversampled rate but run at the base rate, so its corner there is 2.53 Hz / L.
    dcBlocker = DSP::FilterSection::highPass (2.53, r, 1.0);
    inputIntegratorScale = 72.511915370291248;
    outputIntegratorScale = 12.610767890485436;

    audioInputCoupling = DSP::FilterSection::highPass (3.2845927786997282, r, 0.99886492622020429);
    DSP::chebyWaveshaper (shaperOrder, audioShaper.data(), AUDIO_HARMONICS.data(), audioDrive);
    DSP::chebyLimits (shaperOrder, audioShaper.data(), &audioShaperLow, &audioShaperHigh);
    audioOutputCoupling = DSP::FilterSection::highPass (2.6525823848649219, r, 1.0);

    auto& sc = sidechain;
    const double sidechainInputCorner = 41.067595093879738;
    sc.sidechainInputCoupling = DSP::FilterSection::highPass (sidechainInputCorner, r, 1.0);
    DSP::chebyWaveshaper (shaperOrder, sc.sidechainShaper.data(), SIDECHAIN_HARMONICS.data(), sidechainDrive);
    DSP::chebyLimits (shaperOrder, sc.sidechainShaper.data(), &sc.sidechainShaperLow, &sc.sidechainShaperHigh);
    sc.sidechainShelf = DSP::FilterSection::highShelf (3455.3830458509628, r, 3.3665407076605973);

    // 10 uF into rp + 1800 Ohm, with the divider's loss as pass-band gain.
    const double couplingCorner = 1.0 / ((rp + 1800.0) * 2.0 * pi * 0.00001);
    sc.sidechainCoupling = DSP::FilterSection::highPass (couplingCorner, r, rp / (1800.0 + rp));

    sc.curveNumerator = NUMERCOEFFS;
    sc.curveDenominator = DENOMCOEFFS;
    sc.curveLow = -0.591838;
    sc.curveHigh = 0.433968;

    sc.sidechainBand = DSP::FilterSection::cascade (DSP::FilterSection::lowPass (10610.32953945969, r),
                                                    DSP::FilterSection::highPass (3.1415926535897936, r, 1.0));
    sc.driveKnee = 40.0;
    sc.driveScale = 0.30740852297878796;
    sc.darkConductance = 3.7735849056603772e-07;
    sc.conductanceRates = { 105.9 / r, -82742.0 / r };

    meterFilter.section = NeedleFilter::design (fs);
}

void OrvelleDsp::resetState()
{
    std::copy_n (targetValues.begin(), numSmoothed, smoothedValues.begin());

    upsamplerHistory->clear();
    downsamplerHistory->clear();
    dryDelay->clear();

    sidechain.sidechainBandState = silentSidechainBand;
    sidechain.cellConductance = 0.0;
    attenuatorGain = sidechainTap = restingGain;

    const double meterStart = meterSource == 1 ? restingMeter : 0.0;
    meterValue.store (meterStart, std::memory_order_relaxed);
    meterFilter.reset (meterStart);

    sidechain.sidechainInputCouplingState = 0.0;
    sidechain.sidechainShelfState = silentSidechainShelf;
    sidechain.sidechainCouplingState = silentSidechainCoupling;

    for (int c = 0; c < activeChannels(); ++c)
    {
        audioInputCouplingState[(size_t) c] = 0.0;
        audioOutputCouplingState[(size_t) c] = silentAudioOutputCoupling;
        inputDcState[(size_t) c] = 0.0;
        inputIntegrator[(size_t) c] = 0.0;
        outputDcState[(size_t) c] = 0.0;
        outputIntegrator[(size_t) c] = 0.0;
    }
}

int OrvelleDsp::activeChannels() const noexcept
{
    return std::clamp (std::min (numInputChannels, numOutputChannels), 0, maxChannels);
}

void OrvelleDsp::parameterChanged (int index, float value)
{
    switch (index)
    {
        case 0:
        {
            const bool on = value > 0.5f;
            powerOn.store (on, std::memory_order_relaxed);
            targetValues[0] = on ? 1.0 : 0.0;
            break;
        }
        case 1: targetValues[1] = setGain (value); break;
        case 2: targetValues[2] = setPeakReduction (value); break;
        case 3: targetValues[3] = value > 0.5f ? limitModeResistance : 0.0; break;
        case 4:
        {
            // Choice 0 "Output", 1 "GainRed", 2 "Input" select sources 2, 1 and 0.
            const int choice = value >= 1.0f ? (value >= 3.0f ? 3 : (int) value) : 0;
            meterSource = choice > 2 ? 0 : 2 - choice;
            break;
        }
        default: break;
    }
}

void OrvelleDsp::processFloat (int numSamples, const float* const* inputs, float* const* outputs)
{
    process (numSamples, inputs, outputs);
}

void OrvelleDsp::processDouble (int numSamples, const double* const* inputs, double* const* outputs)
{
    process (numSamples, inputs, outputs);
}

void OrvelleDsp::processBypassedFloat (int numSamples, const float* const* inputs, float* const* outputs)
{
    processBypassed (numSamples, inputs, outputs);
}

void OrvelleDsp::processBypassedDouble (int numSamples, const double* const* inputs, double* const* outputs)
{
    processBypassed (numSamples, inputs, outputs);
}

template <typename Sample>
inline void OrvelleDsp::enterSample (const Sample* const* inputs, int index, int numChannels, InputFrame& frame) noexcept
{
    frame.inputMeter = 0.0;
    frame.sidechainSum.fill (0.0);

    for (int c = 0; c < numChannels; ++c)
    {
        const auto k = (size_t) c;
        const double x = finiteOrSilence ((double) inputs[c][index]);
        frame.dry[k] = dryDelay->pushAndRead (c, x);
        frame.inputMeter = takeLouder (frame.inputMeter, meterScale * x);

        const double y = saturate (x, inputIntegrator[k], inputDcState[k], dcBlocker, invSampleRate, inputIntegratorScale, integratorLeak);
        frame.history[k] = upsamplerHistory->push (c, (y * inputGain) * coreLevel);
    }
}

inline void OrvelleDsp::interpolatePhase (InputFrame& frame, int phase, int numChannels, double channelShare) noexcept
{
    const auto j = (size_t) phase;
    for (size_t c = 0; c < (size_t) numChannels; ++c)
    {
        frame.up[c][j] = dot (filters.upsamplerReversed[j], frame.history[c], OversamplingFilters::upsamplerLength);
        frame.sidechainSum[j] += frame.up[c][j] * channelShare;
    }
}

template <typename Sample>
void OrvelleDsp::process (int numSamples, const Sample* const* inputs, Sample* const* outputs) noexcept
{
    if (numSamples <= 0)
        return;

    const int n = activeChannels();
    const int factor = oversampling;
    const double channelShare = n > 0 ? 1.0 / n : 0.0;

    // The decimator's taps in L slices, one beside each oversampled step.
    const int sliceLength = filters.downsamplerLength / factor;
    const int lastSliceLength = filters.downsamplerLength - sliceLength * (factor - 1);

    // The sidechain is one long chain of dependent arithmetic per oversampled step. Nothing
    // in the input stage, the interpolator or the decimator's sum depends on it, so the
    // next sample's input and this sample's decimation are computed beside it, where the
    // processor has idle units while the chain waits on its own results.
    std::array<InputFrame, 2> frames;
    enterSample (inputs, 0, n, frames[0]);
    for (int j = 0; j < factor; ++j)
        interpolatePhase (frames[0], j, n, channelShare);

    for (int i = 0; i < numSamples; ++i)
    {
        auto& current = frames[(size_t) (i & 1)];
        auto& next = frames[(size_t) ((i + 1) & 1)];
        const bool hasNext = i + 1 < numSamples;

        for (size_t s = 0; s < numSmoothed; ++s)
            smoothedValues[s] += (targetValues[s] - smoothedValues[s]) * smoothingCoeff;

        const double power = smoothedValues[0];
        const double gainFactor = smoothedValues[1];
        const double peakReduction = smoothedValues[2];
        const double modeResistance = smoothedValues[3];

        if (hasNext)
            enterSample (inputs, i + 1, n, next);

        ChannelValues decimated {};
        std::array<const double*, maxChannels> windows {};
        for (int c = 0; c < n; ++c)
            windows[(size_t) c] = downsamplerHistory->window (c);

        std::array<std::array<double, OversamplingFilters::maxFactor>, maxChannels> processed;
        double tap = sidechainTap;
        double gain = attenuatorGain;
        double smallestGain = 1.0;

        for (int j = 0; j < factor; ++j)
        {
            const auto gains = sidechain.step ((current.sidechainSum[(size_t) j] * peakReduction) * tap, modeResistance);
            gain = gains.g;
            tap = gains.k;
            smallestGain = std::min (smallestGain, meterGainScale * gain);

            for (int c = 0; c < n; ++c)
            {
                const auto k = (size_t) c;
                const double a = (current.up[k][(size_t) j] * gain) * gainFactor;
                const double b = std::clamp (audioInputCoupling.runFirstOrder (a, audioInputCouplingState[k]), audioShaperLow, audioShaperHigh);
                const double p = Sidechain::polynomial7 (audioShaper, b);
                processed[k][(size_t) j] = audioOutputCoupling.runFirstOrder (p, audioOutputCouplingState[k]);

                const int offset = j * sliceLength;
                decimated[k] += dot (filters.downsamplerReversed, windows[k] + offset, offset,
                                     j + 1 < factor ? sliceLength : lastSliceLength);
            }

            if (hasNext)
                interpolatePhase (next, j, n, channelShare);
        }

        sidechainTap = tap;
        attenuatorGain = gain;

        double outputMeter = 0.0;
        for (int c = 0; c < n; ++c)
        {
            const auto k = (size_t) c;
            for (int j = 0; j < factor; ++j)
                downsamplerHistory->write (c, processed[k][(size_t) j]);

            const double d = decimated[k] / coreLevel;
            const double y = saturate (d, outputIntegrator[k], outputDcState[k], dcBlocker, invSampleRate, outputIntegratorScale, integratorLeak);
            const double wet = y * outputGain;
            outputMeter = takeLouder (outputMeter, wet * meterScale);

            const double dry = current.dry[k];
            outputs[c][i] = (Sample) ((wet - dry) * power + dry);
        }

        const double meterSources[3] = { current.inputMeter, smallestGain, outputMeter };
        meterValue.store (meterFilter.step (meterSources[meterSource]), std::memory_order_relaxed);
    }
}

template <typename Sample>
void OrvelleDsp::processBypassed (int numSamples, const Sample* const* inputs, Sample* const* outputs) noexcept
{
    const int n = activeChannels();
    for (int i = 0; i < numSamples; ++i)
        for (int c = 0; c < n; ++c)
            outputs[c][i] = (Sample) dryDelay->pushAndRead (c, finiteOrSilence ((double) inputs[c][i]));
}

double OrvelleDsp::getMeterValue (int index)
{
    if (index != 0 || ! powerOn.load (std::memory_order_relaxed))
        return 0.0;

    double v = meterValue.load (std::memory_order_relaxed);
    v = v >= 0.061 ? std::min (v, 0.975) : 0.061; // a value that is not a number rests at the left stop
    return (double) (float) v;
}

double OrvelleDsp::getHostMeterValue (int index)
{
    if (index != 0 || ! powerOn.load (std::memory_order_relaxed))
        return 0.0;

    return (double) (1.0f - (float) (attenuatorGain / restingGain));
}

bool OrvelleDsp::isStateFinite() const noexcept
{
    auto finite = [] (auto... values) { return (std::isfinite (values) && ...); };
    const auto& sc = sidechain;
    bool ok = finite (attenuatorGain, sidechainTap, sc.cellConductance, sc.sidechainInputCouplingState, sc.sidechainShelfState,
                      sc.sidechainCouplingState, sc.sidechainBandState[0], sc.sidechainBandState[1], meterFilter.x1, meterFilter.x2,
                      meterFilter.y1, meterFilter.y2, meterValue.load());
    for (int c = 0; c < activeChannels(); ++c)
    {
        const auto k = (size_t) c;
        ok = ok && finite (inputIntegrator[k], outputIntegrator[k], inputDcState[k], outputDcState[k],
                           audioInputCouplingState[k], audioOutputCouplingState[k]);
    }
    return ok;
}
} // namespace KLV
