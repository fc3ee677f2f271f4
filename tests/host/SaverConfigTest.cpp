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
