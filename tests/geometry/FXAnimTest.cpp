#include "geometry/FXAnim.h"
#include "geometry/FXMesh.h"
#include "package/FXPackage.h"
#include "support/GLDevice.h"
#include "support/PackageBytes.h"
#include "support/RecordingEnv.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A frame of one mesh: a quad from x = dx to dx + 0.5 as two triangles that
// share no vertex (corners 2/3 and 1/4 coincide), plus `extra` vertices that
// no triangle uses.
FXModel* Quad(float dx, int extra = 0)
{
    auto* m = new FXMesh;
    m->Realloc(6 + extra, 6);
    std::memset(m->vertices, 0, (6 + extra) * sizeof(tagFXVertex));
    const float corner[6][2] = {{0, -1}, {0.5f, -1}, {0, 1}, {0, 1}, {0.5f, -1}, {0.5f, 1}};
    for (int v = 0; v < 6 + extra; ++v) {
        m->vertices[v].pos[0] = dx + corner[v % 6][0];
        m->vertices[v].pos[1] = corner[v % 6][1];
        m->vertices[v].norm[2] = 1;
        m->vertices[v].col[0] = 1;
        m->indices[v % 6] = v % 6;
    }
    auto* model = new FXModel;
    model->meshes.Push(m);
    return model;
}

// An animation of key frames whose vertex 0 lies at x = xs[i], one second
// each, moving on straight lines so that places are easy to predict.
void Build(FXAnim* a, const std::vector<float>& xs, bool loop, bool pingPong)
{
    a->Destroy();
    for (float x : xs)
        a->AddFrame(Quad(x), "f", 1000);
    a->loop = loop;
    a->pingPong = pingPong;
    a->linear = true;
    a->UpdateInterpolation(true, false);
}

float X0(const FXAnim& a)
{
    return static_cast<const FXMesh*>(a.iModel.meshes.Get(0))->vertices[0].pos[0];
}

} // namespace

TEST(FXAnim, FrameDurationsAndEmptyAnimations)
{
    FXAnim a;
    for (int ms : {1000, 0, -5})
        a.frameTimes.PushInt(ms);
    const double expected[3] = {1.0, 0.5, 0.5};
    for (int i = 0; i < 3; ++i) {
        a.actFrame = i;
        a.ComputeFrameDuration();
        EXPECT_DOUBLE_EQ(a.frameDuration, expected[i]);
    }

    // A missing or short entry leaves an animation that starts and draws
    // nothing without reading outside its empty lists.
    std::string file = PackageFile("pck01", PackagePayload({{4, std::string(7, '\x04'), -1}}));
    FXPackage pkg;
    ASSERT_TRUE(pkg.LoadFromMemory(file.data(), static_cast<long>(file.size())));
    FXAnim empty;
    EXPECT_FALSE(empty.LoadCN(&pkg, 4));
    EXPECT_FALSE(empty.LoadCN(&pkg, 99));
    empty.StartAnim(3.0);
    empty.ContinueAnim(4.0);
    EXPECT_DOUBLE_EQ(empty.frameDuration, 0.5);
    RecordingEnv env;
    empty.OnRender(&env, 10.0);
    EXPECT_EQ(env.renders, 0);
    EXPECT_EQ(empty.actFrame, 0);
}

TEST(FXAnim, ClockCarriesTheOvershootOrRestarts)
{
    FXAnim a;
    a.AddFrame(Quad(0), "a", 1000);
    a.AddFrame(Quad(1), "b", 2000);
    a.AddFrame(Quad(2), "c", 1000);
    a.StartAnim(10.0);
    RecordingEnv env;
    a.OnRender(&env, 11.25); // a quarter of the old frame over: a quarter of the new one under way
    EXPECT_EQ(a.actFrame, 1);
    EXPECT_DOUBLE_EQ(a.frameDuration, 2.0);
    EXPECT_DOUBLE_EQ(a.frameStart, 11.25 - 0.25 * 2.0);
    a.OnRender(&env, a.frameStart + 5.0); // more than two frames behind: one step, restarted now
    EXPECT_EQ(a.actFrame, 2);
    EXPECT_DOUBLE_EQ(a.frameStart, 10.75 + 5.0);
    EXPECT_EQ(env.renders, 2); // without interpolation each frame's own model is drawn
}

