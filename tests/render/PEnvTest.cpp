#include "package/FXPackage.h"
#include "device/FXGL.h"
#include "render/FXGRAutoAct.h"
#include "render/FXLight.h"
#include "render/FXMaterial.h"
#include "render/FXMatlib.h"
#include "render/PRender.h"
#include "support/PackageBytes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

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
