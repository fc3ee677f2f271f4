#include "host/fxXScreenSaverPrefs.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <fstream>

// The three keys as xscreensaver writes them, as users edit them (odd
// blanks, case, CRLF), and as they are missing; the other keys and the
// programs list around them, which runs over many continued lines, must
// not be read as theirs.
TEST(fxXScreenSaverPrefs, ReadsTheImageKeysWhateverTheSpacing)
{
    const std::string home = "/home/u";
    FXXScreenSaverPrefs p = fxParseXScreenSaverPrefs("", home);
    EXPECT_TRUE(p.grabDesktopImages);
    EXPECT_FALSE(p.chooseRandomImages);
    EXPECT_EQ(p.imageDirectory, "");

    p = fxParseXScreenSaverPrefs("timeout:\t0:10:00\n"
                                 "grabDesktopImages:\tFalse\n"
                                 "chooseRandomImages:\tTrue\n"
                                 "imageDirectory:\t~/Pictures\n",
                                 home);
    EXPECT_FALSE(p.grabDesktopImages);
    EXPECT_TRUE(p.chooseRandomImages);
    EXPECT_EQ(p.imageDirectory, "/home/u/Pictures");

    p = fxParseXScreenSaverPrefs("  grabDesktopImages :   false  \r\n"
                                 "chooseRandomImages:on\r\n"
                                 "imageDirectory:   /srv/My Pictures \r\n",
                                 home);
    EXPECT_FALSE(p.grabDesktopImages);
    EXPECT_TRUE(p.chooseRandomImages);
    EXPECT_EQ(p.imageDirectory, "/srv/My Pictures");

    // Comments, a value that is no boolean, a key that only starts like
    // one, and the key inside the programs list are none of them.
    p = fxParseXScreenSaverPrefs("# grabDesktopImages: False\n"
                                 "! chooseRandomImages: True\n"
                                 "grabDesktopImagesX: False\n"
                                 "chooseRandomImages: maybe\n"
                                 "programs:\t\\\n"
                                 "  GL: \"Lumenwhirl\" lumenwhirl --root \\n\\\n"
                                 "  - qix -root \\n\\\n"
                                 "  grabDesktopImages: False\n"
                                 "imageDirectory: ~other/x\n",
                                 home);
    EXPECT_TRUE(p.grabDesktopImages);
    EXPECT_FALSE(p.chooseRandomImages);
    EXPECT_EQ(p.imageDirectory, "~other/x");

    // From $HOME/.xscreensaver; none there: the defaults, and false.
    TempDir dir;
    EXPECT_FALSE(fxReadXScreenSaverPrefs(dir.path, &p));
    EXPECT_TRUE(p.grabDesktopImages);
    std::ofstream(dir.File(".xscreensaver")) << "mode:\trandom\ngrabDesktopImages:\tFalse\n"
                                                "chooseRandomImages:\tTrue\nimageDirectory:\t~\n";
    ASSERT_TRUE(fxReadXScreenSaverPrefs(dir.path, &p));
    EXPECT_FALSE(p.grabDesktopImages);
    EXPECT_TRUE(p.chooseRandomImages);
    EXPECT_EQ(p.imageDirectory, dir.path);
}
