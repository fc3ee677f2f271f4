#include "host/fxDesktopCapture.h"
#include "render/fxDevil.h"
#include "support/PngWriter.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

// A 3 x 1 screen that counts how often it is read, whether or not the
// decision kept it.
class CountedScreen : public PScreenCapture {
public:
    explicit CountedScreen(int* reads) : reads(reads) {}
    bool Begin(int* w, int* h, std::string*) override
    {
        ++*reads;
        *w = 3;
        *h = 1;
        return true;
    }
    bool Lock(const unsigned char** p, int* pitch, std::string*) override
    {
        *p = px;
        *pitch = 12;
        return true;
    }
    void End() override {}

private:
    int* reads;
    unsigned char px[12] = {9, 9, 9, 0, 9, 9, 9, 0, 9, 9, 9, 0};
};

struct Shot {
    bool ok = false;
    int w = 0, h = 0;
    std::string why;
    std::vector<uint32_t> rgb; // 0x00RRGGBB
};

// What the show would read through the chosen capture.
Shot Read(PScreenCapture* c)
{
    Shot s;
    s.ok = c->Begin(&s.w, &s.h, &s.why);
    const unsigned char* p = nullptr;
    int pitch = 0;
    if (s.ok && c->Lock(&p, &pitch, &s.why))
        for (int y = 0; y < s.h; ++y)
            for (int x = 0; x < s.w; ++x) {
                const unsigned char* q = p + y * pitch + 4 * x;
                s.rgb.push_back(static_cast<uint32_t>(q[2]) << 16 | q[1] << 8 | q[0]);
            }
    if (s.ok)
        c->End();
    return s;
}

} // namespace

// Every way a run can come by its sheet's picture: which one the mode, the
// setting and xscreensaver's preferences give, that the screen is not read
// where it must not be, and that a picture is placed as a capture of the
// screen would be: covering it, aspect kept, centred.
TEST(fxDesktopCapture, ChoosesAndPlacesWhatTheSheetShows)
{
    ASSERT_TRUE(fxLoadDevil());
    TempDir dir;
    std::filesystem::create_directories(dir.File("pics/deeper"));
    // 8 x 2: two red columns, four green, two blue.
    std::vector<uint32_t> wide(16);
    for (int i = 0; i < 16; ++i)
        wide[i] = 0xff000000u | (i % 8 < 2 ? 0x0000ffu : i % 8 < 6 ? 0x00ff00u : 0xff0000u);
    ASSERT_TRUE(WritePng(dir.File("pics/deeper/wide.png"), 8, 2, wide));
    std::ofstream(dir.File("pics/fake.png")) << "not a picture";
    std::ofstream(dir.File("pics/notes.txt")) << "\x89PNG is how a PNG starts";
    std::ofstream(dir.File("pics/a.tga")) << std::string(18, '\0');
    std::filesystem::create_directories(dir.File("empty"));

    std::vector<std::string> found = fxPicturesIn(dir.File("pics"), 10);
    std::sort(found.begin(), found.end());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], dir.File("pics/a.tga"));
    EXPECT_EQ(found[1], dir.File("pics/deeper/wide.png"));
    EXPECT_TRUE(fxPicturesIn(dir.File("none"), 10).empty());

    int reads = 0;
    auto choose = [&](FXSaverSession::Mode mode, const char* setting, const FXXScreenSaverPrefs* prefs) {
        FXDesktopRequest r;
        r.mode = mode;
        std::string why;
        EXPECT_TRUE(fxParseDesktopSetting(setting, &r.setting, &why)) << why;
        r.xscreensaver = prefs;
        r.screenWidth = 4;
        r.screenHeight = 4;
        return fxChooseDesktopCapture(r, std::make_unique<CountedScreen>(&reads), nullptr);
    };
    auto shot = [&](FXSaverSession::Mode mode, const std::string& setting, const FXXScreenSaverPrefs* prefs) {
        return Read(choose(mode, setting.c_str(), prefs).get());
    };
    const auto full = FXSaverSession::kFullScreen, hack = FXSaverSession::kHack;
    FXXScreenSaverPrefs grab, noGrab, random, randomEmpty;
    noGrab.grabDesktopImages = random.grabDesktopImages = randomEmpty.grabDesktopImages = false;
    random.chooseRandomImages = randomEmpty.chooseRandomImages = true;
    random.imageDirectory = dir.File("pics");
    randomEmpty.imageDirectory = dir.File("empty");

    // The screen, read once, as it is; xscreensaver's preferences count
    // for a hack only.
    for (const Shot& s : {shot(full, "", &noGrab), shot(hack, "capture", &grab), shot(hack, "", nullptr)}) {
        EXPECT_TRUE(s.ok && s.w == 3 && s.h == 1 && s.rgb[2] == 0x090909u);
    }
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(choose(FXSaverSession::kPreview, "", nullptr), nullptr);

    // The built-in picture: no screen, no error, and the screen unread.
    reads = 0;
    for (const Shot& s : {shot(full, "none", nullptr), shot(hack, "capture", &noGrab), shot(hack, "none", &random),
                          shot(hack, "", &randomEmpty)}) {
        EXPECT_FALSE(s.ok);
        EXPECT_EQ(s.why, "");
        EXPECT_EQ(s.w * s.h, 0);
    }
    // A picture: the user's over xscreensaver's, xscreensaver's from its
    // folder (the Targa there does not decode: the PNG is taken), both
    // covering the 4 x 4 screen: the middle four of the eight columns,
    // scaled by 2, all green; stretched it would show red and blue, fitted
    // black bands.
    for (const Shot& s : {shot(hack, "picture " + dir.File("pics/deeper/wide.png"), &noGrab),
                          shot(hack, "", &random)}) {
        ASSERT_TRUE(s.ok) << s.why;
        ASSERT_EQ(s.w, 4);
        ASSERT_EQ(s.h, 4);
        EXPECT_EQ(std::count(s.rgb.begin(), s.rgb.end(), 0x00ff00u), 16);
    }
    EXPECT_EQ(reads, 0);
    // A picture that cannot be read: no screen, saying why.
    Shot s = shot(full, "picture " + dir.File("missing.png"), nullptr);
    EXPECT_FALSE(s.ok);
    EXPECT_NE(s.why.find("cannot read the desktop picture " + dir.File("missing.png")), std::string::npos) << s.why;
    EXPECT_EQ(reads, 0);
    fxUnloadDevil();
}
