// The whole show offscreen on the virtual clock, on a small package built
// for the test: a three-frame sheet, movies of nine frames (so that their
// phases fall on quarters and eighths), and a notice of known colour.
#include "authoring/FXPackageBuilder.h"
#include "base/fxTime.h"
#include "base/fxTrace.h"
#include "host/FXRecordWindow.h"
#include "host/FXRecorder.h"
#include "show/fxHostState.h"
#include "platform/egl/FXEglWindow.h"
#include "render/FXPictureCapture.h"
#include "device/fxGLHeaders.h"
#include "show/Scene.h"
#include "support/PngWriter.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

namespace {

const int kW = 64, kH = 48;
const uint32_t kNotice = 0xffff00ffu; // magenta

void Write(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// A 3 x 3 grid sheet whose z bends by bend; material Material.001, from
// sheet.mtl or, without a library, left to the environment.
std::string Sheet(float bend, bool library = true)
{
    std::string s = library ? "mtllib sheet.mtl\n" : "";
    char line[96];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            std::snprintf(line, sizeof line, "v %g %g %g\n", c - 1.0, 1.0 - r, bend * (c == 1 ? 1 : 0));
            s += line;
        }
    s += "usemtl Material.001\n";
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) {
            int a = r * 3 + c + 1, b = a + 1, d = a + 3, e = d + 1;
            std::snprintf(line, sizeof line, "f %d %d %d\nf %d %d %d\n", a, b, d, b, e, d);
            s += line;
        }
    return s;
}

// Every source of the show into dir, then the package dir/lwhirl.dat.
bool BuildPackage(const std::string& dir, bool sheetLibrary = true)
{
    namespace fs = std::filesystem;
    bool ok = WritePng(dir + "/notice.png", 30, 8, std::vector<uint32_t>(30 * 8, kNotice)) &&
              WritePng(dir + "/preview.png", 16, 16, std::vector<uint32_t>(16 * 16, 0xff00ffffu)) &&
              WritePng(dir + "/small.png", 8, 8, std::vector<uint32_t>(8 * 8, 0xff808080u));
    Write(dir + "/sheet.mtl", "newmtl Material.001\nKd 1 1 1\n");
    Write(dir + "/coin.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    for (int k = 0; k < 3; ++k)
        Write(dir + "/sheet-" + std::to_string(k) + ".obj", Sheet(0.2f * k, sheetLibrary));
    for (const char* m : {"pole", "m0", "m1", "m2", "m3"}) {
        fs::create_directories(dir + "/" + m);
        int frames = std::string(m) == "pole" ? 3 : 9;
        for (int i = 0; i < frames; ++i) {
            std::vector<uint32_t> px(16 * 16, 0);
            for (int y = 4; y < 12; ++y)
                for (int x = 4; x < 12; ++x)
                    px[y * 16 + x] = 0xff20c0ffu;
            ok = ok && WritePng(dir + "/" + m + "/" + std::to_string(10 + i) + ".png", 16, 16, px);
        }
    }
    Write(dir + "/show.manifest", "picture 3 notice.png\npicture 12 preview.png\npicture 4 small.png\n"
                                  "model 2 coin.obj\npicture 687 small.png\npicture 688 small.png\n"
                                  "animation 8 sheet-*.obj times=500 loop=no\n"
                                  "movie 11 pole/ fps=10\nmovie 133 m0/ fps=25\nmovie 454 m1/ fps=25\n"
                                  "movie 685 m2/ fps=25\nmovie 686 m3/ fps=25\n");
    FXPackageBuilder b;
    b.quiet = true;
    return ok && b.Build((dir + "/show.manifest").c_str(), (dir + "/lwhirl.dat").c_str());
}

// Counts presented frames and keeps the last one's pixels (top-down RGBA).
class Presents : public PFrameListener {
public:
    std::atomic<int> count{0};
    std::vector<uint32_t> pixels;
    int sleepMs = 0;
    std::atomic<bool> inside{false};

    void OnPresent(int w, int h) override
    {
        inside = true;
        pixels.assign(static_cast<size_t>(w) * h, 0);
        std::vector<uint32_t> up(pixels.size());
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, up.data());
        for (int y = 0; y < h; ++y)
            std::copy(up.begin() + (h - 1 - y) * w, up.begin() + (h - y) * w, pixels.begin() + y * w);
        if (sleepMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
        ++count;
        inside = false;
    }
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * kW + x]; }
};

