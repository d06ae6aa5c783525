#pragma once

// The one way the engine puts a second thread to work on a loop: the calling thread
// and one worker take runs of the items from a shared counter until none are left,
// so that both stay busy to the end even when some items are dearer than others.
// When the loop is short, the machine has one core, or no thread can be started
// (the process is at its limit), the caller does it all: the work is never lost.
// Threads: any thread; `work` runs on the caller and on at most one other thread
// at once, never twice for the same item.

#include <cstddef>
#include <functional>

namespace vidarium {

struct ParallelSplit
{
    size_t runLength = 1024; // items per run taken from the counter
    size_t workerFrom = 8192; // below this many items a thread costs more than it saves
};

// Calls work(begin, end) for runs that together cover [0, count) once each.
void splitOverWorker(
    size_t count, const ParallelSplit &split, const std::function<void(size_t, size_t)> &work);

// While one exists, no worker thread is started, as when the system refuses one.
// For tests of the fallback.
class RefuseWorkerThreadsForTesting
{
public:
    RefuseWorkerThreadsForTesting();
    ~RefuseWorkerThreadsForTesting();
    RefuseWorkerThreadsForTesting(const RefuseWorkerThreadsForTesting &) = delete;
    RefuseWorkerThreadsForTesting &operator=(const RefuseWorkerThreadsForTesting &) = delete;
};

} // namespace vidarium
