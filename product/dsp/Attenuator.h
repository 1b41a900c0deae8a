#pragma once

namespace KLV
{
/** The resistive attenuator around the variable resistor: the cell (conductance G plus its
    dark conductance) parallel to 100 kOhm, in series with the mode resistance Rm, parallel to
    100 kOhm again, below 68 kOhm. g is the audio gain, k the node factor the sidechain sees. */
struct AttenuatorGains
{
    double g;
    double k;
};

/** The network with one division: with q = 1 + 100 kOhm * conductance, Rp = 1e5 / q and,
    over the common denominator D = (Rm q + 1e5) 168000 + 6.8e9 q = q (168000 Rm + 6.8e9) + 1.68e10,
    g = 1e10 / D and k = 1e5 (Rm q + 1e5) / D. */
inline AttenuatorGains attenuator (double conductance, double modeResistance) noexcept
{
    const double q = 1.0 + 100000.0 * conductance;
    const double inverse = 1.0 / (q * (168000.0 * modeResistance + 6.8e9) + 1.68e10);
    return { 1.0e10 * inverse, (100000.0 * modeResistance * q + 1.0e10) * inverse };
}
} // namespace KLV
