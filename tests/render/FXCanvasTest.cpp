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

// A 24-bit BMP stored the usual way, bottom row first; rgba is top row first.
std::string BmpBytes(int w, int h, const std::vector<uint32_t>& rgba)
{
    Bytes px;
    int pad = (4 - (w * 3) % 4) % 4;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            uint32_t p = rgba[static_cast<size_t>(y) * w + x];
            px.s += static_cast<char>((p >> 16) & 0xff); // B, G, R
            px.s += static_cast<char>((p >> 8) & 0xff);
            px.s += static_cast<char>(p & 0xff);
        }
        px.s += std::string(static_cast<size_t>(pad), '\0');
    }
    Bytes b;
    b.Raw("BM").Int(54 + static_cast<int>(px.s.size())).Int(0).Int(54);
    b.Int(40).Int(w).Int(h).Raw(std::string("\x01\x00\x18\x00", 4)).Int(0).Int(static_cast<int>(px.s.size()));
    b.Int(2835).Int(2835).Int(0).Int(0);
    return b.s + px.s;
}

std::string TraceOf(void (*action)())
{
    TempDir dir;
    std::string log = dir.File("log.txt");
    if (!fxOpenTraces(log.c_str()))
        return "";
    action();
    fxCloseTraces();
    return ReadFileBytes(log);
}

ILubyte* FX_ILAPI NoData()
{
    return nullptr;
}

ILboolean FX_ILAPI NoConversion(ILenum, ILenum)
{
    return 0;
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

    std::string ok = TraceOf([] {
        ASSERT_TRUE(fxLoadDevil());
        EXPECT_TRUE(fxDevilBound());
        fxUnloadDevil();
    });
    size_t a = ok.find("loading devil\n"), b = ok.find("loading ok\n"), u = ok.find("unload devil\n");
    ASSERT_NE(u, std::string::npos);
    EXPECT_LT(a, b);
    EXPECT_LT(b, u);
    EXPECT_EQ(ok.find("#ERROR"), std::string::npos);
    EXPECT_FALSE(fxDevilBound());
    EXPECT_EQ(pilLoadL, nullptr);
    EXPECT_EQ(ilDLL, nullptr);
    EXPECT_FALSE(c.CreateFromPict(png.c_str()));
    EXPECT_FALSE(c.SaveToPict(dir.File("b.png").c_str()));

    std::string noIl = TraceOf([] { EXPECT_FALSE(fxLoadDevilFrom("libNoSuchIL.so.1", "libILU.so.1")); });
    EXPECT_NE(noIl.find("failed to load devil.dll\n"), std::string::npos);
    EXPECT_NE(noIl.find("failed to load devil libraries\n"), std::string::npos);
    std::string noIlu = TraceOf([] { EXPECT_FALSE(fxLoadDevilFrom("libIL.so.1", "libNoSuchILU.so.1")); });
    EXPECT_NE(noIlu.find("failed to load ilu.dll\n"), std::string::npos);
    EXPECT_EQ(iluDLL, nullptr);
    EXPECT_EQ(ilDLL, nullptr);

    // IL in place of ILU: everything up to ilGetData resolves, iluScale does
    // not, and the binding is undone without a per-entry message.
    std::string noEntry = TraceOf([] { EXPECT_FALSE(fxLoadDevilFrom("libIL.so.1", "libIL.so.1")); });
    EXPECT_EQ(noEntry.find("ilu.dll"), std::string::npos);
    EXPECT_NE(noEntry.find("failed to load devil libraries\n"), std::string::npos);
    EXPECT_NE(noEntry.find("unload devil\n"), std::string::npos);
    EXPECT_EQ(pilGetData, nullptr);
    EXPECT_EQ(pilInit, nullptr);
    EXPECT_FALSE(fxDevilBound());
    EXPECT_FALSE(c.CreateFromPict(png.c_str()));
}

