#include "host/FXRecorder.h"

#include "base/fxTime.h"
#include "show/fxHostState.h"
#include "host/fxProbePackage.h"
#include "sys/fxSystem.h"
#include "render/fxDevil.h"
#include "show/Scene.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

namespace {

const int kSheetColumns = 6, kSheetRows = 4;
const int kMaxFrames = 20000; // a run that never ends its second movie still ends

} // namespace

std::vector<uint32_t> fxTestDesktop(int width, int height)
{
    std::vector<uint32_t> px(static_cast<size_t>(width) * height);
    int cw = std::max(1, width / 8), ch = std::max(1, height / 8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // A teal desktop, lighter towards the bottom right.
            uint32_t r = 20 + 40 * x / std::max(1, width), g = 90 + 60 * y / std::max(1, height), b = 110;
            uint32_t c = 0xff000000u | b << 16 | g << 8 | r;
            bool left = x < cw, top = y < ch, right = x >= width - cw, bottom = y >= height - ch;
            if (left && top)
                c = 0xff0000ffu;
            else if (right && top)
                c = 0xff00ff00u;
            else if (left && bottom)
                c = 0xffff0000u;
            else if (right && bottom)
                c = 0xffffffffu;
            // A window with a dark title bar in the upper left quarter.
            int wx0 = width / 5, wx1 = width / 2, wy0 = height / 5, wy1 = height / 2;
            if (x >= wx0 && x < wx1 && y >= wy0 && y < wy1)
                c = y < wy0 + std::max(2, height / 30) ? 0xff603010u : 0xffeeeeeeu;
            px[static_cast<size_t>(y) * width + x] = c;
        }
    return px;
}

int FXRecorder::Limit() const
{
    if (opt.frames >= 0)
        return opt.frames;
    if (opt.seconds >= 0)
        return 1 << 30;
    return opt.preview ? static_cast<int>(opt.fps * 2) : kMaxFrames;
}

void FXRecorder::Thumb(int w, int h)
{
    thumbW = 160;
    thumbH = std::max(1, 160 * h / std::max(1, w));
    std::vector<uint32_t> t(static_cast<size_t>(thumbW) * thumbH);
    for (int y = 0; y < thumbH; ++y)
        for (int x = 0; x < thumbW; ++x) {
            int sx = x * w / thumbW, sy = h - 1 - y * h / thumbH;
            const unsigned char* p = &frame[(static_cast<size_t>(sy) * w + sx) * 3];
            t[static_cast<size_t>(y) * thumbW + x] = p[0] | p[1] << 8 | p[2] << 16 | 0xff000000u;
        }
    thumbs.push_back(std::move(t));
}

double fxCpuPerMinute(double cpuSeconds, double showSeconds)
{
    return showSeconds > 0 ? 60 * cpuSeconds / showSeconds : 0;
}

void FXRecorder::OnPresent(int w, int h)
{
    if (done)
        return;
    double cpu = fxSysThreadCpuSeconds();
    bool counted = presented > 0 && lastCpu >= 0, movies = show->InMovies();
    if (presented == 0)
        startupSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - initStart).count();
    else if (counted) {
        (movies ? movieCpu : meshCpu) += cpu - lastCpu;
        ++(movies ? movieFrames : meshFrames);
    }

    // The screen has no alpha: the frames are opaque, whatever the cleared
    // buffer's alpha was.
    frame.resize(static_cast<size_t>(w) * h * 3);
    show->Device().ReadPixels(w, h, frame.data());
    if (opt.pictures) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%05d.png", presented);
        std::string path = OutPath(name);
        if (fxDevilSave(path.c_str(), w, h, 3, frame.data()))
            written.push_back(path);
        else
            failed = true;
    }
    // The contact sheet's sample: every stride-th frame; when the store is
    // full every other copy goes and the stride doubles, so a long run keeps
    // a bounded, even sample.
    if (presented % thumbStride == 0)
        Thumb(w, h);
    if (thumbs.size() >= 2 * kSheetColumns * kSheetRows) {
        for (size_t i = 1; 2 * i < thumbs.size(); ++i)
            thumbs[i] = std::move(thumbs[2 * i]);
        thumbs.resize((thumbs.size() + 1) / 2);
        thumbStride *= 2;
    }

    ++presented;
    fxAdvanceClock(1.0 / opt.fps);
    double shown = fxGetTime() - opt.startTime;
    if (peakMemoryAtMinute == 0 && shown >= 60)
        peakMemoryAtMinute = fxSysPeakMemoryBytes();
    while (shown >= 60.0 * static_cast<double>(minuteMemory.size() + 1))
        NoteMinuteMemory(static_cast<double>(fxSysResidentMemoryBytes()) / 1048576.0);
    bool showDone = opt.seconds >= 0 ? shown >= opt.seconds : opt.frames < 0 && !opt.preview && show->MovieEnds() >= 2;
    if (presented >= Limit() || showDone || failed) {
        showSeconds = fxGetTime() - opt.startTime;
        done = true;
    }
    lastCpu = fxSysThreadCpuSeconds();
    // The driver rasterises the frame while the read-back waits for it, so
    // the process's time runs to here; this thread's time in this call
    // (read-back copy, picture, thumbnail) is the recorder's own.
    double process = fxSysProcessCpuSeconds();
    if (counted && lastProcessCpu >= 0) {
        (movies ? movieProcessCpu : meshProcessCpu) += process - lastProcessCpu - (lastCpu - cpu);
        (movies ? movieShowSeconds : meshShowSeconds) += shown - lastShown;
    }
    lastProcessCpu = process;
    lastShown = shown;
}

