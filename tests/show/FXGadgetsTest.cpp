#include "base/FXRect.h"
#include "base/fxRandom.h"
#include "base/fxTime.h"
#include "package/FXPackage.h"
#include "render/fxDevil.h"
#include "show/FXDemoGadget.h"
#include "show/FXErrGadget.h"
#include "show/FXScrPos01.h"
#include "show/FXVornGadget.h"
#include "support/GLDevice.h"
#include "support/PackageBytes.h"
#include "support/PngWriter.h"
#include "support/RecordingEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

struct Point {
    float x, y, z;
};

Point Transform(const FXMatrix& m, float x, float y, float z)
{
    return {x * m.m[0] + y * m.m[4] + z * m.m[8] + m.m[12], x * m.m[1] + y * m.m[5] + z * m.m[9] + m.m[13],
            x * m.m[2] + y * m.m[6] + z * m.m[10] + m.m[14]};
}

::testing::AssertionResult Near(Point p, float x, float y, float z)
{
    if (std::fabs(p.x - x) < 1e-4f && std::fabs(p.y - y) < 1e-4f && std::fabs(p.z - z) < 1e-4f)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << p.x << ", " << p.y << ", " << p.z << ")";
}

struct Draw {
    const FXMesh* mesh;
    FXMatrix matrix;
    bool lit;
    bool sphereMapped;
};

// Keeps the current matrix as the device does and snapshots it, the lighting
// and the texture generation at every mesh drawn.
class MatrixEnv : public RecordingEnv {
public:
    bool sphereMap = false;
    std::vector<Draw> draws;

    void ApplyMatrix(const FXMatrix* m) override { matrix.Copy(m); }
    void MultiplyMatrix(const FXMatrix* m) override { matrix.Multiply(&matrix, m); }
    void ApplyMatrixIdentity() override { matrix.SetIdentity(); }
    void EnableLights(bool on) override { lightingOn = on; }
    void EnableDepthTest(bool on) override { depthTest = on; }
    void EnableSphereMap(bool on) override { sphereMap = on; }
    void Clrscr(bool c, bool d, bool s) override { log.push_back(std::string("clear ") + "01"[c] + "01"[d] + "01"[s]); }
    bool PrepareTexture(FXMaterial*) override { return true; }
    void RenderMesh(FXMesh* m) override
    {
        RecordingEnv::RenderMesh(m);
        draws.push_back({m, matrix, lightingOn, sphereMap});
    }
};

std::string SolidPng(int w, int h, uint32_t rgba)
{
    return PngBytes(w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, rgba));
}

bool LoadPackage(FXPackage* pkg, const std::vector<TestEntry>& entries)
{
    std::string file = PackageFile("pck01", PackagePayload(entries));
    return pkg->LoadFromMemory(file.data(), static_cast<long>(file.size()));
}

FXScrPos01 Placement(float sw, float sh, float iw, float ih, float left, float top)
{
    FXScrPos01 p;
    p.screenWidth = sw;
    p.screenHeight = sh;
    p.itemWidth = iw;
    p.itemHeight = ih;
    p.SetPos(left, top);
    return p;
}

} // namespace

