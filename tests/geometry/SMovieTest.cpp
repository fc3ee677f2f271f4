#include "geometry/SMovie.h"

#include "base/FXMatrix.h"
#include "base/fxTime.h"
#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "render/FXCanvas.h"
#include "render/FXMaterial.h"
#include "render/fxDevil.h"
#include "device/fxGLHeaders.h"
#include "support/GLDevice.h"
#include "support/PackageBytes.h"
#include "support/RecordingEnv.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string Bool(bool v) { return std::string(1, v ? '\x01' : '\x00'); }

std::string Double(double d)
{
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    return Bytes().Int(static_cast<int32_t>(bits & 0xffffffffu)).Int(static_cast<int32_t>(bits >> 32)).s;
}

// An "xs02" record over the given names; rects holds 4 floats per frame.
std::string MovieRecord(bool loop, bool pingPong, double frameTime, const std::vector<float>& rects,
                        const std::vector<std::string>& pictures, const std::vector<std::string>& masks)
{
    Bytes b;
    b.Str("xs02").Raw(Bool(loop) + Bool(pingPong) + Double(frameTime)).Int(7).Int(9);
    b.Int(static_cast<int32_t>(rects.size()));
    for (float f : rects)
        b.Float(f);
    for (const std::vector<std::string>* names : {&pictures, &masks}) {
        b.Int(static_cast<int32_t>(names->size()));
        for (const std::string& s : *names)
            b.Str(s);
    }
    return b.s;
}

// What a run of the show's per-frame calls did: frames decoded, the frame on
// screen at each call, the phase after each retirement.
struct Trace {
    std::vector<int> decoded, shown;
    std::vector<float> phases;
};

void Play(SMovie* m, PEnv* env, int frames, Trace* t)
{
    for (int i = 0; i < frames; ++i) {
        int before = m->readyFrames.count;
        m->Prepare(-1);
        for (int k = before; k < m->readyFrames.count; ++k)
            t->decoded.push_back(m->readyFrames.GetInt(k));
        t->shown.push_back(m->readyFrames.GetInt(0));
        fxAdvanceClock(m->frameTime + 0.001);
        int waiting = m->ready.count;
        m->OnRender(env, fxGetTime());
        if (m->ready.count < waiting)
            t->phases.push_back(m->phase);
    }
}

Trace Play(SMovie* m, PEnv* env, int frames)
{
    Trace t;
    Play(m, env, frames, &t);
    return t;
}

// Corner k of the 1 x 1 desk, numbered as SetVertexPos numbers them.
void ExpectCorners(const SMovie& m, float l, float t, float r, float b)
{
    const tagFXVertex* v = m.desk.mesh.vertices;
    ASSERT_NE(v, nullptr);
    EXPECT_FLOAT_EQ(v[0].pos[0], l);
    EXPECT_FLOAT_EQ(v[0].pos[1], t);
    EXPECT_FLOAT_EQ(v[1].pos[0], r);
    EXPECT_FLOAT_EQ(v[3].pos[1], b);
    EXPECT_FLOAT_EQ(v[2].pos[0], l);
    EXPECT_FLOAT_EQ(v[2].pos[1], b);
}

// A device-free environment that keeps what the movie uploads.
class UploadEnv : public RecordingEnv {
public:
    int uploads = 0;
    int pitch = 0, rows = 0;
    std::vector<unsigned> pixels;

    bool FastPrepareTexture(FXMaterial* m, FXPixmap* p) override
    {
        ++uploads;
        pitch = p->pitch;
        rows = p->allocHeight;
        pixels.assign(p->pixels, p->pixels + static_cast<size_t>(p->pitch) * p->allocHeight);
        m->texExtentU = static_cast<float>(p->width) / static_cast<float>(p->pitch);
        m->texExtentV = static_cast<float>(p->height) / static_cast<float>(p->allocHeight);
        return true;
    }
};