bool FXRecorder::SaveContactSheet()
{
    if (thumbs.empty())
        return false;
    int n = std::min<int>(kSheetColumns * kSheetRows, static_cast<int>(thumbs.size()));
    int cols = std::min(kSheetColumns, n), rows = (n + cols - 1) / cols, gap = 4;
    int sw = cols * thumbW + (cols + 1) * gap, sh = rows * thumbH + (rows + 1) * gap;
    std::vector<unsigned char> sheet(static_cast<size_t>(sw) * sh * 4, 0);
    for (size_t i = 3; i < sheet.size(); i += 4)
        sheet[i] = 255;
    for (int k = 0; k < n; ++k) {
        // Evenly over the run, the first and the last frame included.
        size_t pick = n > 1 ? static_cast<size_t>(k) * (thumbs.size() - 1) / (n - 1) : 0;
        const std::vector<uint32_t>& t = thumbs[pick];
        int ox = gap + (k % cols) * (thumbW + gap), oy = gap + (k / cols) * (thumbH + gap);
        for (int y = 0; y < thumbH; ++y)
            for (int x = 0; x < thumbW; ++x) {
                uint32_t p = t[static_cast<size_t>(y) * thumbW + x];
                unsigned char* d = &sheet[(static_cast<size_t>(sh - 1 - (oy + y)) * sw + ox + x) * 4];
                d[0] = p & 0xff;
                d[1] = (p >> 8) & 0xff;
                d[2] = (p >> 16) & 0xff;
            }
    }
    std::string path = OutPath("contact-sheet.png");
    bool loaded = fxDevilBound() || fxLoadDevil();
    bool ok = loaded && fxDevilSave(path.c_str(), sw, sh, 4, sheet.data());
    if (ok)
        written.push_back(path);
    return ok;
}

std::string FXRecorder::OutPath(const char* name) const
{
    return (fs::path(opt.dir) / name).string();
}

// Each minute's line goes out as it is taken, so a long run stopped early
// still leaves its curve so far.
void FXRecorder::NoteMinuteMemory(double residentMB)
{
    minuteMemory.push_back(residentMB);
    std::string path = OutPath("memory.txt");
    bool first = minuteMemory.size() == 1;
    if (FILE* f = std::fopen(path.c_str(), first ? "w" : "a")) {
        if (first)
            std::fprintf(f, "# minute of show time, resident MB\n");
        std::fprintf(f, "%zu %.1f\n", minuteMemory.size(), residentMB);
        std::fclose(f);
    }
}

bool FXRecorder::Run(PGLWindow* window, PScreenCapture* desktop, const FXRecordOptions& options)
{
    opt = options;
    error.clear();
    // Checked before anything is written: without a package every frame
    // would be black.
    std::string why;
    if (!fxProbePackage(vornPath, &why)) {
        error = "cannot load the package " + why;
        return false;
    }
    std::error_code ec;
    fs::create_directories(opt.dir, ec);
    if (!fs::is_directory(opt.dir, ec)) {
        error = "cannot make the folder " + opt.dir;
        return false;
    }
    opt.dir = fs::absolute(opt.dir, ec).string(); // the scene changes the current directory

    fxSetScreenCapture(desktop);
    fxUseVirtualClock(opt.startTime);
    FXRecordWindow recording(window, this);
    std::unique_ptr<Scene> scene(new Scene);
    show = scene.get();
    show->Device().hideMultitexture = opt.noMultitexture;
    show->Device().pacer = nullptr; // offscreen, as fast as it goes, whatever the display does

    initStart = std::chrono::steady_clock::now();
    show->Init(&recording, opt.preview);
    bool running = show->HasContext();
    // Waiting on the wall clock: a sleep on the virtual clock would move the
    // show's time from this thread.
    while (running && !done)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (!show->Destroy()) {
        // The render thread is stuck in its frame: returning would run
        // destructors that wait for it or pull objects from under it.
        std::fprintf(stderr, "lumenwhirl: the render thread did not finish its frame; the recorder ends\n");
        std::fflush(stderr);
        std::_Exit(1);
    }
    show = nullptr;
    scene.reset();
    peakMemory = fxSysPeakMemoryBytes();
    fxUseRealClock();
    fxSetScreenCapture(nullptr);
    if (!running) {
        error = "no OpenGL context on the offscreen surface";
        return false;
    }
    bool sheet = SaveContactSheet();
    fxUnloadDevil();
    if (failed || !sheet) {
        error = "cannot write the pictures into " + opt.dir;
        return false;
    }
    return true;
}
