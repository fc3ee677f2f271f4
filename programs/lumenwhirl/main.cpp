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
    "                      full screen, as a hack and on Wayland (where span is\n"
    "                      each): a show on each monitor\n"
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
    "                      until input, and waits again; both take --monitors,\n"
    "                      --desktop, --max-fps and --battery-fps\n"
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

// The saver's switches, for the X11 and the Wayland saver alike.
struct LocalOptions {
    FXX11Saver::Mode mode = FXX11Saver::kWindow;
    unsigned long target = 0;
    bool hack = false;
    bool settings = false; // -c
    bool monitorsGiven = false;
    FXMonitorMode monitors = FXMonitorMode::each;
    bool desktopGiven = false;
    FXDesktopSetting desktop;
    int mainsFps = -1, batteryFps = -1; // -1: the configuration's
    bool wayland = false;
    double idleSeconds = 0; // 0: no --idle
};

// 0 when every switch is the saver's, -1 when one is not, else the status
// of a usage error.
int localParse(int argc, char** argv, LocalOptions* o)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "-s" || a == "/s" || a == "-S" || a == "/S") {
            o->mode = FXX11Saver::kFullScreen;
        } else if ((a == "-p" || a == "/p" || a == "-P" || a == "/P") && hasValue) {
            o->mode = FXX11Saver::kPreview;
            if (!localWindowId(argv[++i], &o->target))
                return fxUsageError("-p needs the id of the parent window", kUsage);
        } else if (a == "-c" || a == "/c" || a == "-C" || a == "/C") {
            o->settings = true;
        } else if (a == "-monitors" || a == "--monitors") {
            // Strict: one of the words, as it is, nothing around it.
            std::string why;
            const char* v = hasValue ? argv[++i] : "";
            bool blank = !*v;
            for (const char* c = v; *c; ++c)
                blank = blank || std::isspace(static_cast<unsigned char>(*c));
            if (blank || !fxParseMonitorMode(v, &o->monitors, &why))
                return fxUsageError("--monitors needs each, span or primary", kUsage);
            o->monitorsGiven = true;
        } else if (a == "-root" || a == "--root") {
            o->hack = true;
        } else if (a == "--desktop" || a == "-desktop") {
            std::string why;
            if (!hasValue)
                return fxUsageError("--desktop needs capture, none or \"picture FILE\"", kUsage);
            if (!fxParseDesktopSetting(argv[++i], &o->desktop, &why))
                return fxUsageError(("--" + why).c_str(), kUsage);
            // Named before the show moves the current directory.
            std::error_code ec;
            if (o->desktop.source == FXDesktopSource::picture)
                o->desktop.file = std::filesystem::absolute(o->desktop.file, ec).string();
            o->desktopGiven = true;
        } else if ((a == "-window-id" || a == "--window-id") && hasValue) {
            o->hack = true;
            if (!localWindowId(argv[++i], &o->target))
                return fxUsageError("-window-id needs the id of a window", kUsage);
        } else if ((a == "--max-fps" || a == "--battery-fps") && hasValue) {
            int& fps = a == "--max-fps" ? o->mainsFps : o->batteryFps;
            if (!FXFramePacer::ParseFps(argv[++i], &fps))
                return fxUsageError(a == "--max-fps" ? "--max-fps needs whole frames a second, 0 (no limit) to 1000"
                                                     : "--battery-fps needs whole frames a second, 0 (no limit) to 1000",
                                    kUsage);
#ifdef LW_HAVE_WAYLAND
        } else if (a == "--wayland") {
            o->wayland = true;
        } else if (a == "--idle") {
            char* end = nullptr;
            o->idleSeconds = hasValue ? std::strtod(argv[++i], &end) : 0;
            if (!end || *end != '\0' || !(o->idleSeconds > 0 && o->idleSeconds < 86400))
                return fxUsageError("--idle needs a number of seconds above 0", kUsage);
#endif
        } else {
            return -1;
        }
    }
    return 0;
}

