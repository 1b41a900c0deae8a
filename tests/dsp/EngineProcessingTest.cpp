#include "EngineHarness.h"

#include <gtest/gtest.h>

#include <limits>

using namespace KLV;
using namespace KLV::Testing;

namespace
{
/** Index of the lag at which y best matches x. */
int bestLag (const std::vector<double>& x, const std::vector<double>& y, size_t from, size_t to, int maxLag)
{
    int best = 0;
    double bestScore = -1e300;
    for (int lag = 0; lag <= maxLag; ++lag)
    {
        double score = 0.0;
        for (size_t i = from; i < to; ++i)
            score += x[i - (size_t) lag] * y[i];
        if (score > bestScore)
        {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}
} // namespace

TEST (EngineProcessing, QuietToneLeavesAtAboutUnityGainDelayedBy32Samples)
{
    for (double rate : { 44100.0, 48000.0, 96000.0, 192000.0 })
    {
        for (int channels : { 1, 2 })
        {
            PreparedEngine prepared (rate, channels);
            const auto tone = sine (0.01, 1000.0, rate, (size_t) rate);
            const auto out = runEngine (prepared.engine, Channels ((size_t) channels, tone));

            const size_t from = (size_t) rate / 2, to = (size_t) rate;
            EXPECT_NEAR (rms (out[0], from, to) / rms (tone, from - 32, to - 32), 0.994, 0.002) << rate << " Hz, " << channels << " ch";
            EXPECT_EQ (bestLag (tone, out[0], from, to, 60), 32) << rate;
        }
    }
}

TEST (EngineProcessing, SilenceStaysSilentAndTheNeedleRests)
{
    for (float mode : { 0.0f, 1.0f })
    {
        PreparedEngine prepared (44100.0);
        auto& engine = prepared.engine;
        engine.parameterChanged (3, mode);

        const auto out = runEngine (engine, Channels (2, std::vector<double> (2 * 44100, 0.0)));
        for (const auto& channel : out)
            for (double y : channel)
                ASSERT_LT (std::abs (y), 1e-8);

        const double resting = mode > 0.5f ? 0.70835553 : 0.71508502;
        EXPECT_NEAR (engine.getMeterValue (0), resting, 1e-6);
        EXPECT_NEAR (engine.getHostMeterValue (0), mode > 0.5f ? 0.0094 : 0.0, 1e-4);
    }
}

TEST (EngineProcessing, RestingLimitAttenuatorMatchesTheNetwork)
{
    PreparedEngine prepared (48000.0, 1);
    auto& engine = prepared.engine;
    engine.parameterChanged (3, 1.0f);
    runEngine (engine, Channels (1, std::vector<double> (48000, 0.0)));
    EXPECT_NEAR (engine.getAttenuatorGain(), 0.41522643, 1e-7);
    EXPECT_NEAR (engine.getSidechainTap(), 0.42082807, 1e-7);
}

TEST (EngineProcessing, SplittingBlocksChangesNothing)
{
    const auto input = sine (0.8, 220.0, 48000, 20000);
    Channels results[3];
    const int blockSizes[] = { 20000, 1, 333 };
    for (int b = 0; b < 3; ++b)
    {
        PreparedEngine prepared (48000.0);
        prepared.engine.parameterChanged (2, 0.7f);
        results[b] = runEngine (prepared.engine, { input, input }, blockSizes[b]);
    }
    EXPECT_EQ (results[0], results[1]);
    EXPECT_EQ (results[0], results[2]);
}

TEST (EngineProcessing, PowerOffConvergesToTheDelayedInput)
{
    PreparedEngine prepared (48000.0);
    auto& engine = prepared.engine;
    engine.parameterChanged (1, 0.9f);
    engine.parameterChanged (2, 0.8f);
    engine.parameterChanged (0, 0.0f);

    const auto input = sine (0.5, 440.0, 48000, 48000);
    const auto out = runEngine (engine, { input, input });

    // 50 ms time constant: after 0.5 s the processed share is e^-10 of what it was.
    for (size_t i = 24000; i < input.size(); ++i)
        ASSERT_NEAR (out[1][i], input[i - 32], 1e-3) << i;
    EXPECT_NEAR (out[0][47999], input[47999 - 32], 1e-9);
}

TEST (EngineProcessing, LoudSignalIsCompressedAndReleasesHyperbolically)
{
    const double rate = 48000.0;
    PreparedEngine prepared (rate, 1);
    auto& engine = prepared.engine;
    engine.parameterChanged (1, 0.6f);
    engine.parameterChanged (2, 1.0f);

    auto burst = sine (0.5, 1000.0, rate, (size_t) rate);
    runEngine (engine, { burst });
    EXPECT_GT (engine.getHostMeterValue (0), 0.2) << "a loud tone at full peak reduction is compressed";
    EXPECT_LT (engine.getAttenuatorGain(), 0.8 * OrvelleDsp::restingGain);

    // Once the drive has died away, each oversampled step applies the fall rate once.
    runEngine (engine, { std::vector<double> ((size_t) (0.3 * rate), 0.0) });
    const double g0 = engine.getCellConductance();
    ASSERT_GT (g0, 0.0);
    double elapsed = 0.0;
    for (double step : { 0.05, 0.2, 1.0 })
    {
        runEngine (engine, { std::vector<double> ((size_t) (step * rate), 0.0) });
        elapsed += step;
        const double expected = g0 / (1.0 + 82742.0 * g0 * elapsed);
        EXPECT_NEAR (engine.getCellConductance(), expected, 0.01 * expected) << elapsed << " s";
    }
}

TEST (EngineProcessing, BypassDelaysAnImpulseBy32SamplesInBothPrecisions)
{
    for (bool useFloat : { false, true })
    {
        PreparedEngine prepared (44100.0);
        std::vector<double> impulse (100, 0.0);
        impulse[5] = 0.75;
        const auto out = useFloat ? runEngine<float> (prepared.engine, { impulse, impulse }, 7, true)
                                  : runEngine<double> (prepared.engine, { impulse, impulse }, 7, true);
        for (size_t i = 0; i < impulse.size(); ++i)
            ASSERT_EQ (out[1][i], i == 37 ? 0.75 : 0.0) << i;
    }
}

TEST (EngineProcessing, BypassAndProcessingShareTheDryDelay)
{
    PreparedEngine prepared (48000.0);
    auto& engine = prepared.engine;
    engine.parameterChanged (0, 0.0f);
    runEngine (engine, Channels (2, std::vector<double> (48000, 0.0))); // power fully off

    std::vector<double> ramp (80);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = (double) (i + 1) / 100.0;

    const auto first = runEngine (engine, { std::vector<double> (ramp.begin(), ramp.begin() + 10),
                                            std::vector<double> (ramp.begin(), ramp.begin() + 10) }, 10, true);
    const auto rest = runEngine (engine, { std::vector<double> (ramp.begin() + 10, ramp.end()),
                                           std::vector<double> (ramp.begin() + 10, ramp.end()) });
    for (size_t i = 32; i < ramp.size(); ++i)
        EXPECT_NEAR (rest[0][i - 10], ramp[i - 32], 1e-6) << i;
    EXPECT_EQ (first[0][9], 0.0);
}

TEST (EngineProcessing, FloatAndDoublePathsAgreeToSinglePrecision)
{
    std::vector<double> input = sine (0.7, 330.0, 44100, 30000);
    for (auto& x : input)
        x = (double) (float) x;

    PreparedEngine a (44100.0), b (44100.0);
    for (auto* engine : { &a.engine, &b.engine })
        engine->parameterChanged (2, 0.8f);
    const auto viaDouble = runEngine<double> (a.engine, { input, input });
    const auto viaFloat = runEngine<float> (b.engine, { input, input });
    for (size_t i = 0; i < input.size(); ++i)
        ASSERT_EQ ((double) (float) viaDouble[0][i], viaFloat[0][i]) << i;
}

TEST (EngineProcessing, NonFiniteInputIsTreatedAsSilence)
{
    PreparedEngine prepared (48000.0);
    auto& engine = prepared.engine;
    auto input = sine (0.5, 440.0, 48000, 4800);
    const double poison[] = { std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity() };
    for (size_t i = 1000; i < 1100; ++i)
        input[i] = poison[i % 3];

    for (bool useFloat : { false, true })
    {
        const auto out = useFloat ? runEngine<float> (engine, { input, input }) : runEngine<double> (engine, { input, input });
        EXPECT_TRUE (engine.isStateFinite());
        for (size_t i = 0; i < out[0].size(); ++i)
            ASSERT_TRUE (std::isfinite (out[0][i])) << i;
        EXPECT_TRUE (std::isfinite (engine.getMeterValue (0)));
        EXPECT_TRUE (std::isfinite (engine.getHostMeterValue (0)));
    }

    runEngine (engine, { input, input }, 512, true);
    const auto afterBypass = runEngine (engine, Channels (2, std::vector<double> (64, 0.0)));
    for (double y : afterBypass[0])
        EXPECT_TRUE (std::isfinite (y));
}

TEST (EngineProcessing, NeedleFollowsTheMeterSourceWithBallistics)
{
    const double rate = 48000.0;
    PreparedEngine prepared (rate, 1);
    auto& engine = prepared.engine;
    engine.parameterChanged (4, 2.0f); // input level

    // A steady mid-frequency sine of amplitude A settles at 5.513 A 2 / pi.
    runEngine (engine, { sine (0.1, 1000.0, rate, (size_t) (2 * rate)) });
    EXPECT_NEAR (engine.getMeterValue (0), 3.5098 * 0.1, 0.01);

    // Switching the source does not reset the filter: the needle travels there.
    const double inputReading = engine.getMeterValue (0);
    engine.parameterChanged (4, 1.0f);
    runEngine (engine, { sine (0.1, 1000.0, rate, 4800) });
    const double travelling = engine.getMeterValue (0);
    EXPECT_GT (travelling, inputReading + 0.05);
    EXPECT_LT (travelling, 0.70);

    // A huge input pins the needle at the right stop.
    engine.parameterChanged (4, 0.0f);
    runEngine (engine, { sine (1.0, 1000.0, rate, (size_t) rate) });
    EXPECT_EQ (engine.getMeterValue (0), (double) 0.975f);
}

TEST (EngineProcessing, ZeroLengthBlocksTouchNothing)
{
    PreparedEngine prepared (48000.0);
    auto& engine = prepared.engine;
    float sample = 0.5f;
    float* channels[] = { &sample, &sample };
    engine.processFloat (0, channels, channels);
    engine.processFloat (-5, channels, channels);
    engine.processBypassedFloat (0, channels, channels);
    EXPECT_EQ (sample, 0.5f);
    EXPECT_EQ (engine.getMeterValue (0), (double) 0.71508502056181678f);
}
