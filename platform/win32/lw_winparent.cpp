// lw_winparent: a plain window for testing the saver's preview under wine:
// prints its handle, then destroys itself after the given seconds.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

LRESULT CALLBACK localProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_TIMER)
        DestroyWindow(w);
    else if (m == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(w, m, wp, lp);
}

} // namespace

int main(int argc, char** argv)
{
    int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = localProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "lwparent";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "lwparent", "lwparent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 240, nullptr,
                             nullptr, wc.hInstance, nullptr);
    if (!w)
        return 1;
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(w)));
    std::fflush(stdout);
    SetTimer(w, 1, static_cast<UINT>(seconds * 1000), nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
