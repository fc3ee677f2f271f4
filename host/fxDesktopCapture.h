// What the show lays on its sheet for one run, decided in one place for
// every host: the screen as the platform captures it, a picture file, or
// the built-in picture (no capture: the screen is never read). The host
// gives its mode, its `desktop` setting (command line over the stored
// one), xscreensaver's preferences when it runs as a hack, and its capture
// of the screen; it hands what comes back to the show.
#pragma once

#include "host/FXSaverSession.h"
#include "host/fxMonitorLayout.h"
#include "host/fxXScreenSaverPrefs.h"
#include "sys/PScreenCapture.h"

#include <memory>
#include <string>
#include <vector>

struct FXDesktopRequest {
    FXSaverSession::Mode mode = FXSaverSession::kFullScreen;
    FXDesktopSetting setting;
    // Read for a hack only: with grabDesktopImages off the screen is never
    // read, and a `desktop` left at capture takes a picture from the image
    // folder (chooseRandomImages) or the built-in picture. Null: unread.
    const FXXScreenSaverPrefs* xscreensaver = nullptr;
    // The size the screen's capture would have; a picture is scaled to
    // cover it, so that it is placed as the desktop would be. 0: its own.
    int screenWidth = 0, screenHeight = 0;
};

// screen: the platform's capture, read through the result when the screen
// is to be read and otherwise dropped unread. The result says at its first
// Begin, in the trace log, what was chosen and why; for the built-in
// picture it is no screen (Begin false, why empty). The preview gets null:
// it shows no desktop. note, when given: that line.
std::unique_ptr<PScreenCapture> fxChooseDesktopCapture(const FXDesktopRequest& request,
                                                       std::unique_ptr<PScreenCapture> screen, std::string* note);

// The files in folder and below it whose first bytes (or, for Targa, which
// has no signature, the name) make them pictures the decoder reads, in a
// random order; at most limit of them. Empty for a folder that is not one.
std::vector<std::string> fxPicturesIn(const std::string& folder, size_t limit);
