#include "authoring/FXPackageBuilder.h"
#include "base/FXMatrix.h"
#include "base/fxTime.h"
#include "geometry/FXAnim.h"
#include "geometry/SMovie.h"
#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "render/FXCanvas.h"
#include "render/FXMaterial.h"
#include "render/FXMatlib.h"
#include "render/fxDevil.h"
#include "show/FXPhaser.h"
#include "support/GLDevice.h"
#include "support/PngWriter.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

void Write(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// A quad in the xy plane, moved by dz, with texture coordinates.
std::string Quad(float dz)
{
    char text[512];
    std::snprintf(text, sizeof text,
                  "mtllib lib.mtl\nv -1 -1 %g\nv 1 -1 %g\nv 1 1 %g\nv -1 1 %g\n"
                  "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl skin\nf 1/1 2/2 3/3 4/4\n",
                  dz, dz, 2 * dz, dz);
    return text;
}

class PackageBuilderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fxLoadDevil());
        std::vector<uint32_t> red(16 * 8, 0xff0000ffu);
        ASSERT_TRUE(WritePng(dir.File("pic.png"), 16, 8, red));
        Write(dir.File("lib.mtl"), "newmtl skin\nKd 1 1 1\nmap_Kd pic.png\n");
        Write(dir.File("quad.obj"), Quad(0));
        Write(dir.File("key-0.obj"), Quad(0));
        Write(dir.File("key-1.obj"), Quad(0.5f));
        // Movie frames: a 10 x 10 area lit in a box that moves.
        std::filesystem::create_directories(dir.File("frames"));
        for (int i = 0; i < 3; ++i) {
            std::vector<uint32_t> px(10 * 10, 0);
            for (int y = 2; y < 6; ++y)
                for (int x = i; x < i + 4; ++x)
                    px[y * 10 + x] = 0xff00ff00u;
            ASSERT_TRUE(WritePng(dir.File(("frames/" + std::to_string(i) + ".png").c_str()), 10, 10, px));
        }
    }
    void TearDown() override { fxUnloadDevil(); }

    bool Build(const std::string& manifest, FXPackageBuilder* b)
    {
        Write(dir.File("show.manifest"), manifest);
        b->quiet = true;
        return b->Build(dir.File("show.manifest").c_str(), dir.File("show.dat").c_str());
    }

    TempDir dir;
};

} // namespace

TEST_F(PackageBuilderTest, OneOfEachKindReadsBackThroughTheEngine)
{
    FXPackageBuilder b;
    ASSERT_TRUE(Build("# one of each\n"
                      "picture   12   pic.png\n"
                      "library   auto lib.mtl\n"
                      "model     2    quad.obj\n"
                      "model     auto \"quad.obj\" version=2\n"
                      "animation 8    key-*.obj times=400,600 loop=no\n"
                      "movie     11   frames/ fps=20\n"
                      "phaser    40   duration=2.5 loop=yes\n"
                      "matrix    41   values=2,0,0,0,0,2,0,0,0,0,2,0,1,2,3,1\n",
                      &b))
        << b.error;
    EXPECT_EQ(b.entries, 8);
    FXPackage pkg;
    ASSERT_TRUE(pkg.Load(dir.File("show.dat").c_str()));

    FXCanvas picture;
    EXPECT_TRUE(picture.CreateFromPictCN(&pkg, 12));
    EXPECT_EQ(picture.GetWidth(), 16);

    GLDevice dev(32, 32);
    ASSERT_TRUE(dev.created);
    FXModel model;
    ASSERT_TRUE(model.LoadCN(&pkg, 2));
    model.UpdateMeshes();
    ASSERT_EQ(model.meshes.count, 1);
    ASSERT_NE(model.matlib, nullptr) << "the model's library is an entry of its own";
    FXMaterial* skin = model.matlib->FindMaterial("skin");
    ASSERT_NE(skin, nullptr);
    EXPECT_GT(skin->GetWidthF(), 0) << "the library's texture is an entry too";

    FXAnim anim;
    ASSERT_TRUE(anim.LoadCN(&pkg, 8));
    ASSERT_EQ(anim.frames.count, 2);
    EXPECT_EQ(anim.GetFrame(1)->GetTotalVertices(), 4);
    EXPECT_EQ(anim.frameTimes.GetInt(1), 600);
    EXPECT_FALSE(anim.loop);

    FXPackageData* d = pkg.GetDataPtr(40);
    ASSERT_NE(d, nullptr);
    FXPhaser phaser;
    phaser.LoadC(&pkg, d);
    EXPECT_DOUBLE_EQ(phaser.duration, 2.5);
    EXPECT_TRUE(phaser.loop);
    FXMatrix m;
    m.LoadC(&pkg, pkg.GetDataPtr(41));
    EXPECT_FLOAT_EQ(m.m[13], 2);

    fxUseVirtualClock(50.0);
    SMovie movie;
    ASSERT_TRUE(movie.LoadCN(&pkg, 11));
    ASSERT_EQ(movie.GetFrameCount(), 3);
    EXPECT_EQ(movie.maxWidth, 4);
    EXPECT_DOUBLE_EQ(movie.frameTime, 0.05);
    ASSERT_TRUE(movie.LoadIntoMem());
    movie.waitForFrame = true;
    movie.Restart(fxGetTime());
    for (int i = 0; i < 10 && movie.phase < 1.0f; ++i) {
        movie.Prepare(-1);
        dev.gl.Clrscr(true, true, false);
        movie.OnRender(&dev.gl, fxGetTime());
    }
    EXPECT_FLOAT_EQ(movie.phase, 1.0f);
    glFinish();
    uint32_t lit = dev.Pixel(16, 12), dark = dev.Pixel(28, 28);
    EXPECT_GT((lit >> 8) & 0xff, 200u) << "the last frame's green box";
    EXPECT_LT(lit & 0xff, 60u);
    EXPECT_LT((dark >> 8) & 0xff, 60u) << "outside the frame's rectangle";
    fxUseRealClock();
}

