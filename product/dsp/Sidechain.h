#pragma once

#include "Attenuator.h"
#include "FilterSection.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace KLV
{
/** The fed-back sidechain and the cell it drives, one oversampled step at a time: coupling,
    a waveshaping stage, a high shelf, a divider, a rational transfer curve and a band-pass
    make the drive that the cell's conductance follows, rising slowly and falling fast;
    the attenuator around the cell then gives the audio gain g and the node factor k. */
struct Sidechain
{
    static constexpr int shaperOrder = 7;
    static constexpr double driveEpsilon = 2.220446049250313e-16;

    /** One step for the sidechain input e0 (the channels' mean times the peak reduction
        factor times the previous node factor). The divisions of the curve and the band-pass
        are moved off the path to the drive, and the polynomials are evaluated in a shallow
        tree: the result agrees with the formulas written stage by stage to rounding. */
    AttenuatorGains step (double e0, double modeResistance) noexcept
    {
        const double e1 = sidechainInputCoupling.runFirstOrder (e0, sidechainInputCouplingState);
        const double e2 = std::clamp (e1, sidechainShaperLow, sidechainShaperHigh);
        const double e3 = polynomial7 (sidechainShaper, e2);
        const double e4 = sidechainShelf.runFirstOrder (e3, sidechainShelfState);
        const double e5 = sidechainCoupling.runFirstOrder (e4, sidechainCouplingState);
        const double h = std::clamp (e5, curveLow, curveHigh);

        // The curve is N / M; the band-pass output e7 = b0 N / M + z1 = X / M.
        const double h2 = h * h;
        const double numerator = (curveNumerator[0] + curveNumerator[1] * h) + h2 * (curveNumerator[2] + curveNumerator[3] * h);
        const double denominator = (curveDenominator[0] + curveDenominator[1] * h) + h2 * (curveDenominator[2] + curveDenominator[3] * h)
                                 + (h2 * h2) * (curveDenominator[4] + curveDenominator[5] * h);
        const double x = sidechainBand.b0 * numerator + sidechainBandState[0] * denominator;
        const double m = std::abs (denominator);

        const double drive = driveScale * std::exp (-driveKnee * m / (std::abs (x) + driveEpsilon * m));

        // The band-pass states need e6 and e7 themselves, but only at the next step.
        const double e6 = numerator / denominator;
        const double e7 = x / denominator;
        sidechainBandState[0] = sidechainBand.b1 * e6 - sidechainBand.a1 * e7 + sidechainBandState[1];
        sidechainBandState[1] = sidechainBand.b2 * e6 - sidechainBand.a2 * e7;

        const double delta = drive - cellConductance;
        cellConductance = std::max (cellConductance + delta * delta * (delta > 0.0 ? conductanceRates[0] : conductanceRates[1]), 0.0);

        return attenuator (darkConductance + cellConductance, modeResistance);
    }

    static double polynomial7 (const std::array<double, shaperOrder + 1>& c, double y) noexcept
    {
        const double y2 = y * y;
        const double y4 = y2 * y2;
        return ((c[0] + c[1] * y) + y2 * (c[2] + c[3] * y)) + y4 * ((c[4] + c[5] * y) + y2 * (c[6] + c[7] * y));
    }

    // Design
    DSP::FilterSection sidechainInputCoupling;
    std::array<double, shaperOrder + 1> sidechainShaper {};
    double sidechainShaperLow = 0.0, sidechainShaperHigh = 0.0;
    DSP::FilterSection sidechainShelf;
    DSP::FilterSection sidechainCoupling;
    std::array<double, 4> curveNumerator {};
    std::array<double, 6> curveDenominator {};
    double curveLow = -0.591838, curveHigh = 0.433968;
    DSP::FilterSection sidechainBand;
    double driveKnee = 40.0;
    double driveScale = 0.30740852297878796;
    double darkConductance = 3.7735849056603772e-07; // the cell at rest conducts as 2.65 MOhm
    std::array<double, 2> conductanceRates {};       // rising, falling (negative)

    // State
    double sidechainInputCouplingState = 0.0;
    double sidechainShelfState = 0.0;
    double sidechainCouplingState = 0.0;
    std::array<double, 2> sidechainBandState {};
    double cellConductance = 0.0;
};
} // namespace KLV
