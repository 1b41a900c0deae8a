#pragma once

namespace KLV::DSP
{
/** Coefficients of a first- or second-order section (a0 = 1). First-order sections have
    b2 = a2 = 0. Designs use the prewarped bilinear transform. */
struct FilterSection
{
    double b0 = 1.0, b1 = 0.0, a1 = 0.0, b2 = 0.0, a2 = 0.0;

    static FilterSection highPass (double corner, double rate, double passBandGain);
    static FilterSection lowPass (double corner, double rate);
    /** Gain 1 at DC and highGain at high frequencies. */
    static FilterSection highShelf (double corner, double rate, double highGain);
    /** The second-order section that runs p, then q. */
    static FilterSection cascade (const FilterSection& p, const FilterSection& q);

    /** First order, transposed direct form II, one state value. */
    double runFirstOrder (double u, double& z) const noexcept
    {
        const double y = b0 * u + z;
        z = b1 * u - a1 * y;
        return y;
    }

    /** Second order, transposed direct form II, two state values. */
    double runSecondOrder (double u, double& z1, double& z2) const noexcept
    {
        const double y = b0 * u + z1;
        z1 = b1 * u - a1 * y + z2;
        z2 = b2 * u - a2 * y;
        return y;
    }
};
} // namespace KLV::DSP
