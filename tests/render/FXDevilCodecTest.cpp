// DevIL keeps one bound image for the whole process: shows on several
// monitors decode their movie frames on their own render threads at once,
// and each must get its own picture, whole.
#include "render/FXPictureHeader.h"
#include "render/FXPixmap.h"
#include "render/PPictureCodec.h"
#include "render/fxDevil.h"
#include "support/PngWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

TEST(DevilCodec, DecodesSideBySideOnThreads)
{
    ASSERT_TRUE(fxLoadDevil());
    PPictureCodec* codec = fxPictureCodec();
    ASSERT_NE(codec, nullptr);
    // Two pictures of different sizes and contents, one per thread pair: a
    // decode that reads the other thread's bound image shows in either.
    struct Picture {
        int w, h;
        std::string png;
        std::vector<uint32_t> rgba;
    } pictures[2] = {{96, 64, {}, {}}, {40, 72, {}, {}}};
    for (int k = 0; k < 2; ++k) {
        Picture& p = pictures[k];
        for (int y = 0; y < p.h; ++y)
            for (int x = 0; x < p.w; ++x)
                p.rgba.push_back(0xff000000u | static_cast<uint32_t>((x * 7 + k * 90) & 255) << 16 |
                                 static_cast<uint32_t>((y * 5) & 255) << 8 | static_cast<uint32_t>(k ? 200 : 30));
        p.png = PngBytes(p.w, p.h, p.rgba);
    }
    std::atomic<int> wrong{0};
    auto decodeMany = [&](const Picture& p) {
        for (int i = 0; i < 150; ++i) {
            FXPixmap out;
            out.power2 = false;
            std::string why;
            if (!codec->Decode(nullptr, FXPictureHeader::kPng, p.png.data(), p.png.size(), 4, &out, nullptr, &why) ||
                out.width != p.w || out.height != p.h) {
                ++wrong;
                continue;
            }
            for (int y = 0; y < p.h; ++y)
                for (int x = 0; x < p.w; ++x)
                    if (out.Row(y)[x] != p.rgba[static_cast<size_t>(y * p.w + x)]) {
                        ++wrong;
                        y = p.h;
                        break;
                    }
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(decodeMany, std::cref(pictures[t % 2]));
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
    fxUnloadDevil();
}
