#include "platform/posix/fxSaverConfig.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

TEST(SaverConfig, InstallFolderLookupAndAnUpdateThatKeepsTheUsersLines)
{
    TempDir dir;
    setenv("XDG_CONFIG_HOME", dir.path.c_str(), 1);
    unsetenv("LUMENWHIRL_PATH");
    std::string file = fxSaverConfigFile();
    EXPECT_EQ(file, dir.path + "/vorn3d/Lumenwhirl.conf");

    std::string why;
    ASSERT_TRUE(fxSaverWriteInstallFolder("/first", &why)) << why;
    EXPECT_EQ(fxSaverInstallFolder("lumenwhirl"), "/first");
    {
        std::ofstream out(file, std::ios::app);
        out << "# mine\ncolour = blue\npath = /second\n";
    }
    ASSERT_TRUE(fxSaverWriteInstallFolder("/third", &why)) << why;
    EXPECT_EQ(ReadFileBytes(file), "# Lumenwhirl: the folder that holds lwhirl.dat\npath=/third\n# mine\ncolour = blue\n")
        << "the user's lines stay, one path line is left";
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));

    setenv("LUMENWHIRL_PATH", "/from/env", 1);
    EXPECT_EQ(fxSaverInstallFolder("lumenwhirl"), "/from/env");
    unsetenv("LUMENWHIRL_PATH");

    // A configuration that cannot be read is never replaced.
    std::filesystem::remove(file);
    std::filesystem::create_directories(file + "/x");
    EXPECT_FALSE(fxSaverWriteInstallFolder("/fourth", &why));
    EXPECT_NE(why.find("left as it is"), std::string::npos) << why;
    EXPECT_TRUE(std::filesystem::is_directory(file + "/x"));
    unsetenv("XDG_CONFIG_HOME");
}

namespace {

namespace fs = std::filesystem;

// An empty file standing in for a program or a package.
void localTouch(const fs::path& file)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file).put('x');
}

} // namespace

TEST(SaverConfig, BuildDataOnlyForTheProgramInTheBuildFolder)
{
    TempDir dir;
    fs::path root = fs::canonical(dir.path);
    fs::path build = root / "build";
    localTouch(build / "lumenwhirl");
    localTouch(build / "data" / "lwhirl.dat");
    localTouch(build / "tests" / "lw_tests_host");
    fs::create_directory_symlink(build, root / "link");

    EXPECT_EQ(fxSaverDataFolderOf((build / "lumenwhirl").string(), build.string()), (build / "data").string());
    EXPECT_EQ(fxSaverDataFolderOf((build / "lumenwhirl").string(), build.string() + "/"), (build / "data").string())
        << "a trailing separator on the build folder";
    EXPECT_EQ(fxSaverDataFolderOf((root / "link" / "lumenwhirl").string(), (root / "link").string()),
              (build / "data").string())
        << "a build folder reached through a link";
    EXPECT_EQ(fxSaverDataFolderOf((build / "tests" / ".." / "lumenwhirl").string(), build.string()),
              (build / "data").string());

    EXPECT_EQ(fxSaverDataFolderOf((build / "tests" / "lw_tests_host").string(), build.string()),
              (build / "share" / "lumenwhirl").string())
        << "a program below the build folder is not the built one";
    EXPECT_EQ(fxSaverDataFolderOf((build / "lumenwhirl").string(), ""), (root / "share" / "lumenwhirl").string())
        << "no build folder compiled in";
    EXPECT_EQ(fxSaverDataFolderOf((build / "lumenwhirl").string(), (root / "other").string()),
              (root / "share" / "lumenwhirl").string());
}

