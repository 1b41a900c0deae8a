#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace KLV
{
/** The saved plug-in state: "VC2!", the text length (little-endian), the tree as one line of
    XML with its declaration, and a zero byte. */
void writeStateBlob (const juce::ValueTree& tree, juce::MemoryBlock& destination);

/** The tree held by a state blob, or an invalid tree when the blob is malformed: too short,
    a wrong magic number, a length of 0 or less, text that is not XML, a root element that is
    not `rootType` (ignoring case), or a "value" that is not a finite decimal number. */
juce::ValueTree readStateBlob (const void* data, int sizeInBytes, const juce::Identifier& rootType);
} // namespace KLV
