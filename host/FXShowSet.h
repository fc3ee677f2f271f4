// FXShowSet: the shows of one saver run on a desk of several monitors, one
// per viewport of the monitor layout, each on a window of its own that the
// host made over that viewport (the black parts are the host's). The
// desktop is captured once, before any of the windows maps, and each show
// gets its viewport's part of it; the shows then run side by side, each
// with its own device and render loop.
#pragma once

#include "host/fxMonitorLayout.h"
#include "show/Scene.h"

#include <memory>
#include <vector>

class PScreenCapture;

class FXShowSet {
public:
    FXShowSet() = default;
    ~FXShowSet() { Destroy(); }
    FXShowSet(const FXShowSet&) = delete;
    FXShowSet& operator=(const FXShowSet&) = delete;

    // windows[i]: the PGLWindow over layout.viewports[i]. desktop: the
    // capture of the layout's desktop rectangle, null for the built-in
    // picture. Starts every show; a show that fails to build plays what it
    // can, as a single show does. The process's capture is left as it was.
    void Create(const FXMonitorLayout& layout, const std::vector<void*>& windows, PScreenCapture* desktop);
    // Stops and releases every show: true. False when a render thread is
    // stuck in its frame (see Scene::Destroy): the host then ends the
    // process at once. Leaves the set empty and reusable.
    bool Destroy();

    int Count() const { return static_cast<int>(shows.size()); }
    Scene& Show(int i) { return *shows[static_cast<size_t>(i)]; }
    // The first show that has loaded its package, for the host's checks.
    bool AnyPackageLoaded() const;

private:
    std::vector<std::unique_ptr<Scene>> shows;
};
