// lwhirl.scr: the screen-saver library's part on Windows, written here
// (the mingw-w64 libscrnsave is an empty stub): the process entry, the
// standard switches, the saver window (full screen, or the preview child of
// a given window), the message loop and DefScreenSaverProc, which hands the
// pointer, buttons and focus to the saver's session. The rules stay there.
// Full screen, the saver window covers the whole virtual screen, black,
// with a show on a window of its own over each viewport of the monitor
// layout (or on the saver window itself when one show covers it all).
#include "base/fxPaths.h"
#include "base/fxTrace.h"
#include "host/FXRecordWindow.h"
#include "host/FXRecorder.h"
#include "host/FXShowSet.h"
#include "host/ScreenSaverProc.h"
#include "host/fxMonitorLayout.h"
#include "host/FXPictureCapture.h"
#include "platform/win32/FXGdiCapture.h"
#include "platform/win32/FXWglWindow.h"
#include "platform/win32/fxWin32Dpi.h"
#include "render/FXCanvas.h"
#include "render/fxDevil.h"
#include "show/fxHostState.h"
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
const char* const kViewClassName = "LumenwhirlViewport";

// The value name under scrRegName below root into buf: false, buf empty,
// when there is none.
bool localReadValue(HKEY root, const char* name, char* buf, DWORD size)
{
    buf[0] = 0;
    HKEY key;
    if (RegOpenKeyExA(root, scrRegName, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD bytes = size - 1;
    bool found = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &bytes) == ERROR_SUCCESS;
    if (!found)
        bytes = 0;
    buf[bytes < size ? bytes : size - 1] = 0;
    RegCloseKey(key);
    return found;
}

// A setting beside "path": the user's (HKCU), else the installer's (HKLM).
std::string localSetting(const char* name)
{
    char buf[1024];
    if (localReadValue(HKEY_CURRENT_USER, name, buf, sizeof buf) ||
        localReadValue(HKEY_LOCAL_MACHINE, name, buf, sizeof buf))
        return buf;
    return std::string();
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
    LocalHoldFrame holdFrame;
    std::vector<std::unique_ptr<FXWglWindow>> glWindows;
    std::vector<std::unique_ptr<FXRecordWindow>> heldWindows;

    // The device's window on w; held in its frame for the test that asks.
    void* GLWindow(HWND w)
    {
        glWindows.push_back(std::make_unique<FXWglWindow>(w));
        if (GetEnvironmentVariableA("LUMENWHIRL_TEST_HOLD_FRAME", nullptr, 0) == 0)
            return glWindows.back().get();
        heldWindows.push_back(std::make_unique<FXRecordWindow>(glWindows.back().get(), &holdFrame));
        return heldWindows.back().get();
    }
    void ReleaseGLWindows()
    {
        heldWindows.clear();
        glWindows.clear();
    }

    const char* CommandLine() override { return GetCommandLineA(); }
    void DestroyWindow(void* w) override;
    void ValidateRect(void* w) override { ::ValidateRect(static_cast<HWND>(w), nullptr); }
    long DefScreenSaverProc(void* w, unsigned m, uintptr_t wParam, intptr_t lParam) override;
    // The registry value "path": the user's own (HKCU), then the
    // installer's (HKLM); when neither names a folder that holds the
    // package, the folder of the .scr itself.
    void ReadConfig(char* path, int size) override
    {
        char user[520] = {0};
        char machine[520] = {0};
        localReadValue(HKEY_CURRENT_USER, "path", user, sizeof user);
        localReadValue(HKEY_LOCAL_MACHINE, "path", machine, sizeof machine);
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
    // The preview draws on its window; full screen the saver window is
    // the parent of the shows' windows (localStartShows).
    void* SceneWindow(void* w) override { return fChildPreview ? GLWindow(static_cast<HWND>(w)) : w; }
};

LocalHost localHost;
FXWin32Power localPower; // the display state and the power source, for the render loop

BOOL CALLBACK localAddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list)
{
    MONITORINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info)) {
        FXMonitor m;
        m.rect.Set(info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom);
        m.primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
        reinterpret_cast<std::vector<FXMonitor>*>(list)->push_back(m);
    }
    return TRUE;
}

// The monitors as the system lists them. LUMENWHIRL_TEST_MONITORS replaces
// them with "WxH+X+Y,..." (the first one primary), for tests on a system
// that has one monitor where the screen holds several.
std::vector<FXMonitor> localMonitors()
{
    std::vector<FXMonitor> list;
    char fake[512];
    DWORD n = GetEnvironmentVariableA("LUMENWHIRL_TEST_MONITORS", fake, sizeof fake);
    if (n > 0 && n < sizeof fake) {
        const char* p = fake;
        int w, h, x, y, used;
        while (std::sscanf(p, " %dx%d%d%d%n", &w, &h, &x, &y, &used) == 4 && w > 0 && h > 0) {
            FXMonitor m;
            m.rect.Set(x, y, x + w, y + h);
            m.primary = list.empty();
            list.push_back(m);
            p += used;
            while (*p == ',' || *p == ' ')
                ++p;
        }
        return list;
    }
    EnumDisplayMonitors(nullptr, nullptr, localAddMonitor, reinterpret_cast<LPARAM>(&list));
    return list;
}