TEST(FXScrPos01, ItemAtItsPixels)
{
    FXScrPos01 p = Placement(800, 600, 200, 100, 10, 10);
    EXPECT_TRUE(Near(Transform(p.matrix, -1, 1, 0), -0.975f, 0.96667f, 0));
    EXPECT_TRUE(Near(Transform(p.matrix, 1, -1, 0), -0.475f, 0.63333f, 0));
    FXRect rc;
    p.GetPixelRC(&rc, 400, 300);
    EXPECT_EQ(rc.left, 5);
    EXPECT_EQ(rc.top, 5);
    EXPECT_EQ(rc.right, 105);
    EXPECT_EQ(rc.bottom, 55);

    p.ShiftPos(0.5f, 0.25f); // to (410, 160)
    EXPECT_TRUE(Near(Transform(p.matrix, -1, 1, 0), 0.025f, 1 - 320.0f / 600, 0));
    // Loaded as it is, or applied before the current matrix.
    MatrixEnv env;
    env.matrix.SetMoveF(0.5f, 0, 0);
    p.OnRender(&env, 0);
    EXPECT_TRUE(env.matrix.Compare(&p.matrix));
    env.matrix.SetMoveF(0.5f, 0, 0);
    p.relative = true;
    p.OnRender(&env, 0);
    EXPECT_TRUE(Near(Transform(env.matrix, -1, 1, 0), 0.525f, 1 - 320.0f / 600, 0));

    FXMatrix identity;
    identity.SetIdentity();
    FXScrPos01 unset;
    unset.SetPos(10, 10);
    EXPECT_TRUE(unset.matrix.Compare(&identity));
    EXPECT_TRUE(Placement(800, 600, 200, 0, 10, 10).matrix.Compare(&identity));
    unset.GetPixelRC(&rc, 800, 600);
    EXPECT_TRUE(rc.IsEmpty());

    // Narrowed to half the width for a target half as tall, about the
    // chosen edge; a taller target changes nothing.
    const int aligns[4] = {0, 1, 2, 1};
    const float edges[4][2] = {{-0.5f, 0.5f}, {0, 1}, {-1, 0}, {-1, 1}};
    for (int i = 0; i < 4; ++i) {
        FXScrPos01 q = Placement(800, 600, 800, 600, 0, 0);
        q.UpdateAspectH1(aligns[i], i < 3 ? 800 : 400, i < 3 ? 300 : 600);
        EXPECT_NEAR(Transform(q.matrix, -1, 0, 0).x, edges[i][0], 1e-6) << i;
        EXPECT_NEAR(Transform(q.matrix, 1, 0, 0).x, edges[i][1], 1e-6) << i;
    }
}

TEST(FXErrGadget, PictureAtItsPixelSizeTenPixelsIn)
{
    ASSERT_TRUE(fxLoadDevil());
    const uint32_t red = 0xff0000ffu, black = 0, white = 0xffffffffu;
    FXPackage pkg;
    ASSERT_TRUE(LoadPackage(&pkg, {{3, SolidPng(30, 8, red), kFxTypePng}}));
    {
        GLDevice dev(128, 96);
        ASSERT_TRUE(dev.created);
        FXErrGadget g;
        ASSERT_TRUE(g.CreateCN(&pkg, 3));

        // Switched off, it leaves every state alone.
        dev.gl.EnableDepthTest(true);
        dev.gl.EnableDepthWrite(true);
        dev.gl.EnableLights(true);
        dev.gl.Clrscr(true, true, false);
        g.OnRender(&dev.gl, 0);
        GLboolean mask = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_LIGHTING) && mask);
        EXPECT_EQ(dev.Pixel(20, 12), black);

        // Over a nearer depth, unlit: exactly the pixels (10,10)-(40,18).
        g.enabled = true;
        glClearDepth(-2.0);
        dev.gl.Clrscr(true, true, false);
        g.OnRender(&dev.gl, 0);
        EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST) || glIsEnabled(GL_LIGHTING));
        EXPECT_EQ(dev.Pixel(10, 10), red);
        EXPECT_EQ(dev.Pixel(39, 17), red);
        EXPECT_EQ(dev.Pixel(9, 12), black);
        EXPECT_EQ(dev.Pixel(40, 12), black);
        EXPECT_EQ(dev.Pixel(20, 9), black);
        EXPECT_EQ(dev.Pixel(20, 18), black);

        // Without its picture it covers the whole window.
        FXErrGadget missing;
        EXPECT_FALSE(missing.CreateCN(&pkg, 99));
        missing.enabled = true;
        missing.OnRender(&dev.gl, 0);
        EXPECT_EQ(dev.Pixel(0, 0), white);
        EXPECT_EQ(dev.Pixel(127, 95), white);
    }
    fxUnloadDevil();
}

