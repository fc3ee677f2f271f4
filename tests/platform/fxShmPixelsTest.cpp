// The compositor's shm pictures read into the capture's order: each format
// from bytes laid out as the DRM format table defines them (little-endian
// words), rows taken bottom-up when y-inverted, the stride's padding
// skipped, unreadable input refused without touching the output.
#include <gtest/gtest.h>

#include "platform/wayland/fxShmPixels.h"

#include <cstdint>
#include <vector>

namespace {

constexpr uint32_t Fourcc(char a, char b, char c, char d)
{
    return static_cast<uint32_t>(a) | static_cast<uint32_t>(b) << 8 | static_cast<uint32_t>(c) << 16 |
           static_cast<uint32_t>(d) << 24;
}

// Two pixels in one row: pure red, then r 0x10 g 0x80 b 0xf0 (as near as
// the format holds it), in the format's bytes.
struct Case {
    const char* name;
    uint32_t format;
    std::vector<unsigned char> row;
    unsigned char second[3]; // b, g, r read back for the second pixel
};

} // namespace

TEST(ShmPixels, FormatsInvertStrideAndRefusals)
{
    const std::vector<Case> cases = {
        {"ARGB8888", 0, {0, 0, 255, 0x7f, 0xf0, 0x80, 0x10, 0x00}, {0xf0, 0x80, 0x10}},
        {"XRGB8888", 1, {0, 0, 255, 0, 0xf0, 0x80, 0x10, 0xaa}, {0xf0, 0x80, 0x10}},
        {"XBGR8888", Fourcc('X', 'B', '2', '4'), {255, 0, 0, 0, 0x10, 0x80, 0xf0, 0}, {0xf0, 0x80, 0x10}},
        {"RGBX8888", Fourcc('R', 'X', '2', '4'), {0, 0, 0, 255, 0, 0xf0, 0x80, 0x10}, {0xf0, 0x80, 0x10}},
        {"BGRA8888", Fourcc('B', 'A', '2', '4'), {0, 255, 0, 0, 0, 0x10, 0x80, 0xf0}, {0xf0, 0x80, 0x10}},
        {"RGB888", Fourcc('R', 'G', '2', '4'), {0, 0, 255, 0xf0, 0x80, 0x10}, {0xf0, 0x80, 0x10}},
        {"BGR888", Fourcc('B', 'G', '2', '4'), {255, 0, 0, 0x10, 0x80, 0xf0}, {0xf0, 0x80, 0x10}},
        // Red 0x3ff in bits 20-29; the second pixel r 0x040 g 0x200 b 0x3c0.
        {"XRGB2101010", Fourcc('X', 'R', '3', '0'), {0, 0, 0xf0, 0x3f, 0xc0, 0x03, 0x08, 0x04}, {0xf0, 0x80, 0x10}},
        {"XBGR2101010", Fourcc('X', 'B', '3', '0'), {0xff, 0x03, 0, 0, 0x40, 0x00, 0x08, 0x3c}, {0xf0, 0x80, 0x10}},
        // Red 31 in bits 11-15; the second pixel r 2 g 32 b 30, widened.
        {"RGB565", Fourcc('R', 'G', '1', '6'), {0x00, 0xf8, 0x1e, 0x14}, {0xf7, 0x82, 0x10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(fxShmFormatKnown(c.format));
        std::vector<unsigned char> out(8, 0x55);
        ASSERT_TRUE(fxShmToBgrx(c.format, c.row.data(), 2, 1, static_cast<int>(c.row.size()), false, out.data()));
        EXPECT_EQ(out[0], 0);
        EXPECT_EQ(out[1], 0);
        EXPECT_EQ(out[2], 255);
        EXPECT_EQ(out[3], 255);
        EXPECT_EQ(out[4], c.second[0]);
        EXPECT_EQ(out[5], c.second[1]);
        EXPECT_EQ(out[6], c.second[2]);
        EXPECT_EQ(out[7], 255);
    }

    // Three rows of one XRGB pixel each, 4 bytes of padding after every
    // row: the stride is honoured, and y_invert takes the last row first.
    const unsigned char rows[] = {1, 2, 3, 0, 9, 9, 9, 9, 4, 5, 6, 0, 9, 9, 9, 9, 7, 8, 9, 0, 9, 9, 9, 9};
    std::vector<unsigned char> out(12);
    ASSERT_TRUE(fxShmToBgrx(1, rows, 1, 3, 8, false, out.data()));
    EXPECT_EQ(out, (std::vector<unsigned char>{1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255}));
    ASSERT_TRUE(fxShmToBgrx(1, rows, 1, 3, 8, true, out.data()));
    EXPECT_EQ(out, (std::vector<unsigned char>{7, 8, 9, 255, 4, 5, 6, 255, 1, 2, 3, 255}));

    // A format not read here, and a stride shorter than a row.
    std::vector<unsigned char> untouched(12, 0x55);
    EXPECT_FALSE(fxShmFormatKnown(Fourcc('N', 'V', '1', '2')));
    EXPECT_FALSE(fxShmToBgrx(Fourcc('N', 'V', '1', '2'), rows, 1, 3, 8, false, untouched.data()));
    EXPECT_FALSE(fxShmToBgrx(1, rows, 2, 3, 7, false, untouched.data()));
    EXPECT_EQ(untouched, std::vector<unsigned char>(12, 0x55));
}
