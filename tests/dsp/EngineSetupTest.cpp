#include "EngineHarness.h"

#include <gtest/gtest.h>

#include <complex>

using namespace KLV;
using namespace KLV::Testing;

TEST (EngineSetup, KnobTapers)
{
    struct Case
    {
        float value;
        double gain;
    };
    const Case gains[] = { { 0.235f, 0.053599999785423277 }, { 0.0f, 0.0 },   { 1.0f, 1.0 },   { 1.5f, 1.0 },
                           { -0.2f, 0.0 },                   { 0.5f, 0.149 }, { 0.25f, 0.059 }, { std::nanf (""), 0.0 } };
    for (const auto& c : gains)
        EXPECT_NEAR (OrvelleDsp::setGain (c.value), c.gain, 1e-12) << c.value;

    EXPECT_EQ (OrvelleDsp::setPeakReduction (0.0f), 0.001);
    EXPECT_EQ (OrvelleDsp::setPeakReduction (1.0f), 1.0);
    EXPECT_EQ (OrvelleDsp::setGain (0.235f), 0.053599999785423277);
}

TEST (EngineSetup, SwitchMappings)
{
    PreparedEngine prepared;
    auto& engine = prepared.engine;

    const std::pair<float, int> meterChoices[] = { { 2.0f, 0 }, { 0.0f, 2 }, { 1.0f, 1 }, { 5.0f, 0 }, { -1.0f, 2 }, { std::nanf (""), 2 } };
    for (auto [value, source] : meterChoices)
    {
        engine.parameterChanged (4, value);
        EXPECT_EQ (engine.getMeterSource(), source) << value;
    }

    const std::pair<float, double> modes[] = { { 0.5f, 0.0 }, { 0.51f, 1300.0 }, { 1.0f, 1300.0 }, { 0.0f, 0.0 } };
    for (auto [value, resistance] : modes)
    {
        engine.parameterChanged (3, value);
        EXPECT_EQ (engine.getTargetValues()[3], resistance) << value;
    }

    engine.parameterChanged (0, 0.0f);
    EXPECT_EQ (engine.getTargetValues()[0], 0.0);
    EXPECT_EQ (engine.getMeterValue (0), 0.0);
    engine.parameterChanged (0, 1.0f);
    EXPECT_EQ (engine.getTargetValues()[0], 1.0);

    engine.parameterChanged (7, 1.0f); // no such parameter
    engine.parameterChanged (-1, 1.0f);
}

TEST (EngineSetup, OversamplingFactorFollowsTheRate)
{
    const std::pair<double, int> rates[] = { { 44100, 4 }, { 48000, 4 }, { 49999, 4 }, { 50000, 2 }, { 88200, 2 },
                                             { 96000, 2 }, { 100000, 1 }, { 192000, 1 } };
    for (auto [rate, factor] : rates)
    {
        PreparedEngine prepared (rate);
        EXPECT_EQ (prepared.engine.getOversampling(), factor) << rate;
        EXPECT_EQ (prepared.engine.getLatencySamples(), 32);
    }
}

TEST (EngineSetup, StartsAtRestWithDefaultTargets)
{
    OrvelleDsp fresh (engineOwner());
    EXPECT_EQ (fresh.getLatencySamples(), 32);
    EXPECT_EQ (fresh.getTargetValues(), (std::array<double, 4> { 1.0, 0.053599999785423277, 0.001, 0.0 }));
    EXPECT_EQ (fresh.getMeterSource(), 1);

    PreparedEngine prepared (44100.0);
    auto& engine = prepared.engine;
    EXPECT_EQ (engine.getSmoothedValues(), engine.getTargetValues());
    EXPECT_EQ (engine.getAttenuatorGain(), OrvelleDsp::restingGain);
    EXPECT_EQ (engine.getSidechainTap(), OrvelleDsp::restingGain);
    EXPECT_EQ (engine.getCellConductance(), 0.0);
    EXPECT_EQ (engine.getMeterValue (0), (double) 0.71508502056181678f);
    EXPECT_EQ (engine.getHostMeterValue (0), 0.0);
    EXPECT_EQ (engine.getMeterValue (1), 0.0);
    EXPECT_EQ (engine.getHostMeterValue (1), 0.0);
}

TEST (EngineSetup, RepreparationKeepsTargetsOnlyWhenTheSetUpIsUnchanged)
{
    PreparedEngine prepared (48000.0);
    auto& engine = prepared.engine;
    engine.parameterChanged (1, 0.5f);
    engine.parameterChanged (4, 2.0f); // input level

    // Same set-up, or a rate that differs only by rounding: targets stay, states reset.
    for (double rate : { 48000.0, 48000.0 * (1.0 + 1e-16), std::nextafter (48000.0, 0.0) })
    {
        runEngine (engine, { sine (0.5, 100, 48000, 4800), sine (0.5, 100, 48000, 4800) });
        engine.prepareToPlay (rate, 512, 2, 2);
        EXPECT_EQ (engine.getTargetValues()[1], 0.149) << rate;
        EXPECT_EQ (engine.getSmoothedValues()[1], 0.149);
        EXPECT_EQ (engine.getCellConductance(), 0.0);
        EXPECT_EQ (engine.getMeterValue (0), (double) 0.061f) << "input meter restarts from 0, held at the left stop";
        const auto silent = runEngine (engine, { std::vector<double> (64, 0.0), std::vector<double> (64, 0.0) });
        EXPECT_LT (std::abs (silent[0][40]), 1e-8) << "delay lines emptied";
    }

    // Any change of set-up falls back to the defaults until the processor sends the values again.
    engine.prepareToPlay (44100.0, 512, 2, 2);
    EXPECT_EQ (engine.getTargetValues()[1], 0.053599999785423277);
    EXPECT_EQ (engine.getMeterSource(), 1);
    EXPECT_EQ (engine.getMeterValue (0), (double) 0.71508502056181678f);

    engine.parameterChanged (1, 0.5f);
    engine.prepareToPlay (44100.0, 256, 2, 2);
    EXPECT_EQ (engine.getTargetValues()[1], 0.053599999785423277) << "block size is part of the set-up";
}

TEST (EngineSetup, DcBlockerCornerAtTheBaseRate)
{
    // Designed for 2.53 Hz at L fs and run at fs, its -3 dB point there is 2.53 / L Hz.
    for (auto [rate, factor] : { std::pair { 44100.0, 4 }, std::pair { 48000.0, 4 }, std::pair { 96000.0, 2 }, std::pair { 192000.0, 1 } })
    {
        PreparedEngine prepared (rate);
        const auto& s = prepared.engine.getDcBlocker();
        const double corner = 2.53 / factor;
        const auto z = std::polar (1.0, -2.0 * 3.14159265358979323846 * corner / rate);
        const double magnitude = std::abs ((s.b0 + s.b1 * z) / (1.0 + s.a1 * z));
        EXPECT_NEAR (magnitude, std::sqrt (0.5), 1e-4) << rate;
    }
}
