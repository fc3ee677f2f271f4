#include "geometry/FXMesh.h"
#include "geometry/FXModel.h"
#include "package/FXPackage.h"
#include "render/FXMaterial.h"
#include "render/FXMatlib.h"
#include "support/PackageBytes.h"
#include "support/RecordingEnv.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A complete mesh record of one triangle whose x coordinates are base, base+1,
// base+2.
void MeshRecord(Bytes* b, const char* material, int transpMode, float base)
{
    b->Str(material).Float(0).Float(0).Int(transpMode).Int(0).Int(3);
    for (int v = 0; v < 3; ++v) {
        b->Float(base + v);
        for (int k = 1; k < 19; ++k)
            b->Float(0);
    }
    b->Int(3).Int(0).Int(1).Int(2);
}

std::string Packages()
{
    Bytes unknown, v02, v03, lib;
    unknown.Str("xq99").Str("never read");
    v02.Str("xm02").Str("three").Str("").Int(3);
    MeshRecord(&v02, "", 1, 0);
    MeshRecord(&v02, "", 0, 10);
    MeshRecord(&v02, "", 2, 20);
    v03.Str("xm03").Str("shared").Str("9").Int(1);
    for (int width : {3, 3, 2}) { // tables: vector i is (i, i, i)
        v03.Int(3 * width);
        for (int i = 0; i < 3; ++i)
            for (int k = 0; k < width; ++k)
                v03.Float(static_cast<float>(i));
    }
    v03.Str("glass").Float(0).Float(0).Int(0).Int(0).Int(3).Int(3); // header
    v03.Int(3).Raw(std::string(3, '\0'));                         // stream: three successive corners
    lib.Str("lib").Int(1).Str("glass").Str("");
    for (int i = 0; i < 17; ++i)
        lib.Float(1);
    return PackageFile("pck01", PackagePayload({{1, unknown.s, -1}, {2, v02.s, -1}, {3, v03.s, -1}, {9, lib.s, -1}}));
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string bytes = Packages();
        ASSERT_TRUE(pkg.LoadFromMemory(bytes.data(), static_cast<long>(bytes.size())));
        fxSetEnv(&env);
    }
    void TearDown() override { fxSetEnv(nullptr); }

    RecordingEnv env;
    FXPackage pkg;
};

} // namespace

TEST_F(ModelTest, HeadersAndTheWorkingCopy)
{
    FXModel m;
    EXPECT_FALSE(m.LoadCN(&pkg, 77));
    EXPECT_TRUE(m.LoadCN(&pkg, 1));
    EXPECT_EQ(m.loadedMeshes.count, 0);

    ASSERT_TRUE(m.LoadCN(&pkg, 2));
    EXPECT_STREQ(m.name.Get(), "three");
    EXPECT_EQ(m.loadedMeshes.count, 3);
    EXPECT_EQ(m.GetTotalVertices(), 0); // no working copy yet
    m.OnRender(&env, 0);
    EXPECT_EQ(env.renders, 0);
    m.UpdateMeshes();
    EXPECT_EQ(m.GetTotalVertices(), 9);
    EXPECT_NE(m.meshes.Get(0), m.loadedMeshes.Get(0));

    FXModel shared;
    ASSERT_TRUE(shared.LoadCN(&pkg, 3));
    shared.UpdateMeshes();
    ASSERT_EQ(shared.meshes.count, 1);
    FXMesh* mesh = static_cast<FXMesh*>(shared.meshes.Get(0));
    ASSERT_EQ(mesh->vertexCount, 3);
    EXPECT_FLOAT_EQ(mesh->vertices[2].pos[0], 2);
    ASSERT_NE(shared.matlib, nullptr);
    EXPECT_EQ(mesh->material, shared.matlib->FindMaterial("glass"));
    EXPECT_NE(mesh->material, nullptr);

    // Texture coordinates move only between models of equal mesh counts.
    FXModel four;
    ASSERT_TRUE(four.LoadCN(&pkg, 2));
    four.UpdateMeshes();
    four.meshes.Push(nullptr);
    static_cast<FXMesh*>(m.meshes.Get(0))->vertices[0].tex[0] = 0.75f;
    four.CopyTexCoords(-1, &m);
    EXPECT_FLOAT_EQ(static_cast<FXMesh*>(four.meshes.Get(0))->vertices[0].tex[0], 0);
    FXModel again;
    again.LoadCN(&pkg, 2);
    again.UpdateMeshes();
    again.CopyTexCoords(0, &m);
    EXPECT_FLOAT_EQ(static_cast<FXMesh*>(again.meshes.Get(0))->vertices[0].tex[0], 0.75f);

    float box[6];
    m.FindMaxims(box);
    EXPECT_FLOAT_EQ(box[0], 0);
    EXPECT_FLOAT_EQ(box[1], 22);
}

TEST_F(ModelTest, TransparencyPassesInOrder)
{
    FXModel m;
    ASSERT_TRUE(m.LoadCN(&pkg, 2));
    m.UpdateMeshes();
    for (int i = 0; i < 3; ++i)
        env.meshIds.push_back(static_cast<FXMesh*>(m.meshes.Get(i)));
    m.OnRender(&env, 0);
    const std::vector<std::string> want = {"mesh 1",       "cull 1 0",   "mesh 0", "cull 0 1", "mesh 0",
                                           "cull 0 0",     "depthwrite 0", "mesh 2", "depthwrite 1", "mesh 2"};
    EXPECT_EQ(env.log, want);
}

