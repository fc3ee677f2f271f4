// lumenwhirl on Linux: the X11 saver in its run modes, or the headless
// recorder.
#include "base/fxTrace.h"
#include "host/FXRecorder.h"
#include "show/fxHostState.h"
#include "platform/egl/FXEglWindow.h"
#include "platform/fxSystem.h"
#include "platform/posix/fxSaverConfig.h"
#include "platform/x11/FXX11Saver.h"
#include "show/Scene.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

const char* const kHelp =
    "usage: lumenwhirl [-s | -p ID | -c | -root | -window-id ID]\n"
    "       lumenwhirl --record DIR [--frames N] [--fps F] [--size WxH]\n"
    "                  [--desktop PICTURE] [--preview] [--no-multitexture]\n"
    "                  [--seconds S] [--no-pictures]\n"
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
    "  (none)              a normal window, closed by a key, its close button or\n"
    "                      the close rules\n"
    "  register_scrsaver   anywhere: writes the configuration file that names the\n"
    "                      package folder and prints the line for xscreensaver\n"
    "\n"
    "The recorder renders the show offscreen on a virtual clock that advances 1/F seconds\n"
    "(default 30 frames per second) per presented frame, and writes every\n"
    "presented frame as DIR/frame-NNNNN.png and a contact sheet\n"
    "DIR/contact-sheet.png.\n"
    "\n"
    "  --frames N          record N presented frames (default: the sheet's\n"
    "                      animation and the first two movies; 2 s of preview)\n"
    "  --seconds S         record until S seconds of show time have passed\n"
    "  --size WxH          the offscreen screen (default 1280x720)\n"
    "  --desktop PICTURE   the picture that stands in for the desktop (default:\n"
    "                      a built-in test picture)\n"
    "  --preview           the control panel's preview instead of the full show\n"
    "  --no-multitexture   the device reports no ARB_multitexture, so the\n"
    "                      error notice shows\n"
    "  --no-pictures       write only the contact sheet (long runs)\n"
    "\n"
    "The package lwhirl.dat is read from the install folder: the first that\n"
    "holds it of LUMENWHIRL_PATH, the key path of\n"
    "$XDG_CONFIG_HOME/vorn3d/Lumenwhirl.conf and the program's data folder (the\n"
    "build's data folder, or ../share/lumenwhirl beside the program).\n"
    "Full screen runs and recordings write the trace log lwhirl.log there when\n"
    "the user may write there and it is no system folder, else in\n"
    "$XDG_STATE_HOME/lumenwhirl (~/.local/state/lumenwhirl).\n";

// Numbers on the command line are the whole argument, in decimal: no
// blanks, no trailing text, nothing that is not a finite number.
bool localNumber(const char* s, double* out)
{
    if (!s || !(std::isdigit(static_cast<unsigned char>(*s)) || *s == '.') || std::strpbrk(s, "xX"))
        return false;
    char* end = nullptr;
    errno = 0;
    *out = std::strtod(s, &end);
    return end != s && *end == '\0' && errno == 0 && std::isfinite(*out);
}

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

// WxH, each a whole number within lo..hi.
bool localSize(const char* s, int lo, int hi, int* w, int* h)
{
    int v[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(*s)))
            return false;
        long n = 0;
        while (std::isdigit(static_cast<unsigned char>(*s)) && n <= hi)
            n = n * 10 + (*s++ - '0');
        if (n < lo || n > hi || (i == 0 && *s++ != 'x'))
            return false;
        v[i] = static_cast<int>(n);
    }
    if (*s != '\0')
        return false;
    *w = v[0];
    *h = v[1];
    return true;
}

int localUsage(const char* why)
{
    std::fprintf(stderr,
                 "lumenwhirl: %s\n"
                 "usage: lumenwhirl [-s | -p ID | -c | -root | -window-id ID] | --record DIR [option ...]\n"
                 "try 'lumenwhirl --help'\n",
                 why);
    return 2;
}

} // namespace

// The saver's switches; -1 when they are not the saver's.
int localSaver(int argc, char** argv)
{
    std::string line;
    for (int i = 0; i < argc; ++i)
        line += std::string(i ? " " : "") + argv[i];
    FXX11Saver saver(line, argv[0]);
    if (line.find("register_scrsaver") != std::string::npos)
        return saver.Install();
    FXX11Saver::Mode mode = FXX11Saver::kWindow;
    unsigned long target = 0;
    bool hack = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "-s" || a == "/s" || a == "-S" || a == "/S") {
            mode = FXX11Saver::kFullScreen;
        } else if ((a == "-p" || a == "/p" || a == "-P" || a == "/P") && hasValue) {
            mode = FXX11Saver::kPreview;
            if (!localWindowId(argv[++i], &target))
                return localUsage("-p needs the id of the parent window");
        } else if (a == "-c" || a == "/c" || a == "-C" || a == "/C") {
            std::printf("Lumenwhirl has no settings.\n");
            return 0;
        } else if (a == "-root" || a == "--root") {
            hack = true;
        } else if ((a == "-window-id" || a == "--window-id") && hasValue) {
            hack = true;
            if (!localWindowId(argv[++i], &target))
                return localUsage("-window-id needs the id of a window");
        } else {
            return -1;
        }
    }
    if (hack && !target)
        if (const char* env = std::getenv("XSCREENSAVER_WINDOW"))
            if (*env && !localWindowId(env, &target))
                return localUsage("XSCREENSAVER_WINDOW is not the id of a window");
    if (hack)
        mode = FXX11Saver::kHack;
    return saver.Run(mode, target);
}

