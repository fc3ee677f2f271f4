#include "base/fxTrace.h"
#include "package/FXPackage.h"
#include "render/FXMaterial.h"
#include "render/FXMatlib.h"
#include "support/PackageBytes.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

std::string WriteText(const TempDir& dir, const char* name, const std::string& text)
{
    std::string path = dir.File(name);
    std::ofstream(path) << text;
    return path;
}

FXMaterial* At(const FXMatlib& lib, int i)
{
    return static_cast<FXMaterial*>(lib.materials.Get(i));
}

} // namespace

TEST(FXMatlib, ReadsMaterialFiles)
{
    TempDir dir;
    std::string path = WriteText(dir, "a.mtl",
                                 "# exported\n"
                                 "Kd 0.1 0.1 0.1\n"
                                 "newmtl glass extra words\n"
                                 "Ns 100\n"
                                 "Kd 0.5 0.25 1\n"
                                 "d 0.5\n"
                                 "illum 2\n"
                                 "nfoo bar\n"
                                 "newmtl  metal\n"
                                 "Ka 0.3 0.3 0.3\n"
                                 "Ni 1.5\n");
    std::string log = dir.File("log.txt");
    ASSERT_TRUE(fxOpenTraces(log.c_str()));
    FXMatlib lib;
    EXPECT_TRUE(lib.LoadFromMtl(path.c_str()));
    fxCloseTraces();

    ASSERT_EQ(lib.materials.count, 3);
    EXPECT_STREQ(lib.name.Get(), path.c_str());
    EXPECT_STREQ(At(lib, 0)->name.Get(), "");
    EXPECT_FLOAT_EQ(At(lib, 0)->diffuse[0], 0.1f);
    FXMaterial* glass = At(lib, 1);
    EXPECT_STREQ(glass->name.Get(), "glass");
    EXPECT_NEAR(glass->shininess, 128, 1e-3);
    EXPECT_FLOAT_EQ(glass->diffuse[1], 0.25f);
    EXPECT_FLOAT_EQ(glass->diffuse[3], 0.5f);
    EXPECT_FLOAT_EQ(glass->specular[0], 1); // the preset stays where nothing is read
    EXPECT_TRUE(glass->loaded);
    EXPECT_STREQ(At(lib, 2)->name.Get(), "metal");
    EXPECT_FLOAT_EQ(At(lib, 2)->ambient[0], 0.3f);
    EXPECT_FLOAT_EQ(At(lib, 2)->ambient[3], 0);
    EXPECT_EQ(lib.FindMaterial("metal"), At(lib, 2));
    EXPECT_EQ(lib.FindMaterial("Metal"), nullptr);

    std::string text = ReadFileBytes(log);
    EXPECT_NE(text.find("#ERROR: "), std::string::npos);
    EXPECT_NE(text.find("FXMatlib::LoadFromMtl -> unknown token(0): nfoo  in lib:" + path + "\n"), std::string::npos);

    // A missing file empties the library.
    EXPECT_FALSE(lib.LoadFromMtl(dir.File("none.mtl").c_str()));
    EXPECT_EQ(lib.materials.count, 0);
}

TEST(FXMatlib, NewmtlAfterAnotherTokenStaysInsideTheList)
{
    // The counting pass skips the rest of a line after its first token, so it
    // does not count this second "newmtl"; the reading pass meets it.
    TempDir dir;
    std::string path = WriteText(dir, "b.mtl", "newmtl a\nKd 1 0 0 newmtl b\nd 0.5\n");
    FXMatlib lib;
    EXPECT_TRUE(lib.LoadFromMtl(path.c_str()));
    ASSERT_EQ(lib.materials.count, 2);
    EXPECT_STREQ(At(lib, 1)->name.Get(), "b");
    EXPECT_FLOAT_EQ(At(lib, 1)->diffuse[3], 0.5f);
}

TEST(FXMatlib, ParentFirstOwnershipAndPackageEntries)
{
    FXMaterial pg, cg, outside; // outlive the libraries that list them
    FXMatlib parent, child;
    pg.name.Set("glass");
    cg.name.Set("glass");
    parent.AddMaterial(&pg);
    child.AddMaterial(&cg);
    child.parent = &parent;
    EXPECT_EQ(child.FindMaterial("glass"), &pg);
    EXPECT_EQ(child.AddMaterial(&cg), 0);
    EXPECT_EQ(child.materials.count, 1);
    EXPECT_EQ(child.RemoveMaterial(&outside), -1);

    Bytes two, none;
    two.Str("pair").Int(2);
    for (const char* n : {"a", "b"}) {
        two.Str(n).Str("");
        for (int i = 0; i < 17; ++i)
            two.Float(1);
    }
    none.Str("empty").Int(0);
    std::string file = PackageFile("pck01", PackagePayload({{5, two.s, -1}, {6, none.s, -1}}));
    FXPackage pkg;
    ASSERT_TRUE(pkg.LoadFromMemory(file.data(), static_cast<long>(file.size())));

    FXMatlib lib;
    EXPECT_FALSE(lib.LoadC(&pkg, "5x"));
    EXPECT_FALSE(lib.LoadC(&pkg, "9"));
    EXPECT_TRUE(lib.LoadC(&pkg, "6"));
    EXPECT_EQ(lib.materials.count, 0);
    lib.AddMaterial(&outside); // not loaded: not deleted by the library
    EXPECT_TRUE(lib.LoadC(&pkg, "5"));
    ASSERT_EQ(lib.materials.count, 3);
    EXPECT_STREQ(At(lib, 2)->name.Get(), "b");
    lib.Destroy();
    EXPECT_EQ(lib.materials.count, 0);
    EXPECT_STREQ(outside.name.Get(), ""); // still alive and untouched
}

TEST(FXMatlib, CorruptCountStopsAtTheRecordsTheEntryHolds)
{
    Bytes b;
    b.Str("big").Int(0x7fffffff).Str("only").Str("");
    b.Raw("\x01\x02"); // two stray bytes: no further record fits
    std::string file = PackageFile("pck01", PackagePayload({{3, b.s, -1}}));
    FXPackage pkg;
    ASSERT_TRUE(pkg.LoadFromMemory(file.data(), static_cast<long>(file.size())));
    FXMatlib lib;
    EXPECT_TRUE(lib.LoadC(&pkg, "3"));
    EXPECT_EQ(lib.materials.count, 1);
}
