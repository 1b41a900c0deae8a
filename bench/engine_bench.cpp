// Real-time factor of the engine: seconds of audio processed per second of computing.
#include "OrvelleProcessor.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{
// The engine only keeps a reference to its processor; one instance serves every case.
KLV::OrvelleProcessor* owningProcessor = nullptr;

template <typename Sample>
void engineRealTime (benchmark::State& state)
{
    const double rate = (double) state.range (0);
    const int channels = (int) state.range (1);
    const bool silenceAfterLoud = state.range (2) != 0;
    constexpr int blockSize = 512;

    KLV::OrvelleDsp engine (*owningProcessor);
    engine.prepareToPlay (rate, blockSize, channels, channels);
    engine.parameterChanged (1, 0.6f);
    engine.parameterChanged (2, 0.6f);

    std::vector<std::vector<Sample>> audio ((size_t) channels, std::vector<Sample> (blockSize));
    std::vector<Sample*> pointers;
    for (auto& channel : audio)
        pointers.push_back (channel.data());

    double phase = 0.0;
    auto fill = [&] (double amplitude) {
        for (int i = 0; i < blockSize; ++i, phase += 0.0571)
            for (auto& channel : audio)
                channel[(size_t) i] = (Sample) (amplitude * std::sin (phase));
    };

    // The processor runs the engine with denormals flushed; so does the benchmark.
    juce::ScopedNoDenormals noDenormals;
    if (silenceAfterLoud)
    {
        for (int b = 0; b < (int) (rate / blockSize); ++b)
        {
            fill (0.9);
            if constexpr (std::is_same_v<Sample, float>)
                engine.processFloat (blockSize, pointers.data(), pointers.data());
            else
                engine.processDouble (blockSize, pointers.data(), pointers.data());
        }
    }

    for (auto _ : state)
    {
        fill (silenceAfterLoud ? 0.0 : 0.5);
        if constexpr (std::is_same_v<Sample, float>)
            engine.processFloat (blockSize, pointers.data(), pointers.data());
        else
            engine.processDouble (blockSize, pointers.data(), pointers.data());
        benchmark::DoNotOptimize (audio[0][0]);
    }

    const double audioSeconds = (double) state.iterations() * blockSize / rate;
    state.counters["realtime_x"] = benchmark::Counter (audioSeconds, benchmark::Counter::kIsRate);
}

void rates (benchmark::internal::Benchmark* b)
{
    b->ArgNames ({ "rate", "ch", "silence_after_loud" });
    for (int channels : { 1, 2 })
        for (int rate : { 44100, 48000, 96000, 192000 })
            b->Args ({ rate, channels, 0 });
    b->Args ({ 48000, 2, 1 });
}
} // namespace

BENCHMARK_TEMPLATE (engineRealTime, float)->Apply (rates)->Unit (benchmark::kMicrosecond);
BENCHMARK_TEMPLATE (engineRealTime, double)->Apply (rates)->Unit (benchmark::kMicrosecond);

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    KLV::OrvelleProcessor processor;
    owningProcessor = &processor;

    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
