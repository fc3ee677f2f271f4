#include "platform/win32/FXWin32Power.h"

#include "base/fxTrace.h"
#include "render/FXFramePacer.h"
#include "show/fxHostState.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

// GUID_CONSOLE_DISPLAY_STATE: its data is one DWORD, 0 off, 1 on, 2 dimmed.
const GUID kDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

// The value under root as a whole number of at most limit, or -1.
int localReadNumber(HKEY root, const char* name, int limit)
{
    HKEY key;
    if (RegOpenKeyExA(root, scrRegName, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return -1;
    char buf[16] = {0};
    DWORD type = 0, bytes = sizeof buf - 1;
    int value = -1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &bytes) == ERROR_SUCCESS) {
        if (type == REG_DWORD && bytes == sizeof(DWORD)) {
            DWORD v;
            memcpy(&v, buf, sizeof v);
            if (v <= static_cast<DWORD>(limit))
                value = static_cast<int>(v);
        } else if (type == REG_SZ) {
            buf[bytes < sizeof buf ? bytes : sizeof buf - 1] = 0;
            int v = 0;
            if (FXFramePacer::ParseFps(buf, &v) && v <= limit)
                value = v;
        }
        if (value < 0)
            err("registry value %s is not a whole number of 0 to %d; it is left out\n", name, limit);
    }
    RegCloseKey(key);
    return value;
}

int localReadBoth(const char* name, int limit)
{
    int v = localReadNumber(HKEY_CURRENT_USER, name, limit);
    return v < 0 ? localReadNumber(HKEY_LOCAL_MACHINE, name, limit) : v;
}

} // namespace

int fxWin32RegistryFps(const char* name, int fallback)
{
    int fps = localReadBoth(name, FXFramePacer::kMaxFps);
    return fps < 0 ? fallback : fps;
}

bool fxWin32RegistrySwitch(const char* name, bool fallback)
{
    int v = localReadBoth(name, 1);
    return v < 0 ? fallback : v == 1;
}

void FXWin32Power::Create(void* window, FXFramePacer* p)
{
    Destroy();
    pacer = p;
    notification = RegisterPowerSettingNotification(static_cast<HWND>(window), &kDisplayState,
                                                    DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!notification)
        trc("display state: no notifications (error %lu), always on\n", GetLastError());
    ReadPowerSource();
}

void FXWin32Power::Destroy()
{
    if (notification)
        UnregisterPowerSettingNotification(static_cast<HPOWERNOTIFY>(notification));
    notification = nullptr;
    if (pacer)
        pacer->SetDisplayOn(true);
    pacer = nullptr;
}

void FXWin32Power::ReadPowerSource()
{
    SYSTEM_POWER_STATUS s;
    // 0 offline, 1 online, 255 unknown: only offline is battery.
    bool battery = GetSystemPowerStatus(&s) && s.ACLineStatus == 0;
    trc("power: %s, at most %d frames a second (0: no limit)\n", battery ? "battery" : "mains",
        battery ? pacer->BatteryFps() : pacer->MainsFps());
    pacer->SetOnBattery(battery);
}

bool FXWin32Power::Take(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    if (message != WM_POWERBROADCAST || !pacer)
        return false;
    if (wParam == PBT_APMPOWERSTATUSCHANGE) {
        ReadPowerSource();
    } else if (wParam == PBT_POWERSETTINGCHANGE && lParam) {
        const POWERBROADCAST_SETTING* s = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
        if (IsEqualGUID(s->PowerSetting, kDisplayState) && s->DataLength >= sizeof(DWORD)) {
            DWORD state;
            memcpy(&state, s->Data, sizeof state);
            pacer->SetDisplayOn(state != 0);
        }
    }
    return true;
}
