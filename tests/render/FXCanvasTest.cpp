#include "base/fxTrace.h"
#include "package/FXPackage.h"
#include "render/FXCanvas.h"
#include "render/fxDevil.h"
#include "support/PackageBytes.h"
#include "support/PngWriter.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A picture whose pixel (x, y) tells where it is: red = x, green = y.
std::vector<uint32_t> Gradient(int w, int h, uint32_t alpha = 0xff)
{
    std::vector<uint32_t> p(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p[static_cast<size_t>(y) * w + x] = (x & 0xff) | ((y & 0xff) << 8) | (0x40u << 16) | (alpha << 24);
    return p;
}

class Devil : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fxLoadDevil()); }
    void TearDown() override { fxUnloadDevil(); }
};

} // namespace

TEST(FXCanvas, BindingTracesAndUnboundDecodesFail)
{
    TempDir dir;
    std::string png = dir.File("a.png");
    ASSERT_TRUE(WritePng(png, 4, 4, Gradient(4, 4)));
    FXCanvas c;
    EXPECT_FALSE(c.CreateFromPict(png.c_str()));

    std::string log = dir.File("log.txt");
    ASSERT_TRUE(fxOpenTraces(log.c_str()));
    ASSERT_TRUE(fxLoadDevil());
    EXPECT_TRUE(fxDevilBound());
    EXPECT_TRUE(c.CreateFromPict(png.c_str()));
    fxUnloadDevil();
    fxCloseTraces();
    EXPECT_FALSE(fxDevilBound());
    EXPECT_EQ(pilLoadL, nullptr);
    EXPECT_FALSE(c.CreateFromPict(png.c_str()));
    std::string text = ReadFileBytes(log);
    size_t a = text.find("loading devil\n"), b = text.find("loading ok\n"), u = text.find("unload devil\n");
    EXPECT_NE(a, std::string::npos);
    EXPECT_LT(a, b);
    EXPECT_LT(b, u);
    EXPECT_NE(u, std::string::npos);
}

TEST_F(Devil, PackageEntriesDecodeIntoPowerOfTwoBlocks)
{
    std::vector<uint32_t> pic = Gradient(640, 480);
    pic[5] = (pic[5] & 0x00ffffffu) | (254u << 24);
    std::string file = PackageFile("pck01", PackagePayload({{12, PngBytes(640, 480, Gradient(640, 480)), kFxTypePng},
                                                            {13, PngBytes(640, 480, pic), kFxTypePng},
                                                            {14, PngBytes(2, 2, Gradient(2, 2)), -1},
                                                            {15, "not a picture", kFxTypePng}}));
    FXPackage pkg;
    ASSERT_TRUE(pkg.LoadFromMemory(file.data(), static_cast<long>(file.size())));

    FXCanvas c;
    c.bgColor[2] = 1;
    c.bgColor[3] = 1;
    ASSERT_TRUE(c.CreateFromPictC(&pkg, "12"));
    EXPECT_EQ(c.pixmap.pitch, 1024);
    EXPECT_EQ(c.pixmap.allocHeight, 512);
    EXPECT_EQ(c.GetWidth(), 640);
    EXPECT_EQ(c.GetHeight(), 480);
    EXPECT_TRUE(c.opaque);
    EXPECT_EQ(c.pixmap.Row(0)[0], 0xff400000u);           // top row first
    EXPECT_EQ(c.pixmap.Row(479)[3], 0xff40df03u);         // y = 479 -> green 0xdf
    EXPECT_EQ(c.pixmap.Row(0)[700], 0xffff0000u);         // padding: the background
    EXPECT_EQ(c.pixmap.Row(500)[10], 0xffff0000u);
    unsigned* block = c.pixmap.pixels;

    EXPECT_TRUE(c.CreateFromPictCN(&pkg, 13));
    EXPECT_FALSE(c.opaque);
    EXPECT_EQ(c.pixmap.pixels, block); // large enough: reused

    // Refusals keep the picture.
    EXPECT_FALSE(c.CreateFromPictC(&pkg, "twelve"));
    EXPECT_FALSE(c.CreateFromPictCN(&pkg, 14));
    EXPECT_FALSE(c.CreateFromPictCN(&pkg, 15));
    EXPECT_FALSE(c.CreateFromPictCN(&pkg, 99));
    EXPECT_EQ(c.GetWidth(), 640);
    EXPECT_EQ(c.pixmap.Row(0)[5] >> 24, 254u);
}

TEST_F(Devil, TranInTheFileNameMakesAMask)
{
    TempDir dir;
    std::string name = dir.File("glowTRAN.png");
    ASSERT_TRUE(WritePng(name, 3, 2, Gradient(3, 2)));
    FXCanvas c;
    ASSERT_TRUE(c.CreateFromPict(name.c_str()));
    EXPECT_TRUE(c.mask);
    EXPECT_FALSE(c.opaque);
    EXPECT_EQ(c.pixmap.Row(1)[2], 0x02ffffffu); // white, alpha = red

    c.detectMaskNames = false;
    ASSERT_TRUE(c.CreateFromPict(name.c_str()));
    EXPECT_FALSE(c.mask);
    EXPECT_TRUE(c.opaque);
    EXPECT_EQ(c.pixmap.Row(1)[2], 0xff400102u);
    EXPECT_FALSE(c.CreateFromPict(""));
}

