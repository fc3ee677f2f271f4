// lw_winparent: windows and messages for testing the saver under wine.
//   lw_winparent [SECONDS]      a plain window that prints its handle, then
//                               destroys itself after SECONDS (default 5):
//                               the preview's parent
//   lw_winparent focus SECONDS  the same window, brought to the front: the
//                               saver loses the focus to it
//   lw_winparent close [HWND]   posts WM_CLOSE to the saver's window, the
//                               top-level one or the one inside HWND; exit
//                               status 1 when there is none
//   lw_winparent display        sends the top-level saver window the
//                               message of a changed display
//   lw_winparent rect           prints the top-level saver window's
//                               rectangle on the screen, "L T R B", then
//                               one line for each visible window it owns
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kSaverClass = "WindowsScreenSaverClass";

LRESULT CALLBACK localProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_TIMER)
        DestroyWindow(w);
    else if (m == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(w, m, wp, lp);
}

int localClose(const char* parent)
{
    HWND in = parent ? reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(parent, nullptr, 10))) : nullptr;
    HWND saver = in ? FindWindowExA(in, nullptr, kSaverClass, nullptr) : FindWindowA(kSaverClass, nullptr);
    if (!saver || !PostMessageA(saver, WM_CLOSE, 0, 0)) {
        std::fprintf(stderr, "lw_winparent: no saver window\n");
        return 1;
    }
    return 0;
}

BOOL CALLBACK localPrintOwned(HWND w, LPARAM owner)
{
    RECT r;
    if (GetWindow(w, GW_OWNER) == reinterpret_cast<HWND>(owner) && IsWindowVisible(w) && GetWindowRect(w, &r))
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return TRUE;
}

int localDisplayChanged()
{
    HWND saver = FindWindowA(kSaverClass, nullptr);
    if (!saver) {
        std::fprintf(stderr, "lw_winparent: no saver window\n");
        return 1;
    }
    SendMessageA(saver, WM_DISPLAYCHANGE, 32, MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
    return 0;
}

int localRect()
{
    HWND saver = FindWindowA(kSaverClass, nullptr);
    RECT r;
    if (!saver || !GetWindowRect(saver, &r)) {
        std::fprintf(stderr, "lw_winparent: no saver window\n");
        return 1;
    }
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    EnumWindows(localPrintOwned, reinterpret_cast<LPARAM>(saver));
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "close") == 0)
        return localClose(argc > 2 ? argv[2] : nullptr);
    if (argc > 1 && std::strcmp(argv[1], "display") == 0)
        return localDisplayChanged();
    if (argc > 1 && std::strcmp(argv[1], "rect") == 0)
        return localRect();
    bool focus = argc > 1 && std::strcmp(argv[1], "focus") == 0;
    const char* time = argc > (focus ? 2 : 1) ? argv[focus ? 2 : 1] : "5";
    int seconds = std::atoi(time);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = localProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "lwparent";
    RegisterClassA(&wc);
    DWORD ex = focus ? WS_EX_TOPMOST : 0;
    HWND w = CreateWindowExA(ex, "lwparent", "lwparent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 240, nullptr,
                             nullptr, wc.hInstance, nullptr);
    if (!w)
        return 1;
    if (focus)
        SetForegroundWindow(w);
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(w)));
    std::fflush(stdout);
    SetTimer(w, 1, static_cast<UINT>(seconds * 1000), nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
