#include "ChebyWaveshaper.h"
#include "EngineHarness.h"

#include <gtest/gtest.h>

#include <vector>

using namespace KLV::DSP;

TEST (ChebyWaveshaper, BuildsChebyshevSums)
{
    struct Case
    {
        int order;
        std::vector<double> harmonics;
        double drive;
        std::vector<double> expected;
    };
    const Case cases[] = {
        { 1, { 0.25, 3.0 }, 2.0, { 0.25, 6.0 } },
        { 3, { 0, 0, 0, 1 }, 1.0, { 0, -3, 0, 4 } },  // T3
        { 3, { 0, 0, 0, 1 }, 2.0, { 0, -6, 0, 32 } }, // T3 (2y)
        { 2, { 0, 1, 0.5 }, 1.0, { -0.5, 1, 1 } },
    };

    for (const auto& c : cases)
    {
        std::vector<double> coeffs ((size_t) c.order + 1, 99.0);
        chebyWaveshaper (c.order, coeffs.data(), c.harmonics.data(), c.drive);
        for (size_t i = 0; i < coeffs.size(); ++i)
            EXPECT_DOUBLE_EQ (coeffs[i], c.expected[i]) << "order " << c.order << " drive " << c.drive << " coefficient " << i;
    }

    double untouched[2] = { 7.0, 7.0 };
    chebyWaveshaper (0, untouched, untouched, 1.0);
    EXPECT_EQ (untouched[0], 7.0);
}

TEST (ChebyLimits, LeavesBothLimitsAtZeroWithoutTurningPointsOnBothSides)
{
    const double linear[] = { 0.0, 2.0 };
    const double oneSided[] = { -0.5, 1.0, 1.0 }; // derivative 1 + 2y: one root, at -0.5
    for (const auto& [order, coeffs] : { std::pair { 1, linear }, std::pair { 2, oneSided } })
    {
        double low = 5.0, high = 5.0;
        chebyLimits (order, coeffs, &low, &high);
        EXPECT_EQ (low, 0.0) << "order " << order;
        EXPECT_EQ (high, 0.0) << "order " << order;
    }
}

TEST (ChebyWaveshaper, EngineShapersMatchTheirTables)
{
    KLV::Testing::PreparedEngine prepared (44100.0);
    const auto& engine = prepared.engine;

    const double audio[] = { -0.0012279562235347145, 15.892415278078349, 0.011136080969320009, -0.1151963582053049,
                             -0.094113785271458833, 0.86378250368410059, 0.41814793106831966, -2.105668225244254 };
    const double sidechain[] = { -0.017700814871043174, 2.2613188813036418, 0.006090633762832782, -0.0012035039962421496,
                                 5.0679716283954513e-05, 4.4420524374077612e-05, 2.2897230823312891e-05, -2.0610338369914039e-05 };
    for (size_t i = 0; i < 8; ++i)
    {
        EXPECT_NEAR (engine.getAudioShaper()[i], audio[i], 1e-15 * std::abs (audio[i]) + 1e-18) << i;
        EXPECT_NEAR (engine.getSidechainShaper()[i], sidechain[i], 1e-15 * std::abs (sidechain[i]) + 1e-20) << i;
    }

    struct Limits
    {
        const double* coeffs;
        std::array<double, 2> limits, expectedLimits, expectedOutputs;
    };
    const Limits shapers[] = {
        { engine.getAudioShaper().data(), engine.getAudioShaperLimits(), { -1.0327224, 1.0925872 }, { -14.251377, 15.234103 } },
        { engine.getSidechainShaper().data(), engine.getSidechainShaperLimits(), { -4.8389256, 5.2323559 }, { -9.1968431, 10.277801 } },
    };
    for (const auto& s : shapers)
    {
        for (size_t side = 0; side < 2; ++side)
        {
            EXPECT_NEAR (s.limits[side], s.expectedLimits[side], 1e-6);
            EXPECT_NEAR (evaluatePolynomial (s.coeffs, 7, s.limits[side]), s.expectedOutputs[side], 1e-5);
        }

        // Monotonic between the limits, so large inputs saturate instead of folding back.
        double previous = evaluatePolynomial (s.coeffs, 7, s.limits[0]);
        for (int step = 1; step <= 1000; ++step)
        {
            const double y = s.limits[0] + (s.limits[1] - s.limits[0]) * step / 1000.0;
            const double value = evaluatePolynomial (s.coeffs, 7, y);
            EXPECT_GT (value, previous) << "at " << y;
            previous = value;
        }
    }

    EXPECT_NEAR (evaluatePolynomial (engine.getAudioShaper().data(), 7, 0.5), 7.9445583, 1e-6);
}
