#include "base/fxPaths.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

std::string Ending(const char* s)
{
    char buf[kFxPathBuf];
    std::strcpy(buf, s);
    localAddPathEnding(buf);
    return buf;
}

} // namespace

TEST(fxPaths, AddPathEndingFollowsThePathsStyle)
{
    EXPECT_EQ(Ending("C:\\data"), "C:\\data\\");
    EXPECT_EQ(Ending("/opt/data"), "/opt/data/");
    EXPECT_EQ(Ending("a/b\\c"), "a/b\\c\\");
    EXPECT_EQ(Ending("/opt/"), "/opt/");
    EXPECT_EQ(Ending("C:\\x\\"), "C:\\x\\");
    EXPECT_EQ(Ending("a\\b/"), "a\\b/");
    EXPECT_EQ(Ending(""), "\\");
    EXPECT_EQ(Ending("plain"), "plain\\");
}

TEST(fxPaths, TypeSlotsCutAt259AndIgnoreOtherTypes)
{
    fxSetTypePath(1, "/opt/lumenwhirl");
    EXPECT_STREQ(fxGetTypePath(1), "/opt/lumenwhirl/");
    fxSetTypePath(3, "/elsewhere");
    EXPECT_EQ(fxGetTypePath(3), nullptr);
    EXPECT_EQ(fxGetTypePath(0), nullptr);
    EXPECT_STREQ(fxGetTypePath(1), "/opt/lumenwhirl/");

    std::string longPath = "/" + std::string(400, 'p');
    fxSetTypePath(2, longPath.c_str());
    std::string slot = fxGetTypePath(2);
    EXPECT_EQ(slot.size(), 260u);
    EXPECT_EQ(slot.substr(0, 259), longPath.substr(0, 259));
    EXPECT_EQ(slot.back(), '/');

    fxSetTypePath(1, "");
    EXPECT_STREQ(fxGetTypePath(1), "\\");
}

TEST(fxPaths, CurrentDirectorySlots)
{
    char* start = fxGetActPath();
    std::string before = start;
    TempDir dir;
    ASSERT_EQ(mkdir(dir.File("sub").c_str(), 0700), 0);
    fxInitPaths();
    EXPECT_EQ(std::string(fxGetTypePath(1)), before);
    fxSetTypePath(1, dir.path.c_str());
    ASSERT_TRUE(fxSetPath(1));
    EXPECT_EQ(std::string(fxGetActPath()), dir.path + "/");
    ASSERT_TRUE(fxSetSubPath(1, "/sub"));
    EXPECT_EQ(std::string(fxGetActPath()), dir.path + "/sub/");
    EXPECT_FALSE(fxSetActPath(dir.File("absent").c_str()));
    EXPECT_FALSE(fxSetActPath(nullptr));
    EXPECT_TRUE(fxPathExists(dir.path.c_str()));
    EXPECT_FALSE(fxPathExists(dir.File("absent").c_str()));
    ASSERT_TRUE(fxSetActPath(before.c_str()));
}

TEST(fxPaths, CombinePaths)
{
    EXPECT_STREQ(fxCombinePaths("C:\\data\\", "\\x.dat"), "C:\\data\\x.dat");
    EXPECT_STREQ(fxCombinePaths("C:\\data", "x.dat"), "C:\\data\\x.dat");
    EXPECT_STREQ(fxCombinePaths("/opt/data/", "/x.dat"), "/opt/data/x.dat");
    EXPECT_STREQ(fxCombinePaths("/opt/data", "sub/../x.dat"), "/opt/data/x.dat");
    EXPECT_STREQ(fxCombinePaths("C:\\data\\", "..\\..\\x"), "C:\\x");
    EXPECT_STREQ(fxCombinePaths("C:\\data", "D:\\y"), "D:\\y");
    EXPECT_STREQ(fxCombinePaths("", "a/b"), "a/b");
    EXPECT_STREQ(fxCombinePaths("/opt/", ""), "/opt/");
    std::string tooLong(300, 'z');
    EXPECT_STREQ(fxCombinePaths("/opt", tooLong.c_str()), "");
}

TEST(fxPaths, RelativePathsFileNamesAndExtensions)
{
    EXPECT_STREQ(fxBuildRelativePath("C:\\a", false, "C:\\a\\b\\c.txt", true), ".\\b\\c.txt");
    EXPECT_STREQ(fxBuildRelativePath("/a/b/", false, "/a/c/d.png", true), "../c/d.png");
    EXPECT_STREQ(fxBuildRelativePath("/a/b/f.mtl", true, "/a/b/t.png", true), "./t.png");
    EXPECT_STREQ(fxBuildRelativePath("C:\\a", false, "D:\\b.txt", true), "D:\\b.txt");
    EXPECT_STREQ(fxBuildRelativePath("/a", false, "rel/x", true), "rel/x");

    EXPECT_STREQ(fxGetFilename("C:\\dir\\file.txt"), "file.txt");
    EXPECT_STREQ(fxGetFilename("/a/b/c"), "c");
    EXPECT_STREQ(fxGetFilename("name"), "name");
    EXPECT_STREQ(fxGetFilename("/a/b/"), "b/");

    EXPECT_STREQ(fxChangeExt("/a/b/pic.jpg", ".png"), "/a/b/pic.png");
    EXPECT_STREQ(fxChangeExt("C:\\x\\pic", "bmp"), "C:\\x\\pic.bmp");
    EXPECT_STREQ(fxChangeExt("/a.d/pic.tar.gz", ""), "/a.d/pic.tar");
    EXPECT_STREQ(fxAppenfFname("/a/frame.png", "_mask"), "/a/frame_mask.png");
    EXPECT_STREQ(fxAppenfFname("C:\\frame", "2"), "C:\\frame2");
}

TEST(fxPaths, FirstFolderHoldingTheFileSkipsEmptyAndMissingOnes)
{
    TempDir a, b;
    ASSERT_EQ(mkdir(b.File("deeper").c_str(), 0700), 0);
    WriteFileBytes(b.File("deeper/lwhirl.dat"), "pck01");
    WriteFileBytes(a.File("lwhirl.dat.bak"), "pck01");
    std::string deeper = b.File("deeper"), missing = a.File("none");
    const char* folders[] = {"", nullptr, a.path.c_str(), missing.c_str(), deeper.c_str(), b.path.c_str()};
    EXPECT_EQ(fxFirstFolderHolding("lwhirl.dat", folders, 6), 4);
    EXPECT_EQ(fxFirstFolderHolding("lwhirl.dat", folders, 4), -1) << "a name that only starts alike is not the file";
    std::string slashed = deeper + "/";
    const char* first[] = {slashed.c_str(), deeper.c_str()};
    EXPECT_EQ(fxFirstFolderHolding("lwhirl.dat", first, 2), 0) << "a folder given with its ending";
    EXPECT_EQ(fxFirstFolderHolding("lwhirl.dat", folders, 0), -1);
}
