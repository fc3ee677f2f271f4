#include "platform/win32/fxWin32Dpi.h"

#include "base/fxTrace.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

// The entry points by their documented signatures, declared here so that
// neither the headers' Windows version nor their age matters. A DPI
// awareness context is a handle; the fixed ones are small negative values.
typedef HANDLE localContext;
const localContext kContextPerMonitor = reinterpret_cast<localContext>(static_cast<intptr_t>(-3));
const localContext kContextPerMonitorV2 = reinterpret_cast<localContext>(static_cast<intptr_t>(-4));
typedef BOOL(WINAPI* localSetContextFn)(localContext);
typedef localContext(WINAPI* localGetThreadContextFn)();
typedef BOOL(WINAPI* localContextsEqualFn)(localContext, localContext);
typedef int(WINAPI* localAwarenessOfContextFn)(localContext);
typedef HRESULT(WINAPI* localSetProcessAwarenessFn)(int);
typedef HRESULT(WINAPI* localGetProcessAwarenessFn)(HANDLE, int*);
typedef BOOL(WINAPI* localVoidFn)();
// PROCESS_PER_MONITOR_DPI_AWARE of SetProcessDpiAwareness.
const int kProcessPerMonitor = 2;

template <class T>
T localProc(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

FXDpiAwareness localFromLevel(int level)
{
    return level >= 2 ? FXDpiAwareness::perMonitor : level == 1 ? FXDpiAwareness::system : FXDpiAwareness::unaware;
}

} // namespace

FXDpiAwareness fxWin32DpiAwareness()
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    auto getContext = localProc<localGetThreadContextFn>(user32, "GetThreadDpiAwarenessContext");
    auto equal = localProc<localContextsEqualFn>(user32, "AreDpiAwarenessContextsEqual");
    auto level = localProc<localAwarenessOfContextFn>(user32, "GetAwarenessFromDpiAwarenessContext");
    if (getContext && equal && level) {
        localContext c = getContext();
        if (equal(c, kContextPerMonitorV2))
            return FXDpiAwareness::perMonitorV2;
        return localFromLevel(level(c));
    }
    FXDpiAwareness result = FXDpiAwareness::unaware;
    HMODULE shcore = LoadLibraryA("shcore.dll");
    auto getProcess = localProc<localGetProcessAwarenessFn>(shcore, "GetProcessDpiAwareness");
    int value = 0;
    if (getProcess && getProcess(nullptr, &value) == S_OK) {
        result = localFromLevel(value);
    } else if (auto isAware = localProc<localVoidFn>(user32, "IsProcessDPIAware")) {
        result = isAware() ? FXDpiAwareness::system : FXDpiAwareness::unaware;
    }
    if (shcore)
        FreeLibrary(shcore);
    return result;
}

FXDpiAwareness fxWin32SetDpiAware()
{
    FXDpiAwareness now = fxWin32DpiAwareness();
    // Once set, by the manifest or an earlier call, the awareness cannot be
    // changed; asking again would only fail.
    if (now == FXDpiAwareness::unaware) {
        HMODULE user32 = GetModuleHandleA("user32.dll");
        auto setContext = localProc<localSetContextFn>(user32, "SetProcessDpiAwarenessContext");
        bool done = setContext && (setContext(kContextPerMonitorV2) || setContext(kContextPerMonitor));
        if (!done) {
            HMODULE shcore = LoadLibraryA("shcore.dll");
            auto setProcess = localProc<localSetProcessAwarenessFn>(shcore, "SetProcessDpiAwareness");
            done = setProcess && setProcess(kProcessPerMonitor) == S_OK;
            if (shcore)
                FreeLibrary(shcore);
        }
        if (!done) {
            auto setAware = localProc<localVoidFn>(user32, "SetProcessDPIAware");
            done = setAware && setAware();
        }
        if (!done)
            err("no way to make the process DPI aware: its frames may be scaled\n");
        now = fxWin32DpiAwareness();
    }
    trc("DPI awareness: %s\n", fxDpiAwarenessName(now));
    return now;
}

const char* fxDpiAwarenessName(FXDpiAwareness awareness)
{
    switch (awareness) {
    case FXDpiAwareness::system:
        return "system";
    case FXDpiAwareness::perMonitor:
        return "per-monitor";
    case FXDpiAwareness::perMonitorV2:
        return "per-monitor v2";
    default:
        return "unaware";
    }
}