TEST_F(PackageBuilderTest, ErrorsNameTheLineAndLeaveNoOutput)
{
    const std::pair<const char*, const char*> cases[] = {
        {"picture 1 pic.png\nsprite 2 pic.png\n", ":2: unknown kind \"sprite\""},
        {"picture 1 pic.png\npicture 1 pic.png\n", ":2: id 1 is already given on line 1"},
        {"picture x pic.png\n", ":1: \"x\" is not an id"},
        {"picture 1 lib.mtl\n", ":1: "},
        {"model 2 quad.obj size=3\n", ":1: model takes no \"size=3\""},
        {"\n\nanimation 8 key-*.obj times=1,2,3\n", ":3: times= gives 3 values for 2 key frames"},
        {"animation 8 key-0.obj,quad2.obj\n", ":1: cannot read"},
        {"movie 11 frames/ fps=0\n", ":1: fps=0"},
        {"picture 1 \"pic.png\n", ":1: a quote is not closed"},
    };
    for (const auto& c : cases) {
        FXPackageBuilder b;
        EXPECT_FALSE(Build(c.first, &b)) << c.first;
        EXPECT_NE(b.error.find(c.second), std::string::npos) << b.error;
        EXPECT_NE(b.error.find("show.manifest"), std::string::npos) << b.error;
        EXPECT_FALSE(std::filesystem::exists(dir.File("show.dat"))) << c.first;
    }

    // Key frames whose triangles differ cannot share index streams.
    Write(dir.File("key-1.obj"),
          Quad(0).replace(Quad(0).find("f 1/1 2/2 3/3 4/4"), 17, "f 1/1 2/2 4/4\nf 2/2 3/3 4/4"));
    FXPackageBuilder b;
    EXPECT_FALSE(Build("animation 8 key-*.obj\n", &b));
    EXPECT_NE(b.error.find("does not share the topology"), std::string::npos) << b.error;
    EXPECT_FALSE(std::filesystem::exists(dir.File("show.dat")));
}

