#include "platform/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using namespace vidarium;

namespace {

// Counts how often each item was given out, and on which threads.
struct Tally
{
    explicit Tally(size_t count)
        : visits(count)
    {
    }

    void record(size_t begin, size_t end)
    {
        for (size_t i = begin; i < end; ++i)
            ++visits[i];
        const std::lock_guard lock(mutex);
        threads.insert(std::this_thread::get_id());
        ++runs;
    }

    bool eachOnce() const
    {
        for (const std::atomic_int &v : visits)
            if (v != 1)
                return false;
        return true;
    }

    std::vector<std::atomic_int> visits;
    std::mutex mutex;
    std::set<std::thread::id> threads;
    int runs = 0;
};

} // namespace

TEST(Parallel, ShortLoopsStayOnTheCallingThreadInOneRun)
{
    for (size_t count : { size_t(0), size_t(1), size_t(99) }) {
        SCOPED_TRACE(count);
        Tally tally(count);
        splitOverWorker(count, { 10, 100 }, [&](size_t b, size_t e) { tally.record(b, e); });
        EXPECT_TRUE(tally.eachOnce());
        EXPECT_EQ(tally.runs, count == 0 ? 0 : 1);
        if (count > 0)
            EXPECT_EQ(*tally.threads.begin(), std::this_thread::get_id());
    }
}

TEST(Parallel, LongLoopsAreSharedWithAWorkerAndCoveredOnce)
{
    if (std::thread::hardware_concurrency() < 2)
        GTEST_SKIP() << "one core: the caller works alone by design";
    // A run length that does not divide the count, so the last run is short. Each
    // run waits until both threads have taken one: either may otherwise finish the
    // loop before the other gets to it.
    constexpr size_t count = 10007;
    Tally tally(count);
    std::mutex mutex;
    std::condition_variable arrived;
    std::set<std::thread::id> seen;
    splitOverWorker(count, { 100, 1000 }, [&](size_t b, size_t e) {
        {
            std::unique_lock lock(mutex);
            seen.insert(std::this_thread::get_id());
            arrived.notify_all();
            arrived.wait_for(lock, std::chrono::seconds(10), [&] { return seen.size() == 2; });
        }
        tally.record(b, e);
    });
    EXPECT_EQ(seen.size(), 2u) << "the worker never took a run";
    EXPECT_TRUE(tally.eachOnce());
    EXPECT_EQ(tally.threads.size(), 2u);
    EXPECT_EQ(tally.runs, 101);
}

TEST(Parallel, CallerDoesItAllWhenNoThreadStarts)
{
    const RefuseWorkerThreadsForTesting refused;
    constexpr size_t count = 5000;
    Tally tally(count);
    splitOverWorker(count, { 64, 100 }, [&](size_t b, size_t e) { tally.record(b, e); });
    EXPECT_TRUE(tally.eachOnce()) << "items of a worker that never started went undone";
    ASSERT_EQ(tally.threads.size(), 1u);
    EXPECT_EQ(*tally.threads.begin(), std::this_thread::get_id());
}
