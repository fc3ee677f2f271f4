// The saver window procedure of the Windows screen-saver library: it starts
// the show on the window's creation and ends it with the window, and hands
// keys and close requests to the process's FXSaverSession, which holds the
// rules. Bound to the window system by a PSaverHost (the library's part and
// the services behind it), so that it runs in tests without one.
#pragma once

#include "host/FXSaverSession.h"

#include <cstdint>

// The messages it handles, with Windows' numbers so the Windows host passes
// its own through unchanged.
enum : unsigned {
    kWmCreate = 0x0001,
    kWmDestroy = 0x0002,
    kWmPaint = 0x000F,
    kWmClose = 0x0010,
    kWmEraseBkgnd = 0x0014,
    kWmKeyDown = 0x0100,
    kWmKeyUp = 0x0101,
    kWmChar = 0x0102,
    kWmSysKeyDown = 0x0104,
    kWmSysKeyUp = 0x0105,
    kWmSysChar = 0x0106,
};

class PSaverHost {
public:
    virtual ~PSaverHost() {}
    // The whole command line as one text.
    virtual const char* CommandLine() = 0;
    virtual void DestroyWindow(void* window) = 0;
    virtual void ValidateRect(void* window) = 0;
    // The library's default handling of everything the saver does not
    // consume; it hands the pointer, buttons and focus to fxSaverSession().
    virtual long DefScreenSaverProc(void* window, unsigned message, uintptr_t wParam, intptr_t lParam) = 0;
    // The install folder into path (size bytes); empty when there is none.
    virtual void ReadConfig(char* path, int size) = 0;
    // Installs the saver where the system looks for it.
    virtual void Register(void* window) = 0;
    // The drawing window the scene is given for this saver window.
    virtual void* SceneWindow(void* window) = 0;
};

// The screen-saver library's flag: the saver runs as a preview child.
extern int fChildPreview;

void fxSetSaverHost(PSaverHost* host);
// The session of the saver window, made anew on its creation: full screen,
// or the preview when fChildPreview is set.
FXSaverSession& fxSaverSession();

// kWmDestroy returns 0 once the scene is released, 1 when its render thread
// is stuck in a frame: the host must then end the process at once, without
// destructors (they would wait for that thread or pull objects from under it).
long ScreenSaverProc(void* window, unsigned message, uintptr_t wParam, intptr_t lParam);
// The saver has no settings: false for every message.
bool ScreenSaverConfigureDialog(void* dialog, unsigned message, uintptr_t wParam, intptr_t lParam);
// Nothing to register.
bool RegisterDialogClasses(void* instance);

void localReadConfig();
void localRegister(void* window);
