#include "render/FXFramePacer.h"

#include "base/fxTime.h"
#include "base/fxTrace.h"

#include <algorithm>
#include <cstring>

namespace {

// A cap's wait sleeps in steps of at most this, to see a stop request soon.
const double kStepSeconds = 0.05;

} // namespace

FXFramePacer::FXFramePacer()
    : displayOn(true), pauseWhenOff(true), onBattery(false), mainsFps(0), batteryFps(kBatteryFpsDefault) {}

void FXFramePacer::SetDisplayOn(bool on)
{
    {
        // Under the lock: a loop between its test and its wait cannot miss it.
        std::lock_guard<std::mutex> hold(m);
        if (displayOn == on)
            return;
        displayOn = on;
    }
    trc(on ? "display on\n" : pauseWhenOff ? "display off: drawing stops until it is on\n" : "display off\n");
    changed.notify_all();
}

void FXFramePacer::SetPauseWhenOff(bool on)
{
    {
        std::lock_guard<std::mutex> hold(m);
        pauseWhenOff = on;
    }
    changed.notify_all();
}

void FXFramePacer::SetCaps(int mainsFps_, int batteryFps_)
{
    mainsFps = std::clamp(mainsFps_, 0, static_cast<int>(kMaxFps));
    batteryFps = std::clamp(batteryFps_, 0, static_cast<int>(kMaxFps));
}

void FXFramePacer::Wake()
{
    {
        std::lock_guard<std::mutex> hold(m);
    }
    changed.notify_all();
}

bool FXFramePacer::WaitForFrame(const std::atomic<bool>& stop, double* slot)
{
    if (!displayOn && pauseWhenOff) {
        std::unique_lock<std::mutex> hold(m);
        changed.wait(hold, [&] { return displayOn || !pauseWhenOff || stop; });
        *slot = 0; // the time asleep is no frame owed
    }
    if (stop)
        return false;
    int cap = Cap();
    if (cap <= 0) {
        *slot = 0;
        return true;
    }
    double period = 1.0 / cap;
    double now = fxGetTime();
    // A slot further off than one period is from an older, lower cap.
    if (*slot > now + period)
        *slot = now;
    while (now < *slot) {
        if (stop)
            return false;
        fxSleep(std::max(0.001, std::min(*slot - now, kStepSeconds)));
        now = fxGetTime();
    }
    // Due one period after this slot, so that the rate holds on average; a
    // loop more than a period behind counts from now instead of catching up.
    *slot = *slot + period < now ? now + period : *slot + period;
    return !stop;
}

bool FXFramePacer::ParseFps(const char* text, int* fps)
{
    if (!text || !*text || std::strlen(text) > 4)
        return false;
    int v = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        v = v * 10 + (*p - '0');
    }
    if (v > kMaxFps)
        return false;
    *fps = v;
    return true;
}

bool FXFramePacer::ParseSwitch(const char* text, bool* on)
{
    if (!text || (std::strcmp(text, "0") != 0 && std::strcmp(text, "1") != 0))
        return false;
    *on = text[0] == '1';
    return true;
}

FXFramePacer& fxFramePacer()
{
    static FXFramePacer pacer;
    return pacer;
}