int main(int argc, char** argv)
{
    bool recording = false;
    for (int i = 1; i < argc; ++i)
        recording = recording || std::strcmp(argv[i], "--record") == 0 || std::strcmp(argv[i], "--help") == 0 ||
                    std::strcmp(argv[i], "-h") == 0;
    if (!recording) {
        int status = localSaver(argc, argv);
        if (status >= 0)
            return status;
    }
    FXRecordOptions opt;
    bool record = false;
    int width = 1280, height = 720;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        double v = 0;
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (a == "--record" && hasValue) {
            record = true;
            opt.dir = argv[++i];
        } else if (a == "--frames" && hasValue) {
            if (!localNumber(argv[++i], &v) || v < 1 || v > 1e7 || v != static_cast<int>(v))
                return localUsage("--frames needs a whole number of frames");
            opt.frames = static_cast<int>(v);
        } else if (a == "--seconds" && hasValue) {
            if (!localNumber(argv[++i], &v) || v <= 0 || v > 1e6)
                return localUsage("--seconds needs a show time in seconds");
            opt.seconds = v;
        } else if (a == "--fps" && hasValue) {
            if (!localNumber(argv[++i], &v) || v < 1 || v > 1000)
                return localUsage("--fps needs frames per second between 1 and 1000");
            opt.fps = v;
        } else if (a == "--size" && hasValue) {
            if (!localSize(argv[++i], 16, 8192, &width, &height))
                return localUsage("--size needs WxH, each between 16 and 8192");
        } else if (a == "--desktop" && hasValue) {
            opt.desktop = argv[++i];
        } else if (a == "--preview") {
            opt.preview = true;
        } else if (a == "--no-multitexture") {
            opt.noMultitexture = true;
        } else if (a == "--no-pictures") {
            opt.pictures = false;
        } else {
            return localUsage(("unknown or incomplete option " + a).c_str());
        }
    }
    if (!record)
        return localUsage("the recorder's options need --record DIR");

    std::string note;
    std::string folder = fxSaverInstallFolder(argv[0], &note);
    std::snprintf(vornPath, sizeof vornPath, "%s", folder.c_str());
    FXEglWindow window(width, height);
    FXRecorder recorder;
    bool ok = recorder.Run(&window, opt);
    trc("%s\n", note.c_str());
    if (!recorder.warning.empty())
        std::fprintf(stderr, "lumenwhirl: %s\n", recorder.warning.c_str());
    if (!ok) {
        std::fprintf(stderr, "lumenwhirl: %s\n", recorder.error.c_str());
        return 1;
    }
    int pictures = static_cast<int>(recorder.written.size()) - 1;
    if (pictures > 0)
        std::printf("lumenwhirl: wrote %d frames, %s to %s\n", pictures,
                    std::filesystem::path(recorder.written.front()).filename().string().c_str(),
                    std::filesystem::path(recorder.written[recorder.written.size() - 2]).filename().string().c_str());
    std::printf("lumenwhirl: wrote %s\n", recorder.written.back().c_str());
    std::printf("lumenwhirl: %d frames presented over %.2f s of show time at %dx%d (package from %s)\n",
                recorder.presented, recorder.showSeconds, width, height, folder.c_str());
    std::printf("lumenwhirl: start-up %.3f s from InitScene to the first presented frame (the loop's 0.1 s start "
                "sleep runs on the virtual clock and is not in it)\n",
                recorder.startupSeconds);
    if (recorder.meshFrames > 0)
        std::printf("lumenwhirl: mesh phase %.3f ms of render-thread processor time per frame (%d frames)\n",
                    1000 * recorder.meshCpu / recorder.meshFrames, recorder.meshFrames);
    if (recorder.movieFrames > 0)
        std::printf("lumenwhirl: movie phase %.3f ms of render-thread processor time per frame (%d frames)\n",
                    1000 * recorder.movieCpu / recorder.movieFrames, recorder.movieFrames);
    if (recorder.minuteMemory.size() >= 2) {
        auto [low, high] = std::minmax_element(recorder.minuteMemory.begin(), recorder.minuteMemory.end());
        std::printf("lumenwhirl: resident memory %.1f MB after the first minute of show time, %.1f MB after the "
                    "last (%.1f to %.1f; each minute in memory.txt)\n",
                    recorder.minuteMemory.front(), recorder.minuteMemory.back(), *low, *high);
    }
    if (recorder.peakMemoryAtMinute > 0)
        std::printf("lumenwhirl: peak memory %.1f MB after the first minute of show time, %.1f MB at the end\n",
                    recorder.peakMemoryAtMinute / 1048576.0, recorder.peakMemory / 1048576.0);
    else
        std::printf("lumenwhirl: peak memory %.1f MB\n", recorder.peakMemory / 1048576.0);
    return 0;
}
