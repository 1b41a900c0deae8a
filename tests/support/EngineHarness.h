#pragma once

#include "OrvelleProcessor.h"

#include <cmath>
#include <vector>

namespace KLV::Testing
{
/** A processor to own free-standing engines; the engine never calls it. */
inline BaseProcessor& engineOwner()
{
    static OrvelleProcessor owner;
    return owner;
}

using Channels = std::vector<std::vector<double>>;

/** Runs the engine in place over whole channels, in blocks of the given size. */
template <typename Sample = double>
Channels runEngine (OrvelleDsp& engine, Channels audio, int blockSize = 512, bool bypassed = false)
{
    const size_t length = audio.empty() ? 0 : audio[0].size();
    std::vector<std::vector<Sample>> work (audio.size(), std::vector<Sample> (length));
    for (size_t c = 0; c < audio.size(); ++c)
        for (size_t i = 0; i < length; ++i)
            work[c][i] = (Sample) audio[c][i];

    for (size_t start = 0; start < length; start += (size_t) blockSize)
    {
        const int count = (int) std::min ((size_t) blockSize, length - start);
        std::vector<Sample*> pointers;
        for (auto& channel : work)
            pointers.push_back (channel.data() + start);

        if constexpr (std::is_same_v<Sample, float>)
        {
            if (bypassed)
                engine.processBypassedFloat (count, pointers.data(), pointers.data());
            else
                engine.processFloat (count, pointers.data(), pointers.data());
        }
        else
        {
            if (bypassed)
                engine.processBypassedDouble (count, pointers.data(), pointers.data());
            else
                engine.processDouble (count, pointers.data(), pointers.data());
        }
    }

    Channels result (audio.size(), std::vector<double> (length));
    for (size_t c = 0; c < audio.size(); ++c)
        for (size_t i = 0; i < length; ++i)
            result[c][i] = (double) work[c][i];
    return result;
}

inline std::vector<double> sine (double amplitude, double frequency, double sampleRate, size_t length)
{
    std::vector<double> x (length);
    for (size_t i = 0; i < length; ++i)
        x[i] = amplitude * std::sin (2.0 * 3.14159265358979323846 * frequency * (double) i / sampleRate);
    return x;
}

inline double rms (const std::vector<double>& x, size_t from, size_t to)
{
    double sum = 0.0;
    for (size_t i = from; i < to; ++i)
        sum += x[i] * x[i];
    return std::sqrt (sum / (double) (to - from));
}

/** An engine prepared for the given set-up. */
struct PreparedEngine
{
    explicit PreparedEngine (double sampleRate = 48000.0, int channels = 2, int blockSize = 512)
        : rate (sampleRate)
    {
        engine.prepareToPlay (sampleRate, blockSize, channels, channels);
    }

    double rate;
    OrvelleDsp engine { engineOwner() };
};
} // namespace KLV::Testing
