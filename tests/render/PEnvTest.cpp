#include "package/FXPackage.h"
#include "device/FXGL.h"
#include "base/fxTime.h"
#include "render/FXFramePacer.h"
#include "render/FXGRAutoAct.h"
#include "render/FXLight.h"
#include "render/FXMaterial.h"
#include "render/FXMatlib.h"
#include "render/PRender.h"
#include "support/PackageBytes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Counts frames; the first frame can be held open to stop the loop inside it.
class CountingRender : public PRender {
public:
    std::atomic<int> frames{0};
    std::atomic<bool> inFrame{false};
    std::atomic<bool> holdFirst{false};
    std::atomic<bool> firstDone{false};

    void OnRender(PEnv*, double) override
    {
        inFrame = true;
        if (holdFirst && frames == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            firstDone = true;
        }
        ++frames;
        inFrame = false;
    }
};

bool WaitFor(const std::atomic<bool>& flag)
{
    for (int i = 0; i < 2000 && !flag; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return flag;
}

// One library entry (id 7) whose single material is named "Material.001".
std::string LibraryPackage()
{
    Bytes lib;
    lib.Str("lib").Int(1).Str("Material.001").Str("");
    for (int i = 0; i < 17; ++i)
        lib.Float(0.5f);
    return PackageFile("pck01", PackagePayload({{7, lib.s, -1}}));
}

} // namespace

TEST(PEnv, LightSlotsTakeTheLowestFreeNumber)
{
    FXGL env;
    FXLight l[9];
    EXPECT_TRUE(env.RegisterLight(&l[0]));
    EXPECT_TRUE(env.RegisterLight(&l[0]));
    EXPECT_EQ(env.lights[1], nullptr);
    for (int i = 1; i < 8; ++i)
        EXPECT_TRUE(env.RegisterLight(&l[i]));
    EXPECT_FALSE(env.RegisterLight(&l[8]));
    env.UnregisterLight(&l[3]);
    EXPECT_TRUE(env.RegisterLight(&l[8]));
    EXPECT_EQ(env.lights[3], &l[8]);
}

TEST(PEnv, StopLoopWithoutThreadOnlyClearsRender)
{
    FXGL env;
    CountingRender r;
    env.render = &r;
    env.StopLoop(1.0);
    EXPECT_EQ(env.render, nullptr);
    EXPECT_EQ(env.thread, nullptr);
    EXPECT_EQ(r.frames, 0);
}

