#include "base/fxTime.h"
#include "host/ScreenSaverProc.h"
#include "show/fxHostState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FakeHost : public PSaverHost {
public:
    std::string commandLine = "lumenwhirl -s";
    int destroyed = 0, validated = 0, registered = 0, defaults = 0;
    const char* CommandLine() override { return commandLine.c_str(); }
    void DestroyWindow(void*) override { ++destroyed; }
    void ValidateRect(void*) override { ++validated; }
    long DefScreenSaverProc(void*, unsigned, uintptr_t, intptr_t) override { return ++defaults, 7; }
    void ReadConfig(char* path, int size) override { std::snprintf(path, static_cast<size_t>(size), "/opt/lw"); }
    void Register(void*) override { ++registered; }
    void* SceneWindow(void* w) override { return w; }
};

std::vector<std::string> events;
int window = 0;
// A close request from the input while the scene is still starting.
bool closeDuringInit = false;

void FakeInit(void*, bool preview)
{
    events.push_back(std::string("init ") + vornPath + (preview ? " preview" : " full"));
    if (closeDuringInit)
        ScreenSaverProc(&window, kWmClose, 0, 0);
    fxAdvanceClock(0.5); // starting takes time; the grace window opens after it
}

bool destroyStops = true; // false: the render thread is stuck in its frame

bool FakeDestroy()
{
    events.push_back("destroy");
    return destroyStops;
}

class SaverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = FakeHost();
        fChildPreview = 0;
        closeDuringInit = false;
        destroyStops = true;
        events.clear();
        fxUseVirtualClock(100.0);
        fxSetSaverHost(&host);
        fxSetSaverScene(FakeInit, FakeDestroy);
    }
    void TearDown() override
    {
        fxSetSaverHost(nullptr);
        fxSetSaverScene(nullptr, nullptr);
        fxUseRealClock();
    }
    long Send(unsigned m) { return ScreenSaverProc(&window, m, 0, 0); }
    // Seconds after the scene finished starting.
    void At(double s) { fxAdvanceClock(fxSaverSession().startTime + s - fxGetTime()); }

    FakeHost host;
};

} // namespace

// The rules themselves are the session's (FXSaverSessionTest): here that
// the window procedure hands its messages to it and acts on the answers.
TEST_F(SaverTest, CloseRequestsWaitForTheGraceTimeKeysDoNot)
{
    EXPECT_EQ(Send(kWmCreate), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"init /opt/lw full"}));
    EXPECT_DOUBLE_EQ(fxSaverSession().startTime, 100.5);
    At(2.0);
    Send(kWmClose);
    At(4.0);
    Send(kWmClose);
    EXPECT_EQ(host.destroyed, 0) << "within four seconds, and at exactly four, a request is dropped";
    EXPECT_EQ(host.defaults, 0) << "dropped, not passed on";
    At(4.5);
    Send(kWmClose);
    EXPECT_EQ(host.destroyed, 1);

    SetUp();
    Send(kWmCreate);
    At(1.0);
    EXPECT_EQ(Send(kWmSysKeyUp), 7) << "a key closes and is passed on";
    EXPECT_EQ(host.destroyed, 1);
    Send(kWmClose);
    EXPECT_EQ(host.destroyed, 2) << "after a key every request closes";
    EXPECT_EQ(Send(kWmDestroy), 0);
    EXPECT_EQ(events.back(), "destroy");
    destroyStops = false;
    EXPECT_EQ(Send(kWmDestroy), 1) << "the host is told the scene could not be released";
}

TEST_F(SaverTest, EarlyRequestsPreviewInstallAndPainting)
{
    closeDuringInit = true;
    Send(kWmCreate);
    At(10.0);
    EXPECT_EQ(host.destroyed, 0) << "a request before the scene has started is dropped";

    SetUp();
    fChildPreview = 1;
    Send(kWmCreate);
    EXPECT_EQ(events.back(), "init /opt/lw preview");
    Send(kWmClose);
    EXPECT_EQ(host.destroyed, 1) << "the preview closes at once";

    SetUp();
    host.commandLine = "lumenwhirl.scr /x-register_scrsaver-y";
    EXPECT_EQ(Send(kWmCreate), -1);
    EXPECT_EQ(host.registered, 1);
    EXPECT_TRUE(events.empty()) << "no saver is shown";

    EXPECT_EQ(Send(kWmEraseBkgnd), 1);
    EXPECT_EQ(Send(kWmPaint), 0);
    EXPECT_EQ(host.validated, 1);
    EXPECT_EQ(Send(0x0200), 7) << "everything else goes to the default procedure";
    EXPECT_FALSE(ScreenSaverConfigureDialog(nullptr, 0x0110, 0, 0));
    EXPECT_TRUE(RegisterDialogClasses(nullptr));
}
