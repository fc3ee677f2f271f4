#include "host/fxMonitorLayout.h"
#include "host/FXCropCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

FXRect R(int x, int y, int w, int h)
{
    FXRect r;
    r.Set(x, y, x + w, y + h);
    return r;
}

FXMonitor M(int x, int y, int w, int h, bool primary = false) { return FXMonitor{R(x, y, w, h), primary}; }

long long Area(const FXRect& r) { return r.IsEmpty() ? 0 : 1ll * (r.right - r.left) * (r.bottom - r.top); }

long long Common(const FXRect& a, const FXRect& b)
{
    FXRect c = a;
    return c.CombineAnd(&b) ? Area(c) : 0;
}

// "x,y wxh<sx,sy swxsh P" per viewport, "; " between; "<-" for no source.
std::string Text(const FXMonitorLayout& layout)
{
    std::string s;
    for (const FXViewport& v : layout.viewports) {
        char b[160];
        const FXRect &r = v.rect, &c = v.source;
        if (c.IsEmpty())
            std::snprintf(b, sizeof b, "%d,%d %dx%d<-", r.left, r.top, r.right - r.left, r.bottom - r.top);
        else
            std::snprintf(b, sizeof b, "%d,%d %dx%d<%d,%d %dx%d", r.left, r.top, r.right - r.left, r.bottom - r.top,
                          c.left, c.top, c.right - c.left, c.bottom - c.top);
        s += (s.empty() ? "" : "; ") + std::string(b) + (v.primary ? " P" : "");
    }
    return s;
}

struct Row {
    const char* name;
    std::vector<FXMonitor> monitors;
    FXRect window, desktop; // virtual-screen coordinates
    FXMonitorMode mode;
    const char* viewports;
    long long blackArea;
    std::vector<FXRect> dark; // window rectangles that must be black
};

} // namespace

