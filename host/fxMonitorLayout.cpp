#include "host/fxMonitorLayout.h"

#include <algorithm>
#include <cctype>

namespace {

bool localOverlap(const FXRect& a, const FXRect& b)
{
    FXRect c = a;
    return c.CombineAnd(&b);
}

FXRect localMoved(const FXRect& r, int dx, int dy)
{
    FXRect m;
    m.Set(r.left + dx, r.top + dy, r.right + dx, r.bottom + dy);
    return m;
}

// a without b, as up to four disjoint pieces: the rows above and below b
// across a's whole width, then the pieces left and right of b.
void localSubtract(const FXRect& a, const FXRect& b, std::vector<FXRect>* out)
{
    FXRect c = a;
    if (!c.CombineAnd(&b)) {
        out->push_back(a);
        return;
    }
    FXRect piece;
    piece.Set(a.left, a.top, a.right, c.top);
    if (!piece.IsEmpty())
        out->push_back(piece);
    piece.Set(a.left, c.bottom, a.right, a.bottom);
    if (!piece.IsEmpty())
        out->push_back(piece);
    piece.Set(a.left, c.top, c.left, c.bottom);
    if (!piece.IsEmpty())
        out->push_back(piece);
    piece.Set(c.right, c.top, a.right, c.bottom);
    if (!piece.IsEmpty())
        out->push_back(piece);
}

// The monitors on the window, clipped to it, with every overlapping set
// merged into its bounding box until none overlap: a mirror and its
// original, or a monitor listed twice, become one. The primary monitor is
// chosen among all of them first, so a window on another monitor (one
// xscreensaver hack per monitor) holds no primary.
std::vector<FXMonitor> localGroups(const std::vector<FXMonitor>& monitors, const FXRect& window)
{
    int primary = -1;
    for (size_t i = 0; i < monitors.size(); ++i)
        if (!monitors[i].rect.IsEmpty() && (primary < 0 || (monitors[i].primary && !monitors[primary].primary)))
            primary = static_cast<int>(i);
    std::vector<FXMonitor> groups;
    for (size_t i = 0; i < monitors.size(); ++i) {
        FXMonitor g{monitors[i].rect, static_cast<int>(i) == primary};
        if (g.rect.CombineAnd(&window))
            groups.push_back(g);
    }
    if (groups.empty())
        groups.push_back(FXMonitor{window, true});

    for (bool merged = true; merged;) {
        merged = false;
        for (size_t i = 0; i < groups.size() && !merged; ++i)
            for (size_t j = i + 1; j < groups.size() && !merged; ++j)
                if (localOverlap(groups[i].rect, groups[j].rect)) {
                    groups[i].rect.CombineOr(&groups[j].rect);
                    groups[i].primary = groups[i].primary || groups[j].primary;
                    groups.erase(groups.begin() + static_cast<long>(j));
                    merged = true;
                }
    }
    return groups;
}

std::string localTrim(const char* text)
{
    std::string s = text ? text : "";
    size_t a = s.find_first_not_of(" \t\r\n"), b = s.find_last_not_of(" \t\r\n");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::string localLower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

FXMonitorLayout fxLayoutMonitors(const std::vector<FXMonitor>& monitors, const FXRect& window,
                                 const FXRect& desktop, FXMonitorMode mode)
{
    FXMonitorLayout layout;
    if (window.IsEmpty())
        return layout;
    std::vector<FXMonitor> groups = localGroups(monitors, window);

    std::vector<FXMonitor> shown;
    if (mode == FXMonitorMode::span) {
        FXMonitor all = groups.front();
        for (const FXMonitor& g : groups) {
            all.rect.CombineOr(&g.rect);
            all.primary = all.primary || g.primary;
        }
        shown.push_back(all);
    } else if (mode == FXMonitorMode::primary) {
        for (const FXMonitor& g : groups)
            if (g.primary)
                shown.push_back(g);
    } else {
        shown = groups;
    }
    std::sort(shown.begin(), shown.end(), [](const FXMonitor& a, const FXMonitor& b) {
        return a.rect.left != b.rect.left ? a.rect.left < b.rect.left : a.rect.top < b.rect.top;
    });

    FXRect picture;
    picture.Set(0, 0, desktop.right - desktop.left, desktop.bottom - desktop.top);
    std::vector<FXRect> black{localMoved(window, -window.left, -window.top)};
    for (const FXMonitor& s : shown) {
        FXViewport v;
        v.rect = localMoved(s.rect, -window.left, -window.top);
        v.source = localMoved(s.rect, -desktop.left, -desktop.top);
        if (!v.source.CombineAnd(&picture))
            v.source.SetZero();
        v.primary = s.primary;
        layout.viewports.push_back(v);

        std::vector<FXRect> rest;
        for (const FXRect& b : black)
            localSubtract(b, v.rect, &rest);
        black.swap(rest);
    }
    layout.black = black;
    return layout;
}

bool fxParseMonitorMode(const char* text, FXMonitorMode* mode, std::string* why)
{
    std::string word = localLower(localTrim(text));
    *mode = FXMonitorMode::each;
    if (word.empty() || word == "each")
        return true;
    if (word == "span") {
        *mode = FXMonitorMode::span;
        return true;
    }
    if (word == "primary") {
        *mode = FXMonitorMode::primary;
        return true;
    }
    *why = "monitors: \"" + localTrim(text) + "\" is none of each, span, primary";
    return false;
}

bool fxParseDesktopSetting(const char* text, FXDesktopSetting* setting, std::string* why)
{
    std::string all = localTrim(text);
    size_t blank = all.find_first_of(" \t");
    std::string word = localLower(all.substr(0, blank));
    std::string rest = blank == std::string::npos ? std::string() : localTrim(all.c_str() + blank);
    *setting = FXDesktopSetting();
    if (word == "picture" && !rest.empty()) {
        setting->source = FXDesktopSource::picture;
        setting->file = rest;
        return true;
    }
    if (rest.empty() && (word.empty() || word == "capture"))
        return true;
    if (rest.empty() && word == "none") {
        setting->source = FXDesktopSource::none;
        return true;
    }
    if (word == "picture")
        *why = "desktop: picture needs a file: picture FILE";
    else
        *why = "desktop: \"" + all + "\" is none of capture, picture FILE, none";
    return false;
}
