// lw_vpointer: gives the Wayland compositor's first seat a pointer device
// and keeps it until SIGTERM, SIGINT or the compositor's going. A headless
// compositor has no input devices, so its seat has no pointer capability
// and its clients get no wl_pointer: `swaymsg seat - cursor ...` then
// reaches nobody. Prints "ready" once the compositor has made the device.
#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client.h"

#include <poll.h>
#include <signal.h>

#include <cstdio>
#include <cstring>

namespace {

wl_seat* localSeat = nullptr;
zwlr_virtual_pointer_manager_v1* localManager = nullptr;
volatile sig_atomic_t localStop = 0;

void localGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    if (!localSeat && std::strcmp(interface, wl_seat_interface.name) == 0)
        localSeat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        localManager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void localGlobalRemove(void*, wl_registry*, uint32_t)
{
}

const wl_registry_listener localRegistryListener = {localGlobal, localGlobalRemove};

void localOnSignal(int)
{
    localStop = 1;
}

} // namespace

int main()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "lw_vpointer: no Wayland display\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &localRegistryListener, nullptr);
    wl_display_roundtrip(display);
    if (!localSeat || !localManager) {
        std::fprintf(stderr, "lw_vpointer: the compositor offers no %s\n",
                     localSeat ? zwlr_virtual_pointer_manager_v1_interface.name : wl_seat_interface.name);
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(localManager, localSeat);
    if (wl_display_roundtrip(display) < 0) {
        std::fprintf(stderr, "lw_vpointer: the compositor refused the pointer\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    struct sigaction action = {};
    action.sa_handler = localOnSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    // Events are read only to notice the compositor's going.
    pollfd fd = {wl_display_get_fd(display), POLLIN, 0};
    int status = 0;
    while (!localStop) {
        if (poll(&fd, 1, 200) > 0 && wl_display_dispatch(display) < 0) {
            status = 1;
            break;
        }
    }
    if (status == 0) {
        zwlr_virtual_pointer_v1_destroy(pointer);
        wl_display_roundtrip(display);
    }
    wl_display_disconnect(display);
    return status;
}
