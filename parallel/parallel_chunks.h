// Splits independent work over a range into contiguous chunks and runs them on worker threads:
// the one way the whole project spreads work over threads.
//
// Every chunk, the calling thread's own included, computes in the calling thread's rounding and
// handling of tiny numbers with every floating-point exception masked: work split over threads
// does arithmetic (on padding, on bounds of empty sets) that no single pass over the data does,
// and a caller that unmasked an exception must not trap on it. The calling thread gets its
// floating-point state back exactly, status flags included.
#pragma once

#include <cstddef>
#include <functional>

// The number of threads the machine runs at once (at least 1), or fewer where the environment
// variable PALISOR_THREADS names fewer.
unsigned MachineThreadCount();

// The threads to use for a request of `requested`: 0 asks for as many as the machine runs
// (MachineThreadCount), any other number is taken as it is.
unsigned ThreadsFor(unsigned requested);

// Calls work(begin, end) on contiguous chunks that cover [0, count) exactly once, on up to
// `threadCount` threads including the calling one; no chunk is smaller than `minimumChunk`
// unless the whole range is. Returns when every chunk is done. Where a thread cannot be started
// its chunk runs on the calling thread. An exception thrown by a chunk is rethrown here, on the
// calling thread, once every thread has finished.
void RunInChunks(std::size_t count, unsigned threadCount, std::size_t minimumChunk,
                 const std::function<void(std::size_t begin, std::size_t end)>& work);

// Calls work(begin, end) as RunInChunks does, on as many threads as the machine runs.
void RunInChunks(std::size_t count, std::size_t minimumChunk,
                 const std::function<void(std::size_t begin, std::size_t end)>& work);

// Runs `work` once on each of `threadCount` threads, the calling one included (at least one),
// and returns once every one has returned; the threads typically share a queue of their own.
// Exceptions as for RunInChunks.
void RunOnThreads(unsigned threadCount, const std::function<void()>& work);
