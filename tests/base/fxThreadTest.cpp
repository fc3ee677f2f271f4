#include "base/fxThread.h"
#include "sys/fxSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <sys/resource.h>

namespace {

struct Job {
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    std::atomic<uint32_t> tid{0};
};

void localRunUntilStopped(void* arg)
{
    Job* job = static_cast<Job*>(arg);
    job->tid = fxSysThreadId();
    while (!job->stop)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    job->done = true;
}

} // namespace

TEST(fxThread, RecursiveMutexNestsAndExcludesOthers)
{
    void* m = fxCreateMutex();
    ASSERT_NE(m, nullptr);
    fxLock(m);
    fxLock(m);
    EXPECT_TRUE(fxTryLock(m));
    bool otherGotIt = true;
    std::thread other([&] { otherGotIt = fxTryLock(m); });
    other.join();
    EXPECT_FALSE(otherGotIt);
    fxUnlock(m);
    fxUnlock(m);
    fxUnlock(m);
    std::thread again([&] {
        otherGotIt = fxTryLock(m);
        if (otherGotIt)
            fxUnlock(m);
    });
    again.join();
    EXPECT_TRUE(otherGotIt);
    fxDestroyMutex(m);
    fxDestroyMutex(nullptr);
    EXPECT_FALSE(fxTryLock(nullptr));
    fxLock(nullptr);
    fxUnlock(nullptr);
}

TEST(fxThread, WaitTimesOutWhileRunningAndRecordHoldsTheId)
{
    EXPECT_TRUE(fxWaitThread(nullptr, 1));
    Job job;
    void* t = fxCreateThread(localRunUntilStopped, &job);
    ASSERT_NE(t, nullptr);
    FXThread* rec = static_cast<FXThread*>(t);
    EXPECT_EQ(rec->func, &localRunUntilStopped);
    EXPECT_EQ(rec->arg, &job);
    EXPECT_NE(rec->id, 0u); // known as soon as the thread exists
    EXPECT_FALSE(fxWaitThread(t, 0.01));
    EXPECT_FALSE(fxWaitThread(t, 0));
    job.stop = true;
    EXPECT_TRUE(fxWaitThread(t, 100000));
    EXPECT_TRUE(job.done);
    EXPECT_EQ(rec->id, job.tid.load());
    fxDestroyThread(t);
    fxDestroyThread(nullptr);
}

TEST(fxThread, TerminateNeverKillsItWaitsForTheEnd)
{
    Job job;
    void* t = fxCreateThread(localRunUntilStopped, &job);
    ASSERT_NE(t, nullptr);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        job.stop = true;
    });
    fxTerminateThread(t);
    EXPECT_TRUE(job.done); // the function ran to its end
    FXThread* rec = static_cast<FXThread*>(t);
    EXPECT_EQ(rec->handle, nullptr);
    EXPECT_EQ(rec->id, 0u);
    EXPECT_TRUE(fxWaitThread(t, 0)); // released: nothing to wait for
    fxTerminateThread(t);            // twice is harmless
    fxDestroyThread(t);
    stopper.join();

    void* empty = fxCreateThread(nullptr, nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(fxWaitThread(empty, 100000));
    fxDestroyThread(empty);
}

namespace {
void localReleaseSelf(void* arg)
{
    // A thread may release its own record: no self-join, no crash.
    auto* slot = static_cast<std::atomic<void*>*>(arg);
    void* self;
    while (!(self = slot->load()))
        std::this_thread::yield();
    fxDestroyThread(self);
    slot->store(nullptr);
}
} // namespace

TEST(fxThread, ThreadMayReleaseItsOwnHandle)
{
    std::atomic<void*> slot{nullptr};
    void* t = fxCreateThread(localReleaseSelf, &slot);
    ASSERT_NE(t, nullptr);
    slot.store(t);
    while (slot.load())
        std::this_thread::yield();
}

TEST(fxThread, PrioritiesMapToTheThreeLevels)
{
    fxSetThreadPriority(nullptr, 1);
    Job job;
    void* t = fxCreateThread(localRunUntilStopped, &job);
    ASSERT_NE(t, nullptr);
    fxSetThreadPriority(t, -1);
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(static_cast<FXThread*>(t)->id)), 19);
    job.stop = true;
    fxDestroyThread(t);
}
