#pragma once

#include "FilterSection.h"

#include <algorithm>
#include <cmath>

namespace KLV
{
/** The VU needle's ballistics: a 2 Hz, Q 0.45 low-pass at the base rate, run in direct
    form I on the rectified meter source. Its output memory is held within the needle's
    travel, so a loud transient cannot wind it up past the end stop. */
struct NeedleFilter
{
    static DSP::FilterSection design (double sampleRate)
    {
        constexpr double pi = 3.14159265358979323846;
        const double fe = std::min (2.0, 0.995 * sampleRate * 0.5);
        const double w = 2.0 * pi * fe / sampleRate;
        const double s = std::sin (w);
        const double c = std::cos (w);
        const double alpha = s / 0.9;
        const double y = 1.0 + alpha;
        return { 0.5 * (1.0 - c) / y, (1.0 - c) / y, -2.0 * c / y, 0.5 * (1.0 - c) / y, (1.0 - alpha) / y };
    }

    void reset (double value) noexcept { x1 = x2 = y1 = y2 = value; }

    /** Advances by one sample and returns the unlimited output. */
    double step (double source) noexcept
    {
        const double x0 = std::abs (source);
        const double out = section.b0 * x0 + section.b1 * x1 + section.b2 * x2 - section.a1 * y1 - section.a2 * y2;
        y2 = y1;
        y1 = std::clamp (out, 0.0, 1.0);
        x2 = x1;
        x1 = x0;
        return out;
    }

    DSP::FilterSection section;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
};
} // namespace KLV