TEST(SaverConfig, InstalledProgramFindsTheShareFolderOfItsRealLocation)
{
    TempDir dir;
    fs::path root = fs::canonical(dir.path);
    fs::path build = root / "build";
    localTouch(build / "lumenwhirl");
    localTouch(build / "data" / "lwhirl.dat");
    fs::path usr = root / "pkg" / "usr";
    localTouch(usr / "bin" / "lumenwhirl");
    localTouch(usr / "libexec" / "xscreensaver" / "lumenwhirl");
    std::string share = (usr / "share" / "lumenwhirl").string();

    EXPECT_EQ(fxSaverDataFolderOf((usr / "bin" / "lumenwhirl").string(), build.string()), share)
        << "the build's data is never read by an installed program";
    EXPECT_EQ(fxSaverDataFolderOf((usr / "libexec" / "xscreensaver" / "lumenwhirl").string(), build.string()), share)
        << "the xscreensaver hack sits two folders down";

    fs::create_directories(root / "home" / "bin");
    fs::create_symlink(usr / "bin" / "lumenwhirl", root / "home" / "bin" / "lumenwhirl");
    EXPECT_EQ(fxSaverDataFolderOf((root / "home" / "bin" / "lumenwhirl").string(), build.string()), share)
        << "a link to the program counts where its target is";
    fs::create_symlink(build / "lumenwhirl", root / "home" / "bin" / "built");
    EXPECT_EQ(fxSaverDataFolderOf((root / "home" / "bin" / "built").string(), build.string()),
              (build / "data").string())
        << "a link to the built program is the built program";

    localTouch(root / "opt" / "xscreensaver" / "lumenwhirl");
    EXPECT_EQ(fxSaverDataFolderOf((root / "opt" / "xscreensaver" / "lumenwhirl").string(), ""),
              (root / "opt" / "share" / "lumenwhirl").string())
        << "only libexec/xscreensaver/ is the hack folder";
}

TEST(SaverConfig, RunningProgramIsLocatedByTheKernelNotByArgv0)
{
    // This test program sits in the build's tests/ folder, not in the build
    // folder, so it gets the share folder beside it, whatever argv0 says.
    fs::path self = fs::canonical("/proc/self/exe");
    std::string expected = (self.parent_path().parent_path() / "share" / "lumenwhirl").string();
    EXPECT_EQ(fxSaverDataFolder("lumenwhirl"), expected);
    EXPECT_EQ(fxSaverDataFolder("/usr/bin/lumenwhirl"), expected);
    EXPECT_EQ(fxSaverDataFolder(nullptr), expected);

    TempDir dir;
    setenv("XDG_CONFIG_HOME", dir.path.c_str(), 1);
    setenv("LUMENWHIRL_PATH", "", 1);
    EXPECT_EQ(fxSaverInstallFolder("lumenwhirl"), expected) << "an empty LUMENWHIRL_PATH and no configuration";
    fs::create_directories(dir.path + "/vorn3d");
    std::ofstream(dir.path + "/vorn3d/Lumenwhirl.conf") << "path =\n";
    EXPECT_EQ(fxSaverInstallFolder("lumenwhirl"), expected) << "an empty path key";
    unsetenv("LUMENWHIRL_PATH");
    unsetenv("XDG_CONFIG_HOME");
}

TEST(SaverConfig, AConfiguredFolderWithoutPackageIsPassedOver)
{
    TempDir dir;
    fs::path empty = fs::path(dir.path) / "empty", held = fs::path(dir.path) / "held";
    fs::create_directories(empty);
    localTouch(held / "lwhirl.dat");
    setenv("XDG_CONFIG_HOME", dir.path.c_str(), 1);
    setenv("LUMENWHIRL_PATH", empty.c_str(), 1);
    std::string why, note;
    ASSERT_TRUE(fxSaverWriteInstallFolder(held.string(), &why)) << why;

    EXPECT_EQ(fxSaverInstallFolder("lumenwhirl", &note), held.string());
    EXPECT_NE(note.find("from the path in " + fxSaverConfigFile()), std::string::npos) << note;
    EXPECT_NE(note.find(empty.string() + " (LUMENWHIRL_PATH) holds no lwhirl.dat"), std::string::npos) << note;

    // Where no folder holds one, the first configured is kept: the failure
    // then names the folder the user gave.
    ASSERT_TRUE(fxSaverWriteInstallFolder((fs::path(dir.path) / "none").string(), &why)) << why;
    EXPECT_EQ(fxSaverInstallFolder("lumenwhirl", &note), empty.string());
    EXPECT_NE(note.find("from LUMENWHIRL_PATH; no folder holds lwhirl.dat"), std::string::npos) << note;

    setenv("LUMENWHIRL_PATH", held.c_str(), 1);
    EXPECT_EQ(fxSaverInstallFolder("lumenwhirl", &note), held.string());
    EXPECT_EQ(note, "install folder from LUMENWHIRL_PATH");
    unsetenv("LUMENWHIRL_PATH");
    unsetenv("XDG_CONFIG_HOME");
}
