#include "platform/x11/fxX11Desktop.h"

#include "host/fxDesktopCapture.h"
#include "platform/posix/fxSaverConfig.h"
#include "platform/x11/FXX11Capture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

FXDesktopSetting fxSaverDesktopSetting(std::string* why)
{
    FXDesktopSetting setting;
    std::string text;
    if (!fxSaverConfigValue("desktop", &text))
        return setting;
    if (!fxParseDesktopSetting(text.c_str(), &setting, why)) {
        *why = fxSaverConfigFile() + ": " + *why + "; the built-in picture instead";
        setting.source = FXDesktopSource::none;
        return setting;
    }
    // A picture named in the file is found beside the file.
    std::filesystem::path file(setting.file);
    if (setting.source == FXDesktopSource::picture && file.is_relative())
        setting.file = (std::filesystem::path(fxSaverConfigFile()).parent_path() / file).string();
    return setting;
}

std::unique_ptr<PScreenCapture> fxX11DesktopCapture(Display* display, FXSaverSession::Mode mode, Window window,
                                                    const FXDesktopSetting* given)
{
    FXDesktopRequest r;
    r.mode = mode;
    std::string problem;
    r.setting = given ? *given : fxSaverDesktopSetting(&problem);
    if (!problem.empty())
        std::fprintf(stderr, "lumenwhirl: %s\n", problem.c_str());
    FXXScreenSaverPrefs prefs;
    const char* home = std::getenv("HOME");
    if (mode == FXSaverSession::kHack && home && fxReadXScreenSaverPrefs(home, &prefs))
        r.xscreensaver = &prefs;
    int screen = DefaultScreen(display);
    r.screenWidth = DisplayWidth(display, screen);
    r.screenHeight = DisplayHeight(display, screen);
    return fxChooseDesktopCapture(r, std::make_unique<FXX11Capture>(display, window), nullptr);
}