// The bytes of a JPEG file of a w x h picture of one colour (channels 3) or
// one grey (1, from the alpha byte).
std::string Jpeg(const std::string& file, int w, int h, int channels, unsigned rgba)
{
    FXCanvas c;
    c.pixmap.power2 = false;
    if (!c.pixmap.Realloc(w, h))
        return "";
    c.pixmap.Clear(rgba);
    bool ok = channels == 3 ? c.SaveToPict2(file.c_str()) : c.SaveToMask(file.c_str());
    return ok ? ReadFileBytes(file) : "";
}

int Channel(unsigned px, int k) { return static_cast<int>((px >> (8 * k)) & 0xff); }

class SMovieTest : public ::testing::Test {
protected:
    void SetUp() override { fxUseVirtualClock(100.0); }
    void TearDown() override
    {
        fxUseRealClock();
        fxSetEnv(nullptr);
    }

    // Three frames whose entries are missing: every decode fails, which is
    // still queued, so the order shows without an image library. Frame 0
    // has a rectangle, frame 1 an incomplete one, frame 2 none; frame 2 has
    // no mask name.
    void Load(SMovie* m, bool loop, bool pingPong)
    {
        std::string rec = MovieRecord(loop, pingPong, 0.1, {-0.5f, 0.5f, 0.25f, -1.0f, 0, 0}, {"71", "72", "73"},
                                      {"81", "82"});
        std::string file = PackageFile("pck01", PackagePayload({{5, rec, kFxTypeNone}}));
        ASSERT_TRUE(pkg.LoadFromMemory(file.data(), static_cast<long>(file.size())));
        ASSERT_TRUE(m->LoadCN(&pkg, 5));
        EXPECT_FALSE(m->LoadIntoMem());
        m->Restart(fxGetTime());
    }

    FXPackage pkg;
    RecordingEnv env;
};

} // namespace

TEST_F(SMovieTest, DecodeDisplayAndPhaseSequences)
{
    SMovie once;
    Load(&once, false, false);
    EXPECT_TRUE(once.packed && once.hasRects && once.loaded && once.inMemory);
    EXPECT_EQ(once.maxWidth, 7);
    EXPECT_DOUBLE_EQ(once.frameTime, 0.1);
    EXPECT_EQ(once.maskData.count, 3); // one slot per frame, names or not

    Trace t;
    Play(&once, &env, 1, &t);
    ExpectCorners(once, -0.5f, 0.5f, 0.25f, -1.0f);
    EXPECT_EQ(env.unprepares, 1);
    EXPECT_EQ(env.renders, 1);
    Play(&once, &env, 6, &t);
    EXPECT_EQ(t.decoded, (std::vector<int>{0, 1, 2, 2}));
    EXPECT_EQ(t.shown, (std::vector<int>{0, 1, 2, 2, 2, 2, 2}));
    EXPECT_EQ(t.phases, (std::vector<float>{0.0f, 0.5f, 1.0f}));
    EXPECT_TRUE(once.finished);
    ExpectCorners(once, -1, 1, 1, -1); // frame 2 has no rectangle

    // A larger pool is filled in one call; past the end the last frame repeats.
    SMovie deep;
    deep.poolSize = 5;
    Load(&deep, false, false);
    EXPECT_EQ(Play(&deep, &env, 1).decoded, (std::vector<int>{0, 1, 2, 2, 2}));

    SMovie bounce;
    Load(&bounce, true, true);
    EXPECT_EQ(Play(&bounce, &env, 12).decoded, (std::vector<int>{0, 1, 2, 2, 1, 0, 0, 1, 2, 2, 1, 0, 0}));

    SMovie wrap;
    Load(&wrap, true, false);
    EXPECT_EQ(Play(&wrap, &env, 6).decoded, (std::vector<int>{0, 1, 2, 0, 1, 2, 0}));
    wrap.RestartBack(fxGetTime());
    wrap.EmptyPrepared();
    EXPECT_EQ(Play(&wrap, &env, 4).decoded, (std::vector<int>{2, 1, 0, 2, 1}));

    // One frame: queued twice, and its retirement is the end.
    SMovie single;
    std::string rec = MovieRecord(false, false, 0.1, {}, {"71"}, {});
    std::string file =
        PackageFile("pck01", PackagePayload({{6, rec, kFxTypeNone}, {7, Bytes().Str("xs04").s, kFxTypeNone}}));
    FXPackage one;
    ASSERT_TRUE(one.LoadFromMemory(file.data(), static_cast<long>(file.size())));
    ASSERT_TRUE(single.LoadCN(&one, 6));
    single.Restart(fxGetTime());
    t = Play(&single, &env, 3);
    EXPECT_EQ(t.decoded, (std::vector<int>{0, 0}));
    EXPECT_EQ(t.phases, (std::vector<float>{1.0f}));

    // An unknown tag or a missing entry leaves the movie empty and inert.
    EXPECT_FALSE(single.LoadCN(&one, 7));
    EXPECT_FALSE(single.LoadC(&one, "8"));
    EXPECT_EQ(single.GetFrameCount(), 0);
    int renders = env.renders;
    single.Prepare(-1);
    single.OnRender(&env, fxGetTime());
    EXPECT_EQ(env.renders, renders);
    EXPECT_TRUE(single.freeMaterials.IsEmpty());
}

