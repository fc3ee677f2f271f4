#include "geometry/FXDesk.h"
#include "render/FXMaterial.h"
#include "render/PEnv.h"
#include "support/RecordingEnv.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

std::vector<tagFXVertex> Snapshot(const FXDesk& d)
{
    return std::vector<tagFXVertex>(d.mesh.vertices, d.mesh.vertices + d.mesh.vertexCount);
}

bool Same(const std::vector<tagFXVertex>& a, const FXDesk& d)
{
    return static_cast<int>(a.size()) == d.mesh.vertexCount &&
           std::memcmp(a.data(), d.mesh.vertices, a.size() * sizeof(tagFXVertex)) == 0;
}

// Vertex of row r, column c.
const tagFXVertex& At(const FXDesk& d, int r, int c) { return d.mesh.vertices[r * (d.cols + 1) + c]; }

#define EXPECT_PAIR(p, a, b)          \
    do {                              \
        EXPECT_FLOAT_EQ((p)[0], (a)); \
        EXPECT_FLOAT_EQ((p)[1], (b)); \
    } while (0)

} // namespace

TEST(FXDesk, CreateOneByOneBuildsTheUnitQuad)
{
    FXMaterial mat;
    mat.texExtentU = 0.625f;
    mat.texExtentV = 0.75f;
    FXDesk d;
    d.SetMaterial(&mat); // before Create: no vertices to touch yet
    ASSERT_TRUE(d.Create(1, 1));
    ASSERT_EQ(d.mesh.vertexCount, 4);
    ASSERT_EQ(d.mesh.indexCount, 6);
    const float pos[4][2] = {{-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
    const float tex[4][2] = {{0, 0}, {0.625f, 0}, {0, 0.75f}, {0.625f, 0.75f}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        tagFXVertex want = {};
        std::memcpy(want.pos, pos[i], sizeof pos[i]);
        want.norm[2] = -1.0f;
        std::memcpy(want.tex, tex[i], sizeof tex[i]);
        for (float& c : want.col)
            c = 1.0f;
        EXPECT_EQ(std::memcmp(&d.mesh.vertices[i], &want, sizeof want), 0);
    }
    const int ix[6] = {0, 2, 1, 2, 3, 1};
    EXPECT_EQ(std::memcmp(d.mesh.indices, ix, sizeof ix), 0);
    EXPECT_EQ(d.mesh.colMode, 0);

    // The same size again keeps everything set since.
    const float red[4] = {1, 0, 0, 0.5f};
    d.UpdateColCol(red);
    d.SetVertexPos(3, 0.25f, -0.5f);
    std::vector<tagFXVertex> before = Snapshot(d);
    EXPECT_TRUE(d.Create(1, 1));
    EXPECT_TRUE(Same(before, d));
    EXPECT_TRUE(d.Create(2, 1));
    EXPECT_EQ(d.mesh.indexCount, 12);
    EXPECT_EQ(d.mesh.vertices[5].col[1], 1.0f);
}

TEST(FXDesk, DegenerateAndInvalidSizesDrawNothing)
{
    RecordingEnv env;
    FXDesk d;
    d.OnRender(&env, 0);
    d.SetVertexPos(1, 5, 5); // no vertices: nothing to write
    ASSERT_TRUE(d.Create(0, 3));
    EXPECT_EQ(d.mesh.vertexCount, 4);
    EXPECT_EQ(d.mesh.indexCount, 0);
    d.OnRender(&env, 0);
    EXPECT_EQ(env.renders, 0);
    for (int r = 0; r < 4; ++r)
        EXPECT_PAIR(At(d, r, 0).pos, -1.0f, 1.0f - 2.0f * r / 3.0f);
    ASSERT_TRUE(d.Create(3, 0));
    EXPECT_PAIR(At(d, 0, 3).pos, 1.0f, 1.0f);

    const int bad[][2] = {{-1, 2}, {2, -1}, {INT_MAX, 0}, {65536, 65536}, {20000, 20000}, {6000, 6000}};
    for (const auto& b : bad) {
        ASSERT_TRUE(d.Create(1, 1));
        EXPECT_FALSE(d.Create(b[0], b[1])) << b[0] << " " << b[1];
        EXPECT_EQ(d.cols, 0);
        EXPECT_EQ(d.rows, 0);
        EXPECT_EQ(d.mesh.vertexCount, 0);
        EXPECT_EQ(d.mesh.indexCount, 0);
        d.UpdatePos(true, true);
        d.OnRender(&env, 0);
    }
    EXPECT_EQ(env.renders, 0);
    ASSERT_TRUE(d.Create(1, 1));
    d.OnRender(&env, 0);
    EXPECT_EQ(env.renders, 1);
}

TEST(FXDesk, TextureFormulasFollowMaterialAndFlip)
{
    FXMaterial mat;
    mat.texExtentU = 0.625f;
    mat.texExtentV = 0.75f;
    FXDesk d;
    ASSERT_TRUE(d.Create(2, 2));
    d.SetMaterial(&mat);
    EXPECT_EQ(At(d, 1, 1).tex[0], 0.3125f);
    d.mesh.flipTexV = true;
    d.UpdateTex();
    for (int c = 0; c <= 2; ++c) {
        EXPECT_EQ(At(d, 0, c).tex[1], 0.75f);
        EXPECT_EQ(At(d, 2, c).tex[1], 0.0f);
    }
    d.UpdateTex1(); // ignores the material
    EXPECT_PAIR(At(d, 0, 2).tex, 1.0f, 1.0f);
    d.UpdateTexRc(0.2f, 0.1f, 0.6f, 0.9f); // b = 0.5 on the middle row
    EXPECT_PAIR(At(d, 1, 2).tex, 0.6f * 0.625f, 0.75f * 0.5f);
    EXPECT_PAIR(At(d, 2, 0).tex, 0.2f * 0.625f, 0.75f * (1.0f - 0.9f));

    d.mesh.flipTexV = false;
    d.UpdateTex1();
    d.SetMaterial1(&mat); // rescales what is there
    EXPECT_PAIR(At(d, 2, 2).tex, 0.625f, 0.75f);
    EXPECT_PAIR(At(d, 0, 2).tex, 0.625f, 0.0f);

    d.SetMaterial(nullptr);
    for (int i = 0; i < d.mesh.vertexCount; ++i) {
        EXPECT_EQ(d.mesh.vertices[i].tex[0], 0.0f);
        EXPECT_EQ(d.mesh.vertices[i].tex[1], 0.0f);
    }
}

TEST(FXDesk, PositionFormulas)
{
    FXDesk d;
    ASSERT_TRUE(d.Create(2, 2));
    d.UpdatePosSkew(true, false, 0.5f, 0.25f);
    EXPECT_PAIR(At(d, 2, 2).pos, 1.0f, -1.0f);
    EXPECT_PAIR(At(d, 0, 0).pos, -0.5f, 1.25f);
    EXPECT_PAIR(At(d, 1, 1).pos, 0.25f, 0.125f);
    d.UpdatePosSkew1(true, false, 0.5f, 0.25f);
    EXPECT_PAIR(At(d, 0, 0).pos, -1.0f, 1.0f);
    EXPECT_PAIR(At(d, 2, 2).pos, 1.5f, -0.75f);
    d.UpdatePosPerspective(-0.5f);
    EXPECT_PAIR(At(d, 0, 0).pos, -1.0f, 1.0f);
    EXPECT_PAIR(At(d, 1, 2).pos, 0.75f, 0.0f);
    EXPECT_PAIR(At(d, 2, 0).pos, -0.5f, -1.0f);

    // Normals only: positions stay.
    d.mesh.vertices[4].norm[2] = 7.0f;
    d.UpdatePosSkew(false, true, 9.0f, 9.0f);
    EXPECT_EQ(At(d, 1, 1).norm[2], -1.0f);
    EXPECT_FLOAT_EQ(At(d, 1, 2).pos[0], 0.75f);

    // Flame: w = 1 * 0.8 + offset at the bottom row, wrapped once.
    FXDesk f;
    ASSERT_TRUE(f.Create(1, 1));
    const float offsets[2] = {0.6f, 2.5f}, ws[2] = {0.4f, 2.3f};
    for (int i = 0; i < 2; ++i) {
        f.UpdatePosFlame(0.8f, 2.0f, offsets[i]);
        float expected = -1.0f + std::sin(2.0f * 3.1415f * ws[i]) * 2.0f;
        float fullyWrapped = -1.0f + std::sin(2.0f * 3.1415f * (ws[i] - std::floor(ws[i]))) * 2.0f;
        EXPECT_NEAR(f.mesh.vertices[2].pos[0], expected, 1e-5) << offsets[i];
        if (i == 1) {
            ASSERT_GT(std::fabs(expected - fullyWrapped), 1e-4);
        }
        EXPECT_EQ(f.mesh.vertices[0].pos[0], -1.0f); // the top row stays straight
        EXPECT_EQ(f.mesh.vertices[1].pos[0], 1.0f);
        EXPECT_EQ(f.mesh.vertices[2].pos[1], -1.0f);
    }
}

TEST(FXDesk, ColourFormulas)
{
    const float lt[4] = {0.1f, 0.2f, 0.3f, 0.4f}, rb[4] = {0.9f, 0.7f, 0.5f, 0.3f};
    FXDesk d;
    ASSERT_TRUE(d.Create(2, 2));
    d.UpdateCol_LT_RB(lt, rb);
    for (int k = 0; k <= 2; ++k) {
        EXPECT_EQ(std::memcmp(At(d, 0, k).col, lt, sizeof lt), 0) << k;
        EXPECT_EQ(std::memcmp(At(d, k, 0).col, lt, sizeof lt), 0) << k;
    }
    EXPECT_EQ(std::memcmp(At(d, 2, 2).col, rb, sizeof rb), 0);
    EXPECT_FLOAT_EQ(At(d, 1, 1).col[0], 0.1f + 0.25f * 0.8f);
    EXPECT_FLOAT_EQ(At(d, 2, 1).col[1], 0.2f + 0.5f * 0.5f);
    d.UpdateCol();
    EXPECT_EQ(At(d, 2, 2).col[3], 1.0f);
}

TEST(FXDesk, CornerSetters)
{
    FXDesk d;
    ASSERT_TRUE(d.Create(1, 1));
    std::vector<tagFXVertex> before = Snapshot(d);
    for (int corner : {0, 5, -1}) {
        d.SetVertexPos(corner, 9, 9);
        d.SetTexelPos(corner, 9, 9);
        d.SetVertexPos1(corner, 1, 1, 2, 2);
    }
    d.SetVertexPos1(1, 1, 1, 0, 4);
    d.SetTexelPos1(1, 1, 1, 4, 0);
    EXPECT_TRUE(Same(before, d));

    const int vertexOf[5] = {-1, 0, 1, 3, 2};
    for (int corner = 1; corner <= 4; ++corner) {
        d.SetVertexPos(corner, 0.1f * corner, 0.2f);
        d.SetTexelPos(corner, 0.3f, 0.1f * corner);
        const tagFXVertex& v = d.mesh.vertices[vertexOf[corner]];
        EXPECT_EQ(v.pos[0], 0.1f * corner);
        EXPECT_EQ(v.tex[1], 0.1f * corner);
        EXPECT_EQ(v.pos[2], 0.0f);
    }
    d.SetVertexPos1(3, 640, 480, 640, 480);
    EXPECT_PAIR(d.mesh.vertices[3].pos, 1.0f, -1.0f);
    d.SetVertexPos1(1, 160, 120, 640, 480);
    EXPECT_PAIR(d.mesh.vertices[0].pos, -0.5f, 0.5f);
    d.SetTexelPos1(4, 320, 120, 640, 480);
    EXPECT_PAIR(d.mesh.vertices[2].tex, 0.5f, 0.25f);
}

// The environment double lives here, so the mesh's Destroy is checked here
// too: it tells the environment that drew it, never the process's one.
TEST(FXMesh, DestroyTellsItsEnvironmentOnce)
{
    RecordingEnv env, current;
    fxSetEnv(&current);
    {
        FXMesh empty; // no vertex array: nothing to tell
        empty.env = &env;
        empty.Destroy();
        FXDesk d;
        ASSERT_TRUE(d.Create(1, 1));
        d.mesh.env = &env;
        d.Destroy();
        EXPECT_EQ(env.unprepares, 1);
        EXPECT_EQ(d.cols + d.rows + d.mesh.vertexCapacity + d.mesh.indexCapacity, 0);
        EXPECT_EQ(d.mesh.vertices, nullptr);
        EXPECT_EQ(d.mesh.env, nullptr);
        d.Destroy();
        EXPECT_EQ(env.unprepares, 1);
        ASSERT_TRUE(d.Create(1, 1)); // reusable; the destructor tells once more
        d.mesh.env = &env;
    }
    EXPECT_EQ(env.unprepares, 2);
    FXMesh m;
    ASSERT_TRUE(m.Realloc(1, 0));
    m.Destroy(); // never drawn: just frees
    EXPECT_EQ(env.unprepares, 2);
    EXPECT_EQ(current.unprepares, 0);
    fxSetEnv(nullptr);
}