TEST_F(Devil, PackageEntriesDecodeIntoPowerOfTwoBlocks)
{
    std::vector<uint32_t> pic = Gradient(640, 480);
    pic[5] = (pic[5] & 0x00ffffffu) | (254u << 24);
    std::string file = PackageFile("pck01", PackagePayload({{12, PngBytes(640, 480, Gradient(640, 480)), kFxTypePng},
                                                            {13, PngBytes(640, 480, pic), kFxTypePng},
                                                            {14, PngBytes(2, 2, Gradient(2, 2)), -1},
                                                            {15, "not a picture", kFxTypePng},
                                                            {16, "", kFxTypePng}}));
    FXPackage pkg;
    ASSERT_TRUE(pkg.LoadFromMemory(file.data(), static_cast<long>(file.size())));

    FXCanvas c;
    ASSERT_TRUE(c.CreateFromPictC(&pkg, "12"));
    EXPECT_EQ(c.pixmap.pitch, 1024);
    EXPECT_EQ(c.pixmap.allocHeight, 512);
    EXPECT_EQ(c.GetWidth(), 640);
    EXPECT_EQ(c.GetHeight(), 480);
    EXPECT_TRUE(c.opaque);
    EXPECT_EQ(c.pixmap.Row(479)[3], 0xff40df03u); // y = 479: green 0xdf
    EXPECT_EQ(c.pixmap.Row(0)[700], 0u);           // padding: transparent black
    EXPECT_EQ(c.pixmap.Row(500)[10], 0u);

    c.bgColor[2] = 1;
    c.bgColor[3] = 1;
    EXPECT_TRUE(c.CreateFromPictCN(&pkg, 13));
    EXPECT_FALSE(c.opaque);
    EXPECT_EQ(c.pixmap.Row(0)[700], 0xffff0000u);
    EXPECT_EQ(c.pixmap.Row(511)[1023], 0xffff0000u);
    unsigned* block = c.pixmap.pixels;
    EXPECT_TRUE(c.CreateFromPictCN(&pkg, 12));
    EXPECT_TRUE(c.opaque);
    EXPECT_EQ(c.pixmap.pixels, block); // large enough: reused

    // Refusals keep the picture.
    EXPECT_TRUE(c.CreateFromPictCN(&pkg, 13));
    EXPECT_FALSE(c.CreateFromPictC(&pkg, "twelve"));
    EXPECT_FALSE(c.CreateFromPictC(&pkg, ""));
    EXPECT_FALSE(c.CreateFromPictCN(&pkg, 14)); // type -1
    EXPECT_FALSE(c.CreateFromPictCN(&pkg, 15)); // undecodable
    EXPECT_FALSE(c.CreateFromPictCN(&pkg, 16)); // empty
    EXPECT_FALSE(c.CreateFromPictCN(&pkg, 99)); // missing
    EXPECT_FALSE(c.opaque);
    EXPECT_EQ(c.GetWidth(), 640);
    EXPECT_EQ(c.pixmap.Row(0)[5] >> 24, 254u);
}

TEST_F(Devil, RowsComeInTheLibrarysOrder)
{
    // Top row red, bottom row green.
    std::vector<uint32_t> pic = {0xff0000ffu, 0xff0000ffu, 0xff00ff00u, 0xff00ff00u};
    std::string file = PackageFile(
        "pck01", PackagePayload({{1, PngBytes(2, 2, pic), kFxTypePng}, {2, BmpBytes(2, 2, pic), kFxTypeBmp}}));
    FXPackage pkg;
    ASSERT_TRUE(pkg.LoadFromMemory(file.data(), static_cast<long>(file.size())));
    FXCanvas c;
    ASSERT_TRUE(c.CreateFromPictCN(&pkg, 1));
    EXPECT_EQ(c.pixmap.Row(0)[0], 0xff0000ffu); // PNG: top row first
    EXPECT_EQ(c.pixmap.Row(1)[1], 0xff00ff00u);
    ASSERT_TRUE(c.CreateFromPictCN(&pkg, 2));
    EXPECT_EQ(c.pixmap.Row(0)[0], 0xff00ff00u); // bottom-up BMP: as stored
    EXPECT_EQ(c.pixmap.Row(1)[1], 0xff0000ffu);
}

TEST_F(Devil, LibraryFailuresAfterLoadingGiveFalse)
{
    std::string file = PackageFile("pck01", PackagePayload({{1, PngBytes(3, 3, Gradient(3, 3)), kFxTypePng},
                                                            {2, PngBytes(40, 20, Gradient(40, 20)), kFxTypePng}}));
    FXPackage pkg;
    ASSERT_TRUE(pkg.LoadFromMemory(file.data(), static_cast<long>(file.size())));
    FXCanvas c;
    ASSERT_TRUE(c.CreateFromPictCN(&pkg, 1));

    auto convert = pilConvertImage;
    pilConvertImage = NoConversion;
    EXPECT_FALSE(c.CreateFromPictCN(&pkg, 2));
    pilConvertImage = convert;
    EXPECT_EQ(c.GetWidth(), 3); // nothing read, nothing changed
    EXPECT_EQ(c.pixmap.Row(2)[1], 0xff400201u);

    // No data: refused before the block is touched.
    auto getData = pilGetData;
    pilGetData = NoData;
    EXPECT_FALSE(c.CreateFromPictCN(&pkg, 2));
    pilGetData = getData;
    EXPECT_EQ(c.GetWidth(), 3);
    EXPECT_EQ(c.pixmap.Row(2)[1], 0xff400201u);
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
    EXPECT_FALSE(c.CreateFromPict(dir.File("missing.png").c_str()));
    EXPECT_EQ(c.pixmap.Row(1)[2], 0xff400102u);
    c.Destroy();
    EXPECT_EQ(c.pixmap.pixels, nullptr);
    EXPECT_TRUE(c.opaque);
}

