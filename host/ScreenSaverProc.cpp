#include "host/ScreenSaverProc.h"

#include "show/fxHostState.h"

#include <cstring>

int fChildPreview = 0;

namespace {

PSaverHost* localHost = nullptr;
FXSaverSession localSession;

bool localIsKey(unsigned m)
{
    return m == kWmKeyDown || m == kWmKeyUp || m == kWmChar || m == kWmSysKeyDown || m == kWmSysKeyUp ||
           m == kWmSysChar;
}

} // namespace

void fxSetSaverHost(PSaverHost* host)
{
    localHost = host;
}

FXSaverSession& fxSaverSession()
{
    return localSession;
}

void localReadConfig()
{
    vornPath[0] = 0;
    if (localHost)
        localHost->ReadConfig(vornPath, sizeof vornPath);
    vornPath[sizeof vornPath - 1] = 0;
}

void localRegister(void* window)
{
    if (localHost)
        localHost->Register(window);
}

long ScreenSaverProc(void* window, unsigned message, uintptr_t wParam, intptr_t lParam)
{
    if (!localHost)
        return 0;
    switch (message) {
    case kWmCreate: {
        const char* line = localHost->CommandLine();
        if (line && std::strstr(line, "register_scrsaver")) {
            localRegister(window);
            return -1;
        }
        localSession.Create(fChildPreview == 1 ? FXSaverSession::kPreview : FXSaverSession::kFullScreen);
        localReadConfig();
        localSession.StartScene(localHost->SceneWindow(window));
        return 0;
    }
    case kWmDestroy:
        return localSession.EndScene() == FXSaverSession::kEndNow ? 1 : 0;
    case kWmPaint:
        localHost->ValidateRect(window);
        return 0;
    case kWmEraseBkgnd:
        return 1;
    case kWmClose:
        // Never passed on: a request that is not honoured is dropped, and
        // the next input asks again.
        if (localSession.Take(FXSaverInput::CloseRequest()) == FXSaverSession::kClose)
            localHost->DestroyWindow(window);
        return 0;
    default:
        break;
    }
    if (localIsKey(message) && localSession.Take(FXSaverInput::Key()) == FXSaverSession::kClose)
        localHost->DestroyWindow(window);
    return localHost->DefScreenSaverProc(window, message, wParam, lParam);
}

bool ScreenSaverConfigureDialog(void*, unsigned, uintptr_t, intptr_t)
{
    return false;
}

bool RegisterDialogClasses(void*)
{
    return true;
}
