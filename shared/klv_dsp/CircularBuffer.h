#pragma once

#include <memory>
#include <vector>

namespace KLV::DSP
{
/** A multi-channel delay line that stores every sample twice, at p and p + length, so the
    most recent `length` samples of a channel can always be read as one contiguous run.

    A buffer replaced by realloc() stays alive as the `previous` of its successor until the
    next realloc, so memory that was in use is never freed by the call that replaces it. */
class CircularBuffer
{
public:
    CircularBuffer() = default;
    CircularBuffer (int numChannels, int length);

    /** Replaces `buffer` by a new, silent one, keeping the old one as its `previous`
        and destroying the generation before that. */
    static void realloc (std::unique_ptr<CircularBuffer>& buffer, int numChannels, int length);

    /** Sets every sample to 0 and every write position to the start. */
    void clear() noexcept;

    int getNumChannels() const noexcept { return numChannels; }
    int getLength() const noexcept { return length; }
    const CircularBuffer* getPrevious() const noexcept { return previous.get(); }

    /** Returns the sample written `length` writes ago (0 before that many writes),
        then stores x and advances. */
    double pushAndRead (int channel, double x) noexcept
    {
        auto* data = channels[(size_t) channel];
        auto& p = writePositions[(size_t) channel];
        const double delayed = data[p + length];
        store (data, p, x);
        return delayed;
    }

    /** Stores x and returns the `length` most recent samples as one run, oldest first:
        element length - 1 is x itself. */
    const double* push (int channel, double x) noexcept
    {
        auto* data = channels[(size_t) channel];
        auto& p = writePositions[(size_t) channel];
        const double* run = data + p + 1;
        store (data, p, x);
        return run;
    }

    /** The run at p + 1 ... p + length before the next write: element length - 1 holds the
        oldest sample (written `length` writes ago) and element length - 1 - k, for k >= 1,
        the sample written k writes ago. */
    const double* window (int channel) const noexcept
    {
        return channels[(size_t) channel] + writePositions[(size_t) channel] + 1;
    }

    /** Stores x and advances, without reading. */
    void write (int channel, double x) noexcept
    {
        store (channels[(size_t) channel], writePositions[(size_t) channel], x);
    }

private:
    void store (double* data, int& p, double x) noexcept
    {
        data[p] = x;
        data[p + length] = x;
        if (++p == length)
            p = 0;
    }

    int numChannels = 0;
    int length = 0;
    std::vector<double> storage;
    std::vector<double*> channels;
    std::vector<int> writePositions;
    std::unique_ptr<CircularBuffer> previous;
};
} // namespace KLV::DSP
