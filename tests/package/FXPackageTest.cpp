#include "base/FXMatrix.h"
#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "support/PackageBytes.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

std::string Entry(FXPackage& p, int id)
{
    FXPackageData* d = p.GetDataPtr(id);
    if (!d)
        return "<none>";
    return std::string(reinterpret_cast<const char*>(d->start), static_cast<size_t>(d->size));
}

bool LoadBytes(FXPackage& p, const std::string& bytes)
{
    return p.LoadFromMemory(bytes.data(), static_cast<long>(bytes.size()));
}

const std::vector<TestEntry> kThree = {{7, "seven", -1}, {3, "three!", 1066}, {12, "", -1}};

} // namespace

TEST(FXPackage, PlainAndTransposedPayloadsReadTheSame)
{
    std::string payload = PackagePayload(kThree);
    for (int transposed = 0; transposed < 2; ++transposed) {
        FXPackage p;
        std::string file = transposed ? PackageFile("pck01s", TransposeBytes(payload))
                                      : PackageFile("pck01", payload);
        ASSERT_TRUE(LoadBytes(p, file)) << transposed;
        EXPECT_EQ(p.GetCount(), 3);
        EXPECT_EQ(Entry(p, 7), "seven");
        EXPECT_EQ(Entry(p, 3), "three!");
        EXPECT_EQ(Entry(p, 12), "");
        EXPECT_NE(p.GetDataPtr(12), nullptr);
        EXPECT_EQ(p.GetDataType(3), 1066);
        EXPECT_EQ(p.GetDataType(7), -1);
        EXPECT_EQ(p.GetDataPtr(4), nullptr);
        EXPECT_EQ(p.GetDataType(4), -1);
        EXPECT_EQ(p.names.idBase, 13);
    }
    // A transposed payload read as plain does not come out the same.
    FXPackage wrong;
    EXPECT_FALSE(LoadBytes(wrong, PackageFile("pck01", TransposeBytes(payload))) && Entry(wrong, 7) == "seven");
}

