// libFuzzer target: picture bytes through the engine's own decoding: the
// canvas (package entry, mask rule, padding), a movie frame's picture and
// mask, and every platform-free part of the Windows decoder (signatures,
// header facts, declared sizes, the Targa decoder, DevIL's conversions,
// scaling, row flips). FXRawCodec is the codec: what it cannot decode
// without a platform (all but Targa) still passes through the header
// checks. Input: a flags byte, a 16-bit picture length, the picture, the
// mask.
#include "geometry/SMovie.h"
#include "package/FXPackage.h"
#include "render/FXCanvas.h"
#include "render/FXMaterial.h"
#include "render/FXPictureHeader.h"
#include "render/FXPixmap.h"
#include "render/FXRawCodec.h"
#include "render/FXRawPicture.h"
#include "render/FXTargaDecoder.h"
#include "render/fxDevil.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/RecordingEnv.h"

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <stdlib.h>

namespace {

const int kTypes[] = {kFxTypeTga, kFxTypePng, kFxTypeBmp, kFxTypeJpg, kFxTypeGif, 0, kFxTypeTga, kFxTypeTga};

void localRaw(const unsigned char* p, size_t n, unsigned flags)
{
    unsigned colourType = 0, depth = 0;
    bool trns = false;
    FXPictureHeader::Png(p, n, &colourType, &depth, &trns);
    FXPictureHeader::BmpBottomUp(p, n);
    for (int type : kTypes) {
        long long w = 0, h = 0;
        FXPictureHeader::Size(type, p, n, &w, &h);
        FXPictureHeader::Check(type, p, n, nullptr);
    }
    FXRawPicture img;
    if (!FXTargaDecoder::Decode(p, n, &img))
        return;
    FXPixmap px;
    px.power2 = flags & 1;
    img.ToPixmap(flags & 2 ? 3 : 1, &px);
    FXRawPicture wide = img;
    wide.Widen();
    wide.FlipRows();
    wide.Convert(FXRawPicture::kGreyAlpha);
    const int formats[] = {FXRawPicture::kRgb, FXRawPicture::kRgba, FXRawPicture::kGrey, FXRawPicture::kGreyAlpha,
                           FXRawPicture::kIndexed};
    FXRawPicture c = img;
    c.Convert(formats[(flags >> 2) % 5]);
    c.Scale(1 + static_cast<int>(flags % 37), 1 + static_cast<int>((flags >> 3) % 29));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    static FXRawCodec codec;
    fxUsePictureCodec(&codec);
    unsigned flags = data[0];
    size_t pictSize = static_cast<size_t>(data[1] | (data[2] << 8));
    const unsigned char* pict = data + 3;
    size_t left = size - 3;
    if (pictSize > left)
        pictSize = left;
    const unsigned char* mask = pict + pictSize;
    size_t maskSize = left - pictSize;

    localRaw(pict, pictSize, flags);
    localRaw(data, size, flags >> 1);

    // The canvas, through a package entry of the type the flags pick.
    std::string bytes(reinterpret_cast<const char*>(pict), pictSize);
    std::string file = PackageFile("pck01", PackagePayload({{1, bytes, kTypes[flags & 7]}}));
    FXPackage pkg;
    if (pkg.LoadFromMemory(file.data(), static_cast<long>(file.size()))) {
        FXCanvas canvas;
        canvas.mask = flags & 8;
        canvas.clearBeforeLoad = flags & 16;
        canvas.CreateFromPictCN(&pkg, 1);
        canvas.CreateFromPictCN(&pkg, 1); // into the block the first left
    }

    // A movie frame from memory: the picture and the mask as the frame's
    // two pictures, through the device's texture preparation.
    RecordingEnv env;
    env.npotTextures = flags & 32;
    fxSetEnv(&env);
    {
        SMovie movie;
        void* p = std::malloc(pictSize + 1);
        void* m = std::malloc(maskSize + 1);
        std::memcpy(p, pict, pictSize);
        std::memcpy(m, mask, maskSize);
        movie.pictureNames.Push("1");
        movie.maskNames.Push("2");
        movie.pictureData.Push(p);
        movie.pictureSizes.PushInt(static_cast<int>(pictSize));
        movie.maskData.Push(m);
        movie.maskSizes.PushInt(static_cast<int>(maskSize));
        movie.packed = movie.inMemory = true;
        FXMaterial material;
        movie.PrepareTextureMem(0, &material);
        if (flags & 64) {
            // As Targa files, which the engine's own decoder reads.
            static const std::string dir = [] {
                char tmpl[] = "/tmp/picture_fuzz.XXXXXX";
                const char* made = mkdtemp(tmpl);
                return std::string(made ? made : "/tmp");
            }();
            std::string pf = dir + "/p.tga", mf = dir + "/m.tga";
            FILE* a = std::fopen(pf.c_str(), "wb");
            FILE* b = std::fopen(mf.c_str(), "wb");
            if (a && b) {
                std::fwrite(pict, 1, pictSize, a);
                std::fwrite(mask, 1, maskSize, b);
            }
            if (a)
                std::fclose(a);
            if (b)
                std::fclose(b);
            movie.PrepareTexture(pf.c_str(), mf.c_str(), &material);
        }
    }
    fxSetEnv(nullptr);
    fxUsePictureCodec(nullptr);
    return 0;
}
