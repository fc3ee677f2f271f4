// FXFramePacer: when the render loops may draw. While the display is off no
// loop draws: each sleeps, without waking, until the display is on again or
// the loop is told to stop. A cap holds each loop to at most that many
// frames a second: the mains cap, or the battery cap while the machine runs
// on battery; 0 is no cap. A drawable that waits for its own frame time
// (a movie) keeps doing so; the cap only leaves out loop turns.
//
// The hosts feed it from their event loops (the display state, the power
// source); the loops only ask. Any thread may call any operation.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

class FXFramePacer {
public:
    enum { kBatteryFpsDefault = 30, kMaxFps = 1000 };

    FXFramePacer();
    FXFramePacer(const FXFramePacer&) = delete;
    FXFramePacer& operator=(const FXFramePacer&) = delete;

    // Wakes the sleeping loops when it turns on.
    void SetDisplayOn(bool on);
    bool DisplayOn() const { return displayOn; }
    // Whether the loops sleep while the display is off (the default).
    void SetPauseWhenOff(bool on);
    void SetCaps(int mainsFps, int batteryFps);
    void SetOnBattery(bool on) { onBattery = on; }
    bool OnBattery() const { return onBattery; }
    int MainsFps() const { return mainsFps; }
    int BatteryFps() const { return batteryFps; }
    // The cap in force: frames a second, 0 for none.
    int Cap() const { return onBattery ? batteryFps.load() : mainsFps.load(); }

    // Run by a loop before each frame: returns once the frame may be drawn,
    // false instead when stop was set meanwhile. slot is the loop's own
    // record of when its next frame is due (fxGetTime seconds; 0 at first).
    // The waits for the cap sleep on the engine's clock, so a virtual clock
    // moves through them.
    bool WaitForFrame(const std::atomic<bool>& stop, double* slot);
    // Makes the loops sleeping for the display look at their stop flags.
    void Wake();

    // A frame rate setting: a whole decimal number 0 to kMaxFps, nothing else.
    static bool ParseFps(const char* text, int* fps);
    // An on/off setting: "1" or "0".
    static bool ParseSwitch(const char* text, bool* on);

private:
    std::mutex m;
    std::condition_variable changed;
    std::atomic<bool> displayOn;
    std::atomic<bool> pauseWhenOff;
    std::atomic<bool> onBattery;
    std::atomic<int> mainsFps, batteryFps;
};

// The process's pacer, which every environment asks unless given another.
FXFramePacer& fxFramePacer();