TEST_F(PackageBuilderTest, WindowsPathsMissingFilesAndStrictBuilds)
{
    // A 10 x 6 texture in a folder of its own, named the Windows way.
    std::filesystem::create_directories(dir.File("art"));
    ASSERT_TRUE(WritePng(dir.File("art/wood.png"), 10, 6, std::vector<uint32_t>(60, 0xff2080c0u)));
    Write(dir.File("win.mtl"), "newmtl skin\nKd 1 1 1\nmap_Kd .\\art\\wood.png\n");
    std::string quad = Quad(0);
    Write(dir.File("win.obj"), quad.replace(0, std::strlen("mtllib lib.mtl"), "mtllib .\\win.mtl"));
    FXPackageBuilder b;
    ASSERT_TRUE(Build("model 2 win.obj\nlibrary 3 win.mtl\n", &b)) << b.error;
    EXPECT_EQ(b.warnings.count, 0);
    FXPackage pkg;
    ASSERT_TRUE(pkg.Load(dir.File("show.dat").c_str()));
    GLDevice dev(32, 32);
    ASSERT_TRUE(dev.created);
    FXModel model;
    ASSERT_TRUE(model.LoadCN(&pkg, 2));
    ASSERT_NE(model.matlib, nullptr);
    FXMaterial* skin = model.matlib->FindMaterial("skin");
    ASSERT_NE(skin, nullptr);
    EXPECT_EQ(skin->GetWidth(), 10) << "the texture is an entry of the package";
    // Shown as the show shows it, the picture's top right corner lands on
    // the quad's: OBJ v counts from the bottom, the texture's rows from the top.
    model.UpdateMeshes();
    model.ResizeTextCoords();
    const FXMesh* m = static_cast<const FXMesh*>(model.meshes.Get(0));
    ASSERT_EQ(m->material, skin);
    int corners = 0;
    for (int i = 0; i < m->vertexCount; ++i)
        if (m->vertices[i].pos[0] == 1 && m->vertices[i].pos[1] == 1) {
            ++corners;
            EXPECT_FLOAT_EQ(m->vertices[i].tex[0], skin->texExtentU);
            EXPECT_FLOAT_EQ(m->vertices[i].tex[1], 0);
        }
    EXPECT_EQ(corners, 1);
    FXMatlib lib;
    ASSERT_TRUE(lib.LoadC(&pkg, "3"));
    ASSERT_EQ(lib.materials.count, 2);
    EXPECT_EQ(static_cast<FXMaterial*>(lib.materials.Get(1))->GetHeight(), 6);
    std::filesystem::remove(dir.File("show.dat"));

    // A missing texture is named as such, with the MTL's line; reading a
    // source is never reported as writing the package.
    Write(dir.File("bad.mtl"), "newmtl skin\n\nmap_Kd art\\none.jpg\n");
    Write(dir.File("bad.obj"), Quad(0).replace(0, std::strlen("mtllib lib.mtl"), "mtllib bad.mtl"));
    for (const char* manifest : {"model 2 bad.obj\n", "picture 1 pic.png\nlibrary 3 bad.mtl\n"}) {
        FXPackageBuilder bad;
        EXPECT_FALSE(Build(manifest, &bad));
        std::string line = std::string(manifest).find("library") != std::string::npos ? ":2: " : ":1: ";
        std::string path = std::string(manifest).find("library") != std::string::npos
                               ? std::filesystem::absolute(dir.File("bad.mtl")).lexically_normal().string()
                               : dir.File("bad.mtl");
        EXPECT_EQ(bad.error, dir.File("show.manifest") + line + path + ":3: texture art/none.jpg: " +
                                                    std::strerror(ENOENT));
        EXPECT_EQ(bad.error.find("cannot write"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(dir.File("show.dat"))) << manifest;
    }

    // A material library that is missing: a warning, and the package is made;
    // with strict set, an error and no package.
    Write(dir.File("lost.obj"), Quad(0).replace(0, std::strlen("mtllib lib.mtl"), "mtllib gone\\lib.mtl"));
    const std::string warning = dir.File("lost.obj") + ":1: warning: material library gone/lib.mtl: " +
                                std::strerror(ENOENT) + "; its materials get the default";
    FXPackageBuilder loose;
    ASSERT_TRUE(Build("model 2 lost.obj\nmodel 4 quad.obj\n", &loose)) << loose.error;
    ASSERT_EQ(loose.warnings.count, 1);
    EXPECT_EQ(std::string(loose.warnings.Get(0)), warning);
    FXPackage made;
    ASSERT_TRUE(made.Load(dir.File("show.dat").c_str()));
    FXModel lost;
    ASSERT_TRUE(lost.LoadCN(&made, 2));
    lost.UpdateMeshes();
    EXPECT_TRUE(lost.matlibName.IsEmpty()) << "no library entry: " << lost.matlibName.Get();
    ASSERT_EQ(lost.meshes.count, 1);
    EXPECT_STREQ(static_cast<const FXMesh*>(lost.meshes.Get(0))->matName.Get(), "skin");
    std::filesystem::remove(dir.File("show.dat"));

    FXPackageBuilder strict;
    strict.strict = true;
    EXPECT_FALSE(Build("model 2 lost.obj\nmodel 4 quad.obj\n", &strict));
    EXPECT_EQ(strict.error.find(dir.File("show.manifest") + ":1: " + warning), 0u)
        << strict.error;
    EXPECT_EQ(strict.warnings.count, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("show.dat")));
}

TEST_F(PackageBuilderTest, AnimationsTheShowWouldRefuseAreErrors)
{
    // Each key frame is a quad of 4 vertices and 6 indices in one mesh,
    // which counts one more: the show builds 11 elements per frame.
    const long long elements = (4 + 6 + 1) * 2;
    FXPackageBuilder fits;
    fits.animationLimit = elements;
    EXPECT_TRUE(Build("picture 1 pic.png\nanimation 8 key-*.obj\n", &fits)) << fits.error;
    std::filesystem::remove(dir.File("show.dat"));

    FXPackageBuilder over;
    over.animationLimit = elements - 1;
    EXPECT_FALSE(Build("picture 1 pic.png\nanimation 8 key-*.obj\n", &over));
    EXPECT_EQ(over.error,
              dir.File("show.manifest") + ":2: 2 key frames of 1 meshes make " + std::to_string(elements) +
                  " vertices and indices (one more per mesh), over the " + std::to_string(elements - 1) +
                  " the show loads");
    EXPECT_FALSE(std::filesystem::exists(dir.File("show.dat")));
    EXPECT_EQ(FXPackageBuilder().animationLimit, FXPackageCheck::kAnimationLimit);
}