TEST(FXPixmap, RefusesSizesTheBlockCannotHold)
{
    FXPixmap p;
    ASSERT_TRUE(p.Realloc(300, 200));
    EXPECT_EQ(p.pitch, 512);
    EXPECT_FALSE(p.Realloc(-1, 4));
    EXPECT_EQ(p.pixels, nullptr);
    EXPECT_EQ(p.pitch, 0);
    EXPECT_FALSE(p.Realloc((1 << 30) + 1, 1));
    EXPECT_FALSE(p.Realloc(65536, 65536));
    EXPECT_EQ(p.blockSize, 0);
    p.power2 = false;
    ASSERT_TRUE(p.Realloc(3, 5));
    EXPECT_EQ(p.pitch, 3);
    EXPECT_EQ(p.blockSize, 15);
}

TEST_F(Devil, AuthoringRoundTripsMasksAndSampling)
{
    TempDir dir;
    std::string src = dir.File("src.png");
    ASSERT_TRUE(WritePng(src, 5, 3, Gradient(5, 3)));
    FXCanvas c;
    ASSERT_TRUE(c.CreateFromPict(src.c_str()));

    std::string out = dir.File("out.png"), mask = dir.File("mask.png"), part = dir.File("part.png");
    ASSERT_TRUE(c.SaveToPict(out.c_str()));
    FXCanvas back;
    ASSERT_TRUE(back.CreateFromPict(out.c_str()));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(back.pixmap.Row(y)[x], c.pixmap.Row(y)[x]) << x << "," << y;
    ASSERT_TRUE(c.SaveToPict1(part.c_str(), 3, 1, 10, 10));
    ASSERT_TRUE(back.CreateFromPict(part.c_str()));
    EXPECT_EQ(back.GetWidth(), 2);
    EXPECT_EQ(back.pixmap.Row(0)[0], c.pixmap.Row(1)[3]);

    // The red channel as a mask: alpha = x, and 0 outside the 2 x 2 mask.
    FXCanvas m;
    ASSERT_TRUE(m.CreateFromPict(src.c_str()));
    ASSERT_TRUE(m.SaveToPict1(mask.c_str(), 0, 0, 2, 2));
    ASSERT_TRUE(c.LoadMask(mask.c_str()));
    EXPECT_EQ(c.pixmap.Row(0)[1] >> 24, 1u);
    EXPECT_EQ(c.pixmap.Row(2)[4] >> 24, 0u);
    EXPECT_FALSE(c.opaque);
    FXCanvas tiny;
    ASSERT_TRUE(tiny.CreateFromPict(part.c_str()));
    EXPECT_FALSE(tiny.LoadMask(src.c_str())); // larger than the canvas

    ASSERT_TRUE(c.SaveToMask(mask.c_str()));
    ASSERT_TRUE(back.CreateFromPict(mask.c_str()));
    EXPECT_EQ(back.pixmap.Row(0)[1] & 0xff, 1u);

    float col[4];
    c.GetColor(0.99f, 0.99f, col);
    EXPECT_FLOAT_EQ(col[0], 4.0f / 255);
    c.GetColor(-5, 1e9f, col);
    c.GetColor(std::nanf(""), 0.5f, col);
    EXPECT_FLOAT_EQ(col[0], 0);
    EXPECT_FLOAT_EQ(c.GetBump(0.99f, 0.0f), 4.0f / 255); // v = 0 is the bottom row
    c.ExtendEdges();
    EXPECT_EQ(c.pixmap.Row(1)[7], c.pixmap.Row(1)[4]);
    EXPECT_EQ(c.pixmap.Row(3)[2], c.pixmap.Row(2)[2]);
    FXCanvas empty;
    EXPECT_FLOAT_EQ(empty.GetBump(0.5f, 0.5f), 0);
    EXPECT_FALSE(empty.SaveToPict(out.c_str()));
}

TEST_F(Devil, TextPicturesCarryColourAndCoverage)
{
    const float gold[4] = {1, 0.8f, 0, 1};
    FXCanvas c;
    ASSERT_TRUE(c.CreateFromText("Multitexturing is missing", "DejaVu Sans", 24, gold));
    int w = 0, h = 0;
    ASSERT_TRUE(FXCanvas::GetTextSize("Multitexturing is missing", "DejaVu Sans", 24, &w, &h));
    EXPECT_EQ(c.GetWidth(), w);
    EXPECT_EQ(c.GetHeight(), h);
    EXPECT_GT(w, 200);
    int covered = 0, full = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned p = c.pixmap.Row(y)[x];
            EXPECT_EQ(p & 0xffffffu, 0x00ccffu);
            covered += (p >> 24) > 0;
            full += (p >> 24) == 255;
        }
    EXPECT_GT(covered, w * h / 20);
    EXPECT_GT(full, 0);
    EXPECT_LT(covered, w * h);
    EXPECT_FALSE(c.CreateFromText("", "DejaVu Sans", 24, gold));
}
