#pragma once

namespace KLV::DSP
{
/** Writes order + 1 power-series coefficients (ascending) of
    sum_k harmonics[k] * T_k(drive * y), T_k the Chebyshev polynomials of the first kind.
    A sine of amplitude 1 / drive comes out with exactly the given harmonic amplitudes.
    Writes nothing when order <= 0. */
void chebyWaveshaper (int order, double* coeffs, const double* harmonics, double drive);

/** Finds the interval around 0 on which the polynomial is monotonic, bounded by its nearest
    real turning points. Leaves both limits at 0 when either side has no turning point. */
void chebyLimits (int order, const double* coeffs, double* low, double* high);

/** sum_i coeffs[i] * y^i for i = 0 ... order, summed in ascending powers. */
inline double evaluatePolynomial (const double* coeffs, int order, double y) noexcept
{
    double sum = coeffs[0];
    double power = 1.0;
    for (int i = 1; i <= order; ++i)
    {
        power *= y;
        sum += coeffs[i] * power;
    }
    return sum;
}
} // namespace KLV::DSP
