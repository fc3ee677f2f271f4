#include "geometry/FXMesh.h"
#include "package/FXNumPool.h"
#include "package/FXPackageData.h"
#include "package/FXVectorMap.h"
#include "render/FXMaterial.h"
#include "render/FXMatlib.h"
#include "support/PackageBytes.h"

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

namespace {

// Tables whose vector i is (i, 10 + i, 20 + i): every component tells its
// index. Read from a record, as the show reads them.
void FillTables(FXVectorMap* map, int n)
{
    Bytes b;
    for (int width : {3, 3, 2}) {
        b.Int(n * width);
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < width; ++k)
                b.Float(10.0f * k + i);
    }
    FXPackageData data;
    data.InitData(&b.s[0], static_cast<int>(b.s.size()));
    map->LoadC(nullptr, &data);
}

void Header(FXMesh* m, int vertices, int indices)
{
    ASSERT_TRUE(m->Realloc(vertices, indices));
}

} // namespace

TEST(FXMesh, FromVMapNumbersVerticesByTheStream)
{
    FXVectorMap map;
    FillTables(&map, 4);

    FXNumPool seq; // three corners of previous + 1
    for (int i = 0; i < 3; ++i)
        seq.PushByte(0x00);
    FXMesh m;
    Header(&m, 3, 3);
    ASSERT_TRUE(m.FromVMap(&map, &seq));
    ASSERT_EQ(m.vertexCount, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m.indices[i], i);
        EXPECT_FLOAT_EQ(m.vertices[i].pos[0], float(i));
        EXPECT_FLOAT_EQ(m.vertices[i].norm[1], 10.0f + i);
        EXPECT_FLOAT_EQ(m.vertices[i].tex[0], float(i));
        EXPECT_FLOAT_EQ(m.vertices[i].col[3], 1.0f);
        EXPECT_EQ(m.vertices[i].mark, 0);
    }

    // 0x15: explicit bytes for all three. (1,1,1), (2,2,3), (1,1,1) again,
    // and (2,2,2): same position as the second with another texture
    // coordinate, so a vertex of its own.
    FXNumPool explicitly;
    const unsigned char corners[4][3] = {{1, 1, 1}, {2, 2, 3}, {1, 1, 1}, {2, 2, 2}};
    for (const auto& c : corners) {
        explicitly.PushByte(0x15);
        for (unsigned char b : c)
            explicitly.PushByte(b);
    }
    FXMesh r;
    Header(&r, 3, 4);
    ASSERT_TRUE(r.FromVMap(&map, &explicitly));
    EXPECT_EQ(r.vertexCount, 3);
    EXPECT_EQ(r.indices[0], 0);
    EXPECT_EQ(r.indices[1], 1);
    EXPECT_EQ(r.indices[2], 0);
    EXPECT_EQ(r.indices[3], 2);
    EXPECT_FLOAT_EQ(r.vertices[1].tex[0], 3.0f);
    EXPECT_FLOAT_EQ(r.vertices[2].pos[0], 2.0f);

    // Malformed: more distinct vertices than the header sized, a vector the
    // tables do not hold, a stream that ends early. Each empties the mesh.
    FXMesh small;
    Header(&small, 2, 4);
    EXPECT_FALSE(small.FromVMap(&map, &explicitly));
    EXPECT_EQ(small.vertexCount, 0);
    EXPECT_EQ(small.indexCount, 0);
    FXNumPool far;
    far.PushByte(0x15);
    far.PushByte(1);
    far.PushByte(9);
    far.PushByte(1);
    FXMesh outside;
    Header(&outside, 1, 1);
    EXPECT_FALSE(outside.FromVMap(&map, &far));
    EXPECT_EQ(outside.indexCount, 0);
    FXMesh cut;
    Header(&cut, 3, 5);
    EXPECT_FALSE(cut.FromVMap(&map, &seq));
    EXPECT_EQ(cut.vertexCount, 0);
}

