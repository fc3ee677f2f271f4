// The recorder's host when the render thread is stuck in its frame at the
// end: it must end the process at once, not return through destructors
// that would wait for that thread.
#include "host/FXRecordWindow.h"
#include "host/FXRecorder.h"
#include "platform/egl/FXEglWindow.h"
#include "show/fxHostState.h"
#include "support/PackageBytes.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

// Holds every presenting frame for good, as a driver stuck in the window
// system does.
class HoldFrame : public PFrameListener {
public:
    void OnPresent(int, int) override
    {
        for (;;)
            std::this_thread::sleep_for(std::chrono::seconds(1));
    }
};

} // namespace

TEST(FXRecorder, AStuckRenderThreadEndsTheProcessAtOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    std::string package = PackageFile("pck01", PackagePayload({{5, "x", 0}}));
    FILE* f = std::fopen(dir.File("lwhirl.dat").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(package.data(), 1, package.size(), f);
    std::fclose(f);
    EXPECT_EXIT(
        {
            std::snprintf(vornPath, sizeof vornPath, "%s", dir.path.c_str());
            FXEglWindow egl(64, 48);
            HoldFrame hold;
            FXRecordWindow held(&egl, &hold);
            FXRecordOptions opt;
            opt.dir = dir.File("out");
            opt.frames = 1;
            opt.pictures = false;
            FXRecorder recorder;
            bool ok = recorder.Run(&held, nullptr, opt);
            std::fprintf(stderr, "Run returned: %s\n", recorder.error.c_str());
            std::_Exit(ok ? 0 : 3);
        },
        ::testing::ExitedWithCode(1), "the render thread did not finish its frame; the recorder ends");
}
