#include "CircularBuffer.h"

#include <gtest/gtest.h>

using KLV::DSP::CircularBuffer;

TEST (CircularBuffer, DelaysByItsLengthAndStartsSilent)
{
    std::unique_ptr<CircularBuffer> delay;
    CircularBuffer::realloc (delay, 2, 32);

    for (int i = 1; i <= 100; ++i)
    {
        const double expected = i <= 32 ? 0.0 : (double) (i - 32);
        EXPECT_EQ (delay->pushAndRead (0, (double) i), expected) << "write " << i;
        EXPECT_EQ (delay->pushAndRead (1, (double) -i), -expected);
    }
}

TEST (CircularBuffer, RunsAreContiguousNewestLast)
{
    std::unique_ptr<CircularBuffer> history;
    CircularBuffer::realloc (history, 1, 5);

    for (int i = 1; i <= 12; ++i)
    {
        const double* run = history->push (0, (double) i);
        for (int k = 0; k < 5; ++k)
            EXPECT_EQ (run[4 - k], i - k > 0 ? (double) (i - k) : 0.0) << "write " << i << ", age " << k;
    }

    // Before the next write: the oldest sample last, then ages 1 ... length - 1 backwards.
    const double* window = history->window (0);
    EXPECT_EQ (window[4], 8.0);
    for (int k = 1; k < 5; ++k)
        EXPECT_EQ (window[4 - k], 13.0 - k);
}

TEST (CircularBuffer, KeepsOneGenerationAlive)
{
    auto buffer = std::make_unique<CircularBuffer>();
    EXPECT_EQ (buffer->getNumChannels(), 0);
    const auto* first = buffer.get();

    CircularBuffer::realloc (buffer, 0, 0); // an empty buffer can be replaced
    const auto* second = buffer.get();
    EXPECT_EQ (buffer->getPrevious(), first);

    CircularBuffer::realloc (buffer, 2, 8);
    EXPECT_EQ (buffer->getPrevious(), second);
    EXPECT_EQ (buffer->getPrevious()->getPrevious(), nullptr);
}

TEST (CircularBuffer, ClearSilencesAndRewinds)
{
    std::unique_ptr<CircularBuffer> delay;
    CircularBuffer::realloc (delay, 1, 4);
    for (int i = 0; i < 6; ++i)
        delay->pushAndRead (0, 1.0);

    delay->clear();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ (delay->pushAndRead (0, 2.0), 0.0);
    EXPECT_EQ (delay->pushAndRead (0, 2.0), 2.0);
}
