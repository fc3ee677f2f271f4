#include "base/fxTrace.h"
#include "sys/PScreenCapture.h"
#include "render/FXScrShot.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A 3 x 2 display, blue-green-red-padding, failing at the step asked for.
class FakeDisplay : public PScreenCapture {
public:
    int failAt = 0; // 1 Begin, 2 Lock
    int ends = 0, shutdowns = 0;
    unsigned char px[2][12] = {{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0}, {10, 11, 12, 0, 13, 14, 15, 0, 16, 17, 18, 0}};

    bool Begin(int* w, int* h, std::string* why) override
    {
        *w = 3;
        *h = 2;
        *why = "Blt (dd7 - from primary to back)";
        return failAt != 1;
    }
    bool Lock(const unsigned char** p, int* pitch, std::string* why) override
    {
        *p = &px[0][0];
        *pitch = 12;
        *why = "Lock (dd7 - back)";
        return failAt != 2;
    }
    void End() override { ++ends; }
    void Shutdown() override { ++shutdowns; }
};

// A 5 x 3 display whose rows lie 32 bytes apart, the bytes past each row
// holding what the display left there.
class PitchedDisplay : public PScreenCapture {
public:
    unsigned char px[3][32];

    PitchedDisplay()
    {
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 32; ++x)
                px[y][x] = x < 20 ? static_cast<unsigned char>(y * 20 + x) : 0xee;
    }
    bool Begin(int* w, int* h, std::string*) override
    {
        *w = 5;
        *h = 3;
        return true;
    }
    bool Lock(const unsigned char** p, int* pitch, std::string*) override
    {
        *p = &px[0][0];
        *pitch = 32;
        return true;
    }
    void End() override {}
};

} // namespace

TEST(FXScrShot, RowsFartherApartThanTheScreenIsWideAndAnOddHeight)
{
    PitchedDisplay display;
    fxSetScreenCapture(&display);
    {
        FXScrShot shot;
        ASSERT_TRUE(shot.Update());
        ASSERT_EQ(shot.GetWidth(), 5);
        ASSERT_EQ(shot.GetHeight(), 3);
        for (int y = 0; y < shot.pixmap.allocHeight; ++y)
            for (int x = 0; x < shot.pixmap.pitch; ++x) {
                uint32_t want = 0xff000000u;
                if (x < 5 && y < 3) {
                    const unsigned char* s = &display.px[y][4 * x];
                    want |= static_cast<uint32_t>(s[2]) | static_cast<uint32_t>(s[1]) << 8 |
                            static_cast<uint32_t>(s[0]) << 16;
                }
                ASSERT_EQ(shot.pixmap.Row(y)[x], want) << std::hex << x << "," << y;
            }
        EXPECT_GE(shot.pixmap.allocHeight, 3);
    }
    fxSetScreenCapture(nullptr);
}

TEST(FXScrShot, DisplayPixelsBecomeTheCanvasAndFailuresAreTraced)
{
    TempDir dir;
    std::string log = dir.File("lwhirl.log");
    ASSERT_TRUE(fxOpenTraces(log.c_str()));
    FakeDisplay display;
    fxSetScreenCapture(&display);
    {
        FXScrShot shot;
        ASSERT_TRUE(shot.Update());
        EXPECT_EQ(shot.count, 1);
        EXPECT_EQ(shot.GetWidth(), 3);
        EXPECT_EQ(shot.pixmap.Row(0)[0], 0xff010203u) << "red, green, blue from the display's order, alpha 255";
        EXPECT_EQ(shot.pixmap.Row(1)[2], 0xff101112u) << "rows top-down";
        ASSERT_GT(shot.pixmap.pitch, 3);
        EXPECT_EQ(shot.pixmap.Row(0)[3], 0xff000000u) << "padding is opaque black";

        display.failAt = 1;
        EXPECT_FALSE(shot.Update());
        EXPECT_EQ(shot.pixmap.Row(0)[0], 0xff010203u) << "a failed copy leaves the canvas";
        display.failAt = 2;
        EXPECT_FALSE(shot.Update());
        EXPECT_EQ(shot.pixmap.Row(0)[0], 0xff000000u) << "a failed read leaves it black";
        EXPECT_EQ(shot.count, 1);
        EXPECT_EQ(display.ends, 2) << "every copy is released";
    }
    EXPECT_EQ(display.shutdowns, 1);
    fxSetScreenCapture(nullptr);
    fxCloseTraces();
    std::string text = ReadFileBytes(log);
    for (const char* message : {"] Blt (dd7 - from primary to back)\n", "] Lock (dd7 - back)\n"}) {
        size_t at = text.find(message);
        ASSERT_NE(at, std::string::npos) << text;
        EXPECT_EQ(text.compare(text.rfind('\n', at) + 1, 8, "#ERROR: "), 0) << "an error line";
    }
}
