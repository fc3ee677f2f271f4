#include "programs/record/fxRecordMain.h"

#include "base/fxTrace.h"
#include "host/FXRecorder.h"
#include "platform/egl/FXEglWindow.h"
#include "host/FXPictureCapture.h"
#include "platform/posix/fxSaverConfig.h"
#include "show/fxHostState.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

const char* const kRecordUsage =
    "lumenwhirl --record DIR [--frames N] [--fps F] [--size WxH]\n"
    "                  [--desktop PICTURE] [--preview] [--no-multitexture]\n"
    "                  [--seconds S] [--no-pictures]\n";

const char* const kRecordHelp =
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


namespace {

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

} // namespace

int fxUsageError(const char* why, const char* usage)
{
    std::fprintf(stderr, "lumenwhirl: %s\n%s\ntry 'lumenwhirl --help'\n", why, usage);
    return 2;
}

int fxRecordMain(int argc, char** argv, const char* help, const char* usage)
{
    FXRecordOptions opt;
    bool record = false;
    int width = 1280, height = 720;
    std::string desktopFile;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        double v = 0;
        if (a == "--help" || a == "-h") {
            std::fputs(help, stdout);
            return 0;
        } else if (a == "--record" && hasValue) {
            record = true;
            opt.dir = argv[++i];
        } else if (a == "--frames" && hasValue) {
            if (!localNumber(argv[++i], &v) || v < 1 || v > 1e7 || v != static_cast<int>(v))
                return fxUsageError("--frames needs a whole number of frames", usage);
            opt.frames = static_cast<int>(v);
        } else if (a == "--seconds" && hasValue) {
            if (!localNumber(argv[++i], &v) || v <= 0 || v > 1e6)
                return fxUsageError("--seconds needs a show time in seconds", usage);
            opt.seconds = v;
        } else if (a == "--fps" && hasValue) {
            if (!localNumber(argv[++i], &v) || v < 1 || v > 1000)
                return fxUsageError("--fps needs frames per second between 1 and 1000", usage);
            opt.fps = v;
        } else if (a == "--size" && hasValue) {
            if (!localSize(argv[++i], 16, 8192, &width, &height))
                return fxUsageError("--size needs WxH, each between 16 and 8192", usage);
        } else if (a == "--desktop" && hasValue) {
            desktopFile = argv[++i];
        } else if (a == "--preview") {
            opt.preview = true;
        } else if (a == "--no-multitexture") {
            opt.noMultitexture = true;
        } else if (a == "--no-pictures") {
            opt.pictures = false;
        } else {
            return fxUsageError(("unknown or incomplete option " + a).c_str(), usage);
        }
    }
    if (!record)
        return fxUsageError("the recorder's options need --record DIR", usage);

    std::string note;
    std::string folder = fxSaverInstallFolder(argv[0], &note);
    std::snprintf(vornPath, sizeof vornPath, "%s", folder.c_str());
    FXEglWindow window(width, height);
    // The picture standing in for the desktop, named before the show moves
    // the current directory; without one a built-in picture.
    FXPictureCapture desktop;
    std::vector<uint32_t> builtIn;
    std::error_code ec;
    if (desktopFile.empty()) {
        builtIn = fxTestDesktop(width, height);
        desktop.SetPixels(width, height, builtIn.data());
    } else {
        desktop.SetFile(std::filesystem::absolute(desktopFile, ec).string().c_str());
    }
    FXRecorder recorder;
    bool ok = recorder.Run(&window, &desktop, opt);
    trc("%s\n", note.c_str());
    // A desktop picture that cannot be read or decoded is no failure: the
    // desktop is then black.
    if (*desktop.Problem())
        std::fprintf(stderr, "lumenwhirl: %s; the desktop is black\n", desktop.Problem());
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
        std::printf("lumenwhirl: mesh phase %.3f ms of render-thread processor time per frame (%d frames), "
                    "%.3f ms of the process's; %.2f processor seconds per minute of show\n",
                    1000 * recorder.meshCpu / recorder.meshFrames, recorder.meshFrames,
                    1000 * recorder.meshProcessCpu / recorder.meshFrames,
                    fxCpuPerMinute(recorder.meshProcessCpu, recorder.meshShowSeconds));
    if (recorder.movieFrames > 0)
        std::printf("lumenwhirl: movie phase %.3f ms of render-thread processor time per frame (%d frames), "
                    "%.3f ms of the process's; %.2f processor seconds per minute of show\n",
                    1000 * recorder.movieCpu / recorder.movieFrames, recorder.movieFrames,
                    1000 * recorder.movieProcessCpu / recorder.movieFrames,
                    fxCpuPerMinute(recorder.movieProcessCpu, recorder.movieShowSeconds));
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
