#include "geometry/FXMesh.h"
#include "render/FXMaterial.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace {

void SetTex(FXMesh& m, int i, float s, float t)
{
    m.vertices[i].tex[0] = s;
    m.vertices[i].tex[1] = t;
}

#define EXPECT_TEX(m, i, s, t)                     \
    do {                                           \
        EXPECT_FLOAT_EQ((m).vertices[i].tex[0], s); \
        EXPECT_FLOAT_EQ((m).vertices[i].tex[1], t); \
    } while (0)

} // namespace

TEST(FXMesh, ReallocKeepsLargeEnoughArraysAndRejectsBadCounts)
{
    FXMesh m;
    ASSERT_TRUE(m.Realloc(20, 60));
    std::memset(m.vertices, 0x5a, 20 * sizeof(tagFXVertex));
    for (int i = 0; i < 60; ++i)
        m.indices[i] = i;
    tagFXVertex* v = m.vertices;
    int* ix = m.indices;

    ASSERT_TRUE(m.Realloc(10, 30));
    EXPECT_EQ(m.vertices, v);
    EXPECT_EQ(m.indices, ix);
    EXPECT_EQ(m.vertexCount, 10);
    EXPECT_EQ(m.indexCount, 30);
    EXPECT_EQ(m.vertexCapacity, 20);
    EXPECT_EQ(m.indexCapacity, 60);
    EXPECT_EQ(m.vertices[19].spare[2], 0x5a5a5a5au);
    EXPECT_EQ(m.indices[59], 59);

    ASSERT_TRUE(m.Realloc(25, 60));
    EXPECT_EQ(m.vertexCapacity, 25);
    EXPECT_EQ(m.indices, ix);

    // Refused before anything is freed: the arrays stay, the counts drop.
    const int tooManyVertices = INT_MAX / static_cast<int>(sizeof(tagFXVertex)) + 1;
    const int bad[][2] = {{-1, 3}, {3, -1}, {tooManyVertices, 0}, {0, INT_MAX / 4 + 1}};
    for (const auto& b : bad) {
        ASSERT_TRUE(m.Realloc(5, 5));
        EXPECT_FALSE(m.Realloc(b[0], b[1])) << b[0] << " " << b[1];
        EXPECT_EQ(m.vertexCount, 0);
        EXPECT_EQ(m.indexCount, 0);
        EXPECT_EQ(m.vertexCapacity, 25);
        EXPECT_EQ(m.indices, ix);
    }
}

TEST(FXMesh, CopyTakesHeaderAndDataButNotDrawFlags)
{
    FXMaterial mat;
    FXMesh layer, src;
    src.transpMode = 2;
    src.colMode = 1;
    src.material = &mat;
    src.matName.Set("glass");
    src.loaded_u = 0.5f;
    src.loaded_v = 0.25f;
    src.disabled = true;
    src.flipTexV = true;
    src.secondLayer = &layer;
    ASSERT_TRUE(src.Realloc(3, 6));
    for (int i = 0; i < 3 * static_cast<int>(sizeof(tagFXVertex)); ++i)
        reinterpret_cast<unsigned char*>(src.vertices)[i] = static_cast<unsigned char>(i * 7);
    const int ix[6] = {0, 1, 2, 2, 1, 0};
    std::memcpy(src.indices, ix, sizeof ix);

    for (bool full : {true, false}) {
        FXMesh dst;
        ASSERT_TRUE(dst.Realloc(1, 0));
        if (full)
            dst.Copy(&src);
        else
            dst.CopyMeshI(&src);
        EXPECT_EQ(dst.transpMode, 2);
        EXPECT_EQ(dst.colMode, 1);
        EXPECT_EQ(dst.material, &mat);
        EXPECT_STREQ(dst.matName.Get(), "glass");
        EXPECT_EQ(dst.loaded_u, 0.5f);
        EXPECT_EQ(dst.loaded_v, 0.25f);
        EXPECT_FALSE(dst.disabled);
        EXPECT_FALSE(dst.flipTexV);
        EXPECT_EQ(dst.secondLayer, nullptr);
        ASSERT_EQ(dst.vertexCount, 3);
        ASSERT_EQ(dst.indexCount, 6);
        if (full) {
            EXPECT_EQ(std::memcmp(dst.vertices, src.vertices, 3 * sizeof(tagFXVertex)), 0);
            EXPECT_EQ(std::memcmp(dst.indices, ix, sizeof ix), 0);
            FXMesh empty;
            dst.Copy(&empty);
            EXPECT_EQ(dst.vertexCount, 0);
            EXPECT_EQ(dst.indexCount, 0);
        }
    }
}

TEST(FXMesh, ResizeTexCoordsScalesToTheMaterialExtents)
{
    FXMaterial mat;
    mat.texExtentU = 0.625f;
    mat.texExtentV = 0.75f;
    FXMesh m;
    ASSERT_TRUE(m.Realloc(2, 0));
    SetTex(m, 0, 1, 1);
    SetTex(m, 1, 1, 0);

    m.ResizeTexCoords1(); // no material: nothing
    EXPECT_TEX(m, 0, 1.0f, 1.0f);
    m.material = &mat;
    m.ResizeTexCoords1();
    EXPECT_TEX(m, 0, 0.625f, 0.75f);
    EXPECT_TEX(m, 1, 0.625f, 0.0f);

    SetTex(m, 1, 1, 0);
    m.flipTexV = true;
    m.ResizeTexCoords1();
    EXPECT_TEX(m, 1, 0.625f, 0.75f);

    // Made for u extent 0.5 (factor 1.25); unknown v extent: factor ev.
    m.loaded_u = 0.5f;
    m.flipTexV = false;
    SetTex(m, 0, 0.4f, 0.5f);
    m.ResizeTexCoords();
    EXPECT_TEX(m, 0, 0.5f, 0.375f);
    m.flipTexV = true;
    m.loaded_v = 1.5f; // factor 0.5
    SetTex(m, 0, 0.4f, 0.2f);
    m.ResizeTexCoords();
    EXPECT_TEX(m, 0, 0.5f, 0.4f);

    mat.texExtentV = 0.0f;
    SetTex(m, 0, 0.4f, 0.2f);
    m.ResizeTexCoords();
    m.ResizeTexCoords1();
    EXPECT_TEX(m, 0, 0.4f, 0.2f);
}

TEST(FXMesh, CopyTexCoordsStopsAtTheShorterMesh)
{
    FXMesh a, b;
    ASSERT_TRUE(a.Realloc(3, 0));
    ASSERT_TRUE(b.Realloc(2, 0));
    for (int i = 0; i < 3; ++i)
        SetTex(a, i, 9, 9);
    SetTex(b, 0, 0.1f, 0.2f);
    SetTex(b, 1, 0.3f, 0.4f);
    a.CopyTexCoords(&b); // reads only b's two vertices
    EXPECT_EQ(a.vertices[1].tex[1], 0.4f);
    EXPECT_EQ(a.vertices[2].tex[0], 9.0f);
    b.CopyTexCoords(&a); // writes only b's two vertices
    EXPECT_EQ(b.vertices[0].tex[0], 0.1f);
}