// Counts captures: the preview must take none.
class CountingCapture : public FXPictureCapture {
public:
    int begins = 0;
    bool Begin(int* w, int* h, std::string* why) override
    {
        ++begins;
        return FXPictureCapture::Begin(w, h, why);
    }
};

int Red(uint32_t p) { return p & 0xff; }
int Green(uint32_t p) { return (p >> 8) & 0xff; }
int Blue(uint32_t p) { return (p >> 16) & 0xff; }

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(BuildPackage(dir.path));
        std::snprintf(vornPath, sizeof vornPath, "%s", dir.path.c_str());
        desktop = fxTestDesktop(kW, kH);
        capture.SetPixels(kW, kH, desktop.data());
        fxSetScreenCapture(&capture);
        fxUseVirtualClock(5000.0);
        cwd = std::filesystem::current_path();
    }
    void TearDown() override
    {
        fxSetScreenCapture(nullptr);
        fxUseRealClock();
        gr.hideMultitexture = false;
        std::filesystem::current_path(cwd);
    }
    // One frame drawn by the test thread, then 1/30 s of show time.
    void Frame()
    {
        sc.OnRender(&gr, fxGetTime());
        fxAdvanceClock(1.0 / 30);
    }

    TempDir dir;
    std::vector<uint32_t> desktop;
    CountingCapture capture;
    FXEglWindow egl{kW, kH};
    Presents presents;
    FXRecordWindow window{&egl, &presents};
    std::filesystem::path cwd;
};

// The movie brightness the fade curve gives for progress v.
float Fade(float v)
{
    return v <= 0.25f ? 4 * v : (v <= 0.75f ? 1.0f : 4 * (1 - v));
}

} // namespace

TEST_F(SceneTest, FullShowFromSheetToMovies)
{
    // The trace file of the first full-screen start of the process stays
    // open until it ends.
    bool tracing = fxTracesOpened();
    BuildScene(&window, false);
    EXPECT_TRUE(tracing || std::filesystem::exists(dir.File("lwhirl.log")));
    ASSERT_NE(gr.hglrc, nullptr);
    EXPECT_FALSE(hasError);
    EXPECT_EQ(capture.begins, 1);
    gr.SetAct(true);
    Frame();
    EXPECT_EQ(presents.count, 0) << "the first frame is not presented";
    Frame();
    ASSERT_EQ(presents.count, 1);
    // Flat and lit from the front: the desktop as it was, corners in place.
    uint32_t tl = presents.At(2, 2), tr = presents.At(kW - 3, 2), bl = presents.At(2, kH - 3), br = presents.At(kW - 3, kH - 3);
    EXPECT_GT(Red(tl), Blue(tl) + 60) << std::hex << tl;
    EXPECT_GT(Green(tr), Blue(tr) + 60) << std::hex << tr;
    EXPECT_GT(Blue(bl), Green(bl) + 60) << std::hex << bl;
    EXPECT_GT(Green(br), 180) << std::hex << br;
    EXPECT_GT(Blue(br), 180) << std::hex << br;

    int n = scr_anim.frames.count, switchFrame = -1, firstMovie = -1, fullPole = -1;
    ASSERT_EQ(n, 3);
    bool sawQuarter = false, sawThreeQuarters = false, sawSevenEighths = false;
    for (int k = 0; k < 600 && movie_ends < 2; ++k) {
        int before = anim_id;
        bool poleBefore = first_pole;
        float vBefore = firstMovie >= 0 ? movie[firstMovie].phase : 0.0f;
        Frame();
        if (before == 0) {
            if (anim_id == 0) {
                EXPECT_LT(falling, 1.0f);
                EXPECT_LT(scr_anim.actFrame, n - 1);
                continue;
            }
            switchFrame = k;
            EXPECT_EQ(scr_anim.actFrame, n - 1) << "the movies start the frame the sheet reaches its last key frame";
            EXPECT_FLOAT_EQ(falling, 1.0f);
            EXPECT_GE(movie_id, 0);
            firstMovie = movie_id;
            continue;
        }
        EXPECT_FLOAT_EQ(light1.diffuse[0] + light1.diffuse[1] + light1.diffuse[2], 0) << "light1 is black";
        if (poleBefore && !first_pole) {
            fullPole = k;
            EXPECT_EQ(movie_ends, 0) << "during the first movie";
            EXPECT_LE(vBefore, 0.25f) << "in its fade-in";
        }
        float v = movie[movie_ends == 0 ? firstMovie : movie_id].phase;
        if (movie_ends == 0 && v < 1.0f) {
            EXPECT_FLOAT_EQ(movie_black, Fade(v)) << v;
            sawQuarter |= v == 0.25f && movie_black == 1.0f;
            sawThreeQuarters |= v == 0.75f && movie_black == 1.0f;
            sawSevenEighths |= v == 0.875f && movie_black == 0.5f;
        }
    }
    EXPECT_GE(switchFrame, 0);
    EXPECT_GE(fullPole, 0) << "the backdrop reaches full brightness";
    EXPECT_TRUE(sawQuarter && sawThreeQuarters && sawSevenEighths);
    EXPECT_EQ(movie_ends, 2) << "one movie follows another";
    DestroyScene();
}

