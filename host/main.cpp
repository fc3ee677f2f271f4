// lumenwhirl on Linux. This entry runs the headless recorder; the X11 saver
// modes come with their host.
#include "host/FXRecorder.h"
#include "host/fxHostState.h"
#include "platform/egl/FXEglWindow.h"
#include "platform/fxSystem.h"
#include "show/Scene.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

const char* const kHelp =
    "usage: lumenwhirl --record DIR [--frames N] [--fps F] [--size WxH]\n"
    "                  [--desktop PICTURE] [--preview] [--no-multitexture]\n"
    "                  [--seconds S] [--no-pictures]\n"
    "\n"
    "Renders the show offscreen on a virtual clock that advances 1/F seconds\n"
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
    "The package lwhirl.dat is read from the install folder: LUMENWHIRL_PATH,\n"
    "else the build's data folder, else ../share/lumenwhirl beside the\n"
    "program. The trace log lwhirl.log is written there, as in a full-screen\n"
    "run.\n";

// The install folder: the environment, else where the build or the
// installation put the package.
std::string localInstallFolder(const char* argv0)
{
    if (const char* env = std::getenv("LUMENWHIRL_PATH"))
        if (*env)
            return env;
    std::error_code ec;
#ifdef LW_DATA_DIR
    if (std::filesystem::exists(std::filesystem::path(LW_DATA_DIR) / "lwhirl.dat", ec))
        return LW_DATA_DIR;
#endif
    std::filesystem::path exe = std::filesystem::absolute(argv0, ec).parent_path();
    return (exe / ".." / "share" / "lumenwhirl").lexically_normal().string();
}

bool localNumber(const char* s, double* out)
{
    char* end = nullptr;
    *out = std::strtod(s, &end);
    return end != s && *end == '\0';
}

int localUsage(const char* why)
{
    std::fprintf(stderr, "lumenwhirl: %s\n\n%s", why, kHelp);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
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
            if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2 || width < 16 || height < 16 ||
                width > 8192 || height > 8192)
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
        return localUsage("this build runs the show offscreen only: give --record DIR");

    std::string folder = localInstallFolder(argv[0]);
    std::snprintf(vornPath, sizeof vornPath, "%s", folder.c_str());
    FXEglWindow window(width, height);
    FXRecorder recorder;
    if (!recorder.Run(&window, opt)) {
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
    if (recorder.peakMemoryAtMinute > 0)
        std::printf("lumenwhirl: peak memory %.1f MB after the first minute of show time, %.1f MB at the end\n",
                    recorder.peakMemoryAtMinute / 1048576.0, recorder.peakMemory / 1048576.0);
    else
        std::printf("lumenwhirl: peak memory %.1f MB\n", recorder.peakMemory / 1048576.0);
    return 0;
}
