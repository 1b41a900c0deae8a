// Runs a generated test signal through Orvelle's processor and prints the input and output
// levels and the gain reduction, so the leveling can be heard with numbers.
#include "OrvelleProcessor.h"

#include <cmath>
#include <cstdio>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;

struct Levels
{
    double inputPeak = 0.0, outputPeak = 0.0, inputSquares = 0.0, outputSquares = 0.0;
    int count = 0;
};

double toDecibels (double x) { return x > 0.0 ? 20.0 * std::log10 (x) : -200.0; }

/** A 1 kHz tone stepping through levels, at each the plug-in's settings of the moment. */
void runSegment (KLV::OrvelleProcessor& processor, const char* label, double amplitude, double seconds)
{
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    static double phase = 0.0;
    Levels levels;
    const int blocks = (int) (seconds * sampleRate / blockSize);

    for (int b = 0; b < blocks; ++b)
    {
        for (int i = 0; i < blockSize; ++i)
        {
            const auto x = (float) (amplitude * std::sin (phase));
            phase += 2.0 * juce::MathConstants<double>::pi * 1000.0 / sampleRate;
            buffer.setSample (0, i, x);
            buffer.setSample (1, i, x);
        }

        const bool lastQuarter = b >= blocks * 3 / 4;
        if (lastQuarter)
            for (int i = 0; i < blockSize; ++i)
            {
                const double x = buffer.getSample (0, i);
                levels.inputPeak = std::max (levels.inputPeak, std::abs (x));
                levels.inputSquares += x * x;
            }

        processor.processBlock (buffer, midi);

        if (lastQuarter)
        {
            for (int i = 0; i < blockSize; ++i)
            {
                const double y = buffer.getSample (0, i);
                levels.outputPeak = std::max (levels.outputPeak, std::abs (y));
                levels.outputSquares += y * y;
            }
            levels.count += blockSize;
        }
    }

    const double inRms = std::sqrt (levels.inputSquares / levels.count);
    const double outRms = std::sqrt (levels.outputSquares / levels.count);
    const auto* meter = processor.parameterState.getParameter ("Gain Reduction");
    std::printf ("%-34s in %7.2f dBFS rms  out %7.2f dBFS rms  gain %+6.2f dB  host GR meter %.3f\n",
                 label, toDecibels (inRms), toDecibels (outRms), toDecibels (outRms / inRms), meter->getValue());
}
} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI juce;
    KLV::OrvelleProcessor processor;
    processor.setPlayConfigDetails (2, 2, sampleRate, blockSize);
    processor.prepareToPlay (sampleRate, blockSize);

    std::printf ("Orvelle: 1 kHz tone, stereo, %.0f Hz, latency %d samples\n", sampleRate, processor.getLatencySamples());

    struct Setting
    {
        const char* label;
        float gain, peakReduction, mode;
    };
    const Setting settings[] = { { "Default (GAIN 2.35, PEAK RED 0)", 0.235f, 0.0f, 0.0f },
                                 { "Compress, GAIN 4.5, PEAK RED 5.2", 0.45f, 0.52f, 0.0f },
                                 { "Limit, GAIN 6.7, PEAK RED 6.5", 0.67f, 0.65f, 1.0f } };

    for (const auto& s : settings)
    {
        processor.setParameterValue (KLV::OrvelleProcessor::gain, s.gain);
        processor.setParameterValue (KLV::OrvelleProcessor::peakReduction, s.peakReduction);
        processor.setParameterValue (KLV::OrvelleProcessor::mode, s.mode);
        std::printf ("\n%s\n", s.label);
        for (double dB : { -40.0, -20.0, -10.0, -3.0 })
        {
            char line[64];
            std::snprintf (line, sizeof (line), "  tone at %+.0f dBFS peak", dB);
            runSegment (processor, line, std::pow (10.0, dB / 20.0), 2.0);
        }
    }
    return 0;
}
