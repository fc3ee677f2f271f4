#include "host/FXSaverSession.h"

#include "base/fxTime.h"
#include "show/Scene.h"

#include <cstdlib>

namespace {

void (*localInit)(void*, bool) = InitScene;
bool (*localDestroy)() = DestroyScene;

// The pointer may shake by this much without counting as moved.
const int kPointerTolerance = 4;

} // namespace

const double FXSaverSession::kGraceSeconds = 4.0;

void fxSetSaverScene(void (*init)(void*, bool), bool (*destroy)())
{
    localInit = init ? init : InitScene;
    localDestroy = destroy ? destroy : DestroyScene;
}

void FXSaverSession::Create(Mode m)
{
    mode = m;
    escapeHit = false;
    started = false;
    startTime = 0;
    haveOrigin = false;
    originX = originY = 0;
}

void FXSaverSession::SetPointerOrigin(int x, int y)
{
    originX = x;
    originY = y;
    haveOrigin = true;
}

void FXSaverSession::Started(double now)
{
    startTime = now;
    started = true;
}

bool FXSaverSession::PointerMoved(int x, int y) const
{
    return std::abs(x - originX) > kPointerTolerance || std::abs(y - originY) > kPointerTolerance;
}

FXSaverSession::Answer FXSaverSession::Grace(double now) const
{
    // Strictly more than the grace: a request at exactly 4 s is dropped.
    return escapeHit || (started && now - startTime > kGraceSeconds) ? kClose : kNothing;
}

FXSaverSession::Answer FXSaverSession::Take(const FXSaverInput& in, double now)
{
    if (in.kind == FXSaverInput::kParentGone)
        return kClose;
    if (mode == kHack)
        return kNothing;
    switch (in.kind) {
    case FXSaverInput::kKey:
        escapeHit = true;
        return kClose;
    case FXSaverInput::kCloseRequest:
        return mode == kFullScreen ? Grace(now) : kClose;
    case FXSaverInput::kPointer:
        if (mode == kPreview)
            return kNothing;
        if (!haveOrigin) {
            SetPointerOrigin(in.x, in.y);
            return kNothing;
        }
        return PointerMoved(in.x, in.y) ? Grace(now) : kNothing;
    case FXSaverInput::kButton:
        return mode == kPreview ? kNothing : Grace(now);
    case FXSaverInput::kFocusLost:
        return mode == kFullScreen ? Grace(now) : kNothing;
    default:
        return kNothing; // the wheel
    }
}

FXSaverSession::Answer FXSaverSession::Take(const FXSaverInput& in)
{
    return Take(in, fxGetTime());
}

void FXSaverSession::StartScene(void* window)
{
    localInit(window, mode == kPreview);
    Started(fxGetTime());
}

FXSaverSession::Answer FXSaverSession::EndScene()
{
    return localDestroy() ? kNothing : kEndNow;
}