TEST_F(SMovieTest, RestartAfterTheEndAndWaitingForTheFrame)
{
    SMovie m;
    Load(&m, false, false);
    Play(&m, &env, 5);
    ASSERT_EQ(m.ready.count, 1);
    ASSERT_EQ(m.freeMaterials.count, 1);

    // The leftover last frame is shown first and ends the movie once more.
    m.Restart(fxGetTime());
    Trace t = Play(&m, &env, 1);
    EXPECT_EQ(t.decoded, (std::vector<int>{0}));
    EXPECT_EQ(t.shown, (std::vector<int>{2}));
    EXPECT_EQ(t.phases, (std::vector<float>{1.0f}));

    m.Restart(fxGetTime());
    t = Play(&m, &env, 3);
    EXPECT_EQ(t.decoded, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(t.shown, (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(t.phases, (std::vector<float>{0.0f, 0.0f, 0.5f}));

    // Without waiting an early call returns at once; with it, the call
    // sleeps out the frame time and retires.
    double now = fxGetTime();
    m.Restart(now);
    m.Prepare(-1);
    int waiting = m.ready.count;
    m.OnRender(&env, now);
    EXPECT_EQ(m.ready.count, waiting);
    EXPECT_EQ(fxGetTime(), now);
    m.waitForFrame = true;
    m.OnRender(&env, now);
    EXPECT_EQ(m.ready.count, waiting - 1);
    EXPECT_GT(fxGetTime() - now, 0.1);
    EXPECT_DOUBLE_EQ(m.lastSwitch, fxGetTime() - 0.001);

    // Destroy keeps the playback settings and allows a new load.
    m.Destroy();
    EXPECT_TRUE(m.ready.IsEmpty() && m.freeMaterials.IsEmpty() && m.needsSetup);
    EXPECT_TRUE(m.waitForFrame);
    EXPECT_DOUBLE_EQ(m.frameTime, 0.1);
    EXPECT_EQ(m.desk.mesh.material, nullptr);
    Load(&m, true, false);
    EXPECT_EQ(Play(&m, &env, 2).decoded, (std::vector<int>{0, 1, 2}));
}

TEST_F(SMovieTest, FramesAssembleIntoAPowerOfTwoBlockAndBadFramesAreSkipped)
{
    ASSERT_TRUE(fxLoadDevil());
    TempDir dir;
    std::string pf = dir.File("p.jpg"), mf = dir.File("m.jpg");
    std::string pict = Jpeg(pf, 100, 60, 3, 0xff2040e0u);
    std::string mask = Jpeg(mf, 100, 60, 1, 0x80000000u);
    std::string narrow = Jpeg(dir.File("n.jpg"), 50, 60, 1, 0xff000000u);
    std::string rgbMask = Jpeg(dir.File("c.jpg"), 100, 60, 3, 0xffc0c0c0u);
    ASSERT_FALSE(pict.empty() || mask.empty() || narrow.empty() || rgbMask.empty());
    std::string rec = MovieRecord(false, false, 0.1, {}, {"1", "1", "1", "1"}, {"2", "3", "9", "4"});
    std::string file = PackageFile("pck01", PackagePayload({{5, rec, kFxTypeNone},
                                                            {1, pict, kFxTypeJpg},
                                                            {2, mask, kFxTypeJpg},
                                                            {3, narrow, kFxTypeJpg},
                                                            {4, rgbMask, kFxTypeJpg}}));
    FXPackage p;
    ASSERT_TRUE(p.LoadFromMemory(file.data(), static_cast<long>(file.size())));
    UploadEnv up;
    up.npotTextures = false;
    fxSetEnv(&up);
    SMovie m;
    ASSERT_TRUE(m.LoadCN(&p, 5));
    EXPECT_FALSE(m.LoadIntoMem()); // entry 9 is missing
    EXPECT_EQ(m.pictureData.Get(0), p.GetDataPtr(1)->start);

    FXMaterial mat;
    ASSERT_TRUE(m.PrepareTextureMem(0, &mat));
    EXPECT_FLOAT_EQ(mat.texExtentU, 100.0f / 128);
    EXPECT_FLOAT_EQ(mat.texExtentV, 60.0f / 64);
    ASSERT_EQ(up.pitch, 128);
    ASSERT_EQ(up.rows, 64);
    const int want[4] = {0xe0, 0x40, 0x20, 0x80};
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(Channel(up.pixels[30 * 128 + 50], k), want[k], 6) << k;
    int opaqueColumns = 0, paddingSet = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x) {
            unsigned v = up.pixels[static_cast<size_t>(y) * 128 + x];
            if (x >= 100 || y >= 60)
                paddingSet += v != 0;
            else if (y == 0)
                opaqueColumns += Channel(v, 3) > 0;
        }
    EXPECT_EQ(paddingSet, 0);
    EXPECT_EQ(opaqueColumns, 100);

    // A narrow mask or a missing one uploads nothing; a three-channel mask
    // is taken as grey.
    EXPECT_FALSE(m.PrepareTextureMem(1, &mat));
    EXPECT_FALSE(m.PrepareTextureMem(2, &mat));
    EXPECT_FALSE(m.PrepareTextureMem(7, &mat));
    EXPECT_EQ(up.uploads, 1);
    EXPECT_FLOAT_EQ(mat.texExtentU, 100.0f / 128);
    ASSERT_TRUE(m.PrepareTextureMem(3, &mat));
    EXPECT_NEAR(Channel(up.pixels[30 * 128 + 50], 3), 0xc0, 3);

    // The same pair from files; nothing without the library.
    EXPECT_TRUE(m.PrepareTexture(pf.c_str(), mf.c_str(), &mat));
    EXPECT_FALSE(m.PrepareTexture(pf.c_str(), dir.File("none.jpg").c_str(), &mat));
    fxUnloadDevil();
    EXPECT_FALSE(m.PrepareTextureMem(0, &mat));
    EXPECT_EQ(up.uploads, 3);
}

TEST_F(SMovieTest, AuthoredMovieRoundTripsThroughAPackageOntoTheScreen)
{
    ASSERT_TRUE(fxLoadDevil());
    TempDir dir;
    // 80 x 40 with an opaque red 30 x 30 block at columns 20..49, rows 10..39.
    FXPixmap frame;
    frame.power2 = false;
    ASSERT_TRUE(frame.Realloc(80, 40));
    frame.Clear(0);
    for (int y = 10; y < 40; ++y)
        for (int x = 20; x < 50; ++x)
            frame.Row(y)[x] = 0xff0000ffu;
    SMovie w;
    ASSERT_TRUE(w.AddFrame(frame, dir.File("0.jpg").c_str(), dir.File("0m.jpg").c_str()));
    frame.Clear(0);
    ASSERT_TRUE(w.AddFrame(frame, dir.File("1.jpg").c_str(), dir.File("1m.jpg").c_str()));
    ASSERT_EQ(w.frameRects.count, 8);
    const float want[8] = {-0.5f, 0.5f, 0.25f, -1.0f, -1.0f, 1.0f, -0.975f, 0.95f};
    for (int i = 0; i < 8; ++i)
        EXPECT_FLOAT_EQ(w.frameRects.items[i], want[i]) << i;
    EXPECT_EQ(w.maxWidth, 30);
    EXPECT_EQ(w.maxHeight, 30);

    // Reordering moves names and rectangles together.
    w.MovePos(0, 1);
    EXPECT_STREQ(w.pictureNames.Get(1), dir.File("0.jpg").c_str());
    EXPECT_FLOAT_EQ(w.frameRects.items[4], -0.5f);
    w.MovePos(1, -1);
    EXPECT_FLOAT_EQ(w.frameRects.items[0], -0.5f);

    // The file form keeps everything, names made absolute again.
    w.loop = false;
    w.frameTime = 0.04;
    std::string path = dir.File("movie.xs");
    ASSERT_TRUE(w.Save(path.c_str()));
    SMovie r;
    ASSERT_TRUE(r.Load(path.c_str()));
    EXPECT_FALSE(r.loop);
    EXPECT_TRUE(r.pingPong);
    EXPECT_DOUBLE_EQ(r.frameTime, 0.04);
    EXPECT_STREQ(r.maskNames.Get(1), dir.File("1m.jpg").c_str());
    EXPECT_EQ(r.frameRects.count, 8);
    EXPECT_FALSE(r.Load(dir.File("none.xs").c_str()));

    FXPackage out;
    ASSERT_TRUE(w.AddToPackage(&out, 500, dir.File("movie.rec").c_str()));
    std::string pkgPath = dir.File("m.dat");
    ASSERT_TRUE(out.Save(pkgPath.c_str(), 0));
    FXPackage in;
    ASSERT_TRUE(in.Load(pkgPath.c_str()));

    GLDevice dev(64, 64);
    ASSERT_TRUE(dev.created);
    SMovie m;
    ASSERT_TRUE(m.LoadCN(&in, 500));
    EXPECT_FALSE(m.loop);
    ASSERT_TRUE(m.LoadIntoMem());
    m.Restart(fxGetTime());
    m.Prepare(-1);
    dev.gl.Clrscr(true, true, false);
    m.OnRender(&dev.gl, fxGetTime());
    glFinish();
    // The corners (-0.5, 0.5) and (0.25, -1) span columns 16..39 and rows
    // 16..63 of the 64 x 64 surface.
    unsigned inside = dev.Pixel(28, 40), outside = dev.Pixel(50, 40), above = dev.Pixel(28, 8);
    EXPECT_GT(Channel(inside, 0), 240);
    EXPECT_LT(Channel(inside, 1), 16);
    EXPECT_LT(Channel(outside, 0), 16);
    EXPECT_LT(Channel(above, 0), 16);
    m.Destroy(); // the pool's textures, while the context is current
    fxUnloadDevil();
}

// The fill box of a decoded frame, and that drawing only inside it leaves
// the very pixels the whole quad leaves: a frame masked in its middle, an
// all-black frame with a clear mask (nothing to draw), a black frame whose
// mask touches every edge (it darkens: all of it is drawn).
TEST_F(SMovieTest, FillBoxesLeaveOutOnlyPixelsTheFrameCannotChange)
{
    const int w = 64, h = 48;
    auto frame = [&](int kind, FXPixmap* p) {
        p->power2 = false;
        p->Realloc(w, h);
        p->Clear(0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                bool edge = x < 2 || y < 2 || x >= w - 2 || y >= h - 2;
                bool middle = x >= 24 && x < 40 && y >= 16 && y < 32;
                if ((kind == 0 && middle) || (kind == 2 && edge))
                    p->Row(y)[x] = kind == 0 ? 0xff30c0f0u : 0xff000000u;
            }
    };
    FXPixmap p;
    float box[4];
    frame(0, &p);
    ASSERT_TRUE(SMovie::FillBox(p, box));
    const float middle[4] = {23.0f / w, 15.0f / h, 41.0f / w, 33.0f / h};
    for (int k = 0; k < 4; ++k)
        EXPECT_FLOAT_EQ(box[k], middle[k]) << k;
    frame(1, &p);
    EXPECT_FALSE(SMovie::FillBox(p, box));
    EXPECT_EQ(box[2], 0.0f);
    frame(2, &p);
    ASSERT_TRUE(SMovie::FillBox(p, box));
    const float all[4] = {0, 0, 1, 1};
    for (int k = 0; k < 4; ++k)
        EXPECT_FLOAT_EQ(box[k], all[k]) << k;

    // The same frames through JPEG, drawn magnified and off-centre as the
    // show draws its movies, over a desktop-like background.
    ASSERT_TRUE(fxLoadDevil());
    TempDir dir;
    std::vector<std::pair<int, std::string>> entries;
    std::vector<std::string> pictures, masks;
    for (int kind = 0; kind < 3; ++kind) {
        FXCanvas c;
        frame(kind, &c.pixmap);
        std::string n = std::to_string(kind);
        std::string pf = dir.File(("p" + n + ".jpg").c_str()), mf = dir.File(("m" + n + ".jpg").c_str());
        ASSERT_TRUE(c.SaveToPict2(pf.c_str()) && c.SaveToMask(mf.c_str()));
        entries.push_back({10 + 2 * kind, ReadFileBytes(pf)});
        entries.push_back({11 + 2 * kind, ReadFileBytes(mf)});
        pictures.push_back(std::to_string(10 + 2 * kind));
        masks.push_back(std::to_string(11 + 2 * kind));
    }
    std::string rec = MovieRecord(false, false, 0.1, {-0.7f, 0.8f, 0.9f, -0.6f, -0.7f, 0.8f, 0.9f, -0.6f,
                                                      -1.0f, 1.0f, 1.0f, -1.0f},
                                  pictures, masks);
    std::vector<TestEntry> payload = {{5, rec, kFxTypeNone}};
    for (auto& e : entries)
        payload.push_back({e.first, e.second, kFxTypeJpg});
    std::string file = PackageFile("pck01", PackagePayload(payload));
    FXPackage p2;
    ASSERT_TRUE(p2.LoadFromMemory(file.data(), static_cast<long>(file.size())));
    GLDevice dev(160, 120);
    ASSERT_TRUE(dev.created);
    SMovie m;
    ASSERT_TRUE(m.LoadCN(&p2, 5));
    ASSERT_TRUE(m.LoadIntoMem());
    m.waitForFrame = false;
    m.desk.mesh.colMode = 1;
    m.Restart(fxGetTime());
    FXMatrix place;
    place.SetScaleF(0.8f, 0.9f, 1.0f);
    const float fade[4] = {0.7f, 0.7f, 0.7f, 0.7f};
    auto draw = [&](bool whole) {
        const float grey[4] = {0.3f, 0.5f, 0.2f, 1.0f};
        dev.gl.SetClrColor(grey);
        dev.gl.Clrscr(true, true, false);
        dev.gl.EnableDepthTest(false);
        dev.gl.ApplyMatrix(&place);
        if (whole) {
            dev.gl.RenderMesh(&m.desk.mesh);
        } else {
            m.OnRender0(&dev.gl, fxGetTime()); // placed, then drawn in its box
            m.OnRender1(&dev.gl, fxGetTime());
        }
        std::vector<unsigned char> px(160 * 120 * 4);
        glReadPixels(0, 0, 160, 120, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        return px;
    };
    int changed[3] = {0, 0, 0};
    for (int kind = 0; kind < 3; ++kind) {
        m.Prepare(-1);
        m.desk.UpdateColCol(fade);
        std::vector<unsigned char> boxed = draw(false), whole = draw(true);
        EXPECT_TRUE(boxed == whole) << "frame " << kind;
        for (size_t i = 0; i < whole.size(); i += 4) // pixel 0 lies outside the quad
            changed[kind] += std::memcmp(&whole[i], &whole[0], 4) != 0;
        fxAdvanceClock(0.2);
        m.OnRender(&dev.gl, fxGetTime()); // retires the frame
    }
    EXPECT_GT(changed[0], 100); // the frames drew something where they show
    EXPECT_EQ(changed[1], 0);
    EXPECT_GT(changed[2], 500);
    m.Destroy();
    fxUnloadDevil();
}