// What stands in for the desktop when it is not read: w x h pixels of the
// built-in picture, or a picture file. A file that cannot be decoded gives
// the built-in picture. Every viewport then shows the whole file.
bool localDesktopPicture(const FXDesktopSetting& setting, int w, int h, FXPictureCapture* out)
{
    if (setting.source == FXDesktopSource::picture) {
        // The codec is bound by the shows only once they build.
        fxLoadDevil();
        FXCanvas c;
        c.detectMaskNames = false;
        bool ok = c.CreateFromPict(setting.file.c_str()) && c.GetWidth() > 0 && c.GetHeight() > 0;
        std::vector<uint32_t> pixels;
        if (ok) {
            pixels.resize(static_cast<size_t>(c.GetWidth()) * c.GetHeight());
            for (int y = 0; y < c.GetHeight(); ++y)
                std::memcpy(&pixels[static_cast<size_t>(y) * c.GetWidth()], c.pixmap.Row(y),
                            4 * static_cast<size_t>(c.GetWidth()));
            out->SetPixels(c.GetWidth(), c.GetHeight(), pixels.data());
        }
        fxUnloadDevil();
        if (ok) {
            trc("desktop: the picture %s, %d x %d\n", setting.file.c_str(), c.GetWidth(), c.GetHeight());
            return true;
        }
        err("desktop: cannot decode the picture %s; the built-in picture instead\n", setting.file.c_str());
    }
    std::vector<uint32_t> builtIn = fxTestDesktop(w, h);
    out->SetPixels(w, h, builtIn.data());
    trc("desktop: the built-in picture\n");
    return false;
}

// The full-screen shows, each on a window of its own over its viewport:
// popups owned by the saver window, so that they stay above it, and never
// active, so that the keys and the focus stay with it. (Not child windows:
// wine does not show GL drawn into a child window.)
class LocalShows {
public:
    HWND parent = nullptr;
    std::vector<HWND> views;
    FXShowSet set;

    void Create(HWND saver);
    // Shows the views once the saver window is on the screen.
    void Show();
    // Windows destroys owned windows before their owner: the saver window
    // lets them go first, and Destroy ends them after their shows.
    void Disown();
    bool Destroy();
    // After a change of the display: the saver window over the new virtual
    // screen; the shows stay where they are. A part that is new is black.
    void Follow();
};

LocalShows localShows;

void LocalShows::Create(HWND saver)
{
    parent = saver;
    // The capture's errors go to the log of the shows that follow.
    fxInitPaths();
    fxSetTypePath(1, vornPath);
    fxOpenTracesIn(fxGetTypePath(1), logsFile);
    trc("DPI awareness: %s\n", fxDpiAwarenessName(fxWin32DpiAwareness()));
    std::string why;
    FXMonitorMode mode;
    std::string text = localSetting("monitors");
    if (!fxParseMonitorMode(text.c_str(), &mode, &why))
        err("monitors \"%s\": %s; each monitor its own show instead\n", text.c_str(), why.c_str());
    FXDesktopSetting desktop;
    text = localSetting("desktop");
    if (!fxParseDesktopSetting(text.c_str(), &desktop, &why))
        err("desktop \"%s\": %s; the desktop is captured instead\n", text.c_str(), why.c_str());
    FXRect screen = fxWin32VirtualScreen();
    std::vector<FXMonitor> monitors = localMonitors();
    FXMonitorLayout layout = fxLayoutMonitors(monitors, screen, screen, mode);
    trc("virtual screen %d x %d at %d, %d; %d monitors; %s; %d viewports\n", screen.right - screen.left,
        screen.bottom - screen.top, screen.left, screen.top, static_cast<int>(monitors.size()),
        mode == FXMonitorMode::span ? "span" : mode == FXMonitorMode::primary ? "primary" : "each",
        static_cast<int>(layout.viewports.size()));
    FXGdiCapture capture;
    FXPictureCapture picture;
    PScreenCapture* source = &capture;
    if (desktop.source != FXDesktopSource::capture) {
        source = &picture;
        if (localDesktopPicture(desktop, screen.right - screen.left, screen.bottom - screen.top, &picture)) {
            int w = 0, h = 0;
            picture.Begin(&w, &h, &why);
            picture.End();
            for (FXViewport& v : layout.viewports)
                v.source.Set(0, 0, w, h);
        }
    }
    std::vector<void*> windows;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(saver, GWLP_HINSTANCE));
    // One show over the whole window draws on the window itself, as on a
    // single monitor; otherwise each show gets a window of its own.
    FXRect whole;
    whole.Set(0, 0, screen.right - screen.left, screen.bottom - screen.top);
    const FXRect& first = layout.viewports.empty() ? whole : layout.viewports[0].rect;
    bool onSaver = layout.viewports.size() == 1 && first.left == 0 && first.top == 0 &&
                   first.right == whole.right && first.bottom == whole.bottom;
    if (onSaver)
        windows.push_back(localHost.GLWindow(saver));
    for (size_t i = onSaver ? 1 : 0; i < layout.viewports.size(); ++i) {
        const FXViewport& v = layout.viewports[i];
        HWND view = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kViewClassName, "",
                                    WS_POPUP, screen.left + v.rect.left, screen.top + v.rect.top,
                                    v.rect.right - v.rect.left, v.rect.bottom - v.rect.top, saver, nullptr,
                                    instance, nullptr);
        if (!view) {
            err("no window for the show at %d, %d\n", v.rect.left, v.rect.top);
            continue;
        }
        views.push_back(view);
        windows.push_back(localHost.GLWindow(view));
    }
    // The windows are not on the screen yet: the capture sees the desktop.
    set.Create(layout, windows, source);
}

