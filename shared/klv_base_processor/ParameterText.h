#pragma once

#include <juce_core/juce_core.h>

namespace KLV
{
/** Text of a 0-to-1 parameter shown on the scale minimum ... maximum: always two decimals,
    at most five characters, then the unit label (0.235 on 0 ... 10 reads "2.35"). */
juce::String scaledValueToText (float normalisedValue, float minimum, float maximum, const juce::String& unitLabel);

/** Reads a number from the start of the text (0 when there is none) and maps it from
    minimum ... maximum back to 0 ... 1, without limiting. */
float textToScaledValue (const juce::String& text, float minimum, float maximum);
} // namespace KLV
