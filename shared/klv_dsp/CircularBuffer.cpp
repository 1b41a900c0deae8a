#include "CircularBuffer.h"

#include <algorithm>

namespace KLV::DSP
{
CircularBuffer::CircularBuffer (int channelCount, int delayLength)
    : numChannels (std::max (channelCount, 0)),
      length (std::max (delayLength, 0)),
      storage ((size_t) numChannels * (size_t) length * 2, 0.0),
      channels ((size_t) numChannels, nullptr),
      writePositions ((size_t) numChannels, 0)
{
    for (size_t c = 0; c < channels.size(); ++c)
        channels[c] = storage.data() + c * (size_t) length * 2;
}

void CircularBuffer::realloc (std::unique_ptr<CircularBuffer>& buffer, int numChannels, int length)
{
    if (buffer != nullptr)
        buffer->previous.reset();

    auto replacement = std::make_unique<CircularBuffer> (numChannels, length);
    replacement->previous = std::move (buffer);
    buffer = std::move (replacement);
}

void CircularBuffer::clear() noexcept
{
    std::fill (storage.begin(), storage.end(), 0.0);
    std::fill (writePositions.begin(), writePositions.end(), 0);
}
} // namespace KLV::DSP
