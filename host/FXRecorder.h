// FXRecorder: the headless run of the show, `lumenwhirl --record`. The
// scene runs as in a full-screen (or preview) run, on an offscreen window, on
// a virtual clock that advances 1/fps seconds per presented frame and
// whenever the show sleeps; every presented frame can be written as a PNG,
// and a contact sheet of the run is written at the end. It also measures
// the run: start-up time, the engine's processor time per frame in each
// phase, peak memory.
#pragma once

#include "host/FXRecordWindow.h"
#include "sys/PScreenCapture.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class Scene;

struct FXRecordOptions {
    std::string dir;      // where the pictures go; made when missing
    int frames = -1;      // presented frames to record; -1: see FXRecorder::Run
    double seconds = -1;  // or the show time to record, when not below 0
    double fps = 30;
    bool preview = false;
    bool noMultitexture = false;
    bool pictures = true; // write frame-NNNNN.png
    double startTime = 86400.25; // the virtual clock's start, like a machine up for a day
};

class FXRecorder : public PFrameListener {
public:
    // Records on window (its size is the recording's). Without a frame
    // count, the full show is recorded through its mesh phase and its first
    // two movies, the preview for two seconds. False, with the reason in
    // error, when the install folder (vornPath) holds no package the show
    // can load, the output cannot be written or the show does not start.
    // desktop stands in for the screen the show captures (null: none, a
    // black desktop).
    // A render thread stuck in its frame at the end ends the process at once
    // with status 1, without destructors.
    bool Run(PGLWindow* window, PScreenCapture* desktop, const FXRecordOptions& options);
    void OnPresent(int width, int height) override;

    std::string error;
    // Figures of the last run.
    int presented = 0;
    double startupSeconds = 0;   // InitScene until the first presented frame, wall clock
    double meshCpu = 0, movieCpu = 0; // render-thread processor seconds per phase, without the recorder's own work
    // The whole process's processor seconds per phase (the driver's threads
    // too), without the recorder's own work, and the show time each phase
    // covered: together the cost a user sees, per minute of show.
    double meshProcessCpu = 0, movieProcessCpu = 0;
    double meshShowSeconds = 0, movieShowSeconds = 0;
    int meshFrames = 0, movieFrames = 0;
    uint64_t peakMemory = 0;
    uint64_t peakMemoryAtMinute = 0; // peak memory once a minute of show time had passed (0: a shorter run)
    double showSeconds = 0;      // virtual time the run covered
    // Resident memory at each whole minute of show time (MB), for soaks.
    std::vector<double> minuteMemory;
    std::vector<std::string> written;

private:
    FXRecordOptions opt;
    Scene* show = nullptr; // the show being recorded
    std::atomic<bool> done{false};
    bool failed = false;
    double lastCpu = -1;
    double lastProcessCpu = -1; // at the end of the previous OnPresent
    double lastShown = 0;       // show clock after the previous present
    std::chrono::steady_clock::time_point initStart;
    int thumbW = 0, thumbH = 0;
    std::vector<std::vector<uint32_t>> thumbs; // a sample of the frames, small
    int thumbStride = 1;
    std::vector<unsigned char> frame;

    int Limit() const;
    std::string OutPath(const char* name) const; // a file in the output folder
    void Thumb(int width, int height);
    bool SaveContactSheet();
    void NoteMinuteMemory(double residentMB);
};

// Processor seconds per minute of show time, from the seconds used over the
// show seconds they covered; 0 for an empty phase.
double fxCpuPerMinute(double cpuSeconds, double showSeconds);

// The built-in desktop: a picture of the given size with distinct corners
// (red top left, green top right, blue bottom left, white bottom right) and
// a window, so that orientation can be checked. 0xAABBGGRR, rows top-down.
std::vector<uint32_t> fxTestDesktop(int width, int height);
