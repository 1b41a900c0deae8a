#include "ParameterText.h"

#include <gtest/gtest.h>

using namespace KLV;

TEST (ParameterText, ValueToTextOnTheKnobScale)
{
    const std::pair<float, const char*> cases[] = {
        { 0.0f, "0.00" },   { 0.005f, "0.05" },     { 0.235f, "2.35" }, { 1.0f, "10.00" },
        { 0.99999f, "10.00" }, { 0.5f, "5.00" },    { 0.0004f, "0.00" }, { -0.1f, "-1.00" },
        { -0.0005f, "-0.01" }, { 0.12345f, "1.23" }, { 0.12355f, "1.24" },
    };
    for (auto [value, text] : cases)
        EXPECT_EQ (scaledValueToText (value, 0.0f, 10.0f, ""), text) << value;

    EXPECT_EQ (scaledValueToText (0.5f, 0.0f, 10.0f, " dB"), "5.00 dB");
    EXPECT_EQ (scaledValueToText (1.0f, -20.0f, 100.0f, "%"), "100.0%") << "at most five characters before the label";
    EXPECT_EQ (scaledValueToText (0.0f, -20.0f, 0.0f, ""), "-20.0");
    EXPECT_EQ (scaledValueToText (std::nanf (""), 0.0f, 10.0f, ""), "0.00");
}

TEST (ParameterText, TextToValueOnTheKnobScale)
{
    const std::pair<const char*, float> cases[] = {
        { "5", 0.5f }, { " 2.35", 0.235f }, { "no number", 0.0f }, { "12", 1.2f }, { "7.5 units", 0.75f }, { "", 0.0f }, { "-3", -0.3f },
    };
    for (auto [text, value] : cases)
        EXPECT_FLOAT_EQ (textToScaledValue (text, 0.0f, 10.0f), value) << text;
}
