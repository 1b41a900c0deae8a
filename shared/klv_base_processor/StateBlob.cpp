#include "StateBlob.h"

#include <cmath>

namespace KLV
{
namespace
{
    bool isFiniteDecimalNumber (const juce::String& text)
    {
        const auto trimmed = text.trim();
        auto p = trimmed.getCharPointer();
        if (*p == '+' || *p == '-')
            ++p;

        int mantissaDigits = 0;
        while (p.isDigit()) { ++p; ++mantissaDigits; }
        if (*p == '.')
        {
            ++p;
            while (p.isDigit()) { ++p; ++mantissaDigits; }
        }
        if (mantissaDigits == 0)
            return false;

        if (*p == 'e' || *p == 'E')
        {
            ++p;
            if (*p == '+' || *p == '-')
                ++p;
            int exponentDigits = 0;
            while (p.isDigit()) { ++p; ++exponentDigits; }
            if (exponentDigits == 0)
                return false;
        }

        return p.isEmpty() && std::isfinite (trimmed.getDoubleValue());
    }

    bool valuesAreNumbers (const juce::XmlElement& root)
    {
        for (auto* child : root.getChildIterator())
            if (child->hasAttribute ("value") && ! isFiniteDecimalNumber (child->getStringAttribute ("value")))
                return false;
        return true;
    }
} // namespace

void writeStateBlob (const juce::ValueTree& tree, juce::MemoryBlock& destination)
{
    destination.reset();
    if (auto xml = tree.createXml())
        juce::AudioProcessor::copyXmlToBinary (*xml, destination);
}

juce::ValueTree readStateBlob (const void* data, int sizeInBytes, const juce::Identifier& rootType)
{
    if (data == nullptr)
        return {};

    const auto xml = juce::AudioProcessor::getXmlFromBinary (data, sizeInBytes);
    if (xml == nullptr || ! xml->hasTagName (rootType.toString()) || ! valuesAreNumbers (*xml))
        return {};

    return juce::ValueTree::fromXml (*xml);
}
} // namespace KLV
