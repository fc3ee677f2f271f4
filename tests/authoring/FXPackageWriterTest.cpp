#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void Write(const std::string& name, const std::string& bytes)
{
    FILE* f = std::fopen(name.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string Entry(FXPackage& p, int id)
{
    FXPackageData* d = p.GetDataPtr(id);
    return d ? std::string(reinterpret_cast<const char*>(d->start), static_cast<size_t>(d->size)) : "<none>";
}

} // namespace

TEST(FXPackageWriter, SavedPackagesReadBackWithAndWithoutTransposition)
{
    TempDir dir;
    std::string binary;
    for (int i = 0; i < 3000; ++i)
        binary += static_cast<char>((i * 7919) & 0xff);
    Write(dir.File("a.png"), binary);
    Write(dir.File("b.mtl"), "newmtl x\n");
    Write(dir.File("empty.bin"), "");
    for (int flags = 0; flags < 2; ++flags) {
        FXPackage w;
        w.AddDataFile(7, dir.File("a.png").c_str());
        w.AddDataFile(3, dir.File("b.mtl").c_str());
        w.AddDataFile(12, dir.File("empty.bin").c_str());
        std::string out = dir.File(flags ? "t.dat" : "p.dat");
        ASSERT_TRUE(w.Save(out.c_str(), flags));
        EXPECT_EQ(w.pendingIds.count, 0);
        EXPECT_EQ(Entry(w, 7), binary); // the writer holds what it wrote

        std::string file = ReadFileBytes(out);
        EXPECT_EQ(file.substr(4, flags ? 6 : 5), flags ? "pck01s" : "pck01");
        FXPackage r;
        ASSERT_TRUE(r.Load(out.c_str()));
        EXPECT_EQ(r.GetCount(), 3);
        EXPECT_EQ(Entry(r, 7), binary);
        EXPECT_EQ(Entry(r, 3), "newmtl x\n");
        EXPECT_EQ(Entry(r, 12), "");
        EXPECT_EQ(r.GetDataType(7), 1066);
        EXPECT_EQ(r.GetDataType(3), -1);
        EXPECT_EQ(r.names.idBase, 13);

        // Loading and saving again appends after the existing rows.
        r.AddDataFile(20, dir.File("b.mtl").c_str());
        ASSERT_TRUE(r.Save(out.c_str(), flags));
        FXPackage again;
        ASSERT_TRUE(again.Load(out.c_str()));
        EXPECT_EQ(again.GetCount(), 4);
        EXPECT_EQ(Entry(again, 7), binary);
        EXPECT_EQ(Entry(again, 20), "newmtl x\n");
    }
}

TEST(FXPackageWriter, FailedSaveLeavesNoFileAndNoChange)
{
    TempDir dir;
    FXPackage w;
    w.AddDataFile(1, dir.File("missing.png").c_str());
    EXPECT_FALSE(w.Save(dir.File("out.dat").c_str(), 0));
    EXPECT_FALSE(fxPathExistsForTest(dir.File("out.dat")));
    EXPECT_FALSE(fxPathExistsForTest(dir.File("out.dat.tmp")));
    EXPECT_EQ(w.GetCount(), 0);
    EXPECT_EQ(w.pendingIds.count, 1);
    EXPECT_FALSE(w.Save(dir.File("no/such/dir/out.dat").c_str(), 0));
}

TEST(FXPackageWriter, ReferencesBecomeDecimalIdsAndNamesExport)
{
    TempDir dir;
    Write(dir.File("wood.jpg"), "jpeg");
    FXPackage w;
    w.names.idBase = 100;
    FXStr ref(dir.File("wood.jpg").c_str());
    ASSERT_TRUE(w.AddDataFile1(&ref));
    EXPECT_STREQ(ref.str, "100");
    FXStr again(dir.File("wood.jpg").c_str());
    ASSERT_TRUE(w.AddDataFile1(&again));
    EXPECT_STREQ(again.str, "100");
    EXPECT_EQ(w.pendingIds.count, 1);
    FXStr empty;
    EXPECT_FALSE(w.AddDataFile1(&empty));
    EXPECT_EQ(w.names.FindId("absent"), -1);
    EXPECT_EQ(w.names.BuildId("second-one.png"), 101);

    std::string header = dir.File("names.h");
    ASSERT_TRUE(w.SaveNamesCpp(header.c_str()));
    EXPECT_EQ(ReadFileBytes(header), "#define FXNAME_WOOD_JPG  100\n#define FXNAME_SECOND_ONE_PNG  101\n");

    std::string list = dir.File("names.lst");
    ASSERT_TRUE(w.SaveNames(list.c_str()));
    FXPackage r;
    ASSERT_TRUE(r.LoadNames(list.c_str()));
    EXPECT_EQ(r.names.names.count, 2);
    EXPECT_STREQ(r.names.names.Get(1), "second-one.png");

    int size = 0, type = 0;
    ASSERT_TRUE(FXPackage::CheckFile(dir.File("wood.jpg").c_str(), &size, &type));
    EXPECT_EQ(size, 4);
    EXPECT_EQ(type, 1061);
    EXPECT_FALSE(FXPackage::CheckFile(dir.File("none").c_str(), &size, &type));

    Write(dir.File("scratch.tmp"), "x");
    w.AddTmpFile(dir.File("scratch.tmp").c_str());
    w.DeleteTmpFiles();
    EXPECT_FALSE(fxPathExistsForTest(dir.File("scratch.tmp")));
    EXPECT_EQ(w.tmpFiles.count, 0);
}
