#include "OrvelleProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

// Every allocation in the process goes through these; those made on a thread that is being
// watched (the test's stand-in for the audio thread) are counted. Other threads of the
// framework, such as its timer thread, may allocate at any time and are not ours to count.
namespace
{
std::atomic<long> allocations { 0 };
thread_local bool watched = false;

void* countedAllocation (std::size_t size)
{
    if (watched)
        allocations.fetch_add (1, std::memory_order_relaxed);
    if (void* p = std::malloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new (std::size_t size) { return countedAllocation (size); }
void* operator new[] (std::size_t size) { return countedAllocation (size); }
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }

namespace
{
template <typename Sample>
long allocationsWhileProcessing (KLV::OrvelleProcessor& processor, int blockSize, bool bypassed)
{
    juce::AudioBuffer<Sample> buffer (2, blockSize);
    juce::MidiBuffer midi;
    for (int i = 0; i < blockSize; ++i)
        for (int c = 0; c < 2; ++c)
            buffer.setSample (c, i, (Sample) (0.5 * std::sin (0.05 * i)));

    // Parameter moves make the pass talk to the engine inside the measured calls.
    processor.setParameterValue (KLV::OrvelleProcessor::gain, 0.8f);
    processor.setParameterValue (KLV::OrvelleProcessor::mode, 1.0f);

    const long before = allocations.load();
    watched = true;
    for (int round = 0; round < 3; ++round)
    {
        if (bypassed)
            processor.processBlockBypassed (buffer, midi);
        else
            processor.processBlock (buffer, midi);
    }
    watched = false;
    return allocations.load() - before;
}
} // namespace

TEST (Allocation, ProcessingAndBypassAllocateNothing)
{
    for (double rate : { 44100.0, 96000.0, 192000.0 })
    {
        for (int blockSize : { 1, 7, 512, 4096 })
        {
            KLV::OrvelleProcessor processor;
            processor.prepareToPlay (rate, blockSize);
            for (bool bypassed : { false, true })
            {
                EXPECT_EQ (allocationsWhileProcessing<float> (processor, blockSize, bypassed), 0)
                    << rate << " Hz, block " << blockSize << (bypassed ? ", bypassed" : "") << ", float";
                EXPECT_EQ (allocationsWhileProcessing<double> (processor, blockSize, bypassed), 0)
                    << rate << " Hz, block " << blockSize << (bypassed ? ", bypassed" : "") << ", double";
            }
        }
    }

    // The counter sees allocations at all.
    const long before = allocations.load();
    watched = true;
    const auto probe = juce::String::repeatedString ("allocated", 100);
    watched = false;
    EXPECT_GE (allocations.load() - before, 1) << probe.length();
}
