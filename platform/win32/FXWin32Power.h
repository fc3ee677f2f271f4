// FXWin32Power: tells the process's frame pacer, from the saver window's
// messages, whether the display is on (the console display state power
// notification) and whether the machine runs on battery (the AC line
// status). It only listens: the saver never asks the system to keep the
// display on (no SetThreadExecutionState), so it still goes to sleep when
// its time comes.
#pragma once

#include <cstdint>

class FXFramePacer;

class FXWin32Power {
public:
    FXWin32Power() = default;
    ~FXWin32Power() { Destroy(); }
    FXWin32Power(const FXWin32Power&) = delete;
    FXWin32Power& operator=(const FXWin32Power&) = delete;

    // Asks for window's display notifications and reads the power source.
    void Create(void* window, FXFramePacer* pacer);
    // Ends the notifications; leaves the display on in the pacer.
    void Destroy();
    // Takes a WM_POWERBROADCAST: true when it was one (its result is TRUE).
    bool Take(unsigned message, uintptr_t wParam, intptr_t lParam);

private:
    void* notification = nullptr;
    FXFramePacer* pacer = nullptr;

    void ReadPowerSource();
};

// A frame cap of the registry, value name beside "path" (a DWORD, or a
// string of a whole number): the user's, then the installer's; fallback
// when neither holds one that is 0 to 1000.
int fxWin32RegistryFps(const char* name, int fallback);
// An on/off value of the same key (a DWORD or a string, 0 or 1).
bool fxWin32RegistrySwitch(const char* name, bool fallback);