TEST_F(ModelTest, CopySharesTheLibraryByCount)
{
    FXModel m;
    ASSERT_TRUE(m.LoadCN(&pkg, 3));
    ASSERT_NE(m.matlib, nullptr);
    EXPECT_EQ(m.matlib->refCount, 1);
    {
        FXModel copy;
        m.UpdateMeshes();
        copy.Copy(&m);
        EXPECT_EQ(copy.matlib, m.matlib);
        EXPECT_EQ(m.matlib->refCount, 2);
        EXPECT_EQ(copy.loadedMeshes.count, 0);
        EXPECT_EQ(copy.GetTotalVertices(), 3);
    }
    EXPECT_EQ(m.matlib->refCount, 1);
    m.Destroy();
    EXPECT_EQ(env.matlibs.count, 0); // the last reference deleted it
}

TEST_F(ModelTest, WrittenRecordsReadBack)
{
    FXModel src;
    src.name.Set("quad");
    auto* quad = new FXMesh;
    ASSERT_TRUE(quad->Realloc(4, 6));
    std::memset(quad->vertices, 0, 4 * sizeof(tagFXVertex));
    for (int v = 0; v < 4; ++v) {
        quad->vertices[v].pos[0] = float(v % 2);
        quad->vertices[v].pos[1] = float(v / 2);
        quad->vertices[v].norm[2] = -1;
        quad->vertices[v].tex[0] = 0.5f * v;
        quad->vertices[v].col[0] = quad->vertices[v].col[1] = quad->vertices[v].col[2] = quad->vertices[v].col[3] = 1;
    }
    const int idx[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(quad->indices, idx, sizeof idx);
    quad->transpMode = 1;
    quad->matName.Set("glass");
    auto* hidden = new FXMesh;
    hidden->disabled = true;
    src.meshes.Push(quad);
    src.meshes.Push(hidden);

    TempDir dir;
    for (int version : {2, 3}) {
        std::string path = dir.File("m.xm");
        ASSERT_TRUE(src.Save(path.c_str(), version));
        std::string file = PackageFile("pck01", PackagePayload({{5, ReadFileBytes(path), -1}}));
        FXPackage p;
        ASSERT_TRUE(p.LoadFromMemory(file.data(), static_cast<long>(file.size())));
        FXModel back;
        ASSERT_TRUE(back.LoadCN(&p, 5));
        back.UpdateMeshes();
        EXPECT_STREQ(back.name.Get(), "quad");
        ASSERT_EQ(back.meshes.count, 1) << "version " << version;
        const FXMesh* m = static_cast<const FXMesh*>(back.meshes.Get(0));
        ASSERT_EQ(m->vertexCount, 4);
        ASSERT_EQ(m->indexCount, 6);
        EXPECT_EQ(m->transpMode, 1);
        EXPECT_STREQ(m->matName.Get(), "glass");
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(m->indices[i], idx[i]);
        for (int v = 0; v < 4; ++v) {
            EXPECT_EQ(std::memcmp(m->vertices[v].pos, quad->vertices[v].pos, sizeof(float) * 8), 0) << v;
            EXPECT_FLOAT_EQ(m->vertices[v].col[3], 1);
        }
    }
}

TEST_F(ModelTest, ImportObjMakesOneMeshPerMaterial)
{
    TempDir dir;
    {
        FILE* f = std::fopen(dir.File("m.mtl").c_str(), "w");
        std::fputs("newmtl solid\nKd 1 1 1\nnewmtl glass\nKd 1 1 1\nd 0.5\n", f);
        std::fclose(f);
        f = std::fopen(dir.File("m.obj").c_str(), "w");
        std::fputs("# a quad of glass, then a triangle of solid\nmtllib m.mtl\n"
                   "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0.25\n"
                   "usemtl glass\nf 1/1 2/2 3/2 4/1\nusemtl solid\nf -4 -3 -1\n",
                   f);
        std::fclose(f);
        f = std::fopen(dir.File("bad.obj").c_str(), "w");
        std::fputs("v 0 0 0\nv 1 0 0\nf 1 2 3\n", f);
        std::fclose(f);
    }
    FXModel m;
    ASSERT_TRUE(m.ImportObj(dir.File("m.obj").c_str()));
    ASSERT_EQ(m.meshes.count, 2);
    const FXMesh* glass = static_cast<const FXMesh*>(m.meshes.Get(0));
    const FXMesh* solid = static_cast<const FXMesh*>(m.meshes.Get(1));
    EXPECT_STREQ(glass->matName.Get(), "glass");
    ASSERT_NE(glass->material, nullptr);
    EXPECT_EQ(glass->transpMode, 1);
    EXPECT_EQ(solid->transpMode, 0);
    ASSERT_EQ(glass->indexCount, 6); // the quad as a fan
    EXPECT_EQ(glass->vertexCount, 4);
    EXPECT_FLOAT_EQ(glass->vertices[1].tex[1], 0.75f) << "OBJ rows count from the bottom";
    ASSERT_EQ(solid->indexCount, 3);
    EXPECT_FLOAT_EQ(solid->vertices[solid->indices[2]].pos[1], 1) << "-1 is the last vertex";
    for (int v = 0; v < glass->vertexCount; ++v)
        EXPECT_FLOAT_EQ(glass->vertices[v].norm[2], 1) << "normals from the faces";

    FXModel bad;
    EXPECT_FALSE(bad.ImportObj(dir.File("bad.obj").c_str()));
    EXPECT_EQ(bad.meshes.count, 0);
    EXPECT_FALSE(bad.ImportObj(dir.File("missing.obj").c_str()));
}