// The frame caps and the display-off pause: the command line's, else the
// configuration file's.
void localSetPacing(const LocalOptions& o)
{
    int configMains = 0, configBattery = FXFramePacer::kBatteryFpsDefault;
    if (o.mainsFps < 0)
        localConfigFps("max_fps", &configMains);
    if (o.batteryFps < 0)
        localConfigFps("battery_fps", &configBattery);
    fxFramePacer().SetCaps(o.mainsFps < 0 ? configMains : o.mainsFps, o.batteryFps < 0 ? configBattery : o.batteryFps);
    std::string text;
    bool pause = true;
    if (fxSaverConfigValue("pause_when_display_off", &text) && !FXFramePacer::ParseSwitch(text.c_str(), &pause))
        std::fprintf(stderr, "lumenwhirl: pause_when_display_off in %s is \"%s\", not 0 or 1; it stays 1\n",
                     fxSaverConfigFile().c_str(), text.c_str());
    fxFramePacer().SetPauseWhenOff(pause);
}

// The saver the switches ask for: its exit status.
int localSaver(const LocalOptions& o, const char* argv0)
{
    if (o.settings) {
        std::printf("Lumenwhirl has no settings.\n");
        return 0;
    }
    bool covering = !o.hack && o.mode != FXX11Saver::kPreview;
#ifdef LW_HAVE_WAYLAND
    // Nothing but a full screen on a Wayland session without X: Wayland's.
    const char* wl = std::getenv("WAYLAND_DISPLAY");
    const char* x = std::getenv("DISPLAY");
    bool wayland = o.wayland || (covering && wl && *wl && !(x && *x));
    if (wayland && !covering)
        return fxUsageError("--wayland covers every output: not with -p, -root or -window-id", kUsage);
    if (o.idleSeconds > 0 && !wayland)
        return fxUsageError("--idle is the Wayland saver's: with --wayland", kUsage);
    if (wayland) {
        localSetPacing(o);
        FXWaylandSaver saver(argv0);
        if (o.monitorsGiven)
            saver.SetMonitorMode(o.monitors);
        saver.desktop = o.desktop;
        saver.desktopGiven = o.desktopGiven;
        return o.idleSeconds > 0 ? saver.RunIdle(o.idleSeconds) : saver.Run();
    }
#endif
    (void)covering;
    FXX11Saver saver(argv0);
    if (o.monitorsGiven)
        saver.SetMonitorMode(o.monitors);
    saver.desktop = o.desktop;
    saver.desktopGiven = o.desktopGiven;
    unsigned long target = o.target;
    if (o.hack && !target)
        if (const char* env = std::getenv("XSCREENSAVER_WINDOW"))
            if (*env && !localWindowId(env, &target))
                return fxUsageError("XSCREENSAVER_WINDOW is not the id of a window", kUsage);
    localSetPacing(o);
    return saver.Run(o.hack ? FXX11Saver::kHack : o.mode, target);
}

} // namespace

int main(int argc, char** argv)
{
    bool recording = false;
    for (int i = 1; i < argc; ++i)
        recording = recording || std::strcmp(argv[i], "--record") == 0 || std::strcmp(argv[i], "--help") == 0 ||
                    std::strcmp(argv[i], "-h") == 0;
    if (!recording) {
        for (int i = 0; i < argc; ++i)
            if (std::strstr(argv[i], "register_scrsaver"))
                return FXX11Saver(argv[0]).Install();
        LocalOptions options;
        int parsed = localParse(argc, argv, &options);
        if (parsed > 0)
            return parsed;
        if (parsed == 0)
            return localSaver(options, argv[0]);
    }
    std::string help = std::string("usage: lumenwhirl [-s | -p ID | -c | -root | -window-id ID]\n"
                                   "                  [--monitors each|span|primary] [--desktop capture|none|\"picture FILE\"]\n"
                                   "                  [--max-fps N] [--battery-fps N]\n"
#ifdef LW_HAVE_WAYLAND
                                   "       lumenwhirl --wayland [--idle SECONDS] [--monitors ...] [--desktop ...]\n"
                                   "                  [--max-fps N] [--battery-fps N]\n"
#endif
                                   "       ") +
                       kRecordUsage + kSaverHelp + kRecordHelp;
    return fxRecordMain(argc, argv, help.c_str(), kUsage);
}
