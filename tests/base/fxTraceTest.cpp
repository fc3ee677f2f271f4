#include "base/fxPaths.h"
#include "base/fxTime.h"
#include "base/fxTrace.h"
#include "sys/fxSystem.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kRule = "------------------------------------------------\n";

std::string ThreadPrefix()
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%08x: ", fxSysThreadId());
    return buf;
}

std::vector<std::string> Lines(const std::string& s)
{
    std::vector<std::string> out;
    std::istringstream in(s);
    std::string line;
    while (std::getline(in, line))
        out.push_back(line);
    return out;
}

} // namespace

TEST(fxTrace, ClosedLogIsSilentAndCreatesNothing)
{
    TempDir dir;
    ASSERT_FALSE(fxTracesOpened());
    trc("nothing %d\n", 1);
    err("nothing\n");
    trc1("nothing\n");
    fxCloseTraces();
    EXPECT_FALSE(fxTracesOpened());
    EXPECT_FALSE(fxOpenTraces((dir.path + "/missing/dir/x.log").c_str()));
    EXPECT_FALSE(fxTracesOpened());
}

TEST(fxTrace, PrefixesAndFramingByteForByte)
{
    TempDir dir;
    std::string name = dir.File("lwhirl.log");
    fxUseVirtualClock(12.5);
    ASSERT_TRUE(fxOpenTraces(name.c_str()));
    EXPECT_TRUE(fxTracesOpened());
    trc("hello %s\n", "world");
    err("bad %d\n", 3);
    trc1("plain\n");
    // The time goes through a float: 81234.568 prints as 81234.570.
    fxUseVirtualClock(81234.568);
    trc("late\n");
    EXPECT_FALSE(fxOpenTraces("other.log"));
    fxCloseTraces();
    fxUseRealClock();
    EXPECT_FALSE(fxTracesOpened());

    std::string p = ThreadPrefix();
    std::string expected = kRule + " fxOpenTraces (filename:" + name + ")\n" + kRule + "\n" +
                           p + "[12.500] hello world\n" +
                           "#ERROR: " + p + "[12.500] bad 3\n" +
                           "plain\n" +
                           p + "[81234.570] late\n" +
                           kRule + "fxOpenTraces - attempt to open another traces\n" +
                           "               (filename:other.log)\n" + kRule + "\n" +
                           "\n" + kRule + " end of traces\n" + kRule + "\n";
    EXPECT_EQ(ReadFileBytes(name), expected);
}

TEST(fxTrace, OverlongMessageKeepsFirst4096Characters)
{
    TempDir dir;
    std::string name = dir.File("long.log");
    ASSERT_TRUE(fxOpenTraces(name.c_str()));
    std::string big(5000, 'm');
    trc1("%s|", big.c_str());
    trc1("next\n");
    fxCloseTraces();
    std::string log = ReadFileBytes(name);
    EXPECT_NE(log.find(std::string(4096, 'm') + "next\n"), std::string::npos);
    EXPECT_EQ(log.find(std::string(4097, 'm')), std::string::npos);
}

TEST(fxTrace, ConcurrentWritersProduceWholeLines)
{
    TempDir dir;
    std::string name = dir.File("mt.log");
    ASSERT_TRUE(fxOpenTraces(name.c_str()));
    auto writer = [](char tag) {
        for (int i = 0; i < 500; ++i)
            trc("%c line %04d %s\n", tag, i, "payload payload payload payload");
    };
    std::thread t1(writer, 'A'), t2(writer, 'B');
    t1.join();
    t2.join();
    fxCloseTraces();

    std::regex entry("[0-9a-f]{8}: \\[[0-9]+\\.[0-9]{3}\\] [AB] line [0-9]{4} payload payload payload payload");
    int a = 0, b = 0;
    for (const std::string& line : Lines(ReadFileBytes(name))) {
        if (line.empty() || line[0] == '-' || line[0] == ' ')
            continue;
        ASSERT_TRUE(std::regex_match(line, entry)) << line;
        (line.find("] A ") != std::string::npos ? a : b)++;
    }
    EXPECT_EQ(a, 500);
    EXPECT_EQ(b, 500);
}

TEST(fxTrace, ErrmsgWritesAnErrorEntry)
{
    TempDir dir;
    std::string name = dir.File("msg.log");
    ASSERT_TRUE(fxOpenTraces(name.c_str()));
    testing::internal::CaptureStderr();
    EXPECT_EQ(errmsg("graphics %s\n", "failed"), 1);
    std::string shown = testing::internal::GetCapturedStderr();
    fxCloseTraces();
    EXPECT_NE(shown.find("graphics failed"), std::string::npos);
    EXPECT_NE(ReadFileBytes(name).find("#ERROR: " + ThreadPrefix()), std::string::npos);
}

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

// The log goes into the install folder only when that is the user's own;
// an installed tree, a system folder or another user's folder sends it to
// the user's state folder, made as the user's alone when missing.
TEST(fxTrace, LogStaysOutOfFoldersThatAreNotTheUsers)
{
    TempDir dir;
    std::string home = dir.File("home"), state = dir.File("state");
    std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_STATE_HOME");

    std::string own = dir.File("own");
    std::filesystem::create_directory(own);
    ASSERT_TRUE(fxOpenTracesIn((own + "/").c_str(), "lwhirl.log"));
    fxCloseTraces();
    EXPECT_TRUE(std::filesystem::exists(own + "/lwhirl.log")) << "the user's own folder keeps its log";
    EXPECT_FALSE(std::filesystem::exists(home));

    EXPECT_FALSE(fxSysIsUserFolder("/usr/share"));
    EXPECT_FALSE(fxSysIsUserFolder("/"));
    EXPECT_FALSE(fxSysIsUserFolder((own + "/lwhirl.log").c_str())) << "a file is no folder";
    ASSERT_TRUE(fxOpenTracesIn("/usr/share", "lwhirl.log"));
    fxCloseTraces();
    std::string fallback = home + "/.local/state/lumenwhirl";
    EXPECT_TRUE(std::filesystem::exists(fallback + "/lwhirl.log"));
    struct stat st;
    ASSERT_EQ(stat(fallback.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_FALSE(std::filesystem::exists("/usr/share/lwhirl.log"));

    // XDG_STATE_HOME when absolute; a relative one is ignored.
    setenv("XDG_STATE_HOME", "relative", 1);
    char buf[kFxPathBuf];
    ASSERT_TRUE(fxSysGetUserLogDir(buf, sizeof buf));
    EXPECT_EQ(std::string(buf), fallback);
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    std::string other = dir.File("other");
    std::filesystem::create_directory(other);
    if (geteuid() == 0 && chown(other.c_str(), 65534, 65534) == 0) {
        ASSERT_TRUE(fxOpenTracesIn(other.c_str(), "lwhirl.log"));
        fxCloseTraces();
        EXPECT_FALSE(std::filesystem::exists(other + "/lwhirl.log")) << "root wrote into another user's folder";
        EXPECT_TRUE(std::filesystem::exists(state + "/lumenwhirl/lwhirl.log"));
    }
    unsetenv("HOME");
    ASSERT_TRUE(fxOpenTracesIn(own.c_str(), "lwhirl.log")) << "no HOME: the own folder still serves";
    fxCloseTraces();
    if (!oldHome.empty())
        setenv("HOME", oldHome.c_str(), 1);
    unsetenv("XDG_STATE_HOME");
}
#endif
