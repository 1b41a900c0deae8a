#pragma once

#include <array>

namespace KLV
{
/** The linear-phase pair that carries each channel into and out of the oversampled core:
    a polyphase interpolator and a decimator, windowed-sinc designs with a 72 dB
    Dolph-Chebyshev window. Together they delay by exactly 32 base-rate samples at L = 4, 2, 1. */
struct OversamplingFilters
{
    static constexpr int maxFactor = 4;
    static constexpr int upsamplerLength = 33;
    static constexpr int maxDownsamplerLength = 32 * maxFactor + 1;

    /** Dolph-Chebyshev window value at integer n for filter order m (length m + 1). */
    static double window (int n, int m);

    /** Designs both filters for oversampling factor L (4, 2 or 1). */
    void design (int factor);

    int factor = 1;
    int downsamplerLength = 33; // 32 L + 1
    std::array<std::array<double, upsamplerLength>, maxFactor> upsamplerTaps {};
    std::array<double, maxDownsamplerLength> downsamplerTaps {};

    // The same taps in reverse order, so each filter is a forward dot product over the
    // contiguous run that the mirrored history hands out.
    std::array<std::array<double, upsamplerLength>, maxFactor> upsamplerReversed {};
    std::array<double, maxDownsamplerLength> downsamplerReversed {};
};
} // namespace KLV
