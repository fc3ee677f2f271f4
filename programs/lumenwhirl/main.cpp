// lumenwhirl on Linux: the X11 saver in its run modes, the Wayland saver,
// or the headless recorder.
#include "platform/posix/fxSaverConfig.h"
#include "platform/x11/FXX11Saver.h"
#include "programs/record/fxRecordMain.h"
#include "render/FXFramePacer.h"
#ifdef LW_HAVE_WAYLAND
#include "platform/wayland/FXWaylandSaver.h"
#endif

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

const char* const kUsage =
    "usage: lumenwhirl [-s | -p ID | -c | -root | -window-id ID | --wayland [--idle SECONDS]] [option ...] | "
    "--record DIR [option ...]";

const char* const kSaverHelp =
    "\n"
    "The screen saver (the same switches with / instead of -):\n"
    "  -s                  full screen over the desktop; a key ends it at once,\n"
    "                      pointer movement, a button or focus loss after 4 s\n"
    "  -p ID               the preview inside the X window ID, ending with it\n"
    "  -c                  settings: there are none\n"
    "  -root, --root       as an xscreensaver hack into the root window, or into\n"
    "                      XSCREENSAVER_WINDOW when set; ends on SIGTERM/SIGINT\n"
    "  -window-id ID, --window-id ID\n"
    "                      as a hack into the window ID\n"
    "  --monitors each|span|primary\n"
    "                      full screen and as a hack: a show on each monitor\n"
    "                      with its own part of the desktop (the default), one\n"
    "                      show over all of them, or one on the primary monitor\n"
    "                      and the others black; wins over the key monitors of\n"
    "                      the configuration file\n"
    "  (none)              a normal window, closed by a key, its close button or\n"
    "                      the close rules\n"
    "  --desktop capture|none|\"picture FILE\"\n"
    "                      what the sheet shows: the desktop as captured (the\n"
    "                      default), the built-in picture (the screen is never\n"
    "                      read) or the picture FILE scaled to cover the screen;\n"
    "                      over the configuration file's key desktop. A hack\n"
    "                      left at capture follows xscreensaver's\n"
    "                      grabDesktopImages, chooseRandomImages, imageDirectory\n"
    "  register_scrsaver   anywhere: writes the configuration file that names the\n"
    "                      package folder and prints the line for xscreensaver\n"
    "  --max-fps N         at most N frames a second (0, the default: no limit;\n"
    "                      the configuration file's max_fps)\n"
    "  --battery-fps N     the same while on battery (default 30; battery_fps)\n"
    "  Nothing is drawn while the display is off (DPMS).\n"
#ifdef LW_HAVE_WAYLAND
    "  --wayland           on a Wayland compositor with the layer shell (sway,\n"
    "                      Hyprland, KDE): every output covered, the same close\n"
    "                      rules; the default with WAYLAND_DISPLAY and no DISPLAY\n"
    "  --wayland --idle SECONDS\n"
    "                      waits until the seat has been idle that long, shows\n"
    "                      until input, and waits again\n"
#endif
    "\n";

// An X window id, decimal or 0x hexadecimal: above 0 and within the 32 bits
// of the protocol.
bool localWindowId(const char* s, unsigned long* out)
{
    if (!s || !std::isdigit(static_cast<unsigned char>(*s)))
        return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(s, &end, 0);
    if (*end != '\0' || errno != 0 || v == 0 || v > 0xffffffffULL)
        return false;
    *out = static_cast<unsigned long>(v);
    return true;
}

// A frame cap from the configuration file into fps, which keeps its value
// when the key is not there or its value is no cap.
void localConfigFps(const char* key, int* fps)
{
    std::string text;
    if (!fxSaverConfigValue(key, &text))
        return;
    if (!FXFramePacer::ParseFps(text.c_str(), fps))
        std::fprintf(stderr, "lumenwhirl: %s in %s is \"%s\", not 0 to %d frames a second; it stays %d\n", key,
                     fxSaverConfigFile().c_str(), text.c_str(), static_cast<int>(FXFramePacer::kMaxFps), *fps);
}

} // namespace

#ifdef LW_HAVE_WAYLAND
// --wayland [--idle SECONDS], or nothing but -s with WAYLAND_DISPLAY and no
// DISPLAY: the Wayland saver's status; -1 when the switches are not its.
int localWayland(int argc, char** argv)
{
    bool wayland = false, idle = false;
    double seconds = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--wayland") == 0) {
            wayland = true;
        } else if (std::strcmp(argv[i], "--idle") == 0) {
            char* end = nullptr;
            seconds = i + 1 < argc ? std::strtod(argv[++i], &end) : 0;
            if (!end || *end != '\0' || !(seconds > 0 && seconds < 86400))
                return fxUsageError("--idle needs a number of seconds above 0", kUsage);
            idle = true;
        } else if (std::strcmp(argv[i], "-s") != 0 && std::strcmp(argv[i], "/s") != 0) {
            return -1;
        }
    }
    const char* wl = std::getenv("WAYLAND_DISPLAY");
    const char* x = std::getenv("DISPLAY");
    if (!wayland && !(wl && *wl && !(x && *x)))
        return -1;
    if (idle && !wayland)
        return -1;
    FXWaylandSaver saver(argv[0]);
    return idle ? saver.RunIdle(seconds) : saver.Run();
}
#endif