TEST_F(SceneTest, KeyFramesWithoutAMaterialFileStillShowTheDesktop)
{
    // Exported key frames often name Material.001 with no mtllib: the
    // sheet's library is then empty and the name resolves to the desktop.
    ASSERT_TRUE(BuildPackage(dir.path, false));
    BuildScene(&window, false);
    ASSERT_NE(gr.hglrc, nullptr);
    gr.SetAct(true);
    Frame();
    Frame();
    ASSERT_EQ(presents.count, 1);
    uint32_t tl = presents.At(2, 2), bl = presents.At(2, kH - 3);
    EXPECT_GT(Red(tl), Blue(tl) + 60) << std::hex << tl << " (white: no desktop)";
    EXPECT_GT(Blue(bl), Green(bl) + 60) << std::hex << bl;
    DestroyScene();
}

TEST_F(SceneTest, NoticeWithoutMultitexturingIsDrawnLastAtItsOwnSize)
{
    gr.hideMultitexture = true;
    BuildScene(&window, false);
    EXPECT_TRUE(hasError);
    gr.SetAct(true);
    Frame();
    for (int k = 0; k < 60; ++k) {
        int before = presents.count;
        Frame();
        ASSERT_EQ(presents.count, before + 1);
        // (10, 10) to (40, 18), and not a pixel more.
        for (int y = 10; y < 18; y += 7)
            for (int x = 10; x < 40; x += 29)
                ASSERT_EQ(presents.At(x, y), kNotice) << x << "," << y << " frame " << k;
        for (auto xy : {std::make_pair(9, 10), std::make_pair(40, 10), std::make_pair(10, 9), std::make_pair(10, 18)})
            ASSERT_NE(presents.At(xy.first, xy.second), kNotice) << xy.first << "," << xy.second;
    }
    EXPECT_EQ(anim_id, 1) << "the notice stays over the movies too";
    DestroyScene();
}

TEST_F(SceneTest, PreviewLoadsOnlyItsPictures)
{
    std::filesystem::remove(dir.File("lwhirl.log"));
    BuildScene(&window, true);
    gr.SetAct(true);
    for (int k = 0; k < 3; ++k)
        Frame();
    EXPECT_EQ(presents.count, 3) << "every frame, the first too";
    EXPECT_EQ(capture.begins, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("lwhirl.log")));
    EXPECT_GT(preview_mat.GetWidth(), 0);
    EXPECT_GT(err_gad.picture.GetWidth(), 0);
    EXPECT_EQ(scr_anim.frames.count, 0);
    EXPECT_EQ(pole.GetFrameCount(), 0);
    for (const SMovie& m : movie)
        EXPECT_EQ(m.GetFrameCount(), 0);
    EXPECT_EQ(presents.At(kW / 2, kH / 2), 0xff00ffffu) << "the preview picture fills the window";
    DestroyScene();
}

TEST_F(SceneTest, DestroyWaitsForTheFrameAndCyclesRepeat)
{
    presents.sleepMs = 15; // wall-clock time inside a frame
    for (int cycle = 0; cycle < 3; ++cycle) {
        int before = presents.count;
        InitScene(&window, false);
        while (presents.count < before + 3)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        DestroyScene();
        EXPECT_FALSE(presents.inside) << "a frame was still being drawn";
        EXPECT_FALSE(gr.running);
        EXPECT_EQ(gr.hglrc, nullptr);
    }
}