void LocalShows::Show()
{
    for (HWND v : views)
        ShowWindow(v, SW_SHOWNOACTIVATE);
}

void LocalShows::Disown()
{
    for (HWND v : views)
        SetWindowLongPtrA(v, GWLP_HWNDPARENT, 0);
}

bool LocalShows::Destroy()
{
    if (!set.Destroy())
        return false;
    localHost.ReleaseGLWindows();
    for (HWND v : views)
        ::DestroyWindow(v);
    views.clear();
    parent = nullptr;
    return true;
}

void LocalShows::Follow()
{
    if (!parent)
        return;
    FXRect screen = fxWin32VirtualScreen();
    SetWindowPos(parent, nullptr, screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    trc("display changed: the virtual screen is %d x %d at %d, %d\n", screen.right - screen.left,
        screen.bottom - screen.top, screen.left, screen.top);
}

void localStartShows(void* window, bool)
{
    localShows.Create(static_cast<HWND>(window));
}

bool localEndShows()
{
    return localShows.Destroy();
}

void LocalHost::DestroyWindow(void* w)
{
    if (!fChildPreview)
        localShows.Disown();
    ::DestroyWindow(static_cast<HWND>(w));
}

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
    case WM_DISPLAYCHANGE:
        if (!fChildPreview)
            localShows.Follow();
        break;
    default:
        break;
    }
    // As the library does: a close request, posted. Destroying the window
    // here, inside its activation messages, would re-enter them.
    if (answer == FXSaverSession::kClose) {
        trc("close asked for by message 0x%04x\n", m);
        PostMessageA(wnd, WM_CLOSE, 0, 0);
        return 0;
    }
    return static_cast<long>(DefWindowProcA(wnd, m, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

LRESULT CALLBACK localWndProc(HWND w, UINT m, WPARAM wParam, LPARAM lParam)
{
    if (localPower.Take(m, static_cast<uintptr_t>(wParam), static_cast<intptr_t>(lParam)))
        return TRUE;
    // Full screen, what no show covers is black; the shows' windows are
    // clipped out.
    if (m == WM_PAINT && !fChildPreview) {
        PAINTSTRUCT ps;
        if (HDC dc = BeginPaint(w, &ps)) {
            FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            EndPaint(w, &ps);
        }
        return 0;
    }
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

// A show's window: what the user does on it is done on the saver window,
// the pointer in the saver window's coordinates.
LRESULT CALLBACK localViewProc(HWND w, UINT m, WPARAM wParam, LPARAM lParam)
{
    HWND saver = localShows.parent;
    if (!saver)
        return DefWindowProcA(w, m, wParam, lParam);
    switch (m) {
    case WM_ERASEBKGND:
        return 1; // the show draws every pixel
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_PAINT:
        ValidateRect(w, nullptr);
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_XBUTTONDOWN: {
        POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        MapWindowPoints(w, saver, &p, 1);
        WORD x = static_cast<WORD>(static_cast<short>(p.x)), y = static_cast<WORD>(static_cast<short>(p.y));
        return SendMessageA(saver, m, wParam, MAKELPARAM(x, y));
    }
    case WM_SETCURSOR:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        return SendMessageA(saver, m, wParam, lParam);
    default:
        return DefWindowProcA(w, m, wParam, lParam);
    }
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
    // Before any window: the sizes below, the capture and the frames are
    // then in physical pixels on a scaled display.
    fxWin32SetDpiAware();
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
    if (mode == 's')
        fxSetSaverScene(localStartShows, localEndShows);

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
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = localViewProc;
    wc.hIcon = nullptr;
    wc.lpszClassName = kViewClassName;
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
        FXRect screen = fxWin32VirtualScreen();
        wnd = CreateWindowExA(WS_EX_TOPMOST, kClassName, title, WS_POPUP | WS_CLIPCHILDREN, screen.left, screen.top,
                              screen.right - screen.left, screen.bottom - screen.top, nullptr, nullptr, instance,
                              nullptr);
        if (wnd) {
            POINT p;
            if (GetCursorPos(&p))
                fxSaverSession().SetPointerOrigin(p.x, p.y);
            ShowWindow(wnd, SW_SHOW);
            localShows.Show();
            SetForegroundWindow(wnd);
            ShowCursor(FALSE);
        }
    }
    if (!wnd)
        return 0;
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
    fxSetSaverHost(nullptr);
    return 0;
}