TEST(FXPixmap, RefusesSizesTheBlockCannotHold)
{
    FXPixmap p;
    ASSERT_TRUE(p.Realloc(300, 200));
    EXPECT_EQ(p.pitch, 512);
    EXPECT_EQ(p.allocHeight, 256);
    unsigned* block = p.pixels;
    ASSERT_TRUE(p.Realloc(3, 3));
    EXPECT_EQ(p.pixels, block);
    EXPECT_EQ(p.blockSize, 512 * 256);
    EXPECT_FALSE(p.Realloc(-1, 4));
    EXPECT_EQ(p.pixels, nullptr);
    EXPECT_EQ(p.pitch, 0);
    EXPECT_FALSE(p.Realloc((1 << 30) + 1, 1));
    EXPECT_FALSE(p.Realloc(65536, 65536));
    EXPECT_EQ(p.blockSize, 0);
    EXPECT_EQ(p.width, 0);
    p.power2 = false;
    ASSERT_TRUE(p.Realloc(3, 5));
    EXPECT_EQ(p.pitch, 3);
    EXPECT_EQ(p.blockSize, 15);
    p.Clear(0x12345678u);
    EXPECT_EQ(p.Row(4)[2], 0x12345678u);
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
    ASSERT_TRUE(c.SaveToPict1(part.c_str(), 3, 1, 10, 10)); // cut to 2 x 2
    ASSERT_TRUE(back.CreateFromPict(part.c_str()));
    EXPECT_EQ(back.GetWidth(), 2);
    EXPECT_EQ(back.GetHeight(), 2);
    EXPECT_EQ(back.pixmap.Row(0)[0], c.pixmap.Row(1)[3]);
    EXPECT_FALSE(c.SaveToPict1(part.c_str(), 5, 0, 2, 2));

    // The red channel as a mask: alpha = x, and 0 outside the 2 x 2 mask.
    FXCanvas m;
    ASSERT_TRUE(m.CreateFromPict(src.c_str()));
    ASSERT_TRUE(m.SaveToPict1(mask.c_str(), 0, 0, 2, 2));
    ASSERT_TRUE(c.LoadMask(mask.c_str()));
    EXPECT_EQ(c.pixmap.Row(0)[1], 0x01400001u);
    EXPECT_EQ(c.pixmap.Row(2)[4] >> 24, 0u);
    EXPECT_FALSE(c.opaque);
    FXCanvas tiny;
    ASSERT_TRUE(tiny.CreateFromPict(part.c_str()));
    EXPECT_FALSE(tiny.LoadMask(src.c_str())); // larger than the canvas
    EXPECT_EQ(tiny.pixmap.Row(0)[0] >> 24, 255u);

    ASSERT_TRUE(c.SaveToMask(mask.c_str()));
    ASSERT_TRUE(back.CreateFromPict(mask.c_str()));
    EXPECT_EQ(back.pixmap.Row(0)[1], 0xff010101u);
    EXPECT_EQ(back.pixmap.Row(2)[4], 0xff000000u);
    ASSERT_TRUE(c.SaveToPict2(out.c_str())); // without alpha
    ASSERT_TRUE(back.CreateFromPict(out.c_str()));
    EXPECT_TRUE(back.opaque);
    EXPECT_EQ(back.pixmap.Row(2)[4], 0xff400204u);

    float col[4];
    c.GetColor(0.99f, 0.99f, col);
    EXPECT_FLOAT_EQ(col[0], 4.0f / 255);
    EXPECT_FLOAT_EQ(col[1], 2.0f / 255);
    c.GetColor(-5, 1e9f, col); // clamped into the block
    c.GetColor(std::nanf(""), 0.5f, col);
    EXPECT_FLOAT_EQ(col[0], 0);
    EXPECT_FLOAT_EQ(col[1], 1.0f / 255);
    EXPECT_FLOAT_EQ(c.GetBump(0.99f, 1.0f), 4.0f / 255); // v = 1 is the top row
    EXPECT_FLOAT_EQ(c.GetBump(0.99f, 0.0f), 0);          // the first padding row
    c.ExtendEdges();
    EXPECT_FLOAT_EQ(c.GetBump(0.99f, 0.0f), 4.0f / 255);
    EXPECT_EQ(c.pixmap.Row(1)[7], c.pixmap.Row(1)[4]);
    EXPECT_EQ(c.pixmap.Row(3)[2], c.pixmap.Row(2)[2]);
    EXPECT_EQ(c.pixmap.Row(3)[7], c.pixmap.Row(2)[4]);
    FXCanvas empty;
    EXPECT_FLOAT_EQ(empty.GetBump(0.5f, 0.5f), 0);
    empty.GetColor(0.5f, 0.5f, col);
    EXPECT_FLOAT_EQ(col[3], 0);
    EXPECT_FALSE(empty.SaveToPict(out.c_str()));

    // Copy takes the whole block; one alpha below 255 clears opaque.
    FXCanvas copy;
    EXPECT_FALSE(copy.Copy(&empty));
    EXPECT_EQ(copy.pixmap.pixels, nullptr);
    ASSERT_TRUE(copy.Copy(&c));
    EXPECT_FALSE(copy.opaque);
    EXPECT_EQ(copy.pixmap.pitch, c.pixmap.pitch);
    EXPECT_EQ(copy.pixmap.Row(3)[7], c.pixmap.Row(3)[7]);
    ASSERT_TRUE(copy.Copy(&back));
    EXPECT_TRUE(copy.opaque);

    // Half white over the pixel (4, 2, 0x40): each channel halfway to 255.
    const float white[4] = {1, 1, 1, 0.5f};
    copy.MixColorLayer(white);
    unsigned p = copy.pixmap.Row(2)[4];
    EXPECT_NEAR(static_cast<int>(p & 0xff), 129, 1);
    EXPECT_NEAR(static_cast<int>((p >> 16) & 0xff), 159, 1);
    EXPECT_EQ(p >> 24, 255u);
}

