#include "ChebyWaveshaper.h"

#include <Eigen/Eigenvalues>
#include <cmath>
#include <limits>
#include <vector>

namespace KLV::DSP
{
void chebyWaveshaper (int order, double* coeffs, const double* harmonics, double drive)
{
    if (order <= 0)
        return;

    const auto n = (size_t) order;
    std::vector<double> previous (n + 1, 0.0), current (n + 1, 0.0), next (n + 1, 0.0);
    previous[0] = 1.0; // T0 = 1
    current[1] = 1.0;  // T1 = x

    for (size_t i = 0; i <= n; ++i)
        coeffs[i] = 0.0;
    coeffs[0] = harmonics[0];
    coeffs[1] = harmonics[1];

    for (size_t k = 2; k <= n; ++k)
    {
        // T_k = 2x T_(k-1) - T_(k-2)
        next[0] = -previous[0];
        for (size_t i = 1; i <= n; ++i)
            next[i] = 2.0 * current[i - 1] - previous[i];

        previous.swap (current);
        current.swap (next);

        for (size_t i = 0; i <= n; ++i)
            coeffs[i] += harmonics[k] * current[i];
    }

    double power = 1.0;
    for (size_t i = 1; i <= n; ++i)
    {
        power *= drive;
        coeffs[i] *= power;
    }
}

void chebyLimits (int order, const double* coeffs, double* low, double* high)
{
    *low = 0.0;
    *high = 0.0;

    const int degree = order - 1; // degree of the derivative
    if (degree < 1)
        return;

    std::vector<double> derivative ((size_t) order);
    for (int i = 0; i < order; ++i)
        derivative[(size_t) i] = (i + 1) * coeffs[i + 1];

    // The companion matrix's eigenvalues are the roots of the derivative: the turning points.
    Eigen::MatrixXd companion = Eigen::MatrixXd::Zero (degree, degree);
    for (int i = 0; i + 1 < degree; ++i)
        companion (i + 1, i) = 1.0;
    for (int i = 0; i < degree; ++i)
        companion (i, degree - 1) = -derivative[(size_t) i] / derivative[(size_t) degree];

    const Eigen::EigenSolver<Eigen::MatrixXd> solver (companion, false);
    if (solver.info() != Eigen::Success)
        return;

    double lo = -std::numeric_limits<double>::infinity();
    double hi = std::numeric_limits<double>::infinity();
    for (const auto& root : solver.eigenvalues())
    {
        if (root.imag() != 0.0)
            continue;
        const double t = root.real();
        if (t > 0.0 && t < hi)
            hi = t;
        if (t < 0.0 && t > lo)
            lo = t;
    }

    if (std::isfinite (lo) && std::isfinite (hi))
    {
        *low = lo;
        *high = hi;
    }
}
} // namespace KLV::DSP