TEST(FXVornGadget, SquareInTheCornerSpinningOncePerPeriod)
{
    ASSERT_TRUE(fxLoadDevil());
    Bytes model; // one opaque triangle
    model.Str("xm02").Str("medallion").Str("").Int(1).Str("").Float(0).Float(0).Int(0).Int(0).Int(3);
    for (int k = 0; k < 3 * 19; ++k)
        model.Float(k % 19 == 0 ? static_cast<float>(k / 19) : 0.0f);
    model.Int(3).Int(0).Int(1).Int(2);
    FXPackage pkg;
    ASSERT_TRUE(LoadPackage(&pkg, {{2, model.s, -1}, {4, SolidPng(4, 4, 0xffffffffu), kFxTypePng}}));
    MatrixEnv env;
    fxSetEnv(&env);
    env.width = 1280;
    env.height = 1024;
    {
        FXVornGadget g;
        ASSERT_TRUE(g.CreateCN(&pkg, 4, 2));
        ASSERT_EQ(g.model.meshes.count, 1);
        const FXMesh* medallion = static_cast<FXMesh*>(g.model.meshes.Get(0));
        env.meshIds = {medallion, &g.desk.mesh};
        auto frame = [&](double t) {
            env.draws.clear();
            env.log.clear();
            g.OnRender(&env, t);
        };

        // sx = 0.144, sy = 0.18 about (0.756, -0.67), depth -1; the label
        // 1.332 sx by 0.333 sy about 0.25 lower, unlit.
        frame(100);
        ASSERT_EQ(env.draws.size(), 2u);
        EXPECT_EQ(env.draws[0].mesh, medallion);
        EXPECT_TRUE(env.draws[0].lit);
        EXPECT_TRUE(Near(Transform(env.draws[0].matrix, 1, 1, 0), 0.9f, -0.49f, -1));
        EXPECT_TRUE(Near(Transform(env.draws[0].matrix, -1, -1, 0), 0.612f, -0.85f, -1));
        EXPECT_EQ(env.draws[1].mesh, &g.desk.mesh);
        EXPECT_FALSE(env.draws[1].lit);
        const float lw = 1.332f * 0.144f, lh = 0.333f * 0.18f;
        EXPECT_TRUE(Near(Transform(env.draws[1].matrix, 1, 1, 0), 0.756f + lw, -0.92f + lh, -1));
        EXPECT_TRUE(Near(Transform(env.draws[1].matrix, -1, -1, 0), 0.756f - lw, -0.92f - lh, -1));
        // Only depth is cleared, before the model.
        EXPECT_LT(std::find(env.log.begin(), env.log.end(), "clear 010"),
                  std::find(env.log.begin(), env.log.end(), "mesh 0"));
        EXPECT_FALSE(env.lightingOn || env.depthTest);

        // A quarter turn points x along depth unscaled (turned, then scaled);
        // half a turn mirrors it; a full one starts over.
        frame(102);
        Point q = Transform(env.draws[0].matrix, 1, 0, 0);
        EXPECT_NEAR(q.x, 0.756f, 1e-4);
        EXPECT_NEAR(std::fabs(q.z + 1), 1.0f, 1e-4);
        frame(104);
        EXPECT_TRUE(Near(Transform(env.draws[0].matrix, 1, 0, 0), 0.612f, -0.67f, -1));
        frame(108);
        EXPECT_TRUE(Near(Transform(env.draws[0].matrix, 1, 0, 0), 0.9f, -0.67f, -1));

        env.width = env.height = 600;
        frame(108);
        EXPECT_TRUE(Near(Transform(env.draws[0].matrix, -1, -1, 0), 0.54f, -0.85f, -1));

        g.showModel = false;
        env.lightingOn = true;
        frame(109);
        ASSERT_EQ(env.draws.size(), 1u);
        EXPECT_EQ(env.draws[0].mesh, &g.desk.mesh);
        EXPECT_FALSE(env.draws[0].lit);
        EXPECT_EQ(std::count(env.log.begin(), env.log.end(), "clear 010"), 0);
    }
    fxSetEnv(nullptr);
    fxUnloadDevil();
}

TEST(FXDemoGadget, PathDrawnFromTheClock)
{
    FXPackage empty;
    FXDemoGadget a, b, c;
    const double clock[3] = {1000, 1003.217, 1000};
    FXDemoGadget* g[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i) {
        fxUseVirtualClock(clock[i]);
        fxSrand(7);
        EXPECT_FALSE(g[i]->CreateCN(&empty, 687, 688));
    }
    fxUseRealClock();

    ASSERT_EQ(a.path.GetCnt(), 20);
    ASSERT_EQ(b.path.GetCnt(), 20);
    EXPECT_TRUE(a.path.closed);
    EXPECT_DOUBLE_EQ(a.pathPhase.duration, 640.0 * a.path.meanLength);
    bool differs = false;
    for (int i = 0; i < 60; ++i) {
        float v = a.path.points.items[i];
        EXPECT_TRUE(i % 3 == 2 ? v == 0 : std::fabs(v) <= 0.7f) << i;
        EXPECT_EQ(v, c.path.points.items[i]);
        differs = differs || v != b.path.points.items[i];
    }
    EXPECT_TRUE(differs);
}

