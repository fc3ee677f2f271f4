#include "authoring/FXPackageCheck.h"
#include "geometry/FXAnim.h"
#include "geometry/FXMesh.h"
#include "package/FXPackage.h"
#include "render/FXCanvas.h"
#include "render/fxDevil.h"
#include "support/PackageBytes.h"
#include "support/PngWriter.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

FXModel* Triangle(float dx)
{
    auto* m = new FXMesh;
    m->Realloc(3, 3);
    std::memset(m->vertices, 0, 3 * sizeof(tagFXVertex));
    for (int v = 0; v < 3; ++v) {
        m->vertices[v].pos[0] = dx + v;
        m->vertices[v].pos[1] = float(v == 2);
        m->indices[v] = v;
    }
    auto* model = new FXModel;
    model->meshes.Push(m);
    model->matlibName.Set("9");
    return model;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Every problem line that contains text.
int Count(const FXPackageCheck& c, const char* text)
{
    int n = 0;
    for (int i = 0; i < c.problems.count; ++i)
        n += std::strstr(c.problems.Get(i), text) != nullptr;
    return n;
}

std::string AllProblems(const FXPackageCheck& c)
{
    std::string s;
    for (int i = 0; i < c.problems.count; ++i)
        s += std::string(c.problems.Get(i)) + "\n";
    return s;
}

} // namespace

TEST(FXPackageCheck, FollowsRecordsAndReferences)
{
    ASSERT_TRUE(fxLoadDevil());
    TempDir dir;
    // Frame pictures: a 6 x 4 picture, its mask, and a mask of another size.
    std::vector<uint32_t> px(6 * 4, 0xff3366ccu), small(5 * 4, 0xffffffffu);
    ASSERT_TRUE(WritePng(dir.File("f.png"), 6, 4, px));
    ASSERT_TRUE(WritePng(dir.File("s.png"), 5, 4, small));
    FXCanvas frame, other;
    ASSERT_TRUE(frame.CreateFromPict(dir.File("f.png").c_str()));
    ASSERT_TRUE(other.CreateFromPict(dir.File("s.png").c_str()));
    ASSERT_TRUE(frame.SaveToPict2(dir.File("p.jpg").c_str()));
    ASSERT_TRUE(frame.SaveToMask(dir.File("m.jpg").c_str()));
    ASSERT_TRUE(other.SaveToMask(dir.File("w.jpg").c_str()));

    FXAnim anim;
    anim.AddFrame(Triangle(0), "a", 500);
    anim.AddFrame(Triangle(1), "b", 500);
    ASSERT_TRUE(anim.Save(dir.File("anim.xa").c_str()));
    std::string animBytes = ReadFileBytes(dir.File("anim.xa"));
    WriteFile(dir.File("cut.xa"), animBytes.substr(0, animBytes.size() - 5));
    ASSERT_TRUE(anim.GetFrame(0)->Save(dir.File("model.xm").c_str(), 3));

    // The library's one material refers to a texture entry that is missing.
    Bytes lib;
    lib.Str("lib").Int(1).Str("Material.001").Str("77");
    for (int i = 0; i < 17; ++i)
        lib.Float(1);
    WriteFile(dir.File("lib.bin"), lib.s);
    // Two frames: a sound one and one whose mask has another size.
    Bytes movie;
    movie.Str("xs03").Raw(std::string("\0\0", 2)).Raw(std::string(8, '\0')).Int(6).Int(4).Int(8);
    for (int i = 0; i < 8; ++i)
        movie.Float(0);
    movie.Int(2).Str("30").Str("30").Int(2).Str("31").Str("32").Raw(std::string(1, '\0'));
    WriteFile(dir.File("movie.bin"), movie.s);

    FXPackage out;
    const std::pair<int, const char*> entries[] = {{8, "anim.xa"}, {5, "cut.xa"}, {2, "model.xm"}, {9, "lib.bin"},
                                                   {11, "movie.bin"}, {30, "p.jpg"}, {31, "m.jpg"}, {32, "w.jpg"}};
    for (const auto& e : entries)
        out.AddDataFile(e.first, dir.File(e.second).c_str());
    ASSERT_TRUE(out.Save(dir.File("pkg.dat").c_str(), 0));
    FXPackage pkg;
    ASSERT_TRUE(pkg.Load(dir.File("pkg.dat").c_str()));

    FXPackageCheck check;
    EXPECT_FALSE(check.Check(&pkg));
    EXPECT_EQ(check.models, 1);
    EXPECT_EQ(check.animations, 2);
    EXPECT_EQ(check.movies, 1);
    EXPECT_EQ(check.libraries, 1) << "a library is checked once however often it is referred to";
    EXPECT_EQ(check.pictures, 3);
    EXPECT_EQ(Count(check, "entry 5: animation record ends inside its frame table"), 1) << AllProblems(check);
    EXPECT_EQ(Count(check, "entry 9: a texture refers to entry 77, which is missing"), 1) << AllProblems(check);
    EXPECT_EQ(Count(check, "entry 11: frame 1: the mask is 5x4, the picture 6x4"), 1) << AllProblems(check);
    EXPECT_EQ(check.problems.count, 3) << AllProblems(check);
    fxUnloadDevil();
}