TEST(PEnv, FrameInFlightCompletesBeforeStopLoopReturns)
{
    FXGL env; // no context: frames run, the device does nothing
    CountingRender r;
    r.holdFirst = true;
    ASSERT_TRUE(env.StartLoop(&r));
    ASSERT_TRUE(WaitFor(r.inFrame));
    env.StopLoop(100000);
    EXPECT_TRUE(r.firstDone);
    EXPECT_FALSE(env.running);
    EXPECT_EQ(env.thread, nullptr);
    int after = r.frames;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(r.frames, after);

    // The loop can be started again, and a second start hands over the
    // renderable instead of starting another thread.
    CountingRender r2;
    ASSERT_TRUE(env.StartLoop(&r));
    void* first = env.thread;
    ASSERT_TRUE(env.StartLoop(&r2));
    EXPECT_EQ(env.thread, first);
    for (int i = 0; i < 2000 && r2.frames == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    env.StopLoop(100000);
    EXPECT_GT(r2.frames, 0);
}

TEST(PEnv, AFrameStuckInTheWindowSystemIsLeftRunningNotWaitedFor)
{
    struct StuckRender : PRender {
        std::atomic<bool> inFrame{false}, release{false};
        void OnRender(PEnv*, double) override
        {
            inFrame = true;
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    } r;
    FXGL env;
    ASSERT_NE(env.mutex, nullptr);
    ASSERT_TRUE(env.StartLoop(&r));
    ASSERT_TRUE(WaitFor(r.inFrame));
    EXPECT_FALSE(env.StopLoop(0.05));
    EXPECT_NE(env.thread, nullptr) << "the thread is kept, not joined";
    EXPECT_EQ(env.render, nullptr);
    void* mutex = env.mutex;
    env.Destroy();
    EXPECT_EQ(env.mutex, mutex) << "the lock the frame holds is not destroyed under it";
    EXPECT_NE(env.thread, nullptr);

    r.release = true;
    EXPECT_TRUE(env.StopLoop(100000)) << "once the frame ends the loop stops";
    EXPECT_EQ(env.thread, nullptr);
    EXPECT_FALSE(env.running);
    env.Destroy();
    EXPECT_EQ(env.mutex, nullptr);
}

TEST(PEnv, LoopAndAutoActShareTheLock)
{
    FXGL env;
    CountingRender r;
    std::atomic<bool> done{false};
    std::atomic<int> overlaps{0};
    std::thread other([&] {
        while (!done) {
            FXGRAutoAct act(&env);
            if (r.inFrame)
                ++overlaps;
        }
    });
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(env.StartLoop(&r));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        env.StopLoop(100000);
    }
    done = true;
    other.join();
    EXPECT_EQ(overlaps, 0);
}

TEST(PEnv, LoopSleepsWhileTheDisplayIsOffAndStopsFromThatSleep)
{
    auto cpuSeconds = [] {
        timespec ts;
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return ts.tv_sec + ts.tv_nsec / 1e9;
    };
    auto waitFrames = [](CountingRender& r, int n) {
        for (int i = 0; i < 2000 && r.frames < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return r.frames >= n;
    };
    FXFramePacer pacer;
    FXGL env;
    env.pacer = &pacer;
    CountingRender r;
    ASSERT_TRUE(env.StartLoop(&r));
    ASSERT_TRUE(waitFrames(r, 5));

    pacer.SetDisplayOn(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the frame under way ends
    int frozen = r.frames;
    double cpu = cpuSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(r.frames, frozen) << "nothing is drawn while the display is off";
    EXPECT_LT(cpuSeconds() - cpu, 0.02) << "the loop sleeps rather than polls";

    pacer.SetPauseWhenOff(false);
    EXPECT_TRUE(waitFrames(r, frozen + 5)) << "a loop told not to pause draws on";
    pacer.SetPauseWhenOff(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    frozen = r.frames;
    pacer.SetDisplayOn(true);
    EXPECT_TRUE(waitFrames(r, frozen + 5)) << "drawing resumes with the display";

    pacer.SetDisplayOn(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(env.StopLoop(1.0)) << "a stop reaches a loop asleep for the display";
    EXPECT_FALSE(env.running);
}

TEST(PEnv, LoopHoldsToTheCapOnTheShowsClockAndTheBatteryCapOnBattery)
{
    // Frame times on the virtual clock, which the cap's waits move: exact
    // counts, whatever the machine's load. The power source changes at 6 s.
    struct TimedRender : PRender {
        FXFramePacer* pacer = nullptr;
        double start = 0;
        std::mutex m;
        std::vector<double> times;
        void OnRender(PEnv*, double t) override
        {
            if (t - start >= 6.0)
                pacer->SetOnBattery(true);
            std::lock_guard<std::mutex> hold(m);
            times.push_back(t - start);
        }
        int Between(double a, double b)
        {
            std::lock_guard<std::mutex> hold(m);
            int n = 0;
            for (double t : times)
                n += t >= a && t < b;
            return n;
        }
    } r;
    FXFramePacer pacer;
    pacer.SetCaps(20, 10);
    r.pacer = &pacer;
    r.start = 1000.0;
    fxUseVirtualClock(r.start);
    FXGL env;
    env.pacer = &pacer;
    ASSERT_TRUE(env.StartLoop(&r));
    for (int i = 0; i < 10000 && r.Between(13.0, 1e9) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    env.StopLoop(100000);
    fxUseRealClock();
    EXPECT_NEAR(r.Between(1.0, 6.0), 100, 1) << "20 frames a second on mains";
    EXPECT_NEAR(r.Between(7.0, 12.0), 50, 1) << "10 frames a second on battery";

    // Without a cap the loop runs free: one frame per 1 ms sleep.
    FXFramePacer free;
    env.pacer = &free;
    r.pacer = &free;
    {
        std::lock_guard<std::mutex> hold(r.m);
        r.times.clear();
    }
    fxUseVirtualClock(r.start);
    ASSERT_TRUE(env.StartLoop(&r));
    for (int i = 0; i < 10000 && r.Between(1.2, 1e9) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    env.StopLoop(100000);
    fxUseRealClock();
    EXPECT_GT(r.Between(0.5, 1.0), 400);
}

TEST(PEnv, LibrariesAreSharedByNameAndSeeAddedMaterials)
{
    FXGL env;
    fxSetEnv(&env);
    FXPackage pkg;
    std::string bytes = LibraryPackage();
    ASSERT_TRUE(pkg.LoadFromMemory(bytes.data(), static_cast<long>(bytes.size())));

    FXMaterial desktop;
    desktop.name.Set("Material.001");
    env.AddMaterial(&desktop);

    FXMatlib* lib = env.LoadMatlibCN(&pkg, 7);
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(lib->materials.count, 1);
    EXPECT_EQ(lib->parent, &env.defaultMatlib);
    EXPECT_EQ(lib->FindMaterial("Material.001"), &desktop);
    EXPECT_EQ(env.LoadMatlibCN(&pkg, 7), lib);
    EXPECT_EQ(lib->refCount, 2);

    FXMatlib* missing = env.LoadMatlib("/nonexistent/none.mtl");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->materials.count, 0);
    EXPECT_EQ(env.LoadMatlib("/nonexistent/none.mtl"), missing);
    EXPECT_EQ(env.matlibs.count, 2);

    lib->Release();
    EXPECT_EQ(lib->refCount, 1);
    EXPECT_EQ(env.matlibs.count, 2);
    lib->Release();
    EXPECT_EQ(env.matlibs.count, 1);
    EXPECT_EQ(env.matlibs.Findpos(lib), -1);

    env.Destroy();
    EXPECT_EQ(env.matlibs.count, 0);
    fxSetEnv(nullptr);
}