TEST(FXPackage, TenByteTranspositionKeepsTheTail)
{
    const unsigned char in[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    unsigned char out[10], back[10];
    FXPackage::Transpose(in, out, 10);
    const unsigned char expected[10] = {0, 3, 6, 1, 4, 7, 2, 5, 8, 9};
    EXPECT_EQ(std::memcmp(out, expected, 10), 0);
    FXPackage::Transpose(out, back, 10);
    EXPECT_EQ(std::memcmp(back, in, 10), 0);
}

TEST(FXPackage, EmptyTablesDuplicatesAndSharedCursors)
{
    FXPackage p;
    ASSERT_TRUE(LoadBytes(p, PackageFile("pck01", PackagePayload({}))));
    EXPECT_EQ(p.GetCount(), 0);
    EXPECT_EQ(p.names.idBase, 0);
    EXPECT_EQ(p.dataSize, 0);

    ASSERT_TRUE(LoadBytes(p, PackageFile("pck01", PackagePayload({{-4, "neg", -1}}))));
    EXPECT_EQ(p.names.idBase, 0);

    ASSERT_TRUE(LoadBytes(p, PackageFile("pck01", PackagePayload({{5, "first", 1061}, {5, "second", 1056}}))));
    EXPECT_EQ(Entry(p, 5), "first");
    EXPECT_EQ(p.GetDataType(5), 1061);

    // Every request for an id gets the same cursor, rewound.
    FXPackageData* a = p.GetDataPtr(5);
    a->ReadInt();
    FXPackageData* b = p.GetDataPtr(5);
    EXPECT_EQ(a, b);
    EXPECT_EQ(b->remaining, 5);

    p.Destroy();
    EXPECT_EQ(p.GetDataPtr(5), nullptr);
    EXPECT_EQ(p.GetCount(), 0);
}

TEST(FXPackage, HeaderMustBeginWithTheMagic)
{
    std::string payload = PackagePayload(kThree);
    FXPackage p;
    EXPECT_FALSE(LoadBytes(p, PackageFile("pck02", payload)));
    EXPECT_FALSE(LoadBytes(p, PackageFile("pck0", payload)));
    EXPECT_FALSE(LoadBytes(p, std::string("\x05\x00\x00", 3)));
    // Flags other than "s" leave the payload plain.
    EXPECT_TRUE(LoadBytes(p, PackageFile("pck01xy", payload)));
    EXPECT_EQ(Entry(p, 7), "seven");
    // A header length beyond the file.
    EXPECT_FALSE(LoadBytes(p, Bytes().Int(1 << 30).Raw("pck01").s));
    EXPECT_EQ(p.GetCount(), 0);
}

TEST(FXPackage, MalformedTablesLeaveThePackageEmpty)
{
    FXPackage p;
    auto tables = [](int32_t nIds, int32_t nOff, int32_t off, int32_t size) {
        Bytes b;
        b.Int(nIds);
        for (int i = 0; i < nIds; ++i)
            b.Int(1 + i);
        b.Int(nOff);
        for (int i = 0; i < nOff; ++i)
            b.Int(off);
        b.Int(nIds);
        for (int i = 0; i < nIds; ++i)
            b.Int(size);
        b.Int(nIds);
        for (int i = 0; i < nIds; ++i)
            b.Int(-1);
        return b.Raw("0123456789").s;
    };
    ASSERT_TRUE(LoadBytes(p, PackageFile("pck01", tables(1, 1, 2, 8))));
    EXPECT_EQ(Entry(p, 1), "23456789");
    EXPECT_FALSE(LoadBytes(p, PackageFile("pck01", tables(1, 1, 3, 8)))); // slice leaves the area
    EXPECT_EQ(p.GetDataPtr(1), nullptr);
    EXPECT_FALSE(LoadBytes(p, PackageFile("pck01", tables(1, 1, -1, 2))));
    EXPECT_FALSE(LoadBytes(p, PackageFile("pck01", tables(1, 1, 0x7fffffff, 0x7fffffff))));
    EXPECT_FALSE(LoadBytes(p, PackageFile("pck01", tables(2, 1, 0, 1)))); // unequal counts
    // A count of 2^31-1 in a short payload is refused without allocating.
    EXPECT_FALSE(LoadBytes(p, PackageFile("pck01", Bytes().Int(0x7fffffff).Int(1).s)));
    EXPECT_FALSE(LoadBytes(p, PackageFile("pck01", "")));
    EXPECT_FALSE(LoadBytes(p, PackageFile("pck01", PackagePayload({{1, "abc", -1}}).substr(0, 20))));
}

TEST(FXPackage, LoadFromFileAndMissingFile)
{
    TempDir dir;
    std::string name = dir.File("lwhirl.dat");
    FILE* f = std::fopen(name.c_str(), "wb");
    std::string bytes = PackageFile("pck01s", TransposeBytes(PackagePayload(kThree)));
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    FXPackage p;
    ASSERT_TRUE(p.Load(name.c_str()));
    EXPECT_EQ(Entry(p, 3), "three!");
    EXPECT_FALSE(p.Load(dir.File("absent.dat").c_str()));
    EXPECT_EQ(p.GetCount(), 0);
    EXPECT_FALSE(p.Load(nullptr));

    // Untransposed, the data area stays in the block the file was read into;
    // a package with no data, and a failed load after a good one, release
    // whatever they hold (the sanitizer builds see a wrong free).
    std::string plain = dir.File("plain.dat"), empty = dir.File("empty.dat"), bad = dir.File("bad.dat");
    ASSERT_TRUE(WriteFileBytes(plain, PackageFile("pck01", PackagePayload(kThree))));
    ASSERT_TRUE(WriteFileBytes(empty, PackageFile("pck01", PackagePayload({}))));
    ASSERT_TRUE(WriteFileBytes(bad, "pck01 and then nothing a package has"));
    ASSERT_TRUE(p.Load(plain.c_str()));
    EXPECT_EQ(Entry(p, 3), "three!");
    ASSERT_TRUE(p.Load(plain.c_str()));
    EXPECT_EQ(Entry(p, 3), "three!");
    ASSERT_TRUE(p.Load(empty.c_str()));
    EXPECT_EQ(p.GetCount(), 0);
    ASSERT_TRUE(p.Load(plain.c_str()));
    EXPECT_FALSE(p.Load(bad.c_str()));
    EXPECT_EQ(p.GetCount(), 0);
    EXPECT_EQ(p.data, nullptr);

    // The data area is the file's mapping where it can be: a write through a
    // cursor stays in the process and never reaches the file.
    std::string before = ReadFileBytes(plain);
    ASSERT_TRUE(p.Load(plain.c_str()));
    FXPackageData* three = p.GetDataPtr(3);
    ASSERT_NE(three, nullptr);
    EXPECT_TRUE(three->WriteInt(0x21212121));
    EXPECT_EQ(Entry(p, 3), "!!!!e!");
    p.Destroy();
    EXPECT_EQ(ReadFileBytes(plain), before);

    // A file shorter than its tables claim, cut anywhere, is refused or
    // gives only entries that lie inside it.
    std::string whole = PackageFile("pck01", PackagePayload({{1, "first entry", -1}, {2, std::string(40, 'x'), 1}}));
    std::string cut = dir.File("cut.dat");
    for (size_t n = 0; n < whole.size(); ++n) {
        ASSERT_TRUE(WriteFileBytes(cut, whole.substr(0, n)));
        if (!p.Load(cut.c_str())) {
            EXPECT_EQ(p.GetCount(), 0);
            continue;
        }
        for (int i = 0; i < p.cursors.count; ++i) {
            const FXPackageData* c = static_cast<const FXPackageData*>(p.cursors.items[i]);
            ASSERT_GE(c->start, p.data);
            ASSERT_LE(c->start + c->size, p.data + p.dataSize);
        }
        ASSERT_LE(static_cast<size_t>(p.dataSize), n);
    }
}

TEST(FXPackage, TypeCodesFromExtensions)
{
    EXPECT_EQ(FXPackage::TypeOfExtension("a.bmp"), 1056);
    EXPECT_EQ(FXPackage::TypeOfExtension("dir/a.JPG"), 1061);
    EXPECT_EQ(FXPackage::TypeOfExtension("a.Png"), 1066);
    EXPECT_EQ(FXPackage::TypeOfExtension("a.tga"), 1069);
    EXPECT_EQ(FXPackage::TypeOfExtension("a.gif"), 1078);
    EXPECT_EQ(FXPackage::TypeOfExtension("a.jpeg"), -1);
    EXPECT_EQ(FXPackage::TypeOfExtension("a.mtl"), -1);
    EXPECT_EQ(FXPackage::TypeOfExtension("dir.png/noext"), -1);
    EXPECT_EQ(FXPackage::TypeOfExtension(nullptr), -1);
}

TEST(FXPackage, MatrixRecordOrIdentityWhenShort)
{
    Bytes rec;
    for (int i = 0; i < 16; ++i)
        rec.Float(static_cast<float>(i) + 0.5f);
    FXPackage p;
    ASSERT_TRUE(LoadBytes(p, PackageFile("pck01", PackagePayload({{1, rec.s, -1}, {2, rec.s.substr(0, 63), -1}}))));
    FXMatrix m;
    m.LoadC(&p, p.GetDataPtr(1));
    EXPECT_EQ(m.m[0], 0.5f);
    EXPECT_EQ(m.m[15], 15.5f);
    m.LoadC(&p, p.GetDataPtr(2));
    FXMatrix id;
    id.SetIdentity();
    EXPECT_TRUE(m.Compare(&id));
    m.Clear(3);
    m.LoadC(&p, nullptr);
    EXPECT_TRUE(m.Compare(&id));
}

TEST(FXPackage, TruncatedAndBitFlippedPackagesNeverReadOutside)
{
    std::string payload = PackagePayload({{1, "first entry", -1}, {2, std::string(40, 'x'), 1066}, {9, "z", -1}});
    for (int transposed = 0; transposed < 2; ++transposed) {
        std::string good = transposed ? PackageFile("pck01s", TransposeBytes(payload)) : PackageFile("pck01", payload);
        auto check = [](const std::string& bytes) {
            FXPackage p;
            // Copy into an exact-size heap block so the sanitizers see any
            // read past it.
            std::unique_ptr<char[]> exact(new char[bytes.size() + 1]);
            std::memcpy(exact.get(), bytes.data(), bytes.size());
            if (!p.LoadFromMemory(exact.get(), static_cast<long>(bytes.size())))
                return;
            for (int i = 0; i < p.cursors.count; ++i) {
                const FXPackageData* c = static_cast<const FXPackageData*>(p.cursors.items[i]);
                ASSERT_GE(c->start, p.data);
                ASSERT_LE(c->start + c->size, p.data + p.dataSize);
            }
            for (int id : {1, 2, 9, 0, -1}) {
                FXPackageData* d = p.GetDataPtr(id);
                if (!d)
                    continue;
                FXStr s;
                d->ReadString(&s);
                d->Reseek();
                FXArray a;
                d->ReadArray(&a);
            }
        };
        for (size_t cut = 0; cut < good.size(); ++cut)
            check(good.substr(0, cut));
        for (size_t byte = 0; byte < good.size(); ++byte)
            for (int bit = 0; bit < 8; ++bit) {
                std::string bad = good;
                bad[byte] = static_cast<char>(bad[byte] ^ (1 << bit));
                check(bad);
            }
    }
}
