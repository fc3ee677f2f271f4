#include "base/fxTime.h"
#include "host/FXSaverSession.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using S = FXSaverSession;

const char* Name(S::Mode m)
{
    return m == S::kFullScreen ? "full screen" : m == S::kPreview ? "preview" : m == S::kHack ? "hack" : "window";
}

char Letter(S::Answer a)
{
    return a == S::kNothing ? '.' : a == S::kClose ? 'C' : 'E';
}

// A session in mode whose scene started at 10 s with the pointer at 100, 100.
S Started(S::Mode mode)
{
    S s;
    s.Create(mode);
    s.SetPointerOrigin(100, 100);
    s.Started(10.0);
    return s;
}

std::vector<std::string> initCalls;
double initTakes = 0;
bool destroyReleases = true;

void FakeInit(void*, bool preview)
{
    initCalls.push_back(preview ? "preview" : "full");
    fxAdvanceClock(initTakes);
}

bool FakeDestroy()
{
    return destroyReleases;
}

} // namespace

// Every mode against every kind of input, 2 s into the show and 4.5 s in:
// '.' nothing, 'C' close.
TEST(FXSaverSession, RuleTableOfModeInputAndTime)
{
    const std::vector<std::pair<const char*, FXSaverInput>> inputs = {
        {"key", FXSaverInput::Key()},
        {"pointer moved", FXSaverInput::Pointer(100, 105)},
        {"pointer shaken", FXSaverInput::Pointer(104, 96)},
        {"button 1", FXSaverInput::Button(1)},
        {"button 3", FXSaverInput::Button(3)},
        {"button 5", FXSaverInput::Button(5)},
        {"wheel", FXSaverInput::Wheel(1)},
        {"wheel back", FXSaverInput::Wheel(-1)},
        {"focus lost", FXSaverInput::FocusLost()},
        {"close request", FXSaverInput::CloseRequest()},
        {"parent gone", FXSaverInput::ParentGone()},
    };
    // Per mode, per input: the answer at 2 s and at 4.5 s.
    const std::vector<std::pair<S::Mode, std::string>> table = {
        {S::kFullScreen, "CC .C .. .C .C .C .. .. .C .C CC"},
        {S::kPreview, "CC .. .. .. .. .. .. .. .. CC CC"},
        {S::kWindow, "CC .C .. .C .C .C .. .. .. CC CC"},
        {S::kHack, ".. .. .. .. .. .. .. .. .. .. CC"},
    };
    for (const auto& [mode, want] : table) {
        std::string got;
        for (const auto& [what, in] : inputs) {
            for (double at : {2.0, 4.5}) {
                S s = Started(mode);
                got += Letter(s.Take(in, 10.0 + at));
                EXPECT_EQ(s.escapeHit, in.kind == FXSaverInput::kKey && mode != S::kHack) << what;
            }
            got += ' ';
        }
        got.pop_back();
        EXPECT_EQ(got, want) << Name(mode);
    }
}

TEST(FXSaverSession, GraceEdgesOriginAndCoordinates)
{
    S s = Started(S::kFullScreen);
    EXPECT_EQ(s.Take(FXSaverInput::CloseRequest(), 14.0), S::kNothing) << "at exactly 4 s a request is dropped";
    EXPECT_EQ(s.Take(FXSaverInput::CloseRequest(), 14.001), S::kClose);
    EXPECT_EQ(s.Take(FXSaverInput::Button(1), 11.0), S::kNothing) << "dropped requests change nothing";
    EXPECT_EQ(s.Take(FXSaverInput::Key(), 11.0), S::kClose);
    EXPECT_EQ(s.Take(FXSaverInput::Button(1), 11.0), S::kClose) << "after a key every request closes";

    S early;
    early.Create(S::kFullScreen);
    EXPECT_EQ(early.Take(FXSaverInput::CloseRequest(), 500.0), S::kNothing) << "before the scene has started";
    EXPECT_EQ(early.Take(FXSaverInput::Key(), 500.0), S::kClose) << "a key closes before the start as well";

    // Without an origin the first position is the origin.
    S first;
    first.Create(S::kFullScreen);
    first.Started(0);
    EXPECT_EQ(first.Take(FXSaverInput::Pointer(700, 300), 9.0), S::kNothing);
    EXPECT_EQ(first.Take(FXSaverInput::Pointer(703, 297), 9.0), S::kNothing);
    EXPECT_EQ(first.Take(FXSaverInput::Pointer(705, 300), 9.0), S::kClose);

    // Screen coordinates are whole numbers: no 16-bit field wraps them.
    S wide = Started(S::kFullScreen);
    EXPECT_EQ(wide.Take(FXSaverInput::Pointer(100 + 65536, 100), 20.0), S::kClose);
    S left;
    left.Create(S::kFullScreen);
    left.SetPointerOrigin(2, 2);
    left.Started(0);
    EXPECT_EQ(left.Take(FXSaverInput::Pointer(-1, -2), 20.0), S::kNothing) << "a monitor left of the primary";
    EXPECT_EQ(left.Take(FXSaverInput::Pointer(-1, 65534), 20.0), S::kClose);
}

TEST(FXSaverSession, SceneStartOpensTheGraceAndAStuckEndMeansEndNow)
{
    fxUseVirtualClock(100.0);
    fxSetSaverScene(FakeInit, FakeDestroy);
    initCalls.clear();
    initTakes = 3.0; // a slow start does not eat the grace
    S s;
    s.Create(S::kFullScreen);
    s.StartScene(nullptr);
    EXPECT_TRUE(s.started);
    EXPECT_DOUBLE_EQ(s.startTime, 103.0);
    EXPECT_EQ(s.Take(FXSaverInput::CloseRequest()), S::kNothing);
    fxAdvanceClock(4.5);
    EXPECT_EQ(s.Take(FXSaverInput::CloseRequest()), S::kClose);
    s.Create(S::kPreview);
    s.StartScene(nullptr);
    EXPECT_EQ(initCalls, (std::vector<std::string>{"full", "preview"}));

    destroyReleases = true;
    EXPECT_EQ(s.EndScene(), S::kNothing);
    destroyReleases = false;
    EXPECT_EQ(s.EndScene(), S::kEndNow) << "the render thread is stuck in its frame";
    destroyReleases = true;
    fxSetSaverScene(nullptr, nullptr);
    fxUseRealClock();
}
