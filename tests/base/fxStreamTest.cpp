#include "base/fxEndian.h"
#include "base/fxStream.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));

    // A folder that does not exist: nothing written, the reason given.
    std::string nowhere = dir.File("no/such/folder/f.txt");
    EXPECT_FALSE(fxReplaceFile(nowhere.c_str(), "x", &why));
    EXPECT_NE(why.find("cannot write " + nowhere + ".tmp: No such file or directory"), std::string::npos) << why;

    // A folder in the way of the rename: it stays, the temporary file goes.
    std::string folder = dir.File("taken");
    std::filesystem::create_directories(folder + "/inside");
    EXPECT_FALSE(fxReplaceFile(folder.c_str(), "x", &why));
    EXPECT_EQ(why.find("cannot replace " + folder), 0u) << why;
    EXPECT_TRUE(std::filesystem::is_directory(folder + "/inside"));
    EXPECT_FALSE(std::filesystem::exists(folder + ".tmp"));
}