TEST(FXAnim, LoopPingPongAndOneWayRuns)
{
    const std::vector<float> xs = {0, 10, 30, 60};
    FXAnim a;
    RecordingEnv env;

    Build(&a, xs, true, true);
    a.StartAnim(0);
    std::vector<int> seen;
    for (int k = 0; k < 8; ++k) {
        a.OnRender(&env, k + 0.5);
        seen.push_back(a.actFrame);
        if (a.actFrame == 3) {
            EXPECT_FLOAT_EQ(X0(a), 45) << "on the last frame the vertices already head back";
        }
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 2, 1, 0, 1}));

    Build(&a, xs, true, false);
    a.StartAnim(0);
    for (int k = 0; k < 4; ++k)
        a.OnRender(&env, k + 0.5);
    EXPECT_EQ(a.actFrame, 3);
    EXPECT_FLOAT_EQ(X0(a), 30) << "from the last frame towards frame 0";
    a.OnRender(&env, 4.5);
    EXPECT_EQ(a.actFrame, 0);
    EXPECT_FLOAT_EQ(X0(a), 5);

    Build(&a, xs, false, false);
    a.StartAnim(0);
    for (int k = 0; k < 3; ++k)
        a.OnRender(&env, k + 0.5);
    a.OnRender(&env, 3.2);
    EXPECT_EQ(a.actFrame, 3);
    EXPECT_FALSE(a.playing);
    EXPECT_FLOAT_EQ(a.actPhase, 0.5f);
    EXPECT_FLOAT_EQ(X0(a), 45) << "the run ends where it was last evaluated";

    // Two key frames, as a sheet that only bends once: it moves.
    Build(&a, {0, 10}, false, false);
    a.StartAnim(0);
    a.OnRender(&env, 0.5);
    EXPECT_EQ(a.actFrame, 0);
    EXPECT_FLOAT_EQ(X0(a), 5);
    Build(&a, {0, 10}, true, true);
    a.StartAnim(0);
    a.OnRender(&env, 1.25);
    EXPECT_EQ(a.actFrame, 1);
    EXPECT_FLOAT_EQ(X0(a), 7.5f) << "ping-pong heads back from the second frame";

    Build(&a, xs, true, false);
    a.backward = true;
    a.actFrame = 2;
    a.ContinueAnim(0);
    a.UpdateIFrame();
    EXPECT_TRUE(a.reversed);
    a.UpdateIPos(0);
    EXPECT_FLOAT_EQ(X0(a), 30);
    a.UpdateIPos(1);
    EXPECT_FLOAT_EQ(X0(a), 10);

    // Outside drive: the wrap from the last frame to frame 0 runs forwards.
    a.manual = true;
    a.SetActFrames(3, 0);
    EXPECT_FALSE(a.reversed);
    a.SetActPhase(0.25f);
    EXPECT_FLOAT_EQ(X0(a), 45);
    a.SetActFrames(2, 1);
    EXPECT_TRUE(a.reversed);
    a.SetActPhase(0.25f);
    EXPECT_FLOAT_EQ(X0(a), 25);
}

TEST(FXAnim, MismatchedFrameLeavesFrameZero)
{
    FXAnim a;
    a.AddFrame(Quad(0), "a", 1000);
    a.AddFrame(Quad(5, 1), "b", 1000); // one vertex more
    a.UpdateInterpolation(true, false);
    EXPECT_EQ(a.posSplines.count, 0);
    a.StartAnim(0);
    RecordingEnv env;
    a.OnRender(&env, 0.5);
    EXPECT_EQ(env.renders, 1);
    EXPECT_FLOAT_EQ(X0(a), 0);
}

TEST(FXAnim, WrittenRecordReadsBackAndDraws)
{
    FXAnim src;
    src.AddFrame(Quad(-1.0f), "flat", 800);
    src.AddFrame(Quad(0.5f), "moved", 0);
    // Corners 2 and 3 meet in frame 0 only, so they must not share vectors;
    // corners 1 and 4 meet in both frames and become one vertex.
    static_cast<FXMesh*>(src.GetFrame(1)->meshes.Get(0))->vertices[3].pos[1] = 0.9f;
    src.pingPong = true;
    EXPECT_FALSE(src.TestRedirect(0, 2, 0, 3));
    EXPECT_TRUE(src.TestRedirect(0, 1, 0, 4));
    TempDir dir;
    std::string path = dir.File("a.xa");
    ASSERT_TRUE(src.Save(path.c_str()));
    std::string file = PackageFile("pck01", PackagePayload({{8, ReadFileBytes(path), -1}}));
    FXPackage pkg;
    ASSERT_TRUE(pkg.LoadFromMemory(file.data(), static_cast<long>(file.size())));

    GLDevice dev(32, 32);
    ASSERT_TRUE(dev.created);
    FXAnim back;
    ASSERT_TRUE(back.LoadCN(&pkg, 8));
    ASSERT_EQ(back.frames.count, 2);
    EXPECT_STREQ(back.frameNames.Get(1), "moved");
    EXPECT_EQ(back.frameTimes.GetInt(0), 800);
    EXPECT_TRUE(back.loop && back.pingPong);
    for (int f = 0; f < 2; ++f) {
        const FXMesh* a = static_cast<const FXMesh*>(src.GetFrame(f)->meshes.Get(0));
        ASSERT_EQ(back.GetFrame(f)->meshes.count, 1);
        const FXMesh* b = static_cast<const FXMesh*>(back.GetFrame(f)->meshes.Get(0));
        ASSERT_EQ(b->vertexCount, 5);
        ASSERT_EQ(b->indexCount, 6);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(std::memcmp(b->vertices[b->indices[i]].pos, a->vertices[a->indices[i]].pos, 12), 0) << f << i;
    }

    // The quad covers x -1..-0.5 in frame 0 and 0.5..1 in frame 1; nine tenths
    // of the way it covers the right edge only.
    back.UpdateInterpolation(true, false);
    back.StartAnim(0);
    const float black[4] = {0, 0, 0, 1};
    dev.gl.SetClrColor(black);
    for (double t : {0.0, 0.72}) {
        dev.gl.Clrscr(true, true, false);
        back.OnRender(&dev.gl, t);
        glFinish();
        bool left = (dev.Pixel(3, 16) & 0xffffff) != 0, right = (dev.Pixel(28, 16) & 0xffffff) != 0;
        EXPECT_EQ(left, t == 0.0) << t;
        EXPECT_EQ(right, t != 0.0) << t;
    }
}
