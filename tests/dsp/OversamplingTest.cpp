#include "CircularBuffer.h"
#include "OversamplingFilters.h"

#include <gtest/gtest.h>

#include <vector>

using KLV::OversamplingFilters;
using KLV::DSP::CircularBuffer;

namespace
{
/** Interpolation straight into decimation, with the core between them left out. */
std::vector<double> throughPair (const OversamplingFilters& filters, const std::vector<double>& input)
{
    std::unique_ptr<CircularBuffer> up, down;
    CircularBuffer::realloc (up, 1, OversamplingFilters::upsamplerLength);
    CircularBuffer::realloc (down, 1, filters.downsamplerLength);

    std::vector<double> output;
    for (double x : input)
    {
        const double* history = up->push (0, x);
        double sub[OversamplingFilters::maxFactor] {};
        for (int j = 0; j < filters.factor; ++j)
            for (int k = 0; k < OversamplingFilters::upsamplerLength; ++k)
                sub[j] += filters.upsamplerReversed[(size_t) j][(size_t) k] * history[k];

        double y = 0.0;
        const double* window = down->window (0);
        for (int k = 0; k < filters.downsamplerLength; ++k)
            y += filters.downsamplerReversed[(size_t) k] * window[k];
        for (int j = 0; j < filters.factor; ++j)
            down->write (0, sub[j]);
        output.push_back (y);
    }
    return output;
}
} // namespace

TEST (OversamplingFilters, CentreTapsAndWindowEnds)
{
    OversamplingFilters filters;
    filters.design (4);
    EXPECT_NEAR (filters.upsamplerTaps[0][16], 0.95, 1e-15);
    EXPECT_NEAR (filters.downsamplerTaps[64], 0.2375, 1e-15);
    filters.design (2);
    EXPECT_NEAR (filters.downsamplerTaps[32], 0.475, 1e-15);
    filters.design (1);
    EXPECT_EQ (filters.upsamplerTaps[0][16], 1.0);
    EXPECT_EQ (filters.downsamplerTaps[16], 1.0);
    for (int k = 0; k <= 32; ++k)
    {
        if (k == 16)
            continue;
        EXPECT_LT (std::abs (filters.upsamplerTaps[0][(size_t) k]), 1e-16) << k;
        EXPECT_LT (std::abs (filters.downsamplerTaps[(size_t) k]), 1e-16) << k;
    }

    EXPECT_NEAR (OversamplingFilters::window (0, 128), 0.0096365, 5e-7);
    EXPECT_NEAR (OversamplingFilters::window (0, 64), 0.0066077, 5e-7);
    EXPECT_NEAR (OversamplingFilters::window (0, 32), 0.0061776, 5e-7);
    EXPECT_EQ (OversamplingFilters::window (64, 128), 1.0);
    EXPECT_EQ (OversamplingFilters::window (-1, 128), 0.0);
    EXPECT_EQ (OversamplingFilters::window (129, 128), 0.0);
}

TEST (OversamplingFilters, PhasesHaveUnityGainAndTapsBeyondTheOrderAreZero)
{
    for (int factor : { 4, 2, 1 })
    {
        OversamplingFilters filters;
        filters.design (factor);
        for (int j = 0; j < factor; ++j)
        {
            double sum = 0.0;
            for (double tap : filters.upsamplerTaps[(size_t) j])
                sum += tap;
            EXPECT_NEAR (sum, 1.0, 2e-3) << "L " << factor << " phase " << j;
            if (factor > 1 && j > 0)
            {
                EXPECT_EQ (filters.upsamplerTaps[(size_t) j][32], 0.0);
            }
        }
    }
}

TEST (OversamplingFilters, PairDelaysByExactly32SamplesAtEveryFactor)
{
    for (int factor : { 4, 2, 1 })
    {
        OversamplingFilters filters;
        filters.design (factor);

        std::vector<double> impulse (200, 0.0);
        impulse[10] = 1.0;
        const auto response = throughPair (filters, impulse);
        const auto peak = std::max_element (response.begin(), response.end()) - response.begin();
        EXPECT_EQ (peak, 42) << "L " << factor;

        const auto settled = throughPair (filters, std::vector<double> (300, 0.7));
        EXPECT_NEAR (settled.back(), 0.7, 0.7e-4) << "L " << factor;

        for (size_t i = 0; factor == 1 && i < response.size(); ++i)
            EXPECT_NEAR (response[i], i == 42 ? 1.0 : 0.0, 1e-15);
    }
}
