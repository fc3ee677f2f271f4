// The platform-free half of the Windows decoder against DevIL on the same
// bytes: Targa of every kind it reads, DevIL's conversions and scaling.
#include "package/FXPackage.h"
#include "render/FXCanvas.h"
#include "render/FXPictureHeader.h"
#include "render/FXRawCodec.h"
#include "render/FXRawPicture.h"
#include "render/fxDevil.h"
#include "support/PackageBytes.h"
#include "support/PngWriter.h"
#include "support/TargaBytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

unsigned char Noise(uint32_t* state)
{
    *state = *state * 1103515245u + 12345u;
    return static_cast<unsigned char>(*state >> 16);
}

// A colour-mapped Targa: entries of mapBits each, then the indices.
std::string TgaMapped(int type, int w, int h, int entries, int mapBits, const std::string& map, const std::string& px)
{
    std::string s = TargaBytes(type, w, h, 8, 0x20, "");
    s[1] = 1;
    s[5] = static_cast<char>(entries & 0xff);
    s[6] = static_cast<char>(entries >> 8);
    s[7] = static_cast<char>(mapBits);
    return s + map + px;
}

std::string RandomBytes(size_t n, uint32_t seed)
{
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(Noise(&seed));
    return s;
}

// Run-length coding of n pixels of bpp bytes: runs of repeated pixels and
// raw packets alternate, so both packet kinds are read.
std::string Rle(int n, int bpp, uint32_t seed)
{
    std::string out;
    int done = 0;
    bool run = true;
    while (done < n) {
        int count = 1 + Noise(&seed) % 20;
        if (count > n - done)
            count = n - done;
        out += static_cast<char>((run ? 0x80 : 0) | (count - 1));
        out += RandomBytes(static_cast<size_t>(run ? bpp : bpp * count), seed++);
        done += count;
        run = !run;
    }
    return out;
}

struct Decoded {
    bool ok = false;
    int w = 0, h = 0, pitch = 0, rows = 0;
    bool opaque = false;
    std::vector<unsigned> pixels;
};

Decoded Through(FXPackage* pkg, int id)
{
    Decoded d;
    FXCanvas c;
    d.ok = c.CreateFromPictCN(pkg, id);
    d.w = c.pixmap.width;
    d.h = c.pixmap.height;
    d.pitch = c.pixmap.pitch;
    d.rows = c.pixmap.allocHeight;
    d.opaque = c.opaque;
    if (c.pixmap.pixels)
        d.pixels.assign(c.pixmap.pixels, c.pixmap.pixels + static_cast<size_t>(d.pitch) * d.rows);
    return d;
}

// DevIL's own conversion of w x h pixels of a format to another.
std::vector<unsigned char> DevilConvert(int w, int h, int from, int to, const std::vector<unsigned char>& data)
{
    ILuint image = 0;
    pilGenImages(1, &image);
    pilBindImage(image);
    std::vector<unsigned char> out;
    int c = FXRawPicture::Channels(from);
    if (pilTexImage(static_cast<ILuint>(w), static_cast<ILuint>(h), 1, static_cast<ILubyte>(c),
                    static_cast<ILenum>(from), kIlUnsignedByte, const_cast<unsigned char*>(data.data())) &&
        pilConvertImage(static_cast<ILenum>(to), kIlUnsignedByte)) {
        const ILubyte* p = pilGetData();
        out.assign(p, p + static_cast<size_t>(w) * h * FXRawPicture::Channels(to));
    }
    pilDeleteImages(1, &image);
    return out;
}

} // namespace

