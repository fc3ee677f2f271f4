// Per-monitor DPI awareness at run time, for systems that do not take it
// from the .scr's manifest: without it Windows gives a scaled display a
// smaller screen and stretches the saver's frames. Call before the first
// window; each entry point is looked up, so the program runs on every
// Windows version and takes the best it offers.
#pragma once

enum class FXDpiAwareness { unaware, system, perMonitor, perMonitorV2 };

// Leaves an awareness the manifest gave alone; otherwise asks for
// PerMonitorV2 (SetProcessDpiAwarenessContext, Windows 10 1703), then
// per-monitor (the same, then SetProcessDpiAwareness, Windows 8.1), then
// system awareness (SetProcessDPIAware, Vista). Returns the awareness in
// effect afterwards.
FXDpiAwareness fxWin32SetDpiAware();
// The process's awareness as the newest interface the system has tells it.
FXDpiAwareness fxWin32DpiAwareness();
// "unaware", "system", "per-monitor", "per-monitor v2".
const char* fxDpiAwarenessName(FXDpiAwareness awareness);
