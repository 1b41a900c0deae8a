#include "FilterSection.h"

#include <algorithm>
#include <cmath>

namespace KLV::DSP
{
namespace
{
    constexpr double pi = 3.14159265358979323846;

    struct Prewarped
    {
        double s, c, u;
    };

    // The corner is kept just below Nyquist so the design never degenerates.
    Prewarped prewarp (double corner, double rate)
    {
        const double fe = std::min (corner, 0.995 * rate * 0.5);
        const double w = 2.0 * pi * fe / rate;
        const double s = std::sin (w);
        const double c = std::cos (w);
        return { s, c, s + 1.0 + c };
    }
} // namespace

FilterSection FilterSection::highPass (double corner, double rate, double passBandGain)
{
    const auto p = prewarp (corner, rate);
    return { passBandGain * (p.c + 1.0) / p.u, passBandGain * (-1.0 - p.c) / p.u, (p.s - 1.0 - p.c) / p.u, 0.0, 0.0 };
}

FilterSection FilterSection::lowPass (double corner, double rate)
{
    const auto p = prewarp (corner, rate);
    return { p.s / p.u, p.s / p.u, (p.s - 1.0 - p.c) / p.u, 0.0, 0.0 };
}

FilterSection FilterSection::highShelf (double corner, double rate, double highGain)
{
    const auto p = prewarp (corner, rate);
    return { (p.s + highGain * (1.0 + p.c)) / p.u, (p.s - highGain * (1.0 + p.c)) / p.u, (p.s - 1.0 - p.c) / p.u, 0.0, 0.0 };
}

FilterSection FilterSection::cascade (const FilterSection& p, const FilterSection& q)
{
    return { p.b0 * q.b0, p.b0 * q.b1 + q.b0 * p.b1, p.a1 + q.a1, p.b1 * q.b1, p.a1 * q.a1 };
}
} // namespace KLV::DSP