// The saver's switches; -1 when they are not the saver's.
int localSaver(int argc, char** argv)
{
    FXX11Saver saver(argv[0]);
    for (int i = 0; i < argc; ++i)
        if (std::strstr(argv[i], "register_scrsaver"))
            return saver.Install();
    FXX11Saver::Mode mode = FXX11Saver::kWindow;
    unsigned long target = 0;
    bool hack = false;
    int mainsFps = -1, batteryFps = -1; // -1: the configuration's
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "-s" || a == "/s" || a == "-S" || a == "/S") {
            mode = FXX11Saver::kFullScreen;
        } else if ((a == "-p" || a == "/p" || a == "-P" || a == "/P") && hasValue) {
            mode = FXX11Saver::kPreview;
            if (!localWindowId(argv[++i], &target))
                return fxUsageError("-p needs the id of the parent window", kUsage);
        } else if (a == "-c" || a == "/c" || a == "-C" || a == "/C") {
            std::printf("Lumenwhirl has no settings.\n");
            return 0;
        } else if (a == "-monitors" || a == "--monitors") {
            // Strict: one of the words, as it is, nothing around it.
            FXMonitorMode monitors = FXMonitorMode::each;
            std::string why;
            const char* v = hasValue ? argv[++i] : "";
            bool blank = !*v;
            for (const char* c = v; *c; ++c)
                blank = blank || std::isspace(static_cast<unsigned char>(*c));
            if (blank || !fxParseMonitorMode(v, &monitors, &why))
                return fxUsageError("--monitors needs each, span or primary", kUsage);
            saver.SetMonitorMode(monitors);
        } else if (a == "-root" || a == "--root") {
            hack = true;
        } else if (a == "--desktop" || a == "-desktop") {
            std::string why;
            if (!hasValue)
                return fxUsageError("--desktop needs capture, none or \"picture FILE\"", kUsage);
            if (!fxParseDesktopSetting(argv[++i], &saver.desktop, &why))
                return fxUsageError(("--" + why).c_str(), kUsage);
            // Named before the show moves the current directory.
            std::error_code ec;
            if (saver.desktop.source == FXDesktopSource::picture)
                saver.desktop.file = std::filesystem::absolute(saver.desktop.file, ec).string();
            saver.desktopGiven = true;
        } else if ((a == "-window-id" || a == "--window-id") && hasValue) {
            hack = true;
            if (!localWindowId(argv[++i], &target))
                return fxUsageError("-window-id needs the id of a window", kUsage);
        } else if ((a == "--max-fps" || a == "--battery-fps") && hasValue) {
            int& fps = a == "--max-fps" ? mainsFps : batteryFps;
            if (!FXFramePacer::ParseFps(argv[++i], &fps))
                return fxUsageError(a == "--max-fps" ? "--max-fps needs whole frames a second, 0 (no limit) to 1000"
                                                     : "--battery-fps needs whole frames a second, 0 (no limit) to 1000",
                                    kUsage);
        } else {
            return -1;
        }
    }
    if (hack && !target)
        if (const char* env = std::getenv("XSCREENSAVER_WINDOW"))
            if (*env && !localWindowId(env, &target))
                return fxUsageError("XSCREENSAVER_WINDOW is not the id of a window", kUsage);
    if (hack)
        mode = FXX11Saver::kHack;
    int configMains = 0, configBattery = FXFramePacer::kBatteryFpsDefault;
    if (mainsFps < 0)
        localConfigFps("max_fps", &configMains);
    if (batteryFps < 0)
        localConfigFps("battery_fps", &configBattery);
    fxFramePacer().SetCaps(mainsFps < 0 ? configMains : mainsFps, batteryFps < 0 ? configBattery : batteryFps);
    std::string text;
    bool pause = true;
    if (fxSaverConfigValue("pause_when_display_off", &text) && !FXFramePacer::ParseSwitch(text.c_str(), &pause))
        std::fprintf(stderr, "lumenwhirl: pause_when_display_off in %s is \"%s\", not 0 or 1; it stays 1\n",
                     fxSaverConfigFile().c_str(), text.c_str());
    fxFramePacer().SetPauseWhenOff(pause);
    return saver.Run(mode, target);
}

int main(int argc, char** argv)
{
    bool recording = false;
    for (int i = 1; i < argc; ++i)
        recording = recording || std::strcmp(argv[i], "--record") == 0 || std::strcmp(argv[i], "--help") == 0 ||
                    std::strcmp(argv[i], "-h") == 0;
    if (!recording) {
#ifdef LW_HAVE_WAYLAND
        int wayland = localWayland(argc, argv);
        if (wayland >= 0)
            return wayland;
#endif
        int status = localSaver(argc, argv);
        if (status >= 0)
            return status;
    }
    std::string help = std::string("usage: lumenwhirl [-s | -p ID | -c | -root | -window-id ID]\n"
                                   "                  [--monitors each|span|primary] [--desktop capture|none|\"picture FILE\"]\n"
                                   "                  [--max-fps N] [--battery-fps N]\n"
#ifdef LW_HAVE_WAYLAND
                                   "       lumenwhirl --wayland [--idle SECONDS]\n"
#endif
                                   "       ") +
                       kRecordUsage + kSaverHelp + kRecordHelp;
    return fxRecordMain(argc, argv, help.c_str(), kUsage);
}
