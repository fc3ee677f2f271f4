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
#include "host/FXPictureCapture.h"
#include "device/fxGLHeaders.h"
#include "show/Scene.h"
#include "support/PngWriter.h"
#include "support/SpyEnv.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
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

// Every source of the show into dir, then the package dir/lwhirl.dat: a
// sheet of sheetFrames key frames (none: no entry), movies of movieFrames.
bool BuildPackage(const std::string& dir, bool sheetLibrary = true, int sheetFrames = 3, int movieFrames = 9)
{
    namespace fs = std::filesystem;
    bool ok = WritePng(dir + "/notice.png", 30, 8, std::vector<uint32_t>(30 * 8, kNotice)) &&
              WritePng(dir + "/preview.png", 16, 16, std::vector<uint32_t>(16 * 16, 0xff00ffffu)) &&
              WritePng(dir + "/small.png", 8, 8, std::vector<uint32_t>(8 * 8, 0xff808080u));
    Write(dir + "/sheet.mtl", "newmtl Material.001\nKd 1 1 1\n");
    Write(dir + "/coin.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    for (int k = 0; k < sheetFrames; ++k)
        Write(dir + "/sheet-" + std::to_string(k) + ".obj", Sheet(0.2f * k, sheetLibrary));
    for (const char* m : {"pole", "m0", "m1", "m2", "m3"}) {
        fs::create_directories(dir + "/" + m);
        int frames = std::string(m) == "pole" ? 3 : movieFrames;
        for (int i = 0; i < frames; ++i) {
            std::vector<uint32_t> px(16 * 16, 0);
            for (int y = 4; y < 12; ++y)
                for (int x = 4; x < 12; ++x)
                    px[y * 16 + x] = 0xff20c0ffu;
            ok = ok && WritePng(dir + "/" + m + "/" + std::to_string(10 + i) + ".png", 16, 16, px);
        }
    }
    std::string sheet = sheetFrames > 0 ? "animation 8 sheet-*.obj times=500 loop=no\n" : "";
    Write(dir + "/show.manifest", "picture 3 notice.png\npicture 12 preview.png\npicture 4 small.png\n"
                                  "model 2 coin.obj\npicture 687 small.png\npicture 688 small.png\n" +
                                      sheet +
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
        sc.gr.hideMultitexture = false;
        std::filesystem::current_path(cwd);
    }
    // One frame drawn by the test thread through env, then 1/30 s of show
    // time; the frame's start time.
    double Frame() { return Frame(&sc.gr); }
    double Frame(PEnv* env)
    {
        double t = fxGetTime();
        sc.OnRender(env, t);
        fxAdvanceClock(1.0 / 30);
        return t;
    }

    TempDir dir;
    std::vector<uint32_t> desktop;
    CountingCapture capture;
    FXEglWindow egl{kW, kH};
    Presents presents;
    FXRecordWindow window{&egl, &presents};
    std::filesystem::path cwd;
    std::unique_ptr<Scene> owned{new Scene}; // after its window: it goes first
    Scene& sc = *owned;
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
    sc.Build(&window, false);
    EXPECT_TRUE(tracing || std::filesystem::exists(dir.File("lwhirl.log")));
    ASSERT_NE(sc.gr.hglrc, nullptr);
    EXPECT_FALSE(sc.hasError);
    EXPECT_EQ(capture.begins, 1);
    sc.gr.SetAct(true);
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

    int n = sc.scr_anim.frames.count, switchFrame = -1, firstMovie = -1, fullPole = -1;
    ASSERT_EQ(n, 3);
    bool sawQuarter = false, sawThreeQuarters = false, sawSevenEighths = false;
    for (int k = 0; k < 600 && sc.movie_ends < 2; ++k) {
        int before = sc.anim_id;
        bool poleBefore = sc.first_pole;
        float vBefore = firstMovie >= 0 ? sc.movie[firstMovie].phase : 0.0f;
        Frame();
        if (before == 0) {
            if (sc.anim_id == 0) {
                EXPECT_LT(sc.falling, 1.0f);
                EXPECT_LT(sc.scr_anim.actFrame, n - 1);
                continue;
            }
            switchFrame = k;
            EXPECT_EQ(sc.scr_anim.actFrame, n - 1) << "the movies start the frame the sheet reaches its last key frame";
            EXPECT_FLOAT_EQ(sc.falling, 1.0f);
            EXPECT_GE(sc.movie_id, 0);
            firstMovie = sc.movie_id;
            continue;
        }
        EXPECT_FLOAT_EQ(sc.light1.diffuse[0] + sc.light1.diffuse[1] + sc.light1.diffuse[2], 0) << "light1 is black";
        if (poleBefore && !sc.first_pole) {
            fullPole = k;
            EXPECT_EQ(sc.movie_ends, 0) << "during the first movie";
            EXPECT_LE(vBefore, 0.25f) << "in its fade-in";
        }
        float v = sc.movie[sc.movie_ends == 0 ? firstMovie : sc.movie_id].phase;
        if (sc.movie_ends == 0 && v < 1.0f) {
            EXPECT_FLOAT_EQ(sc.movie_black, Fade(v)) << v;
            sawQuarter |= v == 0.25f && sc.movie_black == 1.0f;
            sawThreeQuarters |= v == 0.75f && sc.movie_black == 1.0f;
            sawSevenEighths |= v == 0.875f && sc.movie_black == 0.5f;
        }
    }
    EXPECT_GE(switchFrame, 0);
    EXPECT_GE(fullPole, 0) << "the backdrop reaches full brightness";
    EXPECT_TRUE(sawQuarter && sawThreeQuarters && sawSevenEighths);
    EXPECT_EQ(sc.movie_ends, 2) << "one movie follows another";
    sc.Destroy();
}

TEST_F(SceneTest, KeyFramesWithoutAMaterialFileStillShowTheDesktop)
{
    // Exported key frames often name Material.001 with no mtllib: the
    // sheet's library is then empty and the name resolves to the desktop.
    ASSERT_TRUE(BuildPackage(dir.path, false));
    sc.Build(&window, false);
    ASSERT_NE(sc.gr.hglrc, nullptr);
    sc.gr.SetAct(true);
    Frame();
    Frame();
    ASSERT_EQ(presents.count, 1);
    uint32_t tl = presents.At(2, 2), bl = presents.At(2, kH - 3);
    EXPECT_GT(Red(tl), Blue(tl) + 60) << std::hex << tl << " (white: no desktop)";
    EXPECT_GT(Blue(bl), Green(bl) + 60) << std::hex << bl;
    sc.Destroy();
}

TEST_F(SceneTest, NoticeWithoutMultitexturingIsDrawnLastAtItsOwnSize)
{
    sc.gr.hideMultitexture = true;
    sc.Build(&window, false);
    EXPECT_TRUE(sc.hasError);
    sc.gr.SetAct(true);
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
    EXPECT_EQ(sc.anim_id, 1) << "the notice stays over the movies too";
    sc.Destroy();
}

TEST_F(SceneTest, PreviewLoadsOnlyItsPictures)
{
    sc.Build(&window, true);
    sc.gr.SetAct(true);
    for (int k = 0; k < 3; ++k)
        Frame();
    EXPECT_EQ(presents.count, 3) << "every frame, the first too";
    EXPECT_EQ(capture.begins, 0);
    EXPECT_GT(sc.preview_mat.GetWidth(), 0);
    EXPECT_GT(sc.err_gad.picture.GetWidth(), 0);
    EXPECT_EQ(sc.scr_anim.frames.count, 0);
    EXPECT_EQ(sc.pole.GetFrameCount(), 0);
    for (const SMovie& m : sc.movie)
        EXPECT_EQ(m.GetFrameCount(), 0);
    EXPECT_EQ(presents.At(kW / 2, kH / 2), 0xff00ffffu) << "the preview picture fills the window";
    sc.Destroy();
}

TEST_F(SceneTest, DestroyWaitsForTheFrameAndCyclesRepeat)
{
    presents.sleepMs = 15; // wall-clock time inside a frame
    for (int cycle = 0; cycle < 3; ++cycle) {
        int before = presents.count;
        sc.Init(&window, false);
        while (presents.count < before + 3)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sc.Destroy();
        EXPECT_FALSE(presents.inside) << "a frame was still being drawn";
        EXPECT_FALSE(sc.gr.running);
        EXPECT_EQ(sc.gr.hglrc, nullptr);
    }
}

namespace {

// The sheet's matrix for progress f and rotation phase r: lifted, turned
// about y and x, enlarged, and moved back in depth.
FXMatrix SheetMatrix(float f, float r)
{
    FXMatrix ty, ry, rx, s, tz, a, b;
    ty.SetMoveF(0, 0.25f * f, 0);
    ry.SetRotateY((r * 90.0f - 45.0f) * f);
    rx.SetRotateX(f * -7.0f);
    s.SetScaleF(0.4f * f + 1.0f, 0.4f * f + 1.0f, 1.6f * f + 1.0f);
    tz.SetMoveF(0, 0, -0.2f * f);
    a.Multiply(&ty, &ry);
    b.Multiply(&a, &rx);
    a.Multiply(&b, &s);
    b.Multiply(&a, &tz);
    return b;
}

// The movies' matrix: shrunk, and for movies 2 and 3 moved a little right.
FXMatrix MovieMatrix(int id)
{
    FXMatrix s, right, out;
    s.SetScaleF(0.8f, 0.9f, 1.0f);
    right.SetMoveF(0.045816734f, 0, 0);
    if (id == 2 || id == 3)
        out.Multiply(&s, &right);
    else
        out.Copy(&s);
    return out;
}

::testing::AssertionResult SameMatrix(const float* got, const FXMatrix& want)
{
    for (int i = 0; i < 16; ++i)
        if (std::fabs(got[i] - want.m[i]) > 1e-5f) {
            std::string g, w;
            for (int j = 0; j < 16; ++j) {
                g += std::to_string(got[j]) + " ";
                w += std::to_string(want.m[j]) + " ";
            }
            return ::testing::AssertionFailure() << "element " << i << ": drawn with " << g << "; expected " << w;
        }
    return ::testing::AssertionSuccess();
}

// Each red spot light circles its own centre at z -1, radius 0.4, light2
// one way in 12 s, light3 and light4 the other in 14 s and 10 s, with the
// show's 3.1415 for pi.
struct Circle {
    const FXLight* light;
    float cx, cy, turn; // turn: radians per second, signed
};

float Angle(const Circle& c)
{
    return std::atan2(c.light->pos[0] - c.cx, c.light->pos[1] - c.cy);
}

bool IsShowMesh(const Scene& sc, const FXMesh* m)
{
    if (m == &sc.pole.desk.mesh)
        return true;
    for (const SMovie& v : sc.movie)
        if (m == &v.desk.mesh)
            return true;
    return false;
}

} // namespace

TEST_F(SceneTest, ScriptPlacesLightsSheetAndMoviesAndColoursThem)
{
    // 22 movie frames: phase 5/21 fades the first movie to 0.952, so the
    // backdrop reaches full brightness in a frame that began below it.
    ASSERT_TRUE(BuildPackage(dir.path, true, 3, 22));
    sc.Build(&window, false);
    ASSERT_NE(sc.gr.hglrc, nullptr);
    sc.gr.SetAct(true);
    SpyEnv spy(&sc.gr);
    Frame(&spy);
    const float kTurn = 2 * 3.1415f;
    const Circle circles[3] = {{&sc.light2, -0.7f, -0.7f, kTurn / 12},
                               {&sc.light3, 0.7f, -0.7f, -kTurn / 14},
                               {&sc.light4, 0.0f, 0.7f, -kTurn / 10}};
    float angles[3] = {0, 0, 0};
    double tLast = 0;
    int meshFrames = 0, movieFrames = 0, poleSwitch = 0;
    for (int k = 0; k < 400 && sc.movie_ends < 1; ++k) {
        float fBefore = sc.falling, blackBefore = sc.movie_black;
        int animBefore = sc.anim_id, idBefore = sc.movie_id;
        bool poleBefore = sc.first_pole;
        spy.Clear();
        double t = Frame(&spy);
        SCOPED_TRACE("frame " + std::to_string(k) + ", falling " + std::to_string(fBefore) + ", movie_black " +
                     std::to_string(blackBefore));

        // Lights: on their circles, turning at their speeds; white light 1
        // dimmed by the progress, the spots by the movies' brightness.
        for (int i = 0; i < 3; ++i) {
            const FXLight* l = circles[i].light;
            float dx = l->pos[0] - circles[i].cx, dy = l->pos[1] - circles[i].cy;
            ASSERT_NEAR(std::sqrt(dx * dx + dy * dy), 0.4f, 1e-5f) << "light " << i + 2;
            ASSERT_FLOAT_EQ(l->pos[2], -1.0f);
            ASSERT_FLOAT_EQ(l->pos[3], 1.0f) << "positional";
            float a = Angle(circles[i]);
            if (k > 0) {
                float turned = std::remainder(a - angles[i], 2 * 3.14159265f);
                ASSERT_NEAR(turned, circles[i].turn * static_cast<float>(t - tLast), 5e-4f) << "light " << i + 2;
            }
            angles[i] = a;
            float b = blackBefore * 0.6f + 0.4f;
            ASSERT_NEAR(l->diffuse[0], b, 1e-6f);
            ASSERT_NEAR(l->diffuse[1], 0.1f * b, 1e-6f);
            ASSERT_NEAR(l->diffuse[2], 0.1f * b, 1e-6f);
            ASSERT_NEAR(l->specular[0], b, 1e-6f);
        }
        tLast = t;
        for (int c = 0; c < 3; ++c)
            ASSERT_NEAR(sc.light1.diffuse[c], 1.0f - fBefore, 1e-6f);

        // The sheet, every frame: its matrix follows the progress at the
        // frame's start and the rotation phase.
        int sheetDraws = 0;
        for (const SpyEnv::Draw& d : spy.draws) {
            if (IsShowMesh(sc, d.mesh))
                continue;
            ++sheetDraws;
            ASSERT_TRUE(SameMatrix(d.matrix, SheetMatrix(fBefore, sc.rot_phase.phase)));
        }
        ASSERT_GT(sheetDraws, 0);
        if (animBefore == 0) {
            ++meshFrames;
            continue;
        }

        // The movie phase: backdrop and movie shrunk, the movie coloured by
        // the brightness at the frame's start even when the backdrop's
        // fade-in ends in this frame.
        ASSERT_GE(idBefore, 0);
        std::vector<SpyEnv::Draw> p = spy.Of(&sc.pole.desk.mesh), m = spy.Of(&sc.movie[idBefore].desk.mesh);
        ASSERT_EQ(p.size(), 1u);
        ASSERT_EQ(m.size(), 1u);
        ASSERT_TRUE(SameMatrix(p[0].matrix, MovieMatrix(0)));
        ASSERT_TRUE(SameMatrix(m[0].matrix, MovieMatrix(idBefore)));
        for (int c = 0; c < 4; ++c)
            ASSERT_FLOAT_EQ(m[0].colour[c], blackBefore);
        if (poleBefore && !sc.first_pole) {
            poleSwitch = k;
            EXPECT_GE(blackBefore, 0.9f);
            EXPECT_LT(blackBefore, 1.0f) << "the case where the frame's start and its end differ";
            EXPECT_FLOAT_EQ(p[0].colour[0], 1.0f) << "the backdrop takes the full brightness at once";
        }
        ++movieFrames;
    }
    EXPECT_GT(meshFrames, 10);
    EXPECT_GT(movieFrames, 10);
    EXPECT_GT(poleSwitch, 0);

    // Every movie in turn: 2 and 3 sit a little right of 0 and 1.
    bool drawn[4] = {false, false, false, false};
    for (int id = 0; id < 4; ++id) {
        sc.movie_id = id;
        sc.movie[id].Restart(fxGetTime());
        for (int k = 0; k < 3; ++k) {
            spy.Clear();
            Frame(&spy);
            for (int j = 0; j < 4; ++j)
                for (const SpyEnv::Draw& d : spy.Of(&sc.movie[j].desk.mesh)) {
                    drawn[j] = true;
                    ASSERT_TRUE(SameMatrix(d.matrix, MovieMatrix(j))) << "movie " << j;
                }
        }
    }
    for (int j = 0; j < 4; ++j)
        EXPECT_TRUE(drawn[j]) << "movie " << j;
    sc.Destroy();
}

TEST_F(SceneTest, SecondStartReplaysTheShowFromItsStart)
{
    // The sheet's frames, which owe nothing to chance (the movies' order
    // follows the generator's state, which goes on from the first start).
    auto play = [&](std::vector<std::vector<uint32_t>>* frames) {
        sc.Build(&window, false);
        sc.gr.SetAct(true);
        EXPECT_EQ(sc.anim_id, 0);
        EXPECT_TRUE(sc.first);
        EXPECT_EQ(sc.movie_id, -1);
        EXPECT_TRUE(sc.first_pole);
        EXPECT_EQ(sc.movie_ends, 0);
        EXPECT_FLOAT_EQ(sc.falling, 0);
        EXPECT_FLOAT_EQ(sc.movie_black, 0);
        FXLight* order[5] = {&sc.light, &sc.light1, &sc.light2, &sc.light3, &sc.light4};
        for (int i = 0; i < PEnv::kMaxLights; ++i)
            EXPECT_EQ(sc.gr.lights[i], i < 5 ? order[i] : nullptr) << "slot " << i;
        int before = presents.count;
        Frame();
        EXPECT_EQ(presents.count, before) << "the first frame is not presented";
        for (int k = 0; k < 40; ++k) {
            Frame();
            if (sc.anim_id == 0)
                frames->push_back(presents.pixels);
        }
        EXPECT_EQ(sc.anim_id, 1) << "into the movies";
        sc.Destroy();
    };
    std::vector<std::vector<uint32_t>> a, b;
    play(&a);
    // An earlier clock: nothing may go on from where the first start left it.
    fxUseVirtualClock(4000.0);
    play(&b);
    ASSERT_EQ(a.size(), b.size());
    ASSERT_GT(a.size(), 20u);
    for (size_t k = 0; k < a.size(); ++k)
        ASSERT_TRUE(a[k] == b[k]) << "presented frame " << k << " differs";
}

TEST_F(SceneTest, SheetOfFewerThanTwoKeyFramesGoesStraightToTheMovies)
{
    for (int frames : {1, 0}) {
        SCOPED_TRACE(std::to_string(frames) + " key frames");
        TempDir own;
        ASSERT_TRUE(BuildPackage(own.path, true, frames));
        std::snprintf(vornPath, sizeof vornPath, "%s", own.path.c_str());
        fxUseVirtualClock(5000.0);
        sc.Build(&window, false);
        sc.gr.SetAct(true);
        EXPECT_EQ(sc.scr_anim.frames.count, frames);
        SpyEnv spy(&sc.gr);
        Frame(&spy);
        Frame(&spy);
        EXPECT_EQ(sc.anim_id, 1);
        EXPECT_FLOAT_EQ(sc.falling, 1.0f);
        ASSERT_GE(sc.movie_id, 0);
        float brightest = 0;
        for (int k = 0; k < 10; ++k) {
            spy.Clear();
            int id = sc.movie_id;
            Frame(&spy);
            ASSERT_EQ(spy.Of(&sc.movie[id].desk.mesh).size(), 1u) << "the movie is drawn";
            for (const SpyEnv::Draw& d : spy.draws)
                for (float v : d.matrix)
                    ASSERT_TRUE(std::isfinite(v));
            for (const FXLight* l : {&sc.light1, &sc.light2, &sc.light3, &sc.light4})
                for (int c = 0; c < 4; ++c)
                    ASSERT_TRUE(std::isfinite(l->pos[c]) && std::isfinite(l->diffuse[c]));
            ASSERT_TRUE(std::isfinite(sc.movie_black));
            brightest = std::max(brightest, sc.movie_black);
        }
        EXPECT_FLOAT_EQ(brightest, 1.0f) << "the movie fades in";
        sc.Destroy();
    }
}

// The preview opens no trace file. Only a process that has not yet started
// a full show can tell, as the first full start keeps its file open: the
// check runs in a process of its own.
TEST_F(SceneTest, PreviewOpensNoTraceFile)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (fxTracesOpened())
                std::_Exit(2);
            sc.Build(&window, true);
            sc.gr.SetAct(true);
            Frame();
            bool opened = fxTracesOpened() || std::filesystem::exists(dir.File("lwhirl.log"));
            sc.Destroy();
            std::_Exit(opened ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

// Two shows in one process, each on its own window and device, the second
// started while the first runs: each must draw, frame for frame, what it
// draws alone. The sheet's frames only, which owe nothing to chance (the
// random generator is the process's).
TEST_F(SceneTest, TwoShowsSideBySideEachDrawWhatTheyDrawAlone)
{
    // Frame k of show s at the clock's time, its device current only for it.
    auto draw = [](Scene& s, Presents& p, std::vector<std::vector<uint32_t>>* frames) {
        s.gr.SetAct(true);
        int before = p.count;
        s.OnRender(&s.gr, fxGetTime());
        s.gr.SetAct(false);
        if (p.count > before && s.anim_id == 0)
            frames->push_back(p.pixels);
    };
    std::vector<std::vector<uint32_t>> alone, a, b;
    sc.Build(&window, false);
    while (sc.anim_id == 0 && alone.size() < 60) {
        draw(sc, presents, &alone);
        fxAdvanceClock(1.0 / 30);
    }
    ASSERT_TRUE(sc.Destroy());
    ASSERT_GT(alone.size(), 20u);

    fxUseVirtualClock(5000.0);
    FXEglWindow egl2{kW, kH};
    Presents presents2;
    FXRecordWindow window2{&egl2, &presents2};
    std::unique_ptr<Scene> second(new Scene);
    sc.Build(&window, false);
    // Until each has left its sheet: the first reaches the movies while the
    // second still plays its sheet.
    const size_t kLater = 7;
    for (int k = 0; k < 120 && (sc.anim_id == 0 || second->anim_id == 0); ++k) {
        if (a.size() == kLater && !second->gr.hglrc) {
            second->Build(&window2, false);
            ASSERT_NE(second->gr.hglrc, nullptr);
            EXPECT_NE(second->gr.hglrc, sc.gr.hglrc);
            EXPECT_EQ(capture.begins, 3) << "each show captures the desktop";
        }
        if (sc.anim_id == 0)
            draw(sc, presents, &a);
        if (second->gr.hglrc)
            draw(*second, presents2, &b);
        fxAdvanceClock(1.0 / 30);
    }
    ASSERT_EQ(a.size(), alone.size());
    for (size_t k = 0; k < a.size(); ++k)
        ASSERT_TRUE(a[k] == alone[k]) << "first show, presented frame " << k << " differs";
    ASSERT_EQ(b.size(), alone.size()) << "the second show's sheet";
    for (size_t k = 0; k < b.size(); ++k)
        ASSERT_TRUE(b[k] == alone[k]) << "second show, presented frame " << k << " differs";

    // Each keeps its own device to the end: the first goes while the
    // second still draws.
    ASSERT_TRUE(sc.Destroy());
    std::vector<std::vector<uint32_t>> after;
    int before = presents2.count;
    for (int k = 0; k < 3; ++k) {
        draw(*second, presents2, &after);
        fxAdvanceClock(1.0 / 30);
    }
    EXPECT_EQ(presents2.count, before + 3);
    ASSERT_TRUE(second->Destroy());
}
