#include "host/ScreenSaverProc.h"

#include "base/fxTime.h"
#include "show/fxHostState.h"
#include "show/Scene.h"

#include <cstdlib>
#include <cstring>

int fChildPreview = 0;

namespace {

PSaverHost* localHost = nullptr;
void (*localInit)(void*, bool) = InitScene;
bool (*localDestroy)() = DestroyScene;

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

void fxSetSaverScene(void (*init)(void*, bool), bool (*destroy)())
{
    localInit = init ? init : InitScene;
    localDestroy = destroy ? destroy : DestroyScene;
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
        localReadConfig();
        localInit(localHost->SceneWindow(window), fChildPreview == 1);
        startTime = fxGetTime();
        started = true;
        return 0;
    }
    case kWmDestroy:
        return localDestroy() ? 0 : 1;
    case kWmPaint:
        localHost->ValidateRect(window);
        return 0;
    case kWmEraseBkgnd:
        return 1;
    case kWmClose:
        // A request that is not honoured is dropped: the next input asks again.
        if (fChildPreview || escapeHit)
            localHost->DestroyWindow(window);
        else if (started && fxGetTime() - startTime > 4.0)
            localHost->DestroyWindow(window);
        return 0;
    default:
        break;
    }
    if (localIsKey(message)) {
        escapeHit = true;
        localHost->DestroyWindow(window);
    }
    return localHost->DefScreenSaverProc(window, message, wParam, lParam);
}

bool fxPointerMoved(int x0, int y0, int x, int y)
{
    const int tolerance = 4;
    return std::abs(x - x0) > tolerance || std::abs(y - y0) > tolerance;
}

bool ScreenSaverConfigureDialog(void*, unsigned, uintptr_t, intptr_t)
{
    return false;
}

bool RegisterDialogClasses(void*)
{
    return true;
}