TEST(FXDemoGadget, WaitsFadesInAndDrawsTheShellOutside)
{
    ASSERT_TRUE(fxLoadDevil());
    FXPackage pkg;
    ASSERT_TRUE(LoadPackage(&pkg, {{687, SolidPng(8, 8, 0xff00ff00u), kFxTypePng},
                                   {688, SolidPng(8, 8, 0xffff0000u), kFxTypePng}}));
    {
        GLDevice dev;
        ASSERT_TRUE(dev.created);
        FXDemoGadget g;
        ASSERT_TRUE(g.CreateCN(&pkg, 687, 688));

        // Each side's corners share one coordinate of +-1: six distinct sides.
        std::set<int> sides;
        for (const FXMatrix& f : g.faceMatrix) {
            Point p[4] = {Transform(f, -1, -1, 0), Transform(f, 1, -1, 0), Transform(f, -1, 1, 0),
                          Transform(f, 1, 1, 0)};
            for (int axis = 0; axis < 3; ++axis) {
                auto at = [&](int k) { return axis == 0 ? p[k].x : axis == 1 ? p[k].y : p[k].z; };
                bool flat = std::fabs(std::fabs(at(0)) - 1) < 1e-3f;
                for (int k = 1; k < 4; ++k)
                    flat = flat && std::fabs(at(k) - at(0)) < 1e-3f;
                if (flat)
                    sides.insert(axis * 2 + (at(0) > 0));
            }
        }
        EXPECT_EQ(sides.size(), 6u);

        MatrixEnv env;
        for (double t : {1000.0, 1014.9, 1015.0}) {
            g.OnRender(&env, t);
            EXPECT_TRUE(env.draws.empty() && !env.sphereMap) << t;
        }
        FXMatrix identity;
        identity.SetIdentity();
        EXPECT_TRUE(env.matrix.Compare(&identity));

        // One second into the fade: the inner sides sphere-mapped, then the
        // shell without, 1.001 times larger about the cube's centre.
        g.OnRender(&env, 1016.0);
        EXPECT_FLOAT_EQ(g.faceMaterial.diffuse[3], 0.5f * g.faceMaterial.preservedDiffuse[3]);
        EXPECT_FLOAT_EQ(g.shellMaterial.diffuse[3], 0.5f * g.shellMaterial.preservedDiffuse[3]);
        EXPECT_FLOAT_EQ(g.faceMaterial.diffuse[0], g.faceMaterial.preservedDiffuse[0]);
        EXPECT_FALSE(env.sphereMap);
        ASSERT_EQ(env.draws.size(), 12u);
        for (int i = 0; i < 6; ++i) {
            const Draw &in = env.draws[i], &out = env.draws[6 + i];
            EXPECT_TRUE(in.mesh == &g.faces[i].mesh && in.sphereMapped) << i;
            EXPECT_TRUE(out.mesh == &g.shellFaces[i].mesh && !out.sphereMapped) << i;
            Point c = Transform(in.matrix, 0, 0, 1);
            EXPECT_NEAR(c.z, 0.0f, 1e-5);
            Point pi = Transform(in.matrix, 1, -1, 0);
            EXPECT_TRUE(Near(Transform(out.matrix, 1, -1, 0), c.x + 1.001f * (pi.x - c.x), c.y + 1.001f * (pi.y - c.y),
                             c.z + 1.001f * (pi.z - c.z)));
        }

        // The fade ends at full alpha and stays there.
        g.OnRender(&env, 1017.0);
        g.OnRender(&env, 1020.0);
        EXPECT_FALSE(g.fading);
        EXPECT_FLOAT_EQ(g.shellMaterial.diffuse[3], g.shellMaterial.preservedDiffuse[3]);
        EXPECT_FLOAT_EQ(g.faceMaterial.diffuse[3], g.faceMaterial.preservedDiffuse[3]);
        EXPECT_EQ(env.draws.size(), 36u);
    }
    fxUnloadDevil();
}
