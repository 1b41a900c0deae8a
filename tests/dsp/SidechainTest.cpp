#include "EngineHarness.h"

#include <gtest/gtest.h>

using namespace KLV;
using namespace KLV::Testing;

namespace
{
double ascending (const double* c, int order, double y)
{
    double sum = 0.0;
    for (int i = 0; i <= order; ++i)
        sum += c[i] * std::pow (y, i);
    return sum;
}

/** The sidechain and attenuator written stage by stage, resistor by resistor. */
AttenuatorGains literalStep (Sidechain& s, double e0, double rm)
{
    const double e1 = s.sidechainInputCoupling.runFirstOrder (e0, s.sidechainInputCouplingState);
    const double e2 = std::clamp (e1, s.sidechainShaperLow, s.sidechainShaperHigh);
    const double e3 = ascending (s.sidechainShaper.data(), 7, e2);
    const double e4 = s.sidechainShelf.runFirstOrder (e3, s.sidechainShelfState);
    const double e5 = s.sidechainCoupling.runFirstOrder (e4, s.sidechainCouplingState);
    const double h = std::clamp (e5, s.curveLow, s.curveHigh);
    const double e6 = ascending (s.curveNumerator.data(), 3, h) / ascending (s.curveDenominator.data(), 5, h);
    const double e7 = s.sidechainBand.runSecondOrder (e6, s.sidechainBandState[0], s.sidechainBandState[1]);
    const double drive = s.driveScale * std::exp (-s.driveKnee / (std::abs (e7) + 2.220446049250313e-16));

    double& g = s.cellConductance;
    const double delta = drive - g;
    g += delta * delta * (delta > 0.0 ? s.conductanceRates[0] : s.conductanceRates[1]);
    g = std::max (g, 0.0);

    const double r = 1.0 / (s.darkConductance + g);
    const double rp = (r * 100000.0) / (r + 100000.0);
    const double rs = rm + rp;
    const double z = (rs * 100000.0) / (rs + 100000.0);
    const double k = z / (z + 68000.0);
    return { (rp / rs) * k, k };
}
} // namespace

TEST (Sidechain, LeanStepAgreesWithTheStageByStageFormulas)
{
    for (double rate : { 44100.0, 96000.0, 192000.0 })
    {
        PreparedEngine prepared (rate, 1);
        Sidechain lean = prepared.engine.getSidechain();
        Sidechain literal = lean;

        // Bursts of a loud tone with pauses, in both modes, drive the cell up and let it fall.
        double kLean = OrvelleDsp::restingGain, kLiteral = kLean;
        double worst = 0.0, lowestGain = 1.0;
        const int steps = 400000;
        for (int i = 0; i < steps; ++i)
        {
            const double envelope = (i / 40000) % 2 == 0 ? 3.0 : 0.02;
            const double input = envelope * std::sin (i * 0.021);
            const double rm = i < steps / 2 ? 0.0 : 1300.0;

            const auto a = lean.step (input * kLean, rm);
            const auto b = literalStep (literal, input * kLiteral, rm);
            kLean = a.k;
            kLiteral = b.k;
            worst = std::max ({ worst, std::abs (a.g - b.g) / b.g, std::abs (a.k - b.k) / b.k });
            lowestGain = std::min (lowestGain, b.g);
        }

        EXPECT_LT (worst, 1e-12) << rate;
        EXPECT_LT (lowestGain, 0.5 * OrvelleDsp::restingGain) << "the run must really compress";
        EXPECT_NEAR (lean.cellConductance, literal.cellConductance, 1e-12 * literal.cellConductance + 1e-300);
    }
}

TEST (Sidechain, AttenuatorAtRest)
{
    // The resting constant the engine starts from agrees with the network to 12 digits.
    const auto compress = attenuator (3.7735849056603772e-07, 0.0);
    EXPECT_NEAR (compress.g, OrvelleDsp::restingGain, 1e-12);
    EXPECT_EQ (compress.g, compress.k);

    const auto limit = attenuator (3.7735849056603772e-07, 1300.0);
    EXPECT_NEAR (limit.g, 0.41522643, 1e-8);
    EXPECT_NEAR (limit.k, 0.42082807, 1e-8);
}