TEST(fxMonitorLayout, ViewportsSourcesAndBlackTileTheWindowInEveryMode)
{
    using Mode = FXMonitorMode;
    // Two monitors of different sizes on one 2304x768 X screen.
    std::vector<FXMonitor> pair{M(0, 0, 1280, 720, true), M(1280, 0, 1024, 768)};
    FXRect root = R(0, 0, 2304, 768);
    // A Windows desk: a portrait monitor left of and above the primary, a
    // small one to its right and lower; the virtual screen starts at
    // -1080,-420.
    std::vector<FXMonitor> desk{M(2560, 180, 1920, 1080), M(0, 0, 2560, 1440, true), M(-1080, -420, 1080, 1920)};
    FXRect virt = R(-1080, -420, 5560, 1920);
    const Row rows[] = {
        {"one monitor", {M(0, 0, 1920, 1080, true)}, R(0, 0, 1920, 1080), R(0, 0, 1920, 1080), Mode::each,
         "0,0 1920x1080<0,0 1920x1080 P", 0, {}},
        {"two sizes, each", pair, root, root, Mode::each,
         "0,0 1280x720<0,0 1280x720 P; 1280,0 1024x768<1280,0 1024x768", 1280 * 48, {R(0, 720, 1280, 48)}},
        {"two sizes, span", pair, root, root, Mode::span, "0,0 2304x768<0,0 2304x768 P", 0, {}},
        {"two sizes, primary", pair, root, root, Mode::primary, "0,0 1280x720<0,0 1280x720 P",
         2304 * 768 - 1280 * 720, {R(1280, 0, 1024, 768), R(0, 720, 1280, 48)}},
        {"negative origins, each", desk, virt, virt, Mode::each,
         "0,0 1080x1920<0,0 1080x1920; 1080,420 2560x1440<1080,420 2560x1440 P; "
         "3640,600 1920x1080<3640,600 1920x1080",
         5560ll * 1920 - 1080 * 1920 - 2560 * 1440 - 1920 * 1080, {R(1080, 0, 4480, 420)}},
        {"negative origins, span", desk, virt, virt, Mode::span, "0,0 5560x1920<0,0 5560x1920 P", 0, {}},
        {"negative origins, primary", desk, virt, virt, Mode::primary, "1080,420 2560x1440<1080,420 2560x1440 P",
         5560ll * 1920 - 2560 * 1440, {R(0, 0, 1080, 1920), R(3640, 600, 1920, 1080)}},
        {"a capture of the primary only", desk, virt, R(0, 0, 2560, 1440), Mode::each,
         "0,0 1080x1920<-; 1080,420 2560x1440<0,0 2560x1440 P; 3640,600 1920x1080<-",
         5560ll * 1920 - 1080 * 1920 - 2560 * 1440 - 1920 * 1080, {}},
        {"mirrored into a bigger one", {M(0, 0, 1366, 768, true), M(0, 0, 1920, 1080)}, R(0, 0, 1920, 1080),
         R(0, 0, 1920, 1080), Mode::each, "0,0 1920x1080<0,0 1920x1080 P", 0, {}},
        {"inner one primary, listed second", {M(0, 0, 1920, 1080), M(100, 100, 1280, 720, true), M(1920, 0, 800, 600)},
         R(0, 0, 2720, 1080), R(0, 0, 2720, 1080), Mode::primary, "0,0 1920x1080<0,0 1920x1080 P",
         800 * 1080, {R(1920, 0, 800, 1080)}},
        {"duplicates and an empty one", {M(0, 0, 800, 600), M(800, 0, 800, 600, true), M(0, 0, 800, 600),
         M(500, 500, 0, 0)}, R(0, 0, 1600, 600), R(0, 0, 1600, 600), Mode::each,
         "0,0 800x600<0,0 800x600; 800,0 800x600<800,0 800x600 P", 0, {}},
        {"none marked primary: the first listed", {M(1024, 0, 1024, 768), M(0, 0, 1024, 768)}, R(0, 0, 2048, 768),
         R(0, 0, 2048, 768), Mode::primary, "1024,0 1024x768<1024,0 1024x768 P", 1024 * 768, {R(0, 0, 1024, 768)}},
        {"empty list: the window", {}, R(0, 0, 1024, 768), R(0, 0, 1024, 768), Mode::each,
         "0,0 1024x768<0,0 1024x768 P", 0, {}},
        {"no monitor on the window", {M(5000, 0, 800, 600, true)}, R(0, 0, 1024, 768), R(0, 0, 1024, 768),
         Mode::primary, "0,0 1024x768<0,0 1024x768 P", 0, {}},
        // xscreensaver's hack on the second monitor: its own part of the
        // root's screenshot; nothing in primary mode.
        {"a window on the second monitor", pair, R(1280, 0, 1024, 768), root, Mode::each,
         "0,0 1024x768<1280,0 1024x768", 0, {}},
        {"a window on the second monitor, primary", pair, R(1280, 0, 1024, 768), root, Mode::primary, "",
         1024 * 768, {R(0, 0, 1024, 768)}},
        {"a monitor half off the window", {M(-200, -100, 1000, 700, true), M(800, 0, 400, 300)}, R(0, 0, 1200, 600),
         R(0, 0, 1200, 600), Mode::each, "0,0 800x600<0,0 800x600 P; 800,0 400x300<800,0 400x300", 400 * 300, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FXMonitorLayout layout = fxLayoutMonitors(row.monitors, row.window, row.desktop, row.mode);
        EXPECT_EQ(Text(layout), row.viewports);

        FXRect inside = R(0, 0, row.window.right - row.window.left, row.window.bottom - row.window.top);
        std::vector<FXRect> all;
        long long black = 0, total = 0;
        for (const FXViewport& v : layout.viewports) {
            EXPECT_FALSE(v.rect.IsEmpty());
            all.push_back(v.rect);
        }
        for (const FXRect& b : layout.black) {
            EXPECT_FALSE(b.IsEmpty());
            black += Area(b);
            all.push_back(b);
        }
        for (size_t i = 0; i < all.size(); ++i) {
            EXPECT_EQ(Common(all[i], inside), Area(all[i])) << "piece " << i << " leaves the window";
            total += Area(all[i]);
            for (size_t j = i + 1; j < all.size(); ++j)
                EXPECT_EQ(Common(all[i], all[j]), 0) << "pieces " << i << " and " << j << " overlap";
        }
        EXPECT_EQ(total, Area(inside)) << "viewports and black leave part of the window uncovered";
        EXPECT_EQ(black, row.blackArea);
        for (const FXRect& d : row.dark) {
            long long covered = 0;
            for (const FXRect& b : layout.black)
                covered += Common(b, d);
            EXPECT_EQ(covered, Area(d)) << d.left << "," << d.top << " is not all black";
        }
    }
    EXPECT_TRUE(fxLayoutMonitors(pair, R(0, 0, 0, 768), root, Mode::each).viewports.empty()) << "an empty window";
}

TEST(fxMonitorLayout, SettingTexts)
{
    struct {
        const char* text;
        bool ok;
        FXMonitorMode mode;
    } modes[] = {
        {nullptr, true, FXMonitorMode::each}, {"", true, FXMonitorMode::each},
        {"each", true, FXMonitorMode::each},  {" Span\n", true, FXMonitorMode::span},
        {"PRIMARY", true, FXMonitorMode::primary}, {"spanning", false, FXMonitorMode::each},
        {"span primary", false, FXMonitorMode::each},
    };
    for (const auto& m : modes) {
        SCOPED_TRACE(m.text ? m.text : "(null)");
        FXMonitorMode mode = FXMonitorMode::primary;
        std::string why;
        EXPECT_EQ(fxParseMonitorMode(m.text, &mode, &why), m.ok);
        EXPECT_EQ(mode, m.mode);
        EXPECT_EQ(why.empty(), m.ok) << why;
        if (!m.ok) {
            EXPECT_NE(why.find(m.text), std::string::npos) << why;
        }
    }

    struct {
        const char* text;
        bool ok;
        FXDesktopSource source;
        const char* file;
    } desktops[] = {
        {nullptr, true, FXDesktopSource::capture, ""},
        {"  ", true, FXDesktopSource::capture, ""},
        {"Capture", true, FXDesktopSource::capture, ""},
        {"none", true, FXDesktopSource::none, ""},
        {"picture /home/me/My Pictures/sea.png ", true, FXDesktopSource::picture, "/home/me/My Pictures/sea.png"},
        {"PICTURE\tC:\\Pictures\\Sea.jpg", true, FXDesktopSource::picture, "C:\\Pictures\\Sea.jpg"},
        {"picture", false, FXDesktopSource::capture, ""},
        {"picture   ", false, FXDesktopSource::capture, ""},
        {"none at all", false, FXDesktopSource::capture, ""},
        {"capture.png", false, FXDesktopSource::capture, ""},
    };
    for (const auto& d : desktops) {
        SCOPED_TRACE(d.text ? d.text : "(null)");
        FXDesktopSetting setting;
        setting.source = FXDesktopSource::none;
        setting.file = "left over";
        std::string why;
        EXPECT_EQ(fxParseDesktopSetting(d.text, &setting, &why), d.ok);
        EXPECT_EQ(setting.source, d.source);
        EXPECT_EQ(setting.file, d.file);
        EXPECT_EQ(why.empty(), d.ok) << why;
    }
}

// Each monitor's show must get its own part of the one desktop picture:
// the right first pixel and the whole picture's row pitch, clipped to it.
TEST(fxMonitorLayout, CropCaptureHandsEachViewportItsPartOfTheDesktop)
{
    const int w = 6, h = 4, pitch = 4 * w + 8; // rows padded, as a capture may
    std::vector<unsigned char> pic(static_cast<size_t>(pitch) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pic[static_cast<size_t>(y) * pitch + 4 * x] = static_cast<unsigned char>(10 * y + x);
    std::string why;
    int cw = 0, ch = 0, cp = 0;
    const unsigned char* px = nullptr;

    FXCropCapture right(pic.data(), w, h, pitch, R(4, 1, 5, 5)); // past the right and bottom edges
    ASSERT_TRUE(right.Begin(&cw, &ch, &why));
    EXPECT_EQ(cw, 2);
    EXPECT_EQ(ch, 3);
    ASSERT_TRUE(right.Lock(&px, &cp, &why));
    EXPECT_EQ(cp, pitch);
    EXPECT_EQ(px[0], 14);
    EXPECT_EQ(px[4], 15);
    EXPECT_EQ(px[2 * cp + 4], 35);

    FXCropCapture negative(pic.data(), w, h, pitch, R(-3, -2, 5, 4)); // a monitor left of and above the picture
    ASSERT_TRUE(negative.Begin(&cw, &ch, &why));
    EXPECT_EQ(cw, 2);
    EXPECT_EQ(ch, 2);
    ASSERT_TRUE(negative.Lock(&px, &cp, &why));
    EXPECT_EQ(px[0], 0);

    // Off the picture, or no picture: no screen, and Lock hands out nothing.
    FXCropCapture off(pic.data(), w, h, pitch, R(6, 0, 3, 3));
    EXPECT_FALSE(off.Begin(&cw, &ch, &why));
    EXPECT_TRUE(why.empty());
    EXPECT_FALSE(off.Lock(&px, &cp, &why));
    FXCropCapture none(nullptr, w, h, pitch, R(0, 0, 2, 2));
    EXPECT_FALSE(none.Begin(&cw, &ch, &why));
}
