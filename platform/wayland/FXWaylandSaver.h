// FXWaylandSaver: the saver on Wayland compositors with the wlr layer shell.
// Every output gets an overlay layer surface over all of it, taking the
// keyboard, and a show of its own on that output's captured picture; an
// output that comes during the show gets one too, one that goes takes only
// its own. With the monitors setting primary only one output (the one at
// the compositor's origin) gets a show and the others are covered black;
// span is each here, as no surface spans outputs. Keys, the pointer,
// buttons and the wheel of the seat go to the saver's session, whose rules
// end the show. The compositor's going ends the process with status 1.
#pragma once

#include "host/FXSaverSession.h"
#include "base/fxTrace.h"
#include "host/fxMonitorLayout.h"
#include "platform/posix/FXEndWatchdog.h"
#include "platform/posix/FXPowerSupplyWatch.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_shm;
struct wl_seat;
struct wl_keyboard;
struct wl_pointer;
struct zwlr_layer_shell_v1;
struct zwlr_screencopy_manager_v1;
struct zxdg_output_manager_v1;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;

class FXWaylandSaver {
public:
    explicit FXWaylandSaver(const char* argv0);
    ~FXWaylandSaver();
    FXWaylandSaver(const FXWaylandSaver&) = delete;
    FXWaylandSaver& operator=(const FXWaylandSaver&) = delete;

    // The show on every output until the session closes it or a signal
    // comes: the exit status.
    int Run();
    // Waits until the seat has been idle for seconds, shows until the
    // session closes, and waits again, until a signal: the exit status.
    int RunIdle(double seconds);
    // The monitors setting of the command line, which wins over the
    // configuration file's.
    void SetMonitorMode(FXMonitorMode mode)
    {
        monitorMode = mode;
        monitorModeGiven = true;
    }

    // --desktop, when given; otherwise the configuration file's key decides.
    bool desktopGiven = false;
    FXDesktopSetting desktop;

private:
    struct Output;
    enum End { kClosed, kSignalled, kLost };

    // First, so that it outlives everything an end may wait on.
    FXEndWatchdog watchdog;
    const char* argv0;
    FXSaverSession session;
    FXPowerSupplyWatch power;
    FXMonitorMode monitorMode = FXMonitorMode::each;
    bool monitorModeGiven = false;
    uint32_t primary = 0; // the global of the output with the show, primary only
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_pointer* pointer = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    zwlr_screencopy_manager_v1* screencopy = nullptr;
    zxdg_output_manager_v1* xdgOutputs = nullptr;
    ext_idle_notifier_v1* idleNotifier = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    ext_idle_notification_v1* idleNotification = nullptr;
    org_kde_kwin_idle_timeout* kdeIdleTimeout = nullptr;
    std::vector<std::unique_ptr<Output>> outputs;
    Output* pointerOutput = nullptr;  // the output whose surface has the pointer
    bool showing = false;
    bool closeRequested = false;
    bool idle = false;
    bool tracing = false; // a show has opened the trace log
    std::vector<std::string> early; // trace lines from before that

    // A trace line, kept until the trace log is open.
    void Note(const char* format, ...) FX_PRINTF(2, 3);

    bool Connect();
    void Global(uint32_t name, const char* interface, uint32_t version);
    void GlobalRemove(uint32_t name);
    void AddOutput(uint32_t name, uint32_t version);
    void WatchXdgOutput(Output* o);
    void SeatCapabilities(uint32_t caps);
    void Input(const FXSaverInput& in);
    Output* OutputOf(const void* surface);
    // Under primary: whether o is covered black rather than given a show.
    bool Blacked(const Output* o) const;
    // The event loop's other work: gone and new outputs, the power supply.
    void Tend();

    End Show();
    void Capture(Output* o);
    void Cover(Output* o);
    void CoverBlack(Output* o, int width, int height);
    void Uncover(Output* o);
    void Tidy();
    // Ends every show; false when one is stuck in its frame.
    bool EndShows();
    int Finish(End end);
};