TEST_F(Devil, JpegQualityChangesTheFile)
{
    TempDir dir;
    std::vector<uint32_t> noise(64 * 64);
    uint32_t r = 12345;
    for (uint32_t& px : noise) {
        r = r * 1103515245u + 12345u;
        px = (r >> 8) | 0xff000000u;
    }
    std::string src = dir.File("noise.png"), low = dir.File("low.jpg"), high = dir.File("high.jpg");
    ASSERT_TRUE(WritePng(src, 64, 64, noise));
    FXCanvas c;
    ASSERT_TRUE(c.CreateFromPict(src.c_str()));
    FXCanvas::SetJpegQuality(10);
    ASSERT_TRUE(c.SaveToPict2(low.c_str()));
    FXCanvas::SetJpegQuality(99);
    ASSERT_TRUE(c.SaveToPict2(high.c_str()));
    ASSERT_TRUE(c.SaveToPict2(high.c_str())); // overwrites
    EXPECT_LT(ReadFileBytes(low).size() * 2, ReadFileBytes(high).size());
}

TEST(FXCanvas, TextPicturesCarryColourAndCoverage)
{
    const float gold[4] = {1, 0.8f, 0, 0.5f};
    FXCanvas c;
    ASSERT_TRUE(c.CreateFromText("Multitexturing is missing", "DejaVu Sans", 24, gold));
    int w = 0, h = 0;
    ASSERT_TRUE(FXCanvas::GetTextSize("Multitexturing is missing", "DejaVu Sans", 24, &w, &h));
    EXPECT_EQ(c.GetWidth(), w);
    EXPECT_EQ(c.GetHeight(), h);
    EXPECT_GT(w, 200);
    EXPECT_GE(h, 24);
    EXPECT_FALSE(c.opaque);
    int covered = 0, most = 0;
    for (int y = 0; y < c.pixmap.allocHeight; ++y)
        for (int x = 0; x < c.pixmap.pitch; ++x) {
            unsigned p = c.pixmap.Row(y)[x];
            EXPECT_EQ(p & 0xffffffu, 0x00ccffu);
            int a = static_cast<int>(p >> 24);
            covered += a > 0;
            most = a > most ? a : most;
            if (x >= w || y >= h) {
                EXPECT_EQ(a, 0);
            }
        }
    EXPECT_GT(covered, w * h / 20);
    EXPECT_LT(covered, w * h / 2);
    EXPECT_EQ(most, 127); // full coverage times the colour's alpha
    int wideW = 0, wideH = 0;
    ASSERT_TRUE(FXCanvas::GetTextWSize(L"Multitexturing is missing!", "DejaVu Sans", 24, &wideW, &wideH));
    EXPECT_GT(wideW, w);
    EXPECT_EQ(wideH, h);
    EXPECT_FALSE(c.CreateFromText("", "DejaVu Sans", 24, gold));
    EXPECT_FALSE(c.CreateFromTextW(L"x", "DejaVu Sans", 0, gold));
    EXPECT_EQ(c.GetWidth(), w);
}
