#pragma once

#include <juce_core/juce_core.h>

#include <array>

namespace KLV
{
/** A factory preset: a normalised value for each parameter index from 0. */
struct Preset
{
    int index = 0;
    juce::String name;
    std::array<float, 64> values {};
    int numValues = 0;
};
} // namespace KLV
