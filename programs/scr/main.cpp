// lwhirl.scr: the screen-saver library's part on Windows, written here
// (the mingw-w64 libscrnsave is an empty stub): the process entry, the
// standard switches, the saver window (full screen, or the preview child of
// a given window), the message loop and DefScreenSaverProc, which hands the
// pointer, buttons and focus to the saver's session. The rules stay there.
#include "base/fxPaths.h"
#include "base/fxTrace.h"
#include "host/FXRecordWindow.h"
#include "host/ScreenSaverProc.h"
#include "show/fxHostState.h"
#include "platform/win32/FXDDrawCapture.h"
#include "platform/win32/FXWglWindow.h"
#include "platform/win32/FXWin32Power.h"
#include "render/FXFramePacer.h"
#include "render/FXScrShot.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const char* const kClassName = "WindowsScreenSaverClass";

// "path" under scrRegName below root into buf; empty when there is none.
void localReadPath(HKEY root, char* buf, DWORD size)
{
    buf[0] = 0;
    HKEY key;
    if (RegOpenKeyExA(root, scrRegName, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    DWORD bytes = size - 1;
    if (RegQueryValueExA(key, "path", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &bytes) != ERROR_SUCCESS)
        bytes = 0;
    buf[bytes < size ? bytes : size - 1] = 0;
    RegCloseKey(key);
}

// Holds the render thread in its frame for good once it presents, as a
// driver stuck in the window system does: for the test that such a saver
// still ends. Set by the environment variable LUMENWHIRL_TEST_HOLD_FRAME.
class LocalHoldFrame : public PFrameListener {
public:
    void OnPresent(int, int) override
    {
        for (;;)
            Sleep(1000);
    }
};

class LocalHost : public PSaverHost {
public:
    std::unique_ptr<FXWglWindow> glWindow;
    LocalHoldFrame holdFrame;
    std::unique_ptr<FXRecordWindow> heldWindow;

    const char* CommandLine() override { return GetCommandLineA(); }
    void DestroyWindow(void* w) override { ::DestroyWindow(static_cast<HWND>(w)); }
    void ValidateRect(void* w) override { ::ValidateRect(static_cast<HWND>(w), nullptr); }
    long DefScreenSaverProc(void* w, unsigned m, uintptr_t wParam, intptr_t lParam) override;
    // The registry value "path": the user's own (HKCU), then the
    // installer's (HKLM); when neither names a folder that holds the
    // package, the folder of the .scr itself.
    void ReadConfig(char* path, int size) override
    {
        char user[520] = {0};
        char machine[520] = {0};
        localReadPath(HKEY_CURRENT_USER, user, sizeof user);
        localReadPath(HKEY_LOCAL_MACHINE, machine, sizeof machine);
        char own[MAX_PATH + 1] = {0};
        DWORD n = GetModuleFileNameA(nullptr, own, MAX_PATH);
        if (n == 0 || n >= MAX_PATH)
            own[0] = 0;
        else if (char* slash = std::strrchr(own, '\\'))
            *slash = 0;
        const char* folders[] = {user, machine, own};
        int i = fxFirstFolderHolding("lwhirl.dat", folders, 3);
        std::snprintf(path, static_cast<size_t>(size), "%s", i >= 0 ? folders[i] : user[0] ? user : machine);
    }
    // The shell installs the saver file that runs, from where it is.
    void Register(void* w) override
    {
        std::vector<wchar_t> path(MAX_PATH);
        DWORD n;
        while ((n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) >= path.size() &&
               path.size() < 32768)
            path.resize(path.size() * 2);
        if (n == 0 || n >= path.size()) {
            err("register_scrsaver: the saver cannot tell its own file name\n");
            return;
        }
        ShellExecuteW(static_cast<HWND>(w), L"install", path.data(), nullptr, nullptr, SW_SHOWNORMAL);
    }
    void* SceneWindow(void* w) override
    {
        glWindow = std::make_unique<FXWglWindow>(w);
        if (GetEnvironmentVariableA("LUMENWHIRL_TEST_HOLD_FRAME", nullptr, 0) == 0)
            return glWindow.get();
        heldWindow = std::make_unique<FXRecordWindow>(glWindow.get(), &holdFrame);
        return heldWindow.get();
    }
};

LocalHost localHost;
FXWin32Power localPower; // the display state and the power source, for the render loop

// The pointer, buttons, the wheel and the focus go to the session; the
// full-screen saver hides the cursor and refuses to be started again.
long LocalHost::DefScreenSaverProc(void* w, unsigned m, uintptr_t wParam, intptr_t lParam)
{
    HWND wnd = static_cast<HWND>(w);
    FXSaverSession& session = fxSaverSession();
    FXSaverSession::Answer answer = FXSaverSession::kNothing;
    switch (m) {
    case WM_MOUSEMOVE: {
        POINT p = {GET_X_LPARAM(static_cast<LPARAM>(lParam)), GET_Y_LPARAM(static_cast<LPARAM>(lParam))};
        ClientToScreen(wnd, &p);
        answer = session.Take(FXSaverInput::Pointer(p.x, p.y));
        break;
    }
    case WM_LBUTTONDOWN:
        answer = session.Take(FXSaverInput::Button(1));
        break;
    case WM_MBUTTONDOWN:
        answer = session.Take(FXSaverInput::Button(2));
        break;
    case WM_RBUTTONDOWN:
        answer = session.Take(FXSaverInput::Button(3));
        break;
    case WM_XBUTTONDOWN:
        answer = session.Take(FXSaverInput::Button(3 + GET_XBUTTON_WPARAM(static_cast<WPARAM>(wParam))));
        break;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        answer = session.Take(FXSaverInput::Wheel(GET_WHEEL_DELTA_WPARAM(static_cast<WPARAM>(wParam)) / WHEEL_DELTA));
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            answer = session.Take(FXSaverInput::FocusLost());
        break;
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
        if (wParam == FALSE)
            answer = session.Take(FXSaverInput::FocusLost());
        break;
    case WM_SETCURSOR:
        if (!fChildPreview) {
            SetCursor(nullptr);
            return TRUE;
        }
        break;
    case WM_SYSCOMMAND:
        if (!fChildPreview && (wParam == SC_SCREENSAVE || wParam == SC_CLOSE))
            return 0;
        break;
    default:
        break;
    }
    // As the library does: a close request, posted. Destroying the window
    // here, inside its activation messages, would re-enter them.
    if (answer == FXSaverSession::kClose) {
        PostMessageA(wnd, WM_CLOSE, 0, 0);
        return 0;
    }
    return static_cast<long>(DefWindowProcA(wnd, m, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

LRESULT CALLBACK localWndProc(HWND w, UINT m, WPARAM wParam, LPARAM lParam)
{
    if (localPower.Take(m, static_cast<uintptr_t>(wParam), static_cast<intptr_t>(lParam)))
        return TRUE;
    long r = ScreenSaverProc(w, m, static_cast<uintptr_t>(wParam), static_cast<intptr_t>(lParam));
    if (m == WM_DESTROY) {
        localPower.Destroy();
        if (r != 0) {
            // The render thread is stuck in a frame: the way out through
            // WinMain and the destructors would wait for it. No exit code
            // of the runtime's either: it detaches the DLLs, the driver's too.
            std::fputs("lumenwhirl: the render thread is blocked in the window system; the saver ends\n", stderr);
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 1);
        }
        PostQuitMessage(0);
        return 0;
    }
    return r;
}

// The switch letter after '/' or '-' (lower case), and the window handle
// that follows it as " <hwnd>" or ":<hwnd>"; 0 when there is no switch.
char localSwitch(const char* line, HWND* arg)
{
    *arg = nullptr;
    // Skip the program name, quoted or not.
    const char* p = line;
    if (*p == '"') {
        p = std::strchr(p + 1, '"');
        p = p ? p + 1 : line + std::strlen(line);
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    for (; *p; ++p) {
        if ((*p == '/' || *p == '-') && std::isalpha(static_cast<unsigned char>(p[1]))) {
            char c = static_cast<char>(std::tolower(static_cast<unsigned char>(p[1])));
            const char* q = p + 2;
            while (*q == ' ' || *q == ':')
                ++q;
            *arg = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(q, nullptr, 10)));
            return c;
        }
    }
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const char* line = GetCommandLineA();
    HWND arg = nullptr;
    char mode = localSwitch(line, &arg);
    // The library takes the s of "register_scrsaver" as the full-screen switch.
    if (std::strstr(line, "register_scrsaver"))
        mode = 's';
    if (mode != 's' && mode != 'p')
        return 0; // configure (/c, none) and password (/a): there are no settings
    if (mode == 'p' && !IsWindow(arg))
        return 0;
    RegisterDialogClasses(instance);
    fxSetSaverHost(&localHost);
    FXDDrawCapture capture;
    fxSetScreenCapture(&capture);

    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = localWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(101));
    wc.hCursor = nullptr;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);

    char title[64] = "Lumenwhirl";
    LoadStringA(instance, 1, title, sizeof title);
    HWND wnd;
    if (mode == 'p') {
        fChildPreview = 1;
        RECT r;
        GetClientRect(arg, &r);
        wnd = CreateWindowExA(0, kClassName, title, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, r.right, r.bottom,
                              arg, nullptr, instance, nullptr);
    } else {
        // Created hidden: the capture inside WM_CREATE sees the desktop.
        wnd = CreateWindowExA(WS_EX_TOPMOST, kClassName, title, WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                              GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance, nullptr);
        if (wnd) {
            POINT p;
            if (GetCursorPos(&p))
                fxSaverSession().SetPointerOrigin(p.x, p.y);
            ShowWindow(wnd, SW_SHOW);
            SetForegroundWindow(wnd);
            ShowCursor(FALSE);
        }
    }
    if (!wnd) {
        fxSetScreenCapture(nullptr);
        return 0;
    }
    // Once the trace log is open, to say what was wrong with a value; the
    // few frames before are not capped.
    fxFramePacer().SetCaps(fxWin32RegistryFps("max_fps", 0),
                           fxWin32RegistryFps("battery_fps", FXFramePacer::kBatteryFpsDefault));
    fxFramePacer().SetPauseWhenOff(fxWin32RegistrySwitch("pause_when_display_off", true));
    localPower.Create(wnd, &fxFramePacer());
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    fxSetScreenCapture(nullptr);
    fxSetSaverHost(nullptr);
    return 0;
}