TEST(FXMesh, RecordsRejectBlocksTheyDoNotHold)
{
    FXMaterial glass; // outlives the library that lists it
    FXMatlib lib;
    glass.name.Set("glass");
    lib.AddMaterial(&glass);

    Bytes rec;
    rec.Str("glass").Float(0.5f).Float(0.25f).Int(1).Int(1).Int(3);
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 19; ++k)
            rec.Float(float(v));
    rec.Int(3).Int(0).Int(2).Int(1);
    FXPackageData data;
    data.InitData(&rec.s[0], static_cast<int>(rec.s.size()));
    FXMesh m;
    m.LoadMeshC(nullptr, &data, &lib);
    EXPECT_EQ(m.material, &glass);
    EXPECT_FLOAT_EQ(m.loaded_v, 0.25f);
    EXPECT_EQ(m.colMode, 1);
    ASSERT_EQ(m.vertexCount, 3);
    ASSERT_EQ(m.indexCount, 3);
    EXPECT_FLOAT_EQ(m.vertices[2].pos[0], 2.0f);
    EXPECT_EQ(m.indices[1], 2);

    Bytes bad; // an index past the vertices, then a count past the bytes
    bad.Str("none").Float(0).Float(0).Int(0).Int(0).Int(1);
    for (int k = 0; k < 19; ++k)
        bad.Float(0);
    bad.Int(3).Int(0).Int(1).Int(0);
    data.InitData(&bad.s[0], static_cast<int>(bad.s.size()));
    m.LoadMeshC(nullptr, &data, &lib);
    EXPECT_EQ(m.material, nullptr);
    EXPECT_EQ(m.vertexCount, 0);
    EXPECT_EQ(m.indexCount, 0);
    Bytes huge;
    huge.Str("").Float(0).Float(0).Int(0).Int(0).Int(0x7ffffff0);
    data.InitData(&huge.s[0], static_cast<int>(huge.s.size()));
    m.LoadMeshC(nullptr, &data, nullptr);
    EXPECT_EQ(m.vertexCount, 0);

    Bytes head;
    head.Str("glass").Float(1).Float(1).Int(0).Int(0).Int(5).Int(9);
    data.InitData(&head.s[0], static_cast<int>(head.s.size()));
    m.LoadMeshIC(nullptr, &data, &lib);
    EXPECT_EQ(m.vertexCount, 5);
    EXPECT_EQ(m.indexCount, 9);
    // A vertex count above the index count is cut to it, not refused; the
    // stream then makes the vertices it makes.
    Bytes over;
    over.Str("").Float(1).Float(1).Int(0).Int(0).Int(1000).Int(4);
    data.InitData(&over.s[0], static_cast<int>(over.s.size()));
    m.LoadMeshIC(nullptr, &data, &lib);
    EXPECT_EQ(m.vertexCount, 4);
    EXPECT_EQ(m.indexCount, 4);
    FXVectorMap map;
    FillTables(&map, 4);
    FXNumPool corners;
    const unsigned char triples[4][3] = {{1, 1, 1}, {2, 2, 3}, {1, 1, 1}, {2, 2, 2}};
    for (const auto& c : triples) {
        corners.PushByte(0x15);
        for (unsigned char b : c)
            corners.PushByte(b);
    }
    ASSERT_TRUE(m.FromVMap(&map, &corners));
    EXPECT_EQ(m.vertexCount, 3);
    EXPECT_EQ(m.indices[3], 2);
    Bytes tooMany; // more indices than the entry has bytes for their stream
    tooMany.Str("").Float(1).Float(1).Int(0).Int(0).Int(5).Int(1 << 28);
    data.InitData(&tooMany.s[0], static_cast<int>(tooMany.s.size()));
    m.LoadMeshIC(nullptr, &data, &lib);
    EXPECT_EQ(m.indexCount, 0);
}

TEST(FXMesh, FittingNormalsAndFrontProjection)
{
    FXMesh m;
    ASSERT_TRUE(m.Realloc(3, 0));
    std::memset(m.vertices, 0, 3 * sizeof(tagFXVertex));
    const float pts[3][3] = {{4, 2, 1}, {0, 0, 1}, {2, 1, 1}};
    for (int i = 0; i < 3; ++i)
        std::memcpy(m.vertices[i].pos, pts[i], sizeof pts[i]);
    bool first = true;
    float box[6];
    m.FindMultiMaxims(&first, box);
    EXPECT_FALSE(first);
    const float want[6] = {0, 4, 0, 2, 1, 1};
    for (int k = 0; k < 6; ++k)
        EXPECT_FLOAT_EQ(box[k], want[k]);
    m.UnitizeMaximsStretch1(box);
    EXPECT_FLOAT_EQ(m.vertices[0].pos[0], 1);
    EXPECT_FLOAT_EQ(m.vertices[0].pos[1], 1);
    EXPECT_FLOAT_EQ(m.vertices[0].pos[2], 0);
    EXPECT_FLOAT_EQ(m.vertices[1].pos[0], -1);
    EXPECT_FLOAT_EQ(m.vertices[1].pos[1], -1);

    m.ComputeFrontTexCoords();
    EXPECT_TEX(m, 0, 1, 0); // (+1, +1): right edge, top row
    EXPECT_TEX(m, 1, 0, 1);
    EXPECT_TEX(m, 2, 0.5f, 0.5f);

    m.vertices[0].norm[0] = 7;
    m.vertices[1].normSum[1] = 3;
    m.vertices[1].normSum[2] = 4;
    m.vertices[2].normSum[0] = 2;
    m.Normalize(true); // nothing is marked
    EXPECT_FLOAT_EQ(m.vertices[1].norm[1], 0);
    m.vertices[1].mark = 1;
    m.Normalize(true);
    EXPECT_FLOAT_EQ(m.vertices[1].norm[1], 0.6f);
    EXPECT_FLOAT_EQ(m.vertices[1].norm[2], 0.8f);
    EXPECT_FLOAT_EQ(m.vertices[2].norm[0], 0);
    m.Normalize(false);
    EXPECT_FLOAT_EQ(m.vertices[2].norm[0], 1);
    EXPECT_FLOAT_EQ(m.vertices[0].norm[0], 7); // zero accumulator: kept
}
