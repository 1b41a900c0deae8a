#include "ParameterText.h"

#include <cmath>
#include <cstdlib>

namespace KLV
{
juce::String scaledValueToText (float normalisedValue, float minimum, float maximum, const juce::String& unitLabel)
{
    const auto scaled = (float) ((double) normalisedValue * ((double) maximum - (double) minimum) + (double) minimum);
    const double hundredths = (double) scaled * 100.0;
    if (! std::isfinite (hundredths))
        return "0.00" + unitLabel;

    const long long n = std::llround (hundredths); // halves away from zero
    auto digits = juce::String (std::llabs (n)).paddedLeft ('0', 3);
    auto text = digits.dropLastCharacters (2) + "." + digits.getLastCharacters (2);
    if (n < 0)
        text = "-" + text;

    return text.substring (0, 5) + unitLabel;
}

float textToScaledValue (const juce::String& text, float minimum, float maximum)
{
    const double number = (double) text.getFloatValue();
    return (float) ((number - (double) minimum) / ((double) maximum - (double) minimum));
}
} // namespace KLV
