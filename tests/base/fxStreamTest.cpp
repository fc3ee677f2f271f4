#include "base/fxEndian.h"
#include "base/fxStream.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include <sys/stat.h>

TEST(fxStream, LittleEndianNumbersWhateverTheHost)
{
    const unsigned char bytes[] = {0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x80, 0x3f};
    EXPECT_EQ(fxGetLE16(bytes), 0x5678);
    EXPECT_EQ(fxGetLE32(bytes), 0x12345678u);
    EXPECT_EQ(fxGetLEFloat(bytes + 4), 1.0f);
    unsigned char out[4] = {0, 0, 0, 0};
    fxPutLE32(out, 0xdeadbeefu);
    EXPECT_EQ(out[0], 0xef);
    EXPECT_EQ(out[3], 0xde);
    fxPutLE16(out, 0x0102);
    EXPECT_EQ(out[0], 0x02);
    EXPECT_EQ(out[1], 0x01);
    std::string appended = "x";
    fxAppendLE32(&appended, 0x80000001u);
    EXPECT_EQ(appended, std::string("x\x01\x00\x00\x80", 5));

    // The stream writers agree with the buffer codec.
    TempDir dir;
    std::string file = dir.File("n.bin");
    FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_TRUE(fxWriteInt32(f, -2) && fxWriteFloat(f, 1.0f));
    std::fclose(f);
    std::string back = ReadFileBytes(file);
    ASSERT_EQ(back.size(), 8u);
    EXPECT_EQ(static_cast<int32_t>(fxGetLE32(reinterpret_cast<const unsigned char*>(back.data()))), -2);
    EXPECT_EQ(fxGetLEFloat(reinterpret_cast<const unsigned char*>(back.data()) + 4), 1.0f);
}

TEST(fxStream, ReplaceFileIsWholeOrNothing)
{
    TempDir dir;
    std::string file = dir.File("keep.txt");
    std::string why;
    ASSERT_TRUE(fxReplaceFile(file.c_str(), "first", &why)) << why;
    ASSERT_TRUE(fxReplaceFile(file.c_str(), "second", &why)) << why;
    EXPECT_EQ(ReadFileBytes(file), "second");

    // A folder that does not exist: nothing written, the reason given.
    std::string nowhere = dir.File("no/such/folder/f.txt");
    EXPECT_FALSE(fxReplaceFile(nowhere.c_str(), "x", &why));
    EXPECT_EQ(why, "cannot write " + nowhere + ": No such file or directory");

    // A folder in the way of the rename: it stays, the temporary file goes.
    std::string folder = dir.File("taken");
    std::filesystem::create_directories(folder + "/inside");
    EXPECT_FALSE(fxReplaceFile(folder.c_str(), "x", &why));
    EXPECT_EQ(why.find("cannot replace " + folder), 0u) << why;
    EXPECT_TRUE(std::filesystem::is_directory(folder + "/inside"));
}

// What lies beside the file is the user's, a link stays a link, and the
// file's permissions stay; two writers at once both succeed, one whole.
TEST(fxStream, ReplaceFileKeepsTheUsersFilesLinksAndModes)
{
    namespace fs = std::filesystem;
    TempDir dir;
    auto names = [&dir] {
        std::set<std::string> n;
        for (const auto& e : fs::directory_iterator(dir.path))
            n.insert(e.path().filename().string());
        return n;
    };
    std::string why, file = dir.File("Lumenwhirl.conf");
    std::string theirs = file + ".tmp";
    FILE* f = std::fopen(theirs.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fputs("the user's own", f);
    std::fclose(f);
    ASSERT_TRUE(fxReplaceFile(file.c_str(), "one", &why)) << why;
    EXPECT_EQ(ReadFileBytes(theirs), "the user's own");
    EXPECT_EQ(names(), (std::set<std::string>{"Lumenwhirl.conf", "Lumenwhirl.conf.tmp"}));
    // A new file gets what the umask allows, an old one keeps its mode.
    mode_t mask = umask(022);
    ASSERT_TRUE(fxReplaceFile(dir.File("new").c_str(), "n", &why)) << why;
    EXPECT_EQ(fs::status(dir.File("new")).permissions(), fs::perms(0644));
    umask(mask);
    fs::permissions(file, fs::perms(0600));
    ASSERT_TRUE(fxReplaceFile(file.c_str(), "two", &why)) << why;
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0600));

    // Through a relative link to a file in another folder, twice linked.
    fs::create_directories(dir.File("real"));
    std::string target = dir.File("real/target.conf");
    f = std::fopen(target.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fclose(f);
    fs::permissions(target, fs::perms(0640));
    fs::create_symlink("real/target.conf", dir.File("hop"));
    fs::create_symlink("hop", dir.File("link.conf"));
    ASSERT_TRUE(fxReplaceFile(dir.File("link.conf").c_str(), "through", &why)) << why;
    EXPECT_TRUE(fs::is_symlink(dir.File("link.conf")));
    EXPECT_TRUE(fs::is_symlink(dir.File("hop")));
    EXPECT_EQ(ReadFileBytes(target), "through");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
    EXPECT_EQ(fs::directory_iterator(dir.File("real"))->path().filename(), "target.conf");

    // Two writers of one file: every replacement succeeds and the file is
    // always one of them whole.
    std::string shared = dir.File("shared");
    std::string a(100000, 'a'), b(100001, 'b');
    bool okA = true, okB = true;
    std::thread other([&] {
        for (int i = 0; i < 100; ++i)
            okB = fxReplaceFile(shared.c_str(), b, nullptr) && okB;
    });
    for (int i = 0; i < 100; ++i)
        okA = fxReplaceFile(shared.c_str(), a, nullptr) && okA;
    other.join();
    EXPECT_TRUE(okA && okB);
    std::string last = ReadFileBytes(shared);
    EXPECT_TRUE(last == a || last == b) << last.size();
    EXPECT_EQ(names(), (std::set<std::string>{"Lumenwhirl.conf", "Lumenwhirl.conf.tmp", "new", "real", "hop",
                                              "link.conf", "shared"}));
}