TEST(FXRawCodec, TargaKindsDecodeAsDevilDecodesThem)
{
    const int w = 37, h = 23, n = w * h;
    struct Kind {
        const char* name;
        std::string bytes;
    };
    const Kind kinds[] = {
        {"24-bit bottom-up", TargaBytes(2, w, h, 24, 0x00, RandomBytes(n * 3, 1))},
        {"32-bit top-down with alpha", TargaBytes(2, w, h, 32, 0x28, RandomBytes(n * 4, 2))},
        {"grey with an id field", TargaBytes(3, w, h, 8, 0x00, RandomBytes(n, 4), 9)},
        {"run-length 24-bit", TargaBytes(10, w, h, 24, 0x20, Rle(n, 3, 5))},
        {"run-length 32-bit", TargaBytes(10, w, h, 32, 0x08, Rle(n, 4, 6))},
        {"run-length grey", TargaBytes(11, w, h, 8, 0x00, Rle(n, 1, 7))},
        {"16-bit", TargaBytes(2, w, h, 16, 0x01, RandomBytes(n * 2, 8))},
        {"15-bit run-length", TargaBytes(10, w, h, 15, 0x00, Rle(n, 2, 9))},
        {"colour-mapped, 24-bit map", TgaMapped(1, w, h, 256, 24, RandomBytes(768, 10), RandomBytes(n, 11))},
        {"colour-mapped, 32-bit map", TgaMapped(1, w, h, 256, 32, RandomBytes(1024, 12), RandomBytes(n, 13))},
        {"colour-mapped run-length", TgaMapped(9, w, h, 256, 24, RandomBytes(768, 14), Rle(n, 1, 15))},
    };
    std::vector<TestEntry> entries;
    int id = 1;
    for (const Kind& k : kinds)
        entries.push_back({id++, k.bytes, kFxTypeTga});
    std::string file = PackageFile("pck01", PackagePayload(entries));
    FXPackage pkg;
    ASSERT_TRUE(pkg.LoadFromMemory(file.data(), static_cast<long>(file.size())));

    ASSERT_TRUE(fxLoadDevil());
    std::vector<Decoded> devil;
    for (int i = 1; i < id; ++i)
        devil.push_back(Through(&pkg, i));
    fxUnloadDevil();

    FXRawCodec raw;
    fxUsePictureCodec(&raw);
    for (int i = 1; i < id; ++i) {
        const Kind& k = kinds[i - 1];
        Decoded d = Through(&pkg, i);
        const Decoded& e = devil[static_cast<size_t>(i - 1)];
        ASSERT_TRUE(e.ok) << k.name;
        EXPECT_TRUE(d.ok) << k.name;
        EXPECT_EQ(d.w, e.w) << k.name;
        EXPECT_EQ(d.h, e.h) << k.name;
        EXPECT_EQ(d.opaque, e.opaque) << k.name;
        EXPECT_TRUE(d.pixels == e.pixels) << k.name;
    }
    // Too few bytes for the declared pixels, rows right to left (which DevIL
    // refuses too), and a PNG.
    FXRawPicture p;
    std::string plain = kinds[0].bytes;
    EXPECT_FALSE(raw.DecodeRaw(FXPictureHeader::kTga, reinterpret_cast<const unsigned char*>(plain.data()),
                               plain.size() - 1, &p, nullptr));
    std::string rle = kinds[4].bytes;
    EXPECT_FALSE(raw.DecodeRaw(FXPictureHeader::kTga, reinterpret_cast<const unsigned char*>(rle.data()),
                               rle.size() - 2, &p, nullptr));
    std::string rtl = TargaBytes(2, w, h, 32, 0x18, RandomBytes(n * 4, 3));
    EXPECT_FALSE(raw.DecodeRaw(FXPictureHeader::kTga, reinterpret_cast<const unsigned char*>(rtl.data()), rtl.size(),
                               &p, nullptr));
    // A 16-bit colour map, which DevIL reads wrongly: both refuse it.
    std::string map16 = TgaMapped(1, w, h, 256, 16, RandomBytes(512, 16), RandomBytes(n, 17));
    EXPECT_FALSE(raw.DecodeRaw(FXPictureHeader::kTga, reinterpret_cast<const unsigned char*>(map16.data()),
                               map16.size(), &p, nullptr));
    std::string entry = PackageFile("pck01", PackagePayload({{1, map16, kFxTypeTga}}));
    FXPackage one;
    ASSERT_TRUE(one.LoadFromMemory(entry.data(), static_cast<long>(entry.size())));
    EXPECT_FALSE(Through(&one, 1).ok);
    ASSERT_TRUE(fxLoadDevil());
    EXPECT_FALSE(Through(&one, 1).ok);
    fxUnloadDevil();
    fxUsePictureCodec(&raw);
    std::string png = PngBytes(2, 2, std::vector<uint32_t>(4, 0xff0000ffu));
    EXPECT_FALSE(raw.DecodeRaw(FXPictureHeader::kTga, reinterpret_cast<const unsigned char*>(png.data()), png.size(),
                               &p, nullptr))
        << "a PNG is not read as a Targa";
    fxUsePictureCodec(nullptr);
}

TEST(FXRawCodec, ConversionsAndScalingAreDevils)
{
    ASSERT_TRUE(fxLoadDevil());
    const int formats[] = {FXRawPicture::kRgb, FXRawPicture::kRgba, FXRawPicture::kGrey, FXRawPicture::kGreyAlpha};
    const int w = 19, h = 7;
    uint32_t seed = 11;
    for (int from : formats) {
        FXRawPicture src;
        src.width = w;
        src.height = h;
        src.format = from;
        src.data.resize(static_cast<size_t>(w) * h * FXRawPicture::Channels(from));
        for (unsigned char& b : src.data)
            b = Noise(&seed);
        for (int to : formats) {
            FXRawPicture p = src;
            ASSERT_TRUE(p.Convert(to));
            EXPECT_TRUE(p.data == DevilConvert(w, h, from, to, src.data)) << std::hex << from << " to " << to;
        }
        // A 16-bit picture holding v * 257 converts as its 8-bit source.
        FXRawPicture wide = src;
        wide.Widen();
        ASSERT_TRUE(wide.Convert(FXRawPicture::kRgba));
        EXPECT_TRUE(wide.data == DevilConvert(w, h, from, FXRawPicture::kRgba, src.data));
    }

    // Scaling up and down against ILU's default filter.
    FXRawPicture src;
    src.width = w;
    src.height = h;
    src.format = FXRawPicture::kRgba;
    src.data.resize(static_cast<size_t>(w) * h * 4);
    for (unsigned char& b : src.data)
        b = Noise(&seed);
    const int sizes[][2] = {{41, 3}, {5, 16}, {19, 7}, {1, 1}};
    for (const auto& s : sizes) {
        FXRawPicture p = src;
        ASSERT_TRUE(p.Scale(s[0], s[1]));
        ILuint image = 0;
        pilGenImages(1, &image);
        pilBindImage(image);
        ASSERT_TRUE(pilTexImage(w, h, 1, 4, kIlRgba, kIlUnsignedByte, src.data.data()));
        ASSERT_TRUE(piluScale(static_cast<ILuint>(s[0]), static_cast<ILuint>(s[1]), 1));
        const ILubyte* d = pilGetData();
        EXPECT_TRUE(p.data == std::vector<unsigned char>(d, d + static_cast<size_t>(s[0]) * s[1] * 4))
            << s[0] << "x" << s[1];
        pilDeleteImages(1, &image);
    }
    fxUnloadDevil();
}
