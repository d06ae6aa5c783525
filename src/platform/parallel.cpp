#include "parallel.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

namespace vidarium {

namespace {

std::atomic_int refusals { 0 };

std::thread startWorker(const std::function<void()> &run)
{
    if (refusals.load(std::memory_order_relaxed) > 0)
        return std::thread();
    try {
        return std::thread(run);
    } catch (const std::system_error &) {
        return std::thread();
    }
}

} // namespace

void splitOverWorker(
    size_t count, const ParallelSplit &split, const std::function<void(size_t, size_t)> &work)
{
    if (count == 0)
        return;
    const size_t runLength = std::max<size_t>(split.runLength, 1);
    if (count < split.workerFrom || count <= runLength || std::thread::hardware_concurrency() < 2) {
        work(0, count);
        return;
    }
    std::atomic<size_t> next = 0;
    const std::function<void()> run = [&] {
        for (;;) {
            const size_t begin = next.fetch_add(runLength, std::memory_order_relaxed);
            if (begin >= count)
                return;
            work(begin, std::min(begin + runLength, count));
        }
    };
    std::thread worker = startWorker(run);
    run();
    if (worker.joinable())
        worker.join();
}

RefuseWorkerThreadsForTesting::RefuseWorkerThreadsForTesting()
{
    ++refusals;
}

RefuseWorkerThreadsForTesting::~RefuseWorkerThreadsForTesting()
{
    --refusals;
}

} // namespace vidarium
