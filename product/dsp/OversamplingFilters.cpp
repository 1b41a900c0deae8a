#include "OversamplingFilters.h"

#include <cmath>

namespace KLV
{
namespace
{
    constexpr double pi = 3.14159265358979323846;
    constexpr double sideLobeRatio = 3981.0717055349733; // 72 dB
    constexpr double windowScale = 0.00050237728630191591; // 2 / sideLobeRatio

    double chebyshevPolynomial (int order, double x)
    {
        return std::abs (x) <= 1.0 ? std::cos (std::acos (x) * order)
                                   : std::cosh (std::acosh (x) * order);
    }

    double sinc (double a)
    {
        return std::abs (a) <= 2.220446049250313e-16 ? 1.0 : std::sin (a) / a;
    }

    double cutoffFor (int factor)
    {
        return factor == 1 ? pi : 2.9845130209103035 / factor; // 0.95 pi / L
    }
} // namespace

double OversamplingFilters::window (int n, int m)
{
    if (n < 0 || n > m)
        return 0.0;

    const int length = m + 1;
    const double x0 = std::cosh (std::acosh (sideLobeRatio) * (1.0 / m));
    double numerator = 0.0, denominator = 0.0;

    for (int i = 1; i <= m / 2; ++i)
    {
        const double t = chebyshevPolynomial (m, std::cos (i * pi / length) * x0);
        numerator += t * std::cos (i * (n - m / 2) * 2.0 * pi / length);
        denominator += t;
    }

    return (1.0 + windowScale * numerator) / (1.0 + windowScale * denominator);
}

void OversamplingFilters::design (int oversampling)
{
    factor = oversampling;
    const int order = 32 * factor;
    const int centre = order / 2;
    const double cutoff = cutoffFor (factor);
    downsamplerLength = order + 1;

    for (auto& row : upsamplerTaps)
        row.fill (0.0);
    downsamplerTaps.fill (0.0);

    for (int j = 0; j < factor; ++j)
    {
        for (int k = 0; k < upsamplerLength; ++k)
        {
            const int n = k * factor + j;
            upsamplerTaps[(size_t) j][(size_t) k] = (factor * cutoff / pi) * sinc (cutoff * (n - centre)) * window (n, order);
        }
    }

    for (int k = 0; k <= order; ++k)
        downsamplerTaps[(size_t) k] = sinc (cutoff * (k - centre)) * (cutoff / pi) * window (k, order);

    for (size_t j = 0; j < upsamplerTaps.size(); ++j)
        for (size_t k = 0; k < (size_t) upsamplerLength; ++k)
            upsamplerReversed[j][k] = upsamplerTaps[j][(size_t) upsamplerLength - 1 - k];

    downsamplerReversed.fill (0.0);
    for (int k = 0; k <= order; ++k)
        downsamplerReversed[(size_t) k] = downsamplerTaps[(size_t) (order - k)];
}
} // namespace KLV
