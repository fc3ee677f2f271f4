#include "authoring/FXPackageCheck.h"
#include "base/fxTrace.h"
#include "geometry/FXAnim.h"
#include "geometry/FXMesh.h"
#include "package/FXPackage.h"
#include "render/FXCanvas.h"
#include "render/fxDevil.h"
#include "support/PackageBytes.h"
#include "support/PngWriter.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <algorithm>
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

namespace {

// An "xa03" record of `frames` empty frames over one mesh header that claims
// `count` vertices and as many indices: a few bytes per frame that ask the
// engine for 2 * count + 1 elements each.
std::string RepeatedHeader(int frames, int count)
{
    Bytes r;
    r.Str("xa03").Int(frames);
    for (int f = 0; f < frames; ++f)
        r.Str("");
    r.Int(frames);
    for (int f = 0; f < frames; ++f)
        r.Int(500);
    r.Int(0).Int(0).Int(0).Int(0).Raw(std::string(2, '\0')).Float(0).Int(0); // graph
    r.Float(0).Raw(std::string(4, '\1'));                                      // aux value, play flags
    r.Int(1).Str("");                                                         // meshes, library
    r.Str("").Float(1).Float(1).Int(0).Int(0).Int(count).Int(count);          // mesh header
    r.Int(0);                                                                 // its index stream
    for (int f = 0; f < frames; ++f)
        r.Int(0).Int(0).Int(0);
    return r.s;
}

std::string LinesWith(const std::string& text, const std::string& what)
{
    std::string out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (line.find(what) != std::string::npos)
            out += line + "\n";
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return out;
}

} // namespace

TEST(FXPackageCheck, AnimationsTooLargeForTheShowAreNamedByVerifyAndTheEngine)
{
    TempDir dir;
    // Over the limit, and a small one beside it.
    for (auto [frames, count] : {std::pair<int, int>{1000, 20000}, {2, 20}}) {
        std::string record = RepeatedHeader(frames, count);
        ASSERT_LE(count, static_cast<int>(record.size())) << "an index count the entry could hold";
        const long long elements = (2LL * count + 1) * frames;
        const bool over = elements > FXPackageCheck::kAnimationLimit;
        EXPECT_EQ(over, frames == 1000);
        EXPECT_EQ(FXPackageCheck::AnimationElements(reinterpret_cast<const unsigned char*>(record.data()),
                                                    static_cast<int>(record.size())),
                  elements);
        std::string file = PackageFile("pck01", PackagePayload({{8, record, -1}}));
        FXPackage pkg;
        ASSERT_TRUE(pkg.LoadFromMemory(file.data(), static_cast<long>(file.size())));

        FXPackageCheck check;
        EXPECT_FALSE(check.Check(&pkg)) << "its index stream cannot make the header's mesh either";
        std::string verdict = std::to_string(frames) + " frames of 1 meshes make " + std::to_string(elements) +
                              " vertices and indices (one more per mesh), over the " +
                              std::to_string(FXPackageCheck::kAnimationLimit) + " the show loads";
        EXPECT_EQ(Count(check, ("entry 8: " + verdict).c_str()), over ? 1 : 0) << AllProblems(check);
        if (over) {
            EXPECT_EQ(check.problems.count, 1) << "a refused record is not rebuilt: " << AllProblems(check);
        }

        std::string log = dir.File("trace.log");
        ASSERT_TRUE(fxOpenTraces(log.c_str()));
        FXAnim anim;
        EXPECT_TRUE(anim.LoadCN(&pkg, 8));
        fxCloseTraces();
        std::string refusals = LinesWith(ReadFileBytes(log), "over the limit");
        if (over) {
            EXPECT_EQ(anim.frames.count, 0);
            EXPECT_EQ(std::count(refusals.begin(), refusals.end(), '\n'), 1) << refusals;
            EXPECT_NE(refusals.find("#ERROR: "), std::string::npos) << refusals;
            EXPECT_NE(refusals.find(std::to_string(frames) + " frames of 1 meshes make " + std::to_string(elements) +
                                    " vertices and indices (one more per mesh), over the limit of " +
                                    std::to_string(FXPackageCheck::kAnimationLimit)),
                      std::string::npos)
                << refusals;
        } else {
            EXPECT_EQ(anim.frames.count, frames);
            EXPECT_EQ(refusals, "");
        }
    }
    // Cut inside its mesh header, a record has no figure.
    std::string cut = RepeatedHeader(3, 10);
    cut.resize(cut.size() - 3 * 12 - 4 - 20);
    EXPECT_EQ(FXPackageCheck::AnimationElements(reinterpret_cast<const unsigned char*>(cut.data()),
                                                static_cast<int>(cut.size())),
              -1);
}
