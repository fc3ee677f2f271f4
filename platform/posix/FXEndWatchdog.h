// FXEndWatchdog: a bound on how long the end of a process may take. Once
// armed (by a signal handler, or by the host as it starts to close), the
// process ends with _exit after the delay unless the watchdog is destroyed
// first. An orderly end that waits on a window system which no longer
// answers (a stopped X server: the render thread blocked in a write with the
// display locked, the event thread waiting for that lock) then cannot keep a
// saver that was told to end alive.
#pragma once

#include <atomic>
#include <thread>

class FXEndWatchdog {
public:
    FXEndWatchdog() = default;
    ~FXEndWatchdog() { Destroy(); }
    FXEndWatchdog(const FXEndWatchdog&) = delete;
    FXEndWatchdog& operator=(const FXEndWatchdog&) = delete;

    // Starts the watching thread, which takes no signals. When it fires it
    // writes why (a whole line) to stderr and the trace log and ends the
    // process with status. False when no pipe or thread can be had.
    bool Create(double seconds, int status, const char* why);
    // Async-signal-safe. Arming again, or before Create, does nothing.
    void Arm();
    bool Armed() const { return armed.load(); }
    // From now on SIGTERM and SIGINT set Signalled() and arm this watchdog,
    // when it was created, until it is destroyed.
    void EndOnSignals();
    static bool Signalled();
    // Stops the thread, cancelling an armed end; Create may follow.
    void Destroy();

private:
    int readFd = -1;
    std::atomic<int> writeFd{-1};
    std::atomic<bool> armed{false};
    std::thread thread;
    int delayMs = 0;
    int exitStatus = 1;
    char message[256] = {0};

    void Watch();
};
