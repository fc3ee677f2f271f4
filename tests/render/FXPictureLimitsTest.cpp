// Pictures whose headers declare more pixels than a picture may have or
// than their bytes hold are refused on every path, naming the picture,
// even where the memory for the declared size cannot be had (the address
// space is limited to 6 GB as on a smaller machine).
#include "authoring/FXPackageCheck.h"
#include "base/fxTrace.h"
#include "geometry/SMovie.h"
#include "package/FXPackage.h"
#include "render/FXCanvas.h"
#include "render/FXMaterial.h"
#include "render/FXRawCodec.h"
#include "render/fxDevil.h"
#include "support/PackageBytes.h"
#include "support/TempFile.h"
#include "support/TargaBytes.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LW_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define LW_ASAN 1
#endif

namespace {

std::string Be32(unsigned v)
{
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
}

// Headers that lie about the size, each a whole picture file.
std::vector<std::pair<std::string, std::string>> Liars()
{
    auto tga = [](int type, int w, int h, int bits, size_t extra) {
        return TargaBytes(type, w, h, bits, 0, std::string(extra, '\x7f'));
    };
    std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + Be32(13) + "IHDR" + Be32(60000) + Be32(60000) +
                      std::string("\x08\x06\x00\x00\x00", 5) + Be32(0) + Be32(10) + "IDAT" +
                      std::string("\x78\x9c\x63\x00\x00\x00\x01\x00\x01\x00", 10) + Be32(0) + Be32(0) + "IEND" +
                      Be32(0);
    std::string jpeg = std::string("\xff\xd8\xff\xc0\x00\x11\x08\xff\xdc\xff\xdc\x03\x01\x22\x00\x02\x11\x01\x03"
                                   "\x11\x01\xff\xd9",
                                   23);
    return {{"huge.tga", tga(2, 65535, 65535, 32, 0)},
            {"short.tga", tga(2, 20000, 20000, 24, 64)},
            {"shortrle.tga", tga(10, 30000, 30000, 32, 100)},
            {"huge.png", png},
            {"huge.jpg", jpeg}};
}

// Every path in a child whose address space is limited: 0 when each
// picture was refused, 1 when one was taken, a signal when one crashed.
int RunLimited(bool devil, const TempDir& dir, const std::string& log)
{
    pid_t pid = fork();
    if (pid != 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    rlimit limit = {6000000000ull, 6000000000ull};
    setrlimit(RLIMIT_AS, &limit);
    fxOpenTraces(log.c_str());
    FXRawCodec raw;
    if (devil ? !fxLoadDevil() : (fxUsePictureCodec(&raw), false))
        _exit(2);
    std::vector<TestEntry> entries;
    int id = 1, taken = 0;
    for (const auto& p : Liars()) {
        std::string file = dir.File(p.first.c_str());
        FXCanvas c;
        taken += c.CreateFromPict(file.c_str());
        SMovie movie;
        FXMaterial m;
        taken += movie.PrepareTexture(file.c_str(), file.c_str(), &m);
        entries.push_back({id++, p.second, p.first.find(".png") != std::string::npos   ? kFxTypePng
                                           : p.first.find(".jpg") != std::string::npos ? kFxTypeJpg
                                                                                       : kFxTypeTga});
    }
    std::string bytes = PackageFile("pck01", PackagePayload(entries));
    FXPackage pkg;
    if (!pkg.LoadFromMemory(bytes.data(), static_cast<long>(bytes.size())))
        _exit(3);
    for (int i = 1; i < id; ++i) {
        FXCanvas c;
        taken += c.CreateFromPictCN(&pkg, i);
    }
    FXPackageCheck check;
    taken += check.Check(&pkg);
    if (check.problems.count != id - 1)
        taken += 100;
    fxCloseTraces();
    _exit(taken ? 1 : 0);
}

} // namespace

TEST(FXPictureLimits, LyingHeadersAreRefusedOnEveryPathWithoutTheMemory)
{
#if defined(LW_ASAN)
    GTEST_SKIP() << "the sanitizer's shadow memory needs more address space than the limit";
#endif
    TempDir dir;
    for (const auto& p : Liars())
        std::ofstream(dir.File(p.first.c_str()), std::ios::binary) << p.second;
    for (bool devil : {true, false}) {
        std::string log = dir.File(devil ? "devil.log" : "raw.log");
        EXPECT_EQ(RunLimited(devil, dir, log), 0) << (devil ? "DevIL" : "the engine's own decoder");
        std::string trace = ReadFileBytes(log);
        for (const auto& p : Liars()) {
            if (!devil && p.first.find(".tga") == std::string::npos)
                continue; // only Targa is decoded without a platform
            EXPECT_NE(trace.find("picture " + dir.File(p.first.c_str()) + ": declares"), std::string::npos)
                << p.first << "\n" << trace;
            EXPECT_NE(trace.find("movie picture " + dir.File(p.first.c_str()) + ": declares"), std::string::npos)
                << p.first;
        }
        EXPECT_NE(trace.find("picture entry 1: declares 65535x65535"), std::string::npos) << trace;
    }
}
