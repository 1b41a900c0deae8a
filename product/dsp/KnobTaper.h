#pragma once

#include <array>

namespace KLV
{
/** Eleven values for knob positions 0 to 10 of a potentiometer's taper. */
using PotTaper = std::array<double, 11>;

/** Maps a raw knob value (0 to 1, the knob's 0 to 10 divided by 10) through the taper,
    interpolating linearly between positions. Values above 1 give the last entry; values
    below 0 and values that are not numbers give the first. */
inline double applyTaper (const PotTaper& table, float value) noexcept
{
    const double x = value > 1.0f ? 10.0 : (value > 0.0f ? 10.0 * (double) value : 0.0);
    const int i = (int) x;
    const double f = x - i;
    const int j = (i < 9 ? i : 9) + 1;
    return table[(size_t) i] + (table[(size_t) j] - table[(size_t) i]) * f;
}
} // namespace KLV
